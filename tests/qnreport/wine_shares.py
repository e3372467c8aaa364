"""qnReport's Windows build reads machines' logs through their administrative
shares under Wine, with --from "\\\\{host}\\C$\\QNLOG\\QN.log", and gives the
same rows as the native build reading the same logs from a folder.

    python3 tests/qnreport/wine_shares.py NATIVE-PROGRAM WINDOWS-PROGRAM [WRAPPER...]

WRAPPER is the command that starts the Windows program (wine), with
WINEPREFIX set and Wine's background services already started. Wine reaches
\\\\HOST\\SHARE\\... at $WINEPREFIX/dosdevices/unc/HOST/SHARE/...: that is
made a link (removed at the end) to the FUSE stand-in for slow shares
(slow_shares.py), in which one machine's look-ups hang for two minutes; with
--timeout 3 that machine must be unreadable ("timed out") and the program
must end in under 10 s; a walk of the same shares as a PATH through drive Y:
with one reader must end in under 15 s, with that machine unreadable ("timed out") as its folder is
listed, its folder named on standard error and exit status 2.
Where FUSE cannot be used (it needs root and
/dev/fuse), the link leads to the folder itself and no machine hangs.

Prints one line per failed check and ends with "N passed, N failed".
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from slow_shares import NoFuse, mounted  # noqa: E402
from tally import Tally  # noqa: E402

HANG_HOST = "ZZHANGPC"  # last in the walk's order
RECORD = "01-%02d-2007 09:00:00,Update=4.1,New=4.2,Status=%s,ReturnCode=%d \r\n"
MACHINES = {  # each machine's codes, in the order of its records
    "PC01": [0],
    "PC02": [1618, 3010],
    "PC03": [1603],
    "SALES01": [0, -1073741819],
    HANG_HOST: [0],
}
LISTED = ["PC01", "PC02", "PC03", "SALES01", "OFFLINE07"]  # OFFLINE07 has no share
LONGEST = 10.0
LONGEST_WALK = 15.0  # one reader, every look-up 40 ms late


def main():
    native, windows = (os.path.abspath(program) for program in sys.argv[1:3])
    wrapper = sys.argv[3:]
    tally = Tally()
    check = tally.check

    unc = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "unc")
    if os.path.lexists(unc):
        print("wine_shares.py: %s exists already; not touched\n0 passed, 1 failed" % unc)
        return 1
    work = tempfile.mkdtemp(prefix="qnwineshares.")
    try:
        source = os.path.join(work, "source")
        for host, codes in MACHINES.items():
            folder = os.path.join(source, host, "C$", "QNLOG")
            os.makedirs(folder)
            with open(os.path.join(folder, "QN.log"), "w", newline="") as log:
                for day, code in enumerate(codes, start=2):
                    log.write(RECORD % (day, "Success" if code == 0 else "Unknown", code))
        with open(os.path.join(work, "hosts.txt"), "w", newline="") as listing:
            listing.write("\r\n".join(LISTED) + "\r\n")
        with open(os.path.join(work, "hosts-hang.txt"), "w", newline="") as listing:
            listing.write("\r\n".join(LISTED + [HANG_HOST]) + "\r\n")
        environment = dict(os.environ, SOURCE_DATE_EPOCH="1170000000")

        def run(command, hosts, *more):
            started = time.monotonic()
            done = subprocess.run(command + ["--csv", "--hosts", hosts] + list(more), cwd=work,
                                  env=environment, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=150)
            return done.returncode, time.monotonic() - started, done.stdout, done.stderr

        status, _, native_rows, _ = run(
            [native], "hosts.txt", "--from", os.path.join(source, "{host}", "C$", "QNLOG", "QN.log"))
        check("native status", status == 1, "exit status %d" % status)

        def read_through_unc(target, hang):
            os.symlink(target, unc)
            try:
                status, seconds, rows, errors = run(
                    wrapper + [windows], "hosts-hang.txt" if hang else "hosts.txt",
                    "--timeout", "3", "--from", "\\\\{host}\\C$\\QNLOG\\QN.log")
            finally:
                os.unlink(unc)
            check("Windows status", status == 1, "exit status %d" % status)
            check("stderr", errors == b"", errors.decode(errors="replace"))
            return seconds, rows

        def walk_through_drive(target):
            """The shares walked as a PATH through drive Y: (a link, removed at
            the end, to the stand-in): the machine that hangs is unreadable as
            its folder is listed."""
            drive = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "y:")
            if os.path.lexists(drive):
                check("drive Y: free", False, "%s exists already; not touched" % drive)
                return
            os.symlink(target, drive)
            try:
                status, seconds, rows, errors = run(wrapper + [windows], "hosts-hang.txt", "--timeout", "3",
                                                    "--jobs", "1", "Y:\\")
            finally:
                os.unlink(drive)
            check("walk: status", status == 2, "exit status %d" % status)
            check("walk: time", seconds < LONGEST_WALK, "%.1f s, not under %.0f s" % (seconds, LONGEST_WALK))
            check("walk: stderr", b"qnReport: cannot read Y:\\%s: timed out\r\n" % HANG_HOST.encode() in errors,
                  errors.decode(errors="replace"))
            # One reader: the folders are listed in the order of the walk, the
            # one that hangs last. (Seen with Wine 8: once a listing that hangs
            # is given up, the process's other listings time out behind it,
            # as if it held a lock of the whole process; Windows has none.)
            want = native_rows.replace(b"\r\nOFFLINE07,,4.2,unreadable,,not found,,0,\r\n",
                                       b"\r\nOFFLINE07,,4.2,no record,,no log found,,0,\r\n")
            want += b"ZZHANGPC,,4.2,unreadable,,timed out,,0,\r\n"
            check("walk: rows", rows == want, "want:\n%s\nWindows:\n%s" % (want.decode(), rows.decode()))
            print("Windows build under Wine walking the shares through Y:, one machine hanging: %.1f s" % seconds)

        mount = os.path.join(work, "shares")
        os.makedirs(mount)
        try:
            with mounted(source, mount, 40, HANG_HOST, 120):
                walk_through_drive(mount)
                seconds, rows = read_through_unc(mount, True)
            hanging = [row for row in rows.split(b"\r\n") if row.startswith(HANG_HOST.encode() + b",")]
            rows = b"".join(row + b"\r\n" for row in rows.split(b"\r\n")
                            if row and not row.startswith(HANG_HOST.encode() + b","))
            check("the machine that hangs", hanging == [b"ZZHANGPC,,4.2,unreadable,,timed out,,0,"],
                  repr(hanging))
            check("time", seconds < LONGEST, "%.1f s, not under %.0f s" % (seconds, LONGEST))
            print("Windows build under Wine over the slow shares, one machine hanging: %.1f s" % seconds)
        except NoFuse as reason:
            print("no machine hangs: %s" % reason)
            _, rows = read_through_unc(source, False)
        check("rows", rows == native_rows,
              "native:\n%s\nWindows:\n%s" % (native_rows.decode(), rows.decode()))
        check("a listed machine without a share",
              b"\r\nOFFLINE07,,4.2,unreadable,,not found,,0,\r\n" in rows, rows.decode())
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return tally.finish()


if __name__ == "__main__":
    sys.exit(main())
