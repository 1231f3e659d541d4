/* Colours are kept as 0xRRGGBB; GDI wants red in the low byte. */
#ifndef LUMBRA_WBCOLOR_H
#define LUMBRA_WBCOLOR_H

#include <windows.h>

inline COLORREF toColorref(long rrggbb) {
    return RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF);
}

#endif
