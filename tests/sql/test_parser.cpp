/* SELECT splitter: tokenizer, select list, FROM list, clauses, trace. */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlparser.h"
#include "stmtmodel.h"
#include "strx.h"

namespace {

std::string str(char const* s) {
    return s ? std::string(s) : std::string("<null>");
}

/* "atr|aliatr|tbl|cre|alitbl|expr" of attribute i. */
std::string attr(cSqlParsex const& p, int i) {
    cSqlAttr const& a = p.attrs[i];
    return str(a.atr) + "|" + str(a.aliatr) + "|" + str(a.tbl) + "|" + str(a.cre) + "|" +
           str(a.alitbl) + "|" + std::to_string(a.expr);
}

std::vector<std::string> tokens(char const* text) {
    std::vector<std::string> out;
    std::string buf(text);
    char* p = &buf[0];
    for (int guard = 0; guard < 100; guard++) {
        char* t = cSqlParsex::nextToken(&p);
        std::string tok(t);
        freex(t);
        if (tok.empty() && !*p)
            break;
        out.push_back(tok);
        if (*p == ',')
            p++;
    }
    return out;
}

}  // namespace

TEST(Tokenizer, SplitsAtBlanksAndCommasOutsideQuotesAndParentheses) {
    EXPECT_EQ(tokens("  a\tb\r\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(tokens("f(a, b) 'x, y' \"q r\""),
              (std::vector<std::string>{"f(a, b)", "'x, y'", "\"q r\""}));
    /* Parentheses inside quotes do not count; only the same quote closes. */
    EXPECT_EQ(tokens("'(' \"it's\" x"), (std::vector<std::string>{"'('", "\"it's\"", "x"}));
    /* Doubled quotes stay inside one literal, and so do escaped ones in E'...'. */
    EXPECT_EQ(tokens("'it''s, ok' z"), (std::vector<std::string>{"'it''s, ok'", "z"}));
    EXPECT_EQ(tokens("E'it\\'s, ok' z e'\\\\' 'a\\' q"),
              (std::vector<std::string>{"E'it\\'s, ok'", "z", "e'\\\\'", "'a\\'", "q"}));
}

TEST(Tokenizer, LeavesCursorOnTheEndingCharacter) {
    std::string buf = "abc, def";
    char* p = &buf[0];
    char* t = cSqlParsex::nextToken(&p);
    EXPECT_STREQ(t, "abc");
    EXPECT_EQ(*p, ',');
    freex(t);
    t = cSqlParsex::nextToken(&p);  // at the comma: an empty token, nothing consumed
    EXPECT_STREQ(t, "");
    EXPECT_EQ(*p, ',');
    freex(t);
}

TEST(Tokenizer, UnbalancedTextRunsToTheEnd) {
    EXPECT_EQ(tokens("'open quote, more"), (std::vector<std::string>{"'open quote, more"}));
    EXPECT_EQ(tokens("(a, b"), (std::vector<std::string>{"(a, b"}));
    /* A stray ')' does not make the rest one token. */
    EXPECT_EQ(tokens("a) b, c"), (std::vector<std::string>{"a)", "b", "c"}));
}

TEST(Tokenizer, CommentsAreBlanksAtTopLevel) {
    EXPECT_EQ(tokens("a -- note, x\nb /* c, d */ e"), (std::vector<std::string>{"a", "b", "e"}));
    EXPECT_EQ(tokens("a--b"), (std::vector<std::string>{"a"}));
    /* Inside parentheses a comment stays part of the token and hides its quote. */
    EXPECT_EQ(tokens("(x -- it's\n) y"), (std::vector<std::string>{"(x -- it's\n)", "y"}));
}

TEST(SelectList, WorkedExamples) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("SELECT a, b FROM t"));
    ASSERT_EQ(p.attrCount, 2);
    EXPECT_EQ(attr(p, 0), "a|<null>|<null>|<null>|<null>|0");
    EXPECT_EQ(attr(p, 1), "b|<null>|<null>|<null>|<null>|0");
    EXPECT_STREQ(p.fromText, "t");
    EXPECT_EQ(p.whereText, nullptr);
    EXPECT_EQ(p.havingText, nullptr);
    EXPECT_EQ(p.groupByText, nullptr);
    EXPECT_EQ(p.orderByText, nullptr);

    ASSERT_TRUE(p.analyse("select 1 + 2 from t"));
    ASSERT_EQ(p.attrCount, 1);
    EXPECT_EQ(attr(p, 0), "1+2|<null>|<null>|<null>|<null>|1");

    ASSERT_TRUE(p.analyse("select 'a,b' s from t"));
    ASSERT_EQ(p.attrCount, 1);
    EXPECT_EQ(attr(p, 0), "'a,b'|s|<null>|<null>|<null>|1");

    ASSERT_TRUE(p.analyse("select * from t"));
    EXPECT_EQ(p.attrCount, 0);
}

TEST(SelectList, NamesExpressionsAndAliases) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select owner.tab.col, t.*, a as b, a b2, t.a * 2 total, count(*) n "
                          "from t"));
    ASSERT_EQ(p.attrCount, 6);
    EXPECT_EQ(attr(p, 0), "col|<null>|tab|owner|<null>|0");
    EXPECT_EQ(attr(p, 1), "*|<null>|t|<null>|<null>|0");
    EXPECT_EQ(attr(p, 2), "a|b|<null>|<null>|<null>|0");
    EXPECT_EQ(attr(p, 3), "a|b2|<null>|<null>|<null>|0");
    EXPECT_EQ(attr(p, 4), "t.a*2|total|<null>|<null>|<null>|1");
    EXPECT_EQ(attr(p, 5), "count(*)|n|<null>|<null>|<null>|1");

    /* An owner-qualified column folded into an expression keeps its owner. */
    ASSERT_TRUE(p.analyse("select o.t.a + 1 from o.t"));
    EXPECT_EQ(attr(p, 0), "o.t.a+1|<null>|<null>|<null>|<null>|1");

    /* Quoted identifiers are read as text; a quoted alias stays an alias. */
    ASSERT_TRUE(p.analyse("select \"First Name\" \"Given\", x.\"Col\" from people x"));
    ASSERT_EQ(p.attrCount, 2);
    EXPECT_EQ(attr(p, 0), "\"First Name\"|\"Given\"|<null>|<null>|<null>|1");
    EXPECT_EQ(attr(p, 1), "x.\"Col\"|<null>|<null>|<null>|<null>|1");
}

TEST(SelectList, JoiningNeverOpensAComment) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select a - -1 x, b / *c from t"));
    ASSERT_EQ(p.attrCount, 2);
    EXPECT_STREQ(p.attrs[0].atr, "a- -1");
    EXPECT_STREQ(p.attrs[0].aliatr, "x");
    EXPECT_STREQ(p.attrs[1].atr, "b/ *c");
}

TEST(SelectList, DistinctAndCaseExpressions) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select DISTINCT a, case when b = 1 then 'one, two' "
                          "else case when c then 'x' end end as kind from t"));
    EXPECT_STREQ(p.prefixText, "DISTINCT");
    ASSERT_EQ(p.attrCount, 2);
    EXPECT_EQ(attr(p, 0), "a|<null>|<null>|<null>|<null>|0");
    EXPECT_EQ(attr(p, 1),
              "case when b = 1 then 'one, two' else case when c then 'x' end end|kind|<null>|"
              "<null>|<null>|1");
    EXPECT_STREQ(p.listText, "a, case when b = 1 then 'one, two' else case when c then 'x' end "
                             "end as kind");
}

TEST(FromList, AliasesAndOwnersResolveAttributes) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse(
        "select x.a, y.b from tab1 x, owner.tab2 y where x.k = y.k order by 1"));
    ASSERT_EQ(p.attrCount, 2);
    EXPECT_EQ(attr(p, 0), "a|<null>|tab1|<null>|x|0");
    EXPECT_EQ(attr(p, 1), "b|<null>|tab2|owner|y|0");
    EXPECT_STREQ(p.fromText, "tab1 x, owner.tab2 y");
    EXPECT_STREQ(p.whereText, " x.k = y.k");
    EXPECT_STREQ(p.orderByText, " 1");
    EXPECT_STREQ(p.curTable, "tab2");
    EXPECT_STREQ(p.curCreator, "owner");

    /* Alias matching ignores case; "as" is not an alias; a later table reusing the
       resolved name as its alias does not steal the attribute. */
    ASSERT_TRUE(p.analyse("select X.a, t.b from tab1 as x, other t"));
    EXPECT_EQ(attr(p, 0), "a|<null>|tab1|<null>|x|0");
    EXPECT_EQ(attr(p, 1), "b|<null>|other|<null>|t|0");
}

TEST(FromList, JoinsKeepEachAliasWithItsTable) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select o.id, c.name, l.qty from orders o "
                          "inner join customers c on c.id = o.cust "
                          "LEFT OUTER JOIN lines l ON l.ord = o.id where o.id > 10"));
    ASSERT_EQ(p.attrCount, 3);
    EXPECT_EQ(attr(p, 0), "id|<null>|orders|<null>|o|0");
    EXPECT_EQ(attr(p, 1), "name|<null>|customers|<null>|c|0");
    EXPECT_EQ(attr(p, 2), "qty|<null>|lines|<null>|l|0");
    EXPECT_STREQ(p.fromText, "orders o inner join customers c on c.id = o.cust "
                             "LEFT OUTER JOIN lines l ON l.ord = o.id");
    EXPECT_STREQ(p.whereText, " o.id > 10");
}

TEST(FromList, DerivedTablesAndQuotedNamesAreNotSplitInside) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select d.a from (select t.a from s.t) d, \"my.schema\".\"tab\" q"));
    EXPECT_EQ(attr(p, 0), "a|<null>|(select t.a from s.t)|<null>|d|0");
    EXPECT_STREQ(p.curCreator, "\"my.schema\"");
    EXPECT_STREQ(p.curTable, "\"tab\"");
}

TEST(Clauses, KeywordsSplitTheRest) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("Select a, sum(b) From t Where a > 'x, where y' Group By a "
                          "Having sum(b) > 2 Order By a desc, 2"));
    EXPECT_STREQ(p.fromText, "t");
    EXPECT_STREQ(p.whereText, " a > 'x, where y'");
    EXPECT_STREQ(p.groupByText, " a");
    EXPECT_STREQ(p.havingText, " sum(b) > 2");
    EXPECT_STREQ(p.orderByText, " a desc, 2");

    /* A quote escaped in E'...' opens nothing. */
    ASSERT_TRUE(p.analyse("select E'it\\'s' as x, g from t where g = 1"));
    EXPECT_STREQ(p.fromText, "t");
    EXPECT_STREQ(p.whereText, " g = 1");

    /* Two blanks between GROUP and BY: no GROUP BY, the words join the current clause. */
    ASSERT_TRUE(p.analyse("select a from t group  by a"));
    EXPECT_EQ(p.groupByText, nullptr);
    ASSERT_TRUE(p.analyse("select a from t where a = 1 group  by a"));
    EXPECT_STREQ(p.whereText, " a = 1 group by a");
}

TEST(Clauses, SubSelectsStayOneToken) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select a from t where b in (select c from u where d = 'WHERE') "
                          "and e = 1"));
    EXPECT_STREQ(p.whereText, " b in (select c from u where d = 'WHERE') and e = 1");
    EXPECT_EQ(p.havingText, nullptr);
}

TEST(Clauses, LimitAndFriendsAreKeptAsTheTail) {
    cSqlParsex p;
    ASSERT_TRUE(p.analyse("select a from t where b = 1 order by a limit 10 offset 5"));
    EXPECT_STREQ(p.whereText, " b = 1");
    EXPECT_STREQ(p.orderByText, " a");
    EXPECT_STREQ(p.tailText, "limit 10 offset 5");
    ASSERT_TRUE(p.analyse("select a from t limit 3"));
    EXPECT_STREQ(p.fromText, "t");
    EXPECT_STREQ(p.tailText, "limit 3");
    ASSERT_TRUE(p.analyse("select a from t for update"));
    EXPECT_STREQ(p.fromText, "t");
    EXPECT_STREQ(p.tailText, "for update");
}

TEST(Failures, NotASelectOrNoFromList) {
    cSqlParsex p;
    EXPECT_FALSE(p.analyse("select a"));
    EXPECT_FALSE(p.analyse("select a from"));
    EXPECT_FALSE(p.analyse("select a from   "));
    EXPECT_FALSE(p.analyse("select a from where x = 1"));
    EXPECT_FALSE(p.analyse("update t set a = 1"));
    EXPECT_FALSE(p.analyse("(select a from t)"));
    EXPECT_FALSE(p.analyse(""));
    EXPECT_FALSE(p.analyse(nullptr));
    EXPECT_FALSE(p.analyse("select a from,t"));  // "from," is not the keyword
    EXPECT_EQ(p.attrCount, 0);
    EXPECT_EQ(p.fromText, nullptr);
    /* Blanks, line breaks and comments before the keyword are skipped. */
    EXPECT_TRUE(p.analyse(" \r\n\t-- header\n/* c */ sElEcT a from t"));
    /* A comment separates a keyword like a blank. */
    ASSERT_TRUE(p.analyse("select a from/* c */t--x\nwhere/**/b = 1"));
    EXPECT_STREQ(p.fromText, "t");
    EXPECT_STREQ(p.whereText, " b = 1");
}

TEST(Failures, FailedParseLeavesTheModelAlone) {
    cStatementModel m(1, "", "", "", "");
    m.setWhere("keep");
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "a", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    EXPECT_FALSE(cSqlParsex::parse("select a", &m, nullptr));
    EXPECT_FALSE(cSqlParsex::parse("delete from t", &m, nullptr));
    EXPECT_EQ(m.columnCount, 1);
    EXPECT_STREQ(m.where, "keep");
}

TEST(Trace, OneLinePerAttributeWithNullsSpelledOut) {
    cStatementModel m(1, "", "", "", "");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(cSqlParsex::parse("select x.a, 2 two from t x", &m, nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no trace unless asked for";

    cSqlParsex::tracing = true;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(cSqlParsex::parse("select x.a, 2 two from t x", &m, nullptr));
    std::string out = testing::internal::GetCapturedStdout();
    cSqlParsex::tracing = false;
    EXPECT_EQ(out,
              "ATR: a, ALIATR: (null), TBL: t, CRE: (null), ALITBL: x, EXPR: 0\n"
              "ATR: 2, ALIATR: two, TBL: (null), CRE: (null), ALITBL: (null), EXPR: 1\n");
}
