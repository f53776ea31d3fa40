"""What a hostile world does to the user's files, on the real binary: a
login page for a download, programs that never answer, private and linked
dotfiles."""

import os
import stat
import time

INDEX = '[{"name": "Alpha", "file": "themes/Alpha.conf", "is_dark": true}]'


def test_a_login_page_leaves_the_cached_list_intact(home, tmp_path):
    cache = home.cache / "morvane/kitty-themes"
    cache.mkdir(parents=True)
    (cache / "themes.json").write_text(INDEX)
    eight_days_ago = time.time() - 8 * 86400
    os.utime(cache / "themes.json", (eight_days_ago, eight_days_ago))
    portal = tmp_path / "portal"
    (portal / "themes").mkdir(parents=True)
    for name in ("themes.json", "themes/Alpha.conf"):
        (portal / name).write_text("<html><body>Log in to the hotel Wi-Fi</body></html>\n")

    listed = home.run("--list", FAKE_CURL_ROOT=str(portal))
    assert listed.returncode == 0 and "Alpha" in listed.stdout.decode().splitlines()
    assert (cache / "themes.json").read_text() == INDEX
    assert abs(os.stat(cache / "themes.json").st_mtime - eight_days_ago) < 1, "the cache keeps its age"
    refused = home.run("--theme", "Alpha", FAKE_CURL_ROOT=str(portal))
    assert refused.returncode == 1
    assert refused.stderr.decode() == "no theme profile for Alpha (its theme file could not be downloaded)\n"
    assert not (cache / "themes/Alpha.conf").exists()


def test_a_hyprctl_that_never_answers_holds_nothing_up(home):
    image = home.home / "Wallpapers/a.png"
    image.parent.mkdir(parents=True)
    image.write_bytes(b"x")
    (home.config / "morvane").mkdir(parents=True)
    (home.config / "morvane/wallpaper").write_text(str(image))
    stuck = {"FAKE_HYPRCTL_SLEEP": "1000", "HYPRLAND_INSTANCE_SIGNATURE": "sig"}

    started = time.monotonic()
    assert home.run("--apply", **stuck).returncode == 0
    assert time.monotonic() - started < 10, "the probe's limit, then awww"
    assert home.fake_log()[-1].startswith("awww\timg\t")

    started = time.monotonic()
    applied = home.run("--theme", "nord", **stuck)
    assert applied.returncode == 0 and applied.stdout.decode().startswith("Activated theme: nord")
    assert time.monotonic() - started < 15, "hyprctl reload's limit"


def test_private_and_linked_dotfiles_stay_so(home, tmp_path):
    kitty = home.config / "kitty/kitty.conf"
    kitty.parent.mkdir(parents=True)
    kitty.write_text("remote_control_password secret\n")
    kitty.chmod(0o600)
    dotfiles = tmp_path / "dotfiles"
    dotfiles.mkdir()
    (dotfiles / "btop.conf").write_text("color_theme = \"Default\"\r\ntruecolor = True\r\n")
    (home.config / "btop").mkdir()
    (home.config / "btop/btop.conf").symlink_to(dotfiles / "btop.conf")

    assert home.run("--theme", "dracula").returncode == 0
    assert stat.S_IMODE(os.stat(kitty).st_mode) == 0o600
    assert "include ../morvane/themes/current/kitty.conf" in kitty.read_text()
    assert (home.config / "btop/btop.conf").is_symlink()
    assert (dotfiles / "btop.conf").read_bytes() == b"color_theme = \"morvane\"\r\ntruecolor = True\r\n"
