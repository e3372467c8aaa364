#!/usr/bin/env bash
# Black-box tests of qnCheck. For each case directory in cases/ it runs the
# program in a fresh copy of the case (with the arguments in the case's "args"
# file, if it has one) and checks:
#   output/CASE    the whole output equals the case's expected.txt, byte for byte
#                  (expected.txt ends its lines in LF; for a program whose
#                  console lines end in CR LF each expected line does too;
#                  @VERSION@ stands for the version in CMakeLists.txt's project());
#   status/CASE    the exit status equals the number in the case's "status";
#   nowrite/CASE   the copy is unchanged afterwards: qnCheck writes no file;
#   commands/CASE  (cases without "args") the command lines that qnCheck lists
#                  for one platform, run one by one through the shell as qnUpdate
#                  runs them, change the directory exactly as qnUpdate itself
#                  does when run there, and end with the same status.
#
# Usage: tests/qncheck/run.sh [PROGRAM [WRAPPER...]]
#   PROGRAM   the qnCheck to test (default: build/native/qnCheck)
#   WRAPPER   a command that starts it, for example wine: each run is then
#             WRAPPER... PROGRAM ARGS, in the case's copy
# Environment:
#   QNUPDATE         the qnUpdate for the commands tests: default qnUpdate (or
#                    qnUpdate.exe) beside PROGRAM; "none" skips those tests
#   QN_LINE_END      "lf" or "crlf", how the program ends console lines:
#                    default crlf for a PROGRAM ending in .exe, lf otherwise
#   QN_PLATFORM      the platform whose listing is compared with what qnUpdate
#                    runs: default "Any other system (code 3)", the native one
#   QN_REPLAY_SHELL  what runs one listed command line: default "/bin/sh -c",
#                    as the native qnUpdate runs them
# Prints one line per failed test and ends with "N passed, N failed"; the exit
# status is 1 when any test failed.
set -uo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=${1:-$root/build/native/qnCheck}
[ $# -gt 0 ] && shift
wrapper=("$@")
[ -d "$(dirname "$program")" ] && program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

case "$program" in
  *.exe) line_end=${QN_LINE_END:-crlf}; default_update=$(dirname "$program")/qnUpdate.exe ;;
  *) line_end=${QN_LINE_END:-lf}; default_update=$(dirname "$program")/qnUpdate ;;
esac
qnupdate=${QNUPDATE:-$default_update}
if [ "$qnupdate" != none ] && [ -d "$(dirname "$qnupdate")" ]; then
  qnupdate=$(cd "$(dirname "$qnupdate")" && pwd)/$(basename "$qnupdate")
fi
version=$(bash "$root/scripts/project-version.sh") || exit 1
platform=${QN_PLATFORM:-"Any other system (code 3)"}
read -r -a replay_shell <<<"${QN_REPLAY_SHELL:-/bin/sh -c}"

if [ ! -x "$program" ]; then
  echo "run.sh: no program at $program"
  echo "0 passed, 1 failed"
  exit 1
fi

source "$root/tests/tally.sh"

# A listing of every file under a directory with its checksum.
snapshot() { (cd "$1" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+ | sed 's/^[^ ]* *[0-9]* //' && find . -type f -print0 | sort -z | xargs -0 -r md5sum); }

# The command lines that the program's output lists for $platform, one a line.
listed_commands() {
  tr -d '\r' <"$1" |
    sed -n "/^$platform/,/^[^ ]/p" |
    sed -n 's/^  line [0-9]*, ".*" \(present\|missing\): //p'
}

# Runs the listed command lines one by one in $1; prints the status of the last,
# or 9 when there is none.
replay() {
  local directory=$1 commands=$2 status=9 line
  while IFS= read -r line; do
    (cd "$directory" && "${replay_shell[@]}" "$line" </dev/null >/dev/null 2>&1)
    status=$?
  done <"$commands"
  echo "$status"
}

check_commands() {
  local name=$1 source=$2 output=$3
  local by_update=$work/$name.update by_check=$work/$name.replay volume=$work/$name.volume
  cp -a "$source" "$by_update" && cp -a "$source" "$by_check" && mkdir -p "$volume"
  (cd "$by_update" && systemdrive=$volume "${wrapper[@]}" "$qnupdate" </dev/null >/dev/null 2>&1)
  local update_status=$?
  listed_commands "$output" >"$work/$name.commands"
  local check_status
  check_status=$(replay "$by_check" "$work/$name.commands")
  local differences
  differences=$(diff -r "$by_update" "$by_check" 2>&1)
  if [ -n "$differences" ]; then
    fail "commands/$name" "qnUpdate and the listed commands leave different files:
$differences"
  elif [ "$update_status" != "$check_status" ]; then
    fail "commands/$name" "qnUpdate ends with $update_status, the listed commands with $check_status"
  else
    pass
  fi
}

for case_dir in "$here"/cases/*/; do
  name=$(basename "$case_dir")
  copy=$work/$name
  cp -a "$case_dir" "$copy"
  args=()
  [ -f "$copy/args" ] && read -r -a args <"$copy/args"

  before=$(snapshot "$copy")
  (cd "$copy" && "${wrapper[@]}" "$program" "${args[@]}" </dev/null >"$work/$name.out" 2>"$work/$name.err")
  status=$?
  after=$(snapshot "$copy")

  expected=$work/$name.expected
  if [ "$line_end" = crlf ]; then
    sed "s/@VERSION@/$version/; s/\$/\r/" "$case_dir/expected.txt" >"$expected"
  else
    sed "s/@VERSION@/$version/" "$case_dir/expected.txt" >"$expected"
  fi
  if cmp -s "$expected" "$work/$name.out" && [ ! -s "$work/$name.err" ]; then
    pass
  else
    fail "output/$name" "$(diff "$expected" "$work/$name.out"; cat "$work/$name.err")"
  fi

  expected_status=$(cat "$case_dir/status")
  if [ "$status" = "$expected_status" ]; then pass; else fail "status/$name" "expected $expected_status, got $status"; fi

  if [ "$before" = "$after" ]; then pass; else fail "nowrite/$name" "$(diff <(echo "$before") <(echo "$after"))"; fi

  if [ "$qnupdate" != none ] && [ ! -f "$case_dir/args" ]; then
    check_commands "$name" "$case_dir" "$work/$name.out"
  fi
done

finish
