#include "gridtest.h"

#include <cstdio>
#include <cstring>

LRESULT hdrClickAnswer = 0;
LRESULT sortAnswer = 0;
std::vector<MenuCall> menuCalls;
int menuAnswer = 0;

namespace {

std::vector<Note> log;

LRESULT CALLBACK parentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if ((m >= TAXN_CHECKBOX && m <= TAXN_SORT) || m == WM_COMMAND) {
        log.push_back(Note{m, wp, lp});
        if (m == TAXN_HDRCLICK)
            return hdrClickAnswer;
        if (m == TAXN_SORT)
            return sortAnswer;
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

HWND testParent() {
    static HWND parent = 0;
    if (parent)
        return parent;
    HINSTANCE inst = GetModuleHandleA(0);
    cRerovar::registerMe(inst);
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = parentProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "GridTestParent";
    RegisterClassA(&wc);
    parent = CreateWindowExA(0, "GridTestParent", "grid test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             0, 0, 700, 600, 0, 0, inst, 0);
    ShowWindow(parent, SW_SHOW);
    UpdateWindow(parent);
    return parent;
}

std::vector<Note>& notes() {
    return log;
}

void clearNotes() {
    log.clear();
}

std::vector<Note> notesOf(UINT msg) {
    std::vector<Note> r;
    for (size_t i = 0; i < log.size(); i++) {
        if (log[i].msg == msg)
            r.push_back(log[i]);
    }
    return r;
}

cRerovar* makeGrid(long flags, int cw, int ch, cRerovar* g) {
    HWND parent = testParent();
    if (!g)
        g = new cRerovar();
    if (!g->init(100, parent, 0, 0, (short)cw, (short)ch, flags))
        return g;
    /* Size the window so that the client area is cw x ch. */
    RECT wr, cr;
    GetWindowRect(g->hwnd, &wr);
    GetClientRect(g->hwnd, &cr);
    int fw = (wr.right - wr.left) - cr.right, fh = (wr.bottom - wr.top) - cr.bottom;
    MoveWindow(g->hwnd, 0, 0, cw + fw, ch + fh, TRUE);
    g->show();
    clearNotes();
    return g;
}

void destroyGrid(cRerovar* g) {
    if (g && g->hwnd)
        DestroyWindow(g->hwnd);
    else
        delete g;
    holdKeys(false, false);
    clearNotes();
    menuCalls.clear();
    menuAnswer = 0;
    hdrClickAnswer = 0;
    sortAnswer = 0;
}

void fillBasic(cRerovar* g, int n) {
    g->addCol(1, 80, "name", 2, TAXCOL_QBE | TAXCOL_SORTABLE, -1, -1, "", 0);
    g->addCol(2, 60, "qty", 1, TAXCOL_QBE | TAXCOL_SORTABLE | TAXCOL_RIGHT, -1, -1, "", 0);
    for (int i = 0; i < n; i++) {
        cTaxRow* r = g->addRow(-1);
        char buf[16];
        snprintf(buf, sizeof buf, "r%d", i);
        r->setStr(1, buf, 0, -1, -1);
        r->setNum(2, i, 0, -1, -1);
    }
    pump();
}

void pump() {
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

void holdKeys(bool ctrl, bool shift) {
    BYTE ks[256];
    GetKeyboardState(ks);
    ks[VK_CONTROL] = ks[VK_LCONTROL] = ctrl ? 0x80 : 0;
    ks[VK_SHIFT] = ks[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(ks);
}

void key(cRerovar* g, int vk, bool ctrl, bool shift) {
    holdKeys(ctrl, shift);
    SendMessageA(g->hwnd, WM_KEYDOWN, (WPARAM)vk, 1);
    holdKeys(false, false);
}

void typeChar(cRerovar* g, int ch, bool ctrl) {
    holdKeys(ctrl, false);
    SendMessageA(g->hwnd, WM_CHAR, (WPARAM)(unsigned char)ch, 1);
    holdKeys(false, false);
}

void typeText(cRerovar* g, char const* s) {
    for (; *s; s++)
        typeChar(g, (unsigned char)*s);
}

void click(cRerovar* g, int x, int y, WPARAM mk) {
    SendMessageA(g->hwnd, WM_LBUTTONDOWN, MK_LBUTTON | mk, MAKELPARAM(x, y));
    SendMessageA(g->hwnd, WM_LBUTTONUP, mk, MAKELPARAM(x, y));
}

void dblclick(cRerovar* g, int x, int y, WPARAM mk) {
    SendMessageA(g->hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON | mk, MAKELPARAM(x, y));
    SendMessageA(g->hwnd, WM_LBUTTONUP, mk, MAKELPARAM(x, y));
}

void rclick(cRerovar* g, int x, int y, WPARAM mk) {
    SendMessageA(g->hwnd, WM_RBUTTONDOWN, MK_RBUTTON | mk, MAKELPARAM(x, y));
    SendMessageA(g->hwnd, WM_RBUTTONUP, mk, MAKELPARAM(x, y));
}

int rowY(cRerovar* g, int r) {
    return g->headerHeight + g->qbeHeight + r * g->rowHeight + g->rowHeight / 2;
}

int colX(cRerovar* g, int c) {
    int x = 0;
    for (int i = 0; i < c; i++)
        x += g->cols[i]->width;
    return x + g->cols[c]->width / 2;
}

Shot::Shot(cRerovar* g) : w(g->clientW), h(g->clientH), dc(0), bmp(0), old(0), bits(0) {
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(0);
    void* p = 0;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, 0, 0);
    bits = (DWORD*)p;
    old = SelectObject(dc, bmp);
    if (bits)
        memset(bits, 0x5A, (size_t)w * h * 4);  // a colour the grid never paints
    SendMessageA(g->hwnd, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
    GdiFlush();
}

Shot::~Shot() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

long Shot::at(int x, int y) const {
    if (!bits || x < 0 || y < 0 || x >= w || y >= h)
        return -1;
    return (long)(bits[y * w + x] & 0xFFFFFF);
}

int Shot::count(int l, int t, int r, int b, long c, bool notC) const {
    int n = 0;
    for (int y = t; y < b; y++) {
        for (int x = l; x < r; x++) {
            long p = at(x, y);
            if (p >= 0 && ((p == c) != notC))
                n++;
        }
    }
    return n;
}

int testMenuHook(cRerovar* g, short which, HMENU menu, int x, int y) {
    menuCalls.push_back(MenuCall{which, menu, x, y});
    return menuAnswer;
}

int menuState(HMENU m, UINT cmd) {
    UINT s = GetMenuState(m, cmd, MF_BYCOMMAND);
    return s == (UINT)-1 ? -1 : (int)s;
}

std::vector<char> menuText(HMENU m, UINT cmd) {
    std::vector<char> buf(128, 0);
    GetMenuStringA(m, cmd, buf.data(), (int)buf.size(), MF_BYCOMMAND);
    return buf;
}
