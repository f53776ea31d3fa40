"""The interactive Switcher in a real terminal (tmux)."""

import re
import subprocess

from conftest import HINTS_THEMES, HINTS_WALLPAPERS, TINTWELL, fit, start_switcher


def terminal_is_usable(terminal):
    """Main screen, visible cursor, echo and line editing back."""
    assert terminal.display("#{alternate_on}") == "0"
    assert terminal.display("#{cursor_flag}") == "1"
    terminal.run("for f in echo icanon isig; do stty -a | grep -qw -- -$f && echo o''ff:$f; done; echo che''cked")
    screen = terminal.wait_for(lambda s: "checked" in s)
    assert not any("off:" in line for line in screen if not line.startswith("$")), screen
    terminal.run("echo typed-$((6*7))")
    terminal.wait_for("typed-42")


BUILTINS = ["catppuccin-latte", "catppuccin-mocha", "dracula", "everforest-dark", "gruvbox-dark", "nord",
            "rose-pine", "solarized-dark", "tokyo-night"]


def test_first_screen_lists_the_themes(home, terminal_factory):
    (home.config / "morvane/themes/Zeta").mkdir(parents=True)
    (home.config / "morvane/themes/Zeta/kitty.conf").write_text(
        "background #102030\nforeground #405060\ncolor0 #ff0000\ncolor1 #00ff00\n")
    terminal = terminal_factory(columns=100, rows=30)
    screen = start_switcher(terminal)
    assert terminal.display("#{alternate_on}") == "1"
    assert terminal.display("#{cursor_flag}") == "0"
    assert screen[0] == " themes  wallpapers"
    assert screen[1] == "─" * 100
    # Byte order: upper case first.
    names = [line[2:].rstrip() for line in screen[2:12]]
    assert names == ["Zeta"] + BUILTINS
    assert screen[2].startswith("▌ Zeta")
    assert screen[18] == "─" * 100
    assert screen[20] == " bg #102030   fg #405060"
    assert screen[22].startswith("  Preview / Zeta")
    assert screen[29] == HINTS_THEMES
    colours = terminal.tmux("capture-pane", "-e", "-p", "-t", "main").stdout.split("\n")[19]
    assert "48;2;255;0;0m" in colours and "48;2;0;255;0m" in colours
    terminal.send("Down")
    screen = terminal.wait_for(lambda s: s[3].startswith("▌ catppuccin-latte"))
    assert screen[20] == " bg #eff1f5   fg #4c4f69"


def test_hostile_profile_name_is_drawn_safely(home, terminal_factory):
    hostile = "evil\x1b[2J\x07name"
    (home.config / "morvane/themes" / hostile).mkdir(parents=True)
    terminal = terminal_factory(columns=80, rows=24)
    screen = start_switcher(terminal)
    assert screen[0] == " themes  wallpapers"
    assert screen[6].startswith("  evil\ufffd[2J\ufffdname")
    assert screen[5].startswith("  everforest-dark") and screen[7].startswith("  gruvbox-dark")
    assert screen[23] == HINTS_THEMES
    assert screen[1] == "─" * 80


def test_filter_typing_enter_and_esc(terminal_factory):
    terminal = terminal_factory(columns=80, rows=24)
    start_switcher(terminal)
    terminal.type("/NORD")
    screen = terminal.wait_for("/ NORD▌")
    assert screen[0] == " themes  wallpapers   / NORD▌"
    assert screen[2].startswith("▌ nord")
    assert screen[3] == ""
    assert screen[23] == " type to filter · ⏎ keep · esc clear"
    terminal.send("Enter")
    screen = terminal.wait_for(lambda s: s[0].endswith("/ NORD"))
    assert screen[23] == HINTS_THEMES
    terminal.type("/q")
    screen = terminal.wait_for("/ NORDq▌")  # q is part of the filter while editing
    assert screen[2] == '  no themes match "NORDq"'
    terminal.send("BSpace")
    terminal.wait_for("/ NORD▌")
    terminal.send("Escape")
    screen = terminal.wait_for(lambda s: s[0] == " themes  wallpapers" and s[23] == HINTS_THEMES)
    assert screen[2].startswith("▌ catppuccin-latte")
    # Esc in normal mode then quits.
    terminal.send("Escape")
    terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
    terminal_is_usable(terminal)


def test_tab_switches_sections(terminal_factory):
    terminal = terminal_factory(columns=80, rows=24)
    start_switcher(terminal)
    terminal.send("Tab")
    screen = terminal.wait_for(HINTS_WALLPAPERS)
    assert screen[2] == "  no images in ~/Pictures/Wallpapers or ~/.config/morvane/wallpapers"
    terminal.type("/")  # nothing in the wallpapers section
    terminal.send("Right")
    screen = terminal.wait_for(HINTS_THEMES)
    assert screen[0] == " themes  wallpapers"


def test_every_quit_key_gives_the_terminal_back(terminal_factory):
    for keys in (["q"], ["Escape"], ["C-c"], ["/", "a", "b", "C-c"]):  # the last in filter mode
        terminal = terminal_factory(columns=60, rows=20)
        start_switcher(terminal)
        terminal.send(*keys)
        terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
        terminal.run("echo status=$?")
        terminal.wait_for("status=0")
        terminal_is_usable(terminal)


def switcher_pid(terminal):
    pane_pid = terminal.display("#{pane_pid}")
    children = subprocess.run(["pgrep", "-P", pane_pid], capture_output=True, text=True).stdout.split()
    assert children, "the switcher should run under the shell"
    return children[0]


def test_ending_signals_give_the_terminal_back(terminal_factory):
    for signal, status in (("TERM", 143), ("USR1", 138), ("SEGV", 139), ("ALRM", 142)):
        terminal = terminal_factory(columns=60, rows=20)
        start_switcher(terminal)
        subprocess.run(["kill", f"-{signal}", switcher_pid(terminal)], check=True)
        terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
        terminal.run("echo status=$?")
        terminal.wait_for(f"status={status}")
        terminal_is_usable(terminal)


def test_stopped_from_outside_and_continued(terminal_factory):
    terminal = terminal_factory(columns=60, rows=20)
    start_switcher(terminal)
    pid = switcher_pid(terminal)
    subprocess.run(["kill", "-TSTP", pid], check=True)
    terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
    terminal.wait_for("Stopped")
    terminal.run("fg")
    terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "1" and s[-1].startswith(" tab/"))
    terminal.type("j")
    terminal.wait_for(lambda s: s[3].startswith("▌ "))
    terminal.type("q")
    terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
    terminal_is_usable(terminal)


def test_a_closed_output_ends_with_an_error(home, tmp_path):
    # Writing the screen into a pipe nobody reads: the error path, not SIGPIPE.
    script = tmp_path / "run.sh"
    script.write_text(f"{TINTWELL} | head -c 10 > /dev/null; echo \"${{PIPESTATUS[0]}}\"\n")
    # Keys make frames after head has gone: a later write must fail.
    result = subprocess.run(["script", "-qec", f"bash {script}", "/dev/null"], capture_output=True, text=True,
                            input="jk" * 2000, env=home.env(TERM="xterm-256color"), timeout=30)
    assert result.stdout.strip().splitlines()[-1].strip() == "1", result.stdout[-300:]
    assert "Error: Broken pipe (os error 32)" in result.stdout


def test_shrinking_below_the_minimum_and_growing_again(terminal_factory):
    terminal = terminal_factory(columns=80, rows=24)
    start_switcher(terminal)
    terminal.resize(29, 24)
    terminal.wait_for(lambda s: all(line.strip() == "" for line in s))
    terminal.resize(80, 8)
    terminal.wait_for(lambda s: all(line.strip() == "" for line in s))
    terminal.resize(30, 9)
    screen = terminal.wait_for(lambda s: s[0] == " themes  wallpapers" and s[8].startswith(" tab"))
    assert screen[8] == " tab/←→ section · ↑↓ move · ⏎…"
    terminal.resize(90, 26)
    screen = terminal.wait_for(lambda s: len(s) == 26 and s[25] == HINTS_THEMES)
    assert re.fullmatch("─{90}", screen[1])
