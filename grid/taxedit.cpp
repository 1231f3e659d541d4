/* In-place editing of cells. Not built yet: the grid already calls these entry points,
   which open nothing, so no editor is ever open. */
#include "taxint.h"

cRerovar* cRerovar::CurEditTax = 0;

void cRerovar::editCreate() {}

bool cRerovar::edit_start(short colid, short v) {
    return false;
}

void cRerovar::edit_stop() {}

void cRerovar::edit_close() {
    if (!editing)
        return;
    editing = false;
    if (CurEditTax == this)
        CurEditTax = 0;
}

void cRerovar::edit_cell(short c, short v) {}

bool cRerovar::edit_command(WPARAM wp, LPARAM lp) {
    return false;
}

bool cRerovar::wantKey(int key) {
    return false;
}
