#!/bin/sh
# Runs the grid benchmark under Wine, then times the sqlite3 shell writing the same rows
# as CSV from a table. Usage: bench/grid/run.sh [BUILD_DIR]
# (default: build/ of the repository; it must be a cross build with bench_grid built).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ ! -x "$build/winerun" ] || [ ! -f "$build/bin/bench_grid.exe" ]; then
  echo "no cross build with bench_grid in $build (cmake --build $build --target bench_grid)" >&2
  exit 2
fi
cd "$build/bin"
rc=0
out=$("$build/winerun" ./bench_grid.exe) || rc=$?
printf '%s\n' "$out"
grid_ms=$(printf '%s\n' "$out" | sed -n 's/^EXPORT_CSV_MS //p' | tr -d '\r')
if [ -z "$grid_ms" ] || [ ! -f grid_export.csv ] || ! command -v sqlite3 >/dev/null; then
  echo "no CSV export to compare with sqlite3" >&2
  exit 1
fi
# The grid's rows in an SQLite table, then the shell's own CSV output of them.
db=$(mktemp /tmp/gridexport.XXXXXX.db)
hdr="ID,Name,City,Code,Qty,Price,Ratio,Created,Updated,Paid"
{ echo "$hdr"; tr -d '\r' < grid_export.csv; } > grid_export_hdr.csv
sqlite3 "$db" ".import --csv grid_export_hdr.csv t"
best=""
for i in 1 2 3 4 5; do
  t0=$(date +%s%N)
  sqlite3 -csv "$db" "select * from t" > sqlite_export.csv
  t1=$(date +%s%N)
  ms=$(( (t1 - t0) / 1000 ))
  echo "sqlite3 -csv run $i: $(awk "BEGIN{printf \"%.2f\", $ms/1000}") ms"
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
echo "sqlite3 -csv rows: $(wc -l < sqlite_export.csv), grid CSV rows: $(wc -l < grid_export.csv)"
awk "BEGIN{printf \"export CSV: grid %.2f ms, sqlite3 -csv %.2f ms (best of 5), ratio %.2f\n\", $grid_ms, $best/1000, $grid_ms/($best/1000)}"
rm -f "$db" grid_export_hdr.csv sqlite_export.csv
exit $rc
