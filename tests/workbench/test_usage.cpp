/* The workbench used as a newcomer uses it: the slots' grids on screen, keyboard slot
   switching, the connect keyword, the shipped sample script, the Tables dialog, national
   letters and wide numbers. Runs against the data sources of .ci/odbcini.sh and the sample
   of .ci/sample.sh. */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "editguard.h"
#include "edutil.h"
#include "lumbrarc.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "statux.h"
#include "stmtfind.h"
#include "values.h"
#include "wbtest.h"
#include "xdbc.h"


namespace {

using wbtest::pgDsn;
using wbtest::pgPswd;
using wbtest::pgUser;
using wbtest::Side;
using wbtest::sqliteDsn;

/* "Žluťoučký kůň" in code page 1250 and in UTF-8. */
char const kHorse1250[] = "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";
char const kHorseUtf8Hex[] = "c5bd6c75c5a56f75c48d6bc3bd206bc5afc588";

std::string lastEntry(cXQueryWindow* w) {
    std::string pane = wbtest::paneText(w);
    if (pane.size() >= 4 && pane.compare(pane.size() - 4, 4, "\r\n\r\n") == 0)
        pane.resize(pane.size() - 4);
    size_t at = pane.rfind("\r\n\r\n");
    return at == std::string::npos ? pane : pane.substr(at + 4);
}

bool startsWith(std::string const& s, char const* prefix) {
    return s.compare(0, strlen(prefix), prefix) == 0;
}

/* Pixels of the grid's client area that differ between the screen (the window's surface,
   what the user sees) and what the grid paints now from its data. */
int staleGridPixels(cResultGrid* g) {
    HWND h = g->getHwnd(0);
    RECT rc;
    GetClientRect(h, &rc);
    int w = rc.right, ht = rc.bottom;
    HDC win = GetDC(h);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -ht;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bitsShown = 0;
    void* bitsNow = 0;
    HBITMAP shown = CreateDIBSection(win, &bi, DIB_RGB_COLORS, &bitsShown, 0, 0);
    HBITMAP now = CreateDIBSection(win, &bi, DIB_RGB_COLORS, &bitsNow, 0, 0);
    HDC mem = CreateCompatibleDC(win);
    HGDIOBJ old = SelectObject(mem, shown);
    BitBlt(mem, 0, 0, w, ht, win, 0, 0, SRCCOPY);
    SelectObject(mem, now);
    SendMessageA(h, WM_PRINTCLIENT, (WPARAM)mem, PRF_CLIENT);
    GdiFlush();
    int differ = 0;
    DWORD const* a = (DWORD const*)bitsShown;
    DWORD const* b = (DWORD const*)bitsNow;
    for (int i = 0; i < w * ht; i++)
        if ((a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF))
            differ++;
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(shown);
    DeleteObject(now);
    ReleaseDC(h, win);
    return differ;
}

/* Messages through the program's own loop filter for ms milliseconds. */
void runLoop(cXQueryWindow* w, DWORD ms) {
    DWORD end = GetTickCount() + ms;
    do {
        MSG m;
        while (PeekMessageW(&m, 0, 0, 0, PM_REMOVE))
            loopMessage(&m, w->hwnd, w->accel);
        Sleep(5);
    } while ((int)(end - GetTickCount()) > 0);
}

/* Each character typed as itself, whatever the keyboard layout (a key press and release). */
void typeUnicode(std::wstring const& text) {
    for (wchar_t c : text) {
        INPUT in[2] = {};
        for (int i = 0; i < 2; i++) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wScan = c;
            in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
    }
}

void keyInput(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, 0);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

/* Set while a menu was open on this thread; the menu is closed at once. */
bool g_menuSeen = false;

void CALLBACK menuWatch(HWND, UINT, UINT_PTR, DWORD) {
    GUITHREADINFO gi = {};
    gi.cbSize = sizeof gi;
    if (GetGUIThreadInfo(GetCurrentThreadId(), &gi) && (gi.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE))) {
        g_menuSeen = true;
        EndMenu();
    }
}

class Usage : public wbtest::MainTest {
protected:
    Usage() : MainTest("wbusage") {}

    void open() {
        w = wbtest::openMain(dir);
        ASSERT_NE(w, nullptr);
        SetForegroundWindow(w->hwnd);
        SetActiveWindow(w->hwnd);
        wintest::pump(50);
    }
    void TearDown() override {
        MainTest::TearDown();
        wintest::pump();
    }
    cQuerySlot* slot() { return w->shownSlot(); }
    void runOne(std::string const& stmt) {
        MainTest::runOne(stmt);
        wintest::pump(30);
    }
    std::string last() { return lastEntry(w); }
};

}  // namespace

TEST_F(Usage, GridsOfQ2AndQ3ShowEveryResultAtOnce) {
    open();
    for (int n : {1, 2}) {
        SCOPED_TRACE("slot Q" + std::to_string(n + 1));
        w->command(CMD_QUERY1 + n);
        wintest::pump(30);
        cResultGrid* g = w->grids[n];
        ASSERT_EQ(w->shownGrid(), g);
        ASSERT_TRUE(IsWindowVisible(g->getHwnd(0)));
        runOne("connect " + sqliteDsn() + ";");
        ASSERT_TRUE(slot()->connected) << last();
        runOne("select 1 as a");
        ASSERT_EQ(g->getCountA(), 1) << last();
        EXPECT_STREQ(w->statusBar->text(6), "DB: 1 / 1");
        EXPECT_EQ(staleGridPixels(g), 0) << "the screen shows the first result";
        runOne("select 2 as b, 'x' as c union all select 3, 'y'");
        ASSERT_EQ(g->getCountA(), 2) << last();
        EXPECT_EQ(staleGridPixels(g), 0) << "the screen shows the second result";
        g->sort(g->index2col(0)->colid, 2);
        wintest::pump(30);
        EXPECT_EQ(staleGridPixels(g), 0) << "sorted rows are shown at once";
        g->qbe_edit(1, 'y');
        wintest::pump(30);
        ASSERT_EQ(g->getCountV(), 1);
        EXPECT_EQ(staleGridPixels(g), 0) << "a typed filter is shown at once";
        runOne("disconnect");
    }
    w->command(CMD_QUERY1);
    wintest::pump(30);
    EXPECT_EQ(staleGridPixels(w->grids[0]), 0) << "Q1 after the others";
}

TEST_F(Usage, AltDigitLeavesTheFocusInTheNewSlotsEditor) {
    open();
    ASSERT_EQ(GetForegroundWindow(), w->hwnd);
    SetFocus(w->slots[0]->edit);
    g_menuSeen = false;
    UINT_PTR timer = SetTimer(0, 0, 40, menuWatch);
    for (int n : {1, 2, 0}) {
        SCOPED_TRACE("Alt+" + std::to_string(n + 1));
        keyInput(VK_MENU, false);
        keyInput((WORD)('1' + n), false);
        keyInput((WORD)('1' + n), true);
        keyInput(VK_MENU, false);  // Alt held a little longer: its auto-repeat
        keyInput(VK_MENU, false);
        keyInput(VK_MENU, true);
        runLoop(w, 150);
        EXPECT_EQ(w->shown(), n);
        EXPECT_EQ(GetFocus(), w->slots[n]->edit) << "the new slot's editor has the focus";
        for (char c : std::string("SEL"))
            keyInput((WORD)c, false), keyInput((WORD)c, true);
        runLoop(w, 150);
        EXPECT_FALSE(g_menuSeen) << "the menu bar was activated";
        EXPECT_EQ(wbtest::script(w), "sel") << "the keys went into the editor";
        g_menuSeen = false;
    }
    KillTimer(0, timer);
}

TEST_F(Usage, TypedNationalLettersReachTheEditorAsTheAnsiCodePageWritesThem) {
    open();
    SetFocus(w->slots[0]->edit);
    // Typed as characters, whatever the keyboard layout's own code page: t, u, e, c, d with
    // their accents, and R with its caron, which code page 1252 does not have. The n with a
    // tilde and a CJK character, which code page 1250 does not have, are refused: shown,
    // they would be saved and run as "n" and "?".
    typeUnicode(L"\x0165\x016F\x00F1\x011B\x010D\x65E5\x010F\x0158");
    runLoop(w, 200);
    EXPECT_EQ(wbtest::script(w), "\x9d\xf9\xec\xe8\xef\xd8");

    // Pasting: text with such a letter is refused with a word, other text goes in.
    for (wchar_t const* clip : {L"Mu\x00F1oz", L" \x0159" L"ada"}) {
        ASSERT_TRUE(OpenClipboard(w->hwnd));
        EmptyClipboard();
        size_t bytes = (wcslen(clip) + 1) * sizeof(wchar_t);
        HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(g), clip, bytes);
        GlobalUnlock(g);
        SetClipboardData(CF_UNICODETEXT, g);
        CloseClipboard();
        MSG paste = {};
        paste.hwnd = w->slots[0]->edit;
        paste.message = WM_CHAR;
        paste.wParam = 0x16;  // Ctrl+V
        loopMessage(&paste, w->hwnd, w->accel);
    }
    EXPECT_EQ(wbtest::script(w), "\x9d\xf9\xec\xe8\xef\xd8 \xf8" "ada");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 34), "The clipboard's text holds letters");
}

/* A caron, ogonek or double acute typed, pasted or brought by a deletion where it follows no
   letter (blanks passed over) would end the program in Wine's text shaping: refused. */
TEST_F(Usage, AccentsTheTextDisplayCannotShapeAreNotTyped) {
    open();
    HWND e = w->slots[0]->edit;
    SetFocus(e);
    typeUnicode(L"1\x02C7" L"a\x02C7 \x02DD");
    runLoop(w, 200);
    EXPECT_EQ(wbtest::script(w), "1a\xa1 \xbd");
    auto send = [&](UINT m, WPARAM c) {
        MSG k = {};
        k.hwnd = e;
        k.message = m;
        k.wParam = c;
        loopMessage(&k, w->hwnd, w->accel);
    };
    SendMessageA(e, EM_SETSEL, 2, 2);  // between "a" and the caron
    send(WM_CHAR, 0x0D);  // Enter would start a line with it
    send(WM_CHAR, 0x08);  // Backspace would put "1" before it
    send(WM_CHAR, '(');
    SendMessageA(e, EM_SETSEL, 1, 1);
    send(WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(wbtest::script(w), "1a\xa1 \xbd");
    SendMessageA(e, EM_SETSEL, 5, 5);
    send(WM_CHAR, 'b');  // after a letter, the accent stays
    EXPECT_EQ(wbtest::script(w), "1a\xa1 \xbd" "b");
    // A line may start with a blank and the accent; joined to a line ending in a digit,
    // the blank does not part them.
    wbtest::setScript(w, "b2\r\n \xa1");
    SendMessageA(e, EM_SETSEL, 4, 4);
    send(WM_CHAR, 0x08);
    SendMessageA(e, EM_SETSEL, 2, 2);
    send(WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(wbtest::script(w), "b2\r\n \xa1");
    // Shift+Delete cuts the selection: "A" cut from "1A" would leave the caron after "1".
    wbtest::setScript(w, "1A\xa1");
    SendMessageA(e, EM_SETSEL, 1, 2);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    send(WM_KEYDOWN, VK_DELETE);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(wbtest::script(w), "1A\xa1");
    wbtest::setScript(w, "1a\xa1 \xbd" "b");
    SendMessageA(e, EM_SETSEL, 6, 6);
    ASSERT_TRUE(OpenClipboard(w->hwnd));
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, 8);
    memcpy(GlobalLock(g), L"(\x02DB", 6);
    GlobalUnlock(g);
    SetClipboardData(CF_UNICODETEXT, g);
    CloseClipboard();
    send(WM_CHAR, 0x16);
    EXPECT_EQ(wbtest::script(w), "1a\xa1 \xbd" "b");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.substr(0, 45), "The clipboard's text holds a caron, ogonek or");
    // The right-click menu's Paste ("p" typed into the open menu) is refused alike; the
    // control's own menu pasted past every guard.
    // So is the menu Wine posts after the menu key.
    PostMessageW(e, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    PostMessageW(e, WM_CHAR, 'p', 0);
    PostMessageW(e, WM_CONTEXTMENU, (WPARAM)e, MAKELPARAM(-1, -1));
    PostMessageW(e, WM_CHAR, 'p', 0);
    runLoop(w, 50);
    EXPECT_EQ(wbtest::script(w), "1a\xa1 \xbd" "b");
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[2].text, boxes.boxes[0].text);
    wbtest::setScript(w, "1A\xa1");
    SendMessageA(e, EM_SETSEL, 1, 2);
    editMenuCommand(e, WM_CUT);
    editMenuCommand(e, WM_CLEAR);
    EXPECT_EQ(wbtest::script(w), "1A\xa1");
    editMenuCommand(e, WM_PASTE);  // "(" and an ogonek in place of "A"
    EXPECT_EQ(wbtest::script(w), "1A\xa1");
    ASSERT_TRUE(OpenClipboard(w->hwnd));
    EmptyClipboard();
    g = GlobalAlloc(GMEM_MOVEABLE, 4);
    memcpy(GlobalLock(g), L"\x0159", 4);
    GlobalUnlock(g);
    SetClipboardData(CF_UNICODETEXT, g);
    CloseClipboard();
    editMenuCommand(e, WM_PASTE);  // a letter before the caron
    EXPECT_EQ(wbtest::script(w), "1\xf8\xa1");
    EXPECT_EQ(boxes.boxes.size(), 4u);
}

/* The grid keeps ANSI text: a letter typed into its filter row arrives as code page 1250
   writes it, not as the keyboard layout's code page would (R with a caron became R). */
TEST_F(Usage, TypedNationalLettersReachTheFilterRow) {
    open();
    runOne("connect " + sqliteDsn() + ";");
    runOne("select 'x' as name");
    cResultGrid* g = w->shownGrid();
    ASSERT_EQ(g->getCountA(), 1) << last();
    g->curcol = 0;
    SetFocus(g->getHwnd(0));
    typeUnicode(L"\x0158" L"e\x0165");
    runLoop(w, 200);
    EXPECT_STREQ(g->index2col(0)->qbeText, "\xd8" "e\x9d");
}

TEST_F(Usage, ConnectWithoutASourceNameFailsAndNothingRunsOnIt) {
    open();
    runOne("connect /lumbra/x;");
    std::string e = last();
    EXPECT_TRUE(startsWith(e, "[1] [ERR]")) << e;
    EXPECT_NE(e.find("Cannot connect!"), std::string::npos) << e;
    EXPECT_FALSE(slot()->connected);
    EXPECT_FALSE(slot()->db->isConnected()) << "no connection the slot does not show";
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
    runOne("select sqlite_version()");
    EXPECT_TRUE(startsWith(last(), "[2] [ERR]  Not connected.")) << last();
    EXPECT_EQ(w->shownGrid()->getCountA(), 0);

    // A connected slot loses its connection to the failed connect, as with any failure.
    runOne("connect " + sqliteDsn() + ";");
    ASSERT_TRUE(slot()->connected) << last();
    runOne("connect /;");
    EXPECT_TRUE(startsWith(last(), "[4] [ERR]")) << last();
    EXPECT_FALSE(slot()->connected);
    EXPECT_FALSE(slot()->db->isConnected());
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
    runOne("select 1 as a");
    EXPECT_TRUE(startsWith(last(), "[5] [ERR]  Not connected.")) << last();
}

TEST_F(Usage, EveryStatementOfTheSampleScriptRunsByCaret) {
    char exe[MAX_PATH];
    GetModuleFileNameA(0, exe, sizeof exe);
    std::string path(exe);
    path = path.substr(0, path.find_last_of('\\') + 1) + "samples\\welcome.sql";
    std::string text = wbtest::readFile(path);
    ASSERT_NE(text, "<no file>") << path << " -- made by .ci/sample.sh <builddir>";
    open();
    wbtest::setScript(w, text.c_str());
    HWND ed = w->slots[0]->edit;
    int lines = edLineCount(ed);
    int lastEnd = -1, ran = 0, stops = 0;
    for (int line = 0; line < lines; line++) {
        int probe = line;
        std::string s = slot()->statementAt(&probe);
        if (s.empty() || probe == lastEnd)
            continue;
        lastEnd = probe;
        std::string flat = s.substr(leadingCommentLength(s));
        flattenBlanks(flat);
        if (flat.empty())
            continue;
        wbtest::caretAt(w, edLineIndex(ed, line));
        int before = w->logCounter;
        wbtest::executeInEditor(w);
        if (statementKind(flat.c_str()) == STMT_STOP) {
            EXPECT_EQ(w->logCounter, before) << "stop runs nothing";
            stops++;
            continue;
        }
        ran++;
        std::string e = last();
        EXPECT_TRUE(startsWith(e, ("[" + std::to_string(before) + "] [OK]").c_str()))
            << "line " << line + 1 << ": " << e;
        if (statementKind(flat.c_str()) == STMT_SELECT) {
            EXPECT_GT(w->grids[0]->getCountA(), 0) << "line " << line + 1 << " shows rows";
        }
    }
    EXPECT_EQ(stops, 1);
    EXPECT_GE(ran, 8) << "connect, the selects, the update and the rollback";
    EXPECT_TRUE(boxes.boxes.empty());

    // The caret anywhere inside the welcome comment runs the statement below it.
    wbtest::caretBefore(w, "Welcome to Lumbra");
    int before = w->logCounter;
    wbtest::executeInEditor(w);
    std::string e = last();
    EXPECT_TRUE(startsWith(e, ("[" + std::to_string(before) + "] [OK]").c_str())) << e;
    EXPECT_NE(e.find("]  select c.id, c.name"), std::string::npos) << "without the comment: " << e;
    EXPECT_EQ(text.find("F5 ran"), std::string::npos) << "nothing has run when it is opened";
}

TEST_F(Usage, TablesBringsTheSlotsOpenDialogToTheFront) {
    open();
    runOne("connect " + sqliteDsn() + ";");
    ASSERT_TRUE(slot()->connected) << last();
    w->command(CMD_TABLES);
    HWND d = w->tablesDlg[0];
    ASSERT_NE(d, nullptr);
    // The dialog falls behind: the main window is activated and put on top.
    SetWindowPos(d, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetActiveWindow(w->hwnd);
    wintest::pump(30);
    ASSERT_EQ(GetActiveWindow(), w->hwnd);
    w->command(CMD_TABLES);
    wintest::pump(30);
    EXPECT_EQ(w->tablesDlg[0], d) << "the same dialog";
    EXPECT_EQ(GetActiveWindow(), d) << "it is the active window";
    bool aboveMain = false;
    for (HWND h = GetWindow(d, GW_HWNDNEXT); h; h = GetWindow(h, GW_HWNDNEXT))
        aboveMain = aboveMain || h == w->hwnd;
    EXPECT_TRUE(aboveMain) << "it is above the main window";
    ShowWindow(d, SW_MINIMIZE);
    SetActiveWindow(w->hwnd);
    w->command(CMD_TABLES);
    wintest::pump(30);
    EXPECT_FALSE(IsIconic(d)) << "a minimised dialog is restored";
    EXPECT_TRUE(IsWindowVisible(d));
    runOne("disconnect");
}

TEST_F(Usage, NumbersWiderThanTheirColumnWidenIt) {
    {
        Side s(sqliteDsn(), "", "");
        ASSERT_TRUE(s.ok);
        s.run("drop table if exists wb_wide_num");
        s.run("create table wb_wide_num (small integer, big bigint, money numeric(20,2))");
        s.run("insert into wb_wide_num values (7, 9007199254740993, -123456789012.5)");
        s.run("insert into wb_wide_num values (8, 12, 1)");
        s.x->commit();
    }
    open();
    runOne("connect " + sqliteDsn() + ";");
    runOne("select small, big, money from wb_wide_num order by small");
    cResultGrid* g = w->shownGrid();
    ASSERT_EQ(g->getCountA(), 2) << last();
    HWND h = g->getHwnd(0);
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, g->font);
    for (int c = 0; c < 3; c++) {
        char* t = g->rowindex2ptrA(0)->getStr((short)c, true);
        ASSERT_NE(t, nullptr);
        SIZE sz;
        GetTextExtentPoint32A(dc, t, lstrlenA(t), &sz);
        EXPECT_GE(g->index2col((short)c)->getWidth(), sz.cx + 6)
            << "column " << c << " shows all of \"" << t << "\"";
    }
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    EXPECT_STREQ(g->rowindex2ptrA(0)->getStr(1, true), "9007199254740992")
        << "the nearest double of the bigint";
    runOne("disconnect");
    Side(sqliteDsn(), "", "").run("drop table wb_wide_num");
}

TEST(NationalLetters, AnsiCodePageIs1250AndLettersDrawAsTheirOwn) {
    EXPECT_EQ(GetACP(), 1250u) << "tests and the launch run Wine with LC_CTYPE=cs_CZ.UTF-8 "
                                  "(locale made by .ci/packages.sh)";
    // What a 1250 text draws must be what the letters themselves draw.
    HDC screen = GetDC(0);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 300, 40);
    ReleaseDC(0, screen);
    HGDIOBJ old = SelectObject(mem, bmp);
    HGDIOBJ font = SelectObject(mem, GetStockObject(DEFAULT_GUI_FONT));
    auto draw = [&](bool ansi) {
        std::vector<long> px;
        RECT r = {0, 0, 300, 40};
        FillRect(mem, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
        if (ansi)
            TextOutA(mem, 2, 2, "Pawe\xB3 N\xECmec, \xA3\xF3\x64\x9F", 16);
        else
            TextOutW(mem, 2, 2, L"Pawe\x0142 N\x011Bmec, \x0141\x00F3\x0064\x017A", 16);
        for (int y = 0; y < 40; y += 1)
            for (int x = 0; x < 300; x += 1)
                px.push_back(wbtest::pixel(mem, x, y));
        return px;
    };
    std::vector<long> a = draw(true), u = draw(false);
    EXPECT_TRUE(a == u) << "\"Pawe\xB3 N\xECmec\" in code page 1250 draws as Pawel Nemec with marks";
    SelectObject(mem, font);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

TEST(NationalLetters, CzechTextRoundTripsThroughBothDrivers) {
    struct Source {
        std::string dsn, user, pswd;
        bool pg;
    };
    for (Source const& src : {Source{sqliteDsn(), "", "", false},
                              Source{pgDsn(), pgUser(), pgPswd(), true}}) {
        SCOPED_TRACE(src.dsn);
        Side s(src.dsn, src.user, src.pswd);
        ASSERT_TRUE(s.ok) << s.x->errorStr() << " -- needs .ci/odbcini.sh and .ci/pg.sh";
        s.run("drop table if exists wb_horse");
        s.run("create table wb_horse (t varchar(40))");
        EXPECT_TRUE(s.run(std::string("insert into wb_horse values ('") + kHorse1250 + "')"));
        s.x->commit();
        EXPECT_EQ(s.text("select t from wb_horse"), kHorse1250) << "the same bytes come back";
        std::string where = std::string("select count(*) from wb_horse where t = '") +
                            kHorse1250 + "'";
        EXPECT_EQ(atof(s.text(where).c_str()), 1.0) << "and compare equal as a literal";
        if (src.pg) {
            // The server holds the letters themselves, not the bytes read as another code.
            EXPECT_EQ(s.text("select encode(convert_to(t, 'UTF8'), 'hex') from wb_horse"),
                      kHorseUtf8Hex);
            EXPECT_EQ(atof(s.text("select length(t) from wb_horse").c_str()), 13.0);
        }
        s.run("drop table wb_horse");
        s.x->commit();
    }
}
