#!/usr/bin/env python3
"""Runs the black-box tests against a built qnUpdate.

    tests/qnupdate/run.py [--runner native|wine32|wine64] [--program PATH] [-v] [-k PATTERN]

The last line of output reads "N passed, N failed, N skipped"; the exit status
is 0 only when nothing failed.
"""

import argparse
import faulthandler
import sys
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import harness  # noqa: E402
from runners import STUCK_RUN, default_program, make_runner  # noqa: E402

SLOWEST_SHOWN = 8  # with -v, how many of the slowest tests to list
# A suite that has not ended by then is stuck where no run's own limit
# reaches: it ends with every thread's stack, so that the wait is seen.
SUITE_LIMIT_SECONDS = 2400


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


def run_stuck_tests_again(result, runner, test_runner):
    """Runs once more, on a restarted platform, each test that failed because
    a run did not end; its second outcome replaces the first in `result`.
    Each is named, so that a stuck run is never hidden."""
    stuck = [test for test, trace in result.failures + result.errors if STUCK_RUN in trace]
    if not stuck:
        return
    result.failures = [entry for entry in result.failures if entry[0] not in stuck]
    result.errors = [entry for entry in result.errors if entry[0] not in stuck]
    print("a run did not end in %d tests; each runs again on a restarted %s:"
          % (len(stuck), runner.name))
    for test in stuck:
        print("  %s" % test.id())
    runner.restart_platform()
    again = test_runner.run(unittest.TestSuite(stuck))
    result.passed += again.passed
    result.failures += again.failures
    result.errors += again.errors
    result.skipped += again.skipped
    result.seconds.update(again.seconds)


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

    faulthandler.dump_traceback_later(SUITE_LIMIT_SECONDS, exit=True)
    started = time.monotonic()
    test_runner = unittest.TextTestRunner(verbosity=2 if options.verbose else 1,
                                          resultclass=CountingResult, stream=sys.stdout)
    try:
        result = test_runner.run(suite)
        if runner.runs_may_stick:
            run_stuck_tests_again(result, runner, test_runner)
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
