/* Keyboard and mouse: row and column selection, scrolling keys, clicks on header,
   filter row, check boxes and data rows. */
#include "taxint.h"

static bool keyDown(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

/* ---- keyboard ---- */

void cRerovar::onKeyDown(int key) {
    edit_close();
    bool ctrl = keyDown(VK_CONTROL), shift = keyDown(VK_SHIFT);
    if (keyHook(key, ctrl, shift))
        return;
    switch (key) {
    case VK_APPS: {
        cTaxCol* col = index2col(curcol);
        int left = colLeft(curcol);
        if (!col || left < 0 || left >= clientW)
            return;
        POINT pt = {left + col->width / 2, headerHeight + qbeHeight};
        ClientToScreen(hwnd, &pt);
        if (ctrl)
            openMenu(TAXMENU_HEADER, curcol, pt.x, pt.y);
        else if (!(flg & TAX_NOQBE) && (col->flg & TAXCOL_QBE))
            openMenu(TAXMENU_QBE, curcol, pt.x, pt.y);
        return;
    }
    case 'E':
        if (ctrl)
            export_dialog();
        return;
    case 'F':
        if (ctrl) {
            if (shift)
                form_destroy();
            else
                form_create();
        }
        return;
    case 'C':
        if (ctrl)
            exportx(2, shift ? 2 : 1, countS > 0, false, ',', "", "", hwnd);
        return;
    case VK_BACK:
        if (ctrl) {
            if (shift)
                qbe_edit(-1, 0);
            else if (index2col(curcol))
                qbe_edit(curcol, 0);
        }
        return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
        keyPage(key, shift);
        return;
    case VK_LEFT:
    case VK_RIGHT:
        keyLeftRight(key);
        return;
    case VK_UP:
    case VK_DOWN:
        keyUpDown(key, shift);
        return;
    case VK_F2:
        if ((flg & TAX_EDITABLE) && getCurowptrV())
            edit_cell(0, curow);
        return;
    }
}

void cRerovar::keyPage(int key, bool shift) {
    /* A page step is one row less than a page, and at least one row. */
    int step = pageRows > 1 ? pageRows - 1 : 1;
    int n;
    switch (key) {
    case VK_PRIOR:
        if (curow <= 0)
            return;
        n = curow - step;
        if (n < 0)
            n = 0;
        moveTo((short)n, shift);
        topRow = (short)n;
        break;
    case VK_NEXT:
    case VK_END:
        if (curow >= countV - 1)
            return;
        n = key == VK_END ? countV - 1 : curow + step;
        if (n > countV - 1)
            n = countV - 1;
        moveTo((short)n, shift);
        n = n - pageRows + 1;
        topRow = (short)(n > 0 ? n : 0);
        break;
    default:  // VK_HOME
        if (topRow != 0 || curow > 0)
            home(shift);
        return;
    }
    clampView();
    updateScroll();
    repaint();
    notifyCurrow();
}

void cRerovar::keyUpDown(int key, bool shift) {
    bool ctrl = keyDown(VK_CONTROL);
    if (ctrl) {
        int t = topRow + (key == VK_UP ? -1 : 1);
        if (t > maxTopRow())
            t = maxTopRow();
        if (t < 0)
            t = 0;
        if (t != topRow) {
            topRow = (short)t;
            updateScroll();
            repaint();
        }
        return;
    }
    if (countV <= 0)
        return;
    short old = curow;
    cTaxRow* oldRow = rowindex2ptrV(old);
    bool single = countS == 1 && oldRow && (oldRow->flg & TAXROW_SELECTED);
    int n = key == VK_UP ? curow - 1 : curow + 1;
    if (n < 0)
        n = 0;
    if (n > countV - 1)
        n = countV - 1;
    moveTo((short)n, shift);
    bool scrolled = false;
    if (n < topRow || n >= topRow + pageRows) {
        int t = key == VK_UP ? n : n - pageRows + 1;
        topRow = (short)(t > 0 ? t : 0);
        clampView();
        updateScroll();
        scrolled = true;
    }
    if (!scrolled && single && countS == 1) {
        paintRow(old);
        paintRow((short)n);
    } else {
        repaint();
    }
    notifyCurrow();
}

void cRerovar::keyLeftRight(int key) {
    if (colCount <= 0)
        return;
    bool ctrl = keyDown(VK_CONTROL);
    if (!ctrl && (flg & TAX_COLSELECT)) {
        int c = curcol;
        if (key == VK_LEFT)
            c = c <= 0 ? 0 : c - 1;
        else
            c = c < 0 ? 0 : (c + 1 < colCount ? c + 1 : colCount - 1);
        curcol = (short)c;
        for (short i = 0; i < colCount; i++)
            cols[i]->flg &= ~TAXCOL_SELECTED;
        cols[c]->flg |= TAXCOL_SELECTED;
        colIntoView((short)c);
        repaint();
        return;
    }
    int f = firstCol + (key == VK_LEFT ? -1 : 1);
    if (f > colCount - 1)
        f = colCount - 1;
    if (f < 0)
        f = 0;
    if (f != firstCol) {
        firstCol = (short)f;
        updateScroll();
        repaint();
    }
}

void cRerovar::onChar(int ch) {
    edit_close();
    if (ch == '\t' || ch == 27 || ch == '\r' || ch == '\n')
        return;
    if (keyDown(VK_CONTROL))
        return;
    ch &= 0xFF;
    if (ch < 32 && ch != 8)
        return;  // control codes are no filter text
    if (!index2col(curcol) || !(flg & TAX_COLSELECT) || (flg & TAX_NOQBE))
        return;
    qbe_edit(curcol, ch);
}

void cRerovar::home(bool extend) {
    edit_close();
    clearSelection();
    if (countV <= 0) {
        curow = -1;
    } else {
        if (extend && !(flg & TAX_SINGLESEL)) {
            short a = anchorRow < countV ? anchorRow : (short)(countV - 1);
            for (short v = 0; v <= a; v++)
                rows[vis[v]]->flg |= TAXROW_SELECTED;
            countS = (short)(a + 1);
        } else {
            rows[vis[0]]->flg |= TAXROW_SELECTED;
            countS = 1;
            anchorRow = 0;
        }
        curow = 0;
    }
    topRow = 0;
    updateScroll();
    repaint();
    notifyCurrow();
}

/* ---- mouse ---- */

void cRerovar::onLButtonDown(WPARAM keys, int px, int py) {
    edit_close();
    bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
    if (py < 0)
        return;
    if (py < headerHeight + qbeHeight) {
        int left = 0;
        short c = colAt(px, &left);
        if (c < 0) {
            if (!hasFocus)
                SetFocus(hwnd);
            return;
        }
        cTaxCol* col = cols[c];
        if ((col->flg & TAXCOL_HDRCHECK) && px - left < 16) {
            col->flg ^= TAXCOL_HDRCHECKED;
            repaintHeader();
            long checked = (col->flg & TAXCOL_HDRCHECKED) ? 0x10000 : 0;
            SendMessageA(hwndParent, TAXN_HDRCHECK, (WPARAM)this,
                         (LPARAM)((unsigned short)col->colid | checked));
            if (!hasFocus)
                SetFocus(hwnd);
            return;
        }
        short colid = col->colid;
        if (flg & TAX_COLSELECT) {
            curcol = c;
            if (ctrl) {
                col->flg ^= TAXCOL_SELECTED;
            } else {
                for (short i = 0; i < colCount; i++)
                    cols[i]->flg &= ~TAXCOL_SELECTED;
                col->flg |= TAXCOL_SELECTED;
            }
            colIntoView(c);
            repaint();
        }
        LRESULT answer = SendMessageA(hwndParent, TAXN_HDRCLICK, (WPARAM)this, (LPARAM)colid);
        if (answer <= 0 && !hasFocus)
            SetFocus(hwnd);
        return;
    }
    if (rowHeight <= 0)
        return;
    int n = (py - headerHeight - qbeHeight) / rowHeight + topRow;
    if (n >= countV) {
        if (!hasFocus)
            SetFocus(hwnd);
        return;
    }
    int left = 0;
    short c = colAt(px, &left);
    cTaxRow* row = rows[vis[n]];
    bool wasOnly = countS == 1 && curow == n && (row->flg & TAXROW_SELECTED);
    bool single = (flg & TAX_SINGLESEL) != 0;
    if (shift && !single) {
        moveTo((short)n, true);
    } else if (ctrl && !single) {
        if (row->flg & TAXROW_SELECTED) {
            row->flg &= ~TAXROW_SELECTED;
            if (countS > 0)
                countS--;
        } else {
            row->flg |= TAXROW_SELECTED;
            countS++;
        }
        curow = (short)n;
        anchorRow = (short)n;
    } else {
        moveTo((short)n, false);
    }
    if (n == topRow + pageRows) {
        topRow++;
        clampView();
        updateScroll();
    }
    repaint();
    if (!hasFocus)
        SetFocus(hwnd);
    notifyCurrow();

    cTaxCol* col = index2col(c);
    if (!col)
        return;
    if (col->flg & TAXCOL_CHECKBOX) {
        cTaxit* it = row->item(c);
        if ((col->flg & TAXCOL_READONLY) || !it || !it->value || (it->flg & TAXIT_READONLY))
            return;
        it->value->set(it->value->toDouble() != 0 ? 0.0 : 1.0);
        paintRow((short)n);
        SendMessageA(hwndParent, TAXN_CHECKBOX, (WPARAM)this,
                     MAKELPARAM((unsigned short)n, (unsigned short)col->colid));
        return;
    }
    if (wasOnly && !ctrl && !shift && (flg & TAX_EDITABLE))
        edit_cell(c, (short)n);
}

void cRerovar::onLButtonDblClk(WPARAM keys, int px, int py) {
    edit_close();
    bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
    if (py < 0)
        return;
    if (py < headerHeight + qbeHeight) {
        int left = 0;
        short c = colAt(px, &left);
        if (c < 0)
            return;
        cTaxCol* col = cols[c];
        if ((col->flg & TAXCOL_HDRCHECK) && px - left < 16)
            return;
        if (!ctrl && !shift && countV > 0 && (col->flg & TAXCOL_DBLSORT))
            sort(col->colid, 3);
        else
            SendMessageA(hwndParent, TAXN_HDRDBLCLK, (WPARAM)this, (LPARAM)col->colid);
        return;
    }
    if (rowHeight <= 0)
        return;
    int n = (py - headerHeight - qbeHeight) / rowHeight + topRow;
    if (n < countV)
        SendMessageA(hwndParent, TAXN_ROWDBLCLK, (WPARAM)this, (LPARAM)n);
}

void cRerovar::onRButtonDown(WPARAM keys, int px, int py) {
    edit_close();
    bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
    if (py < 0)
        return;
    int left = 0;
    short c = colAt(px, &left);
    cTaxCol* col = index2col(c);
    bool inHeader = py < headerHeight;
    bool inStrip = py < headerHeight + qbeHeight;
    if (inStrip && col && (flg & TAX_COLSELECT)) {
        curcol = c;
        repaintHeader();
    }
    POINT pt = {px, py};
    ClientToScreen(hwnd, &pt);
    if (inStrip && !inHeader && col && (col->flg & TAXCOL_QBE) && !(flg & TAX_NOQBE)) {
        openMenu(TAXMENU_QBE, c, pt.x, pt.y);
    } else if (inHeader && col) {
        openMenu(TAXMENU_HEADER, c, pt.x, pt.y);
    } else if (ctrl && shift) {
        if (col) {
            setColWidthAt(c, -1);
            updateScroll();
            repaint();
        }
    } else if (!ctrl && !shift) {
        openMenu(TAXMENU_GRID, -1, pt.x, pt.y);
    }
    if (hwnd && !hasFocus)
        SetFocus(hwnd);
}

bool cRerovar::keyHook(int key, bool ctrl, bool shift) {
    return false;
}
