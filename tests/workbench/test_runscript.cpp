/* Run External Script: the dialog driven through its control ids on the real main window,
   scripts run by the worker against SQLite and PostgreSQL. */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "dlgjobsrc.h"
#include "../win/fulldisk.h"
#include "dlgrunscript.h"
#include "jobtest.h"
#include "lumbrarc.h"
#include "queryslot.h"
#include "querywin.h"
#include "wbtest.h"
#include "xdbc.h"

using namespace jobtest;
using wbtest::AppDir;
using wbtest::BoxHook;

namespace {

class RunScript : public ::testing::Test {
protected:
    void SetUp() override {
        dir = new AppDir("runscript");
        w = wbtest::openMain(*dir);
        ASSERT_TRUE(w != 0);
    }
    void TearDown() override {
        if (dlg && IsWindow(dlg))
            DestroyWindow(dlg);
        EXPECT_TRUE(wbtest::closeMain(w));
        delete dir;
    }
    HWND open() {
        w->command(CMD_RUNEXTERNAL);
        dlg = runScriptDialog();
        return dlg;
    }
    /* Writes the script, starts it and waits for the end; returns the status text. */
    std::string run(std::string const& script, bool stopOnError = true) {
        std::string path = dir->file("script.sql");
        wbtest::writeFile(path, script);
        SetDlgItemTextA(dlg, IDC_RUN_FILE, path.c_str());
        check(dlg, IDC_RUN_STOPERR, stopOnError);
        check(dlg, IDC_RUN_GOON, !stopOnError);
        click(dlg, IDC_RUN_START);
        if (!IsWindowEnabled(GetDlgItem(dlg, IDC_RUN_START))) {
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL)) << "Stop holds the focus: Esc stops";
        }
        EXPECT_TRUE(waitEnabled(dlg, IDC_RUN_START)) << "the worker did not end";
        EXPECT_EQ(itemText(dlg, IDCANCEL), "Close");
        return itemText(dlg, IDC_RUN_STATUS);
    }
    int count(int id) { return atoi(itemText(dlg, id).c_str()); }

    AppDir* dir = 0;
    cXQueryWindow* w = 0;
    HWND dlg = 0;
    BoxHook boxes;
};

/* Script-hooked Stop: presses "Stop script" when the n-th step message arrives. */
HHOOK g_hook;
int g_stopAt;
int g_steps;
LRESULT CALLBACK stopHook(int code, WPARAM wp, LPARAM lp) {
    CWPSTRUCT* c = (CWPSTRUCT*)lp;
    if (code == HC_ACTION && c->message == WM_JOBSTEP && c->wParam != 2 && ++g_steps == g_stopAt)
        click(c->hwnd, IDCANCEL);
    return CallNextHookEx(g_hook, code, wp, lp);
}

}  // namespace

TEST_F(RunScript, OpensLockedWithTheSlotStateAndUnlocksOnClose) {
    ASSERT_TRUE(open());
    EXPECT_EQ(wintest::windowText(dlg), "Run External Script");
    EXPECT_FALSE(IsWindowEnabled(w->shownEditor())) << "main window locked";
    // Shortcuts are locked too: Alt+2 as TranslateAccelerator sends it.
    SendMessageA(w->hwnd, WM_COMMAND, MAKEWPARAM(CMD_QUERY2, 1), 0);
    EXPECT_EQ(w->shown(), 0);
    EXPECT_EQ(itemText(dlg, IDC_RUN_SLOT), "Use [Q1] connection  [not connected]");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_RUN_SLOT)));
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RUN_OWN), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RUN_STOPERR), BST_CHECKED);
    for (int id : {IDC_RUN_LOGFILE, IDC_RUN_LOGBROWSE, IDC_RUN_LOGVIEW})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id))) << id;
    check(dlg, IDC_RUN_LOG, true);
    click(dlg, IDC_RUN_LOG);
    for (int id : {IDC_RUN_LOGFILE, IDC_RUN_LOGBROWSE, IDC_RUN_LOGVIEW})
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, id))) << id;

    // Missing names: a box, nothing starts.
    click(dlg, IDC_RUN_START);
    SetDlgItemTextA(dlg, IDC_RUN_FILE, "x.sql");
    click(dlg, IDC_RUN_START);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Enter the filename!");
    EXPECT_EQ(boxes.boxes[0].caption, "Lumbra");
    EXPECT_EQ(boxes.boxes[1].text, "Enter the name of the logfile!");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_RUN_START)));
    EXPECT_NE(wbtest::paneText(w).find("Run External Script"), std::string::npos);

    // A missing script; a log in a directory that does not exist.
    SetDlgItemTextA(dlg, IDC_RUN_FILE, dir->file("missing.sql").c_str());
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, dir->file("log.txt").c_str());
    click(dlg, IDC_RUN_START);
    ASSERT_TRUE(waitEnabled(dlg, IDC_RUN_START));
    EXPECT_EQ(itemText(dlg, IDC_RUN_STATUS), "Cannot open file!");
    EXPECT_EQ(itemText(dlg, IDC_RUN_LINE), "0") << "no command was read";
    // A log that is the script itself would replace it.
    std::string script = dir->file("self.sql");
    wbtest::writeFile(script, "select 1;");
    SetDlgItemTextA(dlg, IDC_RUN_FILE, script.c_str());
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, dir->file(".\\SELF.SQL").c_str());
    click(dlg, IDC_RUN_START);
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[2].text, "The logfile cannot be the script file!");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_RUN_START)));
    EXPECT_EQ(wbtest::readFile(script), "select 1;");
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, dir->file("no such dir\\log.txt").c_str());
    EXPECT_EQ(run("select 1;"), "Cannot open logfile!");
    EXPECT_EQ(count(IDC_RUN_COUNT), 0);
    // A log the full disk refuses is said after the run's own error too, the one it held.
    std::string full = wbtest::fullDiskDir();
    if (!full.empty()) {
        std::string filler = full + "\\runlog_fill", log = full + "\\log.txt";
        ASSERT_TRUE(fulldisk::fill(filler));
        SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, log.c_str());
        std::string st = run("select 1;");
        EXPECT_NE(st.find("  Cannot write to the logfile!"), std::string::npos) << st;
        DeleteFileA(filler.c_str());
        DeleteFileA(log.c_str());
    }

    // Without a connect command the own connection is not connected.
    check(dlg, IDC_RUN_LOG, false);
    click(dlg, IDC_RUN_LOG);
    // A command with a caron where Wine's edit control cannot lay it out is shown with a
    // look-alike.
    EXPECT_EQ(run("select '1\xA1';"), "Not connected. You have to connect before executing SQL commands!");
    WCHAR shown[32] = L"";
    GetDlgItemTextW(dlg, IDC_RUN_TEXT, shown, 32);
    EXPECT_STREQ(L"select '1\x02C5'", shown);
    EXPECT_EQ(run("\r\n  create table x (a int);"),
              "Not connected. You have to connect before executing SQL commands!");
    EXPECT_EQ(itemText(dlg, IDC_RUN_TEXT), "create table x (a int)");
    EXPECT_EQ(count(IDC_RUN_ERRORS), 1);
    EXPECT_EQ(count(IDC_RUN_LINE), 2);

    click(dlg, IDCANCEL);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(runScriptDialog(), (HWND)0);
    EXPECT_TRUE(IsWindowEnabled(w->shownEditor())) << "main window unlocked";
}

TEST_F(RunScript, SqliteScriptCountsLinesQuotesAndSkipsSelect) {
    Side side(sqliteDsn());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table rs_sq");
    ASSERT_TRUE(open());
    std::string script =
        "connect " + sqliteDsn() + ";\r\n"
        "create table rs_sq (a int, b varchar(40)); -- make it\r\n"
        "insert into rs_sq values (1, 'semi;colon');\r\n"
        "insert into rs_sq\r\n"
        "  values\r\n"
        "  (2, 'dash--dash');\r\n"
        "/* a block\r\n comment; */ insert into rs_sq values (3, 'O''Brien');\r\n"
        "select * from rs_sq;\r\n"
        "commit;\r\n"
        "-- done";
    EXPECT_EQ(run(script), "FINISHED");
    EXPECT_EQ(count(IDC_RUN_COUNT), 7) << "connect, create, 3 inserts, select, commit";
    EXPECT_EQ(count(IDC_RUN_ERRORS), 0);
    EXPECT_EQ(count(IDC_RUN_LINE), 10) << "line of the last command's ';'";
    EXPECT_EQ(itemText(dlg, IDC_RUN_TEXT), "");
    EXPECT_EQ(side.scalar("select count(*) from rs_sq"), 3);
    EXPECT_EQ(side.scalar("select count(*) from rs_sq where b = 'semi;colon'"), 1);
    EXPECT_EQ(side.scalar("select count(*) from rs_sq where b = 'dash--dash'"), 1);
    EXPECT_EQ(side.scalar("select count(*) from rs_sq where b = 'O''Brien'"), 1);

    // The step of a three-line command shows the line of its ';' and its text.
    g_steps = 0;
    g_stopAt = 3;  // Stop pressed when the third step arrives
    g_hook = SetWindowsHookExA(WH_CALLWNDPROC, stopHook, 0, GetCurrentThreadId());
    std::string st = run("connect " + sqliteDsn() + ";\r\nbad one;\r\nbad\r\n two\r\n three;\r\n"
                         "also bad;\r\nupdate rs_sq set a = a;\r\nupdate rs_sq set a = a;", false);
    UnhookWindowsHookEx(g_hook);
    EXPECT_EQ(st, "Script was canceled by user.");
    EXPECT_EQ(count(IDC_RUN_COUNT), 5) << "stop takes effect after the next success";
    EXPECT_EQ(count(IDC_RUN_ERRORS), 3);
    EXPECT_EQ(count(IDC_RUN_LINE), 7);
    EXPECT_EQ(itemText(dlg, IDC_RUN_TEXT), "update rs_sq set a = a");

    // Succeeding commands are reported at most every 50 ms; the end counts them all.
    std::string many = "connect " + sqliteDsn() + ";\n";
    for (int i = 0; i < 300; i++)
        many += "insert into rs_sq values (" + std::to_string(i) + ", 'x');\n";
    g_steps = 0;
    g_stopAt = -1;
    g_hook = SetWindowsHookExA(WH_CALLWNDPROC, stopHook, 0, GetCurrentThreadId());
    st = run(many + "commit;");
    UnhookWindowsHookEx(g_hook);
    EXPECT_EQ(st, "FINISHED");
    EXPECT_EQ(count(IDC_RUN_COUNT), 302);
    EXPECT_EQ(count(IDC_RUN_LINE), 302);
    EXPECT_LT(g_steps, 100) << "one report per command";
    EXPECT_EQ(side.scalar("select count(*) from rs_sq"), 303);
    side.run("drop table rs_sq");
}

TEST_F(RunScript, ErrorsStopOrGoOnAndAreLogged) {
    Side side(sqliteDsn());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table rs_log");
    ASSERT_TRUE(open());
    std::string log = dir->file("errors.txt");
    wbtest::writeFile(log, "old log text that must go");
    check(dlg, IDC_RUN_LOG, true);
    click(dlg, IDC_RUN_LOG);
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, log.c_str());

    std::string script = "connect " + sqliteDsn() + ";\ncreate table rs_log (a int);\n"
                         "insert into nowhere values (1);\ninsert into rs_log values (1);";
    std::string st = run(script, true);
    EXPECT_NE(st.find("nowhere"), std::string::npos) << st;
    EXPECT_EQ(count(IDC_RUN_COUNT), 3);
    EXPECT_EQ(count(IDC_RUN_ERRORS), 1);
    EXPECT_EQ(count(IDC_RUN_LINE), 3);
    EXPECT_EQ(side.scalar("select count(*) from rs_log"), 0) << "stopped at the error";
    std::string text = wbtest::readFile(log);
    std::string expect = "COMMAND=insert into nowhere values (1)\r\n\r\nERROR=" + st + "\r\n\r\n\r\n";
    EXPECT_EQ(text, expect);

    // Going on: both errors logged, the last command decides the status.
    side.run("drop table rs_log");
    st = run(script + "\nstop;\ninsert into rs_log values (2);", false);
    EXPECT_EQ(st, "FINISHED");
    EXPECT_EQ(count(IDC_RUN_COUNT), 6);
    EXPECT_EQ(count(IDC_RUN_ERRORS), 2);
    EXPECT_EQ(side.scalar("select count(*) from rs_log"), 2);
    text = wbtest::readFile(log);
    EXPECT_EQ(text.find("old log"), std::string::npos);
    EXPECT_NE(text.find("COMMAND=stop\r\n\r\nERROR=Script was stopped.\r\n\r\n\r\n"), std::string::npos);

    // "stop" ends a script that stops on errors.
    EXPECT_EQ(run("stop;\nconnect " + sqliteDsn() + ";"), "Not connected. You have to connect before executing SQL commands!");
    EXPECT_EQ(run("connect " + sqliteDsn() + ";\nstop;\ninsert into rs_log values (3);"),
              "Script was stopped.");
    EXPECT_EQ(side.scalar("select count(*) from rs_log"), 2);
    EXPECT_EQ(run("connect ;"), "There is no matching DSN!");
    EXPECT_EQ(run("connect NoSuchSource/u/p;"), "Cannot connect!");

    // Ignoring drop errors: counted as success, but the message stays when it is last.
    check(dlg, IDC_RUN_LOG, false);
    click(dlg, IDC_RUN_LOG);
    check(dlg, IDC_RUN_IGNOREDROP, true);
    st = run("connect " + sqliteDsn() + ";\ndrop table rs_missing;\ninsert into rs_log values (4);");
    EXPECT_EQ(st, "FINISHED");
    EXPECT_EQ(count(IDC_RUN_ERRORS), 0);
    st = run("connect " + sqliteDsn() + ";\ndrop table rs_missing;");
    EXPECT_NE(st, "FINISHED");
    EXPECT_NE(st.find("rs_missing"), std::string::npos) << st;
    EXPECT_EQ(count(IDC_RUN_ERRORS), 0);
    check(dlg, IDC_RUN_IGNOREDROP, false);
    run("connect " + sqliteDsn() + ";\ndrop table rs_missing;");
    EXPECT_EQ(count(IDC_RUN_ERRORS), 1);

    // The run's own connection ends its work as a disconnect does.
    std::string failing = "connect " + sqliteDsn() + ";\ninsert into rs_log values (9);\n"
                          "insert into nowhere values (1);";
    w->settings.bImplicitRollback = true;
    run(failing);
    EXPECT_EQ(side.scalar("select count(*) from rs_log where a = 9"), 0) << "rolled back";
    w->settings.bImplicitRollback = false;
    run(failing);
    EXPECT_EQ(side.scalar("select count(*) from rs_log where a = 9"), 1) << "committed";
    side.run("drop table rs_log");
}

namespace {
struct PadFind {
    char const* title;
    HWND found;
};
BOOL CALLBACK findPad(HWND w, LPARAM lp) {
    PadFind* f = (PadFind*)lp;
    char t[300] = "";
    GetWindowTextA(w, t, sizeof t);
    if (IsWindowVisible(w) && strstr(t, f->title)) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

/* View opens the error log in Notepad, also when its path has blanks; with no name it does
   nothing. */
TEST_F(RunScript, ViewOpensTheLogInNotepad) {
    ASSERT_TRUE(open());
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, "");
    click(dlg, IDC_RUN_LOGVIEW);
    EXPECT_TRUE(boxes.boxes.empty());

    std::string sub = dir->file("error logs");
    CreateDirectoryA(sub.c_str(), 0);
    std::string log = sub + "\\run errors.txt";
    wbtest::writeFile(log, "COMMAND=insert into nowhere\r\n");
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, log.c_str());
    click(dlg, IDC_RUN_LOGVIEW);
    PadFind f = {"run errors.txt", 0};
    for (int i = 0; i < 300 && !f.found; i++) {
        wintest::pump(20);
        EnumWindows(findPad, (LPARAM)&f);
    }
    ASSERT_TRUE(f.found) << "no Notepad window with the log";
    EXPECT_TRUE(boxes.boxes.empty());
    HWND edit = FindWindowExA(f.found, 0, "Edit", 0);
    char text[200] = "";
    if (edit)
        SendMessageTimeoutA(edit, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, 0);
    EXPECT_STREQ(text, "COMMAND=insert into nowhere\r\n");
    DWORD pid = 0;
    GetWindowThreadProcessId(f.found, &pid);
    HANDLE pad = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    PostMessageA(f.found, WM_CLOSE, 0, 0);
    if (pad) {
        if (WaitForSingleObject(pad, 5000) != WAIT_OBJECT_0)
            TerminateProcess(pad, 0);
        CloseHandle(pad);
    }
    DeleteFileA(log.c_str());
    RemoveDirectoryA(sub.c_str());
}

TEST_F(RunScript, BadScriptsEndCleanly) {
    Side side(sqliteDsn());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table rs_bad");
    ASSERT_TRUE(open());
    std::string c = "connect " + sqliteDsn() + ";\n";
    // Unterminated quote: the rest is one command, run once.
    EXPECT_NE(run(c + "create table rs_bad (a varchar(9));\ninsert into rs_bad values ('x;\ny;", false),
              "FINISHED");
    EXPECT_EQ(count(IDC_RUN_COUNT), 3);
    // Unterminated block comment: nothing after it runs.
    EXPECT_EQ(run(c + "insert into rs_bad values ('ok');\n/* never closed;\ninsert into rs_bad values ('no');"),
              "FINISHED");
    EXPECT_EQ(side.scalar("select count(*) from rs_bad"), 1);
    // Binary bytes: driver errors, no hang.
    std::string bin = c;
    for (int i = 0; i < 3000; i++)
        bin += (char)((i * 37) & 0xFF);
    run(bin, false);
    EXPECT_GE(count(IDC_RUN_COUNT), 2);
    // Many commands: 3000 inserts, each step shown.
    std::string many = c;
    for (int i = 0; i < 3000; i++)
        many += "insert into rs_bad values ('r" + std::to_string(i) + "');\n";
    many += "commit;\n";
    EXPECT_EQ(run(many), "FINISHED");
    EXPECT_EQ(count(IDC_RUN_COUNT), 3002);
    EXPECT_EQ(count(IDC_RUN_LINE), 3002);
    EXPECT_EQ(side.scalar("select count(*) from rs_bad"), 3001);
    side.run("drop table rs_bad");
}

TEST_F(RunScript, PostgresOnTheSlotConnectionAndAKilledBackend) {
    Side side(pgDsn(), pgUser(), pgPswd());
    ASSERT_TRUE(side.ok) << hint();
    side.run("drop table if exists rs_pg");
    cQuerySlot* s = w->shownSlot();
    ASSERT_TRUE(s->connectTo(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str()));
    ASSERT_TRUE(open());
    EXPECT_EQ(itemText(dlg, IDC_RUN_SLOT),
              "Use [Q1] connection  [" + pgDsn() + "/" + pgUser() + "]");
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_RUN_SLOT), BST_CHECKED);
    EXPECT_EQ(run("create table rs_pg (a int, b text);\n"
                  "insert into rs_pg values (1, 'it''s; -- fine'), (2, E'x');\n"
                  "commit;"),
              "FINISHED");
    EXPECT_EQ(side.scalar("select count(*) from rs_pg where b = 'it''s; -- fine'"), 1);
    // A function body in dollar quotes is one command, its ";" and comments its own.
    EXPECT_EQ(run("create or replace function rs_fn() returns int as $$\nbegin\n"
                  "  -- the body's; not a command\n  return 7;\nend;\n$$ language plpgsql;\n"
                  "insert into rs_pg values (rs_fn(), 'fn');\ncommit;"),
              "FINISHED");
    EXPECT_EQ(side.scalar("select count(*) from rs_pg where a = 7"), 1);
    side.run("drop function rs_fn()");

    // The driver's message breaks its lines with a bare LF; the log has CR LF throughout.
    std::string log = dir->file("pg-errors.txt");
    check(dlg, IDC_RUN_LOG, true);
    click(dlg, IDC_RUN_LOG);
    SetDlgItemTextA(dlg, IDC_RUN_LOGFILE, log.c_str());
    EXPECT_NE(run("insert into rs_nowhere values (1);"), "FINISHED");
    std::string text = wbtest::readFile(log);
    EXPECT_NE(text.find("rs_nowhere"), std::string::npos) << text;
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        EXPECT_EQ(text[i - 1], '\r') << "bare LF at " << i << ": " << text;
    check(dlg, IDC_RUN_LOG, false);
    click(dlg, IDC_RUN_LOG);

    // The backend goes away in the middle: the driver's message, the dialog idle again.
    SetFocus(GetDlgItem(dlg, IDC_RUN_START));  // as a click on Start leaves it
    std::string st = run("insert into rs_pg values (3, 'c');\n"
                         "create table rs_kill as select pg_terminate_backend(pg_backend_pid());\n"
                         "insert into rs_pg values (4, 'd');", false);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_RUN_START)) << "focus back on Start: Esc closes";
    EXPECT_NE(st, "FINISHED");
    EXPECT_FALSE(st.empty());
    EXPECT_GE(count(IDC_RUN_ERRORS), 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_RUN_START)));

    // A connect or disconnect whose commit fails (a deferred key) stops there: the
    // connection stays, with the work, and the status says why.
    s->connectTo(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str());
    side.run("drop table if exists rs_def");
    side.run("create table rs_def (id integer unique deferrable initially deferred)");
    side.run("insert into rs_def values (1)");
    for (std::string end : {"connect " + sqliteDsn() + ";", std::string("disconnect;")}) {
        std::string st = run("insert into rs_def values (1);\n" + end);
        EXPECT_NE(st.find("rs_def"), std::string::npos) << end << ": " << st;
        EXPECT_EQ(count(IDC_RUN_ERRORS), 1) << end;
        EXPECT_TRUE(s->db->isConnected()) << end;
        s->db->rollback();
    }
    EXPECT_EQ(run("select count(*) from rs_def;\ndisconnect;"), "FINISHED");

    // On its own connection the run's closing commit fails after a failed command: that
    // failure is counted and shown, not hidden behind the earlier one.
    check(dlg, IDC_RUN_SLOT, false);
    check(dlg, IDC_RUN_OWN, true);
    st = run("connect " + pgDsn() + "/" + pgUser() + "/" + pgPswd() +
                 ";\ninsert into rs_def values (1);\ninsert into rs_nowhere values (1);",
             false);
    EXPECT_NE(st.find("rs_def"), std::string::npos) << st;
    EXPECT_EQ(count(IDC_RUN_ERRORS), 2);
    EXPECT_EQ(itemText(dlg, IDC_RUN_TEXT), "commit");
    check(dlg, IDC_RUN_OWN, false);
    check(dlg, IDC_RUN_SLOT, true);
    side.run("drop table rs_def");

    // A disconnect in the script is seen by the slot when the dialog closes.
    s->connectTo(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str());

    // A command waiting for a lock another connection holds: Stop cancels it there.
    side.run("drop table if exists rs_lock");
    side.run("create table rs_lock (a int)");
    side.run("insert into rs_lock values (1)");
    ASSERT_TRUE(side.tryRun("update rs_lock set a = 2"));  // uncommitted: the row stays locked
    wbtest::writeFile(dir->file("lock.sql"), "update rs_lock set a = 3;\ncommit;");
    SetDlgItemTextA(dlg, IDC_RUN_FILE, dir->file("lock.sql").c_str());
    check(dlg, IDC_RUN_STOPERR, false);
    check(dlg, IDC_RUN_GOON, true);
    click(dlg, IDC_RUN_START);
    wintest::pump(500);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_RUN_START))) << "waiting for the lock";
    click(dlg, IDCANCEL);
    EXPECT_TRUE(waitEnabled(dlg, IDC_RUN_START, 10000)) << "Stop did not end the wait";
    EXPECT_EQ(itemText(dlg, IDC_RUN_STATUS), "Script was canceled by user.");
    EXPECT_EQ(count(IDC_RUN_ERRORS), 0) << "the user's stop is no failure of the script";
    s->db->rollback();
    side.commit();
    EXPECT_EQ(side.scalar("select a from rs_lock"), 2);
    side.run("drop table rs_lock");

    EXPECT_EQ(run("disconnect;"), "FINISHED");
    click(dlg, IDCANCEL);
    EXPECT_FALSE(s->connected) << "slot re-read its connection";
    EXPECT_TRUE(IsWindowEnabled(w->shownEditor()));
    side.run("drop table if exists rs_pg");
}
