/* Execute Command on a SELECT in the main window, until the grid has painted its rows.
   Usage: bench_wb_select <dsn> <user> <password> <query> [runs]
   Prints one line per run and "best: <ms> ms <rows> rows". */
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lumbrarc.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "winutil.h"

namespace {

void pump() {
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

int answerBox(HWND, char const* text, char const* caption, UINT) {
    fprintf(stderr, "message box \"%s\": %s\n", caption, text);
    return IDOK;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: bench_wb_select <dsn> <user> <password> <query> [runs]\n");
        return 2;
    }
    int runs = argc > 5 ? atoi(argv[5]) : 5;
    vorSetMessageBoxHook(answerBox);

    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string dir = std::string(tmp) + "wb_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), 0);
    std::string ini = dir + "Lumbra.ini";
    WritePrivateProfileStringA("Lumbra Settings", "maxrows", "10000", ini.c_str());

    cXQueryWindow* w = cXQueryWindow::create(GetModuleHandleA(0), "", SW_SHOWNORMAL, dir.c_str(), false);
    if (!w)
        return 1;
    MoveWindow(w->hwnd, 0, 0, 1000, 750, TRUE);
    pump();
    cQuerySlot* slot = w->slots[0];
    if (!slot->connectTo(argv[1], argv[2], argv[3])) {
        fprintf(stderr, "cannot connect to %s\n", argv[1]);
        return 1;
    }
    HWND editor = slot->edit;
    HWND grid = w->grids[0]->getHwnd(0);
    double best = -1;
    int rows = 0;
    for (int r = 1; r <= runs; r++) {
        SetWindowTextA(editor, argv[4]);
        SetFocus(editor);
        SendMessageA(editor, EM_SETSEL, 0, 0);
        pump();
        LARGE_INTEGER f, t0, t1;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        SendMessageA(w->hwnd, WM_COMMAND, CMD_EXECUTE, 0);
        UpdateWindow(grid);  // the grid's WM_PAINT, now
        GdiFlush();
        QueryPerformanceCounter(&t1);
        double ms = (t1.QuadPart - t0.QuadPart) * 1000.0 / f.QuadPart;
        rows = w->grids[0]->getCountA();
        printf("run %d: %d rows %d columns %.1f ms\n", r, rows, w->grids[0]->getColCountA(), ms);
        if (best < 0 || ms < best)
            best = ms;
        pump();
    }
    printf("best: %.1f ms %d rows\n", best, rows);
    fflush(stdout);
    slot->modified = false;
    SendMessageA(w->hwnd, WM_CLOSE, 0, 0);
    pump();
    DeleteFileA(ini.c_str());
    RemoveDirectoryA(dir.c_str());
    return 0;
}
