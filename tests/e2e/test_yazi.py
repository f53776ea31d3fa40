"""Yazi theming: merged theme.toml files, small and real, read back by
Python's own TOML parser."""

import tomllib

from conftest import DATA

PALETTE = "".join(["background #1e1e2e\nforeground #cdd6f4\n"] +
                  [f"color{i} #{(i * 16) % 256:02x}{(i * 7) % 256:02x}{(i * 3) % 256:02x}\n" for i in range(16)])


def test_merged_themes_parse_with_tomllib(home, tmp_path):
    (tmp_path / "profile").mkdir()
    (tmp_path / "profile/kitty.conf").write_text(PALETTE)
    theme = home.config / "yazi/theme.toml"
    theme.parent.mkdir(parents=True)
    small = ["[mgr]\ncwd.fg.x = 1\n", "[mgr.cwd.fg]\nx = 1\n", "[flavor.dark]\nx = 1\n", "flavor.light.a = 1\n"]
    real = sorted((DATA / "real-configs/yazi").glob("*.toml")) + sorted((DATA / "yazi").rglob("*.toml"))
    for source in small + real:
        text = source if isinstance(source, str) else source.read_text()
        theme.write_text(text)
        result = home.tool("yazi-prepare", str(tmp_path / "profile"))
        assert result.returncode == 0, (source, result.stderr)
        merged, original = tomllib.loads(result.stdout.decode()), tomllib.loads(text)
        assert merged["flavor"]["dark"] == "morvane" and merged["flavor"]["light"] == "morvane"
        for key, value in original.get("flavor", {}).items():
            if key not in ("dark", "light") and isinstance(value, str):
                assert merged["flavor"][key] == value
        assert merged.get("filetype") == original.get("filetype") and merged.get("icon") == original.get("icon")
        if "cwd" in original.get("mgr", {}):
            assert merged["mgr"]["cwd"]["fg"] == "#602a12"  # terminal colour 6
            assert "bg" not in merged["mgr"]["cwd"]
