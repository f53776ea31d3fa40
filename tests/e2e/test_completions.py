"""The completions in the real shells: options, theme names after --theme
(each name as one word, whatever it holds), files after --wallpaper."""

import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from conftest import TINTWELL

COMPLETIONS = Path(__file__).parents[2] / "completions"


@pytest.fixture
def shell_env(home, tmp_path):
    (home.config / "morvane/themes/Tokyo Night Storm").mkdir(parents=True)
    (tmp_path / "bin").mkdir()
    (tmp_path / "bin/tintwell").symlink_to(Path(TINTWELL).resolve())
    (tmp_path / "walls").mkdir()
    (tmp_path / "walls/sunset.png").write_bytes(b"x")
    return home.env(PATH=f"{tmp_path / 'bin'}:/usr/bin:/bin", FAKE_CURL_STATUS="6")


# Names that break naive completion: spaces (240 of the collection's 407
# names have one), quotes, a colon, glob and expansion characters, letters
# beyond ASCII. Each is typed in part, completed with Tab and run.
NAMES = ["1984 Dark", "it's mine", "a:b c", "star*", "$HOME", "back`tick`", "Ünïcode"]
TYPED = [("1984", "1984 Dark"), ("1984\\ ", "1984 Dark"), ("'19", "1984 Dark"), ("it", "it's mine"),
         ("a:", "a:b c"), ("sta", "star*"), ("\\$H", "$HOME"), ("back", "back`tick`"), ("Ün", "Ünïcode")]


def completed(shell, env, lines):
    """Each line typed in the real, interactive shell, completed with Tab and
    run; the words `tintwell` received for each."""
    socket = f"tintwell-completion-{os.getpid()}-{shell}"
    tmux = ["tmux", "-L", socket]
    setup = {"bash": f"source /usr/share/bash-completion/bash_completion; source {COMPLETIONS / 'tintwell.bash'}",
             "zsh": f"fpath=({COMPLETIONS} $fpath); autoload -U compinit; compinit -u -D"}[shell]
    command = ["env", "-i", *(f"{k}={v}" for k, v in env.items()), shell] + (["--norc", "--noprofile"] if shell == "bash"
                                                                           else ["-f"])
    subprocess.run([*tmux, "-f", "/dev/null", "new-session", "-d", "-x", "200", "-y", "50", *command], check=True)
    received = []
    try:
        def screen():
            return subprocess.run([*tmux, "capture-pane", "-p", "-S", "-", "-t", "0"], capture_output=True,
                                  text=True).stdout

        def wait_for(predicate):
            deadline = time.monotonic() + 10
            while not predicate(screen()):
                assert time.monotonic() < deadline, screen()
                time.sleep(0.02)
            return screen()

        def run(text, tab=True):
            before = screen().count("<END>")
            subprocess.run([*tmux, "send-keys", "-t", "0", "-l", text], check=True)
            if tab:
                # Tab once the shell shows the line, Enter once it shows the completion.
                typed = wait_for(lambda s: s.rstrip().endswith(text.rstrip()))
                subprocess.run([*tmux, "send-keys", "-t", "0", "Tab"], check=True)
                wait_for(lambda s: s != typed)
            subprocess.run([*tmux, "send-keys", "-t", "0", "Enter"], check=True)
            wait_for(lambda s: s.count("<END>") != before)
            return screen()
        run(setup + "; tintwell() { printf '<%s>\\n' \"$@\" END; }; tintwell", tab=False)
        for line in lines:
            out = run(line)
            words = out[out.rindex("<" + line.split()[1].split("=")[0]):out.rindex("<END>")]
            received.append([w[1:-1] for w in words.split("\n") if w.startswith("<")])
    finally:
        subprocess.run([*tmux, "kill-server"], capture_output=True)
    return received


@pytest.mark.parametrize("shell", ["bash", "zsh"])
def test_names_complete_to_one_word_in_the_real_shell(shell, shell_env, home, tmp_path):
    if shutil.which(shell) is None or shutil.which("tmux") is None:
        pytest.skip(f"{shell} or tmux is not installed")
    if shell == "bash" and not Path("/usr/share/bash-completion/bash_completion").exists():
        pytest.skip("bash-completion is not installed")
    for name in NAMES:
        (home.config / "morvane/themes" / name).mkdir(parents=True)
    (tmp_path / "walls/my wall [1].png").write_bytes(b"x")
    # A stale index and a network that hangs: completing never waits for it.
    shell_env = dict(shell_env, FAKE_CURL_SLEEP="30")
    lines = [f"tintwell --theme {typed}" for typed, _ in TYPED] + [
        "tintwell --theme=19", f"tintwell --wallpaper {tmp_path}/walls/my"]
    started = time.monotonic()
    got = completed(shell, shell_env, lines)
    assert got == [["--theme", name] for _, name in TYPED] + [
        ["--theme=1984 Dark"], ["--wallpaper", f"{tmp_path}/walls/my wall [1].png"]]
    assert time.monotonic() - started < 60
    assert not list(home.cache.rglob("*.part")), "nothing left behind"


def test_fish(shell_env, home, tmp_path):
    if shutil.which("fish") is None:
        pytest.skip("fish is not installed")

    def complete(line):
        out = subprocess.run(["fish", "--no-config", "-c", f"source {COMPLETIONS / 'tintwell.fish'}; complete -C {line!r}"],
                             capture_output=True, text=True, env=shell_env, timeout=30, stdin=subprocess.DEVNULL)
        return [candidate.split("\t")[0] for candidate in out.stdout.split("\n") if candidate]
    for name in NAMES:
        (home.config / "morvane/themes" / name).mkdir(parents=True)
    assert complete("tintwell --theme nor") == ["nord"]
    assert complete("tintwell --theme Tok") == ["Tokyo Night Storm"]
    assert complete("tintwell --theme a:") == ["a:b c"]  # fish escapes what it inserts
    assert "--wallpaper" in complete("tintwell --")
    assert complete(f"tintwell --wallpaper {tmp_path}/walls/su") == [f"{tmp_path}/walls/sunset.png"]
