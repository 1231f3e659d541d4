/* Statement model: handover from the parser, regeneration, filters, sort, UNION check. */
#include <gtest/gtest.h>

#include <string>

#include "fake_xdbc.h"
#include "sqlparser.h"
#include "stmtmodel.h"

namespace {

/* Parses sql into m (trace lines swallowed). */
bool parseInto(cStatementModel& m, char const* sql, cXdbc* x = nullptr) {
    m.setSql(sql);
    testing::internal::CaptureStdout();
    bool ok = m.parse(x);
    testing::internal::GetCapturedStdout();
    return ok;
}

std::string regenerated(cStatementModel& m) {
    m.regenerate();
    return m.sql;
}

cQbeFilter filter(short colid, short op, char const* text, short type = 2, bool negate = false) {
    cQbeFilter f;
    f.colid = colid;
    f.type = type;
    f.op = op;
    f.negate = negate;
    f.text = text;
    return f;
}

std::string where1(cStatementModel& m, cQbeFilter f) {
    m.takeFilters(&f, 1);
    return m.filterWhere;
}

}  // namespace

TEST(Handover, ColumnsFromTheSelectList) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(parseInto(m, "select x.a, y.b bee, 1 + 2 from tab1 x, owner.tab2 y "
                             "where x.k = y.k order by 1"));
    ASSERT_EQ(m.columnCount, 3);
    EXPECT_FALSE(m.selectStar);
    cStmtColumn* c = m.column(0);
    EXPECT_EQ(c->id, 0);
    EXPECT_STREQ(c->selText, "x.a");
    EXPECT_STREQ(c->title, "a");
    EXPECT_STREQ(c->tbl, "tab1");
    EXPECT_EQ(c->type, 2);  // no cursor: strings
    EXPECT_EQ(c->widthCode, 0);
    c = m.column(1);
    EXPECT_EQ(c->id, 1);
    EXPECT_EQ(c->pos, 1);
    EXPECT_STREQ(c->selText, "y.b");
    EXPECT_STREQ(c->cre, "owner");
    EXPECT_STREQ(c->title, "bee");
    EXPECT_STREQ(m.column(2)->selText, "1+2");
    EXPECT_EQ(m.column(3), nullptr);
    // Quoted names are titled as the data source names the column.
    cStatementModel q(1, "", "", "", "");
    ASSERT_TRUE(parseInto(q, "select m.\"Col One\", n as \"N\xe1zev \"\"x\"\"\" from t m"));
    EXPECT_STREQ(q.column(0)->title, "Col One");
    EXPECT_STREQ(q.column(1)->title, "N\xe1zev \"x\"");
    EXPECT_STREQ(q.column(1)->aliatr, "\"N\xe1zev \"\"x\"\"\"") << "SQL keeps the quotes";
    EXPECT_STREQ(m.from, "tab1 x, owner.tab2 y");
    EXPECT_TRUE(m.fromGiven);
    EXPECT_STREQ(m.where, "x.k = y.k");
    EXPECT_STREQ(m.fullWhere, "x.k = y.k");
    EXPECT_STREQ(m.orderBy, "1");
    EXPECT_STREQ(m.groupBy, "");
    EXPECT_EQ(regenerated(m),
              "select x.a, y.b as bee, 1+2 from tab1 x, owner.tab2 y where x.k = y.k order by 1");
}

TEST(Handover, TypesAndWidthsFromTheCursor) {
    cFakeXdbc x({{"ID", 1}, {"NAME", 2}, {"BORN", 4}, {"NOTE", 8}});
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(parseInto(m, "select id, name, born, note from people", &x));
    ASSERT_EQ(m.columnCount, 4);
    EXPECT_EQ(m.column(0)->type, 1);
    EXPECT_EQ(m.column(0)->widthCode, -10);
    EXPECT_EQ(m.column(1)->widthCode, 0);
    EXPECT_EQ(m.column(2)->type, 4);
    EXPECT_EQ(m.column(2)->widthCode, -10);
    EXPECT_EQ(m.column(3)->type, 8);
    EXPECT_STREQ(m.column(1)->title, "name");

    /* select *: one entry per result column, dates -12. */
    ASSERT_TRUE(parseInto(m, "select * from people", &x));
    EXPECT_TRUE(m.selectStar);
    ASSERT_EQ(m.columnCount, 4);
    EXPECT_STREQ(m.column(1)->atr, "NAME");
    EXPECT_STREQ(m.column(1)->selText, "NAME");
    EXPECT_EQ(m.column(2)->widthCode, -12);
    EXPECT_EQ(m.column(0)->widthCode, -10);
    EXPECT_EQ(regenerated(m), "select * from people");

    /* Without a cursor select * still regenerates as "*". */
    cStatementModel n(1, "", "", "", "");
    ASSERT_TRUE(parseInto(n, "select * from people"));
    EXPECT_EQ(n.columnCount, 0);
    EXPECT_EQ(regenerated(n), "select * from people");
}

TEST(Handover, StarsAmongOtherItemsFollowTheResult) {
    cFakeXdbc x({{"a", 1}, {"b", 2}, {"x", 2}, {"n", 1}});
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(parseInto(m, "select t.*, u.x, count(*) n from tab t, u group by t.a, t.b, u.x",
                          &x));
    ASSERT_EQ(m.columnCount, 4);
    EXPECT_STREQ(m.column(0)->selText, "t.a");
    EXPECT_EQ(m.column(0)->type, 1);
    EXPECT_STREQ(m.column(1)->selText, "t.b");
    EXPECT_STREQ(m.column(2)->selText, "u.x");
    EXPECT_STREQ(m.column(3)->selText, "count(*)");
    EXPECT_EQ(m.column(3)->type, 1);
    EXPECT_EQ(regenerated(m), "select t.*, u.x, count(*) n from tab t, u group by t.a, t.b, u.x");

    /* A bare star among other items is kept, not dropped. */
    cStatementModel k(1, "", "", "", "");
    ASSERT_TRUE(parseInto(k, "select *, 1 one from tab"));
    EXPECT_EQ(regenerated(k), "select *, 1 as one from tab");
    cFakeXdbc y({{"a", 1}, {"b", 2}, {"one", 1}});
    ASSERT_TRUE(parseInto(k, "select *, 1 one from tab", &y));
    ASSERT_EQ(k.columnCount, 3);
    EXPECT_STREQ(k.column(2)->selText, "1");
    EXPECT_STREQ(k.column(2)->title, "one");
    EXPECT_EQ(regenerated(k), "select *, 1 one from tab");

    /* A list that does not match the result one to one: columns from the result. */
    cFakeXdbc z({{"p", 2}, {"q", 2}, {"r", 2}});
    ASSERT_TRUE(parseInto(k, "select f(p) over (order by q) w, r from tab", &z));
    ASSERT_EQ(k.columnCount, 3);
    EXPECT_STREQ(k.column(0)->selText, "p");
    EXPECT_EQ(regenerated(k), "select f(p) over (order by q) w, r from tab");

    /* Items whose words the records would lose (operators taken for aliases, typed literals,
       window functions) keep the list as written, never a shorter one. */
    cFakeXdbc lz({{"id", 1}, {"mid", 1}, {"d", 4}});
    char const* lossyList = "select id, plat between 1 and 50000 as mid, date '2024-01-01' d from tab";
    ASSERT_TRUE(parseInto(k, lossyList, &lz));
    ASSERT_EQ(k.columnCount, 3);
    EXPECT_STREQ(k.column(1)->selText, "mid");
    EXPECT_EQ(regenerated(k), lossyList);
    cStatementModel none(1, "", "", "", "");
    EXPECT_FALSE(parseInto(none, "select a is null as b from tab")) << "no result to name it";
    EXPECT_EQ(none.columnCount, 0);

    /* The list as written stops at its last token: a trailing comment would swallow
       the rest of the rebuilt statement. */
    ASSERT_TRUE(parseInto(k, "select distinct *, r -- all of it\r\nfrom tab", &z));
    k.setWhere("r > 1");
    EXPECT_EQ(regenerated(k), "select distinct *, r from tab where r > 1");

    /* Names of a star's columns go into SQL as the source writes them; titles stay. */
    cStatementModel o(1, "", "", "", "");
    cFakeXdbc odd({{"Mixed Case", 2}, {"order", 1}, {"it's", 2}, {"a\"b", 2}, {"Name", 2},
                   {"name_2", 2}, {"\xe8\xedslo", 1}});
    odd.rule = {'"', 'L', "ILIKE,name_2"};
    ASSERT_TRUE(parseInto(o, "select * from \"Odd; x\"", &odd));
    ASSERT_EQ(o.columnCount, 7);
    char const* want[] = {"\"Mixed Case\"", "\"order\"", "\"it's\"", "\"a\"\"b\"", "\"Name\"",
                          "\"name_2\"", "\"\xe8\xedslo\""};
    for (int i = 0; i < 7; i++) {
        EXPECT_STREQ(o.column(i)->selText, want[i]);
        EXPECT_STREQ(o.column(i)->title, odd.cols[i].first.c_str());
    }
    o.takeSort(o.column(2)->id, 2);
    cQbeFilter f = filter(o.column(0)->id, QBE_LIKE_START, "a");
    o.takeFilters(&f, 1);
    EXPECT_EQ(regenerated(o),
              "select * from \"Odd; x\" where \"Mixed Case\" like 'a%' order by \"it's\" DESC");
    // A join's two "id" columns: sorting names the place, as the name would be ambiguous.
    cStatementModel j(1, "", "", "", "");
    cFakeXdbc joined({{"id", 1}, {"name", 2}, {"id", 1}});
    ASSERT_TRUE(parseInto(j, "select * from a join b on b.id = a.id", &joined));
    j.takeSort(j.column(2)->id, 1);
    EXPECT_EQ(regenerated(j), "select * from a join b on b.id = a.id order by 3 ASC");
    j.takeSort(j.column(1)->id, 2);
    EXPECT_EQ(regenerated(j), "select * from a join b on b.id = a.id order by name DESC");
    // When the source names each column's table, the name is qualified as the FROM list
    // writes the table; a table listed twice leaves it bare.
    joined.cols.push_back({"name", 2});
    joined.tables = {"a", "a", "B", "B"};
    ASSERT_TRUE(parseInto(j, "select * from s.a join \"B\" x on x.id = a.id", &joined));
    cQbeFilter both[2] = {filter(j.column(0)->id, QBE_EQ, "1", 1),
                          filter(j.column(3)->id, QBE_EQ, "x")};
    j.takeFilters(both, 2);
    EXPECT_EQ(regenerated(j), "select * from s.a join \"B\" x on x.id = a.id where s.a.id=1 and "
                              "x.name='x'");
    ASSERT_TRUE(parseInto(j, "select * from a, \"b\"", &joined));
    EXPECT_STREQ(j.column(0)->selText, "a.id");
    EXPECT_STREQ(j.column(2)->selText, "id");  // "b" is not B
    ASSERT_TRUE(parseInto(j, "select * from a a1, a a2", &joined));
    EXPECT_STREQ(j.column(0)->selText, "id");
    odd.rule = {'"', 'U', ""};
    ASSERT_TRUE(parseInto(o, "select t.* from t", &odd));
    EXPECT_STREQ(o.column(4)->selText, "t.\"Name\"");
    odd.cols = {{"NAME", 2}, {"Name", 2}};
    ASSERT_TRUE(parseInto(o, "select t.* from t", &odd));
    EXPECT_STREQ(o.column(0)->selText, "t.NAME");
    odd.rule = {' ', 0, ""};  // no quotes: the name as it is, the best there is
    ASSERT_TRUE(parseInto(o, "select t.* from t", &odd));
    EXPECT_STREQ(o.column(1)->selText, "t.Name");
}

TEST(Regenerate, CombinesWrittenAndFilterConditions) {
    cStatementModel m(1, "", "", "", "");
    m.addColumn(0, 0, nullptr, "t", nullptr, "a", nullptr, nullptr, 1, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, "t", nullptr, "b", nullptr, nullptr, 1, 0, 0, nullptr, 0);
    m.setFrom("t");
    m.setWhere("a=1");
    cQbeFilter f = filter(1, QBE_EQ, "2", 1);
    m.takeFilters(&f, 1);
    EXPECT_STREQ(m.filterWhere, "t.b=2");
    EXPECT_EQ(regenerated(m), "select t.a, t.b from t where a=1 and t.b=2");
    EXPECT_STREQ(m.fullWhere, "a=1 and t.b=2");

    /* An OR in the written condition is kept together. */
    m.setWhere("a=1 or a=3");
    EXPECT_EQ(regenerated(m), "select t.a, t.b from t where (a=1 or a=3) and t.b=2");
    /* ... but 'or' inside a literal or a sub-select is no reason. */
    m.setWhere("a='x or y' and a in (select 1 or 2)");
    EXPECT_EQ(regenerated(m),
              "select t.a, t.b from t where a='x or y' and a in (select 1 or 2) and t.b=2");

    /* Filters cleared: the written condition alone, unchanged. */
    m.takeFilters(nullptr, 0);
    m.setWhere("a=1 or a=3");
    EXPECT_EQ(regenerated(m), "select t.a, t.b from t where a=1 or a=3");

    /* Hidden columns stay out of the list. */
    m.columns[0].flags |= STMCOL_HIDDEN;
    m.setWhere("");
    EXPECT_EQ(regenerated(m), "select t.b from t");
}

TEST(Regenerate, FromListBuiltFromTheColumns) {
    cStatementModel m(1, "", "", "", "");
    m.addColumn(0, 0, "o", "cat", "c", "a", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    m.addColumn(0, 0, "o", "cat", "c", "b", "bb", nullptr, 2, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, "at", nullptr, "x", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "1+1", nullptr, nullptr, 1, 0, 0, nullptr, 0);
    EXPECT_FALSE(m.fromGiven);
    EXPECT_EQ(regenerated(m), "select c.a, c.b as bb, at.x, 1+1 from o.cat c, at");
    EXPECT_STREQ(m.column(1)->title, "bb");
    EXPECT_STREQ(m.column(2)->title, "at.x");
}

TEST(Regenerate, GroupByToolModel) {
    /* The model the GROUP BY tool builds from a grid's model. */
    cStatementModel src(1, "", "", "", "");
    ASSERT_TRUE(parseInto(src, "select x.NAME, x.AMOUNT from sales x where x.AMOUNT > 0"));
    cStatementModel g(1, "GROUP BY", "", "", "");
    char const* sel = src.column(0)->selText;
    g.addColumn(0, 0, nullptr, nullptr, nullptr, sel, nullptr, sel, 0, 0, 0, nullptr, 0);
    g.addColumn(1, 1, nullptr, nullptr, nullptr, "count(*)", nullptr, "count(*)", 1, 0, 0, nullptr,
                STMCOL_AGGREGATE);
    g.setFrom(src.from);
    g.setWhere(src.fullWhere);
    g.setGroupBy(sel);
    EXPECT_EQ(regenerated(g),
              "select x.NAME, count(*) from sales x where x.AMOUNT > 0 group by x.NAME");

    /* A filter on the count lands in HAVING; on the name in WHERE. */
    cQbeFilter f[2] = {filter(1, QBE_GT, "5", 1), filter(0, QBE_LIKE_START, "A")};
    g.takeFilters(f, 2);
    EXPECT_EQ(regenerated(g), "select x.NAME, count(*) from sales x where x.AMOUNT > 0 and "
                              "x.NAME like 'A%' group by x.NAME having count(*)>5");

    /* Query-by-example ordering: aggregate by position, others by text. */
    g.setOrderByColumn(1, 2);
    EXPECT_STREQ(g.orderBy, "2 DESC");
    g.setOrderByColumn(0, 1);
    EXPECT_STREQ(g.orderBy, "x.NAME");
    g.setOrderByColumn(0, 0);
    EXPECT_STREQ(g.orderBy, "");
    g.setOrderByColumn(0, 2);
    g.setOrderByColumn(7, 1);
    EXPECT_STREQ(g.orderBy, "");
    g.setOrderByColumn(0, 2);
    g.setOrderByColumn(-1, 1);
    EXPECT_STREQ(g.orderBy, "");
}

TEST(Regenerate, PrefixTailAndHavingAsWrittenSurvive) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(parseInto(m, "SELECT DISTINCT a FROM t WHERE b = 1 ORDER BY a LIMIT 5"));
    cQbeFilter f = filter(0, QBE_LIKE_START, "x");
    m.takeFilters(&f, 1);
    EXPECT_EQ(regenerated(m),
              "select DISTINCT a from t where b = 1 and a like 'x%' order by a LIMIT 5");
    m.takeSort(0, 2);
    EXPECT_EQ(regenerated(m), "select DISTINCT a from t where b = 1 and a like 'x%' order by 1 DESC "
                              "LIMIT 5");

    cStatementModel h(1, "", "", "", "");
    ASSERT_TRUE(parseInto(h, "select count(*) from t having count(*) > 1"));
    EXPECT_EQ(regenerated(h), "select count(*) from t having count(*) > 1");
}

TEST(Filters, OperatorsAndNegation) {
    cStatementModel m(1, "", "", "", "");
    m.addColumn(0, 0, nullptr, "NAMES", "x", "NAME", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "AMOUNT", nullptr, nullptr, 1, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "CODE", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_START, "ab")), "x.NAME like 'ab%'");
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_START, "ab", 2, true)), "x.NAME not like 'ab%'");
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_ANY, "ab")), "x.NAME like '%ab%'");
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_END, "ab")), "x.NAME like '%ab'");
    EXPECT_EQ(where1(m, filter(1, QBE_GT, "5", 1)), "AMOUNT>5");
    EXPECT_EQ(where1(m, filter(2, QBE_GT, "5", 2)), "CODE>'5'");
    EXPECT_EQ(where1(m, filter(1, QBE_EQ, "-1.5e3", 1)), "AMOUNT=-1.5e3");
    EXPECT_EQ(where1(m, filter(1, QBE_GE, "9,5", 1)), "AMOUNT>=9.5");  // as the grid reads it
    EXPECT_EQ(where1(m, filter(1, QBE_GE, "9,5,1", 1)), "AMOUNT>='9,5,1'");
    EXPECT_EQ(where1(m, filter(1, QBE_NE, "5", 1, true)), "not AMOUNT<>5");
    EXPECT_EQ(where1(m, filter(1, QBE_LT, "5", 1)), "AMOUNT<5");
    EXPECT_EQ(where1(m, filter(1, QBE_LE, "5", 1)), "AMOUNT<=5");
    EXPECT_EQ(where1(m, filter(1, QBE_GE, "5", 1)), "AMOUNT>=5");
    EXPECT_EQ(where1(m, filter(2, QBE_NULL, "")), "CODE is null");
    EXPECT_EQ(where1(m, filter(2, QBE_NULL, nullptr, 2, true)), "CODE is not null");
    EXPECT_EQ(where1(m, filter(2, QBE_NOTNULL, "")), "CODE is not null");
    EXPECT_EQ(where1(m, filter(2, QBE_NOTNULL, "", 2, true)), "CODE is null");
    /* A date as the grid reads it, in the form the data source compares; anything else as
       typed. */
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "DAY", nullptr, nullptr, 4, 0, 0, nullptr, 0);
    EXPECT_EQ(where1(m, filter(3, QBE_GE, "24.11.2024", 4)), "DAY>='2024-11-24'");
    EXPECT_EQ(where1(m, filter(3, QBE_LT, "24.11.2024 13:05", 4)), "DAY<'2024-11-24 13:05:00'");
    EXPECT_EQ(where1(m, filter(3, QBE_EQ, "2024-11-24 00:00:01", 4)), "DAY='2024-11-24 00:00:01'");
    EXPECT_EQ(where1(m, filter(3, QBE_EQ, "24.11.", 4)), "DAY='24.11.'");
    EXPECT_EQ(where1(m, filter(3, QBE_EQ, "31.02.2024", 4)), "DAY='31.02.2024'");
    EXPECT_EQ(where1(m, filter(3, QBE_EQ, "29.2.2024", 4)), "DAY='2024-02-29'");
    EXPECT_EQ(where1(m, filter(3, QBE_EQ, "x'y", 4)), "DAY='x''y'");
    EXPECT_EQ(where1(m, filter(3, QBE_LIKE_START, "24.11", 4)), "DAY like '24.11%'");
    /* No text, unused codes and unknown columns make nothing. */
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_START, "")), "");
    EXPECT_EQ(where1(m, filter(0, 210, "a")), "");
    EXPECT_EQ(where1(m, filter(9, QBE_EQ, "a")), "");

    cQbeFilter several[3] = {filter(0, QBE_LIKE_START, "A"), filter(1, QBE_GE, "10", 1),
                             filter(2, QBE_NULL, nullptr)};
    m.takeFilters(several, 3);
    EXPECT_STREQ(m.filterWhere, "x.NAME like 'A%' and AMOUNT>=10 and CODE is null");
    EXPECT_STREQ(m.filterHaving, "");
}

TEST(Filters, ValuesCannotBreakOutOfTheirLiteral) {
    cStatementModel m(1, "", "", "", "");
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "NAME", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "AMOUNT", nullptr, nullptr, 1, 0, 0, nullptr, 0);
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_START, "O'Brien")), "NAME like 'O''Brien%'");
    EXPECT_EQ(where1(m, filter(0, QBE_EQ, "x' or '1'='1")), "NAME='x'' or ''1''=''1'");
    /* The grid matches LIKE texts literally; so does the data source. */
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_START, "5_")), "NAME like '5!_%' escape '!'");
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_ANY, "50%")), "NAME like '%50!%%' escape '!'");
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_END, "back\\", 2, true)),
              "NAME not like '%back\\' escape '!'");
    EXPECT_EQ(where1(m, filter(0, QBE_LIKE_START, "it's!")), "NAME like 'it''s!!%' escape '!'");
    /* A number column whose text is no number compares with a literal, not with SQL. */
    EXPECT_EQ(where1(m, filter(1, QBE_GT, "1 or 1=1", 1)), "AMOUNT>'1 or 1=1'");
    EXPECT_EQ(where1(m, filter(1, QBE_GT, "--5", 1)), "AMOUNT>'--5'");
    EXPECT_EQ(where1(m, filter(1, QBE_EQ, " 7 ", 1)), "AMOUNT=7");
}

TEST(Filters, AggregatesGoToHavingOnlyWithGroupBy) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(parseInto(m, "select dept, COUNT (*) n, Sum(pay) from staff group by dept"));
    ASSERT_EQ(m.columnCount, 3);
    cQbeFilter f[3] = {filter(1, QBE_GT, "2", 1), filter(2, QBE_LT, "100", 1),
                       filter(0, QBE_EQ, "IT")};
    m.takeFilters(f, 3);
    EXPECT_STREQ(m.filterWhere, "dept='IT'");
    EXPECT_STREQ(m.filterHaving, "COUNT(*)>2 and Sum(pay)<100");
    EXPECT_EQ(regenerated(m), "select dept, COUNT(*) as n, Sum(pay) from staff where dept='IT' "
                              "group by dept having COUNT(*)>2 and Sum(pay)<100");

    cStatementModel n(1, "", "", "", "");
    ASSERT_TRUE(parseInto(n, "select count(*) from staff"));
    cQbeFilter c = filter(0, QBE_GT, "2", 1);
    n.takeFilters(&c, 1);
    EXPECT_STREQ(n.filterWhere, "count(*)>2");
    EXPECT_STREQ(n.filterHaving, "");
}

TEST(Filters, AggregateText) {
    EXPECT_TRUE(sqlx_isAggregate("COUNT (x)"));
    EXPECT_TRUE(sqlx_isAggregate("1 + max(a)"));
    EXPECT_TRUE(sqlx_isAggregate("Avg (b)"));
    EXPECT_FALSE(sqlx_isAggregate("discount"));
    EXPECT_FALSE(sqlx_isAggregate("count  (x)"));
    EXPECT_FALSE(sqlx_isAggregate(nullptr));
}

TEST(Sort, GridSortBecomesOrderBy) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(parseInto(m, "select a, b, c from t order by a"));
    m.takeSort(2, 2);
    EXPECT_STREQ(m.orderBy, "3 DESC");
    m.takeSort(0, 1);
    EXPECT_STREQ(m.orderBy, "1 ASC");
    m.takeSort(0, 0);
    EXPECT_STREQ(m.orderBy, "");
    EXPECT_EQ(regenerated(m), "select a, b, c from t");

    cFakeXdbc x({{"ID", 1}, {"NAME", 2}});
    ASSERT_TRUE(parseInto(m, "select * from t", &x));
    m.takeSort(1, 2);
    EXPECT_STREQ(m.orderBy, "NAME DESC");
    m.takeSort(5, 1);  // no such column
    EXPECT_STREQ(m.orderBy, "");

    /* Positions count only the columns in the select list. */
    cStatementModel h(1, "", "", "", "");
    h.addColumn(0, 0, nullptr, nullptr, nullptr, "a", nullptr, nullptr, 2, 0, 0, nullptr,
                STMCOL_HIDDEN);
    h.addColumn(0, 0, nullptr, nullptr, nullptr, "b", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    h.takeSort(1, 1);
    EXPECT_STREQ(h.orderBy, "1 ASC");
}

TEST(Union, DetectedAnywhereTheGridCannotRebuild) {
    EXPECT_TRUE(cStatementModel::isUnion("select a from t UNION SELECT a from u"));
    EXPECT_TRUE(cStatementModel::isUnion("select a from t union all select a from u"));
    EXPECT_TRUE(cStatementModel::isUnion("select a from t\nunion\nselect a from u"));
    EXPECT_TRUE(cStatementModel::isUnion("select a from t intersect select a from u"));
    EXPECT_TRUE(cStatementModel::isUnion("select a from t Except select a from u"));
    /* The plain search is kept even inside a literal: refusing is the safe side. */
    EXPECT_TRUE(cStatementModel::isUnion("select a from t where b = 'union select'"));
    EXPECT_FALSE(cStatementModel::isUnion("select a from t where b = 'union all'"));
    EXPECT_FALSE(cStatementModel::isUnion("select reunion, unions from t"));
    EXPECT_FALSE(cStatementModel::isUnion("select * from (select a from t union all select a "
                                          "from u) x"));
    EXPECT_FALSE(cStatementModel::isUnion(nullptr));

    cStatementModel m(1, "", "", "", "");
    m.setSql("select a from t Union Select b from u");
    EXPECT_TRUE(m.hasUnion);
    m.setSql("select a from t");
    EXPECT_FALSE(m.hasUnion);
}

TEST(Conditions, QueryByExampleEditorOperators) {
    cStatementModel m(1, "", "", "", "");
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "name", nullptr, nullptr, 2, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "qty", nullptr, nullptr, 1, 0, 0, nullptr, 0);
    m.addColumn(0, 0, nullptr, nullptr, nullptr, "count(*)", nullptr, nullptr, 1, 0, 0, nullptr,
                STMCOL_AGGREGATE);
    struct Case {
        int col;
        short op;
        char const* text;
        char const* sql;
    } cases[] = {
        {0, 1, "ab", "name LIKE 'ab%'"},      {0, 2, "a'b", "name LIKE '%a''b%'"},
        {0, 3, "ab", "name LIKE '%ab'"},      {0, 4, "ab", "name='ab'"},
        // A backslash is a letter, with "!" as the escape (wildcards stay wildcards).
        {0, 1, "b\\!_", "name LIKE 'b\\!!_%' ESCAPE '!'"},
        {1, 5, "3", "qty<>3"},                {1, 6, "3", "qty<3"},
        {1, 7, "3", "qty>3"},                 {1, 8, "3", "qty<=3"},
        {1, 9, "3", "qty>=3"},                {1, 10, "1,2", "qty IN (1,2)"},
        {1, 11, "1,2", "qty NOT IN (1,2)"},   {1, 12, "1 and 5", "qty BETWEEN 1 and 5"},
        {0, 13, "", "name IS NULL"},          {0, 14, "", "name IS NOT NULL"},
        // List items and bounds are literals or numbers, whatever the text holds.
        {1, 12, "1 and 5 or 1=1", "qty BETWEEN 1 and '5 or 1=1'"},
        {0, 10, "'x') or (1=1", "name IN ('''x'') or (1=1')"},
        {0, 10, "abc, O'Neil,, 'it''s, ok' ", "name IN ('abc', 'O''Neil', 'it''s, ok')"},
        {0, 11, "'a''", "name NOT IN ('''a''''')"},
        {1, 10, "1, two", "qty IN (1, 'two')"},
        {0, 12, "'a' AND 'm'", "name BETWEEN 'a' AND 'm'"},
        {0, 12, "x", "name BETWEEN 'x'"},
    };
    for (Case const& c : cases) {
        m.setCondition(0, 0, "");
        m.setCondition(1, 0, "");
        m.setCondition(c.col, c.op, c.text);
        m.takeConditions();
        EXPECT_STREQ(m.filterWhere, c.sql) << "operator " << c.op;
    }
    m.setCondition(0, 1, "a");
    m.setCondition(1, 7, "");  // no value: no condition
    m.setCondition(2, 7, "4");
    m.takeConditions();
    EXPECT_STREQ(m.filterWhere, "name LIKE 'a%'");
    EXPECT_STREQ(m.filterHaving, "count(*)>4");
    m.setCondition(1, 7, "2");
    m.takeConditions();
    EXPECT_STREQ(m.filterWhere, "name LIKE 'a%' AND qty>2");

    std::string longText(150, 'z');
    m.setCondition(0, 1, longText.c_str());
    EXPECT_EQ(strlen(m.column(0)->condText), (size_t)STMCOND_MAX);
    m.setCondition(0, 99, "x");
    EXPECT_EQ(m.column(0)->condOp, 0);
    m.setCondition(42, 1, "x");  // out of range: ignored
}

TEST(Columns, GrowPastOneHundredAndFindById) {
    cStatementModel m(1, "", "", "", "");
    for (int i = 0; i < 250; i++) {
        std::string name = "c" + std::to_string(i);
        ASSERT_EQ(m.addColumn((short)(i + 1000), 0, nullptr, nullptr, nullptr, name.c_str(),
                              nullptr, nullptr, 2, 0, 0, nullptr, 0),
                  i);
    }
    EXPECT_EQ(m.columnCount, 250);
    EXPECT_EQ(m.columnAlloc, 300);
    EXPECT_EQ(m.indexOfColumn(1249), 249);
    EXPECT_EQ(m.indexOfColumn(5), -1);
    EXPECT_STREQ(m.column(249)->atr, "c249");
    EXPECT_EQ(m.column(249)->pos, 249);
    m.clearColumns();
    EXPECT_EQ(m.columnCount, 0);
    EXPECT_EQ(m.column(0), nullptr);
}

TEST(RoundTrip, RealWorldStatementsRegenerateUnchangedInMeaning) {
    struct Case {
        char const* in;
        char const* out;
    } cases[] = {
        {"select e.name, d.title dept from emp e join dept d on d.id = e.dept_id "
         "where e.salary > (select avg(salary) from emp) order by e.name",
         "select e.name, d.title as dept from emp e join dept d on d.id = e.dept_id "
         "where e.salary > (select avg(salary) from emp) order by e.name"},
        {"SELECT \"Order Id\", o.\"Total\" FROM \"Orders\" o WHERE o.note = 'a, b (c) FROM x'",
         "select \"Order Id\", o.\"Total\" from \"Orders\" o where o.note = 'a, b (c) FROM x'"},
        {"select a,b from t where c = 1 -- trailing comment",
         "select a, b from t where c = 1"},
        {"select substr(name, 1, 3) pre, length(name) from people group by 1, 2 having count(*) > 1",
         "select substr(name, 1, 3) as pre, length(name) from people group by 1, 2 "
         "having count(*) > 1"},
    };
    for (Case const& c : cases) {
        cStatementModel m(1, "", "", "", "");
        ASSERT_TRUE(parseInto(m, c.in)) << c.in;
        EXPECT_EQ(regenerated(m), c.out);
    }
}
