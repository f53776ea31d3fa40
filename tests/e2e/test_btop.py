"""btop theming against the real btop, in tmux."""

import shutil
import subprocess
import time

import pytest

from conftest import Terminal

COMPLETE = "".join(
    ["background #123456\nforeground #fedcba\n"]
    + [f"color{i} #{i:02x}{i:02x}{i:02x}\n" for i in range(16)])


def make_profile(tmp_path, kitty=COMPLETE, btop_theme=None):
    profile = tmp_path / "profile"
    profile.mkdir()
    if kitty is not None:
        (profile / "kitty.conf").write_text(kitty)
    if btop_theme is not None:
        (profile / "btop.theme").write_text(btop_theme)
    return profile


def btop_pids():
    out = subprocess.run(["pgrep", "-x", "btop"], capture_output=True, text=True).stdout
    return set(out.split())


def test_real_btop_shows_the_theme_and_survives_a_second_apply(home, tmp_path):
    if shutil.which("btop", path="/usr/bin:/bin") is None or shutil.which("tmux") is None:
        pytest.skip("btop or tmux is not installed; cannot check the real btop")
    conf = home.config / "btop/btop.conf"
    conf.parent.mkdir(parents=True)
    # btop draws 24-bit theme colours only with truecolor on.
    conf.write_text("truecolor = True\ncolor_theme = \"Default\"\n")
    real_path = "/usr/bin:/bin"
    theme = home.tool("btop-prepare", str(make_profile(tmp_path))).stdout
    applied = home.tool("btop-apply", input=theme, PATH=real_path)
    assert applied.returncode == 0, applied.stderr

    terminal = Terminal(home, columns=120, rows=40, env={"PATH": real_path})
    try:
        before = btop_pids()
        terminal.run("btop")
        deadline = time.monotonic() + 15
        seen = ""
        while time.monotonic() < deadline:
            seen = terminal.tmux("capture-pane", "-e", "-p", "-t", "main").stdout
            if "48;2;18;52;86" in seen:
                break
            time.sleep(0.2)
        else:
            if "cpu" not in seen.lower():
                pytest.skip("btop did not start in this environment:\n" + seen[-500:])
        assert "48;2;18;52;86" in seen, "the theme's main_bg #123456 should reach the screen"
        ours = btop_pids() - before
        assert ours, "btop should be running"

        # A btop too old to reload on SIGUSR2 must not be signalled.
        again = home.tool("btop-apply", input=theme, PATH=real_path)
        assert again.returncode == 0
        if b"1.2." in subprocess.run(["btop", "--version"], capture_output=True).stdout:
            assert again.stdout == b"btop theme saved; reopen btop to load it\n"
        time.sleep(1.0)
        assert ours <= btop_pids(), "btop must survive the apply"
        terminal.type("q")
    finally:
        terminal.close()
