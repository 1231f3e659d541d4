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

}  // namespace odbctest
