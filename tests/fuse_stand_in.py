"""What the FUSE stand-ins of the tests share (qnupdate/damaged_cd.py for a
scratched CD, qnreport/slow_shares.py for administrative shares over a slow
network): starting a server, waiting until the kernel has mounted it, and
making sure that its mount never outlives the test.

A server is one of those files run as a program on Debian's own Python, for
which python3-fusepy is installed, whichever python3 runs the tests. Its file
system's init() calls announce_mounted(), which prints "mounted" and watches
the server's standard input: when that ends, because the test ended in any
way, even killed, the server takes its mount away.
"""

import contextlib
import errno
import os
import select
import subprocess
import sys
import threading

MOUNT_SECONDS = 30
SERVER_PYTHON = "/usr/bin/python3"


def can_mount():
    """FUSE needs root and /dev/fuse."""
    return os.geteuid() == 0 and os.path.exists("/dev/fuse")


@contextlib.contextmanager
def mounted(server, args, mountpoint, what):
    """Runs the server file `server` with `args` (its mount point among them)
    for the length of the block, once it has mounted `mountpoint`; `what` names
    it in the error raised when it does not mount."""
    process = subprocess.Popen([SERVER_PYTHON, os.path.abspath(server)] + [str(a) for a in args],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    try:
        ready, _, _ = select.select([process.stdout], [], [], MOUNT_SECONDS)
        line = process.stdout.readline() if ready else b""
        if line != b"mounted\n":
            process.kill()
            raise AssertionError("%s did not mount: %s"
                                 % (what, process.stderr.read().decode(errors="replace")))
        yield mountpoint
    finally:
        process.stdin.close()
        try:
            process.wait(timeout=MOUNT_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        if os.path.ismount(mountpoint):
            subprocess.run(["umount", "-l", str(mountpoint)])
        process.stdout.close()
        process.stderr.close()


def announce_mounted(mountpoint):
    """In the server, from init(): says it is mounted, and unmounts when its
    standard input ends. Watched only once mounted, so that an end that comes
    earlier still finds a mount to take away."""
    def unmount_when_stdin_ends():
        sys.stdin.buffer.read()
        subprocess.run(["umount", "-l", mountpoint], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    threading.Thread(target=unmount_when_stdin_ends, daemon=True).start()
    sys.stdout.write("mounted\n")
    sys.stdout.flush()


def mirror(fusepy, source, mountpoint):
    """The file system class that a server starts from: a read-only view of the
    folder `source`, mounted at `mountpoint`. A server's subclass changes what
    it must through its hooks: looked_up(path) and opened(path) may wait or
    fail, mode(path, info) gives a file's mode, and read(...) may fail."""

    class Mirror(fusepy.Operations):
        use_ns = True

        def init(self, path):
            announce_mounted(mountpoint)

        def real(self, path):
            return os.path.join(source, path.lstrip("/"))

        def looked_up(self, path):
            pass

        def mode(self, path, info):
            return info.st_mode

        def getattr(self, path, fh=None):
            self.looked_up(path)
            try:
                info = os.lstat(self.real(path))
            except OSError as error:
                raise fusepy.FuseOSError(error.errno)
            return {"st_mode": self.mode(path, info), "st_size": info.st_size,
                    "st_nlink": info.st_nlink, "st_uid": info.st_uid, "st_gid": info.st_gid,
                    "st_atime": info.st_atime_ns, "st_mtime": info.st_mtime_ns,
                    "st_ctime": info.st_ctime_ns}

        def readdir(self, path, fh):
            return [".", ".."] + sorted(os.listdir(self.real(path)))

        def opened(self, path):
            pass

        def open(self, path, flags):
            if flags & (os.O_WRONLY | os.O_RDWR):
                raise fusepy.FuseOSError(errno.EROFS)
            self.opened(path)
            return 0

        def read(self, path, size, offset, fh):
            with open(self.real(path), "rb") as file:
                file.seek(offset)
                return file.read(size)

    return Mirror
