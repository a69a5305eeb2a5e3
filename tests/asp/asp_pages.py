"""Generated pages for the page tests: ferulo-cli, the sample databases, the
base class the page tests share, and browsers sharing one database.

The build passes the folders through the environment (see CMakeLists.txt):
FERULO_BIN_DIR (ferulo-cli and the shipped templates beside it),
FERULO_SOURCE_DIR, FERULO_FIXTURES_DIR, FERULO_SHARED_TESTDATA_DIR,
FERULO_ASP_WORK_DIR (generated sites, programs, results) and
FERULO_ASP_WINE_PREFIX.

A Request runs on the tables it is given, and what the page writes is only
recorded. For pages used the way a team uses them, a Database holds the
tables and a Browser a session: each of its requests runs on the tables as
they are now, and what the page stored (Update of an edited record, AddNew
and Update, Delete) is applied to them, so the next request, from the same
browser or another, sees it:

    database = Database(asp_tables.with_references(asp_tables.orders(5)))
    a = self.browser(site, database)
    b = self.browser(site, database)
    form_a = a.open("nwindedit.asp", {"action": "edit", "key": "10249"})
    form_b = b.open("nwindedit.asp", {"action": "edit", "key": "10249"})
    b.follow(b.submit(form_b, {"ShipCity": "Berlin (B)"}))
    saved = a.submit(form_a, {"ShipName": "A's name"})
    database.table("Orders").rows[1]            # both changes, or B's alone
    lookup = a.open("nwindedit.asp", {...}, refuse=[r"FROM \[Customers\]"])
    lookup.refusals(), lookup.log_entries(), lookup.rows_returned("Orders")

open, submit (the page's form as a browser sends it, see submission) and
follow (the redirect a result ends with) each run one request and return its
PageResult; refuse names statements the database refuses for that request
(Browser.refuse for all of its requests).
"""

from __future__ import annotations

import itertools
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
from asp_run import PageResult, PageRunner, Request, Table
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
    "calculated": ("FERULO_SHARED_TESTDATA_DIR", "CalculatedColumns.accdb"),
    "attachments": ("FERULO_SHARED_TESTDATA_DIR", "AttachmentsAndMultiValues.accdb"),
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
    values = {} if result.of_kind("session.abandon") else dict(base or {})
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


def page_problems(result: PageResult) -> list[str]:
    """What the page says went wrong: the items of the summary at its top,
    or where it has none, its problem paragraphs."""
    document = asp_html.parse(result.output)
    summaries = document.find_all("div", **{"class": "summary"})
    if summaries:
        return [item.all_text().strip() for summary in summaries for item in summary.find_all("li")]
    return [p.all_text().strip() for p in document.find_all("p", **{"class": "problem"})]


class Database:
    """Tables that several requests share: each Browser request runs on them
    as they are, and what its page stored is applied to them."""

    def __init__(self, tables: list[Table]):
        self.tables = tables

    def table(self, name: str) -> Table:
        for table in self.tables:
            if table.name.lower() == name.lower():
                return table
        raise KeyError(f"the shared database has no table {name!r}")

    def apply(self, result: PageResult) -> None:
        """Applies the page's stored Updates and Deletes, in their order; the
        rows it added come after the others."""
        rows = {name: dict(enumerate(self.table(name).rows)) for name in {c.table for c in result.changes()}}
        for change in result.changes():
            numbered = rows[change.table]
            if change.how == "delete":
                del numbered[change.number]
            elif change.how == "insert":
                columns = self.table(change.table).columns
                numbered[change.number] = [change.values[n] for n in range(len(columns))]
            else:
                row = list(numbered[change.number])
                for column, value in change.values.items():
                    row[column] = value
                numbered[change.number] = row
        for name, numbered in rows.items():
            self.table(name).rows[:] = [numbered[n] for n in sorted(numbered)]


class Browser:
    """One visitor: a session of its own, requests on a shared Database."""

    _session_ids = itertools.count(424242)

    def __init__(self, runner: PageRunner, site: Path, database: Database, locale: str | None = None):
        self.runner = runner
        self.site = site
        self.database = database
        self.locale = locale
        self.session: dict[str, Any] = {}
        self.session_id = str(next(self._session_ids))
        self.refuse: list[str] = []

    def request(self, request: Request, refuse: list[str] | None = None) -> PageResult:
        """Runs the request in this browser's session on the database as it
        is now, and applies what the page stored."""
        request.session = dict(self.session)
        request.session_id = self.session_id
        request.tables = self.database.tables
        request.refuse = list(self.refuse if refuse is None else refuse)
        (result,) = self.runner.run(self.site, [request], self.locale)
        if result.status not in ("ok", "ended", "error"):
            raise AssertionError(result.problem())
        self.database.apply(result)
        self.session = session_after(result, self.session)
        return result

    def open(self, page: str, query: dict[str, str] | None = None, refuse: list[str] | None = None) -> PageResult:
        return self.request(Request(page, query=dict(query or {})), refuse)

    def submit(self, result: PageResult, changes: dict[str, str | None] | None = None, form_index: int = 0,
               refuse: list[str] | None = None) -> PageResult:
        """Sends the result's form with the user's changes (see submission)."""
        return self.request(submission(result, changes, session=self.session, form_index=form_index), refuse)

    def follow(self, result: PageResult, refuse: list[str] | None = None) -> PageResult:
        """Opens the page the result redirected to."""
        target = result.redirect()
        if target is None:
            raise AssertionError(f"{result.request.page} did not redirect: {result.problem() or result.output[-500:]}")
        url = urllib.parse.urlsplit(target)
        return self.request(Request(urllib.parse.unquote(url.path),
                                    query=dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))), refuse)


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

    @classmethod
    def browser(cls, site: Path, database: Database, locale: str | None = None) -> Browser:
        return Browser(cls.runner, site, database, locale)

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
