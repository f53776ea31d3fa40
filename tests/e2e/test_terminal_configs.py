"""New foot and alacritty windows open in the theme: foot 1.13 under a
headless sway (a screenshot with grim), and its own check of the edited
foot.ini; alacritty 0.11 under Xvfb (a screenshot), starting without a word
about its configuration. As a user id of the test's own: the activation
writes to that user's terminals."""

import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

from conftest import TINTWELL, Home, unused_uid

NORD_BACKGROUND = "#2e3440"


def as_user(uid):
    return ["setpriv", f"--reuid={uid}", f"--regid={uid}", "--clear-groups"]


@pytest.fixture
def user():
    if os.geteuid() != 0:
        pytest.skip("runs as a user id of its own, which needs root")
    uid = unused_uid()
    root = Path(tempfile.mkdtemp(prefix="tintwell-terminal-configs-"))
    home = Home(root)
    tintwell = shutil.copy(TINTWELL, root / "tintwell")
    subprocess.run(["chown", "-R", f"{uid}:{uid}", str(root)], check=True)
    yield uid, home, tintwell
    subprocess.run(["pkill", "-KILL", "-u", str(uid)], capture_output=True)
    shutil.rmtree(root, ignore_errors=True)


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def test_a_new_foot_window_shows_the_theme(user):
    for program in ("foot", "sway", "grim"):
        if shutil.which(program) is None:
            pytest.skip(f"{program} is not installed")
    uid, home, tintwell = user
    env = home.env(reach_terminals=True, PATH="/usr/bin:/bin")
    applied = subprocess.run([*as_user(uid), tintwell, "--theme", "nord"], env=env, capture_output=True, text=True,
                             timeout=60)
    assert applied.returncode == 0, applied.stderr
    foot_ini = home.config / "foot/foot.ini"
    assert foot_ini.read_text() == f"include={home.config}/morvane/themes/current/foot.ini\n"
    checked = subprocess.run([*as_user(uid), "foot", "--check-config", "-c", str(foot_ini)], env=env,
                             capture_output=True, text=True, timeout=30)
    assert checked.returncode == 0, checked.stderr
    config = home.root / "sway.conf"
    config.write_text("xwayland disable\noutput HEADLESS-1 resolution 800x600\n")
    wayland = dict(env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
    sway = subprocess.Popen([*as_user(uid), "sway", "-c", str(config)], env=wayland, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        try:
            wait_until(lambda: any(p.name.startswith("wayland-") and not p.name.endswith(".lock")
                                   for p in home.runtime.iterdir()), 20, "sway")
        except AssertionError:
            pytest.skip("sway did not start headless here")
        socket = next(p.name for p in home.runtime.iterdir() if p.name.startswith("wayland-") and not p.name.endswith(".lock"))
        shown = dict(env, WAYLAND_DISPLAY=socket)
        foot = subprocess.Popen([*as_user(uid), "foot", "sleep", "60"], env=shown, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        shot = home.root / "foot.ppm"

        def shows_the_theme():
            subprocess.run([*as_user(uid), "grim", "-t", "ppm", str(shot)], env=shown, capture_output=True, timeout=30)
            if not shot.exists():
                return False
            data = shot.read_bytes()
            _, width, height, rest = data.split(maxsplit=3)
            pixels = rest.split(b"\n", 1)[1]
            x, y = int(width) // 2, int(height) // 2
            return "#%02x%02x%02x" % tuple(pixels[3 * (y * int(width) + x):3 * (y * int(width) + x) + 3]) == NORD_BACKGROUND
        wait_until(shows_the_theme, 20, "a foot window in nord")
        foot.kill()
    finally:
        sway.kill()
        sway.wait()


def test_a_new_alacritty_window_shows_the_theme(user):
    for program in ("alacritty", "Xvfb", "import"):
        if shutil.which(program) is None:
            pytest.skip(f"{program} is not installed")
    wrapper = next((p for p in [Path("/usr/lib/x86_64-linux-gnu/libnss_wrapper.so"), Path("/usr/lib/libnss_wrapper.so")]
                    if p.exists()), None)
    if wrapper is None:
        pytest.skip("libnss-wrapper is not installed: alacritty needs a passwd entry for its user")
    uid, home, tintwell = user
    env = home.env(reach_terminals=True, PATH="/usr/bin:/bin")
    assert subprocess.run([*as_user(uid), tintwell, "--theme", "nord"], env=env, capture_output=True,
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
            window = subprocess.Popen([*as_user(uid), "alacritty", "-e", "sleep", "60"], env=shown, stdout=out,
                                      stderr=subprocess.STDOUT)

        def shows_the_theme():
            grab = subprocess.run(["import", "-window", "root", "-display", f":{number}", "-depth", "8", "ppm:-"],
                                  capture_output=True, timeout=30).stdout
            _, width, _, rest = grab.split(maxsplit=3)
            pixels = rest.split(b"\n", 1)[1]
            x, y = 100, 100
            return "#%02x%02x%02x" % tuple(pixels[3 * (y * int(width) + x):3 * (y * int(width) + x) + 3]) == NORD_BACKGROUND
        try:
            wait_until(shows_the_theme, 30, "an alacritty window in nord")
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
