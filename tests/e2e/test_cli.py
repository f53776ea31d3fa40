"""The command line paths that do not take over the terminal."""

from conftest import TINTWELL

USAGE = (
    "usage: tintwell [--apply]\n"
    "  (no args)   open the theme/wallpaper switcher\n"
    "  --apply     re-apply the saved wallpaper, then exit (login hook)\n"
)


def test_help_and_h_print_the_usage(home):
    for args in (["--help"], ["-h"], ["word", "-h"]):
        result = home.run(*args)
        assert result.returncode == 0
        assert result.stdout.decode() == USAGE
        assert result.stderr == b""


def test_apply_is_silent_and_wins_over_help(home):
    for args in (["--apply"], ["--help", "--apply"]):
        result = home.run(*args)
        assert result.returncode == 0
        assert result.stdout == b"" and result.stderr == b""


def test_without_a_terminal_the_switcher_reports_an_error(home):
    for args in ([], ["--APPLY"], ["apply"], ["two", "words"]):
        result = home.run(*args)
        assert result.returncode == 1, args
        assert result.stdout == b"", "nothing may be drawn"
        lines = result.stderr.decode().splitlines()
        assert len(lines) == 1 and lines[0].startswith("Error: "), lines
        assert "(os error 25)" in lines[0]
