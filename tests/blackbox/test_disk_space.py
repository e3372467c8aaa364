"""A staged run refuses a system volume with less than 2,000,000 bytes free.

Natively the system volume is a 1 MiB tmpfs, which needs root and a system
that lets it mount; elsewhere the case is skipped with the reason."""

import os
import subprocess

from harness import BlackBoxCase


class DiskSpaceTest(BlackBoxCase):
    def mount_small_volume(self):
        if not self.runner.private_system_root:
            self.skipTest("the %s runner shares one system volume" % self.runner.name)
        if os.geteuid() != 0:
            self.skipTest("mounting a tmpfs needs root")
        volume = self.runner.make_temp_dir("small")
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", str(volume)],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a tmpfs here: %s" % mounted.stdout.decode().strip())
        self.addCleanup(subprocess.run, ["umount", str(volume)], check=True)
        return volume

    def test_small_system_volume_stops_the_staging(self):
        self.root = self.mount_small_volume()
        self.make_update(self.work, [self.runner.exit_command(0)])
        result = self.run_program(args=[self.runner.program_path(self.work)])
        self.assertRun(result, self.lines("Not enough disk space to copy necessary files.",
                                          "Copying update files to the hard drive failed."), 1)
        self.assertEqual(list(self.root.iterdir()), [])
