/* Statements in the background: the window stays alive while a statement runs, Esc and
   the status bar cancel it, a long fetch stops with the rows so far, and closing the
   window mid-statement neither hangs nor loses the script. Against the SQLite3 and
   PostgreSQL data sources of .ci/odbcini.sh (and .ci/pg.sh). */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "bgrun.h"
#include "edutil.h"
#include "lumbrarc.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "statux.h"
#include "values.h"
#include "wbtest.h"
#include "xdbc.h"


namespace {

using wbtest::envOr;
using wbtest::sqliteDsn;

std::string pgConnect() {
    return "connect " + envOr("LUMBRA_PG_DSN", "LumbraPG") + "/" +
           envOr("LUMBRA_PG_USER", "lumbra") + "/" + envOr("LUMBRA_PG_PSWD", "lumbra_pw") + ";";
}

/* Called on the window's own thread every 20 ms while messages are pumped: what the test
   does and looks at while a statement runs. */
std::function<void()> g_tick;
void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_tick)
        g_tick();
}

class Bg : public wbtest::MainTest {
protected:
    Bg() : MainTest("wbbg") {}
    UINT_PTR timer = 0;

    void open(char const* background = "1") {
        dir.write("bBackgroundRun", background);
        dir.write("maxrows", "10000");
        w = wbtest::openMain(dir);
        ASSERT_NE(w, nullptr);
        timer = SetTimer(0, 0, 20, onTick);
    }
    void TearDown() override {
        g_tick = nullptr;
        if (timer)
            KillTimer(0, timer);
        MainTest::TearDown();
    }
    std::string last() {
        std::string p = wbtest::paneText(w);
        while (p.size() >= 4 && p.compare(p.size() - 4, 4, "\r\n\r\n") == 0)
            p.resize(p.size() - 4);
        size_t at = p.rfind("\r\n\r\n");
        return at == std::string::npos ? p : p.substr(at + 4);
    }
    std::string status(int i) { return w->statusBar->text(i); }
    std::string cell(int row, int col) {
        cTaxRow* r = grid()->rowindex2ptrA((short)row);
        char* s = r ? r->getStr((short)col, true) : 0;
        return s ? s : "<none>";
    }
    /* Esc to the editor once the window's message field starts with prefix. */
    void escWhenRunning(char const* prefix = kBgRunning);
};

/* The moment the Esc of escWhenRunning went out (0 when it never did). */
DWORD& escSent() {
    static DWORD t = 0;
    return t;
}

void Bg::escWhenRunning(char const* prefix) {
    escSent() = 0;
    std::string want(prefix);
    g_tick = [this, want]() {
        if (!escSent() && status(4).compare(0, want.size(), want) == 0) {
            escSent() = GetTickCount();
            PostMessageA(q1()->edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        }
    };
}

}  // namespace

TEST_F(Bg, PgSleepCanceledByEscWithinOneSecondWhileTheWindowLivesOn) {
    open();
    runOne(pgConnect());
    ASSERT_TRUE(q1()->connected) << last();
    // What the test sees while the statement runs: the lock, the clock and paints.
    bool editorLocked = false, buttonsLocked = false, painted = false, invalidated = false;
    std::string running;
    DWORD escAt = 0;
    g_tick = [&]() {
        if (status(4).compare(0, strlen(kBgRunning), kBgRunning) != 0)
            return;
        editorLocked = !IsWindowEnabled(q1()->edit);
        buttonsLocked = !IsWindowEnabled(w->buttons[0]);
        RECT r;
        if (invalidated && !GetUpdateRect(w->hwnd, &r, FALSE))
            painted = true;
        if (!invalidated) {
            InvalidateRect(w->hwnd, 0, TRUE);
            invalidated = true;
        }
        running = status(4);
        // Let the clock tick over once before Esc.
        if (!escAt && running.find(" 1 s") != std::string::npos && painted) {
            escAt = GetTickCount();
            PostMessageA(q1()->edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        }
    };
    DWORD t0 = GetTickCount();
    runOne("select pg_sleep(30)");
    DWORD back = GetTickCount();
    g_tick = nullptr;
    ASSERT_NE(escAt, 0u) << "the running state never showed its second second";
    printf("pg_sleep(30): control back %lu ms after Esc\n", (unsigned long)(back - escAt));
    EXPECT_LT(back - escAt, 1000u) << "Esc gave control back within a second";
    EXPECT_LT(back - t0, 5000u);
    EXPECT_EQ(running, std::string(kBgRunning) + "  1 s");
    EXPECT_TRUE(editorLocked && buttonsLocked) << "the window is locked while the statement runs";
    EXPECT_TRUE(painted) << "WM_PAINT answered during the wait";
    std::string e = last();
    EXPECT_EQ(e.compare(0, 9, "[2] [ERR]"), 0) << e;
    EXPECT_NE(e.find("cancel"), std::string::npos) << "the driver's message: " << e;
    EXPECT_NE(e.find("select pg_sleep(30)"), std::string::npos) << e;
    // Unlocked, focus back in the editor, connection still usable.
    EXPECT_TRUE(IsWindowEnabled(q1()->edit));
    EXPECT_TRUE(IsWindowEnabled(w->buttons[0]));
    EXPECT_EQ(GetFocus(), q1()->edit);
    EXPECT_TRUE(q1()->connected);
    runOne("select 6 * 7 as answer");
    EXPECT_EQ(last().compare(0, 8, "[3] [OK]"), 0) << last();
    EXPECT_EQ(cell(0, 0), "42");
    EXPECT_EQ(status(6), "DB: 1 / 1");
    EXPECT_FALSE(bgBusy());
    EXPECT_EQ(bgPhase(), 0);
}

TEST_F(Bg, StatusFieldClickAndRepeatedEscCancelOnceAndStopTheScript) {
    open();
    runOne(pgConnect());
    ASSERT_TRUE(q1()->connected) << last();
    int clicks = 0;
    g_tick = [&]() {
        if (status(4).compare(0, strlen(kBgRunning), kBgRunning) != 0 || clicks > 3)
            return;
        // Find the message field and click it, then press Esc on top, twice.
        HWND bar = w->statusBar->hwnd();
        int x = -1;
        for (int px = 0; px < 2000 && x < 0; px += 4)
            if (w->statusBar->fieldAt(px) == 4)
                x = px + 8;
        ASSERT_GE(x, 0);
        if (clicks == 0)
            PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
        else
            PostMessageA(w->hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        clicks++;
    };
    wbtest::setScript(w, "select pg_sleep(30);\r\nselect cast('after' as varchar(20)) as what;\r\n");
    wbtest::caretAt(w, 0);
    int before = w->logCounter;
    DWORD t0 = GetTickCount();
    w->command(CMD_RUNSCRIPT);
    g_tick = nullptr;
    EXPECT_LT(GetTickCount() - t0, 3000u);
    EXPECT_EQ(w->logCounter, before + 1) << "the script stopped at the canceled statement: "
                                         << wbtest::paneText(w);
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    EXPECT_EQ(grid()->getCountA(), 0) << "the statement after it never ran";
    // The next run is not stopped by the old cancel, not even at a statement without a worker.
    wbtest::setScript(w, "commit;\r\nselect cast('next run' as varchar(20)) as what;\r\n");
    wbtest::caretAt(w, 0);
    w->command(CMD_RUNSCRIPT);
    EXPECT_EQ(cell(0, 0), "next run") << wbtest::paneText(w);
    runOne("select cast('still here' as varchar(20)) as what");
    EXPECT_EQ(cell(0, 0), "still here") << last();
}

TEST_F(Bg, FetchOfManyRowsStoppedByEscKeepsThePartialGrid) {
    open();
    runOne(pgConnect());
    ASSERT_TRUE(q1()->connected) << last();
    escWhenRunning("Fetching...");
    // Rows wide enough that 10,000 of them take well over the first progress step (400
    // texts of 160 characters in each step of 100 ms would be quicker than any run so far).
    std::string sql = "select g";
    for (int i = 0; i < 40; i++)
        sql += ", repeat(md5((g + " + std::to_string(i) + ")::text), 5) as c" + std::to_string(i);
    runOne(sql + " from generate_series(1, 20000) g");
    g_tick = nullptr;
    int rows = grid()->getCountA();
    printf("fetch stopped by Esc after %d rows\n", rows);
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 10000) << "Esc stopped the fetch before the row limit";
    char want[48];
    snprintf(want, sizeof want, "DB: %d / ???", rows);
    EXPECT_EQ(status(6), want) << "more rows may exist, as at the row limit";
    EXPECT_NE(wbtest::paneText(w).find("\r\n\r\n[2] [OK]"), std::string::npos);
    EXPECT_EQ(last(), "[3] [OK]  The load was stopped: the grid holds the first " +
                          std::to_string(rows) + " rows.")
        << "the partial grid is not taken for the whole result";
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(rows - 1, 0), std::to_string(rows)) << "rows in order, none lost";
    runOne("select count(*) as n from generate_series(1, 100000) g");
    EXPECT_EQ(cell(0, 0), "100000") << last();
    EXPECT_EQ(status(6), "DB: 1 / 1");
}

TEST_F(Bg, ClosingMidStatementCancelsKeepsUnsavedTextAndThenCloses) {
    open();
    runOne(pgConnect());
    ASSERT_TRUE(q1()->connected) << last();
    // First close: the script is unsaved and the user keeps it (Cancel).
    wbtest::typeScript(w, "select pg_sleep(30)");
    ASSERT_TRUE(q1()->modified);
    boxes.answers.push_back(IDCANCEL);
    bool closeSent = false;
    g_tick = [&]() {
        if (!closeSent && status(4).compare(0, strlen(kBgRunning), kBgRunning) == 0) {
            closeSent = true;
            PostMessageA(w->hwnd, WM_CLOSE, 0, 0);
        }
    };
    wbtest::caretAt(w, 0);
    DWORD t0 = GetTickCount();
    wbtest::executeInEditor(w);
    EXPECT_LT(GetTickCount() - t0, 3000u) << "closing canceled the statement";
    ASSERT_TRUE(closeSent);
    wintest::pump(100);
    ASSERT_TRUE(IsWindow(w->hwnd)) << "the user kept the window";
    ASSERT_EQ(boxes.boxes.size(), 1u) << "asked about the unsaved script after the statement";
    EXPECT_EQ(wbtest::script(w), "select pg_sleep(30)");
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    runOne("select 1 as one");
    EXPECT_EQ(cell(0, 0), "1") << "the connection is usable";
    // Second close, nothing unsaved: the window goes once the statement has ended.
    q1()->modified = false;
    closeSent = false;
    HWND h = w->hwnd;
    t0 = GetTickCount();
    runOne("select pg_sleep(30)");
    EXPECT_LT(GetTickCount() - t0, 3000u);
    wintest::pump(100);
    EXPECT_FALSE(IsWindow(h));
    w = 0;
}

TEST_F(Bg, LongSqliteQueryCanceledOrReported) {
    open();
    runOne("connect " + sqliteDsn() + ";");
    ASSERT_TRUE(q1()->connected) << last();
    escWhenRunning();
    DWORD t0 = GetTickCount();
    runOne("with recursive c(x) as (select 1 union all select x + 1 from c where x < 30000000) "
           "select count(*) as n from c");
    DWORD back = GetTickCount();
    g_tick = nullptr;
    printf("SQLite long query: %lu ms in all, %lu ms after Esc; entry: %s\n",
           (unsigned long)(back - t0), (unsigned long)(back - escSent()), last().c_str());
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    runOne("select 5 as five");
    EXPECT_EQ(cell(0, 0), "5") << last();
}

/* The SQLite driver finishes its wait for a lock before it looks at a cancel: meanwhile the
   clock says the cancel is on its way. */
TEST_F(Bg, EscDuringALockWaitSaysCanceling) {
    open();
    wbtest::Side side(sqliteDsn(), "", "");
    ASSERT_TRUE(side.ok);
    side.tryRun("drop table bg_lock");
    side.run("create table bg_lock (a int)");
    side.commit();
    side.run("insert into bg_lock values (1)");  // its lock stays until the rollback below
    runOne("connect " + sqliteDsn() + ";");
    ASSERT_TRUE(q1()->connected) << last();
    runOne("pragma busy_timeout = 300");  // leaves the driver's own wait (10 s) alone
    escWhenRunning();
    std::string afterEsc;
    auto esc = g_tick;
    g_tick = [&]() {
        esc();
        if (escSent() && GetTickCount() - escSent() > 300 && afterEsc.empty())
            afterEsc = status(4);
    };
    runOne("insert into bg_lock values (2)");
    g_tick = nullptr;
    EXPECT_EQ(afterEsc.compare(0, strlen(kBgCanceling), kBgCanceling), 0) << afterEsc;
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    side.x->rollback();
    runOne("drop table bg_lock");
}

TEST_F(Bg, SettingOffRunsInTheForeground) {
    open("0");
    EXPECT_FALSE(w->settings.bBackgroundRun);
    runOne(pgConnect());
    ASSERT_TRUE(q1()->connected) << last();
    int ticks = 0;
    g_tick = [&]() { ticks++; };
    runOne("select pg_sleep(0.5)");
    EXPECT_EQ(ticks, 0) << "nothing is pumped while a foreground statement runs";
    EXPECT_EQ(last().compare(0, 8, "[2] [OK]"), 0) << last();
}

TEST_F(Bg, QuickStatementsCostAboutTheSameInTheBackground) {
    open();
    runOne("connect " + sqliteDsn() + ";");
    ASSERT_TRUE(q1()->connected) << last();
    auto timeRuns = [&](bool background) {
        w->settings.bBackgroundRun = background;
        DWORD t0 = GetTickCount();
        for (int i = 0; i < 10; i++)
            runOne("update wb_bg_none set x = 1 where 1 = 0");
        return GetTickCount() - t0;
    };
    runOne("create table if not exists wb_bg_none (x integer)");
    // Interleaved, so that other work on the machine weighs on both alike.
    DWORD fg = 0, bg = 0;
    for (int round = 0; round < 4; round++) {
        fg += timeRuns(false);
        bg += timeRuns(true);
    }
    printf("40 quick statements: %lu ms in the foreground, %lu ms in the background\n",
           (unsigned long)fg, (unsigned long)bg);
    // Loose on purpose: the machine running the tests may be busy with other work.
    EXPECT_LT(bg, 2 * fg + 1000) << "a worker thread per statement costs little";
}

TEST_F(Bg, BackendTerminatedWhileWaitingIsReportedAndTheWindowUnlocks) {
    open();
    runOne(pgConnect() + "\r\n");
    ASSERT_TRUE(q1()->connected) << last();
    runOne("select cast(pg_backend_pid() as integer) as pid");
    std::string pid = cell(0, 0);
    ASSERT_NE(pid, "<none>");
    cXdbc* side = xdb_init();
    ASSERT_TRUE(side->connect(envOr("LUMBRA_PG_DSN", "LumbraPG").c_str(),
                              envOr("LUMBRA_PG_USER", "lumbra").c_str(),
                              envOr("LUMBRA_PG_PSWD", "lumbra_pw").c_str(), 0));
    bool killed = false;
    g_tick = [&]() {
        if (killed || status(4).compare(0, strlen(kBgRunning), kBgRunning) != 0)
            return;
        killed = true;
        std::string sql = "select pg_terminate_backend(" + pid + ")";
        side->prepare(sql.c_str());
        side->execute();
        side->finish();
    };
    DWORD t0 = GetTickCount();
    runOne("select pg_sleep(30)");
    g_tick = nullptr;
    xdb_free(side);
    EXPECT_TRUE(killed);
    EXPECT_LT(GetTickCount() - t0, 5000u);
    EXPECT_NE(wbtest::paneText(w).find("[ERR]"), std::string::npos) << last();
    EXPECT_NE(last().find("Q1 lost its connection"), std::string::npos) << last();
    EXPECT_FALSE(q1()->connected);
    EXPECT_TRUE(IsWindowEnabled(q1()->edit));
    EXPECT_FALSE(bgCanceled()) << "nobody canceled: the server ended it";
    // The next statement fails plainly, and a new connect gives a working slot again.
    runOne("select 1 as one");
    EXPECT_NE(last().find("[ERR]"), std::string::npos) << last();
    runOne(pgConnect());
    ASSERT_TRUE(q1()->connected) << last();
    runOne("select 2 as two");
    EXPECT_EQ(cell(0, 0), "2") << last();
}
