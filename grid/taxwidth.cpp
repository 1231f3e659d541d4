/* Column widths: fixed, optimal (header and content) or at least the header. */
#include <cstring>

#include "taxint.h"

/* The text a cell shows, "" for none. With buf (64 bytes), a number in a fixed format
   whose text the cell does not keep yet is printed there instead of into the cell. */
char const* cRerovar::shownText(cTaxCol* c, short index, cTaxRow* row, char* buf) {
    cTaxit* it = row->item(index);
    if (!it || !it->value)
        return "";
    if (buf && it->value->type() == VTYPE_NUMBEX) {
        cNumbex* n = (cNumbex*)it->value;
        if (!n->text && n->print(c->format, buf, 64) >= 0)
            return buf;
    }
    char const* s = it->value->toChars(c->format, false);
    return s ? s : "";
}

/* Length of the longest text the column shows. */
int cRerovar::longestText(short index) {
    cTaxCol* c = index2col(index);
    if (!c)
        return 0;
    char buf[64];
    int longest = 0;
    for (short a = 0; a < countA; a++) {
        int n = (int)strlen(shownText(c, index, rows[a], buf));
        if (n > longest)
            longest = n;
    }
    return longest;
}

/* Width of one cell, or of the header with row 0: text plus 3 pixels on each side. */
short cRerovar::measureCell(HDC dc, short index, cTaxRow* row) {
    cTaxCol* c = index2col(index);
    if (!c)
        return 0;
    int wid;
    if (row) {
        if (c->flg & TAXCOL_CHECKBOX)
            return 15;
        char const* s = shownText(c, index, row);
        SIZE sz = {0, 0};
        int n = (int)strlen(s);
        if (n > 0)
            GetTextExtentPoint32A(dc, s, n, &sz);
        wid = sz.cx + 6;
    } else {
        SIZE sz = {0, 0};
        int n = (int)strlen(c->title);
        if (n > 0)
            GetTextExtentPoint32A(dc, c->title, n, &sz);
        wid = sz.cx + 6;
        if (c->flg & TAXCOL_HDRCHECK)
            wid += 3 + 13;
        wid += 1;
    }
    if (wid < 0)
        wid = 0;
    if (wid > 600)
        wid = 600;
    return (short)wid;
}

/* A DC of the grid window with the grid font selected; released by the destructor. */
namespace {
class cTaxDC {
public:
    HWND wnd;
    HDC dc;
    HGDIOBJ old;
    cTaxDC(HWND w, HFONT f) : wnd(w), dc(GetDC(w)), old(0) {
        if (dc && f)
            old = SelectObject(dc, f);
    }
    ~cTaxDC() {
        if (!dc)
            return;
        if (old)
            SelectObject(dc, old);
        ReleaseDC(wnd, dc);
    }
};
}  // namespace

/* Advance widths of the single-byte characters in the DC's font, measured on first use.
   GDI adds advance widths without kerning, so a text's extent is the sum over its bytes. */
namespace {
class cCharWidths {
public:
    explicit cCharWidths(HDC dc) : dc(dc) {
        for (int i = 0; i < 256; i++)
            adv[i] = -1;
    }
    /* Width of s as measureCell finds it, from the table. */
    int cell(char const* s) {
        int sum = 0;
        for (unsigned char const* p = (unsigned char const*)s; *p; p++) {
            int a = adv[*p];
            if (a < 0)
                a = learn(*p);
            sum += a;
        }
        return sum + 6;
    }

private:
    int learn(unsigned char ch) {
        char c = (char)ch;
        SIZE sz = {0, 0};
        GetTextExtentPoint32A(dc, &c, 1, &sz);
        adv[ch] = sz.cx > 0 ? sz.cx : 0;
        return adv[ch];
    }
    HDC dc;
    int adv[256];
};
}  // namespace

void cRerovar::setColWidthAt(short index, short width) {
    cTaxCol* c = index2col(index);
    if (!c)
        return;
    if (width >= 0) {
        c->width = width;
        return;
    }
    if (width != -1 && width != -2)
        return;
    cTaxDC tdc(hwnd, font);
    if (!tdc.dc)
        return;
    short best = measureCell(tdc.dc, index, 0);
    if (width == -2) {
        if (best > c->width)
            c->width = best;
        return;
    }
    if ((c->flg & TAXCOL_CHECKBOX) || countA == 0) {
        for (short a = 0; a < countA; a++) {
            short m = measureCell(tdc.dc, index, rows[a]);
            if (m > best)
                best = m;
        }
        c->width = best;
        return;
    }
    short widest = widestCell(tdc.dc, index, 0);
    c->width = widest > best ? widest : best;
}

/* Widest cell of the column among the rows whose text has at least minLen bytes; 0 when
   none has. Every such row is summed from the character table, the widest text is then
   measured for real, and should the two differ (a font that kerns) every such row is
   measured one by one. */
short cRerovar::widestCell(HDC dc, short index, int minLen) {
    cTaxCol* c = index2col(index);
    if (!c)
        return 0;
    cCharWidths table(dc);
    char buf[64];
    int widest = -1, widestAt = -1;
    for (short a = 0; a < countA; a++) {
        char const* s = shownText(c, index, rows[a], buf);
        if (minLen > 0 && (int)strlen(s) < minLen)
            continue;
        int m = table.cell(s);
        if (m > widest) {
            widest = m;
            widestAt = a;
        }
    }
    if (widestAt < 0)
        return 0;
    short real = measureCell(dc, index, rows[widestAt]);
    short guess = (short)(widest > 600 ? 600 : widest);
    if (real == guess || !*shownText(c, index, rows[widestAt]))
        return real;
    short best = 0;
    for (short a = 0; a < countA; a++) {
        if (minLen > 0 && (int)strlen(shownText(c, index, rows[a], buf)) < minLen)
            continue;
        short m = measureCell(dc, index, rows[a]);
        if (m > best)
            best = m;
    }
    return best;
}

/* Grows the column to the widest of its cells with at least minLen bytes of text. */
void cRerovar::widenToWidest(short index, int minLen) {
    widenTo(index, 0, minLen < 0 ? 0 : minLen);
}

/* Grows the column to row's cell (minLen < 0), or to its widest cell of at least minLen
   bytes; a grown cell is repainted at once, a grown column waits for the next paint. */
void cRerovar::widenTo(short index, cTaxRow* row, int minLen) {
    cTaxCol* c = index2col(index);
    if (!c || !hwnd)
        return;
    cTaxDC tdc(hwnd, font);
    if (!tdc.dc)
        return;
    short m = minLen < 0 ? measureCell(tdc.dc, index, row) : widestCell(tdc.dc, index, minLen);
    if (m <= c->width)
        return;
    c->width = m;
    if (minLen < 0)
        repaint();
    else
        updateScroll();
}

void cRerovar::setColWidth(short colid, short width, bool rep) {
    edit_close();
    short i = colid2index(colid);
    if (i < 0)
        return;
    setColWidthAt(i, width);
    updateScroll();
    if (rep)
        repaint();
}

void cRerovar::setAllColWidth(short width, bool rep) {
    edit_close();
    for (short i = 0; i < colCount; i++)
        setColWidthAt(i, width);
    updateScroll();
    if (rep)
        repaint();
}

void cRerovar::widenToFit(short index, cTaxRow* row) {
    widenTo(index, row, -1);
}
