/* The filter row: typing, operators, negation, display texts and the default filtering. */
#include <gtest/gtest.h>

#include <string>

#include "gridrc.h"
#include "gridtest.h"

namespace {

class Filter : public ::testing::Test {
protected:
    cRerovar* g = 0;
    void SetUp() override {
        g = makeGrid(0x50);
        g->addCol(1, 80, "text", 2, TAXCOL_QBE | TAXCOL_SORTABLE, -1, -1, "", 0);
        g->addCol(2, 60, "num", 1, TAXCOL_QBE | TAXCOL_RIGHT, -1, -1, "", 0);
        g->addCol(3, 60, "off", 2, TAXCOL_SORTABLE, -1, -1, "", 0);
        /* Windows-1250: \xC1 is A with an acute accent. */
        char const* texts[] = {"abc", "ABX", "\xC1" "bz", "xab", "a", "", "Abc"};
        double nums[] = {10, 12, 9, -1, 11, 10, 3};
        for (int i = 0; i < 7; i++) {
            cTaxRow* r = g->addRow(-1);
            r->setStr(1, texts[i], 0, -1, -1);
            if (nums[i] >= 0)
                r->setNum(2, nums[i], 0, -1, -1);
            r->setStr(3, "x", 0, -1, -1);
        }
        g->curcol = 0;
        clearNotes();
    }
    void TearDown() override { destroyGrid(g); }

    /* The visible rows' texts, joined with "|". */
    std::string shown() {
        std::string r;
        for (short v = 0; v < g->getCountV(); v++) {
            if (v)
                r += '|';
            r += g->rowindex2ptrV(v)->getStr(1, false);
        }
        return r;
    }
    /* The filter WM_COMMAND notifications received. */
    int qbeNotes() {
        int n = 0;
        for (auto& m : notesOf(WM_COMMAND)) {
            EXPECT_EQ(MAKEWPARAM(100, TAXN_QBECHANGE), m.wp);
            EXPECT_EQ((LPARAM)g->hwnd, m.lp);
            n++;
        }
        return n;
    }
    void menu(short col, int cmd) {
        g->menuCol = col;
        SendMessageA(g->hwnd, WM_COMMAND, (WPARAM)cmd, 0);
    }
};

}  // namespace

TEST_F(Filter, TypingFiltersByPrefixIgnoringCaseAndAccents) {
    EXPECT_STREQ("%", g->cols[0]->qbeShow);
    EXPECT_STREQ("=", g->cols[1]->qbeShow);
    EXPECT_STREQ("", g->cols[2]->qbeShow) << "not in the filter row";
    typeChar(g, 'a');
    EXPECT_EQ("abc|ABX|\xC1" "bz|a|Abc", shown());
    typeChar(g, 'b');
    EXPECT_STREQ("ab", g->cols[0]->qbeText);
    EXPECT_EQ(2, g->cols[0]->qbeLen);
    EXPECT_STREQ("ab%", g->cols[0]->qbeShow);
    EXPECT_EQ("abc|ABX|\xC1" "bz|Abc", shown()) << "the one-letter cell is shorter than the filter";
    EXPECT_EQ(2, qbeNotes());
    /* Every re-filter goes to the first row. */
    EXPECT_EQ(0, g->curow);
    EXPECT_EQ(1, g->countS);
    EXPECT_EQ(2u, notesOf(TAXN_CURROW).size());
    EXPECT_EQ(TAXN_CURROW, notes()[0].msg) << "the row notice comes before the filter notice";

    typeChar(g, 8);
    EXPECT_STREQ("a%", g->cols[0]->qbeShow);
    typeChar(g, 8);
    EXPECT_EQ(7, g->getCountV());
    clearNotes();
    typeChar(g, 8);
    EXPECT_EQ(0, qbeNotes()) << "Backspace on an empty filter does nothing";
    EXPECT_EQ(0u, notes().size());
}

TEST_F(Filter, TypingNeedsColumnSelectionAndAFilterColumn) {
    typeChar(g, 'a', true);
    typeChar(g, '\r');
    typeChar(g, '\t');
    typeChar(g, 27);
    typeChar(g, 1);
    EXPECT_EQ(0, g->cols[0]->qbeLen) << "Ctrl, Enter, Tab, Esc and control codes";
    g->curcol = 2;
    typeChar(g, 'x');
    EXPECT_EQ(0, g->cols[2]->qbeLen);
    g->curcol = -1;
    typeChar(g, 'x');
    g->curcol = 99;
    typeChar(g, 'x');
    EXPECT_EQ(0, qbeNotes());
    destroyGrid(g);

    g = makeGrid(TAX_COLSELECT | TAX_NOQBE);
    g->addCol(1, 80, "text", 2, TAXCOL_QBE, -1, -1, "", 0);
    g->curcol = 0;
    typeChar(g, 'x');
    EXPECT_EQ(0, g->cols[0]->qbeLen) << "no filter row";
    destroyGrid(g);
    g = makeGrid(0);
    g->addCol(1, 80, "text", 2, TAXCOL_QBE, -1, -1, "", 0);
    g->curcol = 0;
    typeChar(g, 'x');
    EXPECT_EQ(0, g->cols[0]->qbeLen) << "no TAX_COLSELECT";
}

TEST_F(Filter, TextStopsAtThirtyCharacters) {
    for (int i = 0; i < 35; i++)
        typeChar(g, 'q');
    EXPECT_EQ(30, g->cols[0]->qbeLen);
    EXPECT_EQ(std::string(30, 'q'), g->cols[0]->qbeText);
    EXPECT_EQ(30, qbeNotes());
    menu(0, TAXCMD_NOT);
    EXPECT_EQ("not " + std::string(30, 'q') + "%", g->cols[0]->qbeShow);
    menu(0, TAXOP_LIKE_ANY);
    EXPECT_EQ("not %" + std::string(30, 'q') + "%", g->cols[0]->qbeShow);
    EXPECT_EQ(7, g->getCountV());
}

TEST_F(Filter, OperatorsAndTheirDisplay) {
    typeText(g, "b");
    menu(0, TAXOP_LIKE_ANY);
    EXPECT_STREQ("%b%", g->cols[0]->qbeShow);
    EXPECT_EQ("abc|ABX|\xC1" "bz|xab|Abc", shown());
    menu(0, TAXOP_LIKE_END);
    EXPECT_STREQ("%b", g->cols[0]->qbeShow);
    EXPECT_EQ("xab", shown());
    menu(0, TAXCMD_NOT);
    EXPECT_STREQ("not %b", g->cols[0]->qbeShow);
    EXPECT_EQ("abc|ABX|\xC1" "bz|a||Abc", shown());

    char const* shows[] = {"not =b", "not <>b", "not <b", "not >b", "not <=b", "not >=b"};
    for (int op = TAXOP_EQ; op <= TAXOP_GE; op++) {
        menu(0, op);
        EXPECT_STREQ(shows[op - TAXOP_EQ], g->cols[0]->qbeShow);
        EXPECT_EQ(op, g->cols[0]->qbeOp);
    }
    menu(0, TAXCMD_NOT);
    EXPECT_STREQ(">=b", g->cols[0]->qbeShow);
    menu(0, 210);  // not an operator
    EXPECT_EQ(TAXOP_GE, g->cols[0]->qbeOp);
    menu(2, TAXOP_EQ);  // not a filter column
    EXPECT_EQ(TAXOP_LIKE_START, g->cols[2]->qbeOp);
}

TEST_F(Filter, TextEqualsFoldsCase) {
    menu(0, TAXOP_EQ);
    typeText(g, "abc");
    EXPECT_STREQ("=abc", g->cols[0]->qbeShow);
    EXPECT_EQ("abc|Abc", shown());
    typeChar(g, 8);
    typeChar(g, 8);
    typeChar(g, 8);
    typeText(g, "ABC");
    EXPECT_EQ("abc|Abc", shown());
    menu(0, TAXOP_GT);
    EXPECT_EQ("ABX|\xC1" "bz|xab", shown()) << "ordered by the case-folded bytes";
    // The cells lose their accents as the filter text does: a text with national letters
    // equals itself typed, and its plain form.
    menu(0, TAXOP_EQ);
    for (int i = 0; i < 3; i++)
        typeChar(g, 8);
    typeText(g, "\xC1" "bz");
    EXPECT_EQ("\xC1" "bz", shown());
    typeChar(g, 8);
    typeChar(g, 8);
    typeChar(g, 8);
    typeText(g, "abz");
    EXPECT_EQ("\xC1" "bz", shown());
}

TEST_F(Filter, NullOperators) {
    menu(1, TAXOP_NULL);
    EXPECT_STREQ("is null", g->cols[1]->qbeShow);
    EXPECT_EQ("xab", shown());
    menu(1, TAXCMD_NOT);
    EXPECT_STREQ("is not null", g->cols[1]->qbeShow);
    EXPECT_EQ(6, g->getCountV());
    menu(1, TAXOP_NOTNULL);
    EXPECT_STREQ("is null", g->cols[1]->qbeShow) << "NOT IS NOT NULL";
    EXPECT_EQ("xab", shown());
    menu(1, TAXCMD_NOT);
    EXPECT_STREQ("is not null", g->cols[1]->qbeShow);

    /* Typing under IS NULL changes nothing and says nothing. */
    g->curcol = 1;
    clearNotes();
    typeChar(g, '5');
    EXPECT_EQ(0, g->cols[1]->qbeLen);
    EXPECT_EQ(0, qbeNotes());

    /* Choosing IS NULL drops a typed text. */
    g->curcol = 0;
    typeText(g, "ab");
    menu(0, TAXOP_NULL);
    EXPECT_EQ(0, g->cols[0]->qbeLen);
    EXPECT_STREQ("is null", g->cols[0]->qbeShow);
    EXPECT_EQ("", shown()) << "the empty text is the null string";
}

TEST_F(Filter, NumberComparison) {
    g->curcol = 1;
    menu(1, TAXOP_GE);
    typeText(g, "10");
    EXPECT_STREQ(">=10", g->cols[1]->qbeShow);
    std::string kept;
    for (short v = 0; v < g->getCountV(); v++)
        kept += std::to_string((int)g->rowindex2ptrV(v)->getNum(2, false)) + " ";
    EXPECT_EQ("10 12 11 10 ", kept) << "9, 3 and the null cell hidden";
    menu(1, TAXCMD_NOT);
    kept.clear();
    for (short v = 0; v < g->getCountV(); v++) {
        cVariablex* val = g->rowindex2ptrV(v)->getVar(2, false);
        kept += val->isNull() ? std::string("null ") : std::to_string((int)val->toDouble()) + " ";
    }
    EXPECT_EQ("9 null 3 ", kept);
    // A decimal comma, as Czech users type it: 9.5, not 9.
    menu(1, TAXCMD_CLEAR);
    menu(1, TAXOP_GE);
    typeText(g, "9,5");
    kept.clear();
    for (short v = 0; v < g->getCountV(); v++)
        kept += std::to_string((int)g->rowindex2ptrV(v)->getNum(2, false)) + " ";
    EXPECT_EQ("10 12 11 10 ", kept);
}

TEST_F(Filter, FiltersCombineAndClear) {
    typeText(g, "a");
    g->curcol = 1;
    typeText(g, "10");
    EXPECT_EQ("abc", shown()) << "the empty text with 10 is no a-prefix";
    g->setCurSel(1);
    clearNotes();
    key(g, VK_BACK, true);  // the current column only
    EXPECT_EQ(0, g->cols[1]->qbeLen);
    EXPECT_EQ(1, g->cols[0]->qbeLen);
    EXPECT_EQ(5, g->getCountV());
    EXPECT_EQ(1, qbeNotes());
    menu(1, TAXOP_LT);
    typeText(g, "11");
    menu(1, TAXCMD_NOT);
    menu(1, TAXCMD_CLEAR);
    EXPECT_EQ(TAXOP_EQ, g->cols[1]->qbeOp);
    EXPECT_FALSE(g->cols[1]->qbeNot);
    EXPECT_STREQ("=", g->cols[1]->qbeShow);
    typeText(g, "12");
    EXPECT_EQ("ABX", shown());
    clearNotes();
    key(g, VK_BACK, true, true);
    EXPECT_EQ(7, g->getCountV());
    EXPECT_EQ(0, g->cols[0]->qbeLen);
    EXPECT_EQ(0, g->cols[1]->qbeLen);
    EXPECT_EQ(0, g->curow);
    EXPECT_EQ(1, qbeNotes());

    typeText(g, "1");
    menu(0, TAXCMD_CLEARALL);
    EXPECT_EQ(7, g->getCountV());
    g->curcol = -1;
    clearNotes();
    key(g, VK_BACK, true);  // no current column: nothing
    EXPECT_EQ(0, qbeNotes());
}

TEST_F(Filter, ClearQbeShowsEveryRow) {
    typeText(g, "x");
    EXPECT_EQ(1, g->getCountV());
    g->cols[1]->qbeOp = TAXOP_GT;
    g->cols[0]->qbeNot = true;
    g->clearQBE();
    EXPECT_EQ(7, g->getCountV());
    EXPECT_EQ(0, g->curow);
    EXPECT_EQ(TAXOP_EQ, g->cols[1]->qbeOp);
    EXPECT_FALSE(g->cols[0]->qbeNot);
    EXPECT_STREQ("%", g->cols[0]->qbeShow);
    for (short a = 0; a < g->getCountA(); a++)
        EXPECT_FALSE(g->rows[a]->flg & TAXROW_HIDDEN);
}

TEST_F(Filter, NewRowsStayVisibleUntilTheNextFilter) {
    typeText(g, "x");
    cTaxRow* r = g->addRow(-1);
    r->setStr(1, "zzz", 0, -1, -1);
    EXPECT_EQ("xab|zzz", shown());
    g->addRow(0)->setStr(1, "yyy", 0, -1, -1);
    EXPECT_EQ("yyy|xab|zzz", shown());
    typeChar(g, 'a');
    EXPECT_EQ("xab", shown());
}

TEST_F(Filter, DatesCompareAsDates) {
    g->addCol(4, 80, "when", 4, TAXCOL_QBE, -1, -1, "YYYY-MM-DD", 0);
    for (short a = 0; a < g->getCountA(); a++)
        g->rows[a]->setDat(4, mktimex(2020, 1, 1 + a, 0, 0, 0, 0), 0, -1, -1);
    g->curcol = 3;
    menu(3, TAXOP_GT);
    typeText(g, "2020-01-05");
    EXPECT_EQ(">2020-01-05", std::string(g->cols[3]->qbeShow));
    EXPECT_EQ(2, g->getCountV());
    EXPECT_STREQ("2020-01-06", g->rowindex2ptrV(0)->getStr(4, false));
}

namespace {
/* A derived grid that counts its filter requests and then filters as the base does. */
class CountingGrid : public cRerovar {
public:
    int calls = 0;

protected:
    void do_QBE() override {
        calls++;
        cRerovar::do_QBE();
    }
};
}  // namespace

TEST_F(Filter, OverriddenFilterIsCalledForEveryChange) {
    destroyGrid(g);
    CountingGrid* c = new CountingGrid();
    g = makeGrid(0x50, 400, 300, c);
    g->addCol(1, 80, "text", 2, TAXCOL_QBE, -1, -1, "", 0);
    g->addRow(-1)->setStr(1, "abc", 0, -1, -1);
    g->curcol = 0;
    typeText(g, "ab");
    typeChar(g, 8);
    g->menuCol = 0;
    SendMessageA(g->hwnd, WM_COMMAND, TAXOP_LIKE_ANY, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_NOT, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_CLEAR, 0);
    SendMessageA(g->hwnd, WM_COMMAND, TAXCMD_CLEARALL, 0);
    EXPECT_EQ(7, c->calls);
}
