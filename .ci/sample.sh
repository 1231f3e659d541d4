#!/usr/bin/env bash
# Sets up the sample that a first start of Lumbra opens:
#   <builddir>/lumbra-sample.db          SQLite database made from workbench/sample/sample.sql
#   [LumbraSample] in <builddir>/odbc.ini  its data source (added after the other DSNs)
#   <builddir>/bin/samples/welcome.sql   the sample script; its first line connects
#   <builddir>/bin/Lumbra.ini            settings file, when there is none yet
#   <builddir>/sample-script.txt         the script's path as Lumbra sees it
# Texts are recoded to Windows-1250, the code page of Lumbra's data. Idempotent.
# Usage: .ci/sample.sh <builddir>
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <builddir>" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
build=$(cd "$1" && pwd)
src=$root/workbench/sample
db=$build/lumbra-sample.db
ini=$build/odbc.ini

# The database, made again when its script changed.
if [ ! -f "$db" ] || [ "$src/sample.sql" -nt "$db" ]; then
  rm -f "$db" "$db.tmp"
  iconv -f UTF-8 -t CP1250 "$src/sample.sql" | sqlite3 "$db.tmp"
  mv "$db.tmp" "$db"
fi

# The data source: the other DSNs first (when nobody wrote them yet), then ours, replacing
# an older copy of our section.
if [ ! -f "$ini" ] && [ -f "$root/.ci/odbcini.sh" ]; then
  bash "$root/.ci/odbcini.sh" "$build" >/dev/null
fi
touch "$ini"
awk 'BEGIN { skip = 0 }
     /^\[/ { skip = ($0 == "[LumbraSample]") }
     !skip { print }' "$ini" >"$ini.tmp"
# Keep one blank line between the sections.
sed -i -e :a -e '/^\n*$/{$d;N;ba' -e '}' "$ini.tmp"
{
  [ -s "$ini.tmp" ] && echo
  cat <<INI
[LumbraSample]
Description = Lumbra sample database
Driver = SQLite3
Database = $db
Timeout = 10000
INI
} >>"$ini.tmp"
mv "$ini.tmp" "$ini"

# The script and a settings file next to the program.
mkdir -p "$build/bin/samples"
iconv -f UTF-8 -t CP1250 "$src/welcome.sql" | sed 's/$/\r/' >"$build/bin/samples/welcome.sql"
if [ ! -f "$build/bin/Lumbra.ini" ]; then
  printf '[Lumbra Settings]\r\nmaxrows=1000\r\n' >"$build/bin/Lumbra.ini"
fi

# Lumbra runs under Wine, where / is drive Z:.
winpath="Z:$(echo "$build/bin/samples/welcome.sql" | tr / '\\')"
printf '%s\n' "$winpath" >"$build/sample-script.txt"
echo "sample ready: start Lumbra with the sample script open in Q1 by"
echo "  (cd $build/bin && ODBCINI=$ini wine lumbra.exe '$winpath')"
echo "  or: bash .ci/launch \"\$(cat $build/sample-script.txt)\""
