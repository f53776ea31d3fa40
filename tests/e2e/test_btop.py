"""btop theming against the real btop, in tmux."""

import shutil
import subprocess
import time

import pytest

from conftest import Terminal

COMPLETE = "".join(["background #123456\nforeground #fedcba\n"] + [f"color{i} #{i:02x}{i:02x}{i:02x}\n" for i in range(16)])


def btop_pids():
    return set(subprocess.run(["pgrep", "-x", "btop"], capture_output=True, text=True).stdout.split())


def test_real_btop_shows_the_theme_and_survives_a_second_apply(home, tmp_path):
    if shutil.which("btop", path="/usr/bin:/bin") is None or shutil.which("tmux") is None:
        pytest.skip("btop or tmux is not installed; cannot check the real btop")
    conf = home.config / "btop/btop.conf"
    conf.parent.mkdir(parents=True)
    conf.write_text("truecolor = True\ncolor_theme = \"Default\"\n")  # 24-bit colours only with truecolor
    (tmp_path / "profile").mkdir()
    (tmp_path / "profile/kitty.conf").write_text(COMPLETE)
    real_path = "/usr/bin:/bin"
    theme = home.tool("btop-prepare", str(tmp_path / "profile")).stdout
    assert home.tool("btop-apply", input=theme, PATH=real_path).returncode == 0
    terminal = Terminal(home, columns=120, rows=40, env={"PATH": real_path})
    try:
        before = btop_pids()
        terminal.run("btop")
        deadline, seen = time.monotonic() + 15, ""
        while time.monotonic() < deadline and "48;2;18;52;86" not in seen:
            seen = terminal.tmux("capture-pane", "-e", "-p", "-t", "main").stdout
            time.sleep(0.2)
        if "48;2;18;52;86" not in seen and "cpu" not in seen.lower():
            pytest.skip("btop did not start in this environment:\n" + seen[-500:])
        assert "48;2;18;52;86" in seen, "the theme's main_bg #123456 should reach the screen"
        ours = btop_pids() - before
        assert ours, "btop should be running"
        # A btop too old to reload on SIGUSR2 must not be signalled.
        again = home.tool("btop-apply", input=theme, PATH=real_path)
        if b"1.2." in subprocess.run(["btop", "--version"], capture_output=True).stdout:
            assert again.stdout == b"btop theme saved; reopen btop to load it\n"
        time.sleep(1.0)
        assert ours <= btop_pids(), "btop must survive the apply"
        terminal.type("q")
    finally:
        terminal.close()
