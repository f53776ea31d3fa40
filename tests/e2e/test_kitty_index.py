"""The kitty themes index fetched by the real curl from a local HTTP server."""

import json
import socket
import subprocess
import sys
import time
from pathlib import Path

import pytest

THEME = "".join(
    ["background #1e1e2e\nforeground #cdd6f4\n"]
    + [f"color{i} #{i:02x}{i:02x}{i:02x}\n" for i in range(16)])


def cache_dir(home):
    return home.cache / "morvane" / "kitty-themes"


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
