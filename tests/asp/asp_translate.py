"""Turns a classic ASP page into a VBScript program, the way ASP compiles it.

Includes are inserted as text first (as IIS does), then the page is cut into
HTML and script blocks: HTML becomes Response.Write calls, `<%= x %>` and
`<% =x %>` become `Response.Write (x)`, script blocks are copied line by line,
`<%@ ... %>` directives are read and dropped. Every program line remembers the
file and line it came from, so an engine error points into the page.
"""

from __future__ import annotations

import re
from dataclasses import dataclass, field
from pathlib import Path

INCLUDE = re.compile(r'<!--\s*#include\s+(file|virtual)\s*=\s*"([^"]+)"\s*-->', re.IGNORECASE)
DIRECTIVE_ATTRIBUTE = re.compile(r'(\w+)\s*=\s*"([^"]*)"')
# Wine 8.0's VBScript parser rejects class members named Type or End, so the
# stand-ins call them HarnessType and HarnessEnd; the page's member accesses
# are renamed to match (only after a dot, never inside strings or comments).
RENAMED_MEMBERS = re.compile(r"(?<=\.)(Type|End)\b", re.IGNORECASE)
# Wine's engine loses an error raised inside a class's default member when it
# is called as RS(k), where IIS stops the page; RS.Item(k) keeps the error.
# So the record object's default calls are written out (outside strings and
# comments, as the renames above).
DEFAULT_MEMBER_CALLS = re.compile(r"(?<![\w.])(rs)(?=\s*\()", re.IGNORECASE)


def _rename_code(code: str) -> str:
    code = RENAMED_MEMBERS.sub(lambda m: "Harness" + m.group(1), code)
    return DEFAULT_MEMBER_CALLS.sub(lambda m: m.group(1) + ".Item", code)


class TranslationError(Exception):
    """A page that ASP itself would refuse to compile."""

    def __init__(self, file: str, line: int, message: str):
        super().__init__(f"{file} line {line}: {message}")
        self.file = file
        self.line = line


@dataclass
class PageProgram:
    lines: list[str] = field(default_factory=list)
    origins: list[tuple[str, int]] = field(default_factory=list)  # (file, line) per program line
    directives: dict[str, str] = field(default_factory=dict)  # upper-case names
    directive_first: bool = False
    option_explicit: bool = False
    lines_before_code_visible: bool = False  # HTML other than blanks before the first script

    def emit(self, text: str, origin: tuple[str, int]) -> None:
        self.lines.append(text)
        self.origins.append(origin)


@dataclass
class _Segment:
    start: int  # offset in the expanded text
    text: str
    file: str
    first_line: int


class _ExpandedText:
    """The page with its includes inserted, and where each character came from."""

    def __init__(self) -> None:
        self.parts: list[str] = []
        self.segments: list[_Segment] = []
        self.length = 0

    def append(self, text: str, file: str, first_line: int) -> None:
        if not text:
            return
        self.segments.append(_Segment(self.length, text, file, first_line))
        self.parts.append(text)
        self.length += len(text)

    def text(self) -> str:
        return "".join(self.parts)

    def origin(self, offset: int) -> tuple[str, int]:
        for segment in reversed(self.segments):
            if segment.start <= offset:
                inside = min(offset - segment.start, len(segment.text))
                return segment.file, segment.first_line + segment.text.count("\n", 0, inside)
        return (self.segments[0].file if self.segments else "?"), 1


def _read_page(path: Path) -> str:
    data = path.read_bytes()
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise TranslationError(path.name, data[: error.start].count(b"\n") + 1,
                               "not UTF-8 text, though the page declares CODEPAGE 65001") from None


def _expand(path: Path, expanded: _ExpandedText, depth: int = 0) -> None:
    if depth > 8:
        raise TranslationError(path.name, 1, "includes nested too deeply")
    text = _read_page(path)
    position = 0
    line = 1
    for match in INCLUDE.finditer(text):
        expanded.append(text[position:match.start()], path.name, line)
        line += text.count("\n", position, match.start())
        included = path.parent / match.group(2).replace("\\", "/").lstrip("/")
        if not included.is_file():
            raise TranslationError(path.name, line, f"include file not found: {match.group(2)}")
        _expand(included, expanded, depth + 1)
        line += match.group(0).count("\n")
        position = match.end()
    expanded.append(text[position:], path.name, line)


def vbscript_string(text: str) -> str:
    """A VBScript expression for text, line ends as vbCr and vbLf."""
    pieces = re.split(r"(\r|\n)", text)
    parts = []
    for piece in pieces:
        if piece == "\r":
            parts.append("vbCr")
        elif piece == "\n":
            parts.append("vbLf")
        elif piece:
            parts.append('"' + piece.replace('"', '""') + '"')
    return " & ".join(parts) if parts else '""'


def rename_members(code_line: str) -> str:
    """Applies RENAMED_MEMBERS and DEFAULT_MEMBER_CALLS outside string literals and comments."""
    out = []
    segment_start = 0
    in_string = False
    i = 0
    while i < len(code_line):
        ch = code_line[i]
        if in_string:
            if ch == '"':
                if i + 1 < len(code_line) and code_line[i + 1] == '"':
                    i += 2
                    continue
                in_string = False
                out.append(code_line[segment_start:i + 1])
                segment_start = i + 1
        elif ch == '"':
            out.append(_rename_code(code_line[segment_start:i]))
            segment_start = i
            in_string = True
        elif ch == "'":
            out.append(_rename_code(code_line[segment_start:i]))
            out.append(code_line[i:])
            return "".join(out)
        i += 1
    rest = code_line[segment_start:]
    out.append(rest if in_string else _rename_code(rest))
    return "".join(out)


def translate_page(page: Path) -> PageProgram:
    expanded = _ExpandedText()
    _expand(page, expanded)
    text = expanded.text()
    program = PageProgram()
    position = 0
    seen_code = False
    while position < len(text):
        start = text.find("<%", position)
        html_end = start if start >= 0 else len(text)
        if html_end > position:
            _emit_html(program, text[position:html_end], position, expanded)
        if start < 0:
            break
        end = text.find("%>", start + 2)
        if end < 0:
            file, line = expanded.origin(start)
            raise TranslationError(file, line, "missing close of script delimiter (%>)")
        body = text[start + 2:end]
        if body.startswith("@"):
            if start != 0:
                file, line = expanded.origin(start)
                raise TranslationError(file, line, "page directive (<%@ ... %>) not first in the page")
            program.directive_first = True
            program.directives = {k.upper(): v for k, v in DIRECTIVE_ATTRIBUTE.findall(body[1:])}
        elif body.lstrip().startswith("="):
            expression = body.lstrip()[1:].strip().replace("\r\n", " ").replace("\n", " ")
            program.emit("Response.Write (" + rename_members(expression) + ")", expanded.origin(start))
            seen_code = True
        else:
            first_line = body.partition("\n")[0]
            if not seen_code and not program.lines_before_code_visible and \
                    re.fullmatch(r"\s*option\s+explicit\s*", first_line, re.IGNORECASE):
                # Option Explicit heads the whole program (the stand-ins come first).
                program.option_explicit = True
                body = body[len(first_line):]
                _emit_code(program, body, start + 2 + len(first_line), expanded)
            else:
                _emit_code(program, body, start + 2, expanded)
            seen_code = True
        position = end + 2
    return program


def _emit_html(program: PageProgram, html: str, offset: int, expanded: _ExpandedText) -> None:
    if html.strip():
        program.lines_before_code_visible = True
    line_start = 0
    for match in re.finditer(r"\r\n|\n|\r(?!\n)", html):
        piece = html[line_start:match.end()]
        program.emit("Response.Write " + vbscript_string(piece), expanded.origin(offset + line_start))
        line_start = match.end()
    if line_start < len(html):
        program.emit("Response.Write " + vbscript_string(html[line_start:]), expanded.origin(offset + line_start))


def _emit_code(program: PageProgram, code: str, offset: int, expanded: _ExpandedText) -> None:
    line_start = 0
    for line in code.split("\n"):
        program.emit(rename_members(line.rstrip("\r")), expanded.origin(offset + line_start))
        line_start += len(line) + 1
