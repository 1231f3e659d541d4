#include "timex.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

const __int64 kDay = 86400000LL;

std::string print(__int64 t, const char* picture) {
    return ctimex(t, const_cast<char*>(picture));
}

_tmx parse(const char* text) {
    return strtimex(text, nullptr, 0);
}

_tmx parseWith(const char* text, const char* picture) {
    char* list[] = {const_cast<char*>(picture)};
    return strtimex(text, list, 1);
}

void expectFields(const _tmx& tm, int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    EXPECT_EQ(y, tm.year);
    EXPECT_EQ(mo, tm.month);
    EXPECT_EQ(d, tm.day);
    EXPECT_EQ(h, tm.hour);
    EXPECT_EQ(mi, tm.minute);
    EXPECT_EQ(s, tm.second);
    EXPECT_EQ(ms, tm.msec);
}

}  // namespace

TEST(Timex, MakeFoldsFields) {
    EXPECT_EQ(62167219200000LL, mktimex(1970, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(366 * kDay, mktimex(1, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(0, mktimex(0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(3723004LL, mktimex(0, 0, 0, 1, 2, 3, 4));  // empty date keeps the time
    EXPECT_EQ(mktimex(2024, 3, 2, 1, 0, 0, 0), mktimex(2024, 3, 1, 25, 0, 0, 0));
    EXPECT_EQ(mktimex(2024, 2, 29, 0, 0, 0, 0), mktimex(2024, 3, 0, 0, 0, 0, 0));
    EXPECT_EQ(mktimex(2023, 3, 1, 0, 0, 0, 0) - kDay, mktimex(2023, 2, 28, 0, 0, 0, 0));
    EXPECT_EQ(mktimex(1900, 3, 1, 0, 0, 0, 0) - kDay, mktimex(1900, 2, 28, 0, 0, 0, 0));

    /* Months past 12 carry years; 0 and below count as January. */
    EXPECT_EQ(mktimex(2025, 1, 15, 0, 0, 0, 0), mktimex(2024, 13, 15, 0, 0, 0, 0));
    EXPECT_EQ(mktimex(2025, 2, 15, 0, 0, 0, 0), mktimex(2024, 14, 15, 0, 0, 0, 0));
    EXPECT_EQ(mktimex(2026, 1, 1, 0, 0, 0, 0), mktimex(2024, 25, 1, 0, 0, 0, 0));
    EXPECT_EQ(mktimex(2024, 1, 9, 0, 0, 0, 0), mktimex(2024, 0, 9, 0, 0, 0, 0));
    EXPECT_EQ(mktimex(2024, 1, 9, 0, 0, 0, 0), mktimex(2024, -40, 9, 0, 0, 0, 0));

    _tmx tm = {1994, 11, 6, 8, 49, 37, 250};
    EXPECT_EQ(mktimex(1994, 11, 6, 8, 49, 37, 250), mktimex(tm));

    /* Wild values saturate instead of overflowing. */
    EXPECT_EQ(LLONG_MAX, mktimex(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
    EXPECT_EQ(LLONG_MIN, mktimex(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN));
}

TEST(Timex, BreakDown) {
    expectFields(gmtimex(0), 0, 0, 0, 0, 0, 0);
    expectFields(gmtimex(3723004), 0, 0, 0, 1, 2, 3, 4);
    expectFields(gmtimex(mktimex(2024, 3, 5, 9, 7, 2, 999)), 2024, 3, 5, 9, 7, 2, 999);
    expectFields(gmtimex(mktimex(2000, 2, 29, 23, 59, 59, 0)), 2000, 2, 29, 23, 59, 59);
    expectFields(gmtimex(mktimex(2100, 3, 1, 0, 0, 0, 0) - 1), 2100, 2, 28, 23, 59, 59, 999);

    /* Year boundaries over several 400-year cycles match the day count of mktimex. */
    for (int y = 1; y <= 2500; y++) {
        __int64 t = mktimex(y, 1, 1, 0, 0, 0, 0);
        _tmx a = gmtimex(t), b = gmtimex(t - 1);
        ASSERT_EQ(y, a.year);
        ASSERT_EQ(1, a.month);
        ASSERT_EQ(1, a.day);
        ASSERT_EQ(y - 1, b.year);
        ASSERT_EQ(12, b.month);
        ASSERT_EQ(31, b.day);
    }
    /* Every day of a leap cycle survives the round trip. */
    for (__int64 t = mktimex(1999, 12, 25, 12, 0, 0, 0); t < mktimex(2004, 1, 5, 0, 0, 0, 0); t += kDay)
        ASSERT_EQ(t, mktimex(gmtimex(t)));
    __int64 far = mktimex(32767, 6, 30, 1, 2, 3, 4);
    EXPECT_EQ(far, mktimex(gmtimex(far)));

    /* Negative values are empty; values past the last year clamp to its end. */
    expectFields(gmtimex(-1), 0, 0, 0, 0, 0, 0);
    expectFields(gmtimex(LLONG_MIN), 0, 0, 0, 0, 0, 0);
    expectFields(gmtimex(LLONG_MAX), 32767, 12, 31, 23, 59, 59, 999);
}

TEST(Timex, UnixSeconds) {
    EXPECT_EQ(TIMEX_EPOCH_1970 + 1700000000000LL, timet_to_timex(1700000000L));
    EXPECT_EQ(TIMEX_EPOCH_1970 - 5000, timet_to_timex(-5L));
    EXPECT_EQ(1700000000L, timex_to_timet(TIMEX_EPOCH_1970 + 1700000000999LL));
    EXPECT_EQ(0L, timex_to_timet(TIMEX_EPOCH_1970 - 500));
    EXPECT_EQ(-1L, timex_to_timet(TIMEX_EPOCH_1970 - 1500));
    if (sizeof(long) < 8) {
        EXPECT_EQ(LONG_MIN, timex_to_timet(LLONG_MIN));
        EXPECT_EQ(LONG_MAX, timex_to_timet(LLONG_MAX));
    } else {
        EXPECT_EQ(LLONG_MIN / 1000 - TIMEX_EPOCH_1970 / 1000, (__int64)timex_to_timet(LLONG_MIN));
        EXPECT_EQ(LLONG_MAX / 1000 - TIMEX_EPOCH_1970 / 1000, (__int64)timex_to_timet(LLONG_MAX));
    }
    __int64 now = timex();
    EXPECT_LE(llabs(now - timet_to_timex((long)time(nullptr))), 2000LL);
}

TEST(Timex, Printing) {
    __int64 t = mktimex(2024, 3, 5, 9, 7, 2, 0);
    EXPECT_EQ("05.03.2024 09:07:02", print(t, "DD.MM.YYYY hh:mm:ss"));
    EXPECT_EQ("5.3.24 9:7", print(t, "D.M.YY h:m"));
    EXPECT_EQ("05 March 2024", print(t, "DD MMMM YYYY"));
    EXPECT_EQ("Mar", print(t, "MMM"));
    EXPECT_EQ("March", print(t, "MMMMMM"));
    EXPECT_EQ("[2][2024]\\2", print(t, "[s][YYY]\\s"));
    EXPECT_EQ("05.03.2024 09:07:02", print(t, nullptr));
    EXPECT_EQ("05.03.2024 09:07:02", print(t, ""));
    EXPECT_EQ("00.00.0 00:00:00", print(0, nullptr));
    EXPECT_EQ("0 0", print(0, "MMM MMMM"));
    EXPECT_EQ("5", print(mktimex(5, 1, 1, 0, 0, 0, 0), "YY"));
    EXPECT_EQ("05", print(mktimex(2005, 1, 1, 0, 0, 0, 0), "Y"));
    // Four letters: a year below 1000 keeps its zeros, so that the text reads back the same.
    EXPECT_EQ("0001-01-01 / 1 / 0987", print(mktimex(1, 1, 1, 0, 0, 0, 0), "YYYY-MM-DD / YYY / ") +
                                          print(mktimex(987, 1, 1, 0, 0, 0, 0), "YYYY"));

    /* Pictures of 31 characters or more fall back to the default; 30 are honoured. */
    std::string p30(30, 'x'), p31(31, 'x');
    EXPECT_EQ(p30, print(t, p30.c_str()));
    EXPECT_EQ("05.03.2024 09:07:02", print(t, p31.c_str()));

    /* Long expansions stay inside the buffer. */
    __int64 sep = mktimex(2024, 9, 30, 0, 0, 0, 0);
    EXPECT_EQ(59u, print(sep, "MMMM MMMM MMMM MMMM MMMM MMMM").size());
    _tmx wild = {-32768, 255, 255, 255, 255, 255, 0};
    std::string out = ctimex(wild, const_cast<char*>("DhDhDhDhDhDhDhDhDhDhDhDhDhDhDh"));
    EXPECT_EQ(90u, out.size());
    EXPECT_EQ("255 255 -32768 68", std::string(ctimex(wild, const_cast<char*>("MMMM MMM YYYY Y"))));
}

TEST(Timex, Parsing) {
    expectFields(parse("2024-05-06"), 2024, 5, 6, 0, 0, 0);
    expectFields(parse("06.05.2024 13:45"), 2024, 5, 6, 13, 45, 0);
    expectFields(parse("06.05.24 13:45"), 24, 5, 6, 13, 45, 0);
    expectFields(parse("5/6/2024"), 2024, 5, 6, 0, 0, 0);
    expectFields(parse("12:30"), 0, 0, 0, 12, 30, 0);
    expectFields(parse("12:30:15 31.12.1999"), 1999, 12, 31, 12, 30, 15);
    expectFields(parse("2024-05-06 \t 07:08:09 trailing"), 2024, 5, 6, 7, 8, 9);
    expectFields(parse("abc"), 0, 0, 0, 0, 0, 0);
    expectFields(parse(""), 0, 0, 0, 0, 0, 0);
    expectFields(parse("32.01.2024"), 0, 0, 0, 0, 0, 0);
    expectFields(parse("00:00"), 0, 0, 0, 0, 0, 0);
    expectFields(strtimex(nullptr, nullptr, 0), 0, 0, 0, 0, 0, 0);

    expectFields(parseWith("1.1.50", "DD.MM.YY"), 2050, 1, 1, 0, 0, 0);
    expectFields(parseWith("1.1.51", "DD.MM.YY"), 1951, 1, 1, 0, 0, 0);
    expectFields(parseWith("1.1.2024", "DD.MM.YYY"), 0, 0, 0, 0, 0, 0);
    expectFields(parseWith("1.13.2024", "DD.MM.YYYY"), 0, 0, 0, 0, 0, 0);
    expectFields(parseWith("24:00", "hh:mm"), 0, 0, 0, 0, 0, 0);
    expectFields(parseWith("1 2", "D M"), 0, 2, 1, 0, 0, 0);
    expectFields(parseWith("1x2", "D M"), 0, 0, 0, 0, 0, 0);

    /* A caller's list is tried in order; null entries are passed over. */
    char* list[] = {const_cast<char*>("YYYY"), nullptr, const_cast<char*>("hh:mm")};
    expectFields(strtimex("0:15", list, 3), 0, 0, 0, 0, 15, 0);
    expectFields(strtimex("0:15", list, 1), 0, 0, 0, 0, 0, 0);
}

TEST(Timex, CalendarHelpers) {
    __int64 epoch = mktimex(1970, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(4, timex_weekday(epoch));
    EXPECT_EQ(4, timex_weekday(epoch + kDay - 1));
    EXPECT_EQ(1, timex_weekday(mktimex(1, 1, 1, 0, 0, 0, 0)));
    for (__int64 t : {0LL, -1LL, LLONG_MIN, LLONG_MAX}) {
        short w = timex_weekday(t);
        EXPECT_TRUE(w >= 0 && w <= 6) << t;
    }
    char name[8];
    EXPECT_EQ(0, timex_strweekday(mktimex(1994, 11, 6, 0, 0, 0, 0), name));
    EXPECT_STREQ("Sun", name);

    char buf[30];
    EXPECT_STREQ("Sun, 06 Nov 1994 08:49:37 GMT", timex_to_http(buf, mktimex(1994, 11, 6, 8, 49, 37, 0)));
    EXPECT_STREQ("Mon, 01 Jan 0001 00:00:00 GMT", timex_to_http(buf, -5));
    EXPECT_STREQ("Fri, 31 Dec 9999 23:59:59 GMT", timex_to_http(buf, LLONG_MAX));

    EXPECT_EQ(61, timex_yearday(mktimex(2024, 3, 1, 0, 0, 0, 0)));
    EXPECT_EQ(60, timex_yearday(mktimex(2023, 3, 1, 0, 0, 0, 0)));
    EXPECT_EQ(366, timex_yearday(mktimex(2024, 12, 31, 0, 0, 0, 0)));
    EXPECT_EQ(0, timex_yearday(0));
    EXPECT_EQ(1, timex_leap(mktimex(2000, 6, 1, 0, 0, 0, 0)));
    EXPECT_EQ(0, timex_leap(mktimex(1900, 6, 1, 0, 0, 0, 0)));
    EXPECT_EQ(10, timex_yearweek(mktimex(2024, 3, 5, 0, 0, 0, 0)));
    EXPECT_EQ(2, timex_yearweek(mktimex(2023, 1, 1, 0, 0, 0, 0)));  // Sunday counts as 7

    EXPECT_EQ(mktimex(2024, 3, 5, 0, 0, 0, 0), timex_trunc(mktimex(2024, 3, 5, 23, 59, 59, 999)));
    EXPECT_EQ(0, timex_trunc(3723004));
    EXPECT_EQ(0, timex_trunc(-1));
}

/* The shortcut for valid fields gives exactly what the round trip gives, and leaves every
   other combination to it. */
TEST(Timex, FieldsAsTheRoundTripGivesThem) {
    int const years[] = {-1, 0, 1, 4, 100, 1900, 1999, 2000, 2023, 2024, 2100, 9999, 10000, 32767};
    int const days[] = {-1, 0, 1, 28, 29, 30, 31, 32};
    int const times[][4] = {{0, 0, 0, 0}, {23, 59, 59, 999}, {24, 0, 0, 0}, {12, 60, 0, 0},
                            {1, 2, 60, 0}, {1, 2, 3, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -5}};
    for (int y : years)
        for (int mo = -1; mo <= 14; mo++)
            for (int d : days)
                for (auto const& t : times) {
                    _tmx a = tmxfields(y, mo, d, t[0], t[1], t[2], t[3]);
                    _tmx b = gmtimex(mktimex(y, mo, d, t[0], t[1], t[2], t[3]));
                    ASSERT_TRUE(a.year == b.year && a.month == b.month && a.day == b.day &&
                                a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
                                a.msec == b.msec)
                        << y << "-" << mo << "-" << d << " " << t[0] << ":" << t[1] << ":" << t[2]
                        << "." << t[3];
                }
}
