"""The test driver's foundation subcommands."""

from conftest import DATA


def test_palette_prints_background_foreground_and_colours(home):
    text = b"background #1E1E2E\ncolor1 #ff0000\ncolor0 #000000\n"
    result = home.tool("palette", input=text)
    assert result.returncode == 0
    assert result.stdout.decode() == "background #1e1e2e\nforeground -\n#000000\n#ff0000\n"


def test_palette_of_a_real_theme(home):
    theme = DATA / "kitty-themes/themes/Dracula.conf"
    if not theme.exists():
        import pytest
        pytest.skip(f"real kitty themes not found in {DATA}")
    lines = home.tool("palette", input=theme.read_bytes()).stdout.decode().splitlines()
    assert lines[0].startswith("background #") and lines[1].startswith("foreground #")
    assert len(lines) == 18


def test_paths_follow_the_environment(home):
    result = home.tool("paths")
    assert result.stdout.decode() == (
        f"themes_dir {home.config}/morvane/themes\n"
        f"index_cache_dir {home.cache}/morvane/kitty-themes\n")
    result = home.tool("paths", XDG_CONFIG_HOME="/tmp/c")
    assert result.stdout.decode().splitlines()[0] == "themes_dir /tmp/c/morvane/themes"


def test_usage_errors_exit_2(home):
    for args in ([], ["nope"], ["paths", "extra"]):
        result = home.tool(*args)
        assert result.returncode == 2
        assert result.stdout == b""
        assert result.stderr.decode().startswith("usage: test-tool")
