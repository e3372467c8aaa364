"""`qnUpdate /?`: the usage, and nothing else."""

from harness import BlackBoxCase


class UsageTest(BlackBoxCase):
    def test_slash_question_mark_prints_the_usage_and_stages_runs_and_writes_nothing(self):
        r = self.runner
        marker = self.work / "ran.txt"
        self.make_update(self.work, [r.echo_to_file_command("ran", marker), r.exit_command(3)])
        result = self.run_program(args=["/?"])
        self.assertEqual(result.status, 0)
        text = result.stdout
        self.assertTrue(text.startswith(b"qnUpdate applies a software update"), text)
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
