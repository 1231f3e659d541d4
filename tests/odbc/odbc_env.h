/* Data sources of the ODBC tests and small helpers around cXdbc.
   DSN names and credentials are constants that the environment may override:
   LUMBRA_SQLITE_DSN, LUMBRA_PG_DSN, LUMBRA_PG_CURSOR_DSN, LUMBRA_PG_AUTO_DSN,
   LUMBRA_PG_INFO_DSN, LUMBRA_PG_USER, LUMBRA_PG_PSWD. */
#ifndef LUMBRA_TESTS_ODBC_ENV_H
#define LUMBRA_TESTS_ODBC_ENV_H

#include <string>

#include <gtest/gtest.h>

#include "xdbc.h"

namespace odbctest {

std::string envOr(char const* name, char const* fallback);

std::string sqliteDsn();      /* "LumbraSQLite" */
std::string pgDsn();          /* "LumbraPG" */
std::string pgCursorDsn();    /* "LumbraPGCursor": server-side cursor, 10 rows per round trip */
std::string pgAutoDsn();      /* "LumbraPGAuto": the driver refuses manual commit */
std::string pgInfoDsn();      /* "LumbraPGInfo": connect answers SQL_SUCCESS_WITH_INFO */
std::string pgUser();
std::string pgPswd();

/* Directory of the odbc.ini in use, as a Unix path (from ODBCINI); "" when unknown. */
std::string iniDir();
/* A Unix path as the Windows side sees it (drive Z:). */
std::string dosPath(std::string const& unixPath);

/* Connects a new object or explains why not. */
::testing::AssertionResult connectTo(cXdbc*& x, std::string const& dsn, std::string const& user,
                                     std::string const& pswd);
/* Prepares and executes one statement without parameters. */
::testing::AssertionResult run(cXdbc* x, char const* sql);
/* Runs a statement whose first column of the first row is a number. */
::testing::AssertionResult scalar(cXdbc* x, char const* sql, double& out);
/* The same on a fresh connection that is closed again, so it sees only committed data. */
::testing::AssertionResult scalarElsewhere(std::string const& dsn, std::string const& user,
                                           std::string const& pswd, char const* sql, double& out);

/* Reads the open result of blockRowsSql-style SELECTs (columns: i, i * 1.5 or NULL every 7th,
   'r' || i or NULL every 5th, a date, a time and a timestamp that grow with i, and long text:
   9000 'x' at row 100, NULL every 3rd, else i 'y') and checks every value of rows 1..n, that
   the rows end there and what end of data leaves. */
void checkBlockRows(cXdbc* x, int n);

/* Message telling how to bring up the PostgreSQL data source. */
std::string pgHint();

}  // namespace odbctest

#endif
