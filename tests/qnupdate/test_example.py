"""The bundled example update (examples/update) runs as its comments say."""

import shutil
from pathlib import Path

from harness import RECORD_PATTERN, BlackBoxCase

EXAMPLE = Path(__file__).resolve().parent.parent.parent / "examples" / "update"

REGISTRY = "regupd: updating the registry settings to 4.2"
FINISH = "finish: update 4.2 installed, a restart is required"
K3FIX = "k3fix: replacing the Windows Server 2003 program files (%s)"
W2KFIX = "w2kfix: replacing the Windows 2000 program files (%s)"

# What each section's command files print under cmd.
SECTION_OUTPUT = {
    "[WINNT]": ["nt4fix: replacing the NT 4.0 program files (/quiet)", FINISH],
    "[WIN2K]": [W2KFIX % "/quiet", REGISTRY, FINISH],
    "[64WIN2K]": [W2KFIX % "/quiet /wow64", REGISTRY, FINISH],
    "[WINK3]": [K3FIX % "/quiet", REGISTRY, FINISH],
    "[64WINK3]": [K3FIX % "/quiet /wow64", REGISTRY, FINISH],
}


class ExampleUpdateTest(BlackBoxCase):
    def test_example_files_are_windows_text_with_every_section(self):
        for path in EXAMPLE.iterdir():
            data = path.read_bytes()
            self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), path.name)
            self.assertTrue(data.endswith(b"\r\n"), path.name)
        lines = (EXAMPLE / "qnInst.cfg").read_bytes().split(b"\r\n")
        for header in self.runner.all_headers:
            self.assertIn(header.encode(), lines)
        self.assertEqual((EXAMPLE / "version.id").read_bytes(), b"4.1\r\n4.2\r\n")

    def test_example_runs_in_place_with_every_program_present(self):
        update = self.work / "update"
        shutil.copytree(EXAMPLE, update)
        result = self.run_program(cwd=update)
        (record,) = self.log_records()
        fields = RECORD_PATTERN.fullmatch(record).groups()
        self.assertEqual(fields[6:8], (b"4.1", b"4.2"))
        if self.runner.name == "native":
            # /bin/sh cannot run .cmd files, but the program finds each one.
            self.assertEqual(result.stdout, b"")
            return
        self.assertRun(result, self.lines(*SECTION_OUTPUT[self.runner.section_header]), 3010)
        self.assertEqual(fields[9], b"3010")
