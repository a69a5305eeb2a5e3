"""Generated pages for the page tests: ferulo-cli, the sample databases, and
the base class the page tests share.

The build passes the folders through the environment (see CMakeLists.txt):
FERULO_BIN_DIR (ferulo-cli and the shipped templates beside it),
FERULO_SOURCE_DIR, FERULO_FIXTURES_DIR, FERULO_SHARED_TESTDATA_DIR,
FERULO_ASP_WORK_DIR (generated sites, programs, results) and
FERULO_ASP_WINE_PREFIX.
"""

from __future__ import annotations

import json
import os
import urllib.parse
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path
from typing import Any

import asp_html
from asp_run import PageResult, PageRunner, Request
from wine_runner import WinePrefix, WineUnavailable

TEMPLATE_FILES = ("filelist.dat", "fileedit.dat", "filefilter.dat", "pagehelpers.vbs")


def _folder(variable: str) -> Path:
    value = os.environ.get(variable)
    if not value:
        raise RuntimeError(f"{variable} is not set: run the page tests through CTest (ctest -L asp)")
    return Path(value)


def bin_dir() -> Path:
    return _folder("FERULO_BIN_DIR")


def source_dir() -> Path:
    return _folder("FERULO_SOURCE_DIR")


def work_dir() -> Path:
    return _folder("FERULO_ASP_WORK_DIR")


def wine_prefix() -> WinePrefix:
    return WinePrefix(_folder("FERULO_ASP_WINE_PREFIX"))


SAMPLE_DATABASES = {
    "nwind": ("FERULO_SHARED_TESTDATA_DIR", "nwind.mdb"),
    "datetest": ("FERULO_SHARED_TESTDATA_DIR", "DateTestDatabase.mdb"),
    "accdb": ("FERULO_SHARED_TESTDATA_DIR", "ASampleDatabase.accdb"),
    "fruit": ("FERULO_FIXTURES_DIR", "mdb/package/test/fruit.mdb"),
    "node-adodb": ("FERULO_FIXTURES_DIR", "node-adodb/package/examples/node-adodb.mdb"),
}


def sample_database(name: str) -> Path:
    """The sample database's path; skips the test where it is absent."""
    variable, relative = SAMPLE_DATABASES[name]
    path = _folder(variable) / relative
    if not path.is_file():
        raise unittest.SkipTest(f"{path} is not available (run scripts/setup, or set "
                                f"FERULO_SHARED_TESTDATA_DIR for the extra samples)")
    return path


def ferulo_cli() -> Path:
    cli = bin_dir() / "ferulo-cli"
    if not cli.is_file():
        raise RuntimeError(f"{cli} is missing: build the project first")
    return cli


def _run_cli(arguments: list[str]) -> str:
    # Files, not pipes, for the output: nothing here ever waits on a pipe.
    with tempfile.TemporaryFile() as err, tempfile.TemporaryFile() as out:
        result = subprocess.run([str(ferulo_cli())] + arguments, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=err, timeout=120)
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode()
        stderr = err.read().decode()
    if result.returncode != 0:
        raise AssertionError(f"ferulo-cli {' '.join(arguments)} failed ({result.returncode}): {stderr}")
    return stdout


def shipped_templates_are_current() -> None:
    """The templates beside ferulo-cli are the ones in templates/."""
    for name in TEMPLATE_FILES:
        shipped = bin_dir() / name
        source = source_dir() / "templates" / name
        if not shipped.is_file() or shipped.read_bytes() != source.read_bytes():
            raise AssertionError(f"{shipped} differs from {source}: rebuild (cmake --build) so the shipped "
                                 f"templates are the current ones")


def columns(database: Path, table: str) -> list[str]:
    return _run_cli(["columns", str(database), table]).splitlines()


def generate(database: Path, table: str, site_name: str, job: dict[str, Any] | None = None,
             templates: Path | None = None) -> Path:
    """Generates the pages into a fresh site folder with the shipped templates,
    or with those in the templates folder (and the shipped page helpers)."""
    shipped_templates_are_current()
    site = work_dir() / "sites" / site_name
    if site.exists():
        shutil.rmtree(site)
    site.mkdir(parents=True)
    options = [] if templates is None else ["--templates", str(templates)]
    if job is None:
        _run_cli(["generate", str(database), table, "--output", str(site) + "/"] + options)
    else:
        job_file = site.parent / f"{site_name}.job.json"
        job_file.write_text(json.dumps({"database": str(database), "table": table, "output": str(site) + "/",
                                        **job}))
        _run_cli(["generate", "--job", str(job_file)] + options)
    return site


def session_after(result: PageResult, base: dict[str, Any] | None = None) -> dict[str, Any]:
    """The session a page left, as the next request's starting session."""
    values = dict(base or {})
    for name, text in result.session().items():
        if text == "Empty":
            values.pop(name, None)
        elif text == "Null":
            values[name] = None
        elif text.startswith("s:"):
            values[name] = text[2:]
        elif text.startswith("b:"):
            values[name] = text == "b:True"
        elif text.startswith("n:"):
            number = text[2:]
            values[name] = int(number) if number.lstrip("-").isdigit() else float(number)
        else:
            raise AssertionError(f"cannot carry the session value {name} = {text} to the next request")
    return values


def submission(result: PageResult, changes: dict[str, str | None] | None = None,
               session: dict[str, Any] | None = None, form_index: int = 0) -> Request:
    """The POST a browser sends from the page's form (see asp_html.form_data)
    with the user's changes (None takes a field out, as clearing a check box
    does), in the page's session unless another is given."""
    if result.problem():
        raise AssertionError(f"no form to send: {result.problem()}")
    form = asp_html.parse(result.output).find_all("form")[form_index]
    data = asp_html.form_data(form)
    for name, value in (changes or {}).items():
        if value is None:
            data.pop(name)
        else:
            data[name] = value
    action = urllib.parse.urlsplit(form.attrs["action"])
    return Request(urllib.parse.unquote(action.path), method="POST",
                   query=dict(urllib.parse.parse_qsl(action.query, keep_blank_values=True)), form=data,
                   session=session_after(result) if session is None else session,
                   tables=result.request.tables)


class PageTestCase(unittest.TestCase):
    """Runs pages in Wine; a page that fails in any way fails the test."""

    runner: PageRunner

    @classmethod
    def setUpClass(cls) -> None:
        try:
            prefix = wine_prefix()
        except WineUnavailable as missing:
            raise unittest.SkipTest(str(missing))
        prefix.ensure()
        cls.runner = PageRunner(prefix, work_dir() / "runs")

    @classmethod
    def run_pages(cls, site: Path, requests: list[Request], locale: str | None = None) -> list[PageResult]:
        return cls.runner.run(site, requests, locale)

    def assertRan(self, result: PageResult) -> None:
        problem = result.problem()
        if problem:
            self.fail(problem)

    def assertClean(self, result: PageResult) -> asp_html.Document:
        """The page ran to its end, closed what it opened, and made sound HTML."""
        self.assertRan(result)
        self.assertEqual(result.open_objects(), [], f"{result.request.page} left these open")
        self.assertIn(("charset", "utf-8"), [(e.kind, e.detail) for e in result.events])
        document = asp_html.parse(result.output)
        if result.status == "ok":
            self.assertEqual(document.doctype, "DOCTYPE html", f"{result.request.page}: no HTML5 doctype first")
            self.assertEqual(document.problems, [], f"{result.request.page}: unbalanced HTML")
        return document
