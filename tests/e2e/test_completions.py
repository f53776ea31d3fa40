"""The completions in the real shells: options, theme names after --theme
(a name with spaces as one word), files after --wallpaper."""

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


def bash_complete(env, *words):
    script = (f"source /usr/share/bash-completion/bash_completion; source {COMPLETIONS / 'tintwell.bash'}; "
              f"COMP_WORDS=({' '.join(repr(w) for w in words)}); COMP_CWORD={len(words) - 1}; "
              "$(complete -p tintwell | sed 's/.*-F \\([^ ]*\\).*/\\1/'); printf '%s\\n' \"${COMPREPLY[@]}\"")
    out = subprocess.run(["bash", "--norc", "-c", script], capture_output=True, text=True, env=env, timeout=30,
                         stdin=subprocess.DEVNULL)
    assert out.returncode == 0, out.stderr
    return [line for line in out.stdout.split("\n") if line]


def test_bash(shell_env, tmp_path):
    if not Path("/usr/share/bash-completion/bash_completion").exists():
        pytest.skip("bash-completion is not installed")
    started = time.monotonic()
    assert bash_complete(shell_env, "tintwell", "--theme", "Tok") == ["Tokyo\\ Night\\ Storm"]
    assert time.monotonic() - started < 5, "completing never waits long"
    assert bash_complete(shell_env, "tintwell", "--theme", "=", "nor") == ["nord"]
    assert bash_complete(shell_env, "tintwell", "--th") == ["--theme"]
    assert set(bash_complete(shell_env, "tintwell", "--")) >= {"--theme", "--wallpaper", "--list", "--current"}
    assert bash_complete(shell_env, "tintwell", "--wallpaper", f"{tmp_path}/walls/su") == [f"{tmp_path}/walls/sunset.png"]


def test_fish(shell_env, tmp_path):
    if shutil.which("fish") is None:
        pytest.skip("fish is not installed")

    def complete(line):
        out = subprocess.run(["fish", "--no-config", "-c", f"source {COMPLETIONS / 'tintwell.fish'}; complete -C {line!r}"],
                             capture_output=True, text=True, env=shell_env, timeout=30, stdin=subprocess.DEVNULL)
        return [candidate.split("\t")[0] for candidate in out.stdout.split("\n") if candidate]
    assert complete("tintwell --theme nor") == ["nord"]
    assert complete("tintwell --theme Tok") == ["Tokyo Night Storm"]
    assert "--wallpaper" in complete("tintwell --")
    assert complete(f"tintwell --wallpaper {tmp_path}/walls/su") == [f"{tmp_path}/walls/sunset.png"]


def test_zsh_file_parses():
    if shutil.which("zsh") is None:
        pytest.skip("zsh is not installed")
    path = COMPLETIONS / "_tintwell"
    assert path.read_text().startswith("#compdef tintwell\n")
    checked = subprocess.run(["zsh", "-n", str(path)], capture_output=True, text=True)
    assert checked.returncode == 0, checked.stderr
