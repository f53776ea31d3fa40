"""The desktop checked by the real programs: GTK 3 and 4 read the edited
stylesheets; kitty (under Xvfb) is recoloured live, every window of
several kitty processes, the Switcher's own while it previews; kitty's
own reading of kitty.conf agrees with the outcome line; the Switcher's
pictures follow quick moves. Each test skips when its program cannot
start."""

import contextlib
import json
import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from conftest import DATA, TINTWELL, pixel, wait_until, x_screenshot

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
def kitty(home, display, socket, *command, config="NONE", size=(640, 400), ready="tab/←→", path="/usr/bin:/bin"):
    """A kitty window running `command`, answering on `socket` once `ready` shows."""
    env = home.env(DISPLAY=display, PATH=path, TERM="xterm-kitty")
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


def pixels(display, *points):
    """The colours at `points` of the screen, as "#rrggbb"."""
    shot = x_screenshot(display)
    return [pixel(shot, x, y) for x, y in points]


def test_every_terminal_and_the_colour_scheme_take_the_theme(display, own_user):
    """Three kitty processes of a user of the test's own, as a desktop starts them: the one running
    --theme and the application launcher's (listening on its socket) are reached by remote control
    too, the third only by the escape sequences; the desktop's preference goes through gsettings'
    keyfile backend. tintwell writes to every terminal of the user it runs as: the user is one no
    other process on the machine runs as, so only these three windows are reached."""
    if shutil.which("import") is None or shutil.which("gsettings") is None:
        pytest.skip("ImageMagick's import or gsettings is not installed")
    user, root, tintwell, unprivileged = own_user.home, own_user.root, own_user.tintwell, own_user.command()
    own_user.own_everything()
    try:
        env = user.env(reach_terminals=True, DISPLAY=display, PATH="/usr/bin:/bin", TERM="xterm-kitty",
                       GSETTINGS_BACKEND="keyfile")
        script = (f"until [ -e {root}/go ]; do sleep 0.01; done; date +%s.%N > {root}/started;"
                  f" {tintwell} --theme catppuccin-latte > {root}/out 2>&1; date +%s.%N > {root}/done; sleep 600")
        windows = {"a": (["sh", "-c", script], (640, 400)), "b": (["sleep", "600"], (400, 300)),
                   "c": (["sleep", "600"], (200, 150))}
        started_as = {"a": "#123456", "b": "#123457", "c": "#123458"}  # tells the windows apart
        processes = []
        sockets = {"a": root / "a.sock", "b": user.runtime / "app-launcher-kitty.sock"}
        for name, (command, size) in windows.items():
            remote = ["-o", "allow_remote_control=yes", "--listen-on", f"unix:{sockets[name]}"] if name in sockets else []
            processes.append(subprocess.Popen(
                [*unprivileged, "kitty", "--config", "NONE", "-o", f"background={started_as[name]}", *remote, "-o",
                 f"initial_window_width={size[0]}", "-o", f"initial_window_height={size[1]}", *command],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            time.sleep(0.5)  # mapped one after the other: the smaller on top
        # A spot of each window that no later one covers.
        spots = [(600, 380), (380, 280), (150, 120)]
        try:
            wait_until(lambda: pixels(display, *spots) == list(started_as.values()), 30, "three kitty windows")
        except AssertionError:
            pytest.skip("kitty did not start under Xvfb here")
        (root / "go").touch()
        shots = [time.time()]  # each takes about 80 ms
        while pixels(display, *spots) != ["#eff1f5"] * 3:  # as often as a screenshot can be taken
            shots.append(time.time())
            assert shots[-1] < shots[0] + 10, "every window should turn light"
        seen = time.time()
        wait_until(lambda: (root / "done").exists(), 30, "the activation")
        started, done = (float((root / name).read_text()) for name in ("started", "done"))
        out = (root / "out").read_text()
        assert "Activated theme: catppuccin-latte · recoloured 3 terminal windows" in out, out
        assert "1 kitty process without remote control: new tabs keep the old colours until restarted" in out, out
        # Remote control changed kitty's configured colours: a new tab opens in the theme.
        tab = subprocess.run([*unprivileged, "kitty", "@", "--to", f"unix:{sockets['b']}", "launch", "--type=tab",
                              "sleep", "600"], env=env, capture_output=True, text=True, timeout=30).stdout.strip()
        colours = subprocess.run([*unprivileged, "kitty", "@", "--to", f"unix:{sockets['b']}", "get-colors", "--match",
                                  f"id:{tab}"], env=env, capture_output=True, text=True, timeout=30).stdout
        assert ["background", "#eff1f5"] in [line.split() for line in colours.splitlines()], colours
        keyfile = (user.config / "glib-2.0/settings/keyfile").read_text()
        assert "color-scheme='prefer-light'" in keyfile
        # Measured again without screenshots taking the processor: the same two kitty @ runs, from outside.
        timed = time.time()
        assert subprocess.run([*unprivileged, tintwell, "--theme", "catppuccin-mocha"], env=env, capture_output=True,
                              timeout=30).returncode == 0
        timed, reference = time.time() - timed, time.time()
        subprocess.run([*unprivileged, "kitty", "@", "--to", f"unix:{sockets['b']}", "get-colors"], env=env,
                       capture_output=True, timeout=30)
        print(f"every window light at most {seen - started:.3f} s after the start (screenshots {len(shots)});"
              f" activation {done - started:.3f} s, alone {timed:.3f} s; one kitty @ run {time.time() - reference:.3f} s")
    finally:
        for process in locals().get("processes", []):
            process.kill()
            process.wait()


def test_the_window_previews_the_resting_theme_and_is_given_back(home, display):
    socket = home.root / "preview.sock"
    twice = f"{TINTWELL}; {TINTWELL}; sleep 600"
    with kitty(home, display, socket, "sh", "-c", twice) as window:
        start = background(socket)
        kitty_at(socket, "send-text", "/nord\\r")
        wait_until(lambda: background(socket) == "#2e3440", 10, "the window to preview nord")
        kitty_at(socket, "send-text", "\x1b")  # quit without applying: the colours at the start
        wait_until(lambda: background(socket) == start and "tab/←→" in kitty_at(socket, "get-text").stdout, 10,
                   "the second Switcher with the window as it was")
        kitty_at(socket, "send-text", "/dracula\\r")
        wait_until(lambda: background(socket) == "#282a36", 10, "the window to preview dracula")
        kitty_at(socket, "send-text", "\\r")
        wait_until(lambda: "Activated theme: dracula" in kitty_at(socket, "get-text").stdout, 20, "the activation")
        kitty_at(socket, "send-text", "\x1b")  # after an activation: the applied theme, not the old one
        wait_until(lambda: "tab/←→" not in kitty_at(socket, "get-text").stdout, 10, "the Switcher to end")
        assert background(socket) == "#282a36"
        assert window.poll() is None


def test_the_window_ends_in_the_active_theme_in_a_kitty_without_remote_control(display, own_user):
    """kitty as it comes (remote control only over its socket, not from its windows), run as a user
    of the test's own: the Switcher's window keeps the theme applied in it, and one applied
    elsewhere while it is open."""
    own_user.own_everything()
    env = own_user.home.env(DISPLAY=display, PATH="/usr/bin:/bin")
    socket, tintwell = own_user.root / "k.sock", own_user.tintwell
    # The windows know nothing of the socket: kitty @ from them is refused, as in a default kitty.
    twice = f"env -u KITTY_LISTEN_ON {tintwell}; env -u KITTY_LISTEN_ON {tintwell}; sleep 600"
    subprocess.Popen(own_user.command("kitty", "--config", "NONE", "-o", "allow_remote_control=socket-only",
                                      "--listen-on", f"unix:{socket}", "sh", "-c", twice), env=env,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_until(lambda: socket.exists() and "tab/←→" in kitty_at(socket, "get-text").stdout, 20, "kitty")
    except AssertionError:
        pytest.skip("kitty did not start under Xvfb here")
    kitty_at(socket, "send-text", "/nord\\r\\r")
    wait_until(lambda: "Activated theme: nord" in kitty_at(socket, "get-text").stdout, 20, "the activation")
    assert "this kitty could not be told" in kitty_at(socket, "get-text").stdout
    kitty_at(socket, "send-text", "q")
    wait_until(lambda: background(socket) == "#2e3440" and "tab/←→" in kitty_at(socket, "get-text").stdout, 10,
               "the second Switcher, the window in nord")
    # A key binding applies another theme while the Switcher is open.
    assert subprocess.run(own_user.command(tintwell, "--theme", "dracula"), env=env, capture_output=True,
                          timeout=30).returncode == 0
    kitty_at(socket, "send-text", "q")
    wait_until(lambda: "tab/←→" not in kitty_at(socket, "get-text").stdout, 10, "the second Switcher to end")
    assert background(socket) == "#282a36", "the window ends in the theme active when the Switcher ends"


def contrast(a, b):
    def luminance(rgb):
        c = [v / 255 for v in rgb]
        c = [v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4 for v in c]
        return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


def text_contrast(shot, cell, columns, row):
    """The contrast of the text in `columns` of `row` with what is behind it, from a screenshot:
    behind is the most common colour there, the text the colour that stands out most from it
    among those that are not one-off anti-aliasing."""
    counts = {}
    for y in range(int(row * cell[1] + cell[1] * 0.15), int(row * cell[1] + cell[1] * 0.85)):
        for x in range(int(columns[0] * cell[0]), int(columns[1] * cell[0])):
            colour = pixel(shot, x, y)
            counts[colour] = counts.get(colour, 0) + 1
    behind = max(counts, key=counts.get)
    rgb = {c: tuple(int(c[i:i + 2], 16) for i in (1, 3, 5)) for c in counts}
    common = [c for c, n in counts.items() if n >= max(6, sum(counts.values()) // 400) and c != behind]
    return max((contrast(rgb[c], rgb[behind]) for c in common), default=1.0)


@pytest.mark.parametrize("emulator", ["kitty", "xterm"])
def test_the_switcher_reads_in_the_theme_it_applied(display, emulator, own_user):
    """In a terminal tintwell itself just recoloured, and after a theme applied from outside while it
    is open: the highlighted row, the tabs and the hints stand out at least 3:1 (in kitty, where the
    window's palette is asked, as in xterm, where it was assumed before)."""
    if shutil.which(emulator) is None or shutil.which("import") is None:
        pytest.skip(f"{emulator} or ImageMagick's import is not installed")
    themes_data = DATA / "kitty-themes"
    if not (themes_data / "themes.json").exists():
        pytest.skip(f"real kitty themes not found in {DATA}")
    user, root, tintwell, unprivileged = own_user.home, own_user.root, own_user.tintwell, own_user.command()
    shutil.copytree(themes_data, user.cache / "morvane/kitty-themes", ignore=shutil.ignore_patterns("*.md"))
    own_user.own_everything()
    env = user.env(reach_terminals=True, DISPLAY=display, PATH="/usr/bin:/bin", GSETTINGS_BACKEND="keyfile")
    names = subprocess.run([*unprivileged, tintwell, "--list", "--cached"], env=env, capture_output=True,
                           text=True, timeout=30).stdout.split("\n")
    geometry = ("import fcntl, struct, termios; print(*struct.unpack('HHHH', fcntl.ioctl(0, termios.TIOCGWINSZ, "
                "bytes(8))))")
    script = (f"{tintwell} --theme 'Gruvbox Light' > /dev/null 2>&1; /usr/bin/python3 -c \"{geometry}\" > {root}/size;"
              f" {tintwell}; sleep 600")
    socket = root / "k.sock"
    command = (["kitty", "--config", "NONE", "-o", "allow_remote_control=yes", "--listen-on", f"unix:{socket}",
                "-o", "font_size=11", "-o", "initial_window_width=1000", "-o", "initial_window_height=700",
                "sh", "-c", script] if emulator == "kitty" else
               ["xterm", "-geometry", "100x30+0+0", "-fa", "Monospace", "-fs", "10", "-b", "0", "-e", "sh", "-c", script])
    window = subprocess.Popen([*unprivileged, *command], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        size = root / "size"
        try:
            wait_until(lambda: size.exists() and size.read_text().strip(), 30, f"{emulator} to start")
        except AssertionError:
            pytest.skip(f"{emulator} did not start under Xvfb here")
        rows, columns, width_px, height_px = map(int, size.read_text().split())
        assert (rows, columns) == (30, 100) or emulator == "kitty"
        cell = (width_px / columns, height_px / rows)
        # A 10-row pane, the list from row 2: the active theme highlighted, scrolled to the last list row.
        row = 2 + min(names.index("Gruvbox Light"), rows - 15)
        time.sleep(1.5)  # the first frame, drawn for the colours the terminal reported

        def readable(theme):
            shot = x_screenshot(display)
            measured = {"highlighted row": text_contrast(shot, cell, (2, 30), row),
                        "active tab": text_contrast(shot, cell, (0, 8), 0),
                        "inactive tab": text_contrast(shot, cell, (8, 20), 0),
                        "hint line": text_contrast(shot, cell, (0, 40), rows - 1)}
            print(emulator, theme, {k: round(v, 2) for k, v in measured.items()})
            assert all(v >= 3 for v in measured.values()), (emulator, theme, measured)
        readable("Gruvbox Light")
        # From a key binding, while the Switcher is open.
        assert subprocess.run([*unprivileged, tintwell, "--theme", "Solarized Dark"], env=env, capture_output=True,
                              timeout=30).returncode == 0
        time.sleep(1.5)  # noticed within a second, then drawn again
        if emulator == "kitty":
            assert "theme changed elsewhere: Solarized Dark" in kitty_at(socket, "get-text").stdout
        readable("Solarized Dark")
    finally:
        window.kill()
        window.wait()
