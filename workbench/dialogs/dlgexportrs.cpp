/* Export Resultset: see dlgexportrs.h. */
#include "dlgexportrs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "dlgjob.h"
#include "dlgjobsrc.h"
#include "outfmt.h"
#include "queryslot.h"
#include "querywin.h"
#include "rerovar.h"
#include "safefile.h"
#include "stmtfind.h"
#include "strx.h"
#include "values.h"
#include "winutil.h"
#include "xdbc.h"

namespace {

char const kCaption[] = "Export";
char const kNoMemory[] = "Not enough memory to export resultset.";
const int kLineBuffer = 10001;  // first size of the line buffer; it grows for longer rows
const int kMaxTable = 100;

/* The one export of the program, shared by the dialog and its worker. While the worker
   runs the dialog writes only `stop`; it reads the results after the worker has ended. */
struct cExportJob {
    std::string sql;             // the statement
    std::string file;            // output file
    std::string table;           // table name of INSERT statements
    short format;                // OUTFMT_CSV, OUTFMT_HTML or OUTFMT_INSERT
    char sep;                    // CSV separator
    cXdbc* db;                   // the shown slot's connection
    short blobChars;             // long data as its first characters; 0: "BLOB"
    HWND dlg;                    // the dialog the worker reports to
    HANDLE thread;               // the worker, 0 when none
    volatile char stop;          // the stop request
    volatile long rows;          // rows written
    long cuts;                   // values written cut at the length the driver hands over
    int stopAfter;               // test hook: worker sets stop after this many rows
    bool ok;                     // the export ended without failure
    bool stopped;                // ... and was stopped
    std::string errText;         // failure: message box text and caption
    std::string errCaption;
};

cExportJob job;
cJobStatement exportStatement;  // Stop cancels the statement while it executes

struct cExportDlg {
    HWND hwnd;
    cXQueryWindow* main;
    int rows;                    // last count shown
};

cExportDlg dlg;

/* Controls disabled while an export runs. */
const int kBusyControls[] = {IDC_EXP_CSV, IDC_EXP_HTML, IDC_EXP_INSERT, IDC_EXP_COMMA,
                             IDC_EXP_SEMICOLON, IDC_EXP_COLON, IDC_EXP_PIPE, IDC_EXP_TAB,
                             IDC_EXP_FILE, IDC_EXP_BROWSE, IDC_EXP_SAVE, IDC_EXP_VIEW};

bool checked(HWND w, int id) { return IsDlgButtonChecked(w, id) == BST_CHECKED; }

short formatOf(HWND w) {
    if (checked(w, IDC_EXP_HTML))
        return OUTFMT_HTML;
    if (checked(w, IDC_EXP_INSERT))
        return OUTFMT_INSERT;
    return OUTFMT_CSV;
}

void fail(char const* text, char const* caption = kCaption) {
    job.errText = text;
    job.errCaption = caption;
}

void driverFail() {
    char const* e = job.db->errorStr();
    fail(e && *e ? e : "The data source reported a failure without a message.", "SQL Error");
}

/* Column i of the fetched row as it is written, read straight from the row's buffer:
   numbers (and dates in statements, sql) as the data source wrote them, dates by their
   default picture; null tells a NULL from an empty text, bytes the driver's hex text of
   binary data (1, or 2 when it is cut). 0 when the value has to go through a value object. */
char const* fieldText(cXdbc* db, int i, int t, char* digits, int size, bool sql, bool* null,
                      int* bytes) {
    xcolData d;
    *null = false;
    *bytes = 0;
    if (!db->colData(i, &d))
        return 0;
    if (d.null) {
        *null = true;
        return "";
    }
    if (d.kind == 7 && sql)
        *bytes = d.cut ? 2 : 1;  // a cut value is refused, not counted
    else if (d.cut && (t != 8 || sql))
        job.cuts++;  // long data ("BLOB" or its first characters) goes by its own rule
    if (t == 1 && d.kind == 1)
        return numbex_print(d.number, numbex_bestDecimals(d.number), digits, size) >= 0 ? digits : 0;
    if (t == 4 && d.kind >= 3 && d.kind <= 5)
        return ctimex(d.when, sql ? outfmt_sqlTimePicture((short)(d.kind - 3))
                                  : cDatex::getDefaultFormat((short)(d.kind - 3)));
    if (d.kind == 2 || d.kind == 6 || d.kind == 7)
        return d.text;  // also a number or a date fetched as text
    return 0;
}

/* Binary data as a statement writes it: the standard's X'...' of the hex digits the driver
   gave (bare, or written X'...', \x... or 0x...); PostgreSQL reads its bytea from '\x...'.
   "" when the text is no such digits: the bytes cannot be told, and a quoted text would load
   other bytes. */
bool hexMarked(char const* s) { return (s[0] == 'X' || s[0] == 'x') && s[1] == '\''; }

std::string binaryLiteral(char const* s, bool postgres) {
    std::string h(s);
    if (h.size() >= 3 && hexMarked(s) && h.back() == '\'')
        h = h.substr(2, h.size() - 3);
    else if (h.size() >= 2 && (h[0] == '\\' || h[0] == '0') && (h[1] == 'x' || h[1] == 'X'))
        h = h.substr(2);
    if (h.size() % 2 || h.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::string();
    return (postgres ? "'\\x" : "X'") + h + "'";
}

/* The export itself; true on success (stopped or not). */
bool exportRows() {
    cSafeFile out;
    if (!out.open(job.file.c_str())) {
        fail("Cannot open file.");
        return false;
    }
    outfmtLayout const* layout = outfmt_get(OUTFMT_RESULTSET, job.format);
    cOutRow row;
    row.init(layout, job.sep, job.table.c_str());
    if (!layout || !row.reserve(kLineBuffer)) {
        fail(kNoMemory);
        return false;
    }
    cXdbc* db = job.db;
    bool const sql = job.format == OUTFMT_INSERT;
    /* Numbers as the data source writes them: a double would round big integers and
       decimals; statements also take dates so, with their fractions. */
    bool ran = db->prepare(job.sql.c_str());
    if (ran) {
        db->fetchAsText(sql ? 1 | 4 : 1);
        ran = exportStatement.execute(db);
    }
    // Stop cancelled the statement while it ran: a stop before the first row.
    if (!ran && !(job.stop && exportStatement.cancelled())) {
        driverFail();
        db->finish();
        return false;
    }
    int cols = ran ? db->colCount() : 0;
    int* types = (int*)mallox(sizeof(int) * (cols > 0 ? cols : 1));
    if (!types) {
        db->finish();
        fail(kNoMemory);
        return false;
    }
    for (int i = 0; i < cols; i++)
        types[i] = db->colType(i);
    bool ok = true;
    if (layout->head) {
        ok = row.page(layout->head) && row.titleStart();
        for (int i = 0; ok && i < cols; i++)
            ok = row.title(db->colName(i));
        ok = ok && row.titleEnd();
    }
    if (!ok)
        fail(kNoMemory);
    if (ok && row.length() && !out.write(row.data(), row.length())) {
        fail("Cannot write to the file.");
        ok = false;
    }
    row.clear();

    cNumbex num;
    cDatex date;
    cStrinx text;
    char digits[64];
    DWORD shown = GetTickCount();
    std::string refused;  // why a value cannot be written
    cStrinx dbms;
    char const* name = sql && db->getInfo(&dbms, 0, 0) ? dbms.toChars(0, false) : 0;
    bool const postgres = name && strstr(name, "PostgreSQL");
    bool const sqlite = name && strstr(name, "SQLite");  // writes its blobs as X'...'

    while (ok && !job.stop) {
        if (!db->fetchNext()) {
            if (db->error()) {
                driverFail();
                ok = false;
            }
            break;
        }
        ok = row.start();
        for (int i = 0; ok && i < cols; i++) {
            int t = types[i];
            bool null;
            int bytes;
            char const* s = fieldText(db, i, t, digits, sizeof digits, sql, &null, &bytes);
            int n = -1;
            // SQLite keeps any value in a blob column: one not written X'...' is a text.
            if (s && bytes && !null && sqlite && !hexMarked(s)) {
                if (bytes == 2)
                    job.cuts++;
                bytes = 0;
            }
            if (s && bytes && !null) {
                std::string x = bytes == 1 ? binaryLiteral(s, postgres) : std::string();
                if (x.empty()) {
                    char where[160];
                    snprintf(where, sizeof where, "Row %ld, column ", job.rows + 1);
                    refused = where + std::string(db->colName(i)) +
                              (bytes == 2 ? ": the binary value's hex text is longer than the " +
                                                std::to_string(XDB_TEXT_MAX) +
                                                " characters the export reads, and a cut value "
                                                "would load other bytes."
                                          : ": binary data that cannot be written as a "
                                            "statement's value.");
                    break;
                }
                ok = row.raw(x.c_str());
                continue;
            }
            if (!s && t == 1) {
                db->colValue(i, num);
                null = num.isNull();
                s = null ? "" : num.toChars("BEST_FMT", true);
            } else if (!s && t == 4) {
                db->colValue(i, date);
                null = date.isNull();
                s = null ? ""
                    : ctimex(date.unpack(),
                             sql ? outfmt_sqlTimePicture(date.getDatexType()) : date.getFormat());
            } else if (!s) {
                db->colValue(i, text);
                null = text.isNull();
                s = null ? "" : text.toChars(0, false);
                if (!s)
                    s = "";
            }
            /* A statement writes long data whole, as it writes every other text. */
            if (t == 8 && *s && !sql) {
                if (job.blobChars <= 0) {
                    s = "BLOB";
                } else {
                    n = (int)strlen(s);
                    if (n > job.blobChars)
                        n = job.blobChars;
                }
            }
            // An empty text is no NULL to the data sources a statement goes to.
            ok = sql && !*s && !null && (t == 2 || t == 8) ? row.raw("''") : row.field(s, n, t, 0);
        }
        if (!refused.empty()) {
            fail(refused.c_str());
            ok = false;
            break;
        }
        ok = ok && row.end();
        if (!ok) {
            fail(kNoMemory);
            break;
        }
        if (!out.write(row.data(), row.length())) {
            fail("Cannot write to the file.");
            ok = false;
            break;
        }
        row.clear();
        long written = job.rows + 1;
        job.rows = written;
        if (job.stopAfter && written == job.stopAfter)
            job.stop = 1;
        DWORD now = GetTickCount();
        if (now - shown >= EXPORT_PROGRESS_MS) {
            shown = now;
            SendMessageA(job.dlg, WM_JOBSTEP, 0, (LPARAM)written);
        }
    }
    freex(types);
    db->finish();
    if (!ok)
        return false;
    if (layout->foot && !out.write(layout->foot)) {
        fail("Cannot write to the file.");
        return false;
    }
    if (!out.commit()) {
        fail("Cannot write to the file.");
        return false;
    }
    return true;
}

DWORD WINAPI exportWorker(LPVOID) {
    job.ok = exportRows();
    job.stopped = job.ok && job.stop;
    SendMessageA(job.dlg, WM_JOBSTEP, 0, (LPARAM)job.rows);
    PostMessageA(job.dlg, WM_JOBSTEP, 1, (LPARAM)job.ok);
    return 0;
}

void setBusy(HWND w, bool busy) {
    for (int id : kBusyControls)
        EnableWindow(GetDlgItem(w, id), !busy);
    SetDlgItemTextA(w, IDCANCEL, busy ? "Stop" : "Close");
    if (busy)
        SetFocus(GetDlgItem(w, IDCANCEL));  // Save, disabled, dropped it: Esc stops
}

void onInit(HWND w, char const* sql) {
    dlg.hwnd = w;
    dlg.rows = 0;
    vorShowText(GetDlgItem(w, IDC_EXP_SQL), sql, false);  // accents Wine's shaping faults on
    centerDialog(w, dlg.main->hwnd);
    dlg.main->enableUi(false, false);
    CheckRadioButton(w, IDC_EXP_CSV, IDC_EXP_INSERT, IDC_EXP_CSV);
    CheckRadioButton(w, IDC_EXP_COMMA, IDC_EXP_TAB, IDC_EXP_COMMA);
    SetDlgItemTextA(w, IDC_EXP_FILE, "c:\\export.txt");
    SendDlgItemMessageA(w, IDC_EXP_FILE, EM_LIMITTEXT, MAX_PATH, 0);
    SendDlgItemMessageA(w, IDC_EXP_SQL, EM_LIMITTEXT, 0, 0);
    ShowWindow(GetDlgItem(w, IDC_EXP_TABLELABEL), SW_HIDE);
    ShowWindow(GetDlgItem(w, IDC_EXP_TABLE), SW_HIDE);
    SendDlgItemMessageA(w, IDC_EXP_TABLE, EM_LIMITTEXT, kMaxTable, 0);
    SetFocus(GetDlgItem(w, IDC_EXP_SAVE));
}

void onSave(HWND w) {
    // The statement whole: a cut one would export another result (its last condition gone).
    std::string sql = vorShownText(GetDlgItem(w, IDC_EXP_SQL));
    char file[MAX_PATH + 1];
    GetDlgItemTextA(w, IDC_EXP_FILE, file, sizeof file);
    char table[kMaxTable + 1];
    GetDlgItemTextA(w, IDC_EXP_TABLE, table, sizeof table);
    short format = formatOf(w);
    char const* refuse = 0;
    // Only a SELECT: an export must not change data on the slot's connection.
    std::string flat = sql.substr(std::min(leadingCommentLength(sql), sql.size()));
    flattenBlanks(flat);
    if (sql.size() < 15 || statementKind(flat.c_str()) != STMT_SELECT)
        refuse = "Please enter a SELECT statement!";
    else if (!file[0])
        refuse = "Please enter a filename!";
    else if (format == OUTFMT_INSERT && !table[0])
        refuse = "Please enter a tablename!";
    else if (format == OUTFMT_INSERT && !outfmt_tableNameOk(table))
        refuse = "Invalid tablename!";  // written into every statement as typed: one name only
    // A refused Save leaves no line of an earlier export beside it.
    SetDlgItemTextA(w, IDC_EXP_INFO, "0");
    if (refuse) {
        vorMessageBox(w, refuse, kCaption, MB_OK | MB_ICONSTOP);
        return;
    }
    job.sql = sql;
    job.file = file;
    job.table = table;
    job.format = format;
    job.sep = checked(w, IDC_EXP_TAB) ? '\t' : checked(w, IDC_EXP_SEMICOLON) ? ';'
            : checked(w, IDC_EXP_COLON) ? ':' : checked(w, IDC_EXP_PIPE) ? '|' : ',';
    job.db = dlg.main->shownSlot()->db;
    job.blobChars = dlg.main->settings.blobChars();
    job.dlg = w;
    job.rows = 0;
    job.cuts = 0;
    job.stop = 0;
    job.ok = false;
    job.stopped = false;
    job.errText.clear();
    job.errCaption.clear();
    setBusy(w, true);
    DWORD id;
    job.thread = CreateThread(0, 0, exportWorker, 0, 0, &id);
    if (!job.thread) {
        setBusy(w, false);
        vorMessageBox(w, kNoMemory, kCaption, MB_OK | MB_ICONSTOP);
    }
}

void onStep(HWND w, WPARAM kind, LPARAM lp) {
    if (kind == 0) {
        dlg.rows = (int)lp;
        char b[16];
        snprintf(b, sizeof b, "%d", dlg.rows);
        SetDlgItemTextA(w, IDC_EXP_INFO, b);
        return;
    }
    if (kind != 1 || !job.thread)
        return;
    WaitForSingleObject(job.thread, INFINITE);
    CloseHandle(job.thread);
    job.thread = 0;
    setBusy(w, false);
    if (job.ok) {
        char b[96];
        snprintf(b, sizeof b, "%s   Successfuly exported: %ld rows.",
                 job.stopped ? "[STOP]" : "[OK]", (long)job.rows);
        SetDlgItemTextA(w, IDC_EXP_INFO, b);
        if (job.cuts > 0) {
            // The file holds them cut: a complete export must not be assumed.
            snprintf(b, sizeof b, "%ld %s longer than %d characters\r\nand %s written cut.",
                     job.cuts, job.cuts == 1 ? "value was" : "values were", XDB_TEXT_MAX,
                     job.cuts == 1 ? "is" : "are");
            vorMessageBox(w, b, kCaption, MB_OK | MB_ICONEXCLAMATION);
        }
    } else {
        SetDlgItemTextA(w, IDC_EXP_INFO, "0");  // the rows counted so far went nowhere
        vorMessageBox(w, job.errText.c_str(), job.errCaption.c_str(), MB_OK | MB_ICONSTOP);
        if (dlg.main)
            dlg.main->logLostConnections();
    }
    dlg.rows = 0;
    SetFocus(GetDlgItem(w, IDC_EXP_SAVE));
}

void onBrowse(HWND w) {
    if (checked(w, IDC_EXP_HTML))
        browseFileInto(w, IDC_EXP_FILE, 's',
                       "All files (*.*)\0*.*\0HTML files (*.htm, *.html)\0*.htm;*.html\0", 2, "htm",
                       "Save as...");
    else
        browseFileInto(w, IDC_EXP_FILE, 's',
                       "All files (*.*)\0*.*\0Text files (*.txt, *.csv, *.sql)\0*.txt;*.csv;*.sql\0",
                       2, "txt", "Save as...");
}

/* The dialog goes while an export runs (its owner was destroyed): stop the worker at the
   next row, serving its messages meanwhile. */
void abortWorker() {
    if (job.thread) {
        job.stop = 1;
        exportStatement.cancel();
    }
    joinJobWorker(job.thread);
}

INT_PTR CALLBACK exportDlgProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_INITDIALOG:
        onInit(w, (char const*)lp);
        return FALSE;  // Save has the focus
    case WM_JOBSTEP:
        if (dlg.hwnd == w)
            onStep(w, wp, lp);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_EXP_CSV:
        case IDC_EXP_HTML:
        case IDC_EXP_INSERT:
            SetDlgItemTextA(w, IDC_EXP_INFO, "");
            DlgTaxExp_enableGroupSep(w);
            return TRUE;
        case IDC_EXP_BROWSE:
            onBrowse(w);
            return TRUE;
        case IDC_EXP_VIEW:
            SetDlgItemTextA(w, IDC_EXP_INFO, "");
            DlgTaxExp_preview(w);
            return TRUE;
        case IDC_EXP_SAVE:
            if (!job.thread)
                onSave(w);
            return TRUE;
        case IDCANCEL:
            if (job.thread) {
                job.stop = 1;
                exportStatement.cancel();
            } else
                DestroyWindow(w);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        abortWorker();
        if (dlg.hwnd == w) {
            dlg.hwnd = 0;
            releaseJobOwner(dlg.main, false);
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

HWND openExportDialog(cXQueryWindow* main, char const* sql) {
    if (dlg.hwnd || job.thread || !main)
        return 0;
    return openJobDialog(dlg.main, main, "DLG_EXPORTRESULTSET", exportDlgProc, (LPARAM)sql);
}

HWND exportDialog() { return dlg.hwnd; }

bool exportBusy() { return job.thread != 0; }

void exportStopAfterRows(int rows) { job.stopAfter = rows; }
