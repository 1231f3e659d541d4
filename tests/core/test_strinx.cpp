#include "values.h"

#include <gtest/gtest.h>

TEST(Strinx, ConstructionKeepsNullInvariant) {
    cStrinx e;
    EXPECT_TRUE(e.isNull());
    ASSERT_NE(nullptr, e.toChars(nullptr, false));
    EXPECT_STREQ("", e.toChars(nullptr, false));
    EXPECT_EQ(0, e.getAlloc());

    cStrinx fromNull((char const*)nullptr);
    EXPECT_TRUE(fromNull.isNull());
    EXPECT_STREQ("", fromNull.text);

    cStrinx cat("ab", (char const*)nullptr);
    EXPECT_STREQ("ab", cat.text);
    EXPECT_EQ(2, cat.getAlloc());
    EXPECT_TRUE(cStrinx((char const*)nullptr, "").isNull());

    EXPECT_STREQ("ababab", cStrinx("ab", 3).text);
    EXPECT_TRUE(cStrinx("ab", 0).isNull());
    EXPECT_TRUE(cStrinx("ab", -2).isNull());
    EXPECT_TRUE(cStrinx("", 5).isNull());

    cStrinx src("xyz");
    cStrinx viaPtr(&src);
    EXPECT_STREQ("xyz", viaPtr.text);
    EXPECT_FALSE(viaPtr.isNull());

    cVariablex* v = new cStrinx("heap");
    EXPECT_EQ(2, v->type());
    delete v;
}

TEST(Strinx, AssignmentReusesBlock) {
    cStrinx s;
    s = "abc";
    EXPECT_EQ(3, s.getAlloc());
    s = "";
    EXPECT_EQ(3, s.getAlloc());
    EXPECT_STREQ("", s.text);
    EXPECT_TRUE(s.isNull());
    s += "x";
    EXPECT_STREQ("x", s.text);
    EXPECT_FALSE(s.isNull());
    EXPECT_EQ(3, s.getAlloc());
    s += "yzw";  // does not fit: grows to exactly the new length
    EXPECT_STREQ("xyzw", s.text);
    EXPECT_EQ(4, s.getAlloc());

    s = s.text + 1;  // source inside the own block
    EXPECT_STREQ("yzw", s.text);

    s.set("hello", 2);
    EXPECT_STREQ("he", s.text);
    EXPECT_EQ(4, s.getAlloc());
    s.set("ab", 8);  // source ends early, block grows to len
    EXPECT_STREQ("ab", s.text);
    EXPECT_EQ(8, s.getAlloc());
    s.set("q", 0);
    EXPECT_TRUE(s.isNull());
    s.set("whole", -1);
    EXPECT_STREQ("whole", s.text);

    s.setAlloc(40);
    EXPECT_EQ(40, s.getAlloc());
    EXPECT_STREQ("whole", s.text);
    s.setAlloc(10);
    EXPECT_EQ(40, s.getAlloc());
    s.setNull();
    EXPECT_EQ(0, s.getAlloc());
    EXPECT_TRUE(s.isNull());
    EXPECT_TRUE(s.empty());
}

TEST(Strinx, Substrings) {
    cStrinx s("abc");
    EXPECT_STREQ("abc", s.left(10).text);
    EXPECT_STREQ("a", s.left(1).text);
    EXPECT_TRUE(s.left(-3).isNull());
    EXPECT_STREQ("bc", s.right(2).text);
    EXPECT_STREQ("abc", s.right(7).text);
    EXPECT_TRUE(s.right(-1).isNull());
    EXPECT_STREQ("bc", s.mid(1, 10).text);
    EXPECT_STREQ("b", s.mid(1, 1).text);
    EXPECT_TRUE(s.mid(5, 1).isNull());
    EXPECT_TRUE(s.mid(3, 1).isNull());
    EXPECT_STREQ("ab", s.mid(-4, 2).text);
    EXPECT_TRUE(s.mid(1, -1).isNull());
    EXPECT_STREQ("ab", s.leftBut(1).text);
    EXPECT_TRUE(s.leftBut(5).isNull());
    EXPECT_STREQ("abc", s.leftBut(-2).text);
    EXPECT_STREQ("abc", s.text);  // the source stays as it was

    cStrinx t("abcb");
    EXPECT_EQ(1, t.substr("b", 0));
    EXPECT_EQ(3, t.substr("b", 2));
    EXPECT_EQ(-1, t.substr("x", 0));
    EXPECT_EQ(-1, t.substr(nullptr, 0));
    EXPECT_EQ(-1, t.substr("b", -1));
    EXPECT_EQ(-1, t.substr("b", 99));
}

TEST(Strinx, ReplaceAndJoin) {
    cStrinx s("abcab");
    EXPECT_STREQ("xcx", s.replace("ab", "x").text);
    EXPECT_STREQ("c", s.replace("ab", nullptr).text);
    EXPECT_STREQ("abcab", s.replace("", "x").text);
    EXPECT_STREQ("abcab", s.replace(nullptr, "x").text);
    EXPECT_STREQ("[ab]c[ab]", s.replace("ab", "[ab]").text);
    EXPECT_STREQ("ba", cStrinx("aaa").replace("aa", "b").text);
    EXPECT_TRUE(cStrinx("ab").replace("ab", "").isNull());

    cStrinx j;
    j.join("b", ", ");
    EXPECT_STREQ("b", j.text);
    cStrinx a("a");
    a.join("b", ", ").join("", "-").join(nullptr, "-");
    EXPECT_STREQ("a, b", a.text);
    a.join(a.text, "|");  // joining its own text
    EXPECT_STREQ("a, b|a, b", a.text);
}

TEST(Strinx, TrimAndCase) {
    cStrinx s(" \t a b \r\n");
    EXPECT_STREQ("a b \r\n", s.ltrim().text);
    EXPECT_STREQ(" \t a b", s.rtrim().text);
    EXPECT_STREQ("a b", s.trim().text);
    EXPECT_TRUE(cStrinx("  \t").trim().isNull());
    EXPECT_TRUE(cStrinx("   ").ltrim().isNull());

    cStrinx m("aZ\xC8\xE8-q");
    EXPECT_STREQ("az\xC8\xE8-q", m.lcase().text);
    EXPECT_STREQ("AZ\xC8\xE8-Q", m.ucase().text);
}

TEST(Strinx, ConversionsAndTypes) {
    EXPECT_DOUBLE_EQ(-150.0, cStrinx("  -1.5e2x").toDouble());
    EXPECT_DOUBLE_EQ(1.0, cStrinx("1e").toDouble());
    EXPECT_DOUBLE_EQ(0.5, cStrinx(".5").toDouble());
    EXPECT_DOUBLE_EQ(0.0, cStrinx("abc").toDouble());
    EXPECT_DOUBLE_EQ(0.0, cStrinx("inf").toDouble());  // decimal numbers only

    EXPECT_TRUE(cStrinx().toNumbex().isNull());
    cNumbex n = cStrinx("abc").toNumbex();
    EXPECT_FALSE(n.isNull());
    EXPECT_EQ(0.0, n.value);

    EXPECT_EQ(mktimex(2024, 5, 6, 0, 0, 0, 0), cStrinx("2024-05-06").toTimext());
    EXPECT_EQ(mktimex(2024, 5, 6, 13, 45, 0, 0), cStrinx("06.05.2024 13:45").toDatex().toTimext());

    cStrinx s;
    s.set(2.5);
    EXPECT_STREQ("2.500000", s.text);
    s.set(mktimex(2024, 3, 5, 9, 7, 2, 0));
    EXPECT_STREQ("05.03.2024 09:07:02", s.text);

    cNumbex num(2.5);
    num.setNumbexType(1);
    s.setVarptr(&num);
    EXPECT_STREQ("2.5", s.text);
    cNumbex nullNum;
    s.setVarptr(&nullNum);
    EXPECT_TRUE(s.isNull());

    cStrinx r("Xy");
    r.recode(1);
    EXPECT_STREQ("Xy", r.text);
    cStrinx w("\x8A");
    w.recode(1);
    EXPECT_STREQ("\xA9", w.text);
}

/* Text from text: the copy is exact, a null or empty source gives a null value, the block
   is reused when it is big enough, and assigning a value to itself keeps it. */
TEST(Strinx, SetVarptrFromText) {
    cStrinx s;
    cStrinx a("a longer text first");
    s.setVarptr(&a);
    EXPECT_STREQ("a longer text first", s.text);
    EXPECT_FALSE(s.isNull());
    char* block = s.text;
    cStrinx b("short");
    s.setVarptr(&b);
    EXPECT_STREQ("short", s.text);
    EXPECT_EQ(block, s.text) << "the block is reused";
    cStrinx empty("");
    s.setVarptr(&empty);
    EXPECT_TRUE(s.isNull());
    EXPECT_STREQ("", s.text);
    cStrinx nul;
    s.setVarptr(&b);
    s.setVarptr(&nul);
    EXPECT_TRUE(s.isNull());
    s.setVarptr(&b);
    s.setVarptr(&s);
    EXPECT_STREQ("short", s.text);
    EXPECT_STREQ("short", b.text) << "the source is left alone";
    s.setVarptr((cVariablex*)0);
    EXPECT_TRUE(s.isNull());
}

TEST(Strinx, IndexStaysInsideBlock) {
    cStrinx s("abc");
    s[1] = 'X';
    EXPECT_STREQ("aXc", s.text);
    EXPECT_EQ(0, s[3]);
    s[-1] = 'Q';
    s[100] = 'Q';
    EXPECT_EQ(0, s[-1]);  // out of range reads the scratch byte, reset to 0
    EXPECT_STREQ("aXc", s.text);
}

TEST(Strinx, Operators) {
    cStrinx a("ab"), b("cd");
    EXPECT_STREQ("abcd", (a + b).text);
    EXPECT_STREQ("abx", (a + "x").text);
    EXPECT_STREQ("xab", ("x" + a).text);
    EXPECT_STREQ("n=5", (cStrinx("n=") + 5).text);
    EXPECT_STREQ("n=-12", (cStrinx("n=") + -12).text);

    cNumbex num(2.25);
    num.setNumbexType(2);
    EXPECT_STREQ("v2.25", (cStrinx("v") + num).text);
    cStrinx acc("v");
    acc += num;
    acc += 7;
    EXPECT_STREQ("v2.257", acc.text);

    EXPECT_STREQ("ababab", (a * 3).text);
    EXPECT_TRUE((a * 0).isNull());
    cStrinx r("xy");
    r *= 2;
    EXPECT_STREQ("xyxy", r.text);
    r *= -1;
    EXPECT_TRUE(r.isNull());

    EXPECT_EQ(0, cStrinx("abc") == cStrinx("ABC"));
    EXPECT_EQ(1, cStrinx("abc") != "ABC");
    EXPECT_EQ(1, a == "ab");
    EXPECT_EQ(1, "ab" == a);
    EXPECT_EQ(1, a < b);
    EXPECT_EQ(1, a <= "ab");
    EXPECT_EQ(0, a > "b");
    EXPECT_EQ(1, "b" > a);
    EXPECT_EQ(1, a >= "aa");
    EXPECT_EQ(1, cStrinx("\xE8") > "z");  // bytes compare unsigned
    EXPECT_EQ(1, cStrinx() < "a");
}

TEST(Strinx, Xompare) {
    cNumbex two(2.0), ten(10.0), nullNum;
    cStrinx s10("10"), abc("abc"), ABC("ABC"), empty;
    cDatex d1(2024, 1, 1, 0, 0, 0, 0), d2(2024, 1, 2, 0, 0, 0, 0);

    EXPECT_EQ(1, xompare(two, s10));  // "2" against "10" as text
    EXPECT_EQ(-1, xompare(two, ten));
    EXPECT_EQ(0, xompare(two, two));
    cNumbex zero(0.0);
    EXPECT_EQ(0, xompare(nullNum, zero));
    EXPECT_EQ(0, xompare(abc, ABC));
    EXPECT_EQ(-1, xompare(empty, abc));
    EXPECT_EQ(1, xompare(ABC, two));
    EXPECT_EQ(-1, xompare(d1, d2));
    EXPECT_EQ(1, xompare(d2, d1));
    cNumbex big((double)d2.toTimext());
    EXPECT_EQ(-1, xompare(d1, big));
    EXPECT_EQ(0, xompare(big, d2));

    EXPECT_EQ(0, xompare((cVariablex*)&abc, (cVariablex*)&abc));
    EXPECT_EQ(-1, xompare(nullptr, (cVariablex*)&abc));
    EXPECT_EQ(1, xompare((cVariablex*)&abc, nullptr));
    EXPECT_EQ(0, xompare((cVariablex*)&abc, (cVariablex*)&ABC));
}
