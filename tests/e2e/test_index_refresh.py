"""The kitty themes index is refreshed in the background: the first frame
never waits for curl (here a fake that takes 5 s to answer)."""

import json
import os
import time

from conftest import start_switcher

DAY = 86400


def index(*names):
    return json.dumps([{"name": n, "file": f"themes/{n.replace(' ', '_')}.conf", "is_dark": True} for n in names])


def make_home(home, tmp_path, cached=None, served=None):
    themes = home.config / "morvane/themes"
    (themes / "Aaa").mkdir(parents=True)
    (themes / "Aaa/kitty.conf").write_text("background #000000\nforeground #ffffff\n")
    (themes / "current").symlink_to("Aaa")
    if cached is not None:
        cache = home.cache / "morvane/kitty-themes"
        cache.mkdir(parents=True)
        (cache / "themes.json").write_text(cached)
        old = time.time() - 8 * DAY
        os.utime(cache / "themes.json", (old, old))
    remote = tmp_path / "remote"
    remote.mkdir()
    if served is not None:
        (remote / "themes.json").write_text(served)
    return {"FAKE_CURL_ROOT": str(remote), "FAKE_CURL_SLEEP": "5"}


def curl_calls(home):
    return sum(1 for line in home.fake_log() if line.startswith("curl\t"))


def test_stale_cache_first_then_the_new_entries(home, tmp_path, terminal_factory):
    env = make_home(home, tmp_path, cached=index("Old Theme"), served=index("AAA New", "Old Theme", "Zed"))
    terminal = terminal_factory(columns=100, rows=40, env=env)
    started = time.monotonic()
    screen = start_switcher(terminal)
    assert time.monotonic() - started < 4, "the first frame must not wait for curl"
    assert screen[2].startswith("▌ Aaa") and screen[3].startswith("  Old Theme")
    screen = terminal.wait_for(lambda s: s[2].startswith("  AAA New"), timeout=20)
    assert screen[3].startswith("▌ Aaa")  # the highlight stays on its theme
    assert any(line.startswith("  Zed") for line in screen)
    assert curl_calls(home) == 1


def test_no_cache_shows_builtins_and_profiles_at_once(home, tmp_path, terminal_factory):
    env = make_home(home, tmp_path, served=index("Index Theme"))
    terminal = terminal_factory(columns=100, rows=40, env=env)
    started = time.monotonic()
    screen = start_switcher(terminal)
    assert time.monotonic() - started < 4
    assert screen[2].startswith("▌ Aaa") and screen[3].startswith("  catppuccin-latte")
    terminal.wait_for(lambda s: s[3].startswith("  Index Theme"), timeout=20)


def test_a_failing_refresh_is_tried_once(home, tmp_path, terminal_factory):
    env = make_home(home, tmp_path, cached=index("Old Theme"))
    env.update(FAKE_CURL_SLEEP="0", FAKE_CURL_STATUS="6")
    terminal = terminal_factory(columns=100, rows=40, env=env)
    start_switcher(terminal)
    time.sleep(1)
    terminal.type("/nord")
    terminal.send("Enter")
    terminal.send("Enter")  # activating a built-in reloads the list: still no download
    terminal.wait_for(lambda s: any(line.startswith(" ⚠ ") or line.startswith(" ✓ ") for line in s))
    time.sleep(0.5)
    assert curl_calls(home) == 1
