"""Templates people write: a set that provides only what the fragments have
always needed (RS/rs, action, txtFilter, searchfilter, Session("tablelist"),
Session("searchname")) still gives pages that search, filter, edit, add,
save and delete, and a template keeps its own version of a helper. And a
database file name of any shape: the pages compile and connect to it."""

from __future__ import annotations

import shutil

import asp_tables
from asp_pages import PageTestCase, generate, sample_database, session_after, submission, work_dir
from asp_run import Request

HEAD = '<%@ LANGUAGE="VBSCRIPT" %>\r\n<!--#include file="db.asp"-->\r\n'

LIST = HEAD + """<%
Dim RS, sql, searchfilter
Session("tablelist") = "<!--@FILE@-->list.asp"
If Request.ServerVariables("REQUEST_METHOD") = "POST" Then Session("searchname") = Request.Form("searchname")
searchfilter = ""
If Session("searchname") <> "" Then
<!--@SEARCH@-->
End If
sql = "SELECT * FROM [<!--@NAME@-->]"
If searchfilter <> "" Then sql = sql & " WHERE " & Mid(searchfilter, 5)
If Session("filter") <> "" Then
  If searchfilter <> "" Then sql = sql & " AND " Else sql = sql & " WHERE "
  sql = sql & Session("filter")
End If
Set RS = Server.CreateObject("ADODB.Recordset")
RS.Open sql, conn, 3, 1
%>
<html><body><table><tr><!--@HEAD@--></tr>
<% Do While Not RS.EOF %><tr><!--@BODY@--></tr>
<% RS.MoveNext
Loop
RS.Close
conn.Close %></table></body></html>
"""

EDIT = HEAD + """<%
Dim action, RS
action = Request.QueryString("action")
Set RS = Server.CreateObject("ADODB.Recordset")
If action = "add" Then
  RS.Open "SELECT * FROM [<!--@NAME@-->] WHERE 1=0", conn, 1, 3
Else
  RS.Open "SELECT * FROM [<!--@NAME@-->] WHERE [OrderID] = " & CLng(Request.QueryString("id")), conn, 1, 3
End If
If Request.ServerVariables("REQUEST_METHOD") = "POST" Then
  If action = "delete" Then
    RS.Delete
  Else
    If action = "add" Then RS.AddNew
<!--@EDIT@-->
    RS.Update
  End If
  RS.Close
  conn.Close
  Response.Redirect "<!--@FILE@-->list.asp"
End If
%>
<html><body><form method="post" action="<!--@FILE@-->edit.asp?action=<%= action %>&id=<%= Request.QueryString("id") %>">
<table>
<!--@FORM@-->
</table><input type="submit" value="Save"></form></body></html>
<% RS.Close
conn.Close %>
"""

FILTER = HEAD + """<%
Dim txtFilter
If Request.ServerVariables("REQUEST_METHOD") = "POST" Then
  txtFilter = ""
<!--@FILTER@-->
  If Right(txtFilter, 4) = " and" Then txtFilter = Left(txtFilter, Len(txtFilter) - 4)
  Session("filter") = txtFilter
  conn.Close
  Response.Redirect "<!--@FILE@-->list.asp"
End If
%>
<html><body><form method="post" action="<!--@FILE@-->filter.asp"><table>
<!--@FILTERFORM@-->
</table><input type="submit" value="Apply"></form></body></html>
<% conn.Close %>
"""

# A filter template with its own LikeText: no pattern characters, only
# quotes doubled.
OWN_LIKE_TEXT = FILTER.replace("<%\nDim txtFilter", """<%
Function LikeText(text)
  LikeText = Replace(text, "'", "''")
End Function
Dim txtFilter""")

JOB = {"fields": ["CustomerID", "ShipName", "Freight"], "display": ["Customer", "Ship to", "Freight"],
       "filter": ["ShipName", "ShipCity"], "search": ["ShipName", "ShipCity"]}


def write_templates(name: str, filter_template: str) -> object:
    folder = work_dir() / "templates" / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for file, text in (("filelist.dat", LIST), ("fileedit.dat", EDIT), ("filefilter.dat", filter_template)):
        (folder / file).write_bytes(text.replace("\n", "\r\n").encode())
    return folder


class TemplatesOfTheirOwnTest(PageTestCase):
    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.with_references(asp_tables.orders(3))
        cls.runs = {}
        for name, filter_template in (("plain", FILTER), ("own-liketext", OWN_LIKE_TEXT)):
            site = generate(database, "Orders", f"own-templates-{name}", job=JOB,
                            templates=write_templates(name, filter_template))
            listed, searched, filter_form, filtered, edit_form, add_form, deleted = cls.run_pages(site, [
                Request("nwindlist.asp", tables=cls.table),
                Request("nwindlist.asp", method="POST", form={"searchname": "O'Brien"}, tables=cls.table),
                Request("nwindfilter.asp", tables=cls.table),
                Request("nwindfilter.asp", method="POST", form={"ShipName": "Zoë's", "ShipCity": ""},
                        tables=cls.table),
                Request("nwindedit.asp", query={"action": "edit", "id": "10248"}, tables=cls.table),
                Request("nwindedit.asp", query={"action": "add"}, tables=cls.table),
                Request("nwindedit.asp", method="POST", query={"action": "delete", "id": "10249"},
                        tables=cls.table),
            ])
            saved, added, listed_filtered = cls.run_pages(site, [
                submission(edit_form, {"ShipName": "Chevalier & Fils"}),
                submission(add_form, {"CustomerID": "ALFKI", "ShipName": "New", "Freight": "5"}),
                Request("nwindlist.asp", session=session_after(filtered), tables=cls.table)])
            cls.runs[name] = dict(listed=listed, searched=searched, filter_form=filter_form, filtered=filtered,
                                  edit_form=edit_form, add_form=add_form, deleted=deleted, saved=saved, added=added,
                                  listed_filtered=listed_filtered)

    def test_every_page_runs_its_whole_course(self) -> None:
        for name, runs in self.runs.items():
            for step, result in runs.items():
                with self.subTest(templates=name, step=step):
                    self.assertRan(result)
            with self.subTest(templates=name):
                self.assertEqual(runs["saved"].assignments()["ShipName"], "s:Chevalier & Fils")
                self.assertEqual(len(runs["saved"].updates()), 1)
                self.assertEqual(runs["added"].assignments()["CustomerID"], "s:ALFKI")
                self.assertEqual(len(runs["deleted"].deletes()), 1)
                self.assertIn('value="Vins et alcools Chevalier"', runs["edit_form"].output)
                self.assertIn("[ShipName] LIKE '%O''Brien%'", runs["searched"].sql("Orders")[-1])

    def test_a_templates_own_helper_is_the_one_used(self) -> None:
        conditions = {name: [sql for sql in runs["listed_filtered"].sql("Orders") if "WHERE 1=0" not in sql][-1]
                      for name, runs in self.runs.items()}
        self.assertIn("[ShipName] LIKE '%Zo' & ChrW(235) & '''s%'", conditions["plain"])
        self.assertIn("[ShipName] LIKE '%Zoë''s%'", conditions["own-liketext"])


class DatabaseFileNameTest(PageTestCase):
    """A file name holding '"' and "%>": the pages compile, link to each
    other and open that file."""

    NAME = 'q"uote%>x'

    @classmethod
    def setUpClass(cls) -> None:
        nwind = sample_database("nwind")
        super().setUpClass()
        folder = work_dir() / "odd-file-name"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        database = folder / f"{cls.NAME}.mdb"
        database.symlink_to(nwind)
        site = generate(database, "Orders", "odd-file-name")
        table = asp_tables.with_references(asp_tables.orders(2))
        cls.pages = cls.run_pages(site, [Request(f"{cls.NAME}{page}.asp", tables=table)
                                         for page in ("list", "edit", "filter")])

    def test_pages_compile_and_open_that_file(self) -> None:
        for result in self.pages:
            with self.subTest(page=result.request.page):
                self.assertClean(result)
                opened = result.of_kind("open")[0].fields()[1]
                self.assertIn(f"DBQ=C:\\inetpub\\wwwroot\\{self.NAME}.mdb;", opened)
        self.assertIn('href="q%22uote%25%3Exedit.asp?action=add"', self.pages[0].output)
