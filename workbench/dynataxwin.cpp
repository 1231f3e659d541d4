/* The query-by-example window: its toolbar, condition editor and commands. */
#include "dynataxwin.h"

#include <cstring>
#include <string>

#include "bgrun.h"
#include "qbetext.h"
#include "resultgrid.h"
#include "stmtmodel.h"
#include "strx.h"
#include "wbutil.h"
#include "winutil.h"
#include "xdbc.h"

namespace {

/* A visible window owned by w (a box or dialog it runs), or null. */
HWND ownedWindow(HWND w) {
    struct Find {
        HWND owner, found;
        static BOOL CALLBACK each(HWND c, LPARAM lp) {
            Find* f = (Find*)lp;
            if (GetWindow(c, GW_OWNER) == f->owner && IsWindowVisible(c)) {
                f->found = c;
                return FALSE;
            }
            return TRUE;
        }
    } f = {w, 0};
    EnumThreadWindows(GetCurrentThreadId(), Find::each, (LPARAM)&f);
    return f.found;
}

char const kClass[] = "cDynataxwin";
char const* const kBitmapNames[4] = {"BMP_dtxw_pbRun", "BMP_dtxw_pbClear", "BMP_dtxw_pbShow",
                                     "BMP_dtxw_pbGroup"};

/* Shared by every open window: the count, the toolbar font and the button faces. */
int g_open = 0;
HFONT g_font = 0;
HBITMAP g_bitmaps[4] = {0, 0, 0, 0};

void acquireShared(HINSTANCE inst) {
    if (g_open++ > 0)
        return;
    g_font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                         "MS Sans Serif");
    for (int i = 0; i < 4; i++)
        g_bitmaps[i] = (HBITMAP)LoadImageA(inst, kBitmapNames[i], IMAGE_BITMAP, 0, 0,
                                           LR_CREATEDIBSECTION);
}

void releaseShared() {
    if (g_open <= 0 || --g_open > 0)
        return;
    if (g_font)
        DeleteObject(g_font);
    g_font = 0;
    for (HBITMAP& b : g_bitmaps) {
        if (b)
            DeleteObject(b);
        b = 0;
    }
}

/* Keeps the main window disabled while a window runs its statement: closing it then would
   take this window and its grid away under the running call (an error box lets it). */
class cOwnerLock {
public:
    explicit cOwnerLock(HWND w) : owner(w), locked(w && IsWindowEnabled(w)) {
        if (locked)
            EnableWindow(owner, FALSE);
    }
    ~cOwnerLock() {
        if (locked && IsWindow(owner))
            EnableWindow(owner, TRUE);
    }
    cOwnerLock(cOwnerLock const&) = delete;
    cOwnerLock& operator=(cOwnerLock const&) = delete;

private:
    HWND owner;
    bool locked;
};

}  // namespace

int cDynataxwin::openCount() { return g_open; }
HFONT cDynataxwin::sharedFont() { return g_font; }
HBITMAP cDynataxwin::sharedBitmap(int index) {
    return index >= 0 && index < 4 ? g_bitmaps[index] : 0;
}

/* "source/user" of an open connection. */
static std::string sourceOf(cXdbc* db) {
    char const* d = db->dsn();
    char const* u = db->user();
    return std::string(d ? d : "") + "/" + (u ? u : "");
}

cDynataxwin::cDynataxwin(HINSTANCE instance, HWND parentWnd, cXdbc* connection,
                         cStatementModel* m, char const* text, bool toolbar, int x, int y,
                         int width, int height)
    : hwnd(0), inst(instance), parent(parentWnd), db(connection), model(m), title(strdux((void*)text)),
      hasToolbar(toolbar), grid(0), columnList(0), operatorList(0), valueField(0),
      settingValue(false) {
    for (HWND& b : buttons)
        b = 0;
    cQbePlace p = qbePlace(x, y, width, height, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), g_open);
    acquireShared(inst);
    if (!registerClass() || !model) {
        delete model;
        model = 0;
        return;
    }
    CreateWindowExA(0, kClass, title,
                    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX |
                        WS_CLIPCHILDREN,
                    p.x, p.y, p.w, p.h, parent, 0, inst, this);
    if (!hwnd) {
        delete model;
        model = 0;
        return;
    }
    grid = new cResultGrid();
    RECT rc;
    GetClientRect(hwnd, &rc);
    int top = hasToolbar ? DTXW_TOOLBAR_HEIGHT : 0;
    grid->init(DTXW_GRID, hwnd, 0, (short)top, (short)rc.right, (short)(rc.bottom - top),
               TAX_COLSELECT | TAX_NOQBE | TAX_FORM | TAX_COLORMENU);
    grid->errorBoxes = true;
    grid->setConnection(db);
    grid->model = model;
    grid->setMaxRows(DTXW_ROW_LIMIT);
    grid->show();
    if (hasToolbar)
        createToolbar();
    layout();
    if (db && db->isConnected()) {
        source = sourceOf(db);
        cOwnerLock lock(parent);
        if (!grid->loadSelect(0, false))
            grid->deleteRows(false);
    }
    refreshTitle();
    if (hasToolbar) {
        SendMessageA(columnList, CB_SETCURSEL, 0, 0);
        columnChanged();
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetFocus(grid->getHwnd(0));
}

cDynataxwin::~cDynataxwin() {
    // The grid went with its window and took the model along; a window that was never
    // made leaves both to this object.
    if (!grid)
        delete model;
    freex(title);
    title = 0;
    releaseShared();
}

bool cDynataxwin::registerClass() {
    WNDCLASSA wc = {};
    if (GetClassInfoA(inst, kClass, &wc))
        return true;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = wndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, "ICO_APP");
    wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    return registerClassIcons(wc, inst, "ICO_APP") != 0;
}

cDynataxwin* cDynataxwin::fromHwnd(HWND w) {
    char cls[32] = "";
    if (!w || !GetClassNameA(w, cls, sizeof cls) || strcmp(cls, kClass) != 0)
        return 0;
    return (cDynataxwin*)GetWindowLongPtrA(w, GWLP_USERDATA);
}

void cDynataxwin::createToolbar() {
    DWORD list = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
    columnList = CreateWindowExA(0, "COMBOBOX", "", list, 1, 1, 150, 300, hwnd,
                                 (HMENU)DTXW_COLUMNS, inst, 0);
    operatorList = CreateWindowExA(0, "COMBOBOX", "", list, 155, 1, 100, 300, hwnd,
                                   (HMENU)DTXW_OPERATORS, inst, 0);
    valueField = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 260, 3, 100,
                                 18, hwnd, (HMENU)DTXW_VALUE, inst, 0);
    SendMessageA(valueField, EM_LIMITTEXT, STMCOND_MAX, 0);
    bool aggregate = false;
    for (int i = 0; i < model->columnCount; i++)
        aggregate = aggregate || model->isAggregateColumn(i);
    int const xs[4] = {365, 387, 409, 431};
    for (int i = 0; i < 4; i++) {
        if (i == 3 && aggregate)
            break;
        buttons[i] = CreateWindowExA(0, "BUTTON", "",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                     xs[i], 2, 20, 20, hwnd, (HMENU)(INT_PTR)(DTXW_RUN + i), inst,
                                     0);
    }
    for (HWND c : {columnList, operatorList, valueField})
        SendMessageA(c, WM_SETFONT, (WPARAM)g_font, 0);
    fillColumnList();
}

void cDynataxwin::fillColumnList() {
    if (!columnList)
        return;
    LRESULT sel = SendMessageA(columnList, CB_GETCURSEL, 0, 0);
    SendMessageA(columnList, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < model->columnCount; i++) {
        cStmtColumn* c = model->column(i);
        bool has = (*c->condText && c->condOp >= 1 && c->condOp <= 12) ||
                   c->condOp == QBEOP_ISNULL || c->condOp == QBEOP_NOTNULL;
        std::string text = has ? std::string(">>> ") + c->selText : std::string(c->selText);
        SendMessageA(columnList, CB_ADDSTRING, 0, (LPARAM)text.c_str());
    }
    if (sel != CB_ERR)
        SendMessageA(columnList, CB_SETCURSEL, sel, 0);
}

void cDynataxwin::layout() {
    if (!grid)
        return;
    RECT rc;
    GetClientRect(hwnd, &rc);
    int top = hasToolbar ? DTXW_TOOLBAR_HEIGHT : 0;
    int h = rc.bottom - top;
    MoveWindow(grid->getHwnd(0), 0, top, rc.right, h > 0 ? h : 0, TRUE);
}

void cDynataxwin::refreshTitle() {
    std::string text = qbeWindowTitle(title, grid ? grid->getCountA() : 0);
    SetWindowTextA(hwnd, text.c_str());
}

void cDynataxwin::columnChanged() {
    if (!operatorList)
        return;
    int i = (int)SendMessageA(columnList, CB_GETCURSEL, 0, 0);
    cStmtColumn* c = model->column(i);
    if (!c)
        return;
    SendMessageA(operatorList, CB_RESETCONTENT, 0, 0);
    int chosen = 0, k = 0;
    for (int code : qbeOperatorCodes(c->type, model->isAggregateColumn(i))) {
        LRESULT at = SendMessageA(operatorList, CB_ADDSTRING, 0, (LPARAM)qbeOperatorLabel(code));
        SendMessageA(operatorList, CB_SETITEMDATA, at, code);
        if (code == c->condOp)
            chosen = k;
        k++;
    }
    SendMessageA(operatorList, CB_SETCURSEL, chosen, 0);
    operatorChanged();
}

void cDynataxwin::operatorChanged() {
    int i = (int)SendMessageA(columnList, CB_GETCURSEL, 0, 0);
    cStmtColumn* c = model->column(i);
    LRESULT k = SendMessageA(operatorList, CB_GETCURSEL, 0, 0);
    if (!c || k == CB_ERR)
        return;
    short op = (short)SendMessageA(operatorList, CB_GETITEMDATA, k, 0);
    std::string text = c->condText;
    if (op == QBEOP_ISNULL || op == QBEOP_NOTNULL)
        text.clear();
    model->setCondition(i, op, text.c_str());
    settingValue = true;
    SetWindowTextA(valueField, text.c_str());
    settingValue = false;
    bool takesValue = op != QBEOP_ISNULL && op != QBEOP_NOTNULL;
    EnableWindow(valueField, takesValue);
    if (takesValue)
        SetFocus(valueField);
}

void cDynataxwin::valueChanged() {
    if (settingValue || !valueField)
        return;
    int i = (int)SendMessageA(columnList, CB_GETCURSEL, 0, 0);
    cStmtColumn* c = model->column(i);
    if (!c)
        return;
    char text[STMCOND_MAX + 1] = "";
    GetWindowTextA(valueField, text, sizeof text);
    model->setCondition(i, c->condOp, text);
}

/* A run without a connection, or on a connection the slot has meanwhile opened to another
   data source, says so and leaves rows and conditions alone. */
bool cDynataxwin::canRun() {
    if (!db || !db->isConnected()) {
        vorMessageBox(hwnd, "Not connected!", "Lumbra", MB_OK | MB_ICONSTOP);
        return false;
    }
    std::string now = sourceOf(db);
    if (source.empty())
        source = now;
    if (now == source)
        return true;
    vorMessageBox(hwnd,
                  ("The query slot of this window is now connected to " + now +
                   ".\r\nThe rows shown came from " + source +
                   ".\r\n\r\nClose this window and open it again from the grid.").c_str(),
                  "Lumbra", MB_OK | MB_ICONSTOP);
    return false;
}

void cDynataxwin::run() {
    if (!model || !canRun())
        return;
    fillColumnList();
    model->takeConditions();
    if (grid) {
        cOwnerLock lock(parent);
        bool keep = grid->getColCountA() > 0;
        // A failed run leaves no rows behind that belong to other conditions.
        if (!grid->rerun(keep))
            grid->deleteRows(false);
        grid->repaint();
    }
    refreshTitle();
}

void cDynataxwin::clear() {
    if (!model)
        return;
    for (int i = 0; i < model->columnCount; i++)
        model->setCondition(i, 0, "");
    fillColumnList();
    columnChanged();
    run();
}

void cDynataxwin::showSql() {
    char const* sql = grid ? grid->modelSql() : "";
    if (!*sql)
        return;
    std::string text = qbeSqlLayout(sql);
    HWND back = GetFocus();
    ShowDlgTextik(hwnd, text.c_str(), "Show SQL command", false, false, 0xFFFFFF, 0, 0, 0);
    if (back && IsWindow(back))
        SetFocus(back);
}

void cDynataxwin::groupBy() {
    if (!model)
        return;
    if (!grid || grid->getColCountS() != 1) {
        vorMessageBox(hwnd,
                      "Select one column by clicking its title and then press \"G\" (Group by)",
                      "GROUP BY", MB_OK | MB_ICONSTOP);
        return;
    }
    openGroupByWindow(inst, parent, db, model, grid->getSelcolid());
}

LRESULT CALLBACK cDynataxwin::wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        cDynataxwin* self = (cDynataxwin*)((CREATESTRUCTA*)lp)->lpCreateParams;
        self->hwnd = w;
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)self);
    }
    cDynataxwin* self = (cDynataxwin*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (!self)
        return DefWindowProcA(w, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        self->hwnd = 0;
        delete self;
        return DefWindowProcA(w, m, wp, lp);
    }
    return self->dispatch(m, wp, lp);
}

LRESULT cDynataxwin::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_SETFOCUS:
        if (grid && grid->getHwnd(0))
            SetFocus(grid->getHwnd(0));
        return 0;
    case WM_CLOSE:
        // Not while a box or dialog of this window runs, nor a statement: either would go on
        // with a dead grid.
        if (HWND box = ownedWindow(hwnd)) {
            SetForegroundWindow(box);
            MessageBeep(MB_OK);
        } else if (bgBusy()) {
            MessageBeep(MB_OK);
        } else {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_COMMAND:
        return onCommand(LOWORD(wp), HIWORD(wp));
    case WM_DRAWITEM:
        return onDrawItem((DRAWITEMSTRUCT*)lp);
    case TAXN_HDRCLICK:
        return onHeaderClick(lp);
    case TAXN_SORT:
        return onSort(lp);
    case WM_DESTROY:
        // The grid (with the model) and the controls go after this window.
        grid = 0;
        model = 0;
        columnList = operatorList = valueField = 0;
        return 0;
    }
    return DefWindowProcA(hwnd, m, wp, lp);
}

LRESULT cDynataxwin::onCommand(int id, int code) {
    if (!grid)
        return 0;
    switch (id) {
    case DTXW_COLUMNS:
        if (code == CBN_SELCHANGE)
            columnChanged();
        return 0;
    case DTXW_OPERATORS:
        if (code == CBN_SELCHANGE)
            operatorChanged();
        return 0;
    case DTXW_VALUE:
        if (code == EN_CHANGE)
            valueChanged();
        return 0;
    case IDOK:  // Enter, as the dialog keys deliver it
    case DTXW_RUN:
        run();
        return 0;
    case DTXW_CLEAR:
        clear();
        return 0;
    case DTXW_SHOW:
        showSql();
        return 0;
    case DTXW_GROUP:
        groupBy();
        return 0;
    }
    return 0;
}

LRESULT cDynataxwin::onDrawItem(DRAWITEMSTRUCT* di) {
    if (!di || di->CtlType != ODT_BUTTON)
        return FALSE;
    int n = (int)di->CtlID - DTXW_RUN;
    if (n < 0 || n > 3)
        return FALSE;
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    bool pressed = (di->itemState & ODS_SELECTED) != 0;
    int off = pressed ? 1 : 0;
    HBRUSH face = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));  // the bitmaps' background
    FillRect(dc, &r, face);
    DeleteObject(face);
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (g_bitmaps[n])
        drawBmp(dc, g_bitmaps[n], 2 + off, 2 + off);
    if (di->itemState & ODS_FOCUS) {
        RECT f = {r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
        DrawFocusRect(dc, &f);
    }
    return TRUE;
}

LRESULT cDynataxwin::onHeaderClick(LPARAM lp) {
    short colid = (short)LOWORD(lp);
    int i = model ? model->indexOfColumn(colid) : -1;
    if (i >= 0 && columnList) {
        SendMessageA(columnList, CB_SETCURSEL, i, 0);
        columnChanged();
    }
    return 1;
}

LRESULT cDynataxwin::onSort(LPARAM lp) {
    short colid = (short)LOWORD(lp);
    short dir = (short)HIWORD(lp);
    if (!model)
        return 0;
    if (!canRun())
        return TAXN_SORT_HANDLED;
    model->setOrderByColumn(model->indexOfColumn(colid), dir);
    if (grid) {
        cOwnerLock lock(parent);
        if (!grid->rerun(true))
            grid->deleteRows(false);
        grid->repaint();
        SetFocus(grid->getHwnd(0));
    }
    refreshTitle();
    return TAXN_SORT_HANDLED;
}

bool openGroupByWindow(HINSTANCE instance, HWND parent, cXdbc* db, cStatementModel* source,
                       short colid) {
    if (!source)
        return false;
    cStmtColumn* c = source->column(source->indexOfColumn(colid));
    if (!c)
        return false;
    cStatementModel* m = new cStatementModel(1, "GROUP BY", "", "", "");
    m->addColumn(0, 0, "", "", "", c->selText, "", c->selText, 0, 0, 0, "", 0);
    m->addColumn(1, 1, "", "", "", "count(*)", "", "count(*)", 1, 0, 0, "", STMCOL_AGGREGATE);
    m->setFrom(source->from);
    m->setWhere(source->fullWhere);
    m->setGroupBy(c->selText);
    cDynataxwin* w = new cDynataxwin(instance, parent, db, m, "GROUP BY", true, -2, -2, 450, 300);
    if (!w->hwnd) {
        delete w;
        return false;
    }
    return true;
}
