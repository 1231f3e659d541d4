/* The Grid menu's "Export from Grid" and "AutoForm" on a result grid filled from SQLite. */
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "gridrc.h"
#include "lumbrarc.h"
#include "queryslot.h"
#include "querywin.h"
#include "resultgrid.h"
#include "wbtest.h"

namespace {

std::string dsn() {
    char const* v = getenv("LUMBRA_SQLITE_DSN");
    return v && *v ? v : "LumbraSQLite";
}

std::string clipboardText() {
    std::string r = "<none>";
    for (int i = 0; i < 20 && !OpenClipboard(0); i++)
        Sleep(20);
    HANDLE h = GetClipboardData(CF_TEXT);
    char* p = h ? (char*)GlobalLock(h) : 0;
    if (p) {
        r = p;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return r;
}

void runOne(cXQueryWindow* w, std::string const& stmt) {
    wbtest::setScript(w, stmt.c_str());
    wbtest::caretAt(w, 0);
    wbtest::executeInEditor(w);
}

}  // namespace

TEST(GridCommands, AutoFormFollowsAndExportDialogCopies) {
    wbtest::BoxHook boxes;
    wbtest::AppDir dir("wbgridcmd");
    cXQueryWindow* w = wbtest::openMain(dir);
    ASSERT_NE(nullptr, w);
    runOne(w, "connect " + dsn() + ";");
    ASSERT_TRUE(w->slots[0]->connected) << wbtest::paneText(w);
    runOne(w, "select 1 as n, 'O''Neil' as name union all select 2, 'say \"hi\"';");
    cResultGrid* g = w->grids[0];
    ASSERT_EQ(2, g->getCountV()) << wbtest::paneText(w);

    /* AutoForm: the form opens on the current row and follows the grid. */
    g->home(false);
    w->command(CMD_AUTOFORM);
    ASSERT_NE(nullptr, g->form);
    EXPECT_EQ("O'Neil", wintest::windowText(g->form->edits[1]));
    SetFocus(g->getHwnd(0));
    SendMessageA(g->getHwnd(0), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ("say \"hi\"", wintest::windowText(g->form->edits[1]));

    /* Export from Grid: the dialog from the core library, clipboard, CSV; then Close. */
    HWND back = g->getHwnd(0);
    SetFocus(back);
    bool seen = false;
    wintest::Driver drv([&]() -> bool {
        HWND d = wintest::findDialog("Export from Vor Grid");
        if (!d)
            return false;
        seen = true;
        SendDlgItemMessageA(d, TAXEXP_CLIP, BM_CLICK, 0, 0);
        SendDlgItemMessageA(d, TAXEXP_ROWSALL, BM_CLICK, 0, 0);
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
        SendDlgItemMessageA(d, IDCANCEL, BM_CLICK, 0, 0);
        return true;
    });
    w->command(CMD_GRIDEXPORT);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(drv.timedOut());
    std::string n1 = g->rowindex2ptrV(0)->getStr(0, true), n2 = g->rowindex2ptrV(1)->getStr(0, true);
    EXPECT_EQ(n1 + ",\"O'Neil\"\r\n" + n2 + ",\"say \"\"hi\"\"\"\r\n", clipboardText());
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ("Export OK:\r\n\r\nRows was successfuly\r\ncopied to the clipboard.",
              boxes.boxes.back().text);
    EXPECT_EQ(back, GetFocus()) << "the focus comes back";

    for (cQuerySlot* s : w->slots)
        s->modified = false;
    EXPECT_TRUE(wbtest::closeMain(w));
}
