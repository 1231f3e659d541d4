/* Shared inside the grid sources only: process-wide grid state and small helpers. */
#ifndef VORCORE_TAXINT_H
#define VORCORE_TAXINT_H

#include <new>

#include "rerovar.h"
#include "strx.h"

/* 0xRRGGBB to the platform's colour order. */
inline COLORREF rgbx(long c) {
    return (COLORREF)(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

/* The core library's own module. */
HINSTANCE taxCoreInstance();

/* Check-box icons, loaded by the first grid and destroyed with the last one. */
enum { TAXICO_ON, TAXICO_OFF, TAXICO_ONRO, TAXICO_OFFRO, TAXICO_COUNT };
void taxIconsAcquire();
void taxIconsRelease();
HICON taxIcon(int which);

/* Colour schemes: five pairs of band backgrounds. */
#define TAX_SCHEMES 5
struct taxScheme {
    char const* name;
    long band0, band1;
};
extern const taxScheme taxSchemes[TAX_SCHEMES];
/* The scheme shared by all grids; read from the user profile once, 0 when out of range. */
short taxColorScheme();
void taxSetColorScheme(short scheme);

/* Allocates an array of n elements of size bytes with the core allocator; 0 on failure. */
void* taxAlloc(int n, int size);
/* An object of the core allocator built in place: 0 instead of a failed construction. */
template <class T, class... A>
T* taxNew(A&&... args) {
    void* p = mallox((int)sizeof(T));
    return p ? ::new (p) T(static_cast<A&&>(args)...) : 0;
}

/* The text buffer shared by the in-place editors and the record form: at most
   TAX_EDITBUF - 1 characters are stored per change. */
#define TAX_EDITBUF 1000
extern char taxEditBuf[TAX_EDITBUF];

/* Next capacity for a 16-bit count: cap + step, at most TAX_MAXCOUNT; cap itself when full. */
short taxGrow(short cap, short step);

#endif
