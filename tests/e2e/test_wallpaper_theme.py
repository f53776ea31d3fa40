"""A theme made from a wallpaper: printed and applied from scripts, and
applied with `t` in the Switcher in a real kitty, whose window then shows
exactly what `--palette` printed."""

import json
import os
import re
import shutil
import subprocess

import pytest

from conftest import FAKES, TINTWELL, wait_until
from test_real_desktop import display, kitty, kitty_at  # noqa: F401 (display is a fixture)

KEYS = ["foreground", "background", "cursor", "selection_foreground", "selection_background"] + \
       [f"color{i}" for i in range(16)]


def photo(path, seed):
    """A picture with a photograph's gradients and grain."""
    if shutil.which("convert") is None:
        pytest.skip("ImageMagick's convert is not installed")
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["convert", "-size", "480x270", "-seed", str(seed), "plasma:fractal", str(path)], check=True,
                   timeout=60)
    return path


def colour_lines(text):
    pairs = (line.split() for line in text.splitlines())
    return {p[0]: p[1] for p in pairs if len(p) == 2 and p[0] in KEYS}


def test_from_scripts_printed_then_applied_with_the_wallpaper(home):
    picture = photo(home.home / "Pictures/Wallpapers/Sea Side.jpg", 5)
    dark = home.run("--palette", str(picture))
    assert dark.returncode == 0 and dark.stderr == b""
    printed = colour_lines(dark.stdout.decode())
    assert list(printed) == KEYS and all(re.fullmatch("#[0-9a-f]{6}", v) for v in printed.values())
    light = json.loads(home.run("--palette", str(picture), "--light", "--json").stdout)
    assert list(light) == KEYS and light["background"] != printed["background"]
    themes = home.config / "morvane/themes"
    assert not themes.exists(), "printing changes nothing"

    # A damaged picture: one line, nothing written, nothing applied.
    broken = home.home / "broken.jpg"
    broken.write_bytes(picture.read_bytes()[:2000])
    for args in (["--palette", str(broken)], ["--wallpaper", str(broken), "--with-theme"]):
        failed = home.run(*args)
        assert failed.returncode == 1 and failed.stdout == b""
        assert failed.stderr.decode() == f"cannot read colours from {broken}: Premature end of JPEG file\n"
    assert not themes.exists() and not home.log.exists()

    applied = home.run("--wallpaper", str(picture), "--with-theme")
    assert applied.returncode == 0, applied.stderr
    assert applied.stdout.decode().startswith("Activated theme: wallpaper-sea-side-dark")
    assert home.run("--current").stdout == b"wallpaper-sea-side-dark\n"
    assert colour_lines((themes / "wallpaper-sea-side-dark/kitty.conf").read_text()) == printed
    assert str(picture) in home.log.read_text(), "the wallpaper went to the daemon"
    assert "wallpaper-sea-side-dark" in home.run("--list").stdout.decode().split("\n")

    # Another picture of the same name: its theme replaces the old one.
    photo(picture, 9)
    again = home.run("--wallpaper", str(picture), "--with-theme", "--light")
    assert again.returncode == 0, again.stderr
    assert colour_lines((themes / "wallpaper-sea-side-light/kitty.conf").read_text()) == \
        colour_lines(home.run("--palette", str(picture), "--light").stdout.decode())


def test_t_leaves_the_window_in_what_palette_printed(home, display, tmp_path):  # noqa: F811
    picture = photo(home.home / "Pictures/Wallpapers/Sea Side.jpg", 5)
    daemon = tmp_path / "bin"
    daemon.mkdir()
    os.symlink(os.path.join(FAKES, "hyprctl"), daemon / "hyprctl")  # a wallpaper daemon that answers
    socket = home.root / "t.sock"
    with kitty(home, display, socket, "sh", "-c", f"{TINTWELL}; sleep 600", path=f"{daemon}:/usr/bin:/bin"):
        kitty_at(socket, "send-text", "\t")
        wait_until(lambda: "wallpaper-sea-side-" in kitty_at(socket, "get-text").stdout, 10, "the picture's theme")
        name = re.search(r"wallpaper-sea-side-(dark|light)", kitty_at(socket, "get-text").stdout)
        kitty_at(socket, "send-text", "t")
        wait_until(lambda: f"Activated theme: {name.group(0)}" in kitty_at(socket, "get-text").stdout, 20,
                   "the theme and the wallpaper applied")
        kitty_at(socket, "send-text", "q")
        wait_until(lambda: "tab/←→" not in kitty_at(socket, "get-text").stdout, 10, "the Switcher to end")
        shown = colour_lines(kitty_at(socket, "get-colors").stdout)
    args = ["--palette", str(picture)] + (["--light"] if name.group(1) == "light" else [])
    assert shown == colour_lines(home.run(*args).stdout.decode())
