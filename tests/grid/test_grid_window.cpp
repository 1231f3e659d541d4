/* The grid window: registration, keyboard, mouse, scrolling, menus and notifications,
   driven with real messages the way Wine's conformance tests drive controls. */
#include <gtest/gtest.h>

#include <string>

#include "gridrc.h"
#include "gridtest.h"
#include "strx.h"

namespace {

class Window : public ::testing::Test {
protected:
    cRerovar* g = 0;
    void make(long flags, int rows) {
        g = makeGrid(flags);
        fillBasic(g, rows);
        clearNotes();
    }
    void TearDown() override {
        cRerovar::setMenuHook(0);
        destroyGrid(g);
    }
    /* The selected V rows, as "1 2 3". */
    std::string selected() {
        std::string r;
        for (short v = 0; v < g->getCountV(); v++) {
            if (g->rowindex2ptrV(v)->getsel())
                r += (r.empty() ? "" : " ") + std::to_string(v);
        }
        return r;
    }
    /* Current-row notifications since the last clearNotes, as "1 2". */
    std::string currowNotes() {
        std::string r;
        for (auto& n : notesOf(TAXN_CURROW)) {
            EXPECT_EQ((WPARAM)g, n.wp);
            r += (r.empty() ? "" : " ") + std::to_string((long)n.lp);
        }
        return r;
    }
};

}  // namespace

TEST_F(Window, ClassesAreRegistered) {
    testParent();
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(0), "cRerovar", &wc));
    EXPECT_TRUE(wc.style & CS_DBLCLKS);
    EXPECT_EQ((int)sizeof(LONG_PTR), wc.cbWndExtra);
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(0), "cAutoform", &wc));
    EXPECT_FALSE(wc.style & CS_DBLCLKS);
    for (char const* cls : {"cRerovar", "cAutoform"}) {
        WNDCLASSEXA x = {};
        x.cbSize = sizeof x;
        ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(0), cls, &x));
        EXPECT_TRUE(x.hIcon && x.hIconSm) << cls << ": the application icon in both sizes";
    }
    EXPECT_FALSE(cRerovar::registerMe(GetModuleHandleA(0))) << "already registered";
    g = makeGrid(0x50);
    LONG style = GetWindowLongA(g->hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_EQ(DLGC_WANTARROWS | DLGC_WANTCHARS, SendMessageA(g->hwnd, WM_GETDLGCODE, 0, 0));
}

TEST_F(Window, ArrowKeysMoveTheCurrentRow) {
    make(0x50, 50);
    g->setCurSel(0);
    clearNotes();
    key(g, VK_DOWN);
    EXPECT_EQ(1, g->curow);
    EXPECT_EQ("1", selected());
    EXPECT_EQ(1, g->anchorRow);
    key(g, VK_UP);
    key(g, VK_UP);
    EXPECT_EQ(0, g->curow);
    EXPECT_EQ("1 0 0", currowNotes());

    key(g, VK_DOWN, false, true);
    key(g, VK_DOWN, false, true);
    EXPECT_EQ(2, g->curow);
    EXPECT_EQ("0 1 2", selected());
    EXPECT_EQ(3, g->countS);
    EXPECT_EQ(0, g->anchorRow);
    key(g, VK_DOWN);
    EXPECT_EQ("3", selected());
    EXPECT_EQ(1, g->countS);

    /* Ctrl scrolls without moving the current row. */
    clearNotes();
    key(g, VK_DOWN, true);
    EXPECT_EQ(1, g->topRow);
    EXPECT_EQ(3, g->curow);
    EXPECT_EQ("", currowNotes());
    key(g, VK_UP, true);
    key(g, VK_UP, true);
    EXPECT_EQ(0, g->topRow);

    /* Leaving the page at the bottom scrolls by one. */
    g->setCurSel((short)(g->pageRows - 1));
    key(g, VK_DOWN);
    EXPECT_EQ(g->pageRows, g->curow);
    EXPECT_EQ(1, g->topRow);
}

TEST_F(Window, PageKeysHomeAndEnd) {
    make(0x50, 50);
    short page = g->pageRows;
    ASSERT_GT(page, 2);
    g->setCurSel(0);
    clearNotes();
    key(g, VK_NEXT);
    EXPECT_EQ(page - 1, g->curow);
    EXPECT_EQ(0, g->topRow);
    key(g, VK_END);
    EXPECT_EQ(49, g->curow);
    EXPECT_EQ(50 - page, g->topRow);
    clearNotes();
    key(g, VK_NEXT);
    key(g, VK_END);
    EXPECT_EQ("", currowNotes()) << "Page Down and End on the last row do nothing";
    key(g, VK_PRIOR);
    EXPECT_EQ(49 - page + 1, g->curow);
    EXPECT_EQ(g->curow, g->topRow);
    key(g, VK_PRIOR, false, true);
    EXPECT_EQ(49 - 2 * (page - 1), g->curow);
    EXPECT_EQ(page, g->countS) << "Shift extends from the anchor";
    key(g, VK_HOME);
    EXPECT_EQ(0, g->curow);
    EXPECT_EQ(0, g->topRow);
    EXPECT_EQ("0", selected());
    clearNotes();
    key(g, VK_HOME);
    EXPECT_EQ("", currowNotes()) << "already home";

    g->setCurSel(3);
    key(g, VK_HOME, false, true);
    EXPECT_EQ("0 1 2 3", selected());
    EXPECT_EQ(0, g->curow);
}

TEST_F(Window, KeysOnAnEmptyGridDoNothing) {
    make(0x50, 0);
    key(g, VK_END);
    key(g, VK_NEXT);
    key(g, VK_PRIOR);
    key(g, VK_HOME);
    key(g, VK_DOWN);
    key(g, VK_UP);
    EXPECT_EQ(-1, g->curow);
    EXPECT_EQ(0, g->countS);
    EXPECT_EQ(0u, notesOf(TAXN_CURROW).size());
    click(g, 10, rowY(g, 0));
    EXPECT_EQ(-1, g->curow);
    EXPECT_EQ(g->hwnd, GetFocus()) << "a click below the rows only takes the focus";
}

TEST_F(Window, SingleSelectionNeverExtends) {
    make(0x50 | TAX_SINGLESEL, 20);
    g->setCurSel(2);
    key(g, VK_DOWN, false, true);
    EXPECT_EQ(3, g->curow);
    EXPECT_EQ("3", selected());
    click(g, 10, rowY(g, 6), MK_SHIFT);
    EXPECT_EQ("6", selected());
    click(g, 10, rowY(g, 8), MK_CONTROL);
    EXPECT_EQ("8", selected());
    EXPECT_EQ(1, g->countS);
    key(g, VK_HOME, false, true);
    EXPECT_EQ("0", selected());
}

TEST_F(Window, LeftAndRightSelectColumns) {
    make(0x50, 3);
    key(g, VK_RIGHT);
    EXPECT_EQ(0, g->curcol);
    EXPECT_TRUE(g->cols[0]->getsel());
    key(g, VK_RIGHT);
    key(g, VK_RIGHT);
    EXPECT_EQ(1, g->curcol);
    EXPECT_FALSE(g->cols[0]->getsel());
    EXPECT_TRUE(g->cols[1]->getsel());
    key(g, VK_LEFT);
    key(g, VK_LEFT);
    EXPECT_EQ(0, g->curcol);
    EXPECT_EQ(1, g->getColCountS());
    destroyGrid(g);

    make(0, 3);
    key(g, VK_RIGHT);
    EXPECT_EQ(1, g->firstCol);
    EXPECT_EQ(-1, g->curcol);
    key(g, VK_RIGHT);
    EXPECT_EQ(1, g->firstCol) << "not past the last column";
    key(g, VK_LEFT);
    EXPECT_EQ(0, g->firstCol);
}

TEST_F(Window, ClicksSelectRows) {
    make(0x50, 50);
    click(g, 10, rowY(g, 3));
    EXPECT_EQ(3, g->curow);
    EXPECT_EQ("3", selected());
    EXPECT_EQ("3", currowNotes());
    EXPECT_EQ(g->hwnd, GetFocus());
    click(g, 10, rowY(g, 5), MK_CONTROL);
    EXPECT_EQ("3 5", selected());
    EXPECT_EQ(2, g->countS);
    EXPECT_EQ(5, g->anchorRow);
    click(g, 10, rowY(g, 5), MK_CONTROL);
    EXPECT_EQ("3", selected());
    EXPECT_EQ(1, g->countS);
    EXPECT_EQ(5, g->curow);
    click(g, 10, rowY(g, 7), MK_SHIFT);
    EXPECT_EQ("5 6 7", selected());
    EXPECT_EQ(3, g->countS);

    /* The partly shown row at the bottom scrolls into view. */
    click(g, 10, rowY(g, g->pageRows));
    EXPECT_EQ(g->pageRows, g->curow);
    EXPECT_EQ(1, g->topRow);
    click(g, 10, rowY(g, 0));
    EXPECT_EQ(1, g->curow) << "row positions count from topRow";
}

TEST_F(Window, HeaderClicksSelectColumnsAndNotify) {
    make(0x50, 5);
    int border = g->cols[0]->width;
    click(g, border, 5);
    EXPECT_EQ(0u, notesOf(TAXN_HDRCLICK).size()) << "a column's left edge hits no column";
    EXPECT_EQ(-1, g->curcol);
    click(g, colX(g, 1), 5);
    auto n = notesOf(TAXN_HDRCLICK);
    ASSERT_EQ(1u, n.size());
    EXPECT_EQ(2, n[0].lp);
    EXPECT_EQ(1, g->curcol);
    EXPECT_TRUE(g->cols[1]->getsel());
    click(g, colX(g, 0), g->headerHeight + 2, MK_CONTROL);  // the filter strip counts too
    EXPECT_EQ(0, g->curcol);
    EXPECT_EQ(2, g->getColCountS());
    click(g, colX(g, 0), 5, MK_CONTROL);
    EXPECT_EQ(1, g->getColCountS());
    EXPECT_EQ(2, g->getSelcolid());
    click(g, colX(g, 0), 5);
    EXPECT_EQ(1, g->getColCountS());
    EXPECT_EQ(1, g->getSelcolid());

    /* An answer above 0 keeps the focus where it is. */
    SetFocus(testParent());
    hdrClickAnswer = 1;
    click(g, colX(g, 1), 5);
    EXPECT_NE(g->hwnd, GetFocus());
    hdrClickAnswer = 0;
    click(g, colX(g, 1), 5);
    EXPECT_EQ(g->hwnd, GetFocus());
    EXPECT_TRUE(g->hasFocus);

    /* Without TAX_COLSELECT a header click only notifies. */
    destroyGrid(g);
    make(0, 5);
    click(g, colX(g, 1), 5);
    EXPECT_EQ(-1, g->curcol);
    EXPECT_EQ(0, g->getColCountS());
    EXPECT_EQ(1u, notesOf(TAXN_HDRCLICK).size());
}

TEST_F(Window, CheckBoxCellsToggle) {
    make(0x50, 3);
    g->addCol(3, 30, "on", 1, TAXCOL_CHECKBOX, -1, -1, "", 0);
    g->addCol(4, 30, "ro", 1, TAXCOL_CHECKBOX | TAXCOL_READONLY, -1, -1, "", 0);
    g->rows[1]->setNum(3, 5, 0, -1, -1);
    g->rows[2]->setItemFlg(3, TAXIT_READONLY, true);
    clearNotes();
    click(g, colX(g, 2), rowY(g, 0));
    EXPECT_DOUBLE_EQ(1.0, g->rows[0]->getNum(3, false));
    click(g, colX(g, 2), rowY(g, 1));
    EXPECT_DOUBLE_EQ(0.0, g->rows[1]->getNum(3, false)) << "any non-zero value is checked";
    auto n = notesOf(TAXN_CHECKBOX);
    ASSERT_EQ(2u, n.size());
    EXPECT_EQ(MAKELPARAM(0, 3), n[0].lp);
    EXPECT_EQ(MAKELPARAM(1, 3), n[1].lp);
    clearNotes();
    click(g, colX(g, 2), rowY(g, 2));
    click(g, colX(g, 3), rowY(g, 0));
    EXPECT_DOUBLE_EQ(0.0, g->rows[2]->getNum(3, false));
    EXPECT_TRUE(g->rows[0]->getVar(4, false)->isNull());
    EXPECT_EQ(0u, notesOf(TAXN_CHECKBOX).size()) << "read-only cells and columns";
    EXPECT_EQ(0, g->curow) << "the row still becomes current";
}

TEST_F(Window, HeaderCheckBox) {
    make(0x50, 2);
    g->addCol(3, 60, "all", 1, TAXCOL_HDRCHECK, -1, -1, "", 0);
    int left = g->cols[0]->width + g->cols[1]->width;
    clearNotes();
    click(g, left + 5, 5);
    EXPECT_TRUE(g->cols[2]->flg & TAXCOL_HDRCHECKED);
    click(g, left + 5, 5);
    EXPECT_FALSE(g->cols[2]->flg & TAXCOL_HDRCHECKED);
    auto n = notesOf(TAXN_HDRCHECK);
    ASSERT_EQ(2u, n.size());
    EXPECT_EQ(3 | 0x10000, n[0].lp);
    EXPECT_EQ(3, n[1].lp);
    EXPECT_EQ(0u, notesOf(TAXN_HDRCLICK).size());
    EXPECT_EQ(-1, g->curcol) << "the check box does not select the column";
    click(g, left + 20, 5);
    EXPECT_EQ(1u, notesOf(TAXN_HDRCLICK).size());
    EXPECT_EQ(2, g->curcol);
}

TEST_F(Window, DoubleClicks) {
    make(0x50, 4);
    g->cols[1]->setFlg(TAXCOL_DBLSORT, true);
    g->rows[0]->setNum(2, 9, 0, -1, -1);
    dblclick(g, colX(g, 1), 5);
    auto s = notesOf(TAXN_SORT);
    ASSERT_EQ(1u, s.size());
    EXPECT_EQ(MAKELPARAM(2, 1), s[0].lp);
    EXPECT_STREQ("r1", g->getStrV(1, 0).text);
    dblclick(g, colX(g, 1), 5);
    EXPECT_STREQ("r0", g->getStrV(1, 0).text) << "the second double click sorts descending";
    clearNotes();
    dblclick(g, colX(g, 1), 5, MK_CONTROL);
    dblclick(g, colX(g, 0), g->headerHeight + 2);
    EXPECT_EQ(0u, notesOf(TAXN_SORT).size());
    auto h = notesOf(TAXN_HDRDBLCLK);
    ASSERT_EQ(2u, h.size());
    EXPECT_EQ(2, h[0].lp);
    EXPECT_EQ(1, h[1].lp);
    dblclick(g, 10, rowY(g, 2));
    auto r = notesOf(TAXN_ROWDBLCLK);
    ASSERT_EQ(1u, r.size());
    EXPECT_EQ(2, r[0].lp);
    clearNotes();
    dblclick(g, 10, rowY(g, 10));
    dblclick(g, g->cols[0]->width, 5);
    EXPECT_EQ(0u, notes().size()) << "below the rows, on a column edge";
}

TEST_F(Window, ScrollBars) {
    make(0x50, 100);
    g->setCurSel(5);
    short page = g->pageRows;
    SendMessageA(g->hwnd, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(1, g->topRow);
    SendMessageA(g->hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(1 + page, g->topRow);
    SendMessageA(g->hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30), 0);
    EXPECT_EQ(30, g->topRow);
    SendMessageA(g->hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 9999), 0);
    EXPECT_EQ(100 - page, g->topRow);
    SCROLLINFO si;
    ZeroMemory(&si, sizeof si);
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(g->hwnd, SB_VERT, &si);
    EXPECT_EQ(100 - page, si.nMax);
    EXPECT_EQ(g->topRow, si.nPos);
    SendMessageA(g->hwnd, WM_VSCROLL, SB_PAGEUP, 0);
    SendMessageA(g->hwnd, WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(100 - 3 * page > 0 ? 100 - 3 * page : 0, g->topRow);
    for (int i = 0; i < 200; i++)
        SendMessageA(g->hwnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(0, g->topRow);
    EXPECT_EQ(5, g->curow) << "scrolling keeps the current row";

    SendMessageA(g->hwnd, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(1, g->firstCol);
    SendMessageA(g->hwnd, WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_EQ(1, g->firstCol) << "at most the last column";
    SendMessageA(g->hwnd, WM_HSCROLL, SB_PAGELEFT, 0);
    EXPECT_EQ(0, g->firstCol);
    /* With the view scrolled, a click finds the column from firstCol. */
    SendMessageA(g->hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 1), 0);
    click(g, 5, 5);
    EXPECT_EQ(1, g->curcol);
}

TEST_F(Window, ResizingRecomputesThePage) {
    make(0x50, 100);
    g->setCurSel(99);
    RECT wr;
    GetWindowRect(g->hwnd, &wr);
    MoveWindow(g->hwnd, 0, 0, wr.right - wr.left, (wr.bottom - wr.top) * 2, TRUE);
    RECT cr;
    GetClientRect(g->hwnd, &cr);
    EXPECT_EQ(cr.bottom, g->clientH);
    EXPECT_EQ((cr.bottom - g->headerHeight - g->qbeHeight) / g->rowHeight, g->pageRows);
    EXPECT_EQ(100 - g->pageRows, g->topRow) << "the last page stays full";
    EXPECT_EQ(wr.bottom - wr.top, g->h / 2);

    /* Room for a part of one row: the current row stays the one shown. */
    GetWindowRect(g->hwnd, &wr);
    int frame = (wr.bottom - wr.top) - cr.bottom;
    MoveWindow(g->hwnd, 0, 0, wr.right - wr.left, frame + g->headerHeight + g->qbeHeight + g->rowHeight / 2, TRUE);
    EXPECT_EQ(1, g->pageRows);
    g->setCurSel(10);
    for (int vk : {VK_DOWN, VK_DOWN, VK_NEXT, VK_UP}) {
        key(g, vk);
        EXPECT_EQ(g->curow, g->topRow) << vk;
    }
    EXPECT_EQ(12, g->curow);
}

TEST_F(Window, MenusOpenWhereClicked) {
    make(0x50, 5);
    cRerovar::setMenuHook(testMenuHook);
    g->addCol(3, 40, "plain", 2, TAXCOL_QBE, -1, -1, "", 0);
    g->addCol(4, 40, "cb", 1, TAXCOL_CHECKBOX, -1, -1, "", 0);
    g->addCol(5, 40, "when", 4, TAXCOL_QBE, -1, -1, "", 0);
    int hdrY = 5, qbeY = g->headerHeight + g->qbeHeight / 2;

    rclick(g, colX(g, 1), hdrY);
    ASSERT_EQ(1u, menuCalls.size());
    EXPECT_EQ(TAXMENU_HEADER, menuCalls[0].which);
    EXPECT_EQ(1, g->menuCol);
    EXPECT_EQ(1, g->curcol);
    HMENU m = menuCalls[0].menu;
    EXPECT_EQ(0, menuState(m, TAXCMD_SORTASC) & MF_GRAYED);
    EXPECT_EQ(0, menuState(m, TAXCMD_OPTWIDTH) & MF_GRAYED);
    EXPECT_STREQ("N.NN", menuText(m, TAXCMD_FORMAT0 + 2).data());
    EXPECT_EQ(-1, menuState(m, TAXCMD_FORMAT0 + 5));
    POINT pt = {colX(g, 1), hdrY};
    ClientToScreen(g->hwnd, &pt);
    EXPECT_EQ(pt.x, menuCalls[0].x);
    EXPECT_EQ(pt.y, menuCalls[0].y);

    rclick(g, colX(g, 2), hdrY);
    EXPECT_TRUE(menuState(m, TAXCMD_SORTASC) & MF_GRAYED) << "column without TAXCOL_SORTABLE";
    EXPECT_TRUE(menuState(m, TAXCMD_NOSORT) & MF_GRAYED);
    EXPECT_STREQ("(empty)", menuText(m, TAXCMD_FORMAT0).data());
    rclick(g, colX(g, 3), hdrY);
    EXPECT_STREQ("(empty)", menuText(m, TAXCMD_FORMAT0).data()) << "check-box number column";
    EXPECT_TRUE(menuState(m, TAXCMD_FORMAT0) & MF_GRAYED);
    EXPECT_EQ(-1, menuState(m, TAXCMD_FORMAT0 + 1));
    rclick(g, colX(g, 4), hdrY);
    EXPECT_STREQ("MM/DD/YYYY hh:mm:ss", menuText(m, TAXCMD_FORMAT0 + 5).data());

    menuCalls.clear();
    rclick(g, colX(g, 0), qbeY);
    ASSERT_EQ(1u, menuCalls.size());
    EXPECT_EQ(TAXMENU_QBE, menuCalls[0].which);
    HMENU q = menuCalls[0].menu;
    EXPECT_TRUE(menuState(q, TAXOP_LIKE_START) & MF_CHECKED);
    EXPECT_FALSE(menuState(q, TAXOP_EQ) & MF_CHECKED);
    EXPECT_FALSE(menuState(q, TAXCMD_NOT) & MF_CHECKED);
    EXPECT_STREQ("Like  %TEXT%", menuText(q, TAXOP_LIKE_ANY).data());
    EXPECT_STREQ("clear all\tCtrl+Shift+Bksp", menuText(q, TAXCMD_CLEARALL).data());
    rclick(g, colX(g, 1), qbeY);
    EXPECT_TRUE(menuState(q, TAXOP_EQ) & MF_CHECKED);
    EXPECT_FALSE(menuState(q, TAXOP_LIKE_START) & MF_CHECKED);

    /* The filter strip of a column outside the filter row counts as the data area. */
    menuCalls.clear();
    rclick(g, colX(g, 3), qbeY);
    rclick(g, colX(g, 0), rowY(g, 1));
    ASSERT_EQ(2u, menuCalls.size());
    EXPECT_EQ(TAXMENU_GRID, menuCalls[0].which);
    EXPECT_EQ(TAXMENU_GRID, menuCalls[1].which);
    HMENU gm = menuCalls[1].menu;
    EXPECT_EQ(0, menuState(gm, TAXCMD_FORM) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(gm, 2, MF_BYPOSITION) & MF_GRAYED) << "no TAX_COLORMENU";
    EXPECT_STREQ("Export...\tCtrl+E", menuText(gm, TAXCMD_EXPORT).data());
    EXPECT_EQ(g->hwnd, GetFocus());

    /* Ctrl+Shift over a column fits it instead of opening a menu. */
    menuCalls.clear();
    g->cols[0]->width = 3;
    rclick(g, 2, rowY(g, 1), MK_CONTROL | MK_SHIFT);
    EXPECT_EQ(0u, menuCalls.size());
    EXPECT_GT(g->cols[0]->width, 3);

    /* The Apps key opens the filter menu, with Ctrl the header menu, under the column. */
    g->curcol = 1;
    key(g, VK_APPS);
    key(g, VK_APPS, true);
    ASSERT_EQ(2u, menuCalls.size());
    EXPECT_EQ(TAXMENU_QBE, menuCalls[0].which);
    EXPECT_EQ(TAXMENU_HEADER, menuCalls[1].which);
    pt.x = g->cols[0]->width + g->cols[1]->width / 2;
    pt.y = g->headerHeight + g->qbeHeight;
    ClientToScreen(g->hwnd, &pt);
    EXPECT_EQ(pt.x, menuCalls[0].x);
    EXPECT_EQ(pt.y, menuCalls[0].y);
    g->curcol = 3;  // a column outside the filter row
    key(g, VK_APPS);
    EXPECT_EQ(2u, menuCalls.size());
}

TEST_F(Window, GridMenuFlags) {
    make(0x470, 3);
    cRerovar::setMenuHook(testMenuHook);
    rclick(g, 10, rowY(g, 1));
    ASSERT_EQ(1u, menuCalls.size());
    HMENU gm = menuCalls[0].menu;
    EXPECT_FALSE(GetMenuState(gm, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(0, g->qbeHeight);
    destroyGrid(g);
    make(TAX_COLSELECT, 3);
    cRerovar::setMenuHook(testMenuHook);
    rclick(g, 10, rowY(g, 1));
    EXPECT_TRUE(menuState(menuCalls[0].menu, TAXCMD_FORM) & MF_GRAYED) << "no TAX_FORM";
}

TEST_F(Window, MenuCommands) {
    make(0x50, 4);
    g->addCol(3, 60, "when", 4, TAXCOL_QBE, -1, -1, "", 0);
    g->rows[0]->setDat(3, mktimex(2023, 7, 9, 0, 0, 0, 0), 0, -1, -1);
    cRerovar::setMenuHook(testMenuHook);
    menuAnswer = TAXCMD_SORTDESC;
    rclick(g, colX(g, 1), 5);
    EXPECT_STREQ("r3", g->getStrV(1, 0).text);
    EXPECT_EQ(2, g->cols[1]->sortState);
    menuAnswer = TAXCMD_FORMAT0 + 2;
    rclick(g, colX(g, 1), 5);
    EXPECT_STREQ("%.2f", g->cols[1]->getFormat());
    EXPECT_STREQ("3.00", g->getStrV(2, 0).text);
    menuAnswer = TAXCMD_FORMAT0 + 1;
    rclick(g, colX(g, 2), 5);
    EXPECT_STREQ("DD.MM.YYYY", g->cols[2]->getFormat());
    menuAnswer = 0;

    /* Moving a column takes its items along. */
    g->menuCol = 0;
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_MOVERIGHT, 0);
    EXPECT_EQ(2, g->cols[0]->colid);
    EXPECT_EQ(1, g->cols[1]->colid);
    EXPECT_EQ(1, g->curcol);
    EXPECT_EQ(1, g->menuCol);
    EXPECT_STREQ("r3", g->rowindex2ptrV(0)->getStr(1, true));
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_MOVELEFT, 0);
    EXPECT_EQ(1, g->cols[0]->colid);
    g->menuCol = 0;
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_MOVELEFT, 0);  // nothing left of column 0
    EXPECT_EQ(1, g->cols[0]->colid);

    /* Commands with a notification code, or for a vanished column, do nothing. */
    g->menuCol = 1;
    SendMessageA(g->hwnd, WM_COMMAND, MAKEWPARAM(TAXCMD_SORTASC, 1), 0);
    EXPECT_EQ(2, g->cols[1]->sortState);
    g->menuCol = 40;
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_SORTASC, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_MOVERIGHT, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_FORMAT0, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_CLEAR, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXOP_GE, 0);
    EXPECT_EQ(2, g->cols[1]->sortState);
}

TEST_F(Window, ColourSchemeCommand) {
    make(0x470, 3);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_SCHEME + 2, 0);
    EXPECT_EQ(2, g->bandCount);
    EXPECT_EQ(0xFFFFFF, g->bandBack[0]);
    EXPECT_EQ(0xE0E0E0, g->bandBack[1]);
    EXPECT_EQ(0, g->bandText[1]);
    EXPECT_EQ(2, GetProfileIntA("VOR", "Rerovar_indexPreColor", -1));
    cRerovar* later = makeGrid(0x50);
    EXPECT_EQ(0xE0E0E0, later->bandBack[1]) << "grids made later take the scheme";
    cRerovar::setMenuHook(testMenuHook);
    rclick(later, 10, rowY(later, 1));
    EXPECT_TRUE(menuState(menuCalls[0].menu, TAXCMD_SCHEME + 2) & MF_CHECKED);
    EXPECT_FALSE(menuState(menuCalls[0].menu, TAXCMD_SCHEME) & MF_CHECKED);
    destroyGrid(later);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_SCHEME + 0, 0);
    EXPECT_EQ(0xC0E0F0, g->bandBack[0]);
    EXPECT_EQ(0xFFF8D8, g->bandBack[1]);
    EXPECT_EQ(0, GetProfileIntA("VOR", "Rerovar_indexPreColor", -1));
}

TEST_F(Window, MessageLoopFilterWithoutEditor) {
    make(0x50, 3);
    MSG msg;
    ZeroMemory(&msg, sizeof msg);
    msg.hwnd = g->hwnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_FALSE(cRerovar::wantMessage(msg, testParent()));
    msg.wParam = VK_ESCAPE;
    EXPECT_FALSE(cRerovar::wantMessage(msg, testParent()));
    msg.wParam = 'F';
    holdKeys(true, false);
    EXPECT_FALSE(cRerovar::wantMessage(msg, testParent()));
    holdKeys(false, false);
    EXPECT_FALSE(g->wantKey(VK_TAB));
    EXPECT_EQ(nullptr, cRerovar::CurEditTax);
}

namespace {
int destroyed = 0;
class CountedGrid : public cRerovar {
public:
    ~CountedGrid() override { destroyed++; }
};
}  // namespace

TEST_F(Window, DestroyingTheWindowDeletesTheGrid) {
    destroyed = 0;
    cRerovar* c = makeGrid(0x50, 200, 100, new CountedGrid());
    fillBasic(c, 3);
    HWND w = c->hwnd;
    DestroyWindow(w);
    EXPECT_EQ(1, destroyed);
    EXPECT_FALSE(IsWindow(w));

    /* Deleting the object takes its window along. */
    c = makeGrid(0x50, 200, 100, new CountedGrid());
    w = c->hwnd;
    delete c;
    EXPECT_EQ(2, destroyed);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(Window, KeyHookComesFirst) {
    struct Hooked : public cRerovar {
        int seen = 0;
        bool keyHook(int key, bool ctrl, bool shift) override {
            seen = key | (ctrl ? 0x1000 : 0) | (shift ? 0x2000 : 0);
            return key == VK_DOWN;
        }
    };
    Hooked* k = new Hooked();
    g = makeGrid(0x50, 400, 300, k);
    fillBasic(g, 5);
    g->setCurSel(0);
    key(g, VK_DOWN, true, true);
    EXPECT_EQ(VK_DOWN | 0x3000, k->seen);
    EXPECT_EQ(0, g->curow);
    key(g, VK_END);
    EXPECT_EQ(VK_END, k->seen);
    EXPECT_EQ(4, g->curow);
}

namespace {
int menuTimerRuns = 0;
void CALLBACK closeMenu(HWND, UINT, UINT_PTR, DWORD) {
    menuTimerRuns++;
    EndMenu();
}
}  // namespace

TEST_F(Window, RealPopupMenuTracksAndCanBeDismissed) {
    make(0x50, 3);
    menuTimerRuns = 0;
    UINT_PTR t = SetTimer(0, 0, 150, closeMenu);
    rclick(g, 10, rowY(g, 1));  // no hook: the platform tracks the menu
    rclick(g, colX(g, 1), 5);
    KillTimer(0, t);
    EXPECT_GE(menuTimerRuns, 2) << "both menus were open until the timer closed them";
    EXPECT_EQ(3, g->getCountA());
}
