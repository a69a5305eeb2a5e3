"""Reading the pages' HTML output: tables, links, forms, and tag balance."""

from __future__ import annotations

from dataclasses import dataclass, field
from html.parser import HTMLParser

VOID_ELEMENTS = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
                 "track", "wbr"}


def iis_html_encode(text: str) -> str:
    """What Server.HTMLEncode makes of text."""
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


@dataclass
class Element:
    tag: str
    attrs: dict[str, str]
    text: str = ""
    children: list["Element"] = field(default_factory=list, repr=False)
    parent: "Element | None" = field(default=None, repr=False, compare=False)
    tail: str = ""

    def find_all(self, tag: str, **attrs: str) -> list["Element"]:
        found = []
        for child in self.children:
            if child.tag == tag and all(child.attrs.get(k) == v for k, v in attrs.items()):
                found.append(child)
            found.extend(child.find_all(tag, **attrs))
        return found

    def all_text(self) -> str:
        return self.text + "".join(child.all_text() + child.tail for child in self.children)


class _TreeBuilder(HTMLParser):
    def __init__(self) -> None:
        super().__init__(convert_charrefs=True)
        self.root = Element("#document", {})
        self.current = self.root
        self.problems: list[str] = []
        self.doctype: str | None = None
        self.seen_content_before_doctype = False

    def handle_decl(self, decl: str) -> None:
        if self.doctype is None and not self.seen_content_before_doctype:
            self.doctype = decl

    def handle_starttag(self, tag: str, attrs: list[tuple[str, str | None]]) -> None:
        self.seen_content_before_doctype = True
        element = Element(tag, {k: (v if v is not None else "") for k, v in attrs}, parent=self.current)
        self.current.children.append(element)
        if tag not in VOID_ELEMENTS:
            self.current = element

    def handle_startendtag(self, tag: str, attrs: list[tuple[str, str | None]]) -> None:
        self.handle_starttag(tag, attrs)
        if tag not in VOID_ELEMENTS:
            self.current = self.current.parent or self.root

    def handle_endtag(self, tag: str) -> None:
        if tag in VOID_ELEMENTS:
            self.problems.append(f"end tag for the void element <{tag}>")
            return
        if self.current.tag != tag:
            self.problems.append(f"</{tag}> closes <{self.current.tag}> (line {self.getpos()[0]})")
            walker = self.current
            while walker is not None and walker.tag != tag:
                walker = walker.parent
            if walker is None:
                return
            self.current = walker
        self.current = self.current.parent or self.root

    def handle_data(self, data: str) -> None:
        if data.strip():
            self.seen_content_before_doctype = True
        if self.current.children:
            self.current.children[-1].tail += data
        else:
            self.current.text += data


@dataclass
class Document:
    root: Element
    doctype: str | None
    problems: list[str]

    def find_all(self, tag: str, **attrs: str) -> list[Element]:
        return self.root.find_all(tag, **attrs)

    def links(self) -> list[str]:
        return [a.attrs.get("href", "") for a in self.find_all("a")]

    def record_rows(self) -> list[Element]:
        """The rows of the list page's record table."""
        tables = self.find_all("table", **{"class": "records"})
        if not tables:
            return []
        bodies = tables[0].find_all("tbody")
        return bodies[0].find_all("tr") if bodies else []

    def header_cells(self) -> list[Element]:
        tables = self.find_all("table", **{"class": "records"})
        heads = tables[0].find_all("thead") if tables else []
        return heads[0].find_all("th") if heads else []

    def options(self, name: str) -> list[tuple[str, str, bool]]:
        """The choices of the list named name: value, caption, selected."""
        (select,) = self.find_all("select", name=name)
        return [(o.attrs["value"], o.all_text(), "selected" in o.attrs) for o in select.find_all("option")]

    def inputs(self) -> dict[str, Element]:
        return {i.attrs.get("name", ""): i for i in self.find_all("input") if i.attrs.get("name")}


def _descendants(element: Element):
    for child in element.children:
        yield child
        yield from _descendants(child)


def form_data(form: Element) -> dict[str, str]:
    """What a browser posts for the form as the page wrote it: hidden inputs,
    text inputs with their line breaks stripped, text areas (less the line
    break right after the start tag, line breaks sent as CR LF), check boxes
    only when checked, the selected option of a list (or its first). The
    stand-ins take one value per name."""
    data: dict[str, str] = {}
    for element in _descendants(form):
        name = element.attrs.get("name")
        if not name or "disabled" in element.attrs or element.tag not in ("input", "textarea", "select"):
            continue
        if element.tag == "select":
            options = element.find_all("option")
            chosen = [o for o in options if "selected" in o.attrs] or options[:1]
            if len(chosen) > 1:
                raise AssertionError(f"<select name={name!r}> has {len(chosen)} options selected")
            if not chosen:
                continue
            value = chosen[0].attrs.get("value", chosen[0].all_text())
        elif element.tag == "textarea":
            text = element.text[2:] if element.text.startswith("\r\n") else element.text
            text = text[1:] if text.startswith("\n") else text
            value = text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n")
        else:
            kind = element.attrs.get("type", "text").lower()
            if kind in ("submit", "button", "reset", "image", "file"):
                continue
            if kind in ("checkbox", "radio"):
                if "checked" not in element.attrs:
                    continue
                value = element.attrs.get("value", "on")
            elif kind == "hidden":
                value = element.attrs.get("value", "")
            else:
                value = element.attrs.get("value", "").replace("\r", "").replace("\n", "")
        if name in data:
            raise AssertionError(f"the form posts {name!r} twice")
        data[name] = value
    return data


def parse(html: str) -> Document:
    builder = _TreeBuilder()
    builder.feed(html)
    builder.close()
    unclosed = []
    walker = builder.current
    while walker is not None and walker is not builder.root:
        unclosed.append(walker.tag)
        walker = walker.parent
    problems = list(builder.problems)
    if unclosed:
        problems.append("unclosed elements at the end: " + ", ".join(unclosed))
    return Document(builder.root, builder.doctype, problems)
