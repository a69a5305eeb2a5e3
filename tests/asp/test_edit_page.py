"""The generated edit page: show, save, add, delete; keys that never reach
the SQL text; forms sent back the way a browser sends them, under more than
one server locale; the session's token."""

from __future__ import annotations

import urllib.parse

import asp_html
import asp_tables
from asp_pages import PageTestCase, generate, page_problems, sample_database, session_after, submission
from asp_run import AD_DATE, AD_DOUBLE, AccessDate, Column, PageResult, Request, Table

TOKEN = "0123456789ABCDEF"
ORDER_FORM = {
    "OrderID": "99999", "CustomerID": "VICTE", "EmployeeID": "2", "OrderDate": "1996-07-05", "RequiredDate": "",
    "ShippedDate": "", "ShipVia": "", "Freight": "12.5", "ShipName": 'O\'Brien "Pub"', "ShipAddress": "",
    "ShipCity": "Lyon", "ShipRegion": "", "ShipPostalCode": "69004", "ShipCountry": "France",
}
KEYED_SELECT = "SELECT * FROM [Orders] WHERE [OrderID] = ?"
SCHEMA_SELECT = "SELECT * FROM [Orders] WHERE 1=0"
LOCALES = ("en_US.UTF-8", "de_DE.UTF-8")


def post(page: str, query: dict[str, str], form: dict[str, str], table: Table) -> Request:
    """A POST as the page's own form sends it, with the session's token."""
    return Request(page, method="POST", query=query, form=form | {"form.token": TOKEN},
                   session={"formtoken": TOKEN}, tables=asp_tables.with_references(table))


problems = page_problems


class EditPageTest(PageTestCase):
    def assertSavedAndReturned(self, result: PageResult, list_page: str, how: str) -> None:
        self.assertRan(result)
        if result.redirect() is None:
            self.fail(f"{result.request.page} did not save and return to the list; it says: {problems(result)}")
        self.assertEqual(result.updates(), [how])
        self.assertEqual(result.redirect(), list_page)
        self.assertEqual(result.open_objects(), [])

    def assertRefused(self, result: PageResult, message: str) -> None:
        self.assertClean(result)
        self.assertEqual(problems(result), [message])
        self.assertNothingWritten(result)

    def assertNothingWritten(self, result: PageResult) -> None:
        self.assertRan(result)
        self.assertEqual(result.assignments(), {})
        self.assertEqual(result.updates(), [])
        self.assertEqual(result.deletes(), [])
        self.assertIsNone(result.redirect())


class OrdersEditTest(EditPageTest):
    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.orders(5)
        site = cls.site = generate(database, "Orders", "nwind-orders-edit")
        table = asp_tables.with_references(cls.table)
        (cls.shown, cls.shown_markup, cls.saved, cls.partial, cls.add_form, cls.default_form, cls.added,
         cls.delete_asked, cls.deleted, cls.garbage_key, cls.garbage_key_post, cls.missing_key, cls.markup_key,
         cls.no_key, cls.unknown_action) = cls.run_pages(site, [
            Request("nwindedit.asp", query={"action": "edit", "key": "10250"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "10249"}, tables=table),
            post("nwindedit.asp", {"action": "edit", "key": "10250"}, ORDER_FORM, cls.table),
            post("nwindedit.asp", {"action": "edit", "key": "10250"}, {"ShipName": "Only this"}, cls.table),
            Request("nwindedit.asp", query={"action": "add"}, tables=table),
            Request("nwindedit.asp", tables=table),
            post("nwindedit.asp", {"action": "add"},
                 {name: "" for name in ORDER_FORM} | {"CustomerID": "ANTON", "Freight": "0"}, cls.table),
            Request("nwindedit.asp", query={"action": "delete", "key": "10250"}, tables=table),
            post("nwindedit.asp", {"action": "delete", "key": "10250"}, {}, cls.table),
            Request("nwindedit.asp", query={"action": "edit", "key": "10250 or 1=1"}, tables=table),
            post("nwindedit.asp", {"action": "delete", "key": "0;DELETE FROM [Orders]"}, {}, cls.table),
            Request("nwindedit.asp", query={"action": "edit", "key": "1"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "<b>1</b>"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit"}, tables=table),
            Request("nwindedit.asp", query={"action": "<script>"}, tables=table),
        ])

    def test_edit_shows_the_record(self) -> None:
        document = self.assertClean(self.shown)
        self.assertEqual(self.shown.sql("Orders"), [SCHEMA_SELECT, KEYED_SELECT])
        self.assertEqual(self.shown.params(), [("p1", 3, "n:10250")])
        inputs = {name: i for name, i in document.inputs().items() if not name.endswith(".shown")}
        self.assertEqual(list(inputs), ["form.token"] + [c.name for c in self.table.columns[1:]
                                                         if c.name not in ("CustomerID", "EmployeeID", "ShipVia")])
        self.assertEqual(document.find_all("output", **{"class": "readonly"})[0].all_text(), "10250")
        self.assertEqual(inputs["OrderDate"].attrs["value"], "1996-07-06")
        self.assertEqual(inputs["Freight"].attrs["value"], "32.38")
        self.assertEqual(inputs["ShipName"].attrs["value"], 'O\'Brien "Pub"')
        self.assertEqual(inputs["ShipRegion"].attrs["value"], "")
        self.assertIn(b'value="O\'Brien &quot;Pub&quot;"', self.shown.output_bytes)
        form = document.find_all("form")[0]
        self.assertEqual((form.attrs["method"], form.attrs["action"]), ("post", "nwindedit.asp?action=edit&key=10250"))
        self.assertIn("nwindedit.asp?action=delete&key=10250", document.links())

    def test_ideographic_space_arrives_as_utf8(self) -> None:
        (tokyo,) = self.run_pages(self.site, [
            Request("nwindedit.asp", query={"action": "edit", "key": "10251"}, tables=self.shown.request.tables)])
        self.assertIn(b'value="Tokyo\xe3\x80\x80Traders"', tokyo.output_bytes)

    def test_markup_in_a_value_comes_out_encoded(self) -> None:
        self.assertClean(self.shown_markup)
        self.assertIn(b'value="&lt;script&gt;alert(\'x\')&lt;/script&gt;"', self.shown_markup.output_bytes)
        self.assertNotIn(b"<script>", self.shown_markup.output_bytes)

    def test_save_writes_typed_values_of_the_fields_that_changed(self) -> None:
        self.assertSavedAndReturned(self.saved, "nwindlist.asp", "change")
        # Each related value changed is looked for in its table, as a parameter.
        self.assertEqual(self.saved.params(), [("p1", 3, "n:10250"), ("p1", 202, "s:VICTE"), ("p1", 3, "n:2")])
        self.assertEqual(self.saved.assignments(), {
            "CustomerID": "s:VICTE", "EmployeeID": "n:2", "OrderDate": "d:1996-07-05 00:00:00",
            "RequiredDate": "Null", "ShippedDate": "Null", "ShipVia": "Null", "Freight": "n:12.5",
            "ShipAddress": "Null", "ShipCity": "s:Lyon", "ShipPostalCode": "s:69004"})

    def test_a_post_changes_only_the_fields_it_carries(self) -> None:
        self.assertSavedAndReturned(self.partial, "nwindlist.asp", "change")
        self.assertEqual(self.partial.assignments(), {"ShipName": "s:Only this"})

    def test_add_shows_an_empty_form(self) -> None:
        for result in (self.add_form, self.default_form):
            document = self.assertClean(result)
            self.assertEqual(result.sql("Orders"), [SCHEMA_SELECT])
            self.assertEqual(document.find_all("form")[0].attrs["action"], "nwindedit.asp?action=add")
            sent = {name: value for name, value in asp_html.form_data(document.find_all("form")[0]).items()
                    if not name.endswith(".shown")}
            self.assertEqual(len(sent), 14)
            self.assertTrue(all(value == "" for name, value in sent.items() if name != "form.token"))

    def test_add_inserts_a_record(self) -> None:
        self.assertSavedAndReturned(self.added, "nwindlist.asp", "insert")
        self.assertEqual(self.added.sql("Orders"), [SCHEMA_SELECT])
        self.assertEqual(len(self.added.of_kind("addnew")), 1)
        self.assertEqual(self.added.assignments(), {"CustomerID": "s:ANTON", "Freight": "n:0"})

    def test_delete_asks_first(self) -> None:
        document = self.assertClean(self.delete_asked)
        self.assertEqual(self.delete_asked.deletes(), [])
        form = document.find_all("form")[0]
        self.assertEqual((form.attrs["method"], form.attrs["action"]),
                         ("post", "nwindedit.asp?action=delete&key=10250"))
        # The form remembers what it showed, so that a record changed since is
        # not deleted unseen.
        self.assertEqual(list(asp_html.form_data(form)), ["form.token"] + [f"{c.name}.shown" for c in self.table.columns])
        self.assertEqual(document.inputs().get("ShipName"), None)

    def test_delete_removes_the_record(self) -> None:
        self.assertRan(self.deleted)
        self.assertEqual(self.deleted.touched_rows(), [("delete", 2)])
        self.assertEqual(self.deleted.redirect(), "nwindlist.asp")
        self.assertEqual(self.deleted.open_objects(), [])

    def test_key_that_is_no_number_never_reaches_the_database(self) -> None:
        self.assertRefused(self.garbage_key, "There is no record with the key 10250 or 1=1.")
        self.assertRefused(self.garbage_key_post, "There is no record with the key 0;DELETE FROM [Orders].")
        for result in (self.garbage_key, self.garbage_key_post):
            self.assertEqual(result.sql(), [SCHEMA_SELECT])
            self.assertEqual(result.params(), [])

    def test_missing_record(self) -> None:
        self.assertRefused(self.missing_key, "There is no record with the key 1.")
        self.assertRefused(self.no_key, "No record was named.")
        self.assertRefused(self.markup_key, "There is no record with the key <b>1</b>.")
        self.assertIn(b"&lt;b&gt;1&lt;/b&gt;", self.markup_key.output_bytes)

    def test_unknown_action(self) -> None:
        self.assertRefused(self.unknown_action, "This page does not know the action <script>.")
        self.assertNotIn(b"<script>", self.unknown_action.output_bytes)


class OrderDetailsEditTest(EditPageTest):
    """A key of two columns: the record is found, saved and deleted by both,
    each a typed parameter. Both are related columns too."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        table = asp_tables.order_details()
        site = generate(database, "Order Details", "nwind-order-details-edit")
        form = {"OrderID": "10249", "ProductID": "14", "UnitPrice": "18.6", "Quantity": "", "Discount": "0"}
        second = {"action": "edit", "key": "10248", "key2": "42"}
        tables = asp_tables.with_references(table)
        (cls.shown, cls.delete_asked, cls.added_form, cls.refused_save, cls.other_product, cls.half_key,
         cls.garbage_second) = cls.run_pages(site, [
            Request("nwindedit.asp", query=second, tables=tables),
            Request("nwindedit.asp", query=second | {"action": "delete"}, tables=tables),
            Request("nwindedit.asp", query={"action": "add"}, tables=tables),
            post("nwindedit.asp", {"action": "edit", "key": "10249", "key2": "14"}, form, table),
            Request("nwindedit.asp", query=second | {"key2": "99"}, tables=tables),
            Request("nwindedit.asp", query={"action": "edit", "key": "10248"}, tables=tables),
            post("nwindedit.asp", second | {"action": "delete", "key2": "42 or 1=1"}, {}, table),
        ])
        cls.saved, cls.deleted = cls.run_pages(site, [submission(cls.shown, {"Quantity": "11"}),
                                                      submission(cls.delete_asked)])

    def test_record_is_found_by_both_key_columns(self) -> None:
        document = self.assertClean(self.shown)
        self.assertEqual(self.shown.sql("Order Details"), [
            "SELECT * FROM [Order Details] WHERE 1=0",
            "SELECT * FROM [Order Details] WHERE [OrderID] = ? AND [ProductID] = ?"])
        self.assertEqual(self.shown.params(), [("p1", 3, "n:10248"), ("p2", 3, "n:42")])
        self.assertEqual(document.inputs()["UnitPrice"].attrs["value"], "9.8")
        self.assertEqual(document.find_all("form")[0].attrs["action"], "nwindedit.asp?action=edit&key=10248&key2=42")
        self.assertIn("nwindedit.asp?action=delete&key=10248&key2=42", document.links())

    def test_save_and_delete_touch_that_record_alone(self) -> None:
        self.assertSavedAndReturned(self.saved, "nwindlist.asp", "change")
        self.assertEqual(self.saved.assignments(), {"Quantity": "n:11"})
        self.assertEqual(self.saved.touched_rows(), [("change", 1)])
        self.assertIn("OrderID is <strong>10248</strong> and ProductID is <strong>42</strong>",
                      self.delete_asked.output)
        self.assertRan(self.deleted)
        self.assertEqual(self.deleted.touched_rows(), [("delete", 1)])
        self.assertEqual(self.deleted.params(), [("p1", 3, "n:10248"), ("p2", 3, "n:42")])

    def test_a_key_that_is_not_whole_finds_nothing(self) -> None:
        self.assertRefused(self.other_product, "There is no record with the key OrderID 10248, ProductID 99.")
        self.assertRefused(self.half_key, "No record was named.")
        self.assertRefused(self.garbage_second, "There is no record with the key OrderID 10248, ProductID 42 or 1=1.")
        self.assertEqual(self.garbage_second.sql(), ["SELECT * FROM [Order Details] WHERE 1=0"])

    def test_required_related_columns_ask_for_a_choice(self) -> None:
        document = self.assertClean(self.added_form)
        products = document.options("ProductID")
        self.assertEqual(products[0], ("", "(none)", True))
        self.assertEqual([caption for _, caption, _ in products[1:]], ["Chai", "Chang"])
        self.assertIn("required", document.find_all("select", name="ProductID")[0].attrs)
        shown = asp_html.parse(self.shown.output)
        self.assertEqual([o for o in shown.options("ProductID") if o[2]], [("42", "42", True)])
        self.assertNotIn("", [value for value, _, _ in shown.options("ProductID")])

    def test_refused_save_names_the_column_with_the_form_as_sent(self) -> None:
        document = self.assertClean(self.refused_save)
        self.assertEqual(problems(self.refused_save), ["Quantity needs a value."])
        self.assertEqual(self.refused_save.updates(), [])
        self.assertIsNone(self.refused_save.redirect())
        self.assertEqual(document.inputs()["UnitPrice"].attrs["value"], "18.6")


class LookupEditTest(EditPageTest):
    """Orders' CustomerID is chosen among the customers, shown by company
    name; the form's rules for keeping data hold for the choice."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        site = generate(database, "Orders", "nwind-orders-lookup")
        tables = asp_tables.with_references(asp_tables.orders(5))
        (cls.form,) = cls.run_pages(site, [Request("nwindedit.asp", query={"action": "edit", "key": "10250"},
                                                   tables=tables)])
        cls.untouched, cls.chosen, cls.emptied = cls.run_pages(site, [
            submission(cls.form), submission(cls.form, {"CustomerID": "ALFKI"}),
            submission(cls.form, {"CustomerID": "", "ShipVia": ""})])
        (cls.without_customers,) = cls.run_pages(site, [Request(
            "nwindedit.asp", query={"action": "edit", "key": "10250"}, tables=tables[:1] + tables[2:])])

    def test_choices_are_the_customers_sorted_by_company_name(self) -> None:
        document = self.assertClean(self.form)
        self.assertEqual(self.form.sql("Customers"),
                         ["SELECT TOP 101 [CustomerID], [CompanyName] FROM [Customers] ORDER BY [CompanyName], "
                          "[CustomerID]"])
        self.assertEqual(document.options("CustomerID"), [
            ("", "(none)", False), ("ALFKI", "Alfreds Futterkiste", False), ("ANTON", asp_tables.MARKUP_CAPTION, False),
            ("TOMSP", "Toms Spezialitäten", False), ("VICTE", "Victuailles en stock", False),
            ("VINET", "Vins et alcools Chevalier", True)])
        self.assertNotIn(asp_tables.MARKUP_CAPTION, self.form.output)

    def test_a_key_the_other_table_lacks_stays_chosen(self) -> None:
        options = asp_html.parse(self.form.output).options("EmployeeID")
        self.assertEqual(options[:2], [("", "(none)", False), ("5", "5", True)])
        self.assertEqual([caption for _, caption, _ in options[2:]], ["Davolio", "Fuller"])

    def test_choice_saves_its_key_and_an_untouched_one_nothing(self) -> None:
        self.assertSavedAndReturned(self.untouched, "nwindlist.asp", "nothing changed")
        self.assertEqual(self.untouched.assignments(), {})
        self.assertSavedAndReturned(self.chosen, "nwindlist.asp", "change")
        self.assertEqual(self.chosen.assignments(), {"CustomerID": "s:ALFKI"})
        self.assertSavedAndReturned(self.emptied, "nwindlist.asp", "change")
        self.assertEqual(self.emptied.assignments(), {"CustomerID": "Null", "ShipVia": "Null"})

    def test_unreadable_choices_leave_a_text_input_and_say_why(self) -> None:
        document = self.assertClean(self.without_customers)
        self.assertEqual(document.inputs()["CustomerID"].attrs["value"], "VINET")
        (reason,) = document.find_all("span", **{"class": "problem"})
        self.assertEqual("The choices from Customers cannot be shown now.", reason.all_text())
        self.assertTrue(self.without_customers.log_entries())


class FruitSaladEditTest(EditPageTest):
    """A text key, passed as a text parameter exactly as it came."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("fruit")
        super().setUpClass()
        table = asp_tables.fruit_salad()
        site = generate(database, "Fruit Salad", "fruit-salad-edit")
        cls.shown, cls.saved = cls.run_pages(site, [
            Request("fruitedit.asp", query={"action": "edit", "key": "Pear & 'Quince'"},
                    tables=asp_tables.with_references(table)),
            post("fruitedit.asp", {"action": "edit", "key": "Apple"}, {"Fruit": "Fig"}, table),
        ])

    def test_text_key_is_a_parameter(self) -> None:
        document = self.assertClean(self.shown)
        self.assertEqual(self.shown.sql("Fruit Salad")[-1], "SELECT * FROM [Fruit Salad] WHERE [Fruit] = ?")
        self.assertEqual(self.shown.params(), [("p1", 202, "s:Pear & 'Quince'")])
        self.assertEqual(document.options("Fruit"), [("Pear & 'Quince'", "Pear & 'Quince'", True),
                                                     ("Apple", "Apple", False), ("Fig", "Fig", False)])
        self.assertEqual(document.find_all("form")[0].attrs["action"],
                         "fruitedit.asp?action=edit&key=Pear+%26+%27Quince%27")

    def test_save_changes_the_key_column(self) -> None:
        self.assertSavedAndReturned(self.saved, "fruitlist.asp", "change")
        self.assertEqual(self.saved.assignments(), {"Fruit": "s:Fig"})


class BrowserRoundTripTest(EditPageTest):
    """Each record's form read back as a browser sends it, under an English
    and a German server locale: untouched, it changes nothing; what the user
    changes is saved as a typed value, and what does not read is refused."""

    # (sample database, table, stand-in, page, key: None for the form that adds
    # a record, as DateTest has no key)
    RECORDS = [("nwind", "Employees", asp_tables.employees, "nwindedit.asp", "1"),
               ("nwind", "Employees", asp_tables.employees, "nwindedit.asp", "2"),
               ("nwind", "Products", asp_tables.products, "nwindedit.asp", "1"),
               ("nwind", "Products", asp_tables.products, "nwindedit.asp", "2"),
               ("datetest", "DateTest", asp_tables.date_test, "DateTestDatabaseedit.asp", None),
               ("node-adodb", "Users", asp_tables.users, "node-adodbedit.asp", "1")]
    # (record, changes, assignments or the refusal that names the column)
    CHANGES = [
        (2, {"Discontinued": None}, {"Discontinued": "b:False"}),
        (3, {"Discontinued": "on", "UnitPrice": "21.5", "UnitsInStock": "-7"},
         {"Discontinued": "b:True", "UnitPrice": "n:21.5", "UnitsInStock": "n:-7"}),
        (0, {"BirthDate": "1950-01-31", "Notes": "One line\r\nTwo lines", "Photo": "[binary data, 1 KB]"},
         {"BirthDate": "d:1950-01-31 00:00:00", "Notes": "s:One line\r\nTwo lines"}),
        (4, {"TimeCol": "7:05", "DateTimeCol": "2024-02-29T14:05:09"},
         {"TimeCol": "d:1899-12-30 07:05:00", "DateTimeCol": "d:2024-02-29 14:05:09"}),
        (2, {"UnitPrice": "1,5"}, 'The value "1,5" for UnitPrice is not a number'),
        (2, {"UnitsInStock": "40000"}, 'The value "40000" for UnitsInStock is out of range (-32768 to 32767).'),
        (4, {"DateCol": "2/29/2000"}, 'The value "2/29/2000" for DateCol is not a date'),
        (4, {"DateCol": "2001-02-29"}, 'The value "2001-02-29" for DateCol is not a date'),
    ]

    @classmethod
    def setUpClass(cls) -> None:
        databases = {name: sample_database(name) for name in ("nwind", "datetest", "node-adodb")}
        super().setUpClass()
        sites = {}
        for database, table, _, _, _ in cls.RECORDS:
            if (database, table) not in sites:
                sites[database, table] = generate(databases[database], table, f"round-trip-{table}")
        cls.forms, cls.untouched, cls.changed = {}, {}, {}
        for locale in LOCALES:
            for index, (database, table, stand_in, page, key) in enumerate(cls.RECORDS):
                site = sites[database, table]
                query = {"action": "add"} if key is None else {"action": "edit", "key": key}
                (form,) = cls.run_pages(site, [Request(page, query=query,
                                                       tables=asp_tables.with_references(stand_in()))], locale)
                cls.forms[locale, index] = form
                (cls.untouched[locale, index],) = cls.run_pages(site, [submission(form)], locale)
            for number, (index, changes, _) in enumerate(cls.CHANGES):
                site = sites[cls.RECORDS[index][:2]]
                (cls.changed[locale, number],) = cls.run_pages(
                    site, [submission(cls.forms[locale, index], changes)], locale)

    def test_untouched_form_changes_nothing(self) -> None:
        for (locale, index), result in self.untouched.items():
            with self.subTest(locale=locale, record=self.RECORDS[index][1:]):
                self.assertRan(result)
                self.assertEqual(problems(result), [])
                self.assertEqual(result.assignments(), {})
                self.assertEqual(result.updates(), ["insert" if self.RECORDS[index][4] is None else "nothing changed"])
                self.assertIsNotNone(result.redirect())

    def test_values_are_shown_in_one_format_under_every_locale(self) -> None:
        for locale in LOCALES:
            with self.subTest(locale=locale):
                inputs = asp_html.parse(self.forms[locale, 2].output).inputs()
                self.assertEqual(inputs["UnitPrice"].attrs["value"], "19.45")
                self.assertEqual(asp_html.parse(self.forms[locale, 3].output).inputs()["UnitPrice"].attrs["value"],
                                 "0.0001")
                # A date with a time keeps it in the browser's date and time
                # input, which takes a "T" between them.
                employee = asp_html.parse(self.forms[locale, 1].output).inputs()
                self.assertEqual((employee["BirthDate"].attrs["type"], employee["BirthDate"].attrs["value"]),
                                 ("datetime-local", "1852-02-19T06:00:00"))
                self.assertEqual(employee["BirthDate.shown"].attrs["value"], "1852-02-19 06:00:00")

    def test_changed_values_are_saved_typed_or_refused_naming_the_column(self) -> None:
        for (locale, number), result in self.changed.items():
            index, changes, expected = self.CHANGES[number]
            with self.subTest(locale=locale, changes=changes):
                if isinstance(expected, dict):
                    how = "insert" if self.RECORDS[index][4] is None else "change"
                    self.assertSavedAndReturned(result, result.request.page.replace("edit", "list"), how)
                    self.assertEqual(result.assignments(), expected)
                    continue
                document = self.assertClean(result)
                self.assertEqual(len(problems(result)), 1)
                self.assertTrue(problems(result)[0].startswith(expected), problems(result))
                self.assertNothingWritten(result)
                sent = asp_html.form_data(document.find_all("form")[0])
                self.assertEqual({name: sent[name] for name in changes}, changes)

    def test_controls_follow_the_column_types(self) -> None:
        employee = asp_html.parse(self.forms[LOCALES[0], 0].output)
        self.assertEqual([s.all_text() for s in employee.find_all("output", **{"class": "readonly"})],
                         ["1", "[binary data, 21 KB]"])
        self.assertNotIn("Photo", asp_html.form_data(employee.find_all("form")[0]))
        notes = employee.find_all("textarea", name="Notes")[0]
        self.assertEqual(notes.text, "\r\nEducation includes a BA in psychology.\r\n\r\nShe is a member of "
                                     "Toastmasters.\n")
        self.assertEqual(employee.find_all("textarea", name="Address")[0].attrs["maxlength"], "60")
        last_name = employee.inputs()["LastName"]
        self.assertEqual((last_name.attrs["maxlength"], "required" in last_name.attrs), ("20", True))
        self.assertEqual(len(employee.find_all("span", **{"class": "required"})), 2)
        self.assertEqual(employee.inputs()["BirthDate"].attrs["type"], "date")
        reports_to = employee.inputs()["ReportsTo"].attrs
        self.assertEqual((reports_to["type"], reports_to["step"]), ("number", "1"))
        product = asp_html.parse(self.forms[LOCALES[0], 2].output).inputs()
        self.assertEqual((product["Discontinued"].attrs["type"], "checked" in product["Discontinued"].attrs),
                         ("checkbox", True))
        self.assertEqual(product["Discontinued.shown"].attrs["type"], "hidden")


class TokenTest(EditPageTest):
    """A POST changes the database only with the token of its own session."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        site = generate(database, "Products", "token-products")
        table = asp_tables.with_references(asp_tables.products())
        edit = {"action": "edit", "key": "1"}
        delete = {"action": "delete", "key": "1"}
        cls.form, cls.other_session, cls.delete_form, cls.without_type_lib = cls.run_pages(site, [
            Request("nwindedit.asp", query=edit, tables=table),
            Request("nwindedit.asp", query={"action": "add"}, tables=table),
            Request("nwindedit.asp", query=delete, tables=table),
            Request("nwindedit.asp", query=edit, tables=table, offers_type_lib=False),
        ])
        rename = {"ProductName": "Chai tea"}
        without = submission(cls.form, rename)
        del without.form["form.token"]
        cls.forged = cls.run_pages(site, [
            without,
            submission(cls.form, rename, session=session_after(cls.other_session)),
            submission(cls.form, rename, session={}),
            Request("nwindedit.asp", method="POST", query=delete, tables=table),
            submission(cls.delete_form, {"form.token": "guess"}),
        ])
        cls.honest = cls.run_pages(site, [submission(cls.form, rename), submission(cls.delete_form),
                                          submission(cls.without_type_lib, rename)])

    def test_tokens_are_per_session_and_random(self) -> None:
        tokens = [asp_html.form_data(asp_html.parse(r.output).find_all("form")[0])["form.token"]
                  for r in (self.form, self.other_session, self.without_type_lib)]
        self.assertRegex(tokens[0], r"^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")
        self.assertRegex(tokens[2], r"^[0-9A-F]{32}$")
        self.assertEqual(len(set(tokens)), 3)

    def test_post_without_the_sessions_token_changes_nothing(self) -> None:
        for result in self.forged:
            with self.subTest(form=result.request.form, query=result.request.query):
                document = self.assertClean(result)
                self.assertNothingWritten(result)
                self.assertEqual(len(problems(result)), 1)
                self.assertTrue(problems(result)[0].startswith("Nothing was changed: the form did not carry this "
                                                               "session's token."))
                self.assertEqual(len(document.find_all("form")), 1)

    def test_post_from_the_pages_own_form_is_done(self) -> None:
        saved, deleted, saved_without_type_lib = self.honest
        self.assertSavedAndReturned(saved, "nwindlist.asp", "change")
        self.assertEqual(saved.assignments(), {"ProductName": "s:Chai tea"})
        self.assertEqual(deleted.touched_rows(), [("delete", 0)])
        self.assertSavedAndReturned(saved_without_type_lib, "nwindlist.asp", "change")


class UsersEditTest(EditPageTest):
    """An AutoNumber known only as not updatable, a Yes/No column."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("node-adodb")
        super().setUpClass()
        table = asp_tables.users()
        site = generate(database, "Users", "users-edit")
        cls.added, = cls.run_pages(site, [
            post("node-adodbedit.asp", {"action": "add"},
                 {"UserId": "7", "UserName": "Zoë", "UserSex": "Female", "UserBirthday": "1990-03-01",
                  "UserMarried": "on"}, table),
        ])

    def test_add_skips_the_autonumber(self) -> None:
        self.assertSavedAndReturned(self.added, "node-adodblist.asp", "insert")
        self.assertEqual(self.added.assignments(), {"UserName": "s:Zoë", "UserSex": "s:Female",
                                                    "UserBirthday": "d:1990-03-01 00:00:00",
                                                    "UserMarried": "b:True"})


class ExactKeyTest(EditPageTest):
    """A key that is a Double or a date comes back through the list's edit
    link as exactly the value the record holds, under every server locale:
    the edit page finds each record (the stand-in compares the parameter
    exactly). nwind.mdb's "Shippers" pages, with ShipperID of other types."""

    # (ADO type of the key, its values)
    KEYS = [(AD_DOUBLE, [0.1 + 0.2, 1 / 3, -2 / 3 * 1e-7, 123456789.125, 2.0 ** 70, 5e-5]),
            (AD_DATE, [AccessDate(45322.0), AccessDate(45322.5), AccessDate(45322.5 + 0.25 / 86400),
                       AccessDate(-1.25), AccessDate(0.1 + 0.2)])]

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        site = generate(database, "Shippers", "nwind-shippers-keys")
        cls.found = {}
        for locale in LOCALES:
            for key_type, values in cls.KEYS:
                table = Table("Shippers", [Column("ShipperID", key_type, 8, nullable=False),
                                           Column("CompanyName", size=40), Column("Phone", size=24)],
                              [[value, f"Shipper {n}", None] for n, value in enumerate(values)])
                (listed,) = cls.run_pages(site, [Request("nwindlist.asp", tables=[table])], locale)
                links = [link for link in asp_html.parse(listed.output).links() if "action=edit" in link]
                requests = [Request("nwindedit.asp", query=dict(urllib.parse.parse_qsl(
                    urllib.parse.urlsplit(link).query)), tables=[table]) for link in links]
                cls.found[locale, key_type] = [listed] + cls.run_pages(site, requests, locale)

    def test_a_date_key_beyond_what_a_date_holds_finds_nothing(self) -> None:
        table = Table("Shippers", [Column("ShipperID", AD_DATE, 8, nullable=False), Column("CompanyName", size=40),
                                   Column("Phone", size=24)], [[AccessDate(45322.0), "Shipper 0", None]])
        site = generate(sample_database("nwind"), "Shippers", "nwind-shippers-date-range")
        for key in ("2958466", "-657435", "1e300"):
            with self.subTest(key=key):
                (result,) = self.run_pages(site, [Request("nwindedit.asp", query={"action": "edit", "key": key},
                                                          tables=[table])])
                self.assertRefused(result, f"There is no record with the key {key}.")
                self.assertEqual(result.sql("Shippers"), ["SELECT * FROM [Shippers] WHERE 1=0"])

    def test_every_record_is_found_by_its_link(self) -> None:
        for (locale, key_type), (listed, *edits) in self.found.items():
            values = dict(self.KEYS)[key_type]
            self.assertEqual(len(edits), len(values))
            for n, result in enumerate(edits):
                with self.subTest(locale=locale, key=values[n], link=result.request.query):
                    document = self.assertClean(result)
                    self.assertEqual(problems(result), [])
                    self.assertEqual(document.inputs()["CompanyName"].attrs["value"], f"Shipper {n}")
