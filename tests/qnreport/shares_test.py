"""qnReport reads a fleet where it lies, over a slow network: the FUSE
stand-in for administrative shares (slow_shares.py: every look-up and open
40 ms late, one machine whose look-ups hang for two minutes).

    python3 tests/qnreport/shares_test.py [PROGRAM]   (default build/native/qnReport)

On 240 machines, the one that hangs and a name that does not exist,
`--from MOUNT/{host}/QNLOG/QN.log --timeout 5` must end in under 20 s (one
log at a time it takes over a minute; the machine that hangs is tried twice,
as it started while others were read), with every reachable machine's state
right, the other two unreadable ("timed out", "not found") and exit status 1;
the same shares walked as a PATH must end as soon, the machine that hangs
unreadable ("timed out"), its folder named on standard error and exit
status 2.
Standard error is a terminal there, and must show the progress line and
erase it. Without the machine that hangs, the report read 32 at a time over
the shares must be the same bytes as one read one at a time.

Needs root and /dev/fuse; elsewhere it says so and passes. Prints one line
per failed check and ends with "N passed, N failed".
"""

import os
import pty
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from slow_shares import NoFuse, mounted  # noqa: E402
from tally import Tally  # noqa: E402

MACHINES = 240
DELAY_MS = 40
HANG_HOST = "HANGPC"
MISSING_HOST = "NOSUCHPC"
TIMEOUT = 5
LONGEST = 20.0

# What each machine's last attempt at 4.2 was, by its number modulo 4: the
# code and the state the report gives it.
OUTCOMES = [(0, "installed"), (3010, "restart"), (1603, "failed"), (0, "installed")]
RECORD = "01-0%d-2007 09:%02d:00,Update=4.1,New=4.2,Status=%s,ReturnCode=%d \r\n"


def make_fleet(source):
    for number in range(1, MACHINES + 1):
        code, _ = OUTCOMES[number % 4]
        folder = os.path.join(source, "PC%03d" % number, "QNLOG")
        os.makedirs(folder)
        with open(os.path.join(folder, "QN.log"), "w", newline="") as log:
            # A failure first, then the attempt that counts.
            log.write(RECORD % (2, number % 60, "Unknown", 1618))
            log.write(RECORD % (3, number % 60, "Success" if code == 0 else "Unknown", code))
    os.makedirs(os.path.join(source, HANG_HOST, "QNLOG"))
    with open(os.path.join(source, HANG_HOST, "QNLOG", "QN.log"), "w", newline="") as log:
        log.write(RECORD % (3, 0, "Success", 0))


def expected_rows(with_hang):
    rows = {}
    for number in range(1, MACHINES + 1):
        code, state = OUTCOMES[number % 4]
        rows["PC%03d" % number] = (state, str(code))
    if with_hang:
        rows[HANG_HOST] = ("unreadable", "timed out")
    rows[MISSING_HOST] = ("unreadable", "not found")
    return rows


def run(program, arguments, terminal=False):
    """Runs the program; returns (status, seconds, stdout, what the terminal
    on standard error showed). With terminal=False, standard error must be
    empty."""
    master = slave = None
    if terminal:
        master, slave = pty.openpty()
    started = time.monotonic()
    child = subprocess.Popen([program] + arguments, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=slave if terminal else subprocess.PIPE)
    shown = []
    reader = None
    if terminal:
        os.close(slave)

        def drain():
            while True:
                try:
                    chunk = os.read(master, 4096)
                except OSError:  # EIO once the program has ended
                    return
                if not chunk:
                    return
                shown.append(chunk)
        reader = threading.Thread(target=drain)
        reader.start()
    try:
        out, err = child.communicate(timeout=150)
    except subprocess.TimeoutExpired:
        child.kill()
        out, err = child.communicate()
    seconds = time.monotonic() - started
    if reader is not None:
        reader.join()
        os.close(master)
    return child.returncode, seconds, out, b"".join(shown) if terminal else err


def csv_rows(out):
    rows = {}
    for line in out.decode().split("\r\n")[1:]:
        if line:
            cells = line.split(",")
            rows[cells[0]] = (cells[3], cells[5] if cells[3] == "unreadable" else cells[4])
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1
                              else os.path.join(here, "..", "..", "build", "native", "qnReport"))
    tally = Tally()
    check = tally.check

    work = tempfile.mkdtemp(prefix="qnshares.")
    try:
        source = os.path.join(work, "source")
        mount = os.path.join(work, "shares")
        os.makedirs(mount)
        make_fleet(source)
        names = ["PC%03d" % number for number in range(1, MACHINES + 1)]
        hosts = os.path.join(work, "hosts.txt")
        with open(hosts, "w") as listing:
            listing.write("\n".join(names + [HANG_HOST, MISSING_HOST]) + "\n")
        reachable = os.path.join(work, "reachable.txt")
        with open(reachable, "w") as listing:
            listing.write("\n".join(names + [MISSING_HOST]) + "\n")

        def from_template(root):
            return ["--from", os.path.join(root, "{host}", "QNLOG", "QN.log")]

        try:
            with mounted(source, mount, DELAY_MS, HANG_HOST, 120):
                status, seconds, out, shown = run(
                    program, ["--csv", "--hosts", hosts, "--timeout", str(TIMEOUT)]
                    + from_template(mount), terminal=True)
                check("status", status == 1, "exit status %d" % status)
                check("time", seconds < LONGEST, "%.1f s, not under %.0f s" % (seconds, LONGEST))
                rows = csv_rows(out)
                wrong = {host: (rows.get(host), want) for host, want in expected_rows(True).items()
                         if rows.get(host) != want}
                check("states", not wrong and len(rows) == MACHINES + 2,
                      "%d rows; wrong: %s" % (len(rows), sorted(wrong.items())[:5]))
                text = shown.decode(errors="replace")
                check("progress shown", "machines read, " in text and " left" in text,
                      repr(text[:200]))
                check("progress erased", text.endswith("\r") and "\n" not in text, repr(text[-200:]))
                print("%d machines over the shares, one hanging: %.1f s" % (MACHINES + 2, seconds))

                # The same shares walked as a PATH: the machine that hangs is
                # given up on as its folder is listed.
                status, seconds, out, err = run(
                    program, ["--csv", "--hosts", hosts, "--timeout", str(TIMEOUT), mount])
                check("walk: status", status == 2, "exit status %d" % status)
                check("walk: time", seconds < LONGEST, "%.1f s, not under %.0f s" % (seconds, LONGEST))
                want = dict(expected_rows(True), **{MISSING_HOST: ("no record", "")})
                rows = csv_rows(out)
                check("walk: states", rows == want, "wrong: %s" % sorted(
                    (host, rows.get(host), state) for host, state in want.items() if rows.get(host) != state)[:5])
                check("walk: stderr", err == ("qnReport: cannot read %s: timed out\n"
                                              % os.path.join(mount, HANG_HOST)).encode(), repr(err))
                print("%d machines' shares walked as a PATH, one hanging: %.1f s" % (MACHINES + 1, seconds))

                status, seconds, many, err = run(
                    program, ["--csv", "--hosts", reachable, "--jobs", "32"] + from_template(mount))
                print("%d reachable machines over the shares, 32 at a time: %.1f s"
                      % (MACHINES + 1, seconds))
            status_one, _, one, err_one = run(
                program, ["--csv", "--hosts", reachable, "--jobs", "1"] + from_template(source))
            check("same bytes for --jobs 32 and --jobs 1", many == one and status == status_one == 1
                  and err == err_one == b"", "statuses %d, %d" % (status, status_one))
            check("the reachable machines", csv_rows(many) == expected_rows(False))
        except NoFuse as reason:
            print("skipped: %s" % reason)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return tally.finish()


if __name__ == "__main__":
    sys.exit(main())
