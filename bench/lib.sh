# Shared parts of the benchmark scripts; sourced with root and build set.

# The word size of the build under test (64-bit on machines that run 64-bit code only).
LUMBRA_BITS=32-bit
[ "$(cat "$build/winearch" 2>/dev/null)" = win64 ] && LUMBRA_BITS=64-bit

PG_ROLE=${LUMBRA_PG_USER:-lumbra}
PG_PASSWORD=${LUMBRA_PG_PSWD:-lumbra_pw}
PG_DB=${LUMBRA_PG_DB:-lumbratest}

# bench_need <exe path> <target>: stops unless the cross build has the benchmark built.
bench_need() {
  [ -x "$build/winerun" ] && [ -f "$1" ] || {
    echo "build first: cmake --build $build --target $2" >&2; exit 1; }
}

# bench_servers [odbcini]: starts PostgreSQL and writes the data sources (again when asked);
# sets port and db (the SQLite database of the benchmarks).
bench_servers() {
  "$root/.ci/pg.sh" start "$build" >/dev/null
  if [ "${1:-}" = odbcini ] || [ ! -f "$build/odbc.ini" ]; then
    "$root/.ci/odbcini.sh" "$build" >/dev/null
  fi
  port=$(cat "$build/pg.port")
  db=$build/lumbra-bench.db
  export PGPASSWORD=$PG_PASSWORD
}

psql_bench() { PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "$PG_ROLE" -d "$PG_DB" "$@"; }

# native_odbc_ini <file> <name>: data sources <name>SQLite and <name>PG for the native
# unixODBC drivers of isql (the Wine side uses the i386 ones); sets native_sqlite and
# native_pg to the drivers found (empty when not installed).
native_odbc_ini() {
  local d
  native_sqlite="" native_pg=""
  for d in /usr/lib/x86_64-linux-gnu/odbc /usr/lib64/odbc; do
    [ -z "$native_sqlite" ] && [ -f "$d/libsqlite3odbc.so" ] && native_sqlite=$d/libsqlite3odbc.so
    [ -z "$native_pg" ] && [ -f "$d/psqlodbca.so" ] && native_pg=$d/psqlodbca.so
  done
  cat >"$1" <<INI
[${2}SQLite]
Driver = $native_sqlite
Database = $db

[${2}PG]
Driver = $native_pg
Servername = 127.0.0.1
Port = $port
Database = $PG_DB
Username = $PG_ROLE
Password = $PG_PASSWORD
SSLmode = disable
INI
}

now() { date +%s.%N; }
ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }
