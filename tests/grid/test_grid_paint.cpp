/* Painting, checked on the pixels the grid paints into a memory DC. */
#include <gtest/gtest.h>

#include "gridtest.h"
#include "strx.h"

#include <string>

namespace {

const long BAND0 = 0xC0E0F0, BAND1 = 0xFFF8D8;

class Paint : public ::testing::Test {
protected:
    cRerovar* g = 0;
    void SetUp() override {
        g = makeGrid(0x50);
        g->setColors(BAND0, 0x000000, BAND1, 0x000000);
        fillBasic(g, 10);
    }
    void TearDown() override { destroyGrid(g); }
    int top(int r) { return g->headerHeight + g->qbeHeight + r * g->rowHeight; }
    /* A background pixel of the name column in row position r: right of the short text. */
    long back(Shot const& s, int r) { return s.at(g->cols[0]->width - 8, top(r) + 2); }
};

}  // namespace

TEST_F(Paint, RowBandsAndSelection) {
    if (!g->trueColor)
        GTEST_SKIP() << "the display has 256 colours or fewer";
    g->setCurSel(2);
    g->rows[4]->setsel(true);
    g->countS = 2;
    Shot s(g);
    EXPECT_EQ(BAND0, back(s, 0));
    EXPECT_EQ(BAND1, back(s, 1));
    EXPECT_EQ(0x000000, back(s, 2)) << "the current selected row is black";
    EXPECT_EQ(BAND1, back(s, 3));
    EXPECT_EQ(RGBPROC(BAND0, -70), back(s, 4)) << "other selected rows keep 30 percent";
    EXPECT_EQ(BAND1, back(s, 5));

    /* The fill goes on right of the last column, in the row's colour. */
    int xr = g->clientW - 3;
    EXPECT_EQ(BAND0, s.at(xr, top(0) + 2));
    EXPECT_EQ(0x000000, s.at(xr, top(2) + 2));

    /* Selected rows are written in white. */
    EXPECT_GT(s.count(0, top(2), g->cols[0]->width, top(3), 0xFFFFFF), 3);
    EXPECT_EQ(0, s.count(0, top(0), g->cols[0]->width, top(1), 0xFFFFFF));

    /* Rows below the data keep their band colour, without grid lines. */
    ASSERT_GT(g->pageRows, 12);
    EXPECT_EQ(BAND0, s.at(5, top(12) + 3));
    EXPECT_EQ(BAND1, s.at(5, top(11) + g->rowHeight - 1));
    EXPECT_EQ(BAND1, s.at(g->cols[0]->width - 1, top(11) + 3));

    /* Grid lines close each cell and run under the last data row. */
    EXPECT_EQ(0xA0A0A0, s.at(g->cols[0]->width - 1, top(1) + 3));
    EXPECT_EQ(0xA0A0A0, s.at(g->cols[0]->width + g->cols[1]->width - 1, top(0) + 3));
    EXPECT_EQ(0xA0A0A0, s.at(10, top(9) + g->rowHeight - 1));
    EXPECT_NE(0xA0A0A0, s.at(10, top(8) + g->rowHeight - 1)) << "no TAX_GRIDLINES";
}

TEST_F(Paint, GridLinesUnderEveryRow) {
    g->setFlg(TAX_GRIDLINES, true);
    Shot s(g);
    for (int r = 0; r < 10; r++)
        EXPECT_EQ(0xA0A0A0, s.at(10, top(r) + g->rowHeight - 1)) << r;
}

TEST_F(Paint, CellColourPrecedence) {
    g->rows[0]->setColors(0x102030, 0xFFFF00);
    g->cols[1]->setColors(0x405060, -1);
    g->rows[1]->setItemColors(1, 0x708090, -1);
    Shot s(g);
    EXPECT_EQ(0x102030, back(s, 0)) << "row colour over the band";
    EXPECT_EQ(0x405060, s.at(g->cols[0]->width + 3, top(0) + 2)) << "column over row";
    EXPECT_EQ(0x708090, back(s, 1)) << "item over band";
    EXPECT_GT(s.count(0, top(0), g->cols[0]->width, top(1), 0xFFFF00), 3) << "row text colour";
    EXPECT_EQ(0x102030, s.at(g->clientW - 3, top(0) + 2));
}

TEST_F(Paint, NumbersAreRightAligned) {
    g->rows[0]->setNum(2, 7, 0, -1, -1);
    Shot s(g);
    int l = g->cols[0]->width, w = g->cols[1]->width;
    long bg = s.at(l + 2, top(0) + 2);
    int leftHalf = s.count(l, top(0), l + w / 2, top(1) - 1, bg, true);
    int rightHalf = s.count(l + w / 2, top(0), l + w - 1, top(1) - 1, bg, true);
    EXPECT_EQ(0, leftHalf);
    EXPECT_GT(rightHalf, 3);
    /* The name column's text starts at the left. */
    bg = back(s, 0);
    EXPECT_GT(s.count(0, top(0), g->cols[0]->width / 2, top(1) - 1, bg, true), 3);
}

TEST_F(Paint, HeaderAndFilterRow) {
    Shot s0(g);
    int l1 = g->cols[0]->width, w1 = g->cols[1]->width;
    EXPECT_EQ(0xC0C0C0, s0.at(l1 + w1 / 2, 2));
    EXPECT_EQ(0xFFFFFF, s0.at(l1 + w1 / 2, 0)) << "raised top line";
    EXPECT_EQ(0x808080, s0.at(l1 + w1 / 2, g->headerHeight - 1)) << "shadow line";
    EXPECT_EQ(0xC0C0C0, s0.at(g->clientW - 3, 4)) << "right of the last column";
    EXPECT_EQ(0xC0C0C0, s0.at(g->clientW - 3, g->headerHeight + 2));

    click(g, l1 + w1 / 2, 4);  // selects column 1
    ASSERT_TRUE(g->cols[1]->getsel());
    Shot s(g);
    long selBack = g->trueColor ? 0x5C5C5C : 0x808080;
    EXPECT_EQ(selBack, s.at(l1 + 2, 2));
    EXPECT_EQ(selBack, s.at(l1 + 2, g->headerHeight + 2));
    EXPECT_GT(s.count(l1, 0, l1 + w1, g->headerHeight, 0xFFFFFF), 3) << "white title";
    EXPECT_EQ(0xC0C0C0, s.at(l1 / 2, 2)) << "the other column stays grey";

    /* The filter cell shows the display text, here on the selected column's colours. */
    int qt = g->headerHeight, qb = g->headerHeight + g->qbeHeight;
    click(g, l1 / 2, 4);
    Shot s1(g);
    int before = s1.count(3, qt + 1, l1 - 3, qb - 1, selBack, true);
    typeText(g, "r1");
    EXPECT_STREQ("r1%", g->cols[0]->qbeShow);
    Shot s2(g);
    EXPECT_GT(s2.count(3, qt + 1, l1 - 3, qb - 1, selBack, true), before + 3);
    auto light = [&](Shot const& sh, int y0, int y1) {  // white text, perhaps smoothed
        int n = 0;
        for (int y = y0; y < y1; y++) {
            for (int x = 3; x < l1 - 3; x++) {
                long p = sh.at(x, y);
                n += ((p >> 16) & 0xFF) > 0xA0 && ((p >> 8) & 0xFF) > 0xA0 && (p & 0xFF) > 0xA0;
            }
        }
        return n;
    };
    EXPECT_GT(light(s2, qt + 1, qb - 1), 6);
    /* The font is taller than the strip: a "_" (a like filter's wildcard) still shows. */
    typeText(g, "_");
    EXPECT_STREQ("r1_%", g->cols[0]->qbeShow);
    Shot s3(g);
    EXPECT_GE(light(s3, qb - 4, qb), light(s2, qb - 4, qb) + 3);
}

TEST_F(Paint, FocusMarksTheCurrentRowAndColumn) {
    g->setCurSel(1);
    SetFocus(testParent());
    Shot off(g);
    SetFocus(g->hwnd);
    ASSERT_TRUE(g->hasFocus);
    Shot on(g);
    int y = top(1), W = g->clientW;
    EXPECT_EQ(0, off.count(0, y, W, y + 1, 0xFFFFFF));
    EXPECT_GT(on.count(0, y, W, y + 1, 0xFFFFFF), W / 2 - 4) << "dotted white line on a selected row";
    EXPECT_GT(on.count(0, y + g->rowHeight - 1, W, y + g->rowHeight, 0xFFFFFF), W / 2 - 4);
    g->curcol = 0;
    Shot col(g);
    int xr = g->cols[0]->width - 1;
    EXPECT_GT(col.count(xr, 1, xr + 1, g->headerHeight - 1, 0x000000), g->headerHeight / 2 - 3);
}

TEST_F(Paint, CheckBoxIcons) {
    g->addCol(3, 30, "cb", 1, TAXCOL_CHECKBOX, -1, -1, "", 0);
    g->addCol(4, 30, "ro", 1, TAXCOL_CHECKBOX | TAXCOL_READONLY, -1, -1, "", 0);
    g->addCol(5, 60, "hdr", 2, TAXCOL_HDRCHECK | TAXCOL_HDRCHECKED, -1, -1, "", 0);
    g->rows[0]->setNum(3, 1, 0, -1, -1);
    g->rows[0]->setNum(4, 1, 0, -1, -1);
    Shot s(g);
    int l3 = g->cols[0]->width + g->cols[1]->width, l4 = l3 + 30, l5 = l4 + 30;
    /* The box sits at the middle of the cell: 13 pixels, white inside. */
    int cx = l3 + 15, cy = top(0) + g->rowHeight / 2;
    EXPECT_GT(s.count(cx - 6, cy - 6, cx + 7, cy + 7, 0x000000), 10) << "checked: a black tick";
    EXPECT_GT(s.count(cx - 6, cy - 6, cx + 7, cy + 7, 0xFFFFFF), 40);
    int cy1 = top(1) + g->rowHeight / 2;
    EXPECT_EQ(0, s.count(cx - 6, cy1 - 6, cx + 7, cy1 + 7, 0x000000)) << "unchecked";
    EXPECT_GT(s.count(cx - 5, cy1 - 5, cx + 6, cy1 + 6, 0xFFFFFF), 100);
    int rx = l4 + 15;
    EXPECT_GT(s.count(rx - 6, cy - 6, rx + 7, cy + 7, 0x808080), 10) << "read-only: grey tick";
    EXPECT_GT(s.count(rx - 6, cy - 6, rx + 7, cy + 7, 0xE0E0E0), 40) << "read-only: grey inside";
    EXPECT_EQ(0, s.count(rx - 6, cy - 6, rx + 7, cy + 7, 0x000000));
    /* The header check box at x + 3, y 1. */
    EXPECT_GT(s.count(l5 + 3, 1, l5 + 16, 14, 0x000000), 10);
}

TEST_F(Paint, EmptyGrid) {
    destroyGrid(g);
    g = makeGrid(0x50);
    g->setColors(BAND0, 0, BAND1, 0);
    Shot s(g);
    EXPECT_EQ(0xC0C0C0, s.at(50, 4));
    EXPECT_EQ(0xC0C0C0, s.at(50, g->headerHeight + 3));
    EXPECT_EQ(BAND0, s.at(50, top(0) + 3));
    EXPECT_EQ(BAND1, s.at(50, top(1) + 3));
    EXPECT_EQ(g->pageRows % 2 ? BAND1 : BAND0, s.at(50, top(g->pageRows) + 1)) << "the partly shown row too";
    EXPECT_EQ(0, s.count(0, 0, s.w, s.h, 0x5A5A5A)) << "nothing left unpainted";
}

TEST_F(Paint, WholeClientAreaIsPainted) {
    g->topRow = 0;
    Shot s(g);
    EXPECT_EQ(0, s.count(0, 0, s.w, s.h, 0x5A5A5A));
    SendMessageA(g->hwnd, WM_HSCROLL, SB_LINERIGHT, 0);
    Shot s2(g);
    EXPECT_EQ(0, s2.count(0, 0, s2.w, s2.h, 0x5A5A5A));
    EXPECT_EQ(0xC0C0C0, s2.at(g->cols[1]->width + 5, 4)) << "scrolled by one column";
}

TEST(PaintNumbers, ANumberWiderThanItsCellShowsHashFillNeverItsLastDigits) {
    cRerovar* g = makeGrid(0x50);
    cRerovar* ref = makeGrid(0x50);
    g->addCol(1, 60, "n", 1, TAXCOL_RIGHT, -1, -1, "%.0f", 0);
    ref->addCol(1, 60, "n", 2, TAXCOL_RIGHT, -1, -1, "", 0);
    ASSERT_EQ(g->cols[0]->width, ref->cols[0]->width);
    // The "#" that fit between the cell's 3-pixel margins, drawn as text by the reference.
    HDC dc = GetDC(g->hwnd);
    HGDIOBJ old = SelectObject(dc, g->font);
    SIZE hash;
    GetTextExtentPoint32A(dc, "#", 1, &hash);
    SelectObject(dc, old);
    ReleaseDC(g->hwnd, dc);
    int k = (g->cols[0]->width - 6) / hash.cx;
    ASSERT_GT(k, 0);
    g->addRow(-1)->setNum(1, 9007199254740992.0, 0, -1, -1);
    g->addRow(-1)->setNum(1, -123, 0, -1, -1);
    ref->addRow(-1)->setStr(1, std::string(k, '#').c_str(), 0, -1, -1);
    ref->addRow(-1)->setStr(1, "-123", 0, -1, -1);
    pump();
    Shot a(g), b(ref);
    int top = g->headerHeight + g->qbeHeight;
    int differ = 0;
    for (int y = top; y < top + 2 * g->rowHeight; y++)
        for (int x = 0; x < g->cols[0]->width; x++)
            differ += a.at(x, y) != b.at(x, y);
    EXPECT_EQ(differ, 0) << "the wide number shows " << k << " \"#\", the narrow one itself";
    destroyGrid(g);
    destroyGrid(ref);
}
