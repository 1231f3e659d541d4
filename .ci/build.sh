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
  # The deliverables are 32-bit. On a machine whose kernel runs 64-bit code only, Wine cannot
  # run them: the tests' build (build/) is then made for x86_64 and run on Wine's 64-bit
  # loader, and the 32-bit deliverables are built beside it (build-i686/).
  arch=$(sh "$root/.ci/hostarch.sh")
  if [ -f "$build/CMakeCache.txt" ] && ! grep -q "toolchain-$arch.cmake" "$build/CMakeCache.txt"; then
    echo "$build was configured for another architecture than $arch: remove it first" >&2
    exit 1
  fi
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRA_NATIVE_DIR="$native" >/dev/null
  cmake --build "$build" -j2
  if [ "$arch" != i686 ]; then
    echo "This machine runs 64-bit code only: tests run on the x86_64 build; the 32-bit deliverables are in ${build}-i686/bin" >&2
    cmake -S "$root" -B "${build}-i686" -DCMAKE_TOOLCHAIN_FILE="$root/toolchain-i686.cmake" \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRA_NATIVE_DIR="$native" -DLUMBRA_TESTS=OFF >/dev/null
    cmake --build "${build}-i686" -j2 --target lumbra vorcore206 vorodbc206 pelldb_odbc lumbra_install lumbra_setup
  fi
fi
