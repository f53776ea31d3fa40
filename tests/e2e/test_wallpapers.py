"""Wallpapers through the whole program: the login hook, and the picture in
the Switcher's pane (fake kitty, hyprctl, awww and swww on PATH)."""

import time

from conftest import HINTS_WALLPAPERS, start_switcher

NO_DAEMON = {"FAKE_HYPRCTL_STATUS": "1", "FAKE_AWWW_STATUS": "1", "FAKE_SWWW_STATUS": "1"}
SHOW = "kitty\t+kitten\ticat\t--clear\t--transfer-mode=file\t--stdin=no\t--place={}\t{}"


def make_wallpapers(home, *names):
    root = home.home / "Pictures/Wallpapers"
    root.mkdir(parents=True, exist_ok=True)
    for name in names:
        (root / name).write_bytes(b"not really an image")
    return root


def kitten_runs(home):
    return [line for line in home.fake_log() if line.startswith("kitty\t")]


def wait_for_kittens(home, count, timeout=10.0):
    deadline = time.monotonic() + timeout
    while len(kitten_runs(home)) < count and time.monotonic() < deadline:
        time.sleep(0.05)
    assert len(kitten_runs(home)) == count, home.fake_log()


def test_login_hook(home):
    result = home.run("--apply", **NO_DAEMON)  # no saved choice: nothing runs
    assert (result.returncode, result.stdout, result.stderr, home.fake_log()) == (0, b"", b"", [])
    root = make_wallpapers(home, "w.png")
    (home.config / "morvane").mkdir(parents=True)
    (home.config / "morvane/wallpaper").write_text(f"  {root}/w.png\n")
    result = home.run("--apply", **dict(NO_DAEMON, FAKE_AWWW_STATUS="0"))
    assert result.returncode == 0 and result.stdout == b""
    assert home.fake_log()[-1] == f"awww\timg\t{root}/w.png\t--transition-type\tfade"


def test_the_kitten_runs_only_where_the_highlight_rests(home, terminal_factory):
    root = make_wallpapers(home, "a.png", "b.png", "c.png", "d.png", "e.png")
    env = dict(NO_DAEMON, KITTY_WINDOW_ID="1", FAKE_AWWW_STATUS="0", FAKE_KITTY_SLEEP="2")
    terminal = terminal_factory(columns=100, rows=30, env=env)
    start_switcher(terminal)
    terminal.send("Tab")
    wait_for_kittens(home, 1)
    assert kitten_runs(home) == [SHOW.format("64x11@1x17", root / "a.png")]
    time.sleep(2.1)  # the fake logs its run before it takes its time
    # Four quick moves are all drawn while no kitten runs: one would hold
    # them up 2 s (a bound with room for a busy machine).
    started = time.monotonic()
    terminal.send("Down", "Down", "Down", "Down")
    terminal.wait_for(lambda s: any(line.startswith("▌ e.png") for line in s))
    assert time.monotonic() - started < 1.5, "a kitten held the keys up"
    wait_for_kittens(home, 2)
    terminal.send("Enter")
    terminal.wait_for("✓ wallpaper applied with awww")
    wait_for_kittens(home, 3)  # the status line moved the picture up a row
    terminal.type("q")
    terminal.wait_for(lambda s: s[0].startswith("$"))
    assert kitten_runs(home)[1:] == [SHOW.format("64x11@1x17", root / "e.png"),
                                     SHOW.format("64x11@1x16", root / "e.png")], "nothing run to clear"


def test_no_kitten_outside_kitty_and_a_hostile_name(home, terminal_factory):
    root = make_wallpapers(home, "a\x1b[2Jb.png")
    for env in ({}, {"KITTY_WINDOW_ID": "1", "TMUX": "/tmp/tmux-0/default,1,0"}):
        terminal = terminal_factory(columns=80, rows=24, env={**env, **NO_DAEMON, "FAKE_HYPRCTL_STATUS": "0"})
        start_switcher(terminal)
        terminal.send("Tab")
        screen = terminal.wait_for(HINTS_WALLPAPERS)
        assert screen[2].startswith("▌ a\ufffd[2Jb.png") and screen[22] == " a\ufffd[2Jb.png"
        terminal.send("Enter")
        terminal.wait_for("wallpaper applied with hyprpaper")
        terminal.type("q")
        terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
    assert kitten_runs(home) == []
    raw = (home.root / "fake.log").read_bytes().splitlines()[-1]
    assert raw == f"hyprctl\thyprpaper\twallpaper\t, {root}/a\x1b[2Jb.png, cover".encode()
