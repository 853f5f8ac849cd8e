"""The driver (tests/e2e/driver/driver.cpp, velmira-e2e-driver.exe): a console program run under
Wine beside the program under test, which lists windows and controls and posts messages.

Each run keeps its stderr, with Wine's errors on (WINEDEBUG=err+all, for the driver only):
what a run printed there is added to driver.err.txt in the session's folder, and the end of it
is part of the error when the run fails.
"""

import os
import re
import subprocess
import tempfile
from pathlib import Path

from harness import process, wine
from harness.process import REPO, WAIT, HarnessError

WIN32_DIR = Path(os.environ.get("VELMIRA_WIN32_DIR") or REPO / "build" / "win32")
WINEDEBUG = "err+all"
TAIL_LINES = 20
# What Debian's wine script prints on every run without wine32 unless WINEDEBUG turns all off.
WINE32_HINT = re.compile(r"^it looks like wine32 is missing.*\n(?:(?:multiarch|execute|apt-get|"
                         r"as root).*\n)*", re.M)

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_VSCROLL = 0x0115
SB_THUMBPOSITION = 4


def driver_path():
    """The helper program; an error that says how to build it when it is not there."""
    explicit = os.environ.get("VELMIRA_E2E_DRIVER")
    path = Path(explicit) if explicit else WIN32_DIR / "velmira-e2e-driver.exe"
    if not path.exists():
        raise HarnessError(
            "%s does not exist: cmake/e2e_driver.cmake must be included from cmake/win32.cmake "
            "and the Windows build run (cmake --build build/win32)" % path)
    return path


def stderr_of(path):
    """What a driver run printed on stderr, without the wine32 hint."""
    try:
        return WINE32_HINT.sub("", Path(path).read_bytes().decode("utf-8", "replace"))
    except FileNotFoundError:
        return ""


def tail(path, lines=TAIL_LINES):
    kept = stderr_of(path).rstrip("\n").split("\n")[-lines:]
    return "\n".join(kept) if any(kept) else "(nothing on stderr)"


class Driver:
    """Runs the driver in a Wine environment; its stderr goes to folder."""

    def __init__(self, env, folder):
        self.exe = driver_path()
        self.env = dict(env, WINEDEBUG=WINEDEBUG)
        self.folder = Path(folder)
        self.log = self.folder / "driver.err.txt"

    def run(self, *args, check=True, timeout=WAIT):
        """Runs the driver with the arguments; returns its output lines (tab-split)."""
        what = "driver %s" % " ".join(str(a) for a in args)
        with tempfile.TemporaryFile(dir=self.folder) as output, \
                tempfile.NamedTemporaryFile(dir=self.folder, suffix=".err") as errors:
            try:
                result = subprocess.run([*wine.WINE, str(self.exe)] + [str(a) for a in args],
                                        env=self.env, stdin=subprocess.DEVNULL, stdout=output,
                                        stderr=errors, timeout=timeout, check=False)
                code = result.returncode
            except subprocess.TimeoutExpired:
                code = None
            self._keep(what, code, errors.name)
            if code is None or (check and code != 0):
                raise HarnessError("%s %s; the end of its stderr:\n%s"
                                   % (what, "timed out after %.0f s" % timeout if code is None
                                      else "failed with exit code %d" % code, tail(errors.name)))
            output.seek(0)
            text = output.read().decode("utf-8", "replace")
        return [line.split("\t") for line in text.splitlines() if line]

    def _keep(self, what, code, errors):
        text = stderr_of(errors)
        if text:
            with open(self.log, "a", encoding="utf-8") as log:
                log.write("--- %s (exit code %s)\n%s" % (what, code, text))

    def background(self, *args, name):
        """Starts the driver in the background, output to NAME.txt and stderr to NAME.err.txt;
        returns (popen, output path, stderr path)."""
        path = self.folder / ("%s.txt" % name)
        errors = self.folder / ("%s.err.txt" % name)
        with open(errors, "wb") as stderr:
            popen = process.start([*wine.WINE, self.exe, *args], self.env, path, stderr=stderr)
        return popen, path, errors


class Window:
    """A top-level window as the driver reports it."""

    def __init__(self, fields):
        self.hwnd = fields[0]
        self.pid = int(fields[1])
        self.visible = fields[2] == "1"
        self.enabled = fields[3] == "1"
        self.rect = tuple(int(v) for v in fields[4:8])  # x, y, width, height
        self.xwindow = int(fields[8])
        self.cls = fields[9]
        self.title = fields[10] if len(fields) > 10 else ""

    def __repr__(self):
        return "<%s %r %r visible=%s rect=%s>" % (self.hwnd, self.cls, self.title, self.visible,
                                                 self.rect)


class Control:
    """A child window (control) as the driver reports it."""

    def __init__(self, fields):
        self.hwnd = fields[0]
        self.parent = fields[1]
        self.id = int(fields[2])
        self.visible = fields[3] == "1"
        self.enabled = fields[4] == "1"
        self.rect = tuple(int(v) for v in fields[5:9])  # screen x, y, width, height
        self.cls = fields[9]
        self.text = fields[10] if len(fields) > 10 else ""

    @property
    def centre(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2

    def __repr__(self):
        return "<%s id=%d %r %r rect=%s>" % (self.hwnd, self.id, self.cls, self.text, self.rect)


class ToolbarButton:
    def __init__(self, fields):
        self.index = int(fields[0])
        self.command = int(fields[1])
        self.style = int(fields[2])
        self.state = int(fields[3])
        self.rect = tuple(int(v) for v in fields[4:8])

    @property
    def centre(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2

    def __repr__(self):
        return "<button %d command %d rect %s>" % (self.index, self.command, self.rect)


class Watcher:
    """Records every top-level window of other processes that is shown or hidden (driver watch).

    events() returns (kind, hwnd, class, title) tuples in order; kind is show, hide or gone.
    """

    def __init__(self, session, name):
        self.session = session
        self.popen, self.path, self.errors = session.driver.background(
            "watch", "velmira-e2e-watch-%s" % name, 1800, name="%s.watch" % name)
        session.processes.append(self.popen)
        try:
            self.hwnd = process.wait_until(self._ready, WAIT, "the window watcher to start")
        except process.TimedOut as error:
            raise HarnessError("%s; the end of its stderr:\n%s" % (error, tail(self.errors)))

    def _lines(self):
        try:
            text = self.path.read_bytes().decode("utf-8", "replace")
        except FileNotFoundError:
            return []
        return [line.rstrip("\r").split("\t") for line in text.split("\n")[:-1]]

    def _ready(self):
        for fields in self._lines():
            if fields[0] == "ready":
                return fields[1]
        if self.popen.poll() is not None:
            raise HarnessError("the window watcher ended (exit code %d); the end of its stderr:"
                               "\n%s" % (self.popen.returncode, tail(self.errors)))
        return None

    def events(self):
        out = []
        for fields in self._lines():
            if fields[0] in ("show", "hide", "gone"):
                fields = fields + [""] * (4 - len(fields))
                out.append(tuple(fields[:4]))
        return out

    def wait_shown(self, cls, title=None, timeout=WAIT):
        """Waits until a window of the class (and title) has been shown; returns its handle."""
        def shown():
            for kind, hwnd, wcls, wtitle in self.events():
                if kind == "show" and wcls == cls and (title is None or wtitle == title):
                    return hwnd
            return None
        return process.wait_until(shown, timeout, "a window of class %r to be shown" % cls)

    def stop(self):
        """Ends the watcher (after one last look at the windows); returns events()."""
        if self.popen.poll() is None:
            self.session.post(self.hwnd, WM_CLOSE)
            try:
                self.popen.wait(timeout=WAIT)
            except subprocess.TimeoutExpired:
                raise HarnessError("the window watcher did not end; the end of its stderr:\n%s"
                                   % tail(self.errors))
        return self.events()
