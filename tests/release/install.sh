#!/usr/bin/env bash
# Tests `cmake --install` of a native build into a new prefix: qnUpdate,
# qnCheck and qnReport land in PREFIX/bin, executable and the same bytes as
# the build's, and the installed programs run (qnCheck --version and qnReport
# --version print the version of CMakeLists.txt's project(); qnUpdate /?
# names it, with systemdrive set to a scratch directory).
#
# Usage: tests/release/install.sh [BUILD]   (default: build/native)
# Prints one line per failed test and ends with "N passed, N failed".
set -uo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/native}
version=$(bash "$root/scripts/project-version.sh") || exit 1

source "$root/tests/tally.sh"

prefix=$work/prefix
output=$(cmake --install "$build" --prefix "$prefix" 2>&1)
if [ $? -eq 0 ]; then pass; else fail install "$output"; fi

for program in qnUpdate qnCheck qnReport; do
  if [ -x "$prefix/bin/$program" ] && cmp -s "$build/$program" "$prefix/bin/$program"; then
    pass
  else
    fail "installed/$program" "$(ls -l "$prefix/bin" 2>&1)"
  fi
done

mkdir "$work/volume"
for program in qnCheck qnReport; do
  said=$(cd "$work" && "$prefix/bin/$program" --version 2>&1)
  if [ $? -eq 0 ] && [ "$said" = "$program $version" ]; then pass; else fail "runs/$program" "$said"; fi
done
said=$(cd "$work" && systemdrive=$work/volume "$prefix/bin/qnUpdate" '/?' 2>&1)
if [ $? -eq 0 ] && [ "$(head -n 1 <<<"$said")" = "qnUpdate $version" ]; then
  pass
else
  fail "runs/qnUpdate" "$said"
fi

finish
