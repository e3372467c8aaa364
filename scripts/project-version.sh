#!/usr/bin/env bash
# Prints the project's version, X.Y.Z, as project() in CMakeLists.txt sets it:
# the one place it is written. Tests compare what the programs say with it.
set -euo pipefail
version=$(sed -n 's/^project(qnUpdate VERSION \([0-9]*\.[0-9]*\.[0-9]*\) .*/\1/p' \
  "$(dirname "$0")/../CMakeLists.txt")
[ -n "$version" ] || { echo "no project(qnUpdate VERSION X.Y.Z ...) in CMakeLists.txt" >&2; exit 1; }
echo "$version"
