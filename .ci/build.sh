#!/usr/bin/env bash
# Configures and builds the Windows binaries (build/) and the native sanitizer build (build-native/).
# Usage: .ci/build.sh [cross|native|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMBRA_BUILD:-$root/build}
native=${LUMBRA_NATIVE_BUILD:-$root/build-native}
what=${1:-all}
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" >/dev/null
  cmake --build "$native" -j2
fi
if [ "$what" = cross ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/toolchain-i686.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRA_NATIVE_DIR="$native" >/dev/null
  cmake --build "$build" -j2
fi
