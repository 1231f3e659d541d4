/* The grid window: class registration, message dispatch, size, focus and scrolling,
   and the state all grids of the process share. */
#include "taxint.h"
#include "winutil.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE taxCoreInstance() {
    return (HINSTANCE)&__ImageBase;
}

/* ---- process-wide state ---- */

const taxScheme taxSchemes[TAX_SCHEMES] = {
    {"Blue-Yellow", 0xC0E0F0, 0xFFF8D8},
    {"Green-Yellow", 0xD0F0E0, 0xFFF8D8},
    {"White-Gray", 0xFFFFFF, 0xE0E0E0},
    {"White-Blue", 0xFFFFFF, 0xC0E0F0},
    {"White-Rose", 0xFFFFFF, 0xFFE0E0},
};

namespace {
int iconUsers = 0;                 // grids holding the icons
HICON icons[TAXICO_COUNT] = {0};   // ICO_CBON, ICO_CBOFF, ICO_CBONRO, ICO_CBOFFRO
short colorScheme = -1;            // -1 until read from the profile
TAXMENUHOOK menuHook = 0;
}  // namespace

void taxIconsAcquire() {
    if (iconUsers++ > 0)
        return;
    static char const* const names[TAXICO_COUNT] = {"ICO_CBON", "ICO_CBOFF", "ICO_CBONRO",
                                                    "ICO_CBOFFRO"};
    for (int i = 0; i < TAXICO_COUNT; i++)
        icons[i] = (HICON)LoadImageA(taxCoreInstance(), names[i], IMAGE_ICON, 16, 16, 0);
}

void taxIconsRelease() {
    if (iconUsers <= 0 || --iconUsers > 0)
        return;
    for (int i = 0; i < TAXICO_COUNT; i++) {
        if (icons[i])
            DestroyIcon(icons[i]);
        icons[i] = 0;
    }
}

HICON taxIcon(int which) {
    return (which >= 0 && which < TAXICO_COUNT) ? icons[which] : 0;
}

short taxColorScheme() {
    if (colorScheme < 0) {
        int s = GetProfileIntA("VOR", "Rerovar_indexPreColor", 0);
        colorScheme = (short)((s >= 0 && s < TAX_SCHEMES) ? s : 0);
    }
    return colorScheme;
}

void taxSetColorScheme(short scheme) {
    if (scheme < 0 || scheme >= TAX_SCHEMES)
        return;
    colorScheme = scheme;
    char buf[16];
    wsprintfA(buf, "%d", (int)scheme);
    WriteProfileStringA("VOR", "Rerovar_indexPreColor", buf);
}

TAXMENUHOOK cRerovar::setMenuHook(TAXMENUHOOK hook) {
    TAXMENUHOOK old = menuHook;
    menuHook = hook;
    return old;
}

/* Shows one of the popup menus at screen point (sx, sy), or hands it to the hook. */
void cRerovar::openMenu(short which, short c, int sx, int sy) {
    cFloxMenu* m = which == TAXMENU_GRID ? menuGrid : (which == TAXMENU_HEADER ? menuHeader : menuQbe);
    if (!m || !m->menu)
        return;
    if (which != TAXMENU_GRID)
        menuCol = c;
    prepareMenu(which);
    if (menuHook) {
        int cmd = menuHook(this, which, m->menu, sx, sy);
        if (cmd > 0)
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM((unsigned short)cmd, 0), 0);
        return;
    }
    m->fmTrack(hwnd, (short)sx, (short)sy);
}

/* ---- registration and dispatch ---- */

bool cRerovar::registerMe(HINSTANCE inst) {
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = wndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = inst;
    wc.hIcon = LoadIcon(0, IDI_APPLICATION);
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    wc.lpszClassName = "cRerovar";
    bool ok = registerClassIcons(wc, 0, (LPCSTR)IDI_APPLICATION) != 0;

    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = cAutoform::wndProc;
    wc.cbWndExtra = 0;
    wc.lpszClassName = "cAutoform";
    bool ok2 = registerClassIcons(wc, 0, (LPCSTR)IDI_APPLICATION) != 0;
    return ok && ok2;
}

LRESULT CALLBACK cRerovar::wndProc(HWND wnd, UINT m, WPARAM wp, LPARAM lp) {
    cRerovar* g = (cRerovar*)GetWindowLongPtrA(wnd, 0);
    if (!g)
        return DefWindowProcA(wnd, m, wp, lp);
    if (m == WM_DESTROY) {
        SetWindowLongPtrA(wnd, 0, 0);
        g->hwnd = 0;
        delete g;
        return 0;
    }
    return g->dispatch(m, wp, lp);
}

LRESULT cRerovar::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_SIZE: onSize(wp, lp); return 0;
    case WM_NCPAINT: frameDue = false; break;
    case WM_SHOWWINDOW:
        // Shown or hidden by another's ShowWindow (a pane splitter): the visible flag follows
        // the window, or repaints would be dropped. show() and hide() set the flag first.
        if (lp == 0 && created && (wp != 0) != visible) {
            edit_close();
            if (wp)
                for (short i = 0; i < colCount; i++)
                    setColWidthAt(i, (flg & TAX_AUTOWIDTH) ? -1 : -2);
            visible = wp != 0;
            frameDue = false;
            if (visible) {
                updateScroll();
                repaint();
            }
        }
        break;
    case WM_SETFOCUS: hasFocus = true; repaint(); return 0;
    case WM_KILLFOCUS: hasFocus = false; repaint(); return 0;
    case WM_PAINT: onPaint(); return 0;
    case WM_PRINTCLIENT: paintAll((HDC)wp); return 0;
    case WM_ERASEBKGND: return 1;  // painting covers the whole client area
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: onKeyDown((int)wp); return 0;
    case WM_CHAR: onChar((int)wp); return 0;
    case WM_COMMAND: onCommand(wp, lp); return 0;
    case WM_VSCROLL: onVScroll(wp); return 0;
    case WM_HSCROLL: onHScroll(wp); return 0;
    case WM_LBUTTONDOWN: onLButtonDown(wp, (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    case WM_LBUTTONDBLCLK: onLButtonDblClk(wp, (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    case WM_RBUTTONDOWN: onRButtonDown(wp, (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    }
    return DefWindowProcA(hwnd, m, wp, lp);
}

void cRerovar::onSize(WPARAM type, LPARAM size) {
    if (type != SIZE_RESTORED && type != SIZE_MAXIMIZED)
        return;
    edit_close();
    clientW = (short)LOWORD(size);
    clientH = (short)HIWORD(size);
    RECT r;
    if (hwndParent && GetRelWinRect(hwnd, hwndParent, &r)) {
        x = (short)r.left;
        y = (short)r.top;
        w = (short)(r.right - r.left);
        h = (short)(r.bottom - r.top);
    }
    computePage();
    clampView();
    updateScroll();
    repaint();
}

/* ---- scrolling ---- */

/* Sets a scroll bar only where it differs; the bar is redrawn with the next paint, since an
   immediate redraw costs more than most grid operations. */
static bool setBar(HWND w, int bar, int last, int pos) {
    SCROLLINFO si;
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    if (GetScrollInfo(w, bar, &si) && si.nMin == 0 && si.nMax == last && si.nPos == pos)
        return false;
    si.fMask = SIF_RANGE | SIF_POS;
    si.nMin = 0;
    si.nMax = last;
    si.nPos = pos;
    SetScrollInfo(w, bar, &si, FALSE);
    return true;
}

void cRerovar::updateScroll() {
    if (!created || !hwnd || bulkLoad)
        return;
    bool v = setBar(hwnd, SB_VERT, maxTopRow(), topRow);
    bool hz = setBar(hwnd, SB_HORZ, colCount > 0 ? colCount - 1 : 0, firstCol);
    if ((v || hz) && !frameDue && IsWindowVisible(hwnd)) {
        frameDue = true;
        RedrawWindow(hwnd, 0, 0, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
    }
}

void cRerovar::onVScroll(WPARAM wp) {
    edit_close();
    int t = topRow, last = maxTopRow();
    switch (LOWORD(wp)) {
    case SB_LINEUP: t--; break;
    case SB_LINEDOWN: t++; break;
    case SB_PAGEUP: t -= pageRows; break;
    case SB_PAGEDOWN: t += pageRows; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: t = HIWORD(wp); break;
    default: return;
    }
    if (t > last)
        t = last;
    if (t < 0)
        t = 0;
    if (t == topRow)
        return;
    topRow = (short)t;
    updateScroll();
    repaint();
}

void cRerovar::onHScroll(WPARAM wp) {
    edit_close();
    int f = firstCol, last = colCount > 0 ? colCount - 1 : 0;
    switch (LOWORD(wp)) {
    case SB_LINELEFT: f--; break;
    case SB_LINERIGHT: f++; break;
    case SB_PAGELEFT: f -= 3; break;
    case SB_PAGERIGHT: f += 3; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: f = HIWORD(wp); break;
    default: return;
    }
    if (f > last)
        f = last;
    if (f < 0)
        f = 0;
    if (f == firstCol)
        return;
    firstCol = (short)f;
    updateScroll();
    repaint();
}

int cRerovar::colLeft(short c) {
    if (c < firstCol || c >= colCount)
        return -1;
    int px = 0;
    for (short i = firstCol; i < c; i++)
        px += cols[i]->width;
    return px;
}

/* The column whose inside holds px; a column's left edge belongs to none. */
short cRerovar::colAt(int px, int* left) {
    int edge = 0;
    for (short c = firstCol; c < colCount; c++) {
        int right = edge + cols[c]->width;
        if (px > edge && px < right) {
            if (left)
                *left = edge;
            return c;
        }
        if (px <= edge)
            break;
        edge = right;
    }
    return -1;
}

void cRerovar::colIntoView(short c) {
    if (c < 0 || c >= colCount)
        return;
    short before = firstCol;
    if (c < firstCol) {
        firstCol = c;
    } else {
        while (firstCol < c) {
            int span = 0;
            for (short i = firstCol; i <= c; i++)
                span += cols[i]->width;
            if (span <= clientW)
                break;
            firstCol++;
        }
    }
    if (firstCol != before)
        updateScroll();
}

void cRerovar::repaint() {
    if (created && visible && hwnd)
        InvalidateRect(hwnd, 0, FALSE);
}

void cRerovar::repaintHeader() {
    if (!created || !visible || !hwnd)
        return;
    RECT r = {0, 0, clientW, headerHeight + qbeHeight};
    InvalidateRect(hwnd, &r, FALSE);
}

/* ---- the application's message loop ---- */

bool cRerovar::wantMessage(MSG msg, HWND active) {
    if (msg.message != WM_KEYDOWN)
        return false;
    if ((msg.wParam == VK_TAB || msg.wParam == VK_ESCAPE) && CurEditTax)
        return CurEditTax->wantKey((int)msg.wParam);
    if (msg.wParam == 'F' && (GetKeyState(VK_CONTROL) & 0x8000) && active) {
        cAutoform* f = cAutoform::hwnd2ptr(active);
        if (f) {
            f->control_F();
            return true;
        }
    }
    return false;
}
