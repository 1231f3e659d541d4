/* cStatux: geometry and the pixels of its fields. */
#include <gtest/gtest.h>

#include <windows.h>

#include "statux.h"
#include "wbtest.h"

namespace {

class StatuxTest : public ::testing::Test {
protected:
    wintest::CommandLog log;
    HWND parent = 0;
    cStatux* bar = 0;
    HFONT font = 0;
    HDC mem = 0;
    HBITMAP canvas = 0;
    HGDIOBJ oldCanvas = 0;

    void SetUp() override {
        parent = wintest::createParent(&log, 60, 60, 640, 300);
        bar = new cStatux(parent, GetModuleHandleA(0));
        font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           "MS Sans Serif");
    }
    void TearDown() override {
        if (mem) {
            SelectObject(mem, oldCanvas);
            DeleteObject(canvas);
            DeleteDC(mem);
        }
        DeleteObject(font);
        DestroyWindow(parent);
    }
    int textWidth(char const* s) {
        HDC dc = GetDC(0);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE sz;
        GetTextExtentPoint32A(dc, s, lstrlenA(s), &sz);
        SelectObject(dc, old);
        ReleaseDC(0, dc);
        return sz.cx < 10 ? 10 : sz.cx;
    }
    /* Paints the bar into a fresh memory bitmap. */
    HDC paint() {
        if (!mem) {
            HDC screen = GetDC(0);
            mem = CreateCompatibleDC(screen);
            canvas = CreateCompatibleBitmap(screen, 640, bar->height());
            ReleaseDC(0, screen);
            oldCanvas = SelectObject(mem, canvas);
        }
        RECT r = {0, 0, 640, bar->height()};
        FillRect(mem, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        SendMessageA(bar->hwnd(), WM_PRINTCLIENT, (WPARAM)mem, PRF_CLIENT);
        return mem;
    }
};

}  // namespace

TEST_F(StatuxTest, HeightFollowsTheFontAndBarSpansTheBottom) {
    HDC dc = GetDC(0);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(0, dc);
    EXPECT_EQ(bar->height(), tm.tmHeight + 5);
    RECT pc, br;
    GetClientRect(parent, &pc);
    GetWindowRect(bar->hwnd(), &br);
    MapWindowPoints(0, parent, (POINT*)&br, 2);
    EXPECT_EQ(br.bottom, pc.bottom);
    EXPECT_EQ(br.top, pc.bottom - bar->height());
    EXPECT_EQ(br.right, pc.right);
    MoveWindow(parent, 60, 60, 500, 250, TRUE);
    bar->layout();
    GetClientRect(parent, &pc);
    GetWindowRect(bar->hwnd(), &br);
    MapWindowPoints(0, parent, (POINT*)&br, 2);
    EXPECT_EQ(br.bottom, pc.bottom) << "relayout follows the parent";
    EXPECT_EQ(br.right, pc.right);
}

TEST_F(StatuxTest, TextBoxWithColourAndBevel) {
    bar->setText(0, "Q1: not connected");
    bar->setColor(0, 0x00FF00, false);
    HDC dc = paint();
    int w = textWidth("Q1: not connected") + 6;
    int h = bar->height();
    EXPECT_EQ(wbtest::pixel(dc, 100, 0), 0xFFFFFF) << "white line along the top";
    EXPECT_EQ(wbtest::pixel(dc, 2, h - 1), 0x808080) << "grey left line";
    EXPECT_EQ(wbtest::pixel(dc, 10, 3), 0x808080) << "grey top line";
    EXPECT_EQ(wbtest::pixel(dc, 2 + w - 1, h - 2), 0xFFFFFF) << "white right line";
    EXPECT_EQ(wbtest::pixel(dc, 3, h - 1), 0x00FF00) << "field colour inside";
    EXPECT_EQ(wbtest::pixel(dc, 2 + w + 1, h - 1), 0x000000) << "nothing drawn after the box";
    EXPECT_EQ(wbtest::pixel(dc, 1, 5), 0x000000) << "boxes start 2 pixels from the left";
}

TEST_F(StatuxTest, GapsAdvanceAndAreClamped) {
    bar->setText(0, "i");
    bar->setText(1, "~~16");
    bar->setText(2, "ab");
    HDC dc = paint();
    int first = 2 + 10 + 6;  // narrow texts count as 10 pixels
    EXPECT_EQ(wbtest::pixel(dc, first - 1, 6), 0xFFFFFF) << "right line of the narrow box";
    EXPECT_EQ(wbtest::pixel(dc, first + 16, bar->height() - 1), 0x808080)
        << "the next box starts after the 16-pixel gap";
    EXPECT_EQ(wbtest::pixel(dc, first + 8, 6), 0x000000) << "a gap paints nothing";

    bar->setText(1, "~~0");
    dc = paint();
    EXPECT_EQ(wbtest::pixel(dc, first + 1, bar->height() - 1), 0x808080) << "~~0 counts as 1";
    bar->setText(1, "~~5000");
    EXPECT_STREQ(bar->text(1), "~~5000");
    dc = paint();
    EXPECT_EQ(wbtest::pixel(dc, first + 300, bar->height() - 1), 0x000000)
        << "the next box lies 1000 pixels on";
}

TEST_F(StatuxTest, ColourMinusOneLeavesTheBackground) {
    bar->setText(0, "abc");
    bar->setColor(0, 0xFF0000, false);
    bar->setColor(0, -1, true);
    EXPECT_EQ(bar->color(0), -1);
    HDC dc = paint();
    EXPECT_EQ(wbtest::pixel(dc, 4, bar->height() - 1), 0x000000);
    bar->setText(99, "ignored");
    EXPECT_STREQ(bar->text(99), "");
}
