#include "values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

TEST(Numbex, CachedTextAndDecimals) {
    cNumbex n(2.25);
    EXPECT_STREQ("2", n.toChars(nullptr, false));
    n.setNumbexType(2);
    EXPECT_STREQ("2", n.toChars(nullptr, false));  // cached text wins without force
    EXPECT_STREQ("2.25", n.toChars(nullptr, true));
    EXPECT_STREQ("2.25", n.toChars("", true));
    n = 3.5;  // a new value drops the cache, keeps the decimals
    EXPECT_EQ(nullptr, n.text);
    EXPECT_STREQ("3.50", n.toChars(nullptr, false));
    EXPECT_STREQ("3.5000", n.toChars((short)9));
    EXPECT_STREQ("4", n.toChars((short)-1));

    n.setNumbexType(9);
    EXPECT_EQ(4, n.numbexType);
    n.setNumbexType(-1);
    EXPECT_EQ(4, n.numbexType);
    n.setNumbexType(0);
    EXPECT_EQ(0, n.numbexType);

    cNumbex copy(n);
    EXPECT_EQ(0, copy.numbexType);
    cNumbex target;
    target.setNumbexType(3);
    target = cNumbex(1.0);
    EXPECT_EQ(3, target.numbexType);  // assignment keeps the own setting
    EXPECT_FALSE(target.isNull());

    EXPECT_STREQ("%.0f", cNumbex::NumbexFormats[0]);
    EXPECT_STREQ("%.4f", cNumbex::NumbexFormats[4]);
}

TEST(Numbex, BestFormatAndCustomFormats) {
    EXPECT_STREQ("2.5", cNumbex(2.5).toChars("BEST_FMT", true));
    EXPECT_STREQ("3", cNumbex(3.0).toChars("BEST_FMT", true));
    EXPECT_STREQ("0.125", cNumbex(0.125).toChars("best_fmt", true));
    EXPECT_STREQ("0.1235", cNumbex(0.12345).toChars("BEST_FMT", true));
    EXPECT_STREQ("-7.25", cNumbex(-7.25).toChars("Best_Fmt", true));
    // Decimal fractions that a double holds only nearly: the products are rounded to
    // double before they are compared (in the 32-bit build as well as natively).
    EXPECT_STREQ("0.1", cNumbex(0.1).toChars("BEST_FMT", true));
    EXPECT_STREQ("19.990", cNumbex(19.99).toChars("BEST_FMT", true))
        << "100 * 19.99 is 1998.9999999999998 in double; 1000 * 19.99 is whole";
    EXPECT_STREQ("0.3", cNumbex(0.3).toChars("BEST_FMT", true));
    EXPECT_STREQ("-1234.56", cNumbex(-1234.56).toChars("BEST_FMT", true));
    EXPECT_STREQ("2.675", cNumbex(2.675).toChars("BEST_FMT", true));

    EXPECT_STREQ("2.25.", cNumbex(2.25).toChars("%.2f,", true));  // every ',' becomes '.'
    EXPECT_STREQ("[  42]", cNumbex(42.0).toChars("[%4.0f]", true));

    // Long results come out whole.
    cNumbex huge(1e308);
    std::string t = huge.toChars("%.4f", true);
    EXPECT_EQ(314u, t.size());
    EXPECT_EQ("1000", t.substr(0, 4));
    EXPECT_EQ(".0000", t.substr(t.size() - 5));
    std::string neg = cNumbex(-1e308).toChars("BEST_FMT", true);
    EXPECT_EQ(310u, neg.size());
    cStrinx s;
    s.set(1e308);
    EXPECT_EQ(316, s.len());
}

TEST(Numbex, NullRules) {
    cNumbex n;
    EXPECT_TRUE(n.isNull());
    EXPECT_STREQ("", n.toChars(nullptr, false));
    EXPECT_STREQ("", n.toChars("%.2f", true));
    EXPECT_TRUE(n.toStrinx(nullptr, true).isNull());
    EXPECT_EQ(0, n == 0.0);
    EXPECT_EQ(0, n != 0.0);
    EXPECT_EQ(0, 0.0 < n);
    EXPECT_EQ(0, n >= n);
    cNumbex one = n + 1.0;
    EXPECT_FALSE(one.isNull());
    EXPECT_EQ(1.0, one.value);
    EXPECT_EQ(1, one == 1.0);
    EXPECT_EQ(0, one == n);
    EXPECT_EQ(0, one != n);

    cNumbex v(5.0);
    v.setNull();
    EXPECT_EQ(0.0, v.value);
    EXPECT_EQ(0.0, v.toDouble());

    cStrinx txt("12.5");
    v.setVarptr(&txt);
    EXPECT_EQ(12.5, v.value);
    cStrinx none;
    v.setVarptr(&none);
    EXPECT_TRUE(v.isNull());
}

TEST(Numbex, ParsesText) {
    cNumbex n(1.0);
    n.set("", -1);
    EXPECT_TRUE(n.isNull());
    n.set("12abc", 2);
    EXPECT_FALSE(n.isNull());
    EXPECT_EQ(12.0, n.value);
    n.set("123", 2);
    EXPECT_EQ(12.0, n.value);
    n.set("1e5", 2);
    EXPECT_EQ(1.0, n.value);
    n.set("  -3.5e1 rest", -1);
    EXPECT_EQ(-35.0, n.value);
    n.set("abc", -1);
    EXPECT_FALSE(n.isNull());
    EXPECT_EQ(0.0, n.value);
    n.set("7", 0);
    EXPECT_TRUE(n.isNull());
    n.set((__int64)1234567890123LL);
    EXPECT_EQ(1234567890123.0, n.value);
}

TEST(Numbex, Arithmetic) {
    cNumbex a(7.0), b(2.0);
    a.setNumbexType(3);
    cNumbex sum = a + b;
    EXPECT_EQ(9.0, sum.value);
    EXPECT_EQ(0, sum.numbexType);
    EXPECT_EQ(5.0, (a - b).value);
    EXPECT_EQ(-5.0, (2.0 - a).value);
    EXPECT_EQ(14.0, (a * 2.0).value);
    EXPECT_EQ(3.5, (a / b).value);
    EXPECT_TRUE(std::isinf((a / 0.0).value));
    EXPECT_EQ(1.0, (a % b).value);
    EXPECT_EQ(-1.0, (cNumbex(-7.0) % 2.0).value);
    EXPECT_EQ(1.5, (5.5 % cNumbex(2.0)).value);

    EXPECT_EQ(6.0, (cNumbex(7.9) ^ 1L).value);
    EXPECT_EQ(6.0, (1L ^ cNumbex(7.9)).value);
    EXPECT_EQ(2.0, (cNumbex(6.0) & cNumbex(3.0)).value);
    EXPECT_EQ(7.0, (cNumbex(6.0) | 1L).value);
    EXPECT_EQ(16.0, (cNumbex(1.0) << 4L).value);
    EXPECT_EQ(-2.0, (cNumbex(-8.0) >> 2L).value);
    EXPECT_EQ(2.0, (cNumbex(1.0) << 33L).value);  // counts use their low five bits
    EXPECT_EQ(2147483647.0, (cNumbex(1e20) | 0L).value);  // saturates to 32 bits

    EXPECT_EQ(1, a && b);
    EXPECT_EQ(0, a && 0.0);
    EXPECT_EQ(0, 0.0 && a);
    EXPECT_EQ(1, cNumbex(0.0) || b);
    EXPECT_EQ(0, cNumbex(0.0) || cNumbex());
    EXPECT_EQ(1, !cNumbex(0.0));
    EXPECT_EQ(0, !a);

    cNumbex c;
    cNumbex pre = ++c;
    EXPECT_EQ(1.0, pre.value);
    EXPECT_FALSE(c.isNull());
    cNumbex post = c++;
    EXPECT_EQ(2.0, post.value);  // the postfix form also returns the new value
    EXPECT_EQ(2.0, c.value);
    EXPECT_EQ(1.0, (--c).value);
    EXPECT_EQ(0.0, (c--).value);

    EXPECT_EQ(1, a > b);
    EXPECT_EQ(1, a >= 7.0);
    EXPECT_EQ(1, 2.0 <= b);
    EXPECT_EQ(1, b < 3.0);
    EXPECT_EQ(1, a != b);
    EXPECT_EQ(1, 7.0 == a);
    EXPECT_EQ(7.0, (double)a);
}

TEST(Numbex, MathAndConversions) {
    EXPECT_EQ(3.0, cNumbex(7.0).div(2.0));
    EXPECT_EQ(-3.0, cNumbex(-7.0).div(2.0));
    EXPECT_EQ(-3.0, cNumbex(-2.5).floor());
    EXPECT_EQ(-2.0, cNumbex(-2.5).ceil());
    EXPECT_EQ(2.5, cNumbex(-2.5).abs());
    EXPECT_EQ(8.0, cNumbex(2.0).pow(3.0));
    EXPECT_EQ(3.0, cNumbex(9.0).sqrt());
    EXPECT_EQ(2.0, cNumbex(100.0).log10());
    EXPECT_DOUBLE_EQ(1.0, cNumbex(std::exp(1.0)).log());

    EXPECT_EQ(2.68, cNumbex(2.675).round(2));
    EXPECT_EQ(-3.0, cNumbex(-2.5).round(0));
    EXPECT_EQ(2.0, cNumbex(2.4999).round(0));
    EXPECT_EQ(0.13, cNumbex(0.125).round(2));
    EXPECT_EQ(1200.0, cNumbex(1234.5).round(-2));
    EXPECT_EQ(-1300.0, cNumbex(-1250.0).round(-2));
    EXPECT_EQ(1e300, cNumbex(1e300).round(4));

    cNumbex n(-2.7);
    EXPECT_EQ(-2, n.toShort());
    EXPECT_EQ(-2, n.toTimext());
    EXPECT_EQ(32767, cNumbex(1e9).toShort());
    EXPECT_EQ(0, cNumbex(NAN).toTimext());
    EXPECT_EQ(0x7fffffffffffffffLL, cNumbex(1e300).toTimext());
    cDatex d = cNumbex((double)mktimex(2024, 1, 2, 0, 0, 0, 0)).toDatex();
    EXPECT_EQ(2, d.mday());
    EXPECT_EQ(1, n.type());
    cNumbex c = n.toNumbex();
    EXPECT_EQ(-2.7, c.value);

    cNumbex::srand(5);
    cNumbex r1;
    double first = r1.rand();
    cNumbex::srand(5);
    cNumbex r2;
    r2.rand();
    EXPECT_EQ(first, r2.value);
    EXPECT_FALSE(r2.isNull());
    EXPECT_GE(r2.value, 0.0);
    EXPECT_LE(r2.value, 32767.0);
}

/* The printf-free printer must give printf's text for every value it takes on. */
TEST(Numbex, PrintMatchesPrintfEverywhere) {
    std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -0.5, 0.125, 0.00005, -0.00001,
                                  2.675, 19.99, 1234.5678, -1234.56785, 1e11, 1099511627775.9,
                                  1099511627776.0, 4294967295.5, 4294967296.25, 1e15, -1e300,
                                  NAN, INFINITY, -INFINITY, 5e-324};
    unsigned seed = 12345;
    for (int i = 0; i < 20000; i++) {
        seed = seed * 1103515245u + 12345u;
        double whole = (double)(seed % 2000000) - 1000000.0;
        seed = seed * 1103515245u + 12345u;
        double part = (double)(seed % 100000) / 100000.0;  // ties at every number of decimals
        values.push_back(whole + part);
        values.push_back((whole + part) * 1e6 + 0.00005);
        values.push_back(ldexp((double)seed, -(int)(seed % 60)));
    }
    char mine[400], theirs[400];
    for (double v : values) {
        for (int d = 0; d <= 4; d++) {
            char fmt[8];
            snprintf(fmt, sizeof fmt, "%%.%df", d);
            int want = snprintf(theirs, sizeof theirs, fmt, v);
            ASSERT_EQ(want, numbex_print(v, d, mine, sizeof mine)) << v << " " << d;
            ASSERT_STREQ(theirs, mine) << d;
        }
        int best = numbex_bestDecimals(v);
        char bestFmt[8];
        snprintf(bestFmt, sizeof bestFmt, "%%.%df", best);
        snprintf(theirs, sizeof theirs, bestFmt, v);
        ASSERT_STREQ(theirs, cNumbex(v).toChars("BEST_FMT", true));
        if (cNumbex(v).print("best_fmt", mine, sizeof mine) >= 0)
            ASSERT_STREQ(theirs, mine) << "print gives toChars' text";
    }
    EXPECT_EQ(-1, numbex_print(123456.5, 2, mine, 9)) << "no room for the terminator";
    EXPECT_EQ(9, numbex_print(123456.5, 2, mine, 10));
    EXPECT_EQ(-1, numbex_print(1e300, 0, mine, 100)) << "too long for the buffer";
    EXPECT_EQ(-1, cNumbex(2.5).print("%e", mine, sizeof mine)) << "not a fixed format";
    EXPECT_EQ(-1, cNumbex().print(0, mine, sizeof mine)) << "null";
}
