"""The network never holds the Switcher up: index themes get their colours
from a background worker, and a stale index is refreshed in the background
(a fake curl serves files from a folder, optionally slowly, and logs)."""

import json
import os
import time

from conftest import start_switcher


def theme_file(i):
    return "".join([f"background #{i:02x}1020\nforeground #ffffff\n"] + [f"color{k} #0000{k:02x}\n" for k in range(16)])


def make_index(home, tmp_path, names, served=(), cached=True, stale=False):
    """An index of `names` (cached, or only served), theme files served for `served`."""
    cache = home.cache / "morvane/kitty-themes"
    cache.mkdir(parents=True)
    index = json.dumps([{"name": n, "file": f"themes/t{i:02}.conf", "is_dark": True} for i, n in enumerate(names)])
    remote = tmp_path / "remote"
    (remote / "themes").mkdir(parents=True)
    (remote / "themes.json").write_text(index)
    if cached:
        (cache / "themes.json").write_text(json.dumps([{"name": "Old Theme", "file": "themes/old.conf"}]) if stale
                                           else index)
    if stale:
        os.utime(cache / "themes.json", (time.time() - 8 * 86400,) * 2)
    for i in served:
        (remote / f"themes/t{i:02}.conf").write_text(theme_file(i))
    # An active profile sorts first, so the Switcher starts on a theme with colours.
    (home.config / "morvane/themes/Aaa").mkdir(parents=True)
    (home.config / "morvane/themes/Aaa/kitty.conf").write_text("background #000000\nforeground #ffffff\n")
    (home.config / "morvane/themes/current").symlink_to("Aaa")
    return {"FAKE_CURL_ROOT": str(remote)}


def downloads(home):
    return [line.split("\t")[-1].rsplit("/", 1)[-1] for line in home.fake_log() if line.startswith("curl\t")]


def summary(screen):
    return next((line for line in screen if line.startswith((" bg ", " colours", " fetching"))), None)


def test_colours_come_where_the_highlight_rests(home, tmp_path, terminal_factory):
    names = [f"Theme {i:02}" for i in range(25)]
    env = make_index(home, tmp_path, names, served=range(1, 25))
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    terminal.send("Down")  # Theme 00 cannot be fetched
    terminal.wait_for(lambda s: summary(s) == " colours unavailable")
    terminal.send(*["Down"] * 19)  # scrolling starts no download
    screen = terminal.wait_for(lambda s: summary(s) == " bg #131020   fg #ffffff")
    assert screen[22].startswith("▌ Theme 19")
    terminal.type("/theme 19")  # fetched colours survive the filter
    terminal.wait_for(lambda s: s[2].startswith("▌ Theme 19") and summary(s) == " bg #131020   fg #ffffff")
    terminal.send("Escape")
    terminal.wait_for(lambda s: s[0] == " themes  wallpapers")
    terminal.send("Home", "Down")  # unavailable is never retried
    terminal.wait_for(lambda s: summary(s) == " colours unavailable")
    time.sleep(0.6)
    assert downloads(home) == ["t00.conf", "t19.conf"]


def test_keys_are_answered_while_curl_is_slow(home, tmp_path, terminal_factory):
    env = make_index(home, tmp_path, [f"Theme {i:02}" for i in range(6)], served=range(6))
    env["FAKE_CURL_SLEEP"] = "10"
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    terminal.send("Down")
    deadline = time.monotonic() + 5
    while not downloads(home) and time.monotonic() < deadline:
        time.sleep(0.02)
    started = time.monotonic()
    for row in range(4, 8):
        terminal.send("Down")
        terminal.wait_for(lambda s, row=row: s[row].startswith("▌ Theme"), timeout=6)
    assert time.monotonic() - started < 6, "the highlight must move while curl sleeps"
    assert downloads(home) == ["t00.conf"], "one awaited worker at a time"


def test_a_stale_index_shows_at_once_and_the_new_one_joins_later(home, tmp_path, terminal_factory):
    env = make_index(home, tmp_path, ["AAA New", "Old Theme", "Zed"], stale=True)
    env["FAKE_CURL_SLEEP"] = "8"
    terminal = terminal_factory(columns=100, rows=40, env=env)
    started = time.monotonic()
    screen = start_switcher(terminal)
    assert time.monotonic() - started < 6, "the first frame must not wait for curl"
    assert screen[2].startswith("▌ Aaa") and screen[3].startswith("  Old Theme")
    screen = terminal.wait_for(lambda s: s[2].startswith("  AAA New"), timeout=20)
    assert screen[3].startswith("▌ Aaa"), "the highlight stays on its theme"
    terminal.type("/nord")
    terminal.send("Enter")
    terminal.send("Enter")  # activating reloads the list: no second download
    terminal.wait_for(lambda s: any(line.startswith((" ⚠ ", " ✓ ")) for line in s))
    assert sum(line.startswith("curl\t") for line in home.fake_log()) == 1
