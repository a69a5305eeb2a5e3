"""Stand-in contents for the real tables the pages are generated from.

The column names must be the ones ferulo-cli reads from the real database
(the tests check that); the types are the columns' Access types as ADO reports
them, and the rows are made up to hold the awkward values: quotes, markup,
non-ASCII text, Nulls.
"""

from __future__ import annotations

import datetime
import decimal

from asp_run import (AD_BOOLEAN, AD_CURRENCY, AD_DATE, AD_DBTIMESTAMP, AD_INTEGER, AD_LONGVARBINARY,
                     AD_LONGVARWCHAR, AD_NUMERIC, AD_SINGLE, AD_SMALLINT, AD_VARWCHAR, Column, Table)

IDEOGRAPHIC_SPACE = "\u3000"
SCRIPT_TEXT = "<script>alert('x')</script>"
MARKUP_CAPTION = "Antonio Moreno <b>Taquería</b>"


def orders(row_count: int = 45, name: str = "Orders") -> Table:
    """nwind.mdb "Orders" (and "Umsätze", which has the same columns):
    OrderID is an AutoNumber the provider reports."""
    columns = [
        Column("OrderID", AD_INTEGER, 4, nullable=False, auto_increment=True),
        Column("CustomerID", AD_VARWCHAR, 5),
        Column("EmployeeID", AD_INTEGER, 4),
        Column("OrderDate", AD_DATE, 8),
        Column("RequiredDate", AD_DATE, 8),
        Column("ShippedDate", AD_DATE, 8),
        Column("ShipVia", AD_INTEGER, 4),
        Column("Freight", AD_CURRENCY, 8),
        Column("ShipName", AD_VARWCHAR, 40),
        Column("ShipAddress", AD_VARWCHAR, 60),
        Column("ShipCity", AD_VARWCHAR, 15),
        Column("ShipRegion", AD_VARWCHAR, 15),
        Column("ShipPostalCode", AD_VARWCHAR, 10),
        Column("ShipCountry", AD_VARWCHAR, 15),
    ]
    names = ["Vins et alcools Chevalier", SCRIPT_TEXT, 'O\'Brien "Pub"', "Tokyo" + IDEOGRAPHIC_SPACE + "Traders",
             "Zürich & Söhne"]
    rows = []
    for i in range(row_count):
        order_id = 10248 + i
        rows.append([
            order_id, "VINET" if i % 2 == 0 else "TOMSP", 5, datetime.datetime(1996, 7, 4 + i % 20),
            datetime.datetime(1996, 8, 1), None if i % 3 == 0 else datetime.datetime(1996, 7, 16), 3,
            decimal.Decimal("32.38"), names[i % len(names)], "59 rue de l'Abbaye", "Reims", None, "51100",
            "France"])
    return Table(name, columns, rows)


def order_details(rows: list[list] | None = None) -> Table:
    """nwind.mdb "Order Details": OrderID repeats (one row per order line);
    the key is OrderID and ProductID."""
    columns = [
        Column("OrderID", AD_INTEGER, 4, nullable=False),
        Column("ProductID", AD_INTEGER, 4, nullable=False),
        Column("UnitPrice", AD_CURRENCY, 8, nullable=False),
        Column("Quantity", AD_SMALLINT, 2, nullable=False),
        Column("Discount", AD_SINGLE, 4, nullable=False),
    ]
    if rows is None:
        rows = [[10248, 11, decimal.Decimal("14"), 12, 0.0],
                [10248, 42, decimal.Decimal("9.8"), 10, 0.0],
                [10249, 14, decimal.Decimal("18.6"), 9, 0.0]]
    return Table("Order Details", columns, rows)


def fruit_salad(rows: list[str] | None = None) -> Table:
    """fruit.mdb "Fruit Salad": one text column, which is also the key."""
    if rows is None:
        rows = ["Apple", "Grapefruit, Red", "Pear & 'Quince'", "Kiwi" + IDEOGRAPHIC_SPACE + "Gold", "Blackberry"]
    return Table("Fruit Salad", [Column("Fruit", AD_VARWCHAR, 50, nullable=False)], [[r] for r in rows])


def users() -> Table:
    """node-adodb.mdb "Users", as a provider that knows no ISAUTOINCREMENT
    property shows it: the AutoNumber only as a column that cannot be
    updated. A required text, a Yes/No."""
    columns = [
        Column("UserId", AD_INTEGER, 4, nullable=False, auto_increment=True),
        Column("UserName", AD_VARWCHAR, 255, nullable=False),
        Column("UserSex", AD_VARWCHAR, 255),
        Column("UserBirthday", AD_DATE, 8),
        Column("UserMarried", AD_BOOLEAN, 2, nullable=False),
    ]
    for column in columns:
        column.reports_auto_increment = False
    rows = [[1, "Nuintun", "Male", datetime.datetime(1989, 1, 25), True],
            [2, "Angela", "Female", datetime.datetime(1988, 12, 18), False],
            [3, "张三", "男", datetime.datetime(1986, 12, 18), True]]
    return Table("Users", columns, rows)


def fruit() -> Table:
    """fruit.mdb "Fruit": column names with blanks."""
    names = ["Fruit", "Fiber", "Fat", "Protien", "Sugar", "Vit A", "Vit C", "Vit B1", "Vit B2", "Vit B6", "Vit E"]
    columns = [Column(names[0], AD_VARWCHAR, 50)] + [Column(n, AD_INTEGER, 4) for n in names[1:]]
    return Table("Fruit", columns, [["Apple", 4, 0, 0, 19, 1, 8, 1, 2, 4, 1], ["Fig", 3, 0, 1, 16, 1, 2, 4, 3, 6, 1]])


def employees() -> Table:
    """nwind.mdb "Employees" as the ODBC driver shows it: dates as
    timestamps, an OLE Object photo, a memo with line breaks of both kinds."""
    columns = [
        Column("EmployeeID", AD_INTEGER, 4, nullable=False, auto_increment=True),
        Column("LastName", AD_VARWCHAR, 20, nullable=False),
        Column("FirstName", AD_VARWCHAR, 10, nullable=False),
        Column("Title", AD_VARWCHAR, 30),
        Column("TitleOfCourtesy", AD_VARWCHAR, 25),
        Column("BirthDate", AD_DBTIMESTAMP, 16),
        Column("HireDate", AD_DBTIMESTAMP, 16),
        Column("Address", AD_VARWCHAR, 60),
        Column("City", AD_VARWCHAR, 15),
        Column("Region", AD_VARWCHAR, 15),
        Column("PostalCode", AD_VARWCHAR, 10),
        Column("Country", AD_VARWCHAR, 15),
        Column("HomePhone", AD_VARWCHAR, 24),
        Column("Extension", AD_VARWCHAR, 4),
        Column("Photo", AD_LONGVARBINARY, 1073741823),
        Column("Notes", AD_LONGVARWCHAR, 1073741823),
        Column("ReportsTo", AD_INTEGER, 4),
    ]
    rows = [
        [1, "Davolio", "Nancy", "Sales Representative", "Ms.", datetime.datetime(1948, 12, 8),
         datetime.datetime(1992, 5, 1, 9, 30), "507 - 20th Ave. E.\r\nApt. 2A", "Seattle", "WA", "98122", "USA",
         "(206) 555-9857", "5467", bytes(21626),
         "Education includes a BA in psychology.\r\n\r\nShe is a member of Toastmasters.\n", 2],
        [2, "Fuller", "Andrew", "Vice President, Sales", "Dr.", datetime.datetime(1852, 2, 19, 6, 0),
         datetime.datetime(1992, 8, 14), "908 W. Capital Way", "Tacoma", "WA", "98401", "USA", "(206) 555-9482",
         "3457", None, None, None],
    ]
    return Table("Employees", columns, rows)


def products() -> Table:
    """nwind.mdb "Products": a Yes/No column, a currency the ODBC driver
    shows as a decimal number, small integers."""
    columns = [
        Column("ProductID", AD_INTEGER, 4, nullable=False, auto_increment=True),
        Column("ProductName", AD_VARWCHAR, 40, nullable=False),
        Column("SupplierID", AD_INTEGER, 4),
        Column("CategoryID", AD_INTEGER, 4),
        Column("QuantityPerUnit", AD_VARWCHAR, 20),
        Column("UnitPrice", AD_NUMERIC, 19),
        Column("UnitsInStock", AD_SMALLINT, 2),
        Column("UnitsOnOrder", AD_SMALLINT, 2),
        Column("ReorderLevel", AD_SMALLINT, 2),
        Column("Discontinued", AD_BOOLEAN, 2, nullable=False),
    ]
    rows = [[1, "Chai", 1, 1, "10 boxes x 20 bags", decimal.Decimal("19.45"), 39, 0, 10, True],
            [2, "Chang", 1, 1, "24 - 12 oz bottles", decimal.Decimal("0.0001"), -5, 40, 25, False]]
    return Table("Products", columns, rows)


def date_test() -> Table:
    """DateTestDatabase.mdb "DateTest": a time of day alone, a date alone,
    a date with a time, a memo."""
    columns = [
        Column("IDCol", AD_INTEGER, 4),
        Column("DateTimeCol", AD_DBTIMESTAMP, 16),
        Column("DateCol", AD_DBTIMESTAMP, 16),
        Column("TimeCol", AD_DBTIMESTAMP, 16),
        Column("LongTextCol", AD_LONGVARWCHAR, 1073741823),
        Column("ShortTextCol", AD_VARWCHAR, 255),
    ]
    rows = [[1, datetime.datetime(2009, 12, 31, 23, 59, 58), datetime.datetime(2000, 2, 29),
             datetime.datetime(1899, 12, 30, 13, 5, 0), "line one\rline two", "single"]]
    return Table("DateTest", columns, rows)


def customers() -> Table:
    """nwind.mdb "Customers" as a table others refer to: its text key and
    the caption column CompanyName. Not in the order of either."""
    columns = [Column("CustomerID", AD_VARWCHAR, 5, nullable=False), Column("CompanyName", AD_VARWCHAR, 40,
                                                                           nullable=False)]
    rows = [["VINET", "Vins et alcools Chevalier"], ["ALFKI", "Alfreds Futterkiste"],
            ["TOMSP", "Toms Spezialitäten"], ["VICTE", "Victuailles en stock"], ["ANTON", MARKUP_CAPTION]]
    return Table("Customers", columns, rows)


def shippers() -> Table:
    columns = [Column("ShipperID", AD_INTEGER, 4, nullable=False, auto_increment=True),
               Column("CompanyName", AD_VARWCHAR, 40, nullable=False)]
    return Table("Shippers", columns, [[1, "Speedy Express"], [2, "United Package"], [3, "Federal Shipping"]])


def suppliers() -> Table:
    columns = [Column("SupplierID", AD_INTEGER, 4, nullable=False, auto_increment=True),
               Column("CompanyName", AD_VARWCHAR, 40, nullable=False)]
    return Table("Suppliers", columns, [[1, "Exotic Liquids"], [2, "New Orleans Cajun Delights"]])


def categories() -> Table:
    columns = [Column("CategoryID", AD_INTEGER, 4, nullable=False, auto_increment=True),
               Column("CategoryName", AD_VARWCHAR, 15, nullable=False)]
    return Table("Categories", columns, [[1, "Beverages"], [2, "Condiments"]])


# The tables each stand-in's relations refer to, as nwind.mdb and fruit.mdb
# relate them (ferulo-cli describe).
REFERENCES = {
    "Orders": (customers, employees, shippers),
    "Order Details": (orders, products),
    "Products": (suppliers, categories),
    "Fruit Salad": (fruit,),
}


def with_references(table: Table) -> list[Table]:
    """The stand-in and the stand-ins of the tables it refers to."""
    return [table] + [make() for make in REFERENCES.get(table.name, ())]
