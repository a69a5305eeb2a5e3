"""The page runner itself, on small hand-written pages: translation, error
reports that name the page and line, output encoding, stand-ins strict
enough that a faulty page cannot pass, and a stand-in database that answers
as Jet does, is shared by browsers, and refuses statements on demand."""

from __future__ import annotations

import shutil
import threading
import time
from datetime import datetime
from decimal import Decimal
from pathlib import Path

import asp_tables
from asp_pages import Database, PageTestCase, generate, sample_database, session_after, work_dir
from asp_run import (AD_BOOLEAN, AD_CURRENCY, AD_DATE, AD_DBDATE, AD_DOUBLE, AD_INTEGER, AD_LONGVARBINARY,
                     AD_VARWCHAR, AccessDate, Column, PageResult, PageRunner, Request, Table, vbscript_literal)

LOCALES = ("en_US.UTF-8", "de_DE.UTF-8")

DB_ASP = (
    "<%\r\n"
    "dim conn,connstr\r\n"
    'connstr="DBQ="+server.mappath("shop.mdb")+";DefaultDir=;DRIVER={Microsoft Access Driver (*.mdb)};" \r\n'
    'set conn=server.createobject("ADODB.CONNECTION")\r\n'
    "conn.open connstr\r\n"
    "%>\r\n")

HEAD = '<%@ LANGUAGE="VBSCRIPT" CODEPAGE="65001" %><% Option Explicit %>\r\n<!--#include file="db.asp"-->\r\n'

PAGES = {
    "plain.asp": HEAD + (
        '<p class="x">Hello\u3000"world"</p>\r\n'
        "<% Dim name : name = Request.QueryString(\"name\") %>"
        "<b><%= Server.HTMLEncode(name) %></b><i><% =Len(name) %></i>\n"
        "<% conn.Close %>"),
    "ansi.asp": '<%@ LANGUAGE="VBSCRIPT" %>\r\n<p>\u3000</p>',
    "syntax.asp": HEAD + "<%\r\nDim x\r\nx = = 1\r\n%>\r\n",
    "undefined.asp": HEAD + "<%\r\nDim y\r\ny = 1\r\ny = notDeclared + 1\r\n%>\r\n",
    "include_error.asp": HEAD + "<p>before</p>\r\n<!--#include file=\"broken.inc\"-->\r\n<p>after</p>\r\n",
    "broken.inc": "<%\r\n' a helper with a fault\r\nResponse.Write 1 / nothing_here\r\n%>\r\n",
    "unknown_field.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 3, 1\r\nResponse.Write RS(\"nosuch\")\r\n%>\r\n"),
    "unknown_member.asp": HEAD + "<%\r\nResponse.Wrte \"x\"\r\n%>\r\n",
    # A page's own record object, read through its default member.
    "default_member_error.asp": HEAD + (
        "<%\r\nClass Fields\r\n  Public Default Property Get Item(name)\r\n"
        "    Err.Raise 3265, \"ADODB.Fields\", \"no field '\" & name & \"'\"\r\n"
        "  End Property\r\nEnd Class\r\nDim RS\r\nSet RS = New Fields\r\n"
        "Response.Write Server.HTMLEncode(rs(\"nosuch\") & \"\")\r\nconn.Close\r\n%>\r\n"),
    "redirect.asp": HEAD + "<%\r\nconn.Close\r\nResponse.Redirect \"news.asp\"\r\nResponse.Write \"after\"\r\n%>\r\n",
    "write_after_redirect.asp": HEAD + (
        "<%\r\nconn.Close\r\nOn Error Resume Next\r\nResponse.Redirect \"news.asp\"\r\n"
        "Response.Write \"after\"\r\n%>\r\n"),
    "runaway.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 3, 1\r\nDo While Not RS.EOF\r\n"
        "  Response.Write RS(\"title\")\r\nLoop\r\n%>\r\n"),
    "read_at_eof.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 3, 1\r\nDo While Not RS.EOF\r\n  RS.MoveNext\r\nLoop\r\n"
        "Response.Write RS(\"title\")\r\n%>\r\n"),
    "empty_into_number.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 1, 3\r\nRS(\"hits\") = \"\"\r\n%>\r\n"),
    "set_autonumber.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 1, 3\r\nRS.AddNew\r\nRS(\"id\") = 7\r\n%>\r\n"),
    "read_only_update.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 3, 1\r\nRS(\"title\") = \"x\"\r\n%>\r\n"),
    "unescaped_quote.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news] WHERE title LIKE '%O'Brien%'\", conn, 3, 1\r\n%>\r\n"),
    "unknown_order_column.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news] ORDER BY [nosuch] ASC\", conn, 3, 1\r\n%>\r\n"),
    "paging_forward_only.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 0, 1\r\nRS.PageSize = 2\r\nRS.AbsolutePage = 2\r\n%>\r\n"),
    "encode_null.asp": HEAD + "<%\r\nResponse.Write Server.HTMLEncode(Null)\r\n%>\r\n",
    "parameters.asp": HEAD + (
        "<%\r\nDim command, RS\r\nSet command = Server.CreateObject(\"ADODB.Command\")\r\n"
        "Set command.ActiveConnection = conn\r\ncommand.CommandText = \"SELECT * FROM [news] WHERE [id] = ?\"\r\n"
        "command.Parameters.Append command.CreateParameter(\"key\", 3, 1, 0, \"2\")\r\n"
        "Set RS = Server.CreateObject(\"ADODB.Recordset\")\r\nRS.Open command, , 1, 3\r\n"
        "Response.Write RS(\"title\") & \"|\" & RS.Fields.Item(1).Type & \"|\" & Server.URLEncode(\"a b&\u3000\")\r\n"
        "RS.Close\r\nconn.Close\r\n%>\r\n"),
    # Key conditions, IN lists and ORDER BY select and sort the rows as Jet does.
    "key_conditions.asp": HEAD + (
        "<%\r\nSub Show(sql, values)\r\n  Dim command, RS, value\r\n"
        "  Set command = Server.CreateObject(\"ADODB.Command\")\r\n  Set command.ActiveConnection = conn\r\n"
        "  command.CommandText = sql\r\n  For Each value In values\r\n"
        "    command.Parameters.Append command.CreateParameter(\"p\", 3, 1, 0, value)\r\n  Next\r\n"
        "  Set RS = command.Execute\r\n  Do While Not RS.EOF\r\n    Response.Write RS(\"id\") & \" \"\r\n"
        "    RS.MoveNext\r\n  Loop\r\n  Response.Write \"|\"\r\n  RS.Close\r\nEnd Sub\r\n"
        "Show \"SELECT * FROM [news] WHERE [id] IN (?, ?) ORDER BY [title] DESC\", Array(1, 3)\r\n"
        "Show \"SELECT * FROM [news] WHERE [id] = ? AND [hits] = ?\", Array(3, 3)\r\n"
        "Show \"SELECT * FROM [news] WHERE [id] = ? AND [hits] = ?\", Array(1, 3)\r\n"
        "Show \"SELECT * FROM [news] ORDER BY [hits] ASC\", Array()\r\nconn.Close\r\n%>\r\n"),
    "unselected_column.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = conn.Execute(\"SELECT [title] FROM [news]\")\r\nResponse.Write RS(\"id\")\r\n%>\r\n"),
    "session.asp": HEAD + "<%\r\nSession(\"count\") = Session(\"Count\") + 1\r\nconn.Close\r\n%>\r\n",
    "abandon.asp": HEAD + ("<%\r\nSession(\"kept\") = 1\r\nSession.Abandon\r\nSession(\"after\") = 2\r\nconn.Close\r\n"
                           "%>\r\n"),
    "tab_value.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [news]\", conn, 1, 3\r\nRS(\"title\") = \"a\" & vbTab & \"b\"\r\nRS.Update\r\n"
        "RS.Close\r\nconn.Close\r\n%>\r\n"),
    "late_charset.asp": HEAD + "<p>x</p>\r\n<%\r\nResponse.CharSet = \"utf-8\"\r\nconn.Close\r\n%>\r\n",
}


def news_table() -> Table:
    return Table("news", [Column("id", AD_INTEGER, 4, nullable=False, auto_increment=True),
                          Column("title", AD_VARWCHAR, 50), Column("hits", AD_INTEGER, 4)],
                 [[1, "first", 3], [2, "second", None], [3, "Third", 1]])


class FlakyHost:
    """A Wine prefix whose host dies before it runs any page the first
    `silent_runs` times, and then runs them in the real prefix."""

    def __init__(self, prefix, silent_runs: int):
        self.prefix = prefix
        self.silent_runs = silent_runs
        self.runs = 0

    def run_host(self, host_script, jobs_file, log_file, timeout, locale=None) -> None:
        self.runs += 1
        if self.runs <= self.silent_runs:
            log_file.write_text("the host ran no page")
        else:
            self.prefix.run_host(host_script, jobs_file, log_file, timeout, locale)


class HarnessTest(PageTestCase):
    results: dict[str, PageResult]

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        site = work_dir() / "sites" / "harness"
        if site.exists():
            shutil.rmtree(site)
        site.mkdir(parents=True)
        (site / "db.asp").write_bytes(DB_ASP.encode())
        for name, text in PAGES.items():
            (site / name).write_bytes(text.encode("utf-8"))
        requests = [Request(name, tables=[news_table()], query={"name": '<a href="x">'} if name == "plain.asp" else {},
                            session={"count": 41} if name in ("session.asp", "abandon.asp") else {})
                    for name in PAGES if name.endswith(".asp")]
        cls.results = {r.request.page: r for r in cls.run_pages(site, requests)}

    def problem(self, page: str) -> str:
        problem = self.results[page].problem()
        self.assertIsNotNone(problem, f"{page} should have failed")
        return problem

    def test_page_becomes_program_with_exact_output(self) -> None:
        result = self.results["plain.asp"]
        self.assertRan(result)
        self.assertEqual(result.output_bytes,
                         b"\r\n\r\n\r\n"  # after the Option Explicit block, inside and after db.asp
                         b'<p class="x">Hello\xe3\x80\x80"world"</p>\r\n'
                         b"<b>&lt;a href=&quot;x&quot;&gt;</b><i>12</i>\n")
        self.assertEqual(result.directives, {"LANGUAGE": "VBSCRIPT", "CODEPAGE": "65001"})
        self.assertTrue(result.directive_first)

    def test_output_takes_the_page_code_page(self) -> None:
        result = self.results["ansi.asp"]
        self.assertRan(result)
        self.assertEqual(result.output_bytes, b"\r\n<p>?</p>")

    def test_compile_error_names_the_page(self) -> None:
        self.assertIn("syntax.asp", self.problem("syntax.asp"))

    def test_runtime_error_names_page_and_line(self) -> None:
        self.assertIn("undefined.asp line 6: y = notDeclared + 1", self.problem("undefined.asp"))

    def test_error_in_an_include_names_the_include(self) -> None:
        problem = self.problem("include_error.asp")
        self.assertIn("broken.inc line 3: Response.Write 1 / nothing_here", problem)
        self.assertIn("<p>before</p>", self.results["include_error.asp"].output)

    def test_unknown_field_raises_like_ado(self) -> None:
        problem = self.problem("unknown_field.asp")
        self.assertIn("no field 'nosuch' in news", problem)
        self.assertIn("error 3265", problem)

    def test_error_in_a_default_member_fails_the_page(self) -> None:
        self.assertIn("no field 'nosuch'", self.problem("default_member_error.asp"))

    def test_unknown_member_fails_on_its_line(self) -> None:
        self.assertIn("unknown_member.asp line 4: Response.Wrte", self.problem("unknown_member.asp"))

    def test_redirect_ends_the_page(self) -> None:
        result = self.results["redirect.asp"]
        self.assertRan(result)
        self.assertEqual(result.status, "ended")
        self.assertEqual(result.redirect(), "news.asp")
        self.assertNotIn("after", result.output)

    def test_writing_after_a_swallowed_redirect_is_a_fault(self) -> None:
        self.assertIn("Response.Write after the page ended", self.problem("write_after_redirect.asp"))

    def test_endless_loop_stops_with_an_error(self) -> None:
        self.assertIn("Runaway page", self.problem("runaway.asp"))

    def test_reading_past_the_last_record_fails(self) -> None:
        self.assertIn("Either BOF or EOF is True", self.problem("read_at_eof.asp"))

    def test_values_a_column_cannot_hold_fail(self) -> None:
        self.assertIn("'' is no number for hits", self.problem("empty_into_number.asp"))
        self.assertIn("id cannot be updated (AutoNumber)", self.problem("set_autonumber.asp"))
        self.assertIn("does not support updating", self.problem("read_only_update.asp"))

    def test_sql_checks(self) -> None:
        self.assertIn("Syntax error in string", self.problem("unescaped_quote.asp"))
        self.assertIn("Too few parameters. Expected 1. ('nosuch' is no column of news)",
                      self.problem("unknown_order_column.asp"))

    def test_paging_needs_a_scrolling_cursor(self) -> None:
        self.assertIn("forward-only cursor cannot set AbsolutePage", self.problem("paging_forward_only.asp"))

    def test_html_encode_of_null_fails_as_on_iis(self) -> None:
        self.assertIn("Invalid use of Null", self.problem("encode_null.asp"))

    def test_parameters_select_the_record(self) -> None:
        result = self.results["parameters.asp"]
        self.assertRan(result)
        self.assertEqual(result.sql(), ["SELECT * FROM [news] WHERE [id] = ?"])
        self.assertEqual(result.params(), [("key", 3, "s:2")])
        self.assertEqual(result.output.strip(), "second|202|a+b%26%E3%80%80")
        self.assertEqual(result.open_objects(), [])

    def test_key_conditions_select_and_order_by_sorts(self) -> None:
        result = self.results["key_conditions.asp"]
        self.assertRan(result)
        self.assertEqual(result.output.strip(), "3 1 ||1 |2 3 1 |")

    def test_a_column_the_select_leaves_out_cannot_be_read(self) -> None:
        self.assertIn("no field 'id' in news", self.problem("unselected_column.asp"))

    def test_session_values_carry_their_kind(self) -> None:
        result = self.results["session.asp"]
        self.assertRan(result)
        self.assertEqual(result.session(), {"count": "n:42"})

    def test_an_abandoned_session_is_not_carried_on(self) -> None:
        result = self.results["abandon.asp"]
        self.assertRan(result)
        self.assertEqual(session_after(result, {"count": 41}), {"after": 2})

    def test_assigned_text_is_read_back_whole(self) -> None:
        self.assertRan(self.results["tab_value.asp"])
        self.assertEqual(self.results["tab_value.asp"].assignments(), {"title": "s:a\tb"})

    def test_charset_after_output_is_a_fault(self) -> None:
        self.assertIn("Response.CharSet set after the page began its output", self.problem("late_charset.asp"))

    def test_a_batch_wine_did_not_run_runs_once_more(self) -> None:
        # Other runners in this process, after this class's runs: what they
        # left in the work folder must not pass for their pages' results.
        for page, silent_runs, status, runs in (("plain.asp", 1, "ok", 2), ("plain.asp", 9, "no result", 2),
                                                ("syntax.asp", 0, "error", 1)):
            with self.subTest(page=page, silent_runs=silent_runs):
                host = FlakyHost(self.runner.prefix, silent_runs)
                runner = PageRunner(host, self.runner.work_dir)
                (result,) = runner.run(work_dir() / "sites" / "harness", [Request(page, tables=[news_table()])])
                self.assertEqual((result.status, host.runs), (status, runs))
                if status == "no result":
                    self.assertIn("the host ran no page", result.problem())


class EntryTheTableLacksTest(PageTestCase):
    """Generated pages that name a column the table lacks fail as on IIS,
    however the page reaches the column."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        fields = ["OrderID", "ShipName", "ShipNameTypo"]
        site = generate(database, "Orders", "nwind-orders-typo", job={"fields": fields})
        table = [asp_tables.orders(3)]
        cls.results = cls.run_pages(site, [
            Request("nwindlist.asp", tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "10249"}, tables=table),
        ])

    def test_every_page_fails_naming_the_column(self) -> None:
        for result in self.results:
            with self.subTest(page=result.request.page):
                problem = result.problem()
                self.assertIsNotNone(problem, f"{result.request.page} should have failed")
                self.assertIn("no field 'ShipNameTypo' in Orders", problem)


def items() -> Table:
    """A small table of every kind a condition compares: text (with a %, a
    bracket and a letter outside ASCII), currency, dates (one a time of day
    alone), doubles, Yes/No, binary data; Nulls among them."""
    columns = [Column("id", AD_INTEGER, 4, nullable=False, auto_increment=True), Column("name", AD_VARWCHAR, 50),
               Column("price", AD_CURRENCY, 8), Column("made", AD_DATE, 8), Column("ratio", AD_DOUBLE, 8),
               Column("active", AD_BOOLEAN, 2, nullable=False), Column("photo", AD_LONGVARBINARY, 1 << 30)]
    return Table("items", columns, [
        [1, "Apple", Decimal("32.38"), datetime(1996, 7, 4), 0.5, True, bytes(10)],
        [2, "apple pie", Decimal("1.5"), datetime(1996, 7, 4, 14, 5), None, False, None],
        [3, "Zürich 50%", None, datetime(2024, 1, 31), 1000.0, True, None],
        [4, None, Decimal("0"), None, -5.0, False, None],
        [5, "Kiwi_Gold [x]", Decimal("32.38"), datetime(1899, 12, 30, 8), 2.25, True, None]])


SELECT = "SELECT [id] FROM [items] "
MISMATCH = (-2147217913, "Data type mismatch in criteria expression")
SYNTAX = -2147217900
# (statement, its parameters (ADO type, value), what it returns: the ids in
# order, a pair where en-US and de-DE differ, or the error and a part of its
# description)
STATEMENTS = [
    (SELECT + "WHERE [name] = 'APPLE'", [], "1"),
    (SELECT + "WHERE [name] <> 'apple'", [], "2 3 5"),
    (SELECT + "WHERE [name] LIKE 'a_ple' OR [name] LIKE '*pie'", [], "1 2"),
    (SELECT + "WHERE [name] LIKE '%[%]' OR [name] LIKE '%[[]%'", [], "3 5"),
    (SELECT + "WHERE [name] LIKE '%#%' AND [name] LIKE '[!a-k]%'", [], "3"),
    (SELECT + "WHERE [name] LIKE '%Z' & ChrW(252) & 'rich%'", [], "3"),
    (SELECT + "WHERE [name] NOT LIKE '%e%'", [], "3 5"),
    (SELECT + "WHERE [name] IS NULL OR [photo] IS NOT NULL", [], "1 4"),
    (SELECT + "WHERE [price] = 32.38 AND NOT [active] = False", [], "1 5"),
    (SELECT + "WHERE [price] BETWEEN 2 AND 0", [], "2 4"),
    (SELECT + "WHERE [made] = #1996-07-04# OR [made] = #7/4/1996 14:05:00#", [], "1 2"),
    (SELECT + "WHERE ([made] > #1996-07-04#) AND [made] < #2024-01-31#", [], "2"),
    (SELECT + "WHERE [id] IN (1, 3, Null)", [], "1 3"),
    (SELECT + "WHERE [id] NOT IN (1, Null) OR NOT ([ratio] > 0)", [], "4"),
    (SELECT + "WHERE [ratio] = 1E3 OR [ratio] = -5", [], "3 4"),
    (SELECT + "ORDER BY [price] DESC, [id]", [], "1 5 2 4 3"),
    (SELECT + "ORDER BY [name]", [], "4 1 2 5 3"),
    ("SELECT TOP 1 [id] FROM [items] ORDER BY [price] DESC", [], "1 5"),
    ("SELECT TOP 2 [id] FROM [items]", [], "1 2"),
    ("SELECT COUNT(*) FROM [items] WHERE [active] = True", [], "3"),
    (SELECT + "WHERE [made] = ? OR [name] = ?", [(AD_DATE, datetime(1996, 7, 4)), (AD_VARWCHAR, "APPLE PIE")],
     "1 2"),
    (SELECT + "WHERE [made] = ?", [(AD_DBDATE, datetime(1996, 7, 4, 14, 5))], "1"),
    (SELECT + "WHERE [active] = ? AND [id] > ?", [(AD_BOOLEAN, False), (AD_INTEGER, "3")], "4"),
    (SELECT + "WHERE [price] = ?", [(AD_CURRENCY, "32.38")], ("1 5", "")),
    (SELECT + "WHERE [price] LIKE '32.38'", [], ("1 5", "")),
    (SELECT + "WHERE [price] LIKE '32,38'", [], ("", "1 5")),
    (SELECT + "WHERE [made] LIKE '7/4/1996%'", [], ("1 2", "")),
    (SELECT + "WHERE [made] LIKE '%7.1996%'", [], ("", "1 2")),
    (SELECT + "WHERE [active] LIKE '-1'", [], "1 3 5"),
    (SELECT + "WHERE [name] = 5", [], MISMATCH),
    (SELECT + "WHERE [made] = '1996-07-04'", [], MISMATCH),
    (SELECT + "WHERE [id] = ?", [(AD_VARWCHAR, "3")], MISMATCH),
    (SELECT + "WHERE [photo] = 1", [], (SYNTAX, "Invalid use of the OLE Object column 'photo'")),
    (SELECT + "ORDER BY [photo]", [], (SYNTAX, "Invalid use of the OLE Object column 'photo'")),
    ("SELECT DISTINCT [id] FROM [items]", [], (SYNTAX, "met 'DISTINCT'")),
    (SELECT + "WHERE UCase([name]) = 'A'", [], (SYNTAX, "met 'UCase'")),
    (SELECT + "GROUP BY [id]", [], (SYNTAX, "met 'GROUP'")),
    ("UPDATE [items] SET [name] = 'x'", [], (SYNTAX, "met 'UPDATE'")),
    (SELECT + "WHERE [name] LIKE 'a[b'", [], (SYNTAX, "Invalid pattern string")),
    (SELECT + "WHERE [made] = #2001-02-29#", [], (SYNTAX, "Syntax error in date")),
    (SELECT + "WHERE [nosuch] = 1", [], (-2147217904, "'nosuch' is no column of items")),
]

STATEMENTS_PAGE = HEAD + (
    "<%\r\nSub Show(sql, parameters)\r\n  Dim command, RS, i\r\n"
    "  Set command = Server.CreateObject(\"ADODB.Command\")\r\n  Set command.ActiveConnection = conn\r\n"
    "  command.CommandText = sql\r\n  For i = 0 To UBound(parameters) Step 2\r\n"
    "    command.Parameters.Append command.CreateParameter(\"p\" & i, parameters(i), 1, 50, parameters(i + 1))\r\n"
    "  Next\r\n  On Error Resume Next\r\n  Set RS = command.Execute\r\n  If Err.Number <> 0 Then\r\n"
    "    Response.Write \"error \" & Err.Number & \": \" & Err.Description & vbLf\r\n    Exit Sub\r\n  End If\r\n"
    "  On Error GoTo 0\r\n  Do While Not RS.EOF\r\n    Response.Write RS(0) & \" \"\r\n    RS.MoveNext\r\n  Loop\r\n"
    "  Response.Write vbLf\r\n  RS.Close\r\nEnd Sub\r\n"
    + "".join(f"Show {vbscript_literal(sql)}, Array("
              + ", ".join(f"{kind}, {vbscript_literal(value)}" for kind, value in parameters) + ")\r\n"
              for sql, parameters, _ in STATEMENTS)
    + "conn.Close\r\n%>\r\n")


def write_site(name: str, pages: dict[str, str]) -> Path:
    site = work_dir() / "sites" / name
    if site.exists():
        shutil.rmtree(site)
    site.mkdir(parents=True)
    (site / "db.asp").write_bytes(DB_ASP.encode())
    for page, text in pages.items():
        (site / page).write_bytes(text.encode("utf-8"))
    return site


class StatementTest(PageTestCase):
    """The stand-in database answers each statement as Jet would, under an
    English and a German server locale, and records the rows each returned."""

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        site = write_site("harness-statements", {"statements.asp": STATEMENTS_PAGE})
        cls.results = {locale: cls.run_pages(site, [Request("statements.asp", tables=[items()])], locale)[0]
                       for locale in LOCALES}

    def test_each_statement_returns_what_jet_returns(self) -> None:
        for number, locale in enumerate(LOCALES):
            result = self.results[locale]
            self.assertRan(result)
            answers = result.output.strip("\r\n").split("\n")
            self.assertEqual(len(answers), len(STATEMENTS))
            counts = []
            for (sql, parameters, expected), answer in zip(STATEMENTS, answers):
                with self.subTest(locale=locale, sql=sql, parameters=parameters):
                    if isinstance(expected, tuple) and isinstance(expected[0], int):
                        self.assertTrue(answer.startswith(f"error {expected[0]}: [Microsoft][ODBC Microsoft Access "
                                                          f"Driver] "), answer)
                        self.assertIn(expected[1], answer)
                        continue
                    ids = expected[number] if isinstance(expected, tuple) else expected
                    self.assertEqual(answer.strip(), ids)
                    counts.append(1 if "COUNT(*)" in sql else len(ids.split()))
            self.assertEqual([select.rows for select in result.selects("items")], counts)


# Pages on the items table as two browsers use them: a form that shows a
# record (and what it showed), a save that writes what the user changed, a
# list; and one page that deletes, adds, cancels an edit and then lists in
# the same request, and one that reads back what the other stored.
OPEN_ITEM = (
    "Dim command, RS\r\nSet command = Server.CreateObject(\"ADODB.Command\")\r\n"
    "Set command.ActiveConnection = conn\r\ncommand.CommandText = \"SELECT * FROM [items] WHERE [id] = ?\"\r\n"
    "command.Parameters.Append command.CreateParameter(\"id\", 3, 1, 0, Request.QueryString(\"id\"))\r\n"
    "Set RS = Server.CreateObject(\"ADODB.Recordset\")\r\nRS.Open command, , 1, 3\r\n")
SHARED_PAGES = {
    "record.asp": HEAD + "<%\r\n" + OPEN_ITEM + "%><p><%= Session.SessionID %></p>"
    "<form method=\"post\" action=\"save.asp?id=<%= RS(\"id\") %>\">"
    "<input name=\"name\" value=\"<%= Server.HTMLEncode(RS(\"name\") & \"\") %>\">"
    "<input type=\"hidden\" name=\"name.shown\" value=\"<%= Server.HTMLEncode(RS(\"name\") & \"\") %>\">"
    "<input name=\"ratio\" value=\"<%= RS(\"ratio\") %>\">"
    "<input type=\"hidden\" name=\"ratio.shown\" value=\"<%= RS(\"ratio\") %>\"></form>"
    "<%\r\nRS.Close\r\nconn.Close\r\n%>",
    "save.asp": HEAD + "<%\r\n" + OPEN_ITEM + "Dim name\r\nFor Each name In Array(\"name\", \"ratio\")\r\n"
    "  If Request.Form(name) & \"\" <> Request.Form(name & \".shown\") & \"\" Then\r\n"
    "    RS(name) = Request.Form(name) & \"\"\r\n  End If\r\n"
    "Next\r\nRS.Update\r\nRS.Close\r\nconn.Close\r\nResponse.Redirect \"list.asp\"\r\n%>",
    "list.asp": HEAD + "<%\r\nDim RS\r\n"
    "Set RS = conn.Execute(\"SELECT [id], [name], [ratio] FROM [items] ORDER BY [id]\")\r\n"
    "Do While Not RS.EOF\r\n  Response.Write RS(\"id\") & \"=\" & RS(\"name\") & \"=\" & RS(\"ratio\") & \";\"\r\n"
    "  RS.MoveNext\r\nLoop\r\nRS.Close\r\nconn.Close\r\n%>",
    "churn.asp": HEAD + (
        "<%\r\nDim RS\r\nSet RS = Server.CreateObject(\"ADODB.Recordset\")\r\n"
        "RS.Open \"SELECT * FROM [items] WHERE [id] = 1\", conn, 1, 3\r\nRS.Delete\r\nRS.Close\r\n"
        "RS.Open \"SELECT * FROM [items] WHERE 1=0\", conn, 1, 3\r\nRS.AddNew\r\nRS(\"name\") = \"added\"\r\n"
        "RS(\"ratio\") = 0.1 + 0.2\r\nRS(\"made\") = CDate(45322.5 + 0.25 / 86400)\r\nRS.Update\r\n"
        "Response.Write RS(\"id\") & \"|\"\r\nRS.Close\r\n"
        "RS.Open \"SELECT * FROM [items] WHERE [id] = 2\", conn, 1, 3\r\nRS(\"name\") = \"never stored\"\r\n"
        "RS.CancelUpdate\r\nRS.Close\r\n"
        "Set RS = conn.Execute(\"SELECT [id], [name] FROM [items] ORDER BY [id]\")\r\n"
        "Do While Not RS.EOF\r\n  Response.Write RS(\"id\") & \"=\" & RS(\"name\") & \";\"\r\n  RS.MoveNext\r\nLoop\r\n"
        "RS.Close\r\nconn.Close\r\n%>"),
    "check.asp": HEAD + (
        "<%\r\nDim RS, same\r\nSet RS = conn.Execute(\"SELECT * FROM [items] WHERE [name] = 'added'\")\r\n"
        "same = (RS(\"ratio\") = 0.1 + 0.2) & \"|\" & (CDbl(RS(\"made\")) = 45322.5 + 0.25 / 86400)\r\n"
        "Response.Write same\r\n"
        "RS.Close\r\nconn.Close\r\n%>"),
}


class SharedDatabaseTest(PageTestCase):
    """Two browsers on one database: what a page stores, the next request
    of either sees, exactly as stored."""

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        cls.site = write_site("harness-shared", SHARED_PAGES)

    def test_two_browsers_see_each_others_changes(self) -> None:
        database = Database([items()])
        a, b = self.browser(self.site, database), self.browser(self.site, database)
        form_a, form_b = a.open("record.asp", {"id": "2"}), b.open("record.asp", {"id": "2"})
        self.assertNotEqual(form_a.output.split("</p>")[0], form_b.output.split("</p>")[0])
        listed_by_b = b.follow(b.submit(form_b, {"name": "by B"}))
        listed_by_a = a.follow(a.submit(form_a, {"ratio": "7.5"}))
        for result in (form_a, form_b, listed_by_b, listed_by_a):
            self.assertRan(result)
        self.assertIn("2=by B=;", listed_by_b.output)
        self.assertIn("2=by B=7.5;", listed_by_a.output)
        self.assertEqual(database.table("items").rows[1],
                         [2, "by B", Decimal("1.5"), datetime(1996, 7, 4, 14, 5), 7.5, False, None])

    def test_deletes_additions_and_cancelled_edits(self) -> None:
        database = Database([items()])
        a, b = self.browser(self.site, database), self.browser(self.site, database)
        churned = a.open("churn.asp")
        self.assertRan(churned)
        self.assertEqual(churned.output.strip(), "6|2=apple pie;3=Zürich 50%;4=;5=Kiwi_Gold [x];6=added;")
        self.assertEqual([row[0] for row in database.table("items").rows], [2, 3, 4, 5, 6])
        self.assertEqual(database.table("items").rows[-1],
                         [6, "added", None, AccessDate(45322.5 + 0.25 / 86400), 0.1 + 0.2, False, None])
        checked = b.open("check.asp")
        self.assertRan(checked)
        self.assertEqual(checked.output.strip(), "True|True")


REFUSED_PAGE = HEAD + (
    "<%\r\nDim sql, RS\r\nFor Each sql In Array(\"SELECT * FROM [items]\", \"SELECT * FROM [items] WHERE 1=0\", "
    "\"select [id] from [ITEMS] where [id] = 1\")\r\n  On Error Resume Next\r\n  Set RS = conn.Execute(sql)\r\n"
    "  Response.Write Err.Number & \"|\" & Err.Source & \"|\" & Err.Description & vbLf\r\n  On Error GoTo 0\r\nNext\r\n"
    "conn.Close\r\n%>")
LOG_PAGE = HEAD + "<%\r\nResponse.AppendToLog Request.QueryString(\"text\")\r\nconn.Close\r\n%>"


class RefusalAndLogTest(PageTestCase):
    """Statements a request names are refused as the driver refuses them;
    Response.AppendToLog is recorded, and refused where IIS refuses it."""

    # (text for the log, the fault it makes)
    LOG_TEXTS = [("page 1 of 3", None), ("a,b", "with a comma"), ("x" * 80, None),
                 ("x" * 81, "of 81 characters")]

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        site = write_site("harness-refusal", {"refused.asp": REFUSED_PAGE, "log.asp": LOG_PAGE})
        cls.refused, *cls.logged = cls.run_pages(
            site, [Request("refused.asp", tables=[items()], refuse=[r"FROM \[items\] WHERE"])] +
            [Request("log.asp", query={"text": text}) for text, _ in cls.LOG_TEXTS])

    def test_statements_matching_a_pattern_are_refused(self) -> None:
        self.assertRan(self.refused)
        refusal = ("-2147467259|Microsoft OLE DB Provider for ODBC Drivers|[Microsoft][ODBC Microsoft Access Driver] "
                   "Record(s) cannot be read; no read permission on '{}'.")
        self.assertEqual(self.refused.output.strip().split("\n"),
                         ["0||", refusal.format("items"), refusal.format("ITEMS")])
        self.assertEqual(self.refused.refusals(), ["SELECT * FROM [items] WHERE 1=0",
                                                   "select [id] from [ITEMS] where [id] = 1"])

    def test_log_entries_and_what_iis_refuses(self) -> None:
        for (text, fault), result in zip(self.LOG_TEXTS, self.logged):
            with self.subTest(text=text):
                self.assertEqual(result.log_entries(), [text])
                faults = result.faults()
                if fault is None:
                    self.assertEqual(faults, [])
                else:
                    self.assertEqual(len(faults), 1)
                    self.assertIn(fault, faults[0])


class LargeTableTest(PageTestCase):
    """Thousands of rows: selected, sorted and cut to the top ones in a few
    seconds (a quadratic sort would take minutes)."""

    def test_a_large_table_is_searched_and_sorted(self) -> None:
        rows = [[n, f"item {n}", Decimal(n % 97) / 4, datetime(2024, 1, 1 + n % 28), n / 7, n % 2 == 0, None]
                for n in range(1, 2001)]
        table = Table("items", items().columns, rows)
        page = HEAD + ("<%\r\nDim RS\r\nSet RS = conn.Execute(\"SELECT TOP 50 [id] FROM [items] WHERE [name] LIKE "
                       "'%7%' ORDER BY [price] DESC, [made], [id] DESC\")\r\nDo While Not RS.EOF\r\n"
                       "  Response.Write RS(0) & \" \"\r\n  RS.MoveNext\r\nLoop\r\nconn.Close\r\n%>\r\n")
        site = write_site("harness-large", {"large.asp": page})
        started = time.monotonic()
        (result,) = self.run_pages(site, [Request("large.asp", tables=[table])])
        elapsed = time.monotonic() - started
        self.assertRan(result)
        matching = [r for r in rows if "7" in r[1]]
        matching.sort(key=lambda r: -r[0])
        matching.sort(key=lambda r: r[3])
        matching.sort(key=lambda r: -r[2])
        self.assertEqual(result.output.split(), [str(r[0]) for r in matching[:50]])
        self.assertEqual(result.rows_returned("items"), 50)
        self.assertLess(elapsed, 30)


class LocaleTest(PageTestCase):
    """Pages run at once under two locales each see their own (Wine keeps
    the locale in the prefix's registry, where each process sets its own)."""

    def test_pages_of_two_locales_at_once_keep_theirs(self) -> None:
        site = write_site("harness-locale", {"decimal.asp": "<% Response.Write CStr(1.5) %>"})
        shown: dict[str, list[str]] = {locale: [] for locale in LOCALES}

        def run(locale: str) -> None:
            for _ in range(6):
                shown[locale] += [r.output for r in self.run_pages(site, [Request("decimal.asp")], locale)]

        threads = [threading.Thread(target=run, args=(locale,)) for locale in LOCALES]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(shown, {"en_US.UTF-8": ["1.5"] * 6, "de_DE.UTF-8": ["1,5"] * 6})
