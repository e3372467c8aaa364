"""Staged runs: one argument copies the update to a QNT<hex>.tmp directory in
the system root, runs it there, pauses and removes the copy.

Every staged run that gets as far as its commands pauses five seconds, so the
scenarios of StagedRunTest all run at once in setUpClass and each test checks
one of them."""

import os
import unittest

import harness
from harness import BlackBoxCase, script_bytes, write_update
from runners import is_staging_name, wait_all

CLEAN_UP_PAUSE_SECONDS = 5


class Scenario:
    def __init__(self, runner, shared_root):
        self.root = shared_root or runner.new_system_root()
        self.cwd = None
        self.args = ()
        self.expected = b""
        self.status = 0
        self.result = None


class StagedRunTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        r = cls.runner = harness.runner()
        cls.out = r.make_temp_dir("out")
        shared = None if r.private_system_root else r.new_system_root()
        cls.shared_root = shared
        cls.scenarios = {}
        for name in ("absolute", "relative", "nonexistent"):
            scenario = Scenario(r, shared)
            getattr(cls, "prepare_" + name)(scenario)
            cls.scenarios[name] = scenario
        names = list(cls.scenarios)
        pending = [r.start(cls.scenarios[n].cwd, cls.scenarios[n].args, None,
                           cls.scenarios[n].root) for n in names]
        for name, result in zip(names, wait_all(pending)):
            cls.scenarios[name].result = result

    @classmethod
    def tearDownClass(cls):
        for scenario in cls.scenarios.values():
            cls.runner.release_system_root(scenario.root)

    @classmethod
    def lines(cls, *texts):
        return b"".join(harness.as_bytes(t) + cls.runner.line_end for t in texts)

    @classmethod
    def missing(cls, command):
        return command.split(" ")[0] + harness.MISSING_SUFFIX

    @classmethod
    def prepare_absolute(cls, s):
        r = cls.runner
        source = r.make_temp_dir("update cd")
        show = r.write_program(source, "show", [r.echo_command("shown")])
        nested = source / "sub" / "deeper"
        nested.mkdir(parents=True)
        data = nested / "data.txt"
        data.write_bytes(b"read-only data\r\n")
        data.chmod(0o444)
        cwd = r.cwd_to_file_command(cls.out / "absolute-cwd.txt")
        probe = r.mode_probe_command(r.relative_path("sub", "deeper", "data.txt"),
                                     cls.out / "absolute-mode.txt")
        exit_3 = r.exit_command(3)
        write_update(source, cls.script([show, cwd, probe, exit_3]))
        s.source = source
        s.cwd = r.make_temp_dir("elsewhere")
        s.args = [r.program_path(source)]
        s.expected = cls.lines("shown", cls.missing(cwd), cls.missing(probe), cls.missing(exit_3))
        s.status = 3

    @classmethod
    def prepare_relative(cls, s):
        r = cls.runner
        parent = r.make_temp_dir("parent")
        cwd = r.cwd_to_file_command(cls.out / "relative-cwd.txt")
        write_update(parent / "upd", cls.script([cwd, r.exit_command(0)]))
        s.cwd = parent
        s.args = ["upd"]
        s.expected = cls.lines(cls.missing(cwd), cls.missing(r.exit_command(0)))

    @classmethod
    def prepare_nonexistent(cls, s):
        r = cls.runner
        work = r.make_temp_dir("work")
        cwd = r.cwd_to_file_command(cls.out / "nonexistent-cwd.txt")
        exit_7 = r.exit_command(7)
        write_update(work, cls.script([cwd, exit_7]))
        s.cwd = work
        s.args = ["no-such-directory"]
        s.expected = cls.lines(cls.missing(cwd), cls.missing(exit_7))
        s.status = 7

    @classmethod
    def script(cls, commands):
        return script_bytes(cls.runner.section_header, commands)

    def check_ran_staged(self, name):
        s = self.scenarios[name]
        self.assertEqual(s.result.stdout, s.expected)
        self.assertEqual(s.result.status, self.runner.exit_status(s.status))
        self.assertGreaterEqual(s.result.seconds, CLEAN_UP_PAUSE_SECONDS - 0.5)
        cwd = self.runner.host_path((self.out / (name + "-cwd.txt")).read_text())
        self.assertTrue(is_staging_name(cwd.name), cwd)
        self.assertEqual(cwd.parent.resolve(), s.root.resolve())
        self.assertFalse(cwd.exists(), "the staging directory was left behind")
        self.assertEqual(sorted(e.name for e in s.root.iterdir() if is_staging_name(e.name)), [])
        self.assertFalse((s.root / "QNLOG").exists(), "a staged run wrote a record")

    def test_absolute_argument_with_spaces_runs_from_a_removed_staging_copy(self):
        self.check_ran_staged("absolute")
        self.assertFalse((self.scenarios["absolute"].source / "cwd.txt").exists())

    def test_staged_copy_of_a_nested_read_only_file_is_writable(self):
        probe = (self.out / "absolute-mode.txt").read_text()
        self.assertTrue(self.runner.is_writable_probe(probe), probe)
        source_probe = self.scenarios["absolute"].source / "sub" / "deeper" / "data.txt"
        self.assertFalse(source_probe.stat().st_mode & 0o222, "the source was changed")

    def test_relative_argument_is_resolved_against_the_working_directory(self):
        self.check_ran_staged("relative")

    def test_argument_that_does_not_exist_stages_the_working_directory(self):
        self.check_ran_staged("nonexistent")


class StagedRunWithoutScriptTest(BlackBoxCase):
    def test_missing_script_ends_with_9_and_takes_the_copy_back(self):
        source = self.runner.make_temp_dir("cd")
        (source / "version.id").write_bytes(b"4.1\r\n4.2\r\n")
        (source / "sub").mkdir()
        (source / "sub" / "data.bin").write_bytes(b"x" * 1000)
        result = self.run_program(args=[self.runner.program_path(source)])
        self.assertRun(result, self.lines("ERROR: Could not open config FILE qnInst.cfg"), 9)
        self.assertLess(result.seconds, CLEAN_UP_PAUSE_SECONDS, "the copy was taken back after a pause")
        self.assertNoStagingLeft()
        self.assertNoLog()


class ReadOnlyCleanUpTest(BlackBoxCase):
    def test_files_the_script_made_read_only_are_removed_without_a_message(self):
        r = self.runner
        source = r.make_temp_dir("cd")
        lock = r.write_program(source, "lock", [
            r.echo_to_file_command("top", "top.txt"),
            r.read_only_command("top.txt"),
            r.make_dir_command("made"),
            r.echo_to_file_command("deep", r.relative_path("made", "deep.txt")),
            r.read_only_command(r.relative_path("made", "deep.txt")),
            r.read_only_command(r.relative_path("sub", "shipped.txt")),
        ])
        (source / "sub").mkdir()
        (source / "sub" / "shipped.txt").write_bytes(b"shipped")
        self.make_update(source, [lock])
        result = self.run_program(args=[r.program_path(source)])
        self.assertRun(result, b"", 0)
        self.assertNoStagingLeft()

    def test_read_only_directories_are_removed_also_when_the_run_is_not_root(self):
        r = self.runner
        if not hasattr(r, "start_as_another_account"):
            self.skipTest("the %s runner runs every program as one account" % r.name)
        source = r.make_temp_dir("cd")
        # The staging directory itself is made read-only too.
        left = r.write_program(source, "left", ["mkdir made", "echo x > made/f.txt", "chmod a-w made ."])
        self.make_update(source, [left])
        r.let_others_reach(source / "-")
        os.chmod(source, 0o755)
        result = r.start_as_another_account(self.work, [str(source)], self.root).wait()
        self.assertRun(result, b"", 0)
        self.assertNoStagingLeft()
