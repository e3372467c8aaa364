"""Whatever the caller hands over, a run behaves as from a plain console: a
pipe whose reader has gone, SIGCHLD ignored, a closed standard output, FIFOs
where files are expected, a working directory too long for the run's buffer
or removed. These are states of a Linux process: the cases run
on the native runner and skip under Wine (test_windows.py has the Windows
build's run without a console)."""

import os
import signal
import subprocess
from pathlib import Path

from harness import BlackBoxCase

# Long enough for a run of a few commands; the old program never ended.
NO_HANG_SECONDS = 20

SIGPIPE_DEFAULT_STATUS = 128 + signal.SIGPIPE  # a shell ended by SIGPIPE

NO_WORKING_DIRECTORY = "Unable to determine current directory.  Aborting update!"


def ignored_signals(status_text):
    """The signals that a /proc/PID/status text shows as ignored."""
    for line in status_text.splitlines():
        if line.startswith("SigIgn:"):
            mask = int(line.split()[1], 16)
            return {number for number in range(1, 65) if mask & (1 << (number - 1))}
    raise AssertionError("no SigIgn line in %r" % status_text)


class NativeCase(BlackBoxCase):
    def setUp(self):
        super().setUp()
        if self.runner.name != "native":
            self.skipTest("a Linux process state; the %s runner runs the Windows build"
                          % self.runner.name)

    def start_native(self, args=(), **settings):
        """Starts the program in the working directory, with other standard
        output or signal settings (NativeRunner.start) when given."""
        return self.runner.start(self.work, args, None, self.root, **settings)

    def assertRecord(self, status):
        (record,) = self.log_records()
        self.assertTrue(record.endswith(b",ReturnCode=%d \r\n" % status), record)


class CallerStateTest(NativeCase):
    def test_output_into_a_pipe_whose_reader_has_gone_runs_every_command(self):
        # Every command line prints its missing-program line first. The last
        # command writes into the pipe too, and like any command from a shell
        # it is ended by SIGPIPE.
        self.make_update(self.work, ["echo ran > ran.txt", "echo lost"])
        reader, writer = os.pipe()
        os.close(reader)
        try:
            pending = self.start_native(stdout=writer)
        finally:
            os.close(writer)
        result = pending.wait(NO_HANG_SECONDS)
        self.assertEqual(result.status, SIGPIPE_DEFAULT_STATUS)
        self.assertEqual((self.work / "ran.txt").read_bytes(), b"ran\n")
        self.assertRecord(SIGPIPE_DEFAULT_STATUS)

    def test_signals_that_the_caller_ignores_do_not_change_the_values(self):
        def ignore_child_and_pipe_signals():
            signal.signal(signal.SIGCHLD, signal.SIG_IGN)
            signal.signal(signal.SIGPIPE, signal.SIG_IGN)

        self.make_update(self.work, ["grep SigIgn /proc/$$/status > status.txt", "exit 3"])
        result = self.start_native(preexec_fn=ignore_child_and_pipe_signals).wait(NO_HANG_SECONDS)
        self.assertEqual(result.status, 3)
        self.assertRecord(3)
        # The commands start with SIGCHLD and SIGPIPE at their defaults, as from a shell.
        ignored = ignored_signals((self.work / "status.txt").read_text())
        self.assertFalse(ignored & {signal.SIGCHLD, signal.SIGPIPE}, ignored)

    def test_closed_standard_output_lands_in_no_file(self):
        self.make_update(self.work, ["nosuch", "echo done"])
        pending = self.start_native(stdout=subprocess.DEVNULL, preexec_fn=lambda: os.close(1))
        result = pending.wait(NO_HANG_SECONDS)
        # echo writes to the /dev/null it was given: no write error.
        self.assertEqual(result.status, 0)
        self.assertRecord(0)
        for directory in (self.work, self.root):
            for folder, _, files in os.walk(directory):
                for name in files:
                    content = open(os.path.join(folder, name), "rb").read()
                    self.assertNotIn(b"doesn't exist", content, name)


class FifoTest(NativeCase):
    def test_fifo_in_the_update_fails_the_copy_at_once(self):
        source = self.runner.make_temp_dir("update")
        self.make_update(source, ["echo ran > %s" % (self.work / "ran.txt"), "exit 0"])
        (source / "sub").mkdir()
        os.mkfifo(source / "sub" / "pipe")
        result = self.start_native(args=[str(source)]).wait(NO_HANG_SECONDS)
        self.assertRun(result, self.lines(
            "Unable to copy files from QN CD to hard drive.",
            "Unable to copy sub-directory update files to the hard drive.",
            "Unable to copy update files to the hard drive.",
            "Copying update files to the hard drive failed."), 1)
        self.assertFalse((self.work / "ran.txt").exists())
        self.assertNoStagingLeft()  # a failed copy is taken back
        self.assertNoLog()

    def test_fifo_named_as_a_program_counts_as_missing_at_once(self):
        os.mkfifo(self.work / "exit")
        self.make_update(self.work, ["exit 3"])
        result = self.start_native().wait(NO_HANG_SECONDS)
        self.assertRun(result, self.lines(self.missing("exit 3")), 3)
        self.assertRecord(3)


class WorkingDirectoryTest(NativeCase):
    """The run reads its working directory into 261 bytes: 260 characters and
    the terminator."""

    def directory_of_length(self, length):
        """A new directory whose absolute path has exactly `length` characters."""
        path = os.path.realpath(self.runner.make_temp_dir("long"))
        while len(path) < length:
            room = length - len(path) - 1  # after the separator
            name = min(room, 200)
            if room - name == 1:  # a last name needs its own separator
                name -= 1
            path += "/" + "d" * name
        os.makedirs(path)
        self.assertEqual(len(path), length)
        return Path(path)

    def test_working_directory_of_260_characters_runs_and_one_of_261_is_refused(self):
        exit_3 = self.runner.exit_command(3)
        for length, stdout, status in ((260, self.lines(self.missing(exit_3)), 3),
                                       (261, self.lines(NO_WORKING_DIRECTORY), 1)):
            with self.subTest(length=length):
                self.log_file.unlink(missing_ok=True)
                cwd = self.directory_of_length(length)
                self.make_update(cwd, [exit_3])
                result = self.runner.start(cwd, (), None, self.root).wait(NO_HANG_SECONDS)
                self.assertRun(result, stdout, status)
                self.assertRecord(status)

    def test_working_directory_that_was_removed_is_refused(self):
        # Removed after the program's start has entered it: getcwd fails.
        gone = self.runner.make_temp_dir("gone")
        result = self.runner.start(gone, (), None, self.root,
                                   preexec_fn=lambda: os.rmdir(gone)).wait(NO_HANG_SECONDS)
        # The record's version file was in the directory that is gone.
        self.assertRun(result, self.lines(NO_WORKING_DIRECTORY,
                                          "qnLogger: Cannot Read Version.id file"), 1)
        self.assertNoLog()
