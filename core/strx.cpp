/* Shared allocator and zero-terminated byte-string helpers. */
#include "strx.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef _WIN32
#include "mempool.h"
#define LUMBRA_POOL 1  // natively every block stays the runtime's, for the sanitizers
#endif

namespace {

inline bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline unsigned char foldLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c + ('a' - 'A')) : c;
}

/* Case-insensitive (ASCII) prefix test: does needle match hay at its start? */
bool matchesAt(const char* hay, const char* needle) {
    for (; *needle; hay++, needle++) {
        if (!*hay || foldLower((unsigned char)*hay) != foldLower((unsigned char)*needle))
            return false;
    }
    return true;
}

/* Windows-1250 <-> ISO 8859-2 tables, indexed by byte - 128. Slot 0 is unused. */
unsigned char g_recode[3][128];
bool g_recodeReady = false;

void initRecode() {
    if (g_recodeReady)
        return;
    static const unsigned char win[6] = {0x8A, 0x8D, 0x8E, 0x9A, 0x9D, 0x9E};
    static const unsigned char iso[6] = {0xA9, 0xAB, 0xAE, 0xB9, 0xBB, 0xBE};
    for (int i = 0; i < 128; i++) {
        g_recode[1][i] = (unsigned char)(i + 128);
        g_recode[2][i] = (unsigned char)(i + 128);
    }
    for (int i = 0; i < 6; i++) {
        g_recode[1][win[i] - 128] = iso[i];
        g_recode[2][iso[i] - 128] = win[i];
    }
    g_recodeReady = true;
}

/* atoi/atol rules over at most n bytes, saturating instead of overflowing. */
long long parseDecimal(const char* s, int n, long long lo, long long hi) {
    int i = 0;
    while (i < n && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        i++;
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        i++;
    }
    long long v = 0;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; i++) {
        int d = s[i] - '0';
        if (neg) {
            v = (v < (lo + d) / 10) ? lo : v * 10 - d;
        } else {
            v = (v > (hi - d) / 10) ? hi : v * 10 + d;
        }
    }
    return v;
}

/* Reads a width-byte field at the cursor; never steps over the terminator. */
long long readField(char** pp, short width, long long lo, long long hi) {
    if (!pp || !*pp)
        return 0;
    char* p = *pp;
    if (*p == 0 || *p == '\r' || *p == '\n')
        return 0;
    int n = 0;
    while (n < width && p[n])
        n++;
    *pp = p + n;
    return parseDecimal(p, n, lo, hi);
}

}  // namespace

/* ---- Allocator ---- */

#ifdef LUMBRA_POOL
namespace {

/* Never destroyed: other modules may still free blocks while the process ends. */
cMemPool& pool() {
    alignas(cMemPool) static unsigned char room[sizeof(cMemPool)];
    static cMemPool* p = ::new (room) cMemPool((size_t)256 << 20);
    return *p;
}

}  // namespace

void* mallox(int size) {
    unsigned n = size > 0 ? (unsigned)size : 1;
    void* p = pool().alloc(n);
    return p ? p : malloc(n);
}

void* reallox(void* p, unsigned size) {
    if (!p)
        return mallox((int)(size ? size : 1));
    cMemPool& mp = pool();
    if (!mp.owns(p))
        return realloc(p, size ? size : 1);
    unsigned have = mp.blockSize(p);
    if (size <= have)
        return p;
    void* q = mallox((int)size);
    if (q) {
        memcpy(q, p, have);
        mp.release(p);
    }
    return q;
}

void freex(void* p) {
    if (!p)
        return;
    cMemPool& mp = pool();
    if (mp.owns(p))
        mp.release(p);
    else
        free(p);
}

unsigned strx_pooled(unsigned* blocks) {
    cMemPool& mp = pool();
    if (blocks)
        *blocks = (unsigned)mp.inUse();
    return (unsigned)mp.committed();
}
#else
void* mallox(int size) {
    return malloc(size > 0 ? (size_t)size : 1);
}

void* reallox(void* p, unsigned size) {
    return realloc(p, size ? size : 1);
}

void freex(void* p) {
    if (p)
        free(p);
}

unsigned strx_pooled(unsigned* blocks) {
    if (blocks)
        *blocks = 0;
    return 0;
}
#endif

/* ---- Duplication and slots ---- */

char* strdux(void* s) {
    const char* src = s ? (const char*)s : "";
    size_t n = strlen(src);
    char* r = (char*)mallox((int)n + 1);
    memcpy(r, src, n + 1);
    return r;
}

char* strndux(char* s, int n) {
    if (!s || n <= 0)
        return strdux(nullptr);
    char* r = (char*)mallox(n + 1);
    int i = 0;
    for (; i < n && s[i]; i++)
        r[i] = s[i];
    memset(r + i, 0, (size_t)(n + 1 - i));
    return r;
}

void strfrx(char** slot) {
    if (!slot)
        return;
    freex(*slot);
    *slot = nullptr;
}

char* strfrdux(char** slot, void* s) {
    /* Copy first: s may point into the slot's own string. */
    char* copy = strdux(s);
    if (slot) {
        freex(*slot);
        *slot = copy;
    }
    return copy;
}

/* ---- Comparison ---- */

int strcmpx(char const* a, char const* b) {
    if (!a || !b)
        return (a == b) ? 0 : (a ? 1 : -1);
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    while (*x && *x == *y) {
        x++;
        y++;
    }
    return (*x < *y) ? -1 : (*x > *y ? 1 : 0);
}

int stricmpx(char const* a, char const* b) {
    if (!a || !b)
        return (a == b) ? 0 : (a ? 1 : -1);
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    while (*x && foldLower(*x) == foldLower(*y)) {
        x++;
        y++;
    }
    unsigned char cx = foldLower(*x), cy = foldLower(*y);
    return (cx < cy) ? -1 : (cx > cy ? 1 : 0);
}

/* ---- Searching ---- */

char* xistrstr(char* hay, char* needle) {
    if (!hay || !needle || !*hay || !*needle)
        return nullptr;
    for (char* p = hay; *p; p++) {
        if (matchesAt(p, needle))
            return p;
    }
    return nullptr;
}

/* With inQuotesToo 0, a match must start outside quoted stretches; the quotes that open
   and close a stretch belong to it. A quote preceded by a backslash neither opens nor
   closes a stretch. */
char* strx_stristr(char* hay, char* needle, int inQuotesToo) {
    if (!hay || !needle || !*hay || !*needle)
        return nullptr;
    if (inQuotesToo)
        return xistrstr(hay, needle);
    char quote = 0;
    for (char* p = hay; *p; p++) {
        bool isQuote = (*p == '\'' || *p == '"') && (p == hay || p[-1] != '\\');
        if (quote) {
            if (isQuote && *p == quote)
                quote = 0;
            continue;
        }
        if (isQuote) {
            quote = *p;
            continue;
        }
        if (matchesAt(p, needle))
            return p;
    }
    return nullptr;
}

/* ---- Trimming and cleaning ---- */

/* Mode 2 on a string of blanks only empties it, just as mode 1 and 3 do. */
void strx_trim(char** slot, int mode) {
    if (!slot || !*slot || !**slot)
        return;
    char* s = *slot;
    size_t begin = 0, end = strlen(s);
    if (mode & 1) {
        while (begin < end && isBlank((unsigned char)s[begin]))
            begin++;
    }
    if (mode & 2) {
        while (end > begin && isBlank((unsigned char)s[end - 1]))
            end--;
    }
    size_t n = end - begin;
    char* r = (char*)mallox((int)n + 1);
    memcpy(r, s + begin, n);
    r[n] = 0;
    freex(s);
    *slot = r;
}

void strx_trim_left(char** slot) {
    strx_trim(slot, 1);
}

void strx_trim_right(char** slot) {
    strx_trim(slot, 2);
}

void strx_trim_both(char** slot) {
    strx_trim(slot, 3);
}

void trimexme(char* s) {
    if (!s)
        return;
    char* out = s;
    const char* in = s;
    while (isBlank((unsigned char)*in))
        in++;
    while (*in) {
        if (isBlank((unsigned char)*in)) {
            while (isBlank((unsigned char)*in))
                in++;
            if (*in)
                *out++ = ' ';
        } else {
            *out++ = *in++;
        }
    }
    *out = 0;
}

char* RFD(char* s, char c) {
    if (!s)
        return nullptr;
    for (; *s; s++) {
        if (!isBlank((unsigned char)*s))
            *s = c;
    }
    return s;
}

short removeDiacritic(char* s) {
    static const unsigned char from[] = {
        0xE1, 0xE8, 0xEF, 0xE9, 0xEC, 0xED, 0xF2, 0xF3, 0xF8, 0x9A, 0x9D, 0xFA, 0xF9,
        0xFD, 0x9E, 0xC1, 0xC8, 0xCF, 0xC9, 0xCC, 0xCD, 0xD2, 0xD3, 0xD8, 0x8A, 0x8D,
        0xDA, 0xD9, 0xDD, 0x8E, 0xE4, 0xF6, 0xFC, 0xC4, 0xD6, 0xDC, 0xDF,
        // The other letters of the code page: Polish, Hungarian, Slovak, Croatian, Romanian.
        0xA5, 0xB9, 0xC6, 0xE6, 0xCA, 0xEA, 0xA3, 0xB3, 0xD1, 0xF1, 0x8C, 0x9C, 0x8F, 0x9F,
        0xAF, 0xBF, 0xD5, 0xF5, 0xDB, 0xFB, 0xBC, 0xBE, 0xC5, 0xE5, 0xC0, 0xE0, 0xD4, 0xF4,
        0xD0, 0xF0, 0xC3, 0xE3, 0xAA, 0xBA, 0xDE, 0xFE, 0xC2, 0xE2, 0xCE, 0xEE, 0xCB, 0xEB,
        0xC7, 0xE7};
    static const char to[] = "acdeeinorstuuyzACDEEINORSTUUYZaouAOUs"
                             "AaCcEeLlNnSsZzZzOoUuLlLlRrOoDdAaSsTtAaIiEeCc";
    static_assert(sizeof from == sizeof to - 1, "letter tables differ in length");
    if (!s)
        return 0;
    short count = 0;
    for (; *s; s++) {
        unsigned char c = (unsigned char)*s;
        if (c < 128)
            continue;
        for (size_t i = 0; i < sizeof from; i++) {
            if (from[i] == c) {
                *s = to[i];
                if (count < SHRT_MAX)
                    count++;
                break;
            }
        }
    }
    return count;
}

/* ---- Splitting ---- */

char** strx_split(char* s, char* unused) {
    if (!s)
        return nullptr;
    int words = 0;
    for (const char* p = s; *p;) {
        while (isBlank((unsigned char)*p))
            p++;
        if (!*p)
            break;
        words++;
        while (*p && !isBlank((unsigned char)*p))
            p++;
    }
    char** a = (char**)mallox((int)(sizeof(char*) * ((size_t)words + 1)));
    int k = 0;
    for (char* p = s; *p;) {
        while (isBlank((unsigned char)*p))
            p++;
        if (!*p)
            break;
        char* w = p;
        while (*p && !isBlank((unsigned char)*p))
            p++;
        a[k++] = strndux(w, (int)(p - w));
    }
    a[k] = nullptr;
    return a;
}

void strx_free_array(char** a) {
    if (!a)
        return;
    for (char** p = a; *p; p++)
        freex(*p);
    freex(a);
}

/* ---- Code-page recoding ---- */

/* Code pages other than 1 and 2 are refused: nothing changes and 0 is returned. */
int strx_recode(short cp, char* s, int len) {
    if (!s || (cp != 1 && cp != 2))
        return 0;
    initRecode();
    const unsigned char* table = g_recode[cp];
    int count = 0;
    for (int i = 0; len < 0 ? s[i] != 0 : i < len; i++) {
        unsigned char c = (unsigned char)s[i];
        if (c > 127) {
            s[i] = (char)table[c - 128];
            count++;
        }
    }
    return count;
}

/* A bad code page gives a plain copy. */
char* strx_recodux(short cp, char* s, int len) {
    if (!s || len == 0)
        return strdux(nullptr);
    char* r = len > 0 ? strndux(s, len) : strdux(s);
    strx_recode(cp, r, -1);
    return r;
}

/* ---- Fixed-width field readers ---- */

/* A field cut short by the terminator reads only what is there, and the cursor stops on
   the terminator. */
int xxatoi(char** pp, short width) {
    return (int)readField(pp, width, INT_MIN, INT_MAX);
}

long xxatol(char** pp, short width) {
    return (long)readField(pp, width, LONG_MIN, LONG_MAX);
}

bool xxbool(char** pp) {
    if (!pp || !*pp)
        return false;
    char c = **pp;
    if (c == 0 || c == '\r' || c == '\n')
        return false;
    (*pp)++;
    return c != '0';
}

char* xxdux(char** pp) {
    int n = xxatoi(pp, 5);
    if (n < 1)
        return strdux(nullptr);
    char* p = *pp;
    int have = 0;
    while (have < n && p[have])
        have++;
    *pp = p + have;
    return strndux(p, have);
}

void xxfrdux(char** slot, char** pp) {
    char* s = xxdux(pp);
    if (!slot) {
        freex(s);
        return;
    }
    freex(*slot);
    *slot = s;
}

/* ---- Colour shading and random text ---- */

/* Bits above the three colour bytes are kept as they are. */
long RGBPROC(long colour, short percent) {
    int p = percent;
    if (p > 100)
        p = 100;
    if (p < -100)
        p = -100;
    if (p == 0)
        return colour;
    unsigned long c = (unsigned long)colour;
    unsigned long out = c & ~0xFFFFFFUL;
    for (int shift = 0; shift < 24; shift += 8) {
        int b = (int)((c >> shift) & 0xFF);
        b = p > 0 ? b + (255 - b) * p / 100 : b - b * (-p) / 100;
        out |= (unsigned long)b << shift;
    }
    return (long)out;
}

char* RandomString(char* buf, int minLen, int maxLen, int minWord, int maxWord, bool noSpaces,
                   bool capitalWords) {
    static const char vowels[] = "aeiouy";
    static const char upper[] = "BCDFGHJKLMNPQRSTVWXZ";
    static const char lower[] = "bcdfghjklmnpqrstvwxz";
    if (minLen < 1)
        minLen = 1;
    if (maxLen < minLen)
        maxLen = minLen;
    if (minWord < 1)
        minWord = 1;
    if (maxWord < minWord)
        maxWord = minWord;
    int total = rand() % (maxLen - minLen + 1) + minLen;
    int pos = 0, k = 0, wordLen = 0;
    bool newWord = true;
    while (pos < total) {
        bool wordStart = newWord;
        if (newWord) {
            wordLen = rand() % (maxWord - minWord + 1) + minWord;
            k = 0;
            newWord = false;
        }
        char c;
        if (k & 1)
            c = vowels[rand() % 6];
        else {
            int i = rand() % 20;
            if (pos == 0)
                c = upper[i];
            else if (wordStart)
                c = capitalWords ? upper[i] : lower[i];
            else
                c = lower[i];
        }
        buf[pos++] = c;
        k++;
        if (pos >= total)
            break;
        if (k >= wordLen && pos < total - 5 && !noSpaces) {
            buf[pos++] = ' ';
            newWord = true;
        } else if (k >= maxWord) {
            break;
        }
    }
    buf[pos] = 0;
    return buf + pos;
}

/* ---- texts Wine's shaping cannot show ---- */

namespace {

bool shapingAccent(unsigned char c) {
    return c == 0xA1 || c == 0xB2 || c == 0xBD;
}

/* A byte after which such an accent shapes: a letter of the code page. */
bool shapingBase(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    if (c >= 0xC0)
        return c != 0xD7 && c != 0xF7;
    static unsigned char const letters[] = {0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x9A, 0x9C, 0x9D, 0x9E,
                                            0x9F, 0xA3, 0xA5, 0xAA, 0xAF, 0xB3, 0xB9, 0xBA, 0xBC,
                                            0xBE, 0xBF};
    return c >= 0x80 && memchr(letters, c, sizeof letters);
}

/* The accent at s[i] faults: blanks and accents before it are passed over; what decides is
   the byte met then, a letter being safe, or the line's start, safe only when something
   was passed. */
bool shapingTrapAt(char const* s, int i) {
    int j = i - 1;
    while (j >= 0 && (s[j] == ' ' || shapingAccent((unsigned char)s[j])))
        j--;
    if (j < 0 || s[j] == '\n' || s[j] == '\r')
        return j == i - 1;
    return !shapingBase((unsigned char)s[j]);
}

}  // namespace

int strx_shapingTrap(char const* s, int n, int from) {
    for (int i = from > 0 ? from : 0; s && i < n; i++)
        if (shapingAccent((unsigned char)s[i]) && shapingTrapAt(s, i))
            return i;
    return -1;
}
