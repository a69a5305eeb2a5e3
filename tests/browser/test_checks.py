"""The browser checks themselves: a small clean page passes every one, and a
page with one known fault fails the check for that fault and no other."""

from __future__ import annotations

import unittest

from browser_checks import check_pages, drive, find_tools, focus_findings
from page_server import PageServer, Response, StaticPages

CLEAN_PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Orders - page 1 of 1</title>
<style>body {{ font: 16px/1.5 sans-serif; margin: 1rem; }} {style}</style>
</head>
<body>
<main>
<h1>Orders</h1>
<form action="list.asp" method="post">
<label for="search">Search</label> <input id="search" name="search"> <button>Search</button>
</form>
<div role="region" aria-label="Orders, scrolls sideways" tabindex="0" style="overflow-x: auto">
<table style="width: 900px"><caption>Orders</caption>
<tr><th scope="col">Order</th><th scope="col">Ship name</th></tr>
<tr><td><a href="edit.asp?key=1">10248</a></td><td>Vins et alcools Chevalier</td></tr>
</table>
</div>
{body}
<p><a id="end" href="list.asp?page=2">Next page</a></p>
</main>
</body>
</html>
"""

# (fault, extra style, extra body, the one check that finds it, a word its finding holds)
CASES = [
    ("none", "", "", None, None),
    ("a control without a label", "", '<p><input name="city"></p>', "axe", "axe label (critical)"),
    ("an obsolete element", "", "<p><font>Old</font> text</p>", "vnu", "font"),
    ("small text", "body { font-size: 12px; }", "", "phone", "body text is 12"),
    ("a page wider than the phone", "", '<p style="width: 600px">Wide</p>', "phone", "scrolls sideways"),
    ("focus hidden", "a:focus, input:focus, button:focus, div:focus { outline: none; }", "", "focus",
     "shows no focus indicator"),
]
NO_VIEWPORT = ("no viewport meta", '<meta name="viewport" content="width=device-width, initial-scale=1">')


def page(style: str, body: str) -> Response:
    return Response(200, {"Content-Type": "text/html; charset=utf-8"},
                    CLEAN_PAGE.format(style=style, body=body).encode())


class BrowserChecksTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls) -> None:
        tools = find_tools()
        pages = {fault.replace(" ", "-"): page(style, body) for fault, style, body, _, _ in CASES}
        no_viewport = page("", "")
        no_viewport.body = no_viewport.body.replace(NO_VIEWPORT[1].encode(), b"")
        pages[NO_VIEWPORT[0].replace(" ", "-")] = no_viewport
        with PageServer(StaticPages(pages)) as server:
            cls.findings = check_pages(tools, {name: server.url(name) for name in pages})
            walks = drive(tools, {"task": "keyboard", "walks": [{"url": server.url(name), "steps": [{"tabTo": "#end"}]}
                                                                 for name in pages]})
        cls.focus = {name: focus_findings(walk) for name, walk in zip(pages, walks)}

    def found(self, fault: str) -> dict[str, list[str]]:
        name = fault.replace(" ", "-")
        return {check: found for check, found in
                (self.findings[name].by_check() | {"focus": self.focus[name]}).items() if found}

    def test_each_check_finds_its_fault_and_passes_a_clean_page(self) -> None:
        for fault, _, _, check, word in CASES:
            with self.subTest(fault=fault):
                found = self.found(fault)
                self.assertEqual(list(found), [check] if check else [], found)
                if check:
                    self.assertIn(word, "\n".join(found[check]))

    def test_a_page_without_viewport_meta_is_zoomed_out_on_the_phone(self) -> None:
        found = self.found(NO_VIEWPORT[0])
        self.assertEqual(list(found), ["phone"], found)
        self.assertIn("no viewport meta", found["phone"][0])
        self.assertRegex(found["phone"][1], r"body text is [0-9.]+ px as seen \(16 px at scale 0\.[0-9]+\)")


if __name__ == "__main__":
    unittest.main()
