#!/usr/bin/env bash
# Makes the pictures of qnReport's page that README.md shows, with headless
# Chromium:
#   docs/qnreport-page.png   the page of the bundled test fleet
#                            (tests/qnreport/fleet, with its machine list), made
#                            at the fixed moment the golden tests use;
#   docs/qnreport-chart.png  the top of the page of a rollout of five weeks
#                            (400 machines in three waves, made here), the
#                            morning after: what changed since yesterday, and
#                            the progress by day.
# Run it again whenever the page changes. Run as root on Debian 12; installs
# what it needs (Chromium among it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
command -v chromium >/dev/null || bash scripts/install-deps.sh chromium
bash scripts/build.sh native >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# picture PAGE HEIGHT PNG: the top HEIGHT pixels of the page, 1000 wide.
picture() {
  chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --hide-scrollbars --user-data-dir="$work/profile" \
    --window-size="1000,$2" --screenshot="$root/$3" "file://$1" >/dev/null 2>&1
  echo "$3"
}

cp -a tests/qnreport/fleet tests/qnreport/hosts.txt "$work/"
(cd "$work" && SOURCE_DATE_EPOCH=1170000000 "$root/build/native/qnReport" --hosts hosts.txt \
  --html page.html fleet >/dev/null) || [ $? -eq 1 ]
mkdir -p docs
picture "$work/page.html" 1500 docs/qnreport-page.png

# The rollout of 4.3 from 2007-01-02: a pilot of 40 machines, then 160, then
# 200; most install at once, some wait for a restart or fail, and retry days
# later; two machines have a clock reset to 1980. The same logs every time.
mkdir "$work/rollout"
awk -v dir="$work/rollout" '
  function draw(range) { seed = (seed * 1103515245 + 12345) % 2147483648; return int(seed / 65536) % range }
  function put(machine, day, minute, code,   date, month) {
    date = 2 + day; month = 1
    if (date > 31) { date -= 31; month = 2 }
    printf "%02d-%02d-2007 %02d:%02d:00,Update=4.2,New=4.3,Status=%s,ReturnCode=%d \r\n", month, date,
      8 + int(minute / 60), minute % 60, code == 0 ? "Success" : "Unknown", code >> (dir "/" machine ".log")
  }
  BEGIN {
    seed = 7
    for (i = 1; i <= 400; i++) {
      machine = sprintf("PC%04d", i)
      if (i <= 40) day = draw(3); else if (i <= 200) day = 7 + draw(8); else day = 20 + draw(18)
      minute = draw(480)
      roll = draw(100)
      if (i == 17 || i == 233) {
        printf "01-01-1980 00:05:00,Update=4.2,New=4.3,Status=Success,ReturnCode=0 \r\n" >> (dir "/" machine ".log")
      } else if (roll < 78) {
        put(machine, day, minute, 0)
      } else if (roll < 88) {
        put(machine, day, minute, 3010)
        if (draw(4) > 0 && day + 2 < 38) put(machine, day + 1 + draw(2), minute, 0)
      } else {
        code = roll < 95 ? 1603 : 1618
        put(machine, day, minute, code)
        if (roll < 97 && draw(3) > 0) {
          again = day + 2 + draw(5)
          if (again < 38) put(machine, again, minute, draw(3) > 0 ? 0 : code)
        }
      }
    }
  }'
(cd "$work" && SOURCE_DATE_EPOCH=1171008000 "$root/build/native/qnReport" --since yesterday \
  --html rollout.html rollout >/dev/null) || [ $? -eq 1 ]
picture "$work/rollout.html" 880 docs/qnreport-chart.png
