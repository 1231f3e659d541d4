/* A query slot: statements from the editor to the data source and the grid. */
#include "queryslot.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "bgrun.h"
#include "edutil.h"
#include "profile.h"
#include "querywin.h"
#include "resultgrid.h"
#include "stmtfind.h"
#include "stmtmodel.h"
#include "strx.h"
#include "wbtext.h"
#include "wbutil.h"
#include "winutil.h"
#include "xdbc.h"

DWORD g_timerStart = 0;
double g_timerSeconds = 0;

namespace {

/* Editor style: child, visible, clip siblings, border, vertical scroll bar, multi-line,
   automatic scrolling both ways, Enter makes new lines. */
DWORD const kEditorStyle = 0x54A010C4;
/* Longest text the editors take: far beyond the control's default of 30000. */
int const kEditorLimit = 0x7FFFFFFE;
/* Largest script file loaded. Wine's edit control takes about 2.5 s a megabyte to take the
   text, with the window not answering meanwhile: at most some ten seconds. */
long const kMaxScriptFile = 4L * 1024 * 1024;
/* Longest line loaded. The edit control measures a whole line again on every keystroke
   in it: under Wine a line of 64 K characters loads, and takes a keystroke, in about a
   third of a second on a busy machine, 512 K in two seconds and 2 M in seven. */
size_t const kMaxEditorLine = 65536;

char const kScriptFilter[] = "SQL+TXT files (*.sql, *.txt)\0*.sql;*.txt\0All files (*.*)\0*.*\0";

char const kNotConnected[] = "Not connected. You have to connect before executing SQL commands!";
char const kEscapeStop[] = "Run Script from Cursor was stopped with Esc.";
char const kCommitsEach[] =
    "The data source commits every statement (its driver refused manual commit): nothing is "
    "rolled back.";
char const kRowsNotShown[] =
    "The statement returned rows, which are not shown: the grid shows the rows of a statement "
    "that begins with \"select\".";
/* Entry text for a failure the driver gave no message for. */
char const kNoMessage[] = "The data source reported a failure without a message.";

}  // namespace

cQuerySlot::cQuerySlot(cXQueryWindow* o, short n, HWND parent, HINSTANCE inst)
    : edit(0), owner(o), db(xdb_init()), statement(strdux(0)), dsn(strdux(0)), user(strdux(0)),
      pswd(strdux(0)), connected(false), number(n), modified(false), running(false) {
    fileName[0] = 0;
    fileTime = fileBytes = 0;
    edit = CreateWindowExA(0, "EDIT", "", kEditorStyle, 0, 26, 400, 100, parent,
                           (HMENU)(INT_PTR)-1, inst, 0);
    if (edit)
        SendMessageA(edit, EM_SETLIMITTEXT, kEditorLimit, 0);
}

cQuerySlot::~cQuerySlot() {
    xdb_free(db);
    strfrx(&statement);
    strfrx(&dsn);
    strfrx(&user);
    strfrx(&pswd);
}

cResultGrid* cQuerySlot::grid() { return owner->grids[number - 1]; }

void cQuerySlot::logOk(double seconds, char const* text) {
    owner->logResult(false, seconds, text, 0);
}

void cQuerySlot::logError(double seconds, char const* text, char const* stmt) {
    if ((!text || !*text) && stmt && bgCanceled())
        text = kBgCanceled;
    owner->logResult(true, seconds, text && *text ? text : kNoMessage, stmt);
}

void cQuerySlot::closeTablesDialog() {
    HWND& d = owner->tablesDlg[number - 1];
    if (d) {
        DestroyWindow(d);
        d = 0;
    }
}

/* ---- statements ---- */

std::string cQuerySlot::statementAt(int* line) {
    int pos;
    if (line && *line >= 0) {
        pos = edLineIndex(edit, *line);
        if (pos < 0)
            pos = edTextLength(edit);
    } else {
        pos = edCaret(edit);
    }
    std::string fetched;
    std::string const& text = running ? runText : (fetched = edText(edit));
    if (line && *line >= 0)
        pos = runStartOnLine(text.data(), (int)text.size(), pos, running ? &runQuiet : 0);
    cEditLines lines(edit);
    int endLine = -1;
    std::string s = findStatement(text.data(), (int)text.size(), pos, lines, &endLine,
                                  running ? &runQuiet : 0);
    if (line && endLine >= 0)
        *line = endLine;
    return s;
}

bool cQuerySlot::executeAtCaret(int* line) {
    std::string s = statementAt(line);
    // Comments before a statement would hide its keyword (and some drivers refuse them).
    s.erase(0, leadingCommentLength(s));
    strfrdux(&statement, (void*)s.c_str());
    // The keyword test reads the statement as one line; the data source gets it as written,
    // so line comments and line breaks inside quoted text keep their meaning.
    std::string flat = s;
    flattenBlanks(flat);
    eStmtKind kind = statementKind(flat.c_str());
    if (kind == STMT_EMPTY)
        return true;
    if (kind == STMT_CONNECT) {
        strfrdux(&statement, (void*)flat.c_str());
        return connectCommand();
    }
    if (!connected || !db->isConnected()) {
        logError(0, kNotConnected, 0);
        return false;
    }
    switch (kind) {
    case STMT_DISCONNECT:
        return disconnect(false);
    case STMT_COMMIT:
        return commit();
    case STMT_ROLLBACK:
        return rollback();
    case STMT_SELECT:
        return executeSelect(s.c_str());
    case STMT_STOP:
        return false;
    default:
        return executeCommand();
    }
}

namespace {

/* True when an Esc key press waits in the queue (it is taken out). */
bool escapeQueued() {
    MSG m;
    if (!PeekMessageA(&m, 0, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD) ||
        m.wParam != VK_ESCAPE)
        return false;
    PeekMessageA(&m, m.hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE | PM_NOYIELD);
    return true;
}

/* How often a running script looks for Esc, in milliseconds. */
DWORD const kEscapePoll = 50;

}  // namespace

void cQuerySlot::runFromLine(int line) {
    runText = edText(edit);
    runQuiet = quietSpans(runText.data(), (int)runText.size());
    running = true;
    int count = edLineCount(edit);
    DWORD looked = GetTickCount() - kEscapePoll;
    bool first = true;
    for (;;) {
        if (line >= count) {
            edCaretToLineEnd(edit, count - 1, true);
            break;
        }
        // Between statements (not before the first) Esc ends the run.
        if (!first && GetTickCount() - looked >= kEscapePoll) {
            looked = GetTickCount();
            if (escapeQueued()) {
                edCaretToLineEnd(edit, line > 0 ? line - 1 : 0, true);
                owner->logResult(true, 0, kEscapeStop, 0);
                break;
            }
        }
        first = false;
        edCaretToLineEnd(edit, line, false);
        UpdateWindow(edit);  // the lines scrolled in, before the statement holds the thread
        int before = line;
        // A statement the user canceled ends the run even when it got done first.
        bgForgetCancel();
        if (!executeAtCaret(&line) || bgCanceled()) {
            edCaretToLineEnd(edit, line, true);
            break;
        }
        if (line < before)
            line = before;
        line++;
    }
    running = false;
    runText.clear();
    runText.shrink_to_fit();
    runQuiet.clear();
}

bool cQuerySlot::executeCommand() {
    bool ok;
    bool rows = false;
    double seconds;
    {
        cWaitCursor wait;
        cBgStatement bg(owner->hwnd);
        timerStart();
        ok = db->prepare(statement) && bgExecute(db);
        seconds = timerStop();
        if (ok) {
            rows = db->colCount() > 0;
            db->finish();  // a statement that returned rows must not keep its cursor open
        }
    }
    if (!ok) {
        logError(0, db->errorStr(), statement);
        return false;
    }
    logOk(seconds, statement);
    noteInfo();
    if (rows)  // "with ... select", "values", "show": the grid still holds the last result
        owner->logResult(false, 0, kRowsNotShown, 0);
    if (owner->settings.b_commit_always)
        return commit();
    return true;
}

bool cQuerySlot::executeSelect(char const* sql) {
    cResultGrid* g = owner->shownGrid();
    bool ok;
    double seconds;
    {
        cWaitCursor wait;
        cBgStatement bg(owner->hwnd);
        timerStart();
        std::string flat(sql);
        flattenBlanks(flat);
        g->hasUnion = xistrstr((char*)flat.c_str(), (char*)"union select") != 0 ||
                      cStatementModel::isUnion(sql);
        ok = g->loadSelect(sql, false);
        seconds = timerStop();
        owner->showRowCounts(true);
    }
    if (ok) {
        logOk(seconds, sql);
        noteInfo();
    } else {
        logError(0, g->lastError(), sql);
    }
    owner->noteLoad(g);
    return ok;
}

/* What the driver said with the statement's success (PostgreSQL's notices and warnings). */
void cQuerySlot::noteInfo() {
    char const* info = db->infoStr();
    if (info && *info)
        owner->logResult(false, 0, info, 0);
}

bool cQuerySlot::commit() {
    bool ok;
    double seconds;
    {
        cWaitCursor wait;
        timerStart();
        ok = db->commit() != 0;
        seconds = timerStop();
    }
    if (ok)
        logOk(seconds, "Commit");
    else
        logError(0, db->errorStr(), 0);
    return ok;
}

bool cQuerySlot::rollback() {
    if (db->commitsEach()) {
        logError(0, kCommitsEach, 0);  // an OK would claim the statements undone
        return false;
    }
    bool ok;
    double seconds;
    {
        cWaitCursor wait;
        timerStart();
        ok = db->rollback() != 0;
        seconds = timerStop();
    }
    if (ok)
        logOk(seconds, "Rollback");
    else
        logError(0, db->errorStr(), 0);
    return ok;
}

bool cQuerySlot::connectCommand() {
    std::string s, u, p;
    if (!parseConnect(statement, s, u, p)) {
        logError(0, "There is no matching DSN!", 0);
        return false;
    }
    return connectTo(s.c_str(), u.c_str(), p.c_str());
}

bool cQuerySlot::connectTo(char const* source, char const* userName, char const* password) {
    if (!disconnect(true))
        return false;
    double seconds = 0;
    // Without a name the driver manager would pick a default data source the slot does not
    // name; that is no connection the user asked for.
    bool named = source && *source;
    if (named) {
        cWaitCursor wait;
        timerStart();
        db->connect(source, userName, password, 0);
        seconds = timerStop();
    }
    if (!named || !db->isConnected()) {
        if (db->isConnected())
            db->disconnect();
        std::string why("Cannot connect!");
        char const* reason = named ? db->errorStr() : "";
        if (reason && *reason) {
            why += "  ";
            why += reason;
        }
        owner->logResult(true, seconds, why.c_str(), 0);
        return false;
    }
    connected = true;
    strfrdux(&dsn, (void*)source);
    strfrdux(&user, (void*)userName);
    strfrdux(&pswd, (void*)password);
    logOk(seconds, "Connect");
    if (db->commitsEach())
        owner->logResult(false, 0, kCommitsEach, 0);
    grid()->setConnection(db);
    closeTablesDialog();
    owner->showRowCounts(true);
    return true;
}

bool cQuerySlot::disconnect(bool silent, bool* workEnded, bool mayAsk) {
    if (workEnded)
        *workEnded = true;
    {
        cWaitCursor wait;
        if (db->isConnected()) {
            bool ended = (owner->settings.bImplicitRollback ? db->rollback() : db->commit()) != 0;
            if (workEnded)
                *workEnded = ended;
            if (!ended) {
                // The work was not committed (or rolled back) as the setting asks: say so, and
                // keep a connection that still holds it unless the user lets it go. A driver
                // can stay in that state for good (SQLite after a failed commit).
                logError(0, db->errorStr(), 0);
                if (db->isConnected()) {
                    if (!mayAsk || !letWorkGo())
                        return false;
                    if (workEnded)
                        *workEnded = true;
                }
            }
            db->disconnect();
        }
        connected = false;
        strfrdux(&dsn, (void*)"");
        strfrdux(&user, (void*)"");
        strfrdux(&pswd, (void*)"");
    }
    if (!silent)
        logOk(0, "Disconnect");
    closeTablesDialog();
    owner->showRowCounts(true);
    return true;
}

bool cQuerySlot::letWorkGo() {
    char box[1024];
    snprintf(box, sizeof box,
             "The implicit %s of Q%d failed:\r\n%.600s\r\n\r\nDisconnect anyway? What the "
             "transaction holds is lost.",
             owner->settings.bImplicitRollback ? "rollback" : "commit", number,
             db->errorStr() ? db->errorStr() : "");
    return vorMessageBox(owner->hwnd, box, "Lumbra",
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void cQuerySlot::resyncConnection() {
    connected = db->isConnected() != 0;
    strfrdux(&dsn, (void*)db->dsn());
    strfrdux(&user, (void*)db->user());
    strfrdux(&pswd, (void*)db->pswd());
}

/* ---- script files ---- */

bool cQuerySlot::askSave() {
    if (!modified)
        return true;
    std::string q = saveQuestion(fileName, number);
    int answer = vorMessageBox(owner->hwnd, q.c_str(), "Lumbra",
                               MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return false;
    if (answer == IDYES)
        return saveScript();
    return true;
}

bool cQuerySlot::newScript() {
    if (!askSave())
        return false;
    edClear(edit);
    fileName[0] = 0;
    fileTime = fileBytes = 0;
    modified = false;
    refreshTitle();
    SetFocus(edit);
    return true;
}

bool cQuerySlot::openScript() {
    if (!askSave())
        return false;
    char name[MAX_PATH + 1] = "";
    if (!getFilename(owner->hwnd, name, 'o', kScriptFilter, 1, "sql", "Open SQL script", 0))
        return false;
    return openFile(name);
}

bool cQuerySlot::saveScript() {
    if (fileName[0])
        return saveFile(fileName);
    return saveScriptAs();
}

bool cQuerySlot::saveScriptAs() {
    char name[MAX_PATH + 1] = "";
    if (!getFilename(owner->hwnd, name, 's', kScriptFilter, 1, "sql", "Save script as...", 0))
        return false;
    return saveFile(name);
}

namespace {

/* Whether this platform's edit control starts a new line at a lone LF (Wine's does;
   the classic Windows one does not), asked once of a hidden control. */
bool lfBreaksLines() {
    static int known = -1;
    if (known < 0) {
        HWND e = CreateWindowExA(0, "EDIT", "a\nb", WS_POPUP | ES_MULTILINE, 0, 0, 100, 100, 0,
                                 0, 0, 0);
        known = e && SendMessageA(e, EM_GETLINECOUNT, 0, 0) == 2;
        if (e)
            DestroyWindow(e);
    }
    return known == 1;
}

}  // namespace

bool cQuerySlot::openFile(char const* name) {
    cWaitCursor wait;
    // The full path is what Save writes back to: a relative one would follow the current
    // directory, which the file dialogs move. A device ("nul.sql" is NUL) or a directory
    // is no script.
    char full[MAX_PATH];
    DWORD n = name && *name ? GetFullPathNameA(name, sizeof full, full, 0) : 0;
    DWORD attr = n > 0 && n < sizeof full ? GetFileAttributesA(full) : INVALID_FILE_ATTRIBUTES;
    bool plain = attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY) &&
                 strncmp(full, "\\\\.\\", 4) != 0;
    FILE* f = plain ? fopen(full, "rb") : 0;
    if (!f) {
        vorMessageBox(owner->hwnd, "Cannot open this file!", "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0)
        size = ftell(f);
    fseek(f, 0, SEEK_SET);
    if (size > kMaxScriptFile) {
        fclose(f);
        char text[200];
        snprintf(text, sizeof text,
                 "This file is too large for the editor: it holds %ld bytes, the editor takes "
                 "at most %ld MB.\r\n\r\nRun it with Run External Script instead.",
                 size, kMaxScriptFile / (1024 * 1024));
        vorMessageBox(owner->hwnd, text, "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    char* buf = size >= 0 ? (char*)mallox((int)size + 1) : 0;
    if (!buf) {
        fclose(f);
        vorMessageBox(owner->hwnd, "Not enough memory to open this file!", "Lumbra",
                      MB_OK | MB_ICONSTOP);
        return false;
    }
    size_t got = fread(buf, 1, (size_t)size, f);
    bool readAll = got == (size_t)size && !ferror(f);
    fclose(f);
    buf[got] = 0;
    if (!readAll) {
        freex(buf);
        vorMessageBox(owner->hwnd, "Cannot open this file!", "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    std::string text = crLineEnds(buf, got);
    freex(buf);
    // Nothing is loaded that the editor would cut (a NUL byte), take minutes to show, or that
    // would end the program in Wine's text shaping.
    size_t at = 0;
    eScriptProblem problem = scriptTextProblem(text.data(), text.size(), kMaxEditorLine,
                                               lfBreaksLines(), &at);
    if (problem != SCRIPT_OK) {
        char box[400];
        if (problem == SCRIPT_BINARY)
            snprintf(box, sizeof box,
                     "This file holds binary data and cannot be edited as a script."
                     "\r\n\r\nThe first zero byte is at offset %lu.", (unsigned long)at);
        else if (problem == SCRIPT_UTF16)
            snprintf(box, sizeof box,
                     "This file is UTF-16 text, which the editor does not read.\r\n\r\nSave it "
                     "as ANSI text (code page 1250) in another editor.");
        else if (problem == SCRIPT_SHAPING)
            snprintf(box, sizeof box,
                     "Line %lu of this file holds a caron, ogonek or double acute accent that "
                     "follows no letter: this system's text display would end the program on "
                     "it.\r\n\r\nRun the file with Run External Script instead.", (unsigned long)at);
        else
            snprintf(box, sizeof box,
                     "This file has a line of %lu characters; the editor takes lines of at most "
                     "%lu characters.\r\n\r\nRun it with Run External Script instead.",
                     (unsigned long)at, (unsigned long)kMaxEditorLine);
        vorMessageBox(owner->hwnd, box, "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    SetWindowTextA(edit, text.c_str());
    lstrcpynA(fileName, full, sizeof fileName);
    rememberFileStamp();
    // Line ends made CR LF: the text is no longer the file's, and Save would write it so.
    modified = text.size() != got;
    if (modified)
        owner->logResult(false, 0,
                         "The file's lone CR line ends are CR LF in the editor; saving writes "
                         "them so.",
                         0);
    refreshTitle();
    if (owner->recentFiles)
        owner->recentFiles->addFilename(fileName);
    SetFocus(edit);
    return true;
}

namespace {

/* Last write time and size of a file; false when it cannot be read (there is none). */
bool fileStamp(char const* name, unsigned long long* time, unsigned long long* bytes) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!name || !*name || !GetFileAttributesExA(name, GetFileExInfoStandard, &a))
        return false;
    *time = ((unsigned long long)a.ftLastWriteTime.dwHighDateTime << 32) | a.ftLastWriteTime.dwLowDateTime;
    *bytes = ((unsigned long long)a.nFileSizeHigh << 32) | a.nFileSizeLow;
    return true;
}

}  // namespace

void cQuerySlot::rememberFileStamp() {
    if (!fileStamp(fileName, &fileTime, &fileBytes))
        fileTime = fileBytes = 0;
}

bool cQuerySlot::saveFile(char const* name) {
    cWaitCursor wait;
    if (!name || !*name) {
        vorMessageBox(owner->hwnd, "Cannot save this file!", "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    /* Another program changed the file since it was opened or saved here: its change would
       be lost without a word. */
    unsigned long long t = 0, n = 0;
    if (fileTime && lstrcmpiA(name, fileName) == 0 && fileStamp(name, &t, &n) &&
        (t != fileTime || n != fileBytes) &&
        vorMessageBox(owner->hwnd,
                      "This file was changed by another program since Lumbra opened or saved "
                      "it.\r\n\r\nReplace it with the script?",
                      "Lumbra", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    std::string text;
    try {
        text = edText(edit);
    } catch (std::bad_alloc const&) {
        vorMessageBox(owner->hwnd, "Not enough memory to save this file!", "Lumbra",
                      MB_OK | MB_ICONSTOP);
        return false;
    }
    if (vorReplaceFile(name, text.data(), text.size()) != 1) {
        vorMessageBox(owner->hwnd, "Cannot save this file!", "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    if (name != fileName)
        lstrcpynA(fileName, name, sizeof fileName);
    rememberFileStamp();
    modified = false;
    refreshTitle();
    if (owner->recentFiles)
        owner->recentFiles->addFilename(fileName);
    if ((long long)text.size() > kMaxScriptFile) {
        char note[300];
        snprintf(note, sizeof note,
                 "The script was saved whole: %lu bytes.\r\n\r\nThe editor opens files of at "
                 "most %ld MB: run this one with Run External Script.",
                 (unsigned long)text.size(), kMaxScriptFile / (1024 * 1024));
        vorMessageBox(owner->hwnd, note, "Lumbra", MB_OK | MB_ICONINFORMATION);
    }
    return true;
}

void cQuerySlot::refreshTitle() {
    // The title tells of the shown slot: a hidden one (saved while closing) leaves it to it.
    cQuerySlot* shown = owner->slots[owner->shown()];
    if (shown != this) {
        if (shown)
            shown->refreshTitle();
        return;
    }
    std::string t = slotWindowTitle(number, dsn, user, fileName);
    // Every statement refreshes the title; setting an unchanged one still costs the window
    // manager a round trip.
    std::string now(t.size() + 2, '\0');
    int n = GetWindowTextA(owner->hwnd, &now[0], (int)now.size());
    if (n == (int)t.size() && now.compare(0, n, t) == 0)
        return;
    SetWindowTextA(owner->hwnd, t.c_str());
}

void cQuerySlot::setHScroll(bool on) {
    LONG style = GetWindowLongA(edit, GWL_STYLE);
    bool has = (style & WS_HSCROLL) != 0;
    if (has == on)
        return;
    SetWindowLongA(edit, GWL_STYLE, on ? (style | WS_HSCROLL) : (style & ~WS_HSCROLL));
    RECT r;
    GetRelWinRect(edit, owner->hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    MoveWindow(edit, r.left, r.top, w, h > 0 ? h - 1 : 0, FALSE);
    MoveWindow(edit, r.left, r.top, w, h, TRUE);
}

void cQuerySlot::onChange() {
    if (modified)
        return;
    modified = true;
    refreshTitle();
}
