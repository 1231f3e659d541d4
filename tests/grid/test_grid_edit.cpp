/* In-place editors and the record form, driven with real messages to real windows. */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gridtest.h"
#include "winutil.h"

namespace {

std::string text(HWND w) {
    char buf[2048] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

/* Rectangle of child w in its parent's client coordinates. */
RECT childRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(0, GetParent(w), (POINT*)&r, 2);
    return r;
}

/* A Tab or Esc as the application's message loop hands it over. */
bool loopKey(HWND target, int vk, bool shift = false) {
    MSG msg;
    ZeroMemory(&msg, sizeof msg);
    msg.hwnd = target;
    msg.message = WM_KEYDOWN;
    msg.wParam = (WPARAM)vk;
    holdKeys(false, shift);
    bool r = cRerovar::wantMessage(msg, GetActiveWindow());
    holdKeys(false, false);
    return r;
}

/* Typing into a control: WM_CHAR, as TranslateMessage would deliver it. */
void typeInto(HWND w, char const* s) {
    for (; *s; s++)
        SendMessageA(w, WM_CHAR, (WPARAM)(unsigned char)*s, 1);
}

class Edit : public ::testing::Test {
protected:
    cRerovar* g = 0;
    cRerovar* g2 = 0;
    void make(long flags, int rows) {
        g = makeGrid(flags | TAX_EDITABLE);
        fillBasic(g, rows);
        clearNotes();
    }
    void TearDown() override {
        destroyGrid(g2);
        destroyGrid(g);
    }
    bool shown(HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; }
    std::string currows() {
        std::string r;
        for (auto& n : notesOf(TAXN_CURROW))
            r += (r.empty() ? "" : " ") + std::to_string((long)n.lp);
        return r;
    }
};

}  // namespace

TEST_F(Edit, EditorsExistOnlyWhenEditable) {
    g = makeGrid(0);
    fillBasic(g, 2);
    EXPECT_EQ(nullptr, g->textEditor);
    EXPECT_FALSE(g->edit_start(1, 0)) << "not editable";
    destroyGrid(g);
    make(0, 2);
    EXPECT_EQ(2, GetDlgCtrlID(g->listEditor));
    EXPECT_TRUE(GetWindowLongA(g->roEditor, GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(shown(g->textEditor) || shown(g->roEditor) || shown(g->listEditor));
    EXPECT_FALSE(g->edit_start(99, 0)) << "unknown colid";
    g->deleteRows(false);
    EXPECT_FALSE(g->edit_start(1, -1)) << "no row at all";
}

TEST_F(Edit, TypingStoresEveryKeystrokeAndEscKeepsIt) {
    make(0, 4);
    ASSERT_TRUE(g->edit_start(2, 1));
    EXPECT_EQ(g, cRerovar::CurEditTax);
    EXPECT_EQ(0, g->countS) << "the selection is cleared while editing";
    HWND ed = g->textEditor;
    EXPECT_TRUE(shown(ed));
    EXPECT_EQ(ed, GetFocus());
    RECT r = childRect(ed);
    EXPECT_EQ(80, r.left) << "the left edge of the second column";
    EXPECT_EQ(g->headerHeight + g->qbeHeight + g->rowHeight, r.top);
    EXPECT_EQ(60, r.right - r.left);
    EXPECT_EQ(g->rowHeight, r.bottom - r.top);
    EXPECT_EQ("1", text(ed));
    DWORD s = 0, e = 0;
    SendMessageA(ed, EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
    EXPECT_EQ(0u, s);
    EXPECT_EQ(1u, e) << "the whole text is selected";

    SendMessageA(ed, EM_SETSEL, 0, -1);
    typeInto(ed, "1");
    EXPECT_EQ(1.0, g->getNumV(2, 1));
    typeInto(ed, "2");
    EXPECT_EQ(12.0, g->getNumV(2, 1));
    EXPECT_EQ(1, g->rowindex2ptrV(1)->getVar(2, false)->type()) << "still a number";
    EXPECT_TRUE(notesOf(WM_COMMAND).empty()) << "stored edits notify nobody";

    clearNotes();
    EXPECT_TRUE(loopKey(ed, VK_ESCAPE));
    EXPECT_FALSE(shown(ed) || cRerovar::CurEditTax);
    EXPECT_EQ(g->hwnd, GetFocus());
    EXPECT_EQ(12.0, g->getNumV(2, 1));
    EXPECT_EQ(1, g->countS);
    EXPECT_TRUE(g->rowindex2ptrV(1)->getsel());
    EXPECT_EQ("1", currows());
    EXPECT_FALSE(loopKey(g->hwnd, VK_ESCAPE)) << "nothing open: the loop handles Esc";

    /* Esc in an editor emptied by the user keeps the stored (empty) value, no crash. */
    ASSERT_TRUE(g->edit_start(1, 0));
    SetWindowTextA(g->textEditor, "");
    EXPECT_TRUE(loopKey(g->textEditor, VK_ESCAPE));
    EXPECT_EQ("", std::string(g->getStrV(1, 0).text));

    /* At most 999 characters are stored from one change. */
    ASSERT_TRUE(g->edit_start(1, 2));
    std::string big(1500, 'x');
    SetWindowTextA(g->textEditor, big.c_str());
    EXPECT_EQ(999u, strlen(g->getStrV(1, 2).text));
    g->edit_stop();
    EXPECT_FALSE(g->editing);
    EXPECT_EQ(1, g->countS);
}

TEST_F(Edit, TabShiftTabUpAndDownWalkTheCells) {
    make(0, 3);
    ASSERT_TRUE(g->edit_start(1, 0));
    EXPECT_TRUE(loopKey(g->textEditor, VK_TAB));
    EXPECT_EQ(1, g->editCol);
    EXPECT_EQ(0, g->curow);
    EXPECT_EQ("0", text(g->textEditor));
    clearNotes();
    EXPECT_TRUE(loopKey(g->textEditor, VK_TAB));
    EXPECT_EQ(0, g->editCol) << "after the last column: column 0 of the next row";
    EXPECT_EQ(1, g->curow);
    EXPECT_EQ("r1", text(g->textEditor));
    EXPECT_EQ("1", currows());
    EXPECT_TRUE(loopKey(g->textEditor, VK_TAB, true));
    EXPECT_EQ(1, g->editCol) << "Shift+Tab before column 0: last column of the previous row";
    EXPECT_EQ(0, g->curow);

    /* Tab on the very last cell and Shift+Tab on the first do nothing. */
    ASSERT_TRUE(g->edit_start(2, 2));
    EXPECT_TRUE(loopKey(g->textEditor, VK_TAB));
    EXPECT_EQ(1, g->editCol);
    EXPECT_EQ(2, g->curow);
    EXPECT_TRUE(g->editing);
    ASSERT_TRUE(g->edit_start(1, 0));
    EXPECT_TRUE(loopKey(g->textEditor, VK_TAB, true));
    EXPECT_EQ(0, g->editCol);
    EXPECT_EQ(0, g->curow);

    /* Up and Down in the text editor: one row in the same column, not past the ends. */
    clearNotes();
    SendMessageA(g->textEditor, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(1, g->curow);
    EXPECT_EQ(0, g->editCol);
    EXPECT_EQ(0, g->countS) << "current, not selected";
    EXPECT_EQ(1, g->anchorRow);
    EXPECT_EQ("r1", text(g->textEditor));
    SendMessageA(g->textEditor, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(g->textEditor, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(2, g->curow);
    SendMessageA(g->textEditor, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(1, g->curow);
    EXPECT_EQ("1 2 1", currows());
    RECT r = childRect(g->textEditor);
    EXPECT_EQ(g->headerHeight + g->qbeHeight + g->rowHeight, r.top);
}

TEST_F(Edit, EditorFollowsRowsOffThePage) {
    g = makeGrid(TAX_EDITABLE, 300, 120);
    fillBasic(g, 40);
    ASSERT_GT(g->pageRows, 0);
    short last = (short)(g->pageRows - 1);
    ASSERT_TRUE(g->edit_start(1, last));
    EXPECT_EQ(0, g->topRow);
    SendMessageA(g->textEditor, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(last + 1, g->curow);
    EXPECT_EQ(1, g->topRow) << "the page moves by one row";
    RECT r = childRect(g->textEditor);
    EXPECT_EQ(g->headerHeight + g->qbeHeight + last * g->rowHeight, r.top);
    ASSERT_TRUE(g->edit_start(2, 39));
    EXPECT_EQ(g->maxTopRow(), g->topRow) << "a row off the page is brought into view";
    EXPECT_TRUE(shown(g->textEditor));
}

TEST_F(Edit, ListEditorSelectsExactTextAndStoresChoice) {
    g = makeGrid(TAX_EDITABLE);
    g->addCol(1, 90, "colour", 2, TAXCOL_COMBO, -1, -1, "", 0);
    g->addCbxStr(1, "red", 1);
    g->addCbxStr(1, "green", 2);
    g->addCbxStr(1, "Green", 3);
    for (char const* s : {"green", "blue", "red"})
        g->addRow(-1)->setStr(1, s, 0, -1, -1);
    ASSERT_TRUE(g->edit_start(1, 0));
    HWND cb = g->listEditor;
    EXPECT_TRUE(g->editIsList);
    EXPECT_TRUE(shown(cb));
    EXPECT_FALSE(shown(g->textEditor));
    EXPECT_EQ(cb, GetFocus());
    EXPECT_EQ(3, SendMessageA(cb, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(1, SendMessageA(cb, CB_GETCURSEL, 0, 0)) << "exact, case-sensitive match";
    EXPECT_GE(childRect(cb).bottom - childRect(cb).top, g->rowHeight - 2);

    /* A user's choice arrives as CBN_SELCHANGE. */
    SendMessageA(cb, CB_SETCURSEL, 0, 0);
    SendMessageA(g->hwnd, WM_COMMAND, MAKEWPARAM(2, CBN_SELCHANGE), (LPARAM)cb);
    EXPECT_STREQ("red", g->getStrV(1, 0).text);

    /* Plain Down changes the choice (and stores it), Ctrl+Down moves a row. */
    holdKeys(false, false);
    SendMessageA(cb, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(0, g->curow);
    EXPECT_STREQ("green", g->getStrV(1, 0).text);
    holdKeys(true, false);
    SendMessageA(cb, WM_KEYDOWN, VK_DOWN, 1);
    holdKeys(false, false);
    EXPECT_EQ(1, g->curow);
    EXPECT_EQ(-1, SendMessageA(cb, CB_GETCURSEL, 0, 0)) << "blue is not in the list";
    EXPECT_STREQ("blue", g->getStrV(1, 1).text) << "opening stores nothing";
}

TEST_F(Edit, ReadOnlyColumnNeverChanges) {
    g = makeGrid(TAX_EDITABLE);
    g->addCol(1, 90, "fixed", 2, TAXCOL_READONLY, -1, -1, "", 0);
    g->addCol(2, 90, "free", 2, 0, -1, -1, "", 5);
    g->addRow(-1)->setStr(1, "keep", 0, -1, -1);
    ASSERT_TRUE(g->edit_start(1, 0));
    EXPECT_TRUE(shown(g->roEditor));
    EXPECT_FALSE(shown(g->textEditor));
    EXPECT_EQ("keep", text(g->roEditor));
    SetWindowTextA(g->roEditor, "changed");
    SendMessageA(g->hwnd, WM_COMMAND, MAKEWPARAM(1, EN_CHANGE), (LPARAM)g->roEditor);
    EXPECT_STREQ("keep", g->getStrV(1, 0).text);
    EXPECT_TRUE(loopKey(g->roEditor, VK_TAB));
    EXPECT_TRUE(shown(g->textEditor));
    EXPECT_EQ(5, SendMessageA(g->textEditor, EM_GETLIMITTEXT, 0, 0)) << "the column's editLimit";
}

TEST_F(Edit, GridChangesAndFocusLossCloseTheEditor) {
    make(0, 5);
    struct Op {
        char const* name;
        void (*run)(cRerovar*);
    };
    const Op ops[] = {
        {"addCol", [](cRerovar* g) { g->addCol(9, 40, "x", 2, 0, -1, -1, "", 0); }},
        {"addRow", [](cRerovar* g) { g->addRow(-1); }},
        {"deleteRow", [](cRerovar* g) { g->deleteRow(0, false); }},
        {"setColWidth", [](cRerovar* g) { g->setColWidth(1, 50, true); }},
        {"sort", [](cRerovar* g) { g->sort(1, 2); }},
        {"clearQBE", [](cRerovar* g) { g->clearQBE(); }},
        {"focus elsewhere", [](cRerovar*) { SetFocus(testParent()); }},
        {"export", [](cRerovar* g) { g->exportx(2, 1, false, false, ',', "", "", g->hwnd); }},
        {"deleteRows", [](cRerovar* g) { g->deleteRows(true); }},
    };
    MSGBOXHOOK old = vorSetMessageBoxHook([](HWND, char const*, char const*, UINT) { return IDOK; });
    for (Op const& op : ops) {
        if (!g->edit_start(1, 0))
            break;
        ASSERT_TRUE(g->editing) << op.name;
        op.run(g);
        EXPECT_FALSE(g->editing) << op.name;
        EXPECT_EQ(nullptr, cRerovar::CurEditTax) << op.name;
        EXPECT_FALSE(shown(g->textEditor)) << op.name;
    }
    vorSetMessageBoxHook(old);

    /* A second grid's editor takes over the process-wide pointer. */
    destroyGrid(g);
    g = 0;
    make(0, 2);
    g2 = makeGrid(TAX_EDITABLE, 200, 200);
    fillBasic(g2, 2);
    ASSERT_TRUE(g->edit_start(1, 0));
    ASSERT_TRUE(g2->edit_start(1, 1));
    EXPECT_EQ(g2, cRerovar::CurEditTax);
    EXPECT_FALSE(g->editing) << "the first lost the focus";
}

TEST_F(Edit, SecondClickAndF2OpenTheEditor) {
    make(0, 3);
    click(g, colX(g, 1), rowY(g, 1));
    EXPECT_FALSE(g->editing) << "the first click selects";
    click(g, colX(g, 1), rowY(g, 1));
    EXPECT_TRUE(g->editing);
    EXPECT_EQ(1, g->editCol);
    EXPECT_EQ(1, g->curow);
    EXPECT_EQ("1", text(g->textEditor));
    key(g, VK_F2);  // the grid abandons first, then opens on column 0
    EXPECT_TRUE(g->editing);
    EXPECT_EQ(0, g->editCol);
    EXPECT_EQ("r1", text(g->textEditor));
}

/* ---- the record form ---- */

namespace {

class Form : public ::testing::Test {
protected:
    cRerovar* g = 0;
    void make(long flags, int rows) {
        g = makeGrid(flags);
        fillBasic(g, rows);
        g->addCol(3, 60, "when", 4, 0, -1, -1, "", 0);
        if (rows > 0)
            g->home(false);
        clearNotes();
    }
    void TearDown() override { destroyGrid(g); }
    HWND edit(int i) { return g->form->edits[i]; }
};

}  // namespace

TEST_F(Form, CreationLayoutAndRefusals) {
    make(0, 3);
    EXPECT_FALSE(g->form_create()) << "no TAX_FORM";
    destroyGrid(g);
    make(TAX_FORM, 3);
    g->deleteRows(true);
    EXPECT_FALSE(g->form_create()) << "no current row";
    destroyGrid(g);

    make(TAX_FORM, 3);
    g->setFormtitle("Record");
    key(g, VK_DOWN);
    ASSERT_TRUE(g->form_create());
    cAutoform* f = g->form;
    ASSERT_NE(nullptr, f);
    HWND fw = f->getHwnd();
    EXPECT_EQ(f, cAutoform::hwnd2ptr(fw));
    EXPECT_EQ(nullptr, cAutoform::hwnd2ptr(g->hwnd));
    char cls[32];
    GetClassNameA(fw, cls, sizeof cls);
    EXPECT_STREQ("cAutoform", cls);
    EXPECT_EQ("Record", text(fw));
    EXPECT_EQ(GetAncestor(g->hwnd, GA_ROOT), GetWindow(fw, GW_OWNER));
    EXPECT_EQ(3, f->fieldCount);
    EXPECT_EQ(g->rowHeight + 3, f->fieldStep) << "few columns on a tall screen";
    RECT wr;
    GetWindowRect(fw, &wr);
    EXPECT_EQ(315 + 2 * GetSystemMetrics(SM_CXSIZEFRAME), wr.right - wr.left);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) - (wr.right - wr.left) - 20, wr.left);
    /* Pairs: label titles, edit ids are the colids, texts of the current row. */
    EXPECT_EQ(2, GetDlgCtrlID(edit(1)));
    EXPECT_EQ("r1", text(edit(0)));
    EXPECT_EQ("1", text(edit(1)));
    EXPECT_EQ("", text(edit(2))) << "a null date";
    RECT r = childRect(edit(1));
    EXPECT_EQ(110, r.left);
    EXPECT_EQ(f->margin + f->fieldStep, r.top);
    EXPECT_TRUE(GetWindowLongA(edit(0), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(g->hwnd, GetFocus()) << "without TAX_FORMFOCUS the grid keeps the focus";
    SetWindowTextA(edit(0), "forced");  // not stored without TAX_FORMEDIT
    EXPECT_STREQ("r1", g->getStrV(1, 1).text);

    /* Ctrl+F again: the same form, its first edit focused. */
    key(g, 'F', true);
    EXPECT_EQ(f, g->form);
    EXPECT_EQ(edit(0), GetFocus());
    /* Ctrl+F while the form is active: back to the grid; with Shift it closes. */
    MSG msg;
    ZeroMemory(&msg, sizeof msg);
    msg.hwnd = edit(0);
    msg.message = WM_KEYDOWN;
    msg.wParam = 'F';
    holdKeys(true, false);
    EXPECT_TRUE(cRerovar::wantMessage(msg, fw));
    EXPECT_EQ(g->hwnd, GetFocus());
    holdKeys(true, true);
    EXPECT_TRUE(cRerovar::wantMessage(msg, fw));
    holdKeys(false, false);
    EXPECT_FALSE(IsWindow(fw));
    EXPECT_EQ(nullptr, g->form);
    EXPECT_EQ(nullptr, cAutoform::hwnd2ptr(fw));
}

TEST_F(Form, FollowsTheGridAndStoresTypedText) {
    make(TAX_FORM | TAX_FORMEDIT | TAX_FORMFOCUS | TAX_EDITABLE, 4);
    ASSERT_TRUE(g->form_create());
    EXPECT_EQ(edit(0), GetFocus()) << "TAX_FORMFOCUS";
    EXPECT_FALSE(GetWindowLongA(edit(0), GWL_STYLE) & ES_READONLY);
    SetFocus(g->hwnd);
    key(g, VK_DOWN);
    key(g, VK_DOWN);
    EXPECT_EQ("r2", text(edit(0)));
    EXPECT_EQ("2", text(edit(1)));
    /* An in-place edit refreshes its field. */
    ASSERT_TRUE(g->edit_start(1, 3));
    EXPECT_EQ("r3", text(edit(0)));
    typeInto(g->textEditor, "Q");
    EXPECT_EQ("Q", text(edit(0)));
    g->edit_stop();
    /* Typing in the form stores into the current row. */
    SendMessageA(edit(1), EM_SETSEL, 0, -1);
    typeInto(edit(1), "42");
    EXPECT_EQ(42.0, g->getNumV(2, 3));
    EXPECT_EQ(1, g->rowindex2ptrV(3)->getVar(2, false)->type());
    EXPECT_TRUE(notesOf(WM_COMMAND).empty());
    /* A caron after a digit would end the program in Wine's shaping: the field shows it
       as a look-alike and is read-only while the row is current; the value stays. */
    g->rowindex2ptrV(2)->setStr(1, "1\xA1", 0, -1, -1);
    key(g, VK_UP);
    WCHAR shown[8] = L"";
    GetWindowTextW(edit(0), shown, 8);
    EXPECT_STREQ(L"1\x02C5", shown) << "the caron's look-alike";
    EXPECT_TRUE(GetWindowLongA(edit(0), GWL_STYLE) & ES_READONLY);
    EXPECT_STREQ("1\xA1", g->rowindex2ptrV(2)->getStr(0, true));
    key(g, VK_DOWN);
    EXPECT_FALSE(GetWindowLongA(edit(0), GWL_STYLE) & ES_READONLY);
    /* With no current row the edits empty and nothing typed is stored. */
    g->deleteRows(true);
    EXPECT_EQ("", text(edit(0)));
    EXPECT_TRUE(g->form->updating);
    typeInto(edit(0), "lost");
    EXPECT_EQ(0, g->getCountA());
    /* resetax closes the form. */
    HWND fw = g->form->getHwnd();
    g->resetax();
    EXPECT_FALSE(IsWindow(fw));
    EXPECT_EQ(nullptr, g->form);
    EXPECT_EQ(nullptr, cAutoform::hwnd2ptr(fw));
}

/* New columns after deleteCols: the old form would label them with the old titles and
   store by old colids, so it closes with the columns it was made for. */
TEST_F(Form, ClosesWithItsColumns) {
    make(TAX_FORM | TAX_FORMEDIT | TAX_EDITABLE, 2);
    ASSERT_TRUE(g->form_create());
    HWND fw = g->form->getHwnd();
    g->deleteCols(true);
    EXPECT_EQ(3, g->colCount) << "rows present: columns stay";
    EXPECT_EQ(fw, g->form ? g->form->getHwnd() : nullptr) << "and so does the form";
    g->deleteRows(true);
    g->deleteCols(true);
    EXPECT_FALSE(IsWindow(fw));
    EXPECT_EQ(nullptr, g->form);
    EXPECT_EQ(nullptr, cAutoform::hwnd2ptr(fw));
    /* A form made over the new columns shows their titles and values. */
    g->addCol(7, 60, "code", 2, 0, -1, -1, "", 0);
    cTaxRow* row = g->addRow(-1);
    row->setStr(7, "X1", 0, -1, -1);
    g->home(false);
    ASSERT_TRUE(g->form_create());
    EXPECT_EQ(1, g->form->fieldCount);
    EXPECT_EQ("code", text(g->form->labels[0]));
    EXPECT_EQ("X1", text(edit(0)));
    EXPECT_EQ(7, GetDlgCtrlID(edit(0)));
}

TEST_F(Form, ScrollingColourAndManyForms) {
    g = makeGrid(TAX_FORM);
    for (short c = 1; c <= 120; c++) {
        char t[16];
        snprintf(t, sizeof t, "c%d", c);
        g->addCol(c, 30, t, 2, 0, -1, -1, "", 0);
    }
    cTaxRow* row = g->addRow(-1);
    row->setStr(120, "last", 0, -1, -1);
    g->home(false);
    ASSERT_TRUE(g->form_create());
    cAutoform* f = g->form;
    RECT wr;
    GetWindowRect(f->hwnd, &wr);
    EXPECT_LE(wr.bottom - wr.top, GetSystemMetrics(SM_CYSCREEN) - 60) << "height capped";
    EXPECT_EQ(g->rowHeight - 1, f->fieldStep);
    ASSERT_GT(f->maxFirst, 0);
    EXPECT_EQ(120 - f->visibleFields, f->maxFirst);
    SendMessageA(f->hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(10, f->firstField);
    EXPECT_EQ(f->margin, childRect(f->edits[10]).top);
    SendMessageA(f->hwnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(9, f->firstField);
    SendMessageA(f->hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30000), 0);
    EXPECT_EQ(f->maxFirst, f->firstField);
    EXPECT_EQ("last", text(f->edits[119]));

    /* Colour -2: the form's background, painted through WM_ERASEBKGND. */
    g->setColors(-2, 0x00FF00, 0);
    EXPECT_EQ(0x00FF00, f->back);
    HDC screen = GetDC(0);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 400, 400);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(f->hwnd, WM_ERASEBKGND, (WPARAM)dc, 0);
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc, 2, 2));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(0, screen);

    /* Eleven forms at once grow the process-wide list; each is found by its window. */
    std::vector<cRerovar*> more;
    for (int i = 0; i < 11; i++) {
        cRerovar* m = makeGrid(TAX_FORM, 100, 100);
        fillBasic(m, 1);
        m->home(false);
        ASSERT_TRUE(m->form_create());
        more.push_back(m);
    }
    for (cRerovar* m : more)
        EXPECT_EQ(m->form, cAutoform::hwnd2ptr(m->form->getHwnd()));
    HWND fw = more[0]->form->getHwnd();
    for (cRerovar* m : more)
        destroyGrid(m);  // the grid window takes its form with it
    EXPECT_FALSE(IsWindow(fw));
    EXPECT_EQ(nullptr, cAutoform::hwnd2ptr(fw));
    EXPECT_EQ(f, cAutoform::hwnd2ptr(f->hwnd));
}

/* Scrolling the form by a line paints every pair at its new place, down as well as up
   (moving the children top to bottom left all but the last one blank under Wine). */
TEST_F(Form, LineScrollPaintsEveryPair) {
    g = makeGrid(TAX_FORM);
    for (short c = 1; c <= 60; c++) {
        char title[16];
        snprintf(title, sizeof title, "c%03d", c);
        g->addCol(c, 40, title, 2, 0, -1, -1, "", 0);
    }
    g->addRow(-1)->setStr(1, "first", 0, -1, -1);
    g->home(false);
    ASSERT_TRUE(g->form_create());
    cAutoform* f = g->form;
    HWND fw = f->getHwnd();
    SetWindowPos(fw, HWND_TOP, 0, 0, 300, 300, SWP_NOMOVE | SWP_SHOWWINDOW);
    RedrawWindow(fw, 0, 0, RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    // Dark pixels of the label column on the screen, where the first visible pair is.
    auto inkOfFirstLabel = [&]() {
        RECT r;
        GetWindowRect(f->labels[f->firstField], &r);
        HDC screen = GetDC(0);
        int ink = 0;
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++)
                if ((GetPixel(screen, x, y) & 0xFFFFFF) < 0x404040)
                    ink++;
        ReleaseDC(0, screen);
        return ink;
    };
    ASSERT_GT(inkOfFirstLabel(), 5) << "the label is painted at first";
    for (int step = 1; step <= 2; step++) {
        SendMessageA(fw, WM_VSCROLL, SB_LINEDOWN, 0);
        RedrawWindow(fw, 0, 0, RDW_UPDATENOW | RDW_ALLCHILDREN);
        pump();
        EXPECT_EQ(step, f->firstField);
        EXPECT_GT(inkOfFirstLabel(), 5) << "after line down " << step;
    }
    SendMessageA(fw, WM_VSCROLL, SB_LINEUP, 0);
    RedrawWindow(fw, 0, 0, RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    EXPECT_GT(inkOfFirstLabel(), 5) << "after line up";
}
