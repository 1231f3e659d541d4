/* Run External Script: see dlgrunscript.h. */
#include "dlgrunscript.h"

#include <cstdio>
#include <cstring>

#include "dlgjob.h"
#include "dlgjobsrc.h"
#include "queryslot.h"
#include "querywin.h"
#include "safefile.h"
#include "scriptread.h"
#include "stmtfind.h"
#include "strx.h"
#include "winutil.h"
#include "xdbc.h"

namespace {

char const kCaption[] = "Lumbra";
char const kNotConnected[] = "Not connected. You have to connect before executing SQL commands!";

/* Values of the cancel request byte. */
const char kCancel = 1;  // "Stop script": after the next command that succeeds
const char kAbort = 2;   // the dialog is going away: before the next command

/* The one script job of the program, shared by the dialog and its worker. While the
   worker runs the dialog writes only `cancel`, and reads the rest only while the worker
   waits in SendMessage or after it has ended. The worker keeps the counters. */
struct cScriptJob {
    char script[MAX_PATH + 1];   // script file; emptied when the job ends
    char log[MAX_PATH + 1];      // log file, "" for none
    HWND dlg;                    // the dialog the worker reports to
    cXdbc* db;                   // slot's connection, 0 for an own one
    bool ignoreDrop;
    bool stopOnError;
    bool implicitRollback;       // how a connect or disconnect ends the open work
    volatile char cancel;        // the stop request
    std::string command;         // command being reported
    std::string error;           // error text of the last command / the job
    int line;                    // line of the command's end
    HANDLE thread;               // the worker, 0 when none
    int commands;                // counters shown in the dialog
    int errors;
};

/* Least milliseconds between two reports of succeeding commands (a report is a
   cross-thread SendMessage, which costs about as much as running a short command), and
   between two displays of a step in the dialog. */
const DWORD STEP_MS = 50;

cScriptJob job;
cJobStatement runStatement;  // Stop cancels the command while it executes

/* The dialog's own state. */
struct cRunDlg {
    HWND hwnd;
    cXQueryWindow* main;
    bool usedSlot;               // a run used the slot's connection: re-read it at close
    DWORD shown;                 // tick count of the last display of a step
};

cRunDlg dlg;

void setInt(HWND w, int id, int value) {
    char b[16];
    snprintf(b, sizeof b, "%d", value);
    SetDlgItemTextA(w, id, b);
}

/* Most characters of a command the dialog shows; a longer one ends with "...". */
const size_t kShowMax = 30000;

/* Text for a multi-line edit: lone line feeds become CR LF, NULs blanks, at most kShowMax
   characters of s (shown with vorShowText, which takes care of the accents). */
std::string forEdit(std::string const& s) {
    std::string out;
    size_t n = s.size() < kShowMax ? s.size() : kShowMax;
    out.reserve(n + 16);
    for (size_t i = 0; i < n; i++) {
        char c = s[i];
        if (c == '\n' && (i == 0 || s[i - 1] != '\r'))
            out += '\r';
        if (c == 0)
            c = ' ';
        out += c;
    }
    if (n < s.size())
        out += "...";
    return out;
}

bool startsWith(std::string const& s, char const* prefix) {
    size_t n = strlen(prefix);
    return s.size() >= n && _strnicmp(s.c_str(), prefix, n) == 0;
}

/* a and b name one existing file (the same file of the same volume). */
bool sameExistingFile(char const* a, char const* b) {
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE ha = CreateFileA(a, 0, share, 0, OPEN_EXISTING, 0, 0);
    HANDLE hb = CreateFileA(b, 0, share, 0, OPEN_EXISTING, 0, 0);
    BY_HANDLE_FILE_INFORMATION ia = {}, ib = {};
    bool same = ha != INVALID_HANDLE_VALUE && hb != INVALID_HANDLE_VALUE &&
                GetFileInformationByHandle(ha, &ia) && GetFileInformationByHandle(hb, &ib) &&
                ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
                ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    if (ha != INVALID_HANDLE_VALUE)
        CloseHandle(ha);
    if (hb != INVALID_HANDLE_VALUE)
        CloseHandle(hb);
    return same;
}

/* Writes text with every line end as CR LF: scripts and driver messages may end lines with
   a bare LF, which Notepad would not break. */
void writeLines(cSafeFile& log, std::string const& text) {
    size_t from = 0;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '\n' || (i > 0 && text[i - 1] == '\r'))
            continue;
        log.write(text.data() + from, i - from);
        log.write("\r\n");
        from = i + 1;
    }
    log.write(text.data() + from, text.size() - from);
}

void appendLog(cSafeFile& log, std::string const& command, std::string const& error) {
    log.write("COMMAND=");
    writeLines(log, command);
    log.write("\r\n\r\nERROR=");
    writeLines(log, error);
    log.write("\r\n\r\n\r\n");
}

/* Commits (or rolls back) the open work before the connection goes, as the slots do: when
   that fails the connection stays, with the work, and error says why. */
bool endWork(cXdbc* db, bool rollback, std::string& error) {
    if (!db->isConnected() || (rollback ? db->rollback() : db->commit()) || !db->isConnected())
        return true;
    char const* e = db->errorStr();
    error = e && *e ? e : "The data source reported a failure without a message.";
    return false;
}

DWORD WINAPI scriptWorker(LPVOID) {
    job.line = 1;
    job.command.clear();
    job.error.clear();
    FILE* f = fopen(job.script, "rb");
    if (!f) {
        job.error = "Cannot open file!";
    } else {
        cSafeFile log;
        bool logging = job.log[0] != 0;
        if (logging && !log.open(job.log)) {
            job.error = "Cannot open logfile!";
            fclose(f);
        } else {
            cScriptReader reader(f);
            cXdbc* db = job.db ? job.db : xdb_init();
            std::string cmd;
            DWORD reported = GetTickCount() - STEP_MS;
            while (job.cancel != kAbort && reader.next(cmd)) {
                if (cmd.empty())
                    continue;
                job.line = reader.line();
                job.command.swap(cmd);
                job.error.clear();
                job.commands++;
                if (!db) {
                    job.error = kNotConnected;
                    job.errors++;
                    SendMessageA(job.dlg, WM_JOBSTEP, 1, 0);
                    break;
                }
                if (runScriptCommand(db, job.command, job.ignoreDrop, job.implicitRollback,
                                     job.error)) {
                    // Successes are reported at most every STEP_MS; the end shows
                    // the last one. Failures are reported each.
                    DWORD now = GetTickCount();
                    if (now - reported >= STEP_MS) {
                        reported = now;
                        SendMessageA(job.dlg, WM_JOBSTEP, 0, 0);
                    }
                    if (job.cancel) {
                        job.error = "Script was canceled by user.";
                        break;
                    }
                } else if (job.cancel && runStatement.cancelled()) {
                    // Stop cancelled the command: the user's stop, no failure of the script.
                    job.error = "Script was canceled by user.";
                    break;
                } else {
                    job.errors++;
                    SendMessageA(job.dlg, WM_JOBSTEP, 1, 0);
                    if (logging)
                        appendLog(log, job.command, job.error);
                    if (job.stopOnError)
                        break;
                }
            }
            if (reader.readError() && job.error.empty())
                job.error = "Cannot read file!";
            if (job.cancel == kAbort && job.error.empty())
                job.error = "Script was canceled by user.";
            if (!job.db && db) {
                // The run's own connection ends as a disconnect does: the setting decides
                // whether the open work is kept. A failure there decides what was kept, so
                // it is counted, logged and shown, over any earlier error.
                std::string endError, last = job.command;
                // The end may wait (a lock held elsewhere): the dialog shows it and the count
                // so far, not a command done long before.
                if (db->isConnected()) {
                    job.command = job.implicitRollback ? "rollback" : "commit";
                    SendMessageA(job.dlg, WM_JOBSTEP, 3, 0);
                    job.command = last;
                }
                if (!endWork(db, job.implicitRollback, endError)) {
                    // What the run did is lost, as said: the disconnect must not commit it
                    // after all, once the lock that failed the commit is gone.
                    db->rollback();
                    job.command = job.implicitRollback ? "rollback" : "commit";
                    job.error = endError;
                    job.errors++;
                    SendMessageA(job.dlg, WM_JOBSTEP, 1, 0);
                    if (logging)
                        appendLog(log, job.command, job.error);
                }
                xdb_free(db);
            }
            // A lost log is said after the run's own error, which it would have held.
            if (logging && !log.commit())
                job.error = job.error.empty() ? "Cannot write to the logfile!"
                                              : job.error + "  Cannot write to the logfile!";
        }
    }
    if (job.error.empty())
        job.command.clear();
    job.script[0] = 0;
    PostMessageA(job.dlg, WM_JOBSTEP, 2, 0);
    return 0;
}

void setRunning(HWND w, bool running) {
    EnableWindow(GetDlgItem(w, IDC_RUN_START), !running);
    SetDlgItemTextA(w, IDCANCEL, running ? "Stop script" : "Close");
    // Disabling the focused Start drops the focus: without it Esc does nothing and letters act
    // as mnemonics. Stop takes it (not as the default button, so Enter does not stop).
    SetFocus(GetDlgItem(w, running ? IDCANCEL : IDC_RUN_START));
}

void enableLog(HWND w) {
    BOOL on = IsDlgButtonChecked(w, IDC_RUN_LOG) == BST_CHECKED;
    EnableWindow(GetDlgItem(w, IDC_RUN_LOGFILE), on);
    EnableWindow(GetDlgItem(w, IDC_RUN_LOGBROWSE), on);
    EnableWindow(GetDlgItem(w, IDC_RUN_LOGVIEW), on);
}

void onInit(HWND w) {
    dlg.hwnd = w;
    dlg.usedSlot = false;
    centerDialog(w, dlg.main->hwnd);
    dlg.main->enableUi(false, false);
    cQuerySlot* s = dlg.main->shownSlot();
    char text[MAX_PATH * 2];
    if (s->connected) {
        snprintf(text, sizeof text, "Use [Q%d] connection  [%s/%s]", s->number, s->dsn, s->user);
        CheckRadioButton(w, IDC_RUN_SLOT, IDC_RUN_OWN, IDC_RUN_SLOT);
    } else {
        snprintf(text, sizeof text, "Use [Q%d] connection  [not connected]", s->number);
        CheckRadioButton(w, IDC_RUN_SLOT, IDC_RUN_OWN, IDC_RUN_OWN);
        EnableWindow(GetDlgItem(w, IDC_RUN_SLOT), FALSE);
    }
    SetDlgItemTextA(w, IDC_RUN_SLOT, text);
    CheckRadioButton(w, IDC_RUN_STOPERR, IDC_RUN_GOON, IDC_RUN_STOPERR);
    SendDlgItemMessageA(w, IDC_RUN_FILE, EM_LIMITTEXT, MAX_PATH, 0);
    SendDlgItemMessageA(w, IDC_RUN_LOGFILE, EM_LIMITTEXT, MAX_PATH, 0);
    enableLog(w);
}

void onStart(HWND w) {
    dlg.main->logResult(false, 0, "Run External Script", 0);
    job.cancel = 0;
    job.commands = 0;
    job.errors = 0;
    dlg.shown = GetTickCount() - STEP_MS;
    char name[MAX_PATH + 1];
    GetDlgItemTextA(w, IDC_RUN_FILE, name, sizeof name);
    if (!name[0]) {
        vorMessageBox(w, "Enter the filename!", kCaption, MB_OK | MB_ICONSTOP);
        return;
    }
    SetDlgItemTextA(w, IDC_RUN_STATUS, "");
    SetDlgItemTextA(w, IDC_RUN_TEXT, "");
    SetDlgItemTextA(w, IDC_RUN_COUNT, "0");
    SetDlgItemTextA(w, IDC_RUN_LINE, "0");
    SetDlgItemTextA(w, IDC_RUN_ERRORS, "0");  // the counter starts afresh, so does its field
    job.ignoreDrop = IsDlgButtonChecked(w, IDC_RUN_IGNOREDROP) == BST_CHECKED;
    job.stopOnError = IsDlgButtonChecked(w, IDC_RUN_STOPERR) == BST_CHECKED;
    job.implicitRollback = dlg.main->settings.bImplicitRollback;
    job.log[0] = 0;
    if (IsDlgButtonChecked(w, IDC_RUN_LOG) == BST_CHECKED) {
        GetDlgItemTextA(w, IDC_RUN_LOGFILE, job.log, sizeof job.log);
        if (!job.log[0]) {
            vorMessageBox(w, "Enter the name of the logfile!", kCaption, MB_OK | MB_ICONSTOP);
            return;
        }
        // The log replaces its file at the end: it must not be the script.
        if (sameExistingFile(job.log, name)) {
            vorMessageBox(w, "The logfile cannot be the script file!", kCaption,
                          MB_OK | MB_ICONSTOP);
            return;
        }
    }
    strcpy(job.script, name);
    job.dlg = w;
    job.db = 0;
    if (IsDlgButtonChecked(w, IDC_RUN_SLOT) == BST_CHECKED) {
        job.db = dlg.main->shownSlot()->db;
        dlg.usedSlot = true;
    }
    setRunning(w, true);
    DWORD id;
    job.thread = CreateThread(0, 0, scriptWorker, 0, 0, &id);
    if (!job.thread) {
        setRunning(w, false);
        SetDlgItemTextA(w, IDC_RUN_STATUS, "Cannot start the script.");
    }
}

/* Shows the job's current command, line and counters. */
void showStep(HWND w) {
    vorShowText(GetDlgItem(w, IDC_RUN_TEXT), forEdit(job.command).c_str(), false);
    setInt(w, IDC_RUN_COUNT, job.commands);
    setInt(w, IDC_RUN_LINE, job.line);
    setInt(w, IDC_RUN_ERRORS, job.errors);
    dlg.shown = GetTickCount();
}

void onStep(HWND w, WPARAM kind) {
    if (kind == 0 || kind == 1 || kind == 3) {
        // The fields are repainted at most every 50 ms (and at the end), since repainting
        // them for each of thousands of failing commands costs more than running them;
        // 3 (the run's closing commit) at once.
        if (kind == 3 || GetTickCount() - dlg.shown >= STEP_MS)
            showStep(w);
        return;
    }
    if (kind != 2 || !job.thread)
        return;
    WaitForSingleObject(job.thread, INFINITE);
    CloseHandle(job.thread);
    job.thread = 0;
    if (job.commands > 0)
        showStep(w);  // the last step, maybe not shown yet; without one the fields stay "0"
    if (job.error.empty()) {
        SetDlgItemTextA(w, IDC_RUN_TEXT, "");
        SetDlgItemTextA(w, IDC_RUN_STATUS, "FINISHED");
    } else {
        vorShowText(GetDlgItem(w, IDC_RUN_STATUS), forEdit(job.error).c_str(), false);
    }
    setRunning(w, false);
}

void onView(HWND w) {
    char name[MAX_PATH + 1];
    GetDlgItemTextA(w, IDC_RUN_LOGFILE, name, sizeof name);
    if (!name[0])
        return;
    char cmd[MAX_PATH + 32];
    snprintf(cmd, sizeof cmd, "notepad.exe %s", name);
    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi;
    if (CreateProcessA(0, cmd, 0, 0, FALSE, 0, 0, 0, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    char text[MAX_PATH + 64];
    snprintf(text, sizeof text, "Cannot run:\n\nnotepad.exe %s", name);
    vorMessageBox(w, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

/* The dialog goes while a script runs (its owner was destroyed): stop the worker before
   the next command, serving its messages meanwhile. */
void abortWorker() {
    if (job.thread) {
        job.cancel = kAbort;
        runStatement.cancel();
    }
    joinJobWorker(job.thread);
}

INT_PTR CALLBACK runDlgProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_INITDIALOG:
        onInit(w);
        return TRUE;
    case WM_JOBSTEP:
        if (dlg.hwnd == w)
            onStep(w, wp);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_RUN_BROWSE:
            browseFileInto(w, IDC_RUN_FILE, 'o', "SQL+TXT files (*.sql, *.txt)\0*.sql;*.txt\0", 1,
                           "sql", "Open...");
            return TRUE;
        case IDC_RUN_LOG:
            enableLog(w);
            return TRUE;
        case IDC_RUN_LOGBROWSE:
            browseFileInto(w, IDC_RUN_LOGFILE, 's', "TXT files (*.txt)\0*.txt\0", 1, "txt",
                           "Error logfile...");
            return TRUE;
        case IDC_RUN_LOGVIEW:
            onView(w);
            return TRUE;
        case IDC_RUN_START:
            if (!job.thread)
                onStart(w);
            return TRUE;
        case IDCANCEL:
            if (job.thread) {
                job.cancel = kCancel;
                runStatement.cancel();
            } else
                DestroyWindow(w);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        abortWorker();
        if (dlg.hwnd == w) {
            dlg.hwnd = 0;
            releaseJobOwner(dlg.main, dlg.usedSlot);
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

bool runScriptCommand(cXdbc* db, std::string const& command, bool ignoreDrop,
                      bool implicitRollback, std::string& error) {
    error.clear();
    if (command.empty())
        return true;
    std::string flat = command;  // keywords are looked at with blanks for tabs and breaks
    flattenBlanks(flat);
    if (startsWith(flat, "connect ")) {
        std::string dsn, user, pswd;
        parseConnect(flat.c_str(), dsn, user, pswd);
        // A line break before the ";" leaves blanks at the end of the last part.
        std::string& last = !pswd.empty() ? pswd : !user.empty() ? user : dsn;
        last.erase(last.find_last_not_of(' ') + 1);
        if (dsn.empty()) {
            error = "There is no matching DSN!";
            return false;
        }
        if (!endWork(db, implicitRollback, error))
            return false;
        db->disconnect();
        if (!db->connect(dsn.c_str(), user.c_str(), pswd.c_str(), 0)) {
            error = "Cannot connect!";
            return false;
        }
        return true;
    }
    if (!db->isConnected()) {
        error = kNotConnected;
        return false;
    }
    if (startsWith(flat, "disconnect")) {
        if (!endWork(db, implicitRollback, error))
            return false;
        db->disconnect();
        return true;
    }
    if (startsWith(flat, "select "))
        return true;
    if (startsWith(flat, "stop")) {
        error = "Script was stopped.";
        return false;
    }
    bool ok;
    eStmtKind kind = statementKind(flat.c_str());
    if (kind == STMT_COMMIT)
        ok = db->commit() != 0;
    else if (kind == STMT_ROLLBACK)
        ok = db->rollback() != 0;
    else
        ok = db->prepare(command.c_str()) && runStatement.execute(db);
    if (!ok) {
        char const* e = db->errorStr();
        error = e && *e ? e : "The data source reported a failure without a message.";
    }
    if (kind != STMT_COMMIT && kind != STMT_ROLLBACK)
        db->finish();  // no cursor stays open between commands
    return ok || (ignoreDrop && startsWith(flat, "drop"));
}

HWND openRunScriptDialog(cXQueryWindow* main) {
    if (dlg.hwnd || job.thread || !main)
        return 0;
    return openJobDialog(dlg.main, main, "DLG_RUNEXTSCRIPT", runDlgProc, 0);
}

HWND runScriptDialog() { return dlg.hwnd; }

bool runScriptBusy() { return job.thread != 0; }
