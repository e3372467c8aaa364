"""The Windows build under Wine, run through qnLaunch."""

import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path, PureWindowsPath

from runners import PendingRun, Runner, is_staging_name, quote_windows_argument, remove_tree


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
