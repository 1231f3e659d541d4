/* Export of the grid's rows to a file or the clipboard. Not built yet: the grid calls
   these entry points (Ctrl+C, Ctrl+E, the grid menu), which export nothing. */
#include "taxint.h"

bool cRerovar::exportx(short dest, short format, bool selRows, bool selCols, char sep,
                       char const* filename, char const* tablename, HWND owner) {
    return false;
}

bool cRerovar::export_dialog() {
    edit_close();
    return false;
}
