"""`qnUpdate /?` and the usual help flags: the usage, and nothing else."""

import subprocess
from pathlib import Path

from harness import BlackBoxCase

# The version that CMakeLists.txt's project() gives, read from there and not
# from the build.
PROJECT_VERSION = subprocess.run(
    ["bash", str(Path(__file__).resolve().parents[2] / "scripts" / "project-version.sh")],
    check=True, capture_output=True).stdout.strip()


class UsageTest(BlackBoxCase):
    def test_slash_question_mark_prints_the_usage_and_stages_runs_and_writes_nothing(self):
        r = self.runner
        marker = self.work / "ran.txt"
        self.make_update(self.work, [r.echo_to_file_command("ran", marker), r.exit_command(3)])
        result = self.run_program(args=["/?"])
        self.assertEqual(result.status, 0)
        text = result.stdout
        # The name and version, then the text.
        self.assertTrue(text.startswith(b"qnUpdate " + PROJECT_VERSION + r.line_end + r.line_end +
                                        b"qnUpdate applies a software update"), text)
        for part in (b"  qnUpdate DIR ", b"  qnUpdate /? ", b"Exit status", b"QN.log"):
            self.assertIn(part, text)
        # Whole console lines, each ended as the platform ends them.
        self.assertTrue(text.endswith(r.line_end), text)
        self.assertNotIn(b"\n", text.replace(r.line_end, b""))
        self.assertFalse(marker.exists(), "a command ran")
        self.assertNoLog()
        self.assertNoStagingLeft()
        if r.private_system_root:
            self.assertEqual(list(self.root.iterdir()), [])

    def test_help_flags_alone_print_the_usage_unless_a_directory_has_that_name(self):
        r = self.runner
        marker = self.work / "ran.txt"
        self.make_update(self.work, [r.echo_to_file_command("ran", marker), r.exit_command(3)])
        usage = self.run_program(args=["/?"]).stdout
        for flag in ("-?", "-h", "--help", "/h", "/help"):
            with self.subTest(flag):
                self.assertRun(self.run_program(args=[flag]), usage, 0)
        self.assertFalse(marker.exists(), "a command ran")
        self.assertNoLog()
        self.assertNoStagingLeft()
        # A directory of that name is an update like any other: it is staged.
        self.make_update(self.work / "-h", [r.exit_command(4)])
        result = self.run_program(args=["-h"])
        self.assertRun(result, self.lines(self.missing(r.exit_command(4))), 4)
        self.assertNoStagingLeft()

    def test_version_flag_prints_the_version_line_and_an_unknown_option_runs_nothing(self):
        r = self.runner
        marker = self.work / "ran.txt"
        self.make_update(self.work, [r.echo_to_file_command("ran", marker), r.exit_command(3)])
        self.assertRun(self.run_program(args=["--version"]), self.lines(b"qnUpdate " + PROJECT_VERSION), 0)
        result = self.run_program(args=["-x"])
        self.assertEqual(result.status, 2)
        self.assertTrue(result.stdout.startswith(
            self.lines("ERROR: No such option or directory: -x", b"qnUpdate " + PROJECT_VERSION)),
            result.stdout)
        self.assertIn(b"  qnUpdate DIR ", result.stdout)
        self.assertFalse(marker.exists(), "a command ran")
        self.assertNoLog()
        self.assertNoStagingLeft()
        if r.private_system_root:
            self.assertEqual(list(self.root.iterdir()), [])
