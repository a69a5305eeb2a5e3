"""Column names of every shape Access allows, through all three pages: the
names of a job file, generated from the .accdb sample (which also needs the
.accdb driver in db.asp)."""

from __future__ import annotations

import urllib.parse

import asp_html
from asp_pages import PageTestCase, generate, sample_database, session_after, submission
from asp_run import AD_VARWCHAR, Column, Request, Table

NAMES = ["Asset No", "Owner's Name", 'Ship"Name', "A&B", "No#", "Größe", "a%>b<%c"]


def asset_items() -> Table:
    return Table("Asset Items", [Column(name, AD_VARWCHAR, 40) for name in NAMES],
                 [["A001"] + [f"value {n}" for n in range(1, len(NAMES))]])


class ColumnNamesTest(PageTestCase):
    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("accdb")
        super().setUpClass()
        site = generate(database, "Asset Items", "accdb-names",
                        job={"fields": NAMES, "filter": NAMES, "search": NAMES})
        table = [asset_items()]
        cls.listed, cls.searched, cls.form, cls.filter_form = cls.run_pages(site, [
            Request("ASampleDatabaselist.asp", tables=table),
            Request("ASampleDatabaselist.asp", method="POST", form={"searchname": "value"}, tables=table),
            Request("ASampleDatabaseedit.asp", query={"action": "edit", "key": "A001"}, tables=table),
            Request("ASampleDatabasefilter.asp", tables=table),
        ])
        links = [h.find_all("a")[0].attrs["href"] for h in asp_html.parse(cls.listed.output).header_cells()[1:]]
        cls.sort_values = [urllib.parse.parse_qs(urllib.parse.urlsplit(link).query)["sort"][0] for link in links]
        cls.sorted = cls.run_pages(site, [Request("ASampleDatabaselist.asp", query={"sort": value}, tables=table)
                                          for value in cls.sort_values])
        edited = {name: f"new {n}" for n, name in enumerate(NAMES) if n > 0}
        cls.saved, cls.filtered = cls.run_pages(site, [
            submission(cls.form, edited),
            submission(cls.filter_form, {name: "x" for name in NAMES})])
        (cls.listed_filtered,) = cls.run_pages(site, [Request("ASampleDatabaselist.asp",
                                                              session=session_after(cls.filtered), tables=table)])

    def test_every_page_runs(self) -> None:
        for result in (self.listed, self.searched, self.form, self.filter_form, self.listed_filtered, *self.sorted):
            with self.subTest(page=result.request.page, query=result.request.query):
                self.assertClean(result)
        for result in (self.saved, self.filtered):
            self.assertRan(result)
            self.assertIsNotNone(result.redirect(), result.output)

    def test_header_links_name_each_column_and_sort_by_it(self) -> None:
        self.assertEqual(self.sort_values, NAMES)
        for name, result in zip(NAMES, self.sorted):
            self.assertEqual(result.sql()[-1], f"SELECT * FROM [Asset Items] ORDER BY [{name}] ASC")

    def test_search_and_filter_name_each_column_in_brackets(self) -> None:
        search = self.searched.sql()[-1]
        condition = self.listed_filtered.sql()[-1]
        for name in NAMES:
            self.assertIn(f"[{name}] LIKE ?", search)
            self.assertIn(f"[{name}] LIKE ?", condition)
        self.assertEqual({value for _, _, value in self.searched.params()}, {"s:%value%"})

    def test_edit_form_posts_under_each_column_name(self) -> None:
        self.assertEqual([name for name in asp_html.parse(self.form.output).inputs() if not name.endswith(".shown")],
                         ["form.token"] + NAMES)
        self.assertEqual(self.saved.assignments(), {name: f"s:new {n}" for n, name in enumerate(NAMES) if n > 0})
        filter_inputs = list(asp_html.parse(self.filter_form.output).inputs())
        self.assertEqual(filter_inputs, NAMES)
