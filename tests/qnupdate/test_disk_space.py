"""A staged run never fills the system volume: the update is measured before
anything is copied, and one that does not fit, with 2,000,000 bytes to spare,
is refused before anything is created.

The system volume is a small tmpfs (natively, and as C: under Wine), which
needs root and a system that lets it mount; elsewhere the cases are skipped
with the reason."""

import os

from harness import BlackBoxCase

NOT_ENOUGH = ("Not enough disk space to copy necessary files.",
              "Copying update files to the hard drive failed.")
MIB = 1024 * 1024


def free_bytes(volume):
    status = os.statvfs(volume)
    return status.f_bavail * status.f_frsize


class DiskSpaceTest(BlackBoxCase):
    def staged_run_on(self, megabytes, payload_bytes):
        """A staged run of an update holding `payload_bytes` in one file, on a
        system volume of `megabytes` MiB; gives its result and the volume's
        free bytes before and after."""
        source = self.runner.make_temp_dir("cd")
        self.make_update(source, [self.runner.exit_command(5)])
        (source / "payload.bin").write_bytes(b"\x5a" * payload_bytes)
        with self.runner.small_system_volume(megabytes) as volume:
            self.root = volume
            before = free_bytes(volume)
            result = self.run_program(args=[self.runner.program_path(source)])
            after = free_bytes(volume)
            self.assertNoStagingLeft()
        return result, before, after

    def test_update_larger_than_the_free_space_is_refused_before_anything_is_written(self):
        result, before, after = self.staged_run_on(8, 12 * MIB)
        self.assertRun(result, self.lines(*NOT_ENOUGH), 1)
        self.assertEqual(after, before)

    def test_update_that_fits_with_two_million_bytes_to_spare_runs(self):
        result, before, after = self.staged_run_on(4, 1 * MIB)
        self.assertRun(result, self.lines(self.missing(self.runner.exit_command(5))), 5)

    def test_volume_with_less_than_two_million_bytes_free_stops_any_staging(self):
        result, before, after = self.staged_run_on(1, 0)
        self.assertRun(result, self.lines(*NOT_ENOUGH), 1)
