"""A damaged CD for the staging tests: a read-only FUSE file system (Debian's
python3-fusepy) that shows a directory tree as it is, but for one file whose
reads go wrong after its first 4 KiB.

    python3 damaged_cd.py SOURCE MOUNTPOINT FILE eio|short

eio: reading from byte 4096 on fails with EIO, as a scratched sector does.
short: reading from byte 4096 on gives nothing, while the listing keeps the
file's full size: a read error that a layer below the program has hidden.

The tests use mounted(), which starts this file as the server. The server
prints "mounted" once the kernel has mounted it, and unmounts itself as soon
as its standard input ends: a test that dies in any way, even killed, never
leaves the mount behind.
"""

import contextlib
import errno
import os
import select
import stat
import subprocess
import sys
import threading
import unittest

GOOD_BYTES = 4096
MOUNT_SECONDS = 30
# The server runs on Debian's own Python, for which python3-fusepy is
# installed, whichever python3 runs the tests.
SERVER_PYTHON = "/usr/bin/python3"


@contextlib.contextmanager
def mounted(source, mountpoint, damaged_file, damage):
    """Mounts the damaged CD showing `source` at `mountpoint` (an empty
    directory) for the length of the block; `damaged_file` is relative to
    `source`, `damage` is "eio" or "short". Skips the test where FUSE cannot
    be used (it needs root and /dev/fuse)."""
    if os.geteuid() != 0 or not os.path.exists("/dev/fuse"):
        raise unittest.SkipTest("mounting the FUSE stand-in for a CD needs root and /dev/fuse")
    server = subprocess.Popen(
        [SERVER_PYTHON, os.path.abspath(__file__), str(source), str(mountpoint),
         str(damaged_file), damage],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        ready, _, _ = select.select([server.stdout], [], [], MOUNT_SECONDS)
        line = server.stdout.readline() if ready else b""
        if line != b"mounted\n":
            server.kill()
            raise AssertionError("the FUSE stand-in for a CD did not mount: %s"
                                 % server.stderr.read().decode(errors="replace"))
        yield mountpoint
    finally:
        server.stdin.close()
        try:
            server.wait(timeout=MOUNT_SECONDS)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        if os.path.ismount(mountpoint):
            subprocess.run(["umount", "-l", str(mountpoint)])
        server.stdout.close()
        server.stderr.close()


def serve(source, mountpoint, damaged_file, damage):
    # Imported here: the tests that import this module need no FUSE.
    import fusepy

    damaged = "/" + damaged_file.strip("/")

    class DamagedCd(fusepy.Operations):
        use_ns = True

        def init(self, path):
            # Watched only once mounted, so that an end that comes earlier
            # still finds a mount to take away.
            threading.Thread(target=unmount_when_stdin_ends, daemon=True).start()
            sys.stdout.write("mounted\n")
            sys.stdout.flush()

        def _real(self, path):
            return os.path.join(source, path.lstrip("/"))

        def getattr(self, path, fh=None):
            try:
                info = os.lstat(self._real(path))
            except OSError as error:
                raise fusepy.FuseOSError(error.errno)
            # As on a CD: nothing can be written.
            mode = info.st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH)
            return {"st_mode": mode, "st_size": info.st_size, "st_nlink": info.st_nlink,
                    "st_uid": info.st_uid, "st_gid": info.st_gid, "st_atime": info.st_atime_ns,
                    "st_mtime": info.st_mtime_ns, "st_ctime": info.st_ctime_ns}

        def readdir(self, path, fh):
            return [".", ".."] + sorted(os.listdir(self._real(path)))

        def open(self, path, flags):
            if flags & (os.O_WRONLY | os.O_RDWR):
                raise fusepy.FuseOSError(errno.EROFS)
            return 0

        def read(self, path, size, offset, fh):
            end = offset + size
            if path == damaged and end > GOOD_BYTES:
                if offset >= GOOD_BYTES:
                    if damage == "eio":
                        raise fusepy.FuseOSError(errno.EIO)
                    return b""
                end = GOOD_BYTES
            with open(self._real(path), "rb") as file:
                file.seek(offset)
                return file.read(end - offset)

    def unmount_when_stdin_ends():
        sys.stdin.buffer.read()
        subprocess.run(["umount", "-l", mountpoint], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    # Direct I/O: each read reaches the file system as the reader asked it.
    # Through the page cache a short answer would read as the file's end,
    # and the read error would never show.
    fusepy.FUSE(DamagedCd(), mountpoint, foreground=True, ro=True, direct_io=True,
                fsname="damaged_cd")


if __name__ == "__main__":
    serve(*sys.argv[1:5])
