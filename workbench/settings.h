/* The workbench settings of section "Lumbra Settings" in Lumbra.ini. */
#ifndef LUMBRA_SETTINGS_H
#define LUMBRA_SETTINGS_H

#include <windows.h>

#define SETTINGS_SECTION "Lumbra Settings"
#define MAXROWS_MIN 10
#define MAXROWS_MAX 10000
#define BLOBCHARS_MIN 1
#define BLOBCHARS_MAX 100

/* Picture texts of the date and time format indexes. */
extern char const* const kDateFormats[3];
extern char const* const kTimeFormats[2];

struct cSettings {
    int maxRows;             // "maxrows": most rows a SELECT loads
    int dateFmt;             // "aktfmt_D": index into kDateFormats
    int timeFmt;             // "aktfmt_T": index into kTimeFormats
    bool movecaret;          // caret to the end of the executed statement
    bool bImplicitRollback;  // disconnect rolls back instead of committing
    bool bBlobStr;           // long data shown as text instead of "BLOB"
    short nBlobStr;          // characters of long data shown
    bool b_commit_always;    // commit after every successful command
    bool bSavePswd;          // the Connect dialog saves passwords
    bool bBackgroundRun;     // statements run on a worker thread; Esc cancels
    char lastDatabase[256];  // "LastDatabase"
    long ecolor[5];          // Q1..Q3, message pane normal, message pane error (0xRRGGBB)
    bool trueColor;          // which colour keys are in use: "ecolor_" or "ecolor256_"
    long colorKept[5];       // each colour as the file last had it from this window
    bool colorInFile[5];     // the file held the key

    cSettings();
    /* Reads every key above from the file; missing or out-of-range values give defaults. */
    void load(char const* ini, bool trueColorDisplay);
    /* Writes the five colour keys of the current display kind. With onlyChanged (the
       window's end), a colour the file held and this window left as read is not written
       again, so that another Lumbra's later change to it stays. */
    void saveColors(char const* ini, bool onlyChanged = false);
    /* Writes the keys the Settings dialog edits; with before (the values as the dialog
       opened), only those the dialog changed, so that another Lumbra's changes stay. */
    void saveDialogKeys(char const* ini, cSettings const* before = 0) const;
    /* The default date, time and date-time pictures of cDatex. */
    void applyDateFormats() const;
    /* Characters of long data the grids show: nBlobStr, or 0 for "BLOB". */
    short blobChars() const { return bBlobStr ? nBlobStr : 0; }
};

/* Runs the modal "DLG_Settings" over owner; true when OK changed the settings (and wrote
   them to ini). */
bool runSettingsDialog(HINSTANCE inst, HWND owner, cSettings* settings, char const* ini);

#endif
