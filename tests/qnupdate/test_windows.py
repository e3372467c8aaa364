"""What only the Windows build shows: the full 32-bit exit status reaching a
Windows caller, the program's own splitting of its command line text,
CR LF console lines, a log record of the same form as the Linux build's, and
the error mode the program sets for itself and for its commands.

These run on the Wine runners only; natively each skips with the reason."""

import os
import re
import subprocess
import tempfile
from pathlib import Path

from harness import RECORD_PATTERN, BlackBoxCase
from runners import is_staging_name, remove_tree, wait_all

REPOSITORY = Path(__file__).resolve().parent.parent.parent
NATIVE_PROGRAM = REPOSITORY / "build" / "native" / "qnUpdate"
ACCESS_VIOLATION = -1073741819  # 0xC0000005 as a signed exit code
ACCESS_VIOLATION_UNSIGNED = 3221225477  # the same 32 bits as GetExitCodeProcess gives them
CLEAN_UP_PAUSE_SECONDS = 5


class WindowsCase(BlackBoxCase):
    def setUp(self):
        super().setUp()
        if not hasattr(self.runner, "start_command_line"):
            self.skipTest("the %s runner does not run the Windows build" % self.runner.name)


class WindowsExitStatusTest(WindowsCase):
    def test_reboot_code_reaches_the_caller_in_full(self):
        self.make_update(self.work, ["exit /b 3010"])
        result = self.run_program()
        self.assertEqual(result.status, 3010)
        self.assertEqual(result.stdout, b"exit doesn't exist in current directory\r\n")

    def test_access_violation_code_reaches_the_caller_and_is_recorded_signed(self):
        self.make_update(self.work, ["exit /b %d" % ACCESS_VIOLATION])
        result = self.run_program()
        self.assertEqual(result.status, ACCESS_VIOLATION_UNSIGNED)
        (record,) = self.log_records()
        self.assertEqual(record[19:],
                         b",Update=4.1,New=4.2,Status=Unknown,ReturnCode=-1073741819 \r\n")


class WindowsCommandLineTest(WindowsCase):
    """The exact command line text goes through qnLaunch, so the program
    splits it itself, by the classic console rules."""

    def start_with_tail(self, work, tail, cwd_file):
        """Starts the program in `work`, whose script writes its current
        directory to `cwd_file`, with the command line text `tail`."""
        self.make_update(work, ["cd > %s" % self.runner.program_path(cwd_file), "exit /b 4"])
        return self.runner.start_command_line(work, tail)

    def ran_in(self, cwd_file):
        return self.runner.host_path(cwd_file.read_text())

    def test_quoted_drive_root_is_one_missing_directory_so_the_working_directory_is_staged(self):
        # "D:\" ends in a literal double quote: one argument D:" (with
        # whatever follows up to the next space), which no directory matches.
        tails = ['"D:\\"', '"D:\\" next']
        out = self.runner.make_temp_dir("out")
        works = [self.runner.make_temp_dir("drive-root") for _ in tails]
        cwd_files = [out / ("cwd-%d.txt" % n) for n in range(len(tails))]
        pending = [self.start_with_tail(*a) for a in zip(works, tails, cwd_files)]
        staging_dirs = set()
        for tail, cwd_file, result in zip(tails, cwd_files, wait_all(pending)):
            with self.subTest(tail=tail):
                self.assertEqual(result.status, 4)
                self.assertEqual(result.stdout, b"cd doesn't exist in current directory\r\n"
                                 b"exit doesn't exist in current directory\r\n")
                self.assertGreaterEqual(result.seconds, CLEAN_UP_PAUSE_SECONDS - 0.5)
                staged = self.ran_in(cwd_file)
                self.assertTrue(is_staging_name(staged.name), staged)
                self.assertEqual(staged.parent.resolve(), self.root.resolve())
                staging_dirs.add(staged.name.upper())
        self.assertEqual(len(staging_dirs), len(tails))
        self.assertNoStagingLeft()
        self.assertNoLog()

    def test_two_doubled_quotes_end_the_quoted_stretch_so_two_arguments_run_in_place(self):
        # Classic rules: "a ""b c" is a "b and c, two arguments. Rules that
        # keep the stretch open after "" would give one argument, a staging.
        cwd_file = self.work / "cwd.txt"
        result = self.start_with_tail(self.work, '"a ""b c"', cwd_file).wait()
        self.assertEqual(result.status, 4)
        self.assertEqual(self.ran_in(cwd_file).resolve(), self.work.resolve())
        self.assertEqual(len(self.log_records()), 1)

    def test_quoted_path_with_spaces_is_one_argument_and_is_staged(self):
        source = self.runner.make_temp_dir("update with spaces")
        tail = '"%s"' % self.runner.program_path(source)
        self.assertIn(" ", tail)
        cwd_file = self.work / "cwd.txt"
        result = self.start_with_tail(source, tail, cwd_file).wait()
        self.assertEqual(result.status, 4)
        staged = self.ran_in(cwd_file)
        self.assertTrue(is_staging_name(staged.name), staged)
        self.assertEqual(staged.parent.resolve(), self.root.resolve())
        self.assertNoStagingLeft()
        self.assertNoLog()


class WindowsOutputFormTest(WindowsCase):
    def test_console_lines_end_in_cr_lf(self):
        self.make_update(self.work, ["nosuch.exe", "echo two", "exit /b 0"], version=None)
        result = self.run_program()
        self.assertEqual(result.stdout, b"nosuch.exe doesn't exist in current directory\r\n"
                         b"echo doesn't exist in current directory\r\n"
                         b"two\r\n"
                         b"exit doesn't exist in current directory\r\n"
                         b"qnLogger: Cannot Read Version.id file\r\n")
        self.assertEqual(result.status, 0)

    def test_record_has_the_same_bytes_as_the_linux_builds_record(self):
        if not NATIVE_PROGRAM.is_file():
            self.skipTest("no Linux build at %s" % NATIVE_PROGRAM)
        version = (b"7.0.12", b"7.1 beta")
        self.make_update(self.work, ["exit /b 194"], version=version)
        self.run_program()
        (windows_record,) = self.log_records()

        # The Linux build, with a system volume of its own.
        native_root = Path(tempfile.mkdtemp(prefix="qnbb-native-sys-"))
        self.addCleanup(remove_tree, native_root)
        native_work = self.runner.make_temp_dir("native-work")
        self.make_update(native_work, self.script(["exit 194"], header="[WINK3]"),
                         version=version)
        environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C",
                       "systemdrive": str(native_root)}
        subprocess.run([str(NATIVE_PROGRAM)], cwd=str(native_work), env=environment,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=60)
        native_record = (native_root / "QNLOG" / "QN.log").read_bytes()

        self.assertEqual(windows_record[19:],
                         b",Update=7.0.12,New=7.1 beta,Status=Unknown,ReturnCode=194 \r\n")
        self.assertEqual(native_record[19:], windows_record[19:])
        # The time stamps differ only in their digits.
        self.assertEqual(re.sub(rb"\d", b"0", windows_record[:19]),
                         re.sub(rb"\d", b"0", native_record[:19]))


class WindowsNoConsoleTest(WindowsCase):
    def test_run_without_console_or_standard_handles_goes_on_silently(self):
        # Started as a service may start it; a console line then goes nowhere.
        marker = self.work / "ran.txt"
        self.make_update(self.work, [self.runner.echo_to_file_command("ran", marker),
                                     "echo lost", "exit /b 3"])
        result = self.runner.start_command_line(self.work, "", {"QN_LAUNCH_NO_CONSOLE": "1"}).wait()
        self.assertEqual(result.status, 3)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(marker.read_bytes(), b"ran\r\n")
        (record,) = self.log_records()
        self.assertTrue(record.endswith(b",Status=Unknown,ReturnCode=3 \r\n"), record)


# One call or return of Wine's relay trace: thread, function, and the
# arguments or the value returned.
RELAY_LINE = re.compile(rb"([0-9a-f]{4}):(Call|Ret ) KERNEL32\.(\w+)\((.*?)\)(?: retval=([0-9a-f]+))? ret=")
SILENT_ERROR_MODE = "00008001"  # SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX


class WindowsErrorModeTest(WindowsCase):
    """Wine never shows a critical-error box, and a process it starts reads
    error mode 0 whatever its parent's: what a command inherits cannot be seen
    here. Wine's relay trace shows what the program itself asks for."""

    def test_drive_errors_fail_silently_from_the_start_and_the_command_starts_with_the_callers_mode(self):
        self.make_update(self.work, ["exit /b 3"])
        calls = ("SetErrorMode", "CreateProcessA", "CreateFileA", "GetTempFileNameA",
                 "GetFileAttributesA", "FindFirstFileA", "CreateDirectoryA")
        with self.runner.relay_trace(calls) as environment:
            result = self.runner.start(self.work, (), environment).wait()
        self.assertEqual(result.status, 3)
        trace = [m.groups() for m in RELAY_LINE.finditer(result.stderr)]
        # The program is the thread that starts the command's interpreter.
        threads = {t for t, kind, name, text, _ in trace
                   if kind == b"Call" and name == b"CreateProcessA" and b"cmd /d /c" in text}
        self.assertEqual(len(threads), 1, trace)
        own = [(kind.strip().decode(), name.decode(), (text or value or b"").decode())
               for thread, kind, name, text, value in trace if thread in threads]
        # Its first call of them all sets the silent mode; the mode it found is its caller's.
        self.assertEqual(own[0], ("Call", "SetErrorMode", SILENT_ERROR_MODE), own)
        self.assertEqual(own[1][:2], ("Ret", "SetErrorMode"), own)
        callers = own[1][2]
        start = next(i for i, c in enumerate(own) if c[1] == "CreateProcessA")
        self.assertEqual(own[start - 2], ("Call", "SetErrorMode", callers), own)
        self.assertEqual(own[start + 2], ("Call", "SetErrorMode", SILENT_ERROR_MODE), own)
