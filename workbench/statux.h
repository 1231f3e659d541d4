/* cStatux: the status bar along the bottom of the main window, a row of text boxes and
   gaps. The window owns the object: it is deleted when its window is destroyed. */
#ifndef LUMBRA_STATUX_H
#define LUMBRA_STATUX_H

#include <windows.h>

#include "values.h"

#define STATUX_FIELDS 30

class cStatux : public cObjext {
public:
    /* Creates the bar window at the bottom of parent's client area. */
    cStatux(HWND parent, HINSTANCE inst);

    /* Text of field i; "~~n" makes it a gap of n pixels (1..1000). */
    void setText(int i, char const* text);
    /* Background of field i, 0xRRGGBB or -1 for none. */
    void setColor(int i, long colour, bool redraw);
    char const* text(int i) const;
    long color(int i) const;
    int height() const { return barHeight; }
    HWND hwnd() const { return bar; }
    /* Text field under client x, -1 for a gap or beyond the last field. */
    int fieldAt(int x) const;
    /* Follows the parent's client size. */
    void layout();

private:
    struct Field {
        char* text;   // heap copy, never null
        int gap;      // pixels of a "~~n" field, 0 for a text field
        long colour;  // 0xRRGGBB, -1 none
    };
    HWND bar;
    HWND parent;
    HFONT font;
    int barHeight;
    int used;  // 1 + highest field index given a text
    Field fields[STATUX_FIELDS];

    ~cStatux();
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp);
    LRESULT onPaint();
    void paint(HDC dc);
};

#endif
