"""Yazi theming: merged real theme.toml files read back by Python's own
TOML parser."""

import tomllib

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


def test_tables_where_the_flavor_sets_a_value_parse_with_tomllib(home, tmp_path):
    profile = make_profile(tmp_path)
    theme = home.config / "yazi/theme.toml"
    theme.parent.mkdir(parents=True)
    for text in ("[mgr]\ncwd.fg.x = 1\n", "[mgr.cwd.fg]\nx = 1\n", "[flavor.dark]\nx = 1\n",
                 "flavor.light.a = 1\n"):
        theme.write_text(text)
        result = home.tool("yazi-prepare", str(profile))
        assert result.returncode == 0, (text, result.stderr)
        merged = tomllib.loads(result.stdout.decode())
        assert merged["flavor"] == {"dark": "morvane", "light": "morvane"}
        if "mgr" in text:
            assert merged["mgr"]["cwd"]["fg"] == "#602a12"


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
