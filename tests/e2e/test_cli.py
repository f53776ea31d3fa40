"""The command line paths that do not take over the terminal."""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import TINTWELL

USAGE = (
    "usage: tintwell [--apply]\n"
    "  (no args)   open the theme/wallpaper switcher\n"
    "  --apply     re-apply the saved wallpaper, then exit (login hook)\n"
)


def test_help_and_h_print_the_usage(home):
    for args in (["--help"], ["-h"], ["word", "-h"]):
        result = home.run(*args)
        assert result.returncode == 0
        assert result.stdout.decode() == USAGE
        assert result.stderr == b""


def test_apply_is_silent_and_wins_over_help(home):
    for args in (["--apply"], ["--help", "--apply"]):
        result = home.run(*args)
        assert result.returncode == 0
        assert result.stdout == b"" and result.stderr == b""


def test_without_a_terminal_the_switcher_reports_an_error(home):
    for args in ([], ["--APPLY"], ["apply"], ["two", "words"]):
        result = home.run(*args)
        assert result.returncode == 1, args
        assert result.stdout == b"", "nothing may be drawn"
        lines = result.stderr.decode().splitlines()
        assert len(lines) == 1 and lines[0].startswith("Error: "), lines
        assert "(os error 25)" in lines[0]


def test_version(home):
    result = home.run("--version")
    assert result.returncode == 0 and result.stderr == b""
    assert re.fullmatch(r"tintwell \d+\.\d+\.\d+\n", result.stdout.decode())


def test_the_manual_renders_without_warnings():
    page = Path(os.environ.get("TINTWELL_MAN", str(Path(TINTWELL).parent / "tintwell.1")))
    if shutil.which("groff") is None or not page.exists():
        pytest.skip("groff or the generated manual page is missing")
    checked = subprocess.run(["groff", "-man", "-ww", "-z", str(page)], capture_output=True, text=True)
    assert checked.returncode == 0 and checked.stderr == ""
    shown = subprocess.run(["man", "-l", str(page)], capture_output=True, text=True, env={"MANWIDTH": "80"})
    assert "exec-once = tintwell --apply" in shown.stdout.replace("\u2010", "-")
