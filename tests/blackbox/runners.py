"""How the black-box tests start the program on one platform.

A runner starts the built program in a directory with arguments and
environment, hands back its stdout bytes and exit status, and knows the
platform's details that the test cases must not: the system volume's root, the
console line end, which script section runs, and how to write a command line
that exits with a code, prints text or records the current directory.

NativeRunner starts the Linux build directly. WineRunner starts the Windows
build under Wine through the qnLaunch helper (tests/windows/qn_launch.cpp),
which reports the full 32-bit exit code; it takes its settings from the
environment (see WineRunner).
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path, PureWindowsPath

RUN_TIMEOUT_SECONDS = 60

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
    """A started run; wait() ends it and gives its RunResult."""

    def __init__(self, process, started, finish):
        self._process = process
        self._started = started
        self._finish = finish

    def wait(self, timeout=RUN_TIMEOUT_SECONDS):
        try:
            stdout, stderr = self._process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            # The run was started in its own process group: end that group only.
            os.killpg(self._process.pid, signal.SIGKILL)
            self._process.communicate()
            raise AssertionError("the program did not end within %d s" % timeout)
        seconds = time.monotonic() - self._started
        for marker in SANITIZER_MARKERS:
            if marker in stderr:
                raise AssertionError("sanitizer report:\n" + stderr.decode(errors="replace"))
        return RunResult(stdout, self._finish(self._process.returncode), stderr, seconds)


def wait_all(pending, timeout=RUN_TIMEOUT_SECONDS):
    """Waits for every started run within one shared time limit; a run that
    overstays is ended. Raises the first failure after all have ended."""
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

    def make_temp_dir(self, label):
        return Path(tempfile.mkdtemp(prefix=label + "-", dir=self._base))

    def new_system_root(self):
        """A system volume root for one test, with no log and no staging dirs."""
        raise NotImplementedError

    def release_system_root(self, root):
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


def remove_tree(path):
    def make_writable(function, failed_path, _):
        os.chmod(failed_path, 0o700)
        function(failed_path)

    shutil.rmtree(path, onerror=make_writable)


class NativeRunner(Runner):
    """The Linux build: commands run through /bin/sh, the system volume is the
    directory in "systemdrive", and the exit status has only its low 8 bits."""

    name = "native"

    def new_system_root(self):
        return self.make_temp_dir("sys")

    def release_system_root(self, root):
        if root.exists():
            remove_tree(root)

    def start(self, cwd, args=(), env=None, system_root=None):
        environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
        for name in ("TZ", "HOME"):
            if name in os.environ:
                environment[name] = os.environ[name]
        if system_root is not None:
            environment["systemdrive"] = str(system_root)
        environment.update(env or {})
        process = subprocess.Popen(
            [str(self.program)] + list(args), cwd=str(cwd), env=environment,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            start_new_session=True)
        return PendingRun(process, time.monotonic(), native_status)

    def program_path(self, host_path):
        return str(host_path)

    def host_path(self, program_text):
        return Path(program_text.strip())

    def exit_command(self, code):
        return "exit %d" % code

    def echo_command(self, text):
        return "echo %s" % text

    def echo_to_file_command(self, text, host_file):
        return "echo %s > %s" % (text, host_file)

    def cwd_to_file_command(self, host_file=None):
        return "pwd > %s" % (host_file if host_file is not None else "cwd.txt")

    def list_dir_command(self, host_file):
        return "ls -a > %s" % host_file

    def mode_probe_command(self, name, host_file):
        return "stat -c %%a %s > %s" % (name, host_file)

    def is_writable_probe(self, probe_output):
        return bool(int(probe_output.strip(), 8) & 0o200)

    def env_reference(self, name):
        return "$" + name

    def relative_path(self, *parts):
        return "/".join(parts)

    def write_program(self, directory, stem, commands):
        path = Path(directory) / (stem + ".sh")
        path.write_bytes(("#!/bin/sh\n" + "".join(c + "\n" for c in commands)).encode())
        path.chmod(0o755)
        return "./" + path.name


def native_status(returncode):
    if returncode < 0:
        raise AssertionError("the program was killed by signal %d" % -returncode)
    return returncode


class WineRunner(Runner):
    """The Windows build under Wine, started through qnLaunch.

    Settings, from the environment:
      WINEPREFIX         the prefix to run in (required); its drive_c is the
                         system volume, shared by every test
      QN_WINE            the wine program (default "wine")
      QN_WINE_LAUNCHER   qnLaunch.exe (default: beside the program)
      QN_WINE_SECTION    the section the prefix's Windows version picks
                         (default [WINK3] for wine32, [64WINK3] for wine64,
                         as for a prefix set to win2003)
      QN_WINE_VERSION    when set, the Windows version to set in the prefix
                         first (nt40, win2k, winxp, win2003)
    """

    line_end = b"\r\n"
    private_system_root = False
    full_exit_status = True

    def __init__(self, program, bits):
        super().__init__(program)
        self.name = "wine%d" % bits
        self.section_header = os.environ.get(
            "QN_WINE_SECTION", "[WINK3]" if bits == 32 else "[64WINK3]")
        self.wine = os.environ.get("QN_WINE", "wine")
        self.prefix = Path(os.environ.get("WINEPREFIX", ""))
        launcher = os.environ.get("QN_WINE_LAUNCHER")
        self.launcher = Path(launcher) if launcher else self.program.parent / "qnLaunch.exe"
        self._server = None

    def _wine_environment(self):
        environment = dict(os.environ)
        environment.update({"WINEPREFIX": str(self.prefix), "WINEDEBUG": "-all"})
        return environment

    def setup(self):
        if not os.environ.get("WINEPREFIX"):
            return "WINEPREFIX is not set"
        if shutil.which(self.wine) is None:
            return "%s not found" % self.wine
        if not self.launcher.is_file():
            return "launcher %s not found (build the windows preset)" % self.launcher
        reason = super().setup()
        if reason is not None:
            return reason
        environment = self._wine_environment()
        version = os.environ.get("QN_WINE_VERSION")
        if version:
            subprocess.run([self.wine, "reg", "add", r"HKCU\Software\Wine", "/v", "Version",
                            "/t", "REG_SZ", "/d", version, "/f"], env=environment,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        # A persistent server makes each start take a fraction of a second.
        server = shutil.which("wineserver") or "wineserver"
        self._server = subprocess.Popen([server, "-p"], env=environment,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return None

    def teardown(self):
        if self._server is not None:
            server = shutil.which("wineserver") or "wineserver"
            subprocess.run([server, "-k"], env=self._wine_environment(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self._server.wait()
            self._server = None
        super().teardown()

    def new_system_root(self):
        root = self.prefix / "drive_c"
        self.release_system_root(root)
        return root

    def release_system_root(self, root):
        for entry in root.iterdir():
            if entry.name.upper() == "QNLOG" or is_staging_name(entry.name):
                if entry.is_dir() and not entry.is_symlink():
                    remove_tree(entry)
                else:
                    entry.unlink()

    def start(self, cwd, args=(), env=None, system_root=None):
        handle, name = tempfile.mkstemp(prefix="status-", dir=self._base)
        os.close(handle)
        status_file = Path(name)
        command = " ".join(quote_windows_argument(a)
                           for a in [self.program_path(self.program)] + list(args))
        environment = self._wine_environment()
        environment.update(env or {})
        environment["QN_LAUNCH_COMMAND"] = command
        environment["QN_LAUNCH_STATUS"] = self.program_path(status_file)
        process = subprocess.Popen(
            [self.wine, str(self.launcher)], cwd=str(cwd), env=environment,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            start_new_session=True)

        def finish(launcher_status):
            text = status_file.read_text().strip() if status_file.exists() else ""
            status_file.unlink(missing_ok=True)
            if launcher_status != 0 or not text:
                raise AssertionError("qnLaunch failed with status %d" % launcher_status)
            return int(text)

        return PendingRun(process, time.monotonic(), finish)

    def program_path(self, host_path):
        host = Path(host_path).resolve()
        drive_c = (self.prefix / "drive_c").resolve()
        if host == drive_c or drive_c in host.parents:
            return str(PureWindowsPath("C:\\", *host.relative_to(drive_c).parts))
        return str(PureWindowsPath("Z:\\", *host.parts[1:]))

    def host_path(self, program_text):
        windows = PureWindowsPath(program_text.strip())
        drive = windows.drive.upper()
        parts = windows.parts[1:]
        if drive == "C:":
            return (self.prefix / "drive_c").joinpath(*parts)
        if drive == "Z:":
            return Path("/").joinpath(*parts)
        raise AssertionError("no host path for %r" % program_text)

    def exit_command(self, code):
        return "exit /b %d" % code

    def echo_command(self, text):
        return "echo %s" % text

    def _target(self, host_file):
        # A relative name stays relative to the command's current directory.
        if not Path(host_file).is_absolute():
            return str(host_file)
        return self.program_path(host_file)

    def echo_to_file_command(self, text, host_file):
        return "echo %s> %s" % (text, self._target(host_file))

    def cwd_to_file_command(self, host_file=None):
        return "cd > %s" % self._target(host_file if host_file is not None else "cwd.txt")

    def list_dir_command(self, host_file):
        return "dir /b /a > %s" % self._target(host_file)

    def mode_probe_command(self, name, host_file):
        return "attrib %s > %s" % (name, self._target(host_file))

    def is_writable_probe(self, probe_output):
        # attrib prints the attribute letters in front of the path.
        flags = probe_output.split(":")[0][:-1]
        return "R" not in flags

    def env_reference(self, name):
        return "%" + name + "%"

    def relative_path(self, *parts):
        return "\\".join(parts)

    def write_program(self, directory, stem, commands):
        path = Path(directory) / (stem + ".cmd")
        path.write_bytes(("@echo off\r\n" + "".join(c + "\r\n" for c in commands)).encode())
        return path.name


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
        return NativeRunner(program)
    if name in ("wine32", "wine64"):
        return WineRunner(program, int(name[4:]))
    raise ValueError("unknown runner %r" % name)


def default_program(name, repository):
    if name == "native":
        return repository / "build" / "native" / "qnUpdate"
    return repository / "build" / "windows" / "qnUpdate.exe"
