/* Tables dialog: schemas by META_SCHEMAS, tables by META_TABLES on the slot's connection. */
#include "dlgtables.h"

#include <stdio.h>
#include <string.h>

#include <new>
#include <string>

#include "dlgconnect.h"
#include "dlgconnrc.h"
#include "profile.h"
#include "sqlname.h"
#include "wbutil.h"
#include "winutil.h"
#include "xdbc.h"

namespace {

/* Catalogue names arrive in 256-byte buffers; the list texts are no longer. */
const int kName = 256;
/* "Last Namespace" values are read back up to 100 characters. */
const int kNamespace = 101;

char const* const kSelect = "select * from ";
char const* const kCount = "select count(*) from ";

class cDlgTables {
public:
    explicit cDlgTables(cTablesHost* h) : host(h) { profile.init(h->iniFile(), kLumbraSection); }
    ~cDlgTables() {
        if (brush)
            DeleteObject(brush);
    }

    static INT_PTR CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp);

    HWND focusTarget = 0;  // control chosen for the focus at start

private:
    INT_PTR dispatch(UINT m, WPARAM wp, LPARAM lp);
    INT_PTR onInitDialog();
    INT_PTR onCommand(WORD id, WORD code);
    INT_PTR onCtlColor(HDC dc);
    INT_PTR onDestroy();

    bool connected();
    void setNotConnected();
    void enableControls(bool on);
    void chooseSchema();
    void listTables();
    void run(char const* prefix, bool toGrid);
    bool statementFor(char const* prefix, char* sql, int size);
    bool selectedSchema(char* out, int size);
    int findSchema(char const* name);

    HWND dlg = 0;
    HWND combo = 0;
    HWND list = 0;
    cTablesHost* host;     // the slot the dialog belongs to
    cProfileman profile;   // settings file, section "Lumbra Settings"
    HBRUSH brush = 0;      // solid brush of the slot colour
    long brushColour = 0;  // colour brush was made for
    char listed[kName] = "";  // schema of the tables in the list
    bool catalogue = false;   // the driver listed the schemas: it has catalogue calls

    cDlgTables(cDlgTables const&) = delete;
    cDlgTables& operator=(cDlgTables const&) = delete;
};

INT_PTR CALLBACK cDlgTables::proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_INITDIALOG) {
        cDlgTables* self = (cDlgTables*)lp;
        SetWindowLongPtrA(w, DWLP_USER, (LONG_PTR)self);
        self->dlg = w;
    }
    cDlgTables* self = (cDlgTables*)GetWindowLongPtrA(w, DWLP_USER);
    if (!self)
        return FALSE;
    if (m == WM_NCDESTROY) {
        SetWindowLongPtrA(w, DWLP_USER, 0);
        delete self;
        return FALSE;
    }
    return self->dispatch(m, wp, lp);
}

INT_PTR cDlgTables::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_INITDIALOG: return onInitDialog();
    case WM_COMMAND: return onCommand(LOWORD(wp), HIWORD(wp));
    case WM_CTLCOLOREDIT: return onCtlColor((HDC)wp);
    case WM_CTLCOLORLISTBOX: return onCtlColor((HDC)wp);
    case WM_DESTROY: return onDestroy();
    }
    return FALSE;
}

INT_PTR cDlgTables::onInitDialog() {
    combo = GetDlgItem(dlg, IDC_TABLES_SCHEMA);
    list = GetDlgItem(dlg, IDC_TABLES_LIST);
    centerDialog(dlg, host->mainWindow());
    SetWindowLongPtrA(dlg, GWLP_USERDATA, (LONG_PTR)host->slotIndex());
    int x = profile.get_int("DlgTablesX", 0);
    int y = profile.get_int("DlgTablesY", 0);
    if (x >= 1 && x < GetSystemMetrics(SM_CXSCREEN) - 50 && y >= 1 &&
        y < GetSystemMetrics(SM_CYSCREEN) - 50)
        SetWindowPos(dlg, 0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    if (!connected()) {
        setNotConnected();
        return TRUE;
    }
    char title[kName + 16];
    snprintf(title, sizeof title, "[Q%d:  %s]", host->slotIndex() + 1, host->dsn());
    SetWindowTextA(dlg, title);
    {
        cWaitCursor wait;
        cXdbc* x = host->connection();
        if (x->metaSelect(META_SCHEMAS) && x->execute() && !*x->errorStr()) {
            catalogue = true;
            cStrinx schema;
            while (x->fetchNext()) {
                // Rows without a schema name (drivers without schemas) are no entries.
                if (x->colValue((char*)"SCHEMA", schema) && schema.text[0] &&
                    findSchema(schema.text) < 0)
                    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)schema.text);
            }
        }
        x->finish();
        enableControls(true);
        chooseSchema();
    }
    if (focusTarget)
        SetFocus(focusTarget);
    return FALSE;
}

INT_PTR cDlgTables::onCommand(WORD id, WORD code) {
    switch (id) {
    case IDOK:
        if (code == BN_CLICKED)
            run(kSelect, false);
        return TRUE;
    case IDC_TABLES_COUNT:
        if (code == BN_CLICKED)
            run(kCount, false);
        return TRUE;
    case IDC_TABLES_LIST:
        if (code == LBN_DBLCLK)
            run(kSelect, true);
        return TRUE;
    case IDC_TABLES_SCHEMA:
        if (code == CBN_SELENDOK) {
            listTables();
        } else if (code == CBN_SELCHANGE && !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) {
            // Arrow keys on the closed list: follow the choice once.
            char schema[kName];
            if (selectedSchema(schema, sizeof schema) && strcmp(schema, listed) != 0)
                listTables();
        }
        return TRUE;
    case IDCANCEL:
        DestroyWindow(dlg);
        return TRUE;
    }
    return FALSE;
}

INT_PTR cDlgTables::onCtlColor(HDC dc) {
    return (INT_PTR)tintControl(dc, host->slotColor(), &brush, &brushColour);
}

INT_PTR cDlgTables::onDestroy() {
    if (brush)
        DeleteObject(brush);
    brush = 0;
    brushColour = 0;
    RECT r;
    if (GetWindowRect(dlg, &r)) {
        profile.write_int("DlgTablesX", r.left);
        profile.write_int("DlgTablesY", r.top);
    }
    host->tablesClosed(dlg);
    return FALSE;
}

bool cDlgTables::connected() {
    char const* dsn = host->dsn();
    return dsn && *dsn && host->connection();
}

void cDlgTables::setNotConnected() {
    char title[32];
    snprintf(title, sizeof title, "[Q%d:  not connected]", host->slotIndex() + 1);
    SetWindowTextA(dlg, title);
    enableControls(false);
}

void cDlgTables::enableControls(bool on) {
    EnableWindow(combo, on);
    EnableWindow(list, on);
    EnableWindow(GetDlgItem(dlg, IDOK), on);
    EnableWindow(GetDlgItem(dlg, IDC_TABLES_COUNT), on);
}

/* Index of the entry that is exactly name (byte for byte), -1 when none is. */
int cDlgTables::findSchema(char const* name) {
    int n = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    char text[kName];
    for (int i = 0; i < n; i++) {
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) >= (LRESULT)sizeof text)
            continue;
        if (SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text) != CB_ERR && strcmp(text, name) == 0)
            return i;
    }
    return -1;
}

/* The chosen schema; false when the combo has entries but none is chosen. An empty
   combo gives "" and true. */
bool cDlgTables::selectedSchema(char* out, int size) {
    out[0] = 0;
    if (SendMessageA(combo, CB_GETCOUNT, 0, 0) < 1)
        return true;
    LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR || SendMessageA(combo, CB_GETLBTEXTLEN, sel, 0) >= size)
        return false;
    return SendMessageA(combo, CB_GETLBTEXT, sel, (LPARAM)out) != CB_ERR;
}

void cDlgTables::chooseSchema() {
    int n = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    if (n == 0) {
        EnableWindow(combo, FALSE);
        listTables();
        focusTarget = list;
    } else if (n == 1) {
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        listTables();
        focusTarget = list;
    } else {
        char last[kNamespace];
        profile.get_str_sec(kLastNamespace, host->dsn(), last, sizeof last);
        int i = last[0] ? findSchema(last) : -1;
        if (i >= 0) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            listTables();
            focusTarget = list;
        } else {
            focusTarget = combo;
        }
    }
}

void cDlgTables::listTables() {
    if (!connected()) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        setNotConnected();
        return;
    }
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    listed[0] = 0;
    char schema[kName];
    if (!selectedSchema(schema, sizeof schema))
        return;
    lstrcpynA(listed, schema, sizeof listed);
    cWaitCursor wait;
    cXdbc* x = host->connection();
    cStrinx value(schema);
    bool wasConnected = x->isConnected() != 0;
    if (x->metaSelect(META_TABLES) && x->execute(&value, (cVariablex*)0)) {
        // A shown list painted after each of thousands of names took a minute under Wine.
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        cStrinx table;
        while (x->fetchNext()) {
            if (x->colValue((char*)"TABLE_NAME", table) && table.text[0])
                SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)table.text);
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, 0, TRUE);
        // Remembered once listed: a schema that cannot be listed must not come back first.
        if (schema[0])
            writeIniExact(host->iniFile(), kLastNamespace, host->dsn(), schema);
    } else {
        // Reading the error lets go of a lost connection: then the loss is the cause to show.
        std::string why = x->errorStr();
        if (wasConnected && !x->isConnected()) {
            host->connectionLost(why.c_str());
            SendMessageA(combo, CB_RESETCONTENT, 0, 0);
            setNotConnected();
            vorMessageBox(dlg, why.c_str(), "ODBC", MB_OK | MB_ICONSTOP);
        } else if (catalogue && !why.empty()) {
            vorMessageBox(dlg, why.c_str(), "ODBC", MB_OK | MB_ICONSTOP);  // its own failure
        } else {
            vorMessageBox(dlg, "Your ODBC driver doesn't support META-SELECT commands.", "ODBC",
                          MB_OK | MB_ICONSTOP);
        }
    }
    x->finish();
}

void cDlgTables::run(char const* prefix, bool toGrid) {
    host->showSlot();
    char sql[2 * (2 * kName + 2) + 32];
    if (!statementFor(prefix, sql, sizeof sql)) {
        SetFocus(list);  // showing the slot took the focus; nothing else happens
        return;
    }
    host->runSelect(sql);
    if (toGrid)
        host->focusGrid();
    else
        SetFocus(list);
}

/* prefix and the selected table, schema-qualified when a schema is chosen; false when no
   table is selected. */
bool cDlgTables::statementFor(char const* prefix, char* sql, int size) {
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR)
        return false;
    char table[kName];
    if (SendMessageA(list, LB_GETTEXTLEN, sel, 0) >= (LRESULT)sizeof table ||
        SendMessageA(list, LB_GETTEXT, sel, (LPARAM)table) == LB_ERR)
        return false;
    char schema[kName];
    if (!selectedSchema(schema, sizeof schema))
        schema[0] = 0;
    return tableStatement(sql, size, prefix, schema, table, sqlNameRule(host->connection()));
}

/* Appends name to out (at *pos, size bytes) as the rule writes it. */
bool appendName(char* out, int size, int* pos, char const* name, xnameRule const& rule) {
    std::string n = sqlName(name, rule);
    if (n.empty() || *pos + (int)n.size() + 1 > size)
        return false;
    memcpy(out + *pos, n.c_str(), n.size() + 1);
    *pos += (int)n.size();
    return true;
}

}  // namespace

bool tableStatement(char* out, int size, char const* prefix, char const* schema,
                    char const* table, xnameRule const& rule) {
    if (!out || size < 1)
        return false;
    out[0] = 0;
    if (!prefix || !table || !*table)
        return false;
    int pos = lstrlenA(prefix);
    if (pos + 1 >= size)
        return false;
    memcpy(out, prefix, pos + 1);
    if (schema && *schema) {
        if (!appendName(out, size, &pos, schema, rule) || pos + 1 >= size) {
            out[0] = 0;
            return false;
        }
        out[pos++] = '.';
        out[pos] = 0;
    }
    if (!appendName(out, size, &pos, table, rule)) {
        out[0] = 0;
        return false;
    }
    return true;
}

HWND tablesDialog(cTablesHost* host) {
    if (!host)
        return 0;
    cDlgTables* d = new (std::nothrow) cDlgTables(host);
    if (!d)
        return 0;
    HWND w = CreateDialogParamA(GetModuleHandleA(0), "DLG_TABLES", host->mainWindow(),
                                cDlgTables::proc, (LPARAM)d);
    if (!w) {
        delete d;  // no WM_INITDIALOG, so the window never owned it
        return 0;
    }
    ShowWindow(w, SW_SHOW);
    // Showing activates the dialog, which may move the focus to its first control.
    if (d->focusTarget && IsWindowEnabled(d->focusTarget))
        SetFocus(d->focusTarget);
    return w;
}
