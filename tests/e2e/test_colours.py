"""Index themes get their colours in the background: the fake curl serves
theme files from a folder (optionally slowly) and logs every call."""

import json
import os
import time

from conftest import start_switcher

THEMES = 25


def theme_file(i):
    return "".join([f"background #{i:02x}1020\nforeground #ffffff\n"] + [f"color{k} #0000{k:02x}\n" for k in range(16)])


def setup_index(home, tmp_path, missing=()):
    cache = home.cache / "morvane/kitty-themes"
    cache.mkdir(parents=True)
    (cache / "themes.json").write_text(json.dumps(
        [{"name": f"Theme {i:02}", "file": f"themes/t{i:02}.conf", "is_dark": True} for i in range(THEMES)]))
    remote = tmp_path / "remote"
    (remote / "themes").mkdir(parents=True)
    for i in range(THEMES):
        if i not in missing:
            (remote / f"themes/t{i:02}.conf").write_text(theme_file(i))
    # An active profile sorts first, so the Switcher starts on a theme with colours.
    profile = home.config / "morvane/themes/Aaa"
    profile.mkdir(parents=True)
    (profile / "kitty.conf").write_text("background #000000\nforeground #ffffff\n")
    (home.config / "morvane/themes/current").symlink_to("Aaa")
    return cache, {"FAKE_CURL_ROOT": str(remote)}


def downloads(home):
    return [line.split("\t")[-1].rsplit("/", 1)[-1] for line in home.fake_log() if line.startswith("curl\t")]


def summary(screen):
    return next((line for line in screen if line.startswith(" bg ") or line.startswith(" colours")
                 or line.startswith(" fetching")), None)


def test_scrolling_fetches_nothing_resting_fetches_one(home, tmp_path, terminal_factory):
    _, env = setup_index(home, tmp_path)
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    terminal.send(*["Down"] * 20)
    screen = terminal.wait_for(lambda s: summary(s) == " bg #131020   fg #ffffff", timeout=10)
    assert screen[22].startswith("▌ Theme 19")
    time.sleep(0.5)
    assert downloads(home) == ["t19.conf"]


def test_unavailable_is_shown_and_never_retried(home, tmp_path, terminal_factory):
    _, env = setup_index(home, tmp_path, missing=(0,))
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    terminal.send("Down")
    terminal.wait_for(lambda s: summary(s) == " colours unavailable")
    terminal.send("Down")
    terminal.wait_for(lambda s: summary(s) == " bg #011020   fg #ffffff")
    terminal.send("Up")
    terminal.wait_for(lambda s: summary(s) == " colours unavailable")
    time.sleep(0.6)
    assert downloads(home) == ["t00.conf", "t01.conf"]


def test_fetched_colours_survive_the_filter(home, tmp_path, terminal_factory):
    cache, env = setup_index(home, tmp_path)
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    terminal.send("Down", "Down", "Down")
    terminal.wait_for(lambda s: summary(s) == " bg #021020   fg #ffffff")
    shown = time.time()
    print(f"reply on screen {shown - os.stat(cache / 'themes/t02.conf').st_mtime:.3f} s after the download ended")
    terminal.type("/theme 02")
    terminal.wait_for(lambda s: s[2].startswith("▌ Theme 02") and summary(s) == " bg #021020   fg #ffffff")
    terminal.send("Escape")
    terminal.wait_for(lambda s: s[0] == " themes  wallpapers")
    terminal.type("/Theme 0")
    terminal.send("Enter")
    terminal.send("Down", "Down")
    terminal.wait_for(lambda s: s[4].startswith("▌ Theme 02") and summary(s) == " bg #021020   fg #ffffff")
    assert downloads(home) == ["t02.conf"]


def test_keys_are_answered_while_a_slow_download_runs(home, tmp_path, terminal_factory):
    _, env = setup_index(home, tmp_path)
    env["FAKE_CURL_SLEEP"] = "6"
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    terminal.send("Down")
    deadline = time.monotonic() + 5
    while not downloads(home) and time.monotonic() < deadline:
        time.sleep(0.02)
    assert downloads(home) == ["t00.conf"]
    started = time.monotonic()
    for row in range(4, 8):
        terminal.send("Down")
        terminal.wait_for(lambda s, row=row: s[row].startswith("▌ Theme"), timeout=4)
    assert time.monotonic() - started < 4, "the highlight must move while curl sleeps"
    assert downloads(home) == ["t00.conf"]  # one awaited worker at a time
    terminal.wait_for(lambda s: summary(s) == " bg #041020   fg #ffffff", timeout=20)
