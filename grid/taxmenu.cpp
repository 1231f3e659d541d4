/* The grid, header and filter popup menus and the commands they send. */
#include <cstdio>

#include "gridrc.h"
#include "taxint.h"
#include "winutil.h"

static char const* const dateFormats[] = {"YYYY-MM-DD",          "DD.MM.YYYY",
                                          "MM/DD/YYYY",          "YYYY-MM-DD hh:mm:ss",
                                          "DD.MM.YYYY hh:mm:ss", "MM/DD/YYYY hh:mm:ss"};
static char const* const numberFormats[] = {"N", "N.N", "N.NN", "N.NNN", "N.NNNN"};

static HMENU subMenu(cFloxMenu* m, short id) {
    for (short i = 0; i < m->subCount; i++) {
        if (m->subIds[i] == id)
            return m->subs[i];
    }
    return 0;
}

void cRerovar::buildMenus() {
    menuGrid = taxNew<cFloxMenu>();
    menuHeader = taxNew<cFloxMenu>();
    menuQbe = taxNew<cFloxMenu>();

    if (menuGrid) {
        menuGrid->fmAppend(0, TAXCMD_EXPORT, "Export...\tCtrl+E");
        menuGrid->fmAppend(0, TAXCMD_FORM, "Auto-Form\tCtrl+F");
        menuGrid->fmAppendSub(0, TAXCMD_COLORS, "Default Colors");
        for (short i = 0; i < TAX_SCHEMES; i++)
            menuGrid->fmAppend(TAXCMD_COLORS, (short)(TAXCMD_SCHEME + i), taxSchemes[i].name);
    }
    if (menuHeader) {
        menuHeader->fmAppend(0, TAXCMD_SORTASC, "sort asc");
        menuHeader->fmAppend(0, TAXCMD_SORTDESC, "sort desc");
        menuHeader->fmAppend(0, TAXCMD_NOSORT, "no sort");
        menuHeader->fmAppend(0, 0, 0);
        menuHeader->fmAppend(0, TAXCMD_OPTWIDTH, "Optimal column width");
        menuHeader->fmAppend(0, 0, 0);
        menuHeader->fmAppendSub(0, TAXCMD_FORMAT, "Format");
    }
    if (menuQbe) {
        menuQbe->fmAppend(0, TAXOP_LIKE_START, "Like  TEXT%");
        menuQbe->fmAppend(0, TAXOP_LIKE_ANY, "Like  %TEXT%");
        menuQbe->fmAppend(0, TAXOP_LIKE_END, "Like  %TEXT");
        menuQbe->fmAppend(0, TAXOP_EQ, "Operator  =");
        menuQbe->fmAppend(0, TAXOP_NE, "Operator  <>");
        menuQbe->fmAppend(0, TAXOP_LT, "Operator  <");
        menuQbe->fmAppend(0, TAXOP_GT, "Operator  >");
        menuQbe->fmAppend(0, TAXOP_LE, "Operator  <=");
        menuQbe->fmAppend(0, TAXOP_GE, "Operator  >=");
        menuQbe->fmAppend(0, 0, 0);
        menuQbe->fmAppend(0, TAXOP_NULL, "IS NULL");
        menuQbe->fmAppend(0, TAXOP_NOTNULL, "IS NOT NULL");
        menuQbe->fmAppend(0, 0, 0);
        menuQbe->fmAppend(0, TAXCMD_NOT, "NOT");
        menuQbe->fmAppend(0, 0, 0);
        menuQbe->fmAppend(0, TAXCMD_CLEAR, "clear\tCtrl+Bksp");
        menuQbe->fmAppend(0, TAXCMD_CLEARALL, "clear all\tCtrl+Shift+Bksp");
    }
}

/* Brings a menu's checks and enabled items up to date just before it opens. */
void cRerovar::prepareMenu(short which) {
    if (which == TAXMENU_GRID) {
        menuGrid->fmEnable(TAXCMD_FORM, (flg & TAX_FORM) != 0);
        EnableMenuItem(menuGrid->menu, 2,
                       MF_BYPOSITION | ((flg & TAX_COLORMENU) ? MF_ENABLED : MF_GRAYED));
        short current = taxColorScheme();
        for (short i = 0; i < TAX_SCHEMES; i++)
            menuGrid->fmCheck((short)(TAXCMD_SCHEME + i), i == current);
        return;
    }
    cTaxCol* col = index2col(menuCol);
    if (!col)
        return;
    if (which == TAXMENU_HEADER) {
        bool sortable = (col->flg & TAXCOL_SORTABLE) != 0;
        menuHeader->fmEnable(TAXCMD_SORTASC, sortable);
        menuHeader->fmEnable(TAXCMD_SORTDESC, sortable);
        menuHeader->fmEnable(TAXCMD_NOSORT, sortable);
        HMENU sub = subMenu(menuHeader, TAXCMD_FORMAT);
        if (!sub)
            return;
        while (GetMenuItemCount(sub) > 0)
            DeleteMenu(sub, 0, MF_BYPOSITION);
        if (col->typex == VTYPE_NUMBEX && !(col->flg & TAXCOL_CHECKBOX)) {
            for (short k = 0; k < 5; k++)
                AppendMenuA(sub, MF_STRING, TAXCMD_FORMAT0 + k, numberFormats[k]);
        } else if (col->typex == VTYPE_DATEX) {
            for (short k = 0; k < 6; k++)
                AppendMenuA(sub, MF_STRING, TAXCMD_FORMAT0 + k, dateFormats[k]);
        } else {
            AppendMenuA(sub, MF_STRING | MF_GRAYED, TAXCMD_FORMAT0, "(empty)");
        }
        return;
    }
    for (short op = TAXOP_LIKE_START; op <= TAXOP_NOTNULL; op++) {
        if (op != 210 && op != 211)
            menuQbe->fmCheck(op, col->qbeOp == op);
    }
    menuQbe->fmCheck(TAXCMD_NOT, col->qbeNot);
}

void cRerovar::applyScheme(short scheme) {
    if (scheme < 0 || scheme >= TAX_SCHEMES)
        return;
    taxSetColorScheme(scheme);
    setColors(taxSchemes[scheme].band0, 0, taxSchemes[scheme].band1, 0);
    repaint();
}

/* Columns a and b trade places, in the column array and in every row. */
void cRerovar::swapCols(short a, short b) {
    if (!index2col(a) || !index2col(b) || a == b)
        return;
    edit_close();
    cTaxCol* t = cols[a];
    cols[a] = cols[b];
    cols[b] = t;
    for (short r = 0; r < countA; r++) {
        cTaxRow* row = rows[r];
        if (a < row->itemCount && b < row->itemCount) {
            cTaxit* it = row->items[a];
            row->items[a] = row->items[b];
            row->items[b] = it;
        }
    }
    if (sortIndex == a)
        sortIndex = b;
    else if (sortIndex == b)
        sortIndex = a;
    menuCol = b;
    if (flg & TAX_COLSELECT)
        curcol = b;
    colIntoView(b);
    repaint();
}

void cRerovar::onCommand(WPARAM wp, LPARAM lp) {
    HWND from = (HWND)lp;
    if (from && (from == textEditor || from == roEditor || from == listEditor)) {
        edit_command(wp, lp);
        return;
    }
    edit_close();
    if (HIWORD(wp) == 0)
        onMenuCommand(LOWORD(wp));
}

void cRerovar::onMenuCommand(int cmd) {
    cTaxCol* col = index2col(menuCol);
    if ((cmd >= TAXOP_LIKE_START && cmd <= TAXOP_GE) || cmd == TAXOP_NULL || cmd == TAXOP_NOTNULL) {
        if (col && (col->flg & TAXCOL_QBE)) {
            col->qbeOp = (short)cmd;
            qbe_edit(menuCol, 1);
        }
        return;
    }
    if (cmd >= TAXCMD_FORMAT0 && cmd < TAXCMD_FORMAT0 + 6) {
        if (!col)
            return;
        int k = cmd - TAXCMD_FORMAT0;
        char fmt[32] = "";
        if (col->typex == VTYPE_NUMBEX && !(col->flg & TAXCOL_CHECKBOX) && k < 5)
            snprintf(fmt, sizeof fmt, "%%.%df", k);
        else if (col->typex == VTYPE_DATEX)
            snprintf(fmt, sizeof fmt, "%s", dateFormats[k]);
        if (fmt[0]) {
            col->setFormat(fmt, true);
            repaint();
        }
        return;
    }
    if (cmd >= TAXCMD_SCHEME && cmd < TAXCMD_SCHEME + TAX_SCHEMES) {
        applyScheme((short)(cmd - TAXCMD_SCHEME));
        return;
    }
    switch (cmd) {
    case TAXCMD_NOT:
        if (col && (col->flg & TAXCOL_QBE)) {
            col->qbeNot = !col->qbeNot;
            qbe_edit(menuCol, 1);
        }
        break;
    case TAXCMD_CLEAR:
        if (col)
            qbe_edit(menuCol, 0);
        break;
    case TAXCMD_CLEARALL:
        qbe_edit(-1, 0);
        break;
    case TAXCMD_SORTASC:
    case TAXCMD_SORTDESC:
    case TAXCMD_NOSORT:
        if (col)
            sort(col->colid, cmd == TAXCMD_SORTASC ? 1 : (cmd == TAXCMD_SORTDESC ? 2 : 0));
        break;
    case TAXCMD_OPTWIDTH:
        if (col) {
            setColWidthAt(menuCol, -1);
            updateScroll();
            repaint();
        }
        break;
    case TAXCMD_MOVELEFT:
        swapCols(menuCol, (short)(menuCol - 1));
        break;
    case TAXCMD_MOVERIGHT:
        swapCols(menuCol, (short)(menuCol + 1));
        break;
    case TAXCMD_EXPORT:
        export_dialog();
        break;
    case TAXCMD_FORM:
        form_create();
        break;
    }
}
