"""Pages a team shares: browsers on one stand-in database. No update is lost,
lookups read a bounded number of rows, the server checks what a form sends,
a refused query gives the page's own words, and search and filter read
values in the pages' own formats under any server locale."""

from __future__ import annotations

import copy
import datetime
import decimal

import asp_html
import asp_tables
from asp_pages import Database, PageTestCase, generate, page_problems, sample_database
from asp_run import AD_DOUBLE, AD_INTEGER, AD_LONGVARWCHAR, AD_VARWCHAR, Column, Table

LOCALES = ("en_US.UTF-8", "de_DE.UTF-8")


def row_of(database: Database, table: str, key: object) -> dict[str, object]:
    found = database.table(table)
    for row in found.rows:
        if row[0] == key:
            return {column.name: value for column, value in zip(found.columns, row)}
    raise AssertionError(f"{table} has no record {key}")


messages = page_problems


class LostUpdateTest(PageTestCase):
    """Two people edit order 10249: a field only one of them changed keeps
    that change; a field both changed waits for the second to choose."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.site = generate(database, "Orders", "team-orders")

    def setUp(self) -> None:
        self.database = Database(asp_tables.with_references(asp_tables.orders(4)))
        self.a = self.browser(self.site, self.database)
        self.b = self.browser(self.site, self.database)

    def open_both(self):
        key = {"action": "edit", "key": "10249"}
        return self.a.open("nwindedit.asp", key), self.b.open("nwindedit.asp", key)

    def test_a_field_only_the_other_changed_keeps_its_change(self) -> None:
        form_a, form_b = self.open_both()
        self.b.follow(self.b.submit(form_b, {"ShipCity": "Berlin (B)"}))
        saved = self.a.submit(form_a, {"ShipName": "Chez A"})
        self.assertIsNotNone(saved.redirect(), messages(saved))
        self.assertEqual(saved.assignments(), {"ShipName": "s:Chez A"})
        row = row_of(self.database, "Orders", 10249)
        self.assertEqual((row["ShipName"], row["ShipCity"]), ("Chez A", "Berlin (B)"))

    def test_a_field_both_changed_is_written_only_when_the_second_chooses(self) -> None:
        form_a, form_b = self.open_both()
        self.b.follow(self.b.submit(form_b, {"ShipName": "Chez B"}))
        refused = self.a.submit(form_a, {"ShipName": "Chez A", "ShipCity": "Lyon"})
        self.assertIsNone(refused.redirect())
        self.assertEqual(refused.assignments(), {})
        conflict = asp_html.parse(refused.output).find_all("div", **{"class": "conflict"})
        self.assertEqual(len(conflict), 1)
        self.assertIn("Chez B", conflict[0].all_text())
        self.assertEqual(asp_html.parse(refused.output).inputs()["ShipName"].attrs["value"], "Chez A")
        self.assertEqual(row_of(self.database, "Orders", 10249)["ShipName"], "Chez B")

        kept = self.a.submit(refused)
        self.assertIsNotNone(kept.redirect(), messages(kept))
        row = row_of(self.database, "Orders", 10249)
        self.assertEqual((row["ShipName"], row["ShipCity"]), ("Chez A", "Lyon"))

    def test_taking_the_stored_value_writes_the_users_other_changes_only(self) -> None:
        form_a, form_b = self.open_both()
        self.b.follow(self.b.submit(form_b, {"ShipName": "Chez B"}))
        refused = self.a.submit(form_a, {"ShipName": "Chez A", "ShipCity": "Lyon"})
        taken = self.a.submit(refused, {"ShipName.choice": "stored"})
        self.assertIsNotNone(taken.redirect(), messages(taken))
        self.assertEqual(taken.assignments(), {"ShipCity": "s:Lyon"})

    def test_delete_of_a_record_changed_since_asks_again(self) -> None:
        asked = self.a.open("nwindedit.asp", {"action": "delete", "key": "10249"})
        _, form_b = self.open_both()
        self.b.follow(self.b.submit(form_b, {"ShipCity": "Berlin (B)"}))
        again = self.a.submit(asked)
        self.assertEqual(again.deletes(), [])
        self.assertIn("Berlin (B)", again.output)
        deleted = self.a.submit(again)
        self.assertEqual(len(deleted.deletes()), 1)
        self.assertNotIn(10249, [row[0] for row in self.database.table("Orders").rows])


class ExactComparisonTest(PageTestCase):
    """What a form showed is compared exactly: a memo's line breaks, a date, a
    Double of 17 digits. Nothing changed by others gives no conflict; a
    change that reads the same to 15 digits still does."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.site = generate(database, "Shippers", "team-exact")

    def test_each_value_against_what_the_form_showed(self) -> None:
        table = Table("Shippers", [Column("ShipperID", AD_INTEGER, 4, nullable=False),
                                   Column("CompanyName", AD_VARWCHAR, 40), Column("Phone", AD_LONGVARWCHAR, 0)],
                      [[1, "Speedy", "line one\r\nline two\n"]])
        weights = Table("Shippers", [Column("ShipperID", AD_INTEGER, 4, nullable=False),
                                     Column("CompanyName", AD_VARWCHAR, 40), Column("Phone", AD_DOUBLE, 8)],
                        [[1, "Speedy", 0.1 + 0.2]])
        # (tables, what the other browser writes, what this one changes, a conflict)
        cases = [(table, None, {"CompanyName": "Speedy Ltd"}, False),
                 (weights, 0.3, {"Phone": "5"}, True),
                 (weights, None, {"CompanyName": "Speedy Ltd"}, False)]
        for start, other_value, changes, conflict in cases:
            with self.subTest(column=start.columns[2].type, other=other_value, changes=changes):
                database = Database([copy.deepcopy(start)])
                a = self.browser(self.site, database)
                form = a.open("nwindedit.asp", {"action": "edit", "key": "1"})
                if other_value is not None:
                    database.table("Shippers").rows[0][2] = other_value
                result = a.submit(form, changes)
                self.assertEqual(result.redirect() is None, conflict, messages(result))
                if not conflict:
                    self.assertEqual(set(result.assignments()), set(changes))


class LookupsThatScaleTest(PageTestCase):
    """"Order Details" of 2,000 orders: its OrderID is typed, not chosen from
    2,000 options, and any existing order can still be set."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.site = generate(database, "Order Details", "team-order-details")

    def database(self, orders: int) -> Database:
        return Database([asp_tables.order_details(), asp_tables.orders(orders), asp_tables.products()])

    def test_a_large_table_gives_a_key_input_checked_on_save(self) -> None:
        database = self.database(2000)
        a = self.browser(self.site, database)
        form = a.open("nwindedit.asp", {"action": "edit", "key": "10249", "key2": "14"})
        self.assertLessEqual(form.rows_returned("Orders"), 110)
        self.assertLessEqual(form.output.count("<option"), 110)
        document = asp_html.parse(form.output)
        self.assertEqual(document.inputs()["OrderID"].tag, "input")
        for order, saved in ((12200, True), (99999, False)):
            with self.subTest(order=order):
                result = a.submit(form, {"OrderID": str(order)})
                self.assertEqual(result.redirect() is not None, saved, messages(result))
                if not saved:
                    self.assertEqual(result.assignments(), {})
                    self.assertIn("OrderID", " ".join(messages(result)))

    def test_repeated_captions_show_their_keys(self) -> None:
        form = self.browser(self.site, self.database(6)).open("nwindedit.asp",
                                                              {"action": "edit", "key": "10248", "key2": "11"})
        options = [o.all_text() for o in asp_html.parse(form.output).find_all("option")]
        self.assertIn("VINET (10248)", options)
        self.assertIn("TOMSP (10249)", options)


class ServerChecksTest(PageTestCase):
    """A crafted POST is checked on the server, naming the column: a key the
    related table lacks, an empty required text, a text longer than the
    column. Nothing is written."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.orders = generate(database, "Orders", "team-checks-orders")
        cls.employees = generate(database, "Employees", "team-checks-employees")

    def test_refused_values_name_their_column(self) -> None:
        cases = [(self.orders, "Orders", "10248", {"CustomerID": "ZZZZZ"}, "CustomerID"),
                 (self.orders, "Orders", "10248", {"ShipName": "x" * 41}, "ShipName"),
                 (self.employees, "Employees", "1", {"LastName": ""}, "LastName")]
        for site, table, key, changes, column in cases:
            with self.subTest(changes=changes):
                tables = asp_tables.with_references(getattr(asp_tables, table.lower())())
                browser = self.browser(site, Database(tables))
                form = browser.open("nwindedit.asp", {"action": "edit", "key": key})
                result = browser.submit(form, changes)
                self.assertIsNone(result.redirect())
                self.assertEqual(result.assignments(), {})
                self.assertTrue(any(column in m for m in messages(result)), messages(result))
                form_back = asp_html.form_data(asp_html.parse(result.output).find_all("form")[0])
                self.assertEqual(form_back[column], changes[column])


class RefusedQueriesTest(PageTestCase):
    """Every query the database refuses gives the page's own words and a way
    on; the driver's text goes to the log, and into the page only where the
    site's owner switches it on."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.site = generate(database, "Orders", "team-refused")

    def run_refused(self, site):
        tables = asp_tables.with_references(asp_tables.orders(3))
        cases = [("nwindedit.asp", {"action": "edit", "key": "10248"}, r"WHERE \[OrderID\] = \?"),
                 ("nwindlist.asp", {}, r"WHERE 1=0"),
                 ("nwindedit.asp", {"action": "edit", "key": "10248"}, r"FROM \[Customers\]"),
                 ("nwindfilter.asp", {}, r"WHERE 1=0")]
        for page, query, refused in cases:
            browser = self.browser(site, Database(copy.deepcopy(tables)))
            yield page, refused, browser.open(page, query, refuse=[refused])

    def test_each_page_answers_in_its_own_words(self) -> None:
        for page, refused, result in self.run_refused(self.site):
            with self.subTest(page=page, refused=refused):
                self.assertClean(result)
                self.assertNotIn("[Microsoft]", result.output)
                self.assertTrue(result.log_entries(), "nothing went to the server's log")
                self.assertTrue(messages(result) or "cannot be shown now" in result.output, result.output[-800:])

    def test_the_owner_can_show_the_database_details(self) -> None:
        for name in ("nwindlist.asp", "nwindedit.asp", "nwindfilter.asp"):
            page = self.site / name
            page.write_bytes(page.read_bytes().replace(b"Const ShowDatabaseDetails = False",
                                                       b"Const ShowDatabaseDetails = True"))
        try:
            for page, refused, result in self.run_refused(self.site):
                with self.subTest(page=page, refused=refused):
                    self.assertIn("[Microsoft][ODBC Microsoft Access Driver]", result.output)
        finally:
            type(self).site = generate(sample_database("nwind"), "Orders", "team-refused")


class LocaleSearchTest(PageTestCase):
    """Search and filter read a number with a point and a day as year-month-
    day under every server locale, and only order 10248 holds both."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.site = generate(database, "Orders", "team-locale")
        cls.tables = asp_tables.with_references(asp_tables.orders(4))
        for n, row in enumerate(cls.tables[0].rows):
            row[3] = datetime.datetime(1996, 7, 4 + n, 0 if n == 0 else 13, 0)
            row[7] = decimal.Decimal("32.38") if n == 0 else decimal.Decimal("11.61") + n

    def listed_orders(self, result) -> list[str]:
        rows = asp_html.parse(result.output).record_rows()
        return [row.find_all("td")[1].all_text().strip() for row in rows]

    def test_search_and_filter_find_order_10248(self) -> None:
        for locale in LOCALES:
            for search in ("1996-07-04", "32.38"):
                with self.subTest(locale=locale, search=search):
                    browser = self.browser(self.site, Database(copy.deepcopy(self.tables)), locale)
                    listed = browser.open("nwindlist.asp")
                    found = browser.submit(listed, {"searchname": search})
                    self.assertEqual(self.listed_orders(found), ["10248"])
            with self.subTest(locale=locale, filter="Freight 32.38"):
                browser = self.browser(self.site, Database(copy.deepcopy(self.tables)), locale)
                form = browser.open("nwindfilter.asp")
                filtered = browser.follow(browser.submit(form, {"Freight": "32.38"}))
                self.assertEqual(self.listed_orders(filtered), ["10248"])
                self.assertIn("Freight is 32.38", filtered.output)

    def test_a_filter_value_that_is_no_number_is_refused_naming_its_column(self) -> None:
        browser = self.browser(self.site, Database(copy.deepcopy(self.tables)))
        refused = browser.submit(browser.open("nwindfilter.asp"), {"Freight": "32,38"})
        self.assertIsNone(refused.redirect())
        self.assertTrue(any("Freight" in m for m in messages(refused)), messages(refused))
        self.assertEqual(asp_html.parse(refused.output).inputs()["Freight"].attrs["value"], "32,38")


class FilledByTheDatabaseTest(PageTestCase):
    """Calculated columns, attachments and multi-valued columns of files
    Access 2010 wrote: shown on the edit and add pages, never offered for
    input, never written, even where the provider calls them updatable."""

    # (sample, its columns as the stand-in has them, the ones the database fills)
    TABLES = [("calculated", [Column("ID", AD_INTEGER, 4, nullable=False, auto_increment=True),
                              Column("FirstName", AD_VARWCHAR, 255), Column("LastName", AD_VARWCHAR, 255),
                              Column("LastFirst", AD_VARWCHAR, 254), Column("MonthlySalary", AD_DOUBLE, 8)],
               [[1, "Ada", "Byron", "Byron, Ada", 1000.5]], ["LastFirst", "MonthlySalary"]),
              ("attachments", [Column("id", AD_VARWCHAR, 255, nullable=False), Column("memo-data", AD_LONGVARWCHAR, 0),
                               Column("attach-data", AD_VARWCHAR, 255), Column("multi-value-data", AD_VARWCHAR, 255)],
               [["a1", "notes", "photo.png", "red; blue"]], ["attach-data", "multi-value-data"])]

    def test_shown_never_offered_never_written(self) -> None:
        for sample, columns, rows, filled in self.TABLES:
            names = [c.name for c in columns]
            site = generate(sample_database(sample), "Table1", f"team-filled-{sample}", job={"fields": names})
            page = next(p.name for p in site.iterdir() if p.name.endswith("edit.asp"))
            for name in filled:
                self.assertNotIn(f'rs("{name}") = ', (site / page).read_text(errors="replace"))
            for query in ({"action": "edit", "key": str(rows[0][0])}, {"action": "add"}):
                with self.subTest(sample=sample, action=query["action"]):
                    database = Database([Table("Table1", copy.deepcopy(columns), copy.deepcopy(rows))])
                    browser = self.browser(site, database)
                    form = browser.open(page, query)
                    document = self.assertClean(form)
                    for name in filled:
                        self.assertNotIn(name, document.inputs())
                        self.assertEqual(len(document.find_all("output", id=f"field-{name}")), 1)
                    sent = browser.submit(form, {names[1]: "x"})
                    for name in filled:
                        self.assertNotIn(name, sent.assignments())
