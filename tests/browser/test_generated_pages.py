"""The generated pages as a browser sees them: no axe-core violation of any
impact, no vnu error, and on a 390 px phone a viewport, readable text and no
sideways scrolling of the whole page."""

from __future__ import annotations

from asp_pages import PageTestCase
from browser_checks import check_pages, find_tools
from browser_pages import nwind_pages
from page_server import PageServer, StaticPages, http_response


class GeneratedPagesTest(PageTestCase):
    @classmethod
    def setUpClass(cls) -> None:
        tools = find_tools()
        super().setUpClass()
        pages = nwind_pages(cls.run_pages)
        with PageServer(StaticPages({name: http_response(result) for name, result in pages.items()})) as server:
            cls.findings = check_pages(tools, {name: server.url(name) for name in pages})

    def test_pages_pass_every_check(self) -> None:
        for name, findings in self.findings.items():
            for check, found in findings.by_check().items():
                with self.subTest(page=name, check=check):
                    if found:
                        self.fail(f"{name}: {len(found)} {check} finding(s):\n  " + "\n  ".join(found))
