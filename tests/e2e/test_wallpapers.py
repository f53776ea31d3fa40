"""Wallpapers: the login path and the picture in the Switcher's pane (fake kitty, hyprctl, awww and swww on PATH)."""

import time

from conftest import HINTS_WALLPAPERS, start_switcher

NO_DAEMON = {"FAKE_HYPRCTL_STATUS": "1", "FAKE_AWWW_STATUS": "1", "FAKE_SWWW_STATUS": "1"}


def make_wallpapers(home, *names):
    root = home.home / "Pictures/Wallpapers"
    root.mkdir(parents=True, exist_ok=True)
    for name in names:
        (root / name).write_bytes(b"not really an image")
    return root


def wait_for_log(home, predicate, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        lines = home.fake_log()
        if predicate(lines):
            return lines
        time.sleep(0.05)
    raise AssertionError("log was: " + repr(home.fake_log()))


def test_login_path_without_a_saved_choice_runs_nothing(home):
    result = home.run("--apply", **NO_DAEMON)
    assert result.returncode == 0 and result.stdout == b"" and result.stderr == b""
    assert home.fake_log() == []


def test_login_path_applies_the_saved_wallpaper(home):
    root = make_wallpapers(home, "w.png")
    (home.config / "morvane").mkdir(parents=True)
    (home.config / "morvane/wallpaper").write_text(f"  {root}/w.png\n")
    result = home.run("--apply", **dict(NO_DAEMON, FAKE_AWWW_STATUS="0"))
    assert result.returncode == 0 and result.stdout == b""
    assert home.fake_log()[-1] == f"awww\timg\t{root}/w.png\t--transition-type\tfade"
    assert (home.config / "morvane/wallpaper").read_text() == f"{root}/w.png"


def kitten_runs(home):
    return [line for line in home.fake_log() if line.startswith("kitty\t")]


SHOW = "kitty\t+kitten\ticat\t--clear\t--transfer-mode=file\t--stdin=no\t--place={}\t{}"


def test_the_kitten_runs_only_where_the_highlight_rests(home, terminal_factory):
    root = make_wallpapers(home, "a.png", "b.png", "c.png", "d.png", "e.png")
    env = dict(NO_DAEMON, KITTY_WINDOW_ID="1", FAKE_AWWW_STATUS="0", FAKE_KITTY_SLEEP="0.5")
    terminal = terminal_factory(columns=100, rows=30, env=env)
    start_switcher(terminal)
    assert kitten_runs(home) == []  # nothing placed in the themes section
    terminal.send("Tab")
    wait_for_log(home, lambda log: len(kitten_runs(home)) == 1)
    assert kitten_runs(home) == [SHOW.format("64x11@1x17", root / "a.png")]
    time.sleep(0.6)  # the fake logs its run before it takes its time
    # Four quick moves are all drawn while no kitten runs (each takes 0.5 s).
    started = time.monotonic()
    terminal.send("Down", "Down", "Down", "Down")
    terminal.wait_for(lambda s: any(line.startswith("▌ e.png") for line in s))
    assert time.monotonic() - started < 0.5
    wait_for_log(home, lambda log: len(kitten_runs(home)) == 2)
    terminal.send("Enter")
    terminal.wait_for("✓ wallpaper applied with awww")
    wait_for_log(home, lambda log: len(kitten_runs(home)) == 3)
    terminal.type("q")
    terminal.wait_for(lambda s: s[0].startswith("$"))
    assert kitten_runs(home)[1:] == [SHOW.format("64x11@1x17", root / "e.png"),
                                     SHOW.format("64x11@1x16", root / "e.png")], "nothing run to clear"


def test_no_image_program_outside_kitty_or_through_tmux(home, terminal_factory):
    make_wallpapers(home, "a.png")
    for env in ({}, {"KITTY_WINDOW_ID": "1", "TMUX": "/tmp/tmux-0/default,1,0"}):
        terminal = terminal_factory(columns=100, rows=30, env=env)
        start_switcher(terminal)
        terminal.send("Tab")
        terminal.wait_for(HINTS_WALLPAPERS)
        terminal.type("q")
        terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
    assert kitten_runs(home) == []


def test_hostile_wallpaper_name(home, terminal_factory):
    root = make_wallpapers(home, "a\x1b[2Jb.png")
    terminal = terminal_factory(columns=80, rows=24, env=dict(NO_DAEMON, FAKE_HYPRCTL_STATUS="0"))
    start_switcher(terminal)
    terminal.send("Tab")
    screen = terminal.wait_for(HINTS_WALLPAPERS)
    assert screen[2].startswith("▌ a\ufffd[2Jb.png")
    assert screen[22] == " a\ufffd[2Jb.png"
    terminal.send("Enter")
    terminal.wait_for("wallpaper applied with hyprpaper")
    raw = (home.root / "fake.log").read_bytes().splitlines()[-1]
    assert raw == f"hyprctl\thyprpaper\twallpaper\t, {root}/a\x1b[2Jb.png, cover".encode()
