"""The section that each Windows version picks, in a 32-bit Windows and in a
64-bit one (the program under WOW64): the Wine runners set the prefix's
Windows version in turn and put the earlier one back afterwards.

Natively there is no Windows version to set; the cases skip with the reason."""

from harness import BlackBoxCase

VERSIONS = ("nt40", "win2k", "winxp", "win2003", "win7")

# The section each version picks, per Windows word size.
EXPECTED_SECTION = {
    32: {"nt40": "[WINNT]", "win2k": "[WIN2K]", "winxp": "[WINK3]", "win2003": "[WINK3]",
         "win7": "[WINK3]"},
    64: {"nt40": "[WINNT]", "win2k": "[64WIN2K]", "winxp": "[WINK3]", "win2003": "[64WINK3]",
         "win7": "[WINK3]"},
}


class PlatformVersionTest(BlackBoxCase):
    def setUp(self):
        super().setUp()
        if not hasattr(self.runner, "set_windows_version"):
            self.skipTest("the %s runner has no Windows version to set" % self.runner.name)
        self.addCleanup(self.runner.set_windows_version, self.runner.windows_version())

    def test_each_windows_version_runs_its_own_section_only(self):
        r = self.runner
        script = b"".join(self.script(["echo %s" % header], header=header)
                          for header in r.all_headers)
        self.make_update(self.work, script)
        for version in VERSIONS:
            with self.subTest(version=version):
                r.set_windows_version(version)
                header = EXPECTED_SECTION[r.bits][version]
                result = self.run_program()
                self.assertRun(result, self.lines("echo doesn't exist in current directory",
                                                  header), 0)
        self.assertEqual(len(self.log_records()), len(VERSIONS))
