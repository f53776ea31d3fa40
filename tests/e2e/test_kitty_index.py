"""The kitty themes index fetched by the real curl from a local HTTP server."""

import json
import socket
import subprocess
import sys
import time
from pathlib import Path

import pytest

THEME = "".join(["background #1e1e2e\nforeground #cdd6f4\n"] + [f"color{i} #{i:02x}{i:02x}{i:02x}\n" for i in range(16)])


def test_real_curl_against_a_local_server(home, tmp_path):
    if not Path("/usr/bin/curl").exists():
        pytest.skip("curl is not installed")
    served = tmp_path / "served/kovidgoyal/kitty-themes/master"
    (served / "themes").mkdir(parents=True)
    (served / "themes.json").write_text(json.dumps([{"name": "Here", "file": "themes/here.conf", "is_dark": True},
                                                    {"name": "Gone", "file": "themes/gone.conf", "is_dark": True}]))
    (served / "themes/here.conf").write_text(THEME)
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory",
                               str(tmp_path / "served")], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
                break
            except OSError:
                time.sleep(0.05)
        # A wrapper named curl first on PATH sends the collection's URLs to the local server.
        wrapper = tmp_path / "bin/curl"
        wrapper.parent.mkdir()
        wrapper.write_text("#!/bin/bash\n"
                           f'exec /usr/bin/curl "${{@/#https:\\/\\/raw.githubusercontent.com/http:\\/\\/127.0.0.1:{port}}}"\n')
        wrapper.chmod(0o755)
        path = f"{wrapper.parent}:/usr/bin:/bin"
        cache = home.cache / "morvane/kitty-themes"
        result = home.tool("definition", "Here", PATH=path)
        assert result.returncode == 0, result.stderr
        assert (cache / "themes.json").exists() and (cache / "themes/here.conf").read_text() == THEME
        result = home.tool("definition", "Gone", PATH=path)  # the server answers 404
        assert result.returncode == 1
        assert sorted(p.name for p in (cache / "themes").iterdir()) == ["here.conf"], "nothing else, no .part"
    finally:
        server.terminate()
        server.wait()
