"""Every shipped template, rendered for a dark and a light built-in by a real activation, accepted
by its program where Debian has it; dunst's, zathura's and hyprlock's lines read as they read them."""

import json
import os
import re
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from conftest import Home

HERE = Path(__file__).parent
SHIPPED = ["dunst", "fuzzel", "hyprlock", "mako", "qt5ct", "rofi", "swaync", "tmux", "wofi", "zathura"]
QT_CHECK = """
import sys
from PyQt5.QtCore import QSettings
from PyQt5.QtGui import QColor
s = QSettings(sys.argv[1], QSettings.IniFormat)
print(*[sum(QColor(c.strip()).isValid() for c in s.value("ColorScheme/" + k)) for k in
        ("active_colors", "inactive_colors", "disabled_colors")])
"""


@pytest.fixture(scope="module", params=["nord", "catppuccin-latte"])
def rendered(request, tmp_path_factory):
    home = Home(tmp_path_factory.mktemp(request.param))
    out = home.root / "out"
    manifest = "".join(f'[[template]]\nsource = "builtin:{name}"\ntarget = "{out / name}"\n' for name in SHIPPED)
    (home.config / "morvane").mkdir(parents=True)
    (home.config / "morvane/templates.toml").write_text(manifest)
    checked = home.run("--check-templates", request.param)
    assert checked.returncode == 0 and checked.stdout.decode() == f"10 templates render for {request.param}\n"
    applied = home.run("--theme", request.param)
    assert applied.returncode == 0, applied.stderr
    return request.param, out


def need(*programs):
    for program in programs:
        if shutil.which(program) is None:
            pytest.skip(f"{program} is not installed")


def test_tmux_sources_it(rendered):
    need("tmux")
    _, out = rendered
    socket = f"tintwell-templates-{os.getpid()}"
    done = subprocess.run(["tmux", "-L", socket, "-f", "/dev/null", "start-server", ";", "source-file", str(out / "tmux")],
                          capture_output=True, text=True, timeout=30)
    subprocess.run(["tmux", "-L", socket, "kill-server"], capture_output=True)
    assert done.returncode == 0 and done.stdout + done.stderr == "", done.stdout + done.stderr


def test_fuzzel_and_mako_read_it_before_they_look_for_a_display(rendered, tmp_path):
    need("fuzzel", "mako")
    _, out = rendered
    fuzzel = subprocess.run(["fuzzel", "--config", str(out / "fuzzel")], capture_output=True, text=True, timeout=30,
                            env={"PATH": "/usr/bin:/bin", "XDG_RUNTIME_DIR": str(tmp_path)}, stdin=subprocess.DEVNULL)
    assert "failed to connect to wayland" in fuzzel.stderr and " err: config.c" not in fuzzel.stderr, fuzzel.stderr
    mako = subprocess.run(["mako", "-c", str(out / "mako")], capture_output=True, text=True, timeout=30,
                          env={"PATH": "/usr/bin:/bin", "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent"})
    assert "Failed to parse" not in mako.stderr and "user bus" in mako.stderr, mako.stderr


def test_rofi_dumps_it_under_xvfb(rendered):
    need("rofi", "Xvfb")
    theme, out = rendered
    number = 60 + os.getpid() % 30
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(0.5)
        dumped = subprocess.run(["rofi", "-no-config", "-theme", str(out / "rofi"), "-dump-theme"], capture_output=True,
                                text=True, timeout=30, env={"PATH": "/usr/bin:/bin", "DISPLAY": f":{number}",
                                                            "G_MESSAGES_DEBUG": "Parser", "HOME": str(out)})
    finally:
        server.terminate()
        server.wait()
    background = {"nord": "46, 52, 64", "catppuccin-latte": "239, 241, 245"}[theme]
    assert "Parser error" not in dumped.stderr, dumped.stderr
    assert re.search(rf"^\s*background:\s+rgba \( {background}, 100 % \);", dumped.stdout, re.M), dumped.stdout[:2000]


def test_qt_reads_the_whole_palette(rendered):
    _, out = rendered
    done = subprocess.run(["/usr/bin/python3", "-c", QT_CHECK, str(out / "qt5ct")], capture_output=True, text=True,
                          timeout=60)
    if done.returncode != 0 and "PyQt5" in done.stderr:
        pytest.skip("PyQt5 is not installed")
    assert done.stdout.split() == ["21", "21", "21"], done.stdout + done.stderr


def test_gtk_parses_the_wofi_and_swaync_stylesheets(rendered):
    _, out = rendered
    for name in ("wofi", "swaync"):
        got = subprocess.run(["/usr/bin/python3", str(HERE / "gtk_css_errors.py"), "3.0", str(out / name)],
                             capture_output=True, text=True, timeout=60)
        if got.returncode != 0:
            pytest.skip(f"GTK 3 cannot load stylesheets here: {got.stderr.strip()[-300:]}")
        assert json.loads(got.stdout) == [], (name, got.stdout)


def test_dunst_zathura_and_hyprlock_lines(rendered):
    _, out = rendered
    colour = r"#[0-9a-f]{6}"
    for line in (out / "dunst").read_text().splitlines():
        # dunst takes an unquoted # as a comment: every colour is quoted.
        if "=" in line and not line.lstrip().startswith("#"):
            value = line.split("=", 1)[1].strip()
            assert value == "frame" or re.fullmatch(f'"{colour}"', value), line
    for line in (out / "zathura").read_text().splitlines():
        assert line.startswith("#") or re.fullmatch(rf'set [a-z-]+ "{colour}"', line), line
    for line in (out / "hyprlock").read_text().splitlines():
        assert line.startswith("#") or re.fullmatch(r"\$tw_[a-z]+ = rgb\([0-9a-f]{6}\)", line), line
