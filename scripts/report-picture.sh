#!/usr/bin/env bash
# Makes the picture of qnReport's page that README.md shows: the page of the
# bundled test fleet (tests/qnreport/fleet, with its machine list), made at the
# fixed moment the golden tests use, opened in headless Chromium and saved as
# docs/qnreport-page.png. Run it again whenever the page changes.
# Run as root on Debian 12; installs what it needs (Chromium among it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
command -v chromium >/dev/null || bash scripts/install-deps.sh chromium
bash scripts/build.sh native >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a tests/qnreport/fleet tests/qnreport/hosts.txt "$work/"
(cd "$work" && SOURCE_DATE_EPOCH=1170000000 "$root/build/native/qnReport" --hosts hosts.txt \
  --html page.html fleet >/dev/null) || [ $? -eq 1 ]
mkdir -p docs
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --hide-scrollbars --user-data-dir="$work/profile" \
  --window-size=1000,1500 --screenshot="$root/docs/qnreport-page.png" "file://$work/page.html" \
  >/dev/null 2>&1
echo "docs/qnreport-page.png"
