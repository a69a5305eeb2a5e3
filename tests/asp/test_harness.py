"""The page runner itself, on small hand-written pages: translation, error
reports that name the page and line, output encoding, and stand-ins strict
enough that a faulty page cannot pass."""

from __future__ import annotations

import shutil

import asp_tables
from asp_pages import PageTestCase, generate, sample_database, work_dir
from asp_run import AD_INTEGER, AD_VARWCHAR, Column, PageResult, PageRunner, Request, Table

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
    "late_charset.asp": HEAD + "<p>x</p>\r\n<%\r\nResponse.CharSet = \"utf-8\"\r\nconn.Close\r\n%>\r\n",
}


def news_table() -> Table:
    return Table("news", [Column("id", AD_INTEGER, 4, nullable=False, auto_increment=True),
                          Column("title", AD_VARWCHAR, 50), Column("hits", AD_INTEGER, 4)],
                 [[1, "first", 3], [2, "second", None], [3, "Third", 1]])


class SilentHost:
    """A Wine prefix whose host dies before it runs any page."""

    def run_host(self, host_script, jobs_file, log_file, timeout, locale=None) -> None:
        log_file.write_text("the host ran no page")


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
                            session={"count": 41} if name == "session.asp" else {})
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

    def test_charset_after_output_is_a_fault(self) -> None:
        self.assertIn("Response.CharSet set after the page began its output", self.problem("late_charset.asp"))

    def test_a_page_the_host_never_ran_has_no_result_of_an_earlier_run(self) -> None:
        # Another runner in this process, after this class's runs: what they
        # left in the work folder must not pass for its pages' results.
        silent = PageRunner(SilentHost(), self.runner.work_dir)
        (result,) = silent.run(work_dir() / "sites" / "harness", [Request("plain.asp", tables=[news_table()])])
        self.assertEqual(result.status, "no result")
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
