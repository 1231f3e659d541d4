#!/bin/sh
# .ci/wmcheck.sh against the test display: a window manager is found only when the root
# window names a live check window that names itself -- not by who started the display.
set -u
src="$1"
check="$src/.ci/wmcheck.sh"
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  xprop -display "$DISPLAY" -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cc -O1 -o "$work/fakewm" "$src/tests/launch/fakewm.c" -lX11 || { echo "FAIL: cannot build fakewm"; exit 1; }
fail=0
expect() {  # expect <exit code> <case>
  sh "$check"
  got=$?
  [ "$got" -eq "$1" ] || { echo "FAIL: $2: expected exit $1, got $got"; fail=1; }
}
start() {  # start [stale]: a fake window manager, waiting until it announced itself
  "$work/fakewm" "$@" >"$work/out" &
  pid=$!
  for _ in $(seq 1 100); do grep -q ready "$work/out" && return 0; sleep 0.05; done
  echo "FAIL: fakewm did not start"; fail=1
}
stop() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""; }

xprop -display "$DISPLAY" -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null
expect 1 "a display without a window manager"
start
expect 0 "a window manager announced itself"
stop
xprop -display "$DISPLAY" -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null
start stale
expect 1 "the root names a check window that is gone (a window manager that ended)"
stop
[ "$fail" -eq 0 ] && echo "wmcheck: all cases passed"
exit $fail
