"""Activation checked by the real programs: GTK 3 and 4 read the edited
stylesheets, and kitty (under Xvfb) is recoloured live, the Switcher's own
window and the launcher's. Each test skips when its program cannot start."""

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
        result = home.tool("activate", theme, PATH="/nonexistent")
        assert result.returncode == 0, result.stderr
        for version in files:
            target = home.config / f"gtk-{version[0]}.0/gtk.css"
            # The block is appended after the user's text: their errors keep
            # their lines, and the block adds none.
            assert gtk_errors(version, target) == before[version], (theme, version, files[version].name)


def kitty_at(socket, *args):
    return subprocess.run(["kitty", "@", "--to", f"unix:{socket}", *args], capture_output=True, text=True,
                          timeout=30)


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def background(socket):
    for line in kitty_at(socket, "get-colors").stdout.splitlines():
        if line.startswith("background "):
            return line.split()[1]
    return None


@pytest.fixture
def display(tmp_path):
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


def start_kitty(env, socket, *command, size=(640, 400)):
    return subprocess.Popen(["kitty", "--config", "NONE", "-o", "allow_remote_control=yes", "-o",
                             f"initial_window_width={size[0]}", "-o", f"initial_window_height={size[1]}",
                             "--listen-on", f"unix:{socket}", *command], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def test_kitty_windows_are_recoloured_live(home, display):
    env = home.env(DISPLAY=display, PATH="/usr/bin:/bin", TERM="xterm-256color")
    launcher_socket = home.runtime / "app-launcher-kitty.sock"
    main_socket = home.root / "main.sock"
    launcher = start_kitty(env, launcher_socket, "sleep", "600")
    switcher = start_kitty(env, main_socket, TINTWELL)
    try:
        try:
            wait_until(lambda: background(launcher_socket) and background(main_socket), 20, "both kitty windows")
        except AssertionError:
            pytest.skip("kitty did not start under Xvfb here")
        wait_until(lambda: "tab/←→" in kitty_at(main_socket, "get-text").stdout, 20, "the Switcher")
        started = time.monotonic()
        kitty_at(main_socket, "send-text", "/nord\\r\\r")
        wait_until(lambda: background(main_socket) == "#2e3440", 20, "the Switcher's window to turn nord")
        elapsed = time.monotonic() - started
        assert background(launcher_socket) == "#2e3440"
        assert "Activated theme: nord" in kitty_at(main_socket, "get-text").stdout
        print(f"activation seen in kitty after {elapsed:.2f} s")
        # The Switcher still answers keys.
        kitty_at(main_socket, "send-text", "q")
        switcher.wait(timeout=20)
    finally:
        for process in (switcher, launcher):
            if process.poll() is None:
                process.kill()
                process.wait()


def kitty_background(config):
    out = subprocess.run(["kitty", "+runpy", f"from kitty.config import load_config; "
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
        ("clean", "background #000000\n" + include, {}, None),
        ("a colour below", include + "background #000000\n", {}, "kitty.conf line 2"),
        ("kitty's theme picker below", include + "# BEGIN_KITTY_THEME\ninclude current-theme.conf\n# END_KITTY_THEME\n",
         {"current-theme.conf": "background #000000\n"}, "current-theme.conf line 1"),
        ("an include without colours below", include + "include fonts.conf\n", {"fonts.conf": "font_size 12\n"}, None),
    ]
    for what, text, others, where in cases:
        conf.write_text(text)
        for name, content in others.items():
            (conf.parent / name).write_text(content)
        applied = home.run("--theme", "dracula")
        assert applied.returncode == 0, applied.stderr
        line = applied.stdout.decode()
        if where is None:
            assert "new kitty windows" not in line, what
            assert kitty_background(conf) == "#282a36", what
        else:
            assert f"new kitty windows keep the colours set {'at' if where.startswith('kitty.conf') else 'in'} {where}" in line, what
            assert kitty_background(conf) == "#000000", what
        assert conf.read_text() == text, "the user's file is left as it was"
        for name in others:
            (conf.parent / name).unlink()


def write_png(path, rgb, width=320, height=180):
    import struct
    import zlib
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
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
    root = home.home / "Wallpapers"
    root.mkdir()
    for i, rgb in enumerate(colours):
        write_png(root / f"w{i:02}.png", rgb)
    env = home.env(DISPLAY=display, PATH="/usr/bin:/bin", TERM="xterm-kitty")
    socket = home.root / "main.sock"
    switcher = start_kitty(env, socket, TINTWELL, size=(1000, 640))
    try:
        try:
            wait_until(lambda: "tab/←→" in kitty_at(socket, "get-text").stdout, 20, "the Switcher")
        except AssertionError:
            pytest.skip("kitty did not start under Xvfb here")
        kitty_at(socket, "send-text", "\t")
        wait_until(lambda: colour_on_screen(display, colours[0]), 10, "the first picture")
        started = time.monotonic()
        kitty_at(socket, "send-text", "j" * 30)
        wait_until(lambda: "▌ w30.png" in kitty_at(socket, "get-text").stdout, 20, "the thirtieth move")
        drawn = time.monotonic()
        wait_until(lambda: colour_on_screen(display, colours[30]), 10, "the picture where the highlight rests")
        shown = time.monotonic()
        print(f"30 moves drawn {drawn - started:.2f} s after they were sent; picture {shown - drawn:.2f} s later")
        # One image program run per move would take 15 s.
        assert drawn - started < 5 and shown - drawn < 3
        assert not colour_on_screen(display, colours[1]), "no picture of a wallpaper passed over"
        kitty_at(socket, "send-text", "q")
        switcher.wait(timeout=20)
    finally:
        if switcher.poll() is None:
            switcher.kill()
            switcher.wait()


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def screen_cells(ansi, colours):
    """Each row of `get-text --ansi` as (character, foreground, background) with the colours resolved."""
    def hex_rgb(text):
        return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))
    palette = {k: hex_rgb(v) for k, v in colours.items()}
    default_fg, default_bg = palette["foreground"], palette["background"]

    def colour(params, i):
        # 38:5:n, 38;5;n, 38:2:r:g:b or 38:2::r:g:b
        parts = params[i].split(":")
        rest = parts[1:] if len(parts) > 1 else params[i + 1:i + 5]
        used = 1 if len(parts) > 1 else None
        if rest[0] == "5":
            return palette[f"color{int(rest[1])}"], used or 3
        numbers = [x for x in rest[1:] if x != ""][:3]
        return tuple(int(x) for x in numbers), used or 5

    rows = []
    for line in ansi.split("\n"):
        fg, bg, cells, i = default_fg, default_bg, [], 0
        while i < len(line):
            if line.startswith("\x1b[", i):
                end = i + 2
                while not ("@" <= line[end] <= "~"):
                    end += 1
                params = line[i + 2:end].split(";") if end > i + 2 else ["0"]
                k = 0
                while k < len(params):
                    p = params[k].split(":")[0] or "0"
                    n = int(p)
                    step = 1
                    if n == 0:
                        fg, bg = default_fg, default_bg
                    elif 30 <= n <= 37 or 90 <= n <= 97:
                        fg = palette[f"color{n - 30 if n < 90 else n - 82}"]
                    elif 40 <= n <= 47 or 100 <= n <= 107:
                        bg = palette[f"color{n - 40 if n < 100 else n - 92}"]
                    elif n in (38, 48):
                        value, step = colour(params, k)
                        fg, bg = (value, bg) if n == 38 else (fg, value)
                    elif n == 39:
                        fg = default_fg
                    elif n == 49:
                        bg = default_bg
                    k += step
                i = end + 1
                continue
            cells.append((line[i], fg, bg))
            i += 1
        rows.append(cells)
    return rows


@pytest.mark.parametrize("theme", ["catppuccin-latte", "solarized-dark"])
def test_the_switcher_is_readable_in_kitty_under_the_theme(home, display, theme):
    assert home.run("--theme", theme).returncode == 0
    env = home.env(DISPLAY=display, PATH="/usr/bin:/bin", TERM="xterm-kitty")
    socket = home.root / "main.sock"
    # A new window reads the user's kitty.conf, which now includes the theme.
    switcher = subprocess.Popen(["kitty", "--config", str(home.config / "kitty/kitty.conf"), "-o",
                                 "allow_remote_control=yes", "-o", "initial_window_width=900", "-o",
                                 "initial_window_height=600", "--listen-on", f"unix:{socket}", TINTWELL], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        try:
            wait_until(lambda: "tab/←→" in kitty_at(socket, "get-text").stdout, 20, "the Switcher")
        except AssertionError:
            pytest.skip("kitty did not start under Xvfb here")
        kitty_at(socket, "send-text", "j")  # the highlight off the active theme
        wait_until(lambda: "● active" in kitty_at(socket, "get-text").stdout, 10, "the marker")
        time.sleep(0.3)
        colours = dict(line.split() for line in kitty_at(socket, "get-colors").stdout.splitlines())
        rows = screen_cells(kitty_at(socket, "get-text", "--ansi").stdout, colours)
        while rows and not rows[-1]:
            rows.pop()
        top = len(rows) - 11  # the 10-row theme pane, then the hints
        checked = [(r, rows[r]) for r in list(range(0, top + 2)) + [len(rows) - 1]]  # not the preview: the theme's own
        for r, cells in checked:
            for ch, fg, bg in cells:
                if ch.strip() and ch != "▌":
                    assert contrast(fg, bg) >= 3, (theme, r, ch, fg, bg)
        for r in range(2, top - 1):
            text = "".join(c for c, _, _ in rows[r])
            for ch, fg, bg in rows[r]:
                if ch.isalnum():
                    assert contrast(fg, bg) >= 4.5, (theme, r, text.strip(), ch, fg, bg)
        bar = [bg for r in range(2, top - 1) for ch, _, bg in rows[r][:1] if rows[r][0][0] == "▌"]
        assert bar and contrast(bar[0], tuple(int(colours["background"][i:i + 2], 16) for i in (1, 3, 5))) >= 1.3
        kitty_at(socket, "send-text", "q")
        switcher.wait(timeout=20)
    finally:
        if switcher.poll() is None:
            switcher.kill()
            switcher.wait()
