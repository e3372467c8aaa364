"""A damaged CD for the staging tests: a read-only FUSE file system (Debian's
python3-fusepy) that shows a directory tree as it is, but for one file whose
reads go wrong after its first 4 KiB.

    python3 damaged_cd.py SOURCE MOUNTPOINT FILE eio|short

eio: reading from byte 4096 on fails with EIO, as a scratched sector does.
short: reading from byte 4096 on gives nothing, while the listing keeps the
file's full size: a read error that a layer below the program has hidden.

The tests use mounted(), which starts this file as the server
(fuse_stand_in.py): its mount never outlives the test.
"""

import errno
import os
import stat
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import fuse_stand_in  # noqa: E402

GOOD_BYTES = 4096


def mounted(source, mountpoint, damaged_file, damage):
    """Mounts the damaged CD showing `source` at `mountpoint` (an empty
    directory) for the length of a with block; `damaged_file` is relative to
    `source`, `damage` is "eio" or "short". Skips the test where FUSE cannot
    be used."""
    if not fuse_stand_in.can_mount():
        raise unittest.SkipTest("mounting the FUSE stand-in for a CD needs root and /dev/fuse")
    return fuse_stand_in.mounted(__file__, [source, mountpoint, damaged_file, damage], mountpoint,
                                 "the FUSE stand-in for a CD")


def serve(source, mountpoint, damaged_file, damage):
    # Imported here: the tests that import this module need no FUSE.
    import fusepy

    damaged = "/" + damaged_file.strip("/")

    class DamagedCd(fuse_stand_in.mirror(fusepy, source, mountpoint)):
        def mode(self, path, info):
            # As on a CD: nothing can be written.
            return info.st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH)

        def read(self, path, size, offset, fh):
            end = offset + size
            if path == damaged and end > GOOD_BYTES:
                if offset >= GOOD_BYTES:
                    if damage == "eio":
                        raise fusepy.FuseOSError(errno.EIO)
                    return b""
                end = GOOD_BYTES
            return super().read(path, end - offset, offset, fh)

    # Direct I/O: each read reaches the file system as the reader asked it.
    # Through the page cache a short answer would read as the file's end,
    # and the read error would never show.
    fusepy.FUSE(DamagedCd(), mountpoint, foreground=True, ro=True, direct_io=True,
                fsname="damaged_cd")


if __name__ == "__main__":
    serve(*sys.argv[1:5])
