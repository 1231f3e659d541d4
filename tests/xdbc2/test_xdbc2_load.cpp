/* cXdbc2 against the test drivers of testdrv.cpp: loading, the pool, values and parameters. */
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "heapuse.h"
#include "strx.h"
#include "values.h"
#include "xdbc2.h"

namespace {

char const* const kResident = "xdbc2_resident.dll";
char const* const kTransient = "xdbc2_transient.dll";

int counter(char const* driver, char const* what) {
    std::string name = std::string(driver) + "_" + what;
    char value[32];
    DWORD n = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return (n > 0 && n < sizeof value) ? atoi(value) : 0;
}

/* The counters of one driver at one moment. */
struct Counts {
    int loads, envs, connects, closes, envCloses;
};

Counts counts(char const* driver) {
    Counts c = {counter(driver, "LOADS"), counter(driver, "ENVS"), counter(driver, "CONNECTS"),
                counter(driver, "CLOSES"), counter(driver, "ENVCLOSES")};
    return c;
}

bool loaded(char const* dll) {
    return GetModuleHandleA(dll) != 0;
}

/* connect(library, count, list) with a list written inline. */
bool open(cXdbc2& x, char const* library, std::initializer_list<char const*> kv) {
    return x.connect(library, (int)kv.size(), const_cast<char**>(kv.begin()));
}

TEST(Xdbc2Load, LibrariesThatCannotServeFailWithTheirMessage) {
    cXdbc2 x;
    EXPECT_FALSE(x.connect("no_such_driver_xyz.dll", 0, NULL));
    EXPECT_EQ(1, x.error());
    EXPECT_STREQ("Cannot load the driver!", x.errorStr());
    EXPECT_FALSE(x.isConnected());

    EXPECT_FALSE(x.connect("xdbc2_noenv.dll", 0, NULL));
    EXPECT_EQ(1, x.error());
    EXPECT_STREQ("Cannot find openenv function within the driver library!", x.errorStr());
    EXPECT_FALSE(loaded("xdbc2_noenv.dll"));
    EXPECT_EQ(1, counter("xdbc2_noenv", "LOADS"));

    EXPECT_FALSE(x.connect("xdbc2_badenv.dll", 0, NULL));
    EXPECT_STREQ("openenv function failed!", x.errorStr());
    EXPECT_FALSE(loaded("xdbc2_badenv.dll"));

    EXPECT_FALSE(x.connect(NULL, 0, NULL));
    EXPECT_STREQ("Cannot load the driver!", x.errorStr());
    EXPECT_FALSE(x.connect(kTransient, 2, NULL));
    EXPECT_STREQ("Invalid connection parameters!", x.errorStr());
    EXPECT_FALSE(x.connect(kTransient, -2, NULL));
    EXPECT_FALSE(loaded(kTransient));

    // Nothing works without a connection, and nothing crashes.
    cNumbex n;
    EXPECT_FALSE(x.prepare("select"));
    EXPECT_STREQ("Not connected!", x.errorStr());
    EXPECT_FALSE(x.tableList());
    EXPECT_FALSE(x.commit());
    EXPECT_FALSE(x.rollback());
    EXPECT_FALSE(x.execute());
    EXPECT_STREQ("No statement!", x.errorStr());
    EXPECT_FALSE(x.fetchNext());
    EXPECT_FALSE(x.colValue(0, n));
    EXPECT_FALSE(x.setValue(n));
    EXPECT_EQ(0, x.colCount());
    EXPECT_EQ(0, x.prmCount());
    EXPECT_STREQ("", x.colName(0));
    EXPECT_TRUE(x.finish());
    EXPECT_TRUE(x.disconnect());
    EXPECT_EQ(0, x.error());
    EXPECT_STREQ("", x.errorStr());
}

TEST(Xdbc2Load, TransientDriverIsUnloadedWithItsLastUser) {
    Counts c0 = counts("xdbc2_transient");
    {
        cXdbc2 a, b;
        ASSERT_TRUE(open(a, kTransient, {"db", "one", "uid", "u"}));
        ASSERT_TRUE(open(b, kTransient, {"uid", "u", "db", "one"}));  // same pairs, other order
        Counts c1 = counts("xdbc2_transient");
        EXPECT_EQ(c0.loads + 1, c1.loads);
        EXPECT_EQ(c0.envs + 1, c1.envs);
        EXPECT_EQ(c0.connects + 1, c1.connects) << "the second object shares the connection";

        // The first one leaving does not take the connection from the second.
        EXPECT_TRUE(a.disconnect());
        EXPECT_FALSE(a.isConnected());
        EXPECT_EQ(c0.closes, counter("xdbc2_transient", "CLOSES"));
        ASSERT_TRUE(b.prepare("select"));
        ASSERT_TRUE(b.execute());
        EXPECT_TRUE(b.fetchNext());
        EXPECT_TRUE(loaded(kTransient));
    }
    Counts c2 = counts("xdbc2_transient");
    EXPECT_EQ(c0.closes + 1, c2.closes);
    EXPECT_EQ(c0.envCloses + 1, c2.envCloses);
    EXPECT_FALSE(loaded(kTransient));

    cXdbc2 again;
    ASSERT_TRUE(open(again, kTransient, {"db", "one"}));
    EXPECT_EQ(c0.loads + 2, counter("xdbc2_transient", "LOADS"));
    again.disconnect();
    EXPECT_FALSE(loaded(kTransient));
}

TEST(Xdbc2Load, ResidentDriverStaysAndReopensItsEnvironment) {
    Counts c0 = counts("xdbc2_resident");
    for (int round = 1; round <= 3; round++) {
        cXdbc2 x;
        ASSERT_TRUE(open(x, kResident, {"db", "r"}));
        x.disconnect();
        Counts c = counts("xdbc2_resident");
        EXPECT_EQ(c0.envs + round, c.envs) << "openenv again for every first user";
        EXPECT_EQ(c0.envCloses + round, c.envCloses) << "environment closed with the last user";
        EXPECT_TRUE(loaded(kResident));
    }
    EXPECT_LE(counter("xdbc2_resident", "LOADS") - c0.loads, 1) << "loaded once at most";
}

TEST(Xdbc2Load, PoolingOffClonesAndCopies) {
    Counts c0 = counts("xdbc2_resident");
    cXdbc2 a, b, c, d, e;
    ASSERT_TRUE(open(a, kResident, {"db", "p", "uid", NULL, "pooling", "no"}));
    EXPECT_EQ(c0.connects + 1, counter("xdbc2_resident", "CONNECTS")) << "nothing to share yet";
    ASSERT_TRUE(open(b, kResident, {"db", "p", "uid", NULL, "pooling", "no"}));
    EXPECT_EQ(c0.connects + 2, counter("xdbc2_resident", "CONNECTS")) << "pooling off: own connection";
    ASSERT_TRUE(c.cloneFrom(&b));
    EXPECT_EQ(c0.connects + 3, counter("xdbc2_resident", "CONNECTS")) << "clone of a non-pooled one";
    ASSERT_TRUE(d.cloneFrom(&a));
    EXPECT_EQ(c0.connects + 3, counter("xdbc2_resident", "CONNECTS")) << "a was pooled: shared";
    ASSERT_TRUE(open(e, kResident, {"db", "p", "uid", "", "pooling", "1"}));
    EXPECT_EQ(c0.connects + 4, counter("xdbc2_resident", "CONNECTS")) << "null and \"\" differ";

    cXdbc2 g, h;
    ASSERT_TRUE(open(g, kResident, {"db", "q", "pooling", "0"}));
    ASSERT_TRUE(open(h, kResident, {"db", "q", "pooling", "0"}));
    EXPECT_EQ(c0.connects + 6, counter("xdbc2_resident", "CONNECTS")) << "\"0\" turns pooling off too";
    g.disconnect();
    h.disconnect();

    // Assignment clones; self-assignment and copies keep the connection.
    e = a;
    EXPECT_EQ(c0.closes + 3, counter("xdbc2_resident", "CLOSES"));
    e = e;
    EXPECT_TRUE(e.cloneFrom(&e));
    ASSERT_TRUE(e.isConnected());
    {
        cXdbc2 copy(e);
        EXPECT_TRUE(copy.isConnected());
        ASSERT_TRUE(copy.prepare("select"));
        ASSERT_TRUE(copy.execute());
        EXPECT_TRUE(copy.fetchNext());
    }
    EXPECT_TRUE(e.fetchNext()) << "the copy shared the statement and left it open";
    cXdbc2 f(e);
    f.disconnect();
    EXPECT_FALSE(e.isConnected()) << "copies share one body";

    EXPECT_FALSE(f.cloneFrom(NULL));
    EXPECT_STREQ("No object to clone from!", f.errorStr());
    a.disconnect();
    b.disconnect();
    c.disconnect();
    d.disconnect();
    EXPECT_EQ(c0.closes + 6, counter("xdbc2_resident", "CLOSES"));

    // An odd count: the last key has no value, and equal lists still share.
    int before = counter("xdbc2_resident", "CONNECTS");
    cXdbc2 o1, o2;
    ASSERT_TRUE(open(o1, kResident, {"db", "odd", "uid"}));
    ASSERT_TRUE(open(o2, kResident, {"db", "odd", "uid"}));
    EXPECT_EQ(before + 1, counter("xdbc2_resident", "CONNECTS"));
}

TEST(Xdbc2Load, FailedConnectReportsTheEnvironmentErrorAndReleasesAll) {
    Counts c0 = counts("xdbc2_transient");
    cXdbc2 x;
    EXPECT_FALSE(open(x, kTransient, {"fail", "1"}));
    EXPECT_EQ(42, x.error());
    EXPECT_STREQ("refused by request", x.errorStr());
    EXPECT_FALSE(x.isConnected());
    EXPECT_FALSE(loaded(kTransient));

    EXPECT_FALSE(open(x, kTransient, {"fail", "handle"}));
    EXPECT_EQ(42, x.error());
    Counts c1 = counts("xdbc2_transient");
    EXPECT_EQ(c1.connects - c0.connects, c1.closes - c0.closes) << "the handle handed out is closed";
    EXPECT_EQ(c1.envs - c0.envs, c1.envCloses - c0.envCloses);
    EXPECT_FALSE(loaded(kTransient));
}

TEST(Xdbc2Load, ColumnValuesByKindIndexAndName) {
    cXdbc2 x;
    ASSERT_TRUE(open(x, kResident, {"db", "v"}));
    ASSERT_TRUE(x.prepare("select"));
    ASSERT_TRUE(x.execute());
    ASSERT_EQ(11, x.colCount());
    int const codes[11] = {2, 2, 1, 1, 4, 4, 4, 8, 0, 4, 2};
    for (int i = 0; i < 11; i++)
        EXPECT_EQ(codes[i], x.colType(i)) << "column " << i;
    EXPECT_EQ(0, x.colType(-1)) << "-1 is the count, not a type";
    EXPECT_EQ(0, x.colType(-2));
    EXPECT_EQ(0, x.colType(11));
    EXPECT_STREQ("Stamp", x.colName(6));
    EXPECT_STREQ("", x.colName(11));

    ASSERT_TRUE(x.fetchNext());
    cStrinx s;
    cNumbex n;
    cDatex d;
    ASSERT_TRUE(x.colValue(0, s));
    EXPECT_STREQ("row 1", s.text);
    s = "was set";
    ASSERT_TRUE(x.colValue(1, s));
    EXPECT_TRUE(s.isNull());
    ASSERT_TRUE(x.colValue(3, n));
    EXPECT_DOUBLE_EQ(1.25, n.toDouble());
    EXPECT_STREQ("1.2500", n.toChars(NULL, true)) << "4 decimals for a non-integer";
    ASSERT_TRUE(x.colValue(2, n));
    EXPECT_STREQ("1", n.toChars(NULL, true)) << "0 decimals for an integer";
    ASSERT_TRUE(x.colValue(4, d));
    EXPECT_STREQ("2024-03-05", d.toChars(NULL, true));
    ASSERT_TRUE(x.colValue(5, d));
    EXPECT_STREQ("13:45:30", d.toChars(NULL, true));
    ASSERT_TRUE(x.colValue(6, d));
    EXPECT_STREQ("2003-02-01 09:08:07", d.toChars(NULL, true));
    ASSERT_TRUE(x.colValue(7, s));
    EXPECT_STREQ("a", s.text) << "binary goes as text";
    ASSERT_TRUE(x.colValue(4, s)) << "a date into a text value";
    EXPECT_FALSE(s.isNull());

    EXPECT_FALSE(x.colValue(8, s));
    EXPECT_STREQ("Unsupported value type!", x.errorStr());
    EXPECT_FALSE(x.colValue(9, d));
    EXPECT_STREQ("Date outside the calendar!", x.errorStr());
    for (int bad : {-1, -2, -100, 11, 1000}) {
        EXPECT_FALSE(x.colValue(bad, s)) << bad;
        EXPECT_STREQ("Index out of range!", x.errorStr());
    }

    // By name: ASCII case folded, the first of two equal names wins.
    ASSERT_TRUE(x.colValue("NAME", s));
    EXPECT_STREQ("row 1", s.text);
    ASSERT_TRUE(x.colValue("stamp", d));
    EXPECT_STREQ("2003-02-01 09:08:07", d.toChars(NULL, true));
    EXPECT_EQ(1, x.colType("count"));
    EXPECT_FALSE(x.colValue("missing", s));
    EXPECT_STREQ("No such column!", x.errorStr());
    EXPECT_EQ(0, x.colType("missing"));
    EXPECT_FALSE(x.colValue((char const*)NULL, s));

    cStrinx name, c1, c7, c8;
    cNumbex count, ratio;
    cDatex c4, c5, c6;
    ASSERT_TRUE(x.fetchNext(&name, (cVariablex*)NULL));
    EXPECT_STREQ("row 2", name.text);
    EXPECT_FALSE(x.fetchNext(&name, &c1, &count, &ratio, &c4, &c5, &c6, &c7, &c8, (cVariablex*)NULL))
        << "column 8 is of no known kind: the row is not delivered as complete";
    EXPECT_STREQ("Unsupported value type!", x.errorStr());
    EXPECT_DOUBLE_EQ(3.25, ratio.toDouble());
    EXPECT_FALSE(x.fetchNext());
    EXPECT_EQ(1, x.error()) << "the earlier error stays";
}

TEST(Xdbc2Load, FetchEndAndFetchErrorAreToldApartByError) {
    cXdbc2 x;
    ASSERT_TRUE(open(x, kResident, {"db", "f"}));
    ASSERT_TRUE(x.prepare("select"));
    ASSERT_TRUE(x.execute());
    int rows = 0;
    while (x.fetchNext())
        rows++;
    EXPECT_EQ(3, rows);
    EXPECT_EQ(0, x.error()) << "the end of the rows is no error";
    EXPECT_FALSE(x.fetchNext());
    EXPECT_EQ(0, x.error());

    ASSERT_TRUE(x.prepare("broken"));
    ASSERT_TRUE(x.execute());
    EXPECT_TRUE(x.fetchNext());
    EXPECT_FALSE(x.fetchNext());
    EXPECT_EQ(55, x.error());
    EXPECT_STREQ("fetch broke", x.errorStr());

    EXPECT_FALSE(x.prepare("bad"));
    EXPECT_EQ(7, x.error());
    EXPECT_STREQ("syntax error", x.errorStr());
    EXPECT_FALSE(x.execute()) << "the failed statement was closed";
    EXPECT_FALSE(x.prepare(NULL));

    EXPECT_TRUE(x.commit());
    EXPECT_FALSE(x.rollback());
    EXPECT_EQ(12, x.error());
    EXPECT_STREQ("nothing to roll back", x.errorStr());
    EXPECT_TRUE(x.tableList());
    EXPECT_EQ(11, x.colCount());
    x.disconnect();
    EXPECT_EQ(0, x.error());
}

TEST(Xdbc2Load, ParametersTravelAsTheirKindSays) {
    cXdbc2 x;
    ASSERT_TRUE(open(x, kResident, {"db", "p"}));
    ASSERT_TRUE(x.prepare("echo ? ? ? ? ?"));
    ASSERT_EQ(5, x.prmCount());
    EXPECT_EQ(2, x.prmType(0));
    EXPECT_EQ(1, x.prmType(1));
    EXPECT_EQ(4, x.prmType(2));
    EXPECT_EQ(8, x.prmType(3));
    EXPECT_EQ(0, x.prmType(4));
    EXPECT_EQ(0, x.prmType(-1));

    cStrinx text("Žluťoučký kůň");
    cNumbex num(-1234.5625);
    cDatex when(2024, 2, 29, 23, 59, 58, 999);
    cStrinx bin("raw");
    ASSERT_TRUE(x.execute(&text, &num, &when, &bin, (cVariablex*)NULL));
    ASSERT_TRUE(x.fetchNext());
    cStrinx s;
    cNumbex n;
    cDatex d;
    ASSERT_TRUE(x.colValue(0, s));
    EXPECT_STREQ(text.text, s.text);
    ASSERT_TRUE(x.colValue(1, n));
    EXPECT_EQ(-1234.5625, n.toDouble());
    ASSERT_TRUE(x.colValue(2, d));
    EXPECT_STREQ("2024-02-29 23:59:58", d.toChars(NULL, true)) << "milliseconds are not sent";
    ASSERT_TRUE(x.colValue(3, s));
    EXPECT_STREQ("raw", s.text);

    // Nulls go as no data; a kind the loader does not know is refused.
    cStrinx none;
    cNumbex nullNum;
    nullNum.setNull();
    ASSERT_TRUE(x.setValue(0, none));
    ASSERT_TRUE(x.setValue(1, nullNum));
    EXPECT_FALSE(x.setValue(4, text));
    EXPECT_STREQ("Unsupported value type!", x.errorStr());
    EXPECT_FALSE(x.setValue(5, text));
    EXPECT_STREQ("Index out of range!", x.errorStr());
    EXPECT_FALSE(x.setValue(-1, text));
    ASSERT_TRUE(x.execute());
    ASSERT_TRUE(x.fetchNext());
    ASSERT_TRUE(x.colValue(0, s));
    EXPECT_TRUE(s.isNull());
    n = 5.0;
    ASSERT_TRUE(x.colValue(1, n));
    EXPECT_TRUE(n.isNull());

    // The running index: execute resets it; the variadic form binds from parameter 0.
    ASSERT_TRUE(x.setValue(bin));
    ASSERT_TRUE(x.setValue(num));
    ASSERT_TRUE(x.execute());
    ASSERT_TRUE(x.setValue(text));
    ASSERT_TRUE(x.execute());
    ASSERT_TRUE(x.fetchNext());
    ASSERT_TRUE(x.colValue(0, s));
    EXPECT_STREQ(text.text, s.text);
    ASSERT_TRUE(x.colValue(1, n));
    EXPECT_EQ(-1234.5625, n.toDouble());
    ASSERT_TRUE(x.setValue(text));
    ASSERT_TRUE(x.execute(&bin, (cVariablex*)NULL));
    ASSERT_TRUE(x.fetchNext());
    ASSERT_TRUE(x.colValue(0, s));
    EXPECT_STREQ("raw", s.text);
    // A value that cannot be bound stops the run before executing.
    EXPECT_FALSE(x.execute(&text, &num, &when, &bin, &text, &text, (cVariablex*)NULL));
    EXPECT_STREQ("Unsupported value type!", x.errorStr());
    EXPECT_FALSE(x.fetchNext()) << "not executed again: still past the only row";

    ASSERT_TRUE(x.prepare("echo ? ?"));
    ASSERT_TRUE(x.execute(&bin, &num, &when, (cVariablex*)NULL)) << "values past the count are not read";
    ASSERT_TRUE(x.fetchNext(&s, &n, (cVariablex*)NULL));
    EXPECT_STREQ("raw", s.text);
    EXPECT_EQ(-1234.5625, n.toDouble());
}

TEST(Xdbc2Load, HeapCounterSeesTheAllocatorsBlocks) {
    HeapUse before = heapUse();
    void* p[5];
    for (int i = 0; i < 5; i++)
        p[i] = mallox(100);
    EXPECT_EQ(before.blocks + 5, heapUse().blocks) << "a leak check that cannot see blocks proves nothing";
    for (int i = 0; i < 5; i++)
        freex(p[i]);
    EXPECT_EQ(before.blocks, heapUse().blocks);
}

TEST(Xdbc2Load, NothingLeaks) {
    long growth = heapGrowth(
        [] {
            cXdbc2 a, b;
            open(a, kTransient, {"db", "leak"});
            open(b, kResident, {"db", "leak", "pooling", "no"});
            cXdbc2 c(a);
            cXdbc2 d;
            d.cloneFrom(&b);
            a.prepare("echo ? ? ?");
            cStrinx t("text");
            cNumbex n(2.5);
            cDatex dt(2020, 1, 2);
            a.execute(&t, &n, &dt, (cVariablex*)NULL);
            a.fetchNext(&t, &n, &dt, (cVariablex*)NULL);
            b.prepare("select");
            b.execute();
            while (b.fetchNext(&t, (cVariablex*)NULL))
                b.colValue(9, dt);
            b.prepare("bad");
            b.rollback();
            a.connect("no_such_driver_xyz.dll", 0, NULL);
            a.connect("xdbc2_noenv.dll", 0, NULL);
            open(a, kTransient, {"fail", "handle"});
            c = d;
        },
        20);
    EXPECT_EQ(0, growth) << "heap blocks left behind by 20 rounds";
}

}  // namespace
