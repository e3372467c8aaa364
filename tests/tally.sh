# Shared by the shell test suites (sourced): a scratch directory removed on exit,
# the pass and fail counts, and the summary line that ends each suite's output.
#
#   pass                  counts a passed check
#   fail NAME [DETAIL]    counts a failed one and prints it, DETAIL indented
#   finish                prints "N passed, N failed"; fails when anything did
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAIL $1"
  [ $# -gt 1 ] && printf '%s\n' "$2" | sed 's/^/     /'
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
