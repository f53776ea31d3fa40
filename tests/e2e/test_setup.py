"""scripts/setup in its dry-run mode, as on a bare machine of each kind
(no package query tool on PATH, so nothing counts as installed)."""

import subprocess
from pathlib import Path

SETUP = Path(__file__).parents[2] / "scripts/setup"

RUN = {
    "apt": "env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends cmake ninja-build g++ "
           "pkg-config make nlohmann-json3-dev libtomlplusplus-dev libfmt-dev libutf8proc-dev libjpeg62-turbo-dev libpng-dev "
           "zlib1g-dev libwebp-dev curl",
    "pacman": "pacman -S --needed --noconfirm cmake ninja gcc pkgconf make nlohmann-json tomlplusplus fmt "
              "libutf8proc libjpeg-turbo libpng zlib libwebp curl",
    "dnf": "dnf install -y cmake ninja-build gcc-c++ pkgconf-pkg-config make json-devel tomlplusplus-devel "
           "fmt-devel utf8proc-devel libjpeg-turbo-devel libpng-devel zlib-devel libwebp-devel curl",
}
TESTS = {
    "apt": "libgtest-dev libgmock-dev libbenchmark-dev clang-16 libclang-rt-16-dev tmux python3-pytest btop kitty "
           "xterm xvfb imagemagick lua5.4 python3-gi gir1.2-gtk-3.0 gir1.2-gtk-4.0 groff-base man-db makepkg "
           "pacman-package-manager libarchive-tools fakeroot rpm bash-completion zsh fish libglib2.0-bin "
           "gsettings-desktop-schemas fuzzel mako-notifier rofi python3-pyqt5 foot sway grim alacritty "
           "libnss-wrapper",
    "pacman": "gtest benchmark clang compiler-rt tmux python-pytest btop kitty xterm xorg-server-xvfb imagemagick lua "
              "python-gobject gtk3 gtk4 groff man-db fakeroot libarchive rpm-tools bash-completion zsh fish glib2 "
              "gsettings-desktop-schemas fuzzel mako rofi python-pyqt5 foot sway grim alacritty "
              "nss_wrapper",
    "dnf": "gtest-devel gmock-devel google-benchmark-devel clang compiler-rt tmux python3-pytest btop kitty "
           "xterm xorg-x11-server-Xvfb ImageMagick lua python3-gobject gtk3 gtk4 groff man-db rpm-build bash-completion zsh "
           "fish glib2 gsettings-desktop-schemas fuzzel mako rofi python3-qt5 foot sway grim alacritty "
           "nss_wrapper",
}


def run_setup(manager, *args):
    return subprocess.run(["/bin/bash", str(SETUP), "--dry-run", *args], capture_output=True, text=True,
                          env={"PATH": "/nonexistent", "SETUP_MANAGER": manager})


def test_each_package_manager_gets_its_own_names_and_elsewhere_it_lists_what_is_missing():
    for manager in RUN:
        assert run_setup(manager).stdout == RUN[manager] + "\n", manager
        assert run_setup(manager, "--test").stdout == RUN[manager] + " " + TESTS[manager] + "\n", manager
    result = run_setup("none")
    assert result.returncode == 1 and result.stdout == ""
    assert "the command cmake" in result.stderr and "the library fmt (pkg-config fmt)" in result.stderr
