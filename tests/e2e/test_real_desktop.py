"""The desktop checked by the real programs: GTK 3 and 4 read the edited
stylesheets; kitty (under Xvfb) is recoloured live, the Switcher's window
and the launcher's; kitty's own reading of kitty.conf agrees with the
outcome line; the Switcher reads well under the theme and its pictures
follow quick moves. Each test skips when its program cannot start."""

import contextlib
import json
import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from conftest import DATA, TINTWELL

BUILTINS = ["catppuccin-mocha", "catppuccin-latte", "tokyo-night", "nord", "gruvbox-dark", "dracula", "rose-pine",
            "everforest-dark", "solarized-dark"]
HERE = Path(__file__).parent


def gtk_errors(version, path):
    out = subprocess.run(["/usr/bin/python3", str(HERE / "gtk_css_errors.py"), version, str(path)],
                         capture_output=True, text=True, timeout=60)
    if out.returncode != 0:
        pytest.skip(f"GTK {version} cannot load stylesheets here: {out.stderr.strip()[-300:]}")
    return json.loads(out.stdout)


def test_gtk_reads_every_builtin_over_real_stylesheets(home):
    real = sorted((DATA / "real-configs/gtk").glob("*.css"))
    if not real:
        pytest.skip(f"real stylesheets not found in {DATA}")
    for k, theme in enumerate(BUILTINS):
        files = {"3.0": real[k % len(real)], "4.0": real[(k + 6) % len(real)]}
        before = {}
        for version, source in files.items():
            target = home.config / f"gtk-{version[0]}.0/gtk.css"
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(source.read_bytes())
            before[version] = gtk_errors(version, target)
        assert home.run("--theme", theme, PATH="/nonexistent").returncode == 0
        for version in files:
            # The block follows the user's text: their errors keep their lines, the block adds none.
            assert gtk_errors(version, home.config / f"gtk-{version[0]}.0/gtk.css") == before[version], (theme, version)


def kitty_at(socket, *args):
    return subprocess.run(["kitty", "@", "--to", f"unix:{socket}", *args], capture_output=True, text=True, timeout=30)


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def background(socket):
    return next((line.split()[1] for line in kitty_at(socket, "get-colors").stdout.splitlines()
                 if line.startswith("background ")), None)


@pytest.fixture
def display():
    if shutil.which("kitty") is None or shutil.which("Xvfb") is None:
        pytest.skip("kitty or Xvfb is not installed")
    number = 90 + os.getpid() % 100
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    if server.poll() is not None:
        pytest.skip("Xvfb could not start")
    yield f":{number}"
    server.terminate()
    server.wait()


@contextlib.contextmanager
def kitty(home, display, socket, *command, config="NONE", size=(640, 400), ready="tab/←→"):
    """A kitty window running `command`, answering on `socket` once `ready` shows."""
    env = home.env(DISPLAY=display, PATH="/usr/bin:/bin", TERM="xterm-kitty")
    process = subprocess.Popen(["kitty", "--config", config, "-o", "allow_remote_control=yes", "-o",
                                f"initial_window_width={size[0]}", "-o", f"initial_window_height={size[1]}",
                                "--listen-on", f"unix:{socket}", *command], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        try:
            wait_until(lambda: background(socket) and ready in kitty_at(socket, "get-text").stdout, 20, "kitty")
        except AssertionError:
            pytest.skip("kitty did not start under Xvfb here")
        yield process
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def test_kitty_windows_are_recoloured_live(home, display):
    launcher, main = home.runtime / "app-launcher-kitty.sock", home.root / "main.sock"
    with kitty(home, display, launcher, "sleep", "600", ready=""), kitty(home, display, main, TINTWELL) as switcher:
        started = time.monotonic()
        kitty_at(main, "send-text", "/nord\\r\\r")
        wait_until(lambda: background(main) == "#2e3440", 20, "the Switcher's window to turn nord")
        print(f"activation seen in kitty after {time.monotonic() - started:.2f} s")
        # The launcher's window is recoloured by a second remote command, a moment later.
        wait_until(lambda: background(launcher) == "#2e3440", 10, "the launcher's window to turn nord")
        assert "Activated theme: nord" in kitty_at(main, "get-text").stdout
        kitty_at(main, "send-text", "q")  # it still answers keys
        switcher.wait(timeout=20)


def kitty_background(config):
    out = subprocess.run(["kitty", "+runpy", "from kitty.config import load_config; "
                          f"c = load_config({str(config)!r}).background; print('#%02x%02x%02x' % (c.red, c.green, c.blue))"],
                         capture_output=True, text=True, timeout=60)
    if out.returncode != 0:
        pytest.skip(f"kitty cannot read a configuration here: {out.stderr.strip()[-300:]}")
    return out.stdout.strip()


def test_kitty_shows_the_theme_exactly_where_no_note_says_otherwise(home):
    if shutil.which("kitty") is None:
        pytest.skip("kitty is not installed")
    conf = home.config / "kitty/kitty.conf"
    conf.parent.mkdir(parents=True)
    include = "include ../morvane/themes/current/kitty.conf\n"
    cases = [
        ("background #000000\n" + include, {}, None),
        (include + "background #000000\n", {}, "at kitty.conf line 2"),
        (include + "# BEGIN_KITTY_THEME\ninclude current-theme.conf\n# END_KITTY_THEME\n",
         {"current-theme.conf": "background #000000\n"}, "in current-theme.conf line 1"),
        (include + "include fonts.conf\n", {"fonts.conf": "font_size 12\n"}, None),
    ]
    for text, others, where in cases:
        conf.write_text(text)
        for name, content in others.items():
            (conf.parent / name).write_text(content)
        applied = home.run("--theme", "dracula")
        line = applied.stdout.decode()
        assert applied.returncode == 0 and ("new kitty windows" in line) == (where is not None), (text, line)
        assert where is None or f"new kitty windows keep the colours set {where}" in line
        assert kitty_background(conf) == ("#282a36" if where is None else "#000000"), text
        assert conf.read_text() == text, "the user's file is left as it was"
        for name in others:
            (conf.parent / name).unlink()


def contrast(a, b):
    def luminance(rgb):
        r, g, b = ((c / 255) / 12.92 if c / 255 <= 0.04045 else ((c / 255 + 0.055) / 1.055) ** 2.4 for c in rgb)
        return 0.2126 * r + 0.7152 * g + 0.0722 * b
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def screen_cells(ansi, colours):
    """Each row of `get-text --ansi` as (character, foreground, background), colours resolved."""
    palette = {k: tuple(int(v[i:i + 2], 16) for i in (1, 3, 5)) for k, v in colours.items()}
    rows = []
    for line in ansi.split("\n"):
        fg, bg, cells, i = palette["foreground"], palette["background"], [], 0
        while i < len(line):
            if not line.startswith("\x1b[", i):
                cells.append((line[i], fg, bg))
                i += 1
                continue
            end = i + 2
            while not ("@" <= line[end] <= "~"):
                end += 1
            params, k = (line[i + 2:end] or "0").split(";"), 0
            while k < len(params):
                parts = params[k].split(":")
                n, step = int(parts[0] or 0), 1
                if n == 0:
                    fg, bg = palette["foreground"], palette["background"]
                elif 30 <= n <= 37 or 90 <= n <= 97:
                    fg = palette[f"color{n - 30 if n < 90 else n - 82}"]
                elif n in (38, 48):  # 38:5:n, 38;5;n, 38:2:r:g:b or 38:2::r:g:b
                    rest = parts[1:] if len(parts) > 1 else params[k + 1:k + 5]
                    step = 1 if len(parts) > 1 else (3 if rest[0] == "5" else 5)
                    value = (palette[f"color{int(rest[1])}"] if rest[0] == "5"
                             else tuple(int(x) for x in [x for x in rest[1:] if x][:3]))
                    fg, bg = (value, bg) if n == 38 else (fg, value)
                elif n in (39, 49):
                    fg, bg = (palette["foreground"], bg) if n == 39 else (fg, palette["background"])
                k += step
            i = end + 1
        rows.append(cells)
    return rows


@pytest.mark.parametrize("theme", ["catppuccin-latte", "solarized-dark"])
def test_the_switcher_is_readable_in_kitty_under_the_theme(home, display, theme):
    assert home.run("--theme", theme).returncode == 0
    socket = home.root / "main.sock"
    # A new window reads the user's kitty.conf, which now includes the theme.
    with kitty(home, display, socket, TINTWELL, config=str(home.config / "kitty/kitty.conf"), size=(900, 600)) as switcher:
        kitty_at(socket, "send-text", "j")  # the highlight off the active theme
        wait_until(lambda: "● active" in kitty_at(socket, "get-text").stdout, 10, "the marker")
        time.sleep(0.3)
        colours = dict(line.split() for line in kitty_at(socket, "get-colors").stdout.splitlines())
        rows = screen_cells(kitty_at(socket, "get-text", "--ansi").stdout, colours)
        while rows and not rows[-1]:
            rows.pop()
        top = len(rows) - 11  # the 10-row theme pane, then the hints; the preview shows the theme's own colours
        for r in list(range(0, top + 2)) + [len(rows) - 1]:
            for ch, fg, bg in rows[r]:
                assert not ch.strip() or ch == "▌" or contrast(fg, bg) >= 3, (theme, r, ch, fg, bg)
        for r in range(2, top - 1):
            for ch, fg, bg in rows[r]:
                assert not ch.isalnum() or contrast(fg, bg) >= 4.5, (theme, r, ch, fg, bg)
        bar = next(row[0][2] for row in rows[2:top - 1] if row and row[0][0] == "▌")
        assert contrast(bar, tuple(int(colours["background"][i:i + 2], 16) for i in (1, 3, 5))) >= 1.3
        kitty_at(socket, "send-text", "q")
        switcher.wait(timeout=20)


def write_png(path, rgb, width=320, height=180):
    import struct
    import zlib

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                     chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def colour_on_screen(display, rgb):
    # Scaled down, so that one look costs little; a picture is a solid block.
    grab = subprocess.run(["import", "-window", "root", "-display", display, "png:-"], capture_output=True, timeout=30)
    shot = subprocess.run(["convert", "png:-", "-scale", "10%", "-depth", "8", "txt:-"], input=grab.stdout,
                          capture_output=True, timeout=30).stdout.decode()
    return shot.count("#%02X%02X%02X" % rgb) > 50


def test_wallpaper_pictures_follow_quick_moves_at_once(home, display):
    if shutil.which("import") is None:
        pytest.skip("ImageMagick's import is not installed")
    colours = [(40 + i * 6, 200 - i * 5, 90 + i * 3) for i in range(31)]
    (home.home / "Wallpapers").mkdir()
    for i, rgb in enumerate(colours):
        write_png(home.home / f"Wallpapers/w{i:02}.png", rgb)
    socket = home.root / "main.sock"
    with kitty(home, display, socket, TINTWELL, size=(1000, 640)) as switcher:
        kitty_at(socket, "send-text", "\t")
        wait_until(lambda: colour_on_screen(display, colours[0]), 10, "the first picture")
        started = time.monotonic()
        kitty_at(socket, "send-text", "j" * 30)
        wait_until(lambda: "▌ w30.png" in kitty_at(socket, "get-text").stdout, 20, "the thirtieth move")
        drawn = time.monotonic()
        wait_until(lambda: colour_on_screen(display, colours[30]), 10, "the picture where the highlight rests")
        shown = time.monotonic()
        print(f"30 moves drawn {drawn - started:.2f} s after they were sent; picture {shown - drawn:.2f} s later")
        assert drawn - started < 5 and shown - drawn < 3, "one image program run per move would take 15 s"
        assert not colour_on_screen(display, colours[1]), "no picture of a wallpaper passed over"
        kitty_at(socket, "send-text", "q")
        switcher.wait(timeout=20)
