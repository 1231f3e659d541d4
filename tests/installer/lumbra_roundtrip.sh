#!/usr/bin/env bash
# Lumbra installed into the build's Wine prefix by setup.exe and removed by install.exe (the
# shipped builds, pauses included): the installed files, the record and the registry are
# checked, then that the uninstall leaves nothing. Skipped (77) when the prefix already holds
# an installed Lumbra (from .ci/launch), which this test must not remove.
# Usage: lumbra_roundtrip.sh <builddir>
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
. "$root/.ci/wineenv.sh"
# A string value of a key; without a name, the key's default value.
value() {
  if [ -n "${2:-}" ]; then set -- "$1" /v "$2"; else set -- "$1" /ve; fi
  { wine reg query "$@" 2>/dev/null || true; } | tr -d '\r' |
    awk '/REG_SZ/ { sub(/^.*REG_SZ[ \t]+/, ""); print }'
}
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$3], got [$2]"; fail=1; else echo "ok: $1"; fi; }

if [ -n "$(value 'HKLM\Software\Vor Systems\Lumbra' RootDir)" ]; then
  echo "Lumbra is installed in this prefix already; not touching it"
  exit 77
fi
began=$SECONDS
dir=$(bash "$root/.ci/install-lumbra.sh" "$build" install | tail -n 1)
# The shipped builds pause a second after each of the install's three progress texts.
took=$((SECONDS - began))
[ "$took" -ge 3 ] && echo "ok: install took $took s" || { echo "FAIL: install took $took s, under 3"; fail=1; }
check "RootDir" "$dir" 'C:\Program Files\Lumbra\'
udir=$(winepath -u "$dir" 2>/dev/null)
for f in lumbra.exe vorcore206.dll vorodbc206.dll doc_en/index.htm i.ini; do
  [ -f "$udir/$f" ] && echo "ok: installed $f" || { echo "FAIL: $f not installed"; fail=1; }
done
for f in install.exe setup.exe instfast1.exe test_installer.exe; do
  [ -e "$udir/$f" ] && { echo "FAIL: $f installed"; fail=1; }
done
rec=$(tr -d '\r' <"$udir/i.ini")
for k in 'lumbra.exe=1' 'vorcore206.dll=1' 'vorodbc206.dll=1' 'doc_en\index.htm=1' 'doc_en=1' 'samples=1'; do
  grep -qxF "$k" <<<"$rec" && echo "ok: recorded $k" || { echo "FAIL: $k not recorded"; fail=1; }
done
check ".sql class" "$(value 'HKCR\.sql')" 'Lumbra.Script'
check "DefaultIcon" "$(value 'HKCR\Lumbra.Script\DefaultIcon')" "${dir}lumbra.exe,0"
check "open command" "$(value 'HKCR\Lumbra.Script\Shell\Open\Command')" "\"${dir}lumbra.exe\" %1"
bash "$root/.ci/install-lumbra.sh" "$build" uninstall || fail=1
[ "$fail" = 0 ] && echo "PASS" || echo "FAILED"
exit "$fail"
