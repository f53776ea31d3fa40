"""The Arch and Fedora packages, built by scripts/package from the checkout:
their files, their dependencies against what the program links, and the
packaged program's version. Each kind skips where its tools are absent."""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).parents[2]
LAYOUT = {"usr/bin/tintwell", "usr/share/man/man1/tintwell.1", "usr/share/bash-completion/completions/tintwell",
          "usr/share/zsh/site-functions/_tintwell", "usr/share/fish/vendor_completions.d/tintwell.fish",
          "usr/share/licenses/tintwell/LICENSE"}
# Linked by every C++ program, and part of every system's base.
BASE = ("libc.so", "libm.so", "libstdc++.so", "libgcc_s.so", "ld-linux")
TOOLS = {"arch": ["makepkg", "bsdtar", "fakeroot"], "fedora": ["rpmbuild", "rpm2cpio", "bsdtar"]}


def project_version():
    return re.search(r"project\(tintwell VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)


@pytest.fixture(scope="module", params=["arch", "fedora"])
def package(request, tmp_path_factory):
    kind = request.param
    missing = [tool for tool in TOOLS[kind] if shutil.which(tool) is None]
    if missing:
        pytest.skip(f"cannot build the {kind} package here: {', '.join(missing)} not installed")
    # The packages are made from what is committed, so a copy of the files has nothing to package.
    if subprocess.run(["git", "-C", str(ROOT), "rev-parse", "HEAD"], capture_output=True).returncode != 0:
        pytest.skip("not a git checkout: the packages are built from its HEAD")
    out = tmp_path_factory.mktemp(kind)
    built = subprocess.run(["bash", str(ROOT / "scripts/package"), kind, str(out)], capture_output=True, text=True,
                           timeout=1800)
    assert built.returncode == 0, built.stdout[-3000:] + built.stderr[-3000:]
    [file] = [p for p in out.iterdir() if p.name.endswith((".rpm", ".pkg.tar.zst", ".pkg.tar.gz", ".pkg.tar.xz"))]
    files = out / "files"
    files.mkdir()
    if kind == "arch":
        subprocess.run(["bsdtar", "-xf", str(file), "-C", str(files)], check=True)
    else:
        payload = subprocess.run(["rpm2cpio", str(file)], capture_output=True, check=True).stdout
        subprocess.run(["bsdtar", "-xf", "-", "-C", str(files)], input=payload, check=True)
    return kind, file, files


def installed_files(files):
    found = set()
    for path in files.rglob("*"):
        if path.is_file() and not path.name.startswith("."):
            found.add(re.sub(r"\.gz$", "", str(path.relative_to(files))))
    return found


def needed_libraries(binary):
    dynamic = subprocess.run(["readelf", "-d", str(binary)], capture_output=True, text=True, check=True).stdout
    return [name for name in re.findall(r"Shared library: \[([^\]]+)\]", dynamic) if not name.startswith(BASE)]


def test_layout_dependencies_and_version(package):
    kind, file, files = package
    # Exactly the installed layout, and the licence.
    assert installed_files(files) == LAYOUT, kind
    assert "MIT License" in (files / "usr/share/licenses/tintwell/LICENSE").read_text()
    # The declared dependencies are what the program links, and curl.
    needed = needed_libraries(files / "usr/bin/tintwell")
    assert sorted(n.split(".so")[0] for n in needed) == ["libfmt", "libjpeg", "libpng16", "libutf8proc", "libwebp", "libz"]
    if kind == "arch":
        info = subprocess.run(["bsdtar", "-xOf", str(file), ".PKGINFO"], capture_output=True, text=True).stdout
        by_library = {"libfmt": "fmt", "libutf8proc": "libutf8proc", "libjpeg": "libjpeg-turbo", "libpng16": "libpng",
                      "libwebp": "libwebp", "libz": "zlib"}
        assert set(re.findall(r"^depend = (\S+)", info, re.M)) == {by_library[n.split(".so")[0]] for n in needed} | {"curl"}
        assert all(": " in line for line in re.findall(r"^optdepend = (.*)$", info, re.M)), "a reason for each"
        version = re.search(r"^pkgver = ([0-9.]+)-", info, re.M).group(1)
    else:
        requires = subprocess.run(["rpm", "-qpR", str(file)], capture_output=True, text=True).stdout.split("\n")
        assert all(f"{library}()(64bit)" in requires for library in needed) and "curl" in requires
        version = subprocess.run(["rpm", "-qp", "--qf", "%{VERSION}", str(file)], capture_output=True, text=True).stdout
    # The packaged program reports the recipe's version, which is CMake's.
    ran = subprocess.run([str(files / "usr/bin/tintwell"), "--version"], capture_output=True, text=True)
    assert ran.stdout == f"tintwell {version}\n" and version == project_version()
    recipes = (ROOT / "packaging/arch/PKGBUILD").read_text() + (ROOT / "packaging/fedora/tintwell.spec").read_text()
    assert f"pkgver={version}\n" in recipes and re.search(rf"^Version: +{re.escape(version)}$", recipes, re.M)


def test_install_honours_destdir_and_the_prefix(tmp_path):
    build = Path(os.environ.get("TINTWELL_BIN", ROOT / "build/release/tintwell")).parent
    if not (build / "cmake_install.cmake").exists():
        pytest.skip("no build tree to install from")
    env = dict(os.environ, DESTDIR=str(tmp_path))
    subprocess.run(["cmake", "--install", str(build), "--prefix", "/opt/tw"], env=env, capture_output=True, check=True)
    found = {str(p.relative_to(tmp_path)) for p in tmp_path.rglob("*") if p.is_file()}
    expected = {f.replace("usr/", "opt/tw/", 1) for f in LAYOUT if "licenses" not in f}
    assert found == expected
