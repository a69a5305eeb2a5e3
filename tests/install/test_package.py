#!/usr/bin/env python3
"""The Debian package, made by cpack from the build folder and read back with
dpkg-deb: its files, their owners and modes, its control fields; then lintian."""

from __future__ import annotations

import re
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.dont_write_bytecode = True

from installed_files import TEMPLATES, expected_files, main, run, setting, with_window  # noqa: E402


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls) -> None:
        missing = [tool for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps") if not shutil.which(tool)]
        if missing:
            raise unittest.SkipTest(f"{', '.join(missing)} not installed (run scripts/setup)")
        cls.work = Path(tempfile.mkdtemp(prefix="ferulo-package-"))
        build = setting("FERULO_BUILD_DIR")
        result = run(["cpack", "-G", "DEB", "--config", f"{build}/CPackConfig.cmake", "-B", cls.work])
        architecture = run(["dpkg", "--print-architecture"]).stdout.strip()
        cls.package = cls.work / f"ferulo_{setting('FERULO_VERSION')}_{architecture}.deb"
        if result.returncode != 0 or not cls.package.is_file():
            shutil.rmtree(cls.work)
            raise AssertionError(f"cpack made no {cls.package.name}:\n{result.stdout}{result.stderr}")

    @classmethod
    def tearDownClass(cls) -> None:
        shutil.rmtree(cls.work)

    def field(self, name: str) -> str:
        return run(["dpkg-deb", "--field", self.package, name]).stdout.strip()

    def test_holds_the_install_layout_with_debian_docs(self) -> None:
        mandir, programdir = setting("FERULO_INSTALL_MANDIR"), setting("FERULO_INSTALL_PROGRAMDIR")
        expected = {}
        for path, target in expected_files().items():
            executable = path.startswith(f"{programdir}/") and not path.endswith(TEMPLATES)
            mode = "lrwxrwxrwx" if target else ("-rwxr-xr-x" if executable else "-rw-r--r--")
            # Debian's manual pages are compressed.
            expected[f"./usr/{path}.gz" if path.startswith(f"{mandir}/") else f"./usr/{path}"] = (mode, target)
        for doc in ("copyright", "changelog.gz"):
            expected[f"./usr/share/doc/ferulo/{doc}"] = ("-rw-r--r--", "")

        listing = run(["dpkg-deb", "--contents", self.package]).stdout.splitlines()
        files, owners = {}, set()
        for line in listing:
            mode, owner, _size, _date, _time, name = line.split(maxsplit=5)
            owners.add(owner)
            if not mode.startswith("d"):
                name, _, target = name.partition(" -> ")
                files[name] = (mode, target)
        self.assertEqual(files, expected)
        self.assertEqual(owners, {"root/root"})

    def test_control_fields(self) -> None:
        self.assertEqual(self.field("Package"), "ferulo")
        self.assertEqual(self.field("Version"), setting("FERULO_VERSION"))
        self.assertEqual(self.field("Maintainer"), setting("FERULO_PACKAGE_MAINTAINER"))
        self.assertEqual(self.field("Section"), "devel")
        self.assertTrue(self.field("Description").startswith("classic ASP pages for a table of an Access database\n "))
        # Computed from the programs' shared libraries, with their versions.
        depends = {re.sub(r" \(.*\)", "", d.strip()) for d in self.field("Depends").split(",")}
        needed = {"libc6", "libmdb3"} | ({"libqt6widgets6"} if with_window() else set())
        self.assertLessEqual(needed, depends)
        self.assertIn("libmdb3 (>=", self.field("Depends"))

    def test_lintian_finds_no_error_and_no_warning(self) -> None:
        if not shutil.which("lintian"):
            self.skipTest("lintian is not installed (run scripts/setup)")
        result = run(["lintian", "--fail-on", "error,warning", self.package])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    sys.exit(main("test_package"))
