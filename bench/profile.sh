#!/usr/bin/env bash
# Where a benchmark's time goes: runs one benchmark program under `perf record` and prints
# the shares of its samples by library, then by function inside Lumbra's own modules.
#   bench/profile.sh <builddir> fetch|grid|export [sqlite|pg]
# Run it after the area's run.sh (odbc, workbench, export) has made its table. Code of
# Windows modules shows in perf as "[JIT]": its addresses are given to modules by Wine's
# load trace and to functions by the modules' symbol tables.
# Shares are of the program's samples, from perf's rounded per-line figures: approximate.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 <builddir> fetch|grid|export [sqlite|pg]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
what=$2
source=${3:-sqlite}
command -v perf >/dev/null || { echo "needs perf (Debian: linux-perf)" >&2; exit 1; }
. "$root/bench/lib.sh"
. "$root/.ci/display.sh"
export WINEPREFIX="$build/wineprefix"
. "$root/.ci/wineenv.sh"
bench_servers
case $source in
  sqlite) dsn=LumbraBenchSQLite ;;
  pg) dsn=LumbraBenchPG ;;
  *) echo "source: sqlite or pg" >&2; exit 2 ;;
esac
out=$build/bench-profile
mkdir -p "$out"
case $what in
  fetch)
    exe=bench_odbc_fetch.exe
    args=("$dsn" "$PG_ROLE" "$PG_PASSWORD"
          "select id, n1, n2, n3, t1, t2, t3, d, ts, t4 from lumbra_bench order by id" 5) ;;
  grid)
    exe=bench_wb_select.exe
    args=("$dsn" "$PG_ROLE" "$PG_PASSWORD"
          "select id, amount, price, qty, name, city, note, day, at, code from wb_bench where id <= 10000 order by id"
          15 10000) ;;
  export)
    exe=bench_export.exe
    args=(export "$dsn" "$PG_ROLE" "$PG_PASSWORD"
          "select id, n, d, price, name, note, city, day, at, code from ex_bench order by id"
          "Z:${out//\//\\}") ;;
  *) echo "what: fetch, grid or export" >&2; exit 2 ;;
esac
bench_need "$build/bin/$exe" "${exe%.exe}"

WINEDEBUG=+loaddll perf record -q -F 2000 -o "$out/perf.data" \
  "$build/winerun" "$build/bin/$exe" "${args[@]}" >"$out/run.txt" 2>"$out/load.txt" \
  || { cat "$out/run.txt"; exit 1; }
tail -n 3 "$out/run.txt"
comm=${exe:0:15}  # the kernel keeps 15 characters of a process name
# Samples of the program (all its threads), as "share<TAB>rest of the line", relative to
# the program's total; perf's own --comm filter loses the C library's and kernel's samples.
perfreport() {
  perf report -i "$out/perf.data" --no-children -g none --stdio --sort "$1" 2>/dev/null \
    | grep -v '^#'
}
total=$(perfreport comm | awk -v c="$comm" '$2 == c { sub(/%/, "", $1); print $1 }')
report() {
  perfreport "comm,$1" | awk -v c="$comm" -v t="$total" '$2 == c { sub(/%/, "", $1); p = $1
      $1 = ""; $2 = ""; sub(/^ +/, ""); printf "%.2f\t%s\n", 100 * p / t, $0 }' | sort -rn
}

echo "== $exe on $source: shares of its samples by library"
report dso | awk -F'\t' '$1 >= 0.5 { printf "%7.2f%%  %s\n", $1, $2 }'

# Windows modules: start address and name, from the load trace.
# Only the program's own main thread: other processes load their modules elsewhere.
tid=$(grep -m1 "Loaded L\".*\\\\$exe\" at" "$out/load.txt" | cut -d: -f1)
grep "^$tid:" "$out/load.txt" | grep -o 'Loaded L"[^"]*" at [0-9A-F]*' \
  | sed 's/.*\\\([^\\"]*\)" at \([0-9A-F]*\)/\2 \1/' | sort -u >"$out/modules.txt"
# Symbols of Lumbra's modules, moved to where they were loaded.
tools=i686-w64-mingw32
[ "$WINEARCH" = win64 ] && tools=x86_64-w64-mingw32
: >"$out/symbols.txt"
for m in vorcore206.dll vorodbc206.dll "$exe"; do
  at=$(awk -v m="$m" 'tolower($2) == tolower(m) { print $1; exit }' "$out/modules.txt")
  [ -n "$at" ] || continue
  base=$($tools-objdump -p "$build/bin/$m" | awk '$1 == "ImageBase" { print $2 }')
  $tools-nm -C --defined-only "$build/bin/$m" | awk '$2 ~ /^[tT]$/' \
    | perl -ne 'BEGIN { ($at, $base, $m) = @ARGV[0..2]; @ARGV = () }
        chomp; my ($a, $t, $n) = split / /, $_, 3;
        printf "%08X %s %s\n", hex($a) - hex($base) + hex($at), $m, $n;' "$at" "$base" "$m" \
    >>"$out/symbols.txt"
done
sort -o "$out/symbols.txt" "$out/symbols.txt"

report dso,sym | grep '\[JIT\]' | awk '{ print $1, $NF }' | perl -e '
  sub table { my ($file) = @_; open my $f, "<", $file or die; my @t;
    while (<$f>) { chomp; my ($a, $rest) = split / /, $_, 2; push @t, [hex($a), $rest] }
    return @t }
  sub find { my ($t, $x) = @_; my ($lo, $hi) = (0, $#$t); return undef if $hi < 0 || $x < $t->[0][0];
    while ($lo < $hi) { my $mid = int(($lo + $hi + 1) / 2); if ($t->[$mid][0] <= $x) { $lo = $mid } else { $hi = $mid - 1 } }
    return $t->[$lo][1] }
  my @mods = table($ARGV[0]); my @syms = table($ARGV[1]); @ARGV = ();
  my (%bymod, %byfn);
  while (<STDIN>) { my ($pct, $addr) = split; $pct =~ s/%//; my $x = hex($addr);
    my $m = find(\@mods, $x) // "?"; $bymod{$m} += $pct;
    if ($m =~ /^(vorcore206\.dll|vorodbc206\.dll|bench_\S+)$/i) { my $s = find(\@syms, $x);
      $byfn{$s} += $pct if defined $s && (split / /, $s, 2)[0] eq $m } }
  print "== code of Windows modules by module\n";
  sub top { my ($h, $n) = @_; my @k = sort { $h->{$b} <=> $h->{$a} } keys %$h;
    splice(@k, $n) if @k > $n; printf "%7.2f%%  %s\n", $h->{$_}, $_ for @k }
  top(\%bymod, 10);
  print "== Lumbra code by function\n";
  top(\%byfn, 20);
' "$out/modules.txt" "$out/symbols.txt"
echo "(perf data: $out/perf.data)"
