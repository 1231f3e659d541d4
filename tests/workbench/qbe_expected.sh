#!/usr/bin/env bash
# Sets up the query-by-example tables in the SQLite test database and the PostgreSQL test
# database with the sqlite3 and psql clients, then writes what each client returns for
# every statement of qbe_cases.txt: <out>/<name>.sqlite and <out>/<name>.pg, one row a
# line, values separated by "|", NULL as an empty value.
# Usage: qbe_expected.sh <builddir> <outdir>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <builddir> <outdir>" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
rm -f "$out"/*.sqlite "$out"/*.pg

setup="
drop table if exists qbe_items;
drop table if exists qbe_thousand;
create table qbe_items (id integer, name varchar(20), kind varchar(10), qty integer, note varchar(30));
insert into qbe_items values (1, 'apple', 'fruit', 5, 'red');
insert into qbe_items values (2, 'banana', 'fruit', 12, null);
insert into qbe_items values (3, 'carrot', 'veg', 7, 'orange');
insert into qbe_items values (4, 'date', 'fruit', 3, 'dry');
insert into qbe_items values (5, 'egg', 'other', 30, null);
insert into qbe_items values (6, 'fig', 'fruit', 8, 'it''s sweet');
insert into qbe_items values (7, 'garlic', 'veg', 1, null);
insert into qbe_items values (8, 'ham', 'other', 4, 'salty');
insert into qbe_items values (9, 'ice', 'other', 0, null);
insert into qbe_items values (10, 'jam', 'fruit', 12, 'sweet');
create table qbe_thousand (n integer);
"
# 1000 rows: 0..999.
rows=$(seq 0 999 | sed 's/.*/(&)/' | paste -sd, -)
setup="$setup insert into qbe_thousand values $rows;"

sqlite3 "$build/lumbra-test.db" "$setup"

port=5432
[ -f "$build/pg.port" ] && port=$(cat "$build/pg.port")
export PGPASSWORD=${LUMBRA_PG_PSWD:-lumbra_pw}
pg() {
  psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "${LUMBRA_PG_USER:-lumbra}" \
       -d "${LUMBRA_PG_DB:-lumbratest}" "$@"
}
pg -c "$setup" >/dev/null

while IFS='|' read -r name sql; do
  case "$name" in ''|'#'*) continue ;; esac
  sqlite3 -separator '|' "$build/lumbra-test.db" "$sql" > "$out/$name.sqlite"
  pg -A -t -F '|' -c "$sql" > "$out/$name.pg"
done < "$here/qbe_cases.txt"
echo "expected rows written to $out"
