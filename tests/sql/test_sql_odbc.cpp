/* Rebuilt statements run unchanged against real data sources: SQLite3 ODBC and
   PostgreSQL ODBC, through cXdbc. The model learns its columns from the open cursor,
   takes filters and sort orders, and the statement it regenerates must give exactly the
   rows the filters describe. */
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "odbc_env.h"
#include "sqlparser.h"
#include "stmtmodel.h"
#include "values.h"
#include "xdbc.h"

using namespace odbctest;

namespace {

struct Source {
    std::string name;
    std::string dsn, user, pswd;
    char const* realType;  // type of the salary column
};

void PrintTo(Source const& s, std::ostream* os) {
    *os << s.name;
}

class SqlOverOdbc : public ::testing::TestWithParam<Source> {
protected:
    cXdbc* x = nullptr;

    void SetUp() override {
        Source const& s = GetParam();
        ::testing::AssertionResult up = connectTo(x, s.dsn, s.user, s.pswd);
        ASSERT_TRUE(up) << (s.name == "pg" ? pgHint() : std::string("ODBCINI must name the "
                                                                    "odbc.ini of .ci/odbcini.sh"));
        std::string emp = std::string("create table lsq_emp (id integer primary key, "
                                      "name varchar(30), dept integer, salary ") +
                          s.realType + ", note varchar(30))";
        char const* ddl[] = {
            "drop table if exists lsq_emp",
            "drop table if exists lsq_dept",
            "create table lsq_dept (id integer primary key, title varchar(20))",
            emp.c_str(),
            "insert into lsq_dept values (1, 'Sales')",
            "insert into lsq_dept values (2, 'IT')",
            "insert into lsq_dept values (3, 'Union, select')",
            "insert into lsq_emp values (1, 'Adams', 1, 1000, null)",
            "insert into lsq_emp values (2, 'Abbot', 2, 2500, 'lead')",
            "insert into lsq_emp values (3, 'O''Brien', 2, 1800, null)",
            "insert into lsq_emp values (4, 'Baker', 1, 3200, 'part, time')",
            "insert into lsq_emp values (5, 'Carter', 3, 900, null)",
            "insert into lsq_emp values (6, 'Abel', 2, 4100, 'new')",
        };
        for (char const* sql : ddl)
            ASSERT_TRUE(run(x, sql));
        ASSERT_EQ(1, x->commit()) << x->errorStr();
    }

    void TearDown() override {
        if (x) {
            x->rollback();
            run(x, "drop table if exists lsq_emp");
            run(x, "drop table if exists lsq_dept");
            x->commit();
            xdb_free(x);
        }
    }

    /* Runs sql and lets the model parse it against the open cursor. */
    ::testing::AssertionResult open(cStatementModel& m, char const* sql) {
        m.setSql(sql);
        ::testing::AssertionResult r = run(x, sql);
        if (!r)
            return r;
        testing::internal::CaptureStdout();
        bool ok = m.parse(x);
        testing::internal::GetCapturedStdout();
        x->finish();
        if (!ok)
            return ::testing::AssertionFailure() << "the parser refused " << sql;
        return ::testing::AssertionSuccess();
    }

    /* Text of column 0 of every row of sql; fails the test when sql does not run. */
    std::vector<std::string> firstColumn(char const* sql) {
        std::vector<std::string> out;
        ::testing::AssertionResult r = run(x, sql);
        EXPECT_TRUE(r);
        if (!r) {
            x->rollback();
            return out;
        }
        bool number = x->colType(0) == 1;
        while (x->fetchNext()) {
            if (number) {
                cNumbex n;
                x->colValue(0, n);
                out.push_back(n.isNull() ? std::string("<null>")
                                         : std::to_string((long long)n.toDouble()));
            } else {
                cStrinx s;
                x->colValue(0, s);
                out.push_back(s.isNull() ? std::string("<null>") : std::string(s.text));
            }
        }
        x->finish();
        return out;
    }

    /* Rows of the model's regenerated statement, first column. */
    std::vector<std::string> rerun(cStatementModel& m) {
        m.regenerate();
        return firstColumn(m.sql);
    }
};

cQbeFilter qbe(short colid, short op, char const* text, short type, bool negate = false) {
    cQbeFilter f;
    f.colid = colid;
    f.type = type;
    f.op = op;
    f.negate = negate;
    f.text = text;
    return f;
}

}  // namespace

TEST_P(SqlOverOdbc, JoinedSelectFilteredInTheGridRunsAgain) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(open(m, "SELECT e.name, d.title Dept, e.salary, e.note\r\n"
                        "  FROM lsq_emp e, lsq_dept d\r\n"
                        " WHERE d.id = e.dept OR e.id = -1\r\n"
                        " ORDER BY e.id"));
    ASSERT_EQ(m.columnCount, 4);
    EXPECT_EQ(m.column(0)->type, 2);
    EXPECT_EQ(m.column(2)->type, 1);
    EXPECT_STREQ(m.column(0)->tbl, "lsq_emp");
    EXPECT_STREQ(m.column(1)->selText, "d.title");
    EXPECT_STREQ(m.column(1)->title, "Dept");

    /* Unfiltered, the rebuilt statement gives the original rows in their order. */
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"Adams", "Abbot", "O'Brien", "Baker", "Carter",
                                                  "Abel"}));

    /* Names starting with "Ab" earning more than 3000: the OR of the written WHERE must
       not let other rows through. */
    cQbeFilter f[2] = {qbe(0, QBE_LIKE_START, "Ab", 2), qbe(2, QBE_GT, "3000", 1)};
    m.takeFilters(f, 2);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"Abel"}));

    /* Negated LIKE and IS NULL. */
    cQbeFilter g[2] = {qbe(0, QBE_LIKE_START, "A", 2, true), qbe(3, QBE_NULL, "", 2)};
    m.takeFilters(g, 2);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"O'Brien", "Carter"}));

    /* A quote in the filter text matches the literal, it does not end it. */
    cQbeFilter q = qbe(0, QBE_EQ, "O'Brien", 2);
    m.takeFilters(&q, 1);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"O'Brien"}));

    /* Grid sort: salary descending, by position. */
    m.takeFilters(nullptr, 0);
    m.takeSort(2, 2);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"Abel", "Baker", "Abbot", "O'Brien", "Adams",
                                                  "Carter"}));
}

TEST_P(SqlOverOdbc, SelectStarTakesTheColumnsFromTheCursor) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(open(m, "select * from lsq_emp where salary < 3000"));
    EXPECT_TRUE(m.selectStar);
    ASSERT_EQ(m.columnCount, 5);
    EXPECT_EQ(m.column(0)->type, 1);
    EXPECT_EQ(m.column(1)->type, 2);
    EXPECT_EQ(m.column(1)->widthCode, 0);
    EXPECT_EQ(m.column(3)->widthCode, -10);

    cQbeFilter f = qbe(1, QBE_LIKE_ANY, "r", 2);  // the second result column, by name
    m.takeFilters(&f, 1);
    m.takeSort(1, 1);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"5", "3"}));  // Carter, O'Brien
    EXPECT_NE(std::string(m.sql).find("order by name ASC"), std::string::npos) << m.sql;

    /* The join's names held twice ("id") are qualified by the table the source names. */
    ASSERT_TRUE(open(m, "select * from lsq_emp e join lsq_dept d on d.id = e.dept order by e.id"));
    ASSERT_EQ(m.columnCount, 7);
    cQbeFilter j[2] = {qbe(5, QBE_EQ, "2", 1), qbe(0, QBE_GT, "2", 1)};  // d.id, e.id
    m.takeFilters(j, 2);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"3", "6"})) << m.sql;

    /* Result names that are no plain names, and LIKE texts with the wildcards in them. */
    char const* odd[] = {
        "create table \"lsq Odd\" (\"Mixed Case\" varchar(20), \"order\" integer, \"It's\" integer)",
        "insert into \"lsq Odd\" values ('5_x', 1, 1)", "insert into \"lsq Odd\" values ('5ax', 2, 2)",
        "insert into \"lsq Odd\" values ('50%', 3, 3)", "insert into \"lsq Odd\" values ('back\\x', 4, 4)",
        "insert into \"lsq Odd\" values ('back%', 5, 5)"};
    run(x, "drop table if exists \"lsq Odd\"");
    for (char const* sql : odd)
        ASSERT_TRUE(run(x, sql));
    cStatementModel o(1, "", "", "", "");
    ASSERT_TRUE(open(o, "select * from \"lsq Odd\""));
    ASSERT_EQ(o.columnCount, 3);
    o.takeSort(1, 2);
    EXPECT_EQ(rerun(o), (std::vector<std::string>{"back%", "back\\x", "50%", "5ax", "5_x"}));
    struct { short col, op; char const* text; std::vector<std::string> rows; } cases[] = {
        {0, QBE_LIKE_START, "5_", {"5_x"}},
        {0, QBE_LIKE_ANY, "0%", {"50%"}},
        {0, QBE_LIKE_START, "back\\", {"back\\x"}},
        {0, QBE_LIKE_END, "k%", {"back%"}},
        {2, QBE_GE, "4", {"back%", "back\\x"}},  // still sorted
    };
    for (auto& c : cases) {
        cQbeFilter f = qbe(c.col, c.op, c.text, c.col ? 1 : 2);
        o.takeFilters(&f, 1);
        EXPECT_EQ(rerun(o), c.rows) << o.sql;
    }
    x->rollback();
    run(x, "drop table if exists \"lsq Odd\"");
    x->commit();
}

TEST_P(SqlOverOdbc, GroupByModelWithAggregateFilterAndLimit) {
    /* What the GROUP BY tool builds from a filtered grid. */
    cStatementModel src(1, "", "", "", "");
    ASSERT_TRUE(open(src, "select e.dept, e.name from lsq_emp e where e.salary >= 1000"));
    src.regenerate();
    cStatementModel g(1, "GROUP BY", "", "", "");
    char const* sel = src.column(0)->selText;
    g.addColumn(0, 0, nullptr, nullptr, nullptr, sel, nullptr, sel, 0, 0, 0, nullptr, 0);
    g.addColumn(1, 1, nullptr, nullptr, nullptr, "count(*)", nullptr, "count(*)", 1, 0, 0, nullptr,
                STMCOL_AGGREGATE);
    g.setFrom(src.from);
    g.setWhere(src.fullWhere);
    g.setGroupBy(sel);
    g.setOrderByColumn(0, 1);
    EXPECT_EQ(rerun(g), (std::vector<std::string>{"1", "2"}));  // Carter's 900 is left out

    cQbeFilter f = qbe(1, QBE_GE, "3", 1);
    g.takeFilters(&f, 1);
    EXPECT_STREQ(g.filterHaving, "count(*)>=3");
    EXPECT_EQ(rerun(g), (std::vector<std::string>{"2"}));

    /* A LIMIT stays at the end of the rebuilt statement. */
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(open(m, "select name from lsq_emp order by id limit 2"));
    cQbeFilter a = qbe(0, QBE_LIKE_ANY, "e", 2);
    m.takeFilters(&a, 1);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"O'Brien", "Baker"}));
}

TEST_P(SqlOverOdbc, ExpressionsQuotedTextAndSubSelects) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(open(m, "select name, salary * 2 doubled, 'x, (y)' lit, "
                        "case when note is null then 'none' else note end kind "
                        "from lsq_emp where dept in (select id from lsq_dept where title <> "
                        "'Union, select') order by 1"));
    ASSERT_EQ(m.columnCount, 4);
    EXPECT_FALSE(m.hasUnion);
    EXPECT_STREQ(m.column(1)->selText, "salary*2");
    EXPECT_STREQ(m.column(3)->aliatr, "kind");
    cQbeFilter f[2] = {qbe(1, QBE_GT, "3000", 1), qbe(3, QBE_EQ, "none", 2)};
    m.takeFilters(f, 2);
    EXPECT_EQ(rerun(m), (std::vector<std::string>{"O'Brien"}));

    /* Text that is no number, on a number column, cannot widen the result. */
    cQbeFilter bad = qbe(1, QBE_GT, "0 or 1=1", 1);
    m.takeFilters(&bad, 1);
    m.regenerate();
    if (run(x, m.sql)) {
        int rows = 0;
        while (x->fetchNext())
            rows++;
        x->finish();
        EXPECT_EQ(rows, 0) << m.sql;
    } else {
        x->rollback();  // a type error is an honest answer too
    }
}

TEST_P(SqlOverOdbc, UnionStatementsAreNotRebuilt) {
    cStatementModel m(1, "", "", "", "");
    ASSERT_TRUE(open(m, "select name from lsq_emp where id = 1 union all select title from "
                        "lsq_dept"));
    EXPECT_TRUE(m.hasUnion);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SqlOverOdbc,
    ::testing::Values(Source{"sqlite", sqliteDsn(), "", "", "double precision"},
                      Source{"pg", pgDsn(), pgUser(), pgPswd(), "numeric(10,2)"}),
    [](::testing::TestParamInfo<Source> const& i) { return i.param.name; });
