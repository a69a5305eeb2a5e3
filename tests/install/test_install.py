#!/usr/bin/env python3
"""cmake --install into a temporary prefix, and the installed programs run
through their links on the PATH, on real sample databases."""

from __future__ import annotations

import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.dont_write_bytecode = True

from installed_files import expected_files, main, run, setting, with_window  # noqa: E402

SAMPLES = {
    "node-adodb.mdb": ("node-adodb/package/examples/node-adodb.mdb", "Users"),
    "fruit.mdb": ("mdb/package/test/fruit.mdb", "Fruit"),
}


def sample(name: str) -> tuple[Path, str]:
    relative, table = SAMPLES[name]
    path = Path(setting("FERULO_FIXTURES_DIR")) / relative
    if not path.is_file():
        raise unittest.SkipTest(f"{path} is not available (run scripts/setup)")
    return path, table


def installed_tree(prefix: Path) -> dict[str, str]:
    tree = {}
    for path in prefix.rglob("*"):
        if path.is_symlink():
            tree[str(path.relative_to(prefix))] = os.readlink(path)
        elif path.is_file():
            tree[str(path.relative_to(prefix))] = ""
    return tree


class InstalledFerulo(unittest.TestCase):
    @classmethod
    def setUpClass(cls) -> None:
        cls.work = Path(tempfile.mkdtemp(prefix="ferulo-install-"))
        cls.prefix = cls.work / "prefix"
        result = run(["cmake", "--install", setting("FERULO_BUILD_DIR"), "--prefix", cls.prefix])
        if result.returncode != 0:
            shutil.rmtree(cls.work)
            raise AssertionError(f"cmake --install failed:\n{result.stdout}{result.stderr}")
        cls.bin = cls.prefix / setting("FERULO_INSTALL_BINDIR")

    @classmethod
    def tearDownClass(cls) -> None:
        shutil.rmtree(cls.work)

    def test_installs_exactly_the_layout(self) -> None:
        self.assertEqual(installed_tree(self.prefix), expected_files())

    def test_links_on_the_path_run_the_programs(self) -> None:
        # No PATH, no display, no Qt platform: the programs must answer alone.
        cases = [("ferulo-cli", f"ferulo-cli {setting('FERULO_VERSION')}\n")]
        if with_window():
            cases.append(("ferulo", f"ferulo {setting('FERULO_VERSION')}\n"))
        for program, version in cases:
            with self.subTest(program):
                result = run([self.bin / program, "--version"], env={}, cwd=self.work)
                self.assertEqual((result.returncode, result.stdout), (0, version), result.stderr)

    def test_installed_cli_answers_as_the_built_one(self) -> None:
        # Through the link: the reader and the templates must come from the
        # program folder, as in the build tree.
        database, table = sample("node-adodb.mdb")
        built = Path(setting("FERULO_BIN_DIR")) / "ferulo-cli"
        for command, pages in ((["tables", database], 0), (["columns", database, table], 0),
                               (["describe", database, table], 0),
                               (["generate", database, table, "--output", "site/"], 4)):
            with self.subTest(command[0]):
                answers = []
                for cli in (self.bin / "ferulo-cli", built):
                    folder = Path(tempfile.mkdtemp(dir=self.work))
                    (folder / "site").mkdir()
                    result = run([cli, *command], cwd=folder)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    answers.append((result.stdout, {p.name: p.read_bytes() for p in (folder / "site").iterdir()}))
                self.assertTrue(answers[0][0])
                self.assertEqual(len(answers[0][1]), pages)
                self.assertEqual(answers[0], answers[1])

    def test_desktop_files_pass_their_validators(self) -> None:
        datadir = self.prefix / setting("FERULO_INSTALL_DATADIR")
        mandir = self.prefix / setting("FERULO_INSTALL_MANDIR")
        app_id = setting("FERULO_APP_ID")
        # Each exits 0 and writes no warning to stderr (desktop-file-validate
        # writes its warnings to stdout, appstreamcli fails on them).
        man = ["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z"]
        checks = [(man + [mandir / "man1/ferulo-cli.1"], False)]
        if with_window():
            checks += [
                (man + [mandir / "man1/ferulo.1"], False),
                (["desktop-file-validate", datadir / f"applications/{app_id}.desktop"], True),
                (["appstreamcli", "validate", "--no-net", datadir / f"metainfo/{app_id}.metainfo.xml"], False),
            ]
        for command, silent in checks:
            with self.subTest(command[0]):
                if not shutil.which(command[0]):
                    self.skipTest(f"{command[0]} is not installed (run scripts/setup)")
                result = run(command, env={**os.environ, "LC_ALL": "C.UTF-8", "MANWIDTH": "80"})
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertEqual(result.stderr, "")
                if silent:
                    self.assertEqual(result.stdout, "")

    def test_bash_completion_offers_commands_options_and_tables(self) -> None:
        framework = Path("/usr/share/bash-completion/bash_completion")
        if not framework.is_file():
            self.skipTest("bash-completion is not installed (run scripts/setup)")
        database, _ = sample("fruit.mdb")
        script = self.prefix / setting("FERULO_INSTALL_DATADIR") / "bash-completion/completions/ferulo-cli"
        cases = [
            (["ferulo-cli", ""], ["columns", "describe", "generate", "tables", "--help", "--version"]),
            (["ferulo-cli", "co"], ["columns"]),
            (["ferulo-cli", "generate", str(database), "Fruit", "--t"], ["--templates"]),
            (["ferulo-cli", "columns", str(database), "Fruit\\ S"], ["Fruit\\ Salad"]),
            (["ferulo-cli", "generate", "-o", "out/", str(database), "Fruit\\ S"], ["Fruit\\ Salad"]),
            (["ferulo-cli", "tables", str(database), ""], []),
        ]
        for words, offered in cases:
            with self.subTest(" ".join(words)):
                line = " ".join(words)
                result = run(["bash", "-c", f'. {framework}; . "{script}"; '
                              'COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$LINE"; '
                              'COMP_POINT=${#COMP_LINE}; _ferulo_cli; printf "%s\\n" "${COMPREPLY[@]}"',
                              "complete", *words],
                             env={**os.environ, "PATH": f"{self.bin}:{os.environ['PATH']}", "LINE": line})
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(sorted(filter(None, result.stdout.splitlines())), sorted(offered))


if __name__ == "__main__":
    sys.exit(main("test_install"))
