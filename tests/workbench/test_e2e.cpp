/* lumbra.exe from outside: started with a script on its command line, driven by window
   messages from this process, its message boxes dismissed by a watcher thread. Checks the
   message pane and the title after connect, a SELECT, a failing statement and a commit. */
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "outside.h"
#include "xdbc.h"

namespace {

using outside::hereDir;
using outside::processWindows;
using outside::sqliteDsn;
using outside::text;
using outside::writeFile;

bool sql(cXdbc* x, char const* s) {
    bool ok = x->prepare(s) && x->execute();
    x->finish();
    return ok;
}

/* Closes every message box the program shows and remembers their texts. */
class BoxWatcher {
public:
    explicit BoxWatcher(DWORD p) : pid(p), thread([this] { loop(); }) {}
    ~BoxWatcher() {
        stop = true;
        thread.join();
    }
    std::vector<std::string> seen() {
        std::lock_guard<std::mutex> l(lock);
        return texts;
    }

private:
    void loop() {
        while (!stop) {
            for (HWND box : processWindows(pid, "#32770")) {
                std::string all;
                for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                    char cls[32] = "";
                    GetClassNameA(c, cls, sizeof cls);
                    if (lstrcmpiA(cls, "Static") == 0)
                        all += text(c);
                }
                {
                    std::lock_guard<std::mutex> l(lock);
                    texts.push_back(all);
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                PostMessageA(box, WM_CLOSE, 0, 0);
                Sleep(200);
            }
            Sleep(50);
        }
    }
    DWORD pid;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<std::string> texts;
    std::thread thread;
};

/* The log with every " [0.25 s]" part removed. */
std::string withoutSeconds(std::string e) {
    for (;;) {
        size_t s = e.find(" s]");
        if (s == std::string::npos)
            return e;
        size_t open = e.rfind(" [", s);
        e.erase(open, s + 3 - open);
    }
}

}  // namespace

TEST(Lumbra, DrivenFromOutside) {
    // Data the script works on.
    cXdbc* side = xdb_init();
    ASSERT_TRUE(side->connect(sqliteDsn().c_str(), "", "", 0))
        << side->errorStr() << " -- needs the data sources of .ci/odbcini.sh";
    ASSERT_TRUE(sql(side, "drop table if exists wb_e2e"));
    ASSERT_TRUE(sql(side, "create table wb_e2e (id integer, what varchar(20))"));
    ASSERT_TRUE(sql(side, "insert into wb_e2e values (1, 'one')"));
    ASSERT_TRUE(sql(side, "insert into wb_e2e values (2, 'two')"));
    side->commit();

    // An application directory of its own: the program takes the current directory.
    std::string dir = outside::scratchDir("wb_e2e_");
    writeFile(dir + "Lumbra.ini", "[Lumbra Settings]\r\nmaxrows=50\r\n");
    std::string scriptPath = dir + "e2e script.sql";
    std::string script = "connect " + sqliteDsn() + ";\r\n"
                         "select id, what\r\n  from wb_e2e order by id;\r\n"
                         "insert into wb_e2e_missing values (1);\r\n"
                         "insert into wb_e2e values (3, 'three');\r\n"
                         "commit;\r\n";
    writeFile(scriptPath, script);

    std::string exe = hereDir() + "lumbra.exe";
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(outside::start(exe, scriptPath, dir, &pi)) << "cannot start " << exe;
    BoxWatcher boxes(pi.dwProcessId);

    HWND main = 0;
    for (int i = 0; i < 300 && !main; i++) {
        std::vector<HWND> found = processWindows(pi.dwProcessId, "cXQueryWindow");
        if (!found.empty())
            main = found[0];
        else
            Sleep(100);
    }
    ASSERT_NE(main, nullptr) << "no cXQueryWindow appeared";
    Sleep(300);

    // The editor is the visible multi-line edit that is not read-only.
    HWND editor = 0, pane = 0;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Edit") != 0 || !IsWindowVisible(c))
            continue;
        if (GetWindowLongA(c, GWL_STYLE) & ES_READONLY)
            pane = c;
        else
            editor = c;
    }
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(text(editor), script) << "the command-line script is open in Q1";
    EXPECT_EQ(text(main), "Lumbra       [Q1:  not connected]   [" + scriptPath + "]");

    auto executeLine = [&](int line) {
        DWORD_PTR r = 0;
        DWORD_PTR pos = 0;
        SendMessageTimeoutA(editor, EM_LINEINDEX, line, 0, SMTO_ABORTIFHUNG, 5000, &pos);
        SendMessageTimeoutA(editor, EM_SETSEL, pos, pos, SMTO_ABORTIFHUNG, 5000, &r);
        EXPECT_TRUE(SendMessageTimeoutA(main, WM_COMMAND, 416, 0, SMTO_ABORTIFHUNG, 60000, &r))
            << "Execute Command on line " << line << " did not come back";
    };

    executeLine(0);
    std::string log = text(pane);
    EXPECT_EQ(withoutSeconds(log), "[1] [OK]  Connect\r\n\r\n");
    EXPECT_EQ(text(main), "Lumbra       [Q1:  " + sqliteDsn() + "]   [" + scriptPath + "]");

    executeLine(1);
    log = text(pane);
    EXPECT_NE(withoutSeconds(log).find("[2] [OK]  select id, what    from wb_e2e order by id\r\n\r\n"),
              std::string::npos)
        << log;

    executeLine(3);
    log = text(pane);
    size_t err = log.find("[3] [ERR]  ");
    ASSERT_NE(err, std::string::npos) << log;
    EXPECT_NE(log.find("wb_e2e_missing", err), std::string::npos) << "driver text: " << log;
    EXPECT_NE(log.find("\r\n=== insert into wb_e2e_missing values (1)\r\n\r\n", err),
              std::string::npos)
        << log;

    executeLine(4);
    executeLine(5);
    log = text(pane);
    EXPECT_NE(withoutSeconds(log).find("[4] [OK]  insert into wb_e2e values (3, 'three')"),
              std::string::npos)
        << log;
    EXPECT_NE(withoutSeconds(log).find("[5] [OK]  Commit\r\n\r\n"), std::string::npos) << log;
    EXPECT_EQ(text(main), "Lumbra       [Q1:  " + sqliteDsn() + "]   [" + scriptPath + "]");

    cNumbex n;
    ASSERT_TRUE(side->prepare("select count(*) from wb_e2e") && side->execute() &&
                side->fetchNext(&n, (cVariablex*)0));
    side->finish();
    EXPECT_EQ(n.toDouble(), 3) << "the commit reached the data source";
    side->commit();

    // A message box of the program: GROUP BY on a slot without rows or connection.
    DWORD_PTR r = 0;
    SendMessageTimeoutA(main, WM_COMMAND, 551, 0, SMTO_ABORTIFHUNG, 30000, &r);  // disconnect
    SendMessageTimeoutA(main, WM_COMMAND, 457, 0, SMTO_ABORTIFHUNG, 30000, &r);
    std::vector<std::string> seen = boxes.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find("Not connected!"), std::string::npos) << seen[0];
    EXPECT_EQ(text(main), "Lumbra       [Q1:  not connected]   [" + scriptPath + "]");

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0) << "the program ended";
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    char pos[64] = "";
    GetPrivateProfileStringA("Lumbra Settings", "LastWindowPosition", "", pos, sizeof pos,
                             (dir + "Lumbra.ini").c_str());
    EXPECT_STRNE(pos, "") << "the window position was saved at close";
    sql(side, "drop table wb_e2e");
    side->commit();
    xdb_free(side);
    DeleteFileA((dir + "Lumbra.ini").c_str());
    DeleteFileA(scriptPath.c_str());
    RemoveDirectoryA(dir.c_str());
}
