#!/usr/bin/env bash
# From Execute Command to a painted grid for a 10-column SELECT of 10,000 and of 32,767 rows,
# in the real main window under Wine, beside the native tools fetching the same rows.
#   bench/workbench/run.sh <builddir> [rounds]
# Makes the table wb_bench (32,767 rows) in SQLite (<builddir>/lumbra-bench.db) and in
# PostgreSQL (the cluster of .ci/pg.sh). Each round runs, one after the other, Lumbra (one
# process, the median of 3 Execute Commands, connection and start-up excluded), `sqlite3 -csv`,
# unixODBC's native `isql` and `psql` (whole-process wall times), so that the load of a busy
# machine falls on all of them alike. The table shows the median of the rounds with the
# smallest and largest value, and the median of the per-round ratios with their range.
# Then the start-up of lumbra.exe beside an empty window program (bench_startup).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 <builddir> [rounds]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
rounds=${2:-5}
big=32767
. "$root/bench/lib.sh"
bench=$build/bin/bench_wb_select.exe
bench_need "$bench" bench_wb_select

bench_servers
out=$build/bench-workbench
mkdir -p "$out"
rm -f "$out"/*.txt "$out"/*.out "$out"/*.err "$out"/*.ms "$out"/*.all

COLS="id, amount, price, qty, name, city, note, day, at, code"
Q10="select $COLS from wb_bench where id <= 10000 order by id"
QBIG="select $COLS from wb_bench order by id"
DDL="create table wb_bench (id integer primary key, amount double precision, price numeric(12,2),
  qty integer, name varchar(30), city varchar(30), note varchar(80), day date, at timestamp,
  code varchar(10))"
GEN="select i, i * 1.25, (i % 1000) / 100.0, i % 97, 'name ' || i, 'city ' || (i % 50),
  'a longer text for row number ' || i, date('2000-01-01', '+' || (i % 9000) || ' days'),
  datetime('2000-01-01 00:00:00', '+' || i || ' minutes'), 'k' || (i % 10)"
PGGEN="select i, i * 1.25, (i % 1000) / 100.0, i % 97, 'name ' || i, 'city ' || (i % 50),
  'a longer text for row number ' || i, date '2000-01-01' + (i % 9000),
  timestamp '2000-01-01' + i * interval '1 minute', 'k' || (i % 10)"

echo "== data: $big rows x 10 columns"
sqlite3 "$db" <<SQL
drop table if exists wb_bench;
$DDL;
with recursive g(i) as (select 1 union all select i + 1 from g where i < $big)
insert into wb_bench $GEN from g;
SQL
psql_bench <<SQL
drop table if exists wb_bench;
$DDL;
insert into wb_bench $PGGEN from generate_series(1, $big) as g(i);
analyze wb_bench;
SQL

native_ini=$out/odbc-native.ini
native_odbc_ini "$native_ini" WbBench

# Every measurement is appended to $out/<key>.ms, one value a round ("-" for a failure).
tool() {  # tool <key> <query> <command...>: wall time of the whole dump
  local key=$1 q=$2; shift 2
  local t0 t1
  t0=$(now)
  if "$@" "$q" >"$out/$key.out" 2>"$out/$key.err"; then
    t1=$(now)
    echo "$(ms "$t0" "$t1")" >>"$out/$key.ms"
    echo "   $key: $(grep -c . "$out/$key.out") lines, $(tail -1 "$out/$key.ms") ms"
  else
    echo - >>"$out/$key.ms"
    echo "   $key failed: $(head -c 300 "$out/$key.err")"
  fi
}
ours() {  # ours <key> <dsn> <query> <maxrows>
  "$build/winerun" "$bench" "$2" "$PG_ROLE" "$PG_PASSWORD" "$3" 3 "$4" >"$out/$1.txt" 2>&1 \
    || { cat "$out/$1.txt"; exit 1; }
  cat "$out/$1.txt" >>"$out/$1.all"
  local got
  got=$(awk '/^median:/ { print $4 }' "$out/$1.txt")
  if [ "$got" != "$4" ]; then  # a failed statement also paints a grid: count the rows
    echo "   $1: $got rows instead of $4: $(grep -m1 'message box' "$out/$1.txt" || true)"
    echo - >>"$out/$1.ms"
    return 0
  fi
  awk '/^median:/ { print $2 }' "$out/$1.txt" >>"$out/$1.ms"
  grep -E '^(median|steps|fetch only|heap|memory)' "$out/$1.txt" | sed "s/^/   $1 /"
}
isql_dump() { echo "$2" | ODBCINI=$native_ini isql -b -d, -q "$1" "$PG_ROLE" "$PG_PASSWORD"; }
isql_sqlite() { isql_dump WbBenchSQLite "$1"; }
isql_pg() { isql_dump WbBenchPG "$1"; }
sqlite_csv() { sqlite3 -csv "$db" "$1"; }
psql_csv() { psql_bench -A -t -F, -c "$1"; }

for r in $(seq 1 "$rounds"); do
  echo "== round $r of $rounds"
  for n in 10000 $big; do
    q=$Q10; [ "$n" = "$big" ] && q=$QBIG
    ours "lumbra_sqlite_$n" LumbraBenchSQLite "$q" "$n"
    tool "sqlite3_$n" "$q" sqlite_csv
    if [ -n "$native_sqlite" ]; then tool "isql_sqlite_$n" "$q" isql_sqlite; fi
    ours "lumbra_pg_$n" LumbraBenchPG "$q" "$n"
    if [ -n "$native_pg" ]; then tool "isql_pg_$n" "$q" isql_pg; fi
    tool "psql_$n" "$q" psql_csv
  done
done

# stats <file>: "median min max count" of the numbers in it
stats() {
  grep -v '^-$' "$1" 2>/dev/null | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "- - - 0"; exit }
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f %.1f %.1f %d\n", m, v[1], v[NR], NR }'
}
# ratios <ours> <tool>: per-round ratios ours/tool, as "median min max"
ratios() {
  [ -f "$out/$2.ms" ] || { echo "- - -"; return; }
  paste -d' ' "$out/$1.ms" "$out/$2.ms" | awk '$1 != "-" && $2 != "-" && $2 > 0 { print $1 / $2 }' \
    | sort -g | awk '{ v[NR] = $1 } END {
      if (NR == 0) { print "- - -"; exit }
      m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.2f %.2f %.2f\n", m, v[1], v[NR] }'
}
line() {  # line <source> <rows> <label> <key> <ours>
  local m lo hi cnt rm rlo rhi
  read -r m lo hi cnt < <(stats "$out/$4.ms")
  if [ "$4" = "$5" ]; then
    printf '%-11s %6s  %-26s %8s  %-15s %s\n' "$1" "$2" "$3" "$m" "$lo-$hi" "-"
  else
    read -r rm rlo rhi < <(ratios "$5" "$4")
    printf '%-11s %6s  %-26s %8s  %-15s %s\n' "$1" "$2" "$3" "$m" "$lo-$hi" "$rm ($rlo-$rhi)"
  fi
}

echo
echo "Lumbra: Execute Command until the grid painted, under Wine, $LUMBRA_BITS (per round the median"
echo "of 3 in one process; connection and start-up excluded). Tools: whole-process wall time of"
echo "dumping the same rows (native, 64-bit). $rounds interleaved rounds: median and range of the"
echo "rounds, and the median and range of the per-round ratios."
printf '%-11s %6s  %-26s %8s  %-15s %s\n' source rows tool "ms" "range" "Lumbra / tool"
for n in 10000 $big; do
  line SQLite "$n" "Lumbra Execute Command" "lumbra_sqlite_$n" "lumbra_sqlite_$n"
  line SQLite "$n" "sqlite3 -csv" "sqlite3_$n" "lumbra_sqlite_$n"
  line SQLite "$n" "isql -b -d, (native)" "isql_sqlite_$n" "lumbra_sqlite_$n"
  line PostgreSQL "$n" "Lumbra Execute Command" "lumbra_pg_$n" "lumbra_pg_$n"
  line PostgreSQL "$n" "isql -b -d, (native)" "isql_pg_$n" "lumbra_pg_$n"
  line PostgreSQL "$n" "psql -A -F, (native)" "psql_$n" "lumbra_pg_$n"
done
echo
echo "Where Lumbra's time goes (last round, medians of its 3 runs, ms):"
for k in lumbra_sqlite_10000 lumbra_pg_10000 lumbra_sqlite_$big lumbra_pg_$big; do
  printf '   %-22s %s\n' "$k" "$(grep '^steps:' "$out/$k.txt" | sed 's/^steps: //')"
  printf '   %-22s %s\n' "" "$(grep '^fetch only:' "$out/$k.txt")"
done
echo "Memory of the grid beyond the same window with an empty grid, after the first load:"
echo "heap bytes in use (blocks with their headers) and the working set (median of the rounds):"
for k in lumbra_sqlite_$big lumbra_pg_$big; do
  for what in heap memory; do
    grep "^$what:" "$out/$k.all" | awk '{ print $(NF - 4) / 1024 }' | sort -g | awk -v k="$k" -v w="$what" '
      { v[NR] = $1 } END { if (NR == 0) exit
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "   %-22s %-12s %.1f MB (%d rounds, %.1f-%.1f MB)\n", k, (w == "heap" ? "heap" : "working set"), m, NR, v[1], v[NR] }'
  done
done

if [ -f "$build/bin/bench_startup.exe" ]; then
  echo
  echo "== start-up, warm Wine"
  (cd "$build/bin" && "$build/winerun" bench_startup.exe lumbra.exe "$rounds" cXQueryWindow) | tee "$out/startup.txt"
fi
