#!/bin/sh
# A 1 MB file system for the test of saving onto a full disk.
#   fullfs.sh mount|umount <dir>
# Mounting needs root; without it the test that uses the directory says so and skips.
dir=$2
case "$1" in
  mount)
    mkdir -p "$dir" || exit 0
    mountpoint -q "$dir" && umount "$dir" 2>/dev/null
    mount -t tmpfs -o size=1m,mode=0777 tmpfs "$dir" 2>/dev/null ||
      echo "fullfs.sh: cannot mount a small file system at $dir; the full-disk test skips"
    ;;
  umount)
    mountpoint -q "$dir" && umount "$dir"
    rmdir "$dir" 2>/dev/null
    ;;
esac
exit 0
