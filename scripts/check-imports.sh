#!/usr/bin/env bash
# Checks that a Windows executable starts on Windows NT 4.0: PE subsystem version
# 4.0, imports from KERNEL32.dll, msvcrt.dll and ADVAPI32.dll only, and only
# functions that NT 4.0 has (nt4-imports.txt holds the ones this program may
# use; a new import must be checked against NT 4.0 and added there; anything
# newer is looked up at run time instead).
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
allowed="$here/nt4-imports.txt"
status=0
for exe in "$@"; do
  dump=$(i686-w64-mingw32-objdump -p "$exe")
  major=$(awk '/^MajorSubsystemVersion/ {print $2}' <<<"$dump")
  minor=$(awk '/^MinorSubsystemVersion/ {print $2}' <<<"$dump")
  if [ "$major.$minor" != "4.0" ]; then
    echo "FAIL $exe: subsystem version $major.$minor, not 4.0"; status=1
  fi
  dlls=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | sort -u | tr '\n' ' ')
  other=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | grep -v -x -E 'KERNEL32.dll|msvcrt.dll|ADVAPI32.dll' || true)
  if [ -n "$other" ]; then
    echo "FAIL $exe: imports from $dlls"; status=1
  fi
  functions=$(awk '/DLL Name:/ {dll=$3; next} dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print dll ":" $3} /^$/ {dll=""}' <<<"$dump" | sort -u)
  unknown=$(comm -23 <(echo "$functions") <(grep -v '^#' "$allowed" | sort -u))
  if [ -n "$unknown" ]; then
    echo "FAIL $exe: imports not known to exist on Windows NT 4.0:"; echo "$unknown" | sed 's/^/  /'
    status=1
  fi
  [ $status -eq 0 ] && echo "ok   $exe: subsystem 4.0, $(wc -l <<<"$functions") imports from $dlls"
done
exit $status
