"""What an install of FERULO holds, shared by the install and package tests.

CTest passes the build's choices through the environment (see CMakeLists.txt).
"""

from __future__ import annotations

import os
import subprocess
import sys
import unittest
from pathlib import Path

SKIPPED = 77  # CTest's SKIP_RETURN_CODE for these tests
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
TEMPLATES = ("filelist.dat", "fileedit.dat", "filefilter.dat", "pagehelpers.vbs")


def setting(name: str) -> str:
    value = os.environ.get(name)
    if value is None:
        raise RuntimeError(f"{name} is not set: run these tests through CTest (ctest -L install)")
    return value


def with_window() -> bool:
    return setting("FERULO_WITH_WINDOW") == "ON"


def expected_files() -> dict[str, str]:
    """Every file an install lays down, relative to the prefix: a link's
    target, or "" for a regular file."""
    bindir, programdir = setting("FERULO_INSTALL_BINDIR"), setting("FERULO_INSTALL_PROGRAMDIR")
    datadir, mandir = setting("FERULO_INSTALL_DATADIR"), setting("FERULO_INSTALL_MANDIR")
    app_id = setting("FERULO_APP_ID")
    to_programs = os.path.relpath(programdir, bindir)
    programs = ["ferulo-cli"] + (["ferulo"] if with_window() else [])
    files = {f"{programdir}/{name}": "" for name in programs + ["ferulo-mdb-reader", *TEMPLATES]}
    files.update({f"{bindir}/{name}": f"{to_programs}/{name}" for name in programs})
    files.update({f"{mandir}/man1/{name}.1": "" for name in programs})
    files[f"{datadir}/bash-completion/completions/ferulo-cli"] = ""
    if with_window():
        files[f"{datadir}/applications/{app_id}.desktop"] = ""
        files[f"{datadir}/mime/packages/{app_id}.xml"] = ""
        files[f"{datadir}/metainfo/{app_id}.metainfo.xml"] = ""
        files[f"{datadir}/icons/hicolor/scalable/apps/ferulo.svg"] = ""
        files.update({f"{datadir}/icons/hicolor/{size}x{size}/apps/ferulo.png": "" for size in ICON_SIZES})
    return files


def run(arguments: list[str | Path], **kwargs) -> subprocess.CompletedProcess[str]:
    return subprocess.run([str(a) for a in arguments], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=600, **kwargs)


def main(module: str) -> int:
    """Runs the module's tests; 77 when every one of them was skipped."""
    suite = unittest.defaultTestLoader.loadTestsFromName(module)
    result = unittest.TextTestRunner(stream=sys.stdout, verbosity=2).run(suite)
    if not result.wasSuccessful():
        return 1
    if result.skipped and len(result.skipped) >= result.testsRun:
        return SKIPPED
    return 0
