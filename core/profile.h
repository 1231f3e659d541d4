/* INI profile access, the recent-files list and the registry helpers. */
#ifndef VORCORE_PROFILE_H
#define VORCORE_PROFILE_H

#include <windows.h>

#include "iniwrite.h"
#include "values.h"
#include "vorcore.h"

/* One INI file with a default section, read and written through the private-profile calls.
   A missing file reads as the defaults; failed writes and values that are not
   vorIniSafe are ignored. */
class VORCORE_API cProfileman : public cObjext {
public:
    char* file;     // path of the INI file, "" until init
    char* section;  // default section, "" until init

    cProfileman();
    ~cProfileman();

    void init(char const* file, char const* section);

    void write_bool(char const* key, bool value);
    void write_bool_sec(char const* section, char const* key, bool value);
    void write_int(char const* key, int value);
    void write_int_sec(char const* section, char const* key, int value);
    void write_str(char const* key, char const* value);
    void write_str_sec(char const* section, char const* key, char const* value);

    /* True when the key reads as an integer greater than 0. */
    bool get_bool(char const* key, bool def);
    bool get_bool_sec(char const* section, char const* key, bool def);
    /* With min and max both 0 the value is returned as read; otherwise a value outside
       min..max gives def. */
    int get_int(char const* key, int def, int min = 0, int max = 0);
    int get_int_sec(char const* section, char const* key, int def, int min = 0, int max = 0);
    /* Reads into buf of size bytes, cut to fit; a null def means "". */
    void get_str(char const* key, char* buf, int size, char const* def = 0);
    void get_str_sec(char const* section, char const* key, char* buf, int size,
                     char const* def = 0);

private:
    cProfileman(cProfileman const&);
    cProfileman& operator=(cProfileman const&);
};

/* Most-recently-used file names kept in an INI file and mirrored into a sub-menu.
   Entry i is menu command RECENT_CMD_FIRST + i; the placeholder is RECENT_CMD_EMPTY. */
#define RECENT_CMD_FIRST 50
#define RECENT_CMD_EMPTY 80
#define RECENT_MAX 30

class VORCORE_API cRecentFiles : public cObjext {
public:
    short count;       // number of entries, 0..30
    char* file;        // INI file
    char* section;     // its section
    char* keyPrefix;   // keys are keyPrefix + 1-based entry number
    HMENU menu;        // menu holding the list, two levels down
    short menuPos;     // position of the popup in menu
    short subMenuPos;  // position of the list's popup in that popup
    char* emptyText;   // text of the disabled placeholder item
    char** entries;    // count strings; "" is an unused slot, 0 the most recent

    /* Loads the entries and rebuilds the menu. count is cut to 30. */
    cRecentFiles(short count, char const* file, char const* section, char const* keyPrefix,
                 HMENU menu, short menuPos, short subMenuPos, char const* emptyText);
    ~cRecentFiles();

    /* Moves name to the front, writes the list and rebuilds the menu. */
    bool addFilename(char const* name);
    /* Entry i (0-based), owned by the object; "" out of range. */
    char* getFilename(short i);
    /* Puts the entries into the sub-menu; false when the sub-menu does not exist. */
    bool rebuildMenu();

private:
    bool ok;  // buffers allocated
    void load();
    void save();
    cRecentFiles(cRecentFiles const&);
    cRecentFiles& operator=(cRecentFiles const&);
};

/* Shell association of ext with progId: HKCR\ext = progId, HKCR\progId = description,
   HKCR\progId\DefaultIcon = icon. */
VORCORE_API bool vorAsocExtension(char const* ext, char* icon, char* description, char* progId);
/* HKCR\progId\Shell\verb\Command = command. */
VORCORE_API bool vorAsocMenu(char const* verb, char* command, char const* progId);
/* Reads HKLM\Software\Vor Systems\app, value "RootDir", into dir (MAX_PATH bytes); dir is
   emptied first. */
VORCORE_API bool vorGetRegAppRootDir(char const* app, char* dir);

#endif
