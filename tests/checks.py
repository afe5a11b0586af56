"""The named checks the script tests print, one line each, and their exit code."""
import sys


class Checks:
    def __init__(self):
        self.failures = []

    def check(self, condition, what):
        print(("ok   " if condition else "FAIL ") + what, flush=True)
        if not condition:
            self.failures.append(what)

    def finish(self):
        print(f"{len(self.failures)} failed" if self.failures else "all passed")
        sys.exit(1 if self.failures else 0)
