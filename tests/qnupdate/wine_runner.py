"""The Windows build under Wine, run through qnLaunch."""

import contextlib
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path, PureWindowsPath

from runners import PendingRun, Runner, is_staging_name, quote_windows_argument, remove_tree

REPOSITORY = Path(__file__).resolve().parent.parent.parent
# Each start of a 32-bit program goes through qemu here, and many runs at
# once share two processors: allow more time than natively.
WINE_RUN_TIMEOUT_SECONDS = 180
# What the runner runs itself (the server's control, reg, the first process
# after a restart) ends within seconds; one that has not ended by then is stuck.
# Under qemu, the first process after a restart, which starts Wine's services,
# now and then never ends: the server is then restarted, a few times at most.
WINE_TOOL_TIMEOUT_SECONDS = 120
WINE_START_ATTEMPTS = 3
WINE_KEY = r"HKCU\Software\Wine"
# One line of attrib: attribute letters and spaces, then a drive path.
ATTRIB_LINE = re.compile(r"([A-Z ]+) ([A-Za-z]:\\.*)")


class WineRunner(Runner):
    """The Windows build under Wine, started through qnLaunch.

    Settings, from the environment:
      WINEPREFIX         the prefix to run in (default: the project's
                         build/wine/win32 or build/wine/win64, which
                         scripts/wine-setup.sh makes); its drive_c is the
                         system volume, shared by every test
      QN_WINE            the wine program (default scripts/wine.sh)
      QN_WINESERVER      the wine server (default /usr/lib/wine/wineserver)
      QN_WINE_LAUNCHER   qnLaunch.exe (default: beside the program)
      QN_WINE_VERSION    the Windows version set in the prefix for the run
                         (default win2003; the prefix's earlier setting is
                         put back afterwards)
      QN_WINE_SECTION    the section that version picks (default [WINK3] for
                         wine32, [64WINK3] for wine64, as win2003 does)
    """

    line_end = b"\r\n"
    private_system_root = False
    # Wine's RemoveDirectoryA on a symbolic link to a directory deletes the
    # target when it is empty and fails when it is not; Windows removes the
    # link only.
    removes_links_exactly = False
    # Wine 8 shows a Linux symbolic link to a file as the file itself: no
    # reparse point attribute, and opening it opens the target.
    lists_file_links = False
    full_exit_status = True
    # Each start goes through qemu here: fewer runs at once than natively.
    simultaneous_in_place_runs = 20
    simultaneous_staged_runs = 10

    def __init__(self, program, bits):
        super().__init__(program)
        self.bits = bits
        self.name = "wine%d" % bits
        self.version = os.environ.get("QN_WINE_VERSION", "win2003")
        self.section_header = os.environ.get(
            "QN_WINE_SECTION", "[WINK3]" if bits == 32 else "[64WINK3]")
        self.wine = os.environ.get("QN_WINE", str(REPOSITORY / "scripts" / "wine.sh"))
        self.wineserver = os.environ.get("QN_WINESERVER", "/usr/lib/wine/wineserver")
        self.prefix = Path(os.environ.get("WINEPREFIX") or
                           REPOSITORY / "build" / "wine" / ("win%d" % bits)).resolve()
        launcher = os.environ.get("QN_WINE_LAUNCHER")
        self.launcher = Path(launcher) if launcher else self.program.parent / "qnLaunch.exe"
        self._server_started = False
        self._earlier_version = None
        # Where the kernel cannot start 32-bit programs, Wine's 32-bit loader
        # runs under qemu-i386, which now and then leaves a Wine process
        # waiting for good.
        self.runs_may_stick = os.path.exists("/proc/sys/fs/binfmt_misc/qemu-i386")

    def _wine_environment(self):
        environment = dict(os.environ)
        environment.update({"WINEPREFIX": str(self.prefix), "WINEDEBUG": "-all"})
        return environment

    def setup(self):
        if not (self.prefix / "system.reg").is_file():
            return "no Wine prefix at %s (run scripts/wine-setup.sh)" % self.prefix
        # Only a 64-bit Windows has the WOW64 system directory.
        if (self.prefix / "drive_c" / "windows" / "syswow64").is_dir() != (self.bits == 64):
            return "%s is not a %d-bit Windows prefix" % (self.prefix, self.bits)
        if shutil.which(self.wine) is None:
            return "%s not found" % self.wine
        if shutil.which(self.wineserver) is None:
            return "%s not found" % self.wineserver
        if not self.launcher.is_file():
            return "launcher %s not found (build the windows preset)" % self.launcher
        reason = super().setup()
        if reason is not None:
            return reason
        # A persistent server makes each start take a fraction of the time.
        self._server_started = True
        self._start_server()
        self._earlier_version = self.windows_version()
        if self.version:
            self.set_windows_version(self.version)
        return None

    def teardown(self):
        if self._server_started:
            if self.version and self._earlier_version != self.version:
                self.set_windows_version(self._earlier_version)
            self._wine_tool([self.wineserver, "-k"])
            self._server_started = False
        super().teardown()

    # --- the Windows version the prefix reports ------------------------------

    def _wine_tool(self, args):
        """Runs `args`, a Wine program or the server's control, in a session of
        its own, its output into a file: Wine's services, when this run starts
        them, inherit its handles and outlive it. Gives its exit status and
        output; raises AssertionError when it has not ended within
        WINE_TOOL_TIMEOUT_SECONDS (it is killed then)."""
        with tempfile.TemporaryFile() as output:
            process = subprocess.Popen(args, env=self._wine_environment(), stdin=subprocess.DEVNULL,
                                       stdout=output, stderr=subprocess.DEVNULL,
                                       start_new_session=True)
            try:
                process.wait(timeout=WINE_TOOL_TIMEOUT_SECONDS)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
                raise AssertionError("%s did not end within %d s"
                                     % (" ".join(map(str, args)), WINE_TOOL_TIMEOUT_SECONDS))
            output.seek(0)
            return process.returncode, output.read()

    def _start_server(self):
        """Starts the persistent server and, through a first process, Wine's
        services; a start that is stuck is ended and tried again."""
        for attempt in range(WINE_START_ATTEMPTS):
            try:
                self._wine_tool([self.wineserver, "-p"])
                self._wine_tool([self.wine, "cmd", "/d", "/c", "exit", "0"])
                return
            except AssertionError:
                if attempt == WINE_START_ATTEMPTS - 1:
                    raise
                self._stop_server()

    def restart_platform(self):
        self._stop_server()
        self._start_server()

    def _stop_server(self):
        """Ends the server and every Wine process of the prefix."""
        self._wine_tool([self.wineserver, "-k"])
        self._wine_tool([self.wineserver, "-w"])

    def _reg(self, *args):
        return self._wine_tool([self.wine, "reg"] + list(args))

    def windows_version(self):
        """The prefix's Version setting, or None when it has none."""
        _, output = self._reg("query", WINE_KEY, "/v", "Version")
        for line in output.decode(errors="replace").splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[0] == "Version" and fields[1] == "REG_SZ":
                return fields[2]
        return None

    def set_windows_version(self, version):
        """Sets the Windows version the prefix reports; None removes the
        setting (Wine's own default)."""
        if version is None:
            self._reg("delete", WINE_KEY, "/v", "Version", "/f")
        else:
            status, _ = self._reg("add", WINE_KEY, "/v", "Version", "/t", "REG_SZ", "/d", version,
                                  "/f")
            if status != 0:
                raise AssertionError("cannot set the Windows version %s" % version)

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

    @contextlib.contextmanager
    def small_system_volume(self, megabytes):
        # C: becomes a tmpfs holding a link to each entry of drive_c, so that
        # Windows still finds its own directories; GetDiskFreeSpaceA("C:\\")
        # then reports the tmpfs. The server is restarted around each change.
        volume = self.mount_tmpfs(megabytes)
        drive_c = self.prefix / "drive_c"
        for entry in drive_c.iterdir():
            if entry.name.upper() != "QNLOG" and not is_staging_name(entry.name):
                os.symlink(entry, volume / entry.name)
        device = self.prefix / "dosdevices" / "c:"
        earlier = os.readlink(device)
        self._point_drive(device, str(volume))
        try:
            yield volume
        finally:
            self._point_drive(device, earlier)
            self.unmount_tmpfs(volume)

    @contextlib.contextmanager
    def cd_drive(self, directory):
        # Drive D:, as a CD drive is; the prefix's own D:, if any, comes back after.
        device = self.prefix / "dosdevices" / "d:"
        earlier = os.readlink(device) if device.is_symlink() else None
        if earlier is not None:
            device.unlink()
        os.symlink(directory, device)
        try:
            yield "D:\\"
        finally:
            device.unlink()
            if earlier is not None:
                os.symlink(earlier, device)

    def _point_drive(self, device, target):
        try:
            self._stop_server()
        finally:
            device.unlink()
            os.symlink(target, device)
        self._start_server()

    def start(self, cwd, args=(), env=None, system_root=None):
        tail = " ".join(quote_windows_argument(a) for a in args)
        return self.start_command_line(cwd, tail, env)

    def start_command_line(self, cwd, tail, env=None):
        """Starts the program with the exact command line text: its quoted
        path, then a space and `tail` when that is not empty."""
        handle, name = tempfile.mkstemp(prefix="status-", dir=self._base)
        os.close(handle)
        status_file = Path(name)
        command = quote_windows_argument(self.program_path(self.program))
        if tail:
            command += " " + tail
        environment = self._wine_environment()
        environment.update(env or {})
        environment["QN_LAUNCH_COMMAND"] = command
        environment["QN_LAUNCH_STATUS"] = self.program_path(status_file)
        # Wine's background services (services.exe and those it starts) may be
        # started by a run, after the server was restarted, inherit its
        # standard handles and outlive it: into pipes, the run would not end
        # while they run. Files have no end to wait for.
        outputs = (tempfile.TemporaryFile(dir=self._base), tempfile.TemporaryFile(dir=self._base))
        process = subprocess.Popen(
            [self.wine, str(self.launcher)], cwd=str(cwd), env=environment,
            stdin=subprocess.DEVNULL, stdout=outputs[0], stderr=outputs[1],
            start_new_session=True)

        def finish(launcher_status):
            text = status_file.read_text().strip() if status_file.exists() else ""
            status_file.unlink(missing_ok=True)
            if launcher_status != 0 or not text:
                raise AssertionError("qnLaunch failed with status %d" % launcher_status)
            return int(text)

        return PendingRun(process, time.monotonic(), finish, WINE_RUN_TIMEOUT_SECONDS, outputs)

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

    def read_only_command(self, name):
        return "attrib +r %s" % name

    def make_dir_command(self, name):
        return "mkdir %s" % name

    def mode_probe_command(self, name, host_file):
        return "attrib %s > %s" % (name, self._target(host_file))

    def is_writable_probe(self, probe_output):
        # attrib prints the attribute letters in columns, then the full path:
        # "A    R     Z:\\dir\\file.txt"; anything else (such as "File Not
        # Found") is no answer.
        match = ATTRIB_LINE.fullmatch(probe_output.rstrip("\r\n"))
        if match is None:
            raise AssertionError("attrib printed %r" % probe_output)
        return "R" not in match.group(1)

    def env_reference(self, name):
        return "%" + name + "%"

    def relative_path(self, *parts):
        return "\\".join(parts)

    def wait_for_file_commands(self, name):
        return [":wait", "if not exist %s goto wait" % name]

    def lock_held_elsewhere(self, path, every_byte=False):
        """As Runner.lock_held_elsewhere; with `every_byte` the lock covers
        every byte of the file instead (qnLock.exe holds it)."""
        return self._held_by_qnlock("all" if every_byte else "far", path)

    def open_elsewhere(self, path, sharing):
        """A context manager: for the runs inside it, another process has
        `path`, a file or a folder, open for reading with `sharing` "read"
        (read sharing only, as copy, xcopy and robocopy open what they copy)
        or "none" (qnLock.exe holds it)."""
        return self._held_by_qnlock(sharing, path)

    @contextlib.contextmanager
    def _held_by_qnlock(self, mode, path):
        holder = subprocess.Popen(
            [self.wine, str(self.helper_program("qnLock.exe")), mode, self.program_path(path)],
            env=self._wine_environment(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            answered, _, _ = select.select([holder.stdout], [], [], WINE_TOOL_TIMEOUT_SECONDS)
            answer = holder.stdout.readline() if answered else b"nothing"
            if answer.strip() != b"locked":
                raise AssertionError("qnLock did not hold %s: %r" % (path, answer))
            yield
        finally:
            holder.stdin.close()
            try:
                holder.wait(timeout=60)
            except subprocess.TimeoutExpired:
                os.killpg(holder.pid, signal.SIGKILL)
                holder.wait()

    @contextlib.contextmanager
    def relay_trace(self, functions):
        """A context manager that gives the environment for a run whose
        calls of these kernel32 functions Wine's relay trace writes to its
        standard error, one "TTTT:Call KERNEL32.NAME(ARGS) ret=..." line and
        one "TTTT:Ret  KERNEL32.NAME() retval=V ret=..." line each (TTTT the
        calling thread). The prefix's RelayInclude setting is removed after."""
        key = WINE_KEY + r"\Debug"
        wanted = ";".join("KERNEL32." + name for name in functions)
        if self._reg("add", key, "/v", "RelayInclude", "/t", "REG_SZ", "/d", wanted, "/f")[0]:
            raise AssertionError("cannot set RelayInclude")
        try:
            yield {"WINEDEBUG": "+relay"}
        finally:
            self._reg("delete", key, "/v", "RelayInclude", "/f")

    def helper_program(self, name):
        """A test helper built beside the program (tests/win32_helpers)."""
        return self.program.parent / name

    def run_helper(self, name, *args):
        """Runs a test helper under Wine and gives its stdout as text."""
        _, output = self._wine_tool([self.wine, str(self.helper_program(name))] + list(args))
        return output.decode(errors="replace")

    def write_program(self, directory, stem, commands):
        path = Path(directory) / (stem + ".cmd")
        path.write_bytes(("@echo off\r\n" + "".join(c + "\r\n" for c in commands)).encode())
        return path.name
