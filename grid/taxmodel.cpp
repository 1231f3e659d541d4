/* The grid's data model: life cycle, columns, rows, the views and the value getters. */
#include <cctype>
#include <cstring>

#include "taxint.h"
#include "winutil.h"

void* taxAlloc(int n, int size) {
    if (n <= 0 || size <= 0)
        return 0;
    return mallox(n * size);
}

short taxGrow(short cap, short step) {
    int next = (int)cap + step;
    return (short)(next > TAX_MAXCOUNT ? TAX_MAXCOUNT : next);
}

cRerovar::cRerovar()
    : charWidth(9),
      likeDefault(0),
      id(0),
      x(0), y(0), w(0), h(0),
      clientW(0), clientH(0),
      flg(0),
      created(false), visible(false),
      firstCol(0), topRow(0),
      colCount(0), countA(0), countV(0),
      pageRows(0), curow(-1), countS(0), curcol(-1),
      rowHeight(15), headerHeight(16), qbeHeight(12),
      hwnd(0), hwndParent(0), hinst(0),
      cols(0), colCap(0), rows(0), vis(0), rowCap(0),
      hdrBack(0xC0C0C0), hdrText(0x000000),
      selHdrBack(0x5C5C5C), selHdrText(0xFFFFFF),
      formColor(0xC0E0F0), selShade(30), selText(0xFFFFFF), lineColor(0xA0A0A0),
      bandCount(1),
      font(0), charHeight(13),
      menuGrid(0), menuHeader(0), menuQbe(0),
      form(0), formTitle(0),
      textEditor(0), roEditor(0), listEditor(0),
      editing(false), editCol(-1), editIsList(false),
      sortColid(-1), sortIndex(-1), sortDir(0),
      anchorRow(0), hasFocus(false), menuCol(-1),
      trueColor(isTrueColor()), iconsHeld(false), frameDue(false), bulkLoad(0) {
    for (int i = 0; i < TAX_BANDS; i++) {
        bandBack[i] = 0xFFFFFF;
        bandText[i] = 0x000000;
    }
}

cRerovar::~cRerovar() {
    if (CurEditTax == this)
        CurEditTax = 0;
    if (form)
        form_destroy();
    if (hwnd) {
        /* Deleted directly rather than through its window: the window must not keep us. */
        HWND wnd = hwnd;
        hwnd = 0;
        SetWindowLongPtrA(wnd, 0, 0);
        if (IsWindow(wnd))
            DestroyWindow(wnd);
    }
    if (font)
        DeleteObject(font);
    for (short i = 0; i < countA; i++)
        delete rows[i];
    for (short i = 0; i < colCount; i++)
        delete cols[i];
    freex(rows);
    freex(vis);
    freex(cols);
    freex(formTitle);
    delete menuGrid;
    delete menuHeader;
    delete menuQbe;
    if (iconsHeld)
        taxIconsRelease();
}

void cRerovar::computeGeometry() {
    rowHeight = (short)((charHeight > 13 ? charHeight : 13) + 2);
    headerHeight = (short)(rowHeight + 1);
    if (flg & TAX_GRIDLINES)
        rowHeight++;
    qbeHeight = (flg & TAX_NOQBE) ? 0 : (short)(headerHeight - 4);
    computePage();
}

void cRerovar::computePage() {
    int area = clientH - headerHeight - qbeHeight;
    int n = rowHeight > 0 ? area / rowHeight : 0;
    // A row shown only in part is the page then: the current row stays on it.
    if (n < 1 && area > 0 && rowHeight > 0)
        n = 1;
    pageRows = (short)(n > 0 ? n : 0);
}

short cRerovar::maxTopRow() {
    int m = countV - pageRows;
    return (short)(m > 0 ? m : 0);
}

void cRerovar::clampView() {
    if (topRow > maxTopRow())
        topRow = maxTopRow();
    if (topRow < 0)
        topRow = 0;
    if (curow >= countV)
        curow = (short)(countV - 1);
    if (anchorRow >= countV)
        anchorRow = (short)(countV > 0 ? countV - 1 : 0);
    if (anchorRow < 0)
        anchorRow = 0;
    if (curcol >= colCount)
        curcol = (short)(colCount - 1);
    if (firstCol >= colCount)
        firstCol = (short)(colCount > 0 ? colCount - 1 : 0);
}

bool cRerovar::init(short cid, HWND parent, short px, short py, short pw, short ph, long flags) {
    if (created || hwnd)
        return false;
    id = cid;
    hwndParent = parent;
    x = px;
    y = py;
    w = pw;
    h = ph;
    flg = flags;
    likeDefault = 0;

    colCap = 50;
    rowCap = 1000;
    cols = (cTaxCol**)taxAlloc(colCap, sizeof(cTaxCol*));
    rows = (cTaxRow**)taxAlloc(rowCap, sizeof(cTaxRow*));
    vis = (short*)taxAlloc(rowCap, sizeof(short));
    if (!formTitle)
        formTitle = strdux((void*)"Auto-Form");
    if (!cols || !rows || !vis || !formTitle) {
        freex(cols);
        freex(rows);
        freex(vis);
        cols = 0;
        rows = 0;
        vis = 0;
        colCap = rowCap = 0;
        return false;
    }

    hdrBack = 0xC0C0C0;
    hdrText = 0x000000;
    selHdrBack = trueColor ? 0x5C5C5C : 0x808080;
    selHdrText = 0xFFFFFF;
    formColor = 0xC0E0F0;
    selShade = 30;
    selText = 0xFFFFFF;
    lineColor = 0xA0A0A0;
    if (trueColor) {
        short s = taxColorScheme();
        setColors(taxSchemes[s].band0, 0, taxSchemes[s].band1, 0);
    } else {
        bandCount = 1;
        bandBack[0] = 0xFFFFFF;
        bandText[0] = 0x000000;
        flg |= TAX_GRIDLINES;
    }

    buildMenus();
    taxIconsAcquire();
    iconsHeld = true;

    hinst = parent ? (HINSTANCE)GetWindowLongPtrA(parent, GWLP_HINSTANCE) : 0;
    hwnd = CreateWindowExA(0, "cRerovar", "",
                           WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_VSCROLL |
                               WS_HSCROLL | WS_GROUP | WS_TABSTOP,
                           x, y, w, h, parent, 0, hinst, 0);
    if (!hwnd)
        return false;
    SetWindowLongPtrA(hwnd, 0, (LONG_PTR)this);

    font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "MS Sans Serif");
    M_size(hwnd, font, &charWidth, &charHeight);
    if (charWidth <= 0)
        charWidth = 9;
    if (charHeight <= 0)
        charHeight = 13;

    RECT rc;
    GetClientRect(hwnd, &rc);
    clientW = (short)rc.right;
    clientH = (short)rc.bottom;
    computeGeometry();
    created = true;
    updateScroll();
    if (flg & TAX_EDITABLE)
        editCreate();
    return true;
}

void cRerovar::show() {
    if (!created)
        return;
    edit_close();
    for (short i = 0; i < colCount; i++)
        setColWidthAt(i, (flg & TAX_AUTOWIDTH) ? -1 : -2);
    visible = true;
    frameDue = false;
    ShowWindow(hwnd, SW_SHOW);
    updateScroll();
    repaint();
}

void cRerovar::hide() {
    if (!created)
        return;
    edit_close();
    visible = false;
    frameDue = false;
    ShowWindow(hwnd, SW_HIDE);
}

void cRerovar::resetax() {
    deleteRows(false);
    deleteCols(true);
    form_destroy();
}

short cRerovar::getID() {
    return id;
}

HWND cRerovar::getHwnd(short which) {
    return which == 2 ? hwndParent : hwnd;
}

long cRerovar::getFlg() {
    return flg;
}

void cRerovar::setFlg(long bits, bool on) {
    long old = flg;
    flg = on ? (flg | bits) : (flg & ~bits);
    long changed = old ^ flg;
    if (!created || !(changed & (TAX_GRIDLINES | TAX_NOQBE)))
        return;
    edit_close();
    if (changed & TAX_GRIDLINES)
        rowHeight += (flg & TAX_GRIDLINES) ? 1 : -1;
    if (changed & TAX_NOQBE)
        qbeHeight = (flg & TAX_NOQBE) ? 0 : (short)(headerHeight - 4);
    computePage();
    clampView();
    updateScroll();
    repaint();
}

void cRerovar::setFormtitle(char const* title) {
    strfrdux(&formTitle, (void*)title);
}

/* ---- columns ---- */

bool cRerovar::addCol(short colid, short width, char const* title, short typex, long flags,
                      long back, long text, char const* format, short editLimit) {
    if (!cols)
        return false;
    edit_close();
    if (colCount >= TAX_MAXCOUNT)
        return false;
    if (colCount == colCap) {
        short cap = taxGrow(colCap, 50);
        if (cap == colCap)
            return false;
        cTaxCol** grown = (cTaxCol**)reallox(cols, (unsigned)cap * sizeof(cTaxCol*));
        if (!grown)
            return false;
        cols = grown;
        colCap = cap;
    }
    int px = width < 0 ? -(int)width * charWidth : (width == 0 ? 50 : width);
    if (px > 32767)
        px = 32767;
    cTaxCol* c = taxNew<cTaxCol>(this, colid, (short)px, title, typex, flags, back, text, format,
                                 editLimit);
    if (!c || !c->title || !c->format) {
        delete c;
        return false;
    }
    /* Rows already there get a null item for the new column; all or none. */
    for (short r = 0; r < countA; r++) {
        if (rows[r]->itemCount == colCount && rows[r]->appendItem(typex))
            continue;
        for (short k = 0; k < r; k++) {
            cTaxRow* row = rows[k];
            delete row->items[--row->itemCount];
        }
        delete c;
        return false;
    }
    cols[colCount++] = c;
    updateScroll();
    repaint();
    return true;
}

void cRerovar::deleteCols(bool rep) {
    if (countA > 0)
        return;
    edit_close();
    /* A form's fields are the columns it was made with: it goes with them. */
    if (colCount > 0)
        form_destroy();
    for (short i = 0; i < colCount; i++)
        delete cols[i];
    colCount = 0;
    curcol = -1;
    firstCol = 0;
    menuCol = -1;
    sortIndex = -1;
    updateScroll();
    if (rep)
        repaint();
}

short cRerovar::colid2index(short colid) {
    for (short i = 0; i < colCount; i++) {
        if (cols[i]->colid == colid)
            return i;
    }
    return -1;
}

cTaxCol* cRerovar::colid2ptr(short colid) {
    short i = colid2index(colid);
    return i >= 0 ? cols[i] : 0;
}

cTaxCol* cRerovar::index2col(short index) {
    return (index >= 0 && index < colCount) ? cols[index] : 0;
}

short cRerovar::getColCountA() {
    return colCount;
}

short cRerovar::getColCountV() {
    return colCount;
}

short cRerovar::getColCountS() {
    short n = 0;
    for (short i = 0; i < colCount; i++) {
        if (cols[i]->flg & TAXCOL_SELECTED)
            n++;
    }
    return n;
}

short cRerovar::getSelcolid() {
    for (short i = 0; i < colCount; i++) {
        if (cols[i]->flg & TAXCOL_SELECTED)
            return cols[i]->colid;
    }
    return -1;
}

bool cRerovar::addCbxStr(short colid, char const* s, long value) {
    cTaxCol* c = colid2ptr(colid);
    return c ? c->addCbxStr(s, value) : false;
}

/* ---- rows ---- */

void cRerovar::rebuildV() {
    short n = 0;
    for (short a = 0; a < countA; a++) {
        if (!(rows[a]->flg & TAXROW_HIDDEN))
            vis[n++] = a;
    }
    countV = n;
}

cTaxRow* cRerovar::addRow(short pos) {
    if (!rows || colCount == 0)
        return 0;
    edit_close();
    if (countA >= TAX_MAXCOUNT)
        return 0;
    if (countA == rowCap) {
        short cap = taxGrow(rowCap, 1000);
        if (cap == rowCap)
            return 0;
        cTaxRow** r = (cTaxRow**)reallox(rows, (unsigned)cap * sizeof(cTaxRow*));
        if (!r)
            return 0;
        rows = r;
        short* v = (short*)reallox(vis, (unsigned)cap * sizeof(short));
        if (!v)
            return 0;
        vis = v;
        rowCap = cap;
    }
    cTaxRow* row = taxNew<cTaxRow>(this);
    if (!row || !row->complete()) {
        delete row;
        return 0;
    }
    bool allShown = countA == countV;
    if (pos >= 0 && pos < countA) {
        memmove(rows + pos + 1, rows + pos, (size_t)(countA - pos) * sizeof(cTaxRow*));
        rows[pos] = row;
        countA++;
        rebuildV();
    } else {
        rows[countA] = row;
        if (allShown)
            vis[countV++] = countA;
        countA++;
        if (!allShown)
            rebuildV();
    }
    updateScroll();
    return row;
}

short cRerovar::getCountA() {
    return countA;
}

short cRerovar::getCountV() {
    return countV;
}

short cRerovar::getCountS() {
    return countS;
}

cTaxRow* cRerovar::rowindex2ptrA(short a) {
    return (a >= 0 && a < countA) ? rows[a] : 0;
}

cTaxRow* cRerovar::rowindex2ptrV(short v) {
    return (v >= 0 && v < countV) ? rows[vis[v]] : 0;
}

short cRerovar::ptr2rowindexA(cTaxRow* row) {
    if (!row)
        return -1;
    for (short a = 0; a < countA; a++) {
        if (rows[a] == row)
            return a;
    }
    return -1;
}

short cRerovar::getCurowV() {
    return curow;
}

short cRerovar::getCurowA() {
    return (curow >= 0 && curow < countV) ? vis[curow] : -1;
}

cTaxRow* cRerovar::getCurowptrV() {
    return rowindex2ptrV(curow);
}

void cRerovar::clearSelection() {
    for (short a = 0; a < countA; a++)
        rows[a]->flg &= ~TAXROW_SELECTED;
    countS = 0;
}

void cRerovar::setCurSel(short v) {
    edit_close();
    clearSelection();
    if (v > countV - 1)
        v = (short)(countV - 1);
    if (v < 0) {
        curow = -1;
        countS = 0;
    } else {
        curow = v;
        anchorRow = v;
        rows[vis[v]]->flg |= TAXROW_SELECTED;
        countS = 1;
        if (v < topRow || v >= topRow + pageRows) {
            topRow = v < maxTopRow() ? v : maxTopRow();
            updateScroll();
        }
    }
    repaint();
    notifyCurrow();
}

void cRerovar::setRowFlg2(short v, long bits, bool on) {
    cTaxRow* row = rowindex2ptrV(v);
    if (!row)
        row = getCurowptrV();
    if (row)
        row->setFlg(bits, on);
}

/* A plain move selects n alone and makes it the anchor; Shift selects anchor..n. */
void cRerovar::moveTo(short n, bool shift) {
    if (n < 0 || n >= countV)
        return;
    clearSelection();
    if (shift && !(flg & TAX_SINGLESEL)) {
        short a = anchorRow < countV ? anchorRow : (short)(countV - 1);
        if (a < 0)
            a = 0;
        short lo = a < n ? a : n, hi = a < n ? n : a;
        for (short v = lo; v <= hi; v++)
            rows[vis[v]]->flg |= TAXROW_SELECTED;
        countS = (short)(hi - lo + 1);
    } else {
        rows[vis[n]]->flg |= TAXROW_SELECTED;
        countS = 1;
        anchorRow = n;
    }
    curow = n;
}

void cRerovar::notifyCurrow() {
    if (form)
        form_refresh(-1);
    if (hwndParent)
        SendMessageA(hwndParent, TAXN_CURROW, (WPARAM)this, (LPARAM)curow);
}

void cRerovar::notifyQbe() {
    if (hwndParent)
        SendMessageA(hwndParent, WM_COMMAND, MAKEWPARAM((unsigned short)id, TAXN_QBECHANGE),
                     (LPARAM)hwnd);
}

/* ---- values by row ---- */

static cTaxRow* rowOrCurrent(cRerovar* g, cTaxRow* row) {
    return row ? row : g->getCurowptrV();
}

cStrinx cRerovar::getStrA(short colid, short a) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrA(a));
    char* s = row ? row->getStr(colid, false) : 0;
    return cStrinx(s);
}

cStrinx cRerovar::getStrV(short colid, short v) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrV(v));
    char* s = row ? row->getStr(colid, false) : 0;
    return cStrinx(s);
}

double cRerovar::getNumA(short colid, short a) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrA(a));
    return row ? row->getNum(colid, false) : 0.0;
}

double cRerovar::getNumV(short colid, short v) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrV(v));
    return row ? row->getNum(colid, false) : 0.0;
}

cNumbex cRerovar::getNumbexA(short colid, short a) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrA(a));
    return row ? row->getNumbex(colid, false) : cNumbex();
}

cNumbex cRerovar::getNumbexV(short colid, short v) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrV(v));
    return row ? row->getNumbex(colid, false) : cNumbex();
}

long cRerovar::getCbxValA(short colid, short a) {
    cTaxRow* row = rowOrCurrent(this, rowindex2ptrA(a));
    return row ? row->getCbxVal(colid, false) : 0;
}

/* ---- searching ---- */

bool cRerovar::findNextRowA(short& a, long bits) {
    for (int i = a < 0 ? 0 : a + 1; i < countA; i++) {
        if (rows[i]->flg & bits) {
            a = (short)i;
            return true;
        }
    }
    return false;
}

bool cRerovar::findNextRowV(short& v, long bits) {
    for (int i = v < 0 ? 0 : v + 1; i < countV; i++) {
        if (rows[vis[i]]->flg & bits) {
            v = (short)i;
            return true;
        }
    }
    return false;
}

static bool sameText(char const* a, char const* b, bool nocase) {
    if (!nocase)
        return strcmp(a, b) == 0;
    for (;; a++, b++) {
        int ca = tolower((unsigned char)*a), cb = tolower((unsigned char)*b);
        if (ca != cb)
            return false;
        if (!ca)
            return true;
    }
}

short cRerovar::findStringA(short colid, char const* s, bool nocase) {
    short c = colid2index(colid);
    if (c < 0 || !s)
        return -1;
    for (short a = 0; a < countA; a++) {
        char* t = rows[a]->getStr(c, true);
        if (t && sameText(t, s, nocase))
            return a;
    }
    return -1;
}

short cRerovar::findStringV(short colid, char const* s, bool nocase) {
    short c = colid2index(colid);
    if (c < 0 || !s)
        return -1;
    for (short v = 0; v < countV; v++) {
        char* t = rows[vis[v]]->getStr(c, true);
        if (t && sameText(t, s, nocase))
            return v;
    }
    return -1;
}

/* ---- deleting ---- */

/* Column widths follow the content again once few rows are left. */
static void refitAfterDelete(cRerovar* g) {
    if ((g->flg & TAX_AUTOWIDTH) && g->countA <= 100)
        g->setAllColWidth(-1, false);
}

bool cRerovar::deleteRow(short v, bool selectNext) {
    edit_close();
    if (v < 0 || v >= countV)
        return false;
    short a = vis[v];
    cTaxRow* row = rows[a];
    if ((row->flg & TAXROW_SELECTED) && countS > 0)
        countS--;
    delete row;
    memmove(rows + a, rows + a + 1, (size_t)(countA - a - 1) * sizeof(cTaxRow*));
    countA--;
    rebuildV();
    if (topRow > 0 && topRow + pageRows > countV)
        topRow--;
    if (selectNext && countV > 0) {
        short n = v < countV ? v : (short)(countV - 1);
        cTaxRow* next = rows[vis[n]];
        if (!(next->flg & TAXROW_SELECTED)) {
            next->flg |= TAXROW_SELECTED;
            countS++;
        }
        curow = n;
        anchorRow = n;
    }
    clampView();
    refitAfterDelete(this);
    updateScroll();
    repaint();
    notifyCurrow();
    return true;
}

/* Drops the rows set to 0 and closes the gaps; returns how many went. */
static short compactRows(cTaxRow** rows, short count) {
    short n = 0;
    for (short a = 0; a < count; a++) {
        if (rows[a])
            rows[n++] = rows[a];
    }
    return (short)(count - n);
}

void cRerovar::deleteSelectedRows(bool selectNext) {
    if (countS <= 0)
        return;
    edit_close();
    short removed = 0, lastV = -1;
    for (short v = 0; v < countV && removed < countS; v++) {
        short a = vis[v];
        if (rows[a]->flg & TAXROW_SELECTED) {
            delete rows[a];
            rows[a] = 0;
            removed++;
            lastV = v;
        }
    }
    countA = (short)(countA - compactRows(rows, countA));
    rebuildV();
    curow = -1;
    countS = 0;
    if (topRow + pageRows > countV)
        topRow = (short)(topRow > removed ? topRow - removed : 0);
    if (selectNext && countV > 0 && removed > 0) {
        /* The first row behind the removed ones now stands here. */
        int n = lastV - (removed - 1);
        if (n >= countV)
            n = countV - 1;
        if (n < 0)
            n = 0;
        rows[vis[n]]->flg |= TAXROW_SELECTED;
        curow = (short)n;
        anchorRow = (short)n;
        countS = 1;
    }
    clampView();
    refitAfterDelete(this);
    updateScroll();
    repaint();
    notifyCurrow();
}

void cRerovar::deleteForDeleteRows(bool rep) {
    edit_close();
    short removed = 0;
    for (short a = 0; a < countA; a++) {
        if (rows[a]->flg & TAXROW_FORDELETE) {
            if ((rows[a]->flg & TAXROW_SELECTED) && countS > 0)
                countS--;
            delete rows[a];
            rows[a] = 0;
            removed++;
        }
    }
    if (removed > 0) {
        countA = (short)(countA - compactRows(rows, countA));
        rebuildV();
        if (topRow + pageRows > countV)
            topRow = (short)(topRow > removed ? topRow - removed : 0);
        clampView();
        refitAfterDelete(this);
        if (rep && visible)
            repaint();
        form_refresh(-1);
    }
    updateScroll();
}

void cRerovar::deleteRows(bool rep) {
    edit_close();
    for (short a = 0; a < countA; a++)
        delete rows[a];
    countA = 0;
    countV = 0;
    curow = -1;
    countS = 0;
    topRow = 0;
    anchorRow = 0;
    updateScroll();
    if (rep)
        repaint();
    form_refresh(-1);  // an open form must not keep showing (and storing into) gone rows
}

/* ---- colours ---- */

void cRerovar::setColors(long back1, long text1, long back2, long text2) {
    bandCount = 2;
    bandBack[0] = back1;
    bandText[0] = text1;
    bandBack[1] = back2;
    bandText[1] = text2;
}

void cRerovar::setColors(short which, intptr_t a, intptr_t b) {
    if (which == -1) {
        hdrBack = a;
    } else if (which == -2) {
        formColor = a;
        if (form)
            form_color(a);
    } else if (which == 1) {
        bandCount = 1;
        bandBack[0] = a;
        bandText[0] = b;
    } else {
        long const* backs = (long const*)a;
        long const* texts = (long const*)b;
        if (!backs || !texts)
            return;
        short n = which < 1 ? 1 : (which > TAX_BANDS ? TAX_BANDS : which);
        bandCount = n;
        for (short i = 0; i < n; i++) {
            bandBack[i] = backs[i];
            bandText[i] = texts[i];
        }
    }
}
