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

Start it with mounted() (fuse_stand_in.py): its mount never outlives the test.
"""

import errno
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import fuse_stand_in  # noqa: E402


class NoFuse(Exception):
    """FUSE cannot be used here: it needs root and /dev/fuse."""


def mounted(source, mountpoint, delay_ms, hang_host="", hang_seconds=0):
    """Mounts the slow shares of `source` at `mountpoint` (an empty folder)
    for the length of a with block."""
    if not fuse_stand_in.can_mount():
        raise NoFuse("mounting the FUSE stand-in for the shares needs root and /dev/fuse")
    return fuse_stand_in.mounted(__file__, [source, mountpoint, delay_ms, hang_host, hang_seconds],
                                 mountpoint, "the FUSE stand-in for the shares")


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

    class SlowShares(fuse_stand_in.mirror(fusepy, source, mountpoint)):
        def looked_up(self, path):
            if path.count("/") > 1:  # inside a machine's folder
                if hang_folder and path.lower().startswith(hang_folder):
                    wait(hang)
                wait(delay)

        def opened(self, path):
            wait(delay)

    fusepy.FUSE(SlowShares(), mountpoint, foreground=True, ro=True, fsname="slow_shares",
                entry_timeout=0, attr_timeout=0, negative_timeout=0)


if __name__ == "__main__":
    serve(*sys.argv[1:6])
