#!/usr/bin/env bash
# Runs Wine for this project: `scripts/wine.sh PROGRAM ARGS...` with WINEPREFIX
# set (one of build/wine/win32 and build/wine/win64, which scripts/wine-setup.sh
# makes). Adds the mmap library that Wine needs where its 32-bit loader runs
# under qemu.
root=$(cd "$(dirname "$0")/.." && pwd)
shim=$root/build/wine/shim
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && [ -f "$shim/lib/i386-linux-gnu/libnoreplace.so" ]; then
  export LD_PRELOAD="$shim/\$LIB/libnoreplace.so${LD_PRELOAD:+ $LD_PRELOAD}"
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec /usr/lib/wine/wine "$@"
