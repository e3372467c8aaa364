"""A staged run and the log on a shared machine: nobody else can change what
the update runs, and neither the clean-up nor the log goes through a link.

Under Wine, ACLs are not enforced and junctions cannot be made, but Wine
reports the descriptor it applied to a directory, and lists a Linux symbolic
link to a directory as a directory reparse point (attributes 0x410). What it
cannot show is held by the unit tests over the fake platform."""

import os
import shutil
import stat

from harness import BlackBoxCase

EVERYONE = "S-1-1-0"
ADMINISTRATORS = "S-1-5-32-544"
SYSTEM = "S-1-5-18"
USERS = "S-1-5-32-545"
FULL_CONTROL = "0x001F01FF"
INHERITED = "0x03"  # object and container inherit
NOT_INHERITED = "0x00"


class PlantedLinkTest(BlackBoxCase):
    def test_link_planted_in_the_staging_directory_never_leads_the_clean_up_out(self):
        r = self.runner
        target = r.make_temp_dir("precious")
        (target / "sub").mkdir()
        (target / "keep.txt").write_bytes(b"keep")
        (target / "sub" / "more.txt").write_bytes(b"more")
        update = r.make_temp_dir("update")
        wait = r.write_program(update, "wait", r.wait_for_file_commands("go.txt"))
        ready = r.echo_to_file_command("ready", "ready.txt")
        self.make_update(update, [ready, wait, r.exit_command(0)])

        pending = self.start_program(args=[r.program_path(update)])
        staging = self.wait_for_staging_file("ready.txt", pending)
        os.symlink(target, staging / "planted")
        (staging / "go.txt").write_bytes(b"")
        result = pending.wait()

        self.assertEqual(result.status, r.exit_status(0))
        self.assertEqual(sorted(str(p.relative_to(target)) for p in target.rglob("*")),
                         ["keep.txt", "sub", os.path.join("sub", "more.txt")])
        self.assertEqual((target / "sub" / "more.txt").read_bytes(), b"more")
        if r.removes_links_exactly:
            self.assertEqual(result.stdout, self.lines(self.missing(ready), self.missing("exit")))
            self.assertNoStagingLeft()


    def test_hard_link_to_a_read_only_file_outside_goes_and_the_file_stays_read_only(self):
        r = self.runner
        # On the system volume's own file system, where a hard link can be made.
        outside = self.root / "qn-outside"
        outside.mkdir()
        self.addCleanup(shutil.rmtree, outside)
        victim = outside / "ro.txt"
        victim.write_bytes(b"keep")
        victim.chmod(0o444)
        update = r.make_temp_dir("update")
        wait = r.write_program(update, "wait", r.wait_for_file_commands("go.txt"))
        ready = r.echo_to_file_command("ready", "ready.txt")
        self.make_update(update, [ready, wait, r.exit_command(0)])

        pending = self.start_program(args=[r.program_path(update)])
        staging = self.wait_for_staging_file("ready.txt", pending)
        os.link(victim, staging / "inside.txt")
        (staging / "go.txt").write_bytes(b"")
        result = pending.wait()

        self.assertRun(result, self.lines(self.missing(ready), self.missing("exit")), 0)
        self.assertNoStagingLeft()
        self.assertEqual(oct(stat.S_IMODE(victim.stat().st_mode)), oct(0o444))
        self.assertEqual(victim.read_bytes(), b"keep")


class LogThroughLinkTest(BlackBoxCase):
    def test_log_that_is_a_link_or_has_another_name_is_refused_and_left_alone(self):
        r = self.runner
        self.make_update(self.work, [r.exit_command(0)])
        # On the system volume's own file system, where a hard link can be made.
        elsewhere = self.root / "qn-elsewhere"
        elsewhere.mkdir()
        self.addCleanup(shutil.rmtree, elsewhere)
        victim = elsewhere / "victim.txt"
        logs = self.root / "QNLOG"

        def log_as_symlink():
            logs.mkdir()
            os.symlink(victim, logs / "QN.log")

        def log_as_hard_link():
            logs.mkdir()
            os.link(victim, logs / "QN.log")

        def directory_as_symlink():
            os.symlink(elsewhere, logs)

        def remove_plant():
            if logs.is_symlink():
                logs.unlink()
            elif logs.exists():
                shutil.rmtree(logs)

        plants = [log_as_hard_link, directory_as_symlink]
        if r.lists_file_links:  # Wine opens a symbolic link to a file as the file
            plants.append(log_as_symlink)
        for plant in plants:
            with self.subTest(plant.__name__):
                victim.write_bytes(b"not a log\r\n")
                try:
                    plant()
                    result = self.run_program()
                finally:
                    remove_plant()
                self.assertRun(result, self.lines(self.missing("exit"), "Log File Creation Failed!"),
                               1)
                self.assertEqual(victim.read_bytes(), b"not a log\r\n")
                self.assertFalse((elsewhere / "QN.log").exists())


class WindowsSecurityCase(BlackBoxCase):
    def setUp(self):
        super().setUp()
        if not hasattr(self.runner, "run_helper"):
            self.skipTest("the %s runner does not run the Windows build" % self.runner.name)

    def entries(self, text):
        """The (kind, SID, mask, flags) entries of qnSecurity's output."""
        return {tuple(line.split()) for line in text.splitlines()
                if line.split()[:1] in (["allow"], ["deny"], ["other"])}


class PlantedInterpreterTest(WindowsSecurityCase):
    def test_cmd_exe_planted_in_the_update_directory_is_never_started(self):
        shutil.copy(self.runner.helper_program("qnPlanted.exe"), self.work / "cmd.exe")
        self.make_update(self.work, ["exit /b 7"])
        result = self.run_program()
        self.assertRun(result, self.lines(self.missing("exit")), 7)
        (record,) = self.log_records()
        self.assertTrue(record.endswith(b",ReturnCode=7 \r\n"), record)


class DirectorySecurityTest(WindowsSecurityCase):
    def test_descriptors_grant_only_the_owners_and_are_protected(self):
        directory = self.runner.run_helper("qnSecurity.exe", "descriptor", "directory")
        user = directory.splitlines()[0].split()[1]
        self.assertIn("protected yes", directory.splitlines())
        self.assertEqual(self.entries(directory),
                         {("allow", sid, FULL_CONTROL, INHERITED) for sid in (ADMINISTRATORS, SYSTEM, user)})
        file = self.runner.run_helper("qnSecurity.exe", "descriptor", "file")
        self.assertIn("protected yes", file.splitlines())
        self.assertEqual(self.entries(file),
                         {("allow", sid, FULL_CONTROL, NOT_INHERITED) for sid in (ADMINISTRATORS, SYSTEM, user)})

    def test_staging_directory_gives_everyone_nothing(self):
        # Wine rebuilds a descriptor from the Unix mode it chose for the DACL
        # given: default security reads back with an entry for Everyone.
        r = self.runner
        wait = r.write_program(self.work, "wait", r.wait_for_file_commands("go.txt"))
        self.make_update(self.work, [r.echo_to_file_command("ready", "ready.txt"), wait])
        pending = self.start_program(args=[r.program_path(self.work)])
        staging = self.wait_for_staging_file("ready.txt", pending)
        staging_dacl = r.run_helper("qnSecurity.exe", "dacl", r.program_path(staging))
        (staging / "go.txt").write_bytes(b"")
        pending.wait()
        self.assertTrue(self.entries(staging_dacl), staging_dacl)
        self.assertNotIn(EVERYONE, {entry[1] for entry in self.entries(staging_dacl)}, staging_dacl)
