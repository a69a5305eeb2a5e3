"""The generated edit page: show, save, add, delete, and keys that never
reach the SQL text."""

from __future__ import annotations

import asp_html
import asp_tables
from asp_pages import PageTestCase, generate, sample_database
from asp_run import PageResult, Request

ORDER_FORM = {
    "OrderID": "99999", "CustomerID": "VICTE", "EmployeeID": "6", "OrderDate": "7/5/1996", "RequiredDate": "",
    "ShippedDate": "", "ShipVia": "", "Freight": "12.5", "ShipName": 'O\'Brien "Pub"', "ShipAddress": "",
    "ShipCity": "Lyon", "ShipRegion": "", "ShipPostalCode": "69004", "ShipCountry": "France",
}
KEYED_SELECT = "SELECT * FROM [Orders] WHERE [OrderID] = ?"
SCHEMA_SELECT = "SELECT * FROM [Orders] WHERE 1=0"


class EditPageTest(PageTestCase):
    def assertSavedAndReturned(self, result: PageResult, list_page: str, how: str) -> None:
        self.assertRan(result)
        if result.redirect() is None:
            problems = [p.all_text() for p in asp_html.parse(result.output).find_all("p", **{"class": "problem"})]
            self.fail(f"{result.request.page} did not save and return to the list; it says: {problems}")
        self.assertEqual(result.updates(), [how])
        self.assertEqual(result.redirect(), list_page)
        self.assertEqual(result.open_objects(), [])

    def assertRefused(self, result: PageResult, message: str) -> None:
        document = self.assertClean(result)
        problems = [p.all_text() for p in document.find_all("p", **{"class": "problem"})]
        self.assertEqual(problems, [message])
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
        site = generate(database, "Orders", "nwind-orders-edit")
        table = [cls.table]
        (cls.shown, cls.shown_markup, cls.saved, cls.add_form, cls.default_form, cls.added, cls.delete_asked,
         cls.deleted, cls.garbage_key, cls.garbage_key_post, cls.missing_key, cls.markup_key, cls.no_key,
         cls.unknown_action) = cls.run_pages(site, [
            Request("nwindedit.asp", query={"action": "edit", "key": "10250"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "10249"}, tables=table),
            Request("nwindedit.asp", method="POST", query={"action": "edit", "key": "10250"}, form=ORDER_FORM,
                    tables=table),
            Request("nwindedit.asp", query={"action": "add"}, tables=table),
            Request("nwindedit.asp", tables=table),
            Request("nwindedit.asp", method="POST", query={"action": "add"},
                    form={name: "" for name in ORDER_FORM} | {"CustomerID": "NEWCO", "Freight": "0"}, tables=table),
            Request("nwindedit.asp", query={"action": "delete", "key": "10250"}, tables=table),
            Request("nwindedit.asp", method="POST", query={"action": "delete", "key": "10250"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "10250 or 1=1"}, tables=table),
            Request("nwindedit.asp", method="POST", query={"action": "delete", "key": "0;DELETE FROM [Orders]"},
                    tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "1"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit", "key": "<b>1</b>"}, tables=table),
            Request("nwindedit.asp", query={"action": "edit"}, tables=table),
            Request("nwindedit.asp", query={"action": "<script>"}, tables=table),
        ])

    def test_edit_shows_the_record(self) -> None:
        document = self.assertClean(self.shown)
        self.assertEqual(self.shown.sql(), [SCHEMA_SELECT, KEYED_SELECT])
        self.assertEqual(self.shown.params(), [("key", 3, "n:10250")])
        record = self.table.rows[2]
        inputs = document.inputs()
        self.assertEqual(list(inputs), [c.name for c in self.table.columns])
        self.assertEqual(inputs["CustomerID"].attrs["value"], record[1])
        self.assertEqual(inputs["ShipName"].attrs["value"], 'O\'Brien "Pub"')
        self.assertEqual(inputs["ShipRegion"].attrs["value"], "")
        self.assertIn(b'VALUE="O\'Brien &quot;Pub&quot;"', self.shown.output_bytes)
        form = document.find_all("form")[0]
        self.assertEqual((form.attrs["method"], form.attrs["action"]), ("post", "nwindedit.asp?action=edit&key=10250"))
        self.assertIn("nwindedit.asp?action=delete&key=10250", document.links())

    def test_ideographic_space_arrives_as_utf8(self) -> None:
        self.assertEqual(self.shown.output_bytes.count(b'align="right">\xe3\x80\x80</td>'), 14)
        self.assertEqual(self.shown.output_bytes.count(b"NOWRAP>\xe3\x80\x80</td></tr>"), 14)

    def test_markup_in_a_value_comes_out_encoded(self) -> None:
        self.assertClean(self.shown_markup)
        self.assertIn(b'VALUE="&lt;script&gt;alert(\'x\')&lt;/script&gt;"', self.shown_markup.output_bytes)
        self.assertNotIn(b"<script>", self.shown_markup.output_bytes)

    def test_save_writes_the_form_into_the_record(self) -> None:
        self.assertSavedAndReturned(self.saved, "nwindlist.asp", "change")
        self.assertEqual(self.saved.params(), [("key", 3, "n:10250")])
        self.assertEqual(self.saved.assignments(), {
            "CustomerID": "s:VICTE", "EmployeeID": "s:6", "OrderDate": "s:7/5/1996", "RequiredDate": "Null",
            "ShippedDate": "Null", "ShipVia": "Null", "Freight": "s:12.5", "ShipName": 's:O\'Brien "Pub"',
            "ShipAddress": "Null", "ShipCity": "s:Lyon", "ShipRegion": "Null", "ShipPostalCode": "s:69004",
            "ShipCountry": "s:France"})

    def test_add_shows_an_empty_form(self) -> None:
        for result in (self.add_form, self.default_form):
            document = self.assertClean(result)
            self.assertEqual(result.sql(), [])
            self.assertEqual(document.find_all("form")[0].attrs["action"], "nwindedit.asp?action=add")
            self.assertEqual(len(document.inputs()), 14)
            self.assertTrue(all("value" not in i.attrs for i in document.inputs().values()))

    def test_add_inserts_a_record(self) -> None:
        self.assertSavedAndReturned(self.added, "nwindlist.asp", "insert")
        self.assertEqual(self.added.sql(), [SCHEMA_SELECT])
        self.assertEqual(len(self.added.of_kind("addnew")), 1)
        assigned = self.added.assignments()
        self.assertNotIn("OrderID", assigned)
        self.assertEqual((assigned["CustomerID"], assigned["Freight"], assigned["EmployeeID"]),
                         ("s:NEWCO", "s:0", "Null"))

    def test_delete_asks_first(self) -> None:
        document = self.assertClean(self.delete_asked)
        self.assertEqual(self.delete_asked.deletes(), [])
        form = document.find_all("form")[0]
        self.assertEqual((form.attrs["method"], form.attrs["action"]),
                         ("post", "nwindedit.asp?action=delete&key=10250"))

    def test_delete_removes_the_record(self) -> None:
        self.assertRan(self.deleted)
        self.assertEqual(self.deleted.deletes(), ["n:10250"])
        self.assertEqual(self.deleted.redirect(), "nwindlist.asp")
        self.assertEqual(self.deleted.open_objects(), [])

    def test_key_that_is_no_number_never_reaches_the_database(self) -> None:
        self.assertRefused(self.garbage_key, "There is no record with the key 10250 or 1=1.")
        self.assertRefused(self.garbage_key_post, "There is no record with the key 0;DELETE FROM [Orders].")
        for result in (self.garbage_key, self.garbage_key_post):
            self.assertEqual(result.sql(), [SCHEMA_SELECT])

    def test_missing_record(self) -> None:
        self.assertRefused(self.missing_key, "There is no record with the key 1.")
        self.assertRefused(self.no_key, "No record was named.")
        self.assertRefused(self.markup_key, "There is no record with the key <b>1</b>.")
        self.assertIn(b"&lt;b&gt;1&lt;/b&gt;", self.markup_key.output_bytes)

    def test_unknown_action(self) -> None:
        self.assertRefused(self.unknown_action, "This page does not know the action <script>.")
        self.assertNotIn(b"<script>", self.unknown_action.output_bytes)


class OrderDetailsEditTest(EditPageTest):
    """A first column that does not identify a record, and a save the
    database refuses."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        table = [asp_tables.order_details()]
        site = generate(database, "Order Details", "nwind-order-details-edit")
        form = {"OrderID": "10249", "ProductID": "14", "UnitPrice": "18.6", "Quantity": "", "Discount": "0"}
        cls.ambiguous, cls.ambiguous_post, cls.refused_save = cls.run_pages(site, [
            Request("nwindedit.asp", query={"action": "edit", "key": "10248"}, tables=table),
            Request("nwindedit.asp", method="POST", query={"action": "delete", "key": "10248"}, tables=table),
            Request("nwindedit.asp", method="POST", query={"action": "edit", "key": "10249"}, form=form,
                    tables=table),
        ])

    def test_ambiguous_key_is_refused(self) -> None:
        message = ("More than one record has 10248 in the column OrderID, so this page cannot tell which one "
                   "to change.")
        self.assertRefused(self.ambiguous, message)
        self.assertRefused(self.ambiguous_post, message)
        self.assertEqual(self.ambiguous.sql()[-1], "SELECT * FROM [Order Details] WHERE [OrderID] = ?")

    def test_refused_save_reports_the_database_error(self) -> None:
        document = self.assertClean(self.refused_save)
        problem = document.find_all("p", **{"class": "problem"})[0].all_text()
        self.assertTrue(problem.startswith("The record was not saved: "), problem)
        self.assertIn("Quantity", problem)
        self.assertEqual(len(self.refused_save.of_kind("cancelupdate")), 1)
        self.assertEqual(self.refused_save.updates(), [])
        self.assertIsNone(self.refused_save.redirect())


class FruitSaladEditTest(EditPageTest):
    """A text key, passed as a text parameter exactly as it came."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("fruit")
        super().setUpClass()
        table = [asp_tables.fruit_salad()]
        site = generate(database, "Fruit Salad", "fruit-salad-edit")
        cls.shown, cls.saved = cls.run_pages(site, [
            Request("fruitedit.asp", query={"action": "edit", "key": "Pear & 'Quince'"}, tables=table),
            Request("fruitedit.asp", method="POST", query={"action": "edit", "key": "Apple"},
                    form={"Fruit": "Apple, Green"}, tables=table),
        ])

    def test_text_key_is_a_parameter(self) -> None:
        document = self.assertClean(self.shown)
        self.assertEqual(self.shown.sql()[-1], "SELECT * FROM [Fruit Salad] WHERE [Fruit] = ?")
        self.assertEqual(self.shown.params(), [("key", 202, "s:Pear & 'Quince'")])
        self.assertEqual(document.inputs()["Fruit"].attrs["value"], "Pear & 'Quince'")
        self.assertEqual(document.find_all("form")[0].attrs["action"],
                         "fruitedit.asp?action=edit&key=Pear+%26+%27Quince%27")

    def test_save_changes_the_key_column(self) -> None:
        self.assertSavedAndReturned(self.saved, "fruitlist.asp", "change")
        self.assertEqual(self.saved.assignments(), {"Fruit": "s:Apple, Green"})


class UsersEditTest(EditPageTest):
    """An AutoNumber known only as not updatable, a Yes/No column."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("node-adodb")
        super().setUpClass()
        table = [asp_tables.users()]
        site = generate(database, "Users", "users-edit")
        cls.saved, cls.added = cls.run_pages(site, [
            Request("node-adodbedit.asp", method="POST", query={"action": "edit", "key": "3"},
                    form={"UserId": "3", "UserName": "张三", "UserSex": "", "UserBirthday": "",
                          "UserMarried": ""}, tables=table),
            Request("node-adodbedit.asp", method="POST", query={"action": "add"},
                    form={"UserId": "", "UserName": "Zoë", "UserSex": "Female", "UserBirthday": "3/1/1990",
                          "UserMarried": "on"}, tables=table),
        ])

    def test_save_skips_the_autonumber_and_reads_yes_no(self) -> None:
        self.assertSavedAndReturned(self.saved, "node-adodblist.asp", "change")
        self.assertEqual(self.saved.assignments(), {"UserName": "s:张三", "UserSex": "Null",
                                                    "UserBirthday": "Null", "UserMarried": "b:False"})

    def test_add(self) -> None:
        self.assertSavedAndReturned(self.added, "node-adodblist.asp", "insert")
        self.assertEqual(self.added.assignments(), {"UserName": "s:Zoë", "UserSex": "s:Female",
                                                    "UserBirthday": "s:3/1/1990", "UserMarried": "b:True"})
