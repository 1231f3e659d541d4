/* Pieces shared by the modeless dialogs that run a job on a worker thread (Run External
   Script, Export Resultset). */
#ifndef LUMBRA_DLGJOB_H
#define LUMBRA_DLGJOB_H

#include <windows.h>

class cXQueryWindow;
class cXdbc;

/* The statement a job's worker is executing, so that Stop can cancel it: a statement
   waiting for a lock would otherwise hold the job for as long as the lock is held. */
class cJobStatement {
public:
    cJobStatement();
    ~cJobStatement();
    /* Worker: db executes its prepared statement; the result of execute(). Tells through
       cancelled() whether Stop cancelled it meanwhile. */
    int execute(cXdbc* db);
    bool cancelled() const { return wasCancelled; }
    /* Dialog: cancels the statement being executed, if any. */
    void cancel();

private:
    CRITICAL_SECTION lock;
    cXdbc* running;
    volatile bool wasCancelled;
    cJobStatement(cJobStatement const&);
    cJobStatement& operator=(cJobStatement const&);
};

/* Sets `slot` to main (the dialog reads it from WM_INITDIALOG on), creates the dialog
   template `name` owned by main's window and shows it. Returns 0, with `slot` 0 again,
   when the dialog cannot be created. */
HWND openJobDialog(cXQueryWindow*& slot, cXQueryWindow* main, char const* name, DLGPROC proc,
                   LPARAM lp);

/* Waits for the worker to end, serving the messages it sends meanwhile, then closes its
   handle and sets it 0. Does nothing when there is no worker. */
void joinJobWorker(HANDLE& thread);

/* The dialog is going: gives main's window its commands back (if it still exists), with
   `reread` as enableUi's second argument, and sets `main` 0. */
void releaseJobOwner(cXQueryWindow*& main, bool reread);

/* Lets the user choose a file with getFilename (no initial directory); the chosen name
   goes into control `id` of w. */
void browseFileInto(HWND w, int id, char mode, char const* filter, short filterIndex,
                    char const* ext, char const* title);

#endif
