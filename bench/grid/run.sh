#!/bin/sh
# Runs the grid benchmark under Wine. Usage: bench/grid/run.sh [BUILD_DIR]
# (default: build/ of the repository; it must be a cross build with bench_grid built).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
if [ ! -x "$build/winerun" ] || [ ! -f "$build/bin/bench_grid.exe" ]; then
  echo "no cross build with bench_grid in $build (cmake --build $build --target bench_grid)" >&2
  exit 2
fi
cd "$build/bin"
exec "$build/winerun" ./bench_grid.exe
