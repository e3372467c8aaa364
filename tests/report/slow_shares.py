"""Administrative shares over a slow network, for the qnReport tests and
benchmark: a read-only FUSE file system (Debian's python3-fusepy) that shows a
folder of machines (SOURCE/HOST/QNLOG/QN.log) as it is. Each machine's folder
stands for its share: every look-up inside it, and every open, is DELAY
milliseconds late, and the look-ups inside one machine's folder (HANG_HOST)
hang for HANG seconds, as a switched-off machine makes a Windows client wait.

    /usr/bin/python3 slow_shares.py SOURCE MOUNTPOINT DELAY HANG_HOST HANG

The look-ups of the machines' folders themselves are not delayed: with
libfuse 2 the kernel makes the look-ups within one folder one at a time, so
a delay there would hold up every machine behind every other, which real
machines on a network do not do.

The kernel asks again for every name (no cached look-ups), so each run pays
the delays. A hanging look-up ends early, with EINTR, when the kernel says its
caller was interrupted: a program that ends while one of its threads waits
there is not held up for the rest of the hang, as a program reading a real
share from Linux (cifs) is not.

The server prints "mounted" once the kernel has mounted it, and unmounts
itself as soon as its standard input ends, so that a test that dies in any
way, even killed, never leaves the mount behind: start it with mounted().
"""

import contextlib
import errno
import os
import select
import subprocess
import sys
import threading
import time

MOUNT_SECONDS = 30
# The server runs on Debian's own Python, for which python3-fusepy is
# installed, whichever python3 runs the test.
SERVER_PYTHON = "/usr/bin/python3"


class NoFuse(Exception):
    """FUSE cannot be used here: it needs root and /dev/fuse."""


@contextlib.contextmanager
def mounted(source, mountpoint, delay_ms, hang_host="", hang_seconds=0):
    """Mounts the slow shares of `source` at `mountpoint` (an empty folder)
    for the length of the block."""
    if os.geteuid() != 0 or not os.path.exists("/dev/fuse"):
        raise NoFuse("mounting the FUSE stand-in for the shares needs root and /dev/fuse")
    server = subprocess.Popen(
        [SERVER_PYTHON, os.path.abspath(__file__), str(source), str(mountpoint),
         str(delay_ms), hang_host, str(hang_seconds)],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        ready, _, _ = select.select([server.stdout], [], [], MOUNT_SECONDS)
        line = server.stdout.readline() if ready else b""
        if line != b"mounted\n":
            server.kill()
            raise AssertionError("the FUSE stand-in for the shares did not mount: %s"
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


def serve(source, mountpoint, delay_ms, hang_host, hang_seconds):
    # Imported here: the test that imports this module needs no FUSE.
    import fusepy

    delay = int(delay_ms) / 1000.0
    hang = float(hang_seconds)
    hang_folder = "/" + hang_host.lower() + "/" if hang_host else None

    def interrupted():
        return fusepy._libfuse.fuse_interrupted() != 0

    def wait(seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if interrupted():
                raise fusepy.FuseOSError(errno.EINTR)
            time.sleep(min(0.02, max(0.0, end - time.monotonic())))

    class SlowShares(fusepy.Operations):
        use_ns = True

        def init(self, path):
            threading.Thread(target=unmount_when_stdin_ends, daemon=True).start()
            sys.stdout.write("mounted\n")
            sys.stdout.flush()

        def _real(self, path):
            return os.path.join(source, path.lstrip("/"))

        def getattr(self, path, fh=None):
            if path.count("/") > 1:  # inside a machine's folder
                if hang_folder and path.lower().startswith(hang_folder):
                    wait(hang)
                wait(delay)
            try:
                info = os.lstat(self._real(path))
            except OSError as error:
                raise fusepy.FuseOSError(error.errno)
            return {"st_mode": info.st_mode, "st_size": info.st_size, "st_nlink": info.st_nlink,
                    "st_uid": info.st_uid, "st_gid": info.st_gid, "st_atime": info.st_atime_ns,
                    "st_mtime": info.st_mtime_ns, "st_ctime": info.st_ctime_ns}

        def readdir(self, path, fh):
            return [".", ".."] + sorted(os.listdir(self._real(path)))

        def open(self, path, flags):
            if flags & (os.O_WRONLY | os.O_RDWR):
                raise fusepy.FuseOSError(errno.EROFS)
            wait(delay)
            return 0

        def read(self, path, size, offset, fh):
            with open(self._real(path), "rb") as file:
                file.seek(offset)
                return file.read(size)

    def unmount_when_stdin_ends():
        sys.stdin.buffer.read()
        subprocess.run(["umount", "-l", mountpoint], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    fusepy.FUSE(SlowShares(), mountpoint, foreground=True, ro=True, fsname="slow_shares",
                entry_timeout=0, attr_timeout=0, negative_timeout=0)


if __name__ == "__main__":
    serve(*sys.argv[1:6])
