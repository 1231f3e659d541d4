#!/bin/sh
# Creates the build's private Wine prefix when missing (32-bit unless WINEARCH says win64).
# Usage: wineprefix.sh PREFIX [managed]
# Windows are unmanaged by default: with no window manager on Xvfb, Wine waits two seconds
# for one whenever a managed top-level window goes away. "managed" restores the normal mode
# for a real desktop.
set -e
export WINEPREFIX="$1" WINEARCH="${WINEARCH:-win32}" WINEDEBUG=-all
mode=N
[ "${2:-}" = managed ] && mode=Y
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
if ! grep -q "\"Managed\"=\"$mode\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$mode" /f >/dev/null 2>&1
  wineserver -w
fi
# In test prefixes a crash prints its backtrace and ends the program: Wine's crash dialog
# would wait for a click that never comes and hold the run until its timeout.
if [ "$mode" = N ] && ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
fi
