#!/usr/bin/env bash
# Installs what building and testing qnUpdate needs on Debian 12, as root.
# Safe to run again: it installs only what is missing.
#
#   scripts/install-deps.sh [PACKAGE...]
#
# With PACKAGEs it installs only those (scripts/release.sh asks for what the
# release build needs, without Wine).
set -euo pipefail

packages=("$@")
[ ${#packages[@]} -gt 0 ] || packages=(cmake ninja-build g++ libgtest-dev clang python3
                                       g++-mingw-w64-i686-win32 wine wine32:i386 wine64
                                       python3-fusepy fuse3)

if [[ " ${packages[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
