"""Yazi theming through the test driver: merged theme.toml read back by
Python's own TOML parser, the files written, and the notification."""

import tomllib
from pathlib import Path

import pytest

from conftest import DATA

BUILTIN_LIKE = "".join(
    ["background #1e1e2e\nforeground #cdd6f4\n"]
    + [f"color{i} #{(i * 16) % 256:02x}{(i * 7) % 256:02x}{(i * 3) % 256:02x}\n" for i in range(16)])


def make_profile(tmp_path):
    profile = tmp_path / "profile"
    profile.mkdir()
    (profile / "kitty.conf").write_text(BUILTIN_LIKE)
    return profile


def real_themes():
    return sorted((DATA / "real-configs/yazi").glob("*.toml")) + sorted((DATA / "yazi").rglob("*.toml"))


def test_merged_real_themes_parse_with_tomllib(home, tmp_path):
    files = real_themes()
    if not files:
        pytest.skip(f"real Yazi themes not found in {DATA}")
    profile = make_profile(tmp_path)
    yazi_dir = home.config / "yazi"
    yazi_dir.mkdir(parents=True)
    for file in files:
        (yazi_dir / "theme.toml").write_bytes(file.read_bytes())
        result = home.tool("yazi-prepare", str(profile))
        assert result.returncode == 0, (file.name, result.stderr)
        merged = tomllib.loads(result.stdout.decode())
        original = tomllib.loads(file.read_text())
        assert merged["flavor"]["dark"] == "morvane" and merged["flavor"]["light"] == "morvane"
        for key, value in original.get("flavor", {}).items():
            if key not in ("dark", "light"):
                assert merged["flavor"][key] == value
        assert merged.get("filetype") == original.get("filetype")
        assert merged.get("icon") == original.get("icon")
        if "mgr" in original and "cwd" in original["mgr"]:
            assert merged["mgr"]["cwd"]["fg"] == "#602a12"  # terminal colour 6
            assert "bg" not in merged["mgr"]["cwd"]


def test_apply_writes_files_backup_once_and_notifies(home, tmp_path):
    profile = make_profile(tmp_path)
    active = tmp_path / "active"
    active.mkdir()
    theme = home.config / "yazi/theme.toml"
    theme.parent.mkdir(parents=True)
    theme.write_text("# mine\n[mgr]\ncwd = { fg = \"red\", bold = true }\n")
    result = home.tool("yazi-apply", str(profile), str(active))
    assert result.returncode == 0, result.stderr
    assert result.stdout == b""
    assert home.fake_log() == ["ya\temit-to\t0\tapp:theme"]
    assert theme.read_text() == (
        "# mine\n[mgr]\ncwd = { bold = true, fg = \"#602a12\" }\n\n[flavor]\ndark = \"morvane\"\nlight = \"morvane\"\n")
    backup = home.config / "yazi/theme.toml.before-tintwell"
    assert backup.read_text() == "# mine\n[mgr]\ncwd = { fg = \"red\", bold = true }\n"
    flavor = home.config / "yazi/flavors/morvane.yazi"
    assert (flavor / "flavor.toml").read_text() == (active / "yazi.toml").read_text()
    assert (flavor / "tmtheme.xml").read_text() == (active / "yazi.tmTheme").read_text()
    assert len((flavor / "flavor.toml").read_text().splitlines()) == 110

    result = home.tool("yazi-apply", str(profile), str(active), FAKE_YA_STATUS="1")
    assert result.stdout == b"Yazi theme saved; reopen Yazi if its colors have not updated\n"
    assert backup.read_text() == "# mine\n[mgr]\ncwd = { fg = \"red\", bold = true }\n"


def test_errors_leave_everything_untouched(home, tmp_path):
    profile = make_profile(tmp_path)
    theme = home.config / "yazi/theme.toml"
    theme.parent.mkdir(parents=True)
    for text, message in [
        ("[mgr\n", "Error while parsing table header: expected ']', saw '\\n' (line 1, column 5)"),
        ("mgr = 1\n", "Yazi [mgr] must be a table"),
        ("[mgr]\ncwd = 'x'\n", "Yazi mgr.cwd must be a style table"),
        ("flavor = []\n", "Yazi [flavor] must be a table"),
    ]:
        theme.write_text(text)
        result = home.tool("yazi-apply", str(profile), str(tmp_path))
        assert result.returncode == 1
        assert result.stderr.decode() == message + "\n"
        assert theme.read_text() == text
    assert not (home.config / "yazi/theme.toml.before-tintwell").exists()
    (profile / "kitty.conf").write_text("background #000000\n")
    result = home.tool("yazi-prepare", str(profile))
    assert result.stderr.decode() == "Yazi requires a complete terminal palette\n"


def test_roundtrip_subcommand(home):
    text = b"# c\n[a]\nb = { c = 1 }  # d\n"
    result = home.tool("toml-roundtrip", input=text)
    assert result.returncode == 0 and result.stdout == text
    result = home.tool("toml-roundtrip", input=b"[a\n")
    assert result.returncode == 1
    assert result.stderr.decode().count("\n") == 1
