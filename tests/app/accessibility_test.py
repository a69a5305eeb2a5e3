#!/usr/bin/env python3
"""The window as a screen reader finds it, through AT-SPI on an X server with
the accessibility bus on: every list and text box by its label's name, and
"ferulo nwind.mdb" with nwind's tables listed. Run by CTest under xvfb-run and
dbus-run-session; exits 77 (skipped) where AT-SPI for Python or the sample
database is missing."""

from __future__ import annotations

import os
import subprocess
import sys
import time
import unittest
from pathlib import Path

SKIPPED = 77

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
except (ImportError, ValueError) as missing:
    print(f"skipped: AT-SPI for Python is missing ({missing}); scripts/setup installs "
          "gir1.2-atspi-2.0 and python3-gi")
    sys.exit(SKIPPED)

NWIND_TABLES = {"Categories", "Customers", "Employees", "Order Details", "Orders", "Products",
                "Shippers", "Suppliers", "Umsätze"}
LISTS = {"Table Name", "Field Name", "Display Name", "Filter Name", "Search Name"}
BOXES = {"Input Database", "Output Path"}


def walk(node):
    yield node
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield from walk(child)


def ferulo_application():
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(index)
        if application is not None and application.get_name() in ("FERULO", "ferulo"):
            return application
    return None


class ScreenReaderView(unittest.TestCase):
    def setUp(self) -> None:
        nwind = Path(os.environ["FERULO_SHARED_TESTDATA_DIR"]) / "nwind.mdb"
        if not nwind.is_file():
            self.skipTest(f"{nwind} is not available (set FERULO_SHARED_TESTDATA_DIR)")
        environment = {**os.environ, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                       "QT_QPA_PLATFORM": "xcb"}
        self.program = subprocess.Popen([os.environ["FERULO_EXECUTABLE"], str(nwind)],
                                        env=environment, stdin=subprocess.DEVNULL)

    def tearDown(self) -> None:
        self.program.kill()
        self.program.wait()

    def lists_and_boxes(self) -> tuple[dict[str, object], dict[str, object]]:
        """The window's lists and text boxes by name, once the tables are listed."""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            self.assertIsNone(self.program.poll(), "ferulo ended")
            application = ferulo_application()
            if application is not None:
                lists, boxes = {}, {}
                for node in walk(application):
                    role = node.get_role()
                    if role == Atspi.Role.LIST:
                        lists[node.get_name()] = node
                    elif role in (Atspi.Role.ENTRY, Atspi.Role.TEXT):
                        boxes[node.get_name()] = node
                tables = lists.get("Table Name")
                if tables is not None and tables.get_child_count() == len(NWIND_TABLES):
                    return lists, boxes
            time.sleep(0.3)
        self.fail("no FERULO window with nwind's tables listed showed on the accessibility bus")

    def test_lists_and_boxes_carry_their_labels_names(self) -> None:
        lists, boxes = self.lists_and_boxes()
        self.assertEqual(set(lists), LISTS)
        self.assertEqual(set(boxes), BOXES)
        tables = lists["Table Name"]
        names = {tables.get_child_at_index(i).get_name() for i in range(tables.get_child_count())}
        self.assertEqual(names, NWIND_TABLES)


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    if not result.wasSuccessful():
        sys.exit(1)
    sys.exit(SKIPPED if result.skipped and len(result.skipped) >= result.testsRun else 0)
