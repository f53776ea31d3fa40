"""A program that never answers holds nothing up, on the real binary with
real processes to kill."""

import time


def test_a_hyprctl_that_never_answers_holds_nothing_up(home):
    image = home.home / "Wallpapers/a.png"
    image.parent.mkdir(parents=True)
    image.write_bytes(b"x")
    (home.config / "morvane").mkdir(parents=True)
    (home.config / "morvane/wallpaper").write_text(str(image))
    stuck = {"FAKE_HYPRCTL_SLEEP": "1000", "HYPRLAND_INSTANCE_SIGNATURE": "sig"}

    started = time.monotonic()
    assert home.run("--apply", **stuck).returncode == 0
    assert time.monotonic() - started < 10, "the probe's limit, then awww"
    assert home.fake_log()[-1].startswith("awww\timg\t")

    started = time.monotonic()
    applied = home.run("--theme", "nord", **stuck)
    assert applied.returncode == 0 and applied.stdout.decode().startswith("Activated theme: nord")
    assert time.monotonic() - started < 15, "hyprctl reload's limit"
