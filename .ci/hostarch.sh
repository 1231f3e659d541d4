#!/bin/sh
# Prints the Windows architecture the tests run here: "i686" where this machine runs 32-bit
# x86 code (Wine's 32-bit loader starts), "x86_64" where its kernel runs 64-bit code only.
# LUMBRA_WINARCH overrides.
if [ -n "${LUMBRA_WINARCH:-}" ]; then
  echo "$LUMBRA_WINARCH"
elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
