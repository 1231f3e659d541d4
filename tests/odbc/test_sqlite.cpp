/* cXdbc against SQLite3 ODBC on a database file this test creates. */
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "odbc_env.h"

using namespace odbctest;

namespace {

/* The file behind the SQLite data source (Database= in .ci/odbcini.sh). */
std::string dbPath()
{
    return envOr("LUMBRA_SQLITE_DB", (iniDir() + "/lumbra-test.db").c_str());
}

struct Sqlite : ::testing::Test {
    cXdbc* x = 0;

    static void SetUpTestSuite()
    {
        ASSERT_FALSE(iniDir().empty()) << "ODBCINI must name the odbc.ini written by .ci/odbcini.sh";
        // A fresh database file for every run.
        DeleteFileA(dosPath(dbPath()).c_str());
        cXdbc* s = 0;
        ASSERT_TRUE(connectTo(s, sqliteDsn(), "", ""));
        char const* ddl[] = {
            "create table lt_types (id integer primary key, num numeric(10,2), txt varchar(10),"
            " d date, t time, ts timestamp, memo text)",
            "insert into lt_types values (1, 1.5, 'abc', '2024-05-06', '13:45:00',"
            " '2024-05-06 13:45:01.250', 'memo text')",
            "insert into lt_types (id) values (2)",
            "create table lt_three (a integer, b integer, c integer)",
            "insert into lt_three values (1, 2, 3)",
            "insert into lt_three values (4, 5, 6)",
            "create table ltxparent (z integer)",  // "_" of lt_parent as a pattern matches it
            "create table lt_longname_xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
            "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
            "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
            " (z integer)",  // 300 characters: too long for the list's column
            "create table lt_parent (a integer not null primary key, b varchar(10), n integer,"
            " note text)",
            "create unique index lt_parent_bn on lt_parent (b, n)",
            "create table lt_child (id integer primary key, pa integer not null, pb integer,"
            " foreign key (pa) references lt_parent(a) on delete cascade,"
            " foreign key (pb) references lt_parent(a) on delete set null)",
            "create view lt_view as select a from lt_parent",
            "create table lt_tx (v integer)",
            "create table lt_long (id integer, body text)",
            "create table lt_block (id integer, num double, txt varchar(10), d date, t time,"
            " ts timestamp, memo text)",
            "insert into lt_block with recursive g(i) as (select 1 union all select i + 1 from g"
            " where i < 150) select i, case when i % 7 = 0 then null else i * 1.5 end,"
            " case when i % 5 = 0 then null else 'r' || i end, date('2024-01-01', '+' || i || ' days'),"
            " time('10:00:00', '+' || i || ' seconds'),"
            " strftime('%Y-%m-%d %H:%M:%f', '2024-01-01 00:00:00.250', '+' || i || ' minutes'),"
            " case when i = 100 then replace(hex(zeroblob(9000)), '00', 'x') when i % 3 = 0 then null"
            " else substr(replace(hex(zeroblob(150)), '00', 'y'), 1, i) end from g",
        };
        for (char const* sql : ddl)
            ASSERT_TRUE(run(s, sql));
        ASSERT_EQ(1, s->commit()) << s->errorStr();
        xdb_free(s);
    }

    void SetUp() override { ASSERT_TRUE(connectTo(x, sqliteDsn(), "tester", "secret")); }
    void TearDown() override { xdb_free(x); }

    double countElsewhere(char const* sql)
    {
        double n = -1;
        EXPECT_TRUE(scalarElsewhere(sqliteDsn(), "", "", sql, n));
        return n;
    }
};

}  // namespace

TEST_F(Sqlite, ConnectionIdentity)
{
    EXPECT_EQ(1, x->isConnected());
    EXPECT_STREQ(sqliteDsn().c_str(), x->dsn());
    EXPECT_STREQ("tester", x->user());
    EXPECT_STREQ("secret", x->pswd());
    std::string dsn = sqliteDsn();
    EXPECT_EQ(1, x->isConnectedTo((char*)dsn.c_str(), (char*)"tester", (char*)"secret"));
    std::string upper = dsn;
    for (char& c : upper)
        c = (char)toupper((unsigned char)c);
    EXPECT_EQ(0, x->isConnectedTo((char*)upper.c_str(), (char*)"tester", (char*)"secret"));
    EXPECT_EQ(0, x->isConnectedTo((char*)dsn.c_str(), (char*)"Tester", (char*)"secret"));
    EXPECT_EQ(0, x->isConnectedTo((char*)dsn.c_str(), (char*)"tester", (char*)"other"));

    cStrinx dbms, driver, version;
    ASSERT_EQ(1, x->getInfo(&dbms, &driver, &version)) << x->errorStr();
    EXPECT_STREQ("SQLite", dbms.text);
    EXPECT_STRNE("", driver.text);
    EXPECT_STRNE("", version.text);

    EXPECT_EQ(1, x->disconnect());
    EXPECT_EQ(0, x->isConnected());
    EXPECT_STREQ("", x->dsn());
    EXPECT_STREQ("", x->user());
    EXPECT_STREQ("", x->pswd());
    EXPECT_STREQ("", x->sqlText);
}

TEST_F(Sqlite, DriverConnectWithoutDataSourceName)
{
    std::string file = iniDir() + "/lumbra-driver.db";
    DeleteFileA(dosPath(file).c_str());
    std::string cs = "DRIVER=SQLite3;Database=" + file + ";";
    ASSERT_EQ(1, x->driverConnect(cs.c_str(), 0)) << x->errorStr();
    // The driver names no data source: the connection still reads as connected.
    EXPECT_EQ(1, x->isConnected());
    EXPECT_STRNE("", x->dsn());
    EXPECT_TRUE(run(x, "create table dc (a integer)"));
    double n = -1;
    EXPECT_TRUE(scalar(x, "select count(*) from dc", n));
    EXPECT_EQ(0, n);
    EXPECT_EQ(1, x->disconnect());
    EXPECT_EQ(0, x->isConnected());
}

TEST_F(Sqlite, PlaceholdersAreCountedOutsideQuotes)
{
    ASSERT_EQ(1, x->prepare("select ? as v, 'x?y' as w")) << x->errorStr();
    EXPECT_EQ(1, x->prmExpected);
    EXPECT_STREQ("select ? as v, 'x?y' as w", x->sqlText);
    EXPECT_EQ(1, x->prmCount());
    cNumbex first(7.0), second(8.0);
    // Only prmExpected values are taken from the list.
    ASSERT_EQ(1, x->execute(&first, &second, NULL)) << x->errorStr();
    cNumbex v;
    cStrinx w;
    ASSERT_EQ(1, x->fetchNext(&v, &w, NULL)) << x->errorStr();
    EXPECT_EQ(7.0, v.toDouble());
    EXPECT_STREQ("x?y", w.text);

    // A quote of the other kind inside a literal does not end it.
    ASSERT_EQ(1, x->prepare("select 'it\"s ?' as a, ? as b, \"id\" from lt_types where id = ?"));
    EXPECT_EQ(2, x->prmExpected);
    ASSERT_EQ(1, x->prepare("select ?, ?, ?"));
    EXPECT_EQ(3, x->prmExpected);
    EXPECT_EQ(3, x->prmCount());
}

TEST_F(Sqlite, FetchFillsLeadingColumnsAndEndsCleanly)
{
    ASSERT_TRUE(run(x, "select a, b, c from lt_three order by a"));
    EXPECT_EQ(0, x->eof());
    EXPECT_EQ(3, x->colCount());
    cNumbex a, b, untouched(99.0);
    ASSERT_EQ(1, x->fetchNext(&a, &b, NULL));
    EXPECT_EQ(1.0, a.toDouble());
    EXPECT_EQ(2.0, b.toDouble());
    EXPECT_EQ(1, x->rowCount);
    // More values than columns: the extra one is left alone.
    cNumbex c;
    ASSERT_EQ(1, x->fetchNext(&a, &b, &c, &untouched, NULL));
    EXPECT_EQ(4.0, a.toDouble());
    EXPECT_EQ(6.0, c.toDouble());
    EXPECT_EQ(99.0, untouched.toDouble());
    EXPECT_EQ(2, x->rowCount);
    EXPECT_EQ(0, x->fetchNext(&a, NULL));
    EXPECT_EQ(0, x->error());
    EXPECT_EQ(1, x->eof());
    EXPECT_EQ(0, x->colCount());
    EXPECT_EQ(0, x->rowCount);
}

TEST_F(Sqlite, ColumnKindsTypesAndValues)
{
    ASSERT_TRUE(run(x, "select id, num, txt, d, t, ts, memo from lt_types where id = 1"));
    ASSERT_EQ(7, x->colCount());
    int const types[] = {1, 1, 2, 4, 4, 4, 8};
    char const* const names[] = {"id", "num", "txt", "d", "t", "ts", "memo"};
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(types[i], x->colType(i)) << names[i];
        EXPECT_STREQ(names[i], x->colName(i));
    }
    EXPECT_EQ(0, x->colType(7));
    EXPECT_STREQ("", x->colName(7));
    EXPECT_STREQ("", x->colName(-1));

    // Buffers: varchar(10) takes 11 bytes, text the long-column 8192.
    short kind = 0;
    int size = 0;
    char name[80];
    ASSERT_EQ(1, x->describeCol(3, name, sizeof name, &kind, &size)) << x->errorStr();
    EXPECT_STREQ("txt", name);
    EXPECT_EQ(2, kind);
    EXPECT_EQ(11, size);
    ASSERT_EQ(1, x->colInfo(7, &kind, &size));
    EXPECT_EQ(6, kind);
    EXPECT_EQ(8192, size);
    ASSERT_EQ(1, x->colInfo(6, &kind, &size));
    EXPECT_EQ(3, kind);
    ASSERT_EQ(1, x->colInfo(4, &kind, &size));
    EXPECT_EQ(4, kind);
    ASSERT_EQ(1, x->colInfo(5, &kind, &size));
    EXPECT_EQ(5, kind);
    // A name buffer too small gets the name cut and terminated.
    char tiny[3];
    ASSERT_EQ(1, x->describeCol(2, tiny, sizeof tiny, &kind, &size));
    EXPECT_STREQ("nu", tiny);

    cNumbex id, num;
    cStrinx txt, memo;
    cDatex d, t, ts;
    ASSERT_EQ(1, x->fetchNext(&id, &num, &txt, &d, &t, &ts, &memo, NULL)) << x->errorStr();
    EXPECT_EQ(1.0, id.toDouble());
    EXPECT_EQ(1.5, num.toDouble());
    EXPECT_STREQ("abc", txt.text);
    EXPECT_STREQ("memo text", memo.text);
    EXPECT_EQ(1, d.datexType);
    EXPECT_EQ(2, t.datexType);
    EXPECT_EQ(0, ts.datexType);
    EXPECT_EQ(mktimex(2024, 5, 6, 0, 0, 0, 0), d.toTimext());
    EXPECT_EQ(mktimex(0, 0, 0, 13, 45, 0, 0), t.toTimext());
    EXPECT_EQ(mktimex(2024, 5, 6, 13, 45, 1, 250), ts.toTimext());
    EXPECT_STREQ("2024-05-06", d.toChars(NULL, true));
    EXPECT_STREQ("13:45:00", t.toChars(NULL, true));

    // Described only before the first fetch.
    EXPECT_EQ(0, x->colInfo(1, &kind, &size));
    EXPECT_EQ(5, x->error());
    EXPECT_STREQ("Command was not executed - execute is required to perform this operation.",
                 x->errorStr());

    // A date column read into a string value gets the instant as text, nothing else.
    ASSERT_TRUE(run(x, "select d from lt_types where id = 1"));
    cStrinx asText;
    ASSERT_EQ(1, x->fetchNext(&asText, NULL));
    EXPECT_STREQ("06.05.2024 00:00:00", asText.text);  // the string default picture
}

TEST_F(Sqlite, NullsInEveryKind)
{
    ASSERT_TRUE(run(x, "select num, txt, d, t, ts, memo from lt_types where id = 2"));
    cNumbex num(5.0);
    cStrinx txt("x"), memo("y");
    cDatex d(2000, 1, 1), t(2000, 1, 1), ts(2000, 1, 1);
    ASSERT_EQ(1, x->fetchNext(&num, &txt, &d, &t, &ts, &memo, NULL)) << x->errorStr();
    EXPECT_TRUE(num.isNull());
    EXPECT_TRUE(txt.isNull());
    EXPECT_TRUE(d.isNull());
    EXPECT_TRUE(t.isNull());
    EXPECT_TRUE(ts.isNull());
    EXPECT_TRUE(memo.isNull());
}

TEST_F(Sqlite, ColumnsByNameIgnoreCase)
{
    x->errorCode = 7;  // left over from anything earlier
    ASSERT_TRUE(run(x, "select id, txt as Label from lt_types where id = 1"));
    ASSERT_EQ(1, x->fetchNext());
    cStrinx s;
    EXPECT_EQ(1, x->colValue((char*)"LABEL", s));
    EXPECT_STREQ("abc", s.text);
    EXPECT_EQ(2, x->colType((char*)"label"));
    EXPECT_EQ(1, x->colType((char*)"ID"));
    EXPECT_EQ(0, x->colType((char*)"nope"));
    x->errorCode = 7;
    EXPECT_EQ(0, x->colValue((char*)"nope", s));
    EXPECT_EQ(7, x->error());
    EXPECT_STREQ("abc", s.text);
    cNumbex n;
    EXPECT_EQ(0, x->colValue(5, n));
    EXPECT_EQ(0, x->colValue(-1, n));
}

TEST_F(Sqlite, ParametersOfEachTypeAndNull)
{
    ASSERT_EQ(1, x->prepare("insert into lt_types (id, num, txt, ts) values (?, ?, ?, ?)"));
    EXPECT_EQ(4, x->prmExpected);
    cNumbex id(10.0), num(2.25);
    cStrinx txt("hello");
    cDatex ts(2023, 12, 31, 23, 59, 58, 125);
    ASSERT_EQ(1, x->execute(&id, &num, &txt, &ts, NULL)) << x->errorStr();
    // Values set after an execute start a fresh list.
    cNumbex id2(11.0), nullNum;
    cStrinx nullTxt;
    cDatex nullTs;
    ASSERT_EQ(1, x->execute(&id2, &nullNum, &nullTxt, &nullTs, NULL)) << x->errorStr();

    ASSERT_EQ(1, x->prepare("select num, txt, ts from lt_types where id = ?"));
    ASSERT_EQ(1, x->execute(&id, NULL)) << x->errorStr();
    cNumbex rn;
    cStrinx rt;
    cDatex rts;
    ASSERT_EQ(1, x->fetchNext(&rn, &rt, &rts, NULL)) << x->errorStr();
    EXPECT_EQ(2.25, rn.toDouble());
    EXPECT_STREQ("hello", rt.text);
    EXPECT_EQ(mktimex(2023, 12, 31, 23, 59, 58, 125), rts.toTimext());
    EXPECT_EQ(0, x->fetchNext());

    ASSERT_EQ(1, x->setValue(id2));
    ASSERT_EQ(1, x->execute()) << x->errorStr();
    ASSERT_EQ(1, x->fetchNext(&rn, &rt, &rts, NULL));
    EXPECT_TRUE(rn.isNull());
    EXPECT_TRUE(rt.isNull());
    EXPECT_TRUE(rts.isNull());
    ASSERT_EQ(1, x->rollback());
}

TEST_F(Sqlite, LongTextIsCutAt8191Characters)
{
    std::string big(10000, 'x');
    for (size_t i = 0; i < big.size(); i++)
        big[i] = (char)('a' + i % 26);
    ASSERT_EQ(1, x->prepare("insert into lt_long values (1, ?)"));
    cStrinx body(big.c_str());
    ASSERT_EQ(1, x->execute(&body, NULL)) << x->errorStr();
    double len = 0;
    ASSERT_TRUE(scalar(x, "select length(body) from lt_long where id = 1", len));
    EXPECT_EQ(10000, len);
    // The driver reports the cut as SQL_SUCCESS_WITH_INFO, which is a success.
    ASSERT_TRUE(run(x, "select body from lt_long where id = 1"));
    cStrinx got;
    ASSERT_EQ(1, x->fetchNext(&got, NULL)) << x->errorStr();
    EXPECT_EQ(0, x->error());
    EXPECT_EQ(8191, got.len());
    EXPECT_EQ(0, memcmp(big.data(), got.text, 8191));

    // A declared length is no limit in SQLite: longer values come whole, before and after.
    ASSERT_TRUE(run(x, "create table lt_narrow (id int, v varchar(5))"));
    ASSERT_TRUE(run(x, "insert into lt_narrow values (1, 'abc'), (2, printf('%.300c', 'w') || 'END'), "
                       "(3, null), (4, 'fits5'), (5, substr(printf('%.9000c', 'v'), 1, 9000))"));
    ASSERT_TRUE(run(x, "select v from lt_narrow order by id"));
    std::vector<std::string> rows;
    for (cStrinx v; x->fetchNext(&v, NULL);)
        rows.push_back(v.isNull() ? "NULL" : v.text);
    EXPECT_EQ(0, x->error()) << x->errorStr();
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ("abc", rows[0]);
    EXPECT_EQ(std::string(300, 'w') + "END", rows[1]);
    EXPECT_EQ("NULL", rows[2]);
    EXPECT_EQ("fits5", rows[3]);
    EXPECT_EQ(std::string(8191, 'v'), rows[4]) << "cut as a long column is";
    ASSERT_EQ(1, x->rollback());
}

TEST_F(Sqlite, CommitAndRollbackSeenFromASecondConnection)
{
    EXPECT_TRUE(run(x, "insert into lt_tx values (1)"));
    EXPECT_EQ(0, countElsewhere("select count(*) from lt_tx"));
    ASSERT_EQ(1, x->rollback()) << x->errorStr();
    double here = -1;
    EXPECT_TRUE(scalar(x, "select count(*) from lt_tx", here));
    EXPECT_EQ(0, here);

    EXPECT_TRUE(run(x, "insert into lt_tx values (2)"));
    ASSERT_EQ(1, x->commit()) << x->errorStr();
    EXPECT_EQ(1, countElsewhere("select count(*) from lt_tx where v = 2"));
    EXPECT_TRUE(run(x, "delete from lt_tx"));
    ASSERT_EQ(1, x->commit());
    EXPECT_EQ(0, countElsewhere("select count(*) from lt_tx"));
}

TEST_F(Sqlite, DisconnectCommitsOrRollsBackByFlagBit0)
{
    EXPECT_TRUE(run(x, "insert into lt_tx values (10)"));
    ASSERT_EQ(1, x->disconnect());
    EXPECT_EQ(1, countElsewhere("select count(*) from lt_tx where v = 10"));

    ASSERT_EQ(1, x->connect(sqliteDsn().c_str(), "", "", 1));
    EXPECT_EQ(1, x->flags);
    EXPECT_TRUE(run(x, "insert into lt_tx values (11)"));
    ASSERT_EQ(1, x->disconnect());
    EXPECT_EQ(0, countElsewhere("select count(*) from lt_tx where v = 11"));

    // The destructor disconnects the same way.
    cXdbc* y = 0;
    ASSERT_TRUE(connectTo(y, sqliteDsn(), "", ""));
    EXPECT_TRUE(run(y, "insert into lt_tx values (12)"));
    xdb_free(y);
    EXPECT_EQ(1, countElsewhere("select count(*) from lt_tx where v = 12"));
    ASSERT_TRUE(connectTo(y, sqliteDsn(), "", ""));
    y->setFlags(1, 1);
    EXPECT_TRUE(run(y, "insert into lt_tx values (13)"));
    xdb_free(y);
    EXPECT_EQ(0, countElsewhere("select count(*) from lt_tx where v = 13"));

    ASSERT_EQ(1, x->connect(sqliteDsn().c_str(), "", "", 0));
    EXPECT_TRUE(run(x, "delete from lt_tx"));
    ASSERT_EQ(1, x->commit());
}

TEST_F(Sqlite, DisconnectWhoseCommitFailsSaysSoAndReleasesTheFile)
{
    std::string file = iniDir() + "/lumbra-driver.db";
    DeleteFileA(dosPath(file).c_str());
    std::string cs = "DRIVER=SQLite3;Database=" + file + ";Timeout=200;";
    ASSERT_EQ(1, x->driverConnect(cs.c_str(), 0)) << x->errorStr();
    ASSERT_TRUE(run(x, "create table busy (a integer)"));
    ASSERT_TRUE(run(x, "insert into busy values (1)"));
    ASSERT_EQ(1, x->commit()) << x->errorStr();
    // A reader in the middle of its rows keeps the file from being written.
    cXdbc* reader = xdb_init();
    ASSERT_EQ(1, reader->driverConnect(cs.c_str(), 0)) << reader->errorStr();
    ASSERT_EQ(1, reader->prepare("select a from busy"));
    ASSERT_EQ(1, reader->execute());
    ASSERT_EQ(1, reader->fetchNext());
    ASSERT_TRUE(run(x, "insert into busy values (2)"));
    EXPECT_EQ(0, x->disconnect()) << "the commit failed";
    EXPECT_STRNE("", x->errorStr());
    EXPECT_EQ(0, x->isConnected());
    reader->finish();
    reader->rollback();
    xdb_free(reader);
    // Nothing holds the file any more: another connection writes at once.
    cXdbc* y = xdb_init();
    ASSERT_EQ(1, y->driverConnect(cs.c_str(), 0)) << y->errorStr();
    EXPECT_TRUE(run(y, "insert into busy values (3)"));
    EXPECT_EQ(1, y->commit()) << y->errorStr();
    double n = -1;
    EXPECT_TRUE(scalar(y, "select count(*) from busy", n));
    EXPECT_EQ(2, n) << "the row of the failed commit is not there";
    xdb_free(y);
}

TEST_F(Sqlite, DriverErrorsKeepTheMessageAndTheObjectUsable)
{
    EXPECT_EQ(0, x->prepare("select * from lt_no_such_table"));
    EXPECT_EQ(1, x->error());
    EXPECT_TRUE(strstr(x->errorStr(), "no such table") != NULL) << x->errorStr();
    // Reading the text twice gives it twice.
    EXPECT_TRUE(strstr(x->errorStr(), "no such table") != NULL) << x->errorStr();
    EXPECT_STREQ("", x->sqlText);
    // National letters of the statement come back in the message as they were sent.
    EXPECT_EQ(0, x->prepare("select * from lt_\xC8\xEDslo"));
    EXPECT_NE(std::string(x->errorStr()).find("lt_\xC8\xEDslo"), std::string::npos)
        << x->errorStr();

    EXPECT_TRUE(run(x, "select 1"));
    EXPECT_EQ(0, x->error());
    EXPECT_STREQ("", x->errorStr());

    // A failure at execute: a constraint.
    ASSERT_EQ(1, x->prepare("insert into lt_child (id, pa) values (1, null)"));
    EXPECT_EQ(0, x->execute(NULL));
    EXPECT_EQ(1, x->error());
    EXPECT_STRNE("", x->errorStr());
    EXPECT_TRUE(run(x, "select 2"));
    cNumbex two;
    ASSERT_EQ(1, x->fetchNext(&two, NULL));
    EXPECT_EQ(2.0, two.toDouble());
    EXPECT_EQ(1, x->finish());
}

namespace {
/* A value of a type code the library does not handle. */
struct OddValue : cNumbex {
    short type() override { return 16; }
};
}  // namespace

TEST_F(Sqlite, UnknownTypesAndKindsAreRefusedWithCode9)
{
    ASSERT_EQ(1, x->prepare("select ?"));
    OddValue odd;
    EXPECT_EQ(0, x->setValue(odd));
    EXPECT_EQ(9, x->error());
    EXPECT_STREQ("Cannot handle this data type - it is unknown to vor_dbc.", x->errorStr());
    ASSERT_TRUE(run(x, "select 1, 2"));
    EXPECT_EQ(0, x->bindCol("extra", 7, 10, 0));
    EXPECT_EQ(9, x->error());
    EXPECT_EQ(2, x->colCount());
    // A column bound by the caller is read like the described ones.
    ASSERT_EQ(1, x->bindCol("again", 2, 20, 2)) << x->errorStr();
    cNumbex one;
    cStrinx two;
    ASSERT_EQ(1, x->fetchNext());
    EXPECT_EQ(1, x->colValue(0, one));
    EXPECT_EQ(1, x->colValue((char*)"AGAIN", two));
    EXPECT_EQ(1.0, one.toDouble());
    EXPECT_STREQ("2", two.text);
}

/* Many rows of every column kind, NULLs and cut long text among them, read row by row as
   the library hands them out; a second statement after a partly read one starts afresh. */
TEST_F(Sqlite, ManyRowsOfEveryKindReadExactly)
{
    char const* sql = "select id, num, txt, d, t, ts, memo from lt_block order by id";
    ASSERT_TRUE(run(x, sql));
    checkBlockRows(x, 150);
    ASSERT_TRUE(run(x, "select id from lt_block order by id"));
    cNumbex id;
    for (int i = 1; i <= 70; i++)
        ASSERT_EQ(1, x->fetchNext(&id, NULL));
    EXPECT_EQ(70, id.toDouble());
    ASSERT_TRUE(run(x, sql));
    checkBlockRows(x, 150);
}

TEST_F(Sqlite, DisconnectForgetsThePreparedStatement)
{
    ASSERT_EQ(1, x->prepare("select 1"));
    ASSERT_EQ(1, x->disconnect());
    EXPECT_EQ(0, x->execute());
    EXPECT_EQ(3, x->error());
    ASSERT_EQ(1, x->connect(sqliteDsn().c_str(), "", "", 0));
    EXPECT_EQ(0, x->execute());
    EXPECT_EQ(3, x->error());
    // Connecting again on a connected object replaces the connection.
    ASSERT_EQ(1, x->connect(sqliteDsn().c_str(), "second", "", 0));
    EXPECT_STREQ("second", x->user());
    EXPECT_TRUE(run(x, "select 1"));
}

TEST_F(Sqlite, ResetParamsStartsAFreshList)
{
    ASSERT_EQ(1, x->prepare("select ? + 0"));
    // Run without its parameter first: refused, and the statement still takes one after.
    EXPECT_EQ(0, x->execute());
    cNumbex a(1.0), b(5.0);
    ASSERT_EQ(1, x->setValue(a));
    ASSERT_EQ(1, x->resetParams()) << x->errorStr();
    ASSERT_EQ(1, x->setValue(b));
    ASSERT_EQ(1, x->execute()) << x->errorStr();
    cNumbex got;
    ASSERT_EQ(1, x->fetchNext(&got, NULL));
    EXPECT_EQ(5.0, got.toDouble());
    // SQLite describes every parameter as long text; a parameter it lacks is 0.
    EXPECT_EQ(8, x->prmType(0));
    EXPECT_EQ(0, x->prmType(5));
}

TEST_F(Sqlite, RunsThePreparedStatementAgain)
{
    ASSERT_EQ(1, x->prepare("select a from lt_three order by a"));
    ASSERT_EQ(1, x->execute(NULL));
    cNumbex a;
    ASSERT_EQ(1, x->fetchNext(&a, NULL));
    EXPECT_EQ(1.0, a.toDouble());
    // Again while the cursor is still open, and again after the end.
    ASSERT_EQ(1, x->execute()) << x->errorStr();
    ASSERT_EQ(1, x->fetchNext(&a, NULL));
    EXPECT_EQ(1.0, a.toDouble());
    while (x->fetchNext())
        ;
    ASSERT_EQ(1, x->execute()) << x->errorStr();
    int rows = 0;
    while (x->fetchNext())
        rows++;
    EXPECT_EQ(2, rows);
    EXPECT_EQ(0, x->error());
}

TEST_F(Sqlite, AsyncExecuteOnAWorkerThread)
{
    ASSERT_EQ(1, x->prepare("select count(*) from lt_three"));
    ASSERT_EQ(1, x->executeAsync());
    ASSERT_EQ(1, x->waitAsync(10000));
    EXPECT_EQ(0, x->error()) << x->errorStr();
    cNumbex n;
    ASSERT_EQ(1, x->fetchNext(&n, NULL));
    EXPECT_EQ(2.0, n.toDouble());
    // Nothing to wait for any more.
    EXPECT_EQ(1, x->waitAsync(0));

    // The outcome of a failing statement is read from error() after the wait.
    ASSERT_EQ(1, x->prepare("insert into lt_child (id, pa) values (1, null)"));
    ASSERT_EQ(1, x->executeAsync());
    ASSERT_EQ(1, x->waitAsync(10000));
    EXPECT_EQ(1, x->error());
    EXPECT_STRNE("", x->errorStr());
}

/* Catalogue kinds on SQLite, which has no schemas and names no foreign keys. */

namespace {

struct Row {
    std::vector<std::string> text;
    std::vector<double> num;
    std::vector<bool> null;
};

/* Every delivered row of the current catalogue query, each column read both ways. */
std::vector<Row> allRows(cXdbc* x)
{
    std::vector<Row> rows;
    while (x->fetchNext()) {
        Row r;
        for (int i = 0; i < x->colCount(); i++) {
            cStrinx s;
            cNumbex n;
            x->colValue(i, s);
            x->colValue(i, n);
            r.text.push_back(s.text);
            r.num.push_back(n.toDouble());
            r.null.push_back(n.isNull());
        }
        rows.push_back(r);
        if (rows.size() > 10000)
            break;
    }
    return rows;
}

}  // namespace

TEST_F(Sqlite, CatalogueSchemasAndTables)
{
    ASSERT_EQ(1, x->metaSelect(META_SCHEMAS));
    ASSERT_EQ(1, x->execute(NULL)) << x->errorStr();
    ASSERT_EQ(3, x->colCount());
    EXPECT_STREQ("CATALOG", x->colName(0));
    EXPECT_STREQ("SCHEMA", x->colName(1));
    EXPECT_STREQ("TABLE_NAME", x->colName(2));
    std::vector<Row> rows = allRows(x);
    EXPECT_EQ(0, x->error()) << x->errorStr();
    // No schemas: whatever the driver lists carries none.
    for (Row const& r : rows)
        EXPECT_EQ("", r.text[1]);

    ASSERT_EQ(1, x->metaSelect(META_TABLES));
    EXPECT_EQ(1, x->prmExpected);
    cStrinx schema, table("lt_three");
    // Only the schema is taken: the table name does not restrict.
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    rows = allRows(x);
    bool types = false, three = false, view = false;
    for (Row const& r : rows) {
        types |= r.text[2] == "lt_types";
        three |= r.text[2] == "lt_three";
        view |= r.text[2] == "lt_view";
        EXPECT_EQ(0u, r.text[2].find("lt")) << "not one of ours: " << r.text[2];
        EXPECT_EQ(std::string::npos, r.text[2].find("lt_longname")) << "listed cut";
    }
    EXPECT_TRUE(types);
    EXPECT_TRUE(three);
    EXPECT_FALSE(view);

    // With setValue the table restricts too.
    ASSERT_EQ(1, x->metaSelect(META_TABLES));
    ASSERT_EQ(1, x->setValue(schema));
    ASSERT_EQ(1, x->setValue(table));
    ASSERT_EQ(1, x->execute());
    rows = allRows(x);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("lt_three", rows[0].text[2]);
}

TEST_F(Sqlite, CatalogueColumnsAndPrimaryKey)
{
    ASSERT_EQ(1, x->metaSelect(META_COLUMNS));
    cStrinx schema, table("lt_parent");
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    char const* names[] = {"COL_NAME", "SQL_DTYPE", "COL_SIZE", "DEC_DIGITS", "NULLS"};
    int const types[] = {2, 2, 1, 1, 1};
    ASSERT_EQ(5, x->colCount());
    for (int i = 0; i < 5; i++) {
        EXPECT_STREQ(names[i], x->colName(i));
        EXPECT_EQ(types[i], x->colType(i));
    }
    std::vector<Row> rows = allRows(x);
    ASSERT_EQ(4u, rows.size()) << "a table named like lt_parent by pattern is not taken";
    EXPECT_EQ("a", rows[0].text[0]);
    EXPECT_EQ(0, rows[0].num[4]);  // NOT NULL
    EXPECT_EQ("b", rows[1].text[0]);
    EXPECT_EQ(1, rows[1].num[4]);  // nullable
    EXPECT_EQ(10, rows[1].num[2]);

    ASSERT_EQ(1, x->metaSelect(META_PRIMARY_KEY));
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    EXPECT_STREQ("PK_NAME", x->colName(0));
    EXPECT_STREQ("COL_NAME", x->colName(1));
    rows = allRows(x);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("a", rows[0].text[1]);
}

TEST_F(Sqlite, CatalogueIndexes)
{
    cStrinx schema, table("lt_parent"), index("lt_parent_bn");
    ASSERT_EQ(1, x->metaSelect(META_INDEXES));
    EXPECT_EQ(2, x->prmExpected);
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    char const* names[] = {"INDEX_NAME", "INDEX_TYPE", "INDEX_UNIQUE", "COL_NAME", "COL_SEQ",
                           "COL_ORDER"};
    ASSERT_EQ(6, x->colCount());
    for (int i = 0; i < 6; i++)
        EXPECT_STREQ(names[i], x->colName(i));
    std::vector<Row> rows = allRows(x);
    int seen = 0;
    for (Row const& r : rows) {
        if (r.text[0] == "lt_parent_bn") {
            seen++;
            EXPECT_EQ(1, r.num[2]);  // unique
            EXPECT_EQ(1, r.num[4]);  // first column
            EXPECT_EQ("b", r.text[3]);
            EXPECT_EQ(1, r.num[1]);  // an ordinary index
        }
    }
    EXPECT_EQ(1, seen);

    ASSERT_EQ(1, x->metaSelect(META_INDEX_COLUMNS));
    EXPECT_EQ(3, x->prmExpected);
    ASSERT_EQ(1, x->execute(&schema, &table, &index, NULL)) << x->errorStr();
    rows = allRows(x);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("b", rows[0].text[3]);
    EXPECT_EQ("n", rows[1].text[3]);
    EXPECT_EQ(2, rows[1].num[4]);
    EXPECT_EQ(1, x->eof());

    // An empty index name delivers every row of every index.
    cStrinx none;
    ASSERT_EQ(1, x->metaSelect(META_INDEX_COLUMNS));
    ASSERT_EQ(1, x->execute(&schema, &table, &none, NULL));
    std::vector<Row> every = allRows(x);
    EXPECT_GE(every.size(), 3u);
}

TEST_F(Sqlite, CatalogueForeignKeys)
{
    cStrinx schema, table("lt_child");
    ASSERT_EQ(1, x->metaSelect(META_FOREIGN_KEYS));
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    char const* names[] = {"REF_TABLE_NAME", "REF_COL_NAME", "TABLE_NAME", "COL_NAME",
                           "DEL_RULE", "FK_NAME", "PK_NAME", "KEY_SEQ"};
    ASSERT_EQ(8, x->colCount());
    for (int i = 0; i < 8; i++)
        EXPECT_STREQ(names[i], x->colName(i));
    // SQLite names neither key: the two unnamed keys still come one row each.
    std::vector<Row> rows = allRows(x);
    ASSERT_EQ(2u, rows.size());
    for (Row const& r : rows) {
        EXPECT_EQ("lt_parent", r.text[0]);
        EXPECT_EQ("lt_child", r.text[2]);
        if (r.text[3] == "pa")
            EXPECT_EQ(3, r.num[4]);  // ON DELETE CASCADE
        else
            EXPECT_EQ(2, r.num[4]);  // ON DELETE SET NULL
    }

    cStrinx key;
    ASSERT_EQ(1, x->metaSelect(META_FOREIGN_KEY_COLUMNS));
    ASSERT_EQ(1, x->execute(&schema, &table, &key, NULL)) << x->errorStr();
    rows = allRows(x);
    EXPECT_EQ(2u, rows.size());
}

TEST_F(Sqlite, CatalogueKeyNamesLongerThanTheFocusKey)
{
    // Two indexes whose names agree in far more than 51 characters.
    std::string common(60, 'k');
    std::string ix1 = "ix_" + common + "_one", ix2 = "ix_" + common + "_two";
    ASSERT_TRUE(run(x, "create table lt_longix (p integer, q integer, r integer)"));
    ASSERT_TRUE(run(x, ("create index " + ix1 + " on lt_longix (p, q)").c_str()));
    ASSERT_TRUE(run(x, ("create index " + ix2 + " on lt_longix (q, r)").c_str()));
    cStrinx schema, table("lt_longix");
    ASSERT_EQ(1, x->metaSelect(META_INDEXES));
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    std::vector<Row> rows = allRows(x);
    ASSERT_EQ(2u, rows.size());
    EXPECT_NE(rows[0].text[0], rows[1].text[0]);
    for (Row const& r : rows)
        EXPECT_TRUE(r.text[0] == ix1 || r.text[0] == ix2) << r.text[0];
    EXPECT_EQ(0, x->error());

    // A table name of 128 characters is listed whole, not cut into another name.
    std::string longName = "lt_" + std::string(125, 'n');
    ASSERT_TRUE(run(x, ("create table " + longName + " (a integer)").c_str()));
    cStrinx none, named(longName.c_str());
    ASSERT_EQ(1, x->metaSelect(META_TABLES));
    ASSERT_EQ(1, x->setValue(none));
    ASSERT_EQ(1, x->setValue(named));
    ASSERT_EQ(1, x->execute());
    rows = allRows(x);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(longName, rows[0].text[2]);

    // A key to filter on must fit the focus key.
    cStrinx longKey(ix1.c_str());
    ASSERT_EQ(1, x->metaSelect(META_INDEX_COLUMNS));
    EXPECT_EQ(0, x->execute(&schema, &table, &longKey, NULL));
    EXPECT_EQ(11, x->error());
    EXPECT_STREQ("Focus key too long - given key exceeds maximum length of the focus key.",
                 x->errorStr());
    std::string fit51(51, 'z');
    cStrinx okKey(fit51.c_str());
    ASSERT_EQ(1, x->metaSelect(META_INDEX_COLUMNS));
    ASSERT_EQ(1, x->execute(&schema, &table, &okKey, NULL)) << x->errorStr();
    EXPECT_EQ(0u, allRows(x).size());
    ASSERT_EQ(1, x->rollback());
}

TEST_F(Sqlite, LoginValuesAreQuotedNeverAddedAsAttributes)
{
    // A second database file the data source does not name.
    std::string other = iniDir() + "/lumbra-other.db";
    DeleteFileA(dosPath(other).c_str());
    cXdbc* y = xdb_init();
    ASSERT_NE(nullptr, y);
    ASSERT_EQ(1, y->driverConnect(("DRIVER=SQLite3;Database=" + other + ";").c_str(), 0))
        << y->errorStr();
    ASSERT_TRUE(run(y, "create table only_in_other (a integer)"));
    y->commit();
    y->disconnect();

    std::string redirect = ";Database=" + other;
    char const* users[] = {"u", "u", "{u", "u}"};
    for (char const* u : users) {
        for (int i = 0; i < 2; i++) {
            std::string user = std::string(u) + (i ? redirect : "");
            std::string pswd = std::string("p}w") + (i ? "" : redirect);
            ASSERT_EQ(1, y->connect(sqliteDsn().c_str(), user.c_str(), pswd.c_str(), 0))
                << user << " / " << pswd << ": " << y->errorStr();
            EXPECT_STREQ(user.c_str(), y->user()) << "the name as given";
            EXPECT_STREQ(pswd.c_str(), y->pswd());
            double n = -1;
            EXPECT_FALSE(scalar(y, "select count(*) from only_in_other", n))
                << user << " / " << pswd << " opened the other database";
            EXPECT_TRUE(scalar(y, "select count(*) from sqlite_master", n));
            y->disconnect();
        }
    }
    // A data source name with characters ODBC does not allow in one is refused: braced,
    // the SQLite driver took it for no section and opened an empty database.
    for (char const* bad : {";Database=x", "a;b{c}", "x=y", "[s]"}) {
        std::string dsn = sqliteDsn() + bad;
        EXPECT_EQ(0, y->connect(dsn.c_str(), "", "", 0)) << dsn;
        EXPECT_EQ(0, y->isConnected());
        EXPECT_NE(std::string::npos, std::string(y->errorStr()).find("Invalid data source name"))
            << y->errorStr();
    }
    xdb_free(y);
}
