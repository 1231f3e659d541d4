#!/usr/bin/env bash
# Writes <builddir>/odbc.ini with the data sources the tests and benchmarks use.
# The winerun wrapper exports ODBCINI=<builddir>/odbc.ini when the file exists.
#   LumbraSQLite     SQLite3 ODBC on <builddir>/lumbra-test.db
#   LumbraPG         PostgreSQL ANSI on the private cluster of .ci/pg.sh
#   LumbraPGCursor   the same, fetching through a server cursor 10 rows at a time
#   LumbraPGAuto     the same, but the driver manager hands the driver an invalid
#                    autocommit value, so the driver refuses manual-commit mode
#   LumbraPGInfo     the same, with a session setting that fails: the driver
#                    answers the connect with SQL_SUCCESS_WITH_INFO
#   LumbraBenchSQLite / LumbraBenchPG   the benchmark's data
#   ZLongDataSourceNameOfMoreThan32Characters   a name too long for ODBC 2's lists
#   LumbraSample     the sample database of .ci/sample.sh (<builddir>/lumbra-sample.db)
# Every PostgreSQL session uses the client encoding WIN1250, the code page of Lumbra's texts.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <builddir>" >&2; exit 2; }
mkdir -p "$1"
build=$(cd "$1" && pwd)
PG_ROLE=${LUMBRA_PG_USER:-lumbra}
PG_PASSWORD=${LUMBRA_PG_PSWD:-lumbra_pw}
PG_DB=${LUMBRA_PG_DB:-lumbratest}
port=5432
[ -f "$build/pg.port" ] && port=$(cat "$build/pg.port")

# Lumbra's texts are in code page 1250, so the PostgreSQL sessions speak WIN1250 (the server
# converts). $4, when given, is one more statement for the session's start.
pg_dsn() {
  local settings="SET client_encoding TO 'WIN1250'"
  [ $# -ge 4 ] && settings="$settings; $4"
  cat <<INI
[$1]
Description = $2
Driver = PostgreSQL ANSI
Servername = 127.0.0.1
Port = $port
Database = $3
Username = $PG_ROLE
Password = $PG_PASSWORD
SSLmode = disable
ConnSettings = $settings
INI
}

{
  cat <<INI
[LumbraSQLite]
Description = Lumbra tests on SQLite3
Driver = SQLite3
Database = $build/lumbra-test.db
Timeout = 10000

INI
  pg_dsn LumbraPG "Lumbra tests on PostgreSQL" "$PG_DB"
  echo
  pg_dsn LumbraPGCursor "Lumbra tests on PostgreSQL, server cursor" "$PG_DB"
  echo "UseDeclareFetch = 1"
  echo "Fetch = 10"
  echo
  pg_dsn LumbraPGAuto "Lumbra tests on PostgreSQL, manual commit refused" "$PG_DB"
  echo "DMConnAttr = *SQL_ATTR_AUTOCOMMIT=7"
  echo
  pg_dsn LumbraPGInfo "Lumbra tests on PostgreSQL, connect answers with info" "$PG_DB" \
    "SELECT lumbra_no_such_function()"
  echo
  cat <<INI
[ZLongDataSourceNameOfMoreThan32Characters]
Description = A name longer than ODBC 2's data source names: never offered cut
Driver = SQLite3
Database = $build/lumbra-test.db
Timeout = 10000

[LumbraBenchSQLite]
Description = Lumbra benchmark on SQLite3
Driver = SQLite3
Database = $build/lumbra-bench.db
Timeout = 10000

INI
  pg_dsn LumbraBenchPG "Lumbra benchmark on PostgreSQL" "$PG_DB"
  echo
  cat <<INI
[LumbraSample]
Description = Lumbra sample database
Driver = SQLite3
Database = $build/lumbra-sample.db
Timeout = 10000
INI
} >"$build/odbc.ini.tmp"
mv "$build/odbc.ini.tmp" "$build/odbc.ini"
echo "wrote $build/odbc.ini"
