#include "values.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ymd(cDatex d) {
    return d.toChars("YYYY-MM-DD hh:mm:ss", true);
}

/* Restores the process-wide default pictures after a test changes them. */
struct DefaultFormats {
    std::string saved[3];
    DefaultFormats() {
        for (short i = 0; i < 3; i++)
            saved[i] = cDatex::getDefaultFormat(i);
    }
    ~DefaultFormats() {
        for (short i = 0; i < 3; i++)
            cDatex::setDefaultFormat(i, saved[i].c_str());
    }
};

}  // namespace

TEST(Datex, PrintsByTypeAndDefaultPicture) {
    DefaultFormats keep;
    cDatex d(2024, 5, 6, 13, 45, 0, 0);
    EXPECT_EQ(4, d.type());
    EXPECT_STREQ("2024-05-06 13:45:00", d.toChars(nullptr, true));
    d.setDatexType(1);
    EXPECT_STREQ("2024-05-06 13:45:00", d.toChars(nullptr, false));  // cached
    EXPECT_STREQ("2024-05-06", d.toChars(nullptr, true));
    cDatex::setDefaultFormat(1, "DD.MM.YYYY");
    EXPECT_STREQ("06.05.2024", d.toChars(nullptr, true));
    EXPECT_STREQ("DD.MM.YYYY", d.getFormat());
    d.setDatexType(2);
    EXPECT_STREQ("13:45:00", d.toStrinx("", true).text);
    EXPECT_STREQ("May", d.toChars("MMM", true));
    d.setDatexType(7);
    EXPECT_EQ(0, d.datexType);

    EXPECT_STREQ("", cDatex::getDefaultFormat(3));
    EXPECT_STREQ("", cDatex::getDefaultFormat(-1));
    std::string longPic(150, 'x');
    cDatex::setDefaultFormat(0, longPic.c_str());
    EXPECT_EQ(std::string(100, 'x'), cDatex::getDefaultFormat(0));
    cDatex::setDefaultFormat(9, "ignored");
    cDatex::setDefaultFormat(2, nullptr);
    EXPECT_STREQ("", cDatex::getDefaultFormat(2));
}

TEST(Datex, NullRules) {
    cDatex n;
    EXPECT_TRUE(n.isNull());
    EXPECT_STREQ("", n.toChars(nullptr, true));
    EXPECT_TRUE(n.toStrinx(nullptr, true).isNull());
    EXPECT_EQ(0, n == n);
    EXPECT_EQ(0, n != n);
    EXPECT_EQ(0, n <= (__int64)0);
    EXPECT_EQ(0, (__int64)0 >= n);
    cDatex d(2024, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(0, d != n);
    EXPECT_EQ(0, n < d);
    EXPECT_FALSE(n.toNumbex().isNull());

    d.setNull();
    EXPECT_TRUE(d.isNull());
    EXPECT_EQ(0, d.toTimext());
    cStrinx empty;
    cDatex x(mktimex(2000, 1, 1, 0, 0, 0, 0));
    x.setVarptr(&empty);
    EXPECT_EQ(0, x.toTimext());
    EXPECT_FALSE(x.isNull());  // an empty text parses to the empty date
}

TEST(Datex, ParsesText) {
    cDatex d;
    d.set("31.12.1999", -1);
    EXPECT_EQ("1999-12-31 00:00:00", ymd(d));
    d.set("31.12.99", -1);
    EXPECT_EQ(99, d.year());
    d.set("31.12.1999 garbage", 10);
    EXPECT_EQ(1999, d.year());
    d.set("2024-05-06 13:45", -1);
    EXPECT_EQ("2024-05-06 13:45:00", ymd(d));
    d.set("abc", -1);
    EXPECT_FALSE(d.isNull());
    EXPECT_EQ(0, d.toTimext());
    d.set("", -1);
    EXPECT_TRUE(d.isNull());
    d.set("31.12.1999", 0);
    EXPECT_TRUE(d.isNull());

    d.set(62167219200000.0);
    EXPECT_EQ("1970-01-01 00:00:00", ymd(d));
    d.set((__int64)86400000LL * 366);
    EXPECT_EQ("0001-01-01 00:00:00", ymd(d)) << "four year digits read back the same";
}

TEST(Datex, PackingAndFields) {
    cDatex d(2024, 3, 1, 10, 20, 30, 250);
    EXPECT_TRUE(d.packed);
    EXPECT_EQ(20, d.minute());
    EXPECT_FALSE(d.packed);  // reading a field unpacks
    EXPECT_EQ(1, d.mday());
    EXPECT_EQ(3, d.month());
    EXPECT_EQ(2024, d.year());
    EXPECT_EQ(10, d.hour());
    EXPECT_FLOAT_EQ(30.25f, d.second());
    EXPECT_EQ(61, d.yday());
    EXPECT_TRUE(d.packed);  // and the timex readings pack again
    EXPECT_EQ(mktimex(2024, 3, 1, 10, 20, 30, 250), d.toTimext());
    EXPECT_EQ((double)d.toTimext(), d.toDouble());
    EXPECT_EQ((double)d.toTimext(), d.toNumbex().value);

    cDatex epoch(1970, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(4, epoch.wday());
    EXPECT_EQ(timex_yearweek(epoch.toTimext()), epoch.yweek());
    EXPECT_EQ(62167219200000LL / 86400000LL, epoch.days());

    cDatex unpacked(d);
    unpacked.minute();
    cDatex copy(unpacked);  // copies the unpacked form as it is
    EXPECT_FALSE(copy.packed);
    EXPECT_EQ(d.toTimext(), copy.toTimext());
    cDatex viaPtr(&copy);
    EXPECT_EQ(d.toTimext(), viaPtr.toTimext());

    cDatex now;
    now.now();
    EXPECT_FALSE(now.isNull());
    EXPECT_GE(now.year(), 2024);
}

TEST(Datex, CalendarArithmetic) {
    cDatex jan31(2024, 1, 31, 8, 0, 0, 0);
    EXPECT_EQ("2024-03-02 08:00:00", ymd(jan31.addMonths(1)));
    EXPECT_EQ("2024-02-15 00:00:00", ymd(cDatex(2024, 3, 15, 0, 0, 0, 0).addMonths(-1)));
    EXPECT_EQ("2026-02-15 00:00:00", ymd(cDatex(2024, 1, 15, 0, 0, 0, 0).addMonths(25)));
    EXPECT_EQ("2022-12-15 00:00:00", ymd(cDatex(2024, 1, 15, 0, 0, 0, 0).addMonths(-13)));
    EXPECT_EQ("2023-12-15 00:00:00", ymd(cDatex(2024, 12, 15, 0, 0, 0, 0).addMonths(-12)));
    EXPECT_EQ("2024-01-01 00:00:00", ymd(cDatex(2023, 12, 31, 0, 0, 0, 0).addDays(1)));
    EXPECT_EQ("2023-12-31 00:00:00", ymd(cDatex(2024, 1, 1, 0, 0, 0, 0).addDays(-1)));
    EXPECT_EQ("2025-03-01 00:00:00", ymd(cDatex(2024, 2, 29, 0, 0, 0, 0).addYears(1)));
    EXPECT_EQ("2024-02-01 09:00:00", ymd(jan31.addHours(25)));
    EXPECT_EQ("2024-01-31 07:59:00", ymd(jan31.addMinutes(-1)));
    EXPECT_EQ("2025-03-04 10:30:15", ymd(jan31.addDateTime(1, 1, 1, 2, 30, 15.0f)));
    EXPECT_EQ("2023-11-01 00:00:00", ymd(cDatex(2024, 1, 31, 0, 0, 0, 0).addDate(0, -3, 1)));
    EXPECT_EQ("2024-01-31 09:01:00", ymd(jan31.addTime(1, 0, 60.0f)));

    cDatex ten(2024, 1, 1, 10, 0, 0, 0);
    cDatex later = ten.addSeconds(1.5f);
    EXPECT_EQ(mktimex(2024, 1, 1, 10, 0, 1, 500), later.toTimext());
    EXPECT_EQ(mktimex(2024, 1, 1, 9, 59, 58, 500), ten.addSeconds(-1.5f).toTimext());

    jan31.setDatexType(1);
    cDatex r = jan31.addDays(1);
    EXPECT_EQ(0, r.datexType);
    EXPECT_TRUE(r.packed);
    EXPECT_FALSE(r.isNull());
    EXPECT_FALSE(jan31.packed);  // the source is only unpacked
    EXPECT_EQ("2024-01-31 00:00:00", ymd(jan31.trunc()));
}

TEST(Datex, OperatorsAndAssignment) {
    cDatex a(2024, 1, 1, 0, 0, 0, 0), b(2024, 1, 2, 0, 0, 0, 0);
    cDatex diff = b - a;
    EXPECT_EQ(86400000LL, diff.toTimext());
    EXPECT_EQ(1, diff.days());
    EXPECT_EQ(b.toTimext(), (a + diff).toTimext());
    EXPECT_EQ(b.toTimext(), (a + (__int64)86400000LL).toTimext());
    EXPECT_EQ(b.toTimext(), ((__int64)86400000LL + a).toTimext());
    EXPECT_EQ(a.toTimext(), (b - (__int64)86400000LL).toTimext());
    EXPECT_EQ(100 - a.toTimext(), ((__int64)100 - a).toTimext());

    a.setDatexType(1);
    b.setDatexType(1);
    EXPECT_EQ(1, (b - a).datexType);
    EXPECT_EQ(1, (a + (__int64)5).datexType);
    b.setDatexType(2);
    EXPECT_EQ(0, (b - a).datexType);

    EXPECT_EQ(1, a < b);
    EXPECT_EQ(1, b > a);
    EXPECT_EQ(1, a <= a);
    EXPECT_EQ(1, a == a.toTimext());
    EXPECT_EQ(1, a != b);
    EXPECT_EQ(1, b.toTimext() >= a);
    a.minute();  // comparisons work on the unpacked form too
    EXPECT_EQ(1, a < b.toTimext());

    cDatex t;
    t.setDatexType(1);
    t = a;  // equal types: kept
    EXPECT_EQ(1, t.datexType);
    EXPECT_EQ(a.toTimext(), t.toTimext());
    t = b;  // different types: reset to 0
    EXPECT_EQ(0, t.datexType);
    t.toChars(nullptr, true);
    t = (__int64)0;
    EXPECT_EQ(nullptr, t.text);
    EXPECT_FALSE(t.isNull());
    cDatex copy(b);
    EXPECT_EQ(2, copy.datexType);
    cDatex n;
    t = n;
    EXPECT_TRUE(t.isNull());
}
