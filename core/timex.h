/* The timex date-time scalar: milliseconds since the start of year 0. */
#ifndef VORCORE_TIMEX_H
#define VORCORE_TIMEX_H

#include "vorcore.h"

/* Broken-down date-time; all fields 0 is the empty date. */
struct _tmx {
    short year;
    unsigned char month;
    unsigned char day;
    unsigned char hour;
    unsigned char minute;
    unsigned char second;
    unsigned short msec;
};

/* Milliseconds of 1970-01-01 00:00:00. */
#define TIMEX_EPOCH_1970 62167219200000LL

VORCORE_API __int64 mktimex(int year, int month, int day, int hour, int minute, int second, int msec);
VORCORE_API __int64 mktimex(_tmx tm);
VORCORE_API _tmx gmtimex(__int64 t);
/* The record gmtimex(mktimex(...)) gives for these fields, without the round trip for a
   valid date and time of the years 1..9999. */
VORCORE_API _tmx tmxfields(int year, int month, int day, int hour, int minute, int second, int msec);
VORCORE_API __int64 timex();
VORCORE_API __int64 timet_to_timex(long secs);
VORCORE_API long timex_to_timet(__int64 t);

/* Printing by picture into one static buffer that the next call overwrites. */
VORCORE_API char* ctimex(__int64 t, char* picture);
VORCORE_API char* ctimex(_tmx tm, char* picture);

/* Parsing against a list of pictures; null means the built-in list. */
VORCORE_API _tmx strtimex(char const* text, char** pictures, int count);

VORCORE_API __int64 timex_trunc(__int64 t);
VORCORE_API char* timex_to_http(char* buf, __int64 t);
VORCORE_API int timex_leap(__int64 t);
VORCORE_API int timex_yearday(__int64 t);
VORCORE_API short timex_weekday(__int64 t);
VORCORE_API short timex_strweekday(__int64 t, char* buf);
VORCORE_API int timex_yearweek(__int64 t);

#endif
