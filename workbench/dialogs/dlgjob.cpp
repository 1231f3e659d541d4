/* Job dialogs: see dlgjob.h. */
#include "dlgjob.h"

#include <cstring>

#include "querywin.h"
#include "strx.h"
#include "winutil.h"
#include "xdbc.h"

cJobStatement::cJobStatement() : running(0), wasCancelled(false) {
    InitializeCriticalSection(&lock);
}

cJobStatement::~cJobStatement() { DeleteCriticalSection(&lock); }

int cJobStatement::execute(cXdbc* db) {
    EnterCriticalSection(&lock);
    running = db;
    wasCancelled = false;
    LeaveCriticalSection(&lock);
    int ok = db->execute();
    EnterCriticalSection(&lock);
    running = 0;
    LeaveCriticalSection(&lock);
    return ok;
}

void cJobStatement::cancel() {
    EnterCriticalSection(&lock);
    if (running) {
        wasCancelled = true;
        running->cancel();
    }
    LeaveCriticalSection(&lock);
}

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
    if (!getFilename(w, name, mode, filter, filterIndex, ext, title, 0))
        return;
    if (strx_shapingTrap(name, (int)strlen(name)) >= 0) {  // the field would end the program
        vorMessageBox(w,
                      "This file name holds a caron, ogonek or double acute accent that follows "
                      "no letter: this system's text display would end the program on it. "
                      "Rename the file.",
                      "Lumbra", MB_OK | MB_ICONSTOP);
        return;
    }
    SetDlgItemTextA(w, id, name);
}
