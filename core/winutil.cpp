/* Window and dialog helpers: popup menus, persistent fonts, placement, the text dialog,
   common dialogs, clipboard and shell. */
#include "winutil.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "corerc.h"
#include "strx.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

/* The core library's module: its resources hold "DLG_Empty". */
HINSTANCE coreInstance() {
    return (HINSTANCE)&__ImageBase;
}

/* 0xRRGGBB <-> COLORREF: the red and blue bytes trade places (the swap is its own inverse). */
COLORREF swapRgb(long c) {
    return (COLORREF)(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

int screenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int screenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}

bool hasText(char const* s) {
    return s && *s;
}

/* Strict decimal: optional sign, at least one digit, nothing else, within lo..hi. */
bool parseNumber(char const* s, long lo, long hi, long* out) {
    if (!s || !*s)
        return false;
    char const* p = s;
    if (*p == '+' || *p == '-')
        p++;
    if (*p < '0' || *p > '9')
        return false;
    errno = 0;
    char* end;
    long long v = strtoll(s, &end, 10);
    if (*end || errno == ERANGE || v < lo || v > hi)
        return false;
    *out = (long)v;
    return true;
}

MSGBOXHOOK msgBoxHook = 0;

}  // namespace

/* ---- message boxes ---- */

MSGBOXHOOK vorSetMessageBoxHook(MSGBOXHOOK hook) {
    MSGBOXHOOK previous = msgBoxHook;
    msgBoxHook = hook;
    return previous;
}

int vorMessageBox(HWND owner, char const* text, char const* caption, UINT type) {
    if (!text)
        text = "";
    if (msgBoxHook)
        return msgBoxHook(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

/* ---- cFloxMenu ---- */

cFloxMenu::cFloxMenu() : menu(0), subCount(0) {
    fmCreate();
}

cFloxMenu::~cFloxMenu() {
    fmDestroy();
}

int cFloxMenu::fmCreate() {
    fmDestroy();
    menu = CreatePopupMenu();
    return menu != 0;
}

void cFloxMenu::fmDestroy() {
    /* Every sub-menu hangs in the root (or in another sub-menu), so destroying the root takes
       them all, deepest first; destroying them one by one could hit a handle that fmDelete
       already released. */
    if (menu)
        DestroyMenu(menu);
    menu = 0;
    for (int i = 0; i < FLOXMENU_MAXSUB; i++) {
        subs[i] = 0;
        subIds[i] = 0;
    }
    subCount = 0;
}

HMENU cFloxMenu::find(short id) {
    if (id == 0)
        return menu;
    for (int i = 0; i < subCount; i++) {
        if (subIds[i] == id)
            return subs[i];
    }
    return 0;
}

void cFloxMenu::fmAppend(short parent, short cmd, char const* text) {
    HMENU m = find(parent);
    if (!m)
        return;
    if (cmd == 0)
        AppendMenuA(m, MF_SEPARATOR, 0, 0);
    else
        AppendMenuA(m, MF_STRING, (UINT_PTR)(unsigned short)cmd, text ? text : "");
}

void cFloxMenu::fmAppendSub(short parent, short id, char const* text) {
    if (subCount >= FLOXMENU_MAXSUB)
        return;
    HMENU m = find(parent);
    if (!m)
        return;
    HMENU sub = CreatePopupMenu();
    if (!sub)
        return;
    if (!AppendMenuA(m, MF_STRING | MF_POPUP, (UINT_PTR)sub, text ? text : "")) {
        DestroyMenu(sub);
        return;
    }
    subs[subCount] = sub;
    subIds[subCount] = id;
    subCount++;
}

void cFloxMenu::fmEnable(short cmd, bool on) {
    EnableMenuItem(menu, (unsigned short)cmd, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void cFloxMenu::fmDisable(short cmd) {
    fmEnable(cmd, false);
}

void cFloxMenu::fmDisablePos(short pos) {
    EnableMenuItem(menu, pos, MF_BYPOSITION | MF_GRAYED);
}

void cFloxMenu::fmDelete(short cmd) {
    DeleteMenu(menu, (unsigned short)cmd, MF_BYCOMMAND);
}

void cFloxMenu::fmCheck(short cmd, int on) {
    CheckMenuItem(menu, (unsigned short)cmd, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

int cFloxMenu::fmTrack(HWND owner, short x, short y) {
    if (!menu)
        return 0;
    POINT pt = {x, y};
    if (x == -1 && y == -1)
        GetCursorPos(&pt);
    return TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                          owner, 0);
}

/* ---- cXFont ---- */

/* Largest font height or width taken from a description, in pixels. */
long const kFontPixelsMax = 1000;

cXFont::cXFont(HWND owner, char const* f, char const* s, char const* k, bool save)
    : hwnd(owner),
      file(strdux((void*)f)),
      section(strdux((void*)s)),
      key(strdux((void*)k)),
      autosave(save),
      color(0),
      hfont(0),
      saveText(strdux(0)),
      dispText(strdux(0)),
      pointSize(0) {
    memset(&logfont, 0, sizeof logfont);
    if (!load())
        set(0);
}

cXFont::~cXFont() {
    if (hfont)
        DeleteObject(hfont);
    freex(file);
    freex(section);
    freex(key);
    freex(saveText);
    freex(dispText);
}

bool cXFont::set(char const* description) {
    if (!hasText(description))
        description = XFONT_DEFAULT;
    char buf[201];
    lstrcpynA(buf, description, sizeof buf);

    /* Exactly 16 fields: version, colour, 13 LOGFONT numbers, face name. */
    char* field[17];
    int n = 0;
    field[n++] = buf;
    for (char* p = buf; *p; p++) {
        if (*p != '~')
            continue;
        *p = 0;
        if (n == 17)
            return false;
        field[n++] = p + 1;
    }
    if (n != 16)
        return false;

    long v[15];
    if (!parseNumber(field[0], 1, 1, &v[0]) || !parseNumber(field[1], 0, 0xFFFFFF, &v[1]))
        return false;
    /* Height and width in pixels, escapement and orientation in tenths of a degree,
       weight: anything beyond these makes no readable font. */
    static long const lo[5] = {-kFontPixelsMax, -kFontPixelsMax, -3600, -3600, 0};
    static long const hi[5] = {kFontPixelsMax, kFontPixelsMax, 3600, 3600, 1000};
    for (int i = 2; i <= 6; i++) {  // height, width, escapement, orientation, weight
        if (!parseNumber(field[i], lo[i - 2], hi[i - 2], &v[i]))
            return false;
    }
    for (int i = 7; i <= 14; i++) {  // the byte fields
        if (!parseNumber(field[i], 0, 255, &v[i]))
            return false;
    }
    char const* face = field[15];
    if (!*face || strlen(face) >= LF_FACESIZE || !vorIniSafe(face, false))
        return false;

    LOGFONTA lf;
    memset(&lf, 0, sizeof lf);
    lf.lfHeight = v[2];
    lf.lfWidth = v[3];
    lf.lfEscapement = v[4];
    lf.lfOrientation = v[5];
    lf.lfWeight = v[6];
    lf.lfItalic = (BYTE)v[7];
    lf.lfUnderline = (BYTE)v[8];
    lf.lfStrikeOut = (BYTE)v[9];
    lf.lfCharSet = (BYTE)v[10];
    lf.lfOutPrecision = (BYTE)v[11];
    lf.lfClipPrecision = (BYTE)v[12];
    lf.lfQuality = (BYTE)v[13];
    lf.lfPitchAndFamily = (BYTE)v[14];
    strcpy(lf.lfFaceName, face);

    HFONT f = CreateFontIndirectA(&lf);
    if (!f)
        return false;
    if (hfont)
        DeleteObject(hfont);
    hfont = f;
    logfont = lf;
    color = v[1];
    rebuildStrings();
    return true;
}

void cXFont::rebuildStrings() {
    char text[256];
    snprintf(text, sizeof text, "1~%ld~%ld~%ld~%ld~%ld~%ld~%d~%d~%d~%d~%d~%d~%d~%d~%s", color,
             (long)logfont.lfHeight, (long)logfont.lfWidth, (long)logfont.lfEscapement,
             (long)logfont.lfOrientation, (long)logfont.lfWeight, logfont.lfItalic,
             logfont.lfUnderline, logfont.lfStrikeOut, logfont.lfCharSet, logfont.lfOutPrecision,
             logfont.lfClipPrecision, logfont.lfQuality, logfont.lfPitchAndFamily,
             logfont.lfFaceName);
    strfrdux(&saveText, text);

    HDC dc = GetDC(hwnd);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(hwnd, dc);
    if (dpi <= 0)
        dpi = 96;
    pointSize = (short)-MulDiv(logfont.lfHeight, 72, dpi);
    snprintf(text, sizeof text, "%s %d%s%s", logfont.lfFaceName, pointSize,
             logfont.lfWeight >= 600 ? " bold" : "", logfont.lfItalic ? " italic" : "");
    strfrdux(&dispText, text);
}

bool cXFont::load() {
    if (!hasText(file))
        return false;
    char buf[201];
    GetPrivateProfileStringA(section, key, "", buf, sizeof buf, file);
    buf[sizeof buf - 1] = 0;
    if (!buf[0])
        return false;
    return set(buf);
}

bool cXFont::save() {
    if (!hasText(file))
        return false;
    cIniEdit e = {section, key, saveText};
    return vorIniWrite(file, &e, 1);
}

bool cXFont::chooseFont() {
    LOGFONTA lf = logfont;
    CHOOSEFONTA cf;
    memset(&cf, 0, sizeof cf);
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = hwnd;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_NOSCRIPTSEL | CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = swapRgb(color);
    cf.nSizeMin = 4;
    cf.nSizeMax = 100;
    auto chooseFont = vorLate<BOOL(WINAPI*)(CHOOSEFONTA*)>("comdlg32.dll", "ChooseFontA");
    if (!chooseFont || !chooseFont(&cf))
        return false;
    HFONT f = CreateFontIndirectA(&lf);
    if (!f)
        return false;
    if (hfont)
        DeleteObject(hfont);
    hfont = f;
    logfont = lf;
    color = (long)swapRgb((long)cf.rgbColors);
    rebuildStrings();
    if (autosave)
        save();
    return true;
}

/* ---- placement ---- */

void saveWindowPosition(HWND w, char const* file, char const* section, char const* key) {
    if (!IsWindow(w) || !hasText(file) || !section || !key)
        return;
    RECT r;
    bool maximized;
    if (IsIconic(w)) {
        /* A minimized window sits far off screen; keep the place it returns to. */
        WINDOWPLACEMENT wp;
        memset(&wp, 0, sizeof wp);
        wp.length = sizeof wp;
        GetWindowPlacement(w, &wp);
        maximized = (wp.flags & WPF_RESTORETOMAXIMIZED) != 0;
        r = wp.rcNormalPosition;
    } else {
        GetWindowRect(w, &r);
        maximized = IsZoomed(w) || (r.left < 0 && r.top < 0 &&
                                    (r.right > screenWidth() || r.bottom > screenHeight()));
    }
    char text[64];
    if (maximized)
        strcpy(text, "M");
    else
        snprintf(text, sizeof text, "%ld~%ld~%ld~%ld", (long)r.left, (long)r.top,
                 (long)(r.right - r.left), (long)(r.bottom - r.top));
    cIniEdit e = {section, key, text};
    vorIniWrite(file, &e, 1);
}

bool loadWindowPosition(RECT* r, char const* file, char const* section, char const* key,
                        short defW, short defH, short minW, short minH) {
    if (!r)
        return false;
    SetRect(r, 0, 0, defW, defH);
    if (!hasText(file) || !section || !key)
        return false;
    char buf[41];
    GetPrivateProfileStringA(section, key, "", buf, sizeof buf, file);
    buf[sizeof buf - 1] = 0;
    if (buf[0] == 'M')
        return true;

    /* Four numbers separated by "~", as "%d~%d~%d~%d" would read them. */
    long long v[4];
    int n = 0;
    char const* p = buf;
    while (n < 4) {
        char* end;
        long long x = strtoll(p, &end, 10);
        if (end == p)
            break;
        if (x < INT_MIN) x = INT_MIN;
        if (x > INT_MAX) x = INT_MAX;
        v[n++] = x;
        p = end;
        if (n < 4) {
            if (*p != '~')
                break;
            p++;
        }
    }
    if (n < 4)
        return false;

    long long sw = screenWidth(), sh = screenHeight();
    long long left = v[0], top = v[1], width = v[2], height = v[3];
    if (width < minW) width = minW;
    if (width > sw) width = sw;
    if (height < minH) height = minH;
    if (height > sh) height = sh;
    if (left < 0 || left + width > sw) left = 0;
    if (top < 0 || top + height > sh) top = 0;
    SetRect(r, (int)left, (int)top, (int)width, (int)height);
    return false;
}

void centerDialog(HWND dlg, HWND parent) {
    RECT d;
    if (!GetWindowRect(dlg, &d))
        return;
    int w = d.right - d.left, h = d.bottom - d.top;
    int sw = screenWidth(), sh = screenHeight();
    int x, y;
    RECT p;
    if (parent && IsWindow(parent) && GetWindowRect(parent, &p)) {
        x = p.left + (p.right - p.left - w) / 2;
        y = p.top + (p.bottom - p.top - h) / 2;
        if (x + w > sw - 10) x = sw - 10 - w;
        if (y + h > sh - 10) y = sh - 10 - h;
        if (x < 10) x = 10;
        if (y < 10) y = 10;
    } else {
        x = (sw - w) / 2;
        y = (sh - h) / 2;
    }
    SetWindowPos(dlg, 0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

char const dialogSizeSection[] = "Dialog Size";

/* "<first 30 characters of name>_<suffix>" */
void dialogSizeKey(char* key, size_t size, char const* name, char suffix) {
    snprintf(key, size, "%.30s_%c", name ? name : "", suffix);
}

}  // namespace

void DlgSize_INIT(HWND dlg, HWND parent, cProfileman* profile, char const* name) {
    RECT r;
    if (!GetWindowRect(dlg, &r))
        return;
    int curW = r.right - r.left, curH = r.bottom - r.top;
    int sw = screenWidth(), sh = screenHeight();
    int x = -1, y = -1, w = curW - 1, h = curH - 1;
    if (profile) {
        char key[40];
        dialogSizeKey(key, sizeof key, name, 'X');
        x = profile->get_int_sec(dialogSizeSection, key, -1, -1, sw - 100);
        dialogSizeKey(key, sizeof key, name, 'Y');
        y = profile->get_int_sec(dialogSizeSection, key, -1, -1, sh - 100);
        dialogSizeKey(key, sizeof key, name, 'W');
        w = profile->get_int_sec(dialogSizeSection, key, curW - 1, curW - 1, sw);
        dialogSizeKey(key, sizeof key, name, 'H');
        h = profile->get_int_sec(dialogSizeSection, key, curH - 1, curH - 1, sh);
    }
    SetWindowPos(dlg, 0, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    if (x == -1 && y == -1)
        centerDialog(dlg, parent);
}

void DlgSize_WM_DESTROY(HWND dlg, cProfileman* profile, char const* name) {
    RECT r;
    /* A minimized dialog's rectangle is off screen and not worth keeping. */
    if (!profile || IsIconic(dlg) || !GetWindowRect(dlg, &r))
        return;
    char key[40];
    dialogSizeKey(key, sizeof key, name, 'X');
    profile->write_int_sec(dialogSizeSection, key, r.left);
    dialogSizeKey(key, sizeof key, name, 'Y');
    profile->write_int_sec(dialogSizeSection, key, r.top);
    dialogSizeKey(key, sizeof key, name, 'W');
    profile->write_int_sec(dialogSizeSection, key, r.right - r.left);
    dialogSizeKey(key, sizeof key, name, 'H');
    profile->write_int_sec(dialogSizeSection, key, r.bottom - r.top);
}

void DlgSize_WM_SIZE(HWND dlg, HWND child, int top, int sizeType, LPARAM size) {
    if (sizeType != SIZE_RESTORED && sizeType != SIZE_MAXIMIZED)
        return;
    int h = HIWORD(size) - top;
    MoveWindow(child, 0, top, LOWORD(size), h < 0 ? 0 : h, TRUE);
}

bool GetRelWinRect(HWND w, HWND parent, RECT* r) {
    if (!r || !GetWindowRect(w, r))
        return false;
    MapWindowPoints(HWND_DESKTOP, parent, (POINT*)r, 2);
    return true;
}

void M_size(HWND w, HFONT f, short* cx, short* cy) {
    SIZE s = {9, 13};
    HDC dc = (w && f) ? GetDC(w) : 0;
    if (dc) {
        HGDIOBJ old = SelectObject(dc, f);
        if (!GetTextExtentPoint32A(dc, "M", 1, &s)) {
            s.cx = 9;
            s.cy = 13;
        }
        SelectObject(dc, old);
        ReleaseDC(w, dc);
    }
    if (cx) *cx = (short)s.cx;
    if (cy) *cy = (short)s.cy;
}

/* ---- text dialog ---- */

namespace {

struct TextikState {
    char const* text;
    char const* title;
    bool wrap;
    bool readOnly;
    long bgColor;
    TEXTIKPROC callback;
    HWND parent;
    char const* buttonText[TEXTIK_BUTTONS];
    short buttonWidth[TEXTIK_BUTTONS];
    HBRUSH brush;  // background of the edit
    int top;       // first row of the edit below the buttons
};

BOOL textikInit(HWND dlg, TextikState* st) {
    SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)st);
    if (st->title)
        SetWindowTextA(dlg, st->title);
    HFONT font = (HFONT)SendDlgItemMessageA(dlg, TEXTIK_FONT, WM_GETFONT, 0, 0);
    if (!font)
        font = (HFONT)SendMessageA(dlg, WM_GETFONT, 0, 0);
    short mx, my;
    M_size(dlg, font, &mx, &my);
    int rowHeight = my + 8;
    int x = 0;
    bool any = false;
    for (int i = 0; i < TEXTIK_BUTTONS; i++) {
        if (st->buttonWidth[i] < 1)
            continue;
        int width = mx * st->buttonWidth[i] / 4;
        HWND b = CreateWindowExA(0, "BUTTON", st->buttonText[i] ? st->buttonText[i] : "",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, 0, width,
                                 rowHeight, dlg, (HMENU)(INT_PTR)(TEXTIK_BUTTON + i),
                                 coreInstance(), 0);
        SendMessageA(b, WM_SETFONT, (WPARAM)font, FALSE);
        x += width + 2;
        any = true;
    }
    st->top = any ? rowHeight + 1 : 0;

    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
                  ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
    if (!st->wrap)
        style |= WS_HSCROLL | ES_AUTOHSCROLL;
    if (st->readOnly)
        style |= ES_READONLY;
    RECT c;
    GetClientRect(dlg, &c);
    int h = c.bottom - st->top;
    HWND edit = CreateWindowExA(0, "EDIT", "", style, 0, st->top, c.right, h < 0 ? 0 : h, dlg,
                                (HMENU)(INT_PTR)TEXTIK_EDIT, coreInstance(), 0);
    SendMessageA(edit, WM_SETFONT, (WPARAM)font, FALSE);
    SendMessageA(edit, EM_LIMITTEXT, 0, 0);
    vorShowText(edit, st->text, false);

    centerDialog(dlg, st->parent);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    return FALSE;  // the focus is set
}

INT_PTR CALLBACK textikProc(HWND dlg, UINT message, WPARAM wp, LPARAM lp) {
    TextikState* st = (TextikState*)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        return textikInit(dlg, (TextikState*)lp);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:  // a read-only edit asks for the static colours
        if (!st || GetDlgCtrlID((HWND)lp) != TEXTIK_EDIT)
            return FALSE;
        SetTextColor((HDC)wp, RGB(0, 0, 0));
        SetBkColor((HDC)wp, swapRgb(st->bgColor));
        return (INT_PTR)st->brush;
    case WM_SIZE:
        if (st)
            DlgSize_WM_SIZE(dlg, GetDlgItem(dlg, TEXTIK_EDIT), st->top, (int)wp, lp);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        if (st && id >= TEXTIK_BUTTON && id < TEXTIK_BUTTON + TEXTIK_BUTTONS &&
            HIWORD(wp) == BN_CLICKED) {
            if (st->callback)
                st->callback(dlg, id - TEXTIK_BUTTON);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowDlgTextik(HWND parent, char const* text, char const* title, bool wrap, bool readOnly,
                      long bgColor, TEXTIKPROC callback, char const* b0, short w0, char const* b1,
                      short w1, char const* b2, short w2, char const* b3, short w3,
                      char const* b4, short w4) {
    TextikState st;
    st.text = text;
    st.title = title;
    st.wrap = wrap;
    st.readOnly = readOnly;
    st.bgColor = bgColor;
    st.callback = callback;
    st.parent = parent;
    char const* texts[TEXTIK_BUTTONS] = {b0, b1, b2, b3, b4};
    short widths[TEXTIK_BUTTONS] = {w0, w1, w2, w3, w4};
    for (int i = 0; i < TEXTIK_BUTTONS; i++) {
        st.buttonText[i] = texts[i];
        st.buttonWidth[i] = widths[i];
    }
    st.brush = CreateSolidBrush(swapRgb(bgColor));
    st.top = 0;
    INT_PTR result = DialogBoxParamA(coreInstance(), "DLG_Empty", parent, textikProc, (LPARAM)&st);
    if (st.brush)
        DeleteObject(st.brush);
    return result;
}

/* ---- common dialogs ---- */

namespace {

/* text (n bytes, or up to its zero when n < 0) in UTF-16 by the ANSI code page. */
std::wstring wide(char const* text, int n = -1) {
    if (!text)
        return std::wstring();
    if (n < 0)
        n = (int)strlen(text);
    std::wstring w(n, L'\0');
    int got = n ? MultiByteToWideChar(CP_ACP, 0, text, n, &w[0], n) : 0;
    w.resize(got > 0 ? got : 0);
    return w;
}

/* The filter's pairs of texts, each ending in a zero, the list in one more. */
std::wstring wideFilter(char const* filter) {
    char const* end = filter;
    while (*end)
        end += strlen(end) + 1;
    return wide(filter, (int)(end - filter)) + L'\0';
}

}  // namespace

bool getFilename(HWND owner, char* out, char mode, char const* filter, short filterIndex,
                 char const* defExt, char const* title, char const* initialDir) {
    if (!out || (mode != 'o' && mode != 's'))
        return false;
    // The wide dialog: the ANSI one hands back a look-alike for a letter the code page does
    // not have ("n" for an n with a tilde), which may name another file.
    WCHAR path[MAX_PATH];
    path[0] = 0;
    std::wstring wFilter = wideFilter(hasText(filter) ? filter : "All files (*.*)\0*.*\0");
    std::wstring wDir = wide(initialDir), wExt = wide(defExt);
    std::wstring wTitle = wide(hasText(title) ? title : mode == 'o' ? "Open" : "Save");
    OPENFILENAMEW ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = wFilter.c_str();
    ofn.nFilterIndex = filterIndex < 1 ? 1 : filterIndex;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = hasText(initialDir) ? wDir.c_str() : 0;
    ofn.lpstrDefExt = hasText(defExt) ? wExt.c_str() : 0;
    ofn.lpstrTitle = wTitle.c_str();
    typedef BOOL(WINAPI * FileDialog)(OPENFILENAMEW*);
    FileDialog dialog = vorLate<FileDialog>("comdlg32.dll",
                                            mode == 'o' ? "GetOpenFileNameW" : "GetSaveFileNameW");
    if (!dialog)
        return false;
    if (mode == 'o')
        ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    else
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!dialog(&ofn))
        return false;
    path[MAX_PATH - 1] = 0;
    char name[MAX_PATH];
    if (!ansiExact(path, -1, name, sizeof name)) {
        bool exact = ansiExact(path, -1, 0, 0);
        vorMessageBox(owner,
                      exact ? "The file name is too long."
                                   : "The file name holds letters that Lumbra's code page does "
                                     "not have.\r\n\r\nPlease choose or rename the file.",
                      hasText(title) ? title : mode == 'o' ? "Open" : "Save", MB_OK | MB_ICONSTOP);
        return false;
    }
    strcpy(out, name);
    return true;
}

bool ansiExact(WCHAR const* w, int n, char* out, int size) {
    if (!w)
        return false;
    if (n < 0)
        n = lstrlenW(w) + 1;  // with its zero
    std::string a(out ? 0 : 4 * (size_t)n + 4, '\0');
    char* to = out ? out : &a[0];
    int room = out ? size : (int)a.size();
    BOOL lost = FALSE;
    int got = n ? WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, n, to, room, 0, &lost) : 0;
    return (got > 0 || n == 0) && !lost;
}

namespace {

/* The caron, ogonek and double acute that Wine's shaping faults on, and the look-alikes
   outside the code page it lays out safely (where a line wraps too). */
WCHAR const kLookAlikes[3][2] = {{0x02C7, 0x02C5}, {0x02DB, 0xFE50}, {0x02DD, 0x2033}};

/* Each accent of w to its look-alike, or back. */
void swapLookAlikes(std::wstring& w, bool back) {
    for (WCHAR& c : w)
        for (auto const& pair : kLookAlikes)
            if (c == pair[back ? 1 : 0]) {
                c = pair[back ? 0 : 1];
                break;
            }
}

}  // namespace

void vorShowText(HWND edit, char const* text, bool replaceSel) {
    if (!text)
        text = "";
    int n = (int)strlen(text);
    std::wstring w((size_t)(n ? MultiByteToWideChar(CP_ACP, 0, text, n, 0, 0) : 0), L'\0');
    if (!w.empty())
        MultiByteToWideChar(CP_ACP, 0, text, n, &w[0], (int)w.size());
    swapLookAlikes(w, false);
    if (replaceSel)
        SendMessageW(edit, EM_REPLACESEL, FALSE, (LPARAM)w.c_str());
    else
        SetWindowTextW(edit, w.c_str());
}

std::string vorAnsiText(std::wstring const& w) {
    int k = w.empty() ? 0 : WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), 0, 0, 0, 0);
    std::string a((size_t)(k > 0 ? k : 0), '\0');
    if (k > 0)
        WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), &a[0], k, 0, 0);
    return a;
}

std::string vorShownText(HWND edit) {
    int n = GetWindowTextLengthW(edit);
    std::wstring w((size_t)n + 1, L'\0');
    w.resize((size_t)GetWindowTextW(edit, &w[0], n + 1));
    swapLookAlikes(w, true);
    return vorAnsiText(w);
}

long chooseColor(HWND owner, long rgb) {
    static COLORREF custom[16];
    for (int i = 0; i < 16; i++)
        custom[i] = RGB(255, 255, 255);
    CHOOSECOLORA cc;
    memset(&cc, 0, sizeof cc);
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = swapRgb(rgb);
    cc.lpCustColors = custom;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT;
    auto choose = vorLate<BOOL(WINAPI*)(CHOOSECOLORA*)>("comdlg32.dll", "ChooseColorA");
    if (!choose || !choose(&cc))
        return -1;
    return (long)swapRgb((long)cc.rgbResult);
}

/* ---- shell and clipboard ---- */

FARPROC vorLateProc(char const* dll, char const* name) {
    char path[MAX_PATH + 32];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || strlen(dll) > 30)
        return 0;
    snprintf(path + n, sizeof path - n, "\\%s", dll);
    HMODULE m = GetModuleHandleA(path);
    if (!m)
        m = LoadLibraryA(path);  // kept loaded: the process uses it again
    return m ? GetProcAddress(m, name) : 0;
}

bool shellexec(char const* file, HWND owner, bool maximized) {
    int show = maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    INT_PTR rc = 0;  // an empty name counts as not found; the shell would open a folder
    auto shellExecute = vorLate<HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)>(
        "shell32.dll", "ShellExecuteA");
    if (hasText(file) && shellExecute)
        rc = (INT_PTR)shellExecute(owner, 0, file, 0, 0, show);
    if (rc > 32)
        return true;
    if (rc == SE_ERR_NOASSOC) {
        if (vorMessageBox(owner,
                          "There is no application\nassociated with the given\nfile name "
                          "extension.\n\nDo you want to view the file\nin notepad.exe?",
                          "Open", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        size_t len = strlen(file) + 16;
        char* command = (char*)mallox((int)len);
        if (command) {
            snprintf(command, len, "notepad.exe %s", file);
            STARTUPINFOA si;
            memset(&si, 0, sizeof si);
            si.cb = sizeof si;
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = (WORD)show;
            PROCESS_INFORMATION pi;
            BOOL started = CreateProcessA(0, command, 0, 0, FALSE, 0, 0, 0, &si, &pi);
            freex(command);
            if (started) {
                CloseHandle(pi.hThread);
                CloseHandle(pi.hProcess);
                return true;
            }
        }
    }
    vorMessageBox(owner, "File not found", "Open", MB_OK | MB_ICONSTOP);
    return false;
}

bool str2clip(char const* text) {
    if (!text)
        return false;
    /* With no owner window EmptyClipboard leaves the clipboard ownerless and
       SetClipboardData fails, so a hidden window owns it for the call. */
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, coreInstance(), 0);
    if (!owner)
        return false;
    bool opened = false;
    // Another program may hold the clipboard for a while: up to a second.
    for (int attempt = 0; attempt < 50 && !opened; attempt++) {
        opened = OpenClipboard(owner) != 0;
        if (!opened)
            Sleep(20);
    }
    bool done = false;
    if (opened) {
        size_t len = strlen(text);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, len + 1);
        char* p = block ? (char*)GlobalLock(block) : 0;
        if (p) {
            memcpy(p, text, len + 1);
            GlobalUnlock(block);
            if (EmptyClipboard() && SetClipboardData(CF_TEXT, block))
                done = true;
        }
        if (!done && block)
            GlobalFree(block);
        // The system would make the Unicode form with the keyboard layout's code page, which
        // need not be the one the text is in: national letters would change on paste.
        int wide = done ? MultiByteToWideChar(CP_ACP, 0, text, (int)len + 1, 0, 0) : 0;
        HGLOBAL wblock = wide > 0 ? GlobalAlloc(GMEM_MOVEABLE, wide * sizeof(WCHAR)) : 0;
        WCHAR* w = wblock ? (WCHAR*)GlobalLock(wblock) : 0;
        if (w) {
            MultiByteToWideChar(CP_ACP, 0, text, (int)len + 1, w, wide);
            GlobalUnlock(wblock);
        }
        if (!w || !SetClipboardData(CF_UNICODETEXT, wblock)) {
            if (wblock)
                GlobalFree(wblock);
            done = false;
        }
        CloseClipboard();
    }
    DestroyWindow(owner);
    return done;
}

void msg(char const* format, ...) {
    if (!format)
        format = "";
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int len = vsnprintf(0, 0, format, args);
    va_end(args);
    char* text = len >= 0 ? (char*)mallox(len + 1) : 0;
    if (text)
        vsnprintf(text, (size_t)len + 1, format, again);
    va_end(again);
    vorMessageBox(GetActiveWindow(), text ? text : format, "Message Box", MB_OK);
    freex(text);
}

void pip() {
    MessageBeep(MB_OK);
}

/* ---- small window helpers ---- */

bool isControl() {
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

bool isShift() {
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

void showWindow(HWND w, bool show) {
    SetWindowPos(w, 0, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void hideWindow(HWND w) {
    showWindow(w, false);
}

LRESULT sendWM_COMMAND(HWND target, HWND control, unsigned short id, unsigned notify) {
    return SendMessageA(target, WM_COMMAND, MAKEWPARAM(id, notify), (LPARAM)control);
}

ATOM registerClassIcons(WNDCLASSA const& wc, HINSTANCE iconModule, LPCSTR iconName) {
    WNDCLASSEXA x;
    memset(&x, 0, sizeof x);
    x.cbSize = sizeof x;
    x.style = wc.style;
    x.lpfnWndProc = wc.lpfnWndProc;
    x.cbClsExtra = wc.cbClsExtra;
    x.cbWndExtra = wc.cbWndExtra;
    x.hInstance = wc.hInstance;
    x.hIcon = wc.hIcon;
    x.hCursor = wc.hCursor;
    x.hbrBackground = wc.hbrBackground;
    x.lpszMenuName = wc.lpszMenuName;
    x.lpszClassName = wc.lpszClassName;
    // Shared: the class keeps it for the life of the process.
    x.hIconSm = (HICON)LoadImageA(iconModule, iconName, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    return RegisterClassExA(&x);
}

bool isTrueColor() {
    HDC dc = GetDC(0);
    if (!dc)
        return false;
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(0, dc);
    return bits > 8;
}

namespace {

/* Blits the whole of bmp to (x, y) with the raster operation rop. */
void blitBitmap(HDC dc, HBITMAP bmp, int x, int y, DWORD rop, int w, int h) {
    HDC mem = CreateCompatibleDC(dc);
    if (!mem)
        return;
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(dc, x, y, w, h, mem, 0, 0, rop);
    SelectObject(mem, old);
    DeleteDC(mem);
}

bool bitmapSize(HBITMAP bmp, int* w, int* h) {
    BITMAP info;
    if (!bmp || !GetObjectA(bmp, sizeof info, &info))
        return false;
    *w = info.bmWidth;
    *h = info.bmHeight;
    return true;
}

}  // namespace

void drawBmp(HDC dc, HBITMAP bmp, int x, int y) {
    int w, h;
    if (bitmapSize(bmp, &w, &h))
        blitBitmap(dc, bmp, x, y, SRCCOPY, w, h);
}

void DrawBmpMask(HDC dc, int x, int y, HBITMAP bmp, HBITMAP mask) {
    int w, h;
    if (!bitmapSize(bmp, &w, &h))
        return;
    if (!mask) {
        blitBitmap(dc, bmp, x, y, SRCCOPY, w, h);
        return;
    }
    blitBitmap(dc, mask, x, y, SRCPAINT, w, h);
    blitBitmap(dc, bmp, x, y, SRCAND, w, h);
}
