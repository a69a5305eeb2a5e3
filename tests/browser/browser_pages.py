"""The generated pages the browser checks and the pictures look at, rendered
through the page harness from nwind.mdb's Orders and Employees with the
stand-in tables of asp_tables."""

from __future__ import annotations

from typing import Callable

import asp_tables
from asp_pages import generate, sample_database, submission
from asp_run import PageResult, Request

RunPages = Callable[..., list[PageResult]]

# A value the Orders form refuses: Freight is a currency.
REFUSED_CHANGE = {"Freight": "a lot"}


def _ran(pages: dict[str, PageResult]) -> dict[str, PageResult]:
    for name, result in pages.items():
        problem = result.problem()
        if problem:
            raise AssertionError(f"{name}: the page did not run: {problem}")
    return pages


def nwind_pages(run_pages: RunPages) -> dict[str, PageResult]:
    """name -> the page's run: the Orders list plain and sorted, a record to
    edit, the form to add one, the filter form, a refused save, and an
    Employees record. Skips where nwind.mdb is absent."""
    nwind = sample_database("nwind")
    orders_site = generate(nwind, "Orders", "browser-orders")
    employees_site = generate(nwind, "Employees", "browser-employees")
    orders = asp_tables.with_references(asp_tables.orders())
    plain, sorted_list, edit, add, filter_form = run_pages(orders_site, [
        Request("nwindlist.asp", tables=orders),
        Request("nwindlist.asp", query={"sort": "OrderDate"}, tables=orders),
        Request("nwindedit.asp", query={"action": "edit", "key": "10250"}, tables=orders),
        Request("nwindedit.asp", query={"action": "add"}, tables=orders),
        Request("nwindfilter.asp", tables=orders),
    ])
    (refused,) = run_pages(orders_site, [submission(_ran({"orders-edit": edit})["orders-edit"], REFUSED_CHANGE)])
    if refused.redirect() is not None or refused.updates():
        raise AssertionError(f"the Orders edit page saved {REFUSED_CHANGE} instead of refusing it")
    (employee,) = run_pages(employees_site, [Request(
        "nwindedit.asp", query={"action": "edit", "key": "1"},
        tables=asp_tables.with_references(asp_tables.employees()))])
    return _ran({"orders-list": plain, "orders-list-sorted": sorted_list, "orders-edit": edit, "orders-add": add,
                 "orders-filter": filter_form, "orders-refused-save": refused, "employees-edit": employee})
