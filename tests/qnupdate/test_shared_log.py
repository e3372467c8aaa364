"""The log on a machine that other accounts use: a lock that another account
holds on QN.log neither delays nor stops a record, a copy that collects the
log while a run ends delays the record and loses nothing, a QNLOG swapped for
a link while runs write never leads a record elsewhere, and a new log is for
its owners only.

Under Wine every process runs as one account and ACLs are not enforced: the
other account is a process that opened QN.log for reading, and the owners-only
DACL is read back from Wine's view of each file."""

import ctypes
import os
import signal
import stat
import subprocess
import sys
import time

from harness import BlackBoxCase
from runners import wait_all
from test_security import EVERYONE, USERS

# "At once": well below the 30 s for which a record may wait for the lock.
AT_ONCE_SECONDS = 15
# A record waits at most 30 s for the lock or for a write; allow for the start.
WAIT_LIMIT_SECONDS = 45
EARLIER_RECORD = b"01-02-2007 08:30:00,Update=4.0,New=4.1,Status=Success,ReturnCode=0 \r\n"

AT_FDCWD = -100
RENAME_EXCHANGE = 2
# Swaps two names as fast as it can, until it is ended; says "swapping" once
# it has begun.
EXCHANGER = """
import ctypes, os, sys
rename = ctypes.CDLL(None, use_errno=True).renameat2
first, second = (os.fsencode(name) for name in sys.argv[1:])
swaps = 0
while rename(%d, first, %d, second, %d) == 0:
    swaps += 1
    if swaps == 2:
        print("swapping", flush=True)
sys.exit("renameat2: %%s" %% os.strerror(ctypes.get_errno()))
""" % (AT_FDCWD, AT_FDCWD, RENAME_EXCHANGE)


def exchange(first, second):
    rename = ctypes.CDLL(None, use_errno=True).renameat2
    if rename(AT_FDCWD, os.fsencode(first), AT_FDCWD, os.fsencode(second), RENAME_EXCHANGE) != 0:
        raise OSError(ctypes.get_errno(), "renameat2")


class SharedLogCase(BlackBoxCase):
    def make_existing_log(self):
        """A QNLOG and a QN.log that everyone may read, as earlier versions
        made them, holding one record."""
        logs = self.root / "QNLOG"
        logs.mkdir(mode=0o755)
        self.log_file.write_bytes(EARLIER_RECORD)
        os.chmod(self.log_file, 0o644)


class LockElsewhereTest(SharedLogCase):
    def test_a_lock_that_another_account_holds_on_the_log_neither_delays_nor_stops_the_record(self):
        r = self.runner
        self.make_update(self.work, [r.exit_command(0)])
        self.make_existing_log()
        with r.lock_held_elsewhere(self.log_file):
            result = self.start_program().wait(timeout=AT_ONCE_SECONDS)
        self.assertRun(result, self.lines(self.missing(r.exit_command(0))), 0)
        records = self.log_records()
        self.assertEqual(len(records), 2)
        self.assertEqual(records[0], EARLIER_RECORD)

    def test_every_byte_of_the_log_locked_ends_the_run_within_the_limit(self):
        r = self.runner
        if not hasattr(r, "run_helper"):
            self.skipTest("byte-range locks are the Windows build's")
        self.make_update(self.work, [r.exit_command(0)])
        self.make_existing_log()
        with r.lock_held_elsewhere(self.log_file, every_byte=True):
            result = self.start_program().wait(timeout=WAIT_LIMIT_SECONDS)
        missing = self.missing(r.exit_command(0))
        if result.status == 0:
            self.assertEqual(result.stdout, self.lines(missing))
            self.assertEqual(len(self.log_records()), 2)
        else:
            self.assertRun(result, self.lines(missing, "Log File Creation Failed!"), 1)
            self.assertEqual(self.log_file.read_bytes(), EARLIER_RECORD)


class CopyOfTheLogTest(SharedLogCase):
    # How long the copy holds the log once the run's last command has ended.
    COPY_SECONDS = 4

    def test_a_copy_holding_the_log_while_the_run_ends_delays_the_record_and_loses_nothing(self):
        r = self.runner
        if not hasattr(r, "open_elsewhere"):
            self.skipTest("share modes are Windows'")
        ended = self.work / "ended.txt"
        command = "%s & %s" % (r.echo_to_file_command("ended", ended), r.exit_command(3))
        self.make_update(self.work, [command])
        self.make_existing_log()
        with r.open_elsewhere(self.log_file, "read"):
            pending = self.start_program()
            deadline = time.monotonic() + WAIT_LIMIT_SECONDS
            while not ended.exists() and not pending.ended() and time.monotonic() < deadline:
                time.sleep(0.1)
            self.assertTrue(ended.exists(), "the command did not run")
            time.sleep(self.COPY_SECONDS)
            self.assertFalse(pending.ended(), "the run did not wait for the copy")
        result = pending.wait(timeout=WAIT_LIMIT_SECONDS)
        self.assertRun(result, self.lines(self.missing(command)), 3)
        records = self.log_records()
        self.assertEqual(len(records), 2)
        self.assertEqual(records[0], EARLIER_RECORD)


class SwappedLogDirectoryTest(SharedLogCase):
    def test_log_directory_swapped_with_a_link_never_leads_a_record_elsewhere(self):
        r = self.runner
        elsewhere = r.make_temp_dir("elsewhere")
        logs = self.root / "QNLOG"
        logs.mkdir()
        link = self.root / "qn-swapped"
        os.symlink(elsewhere, link)
        self.addCleanup(lambda: os.path.lexists(link) and os.unlink(link))
        runs = [self.make_update(self.work / ("u%02d" % n), [r.exit_command(0)]) for n in range(30)]
        swapper = subprocess.Popen([sys.executable, "-c", EXCHANGER, str(logs), str(link)],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            self.assertEqual(swapper.stdout.readline(), b"swapping\n")
            results = wait_all([self.start_program(cwd=work) for work in runs])
        finally:
            swapper.kill()
            swapper.wait()
        self.assertEqual(swapper.returncode, -signal.SIGKILL, swapper.stderr.read())
        if logs.is_symlink():
            exchange(logs, link)
        self.assertEqual(sorted(os.listdir(elsewhere)), [])
        missing = self.missing(r.exit_command(0))
        written = 0
        for number, result in enumerate(results):
            with self.subTest(run=number):
                if result.status == 0:
                    self.assertEqual(result.stdout, self.lines(missing))
                    written += 1
                else:
                    self.assertRun(result, self.lines(missing, "Log File Creation Failed!"), 1)
        self.assertEqual(len(self.log_records()), written)
        # Once the swapping stops, a run writes its record as ever.
        self.assertEqual(self.run_program(cwd=runs[0]).status, 0)
        self.assertEqual(len(self.log_records()), written + 1)


class OwnersOnlyLogTest(SharedLogCase):
    def test_a_new_log_directory_and_its_files_are_for_their_owners_only(self):
        r = self.runner
        self.make_update(self.work, [r.exit_command(0)])
        self.assertEqual(self.run_program().status, 0)
        logs = self.root / "QNLOG"
        paths = [logs, logs / "QN.log", logs / "QN.lck"]
        if not hasattr(r, "run_helper"):
            self.assertEqual([oct(stat.S_IMODE(p.stat().st_mode)) for p in paths],
                             [oct(0o700), oct(0o600), oct(0o600)])
            return
        for path in paths:
            with self.subTest(path.name):
                dacl = r.run_helper("qnSecurity.exe", "dacl", r.program_path(path))
                sids = {line.split()[1] for line in dacl.splitlines() if line.startswith("allow ")}
                self.assertTrue(sids, dacl)
                self.assertFalse(sids & {EVERYONE, USERS}, dacl)
