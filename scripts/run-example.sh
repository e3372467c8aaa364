#!/usr/bin/env bash
# Builds qnUpdate.exe and applies the bundled example update (examples/update)
# with it under Wine, in a 32-bit Windows: in place, in a copy of the update, as
# an administrator would run it from the update's directory. Shows what it
# printed, its exit status and the record it added to C:\QNLOG\QN.log.
# Run as root on Debian 12; installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
bash scripts/build.sh windows >/dev/null
bash scripts/wine-setup.sh

export WINEPREFIX=$root/build/wine/win32
update=$WINEPREFIX/drive_c/example-update
rm -rf "$update"
cp -r examples/update "$update"
status_file=$WINEPREFIX/drive_c/example-status.txt

program="Z:${root//\//\\}\\build\\windows\\qnUpdate.exe"
log=$WINEPREFIX/drive_c/QNLOG/QN.log
records_before=$( [ -f "$log" ] && wc -l <"$log" || echo 0)

echo "C:\\example-update> $program"
cd "$update"
/usr/lib/wine/wineserver -p 2>/dev/null || true
# qnLaunch hands back the full 32-bit exit status, which Wine would cut to 8 bits.
QN_LAUNCH_COMMAND="\"$program\"" QN_LAUNCH_STATUS='C:\example-status.txt' \
  bash "$root/scripts/wine.sh" "$root/build/windows/qnLaunch.exe" 2>/dev/null </dev/null
echo
echo "exit status: $(tr -d '\r\n' <"$status_file")"
echo "new record in C:\\QNLOG\\QN.log:"
tail -n +$((records_before + 1)) "$log"
