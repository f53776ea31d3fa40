"""New foot and alacritty windows open in the theme: foot 1.13 under a
headless sway (a screenshot with grim), and its own check of the edited
foot.ini; alacritty 0.11 under Xvfb (a screenshot), starting without a word
about its configuration. As a user id of the test's own: the activation
writes to that user's terminals."""

import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from conftest import pixel, read_ppm, wait_until, x_screenshot

NORD_BACKGROUND = "#2e3440"


def test_a_new_foot_window_shows_the_theme(own_user):
    for program in ("foot", "sway", "grim"):
        if shutil.which(program) is None:
            pytest.skip(f"{program} is not installed")
    own_user.own_everything()
    home, as_user = own_user.home, own_user.command
    env = home.env(reach_terminals=True, PATH="/usr/bin:/bin")
    applied = subprocess.run(as_user(own_user.tintwell, "--theme", "nord"), env=env, capture_output=True, text=True,
                             timeout=60)
    assert applied.returncode == 0, applied.stderr
    foot_ini = home.config / "foot/foot.ini"
    assert foot_ini.read_text() == f"include={home.config}/morvane/themes/current/foot.ini\n"
    checked = subprocess.run(as_user("foot", "--check-config", "-c", foot_ini), env=env,
                             capture_output=True, text=True, timeout=30)
    assert checked.returncode == 0, checked.stderr
    config = home.root / "sway.conf"
    config.write_text("xwayland disable\noutput HEADLESS-1 resolution 800x600\n")
    wayland = dict(env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
    sway = subprocess.Popen(as_user("sway", "-c", config), env=wayland, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        try:
            wait_until(lambda: any(p.name.startswith("wayland-") and not p.name.endswith(".lock")
                                   for p in home.runtime.iterdir()), 20, "sway")
        except AssertionError:
            pytest.skip("sway did not start headless here")
        socket = next(p.name for p in home.runtime.iterdir() if p.name.startswith("wayland-") and not p.name.endswith(".lock"))
        shown = dict(env, WAYLAND_DISPLAY=socket)
        subprocess.Popen(as_user("foot", "sleep", "60"), env=shown, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shot = home.root / "foot.ppm"

        def shows_the_theme():
            subprocess.run(as_user("grim", "-t", "ppm", shot), env=shown, capture_output=True, timeout=30)
            picture = read_ppm(shot.read_bytes()) if shot.exists() else None
            return picture and pixel(picture, picture[0] // 2, picture[1] // 2) == NORD_BACKGROUND
        wait_until(shows_the_theme, 20, "a foot window in nord")
    finally:
        sway.kill()
        sway.wait()


def test_a_new_alacritty_window_shows_the_theme(own_user):
    for program in ("alacritty", "Xvfb", "import"):
        if shutil.which(program) is None:
            pytest.skip(f"{program} is not installed")
    wrapper = next((p for p in [Path("/usr/lib/x86_64-linux-gnu/libnss_wrapper.so"), Path("/usr/lib/libnss_wrapper.so")]
                    if p.exists()), None)
    if wrapper is None:
        pytest.skip("libnss-wrapper is not installed: alacritty needs a passwd entry for its user")
    own_user.own_everything()
    uid, home, as_user = own_user.uid, own_user.home, own_user.command
    env = home.env(reach_terminals=True, PATH="/usr/bin:/bin")
    assert subprocess.run(as_user(own_user.tintwell, "--theme", "nord"), env=env, capture_output=True,
                          timeout=60).returncode == 0
    config = (home.config / "alacritty/alacritty.yml").read_text()
    assert config == f'import:\n  - "{home.config}/morvane/themes/current/alacritty.yml"\n', config
    (home.root / "passwd").write_text(f"tester:x:{uid}:{uid}::{home.home}:/bin/sh\n")
    (home.root / "group").write_text(f"tester:x:{uid}:\n")
    number = 70 + os.getpid() % 20
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(0.5)
        shown = dict(env, DISPLAY=f":{number}", LIBGL_ALWAYS_SOFTWARE="1", WINIT_UNIX_BACKEND="x11",
                     LD_PRELOAD=str(wrapper), NSS_WRAPPER_PASSWD=str(home.root / "passwd"),
                     NSS_WRAPPER_GROUP=str(home.root / "group"))
        log = home.root / "alacritty.log"
        with open(log, "w") as out:
            window = subprocess.Popen(as_user("alacritty", "-e", "sleep", "60"), env=shown, stdout=out,
                                      stderr=subprocess.STDOUT)
        try:
            wait_until(lambda: pixel(x_screenshot(f":{number}"), 100, 100) == NORD_BACKGROUND, 30,
                       "an alacritty window in nord")
        except AssertionError:
            if window.poll() is not None:
                pytest.skip(f"alacritty did not start under Xvfb here: {log.read_text()[-300:]}")
            raise
        window.kill()
        window.wait()
        assert "ERROR" not in log.read_text() and "WARN" not in log.read_text(), log.read_text()
    finally:
        server.terminate()
        server.wait()
