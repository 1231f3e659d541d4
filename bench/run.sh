#!/usr/bin/env bash
# Runs every benchmark against the Windows build (under Wine) beside the sqlite3 shell and isql.
# Usage: bench/run.sh [area...]   (areas: the directories of bench/ that have a run.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMBRA_BUILD:-$root/build}
bash "$root/.ci/packages.sh"
bash "$root/.ci/build.sh" cross
. "$root/.ci/display.sh"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
. "$root/.ci/wineenv.sh"
sh "$root/.ci/wineprefix.sh" "$WINEPREFIX"
[ -f "$root/.ci/pg.sh" ] && bash "$root/.ci/pg.sh" start "$build"
[ -f "$root/.ci/odbcini.sh" ] && bash "$root/.ci/odbcini.sh" "$build"
areas=("$@")
if [ ${#areas[@]} -eq 0 ]; then
  for d in "$root"/bench/*/; do [ -f "$d/run.sh" ] && areas+=("$(basename "$d")"); done
fi
for a in "${areas[@]}"; do
  echo "== $a"
  bash "$root/bench/$a/run.sh" "$build"
done
