"""Shared helpers for the end-to-end tests: a private tmux server per test,
a home directory in a temporary folder, and the fake programs on PATH."""

import os
import shutil
import subprocess
import tempfile
import time
import uuid
from pathlib import Path

import pytest

TINTWELL = os.environ.get("TINTWELL_BIN", str(Path(__file__).parents[2] / "build/release/tintwell"))
TEST_TOOL = os.environ.get("TINTWELL_TEST_TOOL", str(Path(__file__).parents[2] / "build/release/test-tool"))
FAKES = os.environ.get("TINTWELL_FAKES_DIR", str(Path(__file__).parents[1] / "fakes/bin"))
DATA = Path(os.environ.get("TINTWELL_DATA_DIR", str(Path(__file__).parents[3] / "shared/data")))


class Home:
    """A user's home with the XDG directories, all inside a temporary folder."""

    def __init__(self, root: Path):
        self.root = root
        self.home = root / "home"
        self.config = self.home / ".config"
        self.cache = self.home / ".cache"
        self.runtime = root / "run"
        self.log = root / "fake.log"
        for d in (self.home, self.config, self.cache, self.runtime):
            d.mkdir(parents=True, exist_ok=True)
        self.runtime.chmod(0o700)

    def env(self, reach_terminals=False, **extra):
        """The environment of a program run in this home. tintwell writes colour
        sequences to every terminal of the user running it: unless a test means to
        (as a user of its own, see `unused_uid`), none is reached."""
        env = {
            "HOME": str(self.home),
            "XDG_CONFIG_HOME": str(self.config),
            "XDG_CACHE_HOME": str(self.cache),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "PATH": f"{FAKES}:/usr/bin:/bin",
            "LANG": "C.UTF-8",
            "FAKE_LOG": str(self.log),
            # The desktop's colour scheme is kept in the sandbox, never in the machine's settings.
            "GSETTINGS_BACKEND": "keyfile",
        }
        env.update({k: v for k, v in extra.items() if v is not None})
        if not reach_terminals:
            env["TINTWELL_SKIP"] = ",".join(["terminals"] + [p for p in [extra.get("TINTWELL_SKIP")] if p])
        return env

    def run(self, *args, stdin=subprocess.DEVNULL, timeout=60, env=None, **extra):
        return subprocess.run(
            [TINTWELL, *args], stdin=stdin, capture_output=True, timeout=timeout,
            env=env or self.env(**extra))

    def tool(self, *args, input=None, timeout=60, **extra):
        return subprocess.run(
            [TEST_TOOL, *args], input=input, capture_output=True, timeout=timeout, env=self.env(**extra))


def unused_uid():
    """A user id that no process on this machine runs as and no account has: what
    a test that writes to terminals on purpose runs as, so that it reaches only
    the terminals it started itself."""
    running = {int(u) for u in subprocess.run(["ps", "-e", "-o", "uid="], capture_output=True, text=True,
                                               check=True).stdout.split()}
    accounts = {int(line.split(":")[2]) for line in Path("/etc/passwd").read_text().splitlines() if line.count(":") >= 2}
    for uid in range(23000 + os.getpid() % 1000, 60000, 997):
        if uid not in running and uid not in accounts:
            return uid
    pytest.skip("no user id is free on this machine")


class OwnUser:
    """A user id of the test's own (see `unused_uid`), a home it owns and a copy of tintwell it
    can run wherever the build is (a private temporary folder, say)."""

    def __init__(self):
        self.uid = unused_uid()
        self.root = Path(tempfile.mkdtemp(prefix="tintwell-user-"))
        self.home = Home(self.root)
        self.tintwell = str(shutil.copy(TINTWELL, self.root / "tintwell"))

    def own_everything(self):
        subprocess.run(["chown", "-R", f"{self.uid}:{self.uid}", str(self.root)], check=True)

    def command(self, *args):
        return ["setpriv", f"--reuid={self.uid}", f"--regid={self.uid}", "--clear-groups", *map(str, args)]


@pytest.fixture
def own_user():
    """tintwell writes to every terminal of the user it runs as: a test that means it to runs as a user
    no other process has, which takes root; as anyone else it is skipped."""
    if os.geteuid() != 0:
        pytest.skip("writes to terminals on purpose: runs only as root, as a user id of its own"
                    " (as anyone else it would recolour that user's own terminals)")
    user = OwnUser()
    yield user
    subprocess.run(["pkill", "-KILL", "-u", str(user.uid)], capture_output=True)
    shutil.rmtree(user.root, ignore_errors=True)


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def read_ppm(data):
    """(width, height, RGB bytes) of a binary PPM whose maximum value is one byte long."""
    _, width, height, rest = data.split(maxsplit=3)
    return int(width), int(height), rest.split(b"\n", 1)[1]


def pixel(shot, x, y):
    width, _, data = shot
    return "#%02x%02x%02x" % tuple(data[3 * (y * width + x):3 * (y * width + x) + 3])


def x_screenshot(display):
    return read_ppm(subprocess.run(["import", "-window", "root", "-display", display, "-depth", "8", "ppm:-"],
                                   capture_output=True, timeout=30).stdout)


class Terminal:
    """A shell in a private tmux server, driven by keys and read as text."""

    def __init__(self, home: Home, columns=100, rows=30, env=None):
        self.home = home
        self.socket = f"tintwell-e2e-{uuid.uuid4().hex[:12]}"
        environment = home.env(**(env or {}))
        environment["PS1"] = "$ "
        environment["TERM"] = "tmux-256color"
        command = ["env", "-i"] + [f"{k}={v}" for k, v in environment.items()] + [
            "bash", "--norc", "--noprofile"]
        self.tmux("-f", "/dev/null", "new-session", "-d", "-x", str(columns), "-y", str(rows),
                  "-s", "main", *command)
        self.tmux("set-option", "-g", "default-terminal", "tmux-256color")
        self.wait_for(lambda s: s[0].startswith("$"))

    def tmux(self, *args, check=True):
        return subprocess.run(["tmux", "-L", self.socket, *args], capture_output=True, text=True,
                              check=check, timeout=30)

    def send(self, *keys, literal=False):
        self.tmux("send-keys", "-t", "main", *(["-l"] if literal else []), *keys)

    def type(self, text):
        self.send(text, literal=True)

    def run(self, command_line):
        self.type(command_line)
        self.send("Enter")

    def screen(self):
        out = self.tmux("capture-pane", "-p", "-t", "main").stdout
        lines = out.split("\n")
        if lines and lines[-1] == "":
            lines.pop()
        return lines

    def display(self, fmt):
        return self.tmux("display-message", "-p", "-t", "main", fmt).stdout.strip()

    def wait_for(self, predicate, timeout=10.0):
        if isinstance(predicate, str):
            needle = predicate
            predicate = lambda s: needle in "\n".join(s)  # noqa: E731
        deadline = time.monotonic() + timeout
        while True:
            screen = self.screen()
            if predicate(screen):
                return screen
            if time.monotonic() > deadline:
                raise AssertionError("timed out; screen was:\n" + "\n".join(screen))
            time.sleep(0.05)

    def resize(self, columns, rows):
        self.tmux("resize-window", "-t", "main", "-x", str(columns), "-y", str(rows))

    def close(self):
        self.tmux("kill-server", check=False)


@pytest.fixture
def home(tmp_path):
    return Home(tmp_path)


@pytest.fixture
def terminal_factory(home):
    if shutil.which("tmux") is None:
        pytest.skip("tmux is not installed")
    made = []

    def make(**kwargs):
        t = Terminal(home, **kwargs)
        made.append(t)
        return t

    yield make
    for t in made:
        t.close()


HINTS_THEMES = " tab/←→ section · ↑↓ move · ⏎ apply · / filter · esc quit"
HINTS_WALLPAPERS = " tab/←→ section · ↑↓ move · ⏎ apply · esc quit · t with its theme · v dark/light"


def start_switcher(terminal, args=""):
    terminal.run(f"{TINTWELL} {args}".strip())
    return terminal.wait_for(lambda s: any(line.startswith(" tab/←→") or line.startswith(" type to")
                                           for line in s))
