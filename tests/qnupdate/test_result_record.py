"""The result record that an in-place run appends to QNLOG/QN.log."""

import datetime

from harness import RECORD_PATTERN, BlackBoxCase


class ResultRecordTest(BlackBoxCase):
    def run_timed(self):
        earliest = datetime.datetime.now()
        result = self.run_program()
        return result, earliest, datetime.datetime.now()

    def test_success_record_carries_the_time_and_both_versions(self):
        self.make_update(self.work, [self.runner.exit_command(0)])
        result, earliest, latest = self.run_timed()
        self.assertEqual(result.status, 0)
        (record,) = self.log_records()
        self.assertRecordTime(record, earliest, latest)
        self.assertEqual(record[19:], b",Update=4.1,New=4.2,Status=Success,ReturnCode=0 \r\n")

    def test_failure_record_reads_unknown_with_the_code(self):
        self.make_update(self.work, [self.runner.exit_command(3010)],
                         version=(b"7.0.12", b"7.1 beta"))
        result, earliest, latest = self.run_timed()
        code = self.runner.exit_status(3010)
        self.assertEqual(result.status, code)
        (record,) = self.log_records()
        self.assertRecordTime(record, earliest, latest)
        self.assertEqual(record[19:], b",Update=7.0.12,New=7.1 beta,Status=Unknown,ReturnCode=%d \r\n"
                         % code)

    def test_exit_code_with_the_high_bit_set_is_recorded_negative(self):
        if not self.runner.full_exit_status:
            self.skipTest("the %s runner sees only the low 8 bits" % self.runner.name)
        access_violation = -1073741819  # 0xC0000005
        command = self.runner.exit_command(access_violation)
        self.make_update(self.work, [command])
        self.assertRun(self.run_program(), self.lines(self.missing(command)), access_violation)
        (record,) = self.log_records()
        self.assertTrue(record.endswith(b",Status=Unknown,ReturnCode=-1073741819 \r\n"), record)

    def test_two_runs_give_two_lines_older_first(self):
        r = self.runner
        for code in (1, 2):
            self.make_update(self.work, [r.exit_command(code)])
            self.run_program()
        records = self.log_records()
        self.assertEqual([RECORD_PATTERN.fullmatch(x).group(10) for x in records], [b"1", b"2"])

    def test_existing_empty_log_directory_is_used(self):
        (self.root / "QNLOG").mkdir()
        self.make_update(self.work, [self.runner.exit_command(0)])
        self.assertEqual(self.run_program().status, 0)
        self.assertEqual(len(self.log_records()), 1)

    def test_log_ending_in_ctrl_z_is_continued_without_it(self):
        earlier = b"01-02-2003 04:05:06,Update=1,New=2,Status=Success,ReturnCode=0 \r\n"
        (self.root / "QNLOG").mkdir()
        self.log_file.write_bytes(earlier + b"\x1a")
        self.make_update(self.work, [self.runner.exit_command(0)])
        self.run_program()
        data = self.log_file.read_bytes()
        self.assertTrue(data.startswith(earlier), data)
        self.assertNotIn(b"\x1a", data)
        self.assertEqual(len(self.log_records()), 2)

    def test_missing_version_file_prints_and_writes_nothing(self):
        exit_5 = self.runner.exit_command(5)
        self.make_update(self.work, [exit_5], version=None)
        result = self.run_program()
        self.assertRun(result, self.lines(self.missing(exit_5),
                                          "qnLogger: Cannot Read Version.id file"), 5)
        self.assertNoLog()
        self.assertFalse((self.root / "QNLOG").exists())

    def test_log_directory_that_is_a_file_fails_with_1(self):
        blocker = b"not a directory\r\n"
        (self.root / "QNLOG").write_bytes(blocker)
        exit_0 = self.runner.exit_command(0)
        self.make_update(self.work, [exit_0])
        self.assertRun(self.run_program(),
                       self.lines(self.missing(exit_0), "Log File Creation Failed!"), 1)
        self.assertEqual((self.root / "QNLOG").read_bytes(), blocker)
