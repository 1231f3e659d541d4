/* Status bar window. */
#include "statux.h"

#include <cstdlib>

#include "strx.h"
#include "wbcolor.h"

namespace {

char const* const kClass = "cStatux";

}  // namespace

cStatux::cStatux(HWND parentWnd, HINSTANCE inst) : bar(0), parent(parentWnd), barHeight(18), used(0) {
    for (Field& f : fields) {
        f.text = strdux((void*)"");
        f.gap = 0;
        f.colour = -1;
    }
    WNDCLASSA wc = {};
    if (!GetClassInfoA(inst, kClass, &wc)) {
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "MS Sans Serif");
    HDC dc = GetDC(0);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    if (GetTextMetricsA(dc, &tm))
        barHeight = tm.tmHeight + 5;
    SelectObject(dc, old);
    ReleaseDC(0, dc);
    bar = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 10,
                          barHeight, parent, 0, inst, this);
    layout();
}

cStatux::~cStatux() {
    for (Field& f : fields)
        freex(f.text);
    if (font)
        DeleteObject(font);
}

void cStatux::setText(int i, char const* s) {
    if (i < 0 || i >= STATUX_FIELDS)
        return;
    Field& f = fields[i];
    strfrdux(&f.text, (void*)(s ? s : ""));
    f.gap = 0;
    if (i >= used)
        used = i + 1;
    if (f.text[0] == '~' && f.text[1] == '~') {
        int n = atoi(f.text + 2);
        f.gap = n < 1 ? 1 : n > 1000 ? 1000 : n;
    }
    if (bar)
        InvalidateRect(bar, 0, TRUE);
}

void cStatux::setColor(int i, long colour, bool redraw) {
    if (i < 0 || i >= STATUX_FIELDS)
        return;
    fields[i].colour = colour;
    if (redraw && bar)
        InvalidateRect(bar, 0, TRUE);
}

char const* cStatux::text(int i) const {
    return i >= 0 && i < STATUX_FIELDS ? fields[i].text : "";
}

long cStatux::color(int i) const {
    return i >= 0 && i < STATUX_FIELDS ? fields[i].colour : -1;
}

void cStatux::layout() {
    if (!bar || !parent)
        return;
    RECT rc;
    GetClientRect(parent, &rc);
    MoveWindow(bar, 0, rc.bottom - barHeight, rc.right, barHeight, TRUE);
}

int cStatux::fieldAt(int px) const {
    if (!bar)
        return -1;
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, font);
    int x = 2, found = -1;
    for (int i = 0; i < used && found < 0; i++) {
        Field const& f = fields[i];
        if (f.gap) {
            x += f.gap;
            continue;
        }
        SIZE sz;
        GetTextExtentPoint32A(dc, f.text, lstrlenA(f.text), &sz);
        int right = x + (sz.cx < 10 ? 10 : sz.cx) + 6;
        if (px >= x && px < right)
            found = i;
        x = right;
    }
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
    return found;
}

LRESULT cStatux::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    paint(dc);
    EndPaint(bar, &ps);
    return 0;
}

void cStatux::paint(HDC dc) {
    RECT rc;
    GetClientRect(bar, &rc);
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    HGDIOBJ oldPen = SelectObject(dc, white);
    HGDIOBJ oldFont = SelectObject(dc, font);
    MoveToEx(dc, 0, 0, 0);
    LineTo(dc, rc.right, 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    int x = 2;
    for (int i = 0; i < used; i++) {
        Field const& f = fields[i];
        if (f.gap) {
            x += f.gap;
            continue;
        }
        SIZE sz;
        int len = lstrlenA(f.text);
        GetTextExtentPoint32A(dc, f.text, len, &sz);
        int tw = sz.cx < 10 ? 10 : sz.cx;
        RECT box = {x, 3, x + tw + 6, rc.bottom};
        if (f.colour != -1) {
            HBRUSH b = CreateSolidBrush(toColorref(f.colour));
            FillRect(dc, &box, b);
            DeleteObject(b);
        }
        SelectObject(dc, grey);
        MoveToEx(dc, box.left, box.bottom - 1, 0);
        LineTo(dc, box.left, box.top);
        LineTo(dc, box.right - 1, box.top);
        SelectObject(dc, white);
        MoveToEx(dc, box.right - 1, box.top, 0);
        LineTo(dc, box.right - 1, box.bottom);
        RECT tr = {box.left + 3, box.top, box.right - 3, box.bottom};
        DrawTextA(dc, f.text, len, &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        x = box.right;
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    DeleteObject(white);
    DeleteObject(grey);
}

LRESULT CALLBACK cStatux::proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        cStatux* self = (cStatux*)((CREATESTRUCTA*)lp)->lpCreateParams;
        self->bar = w;
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)self);
    }
    cStatux* self = (cStatux*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (!self)
        return DefWindowProcA(w, m, wp, lp);
    switch (m) {
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
