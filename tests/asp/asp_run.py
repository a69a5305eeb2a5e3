"""Runs ASP pages as VBScript programs in Wine and reads back what they did.

A request names a page of a site folder, the query string, the posted form,
the session values left by earlier requests (and the session's id), the
tables of the stand-in database and the statements that database refuses.
The program for it is: Option Explicit (when the page has it), the stand-in
database of asp_database.vbs, the ASP and ADO stand-ins of asp_mocks.vbs,
the request's set-up, the translated page. Its result holds the engine's
error (mapped back to page and line), the recorded events and the page's
output, encoded the way the page's code page says.

What a result tells besides the output:

- result.sql(table) - the statements sent; result.params() - the parameters;
- result.selects(table) - each SELECT that ran, with the rows it returned
  (Select.rows); result.rows_returned(table) - their sum, so a test can say
  "this page read at most about 100 rows of Orders";
- result.assignments(), updates(), deletes(), touched_rows() - what the
  page wrote; result.changes() - the values each Update stored (RowChange)
  and the rows deleted, which asp_pages.Database applies to its tables;
- result.refusals() - statements refused because they matched
  Request.refuse (regular expressions, any letter case): they raise at
  Open or Execute what the Access ODBC driver raises (-2147467259,
  "Microsoft OLE DB Provider for ODBC Drivers", "[Microsoft][ODBC Microsoft
  Access Driver] ...");
- result.log_entries() - the texts of Response.AppendToLog (a comma or more
  than 80 characters is a fault, as IIS takes neither);
- result.faults(), result.problem() - whatever went wrong.
"""

from __future__ import annotations

import datetime
import decimal
import itertools
import os
import re
import tempfile
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Iterable

import asp_translate
from wine_runner import WinePrefix

HERE = Path(__file__).resolve().parent
DATABASE = HERE / "asp_database.vbs"
MOCKS = HERE / "asp_mocks.vbs"
STAND_INS = (DATABASE, MOCKS)
HOST = HERE / "asp_host.js"

# ADO data types and field attributes the stand-in tables use.
AD_SMALLINT, AD_INTEGER, AD_SINGLE, AD_DOUBLE, AD_CURRENCY, AD_DATE = 2, 3, 4, 5, 6, 7
AD_BOOLEAN, AD_NUMERIC, AD_DBDATE, AD_DBTIMESTAMP = 11, 131, 133, 135
AD_VARWCHAR, AD_LONGVARWCHAR, AD_LONGVARBINARY = 202, 203, 205
FLD_UNKNOWN_UPDATABLE, FLD_FIXED = 0x8, 0x10
FLD_IS_NULLABLE, FLD_MAY_BE_NULL, FLD_LONG = 0x20, 0x40, 0x80


@dataclass
class AccessDate:
    """A Date/Time value as the number Access keeps it as: days since
    1899-12-30, the time of day as a fraction (which may hold part of a
    second)."""
    days: float


@dataclass
class Column:
    name: str
    type: int = AD_VARWCHAR
    size: int = 255
    nullable: bool = True
    auto_increment: bool = False
    # Whether the provider answers Properties("ISAUTOINCREMENT"); when it does
    # not, an AutoNumber shows only as a field that cannot be updated.
    reports_auto_increment: bool = True

    def attributes(self) -> int:
        value = (FLD_IS_NULLABLE | FLD_MAY_BE_NULL) if self.nullable else 0
        if self.type in (AD_LONGVARWCHAR, AD_LONGVARBINARY):
            value |= FLD_LONG
        elif self.type != AD_VARWCHAR:
            value |= FLD_FIXED
        if not (self.auto_increment and not self.reports_auto_increment):
            value |= FLD_UNKNOWN_UPDATABLE
        return value


@dataclass
class Table:
    name: str
    columns: list[Column]
    rows: list[list[Any]] = field(default_factory=list)


@dataclass
class Request:
    page: str
    method: str = "GET"
    query: dict[str, str] = field(default_factory=dict)
    form: dict[str, str] = field(default_factory=dict)
    session: dict[str, Any] = field(default_factory=dict)
    tables: list[Table] = field(default_factory=list)
    offers_type_lib: bool = True  # whether Server.CreateObject("Scriptlet.TypeLib") works
    # Statements the database refuses: regular expressions (VBScript's, any
    # letter case) matched against the SQL text.
    refuse: list[str] = field(default_factory=list)
    session_id: str = "424242"


def vbscript_literal(value: Any) -> str:
    if value is None:
        return "Null"
    if isinstance(value, bool):
        return "True" if value else "False"
    if isinstance(value, int):
        return str(value) if -2**31 <= value < 2**31 else f'CDbl("{value}")'
    # Dates and currency without a call (asp_database.vbs): a table may hold
    # thousands, and Wine's engine is slow to find a function.
    if isinstance(value, decimal.Decimal):
        scaled = value * 10000
        if scaled == scaled.to_integral_value() and abs(scaled) < 2**31:
            return f"HarnessCurrencyUnit * {int(scaled)}"
        return f"CCur({value})"
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, AccessDate):
        return f"HarnessZeroDate + ({value.days!r})"
    if isinstance(value, (datetime.datetime, datetime.date)):
        # The days and the time of day as DateSerial and TimeSerial make them
        # (seconds / 86400). Before 1899-12-30 the time of day counts away
        # from zero.
        days = (datetime.date(value.year, value.month, value.day) - datetime.date(1899, 12, 30)).days
        seconds = value.hour * 3600 + value.minute * 60 + value.second if isinstance(value, datetime.datetime) else 0
        if not seconds:
            return f"HarnessZeroDate + {days}"
        return f"HarnessZeroDate + ({days} {'-' if days < 0 else '+'} {seconds} / 86400)"
    if isinstance(value, str):
        return asp_translate.vbscript_string(value)
    if isinstance(value, bytes):
        return f"HarnessBinaryValue({len(value)})"
    raise TypeError(f"no VBScript literal for {value!r}")


def request_setup(request: Request) -> list[str]:
    lines = [f"Request.HarnessSetPage {vbscript_literal(request.page)}",
             f"Request.HarnessSetMethod {vbscript_literal(request.method)}"]
    for name, value in request.query.items():
        lines.append(f"Request.HarnessAddQuery {vbscript_literal(name)}, {vbscript_literal(value)}")
    if request.query:
        query_text = "&".join(f"{k}={v}" for k, v in request.query.items())
        lines.append(f"Request.HarnessSetQueryString {vbscript_literal(query_text)}")
    for name, value in request.form.items():
        lines.append(f"Request.HarnessAddForm {vbscript_literal(name)}, {vbscript_literal(value)}")
    lines.append(f"Session.HarnessSetId {vbscript_literal(request.session_id)}")
    for name, value in request.session.items():
        lines.append(f"Session.HarnessPreset {vbscript_literal(name)}, {vbscript_literal(value)}")
    for pattern in request.refuse:
        lines.append(f"HarnessDb.Refuse {vbscript_literal(pattern)}")
    if not request.offers_type_lib:
        lines.append("HarnessOffersTypeLib = False")
    for table in request.tables:
        lines.append(f"Set HarnessTableSetUp = HarnessDb.AddTable({vbscript_literal(table.name)})")
        for column in table.columns:
            lines.append(
                "HarnessTableSetUp.AddColumn " + ", ".join([
                    vbscript_literal(column.name), str(column.type), str(column.size),
                    str(column.attributes()), vbscript_literal(column.auto_increment),
                    vbscript_literal(column.reports_auto_increment),
                    vbscript_literal(not column.nullable)]))
        for row in table.rows:
            if len(row) != len(table.columns):
                raise ValueError(f"a row of {len(row)} values for the {len(table.columns)} columns of "
                                 f"{table.name}: {row}")
            lines.append("HarnessTableSetUp.AddRow Array(" + ", ".join(vbscript_literal(v) for v in row) + ")")
    lines.append("Set HarnessTableSetUp = Nothing")
    return lines


def _unescape(text: str) -> str:
    out = []
    i = 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


@dataclass
class Event:
    kind: str
    detail: str

    def fields(self) -> list[str]:
        return self.detail.split("\t")


@dataclass
class Select:
    """A SELECT that ran: its table, how many rows it returned, its text."""
    table: str
    rows: int
    sql: str


@dataclass
class RowChange:
    """What one Update stored ("change" or "insert") or one Delete removed
    ("delete"): the row's position among the request's rows of the table
    (rows added take the next ones), and for an Update the values stored by
    column position (for a change, only the columns it set)."""
    table: str
    number: int
    how: str
    values: dict[int, Any] = field(default_factory=dict)


def decode_exact(text: str) -> Any:
    """A value as asp_database.vbs's HarnessExactRepr writes it."""
    if text == "Null":
        return None
    kind, _, rest = text.partition(":")
    if kind == "s":
        return _unescape(rest)
    if kind == "b":
        return rest == "True"
    if kind == "i":
        return int(rest)
    if kind in ("c", "m"):
        return decimal.Decimal(rest)
    if kind in ("f", "D"):
        high, low = rest.split(";")
        number = float(high) + float(low)
        return number if kind == "f" else AccessDate(number)
    if kind == "d":
        return datetime.datetime(*(int(part) for part in re.split("[- :]", rest)))
    if kind == "x":
        return bytes(int(rest))
    raise ValueError(f"no stored value reads {text!r}")


@dataclass
class PageResult:
    request: Request
    program: list[str]
    origins: list[tuple[str, int]]
    page_lines: dict[str, list[str]]
    directives: dict[str, str]
    directive_first: bool
    status: str = "missing"
    error: dict[str, str] = field(default_factory=dict)
    events: list[Event] = field(default_factory=list)
    output: str = ""
    host_log: str = ""

    # ------------------------------------------------------------ outcome

    @property
    def code_page(self) -> int:
        return int(self.directives.get("CODEPAGE", "1252"))

    @property
    def output_bytes(self) -> bytes:
        """What the browser receives: the output in the page's code page."""
        if self.code_page == 65001:
            return self.output.encode("utf-8")
        return self.output.encode("cp1252", errors="replace")

    def faults(self) -> list[str]:
        return [e.detail for e in self.events if e.kind == "fault"]

    def error_location(self) -> str:
        line = int(self.error.get("line", "0") or 0)
        if 1 <= line <= len(self.origins):
            file, source_line = self.origins[line - 1]
            text = self.page_lines.get(file, [])
            source = text[source_line - 1].strip() if 0 < source_line <= len(text) else self.program[line - 1].strip()
            where = f"{file} line {source_line}: {source}"
            if "compilation" in self.error.get("source", "") and text:
                # The parser reports where it gave up; the fault is often a few lines before.
                first = max(1, source_line - 4)
                context = "\n".join(f"      {n}: {text[n - 1].rstrip()}" for n in range(first, source_line + 1)
                                    if n <= len(text))
                where += f" (where the parser gave up; the lines before it:)\n{context}"
            return where
        return f"program line {line}"

    def problem(self) -> str | None:
        """Why the page did not run to its end cleanly, or None."""
        faults = self.faults()
        if self.status == "error":
            number = int(self.error.get("number", "0"))
            description = self.error.get("description") or "(Wine gives no description; a compile error " \
                                                            "or a call on Nothing)"
            where = self.error_location()
            origin_file = where.split(" line ")[0]
            note = ""
            if origin_file in {path.name for path in STAND_INS}:
                note = " (raised by the test's stand-in for ADO/ASP, called from the page)"
            recent = "\n      ".join(f"{e.kind}: {e.detail}" for e in self.events[-6:])
            fault_text = "".join(f"\n    fault: {fault}" for fault in faults)
            return (f"{self.request.page}: VBScript error {number} (0x{number & 0xFFFFFFFF:08X}) "
                    f"{self.error.get('source', '')}: {description}\n    at {where}{note}{fault_text}\n"
                    f"    last recorded calls:\n      {recent}")
        if self.status not in ("ok", "ended"):
            return f"{self.request.page}: the host did not run the page ({self.status}): " \
                   f"{self.error.get('host', '')} {self.host_log}"
        if faults:
            return f"{self.request.page}: " + "; ".join(faults)
        return None

    # ------------------------------------------------------------ what it did

    def of_kind(self, kind: str) -> list[Event]:
        return [e for e in self.events if e.kind == kind]

    def sql(self, table: str | None = None) -> list[str]:
        """The statements sent, or those on one table (named after FROM)."""
        statements = [e.fields()[3] for e in self.of_kind("sql")]
        if table is None:
            return statements
        return [s for s in statements if re.search(r"\bFROM \[" + re.escape(table) + r"\]", s)]

    def params(self) -> list[tuple[str, int, str]]:
        return [(f[1], int(f[2]), f[3]) for f in (e.fields() for e in self.of_kind("param"))]

    def assignments(self) -> dict[str, str]:
        """Field name -> the value's kind and text, the last assignment of each."""
        return {f[1]: "\t".join(f[2:]) for f in (e.fields() for e in self.of_kind("assign"))}

    def updates(self) -> list[str]:
        return [e.fields()[2] for e in self.of_kind("update")]

    def deletes(self) -> list[str]:
        return [e.fields()[2] for e in self.of_kind("delete")]

    def touched_rows(self) -> list[tuple[str, int]]:
        """What each Update and Delete did, with the stand-in row it did it
        to (its position among the test's rows; a new one takes the next)."""
        return [(f[2], int(f[3])) for f in (e.fields() for e in self.of_kind("update"))] + \
            [("delete", int(e.fields()[3])) for e in self.of_kind("delete")]

    def selects(self, table: str | None = None) -> list[Select]:
        """The SELECTs that ran (refused or failed ones are not among them),
        or those on one table."""
        found = []
        for event in self.of_kind("select"):
            name, rows, sql = event.detail.split("\t", 3)[1:]
            if table is None or name.lower() == table.lower():
                found.append(Select(name, int(rows), sql))
        return found

    def rows_returned(self, table: str) -> int:
        """How many rows of table the page's SELECTs returned in all."""
        return sum(select.rows for select in self.selects(table))

    def refusals(self) -> list[str]:
        """The statements refused because they matched Request.refuse."""
        return [e.detail for e in self.of_kind("refused")]

    def log_entries(self) -> list[str]:
        """The texts the page gave Response.AppendToLog."""
        return [e.detail for e in self.of_kind("log")]

    def changes(self) -> list[RowChange]:
        """Each stored Update and each Delete, in the order the page did them."""
        found = []
        for event in self.events:
            if event.kind == "row":
                table, number, how, *values = event.fields()
                found.append(RowChange(table, int(number), how, {n: decode_exact(v) for n, v in enumerate(values)
                                                                  if v != "="}))
            elif event.kind == "delete":
                fields = event.fields()
                found.append(RowChange(fields[1], int(fields[3]), "delete"))
        return found

    def redirect(self) -> str | None:
        redirects = self.of_kind("redirect")
        return redirects[-1].detail if redirects else None

    def session(self) -> dict[str, Any]:
        """The session as the page left it (values as their kind-and-text)."""
        values: dict[str, str] = {}
        keys: dict[str, str] = {}
        for event in self.events:
            if event.kind in ("session.preset", "session"):
                name, value = event.detail.split("\t", 1)
                keys[name.lower()] = name
                values[name.lower()] = value
            elif event.kind == "session.abandon":
                values.clear()
        return {keys[k]: v for k, v in values.items()}

    def session_text(self, name: str) -> str | None:
        """A session value as text ("" for Empty), None where never set."""
        for key, value in self.session().items():
            if key.lower() == name.lower():
                if value == "Empty":
                    return ""
                return value[2:] if value.startswith("s:") else value
        return None

    def open_objects(self) -> list[str]:
        state: dict[str, bool] = {}
        for event in self.events:
            if event.kind == "open":
                state[event.fields()[0]] = True
            elif event.kind == "close":
                state[event.fields()[0]] = False
        return sorted(k for k, is_open in state.items() if is_open)


class PageRunner:
    def __init__(self, prefix: WinePrefix, work_dir: Path):
        self.prefix = prefix
        self.work_dir = work_dir
        self.work_dir.mkdir(parents=True, exist_ok=True)
        self.stand_in_lines = {path.name: path.read_text().splitlines() for path in STAND_INS}
        self._counter = itertools.count()

    def program_for(self, site: Path, request: Request) -> PageResult:
        page = asp_translate.translate_page(site / request.page)
        lines: list[str] = []
        origins: list[tuple[str, int]] = []
        if page.option_explicit:
            lines.append("Option Explicit")
            origins.append((request.page, 1))
        for name, stand_in in self.stand_in_lines.items():
            for number, line in enumerate(stand_in, start=1):
                lines.append(line)
                origins.append((name, number))
        setup = request_setup(request)
        setup.append(f"HarnessCodePage = {int(page.directives.get('CODEPAGE', '1252'))}")
        for number, line in enumerate(setup, start=1):
            lines.append(line)
            origins.append(("<the test's request>", number))
        lines.extend(page.lines)
        origins.extend(page.origins)
        page_lines = {**self.stand_in_lines, "<the test's request>": setup}
        for file in {origin[0] for origin in page.origins}:
            path = site / file
            if path.is_file():
                page_lines[file] = path.read_bytes().decode("utf-8", errors="replace").splitlines()
        return PageResult(request=request, program=lines, origins=origins, page_lines=page_lines,
                          directives=page.directives, directive_first=page.directive_first)

    def run(self, site: Path, requests: Iterable[Request], locale: str | None = None) -> list[PageResult]:
        """Runs the requests in order; locale (such as "de_DE.UTF-8") is the
        server's, the one VBScript formats and converts values by.

        A batch that Wine itself failed to run (no result, or the host
        script failed outside the page) runs once more: that is Wine's
        hiccup under load, not the page's. A page's own error never reruns."""
        requests = list(requests)
        results = self._run_batch(site, requests, locale)
        unrun = [result for result in results if result.status not in ("ok", "ended", "error")]
        if unrun:
            print(f"Wine did not run {len(unrun)} of {len(results)} pages ({unrun[0].problem()}); "
                  f"running the batch again", flush=True)
            results = self._run_batch(site, requests, locale)
        return results

    def _run_batch(self, site: Path, requests: list[Request], locale: str | None) -> list[PageResult]:
        results = [self.program_for(site, request) for request in requests]
        if not results:
            return results
        batch = next(self._counter)
        # A new folder for every run: each runner counts its batches from 0,
        # and a result file an earlier run left must never pass for this one's.
        batch_dir = Path(tempfile.mkdtemp(prefix=f"run-{os.getpid()}-{batch}-", dir=self.work_dir))
        jobs = []
        for index, result in enumerate(results):
            program_file = batch_dir / f"page{index}.vbs"
            result_file = batch_dir / f"page{index}.result"
            program_file.write_bytes(b"\xff\xfe" + "\r\n".join(result.program).encode("utf-16-le"))
            jobs.append(f"{WinePrefix.windows_path(program_file)}\t{WinePrefix.windows_path(result_file)}")
        jobs_file = batch_dir / "jobs.txt"
        jobs_file.write_bytes(b"\xff\xfe" + "\r\n".join(jobs).encode("utf-16-le"))
        log_file = batch_dir / "wine.log"
        self.prefix.run_host(HOST, jobs_file, log_file, timeout=60 + 10 * len(results), locale=locale)
        for index, result in enumerate(results):
            self._read_result(result, batch_dir / f"page{index}.result", log_file)
        return results

    @staticmethod
    def _read_result(result: PageResult, path: Path, log_file: Path) -> None:
        if not path.is_file():
            result.status = "no result"
            result.host_log = log_file.read_text(errors="replace")[-2000:]
            return
        text = path.read_bytes().decode("utf-16")
        for line in text.split("\n"):
            if not line:
                continue
            key, _, value = line.partition("\t")
            if key == "status":
                result.status = value
            elif key.startswith("error."):
                result.error[key[len("error."):]] = _unescape(value)
            elif key == "event":
                kind, _, detail = value.partition("\t")
                result.events.append(Event(_unescape(kind), _unescape(detail)))
            elif key == "output":
                result.output = _unescape(value)
