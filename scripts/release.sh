#!/usr/bin/env bash
# Builds the release of the last commit (HEAD) and writes
#
#   DIST/qnUpdate-X.Y.Z-win32.zip         the three Windows executables, README.txt,
#                                         the guides as docs/*.txt, the example
#                                         update and SHA256SUMS
#   DIST/qnUpdate-X.Y.Z-win32.zip.sha256  the archive's own SHA-256
#
#   scripts/release.sh [DIST]             (default: dist/ in this repository; a
#                                         relative DIST is taken from the folder
#                                         it is run from)
#
# It builds from the commit alone, exported with `git archive` into a new
# temporary directory (under $TMPDIR): never from this working tree's changes or
# its build/. The archive's comment names the commit. The build is the windows
# preset, the same one the tests run under Wine, with no compiler or linker
# flags from the environment. The same commit gives the same bytes wherever and
# whenever it is built: every date comes from the commit's time
# (SOURCE_DATE_EPOCH). The import check (scripts/check-imports.sh) must pass
# before anything is written.
# Run as root on Debian 12; installs what it needs.
set -euo pipefail
dist=${1:-}
[ -z "$dist" ] || [[ $dist == /* ]] || dist=$PWD/$dist
cd "$(dirname "$0")/.."
root=$PWD
dist=${dist:-$root/dist}

bash scripts/install-deps.sh cmake ninja-build g++-mingw-w64-i686-win32 python3 ||
  { echo "release.sh: installing the dependencies failed" >&2; exit 1; }
git rev-parse --verify -q HEAD >/dev/null || { echo "release.sh: no commit to release" >&2; exit 1; }

commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "release.sh: the working tree has changes; the release is of commit $commit without them" >&2
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS
work=$(mktemp -d "${TMPDIR:-/tmp}/qnUpdate-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/source"
git archive --format=tar HEAD | tar -x -C "$work/source"

cd "$work/source"
version=$(bash scripts/project-version.sh)
cmake --preset windows >/dev/null
cmake --build --preset windows --target qnUpdate qnCheck qnReport >/dev/null
exes=(build/windows/qnUpdate.exe build/windows/qnCheck.exe build/windows/qnReport.exe)
bash scripts/check-imports.sh "${exes[@]}" >/dev/null || {
  bash scripts/check-imports.sh "${exes[@]}"; echo "release.sh: Windows NT 4.0 would not load it" >&2; exit 1; }

name=qnUpdate-$version-win32.zip
python3 scripts/make-release-zip.py "$work/$name" "qnUpdate-$version" \
  "qnUpdate $version, built from commit $commit" README.md docs "${exes[@]}" -- examples/update
mkdir -p "$dist"
cd "$work"
sha256sum "$name" >"$name.sha256"
cp "$name" "$name.sha256" "$dist/"
echo "$dist/$name: qnUpdate $version, commit $commit"
cat "$dist/$name.sha256"
