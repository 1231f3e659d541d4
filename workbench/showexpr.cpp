/* Show Expression: the grid's statement, rebuilt from its filters and sort order, in an
   editable text dialog that can copy it into the editor or run it. */
#include "querywin.h"

#include <cstdio>
#include <vector>

#include "edutil.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "wbtext.h"
#include "winutil.h"

namespace {

/* The window the open dialog belongs to; the text dialog's callback has no user data. */
cXQueryWindow* g_exprOwner = 0;

std::string dialogText(HWND dlg) {
    HWND e = GetDlgItem(dlg, TEXTIK_EDIT);
    int len = GetWindowTextLengthA(e);
    std::vector<char> buf(len + 1, 0);
    GetWindowTextA(e, buf.data(), len + 1);
    return std::string(buf.data());
}

void onButton(HWND dlg, int index) {
    cXQueryWindow* w = g_exprOwner;
    if (!w) {
        EndDialog(dlg, index);
        return;
    }
    cQuerySlot* s = w->shownSlot();
    if (index == 1) {
        std::string text = "\r\n" + dialogText(dlg);
        edAppend(s->edit, text.c_str());
        EndDialog(dlg, 1);  // showExpression gives the editor the focus
    } else if (index == 2) {
        std::string sql = runnableText(dialogText(dlg).c_str());
        bool ok = s->executeSelect(sql.c_str());
        SetFocus(w->shownGrid()->getHwnd(0));
        if (ok)
            EndDialog(dlg, 2);
    } else {
        EndDialog(dlg, 0);
    }
}

}  // namespace

void cXQueryWindow::showExpression(bool selectedOnly) {
    cResultGrid* g = shownGrid();
    if (g->hasUnion) {
        vorMessageBox(hwnd,
                      "Cannot re-create a SELECT statement\r\nwhen original statement contains UNION.",
                      "Lumbra Grid", MB_OK | MB_ICONSTOP);
        return;
    }
    std::string sql = g->expression(selectedOnly);
    if (sql.empty())
        return;
    std::string text = expressionLayout(sql.c_str());
    char copyLabel[32];
    snprintf(copyLabel, sizeof copyLabel, "Copy to Q&%d", current + 1);
    HWND back = GetFocus();
    cXQueryWindow* previous = g_exprOwner;
    g_exprOwner = this;
    INT_PTR r = ShowDlgTextik(hwnd, text.c_str(), "Show expression", false, false,
                              slotTextColor(current), onButton, "&Close", 40, copyLabel, 40,
                              "&Run", 40);
    g_exprOwner = previous;
    // The focus the buttons give, set again once the dialog is gone (its end hands the
    // focus back to the window it was opened from); Close and Esc return it there.
    HWND focus = r == 1 ? shownSlot()->edit : r == 2 ? shownGrid()->getHwnd(0) : back;
    if (focus && IsWindow(focus))
        SetFocus(focus);
}
