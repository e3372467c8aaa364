"""The pass and fail counts of a Python test script that is no unittest suite,
and the summary line that ends its output, as tests/tally.sh keeps them for
the shell suites."""


class Tally:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, good, detail=""):
        """Counts a check; a failed one is printed with its detail indented."""
        if good:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL %s%s" % (name, ":\n     " + detail.replace("\n", "\n     ") if detail else ""))

    def finish(self):
        """Prints "N passed, N failed"; the exit status: 1 when anything failed."""
        print("%d passed, %d failed" % (self.passed, self.failed))
        return 1 if self.failed else 0
