/* The workbench's worker jobs, driven through their dialogs by messages.
     bench_export export <dsn> <user> <password> <query> <outdir>
         Save to "[OK]" in CSV, INSERT and HTML: prints "csv: <ms> ms <rows> rows" etc.
     bench_export script <dsn> <user> <password> <scriptfile>
         Start to "FINISHED" on the dialog's own connection: "script: <ms> ms <n> commands".
     bench_export sendmsg [count]
         Cost of one cross-thread SendMessage to a window of the main thread. */
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../benchtime.h"
#include "dlgexportrs.h"
#include "dlgjobsrc.h"
#include "dlgrunscript.h"
#include "queryslot.h"
#include "querywin.h"
#include "winutil.h"

namespace {

int answerBox(HWND, char const* text, char const* caption, UINT) {
    fprintf(stderr, "message box \"%s\": %s\n", caption, text);
    return IDOK;
}

/* Serves messages until control id of dlg is enabled again. */
void waitEnabled(HWND dlg, int id) {
    while (!IsWindowEnabled(GetDlgItem(dlg, id))) {
        MsgWaitForMultipleObjects(0, 0, FALSE, 5, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

void click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

std::string text(HWND dlg, int id) {
    char b[512] = "";
    GetDlgItemTextA(dlg, id, b, sizeof b);
    return b;
}

cXQueryWindow* openMain() {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string dir = std::string(tmp) + "exp_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), 0);
    WritePrivateProfileStringA("Lumbra Settings", "maxrows", "100", (dir + "Lumbra.ini").c_str());
    return cXQueryWindow::create(GetModuleHandleA(0), "", SW_SHOWNORMAL, dir.c_str(), false);
}

int runExport(char** argv) {
    cXQueryWindow* w = openMain();
    if (!w || !w->slots[0]->connectTo(argv[2], argv[3], argv[4])) {
        fprintf(stderr, "cannot connect to %s\n", argv[2]);
        return 1;
    }
    HWND dlg = openExportDialog(w, argv[5]);
    if (!dlg)
        return 1;
    struct { char const* name; int radio; char const* file; } fmts[] = {
        {"csv", IDC_EXP_CSV, "lumbra.csv"}, {"insert", IDC_EXP_INSERT, "lumbra.sql"},
        {"html", IDC_EXP_HTML, "lumbra.htm"}};
    SetDlgItemTextA(dlg, IDC_EXP_TABLE, "t");
    for (auto const& f : fmts) {
        for (int r : {IDC_EXP_CSV, IDC_EXP_HTML, IDC_EXP_INSERT})
            CheckDlgButton(dlg, r, r == f.radio ? BST_CHECKED : BST_UNCHECKED);
        click(dlg, f.radio);
        std::string file = std::string(argv[6]) + "\\" + f.file;
        SetDlgItemTextA(dlg, IDC_EXP_FILE, file.c_str());
        double t0 = nowMs();
        click(dlg, IDC_EXP_SAVE);
        waitEnabled(dlg, IDC_EXP_SAVE);
        double ms = nowMs() - t0;
        std::string info = text(dlg, IDC_EXP_INFO);
        if (info.compare(0, 4, "[OK]") != 0) {
            fprintf(stderr, "%s: export failed: %s\n", f.name, info.c_str());
            return 1;
        }
        printf("%s: %.1f ms %s\n", f.name, ms, info.c_str());
    }
    DestroyWindow(dlg);
    return 0;
}

int runScript(char** argv) {
    cXQueryWindow* w = openMain();
    if (!w)
        return 1;
    HWND dlg = openRunScriptDialog(w);
    if (!dlg)
        return 1;
    SetDlgItemTextA(dlg, IDC_RUN_FILE, argv[5]);
    CheckRadioButton(dlg, IDC_RUN_SLOT, IDC_RUN_OWN, IDC_RUN_OWN);
    double t0 = nowMs();
    click(dlg, IDC_RUN_START);
    waitEnabled(dlg, IDC_RUN_START);
    double ms = nowMs() - t0;
    std::string status = text(dlg, IDC_RUN_STATUS);
    printf("script: %.1f ms %s commands, %s errors: %s\n", ms, text(dlg, IDC_RUN_COUNT).c_str(),
           text(dlg, IDC_RUN_ERRORS).c_str(), status.c_str());
    DestroyWindow(dlg);
    return status == "FINISHED" ? 0 : 1;
}

HWND g_target;
long g_count;

DWORD WINAPI sender(LPVOID) {
    for (long i = 0; i < g_count; i++)
        SendMessageA(g_target, WM_USER + 1, 0, 0);
    PostMessageA(g_target, WM_USER + 2, 0, 0);
    return 0;
}

LRESULT CALLBACK targetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 1)
        return 1;
    return DefWindowProcA(w, m, wp, lp);
}

int runSendMsg(long count) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = targetProc;
    wc.hInstance = GetModuleHandleA(0);
    wc.lpszClassName = "benchTarget";
    RegisterClassA(&wc);
    g_target = CreateWindowA("benchTarget", "", WS_OVERLAPPED, 0, 0, 10, 10, 0, 0, wc.hInstance, 0);
    g_count = count;
    double t0 = nowMs();
    HANDLE t = CreateThread(0, 0, sender, 0, 0, 0);
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        if (m.message == WM_USER + 2)
            break;
        DispatchMessageA(&m);
    }
    double ms = nowMs() - t0;
    WaitForSingleObject(t, INFINITE);
    printf("sendmsg: %ld messages %.1f ms, %.1f us each\n", count, ms, ms * 1000.0 / count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    vorSetMessageBoxHook(answerBox);
    if (argc >= 7 && !strcmp(argv[1], "export"))
        return runExport(argv);
    if (argc >= 6 && !strcmp(argv[1], "script"))
        return runScript(argv);
    if (argc >= 2 && !strcmp(argv[1], "sendmsg"))
        return runSendMsg(argc > 2 ? atol(argv[2]) : 20000);
    fprintf(stderr, "usage: bench_export export <dsn> <user> <password> <query> <outdir>\n"
                    "       bench_export script <dsn> <user> <password> <scriptfile>\n"
                    "       bench_export sendmsg [count]\n");
    return 2;
}
