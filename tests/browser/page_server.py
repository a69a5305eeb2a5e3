"""A local HTTP server for the browser checks, on the loopback address only.

It answers each request with what a responder gives: fixed pages
(StaticPages), or a generated site whose every
request runs through the harness as it arrives (LiveSite: a session per
cookie, Response.Redirect as a 302, POST bodies as the page's form).
"""

from __future__ import annotations

import http.server
import secrets
import threading
import urllib.parse
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Protocol

from asp_pages import session_after
from asp_run import PageResult, PageRunner, Request, Table

SESSION_COOKIE = "ASPSESSIONIDFERULO"


@dataclass
class Response:
    status: int
    headers: dict[str, str]
    body: bytes = b""


@dataclass
class IncomingRequest:
    method: str
    path: str
    query: dict[str, str]
    form: dict[str, str]
    cookies: dict[str, str] = field(default_factory=dict)


class Responder(Protocol):
    def respond(self, request: IncomingRequest) -> Response: ...


def _last(result: PageResult, kind: str) -> str | None:
    events = result.of_kind(kind)
    return events[-1].detail if events else None


def http_response(result: PageResult) -> Response:
    """What IIS would send for the page's run: the page's error as a 500, its
    redirect as a 302, or its output with the content type and charset it set."""
    problem = result.problem()
    if problem:
        return Response(500, {"Content-Type": "text/plain; charset=utf-8"}, problem.encode())
    headers = dict(tuple(part.strip() for part in event.detail.split(":", 1))
                   for event in result.of_kind("header"))
    location = result.redirect()
    if location is not None:
        return Response(302, headers | {"Location": location})
    content_type = _last(result, "contenttype") or "text/html"
    charset = _last(result, "charset")
    if charset:
        content_type += f"; charset={charset}"
    return Response(200, headers | {"Content-Type": content_type}, result.output_bytes)


def form_fields(body: bytes) -> dict[str, str]:
    """A form sent as application/x-www-form-urlencoded, in UTF-8 as the pages
    ask for; a name sent twice reads as ASP reads it, the values joined by ", "."""
    values: dict[str, str] = {}
    for name, value in urllib.parse.parse_qsl(body.decode("utf-8"), keep_blank_values=True):
        values[name] = f"{values[name]}, {value}" if name in values else value
    return values


class StaticPages:
    """Fixed answers, each served at /NAME: pages rendered beforehand through
    the harness (see http_response), or written by hand."""

    def __init__(self, pages: dict[str, Response]):
        self.pages = pages

    def respond(self, request: IncomingRequest) -> Response:
        return self.pages.get(request.path.lstrip("/")) or Response(404, {"Content-Type": "text/plain"},
                                                                    b"no such page")


class LiveSite:
    """A generated site served through the harness. Each request gets the
    stand-in tables tables() makes; the runs are kept, in order, in results."""

    def __init__(self, runner: PageRunner, site: Path, tables: Callable[[], list[Table]]):
        self.runner = runner
        self.site = site.resolve()
        self.tables = tables
        self.sessions: dict[str, dict] = {}
        self.results: list[PageResult] = []
        self._lock = threading.Lock()

    def _page(self, path: str) -> str | None:
        name = urllib.parse.unquote(path.lstrip("/"))
        page = (self.site / name).resolve()
        if page.parent != self.site or page.suffix.lower() != ".asp" or not page.is_file():
            return None
        return name

    def respond(self, request: IncomingRequest) -> Response:
        page = self._page(request.path)
        if page is None:
            return Response(404, {"Content-Type": "text/plain"}, b"no such page")
        with self._lock:  # one page at a time: a session's requests stay in order
            session_id = request.cookies.get(SESSION_COOKIE)
            if session_id not in self.sessions:
                session_id = secrets.token_hex(8)
                self.sessions[session_id] = {}
            (result,) = self.runner.run(self.site, [Request(
                page, method=request.method, query=request.query, form=request.form,
                session=self.sessions[session_id], tables=self.tables())])
            self.results.append(result)
            if result.problem() is None:
                self.sessions[session_id] = session_after(result)
        response = http_response(result)
        response.headers["Set-Cookie"] = f"{SESSION_COOKIE}={session_id}; Path=/; HttpOnly"
        return response


class _Handler(http.server.BaseHTTPRequestHandler):
    responder: Responder

    def _answer(self, method: str) -> None:
        url = urllib.parse.urlsplit(self.path)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        cookies = {}
        for part in (self.headers.get("Cookie") or "").split(";"):
            name, _, value = part.strip().partition("=")
            if name:
                cookies[name] = value
        request = IncomingRequest(method, url.path,
                                  dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True)),
                                  form_fields(body) if method == "POST" else {}, cookies)
        try:
            response = self.responder.respond(request)
        except Exception as failure:  # the browser sees it, and so does the test's log
            response = Response(500, {"Content-Type": "text/plain; charset=utf-8"},
                                f"{type(failure).__name__}: {failure}".encode())
        self.send_response(response.status)
        for name, value in response.headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(response.body)))
        self.end_headers()
        self.wfile.write(response.body)

    def do_GET(self) -> None:  # noqa: N802 (the name http.server calls)
        self._answer("GET")

    def do_POST(self) -> None:  # noqa: N802
        self._answer("POST")

    def log_message(self, format: str, *args) -> None:  # noqa: A002
        pass  # quiet: the tests report what matters


class PageServer:
    """Serves a responder on 127.0.0.1 at a free port while in a with block."""

    def __init__(self, responder: Responder):
        handler = type("Handler", (_Handler,), {"responder": responder})
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    def url(self, path: str) -> str:
        return f"http://127.0.0.1:{self._server.server_address[1]}/{path.lstrip('/')}"

    def __enter__(self) -> PageServer:
        self._thread.start()
        return self

    def __exit__(self, *exc_info) -> None:
        self._server.shutdown()
        self._server.server_close()
        self._thread.join()
