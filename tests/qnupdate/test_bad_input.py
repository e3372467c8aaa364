"""Scripts with hostile bytes: the program reads on as a text reader does and
never crashes."""

from harness import BlackBoxCase, as_bytes

PIECE = 255  # characters of a script line read at once


def pieces(line):
    return [line[i:i + PIECE] for i in range(0, len(line), PIECE)]


class BadInputTest(BlackBoxCase):
    def test_ten_thousand_character_line_before_the_header_is_ignored(self):
        r = self.runner
        echo = r.echo_command("after")
        script = self.script([echo, r.exit_command(3)], before=["x" * 10000])
        self.make_update(self.work, script)
        self.assertRun(self.run_program(),
                       self.lines(self.missing(echo), "after", self.missing(r.exit_command(3))), 3)

    def test_ten_thousand_character_comment_runs_its_tail_pieces(self):
        r = self.runner
        comment = ";" + "y" * 9999
        tail = pieces(comment)[1:]
        self.assertEqual(len(tail), 39)
        self.make_update(self.work, [comment, r.exit_command(4)])
        result = self.run_program()
        expected = [self.missing(p) for p in tail] + [self.missing(r.exit_command(4))]
        self.assertRun(result, self.lines(*expected), 4)
        self.assertEqual(len(self.log_records()), 1)

    def test_three_hundred_character_line_runs_its_tail_as_a_line_of_its_own(self):
        r = self.runner
        head = r.echo_command("a" * (PIECE - len(r.echo_command(""))))
        tail = r.echo_command("b" * 40)
        self.assertEqual(len(head), PIECE)
        line = head + tail
        self.assertEqual(len(line), 300)
        self.make_update(self.work, [line, r.exit_command(2)])
        expected = self.lines(self.missing(head), "a" * (len(head) - len(r.echo_command(""))),
                              self.missing(tail), "b" * 40, self.missing(r.exit_command(2)))
        self.assertRun(self.run_program(), expected, 2)

    def test_nul_byte_ends_a_line_and_a_leading_nul_ends_the_section(self):
        r = self.runner
        echo = r.echo_command("kept")
        commands = [echo.encode() + b"\0" + b" dropped", r.exit_command(6),
                    b"\0" + r.exit_command(7).encode(), r.exit_command(8)]
        self.make_update(self.work, commands)
        self.assertRun(self.run_program(),
                       self.lines(self.missing(echo), "kept", self.missing(r.exit_command(6))), 6)

    def test_lone_carriage_returns_do_not_end_lines(self):
        r = self.runner
        header = r.section_header.encode()
        self.make_update(self.work, header + b"\r" + r.exit_command(3).encode() + b"\r")
        self.assertRun(self.run_program(), b"", 9)
        (record,) = self.log_records()
        self.assertTrue(record.endswith(b",ReturnCode=9 \r\n"), record)

    def test_lone_carriage_return_inside_a_command_line_reaches_the_command(self):
        r = self.runner
        echo = r.echo_command("a\rb")
        self.make_update(self.work, [echo, r.exit_command(5)])
        self.assertRun(self.run_program(),
                       self.lines(self.missing(echo), "a\rb", self.missing(r.exit_command(5))), 5)

    def test_ctrl_z_ends_the_script(self):
        r = self.runner
        marker = self.work / "after.txt"
        exit_4 = r.exit_command(4)
        script = b"".join(as_bytes(t) for t in (
            r.section_header, "\r\n", exit_4, "\x1a", r.exit_command(5), "\r\n",
            r.echo_to_file_command("late", marker), "\r\n"))
        self.make_update(self.work, script)
        self.assertRun(self.run_program(), self.lines(self.missing(exit_4)), 4)
        self.assertFalse(marker.exists())
