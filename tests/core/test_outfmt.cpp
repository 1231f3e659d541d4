#include "outfmt.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string q(int (*fn)(char*, char const*, int), std::string const& s) {
    int n = fn(nullptr, s.data(), (int)s.size());
    std::string out((size_t)n, '\0');
    int k = fn(&out[0], s.data(), (int)s.size());
    EXPECT_EQ(n, k);
    return out;
}

struct Cell {
    char const* text;
    int type;
    long width;
};

/* One row of cells in the given format. */
std::string row(short user, short format, char sep, char const* table,
                std::initializer_list<Cell> cells) {
    cOutRow r;
    r.init(outfmt_get(user, format), sep, table);
    EXPECT_TRUE(r.start());
    for (Cell const& c : cells)
        EXPECT_TRUE(r.field(c.text, -1, c.type, c.width));
    EXPECT_TRUE(r.end());
    return std::string(r.data(), (size_t)r.length());
}

}  // namespace

TEST(Outfmt, QuotingRules) {
    EXPECT_EQ("", q(outq_csv, ""));
    EXPECT_EQ("say \"\"hi\"\"", q(outq_csv, "say \"hi\""));
    EXPECT_EQ("O'Neil", q(outq_csv, "O'Neil"));
    EXPECT_EQ("O''Neil", q(outq_sql, "O'Neil"));
    EXPECT_EQ("''''", q(outq_sql, "''"));
    EXPECT_EQ("a\"b", q(outq_sql, "a\"b"));
    EXPECT_EQ("&lt;script&gt;x&amp;&amp;y&lt;/script&gt;", q(outq_html, "<script>x&&y</script>"));
    EXPECT_EQ("a&lt;b &quot;c&quot; '", q(outq_html, "a<b \"c\" '"));
    /* Bytes past n are not read, zeros inside are copied. */
    std::string z("a\0\"", 3);
    EXPECT_EQ(std::string("a\0\"\"", 4), q(outq_csv, z));
}

TEST(Outfmt, GridRowsByFormat) {
    /* The worked example: table T, the number 5 and the string O'Neil. */
    EXPECT_EQ("insert into T values (5,'O''Neil');\r\n",
              row(OUTFMT_GRID, OUTFMT_INSERT, ',', "T", {{"5", 1, 0}, {"O'Neil", 2, 0}}));
    EXPECT_EQ("5;\"O'Neil\"\r\n",
              row(OUTFMT_GRID, OUTFMT_CSV, ';', "T", {{"5", 1, 0}, {"O'Neil", 2, 0}}));
    /* Fixed: padded to the width (an empty field too), one space between. */
    EXPECT_EQ("ab        1\r\n", row(OUTFMT_GRID, OUTFMT_FIXED, ',', "", {{"ab", 2, 4}, {"", 2, 4},
                                                                       {"1", 1, 1}}));
    /* Insert: empty as NULL, dates quoted; a number that is no SQL number quoted too. */
    EXPECT_EQ("insert into t values (NULL,'2024-01-02');\r\n",
              row(OUTFMT_GRID, OUTFMT_INSERT, ',', "t", {{"", 2, 0}, {"2024-01-02", 4, 0}}));
    for (short user : {OUTFMT_GRID, OUTFMT_RESULTSET})
        EXPECT_EQ("insert into t values (-1.5e-07,'nan','-inf',12.,'1''2');\r\n",
                  row(user, OUTFMT_INSERT, ',', "t", {{"-1.5e-07", 1, 0}, {"nan", 1, 0},
                                                      {"-inf", 1, 0}, {"12.", 1, 0},
                                                      {"1'2", 1, 0}}));
}

/* A number or date that holds the separator, a quote or a line break is enclosed like
   text, so every row still splits into its own fields; others stay bare. */
TEST(Outfmt, CsvEnclosesAnyFieldThatWouldSplitTheRow) {
    for (short user : {OUTFMT_GRID, OUTFMT_RESULTSET}) {
        EXPECT_EQ("1:\"2024-11-25 17:57:00\":\"x\"\r\n",
                  row(user, OUTFMT_CSV, ':', "", {{"1", 1, 0}, {"2024-11-25 17:57:00", 4, 0},
                                                  {"x", 2, 0}}));
        EXPECT_EQ("\"1,5\",2.5,\"a\"\"b\",\"l1\r\nl2\",\"\t\"\r\n",
                  row(user, OUTFMT_CSV, ',', "", {{"1,5", 1, 0}, {"2.5", 1, 0}, {"a\"b", 0, 0},
                                                  {"l1\r\nl2", 4, 0}, {"\t", 2, 0}}));
        EXPECT_EQ("\"1\t5\"\t12:00\r\n",
                  row(user, OUTFMT_CSV, '\t', "", {{"1\t5", 1, 0}, {"12:00", 4, 0}}));
    }
    /* Other formats are left as they were. */
    EXPECT_EQ("insert into t values (1,5);\r\n",
              row(OUTFMT_GRID, OUTFMT_INSERT, ',', "t", {{"1", 1, 0}, {"5", 1, 0}}));
    EXPECT_EQ("1,5 x\r\n", row(OUTFMT_GRID, OUTFMT_FIXED, ',', "", {{"1,5", 1, 3}, {"x", 2, 1}}));
}

TEST(Outfmt, ResultSetColumnDiffers) {
    EXPECT_EQ(nullptr, outfmt_get(OUTFMT_RESULTSET, OUTFMT_FIXED));
    EXPECT_EQ(nullptr, outfmt_get(OUTFMT_GRID, 0));
    EXPECT_EQ(nullptr, outfmt_get(2, 1));
    /* Long data is quoted in CSV like text. */
    EXPECT_EQ("\"x\"\"\",\"blob\",3\r\n",
              row(OUTFMT_RESULTSET, OUTFMT_CSV, ',', "", {{"x\"", 2, 0}, {"blob", 8, 0},
                                                          {"3", 1, 0}}));
    EXPECT_EQ("x,\"b\"\r\n", row(OUTFMT_GRID, OUTFMT_CSV, ',', "", {{"x", 8, 0}, {"b", 2, 0}}));
    EXPECT_EQ("insert into T values (1,NULL,'O''Brien');\r\n",
              row(OUTFMT_RESULTSET, OUTFMT_INSERT, ',', "T", {{"1", 1, 0}, {"", 2, 0},
                                                              {"O'Brien", 2, 0}}));
    EXPECT_STREQ("<HTML>\r\n<BODY>\r\n\r\n<TABLE border=1 cellspacing=1 cellpadding=2>\r\n\r\n",
                 outfmt_get(OUTFMT_RESULTSET, OUTFMT_HTML)->head);
    EXPECT_STREQ("\r\n</TABLE>\r\n\r\n</BODY>\r\n</HTML>\r\n",
                 outfmt_get(OUTFMT_RESULTSET, OUTFMT_HTML)->foot);
}

TEST(Outfmt, HtmlPageWithTitlesAndGrowth) {
    outfmtLayout const* f = outfmt_get(OUTFMT_GRID, OUTFMT_HTML);
    cOutRow r;
    r.init(f, ',', nullptr);
    ASSERT_TRUE(r.page(f->head));
    ASSERT_TRUE(r.titleStart());
    ASSERT_TRUE(r.title("A&B"));
    ASSERT_TRUE(r.title("q\"t"));
    ASSERT_TRUE(r.titleEnd());
    ASSERT_TRUE(r.page(f->foot));
    EXPECT_EQ(std::string("<HTML>\r\n<BODY>\r\n<TABLE border=1 cellspacing=1 cellpadding=2>\r\n"
                          "<TR><TH>A&amp;B</TH><TH>q&quot;t</TH></TR>\r\n"
                          "</TABLE>\r\n</BODY>\r\n</HTML>\r\n"),
              std::string(r.data(), (size_t)r.length()));
    /* Long cells: nothing cut, the buffer grows. */
    std::string big(8000, '"');
    cOutRow c;
    c.init(outfmt_get(OUTFMT_GRID, OUTFMT_CSV), ',', "");
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(c.start());
        ASSERT_TRUE(c.field(big.c_str(), (int)big.size(), 2, 0));
        ASSERT_TRUE(c.end());
    }
    EXPECT_EQ(3 * (16000 + 2 + 2), c.length());
    c.clear();
    EXPECT_EQ(0, c.length());
    /* No layout: refused, nothing written. */
    cOutRow none;
    EXPECT_FALSE(none.start());
    EXPECT_FALSE(none.field("x", 1, 2, 0));
    EXPECT_EQ(0, none.length());
}

TEST(Outfmt, NumbersForStatementsReadBackExactly) {
    char b[40];
    EXPECT_STREQ("0.12345", outfmt_exactNumber(0.12345, b, sizeof b));
    EXPECT_STREQ("0.30000000000000004", outfmt_exactNumber(0.1 + 0.2, b, sizeof b));
    char c[] = "-1,5", d[] = "1,5,6";
    EXPECT_TRUE(outfmt_decimalPoint(c));
    EXPECT_STREQ("-1.5", c);
    EXPECT_FALSE(outfmt_decimalPoint(d));
    EXPECT_STREQ("1,5,6", d);
}
