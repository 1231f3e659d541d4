/* Shared allocator and zero-terminated byte-string helpers. */
#ifndef VORCORE_STRX_H
#define VORCORE_STRX_H

#include "vorcore.h"

/* Allocator: every block that crosses a library boundary comes from here. */
VORCORE_API void* mallox(int size);
VORCORE_API void* reallox(void* p, unsigned size);
VORCORE_API void freex(void* p);
/* Bytes the allocator has taken from the system for small blocks, in use or kept for reuse,
   and (when blocks is given) how many small blocks are in use; both 0 where small blocks
   come from the runtime heap, whose own walk counts them. */
VORCORE_API unsigned strx_pooled(unsigned* blocks);

/* Duplication and string slots. */
VORCORE_API char* strdux(void* s);
VORCORE_API char* strndux(char* s, int n);
VORCORE_API void strfrx(char** slot);
VORCORE_API char* strfrdux(char** slot, void* s);

/* Comparison: -1, 0, 1; a null pointer sorts before any string. */
VORCORE_API int strcmpx(char const* a, char const* b);
VORCORE_API int stricmpx(char const* a, char const* b);

/* Searching. */
VORCORE_API char* xistrstr(char* hay, char* needle);
VORCORE_API char* strx_stristr(char* hay, char* needle, int inQuotesToo);

/* Trimming and cleaning; blanks are space, tab, CR and LF. */
VORCORE_API void strx_trim(char** slot, int mode);
VORCORE_API void strx_trim_left(char** slot);
VORCORE_API void strx_trim_right(char** slot);
VORCORE_API void strx_trim_both(char** slot);
VORCORE_API void trimexme(char* s);
VORCORE_API char* RFD(char* s, char c);
VORCORE_API short removeDiacritic(char* s);

/* Splitting into a null-terminated array of words. */
VORCORE_API char** strx_split(char* s, char* unused);
VORCORE_API void strx_free_array(char** a);

/* Code-page recoding: 1 = Windows-1250 to ISO 8859-2, 2 = the reverse. */
VORCORE_API int strx_recode(short cp, char* s, int len);
VORCORE_API char* strx_recodux(short cp, char* s, int len);

/* Wine's text shaping (gdi32 of Wine 8) faults on the spacing accents of code page 1250
   0xA1, 0xB2 and 0xBD (caron, ogonek, double acute) where, blanks and such accents passed
   over, they follow no letter, or start a line: an edit control given such a text ends the
   program. Offset of the first such accent of s (n bytes) at or after from, -1 when none;
   s starts a line. */
VORCORE_API int strx_shapingTrap(char const* s, int n, int from = 0);

/* Fixed-width field readers over a serialized text. */
VORCORE_API int xxatoi(char** pp, short width);
VORCORE_API long xxatol(char** pp, short width);
VORCORE_API bool xxbool(char** pp);
VORCORE_API char* xxdux(char** pp);
VORCORE_API void xxfrdux(char** slot, char** pp);

/* Colour shading and random text. */
VORCORE_API long RGBPROC(long colour, short percent);
VORCORE_API char* RandomString(char* buf, int minLen, int maxLen, int minWord, int maxWord,
                               bool noSpaces, bool capitalWords);

#endif
