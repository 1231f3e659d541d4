/* lumbra.exe from outside, as a user goes through the Grid tools: a column selected, GROUP
   BY opened, a condition set and run, the SQL shown, a second GROUP BY cascaded beside the
   first, a CSV line copied into the editor, the About box and its licence text read, and
   the program closed with its GROUP BY windows open. */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "outside.h"

namespace {

using outside::envOr;
using outside::hereDir;
using outside::processWindows;
using outside::readFile;
using outside::text;
using outside::writeFile;

/* Waits up to 15 s for a window of the class (and title). */
HWND waitWindow(DWORD pid, char const* cls, char const* title = 0, size_t count = 1) {
    for (int i = 0; i < 300; i++) {
        std::vector<HWND> v = processWindows(pid, cls, title);
        if (v.size() >= count)
            return v[0];
        Sleep(50);
    }
    return 0;
}

LRESULT send(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(w, m, wp, lp, SMTO_ABORTIFHUNG, 60000, &r);
    return (LRESULT)r;
}

void shotPoint(char const* name) {
    char const* ms = getenv("LUMBRA_SHOT_PAUSE");
    if (!ms || !*ms)
        return;
    printf("SHOT %s\n", name);
    fflush(stdout);
    Sleep((DWORD)atoi(ms));
}

}  // namespace

TEST(LumbraGridTools, GroupByConditionShowCsvAndAboutFromOutside) {
    std::string dir = outside::scratchDir("wb_e2e_qbe_");
    writeFile(dir + "Lumbra.ini", "[Lumbra Settings]\r\n");
    // The licence text as shipped next to the program.
    std::string eula = readFile(hereDir() + "EULA_Lumbra_en.txt");
    writeFile(dir + "EULA_Lumbra_en.txt", eula);
    std::string script = "connect " + envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite") + ";\r\n"
                         "select kind, id, name, qty from qbe_items where qty > 2 order by id;\r\n";
    writeFile(dir + "tools.sql", script);

    std::string exe = hereDir() + "lumbra.exe";
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(outside::start(exe, dir + "tools.sql", dir, &pi));
    DWORD pid = pi.dwProcessId;
    HWND main = waitWindow(pid, "cXQueryWindow");
    ASSERT_NE(main, nullptr);
    Sleep(300);
    HWND editor = 0, grid = 0;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(c, cls, sizeof cls);
        if (!IsWindowVisible(c))
            continue;
        if (lstrcmpiA(cls, "Edit") == 0 && !(GetWindowLongA(c, GWL_STYLE) & ES_READONLY))
            editor = c;
        if (lstrcmpA(cls, "cRerovar") == 0)
            grid = c;
    }
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(grid, nullptr);
    auto executeLine = [&](int line) {
        LRESULT pos = send(editor, EM_LINEINDEX, line, 0);
        send(editor, EM_SETSEL, pos, pos);
        send(main, WM_COMMAND, 416, 0);
    };
    executeLine(0);
    executeLine(1);

    // The user clicks the title of the first column, kind, and chooses GROUP BY...
    send(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 3));
    send(grid, WM_LBUTTONUP, 0, MAKELPARAM(5, 3));
    send(main, WM_COMMAND, 457, 0);
    HWND qbe = waitWindow(pid, "cDynataxwin");
    ASSERT_NE(qbe, nullptr) << "no GROUP BY window";
    EXPECT_EQ(text(qbe), "GROUP BY     (Rows: 3)");
    EXPECT_EQ(GetDlgItem(qbe, 207), (HWND)0) << "no Group button beside count(*)";

    // ... chooses count(*), ">", types 1 and runs.
    HWND columns = GetDlgItem(qbe, 201), ops = GetDlgItem(qbe, 202), value = GetDlgItem(qbe, 203);
    send(columns, CB_SETCURSEL, 1, 0);
    send(qbe, WM_COMMAND, MAKEWPARAM(201, CBN_SELCHANGE), (LPARAM)columns);
    send(ops, CB_SETCURSEL, 3, 0);  // =, <>, <, >
    send(qbe, WM_COMMAND, MAKEWPARAM(202, CBN_SELCHANGE), (LPARAM)ops);
    send(value, WM_SETTEXT, 0, (LPARAM)"1");
    send(GetDlgItem(qbe, 204), BM_CLICK, 0, 0);
    EXPECT_EQ(text(qbe), "GROUP BY     (Rows: 2)");
    EXPECT_EQ(text(columns), ">>> count(*)");
    shotPoint("e2e-groupby");

    // Show: the statement with each clause on its own line.
    PostMessageA(GetDlgItem(qbe, 206), BM_CLICK, 0, 0);
    HWND show = waitWindow(pid, "#32770", "Show SQL command");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(text(GetDlgItem(show, 21)),
              "select kind, count(*)\r\n\r\nfrom qbe_items\r\n\r\nwhere qty > 2\r\n\r\n"
              "group by kind\r\n\r\nhaving count(*)>1\r\n");
    shotPoint("e2e-showsql");
    PostMessageA(show, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && IsWindow(show); i++)
        Sleep(50);

    // GROUP BY again from the main grid: a second window, cascaded.
    send(main, WM_COMMAND, 457, 0);
    ASSERT_NE(waitWindow(pid, "cDynataxwin", 0, 2), nullptr);
    std::vector<HWND> windows = processWindows(pid, "cDynataxwin");
    ASSERT_EQ(windows.size(), 2u);
    HWND second = windows[0] == qbe ? windows[1] : windows[0];
    RECT r1, r2;
    GetWindowRect(qbe, &r1);
    GetWindowRect(second, &r2);
    EXPECT_EQ(r2.left - r1.left, 30);
    EXPECT_EQ(text(second), "GROUP BY     (Rows: 3)");

    // CSV From One Column, copied into Q1.
    PostMessageA(main, WM_COMMAND, 458, 0);
    HWND csv = waitWindow(pid, "#32770", "Show CSV");
    ASSERT_NE(csv, nullptr);
    std::string line = text(GetDlgItem(csv, 21));
    EXPECT_EQ(line, "'fruit', 'fruit', 'veg', 'fruit', 'other', 'fruit', 'other', 'fruit'");
    shotPoint("e2e-csv");
    PostMessageA(GetDlgItem(csv, 101), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindow(csv); i++)
        Sleep(50);
    EXPECT_FALSE(IsWindow(csv));
    EXPECT_EQ(text(editor), script + "\r\n" + line);

    // Help > About..., then EULA...
    PostMessageA(main, WM_COMMAND, 496, 0);
    HWND about = waitWindow(pid, "#32770", "Lumbra");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(text(GetDlgItem(about, 92)).substr(0, 12), "Lumbra 2.0.6");
    shotPoint("e2e-about");
    PostMessageA(GetDlgItem(about, 31), BM_CLICK, 0, 0);
    HWND licence = waitWindow(pid, "#32770", "EULA");
    ASSERT_NE(licence, nullptr);
    EXPECT_GT(eula.size(), 200u);
    EXPECT_LE(eula.size(), 10000u);
    EXPECT_EQ(text(GetDlgItem(licence, 21)), eula) << "the shipped text, unchanged";
    shotPoint("e2e-eula");
    PostMessageA(licence, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && IsWindow(licence); i++)
        Sleep(50);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(about); i++)
        Sleep(50);
    EXPECT_FALSE(IsWindow(about));

    // Closed with both GROUP BY windows open; the changed script is not saved.
    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND ask = waitWindow(pid, "#32770");
    if (ask)
        PostMessageA(ask, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0) << "the program ended";
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DeleteFileA((dir + "Lumbra.ini").c_str());
    DeleteFileA((dir + "EULA_Lumbra_en.txt").c_str());
    DeleteFileA((dir + "tools.sql").c_str());
    RemoveDirectoryA(dir.c_str());
}
