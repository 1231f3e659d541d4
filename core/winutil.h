/* Window and dialog helpers: popup menus, persistent fonts, placement, the text dialog,
   common dialogs, clipboard and shell. Colours are 0xRRGGBB throughout. */
#ifndef VORCORE_WINUTIL_H
#define VORCORE_WINUTIL_H

#include <windows.h>

#include <string>

#include "corerc.h"
#include "profile.h"
#include "values.h"
#include "vorcore.h"

/* Shows the wait cursor for its lifetime; the arrow comes back on every exit path. */
class cWaitCursor {
public:
    cWaitCursor() { SetCursor(LoadCursorA(0, (LPCSTR)IDC_WAIT)); }
    ~cWaitCursor() { SetCursor(LoadCursorA(0, (LPCSTR)IDC_ARROW)); }
    cWaitCursor(cWaitCursor const&) = delete;
    cWaitCursor& operator=(cWaitCursor const&) = delete;
};

/* ---- popup menu builder ---- */

#define FLOXMENU_MAXSUB 20

class VORCORE_API cFloxMenu : public cObjext {
public:
    HMENU menu;                     // root popup menu
    HMENU subs[FLOXMENU_MAXSUB];    // sub-menus in creation order
    short subIds[FLOXMENU_MAXSUB];  // caller's identifier of each sub-menu
    short subCount;                 // sub-menus in use

    cFloxMenu();
    ~cFloxMenu();

    int fmCreate();
    void fmDestroy();
    /* Item cmd (a separator when cmd is 0) in the root (parent 0) or sub-menu parent. */
    void fmAppend(short parent, short cmd, char const* text);
    /* New sub-menu id under text in the root (parent 0) or sub-menu parent. */
    void fmAppendSub(short parent, short id, char const* text);
    void fmEnable(short cmd, bool on);
    void fmDisable(short cmd);
    void fmDisablePos(short pos);
    void fmDelete(short cmd);
    void fmCheck(short cmd, int on);
    /* Shows the menu at screen point (x, y), at the cursor when both are -1. */
    int fmTrack(HWND owner, short x, short y);

private:
    HMENU find(short id);
    cFloxMenu(cFloxMenu const&);
    cFloxMenu& operator=(cFloxMenu const&);
};

/* ---- font with its persistent description ---- */

#define XFONT_DEFAULT "1~0~-11~0~0~0~400~0~0~0~1~1~2~1~34~MS Sans Serif"

class VORCORE_API cXFont : public cObjext {
public:
    HWND hwnd;         // owner window (dialog owner, screen for the point size)
    char* file;        // INI file; "" means no persistence
    char* section;     // INI section
    char* key;         // INI key of the description
    bool autosave;     // save after chooseFont
    long color;        // 0xRRGGBB
    LOGFONTA logfont;  // the font record
    HFONT hfont;       // created from logfont
    char* saveText;    // description, XFONT_DEFAULT form
    char* dispText;    // "face size[ bold][ italic]"
    short pointSize;   // from the height and the screen's pixels per inch

    cXFont(HWND owner, char const* file, char const* section, char const* key, bool autosave);
    ~cXFont();

    /* Parses a description (null or "" = default); false leaves the font unchanged. */
    bool set(char const* description);
    bool load();
    bool save();
    bool chooseFont();

    LOGFONTA* getLogfont() { return &logfont; }
    HFONT getHfont() { return hfont; }
    long getColor() { return color; }
    char* str4save() { return saveText; }
    char* str4disp() { return dispText; }

private:
    void rebuildStrings();
    cXFont(cXFont const&);
    cXFont& operator=(cXFont const&);
};

/* ---- placement ---- */

/* Writes "M" for a maximized window, else "left~top~width~height". */
VORCORE_API void saveWindowPosition(HWND w, char const* file, char const* section, char const* key);
/* r gets left, top and, in right and bottom, width and height, clamped to the screen.
   True only for the maximized marker (r then holds the default size). */
VORCORE_API bool loadWindowPosition(RECT* r, char const* file, char const* section, char const* key,
                                    short defW, short defH, short minW, short minH);
VORCORE_API void centerDialog(HWND dlg, HWND parent);
/* Dialog geometry in section "Dialog Size", keys <name>_X/_Y/_W/_H. */
VORCORE_API void DlgSize_INIT(HWND dlg, HWND parent, cProfileman* profile, char const* name);
VORCORE_API void DlgSize_WM_DESTROY(HWND dlg, cProfileman* profile, char const* name);
/* Keeps child at (0, top) filling the client area of dlg below top. */
VORCORE_API void DlgSize_WM_SIZE(HWND dlg, HWND child, int top, int sizeType, LPARAM size);
/* Window rectangle of w in parent's client coordinates. */
VORCORE_API bool GetRelWinRect(HWND w, HWND parent, RECT* r);
/* Size of "M" in font f; 9 x 13 without a window or font. */
VORCORE_API void M_size(HWND w, HFONT f, short* cx, short* cy);

/* ---- text dialog ---- */

/* Called with the dialog and the button index 0..4; may end the dialog with EndDialog. */
typedef void (*TEXTIKPROC)(HWND dlg, int index);

/* Runs "DLG_Empty" with the text under a row of up to five buttons (widths in quarter
   characters, 0 = no button). Returns the EndDialog result, IDCANCEL for Escape. */
VORCORE_API INT_PTR ShowDlgTextik(HWND parent, char const* text, char const* title, bool wrap,
                                  bool readOnly, long bgColor, TEXTIKPROC callback,
                                  char const* b0, short w0, char const* b1 = 0, short w1 = 0,
                                  char const* b2 = 0, short w2 = 0, char const* b3 = 0,
                                  short w3 = 0, char const* b4 = 0, short w4 = 0);

/* ---- common dialogs and shell ---- */

/* A function of a system DLL that only a user's command needs (the common dialogs, the
   shell, data protection), loaded from the system directory at its first use; 0 when the
   DLL or the function is missing. Importing these DLLs would load them at every start, and
   under Wine shell32 and comdlg32 bring comctl32, the costliest DLL to start. */
VORCORE_API FARPROC vorLateProc(char const* dll, char const* name);
template <class F>
inline F vorLate(char const* dll, char const* name) {
    return (F)(void*)vorLateProc(dll, name);
}

/* mode 'o' open or 's' save. filter is the OPENFILENAME form: description and pattern
   strings, each ended by a NUL, the list ended by an empty string. out holds MAX_PATH
   bytes and is left alone unless a file is chosen. */
VORCORE_API bool getFilename(HWND owner, char* out, char mode, char const* filter, short filterIndex,
                             char const* defExt, char const* title, char const* initialDir);
/* The full colour dialog; the chosen colour, or -1 on cancel. */
VORCORE_API long chooseColor(HWND owner, long rgb);
VORCORE_API bool shellexec(char const* file, HWND owner, bool maximized);
VORCORE_API bool str2clip(char const* text);

/* Writes w (n characters, or up to its zero when n < 0) in the ANSI code page into out
   (0: only checks); false when a character would come out as a look-alike or the default
   character, or the text does not fit out's size bytes. out is zero-ended when n < 0. */
VORCORE_API bool ansiExact(WCHAR const* w, int n, char* out, int size);
/* Shows text in an edit control that only shows it. The caron, ogonek and double acute,
   which Wine's shaping faults on after no letter and wherever a line wraps before them, show
   as the look-alikes U+02C5, U+FE50 and U+2033. With replaceSel the text replaces the
   selection, otherwise the whole text. */
VORCORE_API void vorShowText(HWND edit, char const* text, bool replaceSel);
/* w in the ANSI code page (characters it lacks as its default character). */
VORCORE_API std::string vorAnsiText(std::wstring const& w);
/* The ANSI text of an edit control shown by vorShowText (the user may have edited it), its
   look-alikes turned back into the accents. */
VORCORE_API std::string vorShownText(HWND edit);
VORCORE_API void msg(char const* format, ...);
VORCORE_API void pip();

/* Every message box of the library goes through vorMessageBox; a hook set here answers
   in place of the real box (tests, unattended runs). Returns the previous hook. */
typedef int (*MSGBOXHOOK)(HWND owner, char const* text, char const* caption, UINT type);
VORCORE_API MSGBOXHOOK vorSetMessageBoxHook(MSGBOXHOOK hook);
VORCORE_API int vorMessageBox(HWND owner, char const* text, char const* caption, UINT type);

/* ---- small window helpers ---- */

VORCORE_API bool isControl();
VORCORE_API bool isShift();
VORCORE_API void showWindow(HWND w, bool show);
VORCORE_API void hideWindow(HWND w);
VORCORE_API LRESULT sendWM_COMMAND(HWND target, HWND control, unsigned short id, unsigned notify);
VORCORE_API bool isTrueColor();
/* RegisterClass with the small icon taken from the same icon resource (iconModule 0 for
   the predefined IDI_ icons). Without one, Wine scales a copy of the large icon at every
   registration, a few milliseconds each. */
VORCORE_API ATOM registerClassIcons(WNDCLASSA const& wc, HINSTANCE iconModule, LPCSTR iconName);
VORCORE_API void drawBmp(HDC dc, HBITMAP bmp, int x, int y);
/* With a mask: mask OR destination, then bitmap AND destination; else a plain copy. */
VORCORE_API void DrawBmpMask(HDC dc, int x, int y, HBITMAP bmp, HBITMAP mask);

#endif
