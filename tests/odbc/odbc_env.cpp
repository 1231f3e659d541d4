#include "odbc_env.h"

#include <stdlib.h>

namespace odbctest {

std::string envOr(char const* name, char const* fallback)
{
    char const* v = getenv(name);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

std::string sqliteDsn() { return envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"); }
std::string pgDsn() { return envOr("LUMBRA_PG_DSN", "LumbraPG"); }
std::string pgCursorDsn() { return envOr("LUMBRA_PG_CURSOR_DSN", "LumbraPGCursor"); }
std::string pgAutoDsn() { return envOr("LUMBRA_PG_AUTO_DSN", "LumbraPGAuto"); }
std::string pgInfoDsn() { return envOr("LUMBRA_PG_INFO_DSN", "LumbraPGInfo"); }
std::string pgUser() { return envOr("LUMBRA_PG_USER", "lumbra"); }
std::string pgPswd() { return envOr("LUMBRA_PG_PSWD", "lumbra_pw"); }

std::string iniDir()
{
    std::string ini = envOr("ODBCINI", "");
    size_t slash = ini.find_last_of('/');
    return slash == std::string::npos ? std::string() : ini.substr(0, slash);
}

std::string dosPath(std::string const& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

::testing::AssertionResult connectTo(cXdbc*& x, std::string const& dsn, std::string const& user,
                                     std::string const& pswd)
{
    x = xdb_init();
    if (!x)
        return ::testing::AssertionFailure() << "xdb_init() returned null";
    if (!x->connect(dsn.c_str(), user.c_str(), pswd.c_str(), 0)) {
        std::string why = x->errorStr();
        xdb_free(x);
        return ::testing::AssertionFailure() << "cannot connect to " << dsn << ": " << why;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult run(cXdbc* x, char const* sql)
{
    if (!x->prepare(sql))
        return ::testing::AssertionFailure()
               << "prepare(" << sql << ") failed, code " << x->error() << ": " << x->errorStr();
    if (!x->execute(NULL))
        return ::testing::AssertionFailure()
               << "execute(" << sql << ") failed, code " << x->error() << ": " << x->errorStr();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult scalar(cXdbc* x, char const* sql, double& out)
{
    ::testing::AssertionResult r = run(x, sql);
    if (!r)
        return r;
    cNumbex n;
    if (!x->fetchNext(&n, NULL))
        return ::testing::AssertionFailure()
               << "no row from " << sql << ", code " << x->error() << ": " << x->errorStr();
    out = n.toDouble();
    x->finish();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult scalarElsewhere(std::string const& dsn, std::string const& user,
                                           std::string const& pswd, char const* sql, double& out)
{
    cXdbc* other = 0;
    ::testing::AssertionResult r = connectTo(other, dsn, user, pswd);
    if (!r)
        return r;
    r = scalar(other, sql, out);
    xdb_free(other);
    return r;
}

std::string pgHint()
{
    return "the PostgreSQL data source is required: start the server with "
           ".ci/pg.sh start <builddir> and write the DSNs with .ci/odbcini.sh <builddir> "
           "(ODBCINI=" + envOr("ODBCINI", "(unset)") + ")";
}

void checkBlockRows(cXdbc* x, int n)
{
    int const types[] = {1, 1, 2, 4, 4, 4, 8};
    ASSERT_EQ(7, x->colCount());
    for (int c = 0; c < 7; c++)
        EXPECT_EQ(types[c], x->colType(c)) << x->colName(c);
    cNumbex id, num;
    cStrinx txt, memo;
    cDatex d, t, ts;
    __int64 const day = 86400000;
    for (int i = 1; i <= n; i++) {
        ASSERT_EQ(1, x->fetchNext(&id, &num, &txt, &d, &t, &ts, &memo, NULL))
            << "row " << i << ": " << x->errorStr();
        ASSERT_EQ(i, x->rowCount) << "rows counted one by one";
        EXPECT_EQ(i, id.toDouble());
        if (i % 7 == 0) {
            EXPECT_TRUE(num.isNull()) << "row " << i;
        } else {
            EXPECT_FALSE(num.isNull()) << "row " << i;
            EXPECT_EQ(i * 1.5, num.toDouble()) << "row " << i;
        }
        if (i % 5 == 0)
            EXPECT_TRUE(txt.isNull()) << "row " << i;
        else
            EXPECT_STREQ(("r" + std::to_string(i)).c_str(), txt.text) << "row " << i;
        EXPECT_EQ(mktimex(2024, 1, 1, 0, 0, 0, 0) + i * day, d.toTimext()) << "row " << i;
        EXPECT_EQ(1, d.datexType);
        EXPECT_EQ(mktimex(0, 0, 0, 10, 0, 0, 0) + i * 1000, t.toTimext()) << "row " << i;
        EXPECT_EQ(2, t.datexType);
        EXPECT_EQ(mktimex(2024, 1, 1, 0, 0, 0, 250) + i * 60000, ts.toTimext()) << "row " << i;
        EXPECT_EQ(0, ts.datexType);
        // The row's buffers, read without a copy, hold what the values got.
        cVariablex* got[] = {&id, &num, &txt, &d, &t, &ts, &memo};
        for (int c = 0; c < 7; c++) {
            xcolData b;
            ASSERT_EQ(1, x->colData(c, &b)) << "column " << c;
            ASSERT_EQ(got[c]->isNull(), b.null) << "row " << i << " column " << c;
            if (b.null)
                continue;
            if (types[c] == 1) {
                EXPECT_EQ(got[c]->toDouble(), b.number);
            } else if (types[c] == 4) {
                _tmx const& v = static_cast<cDatex*>(got[c])->unpack();
                EXPECT_TRUE(v.year == b.when.year && v.month == b.when.month && v.day == b.when.day &&
                            v.hour == b.when.hour && v.minute == b.when.minute &&
                            v.second == b.when.second && v.msec == b.when.msec)
                    << "row " << i << " column " << c;
            } else {
                EXPECT_STREQ(static_cast<cStrinx*>(got[c])->text, b.text);
            }
        }
        if (i == 100) {
            EXPECT_EQ(8191, memo.len()) << "long data cut";
            EXPECT_EQ(std::string(8191, 'x'), memo.text);
        } else if (i % 3 == 0) {
            EXPECT_TRUE(memo.isNull()) << "row " << i;
        } else {
            EXPECT_EQ(std::string(i, 'y'), memo.text) << "row " << i;
        }
    }
    EXPECT_EQ(0, x->fetchNext()) << "no row after the last";
    EXPECT_EQ(0, x->error()) << x->errorStr();
    EXPECT_EQ(1, x->eof());
    EXPECT_EQ(0, x->colCount());
    EXPECT_EQ(0, x->rowCount);
}

}  // namespace odbctest
