#!/usr/bin/env bash
# Builds every build and runs every test: unit tests (plain and under the
# sanitizers), the import check of the Windows executables, the release archive
# (built twice and compared) and the native install, the black-box tests
# of the native program and of the Windows program under Wine (in a 32-bit and
# a 64-bit Windows), the qnCheck and qnReport tests (native and under Wine, and
# qnReport over a FUSE stand-in for slow shares) and short fuzzing runs. Run as
# root on Debian 12; installs what it needs.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || { echo "installing the dependencies failed"; exit 1; }
bash scripts/build.sh native sanitize windows || { echo "the build failed"; exit 1; }

passed=0
failed=0
failures=()
skipped=()
step() {
  local name=$1
  shift
  echo
  echo "=== $name"
  local started=$SECONDS
  if "$@"; then
    passed=$((passed + 1))
    echo "=== $name: passed ($((SECONDS - started)) s)"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "=== $name: FAILED ($((SECONDS - started)) s)"
  fi
}

# Runs a command with the 32-bit prefix as WINEPREFIX and a persistent
# wineserver. Wine's background services keep the stderr of the Wine process
# that starts them, so a first run with stderr at /dev/null starts them. Under
# qemu-i386 a Wine process now and then waits for good: a first run that has
# not ended within 120 s is killed with the server, which starts again, three
# times at most.
under_wine32() {
  local server=/usr/lib/wine/wineserver status attempt
  export WINEPREFIX=$PWD/build/wine/win32
  for attempt in 1 2 3; do
    "$server" -p 2>/dev/null
    timeout -k 10 120 bash scripts/wine.sh cmd /d /c exit 0 </dev/null >/dev/null 2>&1 && break
    "$server" -k 2>/dev/null
    timeout 60 "$server" -w
  done
  rm -f "$stuck_runs"
  "$@"
  status=$?
  "$server" -k 2>/dev/null
  unset WINEPREFIX
  if [ -s "$stuck_runs" ]; then
    echo "runs that did not end within 120 s, run again:"
    cat "$stuck_runs"
  fi
  return $status
}
# wine_quiet is a wrapper for a test script's runs of a Windows program: it
# drops qemu's reports of their threads' ends from each run's stderr, and ends
# a run that has not ended within 120 s; under qemu it runs that one once more,
# named in $stuck_runs, which under_wine32 prints.
stuck_runs=$PWD/build/wine/stuck-runs.txt
wine_quiet=(bash -c '
  errors=$(mktemp)
  timeout -k 10 120 "$0" "$@" 2>"$errors"
  status=$?
  if { [ $status -eq 124 ] || [ $status -eq 137 ]; } &&
    [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo "  $*" >>"$stuck_runs"
    # A file as stdout starts again empty; the open file is shared, so its
    # offset moves for this shell too.
    python3 -c "import os
try: os.ftruncate(1, 0); os.lseek(1, 0, os.SEEK_SET)
except OSError: pass"
    timeout -k 10 120 "$0" "$@" 2>"$errors"
    status=$?
  fi
  grep -v "^qemu: uncaught target signal" "$errors" >&2
  rm -f "$errors"
  exit $status'
  "$PWD/scripts/wine.sh")
export stuck_runs

step "unit tests" ctest --test-dir build/native --output-on-failure
step "unit tests under the sanitizers" ctest --test-dir build/sanitize --output-on-failure
step "Windows imports" bash scripts/check-imports.sh build/windows/qnUpdate.exe build/windows/qnCheck.exe \
  build/windows/qnReport.exe
step "release: built twice, the same bytes, the version resource, NT 4.0 imports" \
  bash tests/release/run.sh
step "native install" bash tests/release/install.sh
step "black-box, native" python3 tests/qnupdate/run.py --runner native --program build/native/qnUpdate
step "black-box, native under the sanitizers" \
  python3 tests/qnupdate/run.py --runner native --program build/sanitize/qnUpdate
step "qnCheck, native" bash tests/qncheck/run.sh build/native/qnCheck
step "qnReport, native" bash tests/qnreport/run.sh build/native/qnReport
step "qnReport, native under the sanitizers" bash tests/qnreport/run.sh build/sanitize/qnReport
step "qnReport over slow shares (FUSE), one machine hanging, native" \
  python3 tests/qnreport/shares_test.py build/native/qnReport
step "qnReport over slow shares (FUSE), native under the sanitizers" \
  python3 tests/qnreport/shares_test.py build/sanitize/qnReport
step "fuzzing, 30 s a target" bash fuzz/run.sh 30

# The Windows build under Wine, in a 32-bit Windows and in a 64-bit one (WOW64).
step "Wine prefixes" bash scripts/wine-setup.sh
step "black-box, Windows build under Wine, 32-bit Windows" \
  python3 tests/qnupdate/run.py --runner wine32 --program build/windows/qnUpdate.exe
step "black-box, Windows build under Wine, 64-bit Windows" \
  python3 tests/qnupdate/run.py --runner wine64 --program build/windows/qnUpdate.exe
# qnCheck's cases for the Windows build in the 32-bit prefix: output, exit
# status and no writes (the replay of the listed commands through cmd would
# take minutes under qemu, so it is left to the native run).
step "qnCheck, Windows build under Wine" \
  under_wine32 env QNUPDATE=none bash tests/qncheck/run.sh build/windows/qnCheck.exe "${wine_quiet[@]}"
# qnReport reads logs on many threads. Where Wine's 32-bit loader runs under
# qemu-i386 (a kernel without IA-32 emulation), qemu 7.2 crashes every 32-bit
# Wine process that runs a few threads, whatever the program: qnThreads, eight
# threads that read a file, tells whether qnReport.exe can be tested here.
# Anywhere else the suites run, and fail if they must.
report_outputs="qnReport, Windows build under Wine (the same outputs, CSV included)"
report_shares="qnReport, Windows build under Wine: --from over UNC paths, the native rows, a machine hanging"
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
  under_wine32 timeout -k 10 120 bash scripts/wine.sh build/windows/qnThreads.exe \
    </dev/null >/dev/null 2>&1; then
  step "$report_outputs" \
    under_wine32 bash tests/qnreport/run.sh build/windows/qnReport.exe "${wine_quiet[@]}"
  step "$report_shares" \
    under_wine32 python3 tests/qnreport/wine_shares.py build/native/qnReport build/windows/qnReport.exe \
    "${wine_quiet[@]}"
else
  echo
  echo "=== qnThreads.exe failed: this Wine (qemu-i386, no IA-32 emulation) cannot run a 32-bit program's threads"
  skipped+=("$report_outputs" "$report_shares")
fi

echo
[ ${#skipped[@]} -eq 0 ] || printf 'SKIPPED: %s\n' "${skipped[@]}"
[ ${#failures[@]} -eq 0 ] || printf 'failed: %s\n' "${failures[@]}"
echo "suites: $passed passed, $failed failed, ${#skipped[@]} skipped"
[ "$failed" -eq 0 ]
