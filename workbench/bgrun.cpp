/* Statements on the connection's worker thread while this thread keeps the window alive. */
#include "bgrun.h"

#include <cstdio>
#include <string>

#include "querywin.h"
#include "statux.h"
#include "xdbc.h"

char const kBgRunning[] = "Running... (Esc cancels)";
char const kBgCanceling[] = "Canceling... (waiting for the data source)";
char const kBgCanceled[] = "Canceled by user.";

namespace {

DWORD const kClockEvery = 250;  // elapsed seconds redrawn
DWORD const kRowsEvery = 100;   // fetched rows shown and Esc looked for
DWORD const kSlice = 15;        // longest sleep between looks at the worker
int const kMessageField = 4;    // status bar field of the last entry

struct State {
    cXQueryWindow* win = 0;  // window of the scope under way; 0 when none
    int depth = 0;
    bool engaged = false;     // window locked, messages pumped
    bool cancelAsked = false;
    bool cancelSent = false;  // cancel() already called on the running worker
    bool closeAsked = false;  // close the window when the statement has ended
    bool quitSeen = false;
    int quitCode = 0;
    cXdbc* running = 0;  // connection whose worker runs the statement
    DWORD started = 0;
    DWORD shown = 0;      // last redraw of the running text
    HWND focus = 0;       // focus before the lock
    std::string entry;    // message field before the run
};

State st;
bool lastCanceled = false;  // the last scope ended after a cancel request
volatile LONG phase = 0;

void showText(char const* text) {
    if (st.win && st.win->statusBar)
        st.win->statusBar->setText(kMessageField, text);
}

void showClock() {
    char buf[80];
    // A driver may finish its wait (a lock held elsewhere) before it takes the cancel.
    snprintf(buf, sizeof buf, "%s  %lu s", st.cancelAsked ? kBgCanceling : kBgRunning,
             (unsigned long)((GetTickCount() - st.started) / 1000));
    showText(buf);
    st.shown = GetTickCount();
}

void engage() {
    if (st.engaged || !st.win)
        return;
    st.engaged = true;
    st.focus = GetFocus();
    st.entry = st.win->statusBar ? st.win->statusBar->text(kMessageField) : "";
    st.win->enableUi(false, false);
    // Keys reach the main window, where the wait sees them.
    SetFocus(st.win->hwnd);
    showClock();
}

bool inMessageField(MSG const& m) {
    cStatux* bar = st.win ? st.win->statusBar : 0;
    return bar && m.hwnd == bar->hwnd() &&
           bar->fieldAt((short)LOWORD(m.lParam)) == kMessageField;
}

/* Input of the locked window: Esc and the message field cancel, other keys and clicks in
   client areas are dropped. Non-client input (move, size, close) goes through. */
bool swallowed(MSG const& m) {
    if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) {
        if ((m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) && m.wParam == VK_ESCAPE)
            bgCancel();
        return true;
    }
    switch (m.message) {
    case WM_LBUTTONDOWN:
        if (inMessageField(m))
            bgCancel();
        return true;
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
        return true;
    }
    return false;
}

void pump() {
    MSG m;
    while (PeekMessageW(&m, 0, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            // Given back to the program's loop once the statement has ended.
            st.quitSeen = true;
            st.quitCode = (int)m.wParam;
            bgCancel();
            continue;
        }
        if (swallowed(m))
            continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

void sendCancel() {
    if (st.cancelAsked && !st.cancelSent && st.running) {
        st.cancelSent = true;
        st.running->cancel();
    }
}

}  // namespace

cBgStatement::cBgStatement(HWND anyWindow) : counted(false) {
    if (st.depth > 0) {
        st.depth++;
        counted = true;
        return;
    }
    lastCanceled = false;
    HWND root = anyWindow ? GetAncestor(anyWindow, GA_ROOT) : 0;
    // A query-by-example window is owned by the main window: its statements run the same way.
    // (GetParent, and so GA_ROOTOWNER, gives no owner of an overlapped window.)
    while (HWND owner = root ? GetWindow(root, GW_OWNER) : 0)
        root = owner;
    cXQueryWindow* w = cXQueryWindow::fromHwnd(root);
    if (!w || !w->settings.bBackgroundRun)
        return;
    st = State();
    st.win = w;
    st.depth = 1;
    st.started = GetTickCount();
    counted = true;
}

cBgStatement::~cBgStatement() {
    if (!counted || --st.depth > 0)
        return;
    cXQueryWindow* w = st.win;
    bool engaged = st.engaged;
    bool close = st.closeAsked;
    HWND focus = st.focus;
    std::string entry = st.entry;
    lastCanceled = st.cancelAsked;
    bool quit = st.quitSeen;
    int quitCode = st.quitCode;
    st = State();
    InterlockedExchange(&phase, 0);
    if (!w)
        return;
    if (engaged) {
        if (w->statusBar)
            w->statusBar->setText(kMessageField, entry.c_str());
        w->enableUi(true, false);
        if (focus && IsWindow(focus) && IsWindowEnabled(focus))
            SetFocus(focus);
    }
    if (close)
        PostMessageA(w->hwnd, WM_CLOSE, 0, 0);
    if (quit)
        PostQuitMessage(quitCode);
}

int bgExecute(cXdbc* db) {
    if (!db)
        return 0;
    if (!st.win)
        return db->execute();
    InterlockedExchange(&phase, 1);
    if (!db->executeAsync()) {
        // No worker thread to be had: the statement runs here.
        return db->execute();
    }
    st.running = db;
    st.cancelSent = false;
    for (;;) {
        if (db->waitAsync(st.engaged ? 0 : (int)kSlice))
            break;
        if (!st.engaged && GetTickCount() - st.started >= kBgEngageAfter)
            engage();
        if (!st.engaged)
            continue;
        pump();
        sendCancel();
        if (GetTickCount() - st.shown >= kClockEvery)
            showClock();
        MsgWaitForMultipleObjects(0, 0, FALSE, kSlice, QS_ALLINPUT);
    }
    st.running = 0;
    return db->error() ? 0 : 1;
}

bool bgFetchStop(int rowsSoFar) {
    if (!st.win)
        return false;
    if (st.cancelAsked)
        return true;
    DWORD now = GetTickCount();
    if (phase != 2) {
        InterlockedExchange(&phase, 2);
        st.shown = now;
    }
    if (now - st.shown < kRowsEvery)
        return false;
    if (!st.engaged) {
        if (now - st.started < kBgEngageAfter)
            return false;
        engage();
    }
    char buf[80];
    snprintf(buf, sizeof buf, "Fetching... %d rows (Esc stops)", rowsSoFar);
    showText(buf);
    st.shown = now;
    pump();
    return st.cancelAsked;
}

bool bgBusy() { return st.win && st.engaged; }

bool bgCanceled() { return st.win ? st.cancelAsked : lastCanceled; }

void bgForgetCancel() {
    if (!st.win)
        lastCanceled = false;
}

void bgCancel() {
    if (!st.win)
        return;
    bool shown = st.cancelAsked;
    st.cancelAsked = true;
    if (!shown && st.engaged && st.running)
        showClock();
    sendCancel();
}

bool bgDeferClose() {
    if (!bgBusy())
        return false;
    st.closeAsked = true;
    bgCancel();
    return true;
}

int bgPhase() { return (int)phase; }
