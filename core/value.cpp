/* Allocation base, the value base class, the string value and the cross-type ordering. */
#include "values.h"

#include <string.h>

#include "strx.h"

/* ---- cObjext ---- */

void* cObjext::operator new(size_t size) {
    return mallox(size ? (int)size : 1);
}

void cObjext::operator delete(void* p) {
    freex(p);
}

void* cObjext::operator new[](size_t size) {
    return mallox(size ? (int)size : 1);
}

void cObjext::operator delete[](void* p) {
    freex(p);
}

/* ---- cVariablex ---- */

cVariablex::cVariablex() {}

cVariablex::~cVariablex() {}

bool cVariablex::isNull() {
    return null;
}

void cVariablex::unsetNull() {
    null = false;
}

/* ---- cStrinx ---- */

namespace {

inline int textLen(char const* s) {
    return s ? (int)strlen(s) : 0;
}

/* Length of s, looking at no more than max bytes. */
inline int boundedLen(char const* s, int max) {
    int n = 0;
    while (n < max && s[n])
        n++;
    return n;
}

char* emptyBlock() {
    char* p = (char*)mallox(1);
    *p = 0;
    return p;
}

/* Target of operator[] outside the block; reset on every such access. */
char g_outside = 0;

}  // namespace

cStrinx::cStrinx() : text(emptyBlock()), alloc(0) {
    null = true;
}

cStrinx::cStrinx(char const* s) : text(strdux((void*)s)) {
    alloc = (int)strlen(text);
    null = alloc == 0;
}

cStrinx::cStrinx(cStrinx const& s) : cVariablex(), text(strdux(s.text)) {
    alloc = (int)strlen(text);
    null = alloc == 0;
}

cStrinx::cStrinx(cStrinx const* s) : text(strdux(s ? s->text : 0)) {
    alloc = (int)strlen(text);
    null = alloc == 0;
}

cStrinx::cStrinx(char const* a, char const* b) {
    int la = textLen(a), lb = textLen(b);
    text = (char*)mallox(la + lb + 1);
    if (la)
        memcpy(text, a, la);
    if (lb)
        memcpy(text + la, b, lb);
    text[la + lb] = 0;
    alloc = la + lb;
    null = alloc == 0;
}

cStrinx::cStrinx(char const* s, int n) {
    int ls = textLen(s);
    if (ls == 0 || n <= 0) {
        text = emptyBlock();
        alloc = 0;
        null = true;
        return;
    }
    long long total = (long long)ls * n;
    if (total > 0x7ffffff0LL)  // a size the allocator cannot take
        total = 0;
    alloc = (int)total;
    text = (char*)mallox(alloc + 1);
    for (int i = 0; i + ls <= alloc; i += ls)
        memcpy(text + i, s, ls);
    text[alloc] = 0;
    null = alloc == 0;
}

cStrinx::~cStrinx() {
    freex(text);
}

cStrinx& cStrinx::operator=(char const* s) {
    if (s == text)
        return *this;
    int n = textLen(s);
    if (n > alloc) {
        char* p = (char*)mallox(n + 1);
        memcpy(p, s, n + 1);
        freex(text);
        text = p;
        alloc = n;
    } else if (s) {
        memmove(text, s, n + 1);  // s may lie inside our own block
    } else {
        *text = 0;
    }
    null = n == 0;
    return *this;
}

cStrinx& cStrinx::operator=(cStrinx const& s) {
    return operator=(s.text);
}

void cStrinx::setNull() {
    freex(text);
    text = emptyBlock();
    alloc = 0;
    null = true;
}

double cStrinx::toDouble() {
    cNumbex n;
    n.set(text, -1);
    return n.value;
}

cNumbex cStrinx::toNumbex() {
    if (null)
        return cNumbex();
    return cNumbex(toDouble());
}

char* cStrinx::toChars(char const* fmt, bool force) {
    return text;
}

cStrinx cStrinx::toStrinx(char const* fmt, bool force) {
    return cStrinx(*this);
}

__int64 cStrinx::toTimext() {
    return mktimex(strtimex(text, 0, 0));
}

cDatex cStrinx::toDatex() {
    return cDatex(toTimext());
}

void cStrinx::set(__int64 t) {
    operator=(ctimex(t, 0));
}

void cStrinx::set(char const* s, int len) {
    if (len < 0) {
        operator=(s);
        return;
    }
    int n = s ? boundedLen(s, len) : 0;
    if (len > 0x7ffffff0)  // no block of that size: keep what the source holds
        len = n;
    if (len > alloc) {
        char* p = (char*)mallox(len + 1);
        if (n)
            memcpy(p, s, n);
        freex(text);
        text = p;
        alloc = len;
    } else if (n) {
        memmove(text, s, n);
    }
    memset(text + n, 0, len - n + 1);
    null = text[0] == 0;
}

void cStrinx::set(double d) {
    cNumbex n(d);
    operator=(n.toChars("%f", true));
}

void cStrinx::setVarptr(cVariablex* v) {
    if (!v) {
        setNull();
        return;
    }
    // Text straight from text: no temporary copy.
    if (v->type() == VTYPE_STRINX) {
        operator=(static_cast<cStrinx*>(v)->text);
        return;
    }
    operator=(v->toStrinx(0, true));
}

void cStrinx::recode(short codepage) {
    if (codepage == 1 || codepage == 2)
        strx_recode(codepage, text, -1);
}

short cStrinx::type() {
    return VTYPE_STRINX;
}

void cStrinx::freesval() {}

void cStrinx::setAlloc(int n) {
    if (n <= alloc)
        return;
    text = (char*)reallox(text, (unsigned)n + 1);
    alloc = n;
}

int cStrinx::getAlloc() {
    return alloc;
}

bool cStrinx::empty() {
    return null || !*text;
}

int cStrinx::len() {
    return (int)strlen(text);
}

cStrinx::operator char*() {
    return text;
}

cStrinx::operator char const*() const {
    return text;
}

/* Any byte of the block (0..alloc) may be read or written. An index outside it
   yields a shared scratch byte holding 0, so stray accesses never leave the block. */
char& cStrinx::operator[](int i) {
    if (i < 0 || i > alloc) {
        g_outside = 0;
        return g_outside;
    }
    return text[i];
}

/* Negative counts and starts count as 0 throughout. */
cStrinx cStrinx::left(int n) {
    int l = len();
    if (n < 0)
        n = 0;
    if (n > l)
        n = l;
    cStrinx r;
    r.set(text, n);
    return r;
}

cStrinx cStrinx::leftBut(int n) {
    if (n < 0)
        n = 0;
    return left(len() - n);
}

cStrinx cStrinx::right(int n) {
    int l = len();
    if (n < 0)
        n = 0;
    if (n > l)
        n = l;
    return cStrinx(text + l - n);
}

cStrinx cStrinx::mid(int start, int count) {
    int l = len();
    if (start < 0)
        start = 0;
    if (count < 0)
        count = 0;
    if (start >= l)
        return cStrinx();
    if (count > l - start)
        count = l - start;
    cStrinx r;
    r.set(text + start, count);
    return r;
}

int cStrinx::substr(char const* needle, int from) {
    if (!needle || from < 0 || from > len())
        return -1;
    char const* p = strstr(text + from, needle);
    return p ? (int)(p - text) : -1;
}

/* An empty or null `find` leaves the text as it is. */
cStrinx cStrinx::replace(char const* find, char const* with) {
    int lf = textLen(find);
    if (lf == 0)
        return cStrinx(*this);
    int lw = textLen(with);
    long long count = 0;
    for (char const* p = strstr(text, find); p; p = strstr(p + lf, find))
        count++;
    if (count == 0)
        return cStrinx(*this);
    long long total = (long long)len() + count * (lw - lf);
    if (total > 0x7ffffff0LL)
        return cStrinx(*this);
    cStrinx r;
    r.setAlloc((int)total);
    char* out = r.text;
    char const* in = text;
    for (char const* p = strstr(in, find); p; p = strstr(in, find)) {
        memcpy(out, in, p - in);
        out += p - in;
        if (lw)
            memcpy(out, with, lw);
        out += lw;
        in = p + lf;
    }
    strcpy(out, in);
    r.null = r.text[0] == 0;
    return r;
}

namespace {

/* Appends a and b to s in place, growing the block to exactly the new length when it
   does not fit. a and b may point into s's own text. */
void append(cStrinx& s, char const* a, char const* b) {
    int l = (int)strlen(s.text), la = textLen(a), lb = textLen(b);
    long long total = (long long)l + la + lb;
    if (total > 0x7ffffff0LL)
        return;
    if (total > s.alloc) {
        char* p = (char*)mallox((int)total + 1);
        memcpy(p, s.text, l);
        if (la)
            memcpy(p + l, a, la);
        if (lb)
            memcpy(p + l + la, b, lb);
        p[total] = 0;
        freex(s.text);
        s.text = p;
        s.alloc = (int)total;
    } else {
        /* Sources inside the text end before offset l, so they do not overlap the targets. */
        if (la)
            memcpy(s.text + l, a, la);
        if (lb)
            memcpy(s.text + l + la, b, lb);
        s.text[total] = 0;
    }
    s.null = s.text[0] == 0;
}

}  // namespace

cStrinx& cStrinx::join(char const* s, char const* sep) {
    if (!s || !*s)
        return *this;
    if (null)
        operator=(s);
    else
        append(*this, sep, s);
    return *this;
}

namespace {

cStrinx trimmed(char const* text, int mode) {
    char* p = strdux((void*)text);
    strx_trim(&p, mode);
    cStrinx r(p);
    freex(p);
    return r;
}

cStrinx mapped(char const* text, char from, char to) {
    cStrinx r(text);
    for (char* p = r.text; *p; p++) {
        if (*p >= from && *p <= (char)(from + 25))
            *p = (char)(*p - from + to);
    }
    return r;
}

}  // namespace

cStrinx cStrinx::ltrim() {
    return trimmed(text, 1);
}

cStrinx cStrinx::rtrim() {
    return trimmed(text, 2);
}

cStrinx cStrinx::trim() {
    return trimmed(text, 3);
}

cStrinx cStrinx::lcase() {
    return mapped(text, 'A', 'a');
}

cStrinx cStrinx::ucase() {
    return mapped(text, 'a', 'A');
}

cStrinx& cStrinx::operator+=(char const* s) {
    append(*this, s, 0);
    return *this;
}

cStrinx& cStrinx::operator+=(cNumbex const& n) {
    cNumbex copy(n);
    append(*this, copy.toChars(0, true), 0);
    return *this;
}

cStrinx& cStrinx::operator+=(int i) {
    cNumbex n((double)i);
    append(*this, n.toChars(0, true), 0);
    return *this;
}

cStrinx& cStrinx::operator*=(int n) {
    cStrinx r(text, n);
    return operator=(r);
}

cStrinx operator+(cStrinx const& a, cStrinx const& b) {
    return cStrinx(a.text, b.text);
}

cStrinx operator+(cStrinx const& a, char const* b) {
    return cStrinx(a.text, b);
}

cStrinx operator+(char const* a, cStrinx const& b) {
    return cStrinx(a, b.text);
}

cStrinx operator+(cStrinx const& a, cNumbex const& n) {
    cNumbex copy(n);
    return cStrinx(a.text, copy.toChars(0, true));
}

cStrinx operator+(cStrinx const& a, int i) {
    cNumbex n((double)i);
    return cStrinx(a.text, n.toChars(0, true));
}

cStrinx operator*(cStrinx const& a, int n) {
    return cStrinx(a.text, n);
}

int operator==(cStrinx const& a, cStrinx const& b) { return strcmpx(a.text, b.text) == 0; }
int operator==(cStrinx const& a, char const* b) { return strcmpx(a.text, b) == 0; }
int operator==(char const* a, cStrinx const& b) { return strcmpx(a, b.text) == 0; }
int operator!=(cStrinx const& a, cStrinx const& b) { return strcmpx(a.text, b.text) != 0; }
int operator!=(cStrinx const& a, char const* b) { return strcmpx(a.text, b) != 0; }
int operator!=(char const* a, cStrinx const& b) { return strcmpx(a, b.text) != 0; }
int operator<(cStrinx const& a, cStrinx const& b) { return strcmpx(a.text, b.text) < 0; }
int operator<(cStrinx const& a, char const* b) { return strcmpx(a.text, b) < 0; }
int operator<(char const* a, cStrinx const& b) { return strcmpx(a, b.text) < 0; }
int operator<=(cStrinx const& a, cStrinx const& b) { return strcmpx(a.text, b.text) <= 0; }
int operator<=(cStrinx const& a, char const* b) { return strcmpx(a.text, b) <= 0; }
int operator<=(char const* a, cStrinx const& b) { return strcmpx(a, b.text) <= 0; }
int operator>(cStrinx const& a, cStrinx const& b) { return strcmpx(a.text, b.text) > 0; }
int operator>(cStrinx const& a, char const* b) { return strcmpx(a.text, b) > 0; }
int operator>(char const* a, cStrinx const& b) { return strcmpx(a, b.text) > 0; }
int operator>=(cStrinx const& a, cStrinx const& b) { return strcmpx(a.text, b.text) >= 0; }
int operator>=(cStrinx const& a, char const* b) { return strcmpx(a.text, b) >= 0; }
int operator>=(char const* a, cStrinx const& b) { return strcmpx(a, b.text) >= 0; }

/* ---- xompare ---- */

namespace {

int compareTimex(cVariablex& a, cVariablex& b) {
    __int64 x = a.toTimext(), y = b.toTimext();
    return x == y ? 0 : (x > y ? 1 : -1);
}

int compareText(cVariablex& a, cVariablex& b) {
    int r = stricmpx(a.toChars(0, true), b.toChars(0, true));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

int xompare(cVariablex& a, cVariablex& b) {
    short ta = a.type(), tb = b.type();
    if (ta == VTYPE_NUMBEX) {
        if (tb == VTYPE_NUMBEX) {
            double x = a.toDouble(), y = b.toDouble();
            // A NaN after every number, as the data sources order it; equal to another NaN.
            if (x != x || y != y)
                return (x != x) - (y != y);
            return x == y ? 0 : (x > y ? 1 : -1);
        }
        if (tb == VTYPE_STRINX)
            return compareText(a, b);
        if (tb == VTYPE_DATEX)
            return compareTimex(a, b);
        return 0;
    }
    if (ta == VTYPE_STRINX)
        return compareText(a, b);
    if (ta == VTYPE_DATEX) {
        if (tb == VTYPE_NUMBEX || tb == VTYPE_DATEX)
            return compareTimex(a, b);
        if (tb == VTYPE_STRINX)
            return compareText(a, b);
    }
    return 0;
}

int xompare(cVariablex* a, cVariablex* b) {
    if (a == b)
        return 0;
    if (!a)
        return -1;
    if (!b)
        return 1;
    return xompare(*a, *b);
}
