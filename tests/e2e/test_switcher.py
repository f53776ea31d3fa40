"""The interactive Switcher in a real terminal (tmux): what only the whole
program shows, the terminal given back on every way out."""

import subprocess

from conftest import HINTS_THEMES, HINTS_WALLPAPERS, TINTWELL, start_switcher


def terminal_is_usable(terminal):
    """Main screen, visible cursor, echo and line editing back."""
    assert terminal.display("#{alternate_on}") == "0" and terminal.display("#{cursor_flag}") == "1"
    terminal.run("for f in echo icanon isig; do stty -a | grep -qw -- -$f && echo o''ff:$f; done; echo che''cked")
    screen = terminal.wait_for(lambda s: "checked" in s)
    assert not any("off:" in line for line in screen if not line.startswith("$")), screen


def test_the_screen_in_a_real_terminal(home, terminal_factory):
    (home.config / "morvane/themes/Zeta").mkdir(parents=True)
    (home.config / "morvane/themes/Zeta/kitty.conf").write_text("background #102030\nforeground #405060\ncolor0 #ff0000\n")
    (home.config / "morvane/themes/evil\x1b[2J\x07name").mkdir(parents=True)  # drawn safely
    terminal = terminal_factory(columns=100, rows=30)
    start_switcher(terminal)
    # No index cached and none to download here: the status line says why the list is short.
    screen = terminal.wait_for("kitty themes index unavailable: 11 local themes shown (network or curl)")
    assert terminal.display("#{alternate_on}") == "1" and terminal.display("#{cursor_flag}") == "0"
    assert screen[0] == " themes  wallpapers" and screen[1] == "─" * 100 and screen[29] == HINTS_THEMES
    assert screen[2].startswith("▌ Zeta") and screen[3].startswith("  catppuccin-latte")  # byte order
    assert screen[7].startswith("  evil\ufffd[2J\ufffdname")
    assert screen[19] == " bg #102030   fg #405060" and screen[21].startswith("  Preview / Zeta")
    assert "48;2;255;0;0m" in terminal.tmux("capture-pane", "-e", "-p", "-t", "main").stdout.split("\n")[18]
    terminal.type("/NORD")
    screen = terminal.wait_for("/ NORD▌")
    assert screen[2].startswith("▌ nord") and screen[29] == " type to filter · ⏎ keep · esc clear"
    terminal.send("Escape")
    terminal.wait_for(lambda s: s[0] == " themes  wallpapers")
    terminal.send("Tab")
    terminal.wait_for(HINTS_WALLPAPERS)
    terminal.resize(29, 24)  # too small: only cleared
    terminal.wait_for(lambda s: all(line.strip() == "" for line in s))
    terminal.resize(90, 26)
    terminal.wait_for(lambda s: len(s) == 26 and s[25] == HINTS_WALLPAPERS and s[1] == "─" * 90)


def test_every_way_out_gives_the_terminal_back(terminal_factory):
    # Quit keys (the last in filter mode), then signals that end it.
    ways = [(["q"], None, 0), (["Escape"], None, 0), (["C-c"], None, 0), (["/", "a", "C-c"], None, 0),
            ([], "TERM", 143), ([], "USR1", 138), ([], "SEGV", 139), ([], "ALRM", 142)]
    for keys, signal, status in ways:
        terminal = terminal_factory(columns=60, rows=20)
        start_switcher(terminal)
        if keys:
            terminal.send(*keys)
        else:
            subprocess.run(["kill", f"-{signal}", switcher_pid(terminal)], check=True)
        terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
        terminal.run("echo status=$?")
        terminal.wait_for(f"status={status}")
        terminal_is_usable(terminal)


def switcher_pid(terminal):
    children = subprocess.run(["pgrep", "-P", terminal.display("#{pane_pid}")], capture_output=True,
                              text=True).stdout.split()
    assert children, "the switcher should run under the shell"
    return children[0]


def test_a_kitty_at_killed_at_its_limit_gives_the_terminal_modes_back(terminal_factory):
    # Before: a kitty @ that took the terminal and never answered left it in raw mode.
    terminal = terminal_factory(env={"FAKE_KITTY_RAW_TTY": "1", "FAKE_KITTY_SLEEP": "30"})
    terminal.run(f"TERM=xterm-kitty KITTY_WINDOW_ID=1 {TINTWELL} --theme nord; echo do''ne")
    terminal.wait_for(lambda s: any(line.startswith("done") for line in s), timeout=20)
    terminal_is_usable(terminal)


def test_stopped_from_outside_and_continued(terminal_factory):
    terminal = terminal_factory(columns=60, rows=20)
    start_switcher(terminal)
    subprocess.run(["kill", "-TSTP", switcher_pid(terminal)], check=True)
    terminal.wait_for("Stopped")
    assert terminal.display("#{alternate_on}") == "0"
    terminal.run("fg")
    terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "1" and s[-1].startswith(" tab/"))
    terminal.type("jq")
    terminal.wait_for(lambda s: terminal.display("#{alternate_on}") == "0")
    terminal_is_usable(terminal)


def test_a_closed_output_ends_with_an_error(home, tmp_path):
    # Writing the screen into a pipe nobody reads: the error path, not SIGPIPE.
    script = tmp_path / "run.sh"
    script.write_text(f"{TINTWELL} | head -c 10 > /dev/null; echo \"status:${{PIPESTATUS[0]}}.\"\n")
    # Keys make frames after head has gone: a later write must fail.
    result = subprocess.run(["script", "-qec", f"bash {script}", "/dev/null"], capture_output=True, text=True,
                            input="jk" * 2000, env=home.env(TERM="xterm-256color"), timeout=30)
    # Keys still unread when it ends are echoed around the status line.
    assert "status:1." in result.stdout, result.stdout[-300:]
    assert "Error: Broken pipe (os error 32)" in result.stdout
