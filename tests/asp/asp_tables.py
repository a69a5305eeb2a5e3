"""Stand-in contents for the real tables the pages are generated from.

The column names must be the ones ferulo-cli reads from the real database
(the tests check that); the types are the columns' Access types as ADO reports
them, and the rows are made up to hold the awkward values: quotes, markup,
non-ASCII text, Nulls.
"""

from __future__ import annotations

import datetime
import decimal

from asp_run import (AD_BOOLEAN, AD_CURRENCY, AD_DATE, AD_INTEGER, AD_SINGLE, AD_SMALLINT, AD_VARWCHAR,
                     Column, Table)

IDEOGRAPHIC_SPACE = "\u3000"
SCRIPT_TEXT = "<script>alert('x')</script>"


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
    """nwind.mdb "Order Details": OrderID repeats (one row per order line)."""
    columns = [
        Column("OrderID", AD_INTEGER, 4),
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
    return Table("Fruit Salad", [Column("Fruit", AD_VARWCHAR, 50)], [[r] for r in rows])


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
