#!/usr/bin/env bash
# Builds every build and runs every test: unit tests (plain and under the
# sanitizers), the import check of the Windows executables, the black-box tests
# of the native program and of the Windows program under Wine, the qnCheck
# tests and short fuzzing runs. Run as root on Debian 12; installs what it needs.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || { echo "installing the dependencies failed"; exit 1; }
bash scripts/build.sh native sanitize windows || { echo "the build failed"; exit 1; }

passed=0
failed=0
failures=()
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

step "unit tests" ctest --test-dir build/native --output-on-failure
step "unit tests under the sanitizers" ctest --test-dir build/sanitize --output-on-failure
step "Windows imports" bash scripts/check-imports.sh build/windows/qnUpdate.exe build/windows/qnCheck.exe
step "black-box, native" python3 tests/blackbox/run.py --runner native --program build/native/qnUpdate
step "black-box, native under the sanitizers" \
  python3 tests/blackbox/run.py --runner native --program build/sanitize/qnUpdate
step "qnCheck, native" bash tests/check/run.sh build/native/qnCheck
step "fuzzing, 30 s a target" bash fuzz/run.sh 30

echo
[ ${#failures[@]} -eq 0 ] || printf 'failed: %s\n' "${failures[@]}"
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
