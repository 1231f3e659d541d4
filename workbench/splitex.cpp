/* Pane splitter bar. */
#include "splitex.h"

#include <windowsx.h>

namespace {

char const* const kClass = "cSplitex";
int g_liveSplitters = 0;  // live objects; the first one registers the class

}  // namespace

cSplitex::cSplitex(HWND parentWnd, short topReserve, short bottomReserve, double r, HWND u1,
                   HWND u2, HWND u3, HWND l1, HWND l2, HWND l3, short minU, short minL,
                   HBITMAP bmp, int f)
    : bar(0), parent(parentWnd), upperCount(1), lowerCount(1), upperShown(0), lowerShown(0),
      top(topReserve), bottom(bottomReserve), ratio(r), minUpper(minU), minLower(minL),
      bitmap(bmp), bmpW(0), bmpH(0), flags(f), x(0), y(0), width(0), height(8),
      dragging(false), dragStartY(0) {
    upper[0] = u1;
    upper[1] = u2;
    upper[2] = u3;
    lower[0] = l1;
    lower[1] = l2;
    lower[2] = l3;
    upperCount = (short)(1 + (u2 ? 1 : 0) + (u3 ? 1 : 0));
    lowerCount = (short)(1 + (l2 ? 1 : 0) + (l3 ? 1 : 0));
    BITMAP bm;
    if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
        bmpW = bm.bmWidth;
        bmpH = bm.bmHeight;
        height = (short)bmpH;
    }
    layout();
    HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(parent, GWLP_HINSTANCE);
    if (g_liveSplitters++ == 0) {
        WNDCLASSA wc = {};
        if (!GetClassInfoA(inst, kClass, &wc)) {
            wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = proc;
            wc.hInstance = inst;
            wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_SIZENS);
            wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
            wc.lpszClassName = kClass;
            RegisterClassA(&wc);
        }
    }
    CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width,
                    height, parent, 0, inst, this);
    if (bar)
        SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

cSplitex::~cSplitex() { g_liveSplitters--; }

int cSplitex::available() const {
    RECT rc;
    GetClientRect(parent, &rc);
    return rc.bottom - top - bottom;
}

int cSplitex::windowTop(HWND w) const {
    RECT r;
    if (!w || !GetWindowRect(w, &r))
        return top;
    POINT p = {r.left, r.top};
    ScreenToClient(parent, &p);
    return p.y;
}

int cSplitex::windowBottom(HWND w) const {
    RECT r;
    if (!w || !GetWindowRect(w, &r))
        return top;
    POINT p = {r.right, r.bottom};
    ScreenToClient(parent, &p);
    return p.y;
}

void cSplitex::moveAll(HWND* wins, int t, int w, int h) {
    if (h < 0)
        h = 0;
    for (int i = 0; i < 3; i++)
        if (wins[i])
            MoveWindow(wins[i], 0, t, w, h, TRUE);
}

void cSplitex::layout() {
    RECT rc;
    GetClientRect(parent, &rc);
    int W = rc.right, H = rc.bottom;
    int T = windowTop(upper[0]);
    if (flags & SPLITEX_COLLAPSED) {
        moveAll(upper, T, W, H - bottom - T);
        return;
    }
    int A = H - top - bottom;
    x = 0;
    width = W;
    y = top + (int)(A * ratio) - height / 2;
    moveAll(upper, T, W, y - T);
    int B = (flags & SPLITEX_TOBOTTOM) ? H - bottom : windowBottom(lower[0]);
    moveAll(lower, y + height, W, B - (y + height));
    if (bar)
        MoveWindow(bar, x, y, width, height, TRUE);
}

void cSplitex::collapseLower() {
    flags |= SPLITEX_COLLAPSED;
    if (bar)
        ShowWindow(bar, SW_HIDE);
    if (lower[0])
        ShowWindow(lower[0], SW_HIDE);
    RECT rc;
    GetClientRect(parent, &rc);
    int T = windowTop(upper[0]);
    moveAll(upper, T, rc.right, rc.bottom - bottom - T);
}

void cSplitex::setRatio(double r) {
    ratio = r;
    layout();
}

void cSplitex::showBoth(double r) {
    ratio = r;
    flags &= ~SPLITEX_COLLAPSED;
    if (bar)
        ShowWindow(bar, SW_SHOW);
    if (lower[0])
        ShowWindow(lower[0], SW_SHOW);
    layout();
}

bool cSplitex::select(HWND* wins, short count, short* shown, int n, LPARAM note) {
    if (n < 0 || n >= count || !wins[n])
        return false;
    HWND old = wins[*shown];
    ShowWindow(wins[n], SW_SHOW);
    SetFocus(wins[n]);
    if (old && old != wins[n])
        ShowWindow(old, SW_HIDE);
    *shown = (short)n;
    SendMessageA(parent, WM_SPLITEX_SELECTED, (WPARAM)this, note);
    return true;
}

bool cSplitex::selectUpper(int n) { return select(upper, upperCount, &upperShown, n, n); }

bool cSplitex::selectLower(int n) {
    return select(lower, lowerCount, &lowerShown, n, n | 0x10000);
}

void cSplitex::moveBar(int newY) {
    y = newY;
    int A = available();
    if (A > 0)
        ratio = (double)(y - top + height / 2) / A;
    if (bar)
        SetWindowPos(bar, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void cSplitex::dragTo(int mouseY, bool force) {
    int newY = y + (mouseY - dragStartY);
    int hi = windowBottom(lower[0]) - minLower - height;
    int lo = windowTop(upper[0]) + minUpper;
    if (newY > hi)
        newY = hi;
    if (newY < lo)
        newY = lo;
    if (newY == y && !force)
        return;
    moveBar(newY);
}

void cSplitex::resizePanes() {
    RECT rc;
    GetClientRect(parent, &rc);
    int T = windowTop(upper[0]);
    int B = windowBottom(lower[0]);
    moveAll(upper, T, rc.right, y - T);
    moveAll(lower, y + height, rc.right, B - (y + height));
}

LRESULT cSplitex::onLButtonDown(int mouseY) {
    SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    dragStartY = mouseY;
    dragging = true;
    SetCapture(bar);
    return 0;
}

LRESULT cSplitex::onMouseMove(int mouseY) {
    if (dragging)
        dragTo(mouseY, false);
    return 0;
}

LRESULT cSplitex::onLButtonUp(int mouseY) {
    if (!dragging)
        return 0;
    dragTo(mouseY, true);
    resizePanes();
    dragging = false;
    if (GetCapture() == bar)
        ReleaseCapture();
    return 0;
}

LRESULT cSplitex::onDoubleClick() {
    if (!(flags & SPLITEX_DBLCLICK))
        return 0;
    collapseLower();
    SendMessageA(parent, WM_SPLITEX_COLLAPSED, (WPARAM)this, 0);
    return 0;
}

LRESULT cSplitex::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    paint(dc);
    EndPaint(bar, &ps);
    return 0;
}

void cSplitex::paint(HDC dc) {
    RECT rc;
    GetClientRect(bar, &rc);
    if (bitmap && bmpW > 0) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap);
        int copies = rc.right / bmpW + 2;
        for (int i = 0; i < copies; i++)
            BitBlt(dc, -bmpW + i * bmpW, 0, bmpW, bmpH, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
        HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
        HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
        HGDIOBJ oldPen = SelectObject(dc, black);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
        Rectangle(dc, 0, 0, rc.right, rc.bottom);
        SelectObject(dc, white);
        MoveToEx(dc, 1, rc.bottom - 2, 0);
        LineTo(dc, 1, 1);
        LineTo(dc, rc.right - 1, 1);
        SelectObject(dc, grey);
        MoveToEx(dc, 1, rc.bottom - 2, 0);
        LineTo(dc, rc.right - 2, rc.bottom - 2);
        LineTo(dc, rc.right - 2, 0);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(black);
        DeleteObject(white);
        DeleteObject(grey);
    }
}

LRESULT CALLBACK cSplitex::proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        cSplitex* self = (cSplitex*)((CREATESTRUCTA*)lp)->lpCreateParams;
        self->bar = w;
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)self);
    }
    cSplitex* self = (cSplitex*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (!self)
        return DefWindowProcA(w, m, wp, lp);
    switch (m) {
    case WM_LBUTTONDOWN:
        return self->onLButtonDown(GET_Y_LPARAM(lp));
    case WM_MOUSEMOVE:
        return self->onMouseMove(GET_Y_LPARAM(lp));
    case WM_LBUTTONUP:
        return self->onLButtonUp(GET_Y_LPARAM(lp));
    case WM_LBUTTONDBLCLK:
        return self->onDoubleClick();
    case WM_CAPTURECHANGED:
        if (self->dragging && (HWND)lp != w) {
            self->resizePanes();
            self->dragging = false;
        }
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return 0;
    case WM_PAINT:
        return self->onPaint();
    case WM_PRINTCLIENT:
        self->paint((HDC)wp);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        self->bar = 0;
        delete self;
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}
