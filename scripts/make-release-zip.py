#!/usr/bin/env python3
"""Writes the release archive, the same bytes for the same inputs.

    make-release-zip.py ZIP FOLDER COMMENT README.md DOCS-DIR EXE... -- EXAMPLE-DIR

The archive holds, in one folder named FOLDER: the EXEs, README.txt (README.md
in the ANSI code page 1252 with CR LF line ends, for Notepad on Windows NT 4.0),
the guides beside it (each DOCS-DIR/NAME.md as docs/NAME.txt, converted the
same way), the example update (EXAMPLE-DIR, as examples/update/) and
SHA256SUMS, the SHA-256 of every other file in it in the form `sha256sum -c`
reads. Entries are sorted by name; each has the date and time of
SOURCE_DATE_EPOCH (seconds since 1970, read as UTC, which a zip cannot hold
otherwise) and the mode 0644. The archive's comment (`unzip -z` shows it) is
COMMENT. Python's standard library only.
"""

import hashlib
import os
import sys
import time
import unicodedata
import zipfile
from pathlib import Path

# ASCII for characters that code page 1252 does not have; anything else that
# neither this table nor dropping its accents covers becomes "?".
ASCII_FOR = {
    "\u2190": "<-", "\u2192": "->", "\u2194": "<->", "\u21d2": "=>",
    "\u2212": "-", "\u2264": "<=", "\u2265": ">=", "\u2260": "!=", "\u2248": "~",
    "\u2018": "'", "\u2019": "'", "\u201c": '"', "\u201d": '"',
    "\u2713": "v", "\u2717": "x", "\u00a0": " ", "\u2009": " ", "\u202f": " ",
}


def ansi_text(text):
    """`text` as code page 1252 bytes with CR LF line ends."""
    out = []
    for char in text:
        try:
            out.append(char.encode("cp1252"))
            continue
        except UnicodeEncodeError:
            pass
        ascii_form = ASCII_FOR.get(char)
        if ascii_form is None:
            stripped = unicodedata.normalize("NFKD", char).encode("ascii", "ignore").decode()
            ascii_form = stripped or "?"
        out.append(ascii_form.encode("ascii"))
    lines = b"".join(out).replace(b"\r\n", b"\n").split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    return b"".join(line + b"\r\n" for line in lines)


def zip_date(epoch):
    # A zip entry's time has two-second steps and starts in 1980.
    moment = time.gmtime(max(epoch, 315532800))
    return (moment.tm_year, moment.tm_mon, moment.tm_mday,
            moment.tm_hour, moment.tm_min, moment.tm_sec - moment.tm_sec % 2)


def main(argv):
    if "--" not in argv or len(argv) < 8:
        sys.exit(__doc__)
    split = argv.index("--")
    archive, folder, comment, readme = argv[1], argv[2], argv[3], Path(argv[4])
    docs = Path(argv[5])
    executables = [Path(p) for p in argv[6:split]]
    example = Path(argv[split + 1])
    epoch_text = os.environ.get("SOURCE_DATE_EPOCH", "")
    if not epoch_text.isdigit():
        sys.exit("make-release-zip.py: SOURCE_DATE_EPOCH must be set to the commit's time")

    files = {"README.txt": ansi_text(readme.read_text(encoding="utf-8"))}
    for guide in sorted(docs.glob("*.md")):
        files["docs/" + guide.stem + ".txt"] = ansi_text(guide.read_text(encoding="utf-8"))
    for exe in executables:
        files[exe.name] = exe.read_bytes()
    for path in sorted(example.rglob("*")):
        if path.is_file():
            files["examples/update/" + path.relative_to(example).as_posix()] = path.read_bytes()
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n"
                   for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode("ascii")

    date = zip_date(int(epoch_text))
    with zipfile.ZipFile(archive, "w") as out:
        out.comment = comment.encode("ascii")
        for name in sorted(files):
            entry = zipfile.ZipInfo(f"{folder}/{name}", date_time=date)
            entry.create_system = 3  # Unix, so that the mode below is read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(entry, files[name], compresslevel=9)


if __name__ == "__main__":
    main(sys.argv)
