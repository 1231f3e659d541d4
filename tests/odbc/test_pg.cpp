/* cXdbc against PostgreSQL ODBC (ANSI driver) on the private cluster of .ci/pg.sh.
   The server must run: without it every test here fails and says how to start it. */
#include <winsock2.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "odbc_env.h"

using namespace odbctest;

namespace {

struct Pg : ::testing::Test {
    cXdbc* x = 0;

    static void SetUpTestSuite()
    {
        cXdbc* s = 0;
        ::testing::AssertionResult up = connectTo(s, pgDsn(), pgUser(), pgPswd());
        ASSERT_TRUE(up) << pgHint();
        char const* ddl[] = {
            "drop schema if exists lumbra_s2 cascade",
            "drop schema if exists lumbraxs2 cascade",
            "drop view if exists lp_view",
            "drop table if exists lp_child, lp_parent, lp_types, lp_tx, lp_long, lp_longix, lp_rows"
            " cascade",
            "create table lp_types (id integer primary key, num numeric(10,2), txt varchar(10),"
            " d date, t time, ts timestamp, memo text, flag boolean, big bigint, r real)",
            "insert into lp_types values (1, 1.5, 'abc', '2024-05-06', '13:45:00',"
            " '2024-05-06 13:45:01.250', 'memo text', true, 9007199254740993, 0.5)",
            "insert into lp_types (id) values (2)",
            "create table lp_parent (a integer not null primary key, b varchar(10), n integer,"
            " note text)",
            "create unique index lp_parent_bn on lp_parent (b, n)",
            "create table lp_child (id integer primary key, pa integer not null, pb integer,"
            " constraint lp_child_pa foreign key (pa) references lp_parent(a) on delete cascade,"
            " constraint lp_child_pb foreign key (pb) references lp_parent(a))",
            "create view lp_view as select a from lp_parent",
            "create table lp_tx (v integer)",
            "create table lp_long (id integer, body text)",
            "create schema lumbra_s2",
            "create table lumbra_s2.lp_other (z integer)",
            "create schema lumbraxs2",  // "_" of lumbra_s2 as a pattern would match it
            "create table lumbraxs2.lp_lookalike (z integer)",
            "create table lp_rows as select g as id, 'row ' || g as label from generate_series(1, 2000) g",
        };
        for (char const* sql : ddl)
            ASSERT_TRUE(run(s, sql));
        ASSERT_EQ(1, s->commit()) << s->errorStr();
        xdb_free(s);
    }

    void SetUp() override { ASSERT_TRUE(connectTo(x, pgDsn(), pgUser(), pgPswd())) << pgHint(); }
    void TearDown() override { xdb_free(x); }

    double countElsewhere(char const* sql)
    {
        double n = -1;
        EXPECT_TRUE(scalarElsewhere(pgDsn(), pgUser(), pgPswd(), sql, n));
        return n;
    }
};

struct Row {
    std::vector<std::string> text;
    std::vector<double> num;
    std::vector<bool> null;
};

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

TEST_F(Pg, ConnectionIdentityAndInfo)
{
    EXPECT_EQ(1, x->isConnected());
    EXPECT_STREQ(pgDsn().c_str(), x->dsn());
    EXPECT_STREQ(pgUser().c_str(), x->user());
    cStrinx dbms, driver, version;
    ASSERT_EQ(1, x->getInfo(&dbms, &driver, &version)) << x->errorStr();
    EXPECT_STREQ("PostgreSQL", dbms.text);
    EXPECT_STRNE("", driver.text);
    // Pointers left null are skipped.
    cStrinx only;
    EXPECT_EQ(1, x->getInfo(NULL, NULL, &only));
    EXPECT_STREQ(version.text, only.text);

    // With the credentials of the data source, user() is the name the driver reports.
    cXdbc* y = xdb_init();
    ASSERT_TRUE(y != NULL);
    std::string cs = "DSN=" + pgDsn() + ";";
    ASSERT_EQ(1, y->driverConnect(cs.c_str(), 0)) << y->errorStr();
    EXPECT_STREQ(pgUser().c_str(), y->user());
    EXPECT_STREQ(pgDsn().c_str(), y->dsn());
    EXPECT_STREQ("", y->pswd());
    // So does connect() with an empty login: it sends none.
    ASSERT_EQ(1, y->connect(pgDsn().c_str(), "", "", 0)) << y->errorStr();
    cStrinx who;
    ASSERT_EQ(1, y->prepare("select current_user"));
    ASSERT_EQ(1, y->execute(NULL));
    ASSERT_EQ(1, y->fetchNext(&who, NULL));
    EXPECT_EQ(pgUser(), who.text);
    xdb_free(y);

    EXPECT_EQ(0, x->connect(pgDsn().c_str(), pgUser().c_str(), "wrong password", 0));
    EXPECT_EQ(1, x->error());
    EXPECT_TRUE(strstr(x->errorStr(), "password authentication failed") != NULL) << x->errorStr();
    EXPECT_EQ(0, x->isConnected());
}

TEST_F(Pg, SuccessWithInfoCountsAsSuccess)
{
    // The data source's session setting fails, so the driver connects with a warning.
    cXdbc* y = xdb_init();
    ASSERT_TRUE(y != NULL);
    ASSERT_EQ(1, y->connect(pgInfoDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 0))
        << y->errorStr() << " / " << pgHint();
    EXPECT_EQ(1, y->isConnected());
    double one = 0;
    EXPECT_TRUE(scalar(y, "select 1", one));
    EXPECT_EQ(1, one);
    xdb_free(y);

    // A statement that raises a notice answers SQL_SUCCESS_WITH_INFO.
    ASSERT_EQ(1, x->prepare("drop table if exists lp_no_such_table"));
    EXPECT_EQ(1, x->execute(NULL));
    EXPECT_EQ(0, x->error());

    // The server's message keeps the session's code page: the name comes back as sent.
    EXPECT_EQ(0, x->prepare("select * from lp_zam\xCCstnanci") && x->execute(NULL));
    EXPECT_NE(std::string(x->errorStr()).find("lp_zam\xCCstnanci"), std::string::npos)
        << x->errorStr();
}

TEST_F(Pg, ColumnKindsValuesAndNulls)
{
    ASSERT_TRUE(run(x, "select id, num, txt, d, t, ts, memo, big, r from lp_types where id = 1"));
    int const types[] = {1, 1, 2, 4, 4, 4, 8, 1, 1};
    ASSERT_EQ(9, x->colCount());
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(types[i], x->colType(i)) << x->colName(i);
    short kind = 0;
    int size = 0;
    ASSERT_EQ(1, x->colInfo(3, &kind, &size));
    EXPECT_EQ(2, kind);
    EXPECT_EQ(11, size);
    ASSERT_EQ(1, x->colInfo(7, &kind, &size));
    EXPECT_EQ(6, kind);
    EXPECT_EQ(8192, size);

    cNumbex id, num, big, r;
    cStrinx txt, memo;
    cDatex d, t, ts;
    ASSERT_EQ(1, x->fetchNext(&id, &num, &txt, &d, &t, &ts, &memo, &big, &r, NULL)) << x->errorStr();
    EXPECT_EQ(1.5, num.toDouble());
    EXPECT_STREQ("abc", txt.text);
    EXPECT_STREQ("memo text", memo.text);
    EXPECT_EQ(mktimex(2024, 5, 6, 0, 0, 0, 0), d.toTimext());
    EXPECT_EQ(1, d.datexType);
    EXPECT_EQ(mktimex(0, 0, 0, 13, 45, 0, 0), t.toTimext());
    EXPECT_EQ(2, t.datexType);
    EXPECT_EQ(mktimex(2024, 5, 6, 13, 45, 1, 250), ts.toTimext());
    EXPECT_EQ(9007199254740992.0, big.toDouble());  // nearest double
    EXPECT_EQ(0.5, r.toDouble());

    ASSERT_TRUE(run(x, "select num, txt, d, t, ts, memo, flag, big from lp_types where id = 2"));
    cNumbex flag(1.0);
    num.set(3.0);
    txt = "x";
    memo = "y";
    d.set(2001, 1, 1);
    t.set(2001, 1, 1);
    ts.set(2001, 1, 1);
    ASSERT_EQ(1, x->fetchNext(&num, &txt, &d, &t, &ts, &memo, &flag, &big, NULL));
    EXPECT_TRUE(num.isNull());
    EXPECT_TRUE(txt.isNull());
    EXPECT_TRUE(d.isNull());
    EXPECT_TRUE(t.isNull());
    EXPECT_TRUE(ts.isNull());
    EXPECT_TRUE(memo.isNull());
    EXPECT_TRUE(flag.isNull());
    EXPECT_TRUE(big.isNull());
}

/* Many rows of every column kind, NULLs and cut long text among them, read row by row as
   the library hands them out, through the plain and the server-cursor data source; a second
   statement on the same object after a partly read one starts from its own first row. */
TEST_F(Pg, ManyRowsOfEveryKindReadExactly)
{
    char const* sql =
        "select i, case when i % 7 = 0 then null else i * 1.5 end,"
        " case when i % 5 = 0 then null else ('r' || i)::varchar(10) end,"
        " date '2024-01-01' + i, time '10:00:00' + i * interval '1 second',"
        " timestamp '2024-01-01 00:00:00.250' + i * interval '1 minute',"
        " case when i = 100 then repeat('x', 9000) when i % 3 = 0 then null"
        " else repeat('y', i) end::text"
        " from generate_series(1, 150) i order by i";
    ASSERT_TRUE(run(x, sql));
    checkBlockRows(x, 150);
    ASSERT_TRUE(run(x, "select g from generate_series(1, 100) g order by g"));
    cNumbex g;
    for (int i = 1; i <= 70; i++)
        ASSERT_EQ(1, x->fetchNext(&g, NULL));
    EXPECT_EQ(70, g.toDouble());
    ASSERT_TRUE(run(x, sql));
    checkBlockRows(x, 150);

    cXdbc* c = 0;
    ASSERT_TRUE(connectTo(c, pgCursorDsn(), pgUser(), pgPswd())) << pgHint();
    ASSERT_TRUE(run(c, sql));
    checkBlockRows(c, 150);
    xdb_free(c);
}

TEST_F(Pg, ParametersPlaceholdersAndLongText)
{
    // A backslash-escaped quote (E'' literal) does not end the literal.
    ASSERT_EQ(1, x->prepare("select E'a\\'?' as a, ?::integer + 1 as b")) << x->errorStr();
    EXPECT_EQ(1, x->prmExpected);
    EXPECT_EQ(0, x->execute());  // without its parameter; the statement stays usable
    cNumbex in(41.0), ignored(5.0);
    ASSERT_EQ(1, x->execute(&in, &ignored, NULL)) << x->errorStr();
    cStrinx a;
    cNumbex b;
    ASSERT_EQ(1, x->fetchNext(&a, &b, NULL)) << x->errorStr();
    EXPECT_STREQ("a'?", a.text);
    EXPECT_EQ(42.0, b.toDouble());

    std::string big(10000, 'q');
    for (size_t i = 0; i < big.size(); i++)
        big[i] = (char)('A' + i % 26);
    ASSERT_EQ(1, x->prepare("insert into lp_long values (?, ?)"));
    EXPECT_EQ(2, x->prmCount());
    EXPECT_EQ(1, x->prmType(0));  // integer
    EXPECT_EQ(8, x->prmType(1));  // text, a long column
    EXPECT_EQ(0, x->prmType(5));
    cNumbex id(1.0);
    cStrinx body(big.c_str());
    ASSERT_EQ(1, x->execute(&id, &body, NULL)) << x->errorStr();
    cDatex when(2022, 2, 28, 8, 30, 15, 500);
    ASSERT_EQ(1, x->prepare("select ?::timestamp, length(body), body from lp_long where id = ?"));
    ASSERT_EQ(1, x->execute(&when, &id, NULL)) << x->errorStr();
    cDatex back;
    cNumbex len;
    cStrinx got;
    ASSERT_EQ(1, x->fetchNext(&back, &len, &got, NULL)) << x->errorStr();
    EXPECT_EQ(mktimex(2022, 2, 28, 8, 30, 15, 500), back.toTimext());
    EXPECT_EQ(10000.0, len.toDouble());
    EXPECT_EQ(8191, got.len());
    EXPECT_EQ(0, memcmp(big.data(), got.text, 8191));

    // An unbounded varchar is reported 255 wide; longer values come whole all the same.
    ASSERT_EQ(1, x->prepare("select v from (values (1, 'ab'::varchar), (2, repeat('z', 300)::varchar), "
                            "(3, null), (4, 'cd')) t(i, v) order by i"));
    ASSERT_EQ(1, x->execute(NULL));
    std::vector<std::string> rows;
    for (cStrinx v; x->fetchNext(&v, NULL);)
        rows.push_back(v.isNull() ? "NULL" : v.text);
    EXPECT_EQ(0, x->error()) << x->errorStr();
    EXPECT_EQ((std::vector<std::string>{"ab", std::string(300, 'z'), "NULL", "cd"}), rows);

    // A null string value binds SQL NULL.
    cStrinx none;
    ASSERT_EQ(1, x->prepare("select ?::text is null"));
    ASSERT_EQ(1, x->execute(&none, NULL));
    cStrinx isNull;
    ASSERT_EQ(1, x->fetchNext(&isNull, NULL));
    EXPECT_STREQ("1", isNull.text);
    ASSERT_EQ(1, x->rollback());
}

TEST_F(Pg, CommitAndRollbackSeenFromASecondConnection)
{
    EXPECT_TRUE(run(x, "insert into lp_tx values (1)"));
    EXPECT_EQ(0, countElsewhere("select count(*) from lp_tx"));
    ASSERT_EQ(1, x->rollback()) << x->errorStr();
    EXPECT_EQ(0, countElsewhere("select count(*) from lp_tx"));
    double here = -1;
    EXPECT_TRUE(scalar(x, "select count(*) from lp_tx", here));
    EXPECT_EQ(0, here);

    EXPECT_TRUE(run(x, "insert into lp_tx values (2)"));
    EXPECT_EQ(0, countElsewhere("select count(*) from lp_tx"));
    ASSERT_EQ(1, x->commit()) << x->errorStr();
    EXPECT_EQ(1, countElsewhere("select count(*) from lp_tx where v = 2"));

    // Disconnecting commits, or rolls back when flag bit 0 is set.
    EXPECT_TRUE(run(x, "insert into lp_tx values (3)"));
    ASSERT_EQ(1, x->disconnect());
    EXPECT_EQ(1, countElsewhere("select count(*) from lp_tx where v = 3"));
    ASSERT_EQ(1, x->connect(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 1));
    EXPECT_TRUE(run(x, "insert into lp_tx values (4)"));
    ASSERT_EQ(1, x->disconnect());
    EXPECT_EQ(0, countElsewhere("select count(*) from lp_tx where v = 4"));
    ASSERT_EQ(1, x->connect(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 0));
    x->setFlags(1, 1);
    EXPECT_TRUE(run(x, "insert into lp_tx values (5)"));
    x->setFlags(1, 2);
    ASSERT_EQ(1, x->disconnect());
    EXPECT_EQ(1, countElsewhere("select count(*) from lp_tx where v = 5"));

    ASSERT_EQ(1, x->connect(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 0));
    EXPECT_TRUE(run(x, "delete from lp_tx"));
    ASSERT_EQ(1, x->commit());
}

TEST_F(Pg, AutoCommitFallbackWhenTheDriverRefusesManualCommit)
{
    // On this data source the driver manager hands the driver an invalid autocommit
    // value, which the driver refuses: the connection stays in autocommit mode.
    cXdbc* y = 0;
    ASSERT_TRUE(connectTo(y, pgAutoDsn(), pgUser(), pgPswd())) << pgHint();
    EXPECT_TRUE(run(y, "insert into lp_tx values (100)"));
    // Already committed, as the other connection sees; rollback is a successful no-op.
    EXPECT_EQ(1, countElsewhere("select count(*) from lp_tx where v = 100"));
    EXPECT_EQ(1, y->rollback());
    EXPECT_EQ(0, y->error());
    EXPECT_EQ(1, y->commitsEach());
    EXPECT_EQ(0, x->commitsEach());
    EXPECT_EQ(1, countElsewhere("select count(*) from lp_tx where v = 100"));
    EXPECT_EQ(1, y->commit());
    EXPECT_TRUE(run(y, "delete from lp_tx where v = 100"));
    EXPECT_EQ(0, countElsewhere("select count(*) from lp_tx where v = 100"));
    xdb_free(y);
}

TEST_F(Pg, CancelEndsALongStatementOnTheWorker)
{
    ASSERT_EQ(1, x->prepare("select pg_sleep(60)"));
    DWORD start = GetTickCount();
    ASSERT_EQ(1, x->executeAsync());
    EXPECT_EQ(0, x->waitAsync(500));  // still running
    EXPECT_EQ(1, x->cancel());
    ASSERT_EQ(1, x->waitAsync(20000));
    DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 20000u);
    EXPECT_EQ(1, x->error());
    EXPECT_TRUE(strstr(x->errorStr(), "cancel") != NULL) << x->errorStr();
    // The transaction is aborted; after a rollback the object works again.
    EXPECT_EQ(1, x->rollback()) << x->errorStr();
    double one = 0;
    EXPECT_TRUE(scalar(x, "select 1", one));
    EXPECT_EQ(1, one);

    // Freeing the object while its worker runs cancels and waits for it.
    cXdbc* y = 0;
    ASSERT_TRUE(connectTo(y, pgDsn(), pgUser(), pgPswd()));
    ASSERT_EQ(1, y->prepare("select pg_sleep(60)"));
    ASSERT_EQ(1, y->executeAsync());
    Sleep(300);
    start = GetTickCount();
    xdb_free(y);
    EXPECT_LT(GetTickCount() - start, 20000u);

    // A statement that ends by itself: the outcome is read after the wait.
    ASSERT_EQ(1, x->prepare("select count(*) from lp_rows"));
    ASSERT_EQ(1, x->executeAsync());
    ASSERT_EQ(1, x->waitAsync(20000));
    EXPECT_EQ(0, x->error()) << x->errorStr();
    cNumbex n;
    ASSERT_EQ(1, x->fetchNext(&n, NULL));
    EXPECT_EQ(2000.0, n.toDouble());
}

namespace {
struct SilentConnect {
    std::string cs;
    cXdbc* y;
    int ok;
};
DWORD WINAPI silentConnect(void* p)
{
    SilentConnect* c = (SilentConnect*)p;
    c->ok = c->y->driverConnect(c->cs.c_str(), 0);
    return 0;
}
}  // namespace

/* A server that accepts the connection and never answers: the connect gives up. */
TEST_F(Pg, ConnectToASilentServerGivesUp)
{
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    SOCKET l = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int alen = sizeof a;
    ASSERT_EQ(0, bind(l, (sockaddr*)&a, sizeof a));
    ASSERT_EQ(0, listen(l, 4));  // the kernel takes the connection; nobody answers
    ASSERT_EQ(0, getsockname(l, (sockaddr*)&a, &alen));
    SilentConnect c = {"DRIVER={PostgreSQL ANSI};Servername=127.0.0.1;Port=" +
                           std::to_string(ntohs(a.sin_port)) +
                           ";Database=x;Username=u;Password=p;SSLmode=disable",
                       xdb_init(), -1};
    DWORD t0 = GetTickCount();
    HANDLE t = CreateThread(0, 0, silentConnect, &c, 0, 0);
    bool ended = WaitForSingleObject(t, 60000) == WAIT_OBJECT_0;
    DWORD took = GetTickCount() - t0;
    closesocket(l);  // ends a connect that still waits
    WaitForSingleObject(t, 60000);
    CloseHandle(t);
    EXPECT_TRUE(ended) << "still waiting after a minute";
    EXPECT_EQ(0, c.ok);
    EXPECT_LT(took, 40000u);
    EXPECT_FALSE(c.y->isConnected());
    xdb_free(c.y);
    WSACleanup();
}

/* A text of two statements: PostgreSQL runs both; the second's rows, unread, are said. */
TEST_F(Pg, FurtherResultsOfATextAreNotLostWithoutAWord)
{
    ASSERT_TRUE(run(x, "select 1 as a; select 2 as b"));
    cNumbex a;
    ASSERT_EQ(1, x->fetchNext(&a, NULL)) << x->errorStr();
    EXPECT_EQ(0, x->fetchNext(&a, NULL));
    EXPECT_EQ(1, x->error());
    EXPECT_STREQ("The statement gave further results, which are not shown: run its statements "
                 "one by one.", x->errorStr());
    ASSERT_TRUE(run(x, "select 3 as c"));
    ASSERT_EQ(1, x->fetchNext(&a, NULL));
    EXPECT_EQ(0, x->fetchNext(&a, NULL));
    EXPECT_EQ(0, x->error()) << "one result ends cleanly";
}

TEST_F(Pg, DroppedServerConnectionMidFetchIsAnError)
{
    // Through a server-side cursor the rows arrive ten at a time, so the loss of
    // the backend shows in the middle of the fetch loop.
    cXdbc* y = 0;
    ASSERT_TRUE(connectTo(y, pgCursorDsn(), pgUser(), pgPswd())) << pgHint();
    double pid = 0;
    ASSERT_TRUE(scalar(y, "select pg_backend_pid()", pid));
    ASSERT_TRUE(run(y, "select id, label from lp_rows order by id"));
    cNumbex id;
    cStrinx label;
    for (int i = 1; i <= 5; i++) {
        ASSERT_EQ(1, y->fetchNext(&id, &label, NULL)) << y->errorStr();
        EXPECT_EQ((double)i, id.toDouble());
    }
    char kill[80];
    snprintf(kill, sizeof kill, "select pg_terminate_backend(%d)", (int)pid);
    ASSERT_TRUE(run(x, kill));
    x->finish();
    Sleep(300);
    int rows = 5;
    while (y->fetchNext(&id, &label, NULL) && rows < 5000)
        rows++;
    EXPECT_LT(rows, 2000);
    EXPECT_EQ(1, y->error());
    EXPECT_STRNE("", y->errorStr());
    // Nothing works on the lost connection, but nothing breaks either.
    EXPECT_EQ(0, y->prepare("select 1") && y->execute(NULL) && y->fetchNext());
    EXPECT_STRNE("", y->errorStr());
    y->disconnect();
    EXPECT_EQ(0, y->isConnected());
    ASSERT_EQ(1, y->connect(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 0)) << y->errorStr();
    double one = 0;
    EXPECT_TRUE(scalar(y, "select 1", one));
    xdb_free(y);
}

TEST_F(Pg, CatalogueSchemasAndTables)
{
    ASSERT_EQ(1, x->metaSelect(META_SCHEMAS));
    ASSERT_EQ(1, x->execute(NULL)) << x->errorStr();
    std::vector<Row> rows = allRows(x);
    bool pub = false, s2 = false;
    for (Row const& r : rows) {
        pub |= r.text[1] == "public";
        s2 |= r.text[1] == "lumbra_s2";
    }
    EXPECT_TRUE(pub);
    EXPECT_TRUE(s2);

    cStrinx schema("public"), table("lp_types");
    ASSERT_EQ(1, x->metaSelect(META_TABLES));
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    rows = allRows(x);
    bool types = false, parent = false, view = false, other = false;
    for (Row const& r : rows) {
        EXPECT_EQ("public", r.text[1]);
        types |= r.text[2] == "lp_types";
        parent |= r.text[2] == "lp_parent";
        view |= r.text[2] == "lp_view";
        other |= r.text[2] == "lp_other";
    }
    EXPECT_TRUE(types);
    EXPECT_TRUE(parent);  // the table value was not taken
    EXPECT_FALSE(view);
    EXPECT_FALSE(other);

    // An empty schema value lists the tables of every schema.
    cStrinx any;
    ASSERT_EQ(1, x->metaSelect(META_TABLES));
    ASSERT_EQ(1, x->execute(&any, NULL));
    rows = allRows(x);
    other = false;
    for (Row const& r : rows)
        other |= r.text[1] == "lumbra_s2" && r.text[2] == "lp_other";
    EXPECT_TRUE(other);

    cStrinx s2name("lumbra_s2");
    ASSERT_EQ(1, x->metaSelect(META_TABLES));
    ASSERT_EQ(1, x->execute(&s2name, NULL));
    rows = allRows(x);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("lp_other", rows[0].text[2]);
}

TEST_F(Pg, CatalogueColumnsKeysAndIndexes)
{
    cStrinx schema("public"), parent("lp_parent"), child("lp_child");
    ASSERT_EQ(1, x->metaSelect(META_COLUMNS));
    ASSERT_EQ(1, x->execute(&schema, &parent, NULL)) << x->errorStr();
    std::vector<Row> rows = allRows(x);
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ("a", rows[0].text[0]);
    EXPECT_EQ(0, rows[0].num[4]);
    EXPECT_EQ(1, rows[1].num[4]);
    EXPECT_EQ(10, rows[1].num[2]);
    // A text column has no decimal digits: the driver leaves the number NULL.
    EXPECT_TRUE(rows[1].null[3]);

    ASSERT_EQ(1, x->metaSelect(META_PRIMARY_KEY));
    ASSERT_EQ(1, x->execute(&schema, &parent, NULL));
    rows = allRows(x);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("lp_parent_pkey", rows[0].text[0]);
    EXPECT_EQ("a", rows[0].text[1]);

    ASSERT_EQ(1, x->metaSelect(META_INDEXES));
    ASSERT_EQ(1, x->execute(&schema, &parent, NULL)) << x->errorStr();
    rows = allRows(x);
    int bn = 0;
    for (Row const& r : rows)
        if (r.text[0] == "lp_parent_bn") {
            bn++;
            EXPECT_EQ(1, r.num[2]);
            EXPECT_EQ(1, r.num[4]);
            EXPECT_EQ("b", r.text[3]);
        }
    EXPECT_EQ(1, bn);
    EXPECT_EQ(2u, rows.size());  // the primary key's index and lp_parent_bn

    cStrinx index("lp_parent_bn");
    ASSERT_EQ(1, x->metaSelect(META_INDEX_COLUMNS));
    ASSERT_EQ(1, x->execute(&schema, &parent, &index, NULL));
    rows = allRows(x);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("b", rows[0].text[3]);
    EXPECT_EQ("n", rows[1].text[3]);

    ASSERT_EQ(1, x->metaSelect(META_FOREIGN_KEYS));
    ASSERT_EQ(1, x->execute(&schema, &child, NULL)) << x->errorStr();
    rows = allRows(x);
    ASSERT_EQ(2u, rows.size());
    for (Row const& r : rows) {
        EXPECT_EQ("lp_parent", r.text[0]);
        EXPECT_EQ("a", r.text[1]);
        EXPECT_EQ("lp_child", r.text[2]);
        EXPECT_EQ("lp_parent_pkey", r.text[6]);
        EXPECT_EQ(1, r.num[7]);
        if (r.text[5] == "lp_child_pa")
            EXPECT_EQ(3, r.num[4]);  // ON DELETE CASCADE
        else
            EXPECT_EQ(1, r.num[4]);  // NO ACTION
    }

    cStrinx fk("lp_child_pb");
    ASSERT_EQ(1, x->metaSelect(META_FOREIGN_KEY_COLUMNS));
    ASSERT_EQ(1, x->execute(&schema, &child, &fk, NULL));
    rows = allRows(x);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("pb", rows[0].text[3]);
    EXPECT_EQ("lp_child_pb", rows[0].text[5]);
}

TEST_F(Pg, CatalogueIndexNamesLongerThanTheFocusKey)
{
    // PostgreSQL keeps 63 characters of a name: these two agree in the first 58.
    std::string common(55, 'm');
    std::string ix1 = "ix_" + common + "_one", ix2 = "ix_" + common + "_two";
    ASSERT_TRUE(run(x, "create table lp_longix (p integer, q integer, r integer)"));
    ASSERT_TRUE(run(x, ("create index " + ix1 + " on lp_longix (p, q)").c_str()));
    ASSERT_TRUE(run(x, ("create index " + ix2 + " on lp_longix (q, r)").c_str()));
    cStrinx schema("public"), table("lp_longix");
    ASSERT_EQ(1, x->metaSelect(META_INDEXES));
    ASSERT_EQ(1, x->execute(&schema, &table, NULL)) << x->errorStr();
    std::vector<Row> rows = allRows(x);
    ASSERT_EQ(2u, rows.size());
    EXPECT_NE(rows[0].text[0], rows[1].text[0]);
    for (Row const& r : rows)
        EXPECT_TRUE(r.text[0] == ix1 || r.text[0] == ix2) << r.text[0];
    ASSERT_EQ(1, x->rollback());
}

TEST_F(Pg, LoginValuesAreQuotedNeverAddedAsAttributes)
{
    cXdbc* y = xdb_init();
    ASSERT_NE(nullptr, y);
    // A password holding ; { } = and a trailing blank works when quoted (.ci/pg.sh).
    std::string odd = pgUser() + "_odd";
    ASSERT_EQ(1, y->connect(pgDsn().c_str(), odd.c_str(), "odd;pw}={x ", 0)) << y->errorStr();
    EXPECT_STREQ(pgDsn().c_str(), y->dsn());
    EXPECT_STREQ(odd.c_str(), y->user());
    EXPECT_STREQ("odd;pw}={x ", y->pswd());
    cStrinx who;
    ASSERT_EQ(1, y->prepare("select current_user || '@' || current_database()"));
    ASSERT_EQ(1, y->execute(NULL));
    ASSERT_EQ(1, y->fetchNext(&who, NULL));
    EXPECT_EQ(odd + "@lumbratest", who.text);
    y->disconnect();

    // Neither the password nor the user name can reach another database or port.
    std::string pswd = pgPswd() + ";Database=postgres";
    EXPECT_EQ(0, y->connect(pgDsn().c_str(), pgUser().c_str(), pswd.c_str(), 0));
    EXPECT_EQ(0, y->isConnected());
    std::string user = pgUser() + ";Database=postgres";
    EXPECT_EQ(0, y->connect(pgDsn().c_str(), user.c_str(), pgPswd().c_str(), 0));
    EXPECT_EQ(0, y->isConnected());
    user = pgUser() + ";Port=1";
    EXPECT_EQ(0, y->connect(pgDsn().c_str(), user.c_str(), pgPswd().c_str(), 0));
    EXPECT_EQ(0, y->isConnected());
    std::string dsn = pgDsn() + ";Database=postgres";
    EXPECT_EQ(0, y->connect(dsn.c_str(), pgUser().c_str(), pgPswd().c_str(), 0));
    EXPECT_EQ(0, y->isConnected());
    // The plain login still works after all that.
    ASSERT_EQ(1, y->connect(pgDsn().c_str(), pgUser().c_str(), pgPswd().c_str(), 0)) << y->errorStr();
    xdb_free(y);
}
