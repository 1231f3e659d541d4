/* The timex date-time scalar: conversion, printing by picture, parsing, calendar helpers. */
#include "timex.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

const __int64 kMsPerDay = 86400000LL;

const char* const kMonthShort[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthLong[13] = {"",        "January",  "February", "March",  "April",
                                    "May",     "June",     "July",     "August", "September",
                                    "October", "November", "December"};
const char* const kDayShort[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

const char* const kDefaultPicture = "DD.MM.YYYY hh:mm:ss";

const char* const kParsePictures[] = {
    "hh:mm:ss DD.MM.YYYY", "hh:mm:ss DD.MM.YY", "hh:mm:ss YYYY-MM-DD", "hh:mm:ss MM/DD/YYYY",
    "hh:mm DD.MM.YYYY",    "hh:mm DD.MM.YY",    "hh:mm YYYY-MM-DD",    "hh:mm MM/DD/YYYY",
    "DD.MM.YYYY hh:mm:ss", "DD.MM.YY hh:mm:ss", "YYYY-MM-DD hh:mm:ss", "MM/DD/YYYY hh:mm:ss",
    "DD.MM.YYYY hh:mm",    "DD.MM.YY hh:mm",    "YYYY-MM-DD hh:mm",    "MM/DD/YYYY hh:mm",
    "DD.MM.YYYY",          "DD.MM.YY",          "YYYY-MM-DD",          "MM/DD/YYYY",
    "hh:mm",               "hh:mm:ss"};
const int kParsePictureCount = (int)(sizeof kParsePictures / sizeof kParsePictures[0]);

bool isLeap(__int64 y) {
    return y % 400 == 0 || (y % 4 == 0 && y % 100 != 0);
}

__int64 floorDiv(__int64 a, __int64 b) {
    __int64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

/* Day number of January 1 of year y (year 0 starts at day 0). */
__int64 yearStart(__int64 y) {
    __int64 p = y - 1;
    return 365 * y + floorDiv(p, 4) - floorDiv(p, 100) + floorDiv(p, 400) + 1;
}

/* Saturating 64-bit arithmetic, so wild field values never overflow. */
__int64 satAdd(__int64 a, __int64 b) {
    __int64 r;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? LLONG_MAX : LLONG_MIN;
    return r;
}

__int64 satMul(__int64 a, __int64 b) {
    __int64 r;
    if (__builtin_mul_overflow(a, b, &r))
        return ((a < 0) != (b < 0)) ? LLONG_MIN : LLONG_MAX;
    return r;
}

/* Last moment whose year still fits the record: 32767-12-31 23:59:59.999. */
__int64 maxTimex() {
    return (yearStart(32768) * 24 * 60 * 60) * 1000 - 1;
}

/* Bounded output into the ctimex buffer. */
struct Out {
    char* buf;
    size_t cap;
    size_t len;
    void put(char c) {
        if (len + 1 < cap)
            buf[len++] = c;
    }
    void puts(const char* s) {
        while (*s)
            put(*s++);
    }
    void number(int v, bool pad) {
        char tmp[16];
        int n = 0;
        bool neg = v < 0;
        unsigned u = neg ? 0u - (unsigned)v : (unsigned)v;
        do {
            tmp[n++] = (char)('0' + u % 10);
            u /= 10;
        } while (u);
        if (neg)
            tmp[n++] = '-';
        else if (pad && n == 1)
            tmp[n++] = '0';
        while (n)
            put(tmp[--n]);
    }
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/* Reads up to maxDigits digits; none reads 0. */
int readDigits(const char*& p, int maxDigits) {
    int v = 0;
    for (int i = 0; i < maxDigits && isDigit(*p); i++, p++)
        v = v * 10 + (*p - '0');
    return v;
}

/* One picture against the text; false when a step fails. */
bool parseWith(const char* text, const char* pic, _tmx& tm) {
    const char* t = text;
    const char* p = pic;
    while (*t && *p) {
        char c = *p;
        int run = 0;
        while (p[run] == c)
            run++;
        p += run;
        switch (c) {
        case ' ':
            if (*t != ' ' && *t != '\t')
                return false;
            while (*t == ' ' || *t == '\t')
                t++;
            break;
        case 'D': {
            int v = readDigits(t, 2);
            if (v < 1 || v > 31)
                return false;
            tm.day = (unsigned char)v;
            break;
        }
        case 'M': {
            int v = readDigits(t, 2);
            if (v < 1 || v > 12)
                return false;
            tm.month = (unsigned char)v;
            break;
        }
        case 'h': {
            int v = readDigits(t, 2);
            if (v > 23)
                return false;
            tm.hour = (unsigned char)v;
            break;
        }
        case 'm':
        case 's': {
            int v = readDigits(t, 2);
            if (v > 59)
                return false;
            if (c == 'm')
                tm.minute = (unsigned char)v;
            else
                tm.second = (unsigned char)v;
            break;
        }
        case 'Y':
            if (run == 2) {
                int v = readDigits(t, 2);
                tm.year = (short)(v <= 50 ? 2000 + v : 1900 + v);
            } else if (run == 4) {
                tm.year = (short)readDigits(t, 4);
            } else {
                return false;
            }
            break;
        default:
            if (*t != c)
                return false;
            t++;
            break;
        }
    }
    return true;
}

}  // namespace

/* Months 13 and above carry whole years (13 is January of the next year, 25 January of the
   one after); months 0 and below count as January of the given year. */
__int64 mktimex(int year, int month, int day, int hour, int minute, int second, int msec) {
    __int64 days = 0;
    if (year != 0 || month != 0 || day != 0) {
        __int64 y = year;
        int m = month;
        if (m > 12) {
            y += (m - 1) / 12;
            m = (m - 1) % 12 + 1;
        } else if (m < 1) {
            m = 1;
        }
        days = yearStart(y) + kDaysBefore[m - 1] + ((m > 2 && isLeap(y)) ? 1 : 0) + ((__int64)day - 1);
    }
    __int64 t = satAdd(satMul(days, 24), hour);
    t = satAdd(satMul(t, 60), minute);
    t = satAdd(satMul(t, 60), second);
    return satAdd(satMul(t, 1000), msec);
}

__int64 mktimex(_tmx tm) {
    return mktimex(tm.year, tm.month, tm.day, tm.hour, tm.minute, tm.second, tm.msec);
}

_tmx tmxfields(int year, int month, int day, int hour, int minute, int second, int msec) {
    if (year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
        day <= kMonthDays[month - 1] + ((month == 2 && isLeap(year)) ? 1 : 0) && hour >= 0 &&
        hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && msec >= 0 &&
        msec < 1000) {
        _tmx tm = {(short)year,         (unsigned char)month,  (unsigned char)day,
                   (unsigned char)hour, (unsigned char)minute, (unsigned char)second,
                   (unsigned short)msec};
        return tm;
    }
    return gmtimex(mktimex(year, month, day, hour, minute, second, msec));
}

/* Negative values lie before the calendar and give the empty record; values past
   32767-12-31 23:59:59.999 give that last representable moment. */
_tmx gmtimex(__int64 t) {
    _tmx tm = {0, 0, 0, 0, 0, 0, 0};
    if (t <= 0)
        return tm;
    __int64 top = maxTimex();
    if (t > top)
        t = top;
    tm.msec = (unsigned short)(t % 1000);
    t /= 1000;
    tm.second = (unsigned char)(t % 60);
    t /= 60;
    tm.minute = (unsigned char)(t % 60);
    t /= 60;
    tm.hour = (unsigned char)(t % 24);
    __int64 d = t / 24;
    if (d == 0)
        return tm;
    /* Estimate the year from the 400-year cycle of 146097 days, then settle it. */
    __int64 y = d * 400 / 146097;
    while (y > 0 && yearStart(y) > d)
        y--;
    while (yearStart(y + 1) <= d)
        y++;
    __int64 rest = d - yearStart(y);
    int m = 0;
    for (; m < 11; m++) {
        int len = kMonthDays[m] + ((m == 1 && isLeap(y)) ? 1 : 0);
        if (rest < len)
            break;
        rest -= len;
    }
    tm.year = (short)y;
    tm.month = (unsigned char)(m + 1);
    tm.day = (unsigned char)(rest + 1);
    return tm;
}

__int64 timex() {
    return satAdd(TIMEX_EPOCH_1970, satMul((__int64)time(nullptr), 1000));
}

__int64 timet_to_timex(long secs) {
    return satAdd(mktimex(1970, 1, 1, 0, 0, 0, 0), satMul((__int64)secs, 1000));
}

/* Results beyond the range of long are clamped. */
long timex_to_timet(__int64 t) {
    __int64 s = t / 1000 - TIMEX_EPOCH_1970 / 1000;
    /* Same as (t - epoch) / 1000 truncated, without the subtraction overflowing. */
    if (t % 1000 > 0 && s < 0)
        s++;
    if (s > LONG_MAX)
        return LONG_MAX;
    if (s < LONG_MIN)
        return LONG_MIN;
    return (long)s;
}

char* ctimex(__int64 t, char* picture) {
    return ctimex(gmtimex(t), picture);
}

/* The buffer holds the longest text a 30-character picture can give (three digits per
   letter); output is cut at its end all the same. */
char* ctimex(_tmx tm, char* picture) {
    static thread_local char buffer[128];  // one per thread: the export formats dates on its own
    Out out = {buffer, sizeof buffer, 0};
    const char* pic = picture;
    if (!pic || !*pic || strlen(pic) >= 31)
        pic = kDefaultPicture;
    while (*pic) {
        char c = *pic;
        if (c != 'D' && c != 'M' && c != 'Y' && c != 'h' && c != 'm' && c != 's') {
            out.put(c);
            pic++;
            continue;
        }
        int run = 0;
        while (pic[run] == c)
            run++;
        pic += run;
        bool pad = run >= 2;
        switch (c) {
        case 'D':
            out.number(tm.day, pad);
            break;
        case 'h':
            out.number(tm.hour, pad);
            break;
        case 'm':
            out.number(tm.minute, pad);
            break;
        case 's':
            out.number(tm.second, pad);
            break;
        case 'M':
            if (run >= 4 && tm.month >= 1 && tm.month <= 12)
                out.puts(kMonthLong[tm.month]);
            else if (run == 3 && tm.month >= 1 && tm.month <= 12)
                out.puts(kMonthShort[tm.month]);
            else
                out.number(tm.month, run == 2);
            break;
        case 'Y':
            if (run >= 3) {
                // Four letters give four digits: "1-01-01" would be read back as 2001.
                for (int d = 1000; run >= 4 && tm.year > 0 && tm.year < d; d /= 10)
                    out.put('0');
                out.number(tm.year, false);
            } else {
                char tmp[16];
                Out y = {tmp, sizeof tmp, 0};
                y.number(tm.year, false);
                tmp[y.len] = 0;
                out.puts(y.len > 2 ? tmp + y.len - 2 : tmp);
            }
            break;
        }
    }
    buffer[out.len] = 0;
    return buffer;
}

/* Null entries of a caller's list are skipped; the built-in list is always tried whole. */
_tmx strtimex(char const* text, char** pictures, int count) {
    const _tmx empty = {0, 0, 0, 0, 0, 0, 0};
    if (!text)
        return empty;
    bool builtin = !pictures || !pictures[0];
    int n = builtin ? kParsePictureCount : count;
    for (int i = 0; i < n; i++) {
        const char* pic = builtin ? kParsePictures[i] : pictures[i];
        if (!pic)
            continue;
        _tmx tm = empty;
        if (!parseWith(text, pic, tm))
            continue;
        if (tm.year || tm.month || tm.day || tm.hour || tm.minute || tm.second)
            return tm;
    }
    return empty;
}

/* Negative values have no date and truncate to the empty date. */
__int64 timex_trunc(__int64 t) {
    if (t < 0)
        return 0;
    return t - t % kMsPerDay;
}

/* Values outside 0001-01-01 .. 9999-12-31 23:59:59 are clamped to that range, so the text
   is always 29 characters. */
char* timex_to_http(char* buf, __int64 t) {
    static const __int64 lo = mktimex(1, 1, 1, 0, 0, 0, 0);
    static const __int64 hi = mktimex(9999, 12, 31, 23, 59, 59, 999);
    if (t < lo)
        t = lo;
    if (t > hi)
        t = hi;
    _tmx tm = gmtimex(t);
    char text[64];
    snprintf(text, sizeof text, "%3s, %02d %3s %04d %02d:%02d:%02d GMT",
             kDayShort[timex_weekday(t)], (int)tm.day, kMonthShort[tm.month], (int)tm.year,
             (int)tm.hour, (int)tm.minute, (int)tm.second);
    text[29] = 0;
    strcpy(buf, text);
    return buf;
}

int timex_leap(__int64 t) {
    return isLeap(gmtimex(t).year) ? 1 : 0;
}

/* The empty date has no day of the year: 0. */
int timex_yearday(__int64 t) {
    _tmx tm = gmtimex(t);
    if (tm.month < 1 || tm.month > 12)
        return 0;
    return kDaysBefore[tm.month - 1] + ((tm.month > 2 && isLeap(tm.year)) ? 1 : 0) + tm.day;
}

/* The day number is taken with floor division, so the result is always 0..6. */
short timex_weekday(__int64 t) {
    __int64 d = floorDiv(t, kMsPerDay) - 1;
    __int64 w = d % 7;
    return (short)(w < 0 ? w + 7 : w);
}

short timex_strweekday(__int64 t, char* buf) {
    short w = timex_weekday(t);
    if (buf)
        strcpy(buf, kDayShort[w]);
    return w;
}

int timex_yearweek(__int64 t) {
    _tmx tm = gmtimex(t);
    int w = timex_weekday(mktimex(tm.year, 1, 1, 0, 0, 0, 0));
    if (w == 0)
        w = 7;
    return (timex_yearday(t) + w) / 7 + 1;
}
