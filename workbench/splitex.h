/* cSplitex: a draggable horizontal bar dividing the parent's client area into an upper
   and a lower pane, each showing one of up to three windows. The bar window owns the
   object: it is deleted when the bar is destroyed. */
#ifndef LUMBRA_SPLITEX_H
#define LUMBRA_SPLITEX_H

#include <windows.h>

#include "values.h"

/* Sent to the parent: wParam the splitter, lParam n (upper) or n | 0x10000 (lower). */
#define WM_SPLITEX_SELECTED 0x5066
/* Sent to the parent after a double click collapsed the lower pane; wParam the splitter. */
#define WM_SPLITEX_COLLAPSED 0x5065

#define SPLITEX_TOBOTTOM 0x1   // the lower pane ends at the parent's bottom minus `bottom`
#define SPLITEX_COLLAPSED 0x2  // the lower pane is hidden
#define SPLITEX_DBLCLICK 0x4   // a double click on the bar collapses the lower pane

class cSplitex : public cObjext {
public:
    cSplitex(HWND parent, short top, short bottom, double ratio, HWND upper1, HWND upper2,
             HWND upper3, HWND lower1, HWND lower2, HWND lower3, short minUpper,
             short minLower, HBITMAP bitmap, int flags);

    bool selectUpper(int n);
    bool selectLower(int n);
    short upperIndex() const { return upperShown; }
    short lowerIndex() const { return lowerShown; }
    void layout();
    void collapseLower();
    void setRatio(double r);
    void showBoth(double r);

    HWND hwnd() const { return bar; }
    double getRatio() const { return ratio; }
    int getFlags() const { return flags; }
    int barY() const { return y; }
    int barHeight() const { return height; }

private:
    HWND bar;          // own bar window
    HWND parent;       // window whose client area is divided
    HWND upper[3];
    HWND lower[3];
    short upperCount;  // 1 plus the non-null second and third handles
    short lowerCount;
    short upperShown;  // index of the shown upper window
    short lowerShown;
    short top;         // pixels reserved above the panes
    short bottom;      // pixels reserved below them
    double ratio;      // bar centre as a share of the height between top and bottom
    short minUpper;    // smallest pane heights while dragging
    short minLower;
    HBITMAP bitmap;    // grip, may be null; not owned
    int bmpW, bmpH;
    int flags;         // SPLITEX_ bits
    int x, y;          // bar position in the parent
    int width;
    short height;      // bitmap height, 8 without one
    bool dragging;
    int dragStartY;    // mouse y in the bar where the drag started

    ~cSplitex();
    bool select(HWND* wins, short count, short* shown, int n, LPARAM note);
    int available() const;
    int windowTop(HWND w) const;
    int windowBottom(HWND w) const;
    void moveBar(int newY);
    void dragTo(int mouseY, bool force);
    void resizePanes();
    void moveAll(HWND* wins, int top, int w, int h);

    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp);
    LRESULT onLButtonDown(int mouseY);
    LRESULT onMouseMove(int mouseY);
    LRESULT onLButtonUp(int mouseY);
    LRESULT onDoubleClick();
    LRESULT onPaint();
    void paint(HDC dc);
};

#endif
