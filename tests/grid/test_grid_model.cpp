/* The grid's data model: columns, rows, views, values, searching, deleting, sorting. */
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gridtest.h"

namespace {

class Model : public ::testing::Test {
protected:
    cRerovar* g = 0;
    void SetUp() override { g = makeGrid(TAX_COLSELECT | TAX_FORM); }
    void TearDown() override { destroyGrid(g); }

    /* Rows whose "name" cell reads s, in A order, joined with spaces. */
    std::string namesA() {
        std::string r;
        for (short a = 0; a < g->getCountA(); a++) {
            if (a)
                r += ' ';
            r += g->rowindex2ptrA(a)->getStr(1, false);
        }
        return r;
    }
    std::string namesV() {
        std::string r;
        for (short v = 0; v < g->getCountV(); v++) {
            if (v)
                r += ' ';
            r += g->rowindex2ptrV(v)->getStr(1, false);
        }
        return r;
    }
    /* Checks that vis holds exactly the A indices of the rows without TAXROW_HIDDEN. */
    void expectViewConsistent() {
        short n = 0;
        for (short a = 0; a < g->countA; a++) {
            if (!(g->rows[a]->flg & TAXROW_HIDDEN)) {
                ASSERT_LT(n, g->countV);
                EXPECT_EQ(a, g->vis[n]);
                n++;
            }
        }
        EXPECT_EQ(n, g->countV);
    }
};

}  // namespace

TEST_F(Model, InitSetsGeometryColoursAndHiddenWindow) {
    cRerovar* h = new cRerovar();
    ASSERT_TRUE(h->init(7, testParent(), 0, 0, 200, 100, TAX_COLSELECT));
    EXPECT_FALSE(IsWindowVisible(h->hwnd));
    EXPECT_EQ(h, (cRerovar*)GetWindowLongPtrA(h->hwnd, 0));
    EXPECT_EQ(7, h->getID());
    EXPECT_EQ(testParent(), h->getHwnd(2));
    EXPECT_EQ(h->hwnd, h->getHwnd(0));
    char cls[32];
    GetClassNameA(h->hwnd, cls, sizeof cls);
    EXPECT_STREQ("cRerovar", cls);
    int expectRow = (h->charHeight > 13 ? h->charHeight : 13) + 2;
    EXPECT_EQ(expectRow + 1, h->headerHeight);
    EXPECT_EQ(h->headerHeight - 4, h->qbeHeight);
    EXPECT_EQ(expectRow + ((h->flg & TAX_GRIDLINES) ? 1 : 0), h->rowHeight);
    EXPECT_EQ((h->clientH - h->headerHeight - h->qbeHeight) / h->rowHeight, h->pageRows);
    EXPECT_EQ(0xC0C0C0, h->hdrBack);
    EXPECT_EQ(0xA0A0A0, h->lineColor);
    EXPECT_STREQ("Auto-Form", h->formTitle);
    EXPECT_FALSE(h->init(7, testParent(), 0, 0, 200, 100, 0)) << "second init";
    h->show();
    EXPECT_TRUE(IsWindowVisible(h->hwnd));
    h->hide();
    EXPECT_FALSE(IsWindowVisible(h->hwnd));

    /* Grid lines make every row one pixel taller. */
    short rh = h->rowHeight;
    bool had = (h->flg & TAX_GRIDLINES) != 0;
    h->setFlg(TAX_GRIDLINES, !had);
    EXPECT_EQ(rh + (had ? -1 : 1), h->rowHeight);
    EXPECT_EQ((h->clientH - h->headerHeight - h->qbeHeight) / h->rowHeight, h->pageRows);
    destroyGrid(h);

    cRerovar* nq = new cRerovar();
    ASSERT_TRUE(nq->init(8, testParent(), 0, 0, 200, 100, TAX_NOQBE));
    EXPECT_EQ(0, nq->qbeHeight);
    destroyGrid(nq);
}

TEST_F(Model, ColumnsWidthsTypesAndLookup) {
    g->charWidth = 9;
    ASSERT_TRUE(g->addCol(10, -8, "chars", 2, TAXCOL_QBE, -1, -1, "", 0));
    ASSERT_TRUE(g->addCol(11, 0, "default", 1, TAXCOL_QBE, -1, -1, 0, 0));
    ASSERT_TRUE(g->addCol(12, 33, "blob", 8, TAXCOL_QBE | TAXCOL_SORTABLE, -1, -1, "", 0));
    ASSERT_TRUE(g->addCol(11, 20, "dup", 4, TAXCOL_QBE, -1, -1, "", 0));
    EXPECT_EQ(72, g->colid2ptr(10)->width);
    EXPECT_EQ(50, g->colid2ptr(11)->width);
    EXPECT_EQ(33, g->colid2ptr(12)->width);
    EXPECT_EQ(TAXCOL_SORTABLE, g->colid2ptr(12)->flg) << "binary columns take no filter";
    EXPECT_STREQ("", g->colid2ptr(11)->getFormat());
    EXPECT_EQ(1, g->colid2index(11)) << "first column with the colid wins";
    EXPECT_EQ(-1, g->colid2index(99));
    EXPECT_EQ(nullptr, g->colid2ptr(99));
    EXPECT_EQ(nullptr, g->index2col(4));
    EXPECT_EQ(nullptr, g->index2col(-1));
    EXPECT_EQ(4, g->getColCountA());
    EXPECT_EQ(4, g->getColCountV());

    /* Default filter operators: = for numbers and dates, like for the rest. */
    EXPECT_EQ(TAXOP_LIKE_START, g->cols[0]->qbeOp);
    EXPECT_EQ(TAXOP_EQ, g->cols[1]->qbeOp);
    EXPECT_EQ(TAXOP_EQ, g->cols[3]->qbeOp);
    g->likeDefault = 1;
    ASSERT_TRUE(g->addCol(13, 10, "like", 2, TAXCOL_QBE, -1, -1, "", 0));
    EXPECT_EQ(TAXOP_LIKE_ANY, g->colid2ptr(13)->qbeOp);

    EXPECT_EQ(0, g->getColCountS());
    EXPECT_EQ(-1, g->getSelcolid());
    g->cols[2]->setsel(true);
    g->cols[3]->setsel(true);
    EXPECT_TRUE(g->cols[2]->getsel());
    EXPECT_EQ(2, g->getColCountS());
    EXPECT_EQ(12, g->getSelcolid());

    g->cols[0]->setTitle("renamed");
    EXPECT_STREQ("renamed", g->cols[0]->getTitle());
    EXPECT_EQ(g, g->cols[0]->getRerovar());
    EXPECT_EQ(4, g->cols[3]->getTypex());
    EXPECT_EQ(11, g->cols[3]->getColid());

    g->deleteCols(true);
    EXPECT_EQ(0, g->getColCountA());
    EXPECT_EQ(-1, g->curcol);
}

TEST_F(Model, AddRowNeedsColumnsAndInsertsAtPosition) {
    EXPECT_EQ(nullptr, g->addRow(-1));
    fillBasic(g, 3);
    EXPECT_EQ("r0 r1 r2", namesA());
    cTaxRow* r = g->addRow(1);
    ASSERT_NE(nullptr, r);
    r->setStr(1, "new", 0, -1, -1);
    EXPECT_EQ("r0 new r1 r2", namesA());
    EXPECT_EQ(1, g->ptr2rowindexA(r));
    EXPECT_EQ(-1, g->ptr2rowindexA(nullptr));
    g->addRow(4)->setStr(1, "end", 0, -1, -1);  // 4 == countA: appended
    g->addRow(-5)->setStr(1, "neg", 0, -1, -1);
    EXPECT_EQ("r0 new r1 r2 end neg", namesA());
    EXPECT_EQ(6, g->getCountV());
    expectViewConsistent();

    /* With hidden rows an appended row still shows and the view is rebuilt. */
    g->rows[0]->setFlg(TAXROW_HIDDEN, true);
    g->rebuildV();
    g->addRow(-1)->setStr(1, "last", 0, -1, -1);
    EXPECT_EQ("new r1 r2 end neg last", namesV());
    expectViewConsistent();

    /* Every item starts null, with flags 0 and inherited colours. */
    cTaxit* it = g->rowindex2ptrA(6)->item(1);
    ASSERT_NE(nullptr, it);
    EXPECT_TRUE(it->value->isNull());
    EXPECT_EQ(1, it->value->type());
    EXPECT_EQ(0, it->getFlg());
    EXPECT_EQ(-1, it->back);
    EXPECT_EQ(nullptr, g->rowindex2ptrA(0)->item(2));
    EXPECT_EQ(nullptr, g->rowindex2ptrA(0)->item(-1));
}

TEST_F(Model, CountsStopAt32767WithoutWrapping) {
    ASSERT_TRUE(g->addCol(1, 10, "n", 1, 0, -1, -1, "", 0));
    for (int i = 0; i < TAX_MAXCOUNT; i++)
        ASSERT_NE(nullptr, g->addRow(-1)) << i;
    EXPECT_EQ(TAX_MAXCOUNT, g->getCountA());
    EXPECT_EQ(TAX_MAXCOUNT, g->getCountV());
    EXPECT_EQ(nullptr, g->addRow(-1));
    EXPECT_EQ(nullptr, g->addRow(5));
    EXPECT_EQ(TAX_MAXCOUNT, g->getCountA());
    EXPECT_EQ(TAX_MAXCOUNT - 1, g->vis[TAX_MAXCOUNT - 1]);
    short a = TAX_MAXCOUNT - 1;
    EXPECT_FALSE(g->findNextRowA(a, ~0L)) << "search from the last index must not wrap";
    g->deleteRows(false);

    g->deleteCols(false);
    for (int i = 0; i < TAX_MAXCOUNT; i++)
        ASSERT_TRUE(g->addCol((short)i, 1, "", 2, 0, -1, -1, "", 0)) << i;
    EXPECT_FALSE(g->addCol(1, 1, "", 2, 0, -1, -1, "", 0));
    EXPECT_EQ(TAX_MAXCOUNT, g->getColCountA());
    g->deleteCols(false);
}

TEST_F(Model, ColumnsAddedAfterRowsGiveEveryRowAnItem) {
    fillBasic(g, 2);
    ASSERT_TRUE(g->addCol(3, 20, "late", 1, 0, -1, -1, "", 0));
    for (short a = 0; a < g->getCountA(); a++) {
        EXPECT_TRUE(g->rows[a]->complete());
        EXPECT_TRUE(g->rows[a]->getVar(3, false)->isNull());
    }
    EXPECT_TRUE(g->rows[1]->setNum(3, 4.5, 0, -1, -1));
    EXPECT_DOUBLE_EQ(4.5, g->getNumA(3, 1));
    g->deleteCols(true);
    EXPECT_EQ(3, g->getColCountA()) << "columns stay while rows exist";
}

TEST_F(Model, TypedSettersAndGetters) {
    g->addCol(1, 40, "s", 2, 0, -1, -1, "", 0);
    g->addCol(2, 40, "n", 1, 0, -1, -1, "%.2f", 0);
    g->addCol(3, 40, "d", 4, 0, -1, -1, "YYYY-MM-DD", 0);
    g->addCol(4, 40, "any", 0, 0, -1, -1, "", 0);
    cTaxRow* r = g->addRow(-1);
    EXPECT_TRUE(r->setStr(2, "12.5", 5, 0x112233, 0x445566));
    EXPECT_EQ(1, r->getVar(2, false)->type()) << "text converts to the column's class";
    EXPECT_DOUBLE_EQ(12.5, r->getNum(2, false));
    EXPECT_STREQ("12.50", r->getStr(2, false));
    EXPECT_STREQ("12.50", r->getStr(1, true));
    EXPECT_EQ(5, r->item(1)->flg);
    EXPECT_EQ(0x112233, r->item(1)->back);
    EXPECT_EQ(0x445566, r->item(1)->text);
    EXPECT_TRUE(r->setNum(1, 3, 0, -1, -1));
    EXPECT_EQ(2, r->getVar(1, false)->type());
    EXPECT_DOUBLE_EQ(3.0, r->getNum(1, false));
    __int64 t = mktimex(2024, 2, 29, 0, 0, 0, 0);
    EXPECT_TRUE(r->setDat(3, t, 0, -1, -1));
    EXPECT_EQ(t, r->getDat(3, false));
    EXPECT_STREQ("2024-02-29", r->getStr(3, false));

    /* A typex-0 column takes the class of whatever it is given. */
    cNumbex n(7);
    EXPECT_TRUE(r->setVar(4, &n, 0, -1, -1));
    EXPECT_EQ(1, r->getVar(4, false)->type());
    cStrinx s("seven");
    EXPECT_TRUE(r->setVar(4, &s, 0, -1, -1));
    EXPECT_EQ(2, r->getVar(4, false)->type());
    EXPECT_STREQ("seven", r->getStr(4, false));
    EXPECT_TRUE(r->setVar(4, r->getVar(4, false), 0, -1, -1)) << "assigned its own value";
    EXPECT_STREQ("seven", r->getStr(4, false));
    r->setNull(4);
    EXPECT_TRUE(r->getVar(4, false)->isNull());

    /* Unknown columns. */
    EXPECT_FALSE(r->setStr(99, "x", 0, -1, -1));
    EXPECT_EQ(nullptr, r->getVar(99, false));
    EXPECT_EQ(nullptr, r->getStr(4, true));
    EXPECT_EQ(nullptr, r->getStr(-1, true));
    EXPECT_DOUBLE_EQ(0.0, r->getNum(99, false));
    EXPECT_TRUE(r->getNumbex(99, false).isNull());
    EXPECT_EQ(0, r->getDat(99, false));
    EXPECT_EQ(0, r->getCbxVal(99, false));
    r->setItemFlg(99, 1, true);
    r->setItemColors(99, 1, 1);
    r->setNull(99);

    /* Grid-level getters: a row index outside its view means the current row. */
    cTaxRow* r2 = g->addRow(-1);
    r2->setStr(1, "second", 0, -1, -1);
    EXPECT_EQ(std::string(""), std::string(g->getStrA(1, 5).text)) << "no current row";
    EXPECT_DOUBLE_EQ(0.0, g->getNumV(2, -1));
    EXPECT_TRUE(g->getNumbexA(2, 9).isNull());
    g->setCurSel(1);
    EXPECT_STREQ("second", g->getStrA(1, 5).text);
    EXPECT_STREQ("second", g->getStrV(1, -1).text);
    EXPECT_STREQ("3", g->getStrA(1, 0).text);
    EXPECT_DOUBLE_EQ(12.5, g->getNumA(2, 0));
    EXPECT_DOUBLE_EQ(12.5, g->getNumbexV(2, 0).toDouble());
    EXPECT_STREQ("", g->getStrV(99, 0).text);
}

TEST_F(Model, CopiedRowGetsFreshItems) {
    fillBasic(g, 1);
    cTaxRow* src = g->rows[0];
    src->flg = TAXROW_FORDELETE;
    src->setItemFlg(1, 0x40, true);
    src->setItemColors(1, 0x123456, 0x654321);
    cTaxRow* copy = new cTaxRow(*src);
    EXPECT_EQ(g, copy->owner);
    EXPECT_EQ(TAXROW_FORDELETE, copy->flg);
    EXPECT_STREQ("r0", copy->getStr(1, false));
    EXPECT_EQ(0, copy->item(0)->flg);
    EXPECT_EQ(-1, copy->item(0)->back);
    EXPECT_EQ(-1, copy->item(0)->text);
    EXPECT_NE(src->getVar(1, false), copy->getVar(1, false));
    delete copy;
}

TEST_F(Model, ComboLists) {
    g->addCol(1, 40, "plain", 2, 0, -1, -1, "", 0);
    g->addCol(2, 40, "combo", 2, TAXCOL_COMBO, -1, -1, "", 0);
    for (int i = 0; i < 75; i++) {
        char buf[16];
        snprintf(buf, sizeof buf, "v%d", i);
        ASSERT_TRUE(g->addCbxStr(2, buf, 1000 + i));
    }
    EXPECT_TRUE(g->addCbxStr(1, "one", 1));
    EXPECT_FALSE(g->addCbxStr(99, "x", 1));
    EXPECT_EQ(75, g->cols[1]->cbxCount);
    EXPECT_EQ(1074, g->cols[1]->getCbxVal("v74"));
    EXPECT_EQ(0, g->cols[1]->getCbxVal("V74")) << "case-sensitive";
    EXPECT_EQ(0, g->cols[1]->getCbxVal(nullptr));
    EXPECT_EQ(0, g->cols[0]->getCbxVal("one")) << "no TAXCOL_COMBO";
    cTaxRow* r = g->addRow(-1);
    r->setStr(1, "one", 0, -1, -1);
    r->setStr(2, "v3", 0, -1, -1);
    EXPECT_EQ(0, r->getCbxVal(1, false));
    EXPECT_EQ(1003, r->getCbxVal(1, true));
    EXPECT_EQ(1003, g->getCbxValA(2, 0));
}

TEST_F(Model, FlagsSearchingAndSelection) {
    fillBasic(g, 6);
    g->rows[1]->setsel(true);
    g->rows[4]->setsel(true);
    g->rows[3]->setFlg(TAXROW_FORDELETE, true);
    short v = -1;
    ASSERT_TRUE(g->findNextRowV(v, TAXROW_SELECTED));
    EXPECT_EQ(1, v);
    ASSERT_TRUE(g->findNextRowV(v, TAXROW_SELECTED));
    EXPECT_EQ(4, v);
    EXPECT_FALSE(g->findNextRowV(v, TAXROW_SELECTED));
    EXPECT_EQ(4, v) << "unchanged when nothing is found";
    short a = -7;
    ASSERT_TRUE(g->findNextRowA(a, TAXROW_FORDELETE));
    EXPECT_EQ(3, a);

    /* Hiding a row clears its selection. */
    g->rows[4]->setFlg(TAXROW_HIDDEN, true);
    EXPECT_FALSE(g->rows[4]->getsel());
    g->rebuildV();

    EXPECT_EQ(2, g->findStringA(1, "r2", false));
    EXPECT_EQ(-1, g->findStringA(1, "R2", false));
    EXPECT_EQ(2, g->findStringA(1, "R2", true));
    EXPECT_EQ(4, g->findStringV(1, "r5", false)) << "V index, the hidden row skipped";
    EXPECT_EQ(-1, g->findStringV(1, "r4", false));
    EXPECT_EQ(-1, g->findStringA(1, "r", false)) << "whole text only";
    EXPECT_EQ(-1, g->findStringA(99, "r2", false));
    EXPECT_EQ(3, g->findStringA(2, "3", false));

    /* setCurSel clamps to the last row and makes it current, selected and the anchor. */
    clearNotes();
    g->setCurSel(100);
    EXPECT_EQ(4, g->getCurowV());
    EXPECT_EQ(5, g->getCurowA());
    EXPECT_EQ(1, g->getCountS());
    EXPECT_EQ(4, g->anchorRow);
    EXPECT_FALSE(g->rows[1]->getsel());
    ASSERT_EQ(1u, notesOf(TAXN_CURROW).size());
    EXPECT_EQ(4, notesOf(TAXN_CURROW)[0].lp);
    EXPECT_EQ((WPARAM)g, notesOf(TAXN_CURROW)[0].wp);
    g->setCurSel(-3);
    EXPECT_EQ(-1, g->getCurowV());
    EXPECT_EQ(-1, g->getCurowA());
    EXPECT_EQ(nullptr, g->getCurowptrV());
    EXPECT_EQ(0, g->getCountS());

    /* setRowFlg2 falls back to the current row, and to nothing. */
    g->setRowFlg2(50, TAXROW_FORDELETE, true);
    g->setCurSel(0);
    g->setRowFlg2(-1, 0x100, true);
    EXPECT_TRUE(g->rows[0]->flg & 0x100);
    g->setRowFlg2(2, 0x100, true);
    EXPECT_TRUE(g->rows[2]->flg & 0x100);
    EXPECT_EQ(nullptr, g->rowindex2ptrV(g->getCountV()));
    EXPECT_EQ(nullptr, g->rowindex2ptrA(-1));
}

TEST_F(Model, DeletingRows) {
    fillBasic(g, 8);
    g->setCurSel(2);
    clearNotes();
    EXPECT_FALSE(g->deleteRow(8, true));
    EXPECT_FALSE(g->deleteRow(-1, true));
    ASSERT_TRUE(g->deleteRow(2, true));
    EXPECT_EQ("r0 r1 r3 r4 r5 r6 r7", namesA());
    EXPECT_EQ(2, g->getCurowV());
    EXPECT_TRUE(g->rowindex2ptrV(2)->getsel());
    EXPECT_EQ(1, g->getCountS());
    EXPECT_EQ(1u, notesOf(TAXN_CURROW).size());
    ASSERT_TRUE(g->deleteRow(6, true));  // the last row: the new last row follows
    EXPECT_EQ(5, g->getCurowV());
    EXPECT_EQ(2, g->getCountS());
    expectViewConsistent();

    /* Selected rows 1, 2 go; the row behind them becomes current. */
    g->setCurSel(1);
    g->rows[2]->setsel(true);
    g->countS = 2;
    g->rows[5]->setsel(false);
    g->deleteSelectedRows(true);
    EXPECT_EQ("r0 r4 r5 r6", namesA());
    EXPECT_EQ(1, g->getCurowV());
    EXPECT_STREQ("r4", g->getStrV(1, 1).text);
    EXPECT_EQ(1, g->getCountS());

    g->setCurSel(3);
    g->deleteSelectedRows(false);
    EXPECT_EQ("r0 r4 r5", namesA());
    EXPECT_EQ(-1, g->getCurowV());
    EXPECT_EQ(0, g->getCountS());
    g->deleteSelectedRows(true);  // nothing selected: nothing happens
    EXPECT_EQ(3, g->getCountA());

    g->setCurSel(2);
    g->rows[0]->setFlg(TAXROW_FORDELETE, true);
    g->rows[2]->setFlg(TAXROW_FORDELETE, true);
    g->deleteForDeleteRows(true);
    EXPECT_EQ("r4", namesA());
    EXPECT_EQ(0, g->getCountS());
    EXPECT_LT(g->getCurowV(), g->getCountV()) << "current row clamped";
    expectViewConsistent();

    g->deleteRows(true);
    EXPECT_EQ(0, g->getCountA());
    EXPECT_EQ(0, g->getCountV());
    EXPECT_EQ(-1, g->getCurowV());
    EXPECT_EQ(0, g->topRow);
}

TEST_F(Model, DeletingKeepsTheTopRowOnThePage) {
    fillBasic(g, 200);
    ASSERT_GT(g->pageRows, 3);
    g->setCurSel(199);
    short top = g->topRow;
    EXPECT_EQ(200 - g->pageRows, top);
    g->deleteRow(199, false);
    EXPECT_EQ(top - 1, g->topRow);
    EXPECT_LE(g->topRow + g->pageRows, g->getCountV());
    for (short v = 150; v < g->getCountV(); v++)
        g->rowindex2ptrV(v)->setsel(true);
    g->countS = (short)(g->getCountV() - 150);
    g->deleteSelectedRows(false);
    EXPECT_EQ(150, g->getCountV());
    EXPECT_LE(g->topRow, g->maxTopRow());
}

TEST_F(Model, AutoWidthShrinksOnlyForSmallGrids) {
    destroyGrid(g);
    g = makeGrid(TAX_COLSELECT | TAX_AUTOWIDTH);
    g->addCol(1, 10, "t", 2, 0, -1, -1, "", 0);
    for (int i = 0; i < 101; i++)
        g->addRow(-1)->setStr(1, "x", 0, -1, -1);
    g->rows[50]->setStr(1, "a much wider text than the others", 0, -1, -1);
    short wide = g->cols[0]->width;
    EXPECT_GT(wide, 100) << "widened while visible";
    g->deleteRow(50, false);  // 100 rows left: refit
    short narrow = g->cols[0]->width;
    EXPECT_LT(narrow, wide);

    g->addRow(-1);
    g->rows[0]->setStr(1, "a much wider text than the others", 0, -1, -1);
    g->addRow(-1);
    ASSERT_EQ(102, g->getCountA());
    wide = g->cols[0]->width;
    g->deleteRow(0, false);  // 101 left: widths stay
    EXPECT_EQ(wide, g->cols[0]->width);
}

TEST_F(Model, ColumnWidthRequests) {
    fillBasic(g, 3);
    g->rows[1]->setStr(1, "a long long long text", 0, -1, -1);
    g->setColWidth(1, -1, true);
    short opt = g->cols[0]->width;
    EXPECT_GT(opt, 80);
    g->setColWidth(1, 5, false);
    EXPECT_EQ(5, g->cols[0]->width);
    g->setColWidth(1, -2, false);
    short hdr = g->cols[0]->width;
    EXPECT_GT(hdr, 5);
    EXPECT_LT(hdr, opt);
    g->setColWidth(1, 500, false);
    g->setColWidth(1, -2, false);
    EXPECT_EQ(500, g->cols[0]->width) << "-2 never narrows";
    g->setColWidth(99, 7, false);
    g->setAllColWidth(0, false);
    EXPECT_EQ(0, g->cols[0]->width);
    EXPECT_EQ(0, g->cols[1]->width);
    g->addCol(3, 10, "", 1, TAXCOL_CHECKBOX, -1, -1, "", 0);
    g->rows[0]->setNum(3, 1, 0, -1, -1);
    g->setColWidth(3, -1, false);
    EXPECT_EQ(15, g->cols[2]->width) << "check boxes measure 15";
    g->rows[0]->setStr(1, std::string(400, 'W').c_str(), 0, -1, -1);
    g->setColWidth(1, -1, false);
    EXPECT_EQ(600, g->cols[0]->width) << "clamped";
}

/* The optimal width is the widest text as GetTextExtentPoint32A measures it in the grid's font,
   over every row: the texts span the whole single-byte range, and the widest sits last. */
TEST_F(Model, OptimalWidthEqualsTheMeasuredWidestText) {
    g->addCol(1, 10, "t", 2, 0, -1, -1, "", 0);
    g->addCol(2, 10, "n", 1, 0, -1, -1, "%.3f", 0);
    std::vector<std::string> texts;
    for (int i = 0; i < 600; i++) {
        std::string t;
        for (int k = 0; k <= i % 23; k++)
            t += (char)(32 + (i * 7 + k * 13) % 224);
        texts.push_back(t);
    }
    texts.push_back("");
    texts.push_back("WWWWWWWWWWWWWWWWWWWWWWWWWW mmmm ~~~~ \xc4\xe4\xd6");
    for (size_t i = 0; i < texts.size(); i++) {
        cTaxRow* row = g->addRow(-1);
        ASSERT_TRUE(row);
        row->setStr(1, texts[i].c_str(), 0, -1, -1);
        row->setNum(2, i * 1234.5678, 0, -1, -1);
    }
    g->setColWidth(1, -1, false);
    g->setColWidth(2, -1, false);

    HDC dc = GetDC(g->hwnd);
    HGDIOBJ old = SelectObject(dc, g->font);
    auto measure = [&](char const* s) {
        SIZE sz = {0, 0};
        if (*s)
            GetTextExtentPoint32A(dc, s, (int)strlen(s), &sz);
        int w = sz.cx + 6;
        return w > 600 ? 600 : w;
    };
    int widest = 0, widestNum = 0;
    for (size_t i = 0; i < texts.size(); i++) {
        widest = std::max(widest, measure(texts[i].c_str()));
        char num[64];
        snprintf(num, sizeof num, "%.3f", i * 1234.5678);
        widestNum = std::max(widestNum, measure(num));
    }
    SelectObject(dc, old);
    ReleaseDC(g->hwnd, dc);
    EXPECT_EQ(widest, g->cols[0]->width);
    EXPECT_EQ(widestNum, g->cols[1]->width) << "numbers measured in the column's format";

    /* The header still counts when it is the widest. */
    g->addCol(3, 10, "a header wider than any of its cells", 2, 0, -1, -1, "", 0);
    g->rows[0]->setStr(3, "x", 0, -1, -1);
    g->setColWidth(3, -1, false);
    short hdr = g->cols[2]->width;
    g->setColWidth(3, 0, false);
    g->setColWidth(3, -2, false);
    EXPECT_EQ(hdr, g->cols[2]->width);
}

/* Rows appended in a bulk load: the scroll range is set once at the end and then matches a
   row-by-row load; rows, views and values are the same. */
TEST_F(Model, BulkLoadSetsTheScrollRangeOnceAtTheEnd) {
    g->addCol(1, 60, "t", 2, 0, -1, -1, "", 0);
    g->beginBulkLoad();
    for (int i = 0; i < 500; i++)
        g->addRow(-1)->setStr(1, std::to_string(i).c_str(), 0, -1, -1);
    SCROLLINFO si = {sizeof si, SIF_RANGE};
    GetScrollInfo(g->hwnd, SB_VERT, &si);
    EXPECT_LT(si.nMax, g->maxTopRow()) << "not set while loading";
    g->endBulkLoad();
    GetScrollInfo(g->hwnd, SB_VERT, &si);
    EXPECT_EQ(g->maxTopRow(), si.nMax);
    EXPECT_EQ(500, g->getCountA());
    EXPECT_EQ(500, g->getCountV());
    EXPECT_STREQ("499", g->rows[499]->getStr(1, false));
    EXPECT_EQ(499, g->vis[499]);
    g->addRow(-1);
    GetScrollInfo(g->hwnd, SB_VERT, &si);
    EXPECT_EQ(g->maxTopRow(), si.nMax) << "row by row again after the load";
}

namespace {
WNDPROC gridProc;
int reframes;
LRESULT CALLBACK countReframes(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCALCSIZE)
        reframes++;
    return CallWindowProcA(gridProc, w, m, wp, lp);
}
}  // namespace

/* A result loaded again (rows and columns cleared, added again) inside nested bulk loads:
   the bars are set once, by the outer end, so bars that end as they were never reframe the
   window on the way (under Wine each reframe repaints the frame, about 10 ms). */
TEST_F(Model, ReloadInNestedBulkLoadsKeepsTheFrame) {
    auto load = [this] {
        g->addCol(1, 60, "a", 2, 0, -1, -1, "", 0);
        g->addCol(2, 60, "b", 2, 0, -1, -1, "", 0);
        for (int i = 0; i < 300; i++)
            g->addRow(-1)->setStr(1, std::to_string(i).c_str(), 0, -1, -1);
    };
    g->beginBulkLoad();
    load();
    g->endBulkLoad();
    SCROLLINFO before = {};
    before.cbSize = sizeof before;
    before.fMask = SIF_RANGE;
    ASSERT_TRUE(GetScrollInfo(g->hwnd, SB_VERT, &before));
    ASSERT_EQ(g->maxTopRow(), before.nMax);

    gridProc = (WNDPROC)SetWindowLongPtrA(g->hwnd, GWLP_WNDPROC, (LONG_PTR)countReframes);
    reframes = 0;
    g->beginBulkLoad();
    g->beginBulkLoad();
    g->deleteRows(false);
    g->deleteCols(false);
    g->endBulkLoad();
    SCROLLINFO si = before;
    si.nMax = -1;
    GetScrollInfo(g->hwnd, SB_VERT, &si);
    EXPECT_EQ(before.nMax, si.nMax) << "an inner end sets nothing";
    load();
    g->endBulkLoad();
    SetWindowLongPtrA(g->hwnd, GWLP_WNDPROC, (LONG_PTR)gridProc);
    EXPECT_EQ(0, reframes);
    GetScrollInfo(g->hwnd, SB_VERT, &si);
    EXPECT_EQ(g->maxTopRow(), si.nMax);
    EXPECT_EQ(300, g->getCountA());

    // Outside a bulk load the same clearing does reframe: the count above means something.
    g->deleteRows(false);
    gridProc = (WNDPROC)SetWindowLongPtrA(g->hwnd, GWLP_WNDPROC, (LONG_PTR)countReframes);
    g->deleteCols(false);
    g->addCol(1, 60, "a", 2, 0, -1, -1, "", 0);
    SetWindowLongPtrA(g->hwnd, GWLP_WNDPROC, (LONG_PTR)gridProc);
    EXPECT_GT(reframes, 0);
}

namespace {
/* Counts the after_sort calls. */
class SortGrid : public cRerovar {
public:
    int sorted = 0;

protected:
    void after_sort() override { sorted++; }
};
}  // namespace

TEST_F(Model, SortingRows) {
    destroyGrid(g);
    SortGrid* sg = new SortGrid();
    g = makeGrid(TAX_COLSELECT, 400, 300, sg);
    fillBasic(g, 4);
    g->rows[0]->setNum(2, 30, 0, -1, -1);
    g->rows[1]->setNum(2, 10, 0, -1, -1);
    g->rows[2]->setNum(2, 40, 0, -1, -1);
    g->rows[3]->setNum(2, 20, 0, -1, -1);
    g->setCurSel(2);
    clearNotes();

    g->sort(2, 3);
    EXPECT_EQ("r1 r3 r0 r2", namesA());
    EXPECT_EQ(1, g->colid2ptr(2)->sortState);
    EXPECT_EQ(1, sg->sorted);
    EXPECT_EQ(0, g->getCurowV()) << "goes to the first row";
    auto s = notesOf(TAXN_SORT);
    ASSERT_EQ(1u, s.size());
    EXPECT_EQ(MAKELPARAM(2, 1), s[0].lp);
    g->sort(2, 3);
    EXPECT_EQ("r2 r0 r3 r1", namesA());
    EXPECT_EQ(2, g->colid2ptr(2)->sortState);

    /* Another column resets the markers of the others. */
    g->sort(1, 1);
    EXPECT_EQ("r0 r1 r2 r3", namesA());
    EXPECT_EQ(0, g->colid2ptr(2)->sortState);

    /* Direction 0 only resets the markers. */
    g->sort(2, 2);
    g->sort(2, 0);
    EXPECT_EQ("r2 r0 r3 r1", namesA());
    EXPECT_EQ(0, g->colid2ptr(2)->sortState);

    /* The parent that answers 2 keeps the order and the grid calls nothing. */
    int before = sg->sorted;
    sortAnswer = TAXN_SORT_HANDLED;
    g->sort(2, 1);
    EXPECT_EQ("r2 r0 r3 r1", namesA());
    EXPECT_EQ(1, g->colid2ptr(2)->sortState);
    EXPECT_EQ(before, sg->sorted);
    sortAnswer = 0;
    g->sort(99, 1);
    EXPECT_EQ(before, sg->sorted);

    /* Sorting keeps the hidden rows hidden. */
    g->rows[0]->setFlg(TAXROW_HIDDEN, true);
    g->rebuildV();
    g->sort(1, 1);
    EXPECT_EQ("r0 r1 r3", namesV());
    expectViewConsistent();
}

TEST_F(Model, Colours) {
    g->setColors(0x111111, 0x222222, 0x333333, 0x444444);
    EXPECT_EQ(2, g->bandCount);
    EXPECT_EQ(0x333333, g->bandBack[1]);
    EXPECT_EQ(0x444444, g->bandText[1]);
    g->setColors((short)-1, 0x010203, 0);
    EXPECT_EQ(0x010203, g->hdrBack);
    g->setColors((short)-2, 0x0A0B0C, 0);
    EXPECT_EQ(0x0A0B0C, g->formColor);
    g->setColors((short)1, 0x555555, 0x666666);
    EXPECT_EQ(1, g->bandCount);
    EXPECT_EQ(0x555555, g->bandBack[0]);
    long backs[7] = {1, 2, 3, 4, 5, 6, 7}, texts[7] = {11, 12, 13, 14, 15, 16, 17};
    g->setColors((short)9, (intptr_t)backs, (intptr_t)texts);
    EXPECT_EQ(5, g->bandCount) << "at most five bands";
    EXPECT_EQ(5, g->bandBack[4]);
    EXPECT_EQ(15, g->bandText[4]);
    g->setColors((short)3, (intptr_t)backs, (intptr_t)texts);
    EXPECT_EQ(3, g->bandCount);
    g->setColors((short)3, 0, 0);
    EXPECT_EQ(3, g->bandCount) << "no arrays: nothing changes";
}

TEST_F(Model, SortOrderMatchesXompareForEveryColumnType) {
    g->addCol(1, 40, "text", 2, 0, -1, -1, "", 0);
    g->addCol(2, 40, "num", 1, 0, -1, -1, "", 0);
    g->addCol(3, 40, "date", 4, 0, -1, -1, "", 0);
    g->addCol(4, 40, "any", 0, 0, -1, -1, "", 0);
    g->addCol(5, 40, "untyped numbers", 0, 0, -1, -1, "", 0);  // sorted row by row
    char const* texts[] = {"b", "A", "abc", "", "C", "a", "\xE1z", "B", "ab", "Zed"};
    double nan = 0.0 / 0.0;  // a NaN must not break the order
    double nums[] = {3, -1, nan, 2.5, 0, 1e9, -7, 3, nan, 0.5};
    for (int i = 0; i < 10; i++) {
        cTaxRow* r = g->addRow(-1);
        r->setStr(1, texts[i], 0, -1, -1);
        if (i != 4)
            r->setNum(2, nums[i], 0, -1, -1);
        if (i % 3)
            r->setDat(3, mktimex(2000 + i * 7 % 5, 1, 1 + i, 0, 0, 0, 0), 0, -1, -1);
        if (i % 2)
            r->setNum(4, i * 10, 0, -1, -1);
        else
            r->setStr(4, texts[i], 0, -1, -1);
        r->setNum(5, nums[i], 0, -1, -1);
    }
    for (short colid = 1; colid <= 5; colid++) {
        for (short dir = 1; dir <= 2; dir++) {
            g->sort(colid, dir);
            EXPECT_EQ(10, g->getCountV());
            for (short a = 1; a < g->getCountA(); a++) {
                cVariablex* p = g->rows[a - 1]->getVar(colid, false);
                cVariablex* q = g->rows[a]->getVar(colid, false);
                int c = xompare(p, q);
                if (colid == 4)
                    continue;  // mixed classes compare without a consistent order
                EXPECT_LE(dir == 1 ? c : -c, 0) << "colid " << colid << " dir " << dir << " at " << a;
            }
        }
    }
    for (short colid : {2, 5}) {  // NaNs last, as the data sources order them
        g->sort(colid, 1);
        EXPECT_NE(g->rows[8]->getNum(colid, false), g->rows[8]->getNum(colid, false));
        EXPECT_EQ(g->rows[7]->getNum(colid, false), 1e9) << colid;
    }
    g->sort(1, 1);
    EXPECT_STREQ("", g->rows[0]->getStr(1, false));
    EXPECT_STREQ("Zed", g->rows[8]->getStr(1, false)) << "letters fold to lower case";
    EXPECT_STREQ("\xE1z", g->rows[9]->getStr(1, false)) << "bytes above 127 after the letters";
    expectViewConsistent();
}
