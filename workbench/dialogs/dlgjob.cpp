/* Job dialogs: see dlgjob.h. */
#include "dlgjob.h"

#include "querywin.h"
#include "winutil.h"

HWND openJobDialog(cXQueryWindow*& slot, cXQueryWindow* main, char const* name, DLGPROC proc,
                   LPARAM lp) {
    slot = main;
    HWND w = CreateDialogParamA(GetModuleHandleA(0), name, main->hwnd, proc, lp);
    if (!w) {
        slot = 0;
        return 0;
    }
    ShowWindow(w, SW_SHOW);
    return w;
}

void joinJobWorker(HANDLE& thread) {
    if (!thread)
        return;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
        MSG m;
        PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread);
    thread = 0;
}

void releaseJobOwner(cXQueryWindow*& main, bool reread) {
    if (main && cXQueryWindow::fromHwnd(main->hwnd) == main)
        main->enableUi(true, reread);
    main = 0;
}

void browseFileInto(HWND w, int id, char mode, char const* filter, short filterIndex,
                    char const* ext, char const* title) {
    char name[MAX_PATH] = "";
    if (getFilename(w, name, mode, filter, filterIndex, ext, title, 0))
        SetDlgItemTextA(w, id, name);
}
