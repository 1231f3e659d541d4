/* Statements that never freeze the main window: the statement runs on its connection's
   worker thread while this thread keeps pumping messages, so the window repaints and
   moves; Esc (or a click on the status bar's message field) cancels it, and fetching
   rows shows the running count and stops at Esc with the rows so far.

   Quick statements are not disturbed: for the first kBgEngageAfter milliseconds the wait
   does not pump at all, so a statement that ends sooner behaves as a plain call. */
#ifndef LUMBRA_BGRUN_H
#define LUMBRA_BGRUN_H

#include <windows.h>

class cXdbc;

/* Texts of the running state and of a cancel the driver gave no message for. */
extern char const kBgRunning[];
extern char const kBgCanceling[];
extern char const kBgCanceled[];

/* Milliseconds a statement runs before the window is locked and the wait pumps. */
#define kBgEngageAfter 200

/* Scope of one statement started from the main window holding `anyWindow`. When that
   window runs statements in the background (the bBackgroundRun setting), statements in
   the scope go through bgExecute on the worker thread; the outermost scope locks and
   unlocks the window. Does nothing for other windows or with the setting off. */
class cBgStatement {
public:
    explicit cBgStatement(HWND anyWindow);
    ~cBgStatement();
    cBgStatement(cBgStatement const&) = delete;
    cBgStatement& operator=(cBgStatement const&) = delete;

private:
    bool counted;
};

/* db->execute(): inside an active scope on db's worker thread while this thread pumps
   messages, else directly. Returns 1 on success, 0 on failure (errorStr says why). */
int bgExecute(cXdbc* db);
/* Asked before each row is fetched: true when the fetch is to stop (the user canceled).
   Shows the rows so far and pumps messages every 100 ms while a scope is active. */
bool bgFetchStop(int rowsSoFar);
/* True while a statement runs with the window locked: only cancel is accepted. */
bool bgBusy();
/* True when the user asked to cancel the statement now running or, after it, the last one. */
bool bgCanceled();
/* Before a statement that may not run in a scope (commit, connect): bgCanceled() is false
   until a scope cancels again. */
void bgForgetCancel();
/* Asks the running statement to stop (once; later requests are ignored). */
void bgCancel();
/* For the main window's WM_CLOSE: when a statement runs, cancels it, remembers that the
   window is to close once it has ended and returns true. */
bool bgDeferClose();
/* What runs now: 0 nothing, 1 a statement executes, 2 rows are fetched. */
int bgPhase();

#endif
