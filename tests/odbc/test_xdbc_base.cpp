/* cXdbc without a connection: construction, flags, error codes and texts,
   refusals, and the two catalogue lists that need only the environment. */
#include <string.h>

#include <string>

#include "odbc_env.h"

using namespace odbctest;

namespace {

struct Unconnected : ::testing::Test {
    cXdbc* x = 0;
    void SetUp() override
    {
        x = xdb_init();
        ASSERT_TRUE(x != NULL);
    }
    void TearDown() override { xdb_free(x); }
};

}  // namespace

TEST_F(Unconnected, StartsEmptyAndFreeNullsThePointer)
{
    EXPECT_EQ(1, x->eof());
    EXPECT_EQ(0, x->error());
    EXPECT_EQ(0, x->isConnected());
    ASSERT_TRUE(x->dsn() && x->user() && x->pswd());
    EXPECT_STREQ("", x->dsn());
    EXPECT_STREQ("", x->user());
    EXPECT_STREQ("", x->pswd());
    EXPECT_STREQ("", x->errorStr());
    EXPECT_EQ(0, x->colCount());
    EXPECT_EQ(0, x->rowCount);
    EXPECT_EQ(0, x->flags);

    cXdbc* other = xdb_init();
    ASSERT_TRUE(other != NULL);
    EXPECT_EQ(1, xdb_free(other));
    EXPECT_TRUE(other == NULL);
    EXPECT_EQ(1, xdb_free(other));  // a null pointer is fine
}

TEST_F(Unconnected, SetFlagsModes)
{
    x->setFlags(1, 1);
    EXPECT_EQ(1, x->flags);
    x->setFlags(1, 2);
    EXPECT_EQ(0, x->flags);
    EXPECT_EQ(1, x->setFlags(5, 0));
    EXPECT_EQ(5, x->flags);
    x->setFlags(2, 1);
    EXPECT_EQ(7, x->flags);
    // Mode 2 keeps only the low eight bits that the mask does not name.
    x->setFlags(0x3FF, 0);
    x->setFlags(0x01, 2);
    EXPECT_EQ(0xFE, x->flags);
}

TEST_F(Unconnected, OperationsNeedingAConnectionSayCode2)
{
    char const* notConnected = "Not connected - this operation requires data source connection.";
    EXPECT_EQ(0, x->prepare("select 1"));
    EXPECT_EQ(2, x->error());
    EXPECT_STREQ(notConnected, x->errorStr());
    EXPECT_EQ(0, x->commit());
    EXPECT_EQ(2, x->error());
    EXPECT_EQ(0, x->rollback());
    EXPECT_EQ(2, x->error());
    EXPECT_EQ(0, x->resetParams());
    EXPECT_EQ(2, x->error());
    cStrinx s;
    EXPECT_EQ(0, x->getInfo(&s, NULL, NULL));
    EXPECT_EQ(0, x->fetchNext());
    EXPECT_EQ(2, x->error());

    // Catalogue kinds other than 1 and 2 select fine but need a connection to run.
    EXPECT_EQ(1, x->metaSelect(META_TABLES));
    EXPECT_EQ(0, x->execute(NULL));
    EXPECT_EQ(2, x->error());
    EXPECT_STREQ(notConnected, x->errorStr());
}

TEST_F(Unconnected, ExecuteBeforePrepareSaysCode3)
{
    EXPECT_EQ(0, x->execute());
    EXPECT_EQ(3, x->error());
    EXPECT_STREQ("Cannot execute command which is not prepared - prepare has to precede execute.",
                 x->errorStr());
    // A later success clears the code and the text.
    x->setFlags(0, 0);
    EXPECT_EQ(1, x->metaSelect(META_DATA_SOURCES));
    EXPECT_EQ(0, x->error());
    EXPECT_STREQ("", x->errorStr());
}

TEST_F(Unconnected, EveryCodeHasItsText)
{
    static char const* const texts[] = {
        "",
        "",
        "Not connected - this operation requires data source connection.",
        "Cannot execute command which is not prepared - prepare has to precede execute.",
        "Cannot bind variables when there is no prepared command - prepare has to precede bind.",
        "Command was not executed - execute is required to perform this operation.",
        "Cannot fetch, there is no result set - execute has to precede fetch.",
        "There is no data to get - fetch has to precede get.",
        "There is no meta data to get - fetch has to precede meta get.",
        "Cannot handle this data type - it is unknown to vor_dbc.",
        "Attribute not in query - this attribute is not part of the select statement and cannot "
        "be retrieved.",
        "Focus key too long - given key exceeds maximum length of the focus key.",
        "Environment handle is null - this indicates some problem with ODBC driver manager.",
        "Cannot get meta data when no data was selected - meta select has to precede fetch.",
        "Internal error (vor_odbc) - this is a strange thing that should not happen.",
    };
    for (int code = 2; code <= 14; code++) {
        x->errorCode = code;
        EXPECT_STREQ(texts[code], x->errorStr()) << "code " << code;
    }
    x->errorCode = 0;
    EXPECT_STREQ("", x->errorStr());
    x->errorCode = 15;
    EXPECT_STREQ(texts[14], x->errorStr());
    x->errorCode = 1000;
    EXPECT_STREQ(texts[14], x->errorStr());
}

TEST_F(Unconnected, KindsOutsideTheTableAreRefusedWithCode14)
{
    short const bad[] = {0, 3, 12, 13, -1, 100};
    for (short k : bad) {
        EXPECT_EQ(0, x->metaSelect(k)) << "kind " << k;
        EXPECT_EQ(14, x->error()) << "kind " << k;
    }
    // The refusal leaves nothing selected behind.
    EXPECT_EQ(0, x->execute());
    EXPECT_EQ(3, x->error());
}

TEST_F(Unconnected, OverlongConnectionStringIsRefusedNotOverflowed)
{
    std::string dsn(1000, 'D');
    std::string user(30, 'U');
    EXPECT_EQ(0, x->connect(dsn.c_str(), user.c_str(), "pw", 0));
    EXPECT_EQ(1, x->error());
    EXPECT_TRUE(strstr(x->errorStr(), "Connection string too long") != NULL) << x->errorStr();
    EXPECT_EQ(0, x->isConnected());

    // 15 bytes of keywords plus 1008 bytes of values is the longest string that fits:
    // it reaches the driver manager, which does not know the data source.
    std::string fits(1008 - 2, 'd');
    EXPECT_EQ(0, x->connect(fits.c_str(), "u", "p", 0));
    EXPECT_EQ(1, x->error());
    EXPECT_TRUE(strstr(x->errorStr(), "too long") == NULL) << x->errorStr();
    std::string over(1008 - 1, 'd');
    EXPECT_EQ(0, x->connect(over.c_str(), "u", "p", 0));
    EXPECT_TRUE(strstr(x->errorStr(), "Connection string too long") != NULL) << x->errorStr();
}

TEST_F(Unconnected, FailedConnectLeavesObjectUnconnected)
{
    EXPECT_EQ(0, x->connect("LumbraNoSuchSource", "u", "p", 0));
    EXPECT_EQ(1, x->error());
    EXPECT_STRNE("", x->errorStr());
    EXPECT_EQ(0, x->isConnected());
    EXPECT_STREQ("", x->dsn());
    EXPECT_EQ(0, x->isConnectedTo((char*)"LumbraNoSuchSource", (char*)"u", (char*)"p"));

    cXdbc* y = xdb_init((char*)"LumbraNoSuchSource", (char*)"u", (char*)"p");
    EXPECT_TRUE(y == NULL);
}

TEST_F(Unconnected, DataSourcesListWithoutConnection)
{
    ASSERT_EQ(1, x->metaSelect(META_DATA_SOURCES));
    EXPECT_EQ(0, x->prmExpected);
    ASSERT_EQ(1, x->execute(NULL)) << x->errorStr();
    ASSERT_EQ(1, x->colCount());
    EXPECT_STREQ("DATA_SOURCE", x->colName(0));
    EXPECT_EQ(2, x->colType(0));
    bool sqlite = false, pg = false;
    int rows = 0;
    cStrinx name;
    while (x->fetchNext(&name, NULL)) {
        rows++;
        EXPECT_LE(name.len(), 32);
        EXPECT_STRNE("ZLongDataSourceNameOfMoreThan32C", name.text) << "a cut name is no source";
        if (sqliteDsn() == name.text)
            sqlite = true;
        if (pgDsn() == name.text)
            pg = true;
        ASSERT_LT(rows, 1000);
    }
    EXPECT_EQ(0, x->error()) << x->errorStr();
    EXPECT_TRUE(sqlite) << sqliteDsn() << " not listed";
    EXPECT_TRUE(pg) << pgDsn() << " not listed";

    // A second selection starts the list from the top again.
    ASSERT_EQ(1, x->metaSelect(META_DATA_SOURCES));
    ASSERT_EQ(1, x->execute(NULL));
    int again = 0;
    while (x->fetchNext())
        again++;
    EXPECT_EQ(rows, again);
}

TEST_F(Unconnected, DriversListWithAttributes)
{
    ASSERT_EQ(1, x->metaSelect(META_DRIVERS));
    ASSERT_EQ(1, x->execute(NULL)) << x->errorStr();
    ASSERT_EQ(2, x->colCount());
    EXPECT_STREQ("DRIVER_DESCRIPTION", x->colName(0));
    EXPECT_STREQ("DRIVER_ATTRS", x->colName(1));
    bool sqlite3 = false, pgAnsi = false;
    cStrinx desc, attrs;
    int rows = 0;
    while (x->fetchNext(&desc, &attrs, NULL)) {
        ASSERT_LT(++rows, 1000);
        if (strcmp(desc.text, "SQLite3") == 0) {
            sqlite3 = true;
            // The pairs of the attribute list arrive separated by ";".
            EXPECT_TRUE(strstr(attrs.text, "Driver=") != NULL) << attrs.text;
            EXPECT_TRUE(strstr(attrs.text, ";") != NULL) << attrs.text;
        }
        if (strcmp(desc.text, "PostgreSQL ANSI") == 0)
            pgAnsi = true;
    }
    EXPECT_EQ(0, x->error()) << x->errorStr();
    EXPECT_TRUE(sqlite3);
    EXPECT_TRUE(pgAnsi);
}

TEST_F(Unconnected, FetchOfAListBeforeExecuteIsRefused)
{
    ASSERT_EQ(1, x->metaSelect(META_DATA_SOURCES));
    EXPECT_EQ(0, x->fetchNext());
    EXPECT_EQ(5, x->error());
}
