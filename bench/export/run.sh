#!/usr/bin/env bash
# Export Resultset (Save to "[OK]") and Run External Script (Start to "FINISHED") in the
# real dialogs under Wine, beside the native tools doing the same work, interleaved.
#   bench/export/run.sh <builddir> [rounds]
# Export: 100,000 rows x 10 columns (integers, doubles, numerics, texts with quotes and
# commas, dates, timestamps, 20 % NULLs) in SQLite and PostgreSQL; Lumbra in CSV, INSERT and
# HTML; `sqlite3 -csv`, unixODBC's `isql -b -d,` and `psql -A -F,` dumping the same rows.
# Script: 10,000 INSERT statements; Lumbra on its own connection (one transaction, committed
# at the end) beside `sqlite3 db < script` and `psql -f` in autocommit and in one transaction.
# Prints every run, then medians and the ratios of the medians.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 <builddir> [rounds]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
rounds=${2:-5}
rows=100000
stmts=10000
. "$root/bench/lib.sh"
bench=$build/bin/bench_export.exe
bench_need "$bench" bench_export

bench_servers
out=$build/bench-export
mkdir -p "$out"
winpath() { echo "Z:${1//\//\\}"; }  # Wine's drive Z: is the root
winout=$(winpath "$out")

QUERY="select id, n, d, price, name, note, city, day, at, code from ex_bench order by id"
DDL="create table ex_bench (id integer primary key, n integer, d double precision,
  price numeric(12,2), name varchar(40), note varchar(80), city varchar(30), day date,
  at timestamp, code varchar(10))"
nul() { echo "case when (i * 7 + $1) % 5 = 0 then null else $2 end"; }
COLS="i, $(nul 1 'i % 1000'), $(nul 2 'i * 1.25'), $(nul 3 '(i % 100000) / 100.0'),
  $(nul 4 "'name \"' || i || '\", x'"), $(nul 5 "'it''s, row ' || i"), $(nul 6 "'city ' || (i % 50)")"
GEN="select $COLS, $(nul 7 "date('2000-01-01', '+' || (i % 9000) || ' days')"),
  $(nul 8 "datetime('2000-01-01 00:00:00', '+' || i || ' minutes')"), $(nul 9 "'k' || (i % 10)")"
PGGEN="select $COLS, $(nul 7 "date '2000-01-01' + (i % 9000)"),
  $(nul 8 "timestamp '2000-01-01' + i * interval '1 minute'"), $(nul 9 "'k' || (i % 10)")"

echo "== data: $rows rows x 10 columns, 20 % NULLs"
sqlite3 "$db" <<SQL
drop table if exists ex_bench;
$DDL;
with recursive g(i) as (select 1 union all select i + 1 from g where i < $rows)
insert into ex_bench $GEN from g;
SQL
psql_bench <<SQL
drop table if exists ex_bench;
$DDL;
insert into ex_bench $PGGEN from generate_series(1, $rows) as g(i);
SQL

native_ini=$out/odbc-native.ini
native_odbc_ini "$native_ini" ExBench
isql_dump() { echo "$QUERY" | ODBCINI=$native_ini isql -b -d, -q "$1" "$PG_ROLE" "$PG_PASSWORD"; }

declare -A RUNS
add() { RUNS[$1]="${RUNS[$1]:-} $2"; }
tool() {  # tool <key> <command...>: wall time of the whole process
  local key=$1; shift
  local t0 t1
  t0=$(now)
  if "$@" >"$out/$key.out" 2>"$out/$key.err"; then
    t1=$(now)
    add "$key" "$(ms "$t0" "$t1")"
  else
    echo "   $key failed: $(head -c 300 "$out/$key.err")"
  fi
}
ours_export() {  # ours_export <prefix> <dsn>
  "$build/winerun" "$bench" export "$2" "$PG_ROLE" "$PG_PASSWORD" "$QUERY" "$winout" \
    >"$out/$1.txt" 2>&1 || { cat "$out/$1.txt"; exit 1; }
  for f in csv insert html; do
    add "$1_$f" "$(awk -v f="$f:" '$1 == f { print $2 }' "$out/$1.txt")"
  done
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END {
  if (NR == 0) { print "-"; exit } m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "%.1f", m }'; }
spread() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s..%s", lo, hi }'; }

echo "== export: $rounds interleaved rounds"
for r in $(seq 1 "$rounds"); do
  ours_export lumbra_sqlite LumbraBenchSQLite
  tool sqlite3 sqlite3 -csv "$db" "$QUERY"
  if [ -n "$native_sqlite" ]; then tool isql_sqlite isql_dump ExBenchSQLite; fi
  ours_export lumbra_pg LumbraBenchPG
  if [ -n "$native_pg" ]; then tool isql_pg isql_dump ExBenchPG; fi
  tool psql psql_bench -A -t -F, -c "$QUERY"
  echo "   round $r done"
done
echo "   lines: lumbra.csv $(wc -l <"$out/lumbra.csv"), sqlite3 $(wc -l <"$out/sqlite3.out"), psql $(wc -l <"$out/psql.out")"

echo "== script: $stmts INSERT statements"
sgen() {  # sgen <file> <connect line or ""> <begin> <end>
  { if [ -n "$2" ]; then echo "$2"; fi
    if [ -n "$3" ]; then echo "$3"; fi
    awk -v n="$stmts" 'BEGIN { for (i = 1; i <= n; i++)
      printf "insert into sc_bench values (%d, %d.5, '\''it'\'''\''s row %d, x'\'', '\''2024-01-02'\'');\n", i, i, i }'
    if [ -n "$4" ]; then echo "$4"; fi; } >"$1"
}
sgen "$out/script_plain.sql" "" "" ""
sgen "$out/script_tx.sql" "" "begin;" "commit;"
sgen "$out/script_lumbra_sqlite.sql" "connect LumbraBenchSQLite;" "" "commit;"
sgen "$out/script_lumbra_pg.sql" "connect LumbraBenchPG/$PG_ROLE/$PG_PASSWORD;" "" "commit;"
SCDDL="drop table if exists sc_bench; create table sc_bench (id integer, v numeric(12,2), t varchar(40), day date);"
fresh() { sqlite3 "$db" "$SCDDL"; psql_bench -c "$SCDDL"; }
ours_script() {  # ours_script <key> <file>
  fresh
  "$build/winerun" "$bench" script x x x "$(winpath "$2")" \
    >"$out/$1.txt" 2>&1 || { cat "$out/$1.txt"; exit 1; }
  add "$1" "$(awk '$1 == "script:" { print $2 }' "$out/$1.txt")"
}
for r in $(seq 1 "$rounds"); do
  ours_script sc_lumbra_sqlite "$out/script_lumbra_sqlite.sql"
  sqlite_rows=$(sqlite3 "$db" 'select count(*) from sc_bench')
  fresh; tool sc_sqlite3_auto sh -c "sqlite3 '$db' < '$out/script_plain.sql'"
  fresh; tool sc_sqlite3_tx sh -c "sqlite3 '$db' < '$out/script_tx.sql'"
  ours_script sc_lumbra_pg "$out/script_lumbra_pg.sql"
  pg_rows=$(psql_bench -A -t -c 'select count(*) from sc_bench')
  fresh; tool sc_psql_auto psql_bench -f "$out/script_plain.sql"
  fresh; tool sc_psql_tx psql_bench -1 -f "$out/script_plain.sql"
  echo "   round $r done"
done
echo "   rows Lumbra's last scripts left: sqlite $sqlite_rows, pg $pg_rows (of $stmts)"
"$build/winerun" "$bench" sendmsg 20000 | sed 's/^/   /'

echo
echo "Lumbra: Save to \"[OK]\" / Start to \"FINISHED\" in the dialog (under Wine, $LUMBRA_BITS);"
echo "tools: whole-process wall time (native, 64-bit). Medians of $rounds interleaved runs (min..max)."
ratio() { [ "$2" = - ] || [ "$1" = - ] && { echo -; return; }; awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() { printf '%-11s %-36s %9s ms  %-17s %s\n' "$1" "$2" "$(median "${RUNS[$3]:-}")" "($(spread "${RUNS[$3]:-}"))" "$4"; }
M() { median "${RUNS[$1]:-}"; }
row SQLite "Lumbra CSV" lumbra_sqlite_csv ""
row SQLite "Lumbra INSERT" lumbra_sqlite_insert ""
row SQLite "Lumbra HTML" lumbra_sqlite_html ""
row SQLite "sqlite3 -csv" sqlite3 "Lumbra CSV / this: $(ratio "$(M lumbra_sqlite_csv)" "$(M sqlite3)")"
row SQLite "isql -b -d," isql_sqlite "Lumbra CSV / this: $(ratio "$(M lumbra_sqlite_csv)" "$(M isql_sqlite)")"
row PostgreSQL "Lumbra CSV" lumbra_pg_csv ""
row PostgreSQL "Lumbra INSERT" lumbra_pg_insert ""
row PostgreSQL "Lumbra HTML" lumbra_pg_html ""
row PostgreSQL "isql -b -d," isql_pg "Lumbra CSV / this: $(ratio "$(M lumbra_pg_csv)" "$(M isql_pg)")"
row PostgreSQL "psql -A -F," psql "Lumbra CSV / this: $(ratio "$(M lumbra_pg_csv)" "$(M psql)")"
echo
row SQLite "Lumbra script (one transaction)" sc_lumbra_sqlite ""
row SQLite "sqlite3 < script (autocommit)" sc_sqlite3_auto "Lumbra / this: $(ratio "$(M sc_lumbra_sqlite)" "$(M sc_sqlite3_auto)")"
row SQLite "sqlite3 < script (one transaction)" sc_sqlite3_tx "Lumbra / this: $(ratio "$(M sc_lumbra_sqlite)" "$(M sc_sqlite3_tx)")"
row PostgreSQL "Lumbra script (one transaction)" sc_lumbra_pg ""
row PostgreSQL "psql -f (autocommit)" sc_psql_auto "Lumbra / this: $(ratio "$(M sc_lumbra_pg)" "$(M sc_psql_auto)")"
row PostgreSQL "psql -1 -f (one transaction)" sc_psql_tx "Lumbra / this: $(ratio "$(M sc_lumbra_pg)" "$(M sc_psql_tx)")"
