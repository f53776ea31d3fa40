"""The active Hyprland file, as the real Lua runs it."""

import re
import shutil
import subprocess

import pytest

FAKE_DESKTOP = {"HYPRLAND_INSTANCE_SIGNATURE": "sig", "KITTY_WINDOW_ID": "1", "FAKE_ID_STDOUT": "1000\\n",
                "FAKE_BTOP_STDOUT": "btop version: 1.4.0\\n"}


def test_active_hyprland_file_runs_in_lua(home):
    if shutil.which("lua5.4") is None:
        pytest.skip("lua5.4 is not installed")
    assert home.run("--theme", "tokyo-night", **FAKE_DESKTOP).returncode == 0
    active = home.config / "morvane/themes/.active"
    (active / "baseline-hyprland.lua").write_text("baseline_loaded = true\n")
    stub = ('hl = {config = function(t) assert(baseline_loaded); '
            'print(t.general.col.active_border, t.general.col.inactive_border) end}')
    out = subprocess.run(["lua5.4", "-e", stub, str(active / "hyprland.lua")], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == ["rgba(7aa2f7aa)", "rgba(15161eaa)"]
    assert re.match(r'dofile\("(\\\d{3})+"\)', (active / "hyprland.lua").read_text())
