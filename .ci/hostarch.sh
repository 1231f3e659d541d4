#!/bin/sh
# Prints the Windows architecture the tests run here: "i686" where this machine's kernel runs
# 32-bit x86 code (Wine's 32-bit loader starts), "x86_64" where it runs 64-bit code only.
# 32-bit code run by an emulator registered with binfmt_misc (qemu-i386) counts as not run:
# Wine under it takes minutes for a single command. LUMBRA_WINARCH overrides.
if [ -n "${LUMBRA_WINARCH:-}" ]; then
  echo "$LUMBRA_WINARCH"
  exit 0
fi
for f in /proc/sys/fs/binfmt_misc/*; do
  case "$f" in */register | */status) continue ;; esac
  if grep -qx enabled "$f" 2>/dev/null && grep -Eq '^magic 7f454c46010101[0-9a-f]*0[36]00$' "$f" 2>/dev/null; then
    echo x86_64
    exit 0
  fi
done
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
