"""In-place runs: section choice, exit status, the program's own messages."""

from harness import BlackBoxCase


class InPlaceRunTest(BlackBoxCase):
    def test_only_this_platforms_section_runs(self):
        r = self.runner
        mine = r.section_header
        before = ["; comment before any header", r.echo_command("before-headers")]
        for header in r.all_headers:
            if header != mine:
                before += [header, r.echo_command("wrong " + header.strip("[]")), ""]
        script = self.script([r.echo_command("right"), r.exit_command(4)], before=before)
        # A second copy of the same header later on is never reached.
        script += self.script([r.echo_command("second-copy"), r.exit_command(6)])
        self.make_update(self.work, script)
        result = self.run_program()
        echo = r.echo_command("right")
        self.assertRun(result, self.lines(self.missing(echo), "right",
                                          self.missing(r.exit_command(4))), 4)

    def test_only_the_last_command_value_counts(self):
        r = self.runner
        for codes, status in (((5, 0), 0), ((0, 7), 7), ((3, 0, 2), 2)):
            with self.subTest(codes=codes):
                commands = [r.exit_command(c) for c in codes]
                self.make_update(self.work, commands)
                result = self.run_program()
                self.assertRun(result, self.lines(*(self.missing(c) for c in commands)), status)

    def test_reboot_code_is_passed_through(self):
        exit_3010 = self.runner.exit_command(3010)
        self.make_update(self.work, [exit_3010])
        self.assertRun(self.run_program(), self.lines(self.missing(exit_3010)), 3010)

    def test_missing_script_prints_one_line_and_ends_with_9(self):
        (self.work / "version.id").write_bytes(b"4.1\r\n4.2\r\n")
        (self.work / "qninst.cfg.bak").write_bytes(self.script([self.runner.exit_command(0)]))
        result = self.run_program()
        self.assertRun(result, self.lines("ERROR: Could not open config FILE qnInst.cfg"), 9)
        self.assertNoLog()

    def test_missing_section_ends_with_9_and_records_it(self):
        r = self.runner
        others = [h for h in r.all_headers if h != r.section_header]
        script = b"".join(self.script([r.echo_command("other")], header=h) for h in others)
        self.make_update(self.work, script)
        self.assertRun(self.run_program(), b"", 9)
        (record,) = self.log_records()
        self.assertTrue(record.endswith(b",Status=Unknown,ReturnCode=9 \r\n"), record)

    def test_section_ending_at_once_runs_nothing(self):
        r = self.runner
        marker = self.work / "ran.txt"
        other = next(h for h in r.all_headers if h != r.section_header)
        for end in ("", other):
            with self.subTest(end=end):
                self.log_file.unlink(missing_ok=True)
                self.make_update(self.work, [end, r.echo_to_file_command("x", marker),
                                             r.exit_command(0)])
                self.assertRun(self.run_program(), b"", 9)
                self.assertFalse(marker.exists())
                (record,) = self.log_records()
                self.assertTrue(record.endswith(b",ReturnCode=9 \r\n"), record)

    def test_header_with_trailing_spaces_matches_but_not_in_other_case(self):
        r = self.runner
        exit_2 = r.exit_command(2)
        before = [r.section_header.lower(), r.exit_command(5), "", " " + r.section_header,
                  r.exit_command(6), ""]
        script = self.script([exit_2], header=r.section_header + "   ", before=before)
        self.make_update(self.work, script)
        self.assertRun(self.run_program(), self.lines(self.missing(exit_2)), 2)

    def test_line_of_spaces_ends_the_section(self):
        r = self.runner
        exit_3 = r.exit_command(3)
        self.make_update(self.work, [exit_3 + "  ", "    ", r.exit_command(4)])
        self.assertRun(self.run_program(), self.lines(self.missing(exit_3)), 3)

    def test_missing_program_message_names_the_program_and_still_runs_it(self):
        r = self.runner
        marker = self.work / "ran.txt"
        command = "nosuch.exe /q"
        mark = r.echo_to_file_command("ran", marker)
        self.make_update(self.work, [command, mark, r.exit_command(0)])
        result = self.run_program()
        self.assertRun(result, self.lines("nosuch.exe doesn't exist in current directory",
                                          self.missing(mark), self.missing(r.exit_command(0))), 0)
        self.assertTrue(marker.exists())

    def test_present_program_files_print_nothing_of_the_programs_own(self):
        r = self.runner
        first = r.write_program(self.work, "step1", [r.echo_command("one")])
        second = r.write_program(self.work, "step2", [r.echo_command("two"), r.exit_command(5)])
        self.make_update(self.work, [first, "; between", second])
        self.assertRun(self.run_program(), self.lines("one", "two"), 5)

    def test_two_or_three_arguments_run_in_place(self):
        r = self.runner
        command = r.cwd_to_file_command()
        for args in (["a", "b"], ["a", "b", "c"]):
            with self.subTest(args=args):
                self.make_update(self.work, [command, r.exit_command(2)])
                result = self.run_program(args=args)
                self.assertRun(result, self.lines(self.missing(command),
                                                  self.missing(r.exit_command(2))), 2)
                cwd = r.host_path((self.work / "cwd.txt").read_text())
                self.assertEqual(cwd.resolve(), self.work.resolve())
                self.assertNoStagingLeft()
        self.assertEqual(len(self.log_records()), 2)

    def test_in_place_run_leaves_no_staging_name_behind(self):
        r = self.runner
        self.make_update(self.work, [r.exit_command(0)])
        for _ in range(3):
            self.run_program()
        self.assertNoStagingLeft()
        if r.private_system_root:
            self.assertEqual(sorted(e.name for e in self.root.iterdir()), ["QNLOG"])
