"""The Orders pages with the keyboard alone, served live through the page
harness: search, sort, open a record, change a value and save, with a
visible focus indicator on every element the focus reaches."""

from __future__ import annotations

import asp_tables
from asp_pages import PageTestCase, generate, sample_database
from browser_checks import drive, find_tools, focus_findings
from page_server import LiveSite, PageServer

SEARCHED = "Chevalier"
NEW_CITY = "Lyon"
SAVE_BUTTON = 'form[action*="action=edit"] [type="submit"]'
STEPS = [
    {"tabTo": 'input[name="searchname"]'}, {"type": SEARCHED}, {"press": "Enter", "opensPage": True},
    {"tabTo": 'a[href$="sort=ShipName"]'}, {"press": "Enter", "opensPage": True},
    {"tabTo": 'a[href*="action=edit"]'}, {"press": "Enter", "opensPage": True},
    # past the field to the button, then back: a field the focus enters has
    # its text selected, so typing replaces it
    {"tabTo": SAVE_BUTTON}, {"tabTo": 'input[name="ShipCity"]', "backwards": True}, {"type": NEW_CITY},
    {"tabTo": SAVE_BUTTON}, {"press": "Enter", "opensPage": True},
]


class KeyboardAloneTest(PageTestCase):
    @classmethod
    def setUpClass(cls) -> None:
        tools = find_tools()
        database = sample_database("nwind")
        super().setUpClass()
        site = generate(database, "Orders", "browser-keyboard")
        live = LiveSite(cls.runner, site, lambda: asp_tables.with_references(asp_tables.orders()))
        with PageServer(live) as server:
            (cls.walk,) = drive(tools, {"task": "keyboard", "walks": [{"url": server.url("nwindlist.asp"),
                                                                        "steps": STEPS}]})
        cls.runs = live.results

    def test_every_focused_element_shows_its_focus(self) -> None:
        self.assertEqual(focus_findings(self.walk), [])

    def test_search_sort_open_and_save_reach_the_pages(self) -> None:
        for run in self.runs:
            self.assertRan(run)
        requests = [(r.request.method, r.request.page) for r in self.runs]
        self.assertEqual(requests, [("GET", "nwindlist.asp"), ("POST", "nwindlist.asp"), ("GET", "nwindlist.asp"),
                                    ("GET", "nwindedit.asp"), ("POST", "nwindedit.asp"), ("GET", "nwindlist.asp")])
        searched, sorted_list, shown, saved = self.runs[1:5]
        self.assertEqual(searched.request.form["searchname"], SEARCHED)
        self.assertEqual(sorted_list.session_text("searchname"), SEARCHED)
        self.assertEqual(sorted_list.request.query, {"sort": "ShipName"})
        self.assertEqual(saved.request.query, shown.request.query)
        self.assertEqual((saved.updates(), saved.assignments()), (["change"], {"ShipCity": f"s:{NEW_CITY}"}))
        self.assertEqual(saved.redirect(), "nwindlist.asp")
