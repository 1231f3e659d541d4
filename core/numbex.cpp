/* The number value: a double with a decimals setting and a cached text. */
#include "values.h"

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "strx.h"

namespace {

char g_fmt0[] = "%.0f";
char g_fmt1[] = "%.1f";
char g_fmt2[] = "%.2f";
char g_fmt3[] = "%.3f";
char g_fmt4[] = "%.4f";

bool g_seeded = false;

inline bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/* Reads a decimal number from at most len bytes of s (len < 0: up to the terminator):
   leading blanks, sign, digits, one point, exponent; 0.0 when there is no number. */
double parseDecimal(char const* s, int len) {
    int end = len;
    if (end < 0)
        end = (int)strlen(s);
    int i = 0;
    while (i < end && s[i] && isSpace(s[i]))
        i++;
    int start = i;
    if (i < end && (s[i] == '+' || s[i] == '-'))
        i++;
    int digits = 0;
    while (i < end && isDigit(s[i]))
        i++, digits++;
    if (i < end && s[i] == '.') {
        i++;
        while (i < end && isDigit(s[i]))
            i++, digits++;
    }
    if (digits == 0)
        return 0.0;
    if (i < end && (s[i] == 'e' || s[i] == 'E')) {
        int j = i + 1;
        if (j < end && (s[j] == '+' || s[j] == '-'))
            j++;
        if (j < end && isDigit(s[j])) {
            while (j < end && isDigit(s[j]))
                j++;
            i = j;
        }
    }
    int n = i - start;
    char small[128];
    char* buf = n < (int)sizeof small ? small : (char*)mallox(n + 1);
    memcpy(buf, s + start, n);
    buf[n] = 0;
    double d = strtod(buf, 0);
    if (buf != small)
        freex(buf);
    return d;
}

/* Prints one double by fmt into a new heap block, however long the text gets. */
char* printDouble(char const* fmt, double d) {
    char small[100];
    int n = snprintf(small, sizeof small, fmt, d);
    if (n >= 0 && n < (int)sizeof small)
        return strdux(small);
    /* Too long: size the block from the result, or grow it when the runtime only
       reports failure. */
    int size = n >= 0 ? n + 1 : 2 * (int)sizeof small;
    for (;;) {
        char* p = (char*)mallox(size);
        int m = snprintf(p, size, fmt, d);
        if (m >= 0 && m < size)
            return p;
        freex(p);
        if (size >= (1 << 20))
            return strdux(0);
        size = m >= 0 ? m + 1 : 2 * size;
    }
}

/* Fewest decimals, at most four, that print the value exactly. */
char const* bestFormat(double v) {
    return cNumbex::NumbexFormats[numbex_bestDecimals(v)];
}

/* Decimals of one of the formats "%.0f" .. "%.4f", or -1 for any other format. */
int fixedDecimals(char const* f) {
    if (f[0] == '%' && f[1] == '.' && f[2] >= '0' && f[2] <= '4' && f[3] == 'f' && !f[4])
        return f[2] - '0';
    return -1;
}

/* Truncation toward zero that saturates instead of overflowing; NaN gives 0. */
int toInt32(double d) {
    if (d != d)
        return 0;
    if (d >= 2147483647.0)
        return 2147483647;
    if (d <= -2147483648.0)
        return -2147483647 - 1;
    return (int)d;
}

__int64 toInt64(double d) {
    if (d != d)
        return 0;
    if (d >= 9223372036854775807.0)
        return 0x7fffffffffffffffLL;
    if (d <= -9223372036854775807.0)
        return -0x7fffffffffffffffLL - 1;
    return (__int64)d;
}

}  // namespace

int numbex_bestDecimals(double v) {
    if (::floor(v) == v)
        return 0;
    if (::floor(10 * v) == 10 * v)
        return 1;
    if (::floor(100 * v) == 100 * v)
        return 2;
    if (::floor(1000 * v) == 1000 * v)
        return 3;
    return 4;
}

/* Below 2^40 the scaled value is within 2^-13 of the exact product, so its rounding is
   printf's unless it lies near a half; those, and signed zeros, go to printf. */
int numbex_print(double v, int decimals, char* out, int size) {
    static const double kScale[5] = {1, 10, 100, 1000, 10000};
    if (decimals < 0)
        decimals = 0;
    if (decimals > 4)
        decimals = 4;
    if (!out || size <= 0)
        return -1;
    bool neg = signbit(v);
    double scaled = (neg ? -v : v) * kScale[decimals];
    if (scaled < 1099511627776.0) {  // false for NaN
        double whole = ::floor(scaled);
        double frac = scaled - whole;
        unsigned long long k = (unsigned long long)whole + (frac > 0.5 ? 1 : 0);
        if ((frac < 0.499 || frac > 0.501) && !(neg && k == 0)) {
            char tmp[32];
            int n = 0;
            for (int i = 0; i < decimals; i++, k /= 10)
                tmp[n++] = (char)('0' + k % 10);
            if (decimals)
                tmp[n++] = '.';
            unsigned hi = (unsigned)k;  // 32-bit division for the usual whole parts
            if (k > 0xffffffffULL) {
                do {
                    tmp[n++] = (char)('0' + k % 10);
                    k /= 10;
                } while (k);
            } else {
                do {
                    tmp[n++] = (char)('0' + hi % 10);
                    hi /= 10;
                } while (hi);
            }
            if (neg)
                tmp[n++] = '-';
            if (n >= size)
                return -1;
            for (int i = 0; i < n; i++)
                out[i] = tmp[n - 1 - i];
            out[n] = 0;
            return n;
        }
    }
    char fmt[8] = "%.0f";
    fmt[2] = (char)('0' + decimals);
    int n = snprintf(out, size, fmt, v);
    return n >= 0 && n < size ? n : -1;
}

char* cNumbex::NumbexFormats[5] = {g_fmt0, g_fmt1, g_fmt2, g_fmt3, g_fmt4};

cNumbex::cNumbex() : value(0.0), text(0), numbexType(0) {
    null = true;
}

cNumbex::cNumbex(double d) : value(d), text(0), numbexType(0) {
    null = false;
}

cNumbex::cNumbex(cNumbex const& n) : cVariablex(), value(n.value), text(0), numbexType(n.numbexType) {
    null = n.null;
}

cNumbex::~cNumbex() {
    freex(text);
}

cNumbex& cNumbex::operator=(double d) {
    freesval();
    value = d;
    null = false;
    return *this;
}

cNumbex& cNumbex::operator=(cNumbex const& n) {
    if (&n == this)
        return *this;
    freesval();
    value = n.value;
    null = n.null;
    return *this;
}

void cNumbex::setNull() {
    freesval();
    value = 0.0;
    null = true;
}

double cNumbex::toDouble() {
    return value;
}

cNumbex cNumbex::toNumbex() {
    return cNumbex(*this);
}

char* cNumbex::toChars(char const* fmt, bool force) {
    if (null) {
        freex(text);
        text = strdux(0);
        return text;
    }
    if (text && !force)
        return text;
    char small[64];
    char* p = print(fmt, small, sizeof small) >= 0 ? strdux(small) : printDouble(formatFor(fmt), value);
    for (char* q = p; *q; q++) {
        if (*q == ',')
            *q = '.';
    }
    freex(text);
    text = p;
    return text;
}

/* The printf format toChars uses for fmt. */
char const* cNumbex::formatFor(char const* fmt) const {
    if (!fmt || !*fmt)
        return NumbexFormats[numbexType >= 0 && numbexType < 5 ? numbexType : 4];
    if (stricmpx(fmt, "BEST_FMT") == 0)
        return bestFormat(value);
    return fmt;
}

int cNumbex::print(char const* fmt, char* buf, int size) const {
    if (null)
        return -1;
    int decimals = fixedDecimals(formatFor(fmt));
    return decimals >= 0 ? numbex_print(value, decimals, buf, size) : -1;
}

char* cNumbex::toChars(short decimals) {
    if (decimals < 0)
        decimals = 0;
    if (decimals > 4)
        decimals = 4;
    return toChars(NumbexFormats[decimals], true);
}

cStrinx cNumbex::toStrinx(char const* fmt, bool force) {
    if (null)
        return cStrinx();
    return cStrinx(toChars(fmt, force));
}

__int64 cNumbex::toTimext() {
    return toInt64(value);
}

cDatex cNumbex::toDatex() {
    return cDatex(toTimext());
}

void cNumbex::set(__int64 t) {
    operator=((double)t);
}

void cNumbex::set(char const* s, int len) {
    if (!s || len == 0 || !*s) {
        setNull();
        return;
    }
    operator=(parseDecimal(s, len));
}

void cNumbex::set(double d) {
    operator=(d);
}

void cNumbex::setVarptr(cVariablex* v) {
    if (!v) {
        setNull();
        return;
    }
    operator=(v->toNumbex());
}

void cNumbex::recode(short codepage) {
    if (text && (codepage == 1 || codepage == 2))
        strx_recode(codepage, text, -1);
}

short cNumbex::type() {
    return VTYPE_NUMBEX;
}

void cNumbex::freesval() {
    freex(text);
    text = 0;
}

void cNumbex::setNumbexType(short t) {
    numbexType = (t >= 0 && t < 5) ? t : 4;
}

/* Saturates at the 16-bit limits. */
short cNumbex::toShort() {
    int i = toInt32(value);
    if (i > 32767)
        return 32767;
    if (i < -32768)
        return -32768;
    return (short)i;
}

cNumbex::operator double() const {
    return value;
}

double cNumbex::floor() { return ::floor(value); }
double cNumbex::ceil() { return ::ceil(value); }
double cNumbex::abs() { return ::fabs(value); }
double cNumbex::exp() { return ::exp(value); }
double cNumbex::log() { return ::log(value); }
double cNumbex::log10() { return ::log10(value); }
double cNumbex::sqrt() { return ::sqrt(value); }
double cNumbex::pow(double e) { return ::pow(value, e); }

double cNumbex::div(double d) {
    return (double)toInt32(value / d);
}

/* Rounds half away from zero to n decimals; a negative n rounds to tens, hundreds...
   n is kept within -15..15. A product lying within a few units of the last place of
   a half (2.675 is stored as 2.67499...) counts as the half, so decimal halves round
   as written. */
double cNumbex::round(short n) {
    if (n > 15)
        n = 15;
    if (n < -15)
        n = -15;
    double scale = ::pow(10.0, n < 0 ? -n : n);
    double x = n >= 0 ? value * scale : value / scale;
    if (!isfinite(x) || ::fabs(x) >= 4503599627370496.0)  // 2^52: no fraction left
        return value;
    double whole = ::trunc(x);
    double frac = ::fabs(x - whole);
    double r;
    if (frac >= 0.5 || ::fabs(frac - 0.5) <= 8 * DBL_EPSILON * ::fabs(x))
        r = whole + (x < 0 ? -1.0 : 1.0);
    else
        r = whole;
    return n >= 0 ? r / scale : r * scale;
}

void cNumbex::srand(int seed) {
    ::srand(seed ? (unsigned)seed : (unsigned)time(0));
    g_seeded = true;
}

double cNumbex::rand() {
    if (!g_seeded)
        srand(0);
    operator=((double)(::rand() & 0x7fff));  // 0..32767 whatever the runtime's RAND_MAX
    return value;
}

int cNumbex::operator!() const {
    return value == 0.0;
}

cNumbex cNumbex::operator++() {
    operator=(value + 1.0);
    return cNumbex(*this);
}

cNumbex cNumbex::operator++(int) {
    operator=(value + 1.0);
    return cNumbex(*this);
}

cNumbex cNumbex::operator--() {
    operator=(value - 1.0);
    return cNumbex(*this);
}

cNumbex cNumbex::operator--(int) {
    operator=(value - 1.0);
    return cNumbex(*this);
}

/* Operators: null operands count with their stored 0.0; results are non-null. */

cNumbex operator+(cNumbex const& a, cNumbex const& b) { return cNumbex(a.value + b.value); }
cNumbex operator+(cNumbex const& a, double b) { return cNumbex(a.value + b); }
cNumbex operator+(double a, cNumbex const& b) { return cNumbex(a + b.value); }
cNumbex operator-(cNumbex const& a, cNumbex const& b) { return cNumbex(a.value - b.value); }
cNumbex operator-(cNumbex const& a, double b) { return cNumbex(a.value - b); }
cNumbex operator-(double a, cNumbex const& b) { return cNumbex(a - b.value); }
cNumbex operator*(cNumbex const& a, cNumbex const& b) { return cNumbex(a.value * b.value); }
cNumbex operator*(cNumbex const& a, double b) { return cNumbex(a.value * b); }
cNumbex operator*(double a, cNumbex const& b) { return cNumbex(a * b.value); }
cNumbex operator/(cNumbex const& a, cNumbex const& b) { return cNumbex(a.value / b.value); }
cNumbex operator/(cNumbex const& a, double b) { return cNumbex(a.value / b); }
cNumbex operator/(double a, cNumbex const& b) { return cNumbex(a / b.value); }
cNumbex operator%(cNumbex const& a, cNumbex const& b) { return cNumbex(fmod(a.value, b.value)); }
cNumbex operator%(cNumbex const& a, double b) { return cNumbex(fmod(a.value, b)); }
cNumbex operator%(double a, cNumbex const& b) { return cNumbex(fmod(a, b.value)); }

namespace {

/* Integer operations on 32-bit operands; shift counts use their low five bits. */
inline cNumbex bitXor(int a, int b) { return cNumbex((double)(a ^ b)); }
inline cNumbex bitAnd(int a, int b) { return cNumbex((double)(a & b)); }
inline cNumbex bitOr(int a, int b) { return cNumbex((double)(a | b)); }
inline cNumbex shiftLeft(int a, int b) { return cNumbex((double)(int)((unsigned)a << (b & 31))); }
inline cNumbex shiftRight(int a, int b) { return cNumbex((double)(a >> (b & 31))); }

}  // namespace

cNumbex operator^(cNumbex const& a, cNumbex const& b) { return bitXor(toInt32(a.value), toInt32(b.value)); }
cNumbex operator^(cNumbex const& a, long b) { return bitXor(toInt32(a.value), (int)b); }
cNumbex operator^(long a, cNumbex const& b) { return bitXor((int)a, toInt32(b.value)); }
cNumbex operator&(cNumbex const& a, cNumbex const& b) { return bitAnd(toInt32(a.value), toInt32(b.value)); }
cNumbex operator&(cNumbex const& a, long b) { return bitAnd(toInt32(a.value), (int)b); }
cNumbex operator&(long a, cNumbex const& b) { return bitAnd((int)a, toInt32(b.value)); }
cNumbex operator|(cNumbex const& a, cNumbex const& b) { return bitOr(toInt32(a.value), toInt32(b.value)); }
cNumbex operator|(cNumbex const& a, long b) { return bitOr(toInt32(a.value), (int)b); }
cNumbex operator|(long a, cNumbex const& b) { return bitOr((int)a, toInt32(b.value)); }
cNumbex operator<<(cNumbex const& a, cNumbex const& b) { return shiftLeft(toInt32(a.value), toInt32(b.value)); }
cNumbex operator<<(cNumbex const& a, long b) { return shiftLeft(toInt32(a.value), (int)b); }
cNumbex operator<<(long a, cNumbex const& b) { return shiftLeft((int)a, toInt32(b.value)); }
cNumbex operator>>(cNumbex const& a, cNumbex const& b) { return shiftRight(toInt32(a.value), toInt32(b.value)); }
cNumbex operator>>(cNumbex const& a, long b) { return shiftRight(toInt32(a.value), (int)b); }
cNumbex operator>>(long a, cNumbex const& b) { return shiftRight((int)a, toInt32(b.value)); }

int operator&&(cNumbex const& a, cNumbex const& b) { return a.value != 0.0 && b.value != 0.0; }
int operator&&(cNumbex const& a, double b) { return a.value != 0.0 && b != 0.0; }
int operator&&(double a, cNumbex const& b) { return a != 0.0 && b.value != 0.0; }
int operator||(cNumbex const& a, cNumbex const& b) { return a.value != 0.0 || b.value != 0.0; }

/* Comparisons: 0 whenever a number operand is null, != included. */
int operator==(cNumbex const& a, cNumbex const& b) { return !a.null && !b.null && a.value == b.value; }
int operator==(cNumbex const& a, double b) { return !a.null && a.value == b; }
int operator==(double a, cNumbex const& b) { return !b.null && a == b.value; }
int operator!=(cNumbex const& a, cNumbex const& b) { return !a.null && !b.null && a.value != b.value; }
int operator!=(cNumbex const& a, double b) { return !a.null && a.value != b; }
int operator!=(double a, cNumbex const& b) { return !b.null && a != b.value; }
int operator<(cNumbex const& a, cNumbex const& b) { return !a.null && !b.null && a.value < b.value; }
int operator<(cNumbex const& a, double b) { return !a.null && a.value < b; }
int operator<(double a, cNumbex const& b) { return !b.null && a < b.value; }
int operator<=(cNumbex const& a, cNumbex const& b) { return !a.null && !b.null && a.value <= b.value; }
int operator<=(cNumbex const& a, double b) { return !a.null && a.value <= b; }
int operator<=(double a, cNumbex const& b) { return !b.null && a <= b.value; }
int operator>(cNumbex const& a, cNumbex const& b) { return !a.null && !b.null && a.value > b.value; }
int operator>(cNumbex const& a, double b) { return !a.null && a.value > b; }
int operator>(double a, cNumbex const& b) { return !b.null && a > b.value; }
int operator>=(cNumbex const& a, cNumbex const& b) { return !a.null && !b.null && a.value >= b.value; }
int operator>=(cNumbex const& a, double b) { return !a.null && a.value >= b; }
int operator>=(double a, cNumbex const& b) { return !b.null && a >= b.value; }
