"""The kitty themes index through the test driver, with the fake curl and
with the real curl against a local HTTP server."""

import json
import os
import shutil
import socket
import subprocess
import sys
import time
from pathlib import Path

import pytest

from conftest import DATA

THEME = "".join(
    ["background #1e1e2e\nforeground #cdd6f4\n"]
    + [f"color{i} #{i:02x}{i:02x}{i:02x}\n" for i in range(16)])


def cache_dir(home):
    return home.cache / "morvane" / "kitty-themes"


def test_index_and_definition_with_the_fake_curl(home, tmp_path):
    remote = tmp_path / "remote"
    (remote / "themes").mkdir(parents=True)
    (remote / "themes.json").write_text(json.dumps([
        {"name": "Tokyo Night", "file": "themes/tokyo.conf", "is_dark": True, "blurb": "x"},
        {"name": "Paper", "file": "themes/paper.conf"},
    ]))
    (remote / "themes/tokyo.conf").write_text(THEME)
    env = {"FAKE_CURL_ROOT": str(remote)}
    result = home.tool("index", **env)
    assert result.returncode == 0
    assert result.stdout.decode() == (
        "Tokyo Night\tthemes/tokyo.conf\tdark\nPaper\tthemes/paper.conf\tlight\n")

    result = home.tool("definition", "Tokyo Night", **env)
    assert result.returncode == 0
    lines = result.stdout.decode().splitlines()
    assert lines[0] == "name Tokyo Night"
    assert lines[1] == "background #1e1e2e"
    assert lines[9] == "color0 #000000"
    assert lines[-1] == "vscode_theme Default Dark Modern"
    assert len(lines) == 26
    assert (cache_dir(home) / "themes/tokyo.conf").read_text() == THEME

    result = home.tool("definition", "Paper", **env)  # its file is not on the server
    assert result.returncode == 1
    assert result.stderr.decode() == "no definition\n"
    assert not list(cache_dir(home).rglob("*.part"))
    # Only the index and one theme file were ever fetched.
    assert sum(1 for line in home.fake_log() if line.startswith("curl\t")) == 3


def test_real_collection_definitions(home):
    if not (DATA / "kitty-themes/themes.json").exists():
        pytest.skip(f"real kitty themes not found in {DATA}")
    cache = cache_dir(home)
    cache.mkdir(parents=True)
    shutil.copy(DATA / "kitty-themes/themes.json", cache / "themes.json")
    (cache / "themes").symlink_to(DATA / "kitty-themes/themes")
    lines = home.tool("index", FAKE_CURL_STATUS="6").stdout.decode().splitlines()
    assert len(lines) == 407
    assert not any(line.startswith("curl") for line in home.fake_log())
    result = home.tool("definition", "Catppuccin-Mocha")
    assert "base #2c2c3d" in result.stdout.decode().splitlines()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.fixture
def http_server(tmp_path):
    root = tmp_path / "served"
    (root / "kovidgoyal/kitty-themes/master/themes").mkdir(parents=True)
    port = free_port()
    server = subprocess.Popen(
        [sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory", str(root)],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            break
        except OSError:
            time.sleep(0.05)
    yield root / "kovidgoyal/kitty-themes/master", port
    server.terminate()
    server.wait()


def test_real_curl_against_a_local_server(home, tmp_path, http_server):
    served, port = http_server
    if not Path("/usr/bin/curl").exists():
        pytest.skip("curl is not installed")
    # A wrapper named curl first on PATH sends the collection's URLs to the local server.
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    wrapper = bin_dir / "curl"
    wrapper.write_text(
        "#!/bin/bash\n"
        f'exec /usr/bin/curl "${{@/#https:\\/\\/raw.githubusercontent.com/http:\\/\\/127.0.0.1:{port}}}"\n')
    wrapper.chmod(0o755)
    (served / "themes.json").write_text(json.dumps([
        {"name": "Here", "file": "themes/here.conf", "is_dark": True},
        {"name": "Gone", "file": "themes/gone.conf", "is_dark": True},
    ]))
    (served / "themes/here.conf").write_text(THEME)
    path = f"{bin_dir}:/usr/bin:/bin"

    result = home.tool("definition", "Here", PATH=path)
    assert result.returncode == 0, result.stderr
    assert (cache_dir(home) / "themes.json").exists()
    assert (cache_dir(home) / "themes/here.conf").read_text() == THEME

    result = home.tool("definition", "Gone", PATH=path)  # the server answers 404
    assert result.returncode == 1
    assert not (cache_dir(home) / "themes/gone.conf").exists()
    assert not list(cache_dir(home).rglob("*.part"))
    assert sorted(p.name for p in (cache_dir(home) / "themes").iterdir()) == ["here.conf"]
