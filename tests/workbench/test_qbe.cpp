/* The query-by-example window, the Grid menu's GROUP BY and CSV tools and the About box,
   on real windows in this process, against the SQLite3 and PostgreSQL data sources of
   .ci/odbcini.sh. The rows of every generated statement are compared with what the
   sqlite3 and psql clients return for the same text (qbe_expected.sh). */
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "corerc.h"
#include "dlgabout.h"
#include "dynataxwin.h"
#include "lumbrarc.h"
#include "qbetext.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "stmtmodel.h"
#include "wbtest.h"
#include "winutil.h"
#include "xdbc.h"

using wbtest::envOr;

namespace {

std::string hint() {
    return "needs the data sources of .ci/odbcini.sh and the tables and outputs of "
           "qbe_expected.sh (ctest fixture qbe_expected); ODBCINI=" + envOr("ODBCINI", "(unset)");
}

/* name -> statement, from qbe_cases.txt. */
std::map<std::string, std::string> const& cases() {
    static std::map<std::string, std::string> m;
    if (m.empty()) {
        std::ifstream in(QBE_CASES);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            size_t bar = line.find('|');
            if (bar != std::string::npos)
                m[line.substr(0, bar)] = line.substr(bar + 1);
        }
    }
    return m;
}

/* Rows the command-line client returned for a case; "<missing>" when not written. */
std::vector<std::string> expectedRows(std::string const& name, char const* client) {
    std::ifstream in(std::string(QBE_EXPECTED_DIR) + "/" + name + "." + client);
    std::vector<std::string> rows;
    if (!in)
        return {"<missing " + name + "." + client + ">"};
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        rows.push_back(line);
    }
    return rows;
}

/* The grid's rows, cells joined by "|" in column order. */
std::vector<std::string> gridRows(cResultGrid* g) {
    std::vector<std::string> rows;
    for (short a = 0; a < g->getCountA(); a++) {
        std::string r;
        for (short c = 0; c < g->getColCountA(); c++) {
            if (c)
                r += "|";
            cStrinx s = g->getStrA(g->index2col(c)->colid, a);
            r += (char const*)s ? (char const*)s : "";
        }
        rows.push_back(r);
    }
    return rows;
}

/* With LUMBRA_SHOT_PAUSE=ms set, stops at a named point with the windows painted, so
   that the screen can be captured from outside. */
void shotPoint(char const* name) {
    char const* ms = getenv("LUMBRA_SHOT_PAUSE");
    if (!ms || !*ms)
        return;
    printf("SHOT %s\n", name);
    fflush(stdout);
    wintest::pump((DWORD)atoi(ms));
}

/* The whole text of a window (wintest::windowText stops at 4 KB). */
std::string fullText(HWND w) {
    std::vector<char> buf(GetWindowTextLengthA(w) + 1, 0);
    GetWindowTextA(w, buf.data(), (int)buf.size());
    return buf.data();
}

std::set<HWND> qbeWindows() {
    std::vector<HWND> v = wintest::threadWindows("cDynataxwin");
    return std::set<HWND>(v.begin(), v.end());
}

/* The one window of after that is not in before. */
cDynataxwin* newWindow(std::set<HWND> const& before) {
    cDynataxwin* found = 0;
    for (HWND h : qbeWindows())
        if (!before.count(h)) {
            if (found)
                return 0;
            found = cDynataxwin::fromHwnd(h);
        }
    return found;
}

std::vector<std::string> comboItems(HWND combo) {
    std::vector<std::string> items;
    int n = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char buf[256] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)buf);
        items.push_back(buf);
    }
    return items;
}

/* Chooses an item as the user does: selection, then the combo box's notification. */
void choose(cDynataxwin* q, HWND combo, int index) {
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(q->hwnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 (LPARAM)combo);
}

/* Column, operator (by label) and value of the editor, then Run. */
void condition(cDynataxwin* q, int column, char const* op, char const* value) {
    choose(q, q->columnList, column);
    int k = (int)SendMessageA(q->operatorList, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)op);
    ASSERT_GE(k, 0) << "operator " << op << " offered";
    choose(q, q->operatorList, k);
    if (value)
        SetWindowTextA(q->valueField, value);
}

void press(cDynataxwin* q, int id) {
    SendMessageA(GetDlgItem(q->hwnd, id), BM_CLICK, 0, 0);
    wintest::pump();
}

/* A model over qbe_items as the window runs it: five columns, ordered by id. */
cStatementModel* itemsModel() {
    cStatementModel* m = new cStatementModel(1, "", "", "", "");
    for (char const* c : {"id", "name", "kind", "qty", "note"})
        m->addColumn(0, 0, "", "", "", c, "", "", 0, 0, 0, "", 0);
    m->setFrom("qbe_items");
    m->setOrderBy("id");
    return m;
}

class Qbe : public wbtest::MainTest {
protected:
    Qbe() : MainTest("wbqbe") {}
    void SetUp() override { open(); }
    void TearDown() override {
        MainTest::TearDown();
        EXPECT_EQ(cDynataxwin::openCount(), 0) << "closing the main window closes every window";
        EXPECT_EQ(cDynataxwin::sharedFont(), (HFONT)0);
    }
    void connect(std::string const& target) {
        runOne("connect " + target + ";");
        ASSERT_TRUE(w->slots[0]->connected) << wbtest::paneText(w) << " / " << hint();
    }
    cDynataxwin* openItems(int x = -1, int y = -1) {
        std::set<HWND> before = qbeWindows();
        cDynataxwin* q = new cDynataxwin(GetModuleHandleA(0), w->hwnd, w->slots[0]->db,
                                         itemsModel(), "Items", true, x, y, 700, 400);
        EXPECT_NE(q->hwnd, (HWND)0);
        EXPECT_EQ(newWindow(before), q);
        return q;
    }
    /* The window's statement is the case's text and its rows are the client's rows. */
    void expectCase(cDynataxwin* q, std::string const& name, char const* client) {
        ASSERT_TRUE(cases().count(name)) << name << ": " << hint();
        EXPECT_EQ(std::string(q->grid->modelSql()), cases().at(name)) << name;
        std::vector<std::string> want = expectedRows(name, client);
        EXPECT_EQ(gridRows(q->grid), want) << name << " on " << client;
        EXPECT_EQ(wintest::windowText(q->hwnd),
                  qbeWindowTitle(q->title, (int)want.size()))
            << name;
    }
    /* Every operator of the editor on its column, one run each, Clear between. */
    void operatorsAgainst(char const* client) {
        cDynataxwin* q = openItems();
        ASSERT_GT(q->grid->getCountA(), 0) << hint();
        struct Case {
            char const* name;
            int column;
            char const* op;
            char const* value;
        } const list[] = {
            {"like_start", 1, "Like TEXT%", "b"},  {"like_any", 1, "Like %TEXT%", "a"},
            {"like_end", 1, "Like %TEXT", "e"},    {"eq_text", 2, "=", "fruit"},
            {"ne_num", 3, "<>", "12"},             {"lt_num", 3, "<", "5"},
            {"gt_num", 3, ">", "7"},               {"le_num", 3, "<=", "4"},
            {"ge_text", 1, ">=", "g"},             {"in_list", 0, "IN", "1, 3, 5"},
            {"not_in", 2, "NOT IN", "'fruit', 'veg'"}, {"between", 3, "BETWEEN", "3 and 8"},
            {"is_null", 4, "IS NULL", 0},          {"not_null", 4, "IS NOT NULL", 0},
            {"quote", 4, "=", "it's sweet"},
        };
        for (Case const& c : list) {
            press(q, DTXW_CLEAR);
            condition(q, c.column, c.op, c.value);
            press(q, DTXW_RUN);
            expectCase(q, c.name, client);
        }
        // Two conditions at once, and the marks of the column list.
        press(q, DTXW_CLEAR);
        condition(q, 2, "=", "fruit");
        condition(q, 3, ">", "5");
        press(q, DTXW_RUN);
        expectCase(q, "two", client);
        EXPECT_EQ(comboItems(q->columnList),
                  (std::vector<std::string>{"id", "name", ">>> kind", ">>> qty", "note"}));
        EXPECT_EQ(SendMessageA(q->columnList, CB_GETCURSEL, 0, 0), 3) << "selection kept";
        // The conditions stay in the model: choosing the column again shows its condition.
        choose(q, q->columnList, 2);
        EXPECT_EQ(wintest::windowText(q->valueField), "fruit");
        char label[32] = "";
        SendMessageA(q->operatorList, WM_GETTEXT, sizeof label, (LPARAM)label);
        EXPECT_STREQ(label, "=");
        press(q, DTXW_CLEAR);
        EXPECT_EQ(std::string(q->model->filterWhere), "");
        EXPECT_EQ(q->grid->getCountA(), 10);
        EXPECT_EQ(comboItems(q->columnList)[2], "kind");
    }
};

}  // namespace

/* ---- texts and placement (no data source) ---- */

TEST_F(Qbe, CascadeClampToolbarAndSharedResourcesOfTenWindows) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    std::vector<cDynataxwin*> open;
    std::vector<RECT> rects;
    for (int i = 0; i < 10; i++) {
        cStatementModel* m = itemsModel();
        cDynataxwin* q = new cDynataxwin(GetModuleHandleA(0), w->hwnd, 0, m, "GROUP BY", true,
                                         -2, -2, 450, 300);
        ASSERT_NE(q->hwnd, (HWND)0);
        open.push_back(q);
        RECT r;
        GetWindowRect(q->hwnd, &r);
        rects.push_back(r);
        EXPECT_EQ(cDynataxwin::openCount(), i + 1);
    }
    int cx = (sw - 450) / 2, cy = (sh - 300) / 2;
    int const dx[4] = {0, 30, 0, 30}, dy[4] = {0, 0, 30, 30};
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(rects[i].left, cx + dx[i % 4]) << "window " << i + 1;
        EXPECT_EQ(rects[i].top, cy + dy[i % 4]) << "window " << i + 1;
        EXPECT_EQ(rects[i].right - rects[i].left, 450);
        EXPECT_EQ(rects[i].bottom - rects[i].top, 300);
    }
    shotPoint("cascade");
    EXPECT_EQ(rects[4].left, rects[0].left) << "the fifth window where the first was";
    EXPECT_EQ(rects[4].top, rects[0].top);

    // Toolbar and window as created: class, owner, controls in place, the grid below.
    cDynataxwin* q = open[0];
    EXPECT_EQ(wintest::className(q->hwnd), "cDynataxwin");
    EXPECT_EQ(GetWindow(q->hwnd, GW_OWNER), w->hwnd);
    EXPECT_EQ(wintest::windowText(q->hwnd), "GROUP BY     (Rows: 0)");
    LONG style = GetWindowLongA(q->hwnd, GWL_STYLE);
    EXPECT_TRUE((style & WS_THICKFRAME) && (style & WS_MAXIMIZEBOX) && (style & WS_SYSMENU));
    struct { int id, x, y, w; } const at[] = {{DTXW_COLUMNS, 1, 1, 150}, {DTXW_OPERATORS, 155, 1, 100},
                                             {DTXW_VALUE, 260, 3, 100}, {DTXW_RUN, 365, 2, 20},
                                             {DTXW_CLEAR, 387, 2, 20}, {DTXW_SHOW, 409, 2, 20},
                                             {DTXW_GROUP, 431, 2, 20}};
    for (auto const& a : at) {
        RECT r;
        ASSERT_TRUE(GetRelWinRect(GetDlgItem(q->hwnd, a.id), q->hwnd, &r)) << a.id;
        EXPECT_EQ(r.left, a.x) << a.id;
        EXPECT_EQ(r.top, a.y) << a.id;
        EXPECT_EQ(r.right - r.left, a.w) << a.id;
    }
    EXPECT_EQ(comboItems(q->columnList),
              (std::vector<std::string>{"id", "name", "kind", "qty", "note"}));
    RECT client, g;
    GetClientRect(q->hwnd, &client);
    GetRelWinRect(q->grid->getHwnd(0), q->hwnd, &g);
    EXPECT_EQ(g.top, DTXW_TOOLBAR_HEIGHT);
    EXPECT_EQ(g.bottom, client.bottom);
    SetWindowPos(q->hwnd, 0, 0, 0, 600, 500, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(q->hwnd, &client);
    GetRelWinRect(q->grid->getHwnd(0), q->hwnd, &g);
    EXPECT_EQ(g.right, client.right) << "the grid follows the size";
    EXPECT_EQ(g.bottom, client.bottom);
    SetFocus(q->hwnd);
    EXPECT_EQ(GetFocus(), q->grid->getHwnd(0)) << "the grid takes the focus";
    // Without a connection Run and sorting say so and change nothing.
    condition(q, 1, "=", "x");
    press(q, DTXW_RUN);
    EXPECT_EQ(SendMessageA(q->hwnd, TAXN_SORT, (WPARAM)q->grid, MAKELPARAM(0, 1)),
              TAXN_SORT_HANDLED);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Not connected!");
    EXPECT_EQ(std::string(q->model->orderBy), "id");
    EXPECT_TRUE(IsWindowEnabled(w->hwnd));
    boxes.boxes.clear();

    // The button faces come from the shared bitmaps: a pixel of Run's green arrow.
    HDC screen = GetDC(0);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 20;
    bi.bmiHeader.biHeight = -20;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = 0;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    DRAWITEMSTRUCT di = {};
    di.CtlType = ODT_BUTTON;
    di.CtlID = DTXW_RUN;
    di.hwndItem = GetDlgItem(q->hwnd, DTXW_RUN);
    di.hDC = mem;
    SetRect(&di.rcItem, 0, 0, 20, 20);
    EXPECT_TRUE(SendMessageA(q->hwnd, WM_DRAWITEM, DTXW_RUN, (LPARAM)&di));
    EXPECT_EQ(wbtest::pixel(mem, 2 + 4, 2 + 5), 0x30C030L) << "the arrow of BMP_dtxw_pbRun";
    EXPECT_EQ(wbtest::pixel(mem, 2 + 0, 2 + 0), 0xC0C0C0L) << "its background";
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(0, screen);

    // Closed in any order; the last one frees the font and the bitmaps.
    HFONT font = cDynataxwin::sharedFont();
    HBITMAP bmp[4];
    for (int i = 0; i < 4; i++) {
        bmp[i] = cDynataxwin::sharedBitmap(i);
        EXPECT_EQ(GetObjectType(bmp[i]), (DWORD)OBJ_BITMAP) << i;
    }
    EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT);
    for (int i : {3, 0, 9, 5, 1, 8, 2, 7, 4}) {
        SendMessageA(open[i]->hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT) << "still in use";
    }
    EXPECT_EQ(cDynataxwin::openCount(), 1);
    SendMessageA(open[6]->hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(cDynataxwin::openCount(), 0);
    EXPECT_EQ(GetObjectType(font), 0u) << "the last window deleted the font";
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(GetObjectType(bmp[i]), 0u) << "bitmap " << i;
    EXPECT_TRUE(qbeWindows().empty());

    // Off-screen positions are clamped; an aggregate column hides Group.
    cStatementModel* m = itemsModel();
    m->addColumn(0, 0, "", "", "", "count(*)", "", "", 1, 0, 0, "", STMCOL_AGGREGATE);
    cDynataxwin* edgeWin = new cDynataxwin(GetModuleHandleA(0), w->hwnd, 0, m, "Far", true, sw - 100,
                                       sh - 50, 0, 0);
    RECT r;
    GetWindowRect(edgeWin->hwnd, &r);
    EXPECT_EQ(r.right, sw);
    EXPECT_EQ(r.bottom, sh);
    EXPECT_EQ(r.right - r.left, 400) << "no width: 400";
    EXPECT_EQ(r.bottom - r.top, 300) << "no height: 300";
    EXPECT_EQ(GetDlgItem(edgeWin->hwnd, DTXW_GROUP), (HWND)0);
    EXPECT_NE(GetDlgItem(edgeWin->hwnd, DTXW_SHOW), (HWND)0);
    // Left open: closing the main window closes it (checked in TearDown).
}

/* ---- the condition editor on real data sources ---- */

TEST_F(Qbe, OperatorsPerColumnTypeOnSqlite) {
    connect(envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"));
    cDynataxwin* q = openItems();
    ASSERT_EQ(q->grid->getCountA(), 10) << hint();
    EXPECT_EQ(wintest::windowText(q->hwnd), "Items     (Rows: 10)");
    // Its grid has the record form and the colour menu, as the main window's grids.
    ASSERT_TRUE(q->grid->form_create());
    EXPECT_TRUE(IsWindow(q->grid->form->hwnd));
    DestroyWindow(q->grid->form->hwnd);
    // The first column is chosen at the start: a number column offers no LIKE.
    std::vector<std::string> numberOps = {"=",  "<>",     "<",       ">",       "<=",
                                          ">=", "IN",     "NOT IN",  "BETWEEN", "IS NULL",
                                          "IS NOT NULL"};
    EXPECT_EQ(comboItems(q->operatorList), numberOps);
    EXPECT_EQ(SendMessageA(q->operatorList, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(GetFocus(), q->grid->getHwnd(0));
    choose(q, q->columnList, 1);
    std::vector<std::string> textOps = {"Like TEXT%", "Like %TEXT%", "Like %TEXT"};
    textOps.insert(textOps.end(), numberOps.begin(), numberOps.end());
    EXPECT_EQ(comboItems(q->operatorList), textOps);
    EXPECT_EQ(GetFocus(), q->valueField) << "choosing an operator focuses the value";
    // IS NULL empties and disables the value field and clears the text.
    SetWindowTextA(q->valueField, "abc");
    EXPECT_EQ(std::string(q->model->column(1)->condText), "abc");
    condition(q, 1, "IS NULL", 0);
    EXPECT_FALSE(IsWindowEnabled(q->valueField));
    EXPECT_EQ(wintest::windowText(q->valueField), "");
    EXPECT_EQ(std::string(q->model->column(1)->condText), "");
    condition(q, 1, "=", 0);
    EXPECT_TRUE(IsWindowEnabled(q->valueField));
    // A value of 100 characters and more: 100 kept, quotes doubled in the literal.
    std::string longText(150, 'x');
    longText[10] = '\'';
    SetWindowTextA(q->valueField, longText.c_str());
    EXPECT_EQ(strlen(q->model->column(1)->condText), 100u);
    press(q, DTXW_RUN);
    EXPECT_EQ(std::string(q->model->filterWhere),
              "name='" + longText.substr(0, 10) + "''" + longText.substr(11, 89) + "'");
    EXPECT_EQ(q->grid->getCountA(), 0);
    // Text on a number column is one quoted value, never SQL of its own.
    press(q, DTXW_CLEAR);
    condition(q, 3, "=", "1 or 1=1");
    press(q, DTXW_RUN);
    EXPECT_EQ(std::string(q->model->filterWhere), "qty='1 or 1=1'");
    EXPECT_EQ(q->grid->getCountA(), 0) << "no row matches the text";
    // From the keyboard: Enter in the value field runs, and Tab reaches the buttons.
    press(q, DTXW_CLEAR);
    condition(q, 3, "=", "12");
    SetFocus(q->valueField);
    MSG enter = {};
    enter.hwnd = q->valueField;
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    EXPECT_TRUE(IsDialogMessageW(q->hwnd, &enter));
    EXPECT_EQ(std::string(q->model->filterWhere), "qty=12");
    EXPECT_EQ(GetNextDlgTabItem(q->hwnd, q->valueField, FALSE), GetDlgItem(q->hwnd, DTXW_RUN));
    EXPECT_TRUE(boxes.boxes.empty());
    // Not closed while a box or dialog of the window is open: it would use the dead grid.
    HWND box = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, q->hwnd, 0,
                               0, 0);
    SendMessageA(q->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(q->hwnd));
    DestroyWindow(box);
    SendMessageA(q->hwnd, WM_CLOSE, 0, 0);
    operatorsAgainst("sqlite");
}

TEST_F(Qbe, OperatorsOnPostgresAndAFailingRunShowsSqlError) {
    connect(envOr("LUMBRA_PG_DSN", "LumbraPG") + "/" + envOr("LUMBRA_PG_USER", "lumbra") + "/" +
            envOr("LUMBRA_PG_PSWD", "lumbra_pw"));
    operatorsAgainst("pg");
    cDynataxwin* q = openItems();
    ASSERT_EQ(q->grid->getCountA(), 10);
    condition(q, 3, "=", "x");  // the server refuses text for an integer
    press(q, DTXW_RUN);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "SQL Error");
    EXPECT_NE(boxes.boxes[0].text.find("x"), std::string::npos) << boxes.boxes[0].text;
    EXPECT_EQ(q->grid->getCountA(), 0) << "no rows of another statement stay behind";
    EXPECT_EQ(wintest::windowText(q->hwnd), "Items     (Rows: 0)");
    EXPECT_TRUE(IsWindowEnabled(w->hwnd)) << "the main window is given back after the box";
    w->slots[0]->db->rollback();
    press(q, DTXW_CLEAR);
    EXPECT_EQ(q->grid->getCountA(), 10) << "the window works on after the error";

    // A run that waits for a lock held elsewhere keeps the window alive: Esc cancels it, and
    // the window is not closed under it. (The timeout only ends a wait nobody cancels.)
    w->slots[0]->db->rollback();
    runOne("set lock_timeout = '8s'");
    wbtest::Side holder(envOr("LUMBRA_PG_DSN", "LumbraPG"), envOr("LUMBRA_PG_USER", "lumbra"),
                        envOr("LUMBRA_PG_PSWD", "lumbra_pw"));
    ASSERT_TRUE(holder.run("lock table qbe_items in access exclusive mode"));
    static HWND target;
    target = q->hwnd;
    SetTimer(0, 0, 800, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(0, id);
        PostMessageA(target, WM_CLOSE, 0, 0);
        PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    DWORD t0 = GetTickCount();
    press(q, DTXW_CLEAR);
    EXPECT_LT(GetTickCount() - t0, 6000u) << "canceled, not timed out";
    ASSERT_TRUE(IsWindow(q->hwnd));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_NE(boxes.boxes[1].text.find("cancel"), std::string::npos) << boxes.boxes[1].text;
    EXPECT_TRUE(IsWindowEnabled(q->hwnd));
    holder.commit();
    w->slots[0]->db->rollback();
    press(q, DTXW_CLEAR);
    EXPECT_EQ(q->grid->getCountA(), 10);
}

/* ---- GROUP BY from the grid and in the window ---- */

TEST_F(Qbe, GroupByKeepsTheWhereSortsOnTheServerAndFiltersWithHaving) {
    connect(envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"));
    // A statement without FROM has nothing to group: refused without a box.
    runOne("select 1 as a");
    ASSERT_EQ(grid()->getCountA(), 1);
    SendMessageA(grid()->getHwnd(0), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    SendMessageA(grid()->getHwnd(0), WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    ASSERT_EQ(grid()->getColCountS(), 1);
    w->command(CMD_GROUPBY);
    EXPECT_TRUE(qbeWindows().empty());
    EXPECT_TRUE(boxes.boxes.empty());
    // A column id without a descriptor opens nothing either.
    cStatementModel* items = itemsModel();
    EXPECT_FALSE(openGroupByWindow(GetModuleHandleA(0), w->hwnd, w->slots[0]->db, items, 99));
    delete items;
    EXPECT_EQ(cDynataxwin::openCount(), 0);

    runOne("select id, name, kind, qty from qbe_items where qty > 2");
    ASSERT_EQ(grid()->getCountA(), 8) << wbtest::paneText(w) << hint();
    HWND g = grid()->getHwnd(0);
    // No column selected, then two: the box, and nothing opens.
    w->command(CMD_GROUPBY);
    int x1 = grid()->index2col(0)->getWidth() + grid()->index2col(1)->getWidth() + 5;
    int x2 = x1 + grid()->index2col(2)->getWidth();
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, 3));  // kind
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x1, 3));
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(x2, 3));  // and qty
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x2, 3));
    ASSERT_EQ(grid()->getColCountS(), 2);
    w->command(CMD_GROUPBY);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    for (auto const& b : boxes.boxes) {
        EXPECT_EQ(b.text, "Select one column in the grid\r\nby clicking its title\r\n"
                          "and then run 'Group by'");
        EXPECT_EQ(b.caption, "GROUP BY");
        EXPECT_EQ(b.type & MB_ICONMASK, (UINT)MB_ICONSTOP);
    }
    EXPECT_TRUE(qbeWindows().empty());
    boxes.boxes.clear();

    // A UNION cannot be grouped: it says so instead of doing nothing.
    runOne("select id from qbe_items where qty > 2 union select id from qbe_items");
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    ASSERT_EQ(grid()->getColCountS(), 1);
    w->command(CMD_GROUPBY);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Cannot re-create a SELECT statement\r\nwhen original statement contains UNION.");
    EXPECT_EQ(boxes.boxes[0].caption, "GROUP BY");
    EXPECT_TRUE(qbeWindows().empty());
    boxes.boxes.clear();

    // Nor can an aggregate column: said so, and no window that could never run opens.
    runOne("select kind, count(*) from qbe_items group by kind");
    int xa = grid()->index2col(0)->getWidth() + 5;
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(xa, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(xa, 3));
    ASSERT_EQ(grid()->getColCountS(), 1);
    w->command(CMD_GROUPBY);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 37), "Cannot group by an aggregate column.\r");
    EXPECT_TRUE(qbeWindows().empty());
    boxes.boxes.clear();
    // Nor the rows a LIMIT left: the counts would be of the whole table.
    runOne("select kind from qbe_items limit 3");
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    w->command(CMD_GROUPBY);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 40), "Cannot group the rows of a statement tha");
    EXPECT_TRUE(qbeWindows().empty());
    boxes.boxes.clear();
    runOne("select id, name, kind, qty from qbe_items where qty > 2");

    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x1, 3));
    ASSERT_EQ(grid()->getColCountS(), 1);
    std::set<HWND> before = qbeWindows();
    w->command(CMD_GROUPBY);
    cDynataxwin* q = newWindow(before);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(q->db, w->slots[0]->db) << "on the slot's connection";
    EXPECT_EQ(std::string(q->model->title), "GROUP BY");
    EXPECT_EQ(std::string(q->grid->modelSql()),
              "select kind, count(*) from qbe_items where qty > 2 group by kind");
    EXPECT_EQ(q->grid->getCountA(), 3);
    EXPECT_EQ(q->grid->rowLimit, 1000);
    EXPECT_TRUE(q->grid->errorBoxes);
    EXPECT_EQ(GetDlgItem(q->hwnd, DTXW_GROUP), (HWND)0) << "count(*) is an aggregate";
    EXPECT_EQ(comboItems(q->columnList), (std::vector<std::string>{"kind", "count(*)"}));

    // Sorting is the server's ORDER BY: the grid is told not to sort itself.
    EXPECT_EQ(SendMessageA(q->hwnd, TAXN_SORT, (WPARAM)q->grid, MAKELPARAM(0, 1)),
              TAXN_SORT_HANDLED);
    expectCase(q, "group_where", "sqlite");
    EXPECT_EQ(GetFocus(), q->grid->getHwnd(0));

    // A header click chooses the column in the editor; count(*) offers no IS NULL.
    EXPECT_EQ(SendMessageA(q->hwnd, TAXN_HDRCLICK, (WPARAM)q->grid, 1), 1);
    EXPECT_EQ(SendMessageA(q->columnList, CB_GETCURSEL, 0, 0), 1);
    std::vector<std::string> ops = comboItems(q->operatorList);
    EXPECT_EQ(ops.back(), "BETWEEN");
    condition(q, 1, ">", "1");
    press(q, DTXW_RUN);
    EXPECT_EQ(std::string(q->model->filterHaving), "count(*)>1") << "aggregates go to HAVING";
    expectCase(q, "group_having", "sqlite");
    SendMessageA(q->hwnd, TAXN_SORT, (WPARAM)q->grid, MAKELPARAM(1, 2));
    expectCase(q, "group_count_desc", "sqlite");
    shotPoint("groupby");

    // Show: the statement laid out, in its own dialog.
    std::string shown;
    wintest::Driver driver([&]() {
        HWND d = wintest::findDialog("Show SQL command");
        if (!d)
            return false;
        shown = wintest::windowText(GetDlgItem(d, TEXTIK_EDIT));
        shotPoint("showsql");
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    press(q, DTXW_SHOW);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(shown, "select kind, count(*)\r\n\r\nfrom qbe_items\r\n\r\nwhere qty > 2\r\n\r\n"
                     "group by kind\r\n\r\nhaving count(*)>1\r\n\r\norder by 2 DESC\r\n");

    // A second GROUP BY from the main grid cascades beside the first.
    RECT r1, r2;
    GetWindowRect(q->hwnd, &r1);
    before = qbeWindows();
    w->command(CMD_GROUPBY);
    cDynataxwin* q2 = newWindow(before);
    ASSERT_NE(q2, nullptr);
    GetWindowRect(q2->hwnd, &r2);
    EXPECT_EQ(r2.left - r1.left, 30);
    EXPECT_EQ(r2.top, r1.top);

    // The slot connected elsewhere: the window's rows are of the old source, so it says so
    // and does not run there.
    connect("LumbraSample");
    int rows = q->grid->getCountA();
    press(q, DTXW_RUN);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 60),
              "The query slot of this window is now connected to LumbraSamp");
    EXPECT_EQ(q->grid->getCountA(), rows);
}

TEST_F(Qbe, GroupButtonOpensAWindowOverTheConditionsOnPostgres) {
    connect(envOr("LUMBRA_PG_DSN", "LumbraPG") + "/" + envOr("LUMBRA_PG_USER", "lumbra") + "/" +
            envOr("LUMBRA_PG_PSWD", "lumbra_pw"));
    cDynataxwin* q = openItems();
    ASSERT_EQ(q->grid->getCountA(), 10) << hint();
    ASSERT_NE(GetDlgItem(q->hwnd, DTXW_GROUP), (HWND)0);
    condition(q, 3, ">", "2");
    press(q, DTXW_RUN);
    EXPECT_EQ(q->grid->getCountA(), 8);
    press(q, DTXW_GROUP);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Select one column by clicking its title and then press \"G\" (Group by)");
    EXPECT_EQ(boxes.boxes[0].caption, "GROUP BY");
    HWND g = q->grid->getHwnd(0);
    int x = q->grid->index2col(0)->getWidth() + q->grid->index2col(1)->getWidth() + 5;
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x, 3));
    EXPECT_EQ(SendMessageA(q->columnList, CB_GETCURSEL, 0, 0), 2) << "the header click chose kind";
    std::set<HWND> before = qbeWindows();
    press(q, DTXW_GROUP);
    cDynataxwin* q2 = newWindow(before);
    ASSERT_NE(q2, nullptr);
    EXPECT_EQ(GetWindow(q2->hwnd, GW_OWNER), w->hwnd);
    SendMessageA(q2->hwnd, TAXN_SORT, (WPARAM)q2->grid, MAKELPARAM(0, 1));
    expectCase(q2, "group_button", "pg");
    // While a job owns the connections, both windows are locked with the main window.
    w->enableUi(false, false);
    EXPECT_FALSE(IsWindowEnabled(q->hwnd));
    EXPECT_FALSE(IsWindowEnabled(q2->hwnd));
    w->enableUi(true, false);
    EXPECT_TRUE(IsWindowEnabled(q2->hwnd));
    // The first window can go first: the second lives on.
    SendMessageA(q->hwnd, WM_CLOSE, 0, 0);
    press(q2, DTXW_RUN);
    EXPECT_EQ(gridRows(q2->grid), expectedRows("group_button", "pg"));
}

TEST_F(Qbe, ExactlyAThousandRowsShowQuestionMarks) {
    connect(envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"));
    cStatementModel* m = new cStatementModel(1, "", "", "", "");
    m->addColumn(0, 0, "", "", "", "n", "", "", 0, 0, 0, "", 0);
    m->setFrom("qbe_thousand");
    cDynataxwin* q = new cDynataxwin(GetModuleHandleA(0), w->hwnd, w->slots[0]->db, m, "N",
                                     true, -1, -1, 300, 300);
    EXPECT_EQ(q->grid->getCountA(), 1000) << hint();
    EXPECT_EQ(wintest::windowText(q->hwnd), "N     (Rows: 1000/??" "?)");
    condition(q, 0, "<", "999");
    press(q, DTXW_RUN);
    EXPECT_EQ(wintest::windowText(q->hwnd), "N     (Rows: 999)");
}

/* ---- CSV From One Column ---- */

TEST_F(Qbe, CsvOfTheSelectedRowsOrOfAllAndCopyToTheEditor) {
    connect(envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"));
    w->command(CMD_CSVCOLUMN);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Select one column in the grid\r\nby clicking its title\r\n"
                                   "and then run this function.");
    EXPECT_EQ(boxes.boxes[0].caption, "CSV From One Column");
    runOne("select id, note from qbe_items order by id");
    ASSERT_EQ(grid()->getCountA(), 10);
    HWND g = grid()->getHwnd(0);
    int x = grid()->index2col(0)->getWidth() + 5;
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 3));  // note
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x, 3));
    ASSERT_EQ(grid()->getColCountS(), 1);

    WCHAR wide[64] = L"";
    auto runCsv = [&](int button) {
        std::string shown, title;
        bool clicked = false;
        wintest::Driver driver([&]() {
            HWND d = wintest::findDialog("Show CSV");
            if (clicked && d)  // still open after a refused copy
                SendMessageA(GetDlgItem(d, TEXTIK_BUTTON), BM_CLICK, 0, 0);
            if (clicked || !d)
                return clicked;
            shown = wintest::windowText(GetDlgItem(d, TEXTIK_EDIT));
            GetWindowTextW(GetDlgItem(d, TEXTIK_EDIT), wide, 64);
            title = wintest::windowText(GetDlgItem(d, TEXTIK_BUTTON + 1));
            shotPoint("csv");
            SendMessageA(GetDlgItem(d, TEXTIK_BUTTON + button), BM_CLICK, 0, 0);
            clicked = true;
            return false;
        });
        w->command(CMD_CSVCOLUMN);
        EXPECT_FALSE(driver.timedOut());
        EXPECT_EQ(title, "Copy to Q&1");
        return shown;
    };
    // One row selected (the current one): every row, empty cells leaving no entry; texts
    // quoted as SQL literals, to be pasted into a statement.
    EXPECT_EQ(runCsv(0), "'red', 'orange', 'dry', 'it''s sweet', 'salty', 'sweet'");
    // Two rows of ten selected: the third and the sixth.
    int rowH = grid()->rowHeight, top = grid()->headerHeight + grid()->qbeHeight;
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, top + 2 * rowH + rowH / 2));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, top + 2 * rowH + rowH / 2));
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(5, top + 5 * rowH + rowH / 2));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, top + 5 * rowH + rowH / 2));
    ASSERT_EQ(grid()->getCountS(), 2);
    ASSERT_EQ(grid()->getColCountS(), 1) << "the column stays selected";
    EXPECT_EQ(runCsv(0), "'orange', 'it''s sweet'");
    wbtest::setScript(w, "select 1;");
    EXPECT_EQ(runCsv(1), "'orange', 'it''s sweet'");
    EXPECT_EQ(wbtest::script(w), "select 1;\r\n'orange', 'it''s sweet'");
    // Numbers bare.
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    EXPECT_EQ(runCsv(0), "3, 6");
    EXPECT_EQ(boxes.boxes.size(), 1u);
    // A caron after a quote would end the program in the edit controls: shown as a
    // look-alike, and not copied into the editor.
    runOne("select cast(x'a1' as text) as t");
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    wbtest::setScript(w, "select 1;");
    runCsv(1);
    EXPECT_STREQ(L"'\x02C5'", wide);
    EXPECT_EQ(wbtest::script(w), "select 1;");
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text.substr(0, 24), "The text holds a caron, ");
    // Long texts are shown as "BLOB" or cut: no list is made of them.
    runOne("create temp table qbe_long (t text)");
    runOne("insert into qbe_long values ('the whole text')");
    runOne("select t from qbe_long");
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    bool shown = false;
    wintest::Driver closer([&]() {
        HWND d = wintest::findDialog("Show CSV");
        if (d)
            SendMessageA(GetDlgItem(d, TEXTIK_BUTTON), BM_CLICK, 0, 0);
        return shown = d != 0;
    }, 2000);
    w->command(CMD_CSVCOLUMN);
    EXPECT_FALSE(shown);
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[2].text, "This column holds long texts, which the grid does not hold whole.");
}

/* ---- About box ---- */

TEST_F(Qbe, AboutBoxIconAndLicenceCutAtTenThousandBytes) {
    // Shipped next to the program (the tests are built into the same directory).
    char exe[MAX_PATH];
    GetModuleFileNameA(0, exe, sizeof exe);
    std::string shipped(exe);
    shipped = shipped.substr(0, shipped.find_last_of("\\/") + 1) + EULA_FILE;
    std::string shippedText;
    ASSERT_TRUE(readEula(shipped.substr(0, shipped.size() - strlen(EULA_FILE)).c_str(),
                         &shippedText))
        << shipped;
    EXPECT_NE(shippedText.find("LICENCE"), std::string::npos);

    // Without the file: the two-line box.
    std::string name, iconColour, eula;
    int step = 0;
    HWND about = 0;
    wintest::Driver driver([&]() {
        if (step == 0) {
            about = wintest::findDialog("Lumbra");
            if (!about)
                return false;
            name = wintest::windowText(GetDlgItem(about, IDC_ABOUT_NAME));
            // Posted: the boxes it opens run after this step.
            PostMessageA(GetDlgItem(about, IDC_ABOUT_EULA), BM_CLICK, 0, 0);  // no file
            step = 1;
            return false;
        }
        if (step == 1) {
            wbtest::writeFile(dir.file(EULA_FILE), std::string(9990, 'a') + "0123456789ZZZZ");
            step = 2;
            PostMessageA(GetDlgItem(about, IDC_ABOUT_EULA), BM_CLICK, 0, 0);
            return false;
        }
        if (step == 2) {
            HWND d = wintest::findDialog("EULA");
            if (!d)
                return false;
            HWND e = GetDlgItem(d, TEXTIK_EDIT);
            eula = fullText(e);
            shotPoint("eula");
            LONG style = GetWindowLongA(e, GWL_STYLE);
            EXPECT_TRUE(style & ES_READONLY);
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            step = 3;
            return false;
        }
        shotPoint("about");
        // The icon at the left of 93 and the top of 92.
        RECT left, top;
        GetRelWinRect(GetDlgItem(about, IDC_ABOUT_LEFT), about, &left);
        GetRelWinRect(GetDlgItem(about, IDC_ABOUT_NAME), about, &top);
        RECT rc;
        GetClientRect(about, &rc);
        HDC screen = GetDC(0);
        HDC mem = CreateCompatibleDC(screen);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = rc.right;
        bi.bmiHeader.biHeight = -rc.bottom;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = 0;
        HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, 0, 0);
        HGDIOBJ old = SelectObject(mem, dib);
        RECT all = {0, 0, rc.right, rc.bottom};
        FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        SendMessageA(about, WM_PRINTCLIENT, (WPARAM)mem, PRF_CLIENT);
        char buf[64];
        // ICO_APP's blue body at (10, 12) of the 32 x 32 image; white left of it.
        snprintf(buf, sizeof buf, "%06lX %06lX", wbtest::pixel(mem, left.left + 10, top.top + 12),
                 wbtest::pixel(mem, left.left - 2, top.top + 12));
        iconColour = buf;
        SelectObject(mem, old);
        DeleteObject(dib);
        DeleteDC(mem);
        ReleaseDC(0, screen);
        SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    w->command(CMD_ABOUT);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(name.substr(0, 13), "Lumbra 2.0.6\r") << name;
    EXPECT_NE(name.find("Built "), std::string::npos) << name;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot open file:\r\nEULA_Lumbra_en.txt");
    EXPECT_EQ(boxes.boxes[0].caption, "Lumbra");
    EXPECT_EQ(boxes.boxes[0].type & MB_ICONMASK, (UINT)MB_ICONSTOP);
    EXPECT_EQ(eula.size(), 10000u) << "cut after 10000 bytes";
    EXPECT_EQ(eula.substr(9990), "0123456789");
    EXPECT_EQ(iconColour, "2050C0 FFFFFF");
    EXPECT_FALSE(IsWindow(about));
}
