#!/usr/bin/env bash
# Tests of the release archive of the last commit (scripts/release.sh). It
# makes the release twice, one after the other, each in a new directory of its
# own (of different names and lengths), with another time zone, umask and
# locale, and compiler flags in the environment the second time (given a
# relative DIST from the directory it is run in), and checks:
#   identical/FILE  the two are the same bytes: the archive, its .sha256 and
#                   every file in the archive;
#   contents        the archive holds, in the folder qnUpdate-X.Y.Z, exactly
#                   the three executables, README.txt, docs/NAME.txt for each
#                   guide docs/NAME.md, SHA256SUMS and the files of
#                   examples/update, and its comment names the commit;
#   sums            the .sha256 and the archive's SHA256SUMS check out with
#                   `sha256sum -c`;
#   readme          README.txt is the commit's README.md's lines in code page
#                   1252, each ended by CR LF, and names this version's archive;
#   text/docs/NAME.txt  the same for each guide: the commit's docs/NAME.md's
#                   lines in code page 1252, each ended by CR LF;
#   version/EXE     the version resource read back from the executable (windres
#                   decompiles it) carries the version of CMakeLists.txt's
#                   project(): FILEVERSION and PRODUCTVERSION X, Y, Z, 0,
#                   FileVersion and ProductVersion X.Y.Z, OriginalFilename its
#                   own name, ProductName qnUpdate, a FileDescription and a
#                   LegalCopyright;
#   imports         the released executables pass scripts/check-imports.sh;
#   tested/EXE      in a checkout without changes to its files, build/windows/EXE,
#                   the one the Wine suites test, is the released one, byte for
#                   byte (skipped, with a line that says so, otherwise).
#
# Usage: tests/release/run.sh
# Prints one line per failed test and ends with "N passed, N failed".
set -uo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
version=$(bash "$root/scripts/project-version.sh") || exit 1
folder=qnUpdate-$version
archive=$folder-win32.zip

source "$root/tests/tally.sh"

mkdir -p "$work/first" "$work/the-second-release"
if ! (export TMPDIR=$work/first TZ=UTC && umask 022 &&
      bash "$root/scripts/release.sh" "$work/first/dist") >"$work/first.log" 2>&1 ||
   ! (export TMPDIR=$work/the-second-release TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 CXXFLAGS=-fno-inline &&
      umask 077 && cd "$work/the-second-release" &&
      bash "$root/scripts/release.sh" dist) >"$work/second.log" 2>&1; then
  fail "release.sh" "$(cat "$work/first.log" "$work/second.log" 2>/dev/null | tail -n 40)"
  echo "$passed passed, $failed failed"
  exit 1
fi
first=$work/first/dist
second=$work/the-second-release/dist

for file in "$archive" "$archive.sha256"; do
  if cmp "$first/$file" "$second/$file"; then pass; else fail "identical/$file"; fi
done
mkdir "$work/unpacked" "$work/unpacked-second"
(cd "$work/unpacked" && python3 -m zipfile -e "$first/$archive" .) &&
  (cd "$work/unpacked-second" && python3 -m zipfile -e "$second/$archive" .)
differences=$(diff -r "$work/unpacked" "$work/unpacked-second" 2>&1)
if [ -z "$differences" ]; then pass; else fail "identical/contents" "$differences"; fi

release=$work/unpacked/$folder
guides=$(cd "$root" && git ls-tree --name-only HEAD docs/ | grep '\.md$')
expected=$( (echo README.txt; echo SHA256SUMS; echo qnCheck.exe; echo qnReport.exe; echo qnUpdate.exe
             [ -z "$guides" ] || sed 's/\.md$/.txt/' <<<"$guides"
             cd "$root" && git ls-tree -r --name-only HEAD examples/update) | sort)
actual=$(cd "$work/unpacked" && find . -type f | sed "s|^\./$folder/||" | sort)
comment=$(python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).comment.decode())' \
          "$first/$archive")
expected_comment="qnUpdate $version, built from commit $(cd "$root" && git rev-parse HEAD)"
if [ "$expected" = "$actual" ] && [ "$(ls "$work/unpacked")" = "$folder" ] &&
   [ "$comment" = "$expected_comment" ]; then
  pass
else
  fail contents "$(diff <(echo "$expected") <(cd "$work/unpacked" && find . -type f | sort))
comment: $comment"
fi

sums=$( (cd "$first" && sha256sum -c --strict "$archive.sha256") 2>&1 &&
        (cd "$release" && sha256sum -c --strict SHA256SUMS) 2>&1)
sums_status=$?
listed=$(cd "$release" && sed 's/^[0-9a-f]*  //' SHA256SUMS | sort)
others=$(cd "$release" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort)
if [ $sums_status -eq 0 ] && [ "$listed" = "$others" ]; then
  pass
else
  fail sums "$sums$(diff <(echo "$listed") <(echo "$others"))"
fi

# README.txt and docs/NAME.txt: CR LF after every line and nowhere else, and
# the same lines as README.md and docs/NAME.md once their characters are in
# code page 1252. README.txt also names this version's archive.
same_text() {  # same_text SOURCE.md TEXT.txt [NAME-TO-FIND]
python3 - "$@" <<'EOF'
import sys
source = open(sys.argv[1], encoding="utf-8").read().split("\n")
data = open(sys.argv[2], "rb").read()
ends = data.count(b"\r\n")
if not data.endswith(b"\r\n") or data.count(b"\n") != ends or data.count(b"\r") != ends:
    sys.exit("line ends other than CR LF")
try:
    text = data.decode("cp1252")
    lines = text.split("\r\n")[:-1]
except UnicodeDecodeError as error:
    sys.exit(f"not code page 1252: {error}")
if len(sys.argv) > 3 and sys.argv[3] not in text:
    sys.exit(f"does not name {sys.argv[3]}")
if source[-1] == "":
    source.pop()
if len(lines) != len(source):
    sys.exit(f"{len(lines)} lines, {sys.argv[1]} has {len(source)}")
for number, (line, original) in enumerate(zip(lines, source), 1):
    try:
        original.encode("cp1252")
    except UnicodeEncodeError:
        continue  # a character that code page 1252 lacks is replaced: not compared
    if line != original:
        sys.exit(f"line {number} differs from {sys.argv[1]}: {line!r}")
EOF
}
(cd "$root" && git show HEAD:README.md) >"$work/README.md"
readme_problem=$(same_text "$work/README.md" "$release/README.txt" "$archive" 2>&1)
if [ $? -eq 0 ]; then pass; else fail readme "$readme_problem"; fi
mkdir "$work/docs"
for guide in $guides; do
  text=${guide%.md}.txt
  (cd "$root" && git show "HEAD:$guide") >"$work/$guide"
  problem=$(same_text "$work/$guide" "$release/$text" 2>&1)
  if [ $? -eq 0 ]; then pass; else fail "text/$text" "$problem"; fi
done

IFS=. read -r major minor patch <<<"$version"
for exe in qnUpdate.exe qnCheck.exe qnReport.exe; do
  resource=$(i686-w64-mingw32-windres -i "$release/$exe" -O rc 2>&1 | sed 's/^ *//')
  missing=
  for line in "FILEVERSION $major, $minor, $patch, 0" "PRODUCTVERSION $major, $minor, $patch, 0" \
              "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
              "VALUE \"OriginalFilename\", \"$exe\"" "VALUE \"ProductName\", \"qnUpdate\""; do
    grep -q -x -F -e "$line" <<<"$resource" || missing+="$line"$'\n'
  done
  for field in FileDescription LegalCopyright; do
    grep -q -E "^VALUE \"$field\", \"[^\"]+\"$" <<<"$resource" || missing+="VALUE \"$field\", a text"$'\n'
  done
  if [ -z "$missing" ]; then pass; else fail "version/$exe" "missing:
$missing
read back:
$resource"; fi
done

imports=$(bash "$root/scripts/check-imports.sh" "$release/qnUpdate.exe" "$release/qnCheck.exe" \
          "$release/qnReport.exe" 2>&1)
if [ $? -eq 0 ]; then pass; else fail imports "$imports"; fi

if [ -n "$(cd "$root" && git status --porcelain --untracked-files=no)" ]; then
  echo "skipped tested/: the checkout has changes, so build/windows is not the commit's build"
elif [ ! -f "$root/build/windows/qnUpdate.exe" ]; then
  echo "skipped tested/: no build/windows (scripts/build.sh windows makes it)"
else
  for exe in qnUpdate.exe qnCheck.exe qnReport.exe; do
    if cmp "$root/build/windows/$exe" "$release/$exe"; then pass; else fail "tested/$exe"; fi
  done
fi

finish
