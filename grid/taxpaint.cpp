/* Painting: header, filter row and the shown rows. Work is proportional to the rows on
   screen, never to the rows held. */
#include <cstring>

#include "taxint.h"

namespace {

void fill(HDC dc, int l, int t, int r, int b, long colour) {
    if (r <= l || b <= t)
        return;
    RECT rc = {l, t, r, b};
    SetDCBrushColor(dc, rgbx(colour));
    FillRect(dc, &rc, (HBRUSH)GetStockObject(DC_BRUSH));
}

void line(HDC dc, int x1, int y1, int x2, int y2, long colour) {
    SetDCPenColor(dc, rgbx(colour));
    MoveToEx(dc, x1, y1, 0);
    LineTo(dc, x2, y2);
}

/* Every second pixel of a horizontal or vertical stretch, end exclusive. */
void dotted(HDC dc, int x1, int y1, int x2, int y2, long colour) {
    COLORREF c = rgbx(colour);
    if (y1 == y2) {
        for (int px = x1; px < x2; px += 2)
            SetPixelV(dc, px, y1, c);
    } else {
        for (int py = y1; py < y2; py += 2)
            SetPixelV(dc, x1, py, c);
    }
}

/* Raised look: white top and left, grey bottom and right. */
void frame3d(HDC dc, int l, int t, int r, int b) {
    if (r <= l || b <= t)
        return;
    line(dc, l, t, r, t, 0xFFFFFF);
    line(dc, l, t, l, b, 0xFFFFFF);
    line(dc, l, b - 1, r, b - 1, 0x808080);
    line(dc, r - 1, t, r - 1, b, 0x808080);
}

UINT alignOf(long colFlags) {
    if (colFlags & TAXCOL_RIGHT)
        return DT_RIGHT;
    if (colFlags & TAXCOL_CENTER)
        return DT_CENTER;
    return DT_LEFT;
}

void drawIcon(HDC dc, int px, int py, int which) {
    HICON ic = taxIcon(which);
    if (ic)
        DrawIconEx(dc, px, py, ic, 16, 16, 0, 0, DI_NORMAL);
}

}  // namespace

/* Background and text colour of the cell at V position r (row may be 0 past the data). */
static void cellColors(cRerovar* g, short r, cTaxRow* row, cTaxCol* c, cTaxit* it, long* back,
                       long* text) {
    short bands = g->bandCount > 0 && g->bandCount <= TAX_BANDS ? g->bandCount : 1;
    short band = (short)((r >= 0 ? r : 0) % bands);
    long bg = g->bandBack[band];
    if (row && row->back != -1)
        bg = row->back;
    if (c && c->back != -1)
        bg = c->back;
    if (it && it->back != -1)
        bg = it->back;
    if (row && (row->flg & TAXROW_SELECTED)) {
        if (r == g->curow)
            *back = 0x000000;
        else
            *back = g->trueColor ? RGBPROC(bg, (short)(g->selShade - 100)) : 0x808080;
        *text = g->selText;
        return;
    }
    long tx = g->bandText[band];
    if (row && row->text != -1)
        tx = row->text;
    if (c && c->text != -1)
        tx = c->text;
    if (it && it->text != -1)
        tx = it->text;
    *back = bg;
    *text = tx;
}

void cRerovar::paintHeader(HDC dc) {
    int strip = headerHeight + ((flg & TAX_NOQBE) ? 0 : qbeHeight);
    int px = 0;
    for (short c = firstCol; c < colCount && px <= clientW; c++) {
        cTaxCol* col = cols[c];
        int right = px + col->width;
        bool sel = (col->flg & TAXCOL_SELECTED) != 0;
        long back = sel ? selHdrBack : hdrBack;
        long text = sel ? selHdrText : hdrText;
        fill(dc, px, 0, right, headerHeight, back);
        if (!sel)
            frame3d(dc, px, 0, right, headerHeight);
        int tx = px + 3;
        if (col->flg & TAXCOL_HDRCHECK) {
            drawIcon(dc, px + 3, 1, (col->flg & TAXCOL_HDRCHECKED) ? TAXICO_ON : TAXICO_OFF);
            tx += 16;
        }
        SetTextColor(dc, rgbx(text));
        RECT tr = {tx, 0, right - 3, headerHeight};
        DrawTextA(dc, col->title, -1, &tr,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | alignOf(col->flg));
        if (!(flg & TAX_NOQBE) && qbeHeight > 0) {
            fill(dc, px, headerHeight, right, strip, back);
            if (!sel)
                frame3d(dc, px, headerHeight, right, strip);
            /* The font is a pixel taller than the strip: the text keeps its descenders
               ("_" of a like filter, "g") and takes its top line, blank leading, from the
               header. */
            int top = strip - charHeight < headerHeight ? strip - charHeight : headerHeight;
            RECT qr = {px + 3, top, right - 3, strip};
            DrawTextA(dc, col->qbeShow, -1, &qr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        }
        if (hasFocus && c == curcol) {
            long mark = sel ? 0xFFFFFF : 0x000000;
            dotted(dc, px, 0, px, strip, mark);
            dotted(dc, px + 1, 1, px + 1, strip, mark);
            dotted(dc, right - 2, 0, right - 2, strip, mark);
            dotted(dc, right - 1, 1, right - 1, strip, mark);
        }
        px = right;
    }
    fill(dc, px, 0, clientW, strip, hdrBack);
}

void cRerovar::paintRowAt(HDC dc, short r) {
    int y0 = headerHeight + qbeHeight + (r - topRow) * rowHeight;
    int y1 = y0 + rowHeight;
    cTaxRow* row = rowindex2ptrV(r);
    int px = 0;
    for (short c = firstCol; c < colCount && px < clientW; c++) {
        cTaxCol* col = cols[c];
        int right = px + col->width;
        cTaxit* it = row ? row->item(c) : 0;
        long back, text;
        cellColors(this, r, row, col, it, &back, &text);
        fill(dc, px, y0, right, y1, back);
        if (row) {
            line(dc, right - 1, y0, right - 1, y1, lineColor);
            cVariablex* v = it ? it->value : 0;
            if (col->flg & TAXCOL_CHECKBOX) {
                bool on = v && v->toDouble() != 0;
                bool ro = (col->flg & TAXCOL_READONLY) || (it && (it->flg & TAXIT_READONLY));
                int which = on ? (ro ? TAXICO_ONRO : TAXICO_ON) : (ro ? TAXICO_OFFRO : TAXICO_OFF);
                drawIcon(dc, px + col->width / 2 - 6, y0 + rowHeight / 2 - 6, which);
            } else if (v && !v->isNull()) {
                char* s = v->toChars(col->format, false);
                if (s && *s) {
                    SetTextColor(dc, rgbx(text));
                    RECT tr = {px + 3, y0 + 1, right - 3, y1 - 1};
                    // A number too wide for its cell is never shown cut (its last digits
                    // would read as another number): the cell shows "#" fill instead.
                    char hashes[64];
                    SIZE full, hash;
                    if (v->type() == 1 && GetTextExtentPoint32A(dc, s, lstrlenA(s), &full) &&
                        full.cx > tr.right - tr.left && GetTextExtentPoint32A(dc, "#", 1, &hash)) {
                        int k = hash.cx > 0 ? (int)((tr.right - tr.left) / hash.cx) : 0;
                        if (k > (int)sizeof hashes - 1)
                            k = (int)sizeof hashes - 1;
                        memset(hashes, '#', k > 0 ? k : 0);
                        hashes[k > 0 ? k : 0] = 0;
                        s = hashes;
                    }
                    DrawTextA(dc, s, -1, &tr, DT_BOTTOM | DT_NOPREFIX | alignOf(col->flg));
                }
            }
        }
        px = right;
    }
    if (px < clientW) {
        long back, text;
        cellColors(this, r, row, 0, 0, &back, &text);
        fill(dc, px, y0, clientW, y1, back);
    }
    if (row && ((flg & TAX_GRIDLINES) || r == countV - 1))
        line(dc, 0, y1 - 1, px < clientW ? px : clientW, y1 - 1, lineColor);
    short focusRow = curow >= 0 ? curow : 0;
    if ((hasFocus || editing) && r == focusRow) {
        long mark = (row && (row->flg & TAXROW_SELECTED)) ? 0xFFFFFF : 0x000000;
        dotted(dc, 0, y0, clientW, y0, mark);
        dotted(dc, 0, y1 - 1, clientW, y1 - 1, mark);
    }
}

/* A grid without columns: header strip, filter strip and empty bands. */
static void paintEmpty(cRerovar* g, HDC dc) {
    int strip = g->headerHeight + ((g->flg & TAX_NOQBE) ? 0 : g->qbeHeight);
    fill(dc, 0, 0, g->clientW, strip, g->hdrBack);
    frame3d(dc, 0, 0, g->clientW, strip);
    short bands = g->bandCount > 0 && g->bandCount <= TAX_BANDS ? g->bandCount : 1;
    for (int i = 0; i <= g->pageRows; i++) {
        int y0 = g->headerHeight + g->qbeHeight + i * g->rowHeight;
        fill(dc, 0, y0, g->clientW, y0 + g->rowHeight, g->bandBack[i % bands]);
        if (g->flg & TAX_GRIDLINES)
            line(dc, 0, y0 + g->rowHeight - 1, g->clientW, y0 + g->rowHeight - 1, g->lineColor);
    }
    if (g->hasFocus) {
        int y0 = g->headerHeight + g->qbeHeight;
        dotted(dc, 0, y0, g->clientW, y0, 0x000000);
        dotted(dc, 0, y0 + g->rowHeight - 1, g->clientW, y0 + g->rowHeight - 1, 0x000000);
    }
}

void cRerovar::paintAll(HDC dc) {
    if (!dc)
        return;
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : 0;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    if (colCount == 0) {
        paintEmpty(this, dc);
    } else {
        paintHeader(dc);
        for (int r = topRow; r <= topRow + pageRows && r <= TAX_MAXCOUNT; r++)
            paintRowAt(dc, (short)r);
    }
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldPen);
    if (oldFont)
        SelectObject(dc, oldFont);
}

void cRerovar::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc)
        return;
    /* Painted off screen first, so that nothing flickers. */
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = mem ? CreateCompatibleBitmap(dc, clientW > 0 ? clientW : 1, clientH > 0 ? clientH : 1) : 0;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        paintAll(mem);
        BitBlt(dc, 0, 0, clientW, clientH, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
    } else {
        paintAll(dc);
    }
    if (mem)
        DeleteDC(mem);
    EndPaint(hwnd, &ps);
}

void cRerovar::paintRow(short v) {
    if (!created || !visible || !hwnd || v < topRow || v > topRow + pageRows)
        return;
    HDC dc = GetDC(hwnd);
    if (!dc)
        return;
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : 0;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    paintRowAt(dc, v);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldPen);
    if (oldFont)
        SelectObject(dc, oldFont);
    ReleaseDC(hwnd, dc);
}
