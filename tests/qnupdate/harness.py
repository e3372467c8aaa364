"""Shared fixture for the black-box cases: a system volume and a working
directory per test, update directories, expected console bytes, the log."""

import datetime
import re
import time
import unittest
from pathlib import Path

from runners import is_staging_name

_runner = None

DEFAULT_VERSION = (b"4.1", b"4.2")

MISSING_SUFFIX = " doesn't exist in current directory"

# One result record: date, time, the two version values, status, return code,
# a space and CR LF.
RECORD_PATTERN = re.compile(
    rb"(\d\d)-(\d\d)-(\d{4}) (\d\d):(\d\d):(\d\d),Update=([^,\r\n]*),New=([^,\r\n]*),"
    rb"Status=(Success|Unknown),ReturnCode=(-?\d+) \r\n")


def set_runner(runner):
    global _runner
    _runner = runner


def runner():
    return _runner


class BlackBoxCase(unittest.TestCase):
    """Each test gets a fresh system volume root and working directory."""

    def setUp(self):
        self.runner = runner()
        self.root = self.runner.new_system_root()
        self.addCleanup(self.runner.release_system_root, self.root)
        self.work = self.runner.make_temp_dir("work")

    # --- building updates -------------------------------------------------

    def script(self, commands, header=None, before=()):
        """Script bytes: `before` lines, then the section `header` (this
        platform's by default) holding `commands`; CR LF line ends."""
        return script_bytes(header or self.runner.section_header, commands, before)

    def make_update(self, directory, script, version=DEFAULT_VERSION):
        """Writes qnInst.cfg (bytes, or a list of this platform's section
        commands) and, unless `version` is None, version.id."""
        if not isinstance(script, bytes):
            script = self.script(script)
        return write_update(directory, script, version)

    # --- running ----------------------------------------------------------

    def run_program(self, cwd=None, args=(), env=None):
        return self.runner.run(cwd or self.work, args, env, self.root)

    def start_program(self, cwd=None, args=(), env=None):
        return self.runner.start(cwd or self.work, args, env, self.root)

    # --- expected console bytes ---------------------------------------------

    def lines(self, *texts):
        """Console lines as the platform ends them."""
        return b"".join(as_bytes(t) + self.runner.line_end for t in texts)

    def missing(self, command):
        """The message for a command line whose program file is absent."""
        return as_bytes(command).split(b" ")[0] + MISSING_SUFFIX.encode()

    def assertRun(self, result, stdout, status):
        self.assertEqual(result.stdout, stdout)
        self.assertEqual(result.status, self.runner.exit_status(status))

    # --- the log and the system root ----------------------------------------

    @property
    def log_file(self):
        return self.root / "QNLOG" / "QN.log"

    def log_records(self):
        """The log's lines, each with its CR LF; every one a whole record."""
        data = self.log_file.read_bytes()
        records = data.splitlines(keepends=True)
        for record in records:
            self.assertIsNotNone(RECORD_PATTERN.fullmatch(record), record)
        return records

    def assertNoLog(self):
        self.assertFalse(self.log_file.exists(), "a log record was written")

    def staging_dirs(self):
        return sorted(e.name for e in self.root.iterdir() if is_staging_name(e.name))

    def wait_for_staging_file(self, name, pending, timeout=120):
        """The staging directory of the started run `pending`, once a
        command has written a file `name` in it."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for entry in self.root.iterdir():
                if is_staging_name(entry.name) and (entry / name).exists():
                    return entry
            if pending.ended():
                self.fail("the run ended before %s was written: %r" % (name, pending.wait()))
            time.sleep(0.05)
        self.fail("no staging directory with %s within %d s" % (name, timeout))

    def assertNoStagingLeft(self):
        self.assertEqual(self.staging_dirs(), [])

    def assertRecordTime(self, record, earliest, latest):
        """The record's date and time lie between two clock readings."""
        match = RECORD_PATTERN.fullmatch(record)
        month, day, year, hour, minute, second = (int(g) for g in match.groups()[:6])
        stamp = datetime.datetime(year, month, day, hour, minute, second)
        slack = datetime.timedelta(seconds=3)
        self.assertTrue(earliest.replace(microsecond=0) - slack <= stamp <= latest + slack,
                        "record time %s not between %s and %s" % (stamp, earliest, latest))


def script_bytes(header, commands, before=()):
    lines = list(before) + [header] + list(commands)
    return b"".join(as_bytes(line) + b"\r\n" for line in lines)


def write_update(directory, script, version=DEFAULT_VERSION):
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    (directory / "qnInst.cfg").write_bytes(script)
    if version is not None:
        (directory / "version.id").write_bytes(b"".join(v + b"\r\n" for v in version))
    return directory


def as_bytes(text):
    return text if isinstance(text, bytes) else text.encode()
