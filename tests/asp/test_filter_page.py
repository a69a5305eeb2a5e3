"""The generated filter page: posted values become the list page's condition."""

from __future__ import annotations

import asp_html
import asp_tables
from asp_pages import PageTestCase, generate, sample_database, session_after
from asp_run import PageResult, Request


class FilterPageTest(PageTestCase):
    def condition_set(self, result: PageResult) -> tuple[str, str]:
        """The one session value the POST set: its name and text."""
        self.assertRan(result)
        set_values = [e.detail.split("\t", 1) for e in result.of_kind("session")]
        self.assertEqual(len(set_values), 1, f"session values set: {set_values}")
        name, value = set_values[0]
        self.assertTrue(value.startswith("s:"), value)
        return name, value[2:]


class OrdersFilterTest(FilterPageTest):
    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.orders(3)
        cls.site = generate(database, "Orders", "nwind-orders-filter")
        table = asp_tables.with_references(cls.table)
        cls.form, cls.posted, cls.hostile = cls.run_pages(cls.site, [
            Request("nwindfilter.asp", tables=table),
            Request("nwindfilter.asp", method="POST", form={"ShipName": "O'Brien", "ShipCity": "Reims", "ShipVia": ""},
                    tables=table),
            Request("nwindfilter.asp", method="POST", form={"ShipCity": "%' OR 1=1 --<script>"}, tables=table),
        ])
        after_post = session_after(cls.posted)
        after_hostile = session_after(cls.hostile)
        (cls.form_with_filter, cls.cleared, cls.list_filtered, cls.list_hostile) = cls.run_pages(cls.site, [
            Request("nwindfilter.asp", session=after_post, tables=table),
            Request("nwindfilter.asp", method="POST", form={c.name: "" for c in cls.table.columns},
                    session=after_post, tables=table),
            Request("nwindlist.asp", session=after_post, tables=table),
            Request("nwindlist.asp", session=after_hostile, tables=table),
        ])

    def test_form_offers_every_filter_column(self) -> None:
        document = self.assertClean(self.form)
        self.assertEqual(list(document.inputs()), [c.name for c in self.table.columns])
        form = document.find_all("form")[0]
        self.assertEqual((form.attrs["method"], form.attrs["action"]), ("post", "nwindfilter.asp"))
        self.assertIn("nwindlist.asp", document.links())
        self.assertEqual(document.find_all("p", **{"class": "filter"}), [])

    def test_posted_values_become_the_list_condition(self) -> None:
        # The session keeps each column's condition, not SQL: the list
        # builds that anew, with parameters.
        _, condition = self.condition_set(self.posted)
        self.assertEqual(condition, "ShipName\tlike\tO'Brien\nShipCity\tlike\tReims")
        self.assertEqual(self.posted.redirect(), "nwindlist.asp")
        self.assertEqual(self.posted.open_objects(), [])
        document = self.assertClean(self.list_filtered)
        self.assertEqual(self.list_filtered.sql("Orders")[-1],
                         "SELECT * FROM [Orders] WHERE ([ShipName] LIKE ? AND [ShipCity] LIKE ?)")
        self.assertEqual(self.list_filtered.params()[:2], [("p1", 202, "s:%O'Brien%"), ("p2", 202, "s:%Reims%")])
        self.assertEqual([row.find_all("td")[1].all_text().strip() for row in document.record_rows()], ["10250"])

    def test_current_filter_is_shown_with_a_way_to_clear_it(self) -> None:
        document = self.assertClean(self.form_with_filter)
        shown = document.find_all("p", **{"class": "filter"})[0]
        self.assertIn('ShipName contains "O' + "'" + 'Brien"; ShipCity contains "Reims"', shown.all_text())
        self.assertEqual(document.inputs()["ShipName"].attrs["value"], "O'Brien")
        self.assertIn("nwindlist.asp?clear=filter", document.links())

    def test_empty_form_clears_the_filter(self) -> None:
        name, condition = self.condition_set(self.cleared)
        self.assertEqual(condition, "")
        self.assertEqual(name, self.condition_set(self.posted)[0])
        self.assertEqual(self.cleared.redirect(), "nwindlist.asp")

    def test_hostile_value_stays_inside_its_quotes(self) -> None:
        _, condition = self.condition_set(self.hostile)
        self.assertEqual(condition, "ShipCity\tlike\t%25' OR 1=1 --<script>")
        self.assertEqual(self.assertClean(self.list_hostile).record_rows(), [])
        self.assertEqual(self.list_hostile.sql("Orders")[-1], "SELECT * FROM [Orders] WHERE ([ShipCity] LIKE ?)")
        self.assertEqual(self.list_hostile.params()[0], ("p1", 202, "s:%[%]' OR 1=1 --<script>%"))
        self.assertIn(asp_html.iis_html_encode('ShipCity contains "%' + "'" + ' OR 1=1 --<script>"').encode(),
                      self.list_hostile.output_bytes)
        self.assertNotIn(b"<script>", self.list_hostile.output_bytes)


class UsersFilterTest(FilterPageTest):
    """node-adodb.mdb "Users" with one filter column chosen in a job file."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("node-adodb")
        super().setUpClass()
        table = [asp_tables.users()]
        site = generate(database, "Users", "users-filter", job={"filter": ["UserName"]})
        cls.form, cls.posted = cls.run_pages(site, [
            Request("node-adodbfilter.asp", tables=table),
            Request("node-adodbfilter.asp", method="POST", form={"UserName": "张三"}, tables=table),
        ])

    def test_only_the_chosen_column(self) -> None:
        document = self.assertClean(self.form)
        self.assertEqual(list(document.inputs()), ["UserName"])
        self.assertIn('<label for="field-UserName">UserName</label>', self.form.output)

    def test_non_ascii_value(self) -> None:
        self.assertEqual(self.condition_set(self.posted)[1], "UserName\tlike\t张三")


class EmployeesFilterTest(FilterPageTest):
    """nwind.mdb "Employees": binary data is offered no input."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.employees()
        site = generate(database, "Employees", "nwind-employees-filter")
        (cls.form,) = cls.run_pages(site, [Request("nwindfilter.asp", tables=[cls.table])])

    def test_every_column_but_the_photo(self) -> None:
        document = self.assertClean(self.form)
        self.assertEqual(list(document.inputs()), [c.name for c in self.table.columns if c.name != "Photo"])
