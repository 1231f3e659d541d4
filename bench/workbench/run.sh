#!/usr/bin/env bash
# From Execute Command to a painted grid for a 10000-row, 10-column SELECT, in the real main
# window under Wine, beside the native tools fetching the same rows.
#   bench/workbench/run.sh <builddir> [runs]
# Makes the table wb_bench in SQLite (<builddir>/lumbra-bench.db) and in PostgreSQL (the
# cluster of .ci/pg.sh), then times: Lumbra (best of the runs, connection and start-up
# excluded), `sqlite3 -csv`, unixODBC's native `isql` and `psql` (whole-process wall times).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 <builddir> [runs]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
runs=${2:-5}
rows=10000
PG_ROLE=${LUMBRA_PG_USER:-lumbra}
PG_PASSWORD=${LUMBRA_PG_PSWD:-lumbra_pw}
PG_DB=${LUMBRA_PG_DB:-lumbratest}
bench=$build/bin/bench_wb_select.exe
[ -x "$build/winerun" ] && [ -f "$bench" ] || {
  echo "build first: cmake --build $build --target bench_wb_select" >&2; exit 1; }

"$root/.ci/pg.sh" start "$build" >/dev/null
[ -f "$build/odbc.ini" ] || "$root/.ci/odbcini.sh" "$build" >/dev/null
port=$(cat "$build/pg.port")
db=$build/lumbra-bench.db
out=$build/bench-workbench
mkdir -p "$out"
export PGPASSWORD=$PG_PASSWORD
psql_bench() { PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "$PG_ROLE" -d "$PG_DB" "$@"; }

QUERY="select id, amount, price, qty, name, city, note, day, at, code from wb_bench order by id"
DDL="create table wb_bench (id integer primary key, amount double precision, price numeric(12,2),
  qty integer, name varchar(30), city varchar(30), note varchar(80), day date, at timestamp,
  code varchar(10))"
GEN="select i, i * 1.25, (i % 1000) / 100.0, i % 97, 'name ' || i, 'city ' || (i % 50),
  'a longer text for row number ' || i, date('2000-01-01', '+' || (i % 9000) || ' days'),
  datetime('2000-01-01 00:00:00', '+' || i || ' minutes'), 'k' || (i % 10)"
PGGEN="select i, i * 1.25, (i % 1000) / 100.0, i % 97, 'name ' || i, 'city ' || (i % 50),
  'a longer text for row number ' || i, date '2000-01-01' + (i % 9000),
  timestamp '2000-01-01' + i * interval '1 minute', 'k' || (i % 10)"

echo "== data: $rows rows x 10 columns"
sqlite3 "$db" <<SQL
drop table if exists wb_bench;
$DDL;
with recursive g(i) as (select 1 union all select i + 1 from g where i < $rows)
insert into wb_bench $GEN from g;
SQL
psql_bench <<SQL
drop table if exists wb_bench;
$DDL;
insert into wb_bench $PGGEN from generate_series(1, $rows) as g(i);
SQL

now() { date +%s.%N; }
ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }
declare -A MS
tool() {  # tool <key> <command...>: wall time of the whole dump
  local key=$1; shift
  local t0 t1
  t0=$(now)
  if "$@" >"$out/$key.out" 2>"$out/$key.err"; then
    t1=$(now)
    MS[$key]=$(ms "$t0" "$t1")
    echo "   $key: $(grep -c . "$out/$key.out") lines, ${MS[$key]} ms"
  else
    MS[$key]=-
    echo "   $key failed: $(head -c 300 "$out/$key.err")"
  fi
}
ours() {  # ours <key> <dsn>
  "$build/winerun" "$bench" "$2" "$PG_ROLE" "$PG_PASSWORD" "$QUERY" "$runs" >"$out/$1.txt" 2>&1 \
    || { cat "$out/$1.txt"; exit 1; }
  grep -E '^(run|best)' "$out/$1.txt" | sed 's/^/   /'
  MS[$1]=$(awk '/^best:/ { print $2 }' "$out/$1.txt")
}

native_ini=$out/odbc-native.ini
native_sqlite="" native_pg=""
for d in /usr/lib/x86_64-linux-gnu/odbc /usr/lib64/odbc; do
  [ -z "$native_sqlite" ] && [ -f "$d/libsqlite3odbc.so" ] && native_sqlite=$d/libsqlite3odbc.so
  [ -z "$native_pg" ] && [ -f "$d/psqlodbca.so" ] && native_pg=$d/psqlodbca.so
done
cat >"$native_ini" <<INI
[WbBenchSQLite]
Driver = $native_sqlite
Database = $db

[WbBenchPG]
Driver = $native_pg
Servername = 127.0.0.1
Port = $port
Database = $PG_DB
Username = $PG_ROLE
Password = $PG_PASSWORD
SSLmode = disable
INI
isql_dump() { echo "$QUERY" | ODBCINI=$native_ini isql -b -d, -q "$1" "$PG_ROLE" "$PG_PASSWORD"; }

echo "== SQLite"
ours lumbra_sqlite LumbraBenchSQLite
tool sqlite3 sqlite3 -csv "$db" "$QUERY"
if [ -n "$native_sqlite" ]; then tool isql_sqlite isql_dump WbBenchSQLite; else MS[isql_sqlite]=-; fi
echo "== PostgreSQL"
ours lumbra_pg LumbraBenchPG
if [ -n "$native_pg" ]; then tool isql_pg isql_dump WbBenchPG; else MS[isql_pg]=-; fi
tool psql psql_bench -A -t -F, -c "$QUERY"

ratio() { [ "$2" = - ] && { echo -; return; }; awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "Lumbra: Execute Command until the grid painted (best of $runs, under Wine, 32-bit);"
echo "tools: whole-process wall time of dumping the same rows (native, 64-bit)."
printf '%-11s %-34s %10s %s\n' source tool ms "Lumbra / tool"
printf '%-11s %-34s %10s %s\n' SQLite "Lumbra Execute Command" "${MS[lumbra_sqlite]}" 1.00
printf '%-11s %-34s %10s %s\n' SQLite "sqlite3 -csv" "${MS[sqlite3]}" "$(ratio "${MS[lumbra_sqlite]}" "${MS[sqlite3]}")"
printf '%-11s %-34s %10s %s\n' SQLite "isql -b -d, (native)" "${MS[isql_sqlite]}" "$(ratio "${MS[lumbra_sqlite]}" "${MS[isql_sqlite]}")"
printf '%-11s %-34s %10s %s\n' PostgreSQL "Lumbra Execute Command" "${MS[lumbra_pg]}" 1.00
printf '%-11s %-34s %10s %s\n' PostgreSQL "isql -b -d, (native)" "${MS[isql_pg]}" "$(ratio "${MS[lumbra_pg]}" "${MS[isql_pg]}")"
printf '%-11s %-34s %10s %s\n' PostgreSQL "psql -A -F, (native)" "${MS[psql]}" "$(ratio "${MS[lumbra_pg]}" "${MS[psql]}")"
