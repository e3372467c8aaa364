#!/usr/bin/env bash
# Golden tests of qnReport on the hand-made fleet in fleet/ (a few dozen
# machines' logs in every naming form, with the traps a real collection holds),
# the logs in hostile/ (written to garble a report), the rollout in rollout/
# (two versions over weeks: each kind of change since 2007-01-20, and a clock
# set back within a log), and the machine lists
# hosts*.txt and hosts*.csv (as Windows editors, directories and spreadsheets
# save them). For each case directory in cases/ it runs the program with the
# arguments in the case's "args" file (words as the shell reads them, quotes
# included), in a fresh copy of them all (beside an empty folder "empty"), with
# SOURCE_DATE_EPOCH set so that the report tells one fixed moment, and checks:
#   stdout/CASE   standard output equals expected.out, byte for byte (text
#                 reports are kept with LF ends and compared with CR LF ends for
#                 a program whose console lines end so; CSV is kept as written,
#                 CR LF on every system; @VERSION@ stands for the version in
#                 CMakeLists.txt's project());
#   stderr/CASE   standard error equals expected.err (empty when there is none),
#                 with the same line-end rule and, for Windows, backslashes read
#                 as slashes on both sides;
#   html/CASE     (cases with expected.html) the page out.html equals it, with
#                 the same backslash rule (a path below a PATH is joined with
#                 the system's separator);
#   status/CASE   the exit status equals the number in "status";
# and at the end that no run changed the fleet.
#
# Usage: tests/qnreport/run.sh [PROGRAM [WRAPPER...]]
#   PROGRAM   the qnReport to test (default: build/native/qnReport)
#   WRAPPER   a command that starts it, for example wine
# Prints one line per failed test and ends with "N passed, N failed".
set -uo pipefail
export LC_ALL=C.UTF-8  # C order; UTF-8 file names, which Wine reads by the locale
export SOURCE_DATE_EPOCH=1170000000  # 2007-01-28 16:00:00 UTC

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=${1:-$root/build/native/qnReport}
[ $# -gt 0 ] && shift
wrapper=("$@")
[ -d "$(dirname "$program")" ] && program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
version=$(bash "$root/scripts/project-version.sh") || exit 1
case "$program" in
  *.exe) windows=1 ;;
  *) windows=0 ;;
esac

if [ ! -x "$program" ]; then
  echo "run.sh: no program at $program"
  echo "0 passed, 1 failed"
  exit 1
fi

source "$root/tests/tally.sh"

# The expected console text for this program: LF ends, or CR LF ends for
# Windows; paths in messages with slashes.
console_text() {
  if [ "$windows" = 1 ]; then sed "s/@VERSION@/$version/; s/\$/\r/" "$1"; else sed "s/@VERSION@/$version/" "$1"; fi
}
slashes() { if [ "$windows" = 1 ]; then tr '\\' '/'; else cat; fi; }

compare() {  # compare NAME EXPECTED-FILE ACTUAL-FILE
  if cmp -s "$2" "$3"; then pass; else fail "$1" "$(diff "$2" "$3" | head -n 40)"; fi
}

fleet=$work/run
mkdir -p "$fleet/empty"
cp -a "$here/fleet" "$here/hostile" "$here/rollout" "$here"/hosts*.txt "$here"/hosts*.csv "$fleet/"
# A folder whose path is too long for the system's path buffers (260 bytes),
# below one whose path fits, beside a log that can be read; and one in PC77's
# QNLOG folder, which makes PC77 unreadable although a copy of its log could be
# read.
long=$fleet/deep/$(printf 'A%.0s' {1..150})/$(printf 'B%.0s' {1..150})
mkdir -p "$long" "$fleet/deep/PC77/QNLOG/$(printf 'C%.0s' {1..150})/$(printf 'D%.0s' {1..150})"
printf '01-08-2007 09:00:00,Update=5.0,New=5.1,Status=Success,ReturnCode=0 \r\n' >"$fleet/deep/PC99.log"
cp "$fleet/deep/PC99.log" "$long/PC98.log"
cp "$fleet/deep/PC99.log" "$fleet/deep/PC77.log"
snapshot() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 md5sum); }
before=$(snapshot "$fleet")

for case_dir in "$here"/cases/*/; do
  name=$(basename "$case_dir")
  eval "args=($(cat "$case_dir/args"))"
  rm -f "$fleet/out.html"
  (cd "$fleet" && "${wrapper[@]}" "$program" "${args[@]}" </dev/null >"$work/$name.out" 2>"$work/$name.err")
  status=$?

  if grep -q -- --csv "$case_dir/args"; then
    cp "$case_dir/expected.out" "$work/$name.expected.out"
  else
    console_text "$case_dir/expected.out" >"$work/$name.expected.out"
  fi
  compare "stdout/$name" "$work/$name.expected.out" "$work/$name.out"

  : >"$work/$name.expected.err"
  [ -f "$case_dir/expected.err" ] && console_text "$case_dir/expected.err" | slashes >"$work/$name.expected.err"
  slashes <"$work/$name.err" >"$work/$name.err.slashes"
  compare "stderr/$name" "$work/$name.expected.err" "$work/$name.err.slashes"

  if [ -f "$case_dir/expected.html" ]; then
    slashes <"$fleet/out.html" >"$work/$name.html"
    compare "html/$name" "$case_dir/expected.html" "$work/$name.html"
  fi

  expected_status=$(cat "$case_dir/status")
  if [ "$status" = "$expected_status" ]; then pass; else fail "status/$name" "expected $expected_status, got $status"; fi
done

# A report that cannot be written whole to standard output (a full disk) is
# said, with status 2.
if [ -e /dev/full ]; then
  (cd "$fleet" && "${wrapper[@]}" "$program" fleet </dev/null >/dev/full 2>"$work/full.err")
  status=$?
  if [ "$status" = 2 ] && grep -q "cannot write the report to standard output" "$work/full.err"; then
    pass
  else
    fail "full" "status $status: $(cat "$work/full.err")"
  fi
fi

rm -f "$fleet/out.html"
if [ "$before" = "$(snapshot "$fleet")" ]; then pass; else fail "nowrite" "a run changed the fleet"; fi

finish
