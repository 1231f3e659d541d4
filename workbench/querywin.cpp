/* The main window: creation, layout, painting, the message loop and shutdown. */
#include "querywin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bgrun.h"
#include "dlgexportrs.h"
#include "dlgrunscript.h"
#include "dynataxwin.h"
#include "editguard.h"
#include "edutil.h"
#include "iniwrite.h"
#include "lumbrarc.h"
#include "profile.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "splitex.h"
#include "statux.h"
#include "strx.h"
#include "wbcolor.h"
#include "wbtext.h"
#include "winutil.h"
#include "xdbc.h"

namespace {

char const* const kClass = "cXQueryWindow";
char const* const kIni = "Lumbra.ini";

/* Message pane: child, visible, clip siblings, border, vertical scroll bar, multi-line,
   automatic vertical scrolling, read-only. */
DWORD const kPaneStyle = 0x54A00844;

char const kBadInstall[] =
    "Warning:\nInvalid application directory is registered.\n\nThe Lumbra application\n"
    "was not installed correctly.\nPlease download the full installation pack\n"
    "from the Vor Systems web site (www.vorsystems.example/lumbra).";

/* Toolbar buttons: label, x, command. */
struct ButtonDef {
    char const* text;
    int x;
    int id;
};
ButtonDef const kButtons[BUTTON_COUNT] = {
    {"Q&1", 6, CMD_QUERY1},          {"Q&2", 86, CMD_QUERY2},     {"Q&3", 166, CMD_QUERY3},
    {"Connect...", 260, CMD_CONNECT}, {"Disconnect", 340, CMD_DISCONNECT},
    {"Commit", 420, CMD_COMMIT},      {"Rollback", 500, CMD_ROLLBACK},
    {"Tables...", 596, CMD_TABLES},
};

/* A settings file that cannot be written (read-only, a full disk): said once per file and
   session, since the changes then last only until the program ends. */
void iniWriteFailed(char const* file) {
    static std::vector<std::string> told;
    for (std::string const& f : told)
        if (lstrcmpiA(f.c_str(), file) == 0)
            return;
    told.push_back(file);
    std::string text = std::string("Cannot write the settings file:\r\n\r\n") + file +
                       "\r\n\r\nChanged settings last only until Lumbra ends; saved logins, "
                       "the last data source and recent files are not kept.";
    vorMessageBox(GetActiveWindow(), text.c_str(), "Lumbra", MB_OK | MB_ICONEXCLAMATION);
}

char const* const kIconNames[6] = {"ICO_Q1",     "ICO_Q2",     "ICO_Q3",
                                   "ICO_Q1_dis", "ICO_Q2_dis", "ICO_Q3_dis"};
char const* const kBitmapNames[12] = {
    "BMP_pbConnect",     "BMP_pbDisconnect",     "BMP_pbCommit",     "BMP_pbRollback",
    "BMP_pbTables",      "BMP_pbConnect_dis",    "BMP_pbDisconnect_dis",
    "BMP_pbCommit_dis",  "BMP_pbRollback_dis",   "BMP_pbTables_dis", "BMP_pbQ",
    "BMP_pbQ_dis"};

}  // namespace

cXQueryWindow::cXQueryWindow(HINSTANCE instance, char const* appDirOverride, bool quit)
    : inst(instance), hwnd(0), menu(0), accel(0), statusBar(0), editorSplitter(0),
      resultSplitter(0), messagePane(0), messagePaneShown(true), hScroll(false),
      lastWasError(false), logCounter(1), recentFiles(0), fontEdit(0), fontMsg(0), fontGrid(0),
      refocus(0), current(0), quitOnDestroy(quit), splitterBitmap(0), ctlBrush(0) {
    for (int i = 0; i < SLOT_COUNT; i++) {
        grids[i] = 0;
        slots[i] = 0;
        tablesDlg[i] = 0;
    }
    for (HWND& b : buttons)
        b = 0;
    for (HICON& i : icons)
        i = 0;
    for (HBITMAP& b : bitmaps)
        b = 0;
    findAppDir(appDirOverride);
    snprintf(iniPath, sizeof iniPath, "%s%s", appDir, kIni);
    vorSetIniFailHook(iniWriteFailed);
    snprintf(helpPath, sizeof helpPath, "%s%s\\index.htm", appDir, "doc_en");
}

cXQueryWindow::~cXQueryWindow() {
    settings.saveColors(iniPath, true);
    for (int i = 0; i < SLOT_COUNT; i++)
        if (grids[i])
            grids[i]->db = 0;  // the slots' connections go first
    for (cQuerySlot*& s : slots) {
        delete s;
        s = 0;
    }
    if (splitterBitmap)
        DeleteObject(splitterBitmap);
    delete recentFiles;
    delete fontEdit;
    delete fontMsg;
    delete fontGrid;
    for (HICON i : icons)
        if (i)
            DestroyIcon(i);
    for (HBITMAP b : bitmaps)
        if (b)
            DeleteObject(b);
    if (ctlBrush)
        DeleteObject(ctlBrush);
}

void cXQueryWindow::findAppDir(char const* appDirOverride) {
    appDir[0] = 0;
    if (appDirOverride)
        lstrcpynA(appDir, appDirOverride, MAX_PATH);
    else
        vorGetRegAppRootDir("Lumbra", appDir);
    if (!appDir[0])
        GetCurrentDirectoryA(MAX_PATH, appDir);
    size_t n = strlen(appDir);
    if (n == 0 || appDir[n - 1] != '\\') {
        appDir[n] = '\\';
        appDir[n + 1] = 0;
    }
}

cXQueryWindow* cXQueryWindow::create(HINSTANCE inst, char const* cmdLine, int show,
                                     char const* appDirOverride, bool quitOnDestroy) {
    guardModalLoops();
    cXQueryWindow* w = new cXQueryWindow(inst, appDirOverride, quitOnDestroy);
    if (!w->build(cmdLine, show)) {
        if (w->hwnd)
            DestroyWindow(w->hwnd);  // deletes the object
        else
            delete w;
        return 0;
    }
    return w;
}

cXQueryWindow* cXQueryWindow::fromHwnd(HWND w) {
    char cls[32] = "";
    if (!w || !GetClassNameA(w, cls, sizeof cls) || strcmp(cls, kClass) != 0)
        return 0;
    return (cXQueryWindow*)GetWindowLongPtrA(w, GWLP_USERDATA);
}

void cXQueryWindow::loadImages() {
    for (int i = 0; i < 6; i++)
        icons[i] = (HICON)LoadImageA(inst, kIconNames[i], IMAGE_ICON, 16, 16, 0);
    for (int i = 0; i < 12; i++)
        bitmaps[i] = (HBITMAP)LoadImageA(inst, kBitmapNames[i], IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION);
}

bool cXQueryWindow::build(char const* cmdLine, int show) {
    FILE* probe = fopen(iniPath, "r");
    if (probe) {
        fclose(probe);
    } else {
        char text[MAX_PATH + sizeof kBadInstall + 64];
        snprintf(text, sizeof text, "%s%s%s%s", "Cannot open file:\n", iniPath, "\n\n",
                 kBadInstall);
        vorMessageBox(0, text, "Lumbra", MB_OK | MB_ICONEXCLAMATION);
    }
    settings.load(iniPath, isTrueColor());

    WNDCLASSA wc = {};
    if (!GetClassInfoA(inst, kClass, &wc)) {
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = wndProc;
        wc.hInstance = inst;
        wc.hIcon = LoadIconA(inst, "ICO_APP");
        wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
        wc.lpszMenuName = "M_LUMBRA";
        wc.lpszClassName = kClass;
        if (!registerClassIcons(wc, inst, "ICO_APP"))
            return false;
    }
    cRerovar::registerMe(inst);
    loadImages();
    accel = LoadAcceleratorsA(inst, "A_LUMBRA");

    RECT pos;
    bool maximized = loadWindowPosition(&pos, iniPath, SETTINGS_SECTION, "LastWindowPosition",
                                        760, 560, 500, 400);
    CreateWindowExA(0, kClass, "Lumbra", WS_OVERLAPPEDWINDOW, pos.left, pos.top, pos.right,
                    pos.bottom, 0, 0, inst, this);
    if (!hwnd)
        return false;
    menu = GetMenu(hwnd);

    for (int i = 0; i < SLOT_COUNT; i++) {
        cResultGrid* g = new cResultGrid();
        grids[i] = g;
        g->init(ID_GRID, hwnd, 0, 0, 400, 200, TAX_COLSELECT | TAX_FORM);
        colorGrid(i);
        g->show();
        g->setMaxRows(settings.maxRows);
        g->setConnection(0);
        char title[32];
        snprintf(title, sizeof title, "Form %d", i + 1);
        g->setFormtitle(title);
        g->blobChars = settings.blobChars();
    }
    for (int i = 0; i < SLOT_COUNT; i++)
        slots[i] = new cQuerySlot(this, (short)(i + 1), hwnd, inst);
    for (int i = 1; i < SLOT_COUNT; i++) {
        grids[i]->hide();
        ShowWindow(slots[i]->edit, SW_HIDE);
    }
    messagePane = CreateWindowExA(0, "EDIT", "", kPaneStyle, 0, 0, 10, 10, hwnd, 0, inst, 0);
    SendMessageA(messagePane, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);

    fontEdit = new cXFont(hwnd, iniPath, SETTINGS_SECTION, "font_edit", true);
    fontMsg = new cXFont(hwnd, iniPath, SETTINGS_SECTION, "font_msg", true);
    fontGrid = new cXFont(hwnd, iniPath, SETTINGS_SECTION, "font_grid", true);
    applyFonts();

    statusBar = new cStatux(hwnd, inst);
    splitterBitmap = (HBITMAP)LoadImageA(inst, isTrueColor() ? "SPXBMP" : "SPXBMP16",
                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    short reserve = (short)statusBar->height();
    HWND g0 = grids[0]->getHwnd(0), g1 = grids[1]->getHwnd(0), g2 = grids[2]->getHwnd(0);
    editorSplitter = new cSplitex(hwnd, 26, reserve, 0.425, slots[0]->edit, slots[1]->edit,
                                  slots[2]->edit, g0, g1, g2, 50, 60, splitterBitmap, 0);
    resultSplitter = new cSplitex(hwnd, 26, reserve, 0.85, g0, g1, g2, messagePane, 0, 0, 60,
                                  30, splitterBitmap, SPLITEX_TOBOTTOM | SPLITEX_DBLCLICK);

    menuCheck(CMD_MSGPANE, messagePaneShown);
    SetFocus(slots[0]->edit);
    slots[0]->refreshTitle();
    updateStatusBar("");
    statusBar->setColor(0, slotFieldColor(0), true);

    recentFiles = new cRecentFiles(10, iniPath, SETTINGS_SECTION, "RecentFile_", menu, 0, 6,
                                   "(empty)");
    createButtons();

    ShowWindow(hwnd, maximized ? SW_SHOWMAXIMIZED : show);
    onSize(SIZE_RESTORED);
    UpdateWindow(hwnd);

    if (cmdLine && *cmdLine) {
        char name[MAX_PATH + 2];
        lstrcpynA(name, cmdLine, sizeof name);
        size_t n = strlen(name);
        if (name[0] == '"') {
            memmove(name, name + 1, n);
            n = strlen(name);
            if (n > 0)
                name[n - 1] = 0;
        }
        if (name[0])
            slots[0]->openFile(name);
    }
    return true;
}

void cXQueryWindow::createButtons() {
    for (int i = 0; i < BUTTON_COUNT; i++)
        buttons[i] = CreateWindowExA(0, "BUTTON", kButtons[i].text,
                                     WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, kButtons[i].x, 3, 80,
                                     21, hwnd, (HMENU)(INT_PTR)kButtons[i].id, inst, 0);
}

HWND cXQueryWindow::shownEditor() const { return slots[current] ? slots[current]->edit : 0; }

long cXQueryWindow::slotTextColor(int n) const {
    return settings.ecolor[n] ? settings.ecolor[n] : 0xFFFFFF;
}

void cXQueryWindow::colorGrid(int n) {
    long c = slotTextColor(n);
    grids[n]->setColors(RGBPROC(c, 0x42), 0, c, 0);
    grids[n]->setColors((short)-2, c, 0);
    grids[n]->repaint();
}

long cXQueryWindow::slotFieldColor(int n) const { return settings.ecolor[n] ? settings.ecolor[n] : -1; }

void cXQueryWindow::applyFonts() {
    for (cQuerySlot* s : slots)
        if (s && fontEdit)
            SendMessageA(s->edit, WM_SETFONT, (WPARAM)fontEdit->getHfont(), TRUE);
    if (messagePane && fontMsg)
        SendMessageA(messagePane, WM_SETFONT, (WPARAM)fontMsg->getHfont(), TRUE);
}

void cXQueryWindow::applyGridSettings() {
    for (cResultGrid* g : grids) {
        g->setMaxRows(settings.maxRows);
        g->blobChars = settings.blobChars();
    }
}

void cXQueryWindow::showSlot(int n) {
    if (n < 0 || n >= SLOT_COUNT)
        n = 0;
    current = n;
    if (editorSplitter) {
        editorSplitter->selectLower(n);
        editorSplitter->selectUpper(n);
    }
    statusBar->setText(6, rowCounts[n].c_str());
    for (int i = 0; i < SLOT_COUNT; i++)
        statusBar->setColor(i, -1, false);
    statusBar->setColor(n, slotFieldColor(n), true);
}

namespace {

struct OwnedQbe {
    HWND owner;
    bool enable;
};

BOOL CALLBACK enableQbeWindow(HWND w, LPARAM lp) {
    OwnedQbe* o = (OwnedQbe*)lp;
    cDynataxwin* q = cDynataxwin::fromHwnd(w);
    if (q && q->parent == o->owner)
        EnableWindow(w, o->enable);
    return TRUE;
}

}  // namespace

void cXQueryWindow::enableUi(bool enable, bool resync) {
    uiLocked = !enable;
    UINT state = MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED);
    for (int pos = 0; pos < 6; pos++)
        EnableMenuItem(menu, pos, state);
    DrawMenuBar(hwnd);
    for (HWND b : buttons)
        EnableWindow(b, enable);
    EnableWindow(shownEditor(), enable);
    EnableWindow(shownGrid()->getHwnd(0), enable);
    for (HWND d : tablesDlg)
        if (d)
            EnableWindow(d, enable);
    // Query-by-example windows run statements on the slots' connections too.
    OwnedQbe qbe = {hwnd, enable};
    EnumThreadWindows(GetCurrentThreadId(), enableQbeWindow, (LPARAM)&qbe);
    if (enable && resync) {
        cQuerySlot* s = shownSlot();
        s->resyncConnection();
        s->refreshTitle();
        updateStatusBar(lastEntry.c_str());
        if (tablesDlg[current]) {
            DestroyWindow(tablesDlg[current]);
            tablesDlg[current] = 0;
        }
        showRowCounts(true);
    }
    if (enable)
        SetFocus(shownEditor());
}

void cXQueryWindow::menuCheck(int id, bool on) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void cXQueryWindow::command(int id) { SendMessageA(hwnd, WM_COMMAND, id, 0); }

/* ---- window procedure ---- */

LRESULT CALLBACK cXQueryWindow::wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        cXQueryWindow* self = (cXQueryWindow*)((CREATESTRUCTA*)lp)->lpCreateParams;
        self->hwnd = w;
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)self);
    }
    cXQueryWindow* self = (cXQueryWindow*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (!self)
        return DefWindowProcA(w, m, wp, lp);
    try {
        return self->dispatch(m, wp, lp);
    } catch (...) {
        // Nothing may leave a window procedure; the command is abandoned.
        return DefWindowProcA(w, m, wp, lp);
    }
}

LRESULT cXQueryWindow::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_SIZE:
        return onSize(wp);
    case WM_PAINT:
        return onPaint();
    case WM_SETFOCUS:
        if (shownEditor())
            SetFocus(shownEditor());
        return 0;
    case WM_COMMAND:
        // A job dialog's lock covers the menu's shortcuts too (Alt+2 would show an
        // enabled slot, F5 run beside the job).
        if (uiLocked && HIWORD(wp) == 1)
            return 0;
        return onCommand(LOWORD(wp), HIWORD(wp), (HWND)lp);
    case WM_DRAWITEM:
        return onDrawItem((DRAWITEMSTRUCT*)lp);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        LRESULT r = onCtlColor((HDC)wp, (HWND)lp);
        return r ? r : DefWindowProcA(hwnd, m, wp, lp);
    }
    case WM_INITMENUPOPUP:
        return onInitMenuPopup((HMENU)wp);
    case WM_SPLITEX_SELECTED:
        return onSplitterSelected(lp);
    case WM_SPLITEX_COLLAPSED:
        return onSplitterCollapsed();
    case WM_SETCURSOR:
        if (bgBusy() && LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursorA(0, (LPCSTR)IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        return onClose();
    case WM_QUERYENDSESSION:
        return onQueryEndSession();
    case WM_ENDSESSION:
        if (wp)
            onEndSession();
        return 0;
    case WM_DESTROY:
        return onDestroy();
    }
    return DefWindowProcA(hwnd, m, wp, lp);
}

LRESULT cXQueryWindow::onSize(WPARAM type) {
    if (type != SIZE_RESTORED && type != SIZE_MAXIMIZED)
        return 0;
    if (editorSplitter)
        editorSplitter->layout();
    if (resultSplitter)
        resultSplitter->layout();
    if (statusBar)
        statusBar->layout();
    return 0;
}

LRESULT cXQueryWindow::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, 0, 0, 0);
    LineTo(dc, rc.right, 0);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
}

LRESULT cXQueryWindow::onDrawItem(DRAWITEMSTRUCT* di) {
    if (!di || di->CtlType != ODT_BUTTON)
        return FALSE;
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    bool pressed = (di->itemState & ODS_SELECTED) != 0;
    bool disabled = (di->itemState & ODS_DISABLED) != 0;
    int off = pressed ? 1 : 0;

    HBRUSH face = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
    FillRect(dc, &r, face);
    DeleteObject(face);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FrameRect(dc, &r, white);
    DeleteObject(white);
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80));
    HGDIOBJ oldPen = SelectObject(dc, grey);
    if (pressed) {
        MoveToEx(dc, r.left, r.bottom - 1, 0);
        LineTo(dc, r.left, r.top);
        LineTo(dc, r.right, r.top);
    } else {
        MoveToEx(dc, r.right - 1, r.top, 0);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.left - 1, r.bottom - 1);
    }
    SelectObject(dc, oldPen);
    DeleteObject(grey);

    int id = (int)di->CtlID;
    if (id >= CMD_QUERY1 && id <= CMD_QUERY3) {
        int n = id - CMD_QUERY1;
        long colour = settings.ecolor[n];
        if (!disabled && colour) {
            HBRUSH b = CreateSolidBrush(toColorref(colour));
            HPEN p = CreatePen(PS_SOLID, 1, toColorref(colour));
            HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, p);
            Rectangle(dc, 51 + off, 2 + off, 69 + off, 19 + off);
            SelectObject(dc, ob);
            SelectObject(dc, op);
            DeleteObject(b);
            DeleteObject(p);
        }
        drawBmp(dc, bitmaps[disabled ? 11 : 10], 1 + off, 1 + off);
        HICON icon = icons[disabled ? n + 3 : n];
        if (icon)
            DrawIconEx(dc, 51 + off, 2 + off, icon, 16, 16, 0, 0, DI_NORMAL);
    } else if (id >= CMD_CONNECT && id <= CMD_TABLES) {
        int n = id - CMD_CONNECT;
        drawBmp(dc, bitmaps[disabled ? n + 5 : n], 1 + off, 1 + off);
    }
    return TRUE;
}

LRESULT cXQueryWindow::onCtlColor(HDC dc, HWND control) {
    long colour = 0;
    bool known = false;
    for (int i = 0; i < SLOT_COUNT; i++)
        if (slots[i] && control == slots[i]->edit) {
            colour = settings.ecolor[i];
            known = true;
        }
    if (control && control == messagePane) {
        colour = lastWasError ? settings.ecolor[4] : settings.ecolor[3];
        known = true;
    }
    if (!known || colour == 0)
        return 0;
    if (ctlBrush)
        DeleteObject(ctlBrush);
    ctlBrush = CreateSolidBrush(toColorref(colour));
    SetBkColor(dc, toColorref(colour));
    return (LRESULT)ctlBrush;
}

LRESULT cXQueryWindow::onInitMenuPopup(HMENU) {
    cResultGrid* g = shownGrid();
    cQuerySlot* s = shownSlot();
    if (!g || !s)
        return 0;
    auto enable = [this](int id, bool on) {
        EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    bool connected = s->connected;
    enable(CMD_GRIDEXPORT, g->getCountV() > 0);
    enable(CMD_AUTOFORM, g->getCountV() > 0);
    enable(CMD_SHOWEXPR, g->getColCountA() > 0);
    enable(CMD_GROUPBY, g->getColCountA() > 0);
    enable(CMD_SHOWEXPRSEL, g->getColCountS() > 0);
    enable(CMD_CSVCOLUMN, g->getColCountS() > 0);
    for (int id = CMD_DISCONNECT; id <= CMD_TABLES; id++)
        enable(id, connected);
    enable(CMD_EXPORTRESULT, connected && GetFocus() == s->edit);
    return 0;
}

LRESULT cXQueryWindow::onSplitterSelected(LPARAM lp) {
    if (HIWORD(lp) == 0 && shownSlot())
        shownSlot()->refreshTitle();
    return 0;
}

LRESULT cXQueryWindow::onSplitterCollapsed() {
    messagePaneShown = false;
    menuCheck(CMD_MSGPANE, false);
    return 0;
}

LRESULT cXQueryWindow::onClose() {
    // A worker job may be using a slot's connection: the window stays until it has ended.
    if (runScriptBusy() || exportBusy()) {
        MessageBeep(MB_ICONEXCLAMATION);
        return 0;
    }
    // A running statement is canceled first; the window closes once it has ended.
    if (bgDeferClose())
        return 0;
    for (cQuerySlot* s : slots)
        if (!s->askSave())
            return 0;
    saveWindowPosition(hwnd, iniPath, SETTINGS_SECTION, "LastWindowPosition");
    // A slot whose implicit commit failed keeps the window open, shown with its error entry;
    // one whose connection went with it too, once (the next close goes on).
    for (int i = 0; i < SLOT_COUNT; i++) {
        cQuerySlot* s = slots[i];
        bool ended = true;
        if ((s->connected || s->db->isConnected()) && (!s->disconnect(true, &ended) || !ended)) {
            if (i != current)
                showSlot(i);
            return 0;
        }
    }
    DestroyWindow(hwnd);
    return 0;
}

/* The user logs off or the system shuts down: every slot may ask "Save changes?" as at
   closing, and Cancel (or a failed save) keeps the session. */
LRESULT cXQueryWindow::onQueryEndSession() {
    if (runScriptBusy() || exportBusy() || bgBusy()) {
        MessageBeep(MB_ICONEXCLAMATION);
        return FALSE;
    }
    for (cQuerySlot* s : slots)
        if (!s->askSave())
            return FALSE;
    return TRUE;
}

/* The session ends and the process with it, without WM_CLOSE: what closing keeps is kept
   now (the position, the colours, each slot's work ended as the settings say). */
void cXQueryWindow::onEndSession() {
    saveWindowPosition(hwnd, iniPath, SETTINGS_SECTION, "LastWindowPosition");
    settings.saveColors(iniPath, true);
    for (cQuerySlot* s : slots)
        if (s->connected || s->db->isConnected())
            s->disconnect(true, 0, false);
}

LRESULT cXQueryWindow::onDestroy() {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    bool quit = quitOnDestroy;
    delete this;
    if (quit)
        PostQuitMessage(0);
    return 0;
}

/* ---- message loop ---- */

namespace {
/* An Alt accelerator (Alt+1..3) ran while Alt is held: the release of Alt belongs to it and
   must not reach the default procedure, which takes a release after Alt's auto-repeat for
   a lone Alt and opens the menu bar. */
bool g_altChordUsed = false;
}  // namespace

bool preTranslate(MSG* msg, HWND main, HACCEL accel) {
    if (editInputRefused(msg))
        return true;
    HWND active = GetActiveWindow();
    if ((msg->message == WM_SYSKEYUP || msg->message == WM_KEYUP) && msg->wParam == VK_MENU &&
        g_altChordUsed) {
        g_altChordUsed = false;
        return true;
    }
    // A new press of Alt starts afresh; its auto-repeat (previous state set) does not.
    if (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_MENU && !(msg->lParam & (1 << 30)))
        g_altChordUsed = false;
    if (cRerovar::wantMessage(*msg, active))
        return true;
    if (ansiCharDispatched(msg))
        return true;
    // Keys of the main window's own children keep their accelerators even when no window
    // is active (a box whose owner went first can leave it so).
    if (active != main && !(msg->hwnd && GetAncestor(msg->hwnd, GA_ROOT) == main)) {
        return active && IsWindow(active) && IsDialogMessageW(active, msg);
    }
    // Export Resultset's key in the editor of a slot without a connection: the grey menu item
    // would swallow it; the command itself says why it cannot run.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && GetKeyState(VK_CONTROL) < 0 &&
        GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_MENU) >= 0) {
        cXQueryWindow* w = cXQueryWindow::fromHwnd(main);
        if (w && !w->shownSlot()->connected && msg->hwnd == w->shownEditor()) {
            w->command(CMD_EXPORTRESULT);
            return true;
        }
    }
    bool done = accel && TranslateAcceleratorW(main, accel, msg) != 0;
    if (done && msg->message == WM_SYSKEYDOWN)
        g_altChordUsed = true;
    return done;
}

void loopMessage(MSG* msg, HWND main, HACCEL accel) {
    if (preTranslate(msg, main, accel))
        return;
    TranslateMessage(msg);
    DispatchMessageW(msg);
}

int runMessageLoop(HWND main, HACCEL accel) {
    MSG msg = {};
    for (;;) {
        BOOL got = getMessageGuarded(&msg);
        if (got <= 0)
            break;
        loopMessage(&msg, main, accel);
    }
    return (int)msg.wParam;
}
