"""A staged run from a damaged CD, on which one file of the update cannot be
read whole: the staging fails, the script never runs and no copy is left.

A read-only FUSE file system (damaged_cd.py) stands in for the CD, given to
the program as it is natively and as drive D: under Wine. The damage shows as
a read error, or, hidden by a layer below the program, as a file that ends
early while its listing gives its full size. Wine's CopyFileA reports success
in both cases; only the size of the copy tells. The mount needs root and
/dev/fuse; elsewhere the case is skipped with the reason."""

from harness import BlackBoxCase
from damaged_cd import mounted

COPY_FAILED = ("Unable to copy files from QN CD to hard drive.",
               "Unable to copy sub-directory update files to the hard drive.",
               "Unable to copy update files to the hard drive.",
               "Copying update files to the hard drive failed.")


class DamagedCdTest(BlackBoxCase):
    def test_update_with_a_file_that_cannot_be_read_whole_is_never_staged(self):
        r = self.runner
        source = r.make_temp_dir("cd")
        marker = r.make_temp_dir("out") / "ran.txt"
        self.make_update(source, [r.echo_to_file_command("ran", marker), r.exit_command(0)])
        (source / "data").mkdir()
        (source / "data" / "BAD.CAB").write_bytes(bytes(range(256)) * 256)  # 64 KiB
        for damage in ("eio", "short"):
            with self.subTest(damage=damage):
                with mounted(source, r.make_temp_dir("mnt"), "data/BAD.CAB", damage) as cd, \
                        r.cd_drive(cd) as root:
                    result = self.run_program(args=[root])
                self.assertRun(result, self.lines(*COPY_FAILED), 1)
                self.assertFalse(marker.exists(), "the script ran")
                self.assertNoStagingLeft()
