/* What the workbench does when things go wrong: a file that cannot be written, binary and
   oversized scripts, Esc during a script run, a fetch that breaks off and a commit on a
   lost connection (PostgreSQL of .ci/pg.sh). */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "edutil.h"
#include "../win/fulldisk.h"
#include "profile.h"
#include "lumbrarc.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "statux.h"
#include "wbtest.h"
#include "xdbc.h"

using wbtest::envOr;
using wbtest::pgDsn;
using wbtest::pgPswd;
using wbtest::pgUser;

namespace {

std::string pgCursorDsn() { return envOr("LUMBRA_PG_CURSOR_DSN", "LumbraPGCursor"); }

class Safety : public wbtest::MainTest {
protected:
    Safety() : MainTest("wbsafety") {}
    void SetUp() override { open(); }
    std::vector<std::string> entries() {
        std::string pane = wbtest::paneText(w);
        std::vector<std::string> out;
        size_t at = 0;
        while (at < pane.size()) {
            size_t end = pane.find("\r\n\r\n", at);
            out.push_back(pane.substr(at, end == std::string::npos ? end : end - at));
            if (end == std::string::npos)
                break;
            at = end + 4;
        }
        return out;
    }
    std::string last() {
        std::vector<std::string> e = entries();
        return e.empty() ? "" : e.back();
    }
    /* The entry before the note that a slot lost its connection, which must be the last. */
    std::string beforeLostNote() {
        std::vector<std::string> e = entries();
        EXPECT_NE(last().find("Q1 lost its connection to "), std::string::npos) << last();
        return e.size() < 2 ? "" : e[e.size() - 2];
    }
    /* Files of the scratch directory other than Lumbra.ini. */
    std::vector<std::string> files() {
        std::vector<std::string> out;
        for (std::string const& f : wbtest::filesIn(dir.dir))
            if (lstrcmpiA(f.c_str(), "Lumbra.ini") != 0)
                out.push_back(f);
        return out;
    }
};

std::string lines(int count, int width) {
    std::string s;
    for (int i = 0; i < count; i++) {
        std::string l = "select " + std::to_string(i) + " as n";
        l.resize(width, ' ');
        s += l + "\r\n";
    }
    return s;
}

}  // namespace

/* ---- script files ---- */

TEST_F(Safety, SaveOntoAFullDiskLeavesTheFileAsItWas) {
    // A 1 MB file system around the test (fullfs.sh, mounted by ctest).
    std::string full = wbtest::fullDiskDir();
    if (full.empty())
        GTEST_SKIP() << "needs the small file system of tests/workbench/fullfs.sh (root) at "
                     << envOr("LUMBRA_FULL_DIR", "LUMBRA_FULL_DIR");
    std::string path = full + "\\full.sql";
    std::string original = lines(4000, 70);  // 288 KB
    wbtest::writeFile(path, original);
    ASSERT_EQ(wbtest::readFile(path), original);
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    wbtest::typeScript(w, lines(16000, 70).c_str());  // 1.1 MB: more than the disk holds
    ASSERT_TRUE(q1()->modified);

    EXPECT_FALSE(q1()->saveFile(path.c_str()));
    std::string now = wbtest::readFile(path);
    EXPECT_EQ(now.size(), original.size()) << "the file was cut";
    EXPECT_TRUE(now == original);
    EXPECT_TRUE(q1()->modified) << "closing must still ask";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot save this file!");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((full + "\\*.tmp").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a temporary file was left: " << fd.cFileName;
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);

    // What fits is saved whole.
    boxes.boxes.clear();
    std::string smaller = lines(6000, 70);
    wbtest::typeScript(w, smaller.c_str());
    EXPECT_TRUE(q1()->saveFile(path.c_str()));
    EXPECT_EQ(wbtest::readFile(path), smaller);
    EXPECT_FALSE(q1()->modified);
    DeleteFileA(path.c_str());
}

TEST_F(Safety, SettingsOntoAFullDiskLeaveTheIniAsItWas) {
    std::string full = wbtest::fullDiskDir();
    if (full.empty())
        GTEST_SKIP() << "needs the small file system of tests/workbench/fullfs.sh (root)";
    // 16384 bytes: one byte more takes a block the disk no longer has.
    std::string ini = full + "\\Lumbra.ini";
    std::string original = "[Lumbra Settings]\r\nmaxrows=100\r\n[Saved Logins]\r\n";
    for (int i = 0; original.size() < 16384 - 40; i++)
        original += "LumbraPG_user" + std::to_string(i) + "=01000000d08c9ddf0115d1118c7a00c0\r\n";
    original += "last=" + std::string(16384 - original.size() - 7, 'x') + "\r\n";
    ASSERT_EQ(original.size(), 16384u);
    wbtest::writeFile(ini, original);
    std::string filler = full + "\\filler";
    ASSERT_TRUE(fulldisk::fill(filler));

    cProfileman p;
    p.init(ini.c_str(), "Lumbra Settings");
    p.write_int("maxrows", 1000);
    cIniEdit e = {"Saved Logins", "LumbraPG_user0", "x"};
    EXPECT_FALSE(vorIniWrite(ini.c_str(), &e, 1)) << "a failed write reported as done";
    EXPECT_TRUE(wbtest::readFile(ini) == original) << "the file was changed or cut";
    EXPECT_EQ(100, p.get_int("maxrows", -1));
    std::vector<std::string> left = wbtest::filesIn(full + "\\");
    EXPECT_EQ(2u, left.size()) << "a temporary file was left";

    DeleteFileA(filler.c_str());
    p.write_int("maxrows", 1000);
    EXPECT_EQ(1000, p.get_int("maxrows", -1));
    std::string now = wbtest::readFile(ini);
    EXPECT_EQ(now.size(), original.size() + 1);
    EXPECT_EQ(now.substr(now.size() - 100), original.substr(original.size() - 100));
    WritePrivateProfileStringA(0, 0, 0, ini.c_str());
    DeleteFileA(ini.c_str());
}

/* Settings that cannot be written are said once, not dropped without a word. */
TEST_F(Safety, ASettingsFileThatCannotBeWrittenIsSaidOnce) {
    std::string ini = dir.dir + "Lumbra.ini", before = wbtest::readFile(ini);
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string a = dir.file("a.sql"), b = dir.file("b.sql");
    wbtest::writeFile(a, "select 1;");
    wbtest::writeFile(b, "select 2;");
    EXPECT_TRUE(q1()->openFile(a.c_str()));  // each open adds to the recent files
    EXPECT_TRUE(q1()->openFile(b.c_str()));
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(wbtest::readFile(ini), before);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Cannot write the settings file:\r\n\r\n" + ini +
                  "\r\n\r\nChanged settings last only until Lumbra ends; saved logins, the "
                  "last data source and recent files are not kept.");
    EXPECT_EQ(boxes.boxes[0].type & MB_ICONMASK, (UINT)MB_ICONEXCLAMATION);
}

TEST_F(Safety, SaveRefusedByTheTargetKeepsItAndTheModifiedFlag) {
    std::string path = dir.file("held.sql");
    wbtest::writeFile(path, "select 'old';\r\n");
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    wbtest::typeScript(w, "select 'new';\r\n");
    // Open without delete sharing: the file can be neither replaced nor renamed over.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               0, OPEN_EXISTING, 0, 0);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(q1()->saveFile(path.c_str()));
    CloseHandle(other);
    EXPECT_EQ(wbtest::readFile(path), "select 'old';\r\n");
    EXPECT_TRUE(q1()->modified);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot save this file!");
    EXPECT_EQ(files(), std::vector<std::string>{"held.sql"}) << "no temporary file left";
    // Nor is a read-only file replaced behind its flag.
    boxes.boxes.clear();
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(q1()->saveFile(path.c_str()));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(wbtest::readFile(path), "select 'old';\r\n");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot save this file!");

    // Once the file is free the same save replaces it whole.
    boxes.boxes.clear();
    ASSERT_TRUE(q1()->saveFile(path.c_str()));
    EXPECT_EQ(wbtest::readFile(path), "select 'new';\r\n");
    EXPECT_FALSE(q1()->modified);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Safety, BinaryFileIsRefusedWithTheOffsetAndNothingLoaded) {
    wbtest::setScript(w, "keep me");
    q1()->modified = false;
    std::string path = dir.file("data.bin");
    std::string bytes(100000, 'x');
    bytes[286] = 0;
    wbtest::writeFile(path, bytes);
    EXPECT_FALSE(q1()->openFile(path.c_str()));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "This file holds binary data and cannot be edited as a script.\r\n\r\n"
              "The first zero byte is at offset 286.");
    EXPECT_EQ(boxes.boxes[0].type & MB_ICONMASK, (UINT)MB_ICONSTOP);
    EXPECT_EQ(wbtest::script(w), "keep me");
    EXPECT_STREQ(q1()->fileName, "") << "Save cannot write over it";
    EXPECT_EQ(wbtest::readFile(path), bytes);
    boxes.boxes.clear();
    wbtest::writeFile(path, std::string("\xff\xfes\0e\0l\0", 8));
    EXPECT_FALSE(q1()->openFile(path.c_str()));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 24), "This file is UTF-16 text");
}

/* A script changed on disk by another program since it was opened or saved here is not
   replaced without a question; No keeps both. */
TEST_F(Safety, SaveAsksBeforeReplacingAFileChangedElsewhere) {
    std::string path = dir.file("shared.sql");
    wbtest::writeFile(path, "select 1;\r\n");
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    wbtest::setScript(w, "select 'mine';\r\n");
    ASSERT_TRUE(q1()->saveFile(q1()->fileName));
    EXPECT_TRUE(boxes.boxes.empty()) << "its own last save changes nothing";
    wbtest::writeFile(path, "select 'theirs';\r\n");
    wbtest::setScript(w, "select 'mine again';\r\n");
    EXPECT_FALSE(q1()->saveFile(q1()->fileName));  // the hook answers No
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 50), "This file was changed by another program since Lum");
    EXPECT_EQ(wbtest::readFile(path), "select 'theirs';\r\n");
}

/* Wine's text shaping ends the program on a caron, ogonek or double acute that follows no
   letter (blanks passed over): such a file is refused; one after a letter loads. */
TEST_F(Safety, AccentsTheTextDisplayCannotShapeAreRefused) {
    std::string path = dir.file("accent.sql");
    // A lone CR (an old Mac line end) becomes a line break of the editor, where the script
    // run looks for the next statement.
    wbtest::writeFile(path, "select 'a\xa1 \xb2\xe1\xbd';\rselect 2;\r\n");
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    EXPECT_EQ(wbtest::script(w), "select 'a\xa1 \xb2\xe1\xbd';\r\nselect 2;\r\n");
    EXPECT_TRUE(q1()->modified) << "the text is no longer the file's";
    for (char const* bad : {"-- x\r\n\xa1", "-- x\r\nab\xa0\xa1", "1 \xbd", "x(\xb2"}) {
        wbtest::setScript(w, "keep me");
        q1()->modified = false;
        boxes.boxes.clear();
        wbtest::writeFile(path, bad);
        EXPECT_FALSE(q1()->openFile(path.c_str())) << bad;
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text.substr(0, 7), bad[0] == '-' ? "Line 2 " : "Line 1 ");
        EXPECT_EQ(wbtest::script(w), "keep me");
    }
}

TEST_F(Safety, LongLinesAreRefusedBeforeTheEditorStallsOnThem) {
    // A line at the limit loads quickly; one character more is refused with a pointer to
    // the script runner.
    std::string ok = "select 1;\r\n" + std::string(65536, 'a') + "\r\nselect 2;\r\n";
    std::string path = dir.file("wide.sql");
    wbtest::writeFile(path, ok);
    DWORD t = GetTickCount();
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    EXPECT_LT(GetTickCount() - t, 3000u) << "a line at the limit shows without a stall";
    EXPECT_EQ(wbtest::script(w), ok);

    std::string tooLong = "select 1;\r\n" + std::string(2 * 1024 * 1024, 'a');
    wbtest::writeFile(path, tooLong);
    t = GetTickCount();
    EXPECT_FALSE(q1()->openFile(path.c_str()));
    EXPECT_LT(GetTickCount() - t, 3000u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "This file has a line of 2097152 characters; the editor takes lines of at most "
              "65536 characters.\r\n\r\nRun it with Run External Script instead.");
    EXPECT_EQ(wbtest::script(w), ok) << "the editor keeps what it had";
}

TEST_F(Safety, FileAboveTheSizeLimitNamesTheLimit) {
    std::string path = dir.file("huge.sql");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    // A sparse 5 MB file: its size is all that matters.
    SetFilePointer(h, 5 * 1024 * 1024, 0, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    EXPECT_FALSE(q1()->openFile(path.c_str()));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "This file is too large for the editor: it holds 5242880 bytes, the editor takes "
              "at most 4 MB.\r\n\r\nRun it with Run External Script instead.");
    DeleteFileA(path.c_str());
}

/* ---- running a script ---- */

TEST_F(Safety, EscStopsRunScriptFromCursorBetweenStatements) {
    runOne("connect " + envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite") + ";");
    ASSERT_TRUE(q1()->connected) << last() << " (needs the data sources of .ci/odbcini.sh)";
    std::string text;
    for (int i = 0; i < 300; i++)
        text += "select " + std::to_string(i) + " as n;\r\n";
    wbtest::setScript(w, text.c_str());
    wbtest::caretAt(w, 0);
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    size_t before = entries().size();
    // Esc pressed while the run is under way waits in the queue until the next look.
    ASSERT_TRUE(PostMessageA(q1()->edit, WM_KEYDOWN, VK_ESCAPE, 1));
    w->command(CMD_RUNSCRIPT);
    std::vector<std::string> e = entries();
    ASSERT_GT(e.size(), before);
    EXPECT_EQ(e.size() - before, 2u) << "one statement, then the stop: " << e.back();
    EXPECT_NE(e.back().find("[ERR]"), std::string::npos) << e.back();
    EXPECT_NE(e.back().find("Run Script from Cursor was stopped with Esc."), std::string::npos)
        << e.back();
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) << "Esc was taken";
    EXPECT_EQ(edLineFromChar(q1()->edit, edCaret(q1()->edit)), 0) << "caret after the last run";

    // Without Esc the whole script runs.
    wbtest::caretAt(w, 0);
    w->command(CMD_RUNSCRIPT);
    EXPECT_NE(last().find("select 299 as n"), std::string::npos) << last();
}

/* ---- a connection that goes away ---- */

namespace {

/* A second connection: sets data up, looks at what others committed, ends backends. */
struct Side {
    cXdbc* x = xdb_init();
    bool ok = x && x->connect(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 0);
    ~Side() { xdb_free(x); }
    bool run(std::string const& sql) {
        bool r = x->prepare(sql.c_str()) && x->execute();
        x->finish();
        x->commit();
        return r;
    }
    double scalar(char const* sql) {
        cNumbex n;
        bool r = x->prepare(sql) && x->execute() && x->fetchNext(&n, (cVariablex*)0);
        x->finish();
        x->commit();
        return r ? n.toDouble() : -1;
    }
};

char const kPgHint[] = "needs .ci/pg.sh start <builddir> and .ci/odbcini.sh <builddir>";

}  // namespace

TEST_F(Safety, FetchBrokenOffIsAnErrorWithThePartialRowsKept) {
    // Only with maxrows above the result would a complete fetch read as "DB: n / n".
    wbtest::closeMain(w);
    dir.write("maxrows", "1000");
    w = wbtest::openMain(dir);
    ASSERT_NE(w, nullptr);
    // Through the server cursor rows come ten at a time; the backend ends itself at row
    // 200, in the middle of the fetch.
    runOne("connect " + pgCursorDsn() + "/" + pgUser() + "/" + pgPswd() + ";");
    ASSERT_TRUE(q1()->connected) << last() << " / " << kPgHint;
    std::string sql =
        "select g, case when g = 200 then pg_terminate_backend(pg_backend_pid()) end as k "
        "from generate_series(1, 400) g";
    runOne(sql);
    std::string e = beforeLostNote();
    EXPECT_NE(e.find("[ERR]"), std::string::npos) << e;
    EXPECT_NE(e.find("=== " + sql), std::string::npos) << e;
    EXPECT_GT(e.size(), sql.size() + 30) << "the driver's message is shown: " << e;
    int rows = grid()->getCountA();
    EXPECT_GT(rows, 100) << "rows fetched before the break stay";
    EXPECT_LT(rows, 400);
    EXPECT_TRUE(grid()->partial());
    EXPECT_EQ(std::string(w->statusBar->text(6)), "DB: " + std::to_string(rows) + " / ERR");

    // A complete result on a fresh connection reads as complete again.
    runOne("connect " + pgDsn() + "/" + pgUser() + "/" + pgPswd() + ";");
    ASSERT_TRUE(q1()->connected) << last();
    runOne("select g from generate_series(1, 400) g");
    EXPECT_NE(last().find("[OK]"), std::string::npos) << last();
    EXPECT_FALSE(grid()->partial());
    EXPECT_STREQ(w->statusBar->text(6), "DB: 400 / 400");
}

TEST_F(Safety, CommitOnALostConnectionIsAnErrorAndTheSlotDisconnected) {
    Side side;
    ASSERT_TRUE(side.ok) << kPgHint;
    ASSERT_TRUE(side.run("drop table if exists wb_safe"));
    ASSERT_TRUE(side.run("create table wb_safe (v integer)"));
    for (int cmd : {CMD_COMMIT, CMD_ROLLBACK}) {
        runOne("connect " + pgDsn() + "/" + pgUser() + "/" + pgPswd() + ";");
        ASSERT_TRUE(q1()->connected) << last();
        runOne("insert into wb_safe values (1)");
        ASSERT_NE(last().find("[OK]"), std::string::npos) << last();
        runOne("select pg_backend_pid() as pid from pg_class where relname = 'pg_class'");
        ASSERT_EQ(grid()->getCountA(), 1) << last();
        std::string pid = grid()->rowindex2ptrA(0)->getStr(0, true);
        ASSERT_TRUE(side.run("select pg_terminate_backend(" + pid + ")"));
        Sleep(300);
        w->command(cmd);
        std::string e = beforeLostNote();
        EXPECT_NE(e.find("[ERR]"), std::string::npos) << cmd << ": " << e;
        EXPECT_EQ(e.find(cmd == CMD_COMMIT ? "Commit" : "Rollback"), std::string::npos) << e;
        EXPECT_FALSE(q1()->connected) << cmd;
        EXPECT_STREQ(q1()->dsn, "");
        EXPECT_EQ(q1()->db->isConnected(), 0);
        EXPECT_NE(wbtest::title(w).find("[Q1:  not connected]"), std::string::npos)
            << wbtest::title(w);
        EXPECT_STREQ(w->statusBar->text(0), "Q1: not connected");
        EXPECT_EQ(side.scalar("select count(*) from wb_safe"), 0) << "nothing was committed";
        // Statements now say the slot is not connected instead of failing on the driver.
        runOne("insert into wb_safe values (2)");
        EXPECT_NE(last().find("Not connected."), std::string::npos) << last();
    }
    side.run("drop table wb_safe");
}
