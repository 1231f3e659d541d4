/* cXdbc2 through pelldb_odbc.dll on real data sources: the sample database and the test
   database on SQLite3, and PostgreSQL (.ci/pg.sh). DSN names may be overridden by
   LUMBRA_SAMPLE_DSN, LUMBRA_SQLITE_DSN, LUMBRA_PG_DSN, LUMBRA_PG_CURSOR_DSN,
   LUMBRA_PG_USER and LUMBRA_PG_PSWD. */
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>
#include <vector>
#include <thread>

#include <gtest/gtest.h>

#include "heapuse.h"
#include "pelldb.h"
#include "values.h"
#include "xdbc2.h"

namespace {

std::string envOr(char const* name, char const* fallback) {
    char const* v = getenv(name);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

std::string sampleDsn() { return envOr("LUMBRA_SAMPLE_DSN", "LumbraSample"); }
std::string sqliteDsn() { return envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"); }
std::string pgDsn() { return envOr("LUMBRA_PG_DSN", "LumbraPG"); }
std::string pgCursorDsn() { return envOr("LUMBRA_PG_CURSOR_DSN", "LumbraPGCursor"); }
std::string pgUser() { return envOr("LUMBRA_PG_USER", "lumbra"); }
std::string pgPswd() { return envOr("LUMBRA_PG_PSWD", "lumbra_pw"); }

::testing::AssertionResult connected(cXdbc2& x, std::string const& dsn, std::string const& uid,
                                     std::string const& pwd) {
    if (x.connect(dsn.c_str(), uid.c_str(), pwd.c_str()))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "cannot connect to " << dsn << " (code " << x.error() << "): " << x.errorStr()
           << "\n(data sources: bash .ci/pg.sh start build && bash .ci/odbcini.sh build && "
              "bash .ci/sample.sh build)";
}

::testing::AssertionResult run(cXdbc2& x, char const* sql) {
    if (!x.prepare(sql))
        return ::testing::AssertionFailure()
               << "prepare(" << sql << ") code " << x.error() << ": " << x.errorStr();
    if (!x.execute())
        return ::testing::AssertionFailure()
               << "execute(" << sql << ") code " << x.error() << ": " << x.errorStr();
    return ::testing::AssertionSuccess();
}

/* First column of the only row, as text; numbers with the decimals their column gives. */
std::string text(cXdbc2& x, char const* sql) {
    cStrinx s;
    cNumbex n;
    cVariablex* v = &s;
    if (!run(x, sql))
        return std::string("<error ") + x.errorStr() + ">";
    if (x.colType(0) == 1)
        v = &n;
    if (!x.fetchNext(v, (cVariablex*)NULL))
        return std::string("<error ") + x.errorStr() + ">";
    return v->toChars(NULL, true);
}

bool open(cXdbc2& x, std::initializer_list<char const*> kv) {
    return x.connect("pelldb_odbc.dll", (int)kv.size(), const_cast<char**>(kv.begin()));
}

TEST(Xdbc2Odbc, SampleDatabaseRunsThroughTheDriver) {
    cXdbc2 x;
    ASSERT_TRUE(connected(x, sampleDsn(), "", ""));
    ASSERT_TRUE(run(x, "select c.id, c.name, c.email, c.since, c.credit_limit, ci.name as city, "
                       "strftime('%Y-%m-%d', c.since) as since_text "
                       "from customers c join cities ci on ci.id = c.city_id "
                       "where c.id in (9, 10) order by c.id"));
    ASSERT_EQ(7, x.colCount());
    EXPECT_EQ(1, x.colType(0));
    EXPECT_EQ(2, x.colType(1));
    EXPECT_EQ(2, x.colType(2));
    EXPECT_EQ(4, x.colType(3));
    EXPECT_EQ(1, x.colType(4));
    EXPECT_STREQ("city", x.colName(5));

    cNumbex id, limit;
    cStrinx name, email, city, sinceText;
    cDatex since;
    ASSERT_TRUE(x.fetchNext(&id, &name, &email, &since, &limit, &city, &sinceText, (cVariablex*)NULL));
    EXPECT_STREQ("9", id.toChars(NULL, true));
    EXPECT_TRUE(email.isNull()) << "customer 9 has no e-mail";
    EXPECT_EQ(10, (int)strlen(sinceText.text));
    EXPECT_STREQ(sinceText.text, since.toChars(NULL, true)) << "a date column prints YYYY-MM-DD";
    EXPECT_STREQ("19250.00", limit.toChars("%.2f", true));
    EXPECT_FALSE(name.isNull());
    cStrinx byName;
    ASSERT_TRUE(x.colValue("CITY", byName));
    EXPECT_STREQ(city.text, byName.text);
    ASSERT_TRUE(x.fetchNext(&id, &name, &email, (cVariablex*)NULL));
    EXPECT_EQ(10, id.toDouble());
    EXPECT_STREQ("customer10@example.com", email.text);
    EXPECT_FALSE(x.fetchNext());
    EXPECT_EQ(0, x.error());

    EXPECT_EQ("2500", text(x, "select count(*) from order_totals"));

    ASSERT_TRUE(x.tableList());
    bool customers = false, view = false;
    while (x.fetchNext()) {
        cStrinx t;
        ASSERT_TRUE(x.colValue("TABLE_NAME", t));
        customers = customers || !strcmp(t.text, "customers");
        view = view || !strcmp(t.text, "order_totals");
    }
    EXPECT_EQ(0, x.error());
    EXPECT_TRUE(customers);
    EXPECT_FALSE(view) << "the list holds tables only";
}

TEST(Xdbc2Odbc, SqliteValuesRoundTripAndErrors) {
    cXdbc2 x;
    ASSERT_TRUE(connected(x, sqliteDsn(), "", ""));
    ASSERT_TRUE(run(x, "drop table if exists xdbc2_values"));
    ASSERT_TRUE(run(x, "create table xdbc2_values (id integer, t varchar(20), n real, d date, "
                       "ts timestamp, big text)"));
    ASSERT_TRUE(x.prepare("insert into xdbc2_values values (?, ?, ?, ?, ?, ?)"));
    ASSERT_EQ(6, x.prmCount());

    std::string big(100 * 1024, 'x');
    for (size_t i = 0; i < big.size(); i++)
        big[i] = (char)('a' + (i * 7) % 26);
    cNumbex id(1);
    cStrinx t("Příliš žluťoučký");
    cNumbex n(3.14159265);  // every digit, not the display's four decimals
    cDatex d(2024, 2, 29);
    d.setDatexType(1);
    cDatex ts(1999, 12, 31, 23, 59, 58);
    cStrinx bigText(big.c_str());
    ASSERT_TRUE(x.execute(&id, &t, &n, &d, &ts, &bigText, (cVariablex*)NULL)) << x.errorStr();
    cNumbex id2(2);
    cStrinx none;
    ASSERT_TRUE(x.execute(&id2, &none, &none, &none, &none, &none, (cVariablex*)NULL)) << x.errorStr();

    ASSERT_TRUE(run(x, "select id, t, n, d, ts, big from xdbc2_values order by id"));
    cNumbex rid, rn;
    cStrinx rt, rbig;
    cDatex rd, rts;
    ASSERT_TRUE(x.fetchNext(&rid, &rt, &rn, &rd, &rts, &rbig, (cVariablex*)NULL)) << x.errorStr();
    EXPECT_STREQ(t.text, rt.text);
    EXPECT_EQ(3.14159265, rn.toDouble());
    EXPECT_STREQ("2024-02-29", rd.toChars(NULL, true));
    EXPECT_STREQ("1999-12-31 23:59:58", rts.toChars(NULL, true));
    ASSERT_EQ((int)big.size(), rbig.len()) << "100 KB of text comes back whole";
    EXPECT_EQ(big, std::string(rbig.text));
    ASSERT_TRUE(x.fetchNext(&rid, &rt, &rn, &rd, &rts, &rbig, (cVariablex*)NULL));
    EXPECT_TRUE(rt.isNull());
    EXPECT_TRUE(rn.isNull());
    EXPECT_TRUE(rd.isNull());
    EXPECT_TRUE(rbig.isNull());
    EXPECT_FALSE(x.fetchNext());
    EXPECT_EQ(0, x.error());

    // SQLite's driver reports some errors at prepare, others only at execute.
    EXPECT_FALSE(x.prepare("selec nothing from nowhere") && x.execute());
    EXPECT_EQ(PELL_EODBC, x.error());
    EXPECT_NE('\0', x.errorStr()[0]);
    EXPECT_FALSE(x.fetchNext());
    EXPECT_FALSE(x.prepare("select * from no_such_table_xdbc2") && x.execute());
    EXPECT_EQ(PELL_EODBC, x.error());
    EXPECT_NE(nullptr, strstr(x.errorStr(), "no_such_table_xdbc2")) << x.errorStr();
    ASSERT_TRUE(run(x, "drop table xdbc2_values"));
}

TEST(Xdbc2Odbc, ConnectionKeysAreCheckedByTheDriver) {
    cXdbc2 x;
    std::string dsn = sqliteDsn();
    EXPECT_FALSE(open(x, {"UID", "a"}));
    EXPECT_EQ(PELL_ENODSN, x.error());
    EXPECT_STREQ("No data source name: give DSN or db.", x.errorStr());
    EXPECT_FALSE(open(x, {"DSN", NULL}));
    EXPECT_EQ(PELL_ENODSN, x.error());
    EXPECT_FALSE(open(x, {NULL, dsn.c_str()}));
    EXPECT_EQ(PELL_EKEY, x.error());
    EXPECT_STREQ("Null connection key.", x.errorStr());
    EXPECT_FALSE(open(x, {"DSN", dsn.c_str(), "Driver", "x;DSN=other"}));
    EXPECT_EQ(PELL_EKEY, x.error());
    EXPECT_STREQ("Unknown connection key: Driver", x.errorStr());
    // A data source named twice: the pool and the driver would not agree which one counts.
    EXPECT_FALSE(open(x, {"DSN", dsn.c_str(), "DSN", "LumbraPG"}));
    EXPECT_STREQ("Invalid connection parameters!", x.errorStr());
    EXPECT_FALSE(open(x, {"DSN", dsn.c_str(), "db", "LumbraPG"}));
    EXPECT_EQ(PELL_EKEY, x.error());
    EXPECT_STREQ("Connection key given twice: db", x.errorStr());
    EXPECT_FALSE(open(x, {"DSN", "NoSuchDsnXdbc2;UID=x"}));
    EXPECT_EQ(PELL_EODBC, x.error());
    EXPECT_FALSE(x.isConnected());

    ASSERT_TRUE(open(x, {"db", dsn.c_str(), "uid", NULL, "pwd", NULL, "pooling", "1"}));
    EXPECT_EQ(0, x.error()) << "a connect starts without the last failure's error";
    EXPECT_EQ("3", text(x, "select 1 + 2"));
}

TEST(Xdbc2Odbc, PostgresSharesConnectionsUnlessPoolingIsOff) {
    cXdbc2 a, b;
    ASSERT_TRUE(connected(a, pgDsn(), pgUser(), pgPswd()));
    ASSERT_TRUE(connected(b, pgDsn(), pgUser(), pgPswd()));
    std::string pid = text(a, "select pg_backend_pid()");
    EXPECT_EQ(pid, text(b, "select pg_backend_pid()")) << "one connection for equal parameters";
    a.disconnect();
    EXPECT_EQ(pid, text(b, "select pg_backend_pid()")) << "the second keeps working";

    std::string dsn = pgDsn(), user = pgUser(), pswd = pgPswd();
    cXdbc2 c, d, e;
    ASSERT_TRUE(open(c, {"DSN", dsn.c_str(), "UID", user.c_str(), "PWD", pswd.c_str(), "pooling", "no"}));
    ASSERT_TRUE(open(d, {"DSN", dsn.c_str(), "UID", user.c_str(), "PWD", pswd.c_str(), "pooling", "no"}));
    ASSERT_TRUE(e.cloneFrom(&d));
    std::string pc = text(c, "select pg_backend_pid()");
    std::string pd = text(d, "select pg_backend_pid()");
    std::string pe = text(e, "select pg_backend_pid()");
    EXPECT_NE(pc, pd) << "pooling off opens a second connection";
    EXPECT_NE(pd, pe) << "and a clone of it a third";
    EXPECT_NE(pc, pe);
    cXdbc2 f;
    ASSERT_TRUE(f.cloneFrom(&b));
    EXPECT_EQ(pid, text(f, "select pg_backend_pid()")) << "a clone of a pooled one shares";

    // The server ends the shared connection: once a failure tells so, new connects and
    // clones get a connection of their own instead of the dead one.
    EXPECT_EQ("1", text(c, ("select pg_terminate_backend(" + pid + ")").c_str()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(0u, text(b, "select 1").find("<error 08")) << "a lost link reads as such";
    cXdbc2 g, h;
    ASSERT_TRUE(connected(g, pgDsn(), pgUser(), pgPswd()));
    std::string pg = text(g, "select pg_backend_pid()");
    EXPECT_NE(pid, pg);
    EXPECT_EQ(std::string::npos, pg.find("<error")) << pg;
    ASSERT_TRUE(h.cloneFrom(&f));
    EXPECT_EQ(std::string::npos, text(h, "select pg_backend_pid()").find("<error"));

    // A commit the server refuses because it ended the session (57P01) tells of it too: a
    // connect after the disconnect gets a new connection, not the dead one.
    std::vector<char const*> manual = {"DSN", dsn.c_str(), "UID", user.c_str(), "PWD",
                                       pswd.c_str(), "autocommit", "no"};
    auto openManual = [&](cXdbc2& x) {
        return x.connect("pelldb_odbc.dll", (int)manual.size(), const_cast<char**>(manual.data()));
    };
    cXdbc2 m, n;
    ASSERT_TRUE(openManual(m));
    ASSERT_TRUE(openManual(n));
    std::string pm = text(m, "select pg_backend_pid()");
    ASSERT_EQ(pm, text(n, "select pg_backend_pid()"));
    EXPECT_EQ("1", text(c, ("select pg_terminate_backend(" + pm + ")").c_str()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(m.commit());
    m.disconnect();
    ASSERT_TRUE(openManual(m));
    std::string again = text(m, "select pg_backend_pid()");
    EXPECT_EQ(std::string::npos, again.find("<error")) << again;

    EXPECT_FALSE(a.connect("pelldb_odbc.dll", 6, NULL));
    EXPECT_STREQ("Invalid connection parameters!", a.errorStr());
    cXdbc2 info;
    EXPECT_TRUE(connected(info, envOr("LUMBRA_PG_INFO_DSN", "LumbraPGInfo"), user, pswd))
        << "a connect answered with a warning is a connect";
    EXPECT_FALSE(a.connect(dsn.c_str(), user.c_str(), "wrong password"));
    EXPECT_EQ(PELL_EODBC, a.error());
    EXPECT_NE('\0', a.errorStr()[0]);
}

TEST(Xdbc2Odbc, PostgresParametersOfEachKind) {
    cXdbc2 x;
    ASSERT_TRUE(connected(x, pgDsn(), pgUser(), pgPswd()));
    ASSERT_TRUE(run(x, "drop table if exists xdbc2_kinds"));
    ASSERT_TRUE(run(x, "create table xdbc2_kinds (i integer, n numeric(12,4), t varchar(40), "
                       "d date, tm time, ts timestamp, b bytea)"));
    ASSERT_TRUE(x.prepare("insert into xdbc2_kinds values (?, ?, ?, ?, ?, ?, ?)"));
    ASSERT_EQ(7, x.prmCount());
    cNumbex i(-42);
    cNumbex n(1234.5678);
    cStrinx t("O'Brien; drop table x --");
    cDatex d(2000, 2, 29);
    cDatex tm(0, 0, 0, 13, 45, 30);
    cDatex ts(2024, 12, 31, 23, 59, 59);
    cStrinx b("bytes");
    ASSERT_TRUE(x.execute(&i, &n, &t, &d, &tm, &ts, &b, (cVariablex*)NULL)) << x.errorStr();

    ASSERT_TRUE(run(x, "select i, n, t, d, tm, ts, b, t is null as no_text from xdbc2_kinds"));
    EXPECT_EQ(1, x.colType("i"));
    EXPECT_EQ(1, x.colType("n"));
    EXPECT_EQ(2, x.colType("t"));
    EXPECT_EQ(4, x.colType("d"));
    EXPECT_EQ(4, x.colType("tm"));
    EXPECT_EQ(4, x.colType("ts"));
    EXPECT_EQ(8, x.colType("b"));
    cNumbex ri, rn;
    cStrinx rt, rb;
    cDatex rd, rtm, rts;
    ASSERT_TRUE(x.fetchNext(&ri, &rn, &rt, &rd, &rtm, &rts, &rb, (cVariablex*)NULL)) << x.errorStr();
    EXPECT_STREQ("-42", ri.toChars(NULL, true));
    EXPECT_STREQ("1234.5678", rn.toChars(NULL, true));
    EXPECT_STREQ(t.text, rt.text) << "quotes and semicolons travel as data";
    EXPECT_STREQ("2000-02-29", rd.toChars(NULL, true));
    EXPECT_STREQ("13:45:30", rtm.toChars(NULL, true));
    EXPECT_STREQ("2024-12-31 23:59:59", rts.toChars(NULL, true));
    EXPECT_STREQ("bytes", rb.text);
    EXPECT_FALSE(x.fetchNext());
    EXPECT_EQ(0, x.error());

    // 100 KB of text there and back.
    std::string big(100 * 1024, 'x');
    for (size_t k = 0; k < big.size(); k++)
        big[k] = (char)('a' + (k * 11) % 26);
    cStrinx bigText(big.c_str()), back;
    ASSERT_TRUE(x.prepare("select cast(? as text) || 'end'"));
    ASSERT_TRUE(x.execute(&bigText, (cVariablex*)NULL)) << x.errorStr();
    ASSERT_TRUE(x.fetchNext(&back, (cVariablex*)NULL)) << x.errorStr();
    EXPECT_EQ(big + "end", std::string(back.text));

    // A time the calendar does not have is refused, not carried into the next day.
    ASSERT_TRUE(run(x, "select time '24:00:00', date '9999-12-31'"));
    ASSERT_TRUE(x.fetchNext());
    cDatex late, last;
    EXPECT_FALSE(x.colValue(0, late));
    EXPECT_EQ(1, x.error());
    EXPECT_STREQ("Date outside the calendar!", x.errorStr());
    ASSERT_TRUE(x.colValue(1, last));
    EXPECT_STREQ("9999-12-31", last.toChars(NULL, true));

    // PostgreSQL runs every statement of a text: the rows left unread are said.
    ASSERT_TRUE(run(x, "select 1 as a; select 2 as b"));
    EXPECT_TRUE(x.fetchNext());
    EXPECT_FALSE(x.fetchNext());
    EXPECT_STREQ("The statement gave further results, which are not read.", x.errorStr());

    EXPECT_FALSE(x.prepare("selec 1 from"));
    EXPECT_EQ(PELL_EODBC, x.error());
    EXPECT_NE(nullptr, strstr(x.errorStr(), "42601")) << x.errorStr();

    // Whole numbers for a bigint go as integers, past the double's exponent form.
    ASSERT_TRUE(run(x, "create temporary table xdbc2_big (b bigint)"));
    ASSERT_TRUE(x.prepare("insert into xdbc2_big values (?)"));
    for (double v : {1e17, -9223372036854775808.0}) {
        cNumbex big(v);
        EXPECT_TRUE(x.execute(&big, (cVariablex*)NULL)) << x.errorStr();
    }
    ASSERT_TRUE(run(x, "select string_agg(b::text, ' ' order by b) from xdbc2_big"));
    cStrinx bigs;
    ASSERT_TRUE(x.fetchNext(&bigs, (cVariablex*)NULL));
    EXPECT_STREQ("-9223372036854775808 100000000000000000", bigs.text);

    // A date past the driver's calendar is refused before anything is sent.
    ASSERT_TRUE(x.prepare("insert into xdbc2_kinds (d) values (?)"));
    cDatex far(12000, 1, 1);
    EXPECT_FALSE(x.setValue(0, far));
    EXPECT_EQ(PELL_EDATE, x.error());
    EXPECT_STREQ("Date or time outside the calendar.", x.errorStr());
    ASSERT_TRUE(run(x, "drop table xdbc2_kinds"));
}

TEST(Xdbc2Odbc, PostgresFetchErrorCarriesTheDriverCode) {
    cXdbc2 x;
    ASSERT_TRUE(connected(x, pgCursorDsn(), pgUser(), pgPswd()));
    ASSERT_TRUE(run(x, "select 100 / (50 - g) from generate_series(1, 100) g"));
    int rows = 0;
    while (x.fetchNext())
        rows++;
    EXPECT_EQ(40, rows) << "the server cursor delivers 10 rows at a time";
    EXPECT_EQ(PELL_EODBC, x.error());
    EXPECT_NE(nullptr, strstr(x.errorStr(), "22012")) << x.errorStr();
}

TEST(Xdbc2Odbc, PostgresCommitAndRollbackWithManualCommit) {
    std::string dsn = pgDsn(), user = pgUser(), pswd = pgPswd();
    cXdbc2 x, other;
    ASSERT_TRUE(open(x, {"DSN", dsn.c_str(), "UID", user.c_str(), "PWD", pswd.c_str(), "autocommit", "no"}));
    ASSERT_TRUE(connected(other, dsn, user, pswd));
    ASSERT_TRUE(run(other, "drop table if exists xdbc2_tx"));
    ASSERT_TRUE(run(other, "create table xdbc2_tx (v integer)"));
    ASSERT_TRUE(other.tableList());
    bool listed = false;
    cStrinx name;
    while (other.fetchNext())
        listed = listed || (other.colValue("table_name", name) && !strcmp(name.text, "xdbc2_tx"));
    EXPECT_TRUE(listed) << "the new table is in the table list";
    ASSERT_TRUE(run(x, "insert into xdbc2_tx values (1)"));
    EXPECT_EQ("0", text(other, "select count(*) from xdbc2_tx")) << "not committed yet";
    ASSERT_TRUE(x.rollback()) << x.errorStr();
    ASSERT_TRUE(run(x, "insert into xdbc2_tx values (2)"));
    ASSERT_TRUE(x.commit()) << x.errorStr();
    EXPECT_EQ("2", text(other, "select sum(v) from xdbc2_tx"));
    ASSERT_TRUE(run(x, "insert into xdbc2_tx values (4)"));
    x.disconnect();
    EXPECT_EQ("2", text(other, "select sum(v) from xdbc2_tx")) << "closing rolls back what is open";
    ASSERT_TRUE(run(other, "drop table xdbc2_tx"));
}

TEST(Xdbc2Odbc, NothingLeaksOnRealDataSources) {
    std::string dsn = sampleDsn();
    long growth = heapGrowth(
        [&dsn] {
            cXdbc2 x, y;
            x.connect(dsn.c_str(), "", "");
            y.cloneFrom(&x);
            x.prepare("select c.name, c.since, c.credit_limit, c.note from customers c where c.id < ?");
            cNumbex limit(30);
            x.execute(&limit, (cVariablex*)NULL);
            cStrinx name, note;
            cDatex since;
            cNumbex credit;
            while (x.fetchNext(&name, &since, &credit, &note, (cVariablex*)NULL)) {
            }
            x.prepare("no statement at all");
            y.tableList();
            y.fetchNext();
            x.connect("NoSuchDsnXdbc2", "", "");
        },
        10);
    EXPECT_EQ(0, growth) << "heap blocks left behind by 10 rounds";
}

}  // namespace
