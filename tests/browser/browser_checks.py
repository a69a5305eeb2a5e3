"""The browser checks of a page: axe-core in headless Chromium, the Nu HTML
checker (vnu), and the page on a 390 px phone; and walks with the keyboard.

Chromium is Debian's (scripts/setup installs it); axe-core, vnu-jar and
playwright-core come from tests/browser/node_modules (npm ci with the lock
file there, also run by scripts/setup); vnu runs on the installed Java. Where
any of them is missing the checks skip, naming what is missing.
"""

from __future__ import annotations

import json
import shutil
import subprocess
import tempfile
import unittest
import urllib.parse
import urllib.request
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any

HERE = Path(__file__).resolve().parent
DRIVER = HERE / "chromium_driver.mjs"
NODE_MODULES = HERE / "node_modules"
VNU_JAR = NODE_MODULES / "vnu-jar" / "build" / "dist" / "vnu.jar"
NPM_PACKAGES = ("axe-core", "playwright-core", "vnu-jar")

MINIMUM_TEXT_PX = 14.0
TIMEOUT_SECONDS = 600


@dataclass
class Tools:
    chromium: str
    node: str
    java: str


def find_tools() -> Tools:
    """The programs the checks need; skips the test, saying what is missing."""
    missing = []
    found = {name: shutil.which(name) for name in ("chromium", "node", "java")}
    for name, hint in (("chromium", "Debian's chromium package"), ("node", "Node.js"), ("java", "a Java runtime")):
        if not found[name]:
            missing.append(f"{name} ({hint})")
    absent = [package for package in NPM_PACKAGES if not (NODE_MODULES / package / "package.json").is_file()]
    if absent:
        missing.append(f"the npm packages {', '.join(absent)} in {NODE_MODULES}")
    if missing:
        raise unittest.SkipTest("the browser checks need " + "; ".join(missing) + " (scripts/setup installs them)")
    return Tools(chromium=found["chromium"], node=found["node"], java=found["java"])


def _run(argv: list[str], what: str, accepted: tuple[int, ...] = (0,)) -> str:
    """The program's standard output; a failure to run raises, naming it."""
    # Output to files, not pipes: nothing waits on a child's full pipe.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=TIMEOUT_SECONDS,
                                cwd=HERE)
        out.seek(0)
        err.seek(0)
        stdout, stderr = out.read().decode(errors="replace"), err.read().decode(errors="replace")
    if result.returncode not in accepted:
        raise AssertionError(f"{what} failed ({result.returncode}): {stderr[-4000:]}")
    return stdout


def drive(tools: Tools, job: dict[str, Any]) -> Any:
    """Runs one task of chromium_driver.mjs and returns its result."""
    with tempfile.TemporaryDirectory() as folder:
        job_file, result_file = Path(folder) / "job.json", Path(folder) / "result.json"
        job_file.write_text(json.dumps({"chromium": tools.chromium, **job}))
        _run([tools.node, str(DRIVER), str(job_file), str(result_file)], "chromium_driver.mjs")
        return json.loads(result_file.read_text())


# Straight to the loopback server, whatever proxy the environment names.
_LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))


def _as_served(url: str) -> bytes:
    """The page as UTF-8, decoded by the charset the server sent (UTF-8 where
    it sent none, as vnu reads a file)."""
    with _LOCAL.open(url, timeout=60) as response:
        body = response.read()
        charset = response.headers.get_content_charset()
    return body if charset in (None, "utf-8") else body.decode(charset).encode("utf-8")


def vnu_messages(tools: Tools, urls: list[str]) -> dict[str, list[dict[str, Any]]]:
    """The Nu HTML checker's messages for each URL. vnu refuses to fetch from
    the loopback address, so it reads each page, as served, from a file."""
    with tempfile.TemporaryDirectory() as folder:
        files = {f"page{number}.html": url for number, url in enumerate(urls)}
        for name, url in files.items():
            (Path(folder) / name).write_bytes(_as_served(url))
        # vnu exits with 1 when it found errors
        report = _run([tools.java, "-jar", str(VNU_JAR), "--format", "json", "--stdout",
                       *(str(Path(folder) / name) for name in files)], "vnu", (0, 1))
    try:
        messages = json.loads(report)["messages"]
    except (ValueError, KeyError) as failure:
        raise AssertionError(f"vnu gave no JSON report ({failure}): {report[-2000:]}") from None
    by_url: dict[str, list[dict[str, Any]]] = {url: [] for url in urls}
    for message in messages:
        name = urllib.parse.urlsplit(message.get("url", "")).path.rsplit("/", 1)[-1]
        if name not in files:
            raise AssertionError(f"vnu reported on something it was not asked about: {message}")
        by_url[files[name]].append(message)
    return by_url


@dataclass
class Findings:
    """What the checks found on one page; each list is empty for a clean page."""
    axe: list[str] = field(default_factory=list)
    vnu: list[str] = field(default_factory=list)
    phone: list[str] = field(default_factory=list)
    measures: dict[str, Any] = field(default_factory=dict)

    def by_check(self) -> dict[str, list[str]]:
        return {"axe": self.axe, "vnu": self.vnu, "phone": self.phone}


def axe_findings(violations: list[dict[str, Any]]) -> list[str]:
    return [f"axe {v['id']} ({v['impact']}): {v['help']}; at {', '.join(v['targets'])}" for v in violations]


def vnu_findings(messages: list[dict[str, Any]]) -> list[str]:
    """Errors, and anything that kept vnu from checking the page at all."""
    return [f"vnu {m['type']} at line {m.get('lastLine', '?')}: {m['message']}"
            + (f" [{m['extract'].strip()}]" if m.get("extract") else "")
            for m in messages if m["type"] in ("error", "non-document-error")]


def phone_findings(measures: dict[str, Any]) -> list[str]:
    findings = []
    if not any("width=device-width" in content.replace(" ", "") for content in measures["viewportMetas"]):
        findings.append(f"phone: no viewport meta with width=device-width (found {measures['viewportMetas']})")
    if measures["textSize"] is None:
        findings.append("phone: the page shows no text")
    elif measures["textSize"] * measures["scale"] < MINIMUM_TEXT_PX:
        findings.append(f"phone: body text is {measures['textSize'] * measures['scale']:.1f} px as seen "
                        f"({measures['textSize']:g} px at scale {measures['scale']:.2f}), "
                        f"below {MINIMUM_TEXT_PX:g} px")
    if measures["scrollWidth"] > measures["phoneWidth"]:
        findings.append(f"phone: the page scrolls sideways: {measures['scrollWidth']} px wide on a "
                        f"{measures['phoneWidth']} px screen (laid out {measures['layoutWidth']} px wide)")
    return findings


def check_pages(tools: Tools, urls: dict[str, str]) -> dict[str, Findings]:
    """Every check on every page (name -> URL)."""
    seen = drive(tools, {"task": "check", "pages": [{"name": n, "url": u} for n, u in urls.items()]})
    messages = vnu_messages(tools, list(urls.values()))
    findings = {}
    for name, url in urls.items():
        findings[name] = Findings(axe=axe_findings(seen[name]["axe"]), vnu=vnu_findings(messages[url]),
                                  phone=phone_findings(seen[name]["phone"]), measures=seen[name]["phone"])
    return findings


def _shows_focus(style: dict[str, str]) -> bool:
    outline = style["outlineStyle"] != "none" and float(style["outlineWidth"].removesuffix("px") or 0) > 0 \
        and not style["outlineColor"].endswith(", 0)")
    return outline or style["boxShadow"] != "none"


def focus_findings(walk: list[dict[str, Any]]) -> list[str]:
    """Each focused element of a keyboard walk without a visible focus
    indicator: no outline or shadow, or the same as when not focused."""
    findings = []
    page = "?"
    for step in walk:
        if "page" in step:
            page = step["page"]
        if "focused" not in step:
            continue
        focused, unfocused = step["focused"], step["unfocused"]
        where = f"{page}: {step['element']} \"{step['text']}\""
        if not _shows_focus(focused):
            findings.append(f"focus: {where} shows no focus indicator ({focused})")
        elif unfocused is not None and focused == unfocused:
            findings.append(f"focus: {where} looks the same focused and unfocused ({focused})")
    return findings
