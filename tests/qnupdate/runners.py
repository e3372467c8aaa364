"""How the black-box tests start the program on one platform.

A runner starts the built program in a directory with arguments and
environment, hands back its stdout bytes and exit status, and knows the
platform's details that the test cases must not: the system volume's root, the
console line end, which script section runs, and how to write a command line
that exits with a code, prints text or records the current directory.

NativeRunner starts the Linux build directly. WineRunner starts the Windows
build under Wine through the qnLaunch helper (tests/win32_helpers/qn_launch.cpp),
which reports the full 32-bit exit code; it takes its settings from the
environment (see WineRunner).
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

RUN_TIMEOUT_SECONDS = 60
# How long a killed run's outputs are waited for.
KILLED_RUN_SECONDS = 10
# How PendingRun.wait fails a run that it had to kill.
STUCK_RUN = "the program did not end within"

# What the address and undefined-behaviour sanitizers print when they trip.
SANITIZER_MARKERS = (b"ERROR: AddressSanitizer", b"ERROR: LeakSanitizer", b"runtime error:")


class RunResult:
    """What one finished run gave: stdout bytes, exit status, stderr bytes."""

    def __init__(self, stdout, status, stderr, seconds):
        self.stdout = stdout
        self.status = status
        self.stderr = stderr
        self.seconds = seconds

    def __repr__(self):
        return "RunResult(status=%r, stdout=%r)" % (self.status, self.stdout)


class PendingRun:
    """A started run; wait() ends it and gives its RunResult. Its standard
    output and error are pipes, read to their end, or the files given as
    `output_files`, read once the process has ended."""

    def __init__(self, process, started, finish, timeout=RUN_TIMEOUT_SECONDS, output_files=None):
        self._process = process
        self._started = started
        self._finish = finish
        self.timeout = timeout
        self._output_files = output_files

    def ended(self):
        return self._process.poll() is not None

    def _outputs(self, timeout):
        if self._output_files is None:
            return self._process.communicate(timeout=timeout)
        self._process.wait(timeout=timeout)
        outputs = []
        for file in self._output_files:
            file.seek(0)
            outputs.append(file.read())
            file.close()
        return tuple(outputs)

    def wait(self, timeout=None):
        timeout = self.timeout if timeout is None else timeout
        try:
            stdout, stderr = self._outputs(timeout)
        except subprocess.TimeoutExpired:
            # The run was started in its own process group: end that group only.
            os.killpg(self._process.pid, signal.SIGKILL)
            try:
                # A process outside the group may still hold its pipes.
                self._outputs(KILLED_RUN_SECONDS)
            except subprocess.TimeoutExpired:
                pass
            raise AssertionError("%s %d s" % (STUCK_RUN, timeout))
        seconds = time.monotonic() - self._started
        for marker in SANITIZER_MARKERS:
            if marker in stderr:
                raise AssertionError("sanitizer report:\n" + stderr.decode(errors="replace"))
        return RunResult(stdout, self._finish(self._process.returncode), stderr, seconds)


def wait_all(pending, timeout=None):
    """Waits for every started run within one shared time limit (by default
    the longest of the runs' own); a run that overstays is ended. Raises the
    first failure after all have ended."""
    if timeout is None:
        timeout = max((run.timeout for run in pending), default=RUN_TIMEOUT_SECONDS)
    deadline = time.monotonic() + timeout
    results = []
    failure = None
    for run in pending:
        try:
            results.append(run.wait(max(1.0, deadline - time.monotonic())))
        except AssertionError as error:
            failure = failure or error
    if failure is not None:
        raise failure
    return results


class Runner:
    """The interface every platform's runner provides."""

    name = "abstract"
    # What ends a console line that the program or a command prints.
    line_end = b"\n"
    # The script section that the program picks on this runner's platform.
    section_header = "[WINK3]"
    # Every section header a script may hold.
    all_headers = ("[WINNT]", "[WIN2K]", "[64WIN2K]", "[WINK3]", "[64WINK3]")
    # True when each test may have a system volume of its own (and so run in
    # parallel with others and mount one); false when all share one.
    private_system_root = True
    # True when the exit status arrives in full, all 32 bits.
    full_exit_status = False
    # How many runs the concurrency cases start at once.
    simultaneous_in_place_runs = 50
    simultaneous_staged_runs = 10
    # True when a link in the staging directory is removed as Windows
    # removes a junction: the link goes, what it leads to stays whole.
    removes_links_exactly = True
    # True when a symbolic link to a file is listed as a link, not as the file.
    lists_file_links = True
    # True when a run may now and then never end for reasons of the runner's
    # own (an emulator), not the program's: a test with such a run is run
    # once more, after restart_platform().
    runs_may_stick = False

    def __init__(self, program):
        self.program = Path(program).resolve()
        self._base = None

    # --- life cycle ---------------------------------------------------------

    def setup(self):
        """Prepares the runner; returns a reason text when it cannot run here."""
        if not self.program.is_file():
            return "program %s not found" % self.program
        self._base = Path(tempfile.mkdtemp(prefix="qnbb-"))
        return None

    def teardown(self):
        if self._base is not None:
            remove_tree(self._base)
            self._base = None

    def restart_platform(self):
        """Ends whatever the runner's platform still runs and starts it afresh."""

    def make_temp_dir(self, label):
        return Path(tempfile.mkdtemp(prefix=label + "-", dir=self._base))

    def new_system_root(self):
        """A system volume root for one test, with no log and no staging dirs."""
        raise NotImplementedError

    def small_system_volume(self, megabytes):
        """A context manager: for the runs inside it, the system volume is a
        new tmpfs of that many MiB, whose root it gives. Raises
        unittest.SkipTest where this machine cannot mount one (it needs root)."""
        raise NotImplementedError

    def mount_tmpfs(self, megabytes):
        """A new tmpfs of that many MiB, unmounted with unmount_tmpfs."""
        if os.geteuid() != 0:
            raise unittest.SkipTest("mounting a tmpfs needs root")
        volume = self.make_temp_dir("small")
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dm" % megabytes, "tmpfs",
                                  str(volume)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if mounted.returncode != 0:
            raise unittest.SkipTest("cannot mount a tmpfs here: %s" % mounted.stdout.decode().strip())
        return volume

    @staticmethod
    def unmount_tmpfs(volume):
        subprocess.run(["umount", str(volume)], check=True)

    def release_system_root(self, root):
        raise NotImplementedError

    def cd_drive(self, directory):
        """A context manager: for the runs inside it, host `directory` is the
        update CD; gives the text by which the program names the CD's root."""
        raise NotImplementedError

    def lock_held_elsewhere(self, path):
        """A context manager: for the runs inside it, another process, as an
        account that may only read the existing file `path`, holds the lock
        that such an account can take on it (natively a shared flock; under
        Wine an exclusive lock on the byte far past the end that earlier
        versions of the program locked to take turns). Raises
        unittest.SkipTest where this machine cannot start one."""
        raise NotImplementedError

    # --- running ------------------------------------------------------------

    def start(self, cwd, args=(), env=None, system_root=None):
        """Starts the program in `cwd` with `args` (argument texts as the
        program should receive them) and extra environment `env`."""
        raise NotImplementedError

    def run(self, cwd, args=(), env=None, system_root=None):
        return self.start(cwd, args, env, system_root).wait()

    def exit_status(self, code):
        """The status a test sees for a run whose result is `code`."""
        return code & (0xFFFFFFFF if self.full_exit_status else 0xFF)

    # --- paths --------------------------------------------------------------

    def program_path(self, host_path):
        """The text by which the program names a host path."""
        raise NotImplementedError

    def host_path(self, program_text):
        """The host path that the program's path text names."""
        raise NotImplementedError

    # --- command lines for scripts --------------------------------------------

    def exit_command(self, code):
        raise NotImplementedError

    def echo_command(self, text):
        raise NotImplementedError

    def echo_to_file_command(self, text, host_file):
        raise NotImplementedError

    def cwd_to_file_command(self, host_file=None):
        """Writes the current directory to `host_file` (default: cwd.txt in
        the current directory)."""
        raise NotImplementedError

    def list_dir_command(self, host_file):
        """Writes the names in the current directory to `host_file`."""
        raise NotImplementedError

    def read_only_command(self, name):
        """Makes file `name` read-only."""
        raise NotImplementedError

    def make_dir_command(self, name):
        raise NotImplementedError

    def mode_probe_command(self, name, host_file):
        """Writes what is_writable_probe needs to know about file `name`."""
        raise NotImplementedError

    def is_writable_probe(self, probe_output):
        raise NotImplementedError

    def env_reference(self, name):
        """The text a command line uses for environment variable `name`."""
        raise NotImplementedError

    def relative_path(self, *parts):
        """A path relative to the command's current directory."""
        raise NotImplementedError

    def write_program(self, directory, stem, commands):
        """Writes a program file that runs `commands` into `directory` and
        returns the script line that starts it (its program name is the
        file's name)."""
        raise NotImplementedError

    def wait_for_file_commands(self, name):
        """Program lines (for write_program) that wait until a file `name`
        appears in the current directory."""
        raise NotImplementedError


def remove_tree(path):
    def make_writable(function, failed_path, _):
        os.chmod(failed_path, 0o700)
        function(failed_path)

    shutil.rmtree(path, onerror=make_writable)


def is_staging_name(name):
    """True for a name of the form QNT<hex>.tmp, in any case."""
    upper = name.upper()
    digits = upper[3:-4]
    return (upper.startswith("QNT") and upper.endswith(".TMP") and 1 <= len(digits) <= 4
            and all(c in "0123456789ABCDEF" for c in digits))


def quote_windows_argument(text):
    """One argument written so the classic Windows rules give it back whole."""
    if text and not any(c in text for c in ' \t"'):
        return text
    quoted = '"'
    backslashes = 0
    for c in text:
        if c == "\\":
            backslashes += 1
            continue
        if c == '"':
            quoted += "\\" * (2 * backslashes + 1) + '"'
        else:
            quoted += "\\" * backslashes + c
        backslashes = 0
    return quoted + "\\" * (2 * backslashes) + '"'


def make_runner(name, program):
    if name == "native":
        from native_runner import NativeRunner
        return NativeRunner(program)
    if name in ("wine32", "wine64"):
        from wine_runner import WineRunner
        return WineRunner(program, int(name[4:]))
    raise ValueError("unknown runner %r" % name)


def default_program(name, repository):
    if name == "native":
        return repository / "build" / "native" / "qnUpdate"
    return repository / "build" / "windows" / "qnUpdate.exe"
