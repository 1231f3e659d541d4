/* Connect dialog ("DLG_Connect"): connects one query slot to a data source chosen from the
   driver manager's list, with the saved logins of the settings file. */
#ifndef LUMBRA_DLGCONNECT_H
#define LUMBRA_DLGCONNECT_H

#include <windows.h>

#include <string>

/* The query slot the dialog connects, as the dialog sees it. */
class cConnectHost {
public:
    virtual ~cConnectHost() {}
    virtual char const* iniFile() = 0;   // settings file (Lumbra.ini)
    virtual HWND mainWindow() = 0;       // the dialog is centred over it
    virtual int slotNumber() = 0;        // 1..3
    virtual long slotColor() = 0;        // 0xRRGGBB; 0 means no colour
    virtual bool savePassword() = 0;     // bSavePswd as held in memory
    virtual void setSavePassword(bool on) = 0;
    /* The slot's connectTo: logs, binds the grid, true when connected. */
    virtual bool connectTo(char const* dsn, char const* user, char const* pswd) = 0;
};

/* Runs "DLG_Connect" modally over owner (the host's main window when null) from this
   program's resources. 1 when the slot got connected, 0 when cancelled. */
INT_PTR connectDialog(cConnectHost* host, HWND owner = 0);

/* ---- shared by the Connect and Tables dialogs ---- */

extern char const* const kLumbraSection;   // "Lumbra Settings"
extern char const* const kSavedLogins;     // "Saved Logins"
extern char const* const kLastNamespace;   // "Last Namespace"

/* Writes value so that the private-profile read gives it back unchanged: a value with
   blanks at either end, or inside a pair of quotes, goes between quotes (which the
   read removes). Nothing is written when a part holds a line break (vorIniSafe). */
void writeIniExact(char const* file, char const* section, char const* key, char const* value);

/* A password as "Saved Logins" keeps it: protected for the current user by the
   platform (CryptProtectData) behind the marker "dpapi:"; "" for "" or on failure. */
std::string protectPassword(char const* plain);
/* The password of a saved value; a value without the marker (saved before passwords were
   protected) is the password itself; "" when it cannot be unprotected. */
std::string unprotectPassword(char const* stored);

/* Text and background for a tinted control: black on colour with brush (re)made for it.
   Returns the brush, or 0 for the default handling when colour is 0 (no colour). */
HBRUSH tintControl(HDC dc, long colour, HBRUSH* brush, long* brushColour);

#endif
