#!/usr/bin/env bash
# Installs every package the build and the tests need (Debian 12). Idempotent.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
pkgs_host="cmake make g++ clang gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev googletest unixodbc libsqliteodbc:amd64 odbc-postgresql:amd64 sqlite3 postgresql xvfb x11-utils
  imagemagick xauth procps iproute2 util-linux fonts-wine locales libx11-dev"
pkgs_i386="wine32:i386 libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386 odbc-postgresql:i386"
need=0
for p in $pkgs_host $pkgs_i386 wine; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || { need=1; break; }
done
if [ "$need" = 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends $pkgs_host wine $pkgs_i386
fi
# A machine whose kernel runs 64-bit code only builds the tests for x86_64 and runs them on
# Wine's 64-bit loader (.ci/hostarch.sh).
if [ "$(sh "$(dirname "$0")/hostarch.sh")" = x86_64 ]; then
  pkgs_64="wine64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev"
  for p in $pkgs_64; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $pkgs_64
      break
    fi
  done
fi
# Lumbra's texts are in code page 1250: Wine takes it as the ANSI code page from a Czech
# LC_CTYPE, so that locale must exist.
if ! locale -a 2>/dev/null | grep -qix 'cs_CZ.utf8'; then
  $SUDO sed -i 's/^# *\(cs_CZ.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'cs_CZ.UTF-8 UTF-8' /etc/locale.gen || echo 'cs_CZ.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen
fi
