/* The date-time value: a timex or its broken-down record, converted on demand. */
#include "values.h"

#include <math.h>
#include <string.h>
#include <time.h>

#include "strx.h"

namespace {

/* Default pictures by datex type: date and time, date, time. */
char g_formats[3][101] = {"YYYY-MM-DD hh:mm:ss", "YYYY-MM-DD", "hh:mm:ss"};
char g_noFormat[1] = "";

const __int64 MS_DAY = 86400000LL;

/* Two's-complement sums, so extreme values wrap instead of overflowing. */
inline __int64 addWrap(__int64 a, __int64 b) {
    return (__int64)((unsigned long long)a + (unsigned long long)b);
}

inline __int64 subWrap(__int64 a, __int64 b) {
    return (__int64)((unsigned long long)a - (unsigned long long)b);
}

/* Whole seconds plus the truncated thousandths of the fraction, in milliseconds.
   Non-finite amounts add nothing; the whole part is kept within about 300000 years. */
__int64 secondsToMs(float s) {
    double d = s;
    if (!isfinite(d))
        return 0;
    double whole = floor(d);
    __int64 frac = (__int64)((d - whole) * 1000.0);
    if (whole > 1e13)
        whole = 1e13;
    if (whole < -1e13)
        whole = -1e13;
    return (__int64)whole * 1000 + frac;
}

/* Adds to the fields of tm and packs the result. Months outside 1..12 carry whole years
   first; years stay within the 16-bit range of _tmx. Days and times are added to the
   packed value, which is what mktimex makes of overflowing fields. */
cDatex shifted(_tmx const& tm, int years, int months, int days, int hours, int minutes, float seconds) {
    long long y = (long long)tm.year + years;
    long long mo = (long long)tm.month + months;
    if (months != 0 && (mo < 1 || mo > 12)) {
        long long m0 = mo - 1;
        long long carry = m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12);
        y += carry;
        mo = m0 - carry * 12 + 1;
    }
    if (y > 32767)
        y = 32767;
    if (y < -32768)
        y = -32768;
    __int64 t = mktimex((int)y, (int)mo, tm.day, tm.hour, tm.minute, tm.second, tm.msec);
    __int64 offset = (__int64)days * MS_DAY + (__int64)hours * 3600000LL + (__int64)minutes * 60000LL +
                     secondsToMs(seconds);
    return cDatex(addWrap(t, offset));
}

__int64 doubleToTimex(double d) {
    if (d != d)
        return 0;
    if (d >= 9223372036854775807.0)
        return 0x7fffffffffffffffLL;
    if (d <= -9223372036854775807.0)
        return -0x7fffffffffffffffLL - 1;
    return (__int64)d;
}

}  // namespace

cDatex::cDatex() : packed(true), text(0), datexType(0) {
    when.t = 0;
    null = true;
}

cDatex::cDatex(__int64 t) : packed(true), text(0), datexType(0) {
    when.t = t;
    null = false;
}

cDatex::cDatex(int year, int month, int day, int hour, int minute, int second, int msec)
    : packed(true), text(0), datexType(0) {
    when.t = mktimex(year, month, day, hour, minute, second, msec);
    null = false;
}

cDatex::cDatex(cDatex const& d) : cVariablex(), when(d.when), packed(d.packed), text(0), datexType(d.datexType) {
    null = d.null;
}

cDatex::cDatex(cDatex const* d) : packed(true), text(0), datexType(0) {
    when.t = 0;
    null = true;
    if (d) {
        when = d->when;
        packed = d->packed;
        null = d->null;
        datexType = d->datexType;
    }
}

cDatex::~cDatex() {
    freex(text);
}

cDatex& cDatex::operator=(__int64 t) {
    freesval();
    when.t = t;
    packed = true;
    null = false;
    return *this;
}

cDatex& cDatex::operator=(cDatex const& d) {
    if (&d == this)
        return *this;
    freesval();
    when = d.when;
    packed = d.packed;
    null = d.null;
    if (datexType != d.datexType)
        datexType = 0;
    return *this;
}

__int64 cDatex::pack() const {
    if (!packed) {
        __int64 t = mktimex(when.tm);
        when.t = t;
        packed = true;
    }
    return when.t;
}

_tmx const& cDatex::unpack() const {
    if (packed) {
        _tmx tm = gmtimex(when.t);
        when.tm = tm;
        packed = false;
    }
    return when.tm;
}

void cDatex::setNull() {
    freesval();
    when.t = 0;
    packed = true;
    null = true;
}

double cDatex::toDouble() {
    return (double)pack();
}

cNumbex cDatex::toNumbex() {
    return cNumbex((double)pack());
}

char* cDatex::toChars(char const* fmt, bool force) {
    if (null) {
        freex(text);
        text = strdux(0);
        return text;
    }
    if (text && !force)
        return text;
    char const* picture = (fmt && *fmt) ? fmt : getFormat();
    char* p = strdux(ctimex(unpack(), (char*)picture));
    freex(text);
    text = p;
    return text;
}

cStrinx cDatex::toStrinx(char const* fmt, bool force) {
    if (null)
        return cStrinx();
    return cStrinx(toChars(fmt, force));
}

__int64 cDatex::toTimext() {
    return pack();
}

cDatex cDatex::toDatex() {
    return cDatex(*this);
}

void cDatex::set(__int64 t) {
    operator=(t);
}

void cDatex::set(char const* s, int len) {
    if (!s || len == 0 || !*s) {
        setNull();
        return;
    }
    int n = 0;
    if (len < 0)
        n = (int)strlen(s);
    else
        while (n < len && s[n])
            n++;
    char* copy = strndux((char*)s, n);
    _tmx tm = strtimex(copy, 0, 0);
    freex(copy);
    operator=(mktimex(tm));
}

void cDatex::set(double d) {
    operator=(doubleToTimex(d));
}

void cDatex::set(int year, int month, int day, int hour, int minute, int second, int msec) {
    operator=(mktimex(year, month, day, hour, minute, second, msec));
}

void cDatex::now() {
    time_t now = time(0);
    struct tm* lt = localtime(&now);
    if (!lt) {
        operator=(timex());
        return;
    }
    set(lt->tm_year + 1900, lt->tm_mon + 1, lt->tm_mday, lt->tm_hour, lt->tm_min, lt->tm_sec, 0);
}

void cDatex::setVarptr(cVariablex* v) {
    if (!v) {
        setNull();
        return;
    }
    operator=(v->toDatex());
}

void cDatex::recode(short codepage) {
    if (text && (codepage == 1 || codepage == 2))
        strx_recode(codepage, text, -1);
}

short cDatex::type() {
    return VTYPE_DATEX;
}

void cDatex::freesval() {
    freex(text);
    text = 0;
}

void cDatex::setDatexType(short t) {
    datexType = (t >= 0 && t <= 2) ? t : 0;
}

char* cDatex::getFormat() {
    return getDefaultFormat(datexType);
}

long cDatex::days() {
    return (long)(pack() / MS_DAY);
}

int cDatex::mday() { return unpack().day; }
int cDatex::month() { return unpack().month; }
int cDatex::year() { return unpack().year; }
int cDatex::hour() { return unpack().hour; }
int cDatex::minute() { return unpack().minute; }

float cDatex::second() {
    _tmx const& tm = unpack();
    return tm.second + tm.msec / 1000.0f;
}

int cDatex::yday() { return timex_yearday(pack()); }
int cDatex::wday() { return timex_weekday(pack()); }
int cDatex::yweek() { return timex_yearweek(pack()); }

char* cDatex::getDefaultFormat(short type) {
    if (type < 0 || type > 2)
        return g_noFormat;
    return g_formats[type];
}

void cDatex::setDefaultFormat(short type, char const* fmt) {
    if (type < 0 || type > 2)
        return;
    char* slot = g_formats[type];
    int n = 0;
    if (fmt)
        while (n < 100 && fmt[n]) {
            slot[n] = fmt[n];
            n++;
        }
    slot[n] = 0;
}

cDatex cDatex::addDays(int n) { return shifted(unpack(), 0, 0, n, 0, 0, 0.0f); }
cDatex cDatex::addMonths(int n) { return shifted(unpack(), 0, n, 0, 0, 0, 0.0f); }
cDatex cDatex::addYears(int n) { return shifted(unpack(), n, 0, 0, 0, 0, 0.0f); }
cDatex cDatex::addHours(int n) { return shifted(unpack(), 0, 0, 0, n, 0, 0.0f); }
cDatex cDatex::addMinutes(int n) { return shifted(unpack(), 0, 0, 0, 0, n, 0.0f); }
cDatex cDatex::addSeconds(float s) { return shifted(unpack(), 0, 0, 0, 0, 0, s); }

cDatex cDatex::addDate(int years, int months, int days) {
    return shifted(unpack(), years, months, days, 0, 0, 0.0f);
}

cDatex cDatex::addTime(int hours, int minutes, float seconds) {
    return shifted(unpack(), 0, 0, 0, hours, minutes, seconds);
}

cDatex cDatex::addDateTime(int years, int months, int days, int hours, int minutes, float seconds) {
    return shifted(unpack(), years, months, days, hours, minutes, seconds);
}

cDatex cDatex::trunc() {
    _tmx const& tm = unpack();
    return cDatex(mktimex(tm.year, tm.month, tm.day, 0, 0, 0, 0));
}

namespace {

inline cDatex typed(__int64 t, short type) {
    cDatex r(t);
    r.datexType = type;
    return r;
}

}  // namespace

cDatex operator+(cDatex const& a, cDatex const& b) {
    return typed(addWrap(a.pack(), b.pack()), a.datexType == b.datexType ? a.datexType : 0);
}

cDatex operator-(cDatex const& a, cDatex const& b) {
    return typed(subWrap(a.pack(), b.pack()), a.datexType == b.datexType ? a.datexType : 0);
}

cDatex operator+(cDatex const& a, __int64 ms) { return typed(addWrap(a.pack(), ms), a.datexType); }
cDatex operator+(__int64 ms, cDatex const& b) { return typed(addWrap(ms, b.pack()), b.datexType); }
cDatex operator-(cDatex const& a, __int64 ms) { return typed(subWrap(a.pack(), ms), a.datexType); }
cDatex operator-(__int64 ms, cDatex const& b) { return typed(subWrap(ms, b.pack()), b.datexType); }

/* Comparisons: 0 whenever a date operand is null, != included. */
int operator==(cDatex const& a, cDatex const& b) { return !a.null && !b.null && a.pack() == b.pack(); }
int operator==(cDatex const& a, __int64 b) { return !a.null && a.pack() == b; }
int operator==(__int64 a, cDatex const& b) { return !b.null && a == b.pack(); }
int operator!=(cDatex const& a, cDatex const& b) { return !a.null && !b.null && a.pack() != b.pack(); }
int operator!=(cDatex const& a, __int64 b) { return !a.null && a.pack() != b; }
int operator!=(__int64 a, cDatex const& b) { return !b.null && a != b.pack(); }
int operator<(cDatex const& a, cDatex const& b) { return !a.null && !b.null && a.pack() < b.pack(); }
int operator<(cDatex const& a, __int64 b) { return !a.null && a.pack() < b; }
int operator<(__int64 a, cDatex const& b) { return !b.null && a < b.pack(); }
int operator<=(cDatex const& a, cDatex const& b) { return !a.null && !b.null && a.pack() <= b.pack(); }
int operator<=(cDatex const& a, __int64 b) { return !a.null && a.pack() <= b; }
int operator<=(__int64 a, cDatex const& b) { return !b.null && a <= b.pack(); }
int operator>(cDatex const& a, cDatex const& b) { return !a.null && !b.null && a.pack() > b.pack(); }
int operator>(cDatex const& a, __int64 b) { return !a.null && a.pack() > b; }
int operator>(__int64 a, cDatex const& b) { return !b.null && a > b.pack(); }
int operator>=(cDatex const& a, cDatex const& b) { return !a.null && !b.null && a.pack() >= b.pack(); }
int operator>=(cDatex const& a, __int64 b) { return !a.null && a.pack() >= b; }
int operator>=(__int64 a, cDatex const& b) { return !b.null && a >= b.pack(); }
