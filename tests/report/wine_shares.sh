#!/usr/bin/env bash
# qnReport's Windows build reads machines' logs through their administrative
# shares under Wine, with --from "\\{host}\C$\QNLOG\QN.log", and gives the same
# rows as the native build reading the same logs from a folder.
#
# Wine reaches \\HOST\SHARE\... at $WINEPREFIX/dosdevices/unc/HOST/SHARE/...:
# a few machines are made there (through a link to a scratch folder, removed
# at the end), beside a listed machine that has none.
#
# Usage: tests/report/wine_shares.sh NATIVE-PROGRAM WINDOWS-PROGRAM [WRAPPER...]
#   WRAPPER   the command that starts the Windows program (wine); WINEPREFIX set
# Prints one line per failed check and ends with "N passed, N failed".
set -uo pipefail
export SOURCE_DATE_EPOCH=1170000000

absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
native=$(absolute "$1")
windows=$(absolute "$2")
shift 2
wrapper=("$@")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tally.sh"

unc=${WINEPREFIX:?WINEPREFIX must name the Wine prefix}/dosdevices/unc
if [ -e "$unc" ] || [ -L "$unc" ]; then
  echo "wine_shares.sh: $unc exists already; not touched"
  echo "0 passed, 1 failed"
  exit 1
fi
trap 'rm -f "$unc"; rm -rf "$work"' EXIT

record() {  # record DAY CODE: one result record of 4.1 -> 4.2
  local status=Unknown
  [ "$2" = 0 ] && status=Success
  printf '01-%02d-2007 09:00:00,Update=4.1,New=4.2,Status=%s,ReturnCode=%s \r\n' "$1" "$status" "$2"
}
machine() {  # machine HOST RECORD...: HOST's log on its C$ share
  local log="$work/unc/$1/C\$/QNLOG/QN.log"
  mkdir -p "$(dirname "$log")"
  shift
  printf '%s\n' "$@" >"$log"
}
machine PC01 "$(record 2 0)"
machine PC02 "$(record 2 1618)" "$(record 3 3010)"
machine PC03 "$(record 4 1603)"
machine SALES01 "$(record 2 0)" "$(record 5 -1073741819)"
printf 'PC01\r\nPC02\r\nPC03\r\nSALES01\r\nOFFLINE07\r\n' >"$work/hosts.txt"
ln -s "$work/unc" "$unc"

cd "$work" || exit 1
"$native" --csv --hosts hosts.txt --from "$work/unc/{host}/C\$/QNLOG/QN.log" >native.csv
native_status=$?
"${wrapper[@]}" "$windows" --csv --hosts hosts.txt --from '\\{host}\C$\QNLOG\QN.log' \
  </dev/null >windows.csv 2>windows.err
windows_status=$?

if cmp -s native.csv windows.csv; then pass; else fail "rows" "$(diff native.csv windows.csv)"; fi
if [ "$native_status" = 1 ] && [ "$windows_status" = 1 ]; then
  pass
else
  fail "status" "native $native_status, Windows $windows_status"
fi
if grep -q '^OFFLINE07,,4.2,unreadable,,not found,,0,' windows.csv &&
  grep -q '^PC02,4.1,4.2,restart,3010,' windows.csv; then
  pass
else
  fail "machines" "$(cat windows.csv)"
fi
if [ ! -s windows.err ]; then pass; else fail "stderr" "$(cat windows.err)"; fi
finish
