"""What only the whole binary shows on the command line: the usage text
scripts rely on, no Switcher without a terminal, output that cannot be
written, the manual page, and two activations at once."""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import TINTWELL

USAGE = ("usage: tintwell [--apply]\n"
         "  (no args)   open the theme/wallpaper switcher\n"
         "  --apply     re-apply the saved wallpaper, then exit (login hook)\n")


def test_help_version_apply_and_no_terminal(home):
    for args in (["--help"], ["-h"], ["word", "-h"]):
        result = home.run(*args)
        assert (result.returncode, result.stdout.decode(), result.stderr) == (0, USAGE, b"")
    for args in (["--apply"], ["--help", "--apply"], ["--theme", "--apply"]):
        result = home.run(*args)
        assert (result.returncode, result.stdout, result.stderr) == (0, b"", b""), args
    version = home.run("--version")
    assert re.fullmatch(r"tintwell \d+\.\d+\.\d+\n", version.stdout.decode())
    for args in ([], ["--APPLY"], ["two", "words"]):  # the Switcher, which needs a terminal
        result = home.run(*args)
        lines = result.stderr.decode().splitlines()
        assert result.returncode == 1 and result.stdout == b"", "nothing may be drawn"
        assert len(lines) == 1 and lines[0].startswith("Error: ") and "(os error 25)" in lines[0]


def test_output_that_cannot_be_written_is_an_error(home):
    for command in ('exec "$0" --list > /dev/full', 'exec "$0" --list --json > /dev/full', 'exec "$0" --list >&-'):
        result = subprocess.run(["sh", "-c", command, TINTWELL], capture_output=True, env=home.env(), timeout=60)
        assert result.returncode == 1, command
        assert re.fullmatch(r"tintwell: cannot write output: .* \(os error \d+\)\n", result.stderr.decode()), command


def test_the_manual_renders_without_warnings():
    page = Path(os.environ.get("TINTWELL_MAN", str(Path(TINTWELL).parent / "tintwell.1")))
    if shutil.which("groff") is None or not page.exists():
        pytest.skip("groff or the generated manual page is missing")
    checked = subprocess.run(["groff", "-man", "-ww", "-z", str(page)], capture_output=True, text=True)
    assert checked.returncode == 0 and checked.stderr == ""
    shown = subprocess.run(["man", "-l", str(page)], capture_output=True, text=True, env={"MANWIDTH": "80"})
    assert "tintwell --theme catppuccin-latte" in shown.stdout.replace("\u2010", "-")


def test_two_activations_at_once_leave_one_whole_theme(home):
    user_kitty = home.config / "kitty/kitty.conf"
    user_kitty.parent.mkdir(parents=True)
    user_kitty.write_text("font_size 11\n")
    active = home.config / "morvane/themes/.active"
    for _ in range(4):
        runs = [subprocess.Popen([TINTWELL, "--theme", name], env=home.env(), stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE) for name in ("nord", "dracula")]
        assert [run.wait(timeout=60) for run in runs] == [0, 0]
        profile = home.config / "morvane/themes" / (active / "theme-name").read_text()
        assert os.readlink(active.parent / "current") == ".active"
        colour_lines = [line for line in (profile / "kitty.conf").read_text().splitlines()
                        if re.match(r"(background|foreground|cursor|color\d|selection_)", line)]
        assert (active / "colors.conf").read_text() == "".join(line + "\n" for line in colour_lines)
        assert (active / "btop.theme").read_text() == (profile / "btop.theme").read_text()
        gtk = (home.config / "gtk-3.0/gtk.css").read_text()
        assert gtk.count("/* tintwell colors begin */") == 1 and (profile / "gtk.css").read_text().splitlines()[0] in gtk
        assert user_kitty.read_text().count("include ../morvane/themes/current/kitty.conf") == 1
