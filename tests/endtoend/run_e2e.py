"""Runs end-to-end test modules under one Wine session.

    run_e2e.py test_window [test_faults ...] [-k pattern]

The build folder comes from DORVAK_BUILD_DIR (ctest sets it); the display
is DISPLAY when it works (scripts/test.sh gives one), otherwise an Xvfb of
our own for the duration of the run.
"""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing of ours in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.case import end_session  # noqa: E402


def main(argv):
    modules, pattern = [], None
    arguments = iter(argv)
    for argument in arguments:
        if argument == "-k":
            pattern = next(arguments)
        else:
            modules.append(argument)
    loader = unittest.TestLoader()
    if pattern:
        loader.testNamePatterns = ["*%s*" % pattern]
    suite = unittest.TestSuite(loader.loadTestsFromName(name) for name in modules)
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        end_session()
    return 0 if result.wasSuccessful() and result.testsRun else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
