"""Many runs at once: the log takes whole records only, and staged runs keep
to their own staging directories."""

from harness import RECORD_PATTERN, BlackBoxCase
from runners import is_staging_name, wait_all


class ConcurrentRunTest(BlackBoxCase):
    def test_simultaneous_in_place_runs_append_whole_records(self):
        r = self.runner
        runs = []
        count = r.simultaneous_in_place_runs
        for number in range(count):
            work = self.make_update(self.work / ("u%02d" % number), [r.exit_command(number)],
                                    version=(b"4.1", b"run-%02d" % number))
            runs.append(work)
        pending = [self.start_program(cwd=work) for work in runs]
        results = wait_all(pending)
        self.assertEqual([x.status for x in results], list(range(count)))
        records = self.log_records()
        self.assertEqual(len(records), count)
        fields = sorted((RECORD_PATTERN.fullmatch(x).group(8), RECORD_PATTERN.fullmatch(x).group(10))
                        for x in records)
        self.assertEqual(fields, [(b"run-%02d" % n, b"%d" % n) for n in range(count)])

    def test_simultaneous_staged_runs_keep_to_their_own_directories(self):
        r = self.runner
        out = r.make_temp_dir("out")
        run_id = r.env_reference("QN_RUN")
        mark = r.echo_to_file_command(run_id, "mark-" + run_id + ".txt")
        cwd = r.cwd_to_file_command(out / ("cwd-" + run_id + ".txt"))
        listing = r.list_dir_command(out / ("list-" + run_id + ".txt"))
        show = r.write_program(self.work, "show", [r.echo_command("shown")])
        self.make_update(self.work, [mark, cwd, show, listing, r.exit_command(0)])
        source_names = {p.name for p in self.work.iterdir()}
        argument = r.program_path(self.work)
        elsewhere = r.make_temp_dir("elsewhere")
        pending = [self.start_program(cwd=elsewhere, args=[argument], env={"QN_RUN": "r%d" % n})
                   for n in range(r.simultaneous_staged_runs)]
        results = wait_all(pending)

        staging_dirs = set()
        expected = self.lines(self.missing(mark), self.missing(cwd), "shown",
                              self.missing(listing), self.missing(r.exit_command(0)))
        for number, result in enumerate(results):
            with self.subTest(run=number):
                # Runs that start together can be given one temporary name;
                # the one that finds it taken asks for another.
                self.assertEqual(result.stdout, expected)
                self.assertEqual(result.status, 0)
                run_dir = r.host_path((out / ("cwd-r%d.txt" % number)).read_text())
                self.assertTrue(is_staging_name(run_dir.name), run_dir)
                self.assertEqual(run_dir.parent.resolve(), self.root.resolve())
                self.assertNotIn(run_dir.name.upper(), staging_dirs, "two runs shared a directory")
                staging_dirs.add(run_dir.name.upper())
                names = set((out / ("list-r%d.txt" % number)).read_text().split())
                names -= {".", ".."}
                self.assertEqual(names, source_names | {"mark-r%d.txt" % number})
        self.assertEqual(self.staging_dirs(), [])
        self.assertNoLog()
