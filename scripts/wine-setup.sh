#!/usr/bin/env bash
# Prepares Wine for running the 32-bit Windows build, as root; safe to run again.
#
#   scripts/wine-setup.sh
#
# Creates the project's two Wine prefixes, build/wine/win32 (a 32-bit Windows)
# and build/wine/win64 (a 64-bit Windows, where the program runs under WOW64).
#
# Where the kernel cannot run 32-bit programs itself (IA-32 emulation switched
# off, as on some virtual machines), Wine's 32-bit loader runs under
# qemu-i386-static through a binfmt_misc entry registered here, with a small
# preloaded library (tests/wine_setup/noreplace.c) that gives mmap the kernel's
# MAP_FIXED_NOREPLACE behaviour, which qemu 7.2 lacks and Wine relies on.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh wine wine32:i386 wine64 qemu-user-static gcc

# Can this kernel start a 32-bit program? The i386 loader answers --version.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      > /proc/sys/fs/binfmt_misc/register
  fi
fi

# The preloaded library, for 32-bit processes under qemu; an empty 64-bit twin
# lets the same LD_PRELOAD setting load cleanly in Wine's 64-bit processes.
shim=build/wine/shim
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && [ ! -f $shim/lib/i386-linux-gnu/libnoreplace.so ]; then
  mkdir -p $shim/lib/i386-linux-gnu $shim/lib/x86_64-linux-gnu
  gcc -m32 -O2 -shared -fPIC -nostdlib -ffreestanding -fno-stack-protector \
    tests/wine_setup/noreplace.c /lib/i386-linux-gnu/libc.so.6 -o $shim/lib/i386-linux-gnu/libnoreplace.so
  echo 'int noreplaceStub;' | gcc -O2 -shared -fPIC -x c - -o $shim/lib/x86_64-linux-gnu/libnoreplace.so
fi

for bits in 32 64; do
  prefix=$root/build/wine/win$bits
  if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    WINEPREFIX=$prefix WINEARCH=win$bits WINEDLLOVERRIDES="mscoree,mshtml=" \
      bash scripts/wine.sh wineboot --init >/dev/null 2>&1 || true
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "creating the Wine prefix $prefix failed" >&2; exit 1; }
  fi
done
