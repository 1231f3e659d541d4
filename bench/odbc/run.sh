#!/usr/bin/env bash
# Fetch throughput of vorodbc206 beside the native tools, on the same data in one run.
#   bench/odbc/run.sh <builddir> [rows] [rounds]
# Creates a 10-column table of <rows> rows (100000) in SQLite (<builddir>/lumbra-bench.db)
# and in PostgreSQL (the cluster of .ci/pg.sh), loads it through cXdbc under Wine
# (fetchNext + colValue into value objects), dumps the same rows with `sqlite3 -csv`,
# unixODBC's native `isql` and `psql`, and prints the rates and their ratios. Each of the
# <rounds> rounds (5) runs all of them one after the other, so that the load of a busy
# machine falls on all alike; the table shows medians of the rounds, with their range.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 <builddir> [rows]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
rows=${2:-100000}
rounds=${3:-5}
. "$root/bench/lib.sh"
bench=$build/bin/bench_odbc_fetch.exe
bench_need "$bench" bench_odbc_fetch

bench_servers odbcini
out=$build/bench-odbc
mkdir -p "$out"
rm -f "$out"/*.rate "$out"/*.txt

COLS="id, n1, n2, n3, t1, t2, t3, d, ts, t4"
QUERY="select $COLS from lumbra_bench order by id"
DDL="create table lumbra_bench (id integer primary key, n1 double precision, n2 numeric(12,2),
  n3 integer, t1 varchar(20), t2 varchar(40), t3 varchar(80), d date, ts timestamp, t4 varchar(10))"

echo "== data: $rows rows x 10 columns"
sqlite3 "$db" <<SQL
drop table if exists lumbra_bench;
$DDL;
with recursive g(i) as (select 1 union all select i + 1 from g where i < $rows)
insert into lumbra_bench select i, i * 1.5, (i % 1000) / 100.0, i % 97, 'name ' || i,
  'description of row ' || i, 'a longer text value for row number ' || i,
  date('2000-01-01', '+' || (i % 9000) || ' days'),
  datetime('2000-01-01 00:00:00', '+' || i || ' minutes'), 'k' || (i % 10) from g;
SQL
psql_bench <<SQL
drop table if exists lumbra_bench;
$DDL;
insert into lumbra_bench select i, i * 1.5, (i % 1000) / 100.0, i % 97, 'name ' || i,
  'description of row ' || i, 'a longer text value for row number ' || i,
  date '2000-01-01' + (i % 9000), timestamp '2000-01-01' + i * interval '1 minute', 'k' || (i % 10)
  from generate_series(1, $rows) i;
analyze lumbra_bench;
SQL

elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "inf" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

declare -A RATE SECS NROWS
# run_tool <key> <output file> <command...>: whole-process wall time of the dump.
run_tool() {
  local key=$1 file=$2; shift 2
  local t0 t1
  t0=$(now)
  if "$@" >"$file" 2>"$file.err"; then
    t1=$(now)
    SECS[$key]=$(elapsed "$t0" "$t1")
    NROWS[$key]=$(grep -c '^[0-9]' "$file" || true)
    RATE[$key]=$(rate "${NROWS[$key]}" "${SECS[$key]}")
    echo "${RATE[$key]}" >>"$out/$key.rate"
    echo "   $key: ${NROWS[$key]} rows, ${SECS[$key]} s, ${RATE[$key]} rows/s"
  else
    echo - >>"$out/$key.rate"
    SECS[$key]=-; NROWS[$key]=-; RATE[$key]=-
    echo "   $key failed: $(head -c 300 "$file.err")"
  fi
}
# run_ours <key> <dsn>: the median in-process rate of three runs, and the wall time.
run_ours() {
  local key=$1 dsn=$2 t0 t1
  t0=$(now)
  "$build/winerun" "$bench" "$dsn" "$PG_ROLE" "$PG_PASSWORD" "$QUERY" 3 >"$out/$key.txt" 2>&1 \
    || { cat "$out/$key.txt"; exit 1; }
  t1=$(now)
  RATE[$key]=$(awk '/^median:/ { print $2 }' "$out/$key.txt")
  echo "${RATE[$key]}" >>"$out/$key.rate"
  echo "   $key: $(grep -E '^median' "$out/$key.txt")"
  NROWS[$key]=$(awk '/^run 1:/ { print $3 }' "$out/$key.txt")
  SECS[$key]=$(elapsed "$t0" "$t1")
}

native_ini=$out/odbc-native.ini
native_odbc_ini "$native_ini" LumbraBench
isql_dump() { echo "$QUERY" | ODBCINI=$native_ini isql -b -d, -q "$1" "$PG_ROLE" "$PG_PASSWORD"; }

for r in $(seq 1 "$rounds"); do
  echo "== round $r of $rounds"
  run_ours ours_sqlite LumbraBenchSQLite
  run_tool sqlite3 "$out/sqlite3.csv" sqlite3 -csv "$db" "$QUERY"
  if [ -n "$native_sqlite" ]; then
    run_tool isql_sqlite "$out/isql-sqlite.csv" isql_dump LumbraBenchSQLite
  fi
  run_ours ours_pg LumbraBenchPG
  if [ -n "$native_pg" ]; then
    run_tool isql_pg "$out/isql-pg.csv" isql_dump LumbraBenchPG
  fi
  run_tool psql "$out/psql.csv" psql_bench -A -t -F, -c "$QUERY"
done
[ -n "$native_sqlite" ] || echo "   isql: no native (amd64) SQLite3 ODBC driver installed (Debian: libsqliteodbc)"
[ -n "$native_pg" ] || echo "   isql: no native (amd64) PostgreSQL ODBC driver installed (Debian: odbc-postgresql)"

# med <list...>: "median min max" of the numbers given ("-" skipped)
med() {
  printf '%s\n' "$@" | grep -v '^-$' | grep . | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "- - -"; exit }
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.2f %.2f %.2f\n", m, v[1], v[NR] }'
}

echo
echo "vorodbc206 rates: median of three in-process loads per round (connect and Wine start-up"
echo "excluded); the tools' rates: whole-process wall times of the dump. $rounds interleaved rounds:"
echo "the median rate with its range, and the median of the per-round ratios with their range."
printf '%-11s %-28s %10s  %-19s %s\n' source tool rows/s range "vorodbc206 / tool"
row() {
  local src=$1 tool=$2 key=$3 ours=$4 m lo hi rm rlo rhi
  [ -f "$out/$key.rate" ] || return 0
  read -r m lo hi < <(med $(cat "$out/$key.rate"))
  if [ "$key" = "$ours" ]; then
    printf '%-11s %-28s %10.0f  %-19s %s\n' "$src" "$tool" "$m" "$(printf '%.0f-%.0f' "$lo" "$hi")" -
  else
    read -r rm rlo rhi < <(med $(paste -d' ' "$out/$ours.rate" "$out/$key.rate" \
      | awk '$1 != "-" && $2 != "-" && $2 > 0 { print $1 / $2 }'))
    printf '%-11s %-28s %10.0f  %-19s %s\n' "$src" "$tool" "$m" "$(printf '%.0f-%.0f' "$lo" "$hi")" \
      "$rm ($rlo-$rhi)"
  fi
}
row SQLite "vorodbc206 under Wine" ours_sqlite ours_sqlite
row SQLite "sqlite3 -csv" sqlite3 ours_sqlite
row SQLite "isql -b -d, (native)" isql_sqlite ours_sqlite
row PostgreSQL "vorodbc206 under Wine" ours_pg ours_pg
row PostgreSQL "isql -b -d, (native)" isql_pg ours_pg
row PostgreSQL "psql -A -F, (native)" psql ours_pg
