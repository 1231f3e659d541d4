/* The record form cAutoform: the grid's current row as a list of label and edit pairs in
   a window of its own, following the grid; typed values are stored with TAX_FORMEDIT. */
#include "taxint.h"

#include <string.h>

#include "winutil.h"

/* ---- the process-wide list of open forms ---- */

static cAutoform** formList = 0;
static int formCount = 0, formCap = 0;

static bool formListAdd(cAutoform* f) {
    if (formCount == formCap) {
        cAutoform** p = (cAutoform**)reallox(formList, (unsigned)((formCap + 10) * sizeof(cAutoform*)));
        if (!p)
            return false;
        formList = p;
        formCap += 10;
    }
    formList[formCount++] = f;
    return true;
}

/* The last entry moves into the freed place. */
static void formListRemove(cAutoform* f) {
    for (int i = 0; i < formCount; i++) {
        if (formList[i] == f) {
            formList[i] = formList[--formCount];
            return;
        }
    }
}

cAutoform* cAutoform::hwnd2ptr(HWND w) {
    if (!w)
        return 0;
    for (int i = 0; i < formCount; i++)
        if (formList[i]->hwnd == w)
            return formList[i];
    return 0;
}

/* ---- the grid's side ---- */

bool cRerovar::form_create() {
    edit_close();
    if (!(flg & TAX_FORM))
        return false;
    if (form) {
        if (form->fieldCount > 0 && form->edits[0])
            SetFocus(form->edits[0]);
        return true;
    }
    if (!getCurowptrV() || !hwnd)
        return false;
    cAutoform* f = taxNew<cAutoform>(this);
    if (!f)
        return false;
    form = f;
    if (!f->create()) {
        /* A half-made window deletes the object as it is destroyed. */
        if (f->hwnd)
            DestroyWindow(f->hwnd);
        else
            delete f;
        form = 0;
        return false;
    }
    return true;
}

bool cRerovar::form_destroy() {
    cAutoform* f = form;
    form = 0;
    if (f && f->hwnd)
        DestroyWindow(f->hwnd);  // its WM_NCDESTROY deletes the object
    else if (f)
        delete f;
    return true;
}

void cRerovar::form_refresh(short index) {
    if (form)
        form->refresh(index);
}

void cRerovar::form_color(long colour) {
    if (form)
        form->setBack(colour);
}

/* ---- the form ---- */

cAutoform::cAutoform(cRerovar* g)
    : grid(g), hwnd(0), fieldCount(g->colCount), back(g->formColor), backBrush(0),
      editable((g->flg & TAX_FORMEDIT) != 0), labels(0), edits(0), margin(5),
      fieldHeight(g->rowHeight), fieldStep(0), updating(true), firstField(0), visibleFields(0),
      maxFirst(0) {}

cAutoform::~cAutoform() {
    formListRemove(this);
    if (grid && grid->form == this)
        grid->form = 0;
    if (backBrush)
        DeleteObject(backBrush);
    freex(labels);
    freex(edits);
}

HWND cAutoform::getHwnd() {
    return hwnd;
}

bool cAutoform::create() {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int width = 315 + 2 * GetSystemMetrics(SM_CXSIZEFRAME);
    int frame = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYSIZEFRAME);
    fieldStep = (short)(grid->rowHeight - 1);
    int height = fieldStep * fieldCount + 2 * margin + frame;
    if (height > sh - 60)
        height = sh - 60;
    if (height < (sh - 60) / 2) {
        fieldStep = (short)(fieldStep + 4);
        height = fieldStep * fieldCount + 2 * margin + frame;
    }
    backBrush = CreateSolidBrush(rgbx(back));
    if (fieldCount > 0) {
        labels = (HWND*)taxAlloc(fieldCount, (int)sizeof(HWND));
        edits = (HWND*)taxAlloc(fieldCount, (int)sizeof(HWND));
        if (!labels || !edits)
            return false;
        memset(labels, 0, (size_t)fieldCount * sizeof(HWND));
        memset(edits, 0, (size_t)fieldCount * sizeof(HWND));
    }
    if (!formListAdd(this))
        return false;
    HINSTANCE inst = grid->hinst ? grid->hinst : taxCoreInstance();
    hwnd = CreateWindowExA(0, "cAutoform", grid->formTitle ? grid->formTitle : "Auto-Form",
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VSCROLL,
                           sw - width - 20, sh / 2 - height / 2, width, height, grid->hwnd, 0,
                           inst, this);
    if (!hwnd)
        return false;
    for (short i = 0; i < fieldCount; i++) {
        cTaxCol* col = grid->cols[i];
        labels[i] = CreateWindowExA(0, "STATIC", col->title ? col->title : "",
                                    WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 5,
                                    margin + 1 + i * fieldStep, 100, fieldHeight - 1, hwnd,
                                    (HMENU)0, inst, 0);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
        if (!editable)
            style |= ES_READONLY;
        edits[i] = CreateWindowExA(0, "EDIT", "", style, 110, margin + i * fieldStep, 200,
                                   fieldHeight, hwnd, (HMENU)(INT_PTR)(unsigned short)col->colid,
                                   inst, 0);
        if (!labels[i] || !edits[i])
            return false;
        if (grid->font) {
            SendMessageA(labels[i], WM_SETFONT, (WPARAM)grid->font, FALSE);
            SendMessageA(edits[i], WM_SETFONT, (WPARAM)grid->font, FALSE);
        }
    }
    layout();
    refresh(-1);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    if ((grid->flg & TAX_FORMFOCUS) && fieldCount > 0)
        SetFocus(edits[0]);
    else
        SetFocus(grid->hwnd);
    raise();
    return true;
}

void cAutoform::raise() {
    // Activating the grid's frame (focus, a click) makes Wine without a window manager stack
    // the frame over the form while its own order keeps the form on top: only a real move
    // of the form puts it back in sight.
    if (!hwnd || !IsWindowVisible(hwnd))
        return;
    SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void cAutoform::refresh(short index) {
    if (!hwnd || !edits)
        return;
    cTaxRow* row = grid->getCurowptrV();
    updating = true;
    for (short i = 0; i < fieldCount; i++) {
        if (index >= 0 && i != index)
            continue;
        char const* t = "";
        if (row && i < row->itemCount) {
            char const* s = row->getStr(i, true);
            if (s)
                t = s;
        }
        // A text with an accent the edit control may not shape (a line break or a wrap
        // before it counts too) is shown with look-alikes, and only shown: the field is
        // read-only while it holds it, so the form never changes the value.
        bool trap = strpbrk(t, "\xA1\xB2\xBD") != 0;
        if (editable)
            SendMessageA(edits[i], EM_SETREADONLY, trap, 0);
        if (trap)
            vorShowText(edits[i], t, false);
        else
            SetWindowTextA(edits[i], t);
    }
    /* With no current row nothing typed is stored until a row is current again. */
    updating = row == 0;
}

void cAutoform::setBack(long colour) {
    back = colour;
    HBRUSH b = CreateSolidBrush(rgbx(colour));
    if (!b)
        return;
    if (backBrush)
        DeleteObject(backBrush);
    backBrush = b;
    if (hwnd)
        RedrawWindow(hwnd, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void cAutoform::control_F() {
    cRerovar* g = grid;
    if (g && g->hwnd)
        SetFocus(g->hwnd);
    if (GetKeyState(VK_SHIFT) & 0x8000) {
        if (g)
            g->form_destroy();
        else if (hwnd)
            DestroyWindow(hwnd);
    }
}

void cAutoform::layout() {
    if (!hwnd || fieldStep <= 0)
        return;
    RECT rc;
    GetClientRect(hwnd, &rc);
    visibleFields = (short)(rc.bottom / fieldStep);
    int mf = fieldCount - visibleFields;
    maxFirst = (short)(mf > 0 ? mf : 0);
    if (firstField > maxFirst)
        firstField = maxFirst;
    if (firstField < 0)
        firstField = 0;
    SetScrollRange(hwnd, SB_VERT, 0, maxFirst, FALSE);
    SetScrollPos(hwnd, SB_VERT, firstField, TRUE);
    if (!labels || !edits)
        return;
    int lw = (rc.right - 15) / 3;
    int ew = rc.right - 15 - lw;
    // All pairs move at once and are painted afresh: moved one by one with their old bits,
    // a pair moving up took over the picture of the one above it, still to move.
    UINT const how = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOREDRAW;
    HDWP moves = BeginDeferWindowPos(fieldCount * 2);
    auto place = [&](HWND w, int x, int y, int cx, int cy) {
        if (w && moves)
            moves = DeferWindowPos(moves, w, 0, x, y, cx, cy, how);
        else if (w)
            SetWindowPos(w, 0, x, y, cx, cy, how);  // out of memory: one by one
    };
    for (short i = 0; i < fieldCount; i++) {
        int y = margin + (i - firstField) * fieldStep;
        place(labels[i], 5, y + 1, lw, fieldHeight - 1);
        place(edits[i], lw + 10, y, ew, fieldHeight);
    }
    if (moves)
        EndDeferWindowPos(moves);
    RedrawWindow(hwnd, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void cAutoform::onVScroll(WPARAM wp) {
    int f = firstField;
    switch (LOWORD(wp)) {
    case SB_LINEUP: f--; break;
    case SB_LINEDOWN: f++; break;
    case SB_PAGEUP: f -= 10; break;
    case SB_PAGEDOWN: f += 10; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: f = (short)HIWORD(wp); break;
    default: return;
    }
    if (f > maxFirst)
        f = maxFirst;
    if (f < 0)
        f = 0;
    firstField = (short)f;
    layout();
}

void cAutoform::onEditChange(HWND edit, int colid) {
    if (updating || !editable)
        return;
    cTaxRow* row = grid->getCurowptrV();
    short c = grid->colid2index((short)colid);
    cTaxit* it = row ? row->item(c) : 0;
    if (!it || !it->value)
        return;
    GetWindowTextA(edit, taxEditBuf, TAX_EDITBUF);
    taxEditBuf[TAX_EDITBUF - 1] = 0;
    it->value->set(taxEditBuf, -1);
    if (grid->flg & TAX_AUTOWIDTH) {
        grid->widenToFit(c, row);
        grid->updateScroll();
        grid->repaint();
    } else {
        grid->paintRow(grid->curow);
    }
}

LRESULT CALLBACK cAutoform::wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    cAutoform* f = (cAutoform*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (m == WM_NCCREATE) {
        f = (cAutoform*)((CREATESTRUCTA*)lp)->lpCreateParams;
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)f);
        if (f)
            f->hwnd = w;
    }
    if (!f)
        return DefWindowProcA(w, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        f->hwnd = 0;
        delete f;
        return DefWindowProcA(w, m, wp, lp);
    }
    return f->dispatch(m, wp, lp);
}

LRESULT cAutoform::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_DESTROY:
        formListRemove(this);
        if (grid && grid->form == this)
            grid->form = 0;
        break;
    case WM_SIZE:
        if (wp == SIZE_RESTORED)
            layout();
        return 0;
    case WM_VSCROLL:
        onVScroll(wp);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* mm = (MINMAXINFO*)lp;
        mm->ptMinTrackSize.x = 150;
        mm->ptMinTrackSize.y = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYSIZEFRAME) +
                               fieldHeight + 2 * margin;
        return 0;
    }
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect((HDC)wp, &rc, backBrush ? backBrush : (HBRUSH)GetStockObject(WHITE_BRUSH));
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
        HDC dc = (HDC)wp;
        char cls[8] = "";
        GetClassNameA((HWND)lp, cls, sizeof cls);
        if (lstrcmpiA(cls, "Edit") == 0) {
            SetBkColor(dc, RGB(255, 255, 255));
            return (LRESULT)GetStockObject(WHITE_BRUSH);
        }
        SetBkColor(dc, rgbx(back));
        return (LRESULT)(backBrush ? backBrush : GetStockObject(WHITE_BRUSH));
    }
    case WM_COMMAND:
        if (HIWORD(wp) == EN_CHANGE && lp)
            onEditChange((HWND)lp, (int)(short)LOWORD(wp));
        return 0;
    case WM_KEYDOWN:
        if (wp == 'F' && (GetKeyState(VK_CONTROL) & 0x8000)) {
            control_F();
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, m, wp, lp);
}
