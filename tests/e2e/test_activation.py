"""Theme activation end to end: Enter in the Switcher over real users'
configuration files, with fake kitty, hyprctl, code, btop, id, pkill and
ya; and the active Hyprland file run by the real Lua."""

import json
import re
import shutil
import subprocess
import time
import tomllib

import pytest

from conftest import DATA, start_switcher

BEGIN, END = "/* tintwell colors begin */", "/* tintwell colors end */"
FAKE_DESKTOP = {"HYPRLAND_INSTANCE_SIGNATURE": "sig", "KITTY_WINDOW_ID": "1", "FAKE_ID_STDOUT": "1000\\n",
                "FAKE_BTOP_STDOUT": "btop version: 1.4.0\\n"}
USER_FILES = {
    "kitty/kitty.conf": "kitty/07-Aechewhy-arch-dotfiles.conf",
    "gtk-3.0/gtk.css": "gtk/01-0xSilverest-dotFiles.css",
    "gtk-4.0/gtk.css": "gtk/15-ChausseBenjamin-dotfiles.css",
    "waybar/style.css": "waybar/11-AccursedGalaxy-dotfiles.css",
    "Code/User/settings.json": "vscode/22-FelipeCybis-dotfiles.json",
    "VSCodium/User/settings.json": "vscode/16-AlbertoVf-dotfiles.json",
    "btop/btop.conf": "btop/15-debian-btop-1.2.13-default.conf",
    "yazi/theme.toml": "yazi/11-AVER3LL-dots.toml",
}


def activate_in_switcher(terminal, name):
    terminal.type("/" + name)
    terminal.wait_for(lambda s: s[0].endswith(f"/ {name}▌"))
    terminal.send("Enter")
    terminal.send("Enter")
    screen = terminal.wait_for(lambda s: any(f" Activated theme: {name}" in line or " ⚠ " in line for line in s))
    terminal.type("/")
    terminal.wait_for(lambda s: s[0].endswith("▌"))
    terminal.send("Escape")  # an empty filter for the next one
    terminal.wait_for(lambda s: s[0] == " themes  wallpapers")
    return screen


def test_two_activations_over_real_files(home, terminal_factory):
    if not (DATA / "real-configs").is_dir():
        pytest.skip(f"real configuration files not found in {DATA}")
    originals = {}
    for target, source in USER_FILES.items():
        (home.config / target).parent.mkdir(parents=True, exist_ok=True)
        originals[target] = (DATA / "real-configs" / source).read_bytes()
        (home.config / target).write_bytes(originals[target])
    terminal = terminal_factory(columns=200, rows=40, env=FAKE_DESKTOP)
    start_switcher(terminal)
    screen = activate_in_switcher(terminal, "catppuccin-mocha")
    assert " ✓ Activated theme: catppuccin-mocha · installing 2 VS Code extension(s)" in screen
    active = home.config / "morvane/themes/.active"
    deadline = time.monotonic() + 10  # the installs are not waited for
    while sum(line.startswith("code\t") for line in home.fake_log()) < 2 and time.monotonic() < deadline:
        time.sleep(0.05)
    log = [line for line in home.fake_log() if not line.startswith("curl")]
    assert log[:6] == ["hyprctl\treload", f"kitty\t@\tset-colors\t--all\t--configured\t{active / 'colors.conf'}",
                       "id\t-u", "btop\t--version", "pkill\t-USR2\t-u\t1000\t-x\tbtop", "ya\temit-to\t0\tapp:theme"]
    assert sorted(log[6:]) == ["code\t--install-extension\tCatppuccin.catppuccin-vsc\t--force",
                               "code\t--install-extension\tCatppuccin.catppuccin-vsc-icons\t--force"]
    baselines = {p.name: p.read_bytes() for p in active.glob("baseline-*")}
    assert len(baselines) == 4

    screen = activate_in_switcher(terminal, "nord")
    assert " ✓ Activated theme: nord · installing 1 VS Code extension(s)" in screen
    assert {p.name: p.read_bytes() for p in active.glob("baseline-*")} == baselines, "written once"
    # Every byte outside what we own is the user's.
    config = home.config
    kitty = (config / "kitty/kitty.conf").read_bytes()
    assert kitty.startswith(originals["kitty/kitty.conf"])
    assert kitty.count(b"include ../morvane/themes/current/kitty.conf") == 1
    for css in ("gtk-3.0/gtk.css", "gtk-4.0/gtk.css", "waybar/style.css"):
        text = (config / css).read_text()
        assert text.count(BEGIN) == 1 and text.count(END) == 1, css
        begin = text.index(BEGIN)
        assert text[:begin] + text[text.index(END) + len(END):] == originals[css].decode() + "\n\n", css
    assert "#2e3440" in (config / "gtk-3.0/gtk.css").read_text().split(BEGIN)[1]
    for editor, old in (("Code", "Catppuccin Frappé"), ("VSCodium", "Tokyo Night Storm")):
        settings = (config / editor / "User/settings.json").read_text()
        assert settings == originals[f"{editor}/User/settings.json"].decode().replace(f'"{old}"', '"Nord"')
    btop = (config / "btop/btop.conf").read_text().splitlines()
    before = originals["btop/btop.conf"].decode().splitlines()
    assert [line for line in btop if not line.startswith("color_theme")] == \
        [line for line in before if not line.startswith("color_theme")]
    assert 'color_theme = "morvane"' in btop
    assert (config / "yazi/theme.toml.before-tintwell").read_bytes() == originals["yazi/theme.toml"]
    assert tomllib.loads((config / "yazi/theme.toml").read_text())["flavor"]["dark"] == "morvane"
    assert json.loads((active / "vscode.json").read_text()) == {"workbench.colorTheme": "Nord"}


def test_active_hyprland_file_runs_in_lua(home):
    if shutil.which("lua5.4") is None:
        pytest.skip("lua5.4 is not installed")
    assert home.run("--theme", "tokyo-night", **FAKE_DESKTOP).returncode == 0
    active = home.config / "morvane/themes/.active"
    (active / "baseline-hyprland.lua").write_text("baseline_loaded = true\n")
    stub = ('hl = {config = function(t) assert(baseline_loaded); '
            'print(t.general.col.active_border, t.general.col.inactive_border) end}')
    out = subprocess.run(["lua5.4", "-e", stub, str(active / "hyprland.lua")], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == ["rgba(7aa2f7aa)", "rgba(15161eaa)"]
    assert re.match(r'dofile\("(\\\d{3})+"\)', (active / "hyprland.lua").read_text())
