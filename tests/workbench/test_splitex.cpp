/* cSplitex: layout, dragging with its limits, pane selection, collapse and painting. */
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "splitex.h"
#include "wbtest.h"

namespace {

struct Note {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
std::vector<Note> g_notes;

LRESULT CALLBACK recordingParent(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_SPLITEX_SELECTED || m == WM_SPLITEX_COLLAPSED) {
        g_notes.push_back({m, wp, lp});
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

class SplitexTest : public ::testing::Test {
protected:
    HWND parent = 0;
    HWND up[3] = {};
    HWND low[3] = {};
    int W = 0, H = 0;

    void SetUp() override {
        WNDCLASSA wc = {};
        if (!GetClassInfoA(GetModuleHandleA(0), "SplitexParent", &wc)) {
            wc.lpfnWndProc = recordingParent;
            wc.hInstance = GetModuleHandleA(0);
            wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
            wc.lpszClassName = "SplitexParent";
            RegisterClassA(&wc);
        }
        parent = CreateWindowExA(0, "SplitexParent", "splitter test",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 500, 420, 0, 0,
                                 GetModuleHandleA(0), 0);
        RECT rc;
        GetClientRect(parent, &rc);
        W = rc.right;
        H = rc.bottom;
        for (int i = 0; i < 3; i++) {
            up[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | (i ? 0 : WS_VISIBLE), 0, 26, 50,
                                    50, parent, 0, GetModuleHandleA(0), 0);
            low[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | (i ? 0 : WS_VISIBLE), 0, 200,
                                     50, 50, parent, 0, GetModuleHandleA(0), 0);
        }
        g_notes.clear();
    }
    void TearDown() override { DestroyWindow(parent); }

    RECT rectOf(HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(0, parent, (POINT*)&r, 2);
        return r;
    }
    cSplitex* make(double ratio, int flags, HBITMAP bmp = 0) {
        return new cSplitex(parent, 26, 18, ratio, up[0], up[1], up[2], low[0], low[1], low[2],
                            50, 60, bmp, flags);
    }
    void drag(cSplitex* s, int fromY, int toY, bool release = true) {
        HWND bar = s->hwnd();
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, fromY));
        SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, (short)toY));
        if (release)
            SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, (short)toY));
    }
};

HBITMAP gripBitmap() {
    // 16 x 6: column x has the colour (x * 16, 0, 0), so tiling can be checked.
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -6;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = 0;
    HBITMAP b = CreateDIBSection(0, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    DWORD* px = (DWORD*)bits;
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 16; x++)
            px[y * 16 + x] = (DWORD)(x * 16) << 16;
    return b;
}

}  // namespace

TEST_F(SplitexTest, LayoutPlacesBarByRatio) {
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM);
    int A = H - 26 - 18;
    int barY = 26 + (int)(A * 0.5) - 4;
    EXPECT_EQ(s->barHeight(), 8) << "no bitmap: 8 pixels";
    EXPECT_EQ(s->barY(), barY);
    for (int i = 0; i < 3; i++) {
        RECT u = rectOf(up[i]), l = rectOf(low[i]);
        EXPECT_EQ(u.top, 26);
        EXPECT_EQ(u.bottom, barY) << "upper window " << i << " ends at the bar";
        EXPECT_EQ(u.right, W);
        EXPECT_EQ(l.top, barY + 8);
        EXPECT_EQ(l.bottom, H - 18) << "flag 1: the lower pane reaches the reserve";
    }
    RECT b = rectOf(s->hwnd());
    EXPECT_EQ(b.top, barY);
    EXPECT_EQ(b.right - b.left, W);
}

TEST_F(SplitexTest, WithoutBottomFlagLowerPaneKeepsItsBottomEdge) {
    MoveWindow(low[0], 0, 200, 50, 150, FALSE);  // bottom edge at 350
    make(0.2, 0);
    EXPECT_EQ(rectOf(low[0]).bottom, 350);
    EXPECT_EQ(rectOf(low[2]).bottom, 350) << "all windows of a pane move together";
}

TEST_F(SplitexTest, GripBitmapSetsBarHeightAndIsTiled) {
    HBITMAP bmp = gripBitmap();
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM, bmp);
    EXPECT_EQ(s->barHeight(), 6);
    HDC screen = GetDC(0);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, W, 6);
    ReleaseDC(0, screen);
    HGDIOBJ old = SelectObject(mem, canvas);
    SendMessageA(s->hwnd(), WM_PRINTCLIENT, (WPARAM)mem, PRF_CLIENT);
    for (int x : {0, 5, 15, 16, 37, W - 1})
        EXPECT_EQ(wbtest::pixel(mem, x, 2), (long)((x % 16) * 16) << 16) << "x " << x;
    SelectObject(mem, old);
    DeleteObject(canvas);
    DeleteDC(mem);
    DestroyWindow(parent);
    parent = 0;
    DeleteObject(bmp);
}

TEST_F(SplitexTest, PlainBarIsA3DRectangle) {
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM);
    HDC screen = GetDC(0);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, W, 8);
    ReleaseDC(0, screen);
    HGDIOBJ old = SelectObject(mem, canvas);
    SendMessageA(s->hwnd(), WM_PRINTCLIENT, (WPARAM)mem, PRF_CLIENT);
    EXPECT_EQ(wbtest::pixel(mem, 0, 0), 0x000000) << "black outline";
    EXPECT_EQ(wbtest::pixel(mem, 5, 1), 0xFFFFFF) << "white top line";
    EXPECT_EQ(wbtest::pixel(mem, 5, 6), 0x808080) << "grey bottom line";
    EXPECT_EQ(wbtest::pixel(mem, 5, 3), 0xC0C0C0) << "light grey inside";
    SelectObject(mem, old);
    DeleteObject(canvas);
    DeleteDC(mem);
}

TEST_F(SplitexTest, DragStopsAtTheUpperMinimumAndResizesOnRelease) {
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM);
    int before = s->barY();
    int upperBottom = rectOf(up[0]).bottom;
    drag(s, 3, 3 - 1000, false);
    EXPECT_EQ(s->barY(), 26 + 50) << "limited by the top of upper[0] plus minUpper";
    EXPECT_EQ(rectOf(up[0]).bottom, upperBottom) << "only the bar moves while dragging";
    SendMessageA(s->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, (short)(3 - 1000)));
    EXPECT_EQ(rectOf(up[0]).bottom, 26 + 50);
    EXPECT_EQ(rectOf(up[1]).bottom, 26 + 50);
    EXPECT_EQ(rectOf(low[0]).top, 26 + 50 + 8);
    EXPECT_EQ(rectOf(low[0]).bottom, H - 18);
    EXPECT_NE(GetCapture(), s->hwnd()) << "capture released";
    int A = H - 26 - 18;
    EXPECT_NEAR(s->getRatio(), (double)(26 + 50 - 26 + 4) / A, 1e-9);
    EXPECT_NE(before, s->barY());
}

TEST_F(SplitexTest, DragStopsAtTheLowerMinimum) {
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM);
    drag(s, 3, 3 + 1000);
    EXPECT_EQ(s->barY(), (H - 18) - 60 - 8);
    EXPECT_EQ(rectOf(low[0]).bottom - rectOf(low[0]).top, 60);
}

TEST_F(SplitexTest, DragFollowsTheMouseInsideTheLimits) {
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM);
    int y0 = s->barY();
    drag(s, 4, 4 - 30, false);
    // The bar followed the mouse, so the mouse is back at y 4 inside it.
    SendMessageA(s->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 4));
    EXPECT_EQ(s->barY(), y0 - 30);
    EXPECT_EQ(rectOf(up[0]).bottom, y0 - 30);
    SendMessageA(s->hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 3));
    EXPECT_EQ(s->barY(), y0 - 30) << "right button presses are ignored";
}

TEST_F(SplitexTest, SelectShowsOneWindowAndNotifies) {
    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM);
    EXPECT_FALSE(s->selectUpper(3));
    EXPECT_FALSE(s->selectUpper(-1));
    EXPECT_TRUE(g_notes.empty());
    EXPECT_TRUE(s->selectUpper(1));
    EXPECT_TRUE(IsWindowVisible(up[1]));
    EXPECT_FALSE(IsWindowVisible(up[0]));
    EXPECT_EQ(s->upperIndex(), 1);
    ASSERT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(g_notes[0].msg, (UINT)WM_SPLITEX_SELECTED);
    EXPECT_EQ(g_notes[0].wp, (WPARAM)s);
    EXPECT_EQ(g_notes[0].lp, 1);
    EXPECT_TRUE(s->selectLower(2));
    EXPECT_EQ(g_notes.back().lp, 0x10002);
    EXPECT_TRUE(IsWindowVisible(low[2]));
    EXPECT_FALSE(IsWindowVisible(low[0]));
}

TEST_F(SplitexTest, PaneCountFollowsTheGivenHandles) {
    cSplitex* s = new cSplitex(parent, 26, 18, 0.5, up[0], 0, 0, low[0], low[1], 0, 50, 60, 0,
                               SPLITEX_TOBOTTOM);
    EXPECT_FALSE(s->selectUpper(1));
    EXPECT_TRUE(s->selectLower(1));
    EXPECT_FALSE(s->selectLower(2));
}

TEST_F(SplitexTest, DoubleClickCollapsesOnlyWithItsFlag) {
    cSplitex* plain = make(0.5, SPLITEX_TOBOTTOM);
    SendMessageA(plain->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 3));
    EXPECT_FALSE(plain->getFlags() & SPLITEX_COLLAPSED);
    EXPECT_TRUE(g_notes.empty());
    DestroyWindow(plain->hwnd());

    cSplitex* s = make(0.5, SPLITEX_TOBOTTOM | SPLITEX_DBLCLICK);
    HWND bar = s->hwnd();
    SendMessageA(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 3));
    EXPECT_TRUE(s->getFlags() & SPLITEX_COLLAPSED);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_FALSE(IsWindowVisible(low[0]));
    EXPECT_EQ(rectOf(up[0]).bottom, H - 18) << "the upper pane takes the whole height";
    ASSERT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(g_notes[0].msg, (UINT)WM_SPLITEX_COLLAPSED);

    s->layout();
    EXPECT_EQ(rectOf(up[0]).bottom, H - 18) << "a collapsed pane stays collapsed on relayout";

    s->showBoth(0.5);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(IsWindowVisible(low[0]));
    EXPECT_EQ(s->barY(), 26 + (int)((H - 44) * 0.5) - 4);
    EXPECT_EQ(rectOf(up[0]).bottom, s->barY());
}
