"""The Linux build, run directly."""

import contextlib
import fcntl
import os
import signal
import subprocess
import time
import unittest
from pathlib import Path

from runners import PendingRun, Runner, remove_tree


class NativeRunner(Runner):
    """The Linux build: commands run through /bin/sh, the system volume is the
    directory in "systemdrive", and the exit status has only its low 8 bits."""

    name = "native"

    def new_system_root(self):
        return self.make_temp_dir("sys")

    def release_system_root(self, root):
        if root.exists():
            remove_tree(root)

    @contextlib.contextmanager
    def small_system_volume(self, megabytes):
        volume = self.mount_tmpfs(megabytes)
        try:
            yield volume
        finally:
            self.unmount_tmpfs(volume)

    def cd_drive(self, directory):
        return contextlib.nullcontext(str(directory))

    @contextlib.contextmanager
    def lock_held_elsewhere(self, path):
        self.let_others_reach(path)
        holder = subprocess.Popen(
            as_another_account(["flock", "-s", str(path), "sleep", "60"]),
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            start_new_session=True)
        try:
            deadline = time.monotonic() + 20
            while not is_flocked(path):
                if holder.poll() is not None or time.monotonic() > deadline:
                    raise AssertionError("flock as another account did not lock %s: %r"
                                         % (path, holder.stderr.read()))
                time.sleep(0.05)
            yield
        finally:
            os.killpg(holder.pid, signal.SIGKILL)
            holder.wait()

    def start_as_another_account(self, cwd, args=(), system_root=None):
        """Starts the program as the account nobody, which owns the system
        volume's directory; `cwd` and what the program reads must let that
        account in (let_others_reach)."""
        require_another_account()
        os.chown(system_root, OTHER_ACCOUNT, OTHER_ACCOUNT)
        self.let_others_reach(system_root)
        self.let_others_reach(Path(cwd) / "-")
        return self.start(cwd, args, None, system_root, preexec_fn=become_another_account)

    def let_others_reach(self, path):
        """Lets every account find `path`: each directory from the runner's
        own temporary directory down to it may be searched by others."""
        path = Path(path)
        for directory in [self._base] + [d for d in path.parents if self._base in d.parents]:
            os.chmod(directory, os.stat(directory).st_mode | 0o011)

    def start(self, cwd, args=(), env=None, system_root=None, stdout=subprocess.PIPE,
              preexec_fn=None):
        """As Runner.start; `stdout` (a file descriptor) and `preexec_fn` give
        the program other standard output or signal settings than a console's."""
        environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
        for name in ("TZ", "HOME"):
            if name in os.environ:
                environment[name] = os.environ[name]
        if system_root is not None:
            environment["systemdrive"] = str(system_root)
        environment.update(env or {})
        process = subprocess.Popen(
            [str(self.program)] + list(args), cwd=str(cwd), env=environment,
            stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.PIPE,
            start_new_session=True, preexec_fn=preexec_fn)
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

    def read_only_command(self, name):
        return "chmod a-w %s" % name

    def make_dir_command(self, name):
        return "mkdir %s" % name

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

    def wait_for_file_commands(self, name):
        return ["while [ ! -e %s ]; do sleep 0.05; done" % name]


# An account that owns nothing of the tests': nobody.
OTHER_ACCOUNT = 65534


def require_another_account():
    """Raises unittest.SkipTest unless this process may run others as nobody."""
    if os.geteuid() != 0:
        raise unittest.SkipTest("running a process as another account needs root")


def as_another_account(command):
    """`command` run as the account nobody, with no supplementary groups."""
    require_another_account()
    return ["setpriv", "--reuid=%d" % OTHER_ACCOUNT, "--regid=%d" % OTHER_ACCOUNT,
            "--clear-groups"] + list(command)


def become_another_account():
    """For preexec_fn: the program runs as the account nobody."""
    os.setgroups([])
    os.setgid(OTHER_ACCOUNT)
    os.setuid(OTHER_ACCOUNT)


def is_flocked(path):
    """True when another process holds a flock on `path`."""
    fd = os.open(path, os.O_RDONLY)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        return True
    finally:
        os.close(fd)
    return False


def native_status(returncode):
    if returncode < 0:
        raise AssertionError("the program was killed by signal %d" % -returncode)
    return returncode
