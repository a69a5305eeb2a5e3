"""The generated list page: rows and links, sorting, search, paging, filter."""

from __future__ import annotations

import datetime
import decimal
import urllib.parse
from typing import Any

import asp_html
import asp_tables
from asp_pages import PageTestCase, columns, generate, sample_database, session_after
from asp_run import AD_VARWCHAR, PageResult, Request, Table


def shown(value: Any) -> str:
    """How a stand-in value reads in a cell: the pages' one format."""
    if value is None:
        return ""
    if isinstance(value, bool):
        return "True" if value else "False"
    if isinstance(value, bytes):
        return f"[binary data, {(len(value) + 512) // 1024} KB]"
    if isinstance(value, datetime.datetime):
        if value.date() == datetime.date(1899, 12, 30):
            return value.strftime("%H:%M:%S")  # a time of day alone
        return value.strftime("%Y-%m-%d %H:%M:%S" if value.time() != datetime.time() else "%Y-%m-%d")
    if isinstance(value, decimal.Decimal):
        return format(value.normalize(), "f")
    if isinstance(value, float):
        return "%.15g" % value
    return str(value)


def cells(row: asp_html.Element) -> list[str]:
    return [cell.all_text().strip() for cell in row.find_all("td")]


def edit_link(row: asp_html.Element) -> str:
    return row.find_all("td")[0].find_all("a")[0].attrs["href"]


# What the related columns of the nwind stand-ins show (asp_tables.REFERENCES):
# the caption of the referenced record, or the key where there is none.
ORDERS_CAPTIONS = {1: {"VINET": "Vins et alcools Chevalier", "TOMSP": "Toms Spezialitäten"},
                   6: {"3": "Federal Shipping"}}
ORDER_DETAILS_CAPTIONS = {0: {"10248": "VINET", "10249": "TOMSP"}}


class ListPageTest(PageTestCase):
    """Shared checks; each subclass generates one table's pages."""

    def assertRecordRows(self, result: PageResult, table: Table, first: int, count: int, edit_page: str,
                         keys: tuple[int, ...] = (0,), captions: dict[int, dict[str, str]] | None = None) -> None:
        """The rows show the records from first on, related columns by their
        captions; each links to its edit page by the key columns' values, or
        where keys is empty, has no link."""
        document = self.assertClean(result)
        rows = document.record_rows()
        self.assertEqual(len(rows), count, f"{result.request.page}: record rows")
        for row, record in zip(rows, table.rows[first:first + count]):
            expected = [(captions or {}).get(n, {}).get(shown(v), shown(v)).strip() for n, v in enumerate(record)]
            if not keys:
                self.assertEqual(cells(row), expected)
                self.assertEqual(row.find_all("a"), [])
                continue
            self.assertEqual(cells(row)[1:], expected)
            query = "&".join(f"key{n + 1 if n else ''}=" + urllib.parse.quote_plus(shown(record[k]), safe="")
                             for n, k in enumerate(keys))
            self.assertEqual(edit_link(row), f"{edit_page}?action=edit&{query}")


class OrdersListTest(ListPageTest):
    """nwind.mdb "Orders", every column in every list."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.orders()
        cls.site = generate(cls.database, "Orders", "nwind-orders")
        table = asp_tables.with_references(cls.table)
        first = cls.run_pages(cls.site, [
            Request("nwindlist.asp", tables=table),
            Request("nwindlist.asp", query={"sort": "CustomerID"}, tables=table),
            Request("nwindlist.asp", query={"sort": "shipcity"}, tables=table),
            Request("nwindlist.asp", query={"sort": "x;drop table y"}, tables=table),
            Request("nwindlist.asp", method="POST", form={"searchname": "O'Brien"}, tables=table),
            Request("nwindlist.asp", method="POST", form={"searchname": '"><script>alert(1)</script>'},
                    tables=table),
            Request("nwindfilter.asp", method="POST", form={"ShipCity": "Reims", "ShipName": "Pub's"},
                    tables=table),
        ] + [Request("nwindlist.asp", query={"page": page}, tables=table)
             for page in ("2", "3", "99", "0", "abc", "-1", "2 or 1=1", "1e3", "&H2", "", "1234567")])
        (cls.plain, cls.sorted, cls.sorted_lower, cls.sort_injection, cls.search, cls.search_markup,
         cls.filtered) = first[:7]
        cls.pages = dict(zip(("2", "3", "99", "0", "abc", "-1", "2 or 1=1", "1e3", "&H2", "", "1234567"),
                             first[7:]))
        after_sort = session_after(cls.sorted)
        after_filter = session_after(cls.filtered)
        second = cls.run_pages(cls.site, [
            Request("nwindlist.asp", query={"sort": "CustomerID"}, session=after_sort, tables=table),
            Request("nwindlist.asp", query={"sort": "ShipName"}, session=after_sort, tables=table),
            Request("nwindlist.asp", query={"sort": "ShipName] DESC, [OrderID"}, session=after_sort, tables=table),
            Request("nwindlist.asp", session=after_filter, tables=table),
            Request("nwindlist.asp", method="POST", form={"searchname": "Reims"}, session=after_filter,
                    tables=table),
            Request("nwindlist.asp", query={"clear": "filter"}, session=after_filter, tables=table),
            Request("nwindlist.asp", query={"clear": "search"}, session=session_after(cls.search), tables=table),
            Request("nwindlist.asp", tables=asp_tables.with_references(asp_tables.orders(0))),
            Request("nwindlist.asp", session=session_after(cls.search),
                    tables=asp_tables.with_references(asp_tables.orders(0))),
        ])
        (cls.sorted_again, cls.sorted_other, cls.sorted_then_injected, cls.with_filter, cls.filter_and_search,
         cls.filter_cleared, cls.search_cleared, cls.empty, cls.empty_search) = second

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Orders"), [c.name for c in self.table.columns])

    def test_first_page_shows_one_row_per_record(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 20, "nwindedit.asp", captions=ORDERS_CAPTIONS)
        self.assertEqual(self.plain.sql("Orders"), ["SELECT * FROM [Orders] WHERE 1=0", "SELECT * FROM [Orders]"])

    def test_related_columns_show_captions_read_once_per_table_and_page(self) -> None:
        for result in (self.plain, self.pages["2"]):
            with self.subTest(page=result.request.query):
                self.assertEqual(result.sql()[2:], [
                    "SELECT [CustomerID], [CompanyName] FROM [Customers] WHERE [CustomerID] IN (?, ?)",
                    "SELECT [EmployeeID], [LastName] FROM [Employees] WHERE [EmployeeID] IN (?)",
                    "SELECT [ShipperID], [CompanyName] FROM [Shippers] WHERE [ShipperID] IN (?)"])
                self.assertEqual(result.params(), [("p1", 202, "s:VINET"), ("p2", 202, "s:TOMSP"),
                                                   ("p1", 3, "n:5"), ("p1", 3, "n:3")])
        self.assertEqual(self.empty.sql(), ["SELECT * FROM [Orders] WHERE 1=0", "SELECT * FROM [Orders]"])

    def test_page_is_utf8_html5_with_its_links(self) -> None:
        document = self.assertClean(self.plain)
        page_text = (self.site / "nwindlist.asp").read_bytes()
        self.assertTrue(page_text.startswith(b'<%@ LANGUAGE="VBSCRIPT" CODEPAGE="65001" %>'))
        self.assertIn(b"Tokyo\xe3\x80\x80Traders", self.plain.output_bytes)
        self.assertIn(b"Z\xc3\xbcrich &amp; S\xc3\xb6hne", self.plain.output_bytes)
        links = document.links()
        for link in ("nwindedit.asp?action=add", "nwindfilter.asp", "nwindlist.asp?page=2", "nwindlist.asp?page=3"):
            self.assertIn(link, links)
        self.assertEqual(self.plain.session_text("tablelist"), "nwindlist.asp")

    def test_header_links_sort_by_each_column(self) -> None:
        headers = self.assertClean(self.plain).header_cells()[1:]
        self.assertEqual([h.all_text().strip() for h in headers], [c.name for c in self.table.columns])
        self.assertEqual([h.find_all("a")[0].attrs["href"] for h in headers],
                         [f"nwindlist.asp?sort={c.name}" for c in self.table.columns])

    def test_markup_in_a_value_comes_out_encoded(self) -> None:
        self.assertIn(b"&lt;script&gt;alert('x')&lt;/script&gt;", self.plain.output_bytes)
        self.assertNotIn(b"<script>", self.plain.output_bytes)
        self.assertIn(b"O'Brien &quot;Pub&quot;", self.plain.output_bytes)

    def test_sort_by_a_real_column_orders_the_sql(self) -> None:
        self.assertClean(self.sorted)
        self.assertEqual(self.sorted.sql("Orders")[-1], "SELECT * FROM [Orders] ORDER BY [CustomerID] ASC")
        self.assertEqual(self.sorted_lower.sql("Orders")[-1], "SELECT * FROM [Orders] ORDER BY [ShipCity] ASC")

    def test_sorting_the_sorted_column_again_turns_the_order(self) -> None:
        self.assertClean(self.sorted_again)
        self.assertEqual(self.sorted_again.sql("Orders")[-1], "SELECT * FROM [Orders] ORDER BY [CustomerID] DESC")
        self.assertIn("descending", self.sorted_again.output)
        self.assertClean(self.sorted_other)
        self.assertEqual(self.sorted_other.sql("Orders")[-1], "SELECT * FROM [Orders] ORDER BY [ShipName] ASC")

    def test_a_sort_that_names_no_column_never_reaches_the_sql(self) -> None:
        self.assertClean(self.sort_injection)
        self.assertEqual(self.sort_injection.sql("Orders"), ["SELECT * FROM [Orders] WHERE 1=0", "SELECT * FROM [Orders]"])
        self.assertClean(self.sorted_then_injected)
        self.assertEqual(self.sorted_then_injected.sql("Orders")[-1], "SELECT * FROM [Orders] ORDER BY [CustomerID] ASC")
        for result in (self.sort_injection, self.sorted_then_injected):
            self.assertNotIn("drop", " ".join(result.sql()).lower())

    def test_search_doubles_the_quote(self) -> None:
        document = self.assertClean(self.search)
        self.assertEqual([cells(row)[1] for row in document.record_rows()],
                         [str(r[0]) for r in self.table.rows if any("o'brien" in str(v).lower() for v in r)])
        # Each text column holds the text as a parameter; "O'Brien" is no
        # number and no date, so the other columns match nothing.
        sql = self.search.sql("Orders")[-1]
        texts = [c.name for c in self.table.columns if c.type == AD_VARWCHAR]
        self.assertEqual(sql.count(" LIKE ?"), len(texts), sql)
        for column in texts:
            self.assertIn(f"[{column}] LIKE ?", sql)
        self.assertEqual({value for _, _, value in self.search.params()[:len(texts)]}, {"s:%O'Brien%"})
        self.assertEqual(self.search.session_text("searchname"), "O'Brien")
        self.assertEqual(document.inputs()["searchname"].attrs["value"], "O'Brien")
        self.assertIn("nwindlist.asp?clear=search", document.links())

    def test_search_text_with_markup_stays_text(self) -> None:
        document = self.assertClean(self.search_markup)
        self.assertEqual(document.inputs()["searchname"].attrs["value"], '"><script>alert(1)</script>')
        self.assertIn(b'value="&quot;&gt;&lt;script&gt;', self.search_markup.output_bytes)

    def test_clear_search(self) -> None:
        self.assertClean(self.search_cleared)
        self.assertEqual(self.search_cleared.session_text("searchname"), "")
        self.assertEqual(self.search_cleared.sql("Orders")[-1], "SELECT * FROM [Orders]")

    def test_page_number_selects_the_page(self) -> None:
        self.assertRecordRows(self.pages["2"], self.table, 20, 20, "nwindedit.asp", captions=ORDERS_CAPTIONS)
        self.assertRecordRows(self.pages["3"], self.table, 40, 5, "nwindedit.asp", captions=ORDERS_CAPTIONS)
        self.assertRecordRows(self.pages["99"], self.table, 40, 5, "nwindedit.asp", captions=ORDERS_CAPTIONS)
        self.assertIn("Page 2 of 3", self.pages["2"].output)

    def test_page_number_that_is_no_number_shows_the_first_page(self) -> None:
        for text in ("0", "abc", "-1", "2 or 1=1", "1e3", "&H2", "", "1234567"):
            with self.subTest(page=text):
                self.assertRecordRows(self.pages[text], self.table, 0, 20, "nwindedit.asp", captions=ORDERS_CAPTIONS)

    def test_filter_from_the_filter_page_is_applied_shown_and_cleared(self) -> None:
        self.assertEqual(self.filtered.redirect(), "nwindlist.asp")
        document = self.assertClean(self.with_filter)
        self.assertEqual(self.with_filter.sql("Orders")[-1],
                         "SELECT * FROM [Orders] WHERE ([ShipName] LIKE ? AND [ShipCity] LIKE ?)")
        self.assertEqual(self.with_filter.params(), [("p1", 202, "s:%Pub's%"), ("p2", 202, "s:%Reims%")])
        self.assertIn(asp_html.iis_html_encode('ShipName contains "Pub' + "'" + 's"; ShipCity contains "Reims"'),
                      self.with_filter.output)
        self.assertIn("nwindlist.asp?clear=filter", document.links())
        self.assertClean(self.filter_cleared)
        self.assertEqual(self.filter_cleared.sql("Orders")[-1], "SELECT * FROM [Orders]")

    def test_filter_and_search_together(self) -> None:
        self.assertClean(self.filter_and_search)
        sql = self.filter_and_search.sql("Orders")[-1]
        self.assertTrue(sql.startswith("SELECT * FROM [Orders] WHERE ([ShipName] LIKE ? AND [ShipCity] LIKE ?) AND ("),
                        sql)
        self.assertEqual(self.filter_and_search.params()[:3],
                         [("p1", 202, "s:%Pub's%"), ("p2", 202, "s:%Reims%"), ("p3", 202, "s:%Reims%")])

    def test_friendly_line_when_nothing_is_there(self) -> None:
        self.assertEqual(self.assertClean(self.empty).record_rows(), [])
        self.assertIn("holds no records yet", self.empty.output)
        self.assertEqual(self.assertClean(self.empty_search).record_rows(), [])
        self.assertIn("No records match the search or the filter.", self.empty_search.output)


class OrderDetailsListTest(ListPageTest):
    """nwind.mdb "Order Details": a table name with a blank, a key of two
    columns."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.order_details()
        cls.site = generate(cls.database, "Order Details", "nwind-order-details")
        # The same database's "Orders" pages, generated into another folder,
        # have the same page names; their filter and sort stay theirs.
        orders_site = generate(cls.database, "Orders", "nwind-orders-beside")
        orders = asp_tables.with_references(asp_tables.orders(3))
        orders_filtered, orders_sorted = cls.run_pages(orders_site, [
            Request("nwindfilter.asp", method="POST", form={"ShipCity": "Reims"}, tables=orders),
            Request("nwindlist.asp", query={"sort": "ShipCity"}, tables=orders)])
        other_state = session_after(orders_sorted, session_after(orders_filtered))
        table = asp_tables.with_references(cls.table)
        cls.plain, cls.sorted, cls.beside_orders = cls.run_pages(cls.site, [
            Request("nwindlist.asp", tables=table),
            Request("nwindlist.asp", query={"sort": "UnitPrice"}, tables=table),
            Request("nwindlist.asp", session=other_state, tables=table)])

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Order Details"), [c.name for c in self.table.columns])

    def test_table_name_is_bracketed_and_links_carry_both_keys(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 3, "nwindedit.asp", keys=(0, 1),
                              captions=ORDER_DETAILS_CAPTIONS)
        self.assertEqual(self.plain.sql("Order Details"), ["SELECT * FROM [Order Details] WHERE 1=0",
                                                           "SELECT * FROM [Order Details]"])
        self.assertEqual(self.sorted.sql("Order Details")[-1],
                         "SELECT * FROM [Order Details] ORDER BY [UnitPrice] ASC")
        self.assertNotIn("Page 1 of", self.plain.output)

    def test_another_tables_filter_and_sort_stay_with_it(self) -> None:
        self.assertClean(self.beside_orders)
        self.assertEqual(self.beside_orders.sql("Order Details")[-1], "SELECT * FROM [Order Details]")


class FruitSaladListTest(ListPageTest):
    """fruit.mdb "Fruit Salad": a text key that needs URL encoding."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("fruit")
        super().setUpClass()
        cls.table = asp_tables.fruit_salad()
        cls.site = generate(cls.database, "Fruit Salad", "fruit-salad")
        (cls.plain,) = cls.run_pages(cls.site, [Request("fruitlist.asp",
                                                        tables=asp_tables.with_references(cls.table))])

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Fruit Salad"), [c.name for c in self.table.columns])

    def test_keys_are_url_encoded(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 5, "fruitedit.asp")
        self.assertIn(b'href="fruitedit.asp?action=edit&amp;key=Grapefruit%2C+Red"', self.plain.output_bytes)
        self.assertIn(b"key=Pear+%26+%27Quince%27", self.plain.output_bytes)
        self.assertIn(b"key=Kiwi%E3%80%80Gold", self.plain.output_bytes)
        self.assertIn(b"<td>Kiwi\xe3\x80\x80Gold</td>", self.plain.output_bytes)


class UsersListTest(ListPageTest):
    """node-adodb.mdb "Users", through a job file with chosen captions and
    search columns."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("node-adodb")
        super().setUpClass()
        cls.table = asp_tables.users()
        names = [c.name for c in cls.table.columns]
        cls.site = generate(cls.database, "Users", "users-job", job={
            "fields": names, "display": ["No", "Name", "Sex", "Birthday", "Married"],
            "filter": ["UserName"], "search": ["UserName", "UserSex"]})
        cls.plain, cls.search = cls.run_pages(cls.site, [
            Request("node-adodblist.asp", tables=[cls.table]),
            Request("node-adodblist.asp", method="POST", form={"searchname": "张三's"}, tables=[cls.table])])

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Users"), [c.name for c in self.table.columns])

    def test_rows_captions_and_utf8(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 3, "node-adodbedit.asp")
        headers = self.assertClean(self.plain).header_cells()[1:]
        self.assertEqual([h.all_text().strip() for h in headers], ["No", "Name", "Sex", "Birthday", "Married"])
        self.assertIn("<td>张三</td>".encode(), self.plain.output_bytes)

    def test_search_only_the_chosen_columns(self) -> None:
        self.assertClean(self.search)
        self.assertEqual(self.search.sql()[-1], "SELECT * FROM [Users] WHERE ([UserName] LIKE ?  or [UserSex] LIKE ? )")
        self.assertEqual(self.search.params(), [("p1", 202, "s:%张三's%"), ("p2", 202, "s:%张三's%")])


class UmsaetzeListTest(ListPageTest):
    """nwind.mdb "Umsätze": a table name outside ASCII, in SQL and in HTML."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.orders(3, name="Umsätze")
        cls.site = generate(cls.database, "Umsätze", "nwind-umsaetze")
        (cls.plain,) = cls.run_pages(cls.site, [Request("nwindlist.asp", tables=[cls.table])])

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Umsätze"), [c.name for c in self.table.columns])

    def test_table_name_survives_as_utf8(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 3, "nwindedit.asp")
        self.assertEqual(self.plain.sql()[-1], "SELECT * FROM [Umsätze]")
        self.assertIn("<title>Umsätze - list</title>".encode(), self.plain.output_bytes)


class FruitListTest(ListPageTest):
    """fruit.mdb "Fruit": sorting by a column whose name holds a blank."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("fruit")
        super().setUpClass()
        cls.table = asp_tables.fruit()
        cls.site = generate(cls.database, "Fruit", "fruit-fruit")
        (cls.sorted,) = cls.run_pages(cls.site, [Request("fruitlist.asp", query={"sort": "Vit A"},
                                                         tables=[cls.table])])

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Fruit"), [c.name for c in self.table.columns])

    def test_sort_by_a_name_with_a_blank(self) -> None:
        self.assertRecordRows(self.sorted, self.table, 0, 2, "fruitedit.asp")
        self.assertEqual(self.sorted.sql()[-1], "SELECT * FROM [Fruit] ORDER BY [Vit A] ASC")
        headers = self.assertClean(self.sorted).header_cells()[1:]
        self.assertEqual(headers[5].find_all("a")[0].attrs["href"], "fruitlist.asp?sort=Vit%20A")


class EmployeesListTest(ListPageTest):
    """nwind.mdb "Employees": binary data is shown by size, never sorted or
    searched; search text is a literal pattern, a parameter beside plain
    ASCII SQL."""

    # (search text, the LIKE pattern it becomes)
    SEARCHES = [("50%_[x]*?#", "%50[%][_][[]x][*][?][#]%"),
                ("O'Brien", "%O'Brien%"),
                ("Zürich", "%Zürich%"),
                ("a\uff07 OR ''=''", "%a\uff07 OR ''=''%"),
                ("\u00e9\u00e8", "%\u00e9\u00e8%"),
                ("\U0001F600", "%\U0001F600%")]

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.employees()
        site = generate(cls.database, "Employees", "nwind-employees")
        table = [cls.table]
        results = cls.run_pages(site, [Request("nwindlist.asp", tables=table),
                                       Request("nwindlist.asp", query={"sort": "Photo"}, tables=table)] +
                                [Request("nwindlist.asp", method="POST", form={"searchname": text}, tables=table)
                                 for text, _ in cls.SEARCHES])
        cls.plain, cls.photo_sort = results[:2]
        cls.searches = results[2:]

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "Employees"), [c.name for c in self.table.columns])

    def test_binary_data_is_shown_by_size_and_never_sorted(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 2, "nwindedit.asp")
        self.assertRecordRows(self.photo_sort, self.table, 0, 2, "nwindedit.asp")
        self.assertEqual(self.photo_sort.sql()[-1], "SELECT * FROM [Employees]")
        # Binary data cannot be sorted: its header offers no sort link.
        links = {h.all_text().strip(): h.find_all("a") for h in asp_html.parse(self.plain.output).header_cells()[1:]}
        self.assertEqual(links["Photo"], [])
        self.assertEqual(len(links["LastName"]), 1)
        self.assertIsNone(self.photo_sort.session_text("nwindlist:Employees:sort"))

    def test_search_is_literal_plain_ascii_and_skips_binary_data(self) -> None:
        for (text, pattern), result in zip(self.SEARCHES, self.searches):
            with self.subTest(search=text):
                self.assertClean(result)
                sql = result.sql()[-1]
                self.assertIn("[LastName] LIKE ?", sql)
                self.assertIn(("p1", 202, f"s:{pattern}"), result.params())
                self.assertNotIn("[Photo]", sql)
                self.assertTrue(sql.isascii(), sql)


class RefusedQueryTest(ListPageTest):
    """A search or filter the database refuses is reported and dropped, so
    that the next view lists the table again."""

    @classmethod
    def setUpClass(cls) -> None:
        database = sample_database("nwind")
        super().setUpClass()
        cls.table = asp_tables.orders(3)
        site = generate(database, "Orders", "nwind-orders-refused", job={"search": ["ShipName", "ShipNme"]})
        table = asp_tables.with_references(cls.table)
        cls.refused = cls.run_pages(site, [
            Request("nwindlist.asp", method="POST", form={"searchname": "Reims"}, tables=table),
            Request("nwindlist.asp", session={"nwindlist:Orders:filter": "ShipNme\tlike\tx"}, tables=table),
        ])
        cls.next_views = cls.run_pages(site, [Request("nwindlist.asp", session=session_after(r), tables=table)
                                              for r in cls.refused])

    def test_refusal_is_shown_and_its_cause_dropped(self) -> None:
        for what, result in zip(("search", "filter"), self.refused):
            with self.subTest(what=what):
                document = self.assertClean(result)
                message = [p.all_text() for p in document.find_all("p", **{"class": "problem"})]
                self.assertEqual(len(message), 1)
                self.assertTrue(message[0].startswith(f"The database could not use the {what}, so it has been "
                                                      "cleared."), message)
                self.assertNotIn("[Microsoft]", result.output)
                self.assertTrue(result.log_entries()[0].startswith("[Microsoft][ODBC Microsoft Access Driver]"))
                self.assertEqual(result.sql("Orders")[-1], "SELECT * FROM [Orders]")
                self.assertRecordRows(result, self.table, 0, 3, "nwindedit.asp", captions=ORDERS_CAPTIONS)

    def test_next_view_lists_again(self) -> None:
        for result in self.next_views:
            document = self.assertClean(result)
            self.assertEqual(document.find_all("p", **{"class": "problem"}), [])
            self.assertEqual(result.sql("Orders"), ["SELECT * FROM [Orders] WHERE 1=0", "SELECT * FROM [Orders]"])


class NoKeyTest(ListPageTest):
    """DateTestDatabase.mdb "DateTest" has no primary key and no unique index:
    its records are listed without edit links, the pages say why, and they
    are added (the edit page's round trip adds them) but never changed or
    deleted."""

    @classmethod
    def setUpClass(cls) -> None:
        cls.database = sample_database("datetest")
        super().setUpClass()
        cls.table = asp_tables.date_test()
        site = generate(cls.database, "DateTest", "datetest-list")
        table = [cls.table]
        cls.plain, *cls.refused = cls.run_pages(site, [
            Request("DateTestDatabaselist.asp", tables=table),
            Request("DateTestDatabaseedit.asp", query={"action": "edit", "key": "1"}, tables=table),
            Request("DateTestDatabaseedit.asp", method="POST", query={"action": "delete", "key": "1"},
                    form={"form.token": "t"}, session={"formtoken": "t"}, tables=table)])

    def test_columns_are_the_real_ones(self) -> None:
        self.assertEqual(columns(self.database, "DateTest"), [c.name for c in self.table.columns])

    def test_records_without_links_and_the_reason(self) -> None:
        self.assertRecordRows(self.plain, self.table, 0, 1, "DateTestDatabaseedit.asp", keys=())
        document = asp_html.parse(self.plain.output)
        self.assertEqual(len(document.header_cells()), len(self.table.columns))
        (reason,) = document.find_all("p", **{"class": "nokey"})
        self.assertIn("has no primary key and no unique index", reason.all_text())
        self.assertIn("DateTestDatabaseedit.asp?action=add", document.links())

    def test_edit_and_delete_are_refused_saying_why(self) -> None:
        for result in self.refused:
            with self.subTest(action=result.request.query["action"]):
                document = self.assertClean(result)
                self.assertEqual([p.all_text() for p in document.find_all("p", **{"class": "problem"})], [
                    "The table DateTest has no primary key and no unique index without empty values, so this "
                    "page cannot tell one of its records from another: records can be added here, but not "
                    "changed or deleted."])
                self.assertEqual((result.sql(), result.touched_rows()), ([], []))
