#!/bin/sh
# Exits 0 when a window manager runs on the X display $DISPLAY: the root window names a
# check window (_NET_SUPPORTING_WM_CHECK) that still exists and names itself the same way.
id=$(xprop -display "$DISPLAY" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null |
     sed -n 's/.*window id # *\(0x[0-9a-fA-F]*\).*/\1/p')
[ -n "$id" ] || exit 1
xprop -display "$DISPLAY" -id "$id" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id # *$id"
