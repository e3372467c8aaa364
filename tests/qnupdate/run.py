#!/usr/bin/env python3
"""Runs the black-box tests against a built qnUpdate.

    tests/qnupdate/run.py [--runner native|wine32|wine64] [--program PATH] [-v] [-k PATTERN]

The last line of output reads "N passed, N failed, N skipped"; the exit status
is 0 only when nothing failed.
"""

import argparse
import sys
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import harness  # noqa: E402
from runners import default_program, make_runner  # noqa: E402

SLOWEST_SHOWN = 8  # with -v, how many of the slowest tests to list


class CountingResult(unittest.TextTestResult):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.passed = 0
        self.seconds = {}
        self._started = 0.0

    def startTest(self, test):
        self._started = time.monotonic()
        super().startTest(test)

    def stopTest(self, test):
        super().stopTest(test)
        self.seconds[test.id()] = time.monotonic() - self._started

    def addSuccess(self, test):
        super().addSuccess(test)
        self.passed += 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runner", default="native", choices=["native", "wine32", "wine64"])
    parser.add_argument("--program", help="the program to test (default: the runner's build)")
    parser.add_argument("-v", "--verbose", action="store_true")
    parser.add_argument("-k", dest="patterns", action="append",
                        help="only tests whose name holds this text")
    options = parser.parse_args()

    program = options.program or default_program(options.runner, HERE.parent.parent)
    runner = make_runner(options.runner, program)
    reason = runner.setup()
    if reason is not None:
        print("cannot run the %s runner: %s" % (options.runner, reason))
        print("0 passed, 1 failed")
        return 1
    harness.set_runner(runner)

    loader = unittest.TestLoader()
    if options.patterns:
        loader.testNamePatterns = ["*%s*" % p for p in options.patterns]
    suite = loader.discover(str(HERE), pattern="test_*.py", top_level_dir=str(HERE))

    started = time.monotonic()
    try:
        result = unittest.TextTestRunner(verbosity=2 if options.verbose else 1,
                                         resultclass=CountingResult, stream=sys.stdout).run(suite)
    finally:
        runner.teardown()
    for test, why in result.skipped:
        print("skipped %s: %s" % (test.id(), why))
    if options.verbose:
        slowest = sorted(result.seconds.items(), key=lambda item: -item[1])[:SLOWEST_SHOWN]
        for name, seconds in slowest:
            print("%6.1f s  %s" % (seconds, name))
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    print("runner %s, program %s, %.1f s" % (runner.name, runner.program,
                                             time.monotonic() - started))
    summary = "%d passed, %d failed" % (result.passed, failed)
    if result.skipped:
        summary += ", %d skipped" % len(result.skipped)
    print(summary)
    return 0 if failed == 0 and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
