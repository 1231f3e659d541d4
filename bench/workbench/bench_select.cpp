/* Execute Command on a SELECT in the main window, until the grid has painted its rows.
   Usage: bench_wb_select <dsn> <user> <password> <query> [runs] [maxrows]
   Prints one line per run with the steps of the load, then
     "median: <ms> ms <rows> rows"       the whole Execute Command, median of the runs
     "steps: ..."                       medians of the load's steps, the paint and the rest
     "fetch only: <ms> ms"              the same rows through cXdbc into reused values
     "heap: ..."                        heap bytes in use before and after the first load
     "memory: ..."                      working set before and after the first load */
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../benchtime.h"
#include "lumbrarc.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "strx.h"
#include "winutil.h"
#include "xdbc.h"

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

/* Memory the process holds (its working set; Wine reports no private bytes), in KB. */
double workingSetKb() {
    PROCESS_MEMORY_COUNTERS pm = {};
    pm.cb = sizeof pm;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pm, sizeof pm))
        return 0;
    return pm.WorkingSetSize / 1024.0;
}

/* Bytes in use in every heap of the process (blocks and their headers) and the shared
   allocator's small-block pool, in KB. */
double heapKb() {
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    double total = 0;
    for (DWORD i = 0; i < n && i < 64; i++) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY e = {};
        while (HeapWalk(heaps[i], &e)) {
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += e.cbData + e.cbOverhead;
        }
        HeapUnlock(heaps[i]);
    }
    return (total + strx_pooled(0)) / 1024.0;
}

/* The same rows through cXdbc alone: fetchNext and colValue into one value per column. */
double fetchOnly(cXdbc* x, char const* sql, int limit) {
    double t0 = nowMs();
    if (!x->prepare(sql) || !x->execute(NULL))
        return -1;
    int cols = x->colCount();
    std::vector<cVariablex*> v(cols);
    for (int i = 0; i < cols; i++)
        v[i] = x->colType(i) == 1 ? (cVariablex*)new cNumbex()
               : x->colType(i) == 4 ? (cVariablex*)new cDatex()
                                    : (cVariablex*)new cStrinx();
    int rows = 0;
    while (rows < limit && x->fetchNext()) {
        for (int i = 0; i < cols; i++)
            x->colValue(i, *v[i]);
        rows++;
    }
    x->finish();
    double ms = nowMs() - t0;
    for (cVariablex* p : v)
        delete p;
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: bench_wb_select <dsn> <user> <password> <query> [runs] [maxrows]\n");
        return 2;
    }
    int runs = argc > 5 ? atoi(argv[5]) : 5;
    if (runs < 1)
        runs = 1;
    char const* maxrows = argc > 6 ? argv[6] : "10000";
    vorSetMessageBoxHook(answerBox);

    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string dir = std::string(tmp) + "wb_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), 0);
    std::string ini = dir + "Lumbra.ini";
    // The setting stops at 10000; a larger limit goes to the grid directly.
    int limit = atoi(maxrows);
    WritePrivateProfileStringA("Lumbra Settings", "maxrows", limit > 10000 ? "10000" : maxrows,
                               ini.c_str());

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
    cResultGrid* g = w->grids[0];
    if (limit > 10000)
        g->setMaxRows(limit);
    HWND grid = g->getHwnd(0);
    pump();
    double memEmpty = workingSetKb(), memLoaded = 0;
    double heapEmpty = heapKb(), heapLoaded = 0;
    std::vector<double> total, execute, clear, fetch, formats, widths, paint, rest;
    int rows = 0;
    for (int r = 1; r <= runs; r++) {
        SetWindowTextA(editor, argv[4]);
        SetFocus(editor);
        SendMessageA(editor, EM_SETSEL, 0, 0);
        pump();
        double t0 = nowMs();
        SendMessageA(w->hwnd, WM_COMMAND, CMD_EXECUTE, 0);
        double t1 = nowMs();
        UpdateWindow(grid);  // the grid's WM_PAINT, now
        GdiFlush();
        double t2 = nowMs();
        if (r == 1) {
            memLoaded = workingSetKb();
            heapLoaded = heapKb();
        }
        cLoadTimes const& lt = g->loadTimes;
        rows = g->getCountA();
        printf("run %d: %d rows %d columns %.1f ms (execute %.1f, clear %.1f, fetch and store %.1f, formats %.1f, "
               "widths %.1f, paint %.1f, log and status %.1f)\n",
               r, rows, g->getColCountA(), t2 - t0, lt.execute, lt.clear, lt.fetch, lt.formats, lt.widths,
               t2 - t1, (t1 - t0) - lt.total);
        total.push_back(t2 - t0);
        execute.push_back(lt.execute);
        clear.push_back(lt.clear);
        fetch.push_back(lt.fetch);
        formats.push_back(lt.formats);
        widths.push_back(lt.widths);
        paint.push_back(t2 - t1);
        rest.push_back((t1 - t0) - lt.total);
        pump();
    }
    std::vector<double> only;
    for (int r = 0; r < runs; r++)
        only.push_back(fetchOnly(slot->db, argv[4], limit));
    printf("median: %.1f ms %d rows (min %.1f, max %.1f, %d runs)\n", median(total), rows,
           *std::min_element(total.begin(), total.end()), *std::max_element(total.begin(), total.end()),
           runs);
    printf("steps: execute %.1f, clear %.1f, fetch and store %.1f, formats %.1f, widths %.1f, paint %.1f, "
           "log and status %.1f\n",
           median(execute), median(clear), median(fetch), median(formats), median(widths), median(paint),
           median(rest));
    printf("fetch only: %.1f ms\n", median(only));
    printf("heap: %.0f KB in use before the first load, %.0f KB after it, %.0f KB for the rows\n",
           heapEmpty, heapLoaded, heapLoaded - heapEmpty);
    printf("memory: %.0f KB before the first load, %.0f KB after it, %.0f KB for the rows\n",
           memEmpty, memLoaded, memLoaded - memEmpty);
    fflush(stdout);
    slot->modified = false;
    SendMessageA(w->hwnd, WM_CLOSE, 0, 0);
    pump();
    DeleteFileA(ini.c_str());
    RemoveDirectoryA(dir.c_str());
    return 0;
}
