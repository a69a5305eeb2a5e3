#!/usr/bin/env python3
"""Entry point for CTest: runs one browser test module (test_checks,
test_generated_pages, test_keyboard) the way the page tests run theirs.

Exit code 77 tells CTest the tests were skipped (no Chromium, Java or npm
packages; no Wine; no sample databases).
"""

from __future__ import annotations

import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path[:0] = [str(HERE), str(HERE.parent / "asp")]
sys.dont_write_bytecode = True

import run_asp_tests  # noqa: E402

if __name__ == "__main__":
    sys.exit(run_asp_tests.main(sys.argv))
