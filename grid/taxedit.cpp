/* In-place editing of cells: a text editor, a read-only editor and a drop-down list laid
   over the cell; every change is stored into the item at once. */
#include "taxint.h"

#include <string.h>

#include "winutil.h"

cRerovar* cRerovar::CurEditTax = 0;

/* Text read from an editor or a form field: at most 999 characters are stored. */
char taxEditBuf[TAX_EDITBUF];

namespace {

/* The window data of a subclassed editor. */
struct taxEditRec {
    HWND hwnd;         // the editor
    cRerovar* grid;    // its grid
    WNDPROC previous;  // the control's own procedure
};

bool keyDown(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

}  // namespace

/* Editor messages: focus loss closes, Up/Down move a row, Tab/Esc as from the message loop. */
LRESULT CALLBACK taxEditProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    taxEditRec* rec = (taxEditRec*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (!rec)
        return DefWindowProcA(w, m, wp, lp);
    WNDPROC previous = rec->previous;
    cRerovar* g = rec->grid;
    switch (m) {
    case WM_NCDESTROY:
        SetWindowLongPtrA(w, GWLP_WNDPROC, (LONG_PTR)previous);
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        freex(rec);
        return CallWindowProcA(previous, w, m, wp, lp);
    case WM_KILLFOCUS: {
        LRESULT r = CallWindowProcA(previous, w, m, wp, lp);
        if (g->editing) {
            g->edit_close();
            g->paintRow(g->curow);
        }
        return r;
    }
    case WM_GETDLGCODE:
        return CallWindowProcA(previous, w, m, wp, lp) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wp == VK_TAB || wp == VK_ESCAPE) {
            if (g->wantKey((int)wp))
                return 0;
            break;
        }
        if (wp == VK_UP || wp == VK_DOWN) {
            bool list = w == g->listEditor;
            if (!list || keyDown(VK_CONTROL) || keyDown(VK_SHIFT)) {
                g->edit_move(wp == VK_UP ? -1 : 1);
                return 0;
            }
        }
        break;
    case WM_CHAR:
        if (wp == '\t' || wp == 27)
            return 0;  // handled on key-down
        break;
    }
    return CallWindowProcA(previous, w, m, wp, lp);
}

/* Child control of class cls over the grid, subclassed; 0 when it cannot be made. */
static HWND makeEditor(cRerovar* g, char const* cls, DWORD style, int id) {
    HWND w = CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 0, 0, g->hwnd,
                             (HMENU)(INT_PTR)id, taxCoreInstance(), 0);
    if (!w)
        return 0;
    taxEditRec* rec = (taxEditRec*)mallox((int)sizeof(taxEditRec));
    if (!rec) {
        DestroyWindow(w);
        return 0;
    }
    rec->hwnd = w;
    rec->grid = g;
    rec->previous = (WNDPROC)GetWindowLongPtrA(w, GWLP_WNDPROC);
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)rec);
    SetWindowLongPtrA(w, GWLP_WNDPROC, (LONG_PTR)taxEditProc);
    if (g->font)
        SendMessageA(w, WM_SETFONT, (WPARAM)g->font, FALSE);
    return w;
}

void cRerovar::editCreate() {
    if (!hwnd || textEditor)
        return;
    textEditor = makeEditor(this, "EDIT", WS_BORDER | ES_AUTOHSCROLL, 1);
    roEditor = makeEditor(this, "EDIT", WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, 1);
    listEditor = makeEditor(this, "COMBOBOX", WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST, 2);
}

bool cRerovar::edit_start(short colid, short v) {
    short c = colid2index(colid);
    if (c < 0 || !(flg & TAX_EDITABLE))
        return false;
    if (v < 0 || v >= countV)
        v = curow;
    if (v < 0 || v >= countV)
        return false;
    edit_close();
    short before = firstCol;
    colIntoView(0);
    if (firstCol != before)
        repaint();
    edit_cell(c, v);  // clears the selection and makes v current
    return true;
}

void cRerovar::edit_stop() {
    if (curow < 0 || curow >= countV)
        return;
    clearSelection();
    rows[vis[curow]]->flg |= TAXROW_SELECTED;
    countS = 1;
    edit_close();
    paintRow(curow);
}

void cRerovar::edit_close() {
    if (!editing)
        return;
    editing = false;
    HWND f = GetFocus();
    if (f && (f == textEditor || f == roEditor || f == listEditor))
        SetFocus(hwnd);
    if (textEditor)
        SetWindowTextA(textEditor, "");
    if (listEditor) {
        SendMessageA(listEditor, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageA(listEditor, CB_RESETCONTENT, 0, 0);
    }
    hideWindow(textEditor);
    hideWindow(roEditor);
    hideWindow(listEditor);
    if (CurEditTax == this)
        CurEditTax = 0;
}

/* The row v is made current (not selected) and shown; repaints what changed. */
void cRerovar::editRowTo(short v) {
    short old = curow;
    clearSelection();
    curow = v;
    anchorRow = v;
    if (v < topRow || v >= topRow + pageRows) {
        int t = v < topRow ? v : v - pageRows + 1;
        topRow = (short)(t > 0 ? t : 0);
        clampView();
        updateScroll();
        repaint();
    } else {
        paintRow(old);
        paintRow(v);
    }
}

void cRerovar::edit_cell(short c, short v) {
    cTaxCol* col = index2col(c);
    cTaxRow* row = rowindex2ptrV(v);
    if (!col || !row || !textEditor || !roEditor || !listEditor)
        return;
    /* While the editors move, a focus loss must not close anything. */
    editing = false;
    SendMessageA(listEditor, CB_SHOWDROPDOWN, FALSE, 0);
    hideWindow(textEditor);
    hideWindow(roEditor);
    hideWindow(listEditor);
    editCol = c;
    if (countS > 0 || curow != v) {
        short old = curow;
        clearSelection();
        curow = v;
        paintRow(old);
        paintRow(v);
        if (old != v && form)
            form_refresh(-1);
    }
    /* The cell is brought on screen so that the editor never lies outside the grid. */
    short beforeCol = firstCol, beforeTop = topRow;
    colIntoView(c);
    if (v < topRow || v >= topRow + pageRows) {
        int t = v < topRow ? v : v - pageRows + 1;
        topRow = (short)(t > 0 ? t : 0);
        clampView();
        updateScroll();
    }
    if (firstCol != beforeCol || topRow != beforeTop)
        repaint();
    int x = colLeft(c);
    if (x < 0)
        x = 0;
    int y = headerHeight + qbeHeight + (v - topRow) * rowHeight;
    cTaxit* it = row->item(c);
    char const* text = "";
    if (it && it->value) {
        char const* t = it->value->toChars(col->format, false);
        if (t)
            text = t;
    }
    HWND ed;
    if (col->flg & TAXCOL_COMBO) {
        editIsList = true;
        ed = listEditor;
        SendMessageA(ed, CB_RESETCONTENT, 0, 0);
        for (short i = 0; i < col->cbxCount; i++)
            SendMessageA(ed, CB_ADDSTRING, 0, (LPARAM)(col->cbxStr[i] ? col->cbxStr[i] : ""));
        MoveWindow(ed, x, y, col->width, rowHeight * 10, TRUE);
        ShowWindow(ed, SW_SHOW);
        SetFocus(ed);
        int sel = -1;
        for (short i = 0; i < col->cbxCount && sel < 0; i++)
            if (col->cbxStr[i] && strcmp(col->cbxStr[i], text) == 0)
                sel = i;
        SendMessageA(ed, CB_SETCURSEL, (WPARAM)sel, 0);
    } else {
        editIsList = false;
        ed = (col->flg & TAXCOL_READONLY) ? roEditor : textEditor;
        SetWindowTextA(ed, "");  // stores nothing: editing is off until the end
        SendMessageA(ed, EM_LIMITTEXT, (WPARAM)(col->editLimit > 0 ? col->editLimit : 0), 0);
        MoveWindow(ed, x, y, col->width, rowHeight, TRUE);
        ShowWindow(ed, SW_SHOW);
        SetFocus(ed);
        SetWindowTextA(ed, text);
        SendMessageA(ed, EM_SETSEL, 0, -1);
    }
    editing = true;
    CurEditTax = this;
}

/* Up/Down inside an editor: one row in the same column, the editor reopened there. */
void cRerovar::edit_move(int dir) {
    if (!editing)
        return;
    int n = curow + dir;
    if (n < 0 || n >= countV)
        return;
    short c = editCol;
    editRowTo((short)n);
    notifyCurrow();
    edit_cell(c, (short)n);
}

bool cRerovar::edit_command(WPARAM wp, LPARAM lp) {
    if (!editing || editCol < 0)
        return false;
    HWND from = (HWND)lp;
    unsigned code = HIWORD(wp);
    bool store = (from == textEditor && code == EN_CHANGE) ||
                 (from == listEditor && code == CBN_SELCHANGE);
    if (!store)
        return false;
    cTaxRow* row = rowindex2ptrV(curow);
    cTaxit* it = row ? row->item(editCol) : 0;
    if (!it || !it->value)
        return false;
    taxEditBuf[0] = 0;
    if (from == listEditor) {
        int sel = (int)SendMessageA(listEditor, CB_GETCURSEL, 0, 0);
        int n = sel >= 0 ? (int)SendMessageA(listEditor, CB_GETLBTEXTLEN, (WPARAM)sel, 0) : -1;
        if (n >= 0 && n < TAX_EDITBUF)
            SendMessageA(listEditor, CB_GETLBTEXT, (WPARAM)sel, (LPARAM)taxEditBuf);
        else
            GetWindowTextA(listEditor, taxEditBuf, TAX_EDITBUF);
    } else {
        GetWindowTextA(from, taxEditBuf, TAX_EDITBUF);
    }
    taxEditBuf[TAX_EDITBUF - 1] = 0;
    it->value->set(taxEditBuf, -1);
    if (form)
        form_refresh(editCol);
    return true;
}

bool cRerovar::wantKey(int key) {
    if (!editing || CurEditTax != this)
        return false;
    if (key == VK_ESCAPE) {
        if (curow >= 0 && curow < countV) {
            clearSelection();
            rows[vis[curow]]->flg |= TAXROW_SELECTED;
            countS = 1;
        }
        edit_close();
        paintRow(curow);
        notifyCurrow();
        return true;
    }
    if (key != VK_TAB)
        return false;
    int c = editCol, v = curow;
    if (keyDown(VK_SHIFT)) {
        if (--c < 0) {
            c = colCount - 1;
            v--;
        }
    } else if (++c >= colCount) {
        c = 0;
        v++;
    }
    if (v < 0 || v >= countV)
        return true;  // no cell before the first or after the last
    if (v != curow) {
        editRowTo((short)v);
        notifyCurrow();
    }
    short before = firstCol;
    colIntoView((short)c);
    if (firstCol != before)
        repaint();
    edit_cell((short)c, (short)v);
    return true;
}
