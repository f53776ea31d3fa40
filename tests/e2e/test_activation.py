"""Theme activation end to end: Enter in the Switcher over real users'
configuration files, with fake kitty, hyprctl, code, btop, id, pkill and ya;
and the failure messages through the test driver."""

import json
import re
import time
import tomllib

import pytest

from conftest import DATA, start_switcher

REAL = DATA / "real-configs"
BEGIN = "/* tintwell colors begin */"
END = "/* tintwell colors end */"
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


def install_user_files(home):
    if not REAL.is_dir():
        pytest.skip(f"real configuration files not found in {REAL}")
    originals = {}
    for target, source in USER_FILES.items():
        path = home.config / target
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes((REAL / source).read_bytes())
        originals[target] = path.read_bytes()
    return originals


def outside_block(text):
    begin = text.index(BEGIN)
    return text[:begin] + text[text.index(END, begin) + len(END):]


def activate_in_switcher(terminal, name):
    terminal.type("/")
    terminal.wait_for(lambda s: s[0].endswith("▌"))
    terminal.send("Escape")  # an empty filter to start from
    terminal.wait_for(lambda s: s[0] == " themes  wallpapers")
    terminal.type("/" + name)
    terminal.wait_for(lambda s: s[0].endswith(f"/ {name}▌"))
    terminal.send("Enter")
    terminal.send("Enter")
    return terminal.wait_for(lambda s: any(f" Activated theme: {name}" in line or " ⚠ " in line for line in s))


def test_two_activations_over_real_files(home, terminal_factory):
    originals = install_user_files(home)
    terminal = terminal_factory(columns=200, rows=40, env=FAKE_DESKTOP)
    start_switcher(terminal)
    screen = activate_in_switcher(terminal, "catppuccin-mocha")
    assert " ✓ Activated theme: catppuccin-mocha · installing 2 VS Code extension(s)" in screen
    active = home.config / "morvane/themes/.active"
    colors = active / "colors.conf"
    # (curl runs only for the theme list: the index is not cached here)
    deadline = time.monotonic() + 10  # the installs are not waited for
    while sum(line.startswith("code\t") for line in home.fake_log()) < 2 and time.monotonic() < deadline:
        time.sleep(0.05)
    log = [line for line in home.fake_log() if not line.startswith("curl")]
    assert log[:6] == [
        "hyprctl\treload",
        f"kitty\t@\tset-colors\t--all\t--configured\t{colors}",
        "id\t-u", "btop\t--version", "pkill\t-USR2\t-u\t1000\t-x\tbtop",
        "ya\temit-to\t0\tapp:theme",
    ]
    # The installs run side by side, not waited for.
    assert sorted(log[6:]) == [
        "code\t--install-extension\tCatppuccin.catppuccin-vsc\t--force",
        "code\t--install-extension\tCatppuccin.catppuccin-vsc-icons\t--force",
    ]
    baselines = {p.name: p.read_bytes() for p in active.glob("baseline-*")}
    assert len(baselines) == 4

    screen = activate_in_switcher(terminal, "nord")
    assert " ✓ Activated theme: nord · installing 1 VS Code extension(s)" in screen
    assert {p.name: p.read_bytes() for p in active.glob("baseline-*")} == baselines  # written once

    config = home.config
    kitty = (config / "kitty/kitty.conf").read_bytes()
    assert kitty.startswith(originals["kitty/kitty.conf"])
    assert kitty.count(b"include ../morvane/themes/current/kitty.conf") == 1
    for css in ("gtk-3.0/gtk.css", "gtk-4.0/gtk.css", "waybar/style.css"):
        text = (config / css).read_text()
        assert text.count(BEGIN) == 1 and text.count(END) == 1, css
        assert outside_block(text) == originals[css].decode() + "\n\n", css
    nord_gtk = (config / "gtk-3.0/gtk.css").read_text()
    assert "#2e3440" in nord_gtk and "#1e1e2e" not in nord_gtk.split(BEGIN)[1]

    code = (config / "Code/User/settings.json").read_text()
    assert code == originals["Code/User/settings.json"].decode().replace('"Catppuccin Frappé"', '"Nord"')
    codium = (config / "VSCodium/User/settings.json").read_text()
    assert codium == originals["VSCodium/User/settings.json"].decode().replace('"Tokyo Night Storm"', '"Nord"')

    btop = (config / "btop/btop.conf").read_text().splitlines()
    before = originals["btop/btop.conf"].decode().splitlines()
    assert [line for line in btop if not line.startswith("color_theme")] == \
        [line for line in before if not line.startswith("color_theme")]
    assert 'color_theme = "morvane"' in btop

    yazi = config / "yazi/theme.toml"
    assert (config / "yazi/theme.toml.before-tintwell").read_bytes() == originals["yazi/theme.toml"]
    assert tomllib.loads(yazi.read_text())["flavor"]["dark"] == "morvane"
    assert json.loads((active / "vscode.json").read_text()) == {"workbench.colorTheme": "Nord"}


def test_failure_messages_and_the_launcher_note(home, tmp_path):
    themes = home.config / "morvane/themes"
    env = FAKE_DESKTOP
    cases = [
        ("../x", "invalid theme name"),
        ("Unknown Theme", "no theme profile for Unknown Theme"),
    ]
    for name, message in cases:
        result = home.tool("activate", name, **env)
        assert result.returncode == 1 and result.stderr.decode() == message + "\n"

    (themes / "half").mkdir(parents=True)
    (themes / "half/kitty.conf").write_text("background #000000\n")
    result = home.tool("activate", "half", **env)
    assert result.stderr.decode() == \
        "could not prepare btop theme: profile has no btop theme or complete kitty palette\n"
    (themes / "half/btop.theme").write_text("theme[main_bg]=\"#000000\"\n")
    result = home.tool("activate", "half", **env)
    assert result.stderr.decode() == "could not prepare Yazi theme: Yazi requires a complete terminal palette\n"

    (home.config / "gtk-4.0").mkdir(parents=True)
    (home.config / "gtk-4.0/gtk.css").write_text(BEGIN + "\n")
    result = home.tool("activate", "nord", **env)
    assert result.stderr.decode() == f"could not apply theme: {home.config}/gtk-4.0/gtk.css: unfinished tintwell CSS block\n"
    (home.config / "gtk-4.0/gtk.css").unlink()

    (home.config / "btop").write_text("not a directory")
    result = home.tool("activate", "nord", **env)
    assert result.stderr.decode() == \
        f"could not apply theme: {home.config}/btop/btop.conf: Not a directory (os error 20)\n"
    assert not (themes / ".active").exists(), "known before anything was written"
    (home.config / "btop").unlink()

    (home.runtime / "app-launcher-kitty.sock").write_text("")  # stands for the socket
    result = home.tool("activate", "nord", FAKE_KITTY_FAIL_ARG="--to=unix:" + str(home.runtime / "app-launcher-kitty.sock"),
                       FAKE_KITTY_FAIL_STDERR="Error: refused\\n", **env)
    assert result.returncode == 0
    assert result.stdout.decode() == ("Activated theme: nord · launcher colors could not be refreshed: "
                                      "Kitty exited with exit status: 1: Error: refused · installing 1 VS Code extension(s)\n")


def test_active_hyprland_file_runs_in_lua(home):
    import shutil
    import subprocess
    if shutil.which("lua5.4") is None:
        pytest.skip("lua5.4 is not installed")
    result = home.tool("activate", "tokyo-night", **FAKE_DESKTOP)
    assert result.returncode == 0, result.stderr
    active = home.config / "morvane/themes/.active"
    (active / "baseline-hyprland.lua").write_text("baseline_loaded = true\n")
    stub = ('hl = {config = function(t) assert(baseline_loaded); '
            'print(t.general.col.active_border, t.general.col.inactive_border) end}')
    out = subprocess.run(["lua5.4", "-e", stub, str(active / "hyprland.lua")], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == ["rgba(7aa2f7aa)", "rgba(15161eaa)"]
    assert re.match(r'dofile\("(\\\d{3})+"\)', (active / "hyprland.lua").read_text())
