/* cXQueryWindow: the workbench's main window -- three query slots with their editors and
   result grids, the toolbar buttons, two pane splitters, the message pane and the status
   bar. One object per process; the window owns it and deletes it when destroyed. */
#ifndef LUMBRA_QUERYWIN_H
#define LUMBRA_QUERYWIN_H

#include <windows.h>

#include <string>

#include "settings.h"
#include "values.h"

class cQuerySlot;
class cResultGrid;
class cSplitex;
class cStatux;
class cRecentFiles;
class cXFont;

#define SLOT_COUNT 3
#define BUTTON_COUNT 8

class cXQueryWindow : public cObjext {
public:
    HINSTANCE inst;
    HWND hwnd;
    HMENU menu;
    HACCEL accel;                      // "A_LUMBRA"
    cResultGrid* grids[SLOT_COUNT];    // owned by their windows
    cQuerySlot* slots[SLOT_COUNT];
    HWND buttons[BUTTON_COUNT];        // Q1, Q2, Q3, Connect, Disconnect, Commit, Rollback, Tables
    cStatux* statusBar;                // owned by its window
    cSplitex* editorSplitter;          // editors above, grids below; owned by its bar
    cSplitex* resultSplitter;          // grids above, message pane below
    HWND messagePane;
    bool messagePaneShown;
    bool hScroll;
    bool lastWasError;
    int logCounter;                    // number of the next log entry
    cRecentFiles* recentFiles;
    cXFont* fontEdit;
    cXFont* fontMsg;
    cXFont* fontGrid;
    cSettings settings;

    char appDir[MAX_PATH + 1];         // ends with "\"
    char iniPath[MAX_PATH + 32];
    char helpPath[MAX_PATH + 32];
    HWND tablesDlg[SLOT_COUNT];        // each slot's Tables dialog, 0 when closed
    std::string rowCounts[SLOT_COUNT]; // row-count text of each slot's grid
    HWND refocus;                      // gets the focus back after a modal dialog

    /* Creates the object and its window (shown with show). appDirOverride replaces the
       registered application directory; quitOnDestroy posts WM_QUIT when the window goes. */
    static cXQueryWindow* create(HINSTANCE inst, char const* cmdLine, int show,
                                 char const* appDirOverride = 0, bool quitOnDestroy = true);
    /* The object of a main window, 0 for any other window. */
    static cXQueryWindow* fromHwnd(HWND w);

    int shown() const { return current; }
    cQuerySlot* shownSlot() const { return slots[current]; }
    cResultGrid* shownGrid() const { return grids[current]; }
    HWND shownEditor() const;
    void showSlot(int n);
    void enableUi(bool enable, bool resync);
    bool uiLocked = false;  // enableUi(false) is in force: accelerators do nothing

    /* ---- message pane and status bar ---- */
    void logResult(bool isError, double seconds, char const* text, char const* statement);
    /* Slots whose connection the library let go of follow it, and an error entry says so. */
    void logLostConnections();
    /* Notes after a load what the grid does not hold: cut values, rows left by a stop. */
    void noteLoad(cResultGrid* g);
    void showRowCounts(bool fromDatabase);
    void updateStatusBar(char const* lastEntry);
    std::string lastEntry;             // field 4 of the status bar

    /* Applies the fonts to the editors and the message pane. */
    void applyFonts();
    /* Every grid gets the row limit and long-data width of the settings. */
    void applyGridSettings();
    /* Slot colour of grid n as at start-up. */
    void colorGrid(int n);
    long slotFieldColor(int n) const;  // the slot's colour for its status field; 0 is none
    long slotTextColor(int n) const;   // the slot's colour behind its texts; 0 is white

    /* ---- commands reached from outside the window procedure (tests, dialogs) ---- */
    void command(int id);

private:
    int current;                       // index of the shown slot
    bool quitOnDestroy;
    HICON icons[6];                    // ICO_Q1..3, then their "_dis" forms
    HBITMAP bitmaps[12];               // Connect..Tables, their "_dis" forms, pbQ, pbQ_dis
    HBITMAP splitterBitmap;
    HBRUSH ctlBrush;                   // brush of the last WM_CTLCOLOR answer

    cXQueryWindow(HINSTANCE inst, char const* appDirOverride, bool quitOnDestroy);
    ~cXQueryWindow();
    bool build(char const* cmdLine, int show);
    void findAppDir(char const* appDirOverride);
    void loadImages();
    void createButtons();

    static LRESULT CALLBACK wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT m, WPARAM wp, LPARAM lp);
    LRESULT onSize(WPARAM type);
    LRESULT onPaint();
    LRESULT onCommand(int id, int code, HWND from);
    LRESULT onDrawItem(DRAWITEMSTRUCT* di);
    LRESULT onCtlColor(HDC dc, HWND control);
    LRESULT onInitMenuPopup(HMENU popup);
    LRESULT onClose();
    LRESULT onQueryEndSession();
    void onEndSession();
    LRESULT onDestroy();
    LRESULT onSplitterSelected(LPARAM lp);
    LRESULT onSplitterCollapsed();

    /* Command table helpers. */
    void toggleMessagePane();
    void toggleHScroll();
    void chooseSlotColor(int index);
    void chooseFont(cXFont* font);
    void tabFocus();
    void executeCommand();
    void exportResultset();
    void showExpression(bool selectedOnly);
    void openRecent(int index);
    void menuCheck(int id, bool on);
};

/* Message loop of the program: grid first, modeless dialogs next, accelerators only for
   the main window. Returns the WM_QUIT code. Messages are taken as Unicode, so that a typed
   letter reaches the (ANSI) controls in the ANSI code page, whatever the code page of the
   keyboard layout is; an ANSI loop would pass them through the layout's code page. */
int runMessageLoop(HWND main, HACCEL accel);
/* One message of that loop before translation: true when it was consumed. */
bool preTranslate(MSG* msg, HWND main, HACCEL accel);
/* One message of that loop, taken with GetMessageW or PeekMessageW: filtered, translated
   and dispatched. */
void loopMessage(MSG* msg, HWND main, HACCEL accel);

#endif
