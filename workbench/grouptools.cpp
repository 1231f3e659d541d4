/* GROUP BY... and CSV From One Column. */
#include "grouptools.h"

#include <cstdio>
#include <string>
#include <vector>

#include "dynataxwin.h"
#include "edutil.h"
#include "outfmt.h"
#include "querywin.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "stmtmodel.h"
#include "strx.h"
#include "wbutil.h"
#include "winutil.h"

namespace {

/* One cell of the list as SQL writes it, to be pasted into a statement: numbers bare and
   unrounded, dates in the ISO form every data source reads, other texts between quotes
   with theirs doubled; "" for an empty cell, which adds nothing. */
std::string csvItem(cResultGrid* grid, short colid, short v) {
    cTaxRow* row = grid->rowindex2ptrV(v);
    cVariablex* val = row ? row->getVar(colid, false) : 0;
    if (!val || val->isNull())
        return "";
    std::string text;
    if (val->type() == VTYPE_NUMBEX) {
        char b[40];
        return outfmt_exactNumber(val->toDouble(), b, sizeof b);
    }
    if (val->type() == VTYPE_DATEX) {
        cDatex* d = static_cast<cDatex*>(val);
        text = ctimex(d->unpack(), outfmt_sqlTimePicture(d->getDatexType()));
    } else {
        text = val->toChars(0, false) ? val->toChars(0, false) : "";
        if (text.empty())
            return "";
    }
    std::string q(outq_sql(0, text.data(), (int)text.size()), '\0');
    outq_sql(&q[0], text.data(), (int)text.size());
    return "'" + q + "'";
}

/* The main window of the open CSV dialog; the text dialog's callback has no user data. */
cXQueryWindow* g_csvOwner = 0;

void onCsvButton(HWND dlg, int index) {
    cXQueryWindow* w = g_csvOwner;
    if (index == 1 && w) {
        // The shown text, its look-alikes of the accents Wine cannot shape turned back.
        std::string text = "\r\n" + vorShownText(GetDlgItem(dlg, TEXTIK_EDIT));
        if (strx_shapingTrap(text.data(), (int)text.size()) >= 0) {
            vorMessageBox(dlg,
                          "The text holds a caron, ogonek or double acute accent that follows "
                          "no letter: this system's text display would end the program on it "
                          "in the editor.",
                          "CSV From One Column", MB_OK | MB_ICONSTOP);
            return;
        }
        cQuerySlot* s = w->shownSlot();
        edAppend(s->edit, text.c_str());
        EndDialog(dlg, 1);
        return;
    }
    EndDialog(dlg, 0);
}

}  // namespace

bool openGroupBy(cResultGrid* grid, cXdbc* db) {
    if (!grid)
        return false;
    HWND owner = grid->hwndParent;
    if (grid->getColCountS() != 1) {
        vorMessageBox(owner,
                      "Select one column in the grid\r\nby clicking its title\r\n"
                      "and then run 'Group by'",
                      "GROUP BY", MB_OK | MB_ICONSTOP);
        return false;
    }
    cStatementModel* m = grid->model;
    if (m && (grid->hasUnion || m->hasUnion)) {
        vorMessageBox(owner, "Cannot re-create a SELECT statement\r\nwhen original statement contains UNION.",
                      "GROUP BY", MB_OK | MB_ICONSTOP);
        return false;
    }
    // Without a model taken apart by the parser there is no FROM list to group.
    if (!m || grid->rawModel)
        return false;
    // The group counts would be of every row, not of those LIMIT or FETCH left.
    if (m->tail && *m->tail) {
        vorMessageBox(owner, "Cannot group the rows of a statement that ends with LIMIT, OFFSET,\r\n"
                             "FETCH or FOR: the counts would not be of the rows shown.",
                      "GROUP BY", MB_OK | MB_ICONSTOP);
        return false;
    }
    int index = m->indexOfColumn(grid->getSelcolid());
    if (index < 0)
        return false;
    // Grouping by count(*) and the like cannot run: say so rather than open a window
    // that only shows the data source's refusal.
    if (m->isAggregateColumn(index)) {
        vorMessageBox(owner, "Cannot group by an aggregate column.\r\nSelect a column of the table.",
                      "GROUP BY", MB_OK | MB_ICONSTOP);
        return false;
    }
    m->regenerate();
    HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(owner, GWLP_HINSTANCE);
    return openGroupByWindow(inst, owner, db, m, grid->getSelcolid());
}

bool csvFromColumn(cXQueryWindow* owner, cResultGrid* grid, int slotIndex) {
    if (!owner || !grid)
        return false;
    if (grid->getColCountS() != 1) {
        vorMessageBox(owner->hwnd,
                      "Select one column in the grid\r\nby clicking its title\r\n"
                      "and then run this function.",
                      "CSV From One Column", MB_OK | MB_ICONSTOP);
        return false;
    }
    if (grid->getCountV() < 1)
        return false;
    short colid = grid->getSelcolid();
    if (grid->colid2index(colid) < 0)
        return false;
    // Long texts are not in the grid whole ("BLOB" or their first characters): a list of
    // them would be made-up values.
    for (int i = 0; grid->model && i < grid->model->columnCount; i++) {
        cStmtColumn* c = grid->model->column(i);
        if (c->id == colid && c->type == 8) {
            vorMessageBox(owner->hwnd,
                          "This column holds long texts, which the grid does not hold whole.",
                          "CSV From One Column", MB_OK | MB_ICONSTOP);
            return false;
        }
    }
    cStrinx csv;
    {
        cWaitCursor wait;
        if (grid->getCountS() > 1) {
            short v = -1;
            while (grid->findNextRowV(v, TAXROW_SELECTED))
                csv.join(csvItem(grid, colid, v).c_str(), ", ");
        } else {
            for (short v = 0; v < grid->getCountV(); v++)
                csv.join(csvItem(grid, colid, v).c_str(), ", ");
        }
    }
    if (slotIndex < 0 || slotIndex > 2)
        slotIndex = 0;
    char copyLabel[32];
    snprintf(copyLabel, sizeof copyLabel, "Copy to Q&%d", slotIndex + 1);
    HWND back = GetFocus();
    cXQueryWindow* previous = g_csvOwner;
    g_csvOwner = owner;
    ShowDlgTextik(owner->hwnd, (char const*)csv, "Show CSV", false, false,
                  owner->slotTextColor(slotIndex), onCsvButton, "&Close", 40, copyLabel, 40);
    g_csvOwner = previous;
    if (back && IsWindow(back))
        SetFocus(back);
    return true;
}
