#!/usr/bin/env python3
"""Entry point for CTest: the Wine prefix, its server, and the page test suites.

  run_asp_tests.py prefix   make the Wine prefix (once) and start its server
  run_asp_tests.py stop     stop the prefix's server
  run_asp_tests.py SUITE    run the unittest module SUITE (test_list_page, ...)

Exit code 77 tells CTest the tests were skipped (no Wine, no sample databases).
"""

from __future__ import annotations

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.dont_write_bytecode = True

from asp_pages import wine_prefix  # noqa: E402
from wine_runner import WineUnavailable  # noqa: E402

SKIPPED = 77


def main(argv: list[str]) -> int:
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    what = argv[1]
    if what in ("prefix", "stop"):
        try:
            prefix = wine_prefix()
        except WineUnavailable as missing:
            print(f"SKIPPED: the ASP page tests need Wine: {missing}")
            return SKIPPED
        if what == "prefix":
            prefix.ensure()
            print(f"Wine prefix {prefix.prefix} is ready and its server is running")
        else:
            prefix.stop_server()
            print(f"Wine server of {prefix.prefix} stopped")
        return 0
    suite = unittest.defaultTestLoader.loadTestsFromName(what)
    # A dot per test: a failure's message then stands near the top of what
    # CTest prints, not after hundreds of test names.
    result = unittest.TextTestRunner(stream=sys.stdout, verbosity=1).run(suite)
    if not result.wasSuccessful():
        return 1
    if result.testsRun == 0 and not result.skipped:
        print(f"no tests found in {what}")
        return 1
    if result.skipped and len(result.skipped) >= result.testsRun:
        reasons = sorted({reason for _, reason in result.skipped})
        print("SKIPPED: " + "; ".join(reasons))
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
