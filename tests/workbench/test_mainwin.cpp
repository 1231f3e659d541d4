/* The main window in the test process: start-up, slots, buttons, colours, menus, keys,
   the message pane toggle and closing. */
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dlgrunscript.h"
#include "edutil.h"
#include "lumbrarc.h"
#include "querywin.h"
#include "wbtext.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "splitex.h"
#include "statux.h"
#include "wbtest.h"

using wbtest::AppDir;
using wbtest::BoxHook;

namespace {

class MainWindow : public ::testing::Test {
protected:
    BoxHook boxes;
    AppDir dir{"wbmain"};
    cXQueryWindow* w = 0;

    void open(char const* cmdLine = "") {
        w = wbtest::openMain(dir, cmdLine);
        ASSERT_NE(w, nullptr);
    }
    void SetUp() override { open(); }
    void TearDown() override {
        if (w && IsWindow(w->hwnd)) {
            for (cQuerySlot* s : w->slots)
                s->modified = false;
            wbtest::closeMain(w);
        }
        wintest::pump();
    }
    UINT menuState(int id) { return GetMenuState(w->menu, id, MF_BYCOMMAND); }
    RECT rectOf(HWND c) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(0, w->hwnd, (POINT*)&r, 2);
        return r;
    }
    /* Runs one synthetic key message through the program's loop filter. */
    bool key(UINT msg, WPARAM vk, HWND target, bool ctrl = false, bool shift = false,
             bool alt = false) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        state[VK_SHIFT] = shift ? 0x80 : 0;
        state[VK_MENU] = alt ? 0x80 : 0;
        SetKeyboardState(state);
        MSG m = {};
        m.hwnd = target;
        m.message = msg;
        m.wParam = vk;
        m.lParam = 1 | (alt ? (1 << 29) : 0);
        bool taken = preTranslate(&m, w->hwnd, w->accel);
        state[VK_CONTROL] = state[VK_SHIFT] = state[VK_MENU] = 0;
        SetKeyboardState(state);
        return taken;
    }
};

INT_PTR CALLBACK idleDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

TEST(MainWindowStart, FirstStartWithoutIniWarnsAndUsesDefaults) {
    BoxHook boxes;
    AppDir dir("wbfirst", 0);
    cXQueryWindow* w = wbtest::openMain(dir);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Lumbra");
    EXPECT_EQ(boxes.boxes[0].type & MB_ICONMASK, (UINT)MB_ICONEXCLAMATION);
    std::string expectStart = "Cannot open file:\n" + dir.ini + "\n\nWarning:\nInvalid application";
    EXPECT_EQ(boxes.boxes[0].text.substr(0, expectStart.size()), expectStart);
    RECT r;
    GetWindowRect(w->hwnd, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 760);
    EXPECT_EQ(r.bottom - r.top, 560);
    EXPECT_EQ(w->settings.ecolor[0], 0xC0E0F0);
    EXPECT_EQ(w->logCounter, 1);
    wbtest::closeMain(w);
    EXPECT_EQ(dir.read("LastWindowPosition"), "0~0~760~560") << "written at close";
    EXPECT_EQ(dir.read("ecolor_0"), "12640496") << "colours written when the window goes";
}

TEST_F(MainWindow, StartsWithQ1ShownAndAllNotConnected) {
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
    EXPECT_STREQ(w->statusBar->text(0), "Q1: not connected");
    EXPECT_STREQ(w->statusBar->text(1), "Q2: not connected");
    EXPECT_STREQ(w->statusBar->text(2), "Q3: not connected");
    EXPECT_STREQ(w->statusBar->text(3), "~~16");
    EXPECT_STREQ(w->statusBar->text(5), "~~16");
    EXPECT_EQ(w->statusBar->color(0), 0xC0E0F0);
    EXPECT_EQ(w->statusBar->color(1), -1);
    EXPECT_TRUE(IsWindowVisible(w->slots[0]->edit));
    EXPECT_FALSE(IsWindowVisible(w->slots[1]->edit));
    EXPECT_FALSE(IsWindowVisible(w->slots[2]->edit));
    EXPECT_TRUE(IsWindowVisible(w->grids[0]->getHwnd(0)));
    EXPECT_FALSE(IsWindowVisible(w->grids[1]->getHwnd(0)));
    EXPECT_TRUE(IsWindowVisible(w->messagePane));
    EXPECT_EQ(GetFocus(), w->slots[0]->edit);
    EXPECT_TRUE(menuState(CMD_MSGPANE) & MF_CHECKED);
    EXPECT_FALSE(menuState(CMD_HSCROLL) & MF_CHECKED);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(w->grids[i]->rowLimit, 100);
        EXPECT_EQ(w->grids[i]->db, nullptr) << "no connection lent yet";
        EXPECT_EQ(w->grids[i]->getID(), ID_GRID);
        // The edit control draws its border itself and drops WS_BORDER from its style.
        LONG const mask = ~(LONG)(WS_BORDER | WS_VISIBLE);
        EXPECT_EQ(GetWindowLongA(w->slots[i]->edit, GWL_STYLE) & mask, 0x54A010C4 & mask);
    }
    LONG pane = GetWindowLongA(w->messagePane, GWL_STYLE);
    EXPECT_TRUE(pane & ES_READONLY);
    EXPECT_TRUE(pane & ES_MULTILINE);
}

TEST_F(MainWindow, ButtonsAndTheirCommands) {
    struct {
        int id;
        char const* text;
        int x;
    } const expect[] = {{CMD_QUERY1, "Q&1", 6},         {CMD_QUERY2, "Q&2", 86},
                        {CMD_QUERY3, "Q&3", 166},       {CMD_CONNECT, "Connect...", 260},
                        {CMD_DISCONNECT, "Disconnect", 340}, {CMD_COMMIT, "Commit", 420},
                        {CMD_ROLLBACK, "Rollback", 500}, {CMD_TABLES, "Tables...", 596}};
    for (auto const& e : expect) {
        HWND b = GetDlgItem(w->hwnd, e.id);
        ASSERT_NE(b, nullptr) << e.text;
        EXPECT_EQ(wintest::windowText(b), e.text);
        RECT r = rectOf(b);
        EXPECT_EQ(r.left, e.x);
        EXPECT_EQ(r.top, 3);
        EXPECT_EQ(r.right - r.left, 80);
        EXPECT_EQ(r.bottom - r.top, 21);
        EXPECT_TRUE(GetWindowLongA(b, GWL_STYLE) & BS_OWNERDRAW);
    }
    SendMessageA(GetDlgItem(w->hwnd, CMD_QUERY3), BM_CLICK, 0, 0);
    EXPECT_EQ(w->shown(), 2);
}

TEST_F(MainWindow, SlotSwitchingShowsItsEditorGridColourAndTitle) {
    w->command(CMD_QUERY2);
    EXPECT_EQ(w->shown(), 1);
    EXPECT_TRUE(IsWindowVisible(w->slots[1]->edit));
    EXPECT_FALSE(IsWindowVisible(w->slots[0]->edit));
    EXPECT_TRUE(IsWindowVisible(w->grids[1]->getHwnd(0)));
    EXPECT_FALSE(IsWindowVisible(w->grids[0]->getHwnd(0)));
    EXPECT_EQ(GetFocus(), w->slots[1]->edit);
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q2:  not connected]   [Untitled2]");
    EXPECT_EQ(w->statusBar->color(0), -1);
    EXPECT_EQ(w->statusBar->color(1), 0xFFD0D0);
    // The grid of Q2 fills the same place as Q1's did.
    EXPECT_EQ(rectOf(w->grids[1]->getHwnd(0)).top, rectOf(w->grids[0]->getHwnd(0)).top);
    w->showSlot(7);
    EXPECT_EQ(w->shown(), 0) << "an index outside 0..2 shows Q1";
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
    // A hidden slot saved under a name (closing asks every slot) leaves Q1's title.
    lstrcpynA(w->slots[1]->fileName, "C:\\q2save.sql", sizeof w->slots[1]->fileName);
    w->slots[1]->refreshTitle();
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
    w->showSlot(-1);
    EXPECT_EQ(w->shown(), 0);
    // Colour 0 is none: the field keeps the bar's own colours, not black.
    w->settings.ecolor[2] = 0;
    w->showSlot(2);
    EXPECT_EQ(w->statusBar->color(2), -1);
}

TEST_F(MainWindow, SlotsKeepTheirTextsWhileHidden) {
    wbtest::setScript(w, "select 1;");
    w->command(CMD_QUERY3);
    wbtest::setScript(w, "select 3;");
    w->command(CMD_QUERY1);
    EXPECT_EQ(wbtest::script(w), "select 1;");
    w->command(CMD_QUERY3);
    EXPECT_EQ(wbtest::script(w), "select 3;");
}

TEST_F(MainWindow, AcceleratorsOnlyForTheMainWindow) {
    SetForegroundWindow(w->hwnd);
    SetActiveWindow(w->hwnd);
    wintest::pump();
    ASSERT_EQ(GetActiveWindow(), w->hwnd);
    EXPECT_TRUE(key(WM_SYSKEYDOWN, '2', w->slots[0]->edit, false, false, true));
    EXPECT_EQ(w->shown(), 1) << "Alt+2";

    // A modeless dialog of the program is active: the keys are its own.
    HWND dlg = CreateDialogParamA(GetModuleHandleA(0), "DLG_Settings", w->hwnd, idleDialog, 0);
    ASSERT_NE(dlg, nullptr);
    ShowWindow(dlg, SW_SHOW);
    SetActiveWindow(dlg);
    wintest::pump();
    ASSERT_EQ(GetActiveWindow(), dlg);
    key(WM_SYSKEYDOWN, '3', GetDlgItem(dlg, IDC_SET_MAXROWS), false, false, true);
    EXPECT_EQ(w->shown(), 1) << "Alt+3 with a dialog active does nothing";
    DestroyWindow(dlg);
    SetActiveWindow(w->hwnd);
    wintest::pump();
}

TEST_F(MainWindow, TabMovesTheFocusInsteadOfTyping) {
    SetForegroundWindow(w->hwnd);
    SetActiveWindow(w->hwnd);
    HWND ed = w->slots[0]->edit;
    HWND grid = w->grids[0]->getHwnd(0);
    SetFocus(ed);
    EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB, ed));
    EXPECT_EQ(GetFocus(), grid) << "editor -> grid";
    EXPECT_EQ(wbtest::script(w), "") << "no tab typed";
    EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB, grid, false, true));
    EXPECT_EQ(GetFocus(), ed) << "Shift+Tab from the grid -> editor";
    SetFocus(w->messagePane);
    key(WM_KEYDOWN, VK_TAB, w->messagePane);
    EXPECT_EQ(GetFocus(), ed) << "anything else -> editor";
}

TEST_F(MainWindow, CtrlEnterIsExecuteCommand) {
    SetForegroundWindow(w->hwnd);
    SetActiveWindow(w->hwnd);
    wbtest::setScript(w, "select 1;");
    wbtest::caretAt(w, 0);
    EXPECT_TRUE(key(WM_KEYDOWN, VK_RETURN, w->slots[0]->edit, true));
    EXPECT_EQ(wbtest::paneText(w),
              "[1] [ERR]  Not connected. You have to connect before executing SQL commands!\r\n\r\n");
    EXPECT_EQ(wbtest::script(w), "select 1;") << "no line break typed";
    EXPECT_TRUE(key(WM_KEYDOWN, VK_F5, w->slots[0]->edit));
    EXPECT_EQ(w->logCounter, 3) << "F5 ran the script, which stopped at the first failure";
    // Export Resultset's key without a connection says so, although its menu item is grey.
    SetFocus(w->slots[0]->edit);
    EXPECT_TRUE(key(WM_KEYDOWN, VK_RETURN, w->slots[0]->edit, true, true));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Not connected!");
    EXPECT_EQ(boxes.boxes[0].caption, "Export Resultset");
    // With another window active (or none, after a box whose owner closed first), the
    // editor's keys still work.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, 0,
                                 0, 0, 0);
    wbtest::caretAt(w, 0);
    SetActiveWindow(other);
    ASSERT_NE(GetActiveWindow(), w->hwnd);
    EXPECT_TRUE(key(WM_KEYDOWN, VK_RETURN, w->slots[0]->edit, true));
    DestroyWindow(other);
    EXPECT_EQ(w->logCounter, 4);
    EXPECT_EQ(wbtest::script(w), "select 1;");
}

TEST_F(MainWindow, MessagePaneToggleAndDoubleClickCollapse) {
    RECT client;
    GetClientRect(w->hwnd, &client);
    int bottom = client.bottom - w->statusBar->height();
    HWND grid = w->grids[0]->getHwnd(0);
    w->command(CMD_MSGPANE);
    EXPECT_FALSE(w->messagePaneShown);
    EXPECT_FALSE(menuState(CMD_MSGPANE) & MF_CHECKED);
    EXPECT_FALSE(IsWindowVisible(w->messagePane));
    EXPECT_EQ(rectOf(grid).bottom, bottom) << "the grids take the pane's place";

    w->command(CMD_MSGPANE);
    EXPECT_TRUE(w->messagePaneShown);
    EXPECT_TRUE(menuState(CMD_MSGPANE) & MF_CHECKED);
    EXPECT_TRUE(IsWindowVisible(w->messagePane));
    EXPECT_DOUBLE_EQ(w->editorSplitter->getRatio(), 0.425);
    EXPECT_DOUBLE_EQ(w->resultSplitter->getRatio(), 0.85);
    EXPECT_EQ(rectOf(w->messagePane).bottom, bottom);

    SendMessageA(w->resultSplitter->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 2));
    EXPECT_FALSE(w->messagePaneShown);
    EXPECT_FALSE(menuState(CMD_MSGPANE) & MF_CHECKED);
    EXPECT_FALSE(IsWindowVisible(w->messagePane));
    w->command(CMD_MSGPANE);
    EXPECT_TRUE(IsWindowVisible(w->messagePane));
}

TEST_F(MainWindow, PanesFollowTheWindowSize) {
    MoveWindow(w->hwnd, 10, 10, 900, 700, TRUE);
    wintest::pump();
    RECT client;
    GetClientRect(w->hwnd, &client);
    int A = client.bottom - 26 - w->statusBar->height();
    int barH = w->editorSplitter->barHeight();
    EXPECT_EQ(barH, 6) << "the 16 x 6 grip bitmap";
    EXPECT_EQ(w->editorSplitter->barY(), 26 + (int)(A * 0.425) - barH / 2);
    EXPECT_EQ(w->resultSplitter->barY(), 26 + (int)(A * 0.85) - barH / 2);
    RECT ed = rectOf(w->slots[0]->edit), grid = rectOf(w->grids[0]->getHwnd(0));
    EXPECT_EQ(ed.top, 26);
    EXPECT_EQ(ed.bottom, w->editorSplitter->barY());
    EXPECT_EQ(grid.top, w->editorSplitter->barY() + barH);
    EXPECT_EQ(grid.bottom, w->resultSplitter->barY());
    EXPECT_EQ(ed.right, client.right);
    RECT sb = rectOf(w->statusBar->hwnd());
    EXPECT_EQ(sb.bottom, client.bottom);
}

TEST_F(MainWindow, HorizontalScrollbarSwitch) {
    w->command(CMD_HSCROLL);
    EXPECT_TRUE(menuState(CMD_HSCROLL) & MF_CHECKED);
    for (cQuerySlot* s : w->slots)
        EXPECT_TRUE(GetWindowLongA(s->edit, GWL_STYLE) & WS_HSCROLL);
    w->command(CMD_HSCROLL);
    EXPECT_FALSE(menuState(CMD_HSCROLL) & MF_CHECKED);
    for (cQuerySlot* s : w->slots)
        EXPECT_FALSE(GetWindowLongA(s->edit, GWL_STYLE) & WS_HSCROLL);
}

TEST_F(MainWindow, MenuStateFollowsGridAndConnection) {
    SetFocus(w->slots[0]->edit);
    SendMessageA(w->hwnd, WM_INITMENUPOPUP, (WPARAM)GetSubMenu(w->menu, 2), 2);
    EXPECT_TRUE(menuState(CMD_GRIDEXPORT) & MF_GRAYED) << "no rows";
    EXPECT_TRUE(menuState(CMD_AUTOFORM) & MF_GRAYED);
    EXPECT_TRUE(menuState(CMD_SHOWEXPR) & MF_GRAYED) << "no columns";
    EXPECT_TRUE(menuState(CMD_GROUPBY) & MF_GRAYED);
    EXPECT_TRUE(menuState(CMD_SHOWEXPRSEL) & MF_GRAYED);
    EXPECT_TRUE(menuState(CMD_CSVCOLUMN) & MF_GRAYED);
    for (int id = CMD_DISCONNECT; id <= CMD_TABLES; id++)
        EXPECT_TRUE(menuState(id) & MF_GRAYED) << id;
    EXPECT_TRUE(menuState(CMD_EXPORTRESULT) & MF_GRAYED);
    EXPECT_FALSE(menuState(CMD_CONNECT) & MF_GRAYED);
    EXPECT_FALSE(menuState(CMD_EXECUTE) & MF_GRAYED);
    EXPECT_FALSE(menuState(CMD_NEW) & MF_GRAYED);
}

TEST_F(MainWindow, EnableUiLocksMenusButtonsAndEditor) {
    w->enableUi(false, false);
    for (int pos = 0; pos < 6; pos++)
        EXPECT_TRUE(GetMenuState(w->menu, pos, MF_BYPOSITION) & MF_GRAYED) << "menu " << pos;
    for (HWND b : w->buttons)
        EXPECT_FALSE(IsWindowEnabled(b));
    EXPECT_FALSE(IsWindowEnabled(w->slots[0]->edit));
    EXPECT_FALSE(IsWindowEnabled(w->grids[0]->getHwnd(0)));
    w->enableUi(true, true);
    for (int pos = 0; pos < 6; pos++)
        EXPECT_FALSE(GetMenuState(w->menu, pos, MF_BYPOSITION) & MF_GRAYED) << "menu " << pos;
    for (HWND b : w->buttons)
        EXPECT_TRUE(IsWindowEnabled(b));
    EXPECT_TRUE(IsWindowEnabled(w->slots[0]->edit));
    EXPECT_EQ(GetFocus(), w->slots[0]->edit);
}

TEST_F(MainWindow, ControlColoursFromTheSettings) {
    HDC dc = CreateCompatibleDC(0);
    SetBkColor(dc, RGB(1, 2, 3));
    LRESULT brush = SendMessageA(w->hwnd, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)w->slots[1]->edit);
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetBkColor(dc), RGB(0xFF, 0xD0, 0xD0)) << "Q2 colour, red and blue swapped";
    SendMessageA(w->hwnd, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)w->messagePane);
    EXPECT_EQ(GetBkColor(dc), RGB(0xD0, 0xD0, 0xD0));
    w->logResult(true, 0, "broken", 0);
    SendMessageA(w->hwnd, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)w->messagePane);
    EXPECT_EQ(GetBkColor(dc), RGB(0xFF, 0, 0)) << "error colour after an error entry";
    w->logResult(false, 0, "fine", 0);
    SendMessageA(w->hwnd, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)w->messagePane);
    EXPECT_EQ(GetBkColor(dc), RGB(0xD0, 0xD0, 0xD0));

    w->settings.ecolor[0] = 0;  // "no colour": the control's default stays
    SetBkColor(dc, RGB(1, 2, 3));
    SendMessageA(w->hwnd, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)w->slots[0]->edit);
    EXPECT_NE(GetBkColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
    DeleteDC(dc);
}

TEST_F(MainWindow, QButtonPaintsTheSlotColour) {
    HDC screen = GetDC(0);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 80, 21);
    ReleaseDC(0, screen);
    HGDIOBJ old = SelectObject(mem, canvas);
    DRAWITEMSTRUCT di = {};
    di.CtlType = ODT_BUTTON;
    di.CtlID = CMD_QUERY2;
    di.hwndItem = GetDlgItem(w->hwnd, CMD_QUERY2);
    di.hDC = mem;
    SetRect(&di.rcItem, 0, 0, 80, 21);
    EXPECT_TRUE(SendMessageA(w->hwnd, WM_DRAWITEM, CMD_QUERY2, (LPARAM)&di));
    EXPECT_EQ(wbtest::pixel(mem, 68, 18), 0xFFD0D0) << "slot colour box at (51, 2)-(69, 19)";
    EXPECT_EQ(wbtest::pixel(mem, 69, 19), 0xC0C0C0);
    EXPECT_EQ(wbtest::pixel(mem, 0, 0), 0xFFFFFF) << "white outline";
    EXPECT_EQ(wbtest::pixel(mem, 79, 10), 0x808080) << "grey right line when up";
    EXPECT_EQ(wbtest::pixel(mem, 0, 10), 0xFFFFFF);

    di.itemState = ODS_SELECTED;
    SendMessageA(w->hwnd, WM_DRAWITEM, CMD_QUERY2, (LPARAM)&di);
    EXPECT_EQ(wbtest::pixel(mem, 69, 19), 0xFFD0D0) << "pressed: content one pixel down-right";
    EXPECT_EQ(wbtest::pixel(mem, 0, 10), 0x808080) << "grey left line when pressed";

    di.itemState = ODS_DISABLED;
    SendMessageA(w->hwnd, WM_DRAWITEM, CMD_QUERY2, (LPARAM)&di);
    EXPECT_EQ(wbtest::pixel(mem, 68, 18), 0xC0C0C0) << "no slot colour when disabled";

    di.CtlID = CMD_COMMIT;
    di.itemState = 0;
    SendMessageA(w->hwnd, WM_DRAWITEM, CMD_COMMIT, (LPARAM)&di);
    bool green = false;
    for (int x = 1; x < 20; x++)
        for (int y = 1; y < 20; y++)
            green = green || wbtest::pixel(mem, x, y) == 0x30C030;
    EXPECT_TRUE(green) << "the Commit face shows its check mark";
    SelectObject(mem, old);
    DeleteObject(canvas);
    DeleteDC(mem);
}

TEST_F(MainWindow, ClosingAsksEverySlotAndCancelKeepsItRunning) {
    for (int i = 0; i < 3; i++) {
        w->showSlot(i);
        wbtest::typeScript(w, "select 1;");
        EXPECT_TRUE(w->slots[i]->modified);
    }
    boxes.answers = {IDNO, IDCANCEL};
    SendMessageA(w->hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(w->hwnd)) << "Cancel keeps the program running";
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Save changes?\r\n\r\nUntitled1");
    EXPECT_EQ(boxes.boxes[1].text, "Save changes?\r\n\r\nUntitled2");
    EXPECT_EQ(boxes.boxes[0].type, (UINT)(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(dir.read("LastWindowPosition"), "<missing>") << "nothing written";

    // Logging off asks the same: Cancel keeps the session; its end keeps the position.
    boxes.boxes.clear();
    boxes.answers = {IDNO, IDCANCEL};
    EXPECT_EQ(SendMessageA(w->hwnd, WM_QUERYENDSESSION, 0, 0), FALSE);
    EXPECT_EQ(boxes.boxes.size(), 2u);
    boxes.boxes.clear();
    boxes.answers = {IDNO, IDNO, IDNO};
    EXPECT_EQ(SendMessageA(w->hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(boxes.boxes.size(), 3u);
    SendMessageA(w->hwnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_NE(dir.read("LastWindowPosition"), "<missing>");

    boxes.boxes.clear();
    boxes.answers = {IDNO, IDNO, IDNO};
    HWND h = w->hwnd;
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(boxes.boxes.size(), 3u);
    EXPECT_NE(dir.read("LastWindowPosition"), "<missing>");
    w = 0;
}

/* Another Lumbra on the same settings file changed a colour: this window's end keeps it,
   and writes only what changed here. */
TEST_F(MainWindow, ClosingKeepsColoursAnotherWindowChanged) {
    wbtest::closeMain(w);
    open();
    dir.write("ecolor_1", "222");  // written by the other window meanwhile
    w->settings.ecolor[2] = 0x00FF00;
    wbtest::closeMain(w);
    EXPECT_EQ(dir.read("ecolor_1"), "222");
    EXPECT_EQ(dir.read("ecolor_2"), "65280");
    w = 0;
}

TEST_F(MainWindow, StoredPositionIsUsedAgain) {
    MoveWindow(w->hwnd, 40, 30, 640, 480, TRUE);
    wbtest::closeMain(w);
    EXPECT_EQ(dir.read("LastWindowPosition"), "40~30~640~480");
    open();
    RECT r;
    GetWindowRect(w->hwnd, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
}

TEST_F(MainWindow, LogEntriesAreNumberedAndThePaneStaysUnder30000) {
    w->logResult(false, 0.25, "select * from t", 0);
    w->logResult(true, 0, "driver message", "insert into t values (1)");
    EXPECT_EQ(wbtest::paneText(w),
              "[1] [OK] [0.25 s]  select * from t\r\n\r\n"
              "[2] [ERR]  driver message\r\n=== insert into t values (1)\r\n\r\n");
    EXPECT_STREQ(w->statusBar->text(4), "[2] [ERR]  ");
    std::string chunk(1000, 'a');
    for (int i = 0; i < 40; i++)
        w->logResult(false, 0, chunk.c_str(), 0);
    std::string pane = wbtest::paneText(w);
    EXPECT_LE(pane.size(), 30000u);
    EXPECT_GT(pane.size(), 29000u);
    EXPECT_EQ(pane.find("[1] [OK]"), std::string::npos) << "the oldest text went first";
    EXPECT_NE(pane.find("[42] [OK]  aaa"), std::string::npos);
    std::string huge(100000, 'z');
    w->logResult(false, 0, huge.c_str(), 0);
    pane = wbtest::paneText(w);
    EXPECT_LE(pane.size(), 30000u);
    size_t at = pane.find("[43] [OK]  z");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(pane.size() - at, (size_t)LOG_ENTRY_MAX) << "a long entry is cut to its limit";
    EXPECT_EQ(pane.substr(pane.size() - 7), "...\r\n\r\n");
    w->command(CMD_CLEARLOG);
    EXPECT_EQ(wbtest::paneText(w), "");
    w->logResult(false, 0, "next", 0);
    EXPECT_EQ(wbtest::paneText(w), "[44] [OK]  next\r\n\r\n") << "the counter only grows";

    // In a pane of about two lines of a large font the new entry is in sight, not the blank
    // line after it.
    HFONT big = CreateFontA(-40, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    SendMessageA(w->messagePane, WM_SETFONT, (WPARAM)big, TRUE);
    RECT r;
    GetClientRect(w->messagePane, &r);
    ASSERT_LT(r.bottom, 3 * 46) << "the pane holds less than three lines of the font";
    for (int i = 0; i < 3; i++)
        w->logResult(false, 0, "more", 0);
    int start = (int)wbtest::paneText(w).rfind("[47]");
    int line = (int)SendMessageA(w->messagePane, EM_LINEFROMCHAR, start, 0);
    EXPECT_EQ(line, (int)SendMessageA(w->messagePane, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageA(w->messagePane, WM_SETFONT, 0, FALSE);
    DeleteObject(big);
}

TEST_F(MainWindow, CommandsWithoutTheirDialogsYetDoNothingVisible) {
    // Run External Script has its dialog now: it opens, locks the window, and closes.
    w->command(CMD_RUNEXTERNAL);
    HWND run = runScriptDialog();
    ASSERT_TRUE(run != 0);
    EXPECT_EQ(wintest::windowText(run), "Run External Script");
    EXPECT_FALSE(IsWindowEnabled(w->slots[0]->edit));
    SendMessageA(run, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(run));
    EXPECT_TRUE(IsWindowEnabled(w->slots[0]->edit));
    EXPECT_EQ(wbtest::paneText(w), "");
    // The CSV tool without a selected column only explains itself; About is a modal box.
    w->command(CMD_CSVCOLUMN);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "CSV From One Column");
    bool aboutSeen = false;
    wintest::Driver driver([&]() {
        HWND d = wintest::findDialog("Lumbra");
        if (!d)
            return false;
        aboutSeen = true;
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    w->command(CMD_ABOUT);
    EXPECT_TRUE(aboutSeen);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(wbtest::paneText(w), "");
    boxes.boxes.clear();
    w->command(CMD_GROUPBY);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Not connected!");
    EXPECT_EQ(boxes.boxes[0].caption, "Lumbra");
    SetFocus(w->slots[0]->edit);
    w->command(CMD_EXPORTRESULT);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Not connected!");
    EXPECT_EQ(boxes.boxes[1].caption, "Export Resultset");
    SetFocus(w->grids[0]->getHwnd(0));
    w->command(CMD_EXPORTRESULT);
    EXPECT_EQ(boxes.boxes.size(), 2u) << "only with the editor focused";
}

TEST_F(MainWindow, ConnectOpensTheConnectDialogForTheShownSlot) {
    w->command(CMD_QUERY2);
    std::string caption;
    wintest::Driver driver([&]() {
        std::vector<HWND> d = wintest::threadWindows("#32770");
        if (d.empty())
            return false;
        caption = wintest::windowText(d[0]);
        PostMessageA(d[0], WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    w->command(CMD_CONNECT);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_NE(caption.find("Q2"), std::string::npos) << caption;
    EXPECT_FALSE(w->slots[1]->connected);
    EXPECT_EQ(wbtest::paneText(w), "") << "cancelled: nothing logged";
    EXPECT_EQ(GetFocus(), w->slots[1]->edit) << "focus restored";
}

TEST_F(MainWindow, QuitClosesLikeTheSystemMenu) {
    HWND h = w->hwnd;
    w->command(CMD_QUIT);
    EXPECT_FALSE(IsWindow(h));
    w = 0;
}
