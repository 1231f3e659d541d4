#!/usr/bin/env bash
# Installs Lumbra into the Wine prefix with its install build (bin/setup.exe), or removes it
# with the uninstall build (bin/install.exe); build/installer/instdrive.exe presses START and
# answers the message boxes. An installation already present is upgraded (settings kept).
#   install:   prints the installed directory (Windows form, with "\") as the last line
#   uninstall: runs in the installed directory, then checks that no file, directory or
#              registry key is left
# WINEPREFIX defaults to the build's prefix, DISPLAY as in .ci/display.sh; bin/ holds the sample of .ci/sample.sh when there is one.
# Usage: .ci/install-lumbra.sh <builddir> install|uninstall
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <builddir> install|uninstall" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
bin=$build/bin
driver=$build/installer/instdrive.exe
regkey='HKLM\Software\Vor Systems\Lumbra'
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
. "$root/.ci/wineenv.sh"
. "$root/.ci/display.sh"

winpath() { winepath -w "$1" 2>/dev/null; }
# RootDir of the installed Lumbra, empty when there is none. Read from an exported key
# (UTF-16): the console output of `reg query` turns national letters into "?".
rootdir() {
  local f
  f=$(mktemp)
  if wine reg export "$regkey" "$(winpath "$f")" /y >/dev/null 2>&1; then
    iconv -f UTF-16 -t UTF-8 "$f" | tr -d '\r' |
      sed -n 's/^"RootDir"="\(.*\)"$/\1/p' | sed 's/\\\(.\)/\1/g'
  fi
  rm -f "$f"
}

case "$2" in
install)
  for f in lumbra.exe vorcore206.dll vorodbc206.dll setup.exe install.exe; do
    [ -f "$bin/$f" ] || { echo "install-lumbra: $bin/$f is missing; build first" >&2; exit 1; }
  done
  [ -f "$driver" ] || { echo "install-lumbra: $driver is missing; build first" >&2; exit 1; }
  mkdir -p "$bin/doc_en" "$bin/samples"
  installed=$(rootdir)
  upgrade=0
  if [ -n "$installed" ]; then
    dir=$(winepath -u "$installed" 2>/dev/null || true)
    [ -n "$dir" ] && [ -f "$dir/lumbra.exe" ] && [ -f "$dir/i.ini" ] && upgrade=1
  fi
  # The package's i.ini: the template, Upgrade set, then the optional files that exist.
  # Names go into the INI only when they are plain (letters, digits, "_", "-", ".").
  {
    sed "s/^Upgrade=.*/Upgrade=$upgrade/" "$root/installer/lumbra/i.ini"
    # Default settings only on a first install: an upgrade keeps the user's Lumbra.ini.
    [ "$upgrade" = 0 ] && [ -f "$bin/Lumbra.ini" ] && echo "Lumbra.ini="
    for f in "$bin"/EULA_*.txt; do
      [ -f "$f" ] || continue
      name=$(basename "$f")
      case "$name" in
        *[!A-Za-z0-9_.-]*) echo "install-lumbra: not installed, odd name: $name" >&2 ;;
        *) echo "$name=" ;;
      esac
    done
  } | sed 's/$/\r/' >"$bin/i.ini.tmp"
  mv -f "$bin/i.ini.tmp" "$bin/i.ini"
  wine "$driver" "$(winpath "$bin/setup.exe")" "$(winpath "$bin")" >&2
  installed=$(rootdir)
  [ -n "$installed" ] || { echo "install-lumbra: no RootDir after the install" >&2; exit 1; }
  echo "install-lumbra: Lumbra installed in $installed" >&2
  printf '%s\n' "$installed"
  ;;
uninstall)
  installed=$(rootdir)
  [ -n "$installed" ] || { echo "install-lumbra: Lumbra is not installed" >&2; exit 1; }
  dir=$(winepath -u "$installed")
  wine "$driver" "$(winpath "$bin/install.exe")" "$installed" >&2
  left=0
  if [ -e "$dir" ]; then
    echo "install-lumbra: left behind in $dir:" >&2
    find "$dir" >&2
    left=1
  fi
  for key in "$regkey" 'HKCR\.sql' 'HKCR\Lumbra.Script'; do
    if wine reg query "$key" >/dev/null 2>&1; then
      echo "install-lumbra: registry key left: $key" >&2
      left=1
    fi
  done
  # "Vor Systems" may stay only while other applications of the maker keep keys in it.
  vor='HKLM\Software\Vor Systems'
  if wine reg query "$vor" >/dev/null 2>&1 &&
     [ "$(wine reg query "$vor" 2>/dev/null | tr -d '\r' | grep -c '^HKEY')" -le 1 ]; then
    echo "install-lumbra: empty registry key left: $vor" >&2
    left=1
  fi
  [ "$left" = 0 ] || exit 1
  echo "install-lumbra: Lumbra removed from $installed, nothing left behind" >&2
  ;;
*)
  echo "usage: $0 <builddir> install|uninstall" >&2
  exit 2
  ;;
esac
