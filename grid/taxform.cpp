/* The record form. Not built yet: the grid calls these entry points (Ctrl+F, Ctrl+Shift+F,
   the grid menu, current-row changes), which open and show nothing. */
#include "taxint.h"

bool cRerovar::form_create() {
    edit_close();
    return false;
}

bool cRerovar::form_destroy() {
    form = 0;
    return true;
}

void cRerovar::form_refresh(short index) {}

void cRerovar::form_color(long colour) {}

HWND cAutoform::getHwnd() {
    return hwnd;
}

cAutoform* cAutoform::hwnd2ptr(HWND w) {
    return 0;
}

void cAutoform::control_F() {}

LRESULT CALLBACK cAutoform::wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}
