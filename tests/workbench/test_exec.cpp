/* Statement execution of the main window against real data sources: the SQLite3 ODBC
   and PostgreSQL ANSI data sources of .ci/odbcini.sh (and .ci/pg.sh). */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "edutil.h"
#include "lumbrarc.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "wbtext.h"
#include "stmtmodel.h"
#include "statux.h"
#include "strx.h"
#include "values.h"
#include "wbtest.h"
#include "winutil.h"
#include "xdbc.h"


namespace {

using wbtest::pgDsn;
using wbtest::pgPswd;
using wbtest::pgUser;
using wbtest::Side;
using wbtest::sqliteDsn;

/* Entries of the message pane, split at the blank line after each. */
std::vector<std::string> entries(std::string const& pane) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < pane.size()) {
        size_t end = pane.find("\r\n\r\n", at);
        if (end == std::string::npos) {
            out.push_back(pane.substr(at));
            break;
        }
        out.push_back(pane.substr(at, end - at));
        at = end + 4;
    }
    return out;
}

bool startsWith(std::string const& s, std::string const& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

/* Header of an entry with its seconds part removed: "[3] [OK]  text". */
std::string withoutSeconds(std::string e) {
    size_t s = e.find(" s]");
    size_t open = e.find("] [", e.find("] [") + 1);
    if (s != std::string::npos && open != std::string::npos && open < s)
        e.erase(open + 1, s + 3 - (open + 1));
    return e;
}

class Exec : public wbtest::MainTest {
protected:
    Exec() : MainTest("wbexec") {}

    void openWith(std::vector<std::pair<char const*, char const*>> const& keys) {
        for (auto const& k : keys)
            dir.write(k.first, k.second);
        w = wbtest::openMain(dir);
        ASSERT_NE(w, nullptr);
    }
    /* Execute Command on the statement holding marker (caret just before it). */
    void run(char const* marker) {
        wbtest::caretBefore(w, marker);
        wbtest::executeInEditor(w);
    }
    std::string last() {
        std::vector<std::string> e = entries(wbtest::paneText(w));
        return e.empty() ? "" : e.back();
    }
    std::string cell(int row, int col) {
        cTaxRow* r = grid()->rowindex2ptrA((short)row);
        if (!r)
            return "<no row>";
        char* s = r->getStr((short)col, true);
        return s ? s : "<no column>";
    }
    bool cellNull(int row, int col) {
        cTaxRow* r = grid()->rowindex2ptrA((short)row);
        cVariablex* v = r ? r->getVar((short)col, true) : 0;
        return v && v->isNull();
    }
};

class ExecSqlite : public Exec {
protected:
    static void SetUpTestSuite() {
        Side s(sqliteDsn(), "", "");
        ASSERT_TRUE(s.ok) << wbtest::dsnHint();
        char const* ddl[] = {
            "drop table if exists wb_people",
            "drop table if exists wb_log",
            "drop table if exists wb_nums",
            "create table wb_people (id integer, name varchar(40), born date, salary numeric(10,2),"
            " note text)",
            "create table wb_log (id integer, what varchar(20))",
            "create table wb_nums (a double, b double)",
        };
        for (char const* sql : ddl)
            ASSERT_TRUE(s.run(sql));
        char const* names[] = {"Adam", "Bára", "Cyril", "Dana", "Emil"};
        for (int i = 1; i <= 25; i++) {
            char sql[400];
            if (i % 5 == 0)
                snprintf(sql, sizeof sql, "insert into wb_people values (%d, '%s %d', null, null, null)",
                         i, names[i % 5], i);
            else
                snprintf(sql, sizeof sql,
                         "insert into wb_people values (%d, '%s %d', '19%02d-0%d-1%d', %d.50,"
                         " 'a note that is longer than twenty characters, number %d')",
                         i, names[i % 5], i, 50 + i, 1 + i % 9, i % 10, 1000 + i, i);
            ASSERT_TRUE(s.run(sql));
        }
        for (int i = 0; i < 120; i++) {
            char sql[200];
            snprintf(sql, sizeof sql, "insert into wb_nums values (%s, %s)",
                     i == 100 ? "1.5" : std::to_string(i).c_str(), i == 2 ? "2.5" : "7");
            ASSERT_TRUE(s.run(sql));
        }
        s.commit();
    }
    void SetUp() override {}
    void connect() {
        runOne("connect " + sqliteDsn() + ";");
        ASSERT_TRUE(q1()->connected) << last() << " / " << wbtest::dsnHint();
    }
    double countElsewhere(char const* sql) {
        Side s(sqliteDsn(), "", "");
        return s.scalar(sql);
    }
};

}  // namespace

TEST_F(ExecSqlite, ConnectSelectFailureCommandAndCommit) {
    openWith({});
    Side(sqliteDsn(), "", "").run("delete from wb_log");
    std::string script = "connect " + sqliteDsn() + ";\r\n"
                         "select id, name, salary\r\n  from wb_people where id <= 7 order by id;\r\n"
                         "insert into wb_nosuch values (1);\r\n"
                         "insert into wb_log values (1, 'first');\r\n"
                         "commit;\r\n";
    wbtest::setScript(w, script.c_str());
    run("connect");
    EXPECT_EQ(withoutSeconds(last()), "[1] [OK]  Connect");
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  " + sqliteDsn() + "]   [Untitled1]");
    EXPECT_EQ(w->statusBar->text(0), "Q1: " + sqliteDsn());
    EXPECT_EQ(grid()->db, q1()->db) << "the grid runs on the slot's connection";

    run("select id");
    EXPECT_EQ(withoutSeconds(last()),
              "[2] [OK]  select id, name, salary    from wb_people where id <= 7 order by id");
    EXPECT_EQ(grid()->getCountA(), 7);
    EXPECT_EQ(grid()->getColCountA(), 3);
    EXPECT_STREQ(w->statusBar->text(6), "DB: 7 / 7");
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(1, 1), "Cyril 2");
    EXPECT_EQ(cell(6, 0), "7");
    EXPECT_EQ(cell(0, 2), "1001.50");
    int line = edLineFromChar(q1()->edit, edCaret(q1()->edit));
    EXPECT_EQ(line, 2) << "movecaret: the caret went to the end of the statement";

    run("insert into wb_nosuch");
    std::string err = last();
    EXPECT_TRUE(startsWith(err, "[3] [ERR]  ")) << err;
    EXPECT_NE(err.find("wb_nosuch"), std::string::npos) << "the driver's text: " << err;
    EXPECT_NE(err.find("\r\n=== insert into wb_nosuch values (1)"), std::string::npos) << err;
    EXPECT_EQ(grid()->getCountA(), 7) << "a failed command leaves the grid";
    EXPECT_TRUE(w->lastWasError);

    run("insert into wb_log");
    EXPECT_EQ(withoutSeconds(last()), "[4] [OK]  insert into wb_log values (1, 'first')");
    EXPECT_FALSE(w->lastWasError);
    EXPECT_EQ(countElsewhere("select count(*) from wb_log"), 0) << "not committed yet";
    run("commit");
    EXPECT_EQ(withoutSeconds(last()), "[5] [OK]  Commit");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log"), 1);
    EXPECT_TRUE(boxes.boxes.empty());

    // Rows of a statement that does not begin with "select" are not taken for the grid's.
    runOne("with x as (select 5 as a) select a from x");
    EXPECT_EQ(last(), "[7] [OK]  The statement returned rows, which are not shown: the grid "
                      "shows the rows of a statement that begins with \"select\".");
    EXPECT_EQ(grid()->getCountA(), 7) << "the grid keeps the last select's rows";
    runOne("insert into wb_log values (2, 'second')");
    EXPECT_NE(last().find("insert into wb_log"), std::string::npos) << "no note without rows";
}

TEST_F(ExecSqlite, MaxRowsStopsLoadingAndShowsQuestionMarks) {
    openWith({{"maxrows", "10"}});
    connect();
    runOne("select * from wb_people");
    EXPECT_EQ(grid()->getCountA(), 10);
    EXPECT_STREQ(w->statusBar->text(6), "DB: 10 / ???");
    // Filtered, the cut result keeps its mark: more rows may match in the data.
    grid()->curcol = 0;
    grid()->qbe_edit(0, '9');
    w->showRowCounts(false);
    EXPECT_STREQ(w->statusBar->text(6), "GRID: 1 / 10 ???");
    runOne("select * from wb_people where id <= 7");
    EXPECT_EQ(grid()->getCountA(), 7);
    EXPECT_STREQ(w->statusBar->text(6), "DB: 7 / 7");
    runOne("select * from wb_people where id > 100");
    EXPECT_EQ(grid()->getCountA(), 0);
    EXPECT_EQ(grid()->getColCountA(), 5);
    EXPECT_STREQ(w->statusBar->text(6), "DB: 0 / 0");
}

/* A statement the model cannot rebuild runs again as written; the filter row still holds. */
TEST_F(ExecSqlite, RerunAsWrittenKeepsTheFilterRowInForce) {
    openWith({});
    connect();
    runOne("select 1 as n, 'abc' as t");
    ASSERT_EQ(grid()->getCountA(), 1) << last();
    grid()->curcol = 1;
    grid()->qbe_edit(1, 'x');
    EXPECT_EQ(grid()->getCountV(), 0);
    SetFocus(grid()->getHwnd(0));
    w->command(CMD_EXECUTE);
    EXPECT_EQ(grid()->getCountA(), 1) << last();
    EXPECT_EQ(grid()->getCountV(), 0) << "the condition the filter cell shows still applies";
}

TEST_F(ExecSqlite, NumberFormatsFromTheFirstHundredRows) {
    openWith({{"maxrows", "200"}});
    connect();
    runOne("select a, b from wb_nums");
    ASSERT_EQ(grid()->getColCountA(), 2);
    EXPECT_STREQ(grid()->index2col(0)->getFormat(), "%.0f") << "1.5 stands in row 101";
    EXPECT_STREQ(grid()->index2col(1)->getFormat(), "%.2f") << "2.5 stands in row 3";
    EXPECT_EQ(cell(100, 0), "2") << "shown with the column's format";
    EXPECT_EQ(cell(0, 1), "7.00");
    EXPECT_TRUE(grid()->index2col(0)->getFlg() & TAXCOL_RIGHT) << "numbers are right-aligned";
    EXPECT_TRUE(grid()->index2col(0)->getFlg() & TAXCOL_QBE);
}

TEST_F(ExecSqlite, LongDataAsBlobOrItsFirstCharacters) {
    openWith({});
    connect();
    runOne("select id, note from wb_people where id = 1");
    ASSERT_EQ(grid()->getCountA(), 1);
    EXPECT_EQ(cell(0, 1), "BLOB");
    w->settings.bBlobStr = true;
    w->settings.nBlobStr = 20;
    w->applyGridSettings();
    runOne("select id, note from wb_people where id <= 5 order by id");
    EXPECT_EQ(cell(0, 1), "a note that is longe");
    EXPECT_TRUE(cellNull(4, 1)) << "a NULL stays null";
}

TEST_F(ExecSqlite, DatesFollowTheDefaultFormatsAndNullsStayNull) {
    openWith({{"aktfmt_D", "1"}});
    connect();
    runOne("select id, born from wb_people where id in (1, 5) order by id");
    ASSERT_EQ(grid()->getCountA(), 2);
    EXPECT_EQ(cell(0, 1), "11.02.1951");
    EXPECT_TRUE(cellNull(1, 1));
    cSettings().applyDateFormats();  // the default pictures for the following tests
}

TEST_F(ExecSqlite, SelectWithoutFromShowsItsRow) {
    openWith({});
    connect();
    runOne("select 1 as one, 'two' as two");
    EXPECT_TRUE(startsWith(last(), "[2] [OK]")) << last();
    ASSERT_EQ(grid()->getCountA(), 1);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(0, 1), "two");
    EXPECT_STREQ(w->statusBar->text(6), "DB: 1 / 1");
    SetFocus(grid()->getHwnd(0));
    w->command(CMD_EXECUTE);
    EXPECT_TRUE(startsWith(last(), "[3] [OK]")) << "it can be run again as written: " << last();
    EXPECT_EQ(grid()->getCountA(), 1);
}

TEST_F(ExecSqlite, FailedSelectEmptiesTheGrid) {
    openWith({});
    connect();
    runOne("select * from wb_people");
    ASSERT_EQ(grid()->getCountA(), 25);
    runOne("select * from wb_no_such_table");
    std::string e = last();
    EXPECT_TRUE(startsWith(e, "[3] [ERR]  ")) << e;
    EXPECT_NE(e.find("=== select * from wb_no_such_table"), std::string::npos) << e;
    EXPECT_EQ(grid()->getCountA(), 0);
    EXPECT_EQ(grid()->getColCountA(), 0);
    EXPECT_EQ(grid()->model, nullptr);
    EXPECT_STREQ(w->statusBar->text(6), "");
    EXPECT_TRUE(boxes.boxes.empty()) << "the slot grids raise no boxes";
    SetFocus(grid()->getHwnd(0));
    w->command(CMD_EXECUTE);
    EXPECT_EQ(last(), "[4] [ERR]  [Lumbra Grid] - No select statement.");
}

TEST_F(ExecSqlite, RunScriptFromCursorStopsAtStopAndAtFailures) {
    openWith({});
    Side(sqliteDsn(), "", "").run("delete from wb_log");
    connect();
    std::string script =
        "select 1 as x;\r\n"
        "\r\n"
        "insert into wb_log\r\n  values (2, 'a');\r\n"
        "\r\n\r\n"
        "insert into wb_log values (3, 'b');\r\n"
        "stop;\r\n"
        "insert into wb_log values (4, 'c');\r\n";
    wbtest::setScript(w, script.c_str());
    wbtest::caretBefore(w, "insert into wb_log\r\n");
    w->command(CMD_RUNSCRIPT);
    std::vector<std::string> e = entries(wbtest::paneText(w));
    ASSERT_EQ(e.size(), 3u) << wbtest::paneText(w);
    EXPECT_EQ(withoutSeconds(e[1]), "[2] [OK]  insert into wb_log    values (2, 'a')");
    EXPECT_EQ(withoutSeconds(e[2]), "[3] [OK]  insert into wb_log values (3, 'b')");
    HWND ed = q1()->edit;
    EXPECT_EQ(edLineFromChar(ed, edCaret(ed)), 7) << "caret on the stop line";
    EXPECT_EQ(edCaret(ed), edLineIndex(ed, 7) + 5) << "at its end";
    runOne("commit");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log"), 2);

    // A failure stops the run on the failing statement's last line.
    wbtest::setScript(w, "insert into wb_log values (5, 'x');\r\ninsert into\r\n wb_nosuch values (1);\r\n"
                         "insert into wb_log values (6, 'y');\r\n");
    wbtest::caretAt(w, 0);
    w->command(CMD_RUNSCRIPT);
    e = entries(wbtest::paneText(w));
    EXPECT_TRUE(startsWith(e.back(), "[6] [ERR]")) << e.back();
    EXPECT_EQ(edLineFromChar(ed, edCaret(ed)), 2);
    runOne("rollback");

    // From the last statement the run ends at the end of the text.
    wbtest::setScript(w, "select 1 as x;");
    wbtest::caretAt(w, 3);
    w->command(CMD_RUNSCRIPT);
    EXPECT_EQ(edCaret(ed), edTextLength(ed));
}

TEST_F(ExecSqlite, CommitWorkRollbackWorkAndDisconnect) {
    openWith({});
    Side(sqliteDsn(), "", "").run("delete from wb_log");
    connect();
    runOne("insert into wb_log values (10, 'gone')");
    runOne("rollback work");
    EXPECT_EQ(withoutSeconds(last()), "[3] [OK]  Rollback");
    runOne("select * from wb_log");
    EXPECT_EQ(grid()->getCountA(), 0);
    runOne("insert into wb_log values (11, 'kept')");
    runOne("Commit work");
    EXPECT_EQ(withoutSeconds(last()), "[6] [OK]  Commit");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 11"), 1);

    runOne("insert into wb_log values (12, 'at disconnect')");
    w->command(CMD_DISCONNECT);
    EXPECT_EQ(last(), "[8] [OK]  Disconnect");
    EXPECT_FALSE(q1()->connected);
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 12"), 1)
        << "disconnect commits by default";
    runOne("select * from wb_log");
    EXPECT_EQ(last(), "[9] [ERR]  Not connected. You have to connect before executing SQL commands!");
    SetFocus(grid()->getHwnd(0));
    w->command(CMD_EXECUTE);
    EXPECT_EQ(last(), "[10] [ERR]  Not connected. You have to connect before executing SQL commands!")
        << "re-running a grid without its connection says so";

    // Back to a savepoint: the statement goes to the data source, the work before it stays.
    connect();
    runOne("insert into wb_log values (13, 'before')");
    runOne("savepoint sp1");
    runOne("insert into wb_log values (14, 'after')");
    runOne("rollback to savepoint sp1");
    std::string entry = withoutSeconds(last());
    EXPECT_NE(entry.find("[OK]  rollback to savepoint sp1"), std::string::npos) << entry;
    runOne("commit");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 13"), 1);
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 14"), 0);
}

TEST_F(ExecSqlite, ImplicitRollbackAndCommitAlways) {
    openWith({{"bImplicitRollback", "1"}});
    Side(sqliteDsn(), "", "").run("delete from wb_log");
    connect();
    runOne("insert into wb_log values (20, 'rolled back')");
    runOne("disconnect");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 20"), 0);
    wbtest::closeMain(w);

    dir.write("bImplicitRollback", "0");
    openWith({{"b_commit_always", "1"}});
    connect();
    runOne("insert into wb_log values (21, 'committed at once')");
    std::vector<std::string> e = entries(wbtest::paneText(w));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(withoutSeconds(e[2]), "[3] [OK]  Commit");
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 21"), 1);
}

/* The end of the session ends the work as closing would: committed here. */
TEST_F(ExecSqlite, EndOfSessionCommitsAsClosingDoes) {
    openWith({{"bImplicitRollback", "0"}});
    Side(sqliteDsn(), "", "").run("delete from wb_log");
    connect();
    runOne("insert into wb_log values (22, 'kept at log-off')");
    EXPECT_EQ(SendMessageA(w->hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageA(w->hwnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(q1()->connected);
    EXPECT_EQ(countElsewhere("select count(*) from wb_log where id = 22"), 1);
}

TEST_F(ExecSqlite, ConnectFailuresAreLogged) {
    openWith({});
    runOne("connect WbNoSuchSource/u/p");
    std::string e = last();
    EXPECT_TRUE(startsWith(e, "[1] [ERR]")) << e;
    EXPECT_NE(e.find("]  Cannot connect!"), std::string::npos) << e;
    EXPECT_EQ(e.find("/p"), std::string::npos) << "the password is never logged";
    EXPECT_FALSE(q1()->connected);
    strfrdux(&q1()->statement, (void*)"connect    ");
    EXPECT_FALSE(q1()->connectCommand());
    EXPECT_EQ(last(), "[2] [ERR]  There is no matching DSN!");
    connect();
    runOne("connect WbNoSuchSource");
    EXPECT_FALSE(q1()->connected) << "a failed connect leaves the slot disconnected";
    EXPECT_EQ(w->statusBar->text(0), std::string("Q1: not connected"));
}

TEST_F(ExecSqlite, FilteredGridIsRunAgainWithItsCondition) {
    openWith({});
    connect();
    runOne("select id, name from wb_people order by id");
    ASSERT_EQ(grid()->getCountA(), 25);
    HWND g = grid()->getHwnd(0);
    // Click the header of the second column, then type the filter text.
    int x = grid()->index2col(0)->getWidth() + 5;
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x, 3));
    ASSERT_EQ(grid()->curcol, 1);
    SendMessageA(g, WM_CHAR, 'b', 0);
    EXPECT_EQ(grid()->getCountV(), 5) << "\"Bára n\" rows";
    EXPECT_STREQ(w->statusBar->text(6), "GRID: 5 / 25");
    EXPECT_NE(std::string(grid()->model->filterWhere).find("like 'b%'"), std::string::npos)
        << grid()->model->filterWhere;

    SetFocus(g);
    w->command(CMD_EXECUTE);
    std::string e = last();
    EXPECT_TRUE(startsWith(e, "[3] [OK]")) << e;
    EXPECT_NE(e.find("where"), std::string::npos) << e;
    EXPECT_EQ(grid()->getCountA(), 5) << "the data source did the filtering";
    EXPECT_EQ(grid()->getColCountA(), 2) << "columns kept";
    EXPECT_STREQ(w->statusBar->text(6), "DB: 5 / 5");

    // Show Expression: the rebuilt statement, copied into the editor; a black slot colour
    // (0, none) leaves the text on white.
    std::string shown;
    COLORREF back = 0x123456;
    wintest::Driver driver([&]() {
        HWND d = wintest::findDialog("Show expression");
        if (!d)
            return false;
        HWND edit = GetDlgItem(d, TEXTIK_EDIT);
        shown = wintest::windowText(edit);
        HDC dc = GetDC(edit);
        LOGBRUSH lb = {};
        GetObjectA((HBRUSH)SendMessageA(d, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)edit), sizeof lb, &lb);
        back = lb.lbColor;
        ReleaseDC(edit, dc);
        SendMessageA(GetDlgItem(d, TEXTIK_BUTTON + 1), BM_CLICK, 0, 0);
        return true;
    });
    wbtest::setScript(w, "-- start");
    w->settings.ecolor[0] = 0;
    w->command(CMD_SHOWEXPR);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(back, 0xFFFFFFu);
    EXPECT_NE(shown.find("\r\nfrom "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\nwhere "), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 3), ";\r\n");
    EXPECT_EQ(wbtest::script(w), "-- start\r\n" + shown);
    EXPECT_EQ(GetFocus(), q1()->edit) << "the copy is typed on in the editor";
}

TEST_F(ExecSqlite, ShowExpressionOfTheSelectedColumns) {
    openWith({});
    connect();
    runOne("select id, name, salary from wb_people where id < 4");
    HWND g = grid()->getHwnd(0);
    int x1 = grid()->index2col(0)->getWidth() + 5;
    int x2 = x1 + grid()->index2col(1)->getWidth();
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x2, 3));  // salary
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(x1, 3));  // and name
    ASSERT_EQ(grid()->getColCountS(), 2);
    grid()->sort(grid()->index2col(1)->colid, 2);  // by name, the first of the two shown
    std::string shown;
    wintest::Driver driver([&]() {
        HWND d = wintest::findDialog("Show expression");
        if (!d)
            return false;
        shown = wintest::windowText(GetDlgItem(d, TEXTIK_EDIT));
        SendMessageA(GetDlgItem(d, TEXTIK_BUTTON + 0), BM_CLICK, 0, 0);
        return true;
    });
    SetFocus(g);
    w->command(CMD_SHOWEXPRSEL);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(GetFocus(), g) << "Close gives the focus back";
    EXPECT_EQ(shown.substr(0, 20), "select name, salary\r") << shown;
    EXPECT_NE(shown.find("\r\nfrom "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\norder by 1 DESC"), std::string::npos) << "name is first now: " << shown;
    EXPECT_EQ(GetFocus(), g) << "the focus comes back";
    EXPECT_EQ(wbtest::script(w), "select id, name, salary from wb_people where id < 4")
        << "Close copies nothing";
}

TEST_F(ExecSqlite, ShowExpressionRunKeepsTheDialogOpenOnAnError) {
    openWith({});
    connect();
    runOne("select id, name from wb_people where id < 4");
    int steps = 0;
    bool stayedOpen = false;
    std::string afterError;
    wintest::Driver driver([&]() {
        HWND d = wintest::findDialog("Show expression");
        if (!d)
            return false;
        HWND text = GetDlgItem(d, TEXTIK_EDIT);
        if (steps == 0) {
            SetWindowTextA(text, "select nothing from wb_nowhere;");
            SendMessageA(GetDlgItem(d, TEXTIK_BUTTON + 2), BM_CLICK, 0, 0);
            steps = 1;
            return false;
        }
        stayedOpen = true;
        afterError = last();
        SetWindowTextA(text, "select id from wb_people where id = 3;\r\n");
        SendMessageA(GetDlgItem(d, TEXTIK_BUTTON + 2), BM_CLICK, 0, 0);
        return true;
    });
    w->command(CMD_SHOWEXPR);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(startsWith(afterError, "[3] [ERR]")) << afterError;
    EXPECT_TRUE(wintest::threadWindows("#32770").empty()) << "a successful Run closes it";
    EXPECT_EQ(withoutSeconds(last()), "[4] [OK]  select id from wb_people where id = 3");
    EXPECT_EQ(grid()->getCountA(), 1);
}

TEST_F(ExecSqlite, UnionGridsAreNotRebuilt) {
    openWith({});
    connect();
    runOne("select id from wb_people where id = 1 union select id from wb_people where id = 2");
    EXPECT_EQ(grid()->getCountA(), 2);
    EXPECT_TRUE(grid()->hasUnion);
    SetFocus(grid()->getHwnd(0));
    w->command(CMD_EXECUTE);
    EXPECT_EQ(last(), "[3] [ERR]  [Lumbra Grid] - Cannot re-create a SELECT statement when "
                      "original statement contains UNION.");
    w->command(CMD_SHOWEXPR);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Lumbra Grid");
    EXPECT_EQ(boxes.boxes[0].text,
              "Cannot re-create a SELECT statement\r\nwhen original statement contains UNION.");
}

TEST_F(ExecSqlite, LineBreaksInsideStatementsKeepTheirMeaning) {
    openWith({});
    Side(sqliteDsn(), "", "").run("delete from wb_log");
    connect();
    wbtest::setScript(w, "insert into wb_log values (30, 'two\r\nlines');\r\n"
                         "select id, -- the key\r\n  what from wb_log where id = 30;\r\n");
    run("insert");
    EXPECT_TRUE(startsWith(withoutSeconds(last()),
                           "[2] [OK]  insert into wb_log values (30, 'two  lines')"))
        << "the log shows one line: " << last();
    run("select");
    EXPECT_TRUE(startsWith(last(), "[3] [OK]")) << "a line comment ends at its line: " << last();
    ASSERT_EQ(grid()->getCountA(), 1);
    EXPECT_EQ(cell(0, 1), "two\r\nlines") << "the text was stored as written";
    runOne("rollback");
}

TEST_F(ExecSqlite, TablesDialogBelongsToTheSlotsConnection) {
    openWith({});
    connect();
    w->command(CMD_TABLES);
    HWND d = w->tablesDlg[0];
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(IsWindowVisible(d));
    w->command(CMD_TABLES);
    EXPECT_EQ(w->tablesDlg[0], d) << "one Tables dialog per slot";
    w->command(CMD_DISCONNECT);
    EXPECT_EQ(w->tablesDlg[0], nullptr);
    EXPECT_FALSE(IsWindow(d)) << "disconnecting closes it";
}

TEST_F(ExecSqlite, StatementsOfAnyLength) {
    openWith({});
    connect();
    std::string longText(100000, 'x');
    std::string sql = "select id from wb_people where name <> '" + longText + "' and id < 3";
    runOne(sql + ";");
    EXPECT_EQ(grid()->getCountA(), 2);
    std::string pane = wbtest::paneText(w);
    EXPECT_LE(pane.size(), 30000u);
    EXPECT_TRUE(startsWith(last(), "[2] [OK]")) << last().substr(0, 40);
    // The entry is cut short enough for the pane to take it and the next ones at once.
    EXPECT_LE(last().size(), (size_t)LOG_ENTRY_MAX);
    EXPECT_EQ(last().substr(last().size() - 3), "...");
    DWORD t = GetTickCount();
    runOne("select id from wb_people where id < 3;");
    EXPECT_LT(GetTickCount() - t, 2000u);
}

TEST_F(ExecSqlite, TenThousandRowsOfTwoHundredColumns) {
    openWith({{"maxrows", "10000"}});
    {
        Side s(sqliteDsn(), "", "");
        std::string cols, values;
        for (int c = 0; c < 200; c++) {
            cols += (c ? ", c" : "c") + std::to_string(c) + (c % 3 ? " integer" : " varchar(12)");
            values += (c ? ", " : "") + (c % 3 ? "n * " + std::to_string(c + 1)
                                                : "'v' || (n * " + std::to_string(c + 1) + ")");
        }
        s.run("drop table if exists wb_wide");
        s.run(("create table wb_wide (" + cols + ")").c_str());
        s.run(("insert into wb_wide with recursive k(n) as (select 1 union all select n + 1 from k"
               " where n < 10001) select " + values + " from k").c_str());
        s.commit();
    }
    connect();
    DWORD t = GetTickCount();
    runOne("select * from wb_wide");
    DWORD ms = GetTickCount() - t;
    EXPECT_EQ(grid()->getCountA(), 10000);
    EXPECT_EQ(grid()->getColCountA(), 200);
    EXPECT_STREQ(w->statusBar->text(6), "DB: 10000 / ???");
    EXPECT_EQ(cell(9999, 1), "20000");
    EXPECT_EQ(cell(9999, 3), "v40000");
    EXPECT_TRUE(startsWith(last(), "[2] [OK]")) << last();
    printf("10000 x 200 loaded in %lu ms\n", (unsigned long)ms);
    t = GetTickCount();
    runOne("select 1 as x");
    printf("replaced in %lu ms\n", (unsigned long)(GetTickCount() - t));
    EXPECT_LT(GetTickCount() - t, 5000u) << "emptying the big grid takes no long time";
    runOne("disconnect");  // the open transaction keeps SQLite's read lock
    Side(sqliteDsn(), "", "").run("drop table wb_wide");
}

/* ---- PostgreSQL ---- */

namespace {

class ExecPg : public Exec {
protected:
    void connect() {
        runOne("connect " + pgDsn() + "/" + pgUser() + "/" + pgPswd() + ";");
        ASSERT_TRUE(q1()->connected) << last() << " / " << wbtest::dsnHint();
    }
};

}  // namespace

TEST_F(ExecPg, SelectCommandTransactionsAndTypes) {
    openWith({});
    {
        Side s(pgDsn(), pgUser(), pgPswd());
        ASSERT_TRUE(s.ok) << wbtest::dsnHint();
        s.run("drop table if exists wb_pg");
        s.run("create table wb_pg (id integer, amount numeric(12,2), name varchar(30), born date,"
              " seen timestamp)");
        s.run("insert into wb_pg values (1, 10.5, 'Šárka', '2001-02-03', '2024-01-02 03:04:05'),"
              " (2, null, null, null, null), (3, 7, 'Ota', '1999-12-31', null)");
        s.commit();
    }
    connect();
    EXPECT_EQ(wbtest::title(w),
              "Lumbra       [Q1:  " + pgDsn() + "/" + pgUser() + "]   [Untitled1]");
    runOne("select * from wb_pg order by id");
    ASSERT_EQ(grid()->getCountA(), 3) << last();
    EXPECT_EQ(cell(0, 1), "10.50");
    EXPECT_EQ(cell(0, 2), "Šárka");
    EXPECT_EQ(cell(0, 3), "2001-02-03");
    EXPECT_EQ(cell(0, 4), "2024-01-02 03:04:05");
    {
        HDC dc = GetDC(grid()->getHwnd(0));
        HGDIOBJ old = SelectObject(dc, grid()->font);
        SIZE sz;
        GetTextExtentPoint32A(dc, "2024-01-02 03:04:05", 19, &sz);
        SelectObject(dc, old);
        ReleaseDC(grid()->getHwnd(0), dc);
        EXPECT_GE(grid()->index2col(4)->getWidth(), sz.cx + 6) << "the timestamp is not clipped";
    }
    EXPECT_TRUE(cellNull(1, 1));
    EXPECT_TRUE(cellNull(1, 2));
    EXPECT_STREQ(w->statusBar->text(6), "DB: 3 / 3");

    // A date filter typed day first: the grid and the data source keep the same row.
    HWND g = grid()->getHwnd(0);
    int x = 5;
    for (short i = 0; i < 3; i++)
        x += grid()->index2col(i)->getWidth();
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 3));
    SendMessageA(g, WM_LBUTTONUP, 0, MAKELPARAM(x, 3));
    ASSERT_EQ(grid()->curcol, 3);
    grid()->menuCol = 3;
    SendMessageA(g, WM_COMMAND, TAXOP_GE, 0);
    for (char ch : std::string("3.2.2001"))
        SendMessageA(g, WM_CHAR, (WPARAM)(unsigned char)ch, 0);
    EXPECT_EQ(grid()->getCountV(), 1);
    SetFocus(g);
    w->command(CMD_EXECUTE);
    EXPECT_EQ(grid()->getCountA(), 1) << last();

    runOne("update wb_pg set name = 'changed' where id = 3");
    runOne("rollback");
    runOne("select name from wb_pg where id = 3");
    EXPECT_EQ(cell(0, 0), "Ota") << "rolled back";
    runOne("delete from wb_pg where id = 2");
    runOne("commit");
    Side s(pgDsn(), pgUser(), pgPswd());
    EXPECT_EQ(s.scalar("select count(*) from wb_pg"), 2);
    // A run-time error undoes its statement only; a syntax error makes the driver roll back
    // the whole transaction, and the log says so.
    runOne("delete from wb_pg where id = 3");
    runOne("insert into wb_pg values ('not a number')");
    std::string e = last();
    EXPECT_NE(e.find("[ERR]"), std::string::npos) << e;
    EXPECT_NE(e.find("=== insert into wb_pg values ('not a number')"), std::string::npos) << e;
    EXPECT_EQ(e.find("rolled back"), std::string::npos) << e;
    runOne("selec 1");
    EXPECT_NE(last().find("; Error while executing the query. The data source rolled back the "
                          "whole transaction: the work since the last commit is undone."),
              std::string::npos)
        << last();
    runOne("commit");
    EXPECT_EQ(s.scalar("select count(*) from wb_pg"), 2);
    runOne("selec 1");
    EXPECT_EQ(last().find("rolled back"), std::string::npos) << "no work was undone: " << last();
    // Work that returns rows, and a typed begin within the transaction, are noted too; a
    // vacuum, which runs outside transactions, is no work to undo.
    runOne("insert into wb_pg values (9) returning id");
    runOne("begin");
    runOne("selec 1");
    EXPECT_NE(last().find("rolled back"), std::string::npos) << last();
    runOne("vacuum wb_pg");
    runOne("selec 1");
    EXPECT_EQ(last().find("rolled back"), std::string::npos) << last();
    EXPECT_EQ(s.scalar("select count(*) from wb_pg"), 2);
    runOne("select count(*) from wb_pg");
    EXPECT_EQ(cell(0, 0), "2") << "the connection is usable after the error";

    // A SELECT that makes no result set ran: it says so, and the grid shows nothing.
    runOne("select * into wb_pginto from wb_pg");
    EXPECT_TRUE(startsWith(withoutSeconds(last()), "[" + std::to_string(w->logCounter - 1) +
                                                       "] [OK]  select * into wb_pginto"))
        << last();
    EXPECT_EQ(grid()->getColCountA(), 0);
    runOne("select count(*) from wb_pginto");
    EXPECT_EQ(cell(0, 0), "2");
    runOne("rollback");
    // A date before year 1 cannot be shown: the log says so.
    runOne("select timestamp '0044-03-15 12:00:00 BC' as ides, date '2024-01-02' as d");
    EXPECT_EQ(withoutSeconds(last()), "[" + std::to_string(w->logCounter - 1) +
                                          "] [OK]  1 date lies outside the years 1 to 9999 and "
                                          "is shown as 0-00-00.");

    // The server's notices and warnings follow the statement's entry.
    runOne("do $$ begin raise notice 'Šárka'; raise warning 'pozor'; end $$");
    std::string info = last();
    EXPECT_EQ(info.find("[" + std::to_string(w->logCounter - 1) + "] [OK]  NOTICE: \x8A\xE1rka"),
              0u) << info;  // in the program's code page
    EXPECT_NE(info.find("WARNING: pozor"), std::string::npos) << info;
    runOne("select 1 as one");
    EXPECT_NE(last().find("[OK] ["), std::string::npos) << "no note without one: " << last();

    // A data source that commits every statement says so, and its Rollback is no OK.
    runOne("connect " + wbtest::envOr("LUMBRA_PG_AUTO_DSN", "LumbraPGAuto") + "/" + pgUser() + "/" +
           pgPswd() + ";");
    EXPECT_NE(last().find("commits every statement"), std::string::npos) << last();
    runOne("rollback");
    EXPECT_TRUE(startsWith(last(), "[" + std::to_string(w->logCounter - 1) + "] [ERR]  The data"))
        << last();
}

TEST_F(ExecPg, AFailedImplicitCommitIsReportedAndKeepsTheConnection) {
    openWith({});
    {
        Side s(pgDsn(), pgUser(), pgPswd());
        ASSERT_TRUE(s.ok) << wbtest::dsnHint();
        s.run("drop table if exists wb_pgdef");
        s.run("create table wb_pgdef (id integer unique deferrable initially deferred)");
        s.run("insert into wb_pgdef values (1)");
        s.commit();
    }
    connect();
    // The duplicate is found only when the transaction commits.
    runOne("insert into wb_pgdef values (1)");
    w->command(CMD_DISCONNECT);
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    EXPECT_NE(last().find("wb_pgdef"), std::string::npos) << "the driver's text: " << last();
    EXPECT_NE(last().find("rolled back the whole transaction"), std::string::npos)
        << "PostgreSQL ended the transaction: " << last();
    EXPECT_TRUE(q1()->connected);
    EXPECT_TRUE(q1()->db->isConnected());

    // Closing from another slot shows the slot that refused, and the window stays.
    runOne("insert into wb_pgdef values (1)");
    w->command(CMD_QUERY2);
    EXPECT_FALSE(wbtest::closeMain(w));
    EXPECT_EQ(w->shown(), 0);
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    EXPECT_TRUE(q1()->connected);

    // Connecting over it is refused the same way; once the work is gone, it goes ahead.
    runOne("insert into wb_pgdef values (1)");
    EXPECT_FALSE(q1()->connectTo(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str()));
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    w->command(CMD_DISCONNECT);
    EXPECT_EQ(withoutSeconds(last()), "[" + std::to_string(w->logCounter - 1) + "] [OK]  Disconnect");
    EXPECT_FALSE(q1()->connected);
    // Each refusal asked whether to let the work go (answered No); Yes lets it go, as a
    // driver may never commit again (SQLite after a failed commit of its file).
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 32), "The implicit commit of Q1 failed");
    EXPECT_NE(boxes.boxes[0].text.find("Disconnect anyway?"), std::string::npos);
    connect();
    runOne("insert into wb_pgdef values (1)");
    boxes.answers.push_back(IDYES);
    w->command(CMD_DISCONNECT);
    EXPECT_FALSE(q1()->connected);
    EXPECT_FALSE(q1()->db->isConnected());
    Side s(pgDsn(), pgUser(), pgPswd());
    EXPECT_EQ(s.scalar("select count(*) from wb_pgdef"), 1);
    s.run("drop table wb_pgdef");
    s.commit();
}

TEST_F(ExecPg, DroppedConnectionIsReportedAndRecovered) {
    openWith({});
    connect();
    w->command(CMD_TABLES);
    ASSERT_NE(w->tablesDlg[0], nullptr);
    runOne("select pg_backend_pid() as pid from pg_class where relname = 'pg_class'");
    ASSERT_EQ(grid()->getCountA(), 1) << last();
    std::string pid = cell(0, 0);
    {
        Side killer(pgDsn(), pgUser(), pgPswd());
        ASSERT_TRUE(killer.ok) << wbtest::dsnHint();
        killer.run(("select pg_terminate_backend(" + pid + ")").c_str());
        killer.commit();
    }
    Sleep(300);
    DWORD t = GetTickCount();
    runOne("select relname from pg_class where relname = 'pg_class'");
    EXPECT_LT(GetTickCount() - t, 30000u) << "no hang";
    std::vector<std::string> all = entries(wbtest::paneText(w));
    ASSERT_GE(all.size(), 2u);
    std::string e = all[all.size() - 2];
    EXPECT_NE(e.find("[ERR]"), std::string::npos) << e;
    EXPECT_GT(e.size(), std::string("[4] [ERR]  ").size() + 10) << "a clear message: " << e;
    EXPECT_EQ(withoutSeconds(last()),
              "[4] [ERR]  Q1 lost its connection to " + pgDsn() + ". Connect again to go on.");
    // The slot, its title and the status bar no longer claim the lost connection, and its
    // Tables dialog is gone.
    EXPECT_FALSE(q1()->connected);
    wintest::pump();
    EXPECT_EQ(w->tablesDlg[0], nullptr);
    char title[256];
    GetWindowTextA(w->hwnd, title, sizeof title);
    EXPECT_EQ(std::string(title).find(pgDsn()), std::string::npos) << title;
    runOne("insert into wb_nothing values (1)");
    EXPECT_NE(last().find("Not connected."), std::string::npos) << last();
    connect();
    runOne("select relname from pg_class where relname = 'pg_class'");
    EXPECT_EQ(grid()->getCountA(), 1) << last();

    // Tables on a connection found lost while the dialog opens: it says so and is inert.
    runOne("select pg_backend_pid() as pid from pg_class where relname = 'pg_class'");
    pid = cell(0, 0);
    {
        Side killer(pgDsn(), pgUser(), pgPswd());
        killer.run(("select pg_terminate_backend(" + pid + ")").c_str());
        killer.commit();
    }
    Sleep(300);
    w->command(CMD_TABLES);
    EXPECT_FALSE(q1()->connected);
    HWND d = w->tablesDlg[0];
    if (d) {
        EXPECT_EQ(wintest::windowText(d), "[Q1:  not connected]");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    }
}

/* Rows painted while a slow fetch ran show the number format chosen after it, as the
   others do (they kept a text without decimals). */
TEST_F(ExecPg, RowsPaintedDuringAFetchTakeTheChosenNumberFormat) {
    openWith({});
    runOne("connect " + wbtest::envOr("LUMBRA_PG_CURSOR_DSN", "LumbraPGCursor") + "/" + pgUser() +
           "/" + pgPswd() + ";");
    ASSERT_TRUE(q1()->connected) << last();
    runOne("select g * 1.5 as num, pg_sleep(0.006) as s from generate_series(1, 100) as g");
    ASSERT_EQ(grid()->getCountA(), 100) << last();
    EXPECT_EQ(cell(0, 0), "1.50");
    EXPECT_EQ(cell(99, 0), "150.00");
}

/* Closing when the implicit commit fails because the connection is gone: the window stays
   once, showing why, and the next close goes on. */
TEST_F(ExecPg, ClosingAfterTheConnectionWentSaysTheWorkWasNotCommitted) {
    openWith({});
    connect();
    runOne("select pg_backend_pid() as pid from pg_class where relname = 'pg_class'");
    ASSERT_EQ(grid()->getCountA(), 1) << last();
    std::string pid = cell(0, 0);
    runOne("create temporary table wb_gone (a int)");
    {
        Side killer(pgDsn(), pgUser(), pgPswd());
        ASSERT_TRUE(killer.ok) << wbtest::dsnHint();
        killer.run(("select pg_terminate_backend(" + pid + ")").c_str());
        killer.commit();
    }
    Sleep(300);
    q1()->modified = false;
    SendMessageA(w->hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(w->hwnd)) << "closed without a word";
    std::vector<std::string> all = entries(wbtest::paneText(w));
    ASSERT_GE(all.size(), 2u);
    EXPECT_NE(all[all.size() - 2].find("[ERR]"), std::string::npos) << all[all.size() - 2];
    EXPECT_NE(last().find("[ERR]  Q1 lost its connection"), std::string::npos) << last();
    EXPECT_FALSE(q1()->connected);
}

/* A function body in dollar quotes runs as one statement, by F5 as well as by the caret. */
TEST_F(ExecPg, DollarQuotedFunctionBodyIsOneStatement) {
    openWith({});
    connect();
    wbtest::setScript(w, "create or replace function wb_fn() returns int as $$\r\nbegin\r\n"
                         "  return 42;\r\nend;\r\n$$ language plpgsql;\r\nselect wb_fn() as v;\r\n");
    wbtest::caretAt(w, 0);
    w->command(CMD_RUNSCRIPT);
    ASSERT_EQ(grid()->getCountA(), 1) << last();
    EXPECT_EQ(cell(0, 0), "42");
    runOne("drop function wb_fn()");
    runOne("commit");
}

/* A re-run whose result no longer has the grid's columns fails with a word, instead of
   putting the values under other headers. */
TEST_F(ExecSqlite, RerunRefusesAResultOfOtherColumns) {
    openWith({});
    Side side(sqliteDsn(), "", "");
    side.run("drop table if exists wb_shape");
    side.run("create table wb_shape (a integer, b varchar(10), c integer)");
    side.run("insert into wb_shape values (1, 'x', 3)");
    side.commit();
    connect();
    runOne("select * from wb_shape");
    ASSERT_EQ(grid()->getColCountA(), 3) << last();
    runOne("alter table wb_shape drop column b");
    runOne("commit");
    SetFocus(grid()->getHwnd(0));
    w->command(CMD_EXECUTE);
    std::string e = last();
    EXPECT_NE(e.find("[ERR]"), std::string::npos) << wbtest::paneText(w);
    EXPECT_NE(e.find("other columns than the grid shows"), std::string::npos) << e;
    EXPECT_EQ(grid()->getColCountA(), 3);
    runOne("select * from wb_shape");
    EXPECT_EQ(grid()->getColCountA(), 2) << "run anew, the result's own columns";
    runOne("drop table wb_shape");
    runOne("commit");
}

/* Texts longer than the driver hands over are shown cut, and the log says so. */
TEST_F(ExecSqlite, CutTextsAreNamedInTheLog) {
    openWith({});
    connect();
    runOne("select lower(replace(hex(zeroblob(4500)), '0', 'x')) as t, 'short' as s");
    ASSERT_EQ(grid()->getCountA(), 1) << last();
    EXPECT_EQ(cell(0, 0).size(), 8191u);
    EXPECT_EQ(withoutSeconds(last()),
              "[3] [OK]  1 value was longer than 8191 characters and is shown cut.");
    runOne("select 'short' as s");
    EXPECT_NE(last().find("select 'short'"), std::string::npos) << "no note without a cut";
}

