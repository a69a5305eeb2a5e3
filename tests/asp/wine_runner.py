"""Wine for the page tests: a prefix of our own, its server, and page runs.

The prefix lives in the build folder (FERULO_ASP_WINE_PREFIX) and is made by
the tests themselves: wineboot once, then reused by every page of the run (a
complete prefix from an earlier run, marked by a stamp naming the Wine
version, is reused too). The server is kept alive between pages. No wine
process ever has a pipe for its output: Wine's background processes inherit
whatever the first wine call has, and a pipe would keep its reader waiting
for ever. Output goes to files or /dev/null, and every run has a time limit.
At most two pages run at a time, whatever number of tests CTest runs at once,
and only wine processes of one locale: each writes its locale into the
prefix's registry as it starts, so two locales at once read each other's.
"""

from __future__ import annotations

import contextlib
import fcntl
import itertools
import os
import shutil
import signal
import subprocess
import time
from pathlib import Path

WINEBOOT_TIMEOUT_SECONDS = 300
PARALLEL_PAGES = 2


class WineUnavailable(Exception):
    """Wine is not installed: the page tests skip."""


class WineFailure(Exception):
    """Wine is installed but did not do its part."""


def wine_programs() -> dict[str, str]:
    programs = {}
    for name in ("wine", "wineboot", "wineserver"):
        found = shutil.which(name)
        if not found:
            raise WineUnavailable(f"{name} is not installed (scripts/setup installs wine)")
        programs[name] = found
    return programs


class WinePrefix:
    def __init__(self, prefix: Path):
        self.prefix = prefix.resolve()
        self.programs = wine_programs()
        self.stamp = self.prefix / ".ferulo-prefix-ready"
        self.lock_file = self.prefix.parent / (self.prefix.name + ".lock")
        self.log = self.prefix.parent / (self.prefix.name + ".log")

    def environment(self, locale: str = "C.UTF-8") -> dict[str, str]:
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY" and not k.startswith("WINE")}
        env["WINEPREFIX"] = str(self.prefix)
        env["WINEDEBUG"] = "-all"
        env["WINEARCH"] = "win64"
        # No Mono or Gecko installer dialogs: the pages need neither.
        env["WINEDLLOVERRIDES"] = "mscoree=;mshtml="
        env["LC_ALL"] = locale  # Wine's own table: the locale need not be installed
        return env

    def _wine_version(self) -> str:
        version_file = self.prefix.parent / (self.prefix.name + ".version")
        with open(version_file, "wb") as out, open(self.log, "ab") as log:
            subprocess.run([self.programs["wine"], "--version"], stdin=subprocess.DEVNULL,
                           stdout=out, stderr=log, timeout=60, env=self.environment())
        return version_file.read_text(errors="replace").strip()

    @contextlib.contextmanager
    def _locked(self):
        self.lock_file.parent.mkdir(parents=True, exist_ok=True)
        with open(self.lock_file, "w") as handle:
            fcntl.flock(handle, fcntl.LOCK_EX)
            try:
                yield
            finally:
                fcntl.flock(handle, fcntl.LOCK_UN)

    def _run_quietly(self, argv: list[str], timeout: float) -> int:
        """Runs a wine program with no pipe attached, in its own process group."""
        with open(self.log, "ab") as log:
            process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                       env=self.environment(), start_new_session=True)
            try:
                return process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
                raise WineFailure(f"{' '.join(argv)} did not finish within {timeout:.0f} s "
                                  f"(see {self.log})") from None

    def ensure(self) -> None:
        """Makes the prefix if it is missing or incomplete, and starts its server."""
        with self._locked():
            version = self._wine_version()
            if not (self.stamp.is_file() and self.stamp.read_text() == version):
                if self.prefix.exists():
                    self.stop_server()
                    shutil.rmtree(self.prefix)
                self.prefix.mkdir(parents=True)
                started = time.monotonic()
                self._run_quietly([self.programs["wineboot"], "-i"], WINEBOOT_TIMEOUT_SECONDS)
                self._run_quietly([self.programs["wineserver"], "-w"], WINEBOOT_TIMEOUT_SECONDS)
                system32 = self.prefix / "drive_c" / "windows" / "system32"
                missing = [name for name in ("cscript.exe", "vbscript.dll", "jscript.dll", "msscript.ocx")
                           if not (system32 / name).exists()]
                if missing:
                    raise WineFailure(f"wineboot made {self.prefix} without {', '.join(missing)} (see {self.log})")
                self.stamp.write_text(version)
                print(f"Wine prefix {self.prefix} made in {time.monotonic() - started:.1f} s ({version})")
            self.start_server()

    def start_server(self) -> None:
        # A persistent server (-p) stays between pages; then one quiet wine call
        # starts the background processes with /dev/null and a log file as
        # their output, so later calls find them running. That call writes
        # its locale into the registry too: it waits its turn like a page.
        self._run_quietly([self.programs["wineserver"], "-p"], 60)
        with self._locale_turn("C.UTF-8"):
            self._run_quietly([self.programs["wine"], "cmd", "/c", "exit"], 120)

    def stop_server(self) -> None:
        if self.prefix.exists():
            self._run_quietly([self.programs["wineserver"], "-k"], 60)

    @staticmethod
    def windows_path(path: Path) -> str:
        return "Z:" + str(path.resolve()).replace("/", "\\")

    @contextlib.contextmanager
    def _page_slot(self):
        """One of PARALLEL_PAGES slots, shared by every test process of the run."""
        handles = []
        try:
            while True:
                for slot in range(PARALLEL_PAGES):
                    handle = open(self.prefix.parent / f"{self.prefix.name}.slot{slot}", "w")
                    try:
                        fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
                        handles.append(handle)
                        yield
                        return
                    except BlockingIOError:
                        handle.close()
                time.sleep(0.05)
        finally:
            for handle in handles:
                fcntl.flock(handle, fcntl.LOCK_UN)
                handle.close()

    def _others_run_another_locale(self, locale: str) -> bool:
        """Whether a page of another locale is running; forgets the marks
        of processes that ended without removing theirs."""
        for mark in self.prefix.parent.glob(f"{self.prefix.name}.running-*"):
            try:
                handle = open(mark, "r+")
            except FileNotFoundError:
                continue  # its page ended since the folder was listed
            with handle:
                try:
                    fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
                except BlockingIOError:
                    if handle.read() != locale:
                        return True
                    continue
                mark.unlink(missing_ok=True)
        return False

    _marks = itertools.count()

    @contextlib.contextmanager
    def _locale_turn(self, locale: str):
        """Waits until no page of another locale runs, and marks this one as
        running (a file, locked while it runs) until it ends."""
        gate = self.prefix.parent / f"{self.prefix.name}.locale-gate"
        mark_path = self.prefix.parent / f"{self.prefix.name}.running-{os.getpid()}-{next(self._marks)}"
        mark = None
        try:
            while mark is None:
                with open(gate, "w") as gate_handle:
                    fcntl.flock(gate_handle, fcntl.LOCK_EX)
                    if not self._others_run_another_locale(locale):
                        mark = open(mark_path, "w")
                        fcntl.flock(mark, fcntl.LOCK_EX)
                        mark.write(locale)
                        mark.flush()
                if mark is None:
                    time.sleep(0.05)
            yield
        finally:
            if mark is not None:
                mark_path.unlink(missing_ok=True)
                mark.close()

    def run_host(self, host_script: Path, jobs_file: Path, log_file: Path, timeout: float,
                 locale: str | None = None) -> None:
        """Runs the JScript host over a jobs file; results land in the files the jobs name."""
        argv = [self.programs["wine"], "cscript", "//nologo", "//B",
                self.windows_path(host_script), self.windows_path(jobs_file)]
        locale = locale or "C.UTF-8"
        with self._page_slot(), self._locale_turn(locale), open(log_file, "wb") as log:
            process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                       env=self.environment(locale), start_new_session=True,
                                       cwd=jobs_file.parent)
            try:
                process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
                raise WineFailure(f"the pages in {jobs_file} did not finish within {timeout:.0f} s "
                                  f"(an endless loop in a page?); wine's output: {log_file}") from None
