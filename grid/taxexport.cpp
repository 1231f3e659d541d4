/* Export of the grid's visible rows as separated values, fixed-length columns, an HTML
   table or insert statements, to a file or the clipboard; the export dialog. */
#include "taxint.h"

#include <stdio.h>
#include <string.h>

#include "gridrc.h"
#include "outfmt.h"
#include "safefile.h"
#include "winutil.h"

namespace {

/* Bytes gathered before they are written to the file. */
const int kFlushAt = 1 << 16;

void exportError(HWND owner, char const* text, char const* caption) {
    vorMessageBox(owner, text, caption, MB_OK | MB_ICONERROR);
}


}  // namespace

/* Text of cell (row, column index c) as the grid shows it; "" for a null value. */
static char const* cellText(cRerovar* g, cTaxRow* row, short c, int* typex, bool sql = false) {
    cTaxit* it = row->item(c);
    *typex = 2;
    if (!it || !it->value)
        return "";
    *typex = it->value->type();
    if (it->value->null)
        return "";
    if (sql && *typex == 4) {
        // Dates in statements in one form: a shown "05.01.2024" is read as May 5th elsewhere.
        // Date or time as the column shows it; its picture outlives the values' own kinds.
        cDatex* d = static_cast<cDatex*>(it->value);
        short kind = d->getDatexType();
        char const* f = g->cols[c]->format;
        if (f && *f) {
            bool date = strpbrk(f, "DMY") != 0, time = strpbrk(f, "hms") != 0;
            kind = date && !time ? 1 : time && !date ? 2 : date ? 0 : kind;
        }
        return ctimex(d->unpack(), outfmt_sqlTimePicture(kind));
    }
    if (sql && *typex == 1) {
        // Statements load the value, not the rounded one the column shows ("%.2f").
        static char digits[40];
        return outfmt_exactNumber(it->value->toDouble(), digits, sizeof digits);
    }
    char const* t = it->value->toChars(g->cols[c]->format, false);
    return t ? t : "";
}

bool cRerovar::exportx(short dest, short format, bool selRows, bool selCols, char sep,
                       char const* filename, char const* tablename, HWND owner) {
    /* Errors belong to the caller's window when it is a dialog of its own: a box owned by
       the grid would enable the frame again under that modal dialog when it closes. */
    HWND errOwner = owner && IsWindow(owner) ? owner : hwnd;
    outfmtLayout const* layout = outfmt_get(OUTFMT_GRID, format);
    if (!layout || (dest != 1 && dest != 2))
        return false;
    if ((selRows && countS <= 0) || (selCols && getColCountS() <= 0) || countV <= 0)
        return false;
    if (format == OUTFMT_INSERT) {
        if (!tablename || !*tablename) {
            exportError(errOwner, "Please enter a tablename!", "Export");
            return false;
        }
        if (!outfmt_tableNameOk(tablename)) {
            exportError(errOwner, "Invalid tablename!", "Export");
            return false;
        }
    }
    edit_close();
    cWaitCursor wait;

    /* Exported columns in index order. */
    short* cidx = (short*)taxAlloc(colCount, (int)sizeof(short));
    if (!cidx) {
        exportError(errOwner, dest == 1 ? "Not enough memory to export rows."
                                    : "Not enough memory to copy rows to the clipboard.",
                    dest == 1 ? "Export" : "Copy");
        return false;
    }
    short n = 0;
    for (short c = 0; c < colCount; c++)
        if (!selCols || (cols[c]->flg & TAXCOL_SELECTED))
            cidx[n++] = c;

    int typex;
    if (format == OUTFMT_FIXED) {
        for (short i = 0; i < n; i++)
            cols[cidx[i]]->exportWidth = 0;
        for (short v = 0; v < countV; v++) {
            cTaxRow* row = rows[vis[v]];
            if (selRows && !(row->flg & TAXROW_SELECTED))
                continue;
            for (short i = 0; i < n; i++) {
                long len = (long)strlen(cellText(this, row, cidx[i], &typex));
                if (len > cols[cidx[i]]->exportWidth)
                    cols[cidx[i]]->exportWidth = len;
            }
        }
    }

    bool toFile = dest == 1;
    char const* memText = toFile ? "Not enough memory to export rows."
                                 : "Not enough memory to copy rows to the clipboard.";
    char const* memCaption = toFile ? "Export" : "Copy";
    cSafeFile file;
    if (toFile && (!filename || !*filename || !file.open(filename))) {
        freex(cidx);
        exportError(errOwner, "Cannot open file.", "Export");
        return false;
    }
    cOutRow out;
    out.init(layout, sep, tablename);
    bool memOk = out.reserve(toFile ? kFlushAt + 10000 : 10000);
    bool writeOk = true;
    if (memOk && layout->head)
        memOk = out.page(layout->head);
    if (memOk && toFile && layout->titleStart) {
        memOk = out.titleStart();
        for (short i = 0; memOk && i < n; i++)
            memOk = out.title(cols[cidx[i]]->title);
        memOk = memOk && out.titleEnd();
    }
    for (short v = 0; memOk && writeOk && v < countV; v++) {
        cTaxRow* row = rows[vis[v]];
        if (selRows && !(row->flg & TAXROW_SELECTED))
            continue;
        memOk = out.start();
        for (short i = 0; memOk && i < n; i++) {
            char const* t = cellText(this, row, cidx[i], &typex, format == OUTFMT_INSERT);
            memOk = out.field(t, -1, typex, cols[cidx[i]]->exportWidth);
        }
        memOk = memOk && out.end();
        if (memOk && toFile && out.length() >= kFlushAt) {
            writeOk = file.write(out.data(), out.length());
            out.clear();
        }
    }
    if (memOk && writeOk && layout->foot)
        memOk = out.page(layout->foot);
    freex(cidx);

    if (!memOk) {
        file.discard();
        exportError(errOwner, memText, memCaption);
        return false;
    }
    if (toFile) {
        if (writeOk)
            writeOk = file.write(out.data(), out.length()) && file.commit();
        if (!writeOk) {
            file.discard();
            exportError(errOwner, "Cannot write to the file.", "Export");
            return false;
        }
        vorMessageBox(owner, "Export OK:\r\n\r\nRows was successfuly\r\nsaved to the file.",
                      "Export", MB_OK | MB_ICONINFORMATION);
        return true;
    }
    if (out.length() == 0)
        return false;
    if (!out.put("", 1)) {  // the terminating zero
        exportError(errOwner, memText, memCaption);
        return false;
    }
    if (!str2clip(out.data())) {
        exportError(errOwner, "Cannot copy rows to the clipboard.", "Copy");
        return false;
    }
    vorMessageBox(owner, "Export OK:\r\n\r\nRows was successfuly\r\ncopied to the clipboard.",
                  "Export", MB_OK | MB_ICONINFORMATION);
    return true;
}

/* ---- the export dialog ---- */

static bool checked(HWND dlg, int id) {
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

/* Format of the checked radio: 1..4 (121..124), 1 when none. */
static short dlgFormat(HWND dlg) {
    for (short f = 4; f >= 2; f--)
        if (checked(dlg, TAXEXP_CSV + f - 1))
            return f;
    return 1;
}

/* True when s ends with tail, compared without regard to case. */
static bool endsWith(char const* s, char const* tail) {
    size_t a = strlen(s), b = strlen(tail);
    return a >= b && stricmpx(s + a - b, tail) == 0;
}

void DlgTaxExp_enableGroupSep(HWND dlg) {
    short f = dlgFormat(dlg);
    for (int id = TAXEXP_SEPGROUP; id <= TAXEXP_TAB; id++)
        showWindow(GetDlgItem(dlg, id), f == OUTFMT_CSV);
    showWindow(GetDlgItem(dlg, TAXEXP_TABLELABEL), f == OUTFMT_INSERT);
    showWindow(GetDlgItem(dlg, TAXEXP_TABLE), f == OUTFMT_INSERT);
    if (f == OUTFMT_INSERT && GetDlgItem(dlg, TAXEXP_TABLE))
        SetFocus(GetDlgItem(dlg, TAXEXP_TABLE));

    char name[TAXEXP_FILEMAX + 8];
    if (!GetDlgItem(dlg, TAXEXP_FILENAME))
        return;
    GetDlgItemTextA(dlg, TAXEXP_FILENAME, name, TAXEXP_FILEMAX + 1);
    size_t len = strlen(name);
    if (f == OUTFMT_HTML) {
        if (endsWith(name, ".txt") || endsWith(name, ".csv"))
            memcpy(name + len - 4, ".htm", 5);
        else
            return;
    } else if (endsWith(name, ".htm")) {
        memcpy(name + len - 4, ".txt", 5);
    } else if (endsWith(name, ".html")) {
        memcpy(name + len - 5, ".txt", 5);
    } else {
        return;
    }
    SetDlgItemTextA(dlg, TAXEXP_FILENAME, name);
}

bool DlgTaxExp_preview(HWND dlg) {
    char name[TAXEXP_FILEMAX + 8];
    name[0] = 0;
    GetDlgItemTextA(dlg, TAXEXP_FILENAME, name, TAXEXP_FILEMAX + 1);
    if (!name[0])
        return false;
    return shellexec(name, dlg, false);
}

/* Enables the file name controls for the file target only. */
static void enableTarget(HWND dlg) {
    bool file = checked(dlg, TAXEXP_FILE);
    int ids[] = {TAXEXP_FILELABEL, TAXEXP_FILENAME, TAXEXP_BROWSE, TAXEXP_VIEW};
    for (int id : ids)
        EnableWindow(GetDlgItem(dlg, id), file);
}

/* "Selected = n" and "All = n"; Selected is disabled when nothing is selected and chosen
   when at least two are. */
static void initChoice(HWND dlg, int selId, int allId, int selected, int all) {
    char text[40];
    snprintf(text, sizeof text, "Selected = %d", selected);
    SetDlgItemTextA(dlg, selId, text);
    snprintf(text, sizeof text, "All = %d", all);
    SetDlgItemTextA(dlg, allId, text);
    EnableWindow(GetDlgItem(dlg, selId), selected > 0);
    CheckRadioButton(dlg, selId, allId, selected >= 2 ? selId : allId);
}

static void browse(HWND dlg) {
    char name[MAX_PATH + 8];
    GetDlgItemTextA(dlg, TAXEXP_FILENAME, name, TAXEXP_FILEMAX + 1);
    bool html = dlgFormat(dlg) == OUTFMT_HTML;
    static const char htmlFilter[] =
        "All files (*.*)\0*.*\0HTML files (*.htm, *.html)\0*.htm;*.html\0";
    static const char textFilter[] =
        "All files (*.*)\0*.*\0Text files (*.txt, *.csv, *.sql)\0*.txt;*.csv;*.sql\0";
    if (getFilename(dlg, name, 's', html ? htmlFilter : textFilter, 2, html ? "htm" : "txt",
                    "Save as...", 0)) {
        name[TAXEXP_FILEMAX] = 0;
        SetDlgItemTextA(dlg, TAXEXP_FILENAME, name);
    }
}

static void save(HWND dlg, cRerovar* g) {
    char name[TAXEXP_FILEMAX + 8], table[TAXEXP_TABLEMAX + 8];
    GetDlgItemTextA(dlg, TAXEXP_FILENAME, name, TAXEXP_FILEMAX + 1);
    GetDlgItemTextA(dlg, TAXEXP_TABLE, table, TAXEXP_TABLEMAX + 1);
    short dest = checked(dlg, TAXEXP_FILE) ? 1 : 2;
    short f = dlgFormat(dlg);
    if (dest == 1 && !name[0]) {
        vorMessageBox(dlg, "Please enter a filename!", "Export", MB_OK | MB_ICONERROR);
        return;
    }
    if (f == OUTFMT_INSERT && !table[0]) {
        vorMessageBox(dlg, "Please enter a tablename!", "Export", MB_OK | MB_ICONERROR);
        return;
    }
    char sep = ',';
    if (checked(dlg, TAXEXP_SEMICOLON))
        sep = ';';
    else if (checked(dlg, TAXEXP_COLON))
        sep = ':';
    else if (checked(dlg, TAXEXP_PIPE))
        sep = '|';
    else if (checked(dlg, TAXEXP_TAB))
        sep = '\t';
    g->exportx(dest, f, checked(dlg, TAXEXP_ROWSSEL), checked(dlg, TAXEXP_COLSSEL), sep, name,
               table, dlg);
}

static INT_PTR CALLBACK exportDlgProc(HWND dlg, UINT m, WPARAM wp, LPARAM lp) {
    cRerovar* g = (cRerovar*)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (m) {
    case WM_INITDIALOG:
        g = (cRerovar*)lp;
        SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)g);
        centerDialog(dlg, g->hwndParent ? g->hwndParent : g->hwnd);
        CheckRadioButton(dlg, TAXEXP_FILE, TAXEXP_CLIP, TAXEXP_FILE);
        initChoice(dlg, TAXEXP_ROWSSEL, TAXEXP_ROWSALL, g->countS, g->countV);
        initChoice(dlg, TAXEXP_COLSSEL, TAXEXP_COLSALL, g->getColCountS(), g->colCount);
        CheckRadioButton(dlg, TAXEXP_CSV, TAXEXP_INSERT, TAXEXP_CSV);
        CheckRadioButton(dlg, TAXEXP_COMMA, TAXEXP_TAB, TAXEXP_COMMA);
        SendDlgItemMessageA(dlg, TAXEXP_TABLE, EM_LIMITTEXT, TAXEXP_TABLEMAX, 0);
        SendDlgItemMessageA(dlg, TAXEXP_FILENAME, EM_LIMITTEXT, TAXEXP_FILEMAX, 0);
        SetDlgItemTextA(dlg, TAXEXP_FILENAME, "c:\\export.txt");
        enableTarget(dlg);
        DlgTaxExp_enableGroupSep(dlg);
        return TRUE;
    case WM_COMMAND:
        if (!g)
            return FALSE;
        switch (LOWORD(wp)) {
        case TAXEXP_FILE:
        case TAXEXP_CLIP:
            enableTarget(dlg);
            return TRUE;
        case TAXEXP_CSV:
        case TAXEXP_FIXED:
        case TAXEXP_HTML:
        case TAXEXP_INSERT:
            if (HIWORD(wp) == BN_CLICKED)
                DlgTaxExp_enableGroupSep(dlg);
            return TRUE;
        case TAXEXP_BROWSE:
            browse(dlg);
            return TRUE;
        case TAXEXP_VIEW:
            DlgTaxExp_preview(dlg);
            return TRUE;
        case IDOK:
            save(dlg, g);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

bool cRerovar::export_dialog() {
    edit_close();
    if (!hwnd)
        return false;
    return DialogBoxParamA(taxCoreInstance(), "DLG_TaxExport", hwnd, exportDlgProc,
                           (LPARAM)this) > 0;
}
