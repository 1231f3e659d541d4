/* cQuerySlot: one of the three query slots -- its script editor, its file, its own
   connection -- and the running of statements from the editor. */
#ifndef LUMBRA_QUERYSLOT_H
#define LUMBRA_QUERYSLOT_H

#include <windows.h>

#include <string>

#include "stmtfind.h"
#include "values.h"

class cXdbc;
class cXQueryWindow;
class cResultGrid;

#define SLOT_FILENAME 260

class cQuerySlot : public cObjext {
public:
    HWND edit;               // the script editor, a child of the main window
    cXQueryWindow* owner;    // message pane, status bar and grids
    cXdbc* db;               // own connection for the program's life
    char* statement;         // statement most recently taken from the editor, never null
    char* dsn;               // current connection; "" when not connected
    char* user;
    char* pswd;
    bool connected;
    short number;            // 1..3
    char fileName[SLOT_FILENAME + 1];  // "" for an untitled script
    bool modified;
    // Last write time and size of fileName when it was opened or saved; 0 when not known.
    unsigned long long fileTime, fileBytes;

    cQuerySlot(cXQueryWindow* owner, short number, HWND parent, HINSTANCE inst);
    ~cQuerySlot();

    cResultGrid* grid();

    /* ---- statements ---- */
    /* Statement around the first character of *line (when >= 0) or the caret; *line gets
       the line of its end. */
    std::string statementAt(int* line);
    bool executeAtCaret(int* line);
    void runFromLine(int line);
    bool executeCommand();
    bool executeSelect(char const* sql);
    bool commit();
    void noteInfo();
    bool rollback();
    bool connectCommand();
    bool connectTo(char const* dsn, char const* user, char const* pswd);
    /* Ends the work as the setting asks and disconnects; false when a connection that
       still holds the work stays: after a failed end, unless the user, asked (mayAsk), lets
       the work go. *workEnded tells whether the work was ended or let go. */
    bool disconnect(bool silent, bool* workEnded = 0, bool mayAsk = true);
    bool letWorkGo();
    /* The connection state as the connection object reports it (after a dialog used it). */
    void resyncConnection();

    /* ---- script files ---- */
    bool askSave();
    bool newScript();
    bool openScript();
    bool saveScript();
    bool saveScriptAs();
    bool openFile(char const* name);
    /* Takes fileName's write time and size as those of the script's own last read or write. */
    void rememberFileStamp();
    bool saveFile(char const* name);
    void refreshTitle();
    void setHScroll(bool on);
    /* EN_CHANGE from the editor. */
    void onChange();

private:
    std::string runText;  // the editor text while a script runs; "" otherwise
    tQuietSpans runQuiet;  // its quiet spans
    bool running;         // runFromLine is under way: runText is current

    void logOk(double seconds, char const* text);
    void logError(double seconds, char const* text, char const* stmt);
    void closeTablesDialog();
};

#endif
