"""Runs Velmira's Windows programs under Wine on a virtual X display, for the end-to-end tests.

One Session per test module: it starts Xvfb on a free display number, a persistent wineserver
for the shared prefix (build/wineprefix, created once and reused), and ends every process it
started when it is closed, even after a failure. Within a session, Program objects run
velmira.exe or velmira-sim.exe with chosen environment variables; the session finds windows
and controls through the driver program (tests/e2e/driver, velmira-e2e-driver.exe), sends real
key and mouse events with xdotool, and takes screenshots into build/e2e/.

Every wait is a poll on a condition with a generous time-out; nothing depends on how fast the
program runs.
"""

import atexit
import ctypes
import fcntl
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
WIN32_DIR = Path(os.environ.get("VELMIRA_WIN32_DIR") or REPO / "build" / "win32")
OUT_ROOT = Path(os.environ.get("VELMIRA_E2E_OUT") or REPO / "build" / "e2e")
PREFIX = Path(os.environ.get("VELMIRA_E2E_WINEPREFIX") or REPO / "build" / "wineprefix")
SCREEN = (1280, 1024)

# Generous: a busy 2-core CI machine can be slow, and nothing here is a speed test.
WAIT = float(os.environ.get("VELMIRA_E2E_WAIT", "60"))

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_VSCROLL = 0x0115
SB_THUMBPOSITION = 4


class HarnessError(Exception):
    """The harness itself could not do its part (as opposed to a failed check)."""


class TimedOut(AssertionError):
    """A condition did not come true in time: a failed check."""


# --------------------------------------------------------------------------------------------
# What the machine must have


def missing_essentials():
    """Wine and Xvfb: without them the end-to-end tests are skipped."""
    return [tool for tool in ("wine", "wineserver", "Xvfb") if shutil.which(tool) is None]


def missing_helpers():
    """Tools that the tests need once Wine and Xvfb are there; missing ones are an error."""
    return [tool for tool in ("xdotool", "import") if shutil.which(tool) is None]


def skip_reason():
    missing = missing_essentials()
    if missing:
        return ("end-to-end tests skipped: %s not installed (Debian packages: wine wine64 xvfb "
                "xdotool x11-utils imagemagick fonts-wqy-microhei)" % ", ".join(missing))
    return None


def program_path(name):
    return WIN32_DIR / name


def driver_path():
    """The helper program; an error that says how to build it when it is not there."""
    explicit = os.environ.get("VELMIRA_E2E_DRIVER")
    path = Path(explicit) if explicit else WIN32_DIR / "velmira-e2e-driver.exe"
    if not path.exists():
        raise HarnessError(
            "%s does not exist: cmake/e2e_driver.cmake must be included from cmake/win32.cmake "
            "and the Windows build run (cmake --build build/win32)" % path)
    return path


def windows_path(path):
    """A Unix path as the Windows program sees it (drive Z: is the Unix root)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


# --------------------------------------------------------------------------------------------
# Processes


def _die_with_parent():
    """Runs in a child before exec: the child gets SIGTERM when the test process dies."""
    try:
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


def wait_until(condition, timeout, what, interval=0.1):
    """Polls condition() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimedOut("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


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


class Session:
    """Xvfb + wineserver for one test module. Use as a context manager or call close()."""

    OUT = OUT_ROOT  # where a session's folder goes

    def __init__(self, name):
        self._check()
        self.name = name
        self.out = self.OUT / name
        if self.out.exists():
            shutil.rmtree(self.out)
        self.out.mkdir(parents=True)
        self.xvfb = None
        self.display = None
        self.helpers = []
        self._closed = False
        self._server_started = False
        atexit.register(self.close)
        _install_signal_handlers()
        try:
            self._start()
        except BaseException:
            self.close()
            raise

    # ----- start and end

    def _check(self):
        """Skips without Wine or Xvfb; an error without the other tools or the driver."""
        reason = skip_reason()
        if reason:
            raise unittest.SkipTest(reason)
        helpers = missing_helpers()
        if helpers:
            raise HarnessError("missing tools: %s (install xdotool imagemagick)"
                               % ", ".join(helpers))
        driver_path()  # before anything starts

    def _start(self):
        self._start_xvfb()
        self.env = self._wine_env()
        with _prefix_lock():
            _ensure_prefix(self.env, self.out)
            # A wineserver left over from an earlier run would hold an X connection to a display
            # that is gone: end it before starting ours.
            self._wineserver("-k", check=False)
            self._wineserver("-w", check=False)
            self._wineserver("-p")
            self._server_started = True
            subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180,
                           check=False)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        log = open(self.out / "xvfb.log", "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % SCREEN, "-nolisten", "tcp", "-noreset"],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(write_end,),
            preexec_fn=_die_with_parent)
        os.close(write_end)
        log.close()
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            readable = select.select([read_end], [], [], max(remaining, 0))[0] \
                if remaining > 0 else []
            if not readable:
                os.close(read_end)
                raise HarnessError("Xvfb did not start: see %s" % (self.out / "xvfb.log"))
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            raise HarnessError("Xvfb gave no display number: see %s" % (self.out / "xvfb.log"))
        self.display = ":" + number.strip().decode()
        self.xenv = dict(os.environ, DISPLAY=self.display)
        self.xenv.pop("LC_ALL", None)

    def _wine_env(self):
        env = dict(os.environ)
        for name in list(env):
            if name.startswith("VELMIRA_SIM_"):
                del env[name]
        env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": str(PREFIX),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            # Makes Wine use code page 936, so that the GBK interface text renders.
            "LC_ALL": "zh_CN.UTF-8",
        })
        env.pop("WINESERVER", None)
        return env

    def _wineserver(self, flag, check=True):
        result = subprocess.run(["wineserver", flag], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                timeout=120, check=False)
        if check and result.returncode != 0:
            raise HarnessError("wineserver %s failed (%d)" % (flag, result.returncode))

    def close(self):
        if self._closed:
            return
        self._closed = True
        if self._server_started:
            try:
                self._wineserver("-k", check=False)
                self._wineserver("-w", check=False)
            except subprocess.TimeoutExpired:
                pass
        for popen in self.helpers:
            _stop(popen)
        if self.xvfb is not None:
            _stop(self.xvfb)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    # ----- wine programs

    def launch(self, exe, env=None, name=None, args=()):
        """Starts a Windows program with the arguments; returns the subprocess.Popen of its wine
        launcher. Wine makes the command line from them, quoting one that holds a space."""
        exe = Path(exe)
        if not exe.exists():
            raise HarnessError("%s does not exist: build it with cmake --build build/win32" % exe)
        name = name or exe.stem
        full_env = dict(self.env)
        full_env.update(env or {})
        output = open(self.out / ("%s.wine.txt" % name), "wb")
        popen = subprocess.Popen(["wine", str(exe)] + [str(a) for a in args], env=full_env,
                                 stdin=subprocess.DEVNULL, stdout=output,
                                 stderr=subprocess.STDOUT)
        output.close()
        self.helpers.append(popen)
        return popen

    def driver(self, *args, check=True, timeout=WAIT):
        """Runs the driver with the arguments; returns its output lines (tab-split)."""
        exe = driver_path()
        with tempfile.TemporaryFile(dir=self.out) as output, \
                tempfile.TemporaryFile(dir=self.out) as errors:
            result = subprocess.run(["wine", str(exe)] + [str(a) for a in args],
                                    env=dict(self.env, WINEDEBUG="err+all"),
                                    stdin=subprocess.DEVNULL, stdout=output,
                                    stderr=errors, timeout=timeout, check=False)
            output.seek(0)
            text = output.read().decode("utf-8", "replace")
            errors.seek(0)
            said = errors.read().decode("utf-8", "replace")
        if check and result.returncode != 0:
            raise HarnessError("driver %s failed with exit code %d: %s"
                               % (" ".join(str(a) for a in args), result.returncode,
                                  said[-3000:]))
        return [line.split("\t") for line in text.splitlines() if line]

    def driver_background(self, *args, name):
        """Starts the driver in the background, output to a file; returns (popen, path)."""
        exe = driver_path()
        path = self.out / ("%s.txt" % name)
        output = open(path, "wb")
        popen = subprocess.Popen(["wine", str(exe)] + [str(a) for a in args], env=self.env,
                                 stdin=subprocess.DEVNULL, stdout=output,
                                 stderr=subprocess.DEVNULL)
        output.close()
        self.helpers.append(popen)
        return popen, path

    # ----- windows

    def windows(self):
        return [Window(f) for f in self.driver("windows") if len(f) >= 10]

    def find_windows(self, cls=None, title=None, visible=None):
        found = []
        for window in self.windows():
            if cls is not None and window.cls != cls:
                continue
            if title is not None and window.title != title:
                continue
            if visible is not None and window.visible != visible:
                continue
            found.append(window)
        return found

    def wait_window(self, cls=None, title=None, timeout=WAIT):
        """Waits for a visible top-level window of the class (and title, if given)."""
        what = "a visible window of class %r%s" % (cls, " titled %r" % title if title else "")

        def found():
            windows = self.find_windows(cls=cls, title=title, visible=True)
            return windows[0] if windows else None
        return wait_until(found, timeout, what, interval=0.2)

    def wait_no_window(self, cls, timeout=WAIT):
        wait_until(lambda: not self.find_windows(cls=cls, visible=True), timeout,
                   "no visible window of class %r" % cls, interval=0.2)

    def children(self, hwnd):
        return [Control(f) for f in self.driver("children", hwnd) if len(f) >= 10]

    def control(self, parent, id=None, cls=None):
        for child in self.children(parent.hwnd if isinstance(parent, Window) else parent):
            if id is not None and child.id != id:
                continue
            if cls is not None and child.cls != cls:
                continue
            return child
        raise AssertionError("no control with id %r and class %r in %r" % (id, cls, parent))

    def toolbar_buttons(self, toolbar):
        return [ToolbarButton(f) for f in self.driver("toolbar", toolbar.hwnd) if len(f) >= 8]

    def scroll_info(self, bar):
        fields = self.driver("scroll", bar.hwnd)[0]
        return dict(zip(("min", "max", "page", "pos"), (int(v) for v in fields)))

    def focus(self, window):
        """(foreground, active, focus) window handles for the window's thread."""
        fields = self.driver("focus", window.hwnd)[0]
        return tuple(fields)

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.driver("post", hwnd, message, wparam, lparam)

    def client_rect(self, window):
        """The window's client area on the screen: (x, y, width, height)."""
        hwnd = window.hwnd if isinstance(window, Window) else window
        return tuple(int(v) for v in self.driver("client", hwnd)[0][:4])

    def cell_size(self, window):
        """(cw, ch): the size of "M" in the system font on a drawing context of the window."""
        hwnd = window.hwnd if isinstance(window, Window) else window
        return tuple(int(v) for v in self.driver("cell", hwnd)[0][:2])

    def set_text(self, hwnd, text):
        """Sets a control's text (WM_SETTEXT), e.g. a file name in a file dialog's edit box."""
        self.driver("settext", hwnd, text)

    # ----- X input

    def xdotool(self, *args):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.xenv,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=WAIT, check=False)
        if result.returncode != 0:
            raise HarnessError("xdotool %s failed: %s"
                               % (" ".join(map(str, args)), result.stderr.decode(errors="replace")))

    def key(self, window, *keys):
        """Presses and releases each key (xdotool names, e.g. 'a', 'shift+a', 'alt+o')."""
        self.xdotool("key", "--window", window.xwindow, *keys)

    def key_down(self, window, key):
        self.xdotool("keydown", "--window", window.xwindow, key)

    def key_up(self, window, key):
        self.xdotool("keyup", "--window", window.xwindow, key)

    def click(self, x, y):
        self.xdotool("mousemove", x, y)
        self.xdotool("click", "1")

    def mouse_down(self, x, y):
        """Moves the pointer to (x, y) and presses the left button (held until mouse_up)."""
        self.xdotool("mousemove", x, y)
        self.xdotool("mousedown", "1")

    def mouse_up(self):
        self.xdotool("mouseup", "1")

    # ----- pictures

    def screenshot(self, name):
        path = self.out / ("%s.png" % name)
        subprocess.run(["import", "-window", "root", str(path)], env=self.xenv,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=WAIT, check=True)
        return path

    def picture(self, path):
        """A screenshot (or any picture ImageMagick reads) as a Picture."""
        result = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=WAIT, check=False)
        if result.returncode != 0:
            raise HarnessError("convert could not read %s: %s"
                               % (path, result.stderr.decode(errors="replace")))
        return Picture.from_ppm(result.stdout)

    def unique_colours(self, path, geometry=None):
        """Number of distinct colours in the picture (or in the part WxH+X+Y of it)."""
        command = ["convert", str(path)]
        if geometry:
            command += ["-crop", geometry, "+repage"]
        command += ["-format", "%k", "info:"]
        result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=WAIT, check=True)
        return int(result.stdout.strip() or b"0")


class Picture:
    """An RGB picture: pixel(x, y) is an (r, g, b) tuple."""

    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows  # height byte strings of 3 * width bytes, top row first

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside a %dx%d picture"
                             % (x, y, self.width, self.height))
        row = self.rows[y]
        return tuple(row[3 * x:3 * x + 3])

    @classmethod
    def from_ppm(cls, data):
        """A binary PPM (P6, 8 bits a channel), as ImageMagick writes it."""
        fields = []
        at = 0
        while len(fields) < 4 and at < len(data):
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.find(b"\n", at) + 1 or len(data)
                continue
            end = at
            while end < len(data) and not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        at += 1  # the one white-space character after the maximum value
        if len(fields) < 4 or fields[0] != b"P6" or fields[3] != b"255":
            raise HarnessError("not an 8-bit binary PPM: %r" % fields)
        width, height = int(fields[1]), int(fields[2])
        pixels = data[at:at + 3 * width * height]
        if len(pixels) != 3 * width * height:
            raise HarnessError("a PPM of %dx%d with only %d bytes" % (width, height, len(pixels)))
        return cls(width, height,
                   [pixels[3 * width * y:3 * width * (y + 1)] for y in range(height)])

    @classmethod
    def from_bmp(cls, path):
        """An uncompressed 24-bit Windows bitmap (BITMAPINFOHEADER), read without any tool."""
        data = Path(path).read_bytes()
        if data[:2] != b"BM":
            raise HarnessError("%s is not a Windows bitmap" % path)
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
        if bits != 24 or compression != 0:
            raise HarnessError("%s: %d bits a pixel, compression %d: only plain 24-bit is read"
                               % (path, bits, compression))
        stride = (3 * width + 3) // 4 * 4
        bottom_up = height > 0
        height = abs(height)
        rows = []
        for y in range(height):
            source = height - 1 - y if bottom_up else y
            bgr = data[offset + stride * source:offset + stride * source + 3 * width]
            rgb = bytearray(3 * width)
            rgb[0::3] = bgr[2::3]
            rgb[1::3] = bgr[1::3]
            rgb[2::3] = bgr[0::3]
            rows.append(bytes(rgb))
        return cls(width, height, rows)


def _stop(popen):
    if popen.poll() is not None:
        return
    popen.terminate()
    try:
        popen.wait(timeout=10)
    except subprocess.TimeoutExpired:
        popen.kill()
        popen.wait(timeout=10)


_handlers_installed = False


def _install_signal_handlers():
    """SIGTERM/SIGHUP end the test through SystemExit, so that the clean-up still runs."""
    global _handlers_installed
    if _handlers_installed:
        return
    _handlers_installed = True

    def handler(signum, frame):
        raise SystemExit(128 + signum)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, handler)


class _prefix_lock:
    """Serialises the creation and the wineserver start-up of the shared prefix."""

    def __enter__(self):
        PREFIX.parent.mkdir(parents=True, exist_ok=True)
        self.file = open(str(PREFIX) + ".lock", "w")
        fcntl.flock(self.file, fcntl.LOCK_EX)
        return self

    def __exit__(self, *exc):
        fcntl.flock(self.file, fcntl.LOCK_UN)
        self.file.close()
        return False


def _ensure_prefix(env, out):
    marker = PREFIX / ".velmira-e2e-ready"
    if marker.exists():
        return
    if PREFIX.exists():
        shutil.rmtree(PREFIX)  # half made by an interrupted run
    with open(out / "wineboot.txt", "wb") as log:
        result = subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                                stdout=log, stderr=subprocess.STDOUT, timeout=600, check=False)
        subprocess.run(["wineserver", "-w"], env=env, stdin=subprocess.DEVNULL, stdout=log,
                       stderr=subprocess.STDOUT, timeout=600, check=False)
    if result.returncode != 0 or not (PREFIX / "system.reg").exists():
        raise HarnessError("could not create the Wine prefix %s: see %s"
                           % (PREFIX, out / "wineboot.txt"))
    marker.write_text("created by tests/e2e/winharness.py\n")


class Watcher:
    """Records every top-level window of other processes that is shown or hidden (driver watch).

    events() returns (kind, hwnd, class, title) tuples in order; kind is show, hide or gone.
    """

    def __init__(self, session, name):
        self.session = session
        self.popen, self.path = session.driver_background(
            "watch", "velmira-e2e-watch-%s" % name, 1800, name="%s.watch" % name)
        self.hwnd = wait_until(self._ready, WAIT, "the window watcher to start")

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
        return wait_until(shown, timeout, "a window of class %r to be shown" % cls)

    def stop(self):
        """Ends the watcher (after one last look at the windows); returns events()."""
        if self.popen.poll() is None:
            self.session.post(self.hwnd, WM_CLOSE)
            try:
                self.popen.wait(timeout=WAIT)
            except subprocess.TimeoutExpired:
                raise HarnessError("the window watcher did not end")
        return self.events()


# --------------------------------------------------------------------------------------------
# The program under test


class MenuItem:
    def __init__(self, label, id=None, checked=False, grayed=False, popup=False):
        self.label = label
        self.id = id
        self.checked = checked
        self.grayed = grayed
        self.popup = popup
        self.items = []

    def __repr__(self):
        if self.popup:
            return "<popup %r %d items>" % (self.label, len(self.items))
        return "<%d %d %d %r>" % (self.id, self.checked, self.grayed, self.label)

    def find(self, id):
        """The command item with this id anywhere below, or None."""
        for item in self.items:
            if not item.popup and item.id == id:
                return item
            if item.popup:
                found = item.find(id)
                if found is not None:
                    return found
        return None

    def commands(self):
        """Every command item below, in order."""
        out = []
        for item in self.items:
            out.extend(item.commands() if item.popup else [item])
        return out

    def popup_named(self, label):
        for item in self.items:
            if item.popup and item.label == label:
                return item
        raise AssertionError("no submenu %r; there are %r"
                             % (label, [i.label for i in self.items if i.popup]))


def parse_menu_dump(text):
    """The menu dump file as a tree; returns the root (the menu bar)."""
    root = MenuItem("", popup=True)
    stack = [(-1, root)]
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip():
            continue
        indent = len(line) - len(line.lstrip(" "))
        if indent % 2:
            raise AssertionError("menu dump line %d: odd indentation: %r" % (number, line))
        depth = indent // 2
        body = line[indent:]
        while stack[-1][0] >= depth:
            stack.pop()
        if stack[-1][0] != depth - 1:
            raise AssertionError("menu dump line %d: indentation jumps: %r" % (number, line))
        parent = stack[-1][1]
        if body.startswith("popup "):
            item = MenuItem(body[len("popup "):], popup=True)
            parent.items.append(item)
            stack.append((depth, item))
            continue
        match = re.match(r"^(\d+) ([01]) ([01]) (.*)$", body)
        if not match:
            raise AssertionError("menu dump line %d: not an item: %r" % (number, line))
        parent.items.append(MenuItem(match.group(4), id=int(match.group(1)),
                                     checked=match.group(2) == "1",
                                     grayed=match.group(3) == "1"))
    return root


class Program:
    """One run of velmira.exe or velmira-sim.exe in a session.

    For the simulation build it reads the call log (VELMIRA_SIM_LOG) and the menu dump
    (VELMIRA_SIM_MENU), both written into the session's output folder.
    """

    def __init__(self, session, exe_name="velmira-sim.exe", env=None, name="run", args=()):
        self.session = session
        self.name = name
        self.log_path = session.out / ("%s.midi.log" % name)
        self.menu_path = session.out / ("%s.menu.txt" % name)
        for path in (self.log_path, self.menu_path):
            if path.exists():
                path.unlink()
        full_env = {"VELMIRA_SIM_LOG": windows_path(self.log_path),
                    "VELMIRA_SIM_MENU": windows_path(self.menu_path)}
        full_env.update(env or {})
        self.popen = session.launch(program_path(exe_name), full_env, name=name, args=args)
        self.cursor = 0  # events before this index have been checked
        self.main = None

    # ----- life

    def exit_code(self, timeout=WAIT):
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TimedOut("%s did not end within %.0f s" % (self.name, timeout))

    def running(self):
        return self.popen.poll() is None

    def wait_main_window(self, timeout=WAIT):
        """Waits for the visible main window (class QJ) and remembers it."""
        self.main = self.session.wait_window(cls="QJ", timeout=timeout)
        return self.main

    def refresh_main(self):
        windows = self.session.find_windows(cls="QJ", visible=True)
        if windows:
            self.main = windows[0]
        return self.main

    # ----- the simulated MIDI service's call log

    def events(self):
        """Every complete line of the call log without its time stamp ('short 007F3C90')."""
        return [text for _, text in self.stamped_events()]

    def stamped_events(self):
        """Every complete line of the call log as (time stamp in ms, 'short 007F3C90')."""
        try:
            data = self.log_path.read_bytes().decode("ascii", "replace")
        except FileNotFoundError:
            return []
        lines = data.split("\n")[:-1]  # the last piece is empty or not finished yet
        events = []
        for line in lines:
            parts = line.split(" ", 1)
            if len(parts) != 2 or not parts[0].isdigit():
                raise AssertionError("call log line not understood: %r" % line)
            events.append((int(parts[0]), parts[1].strip()))
        return events

    def expect(self, expected, what, timeout=WAIT):
        """The next len(expected) events since the last check; waits until they are there.

        Returns them, for the caller to compare with expected (assertEqual shows the difference).
        Events that come after them are left for the next check, which then sees them first.
        """
        start = self.cursor

        def enough():
            events = self.events()
            return events if len(events) - start >= len(expected) else None
        try:
            events = wait_until(enough, timeout, what)
        except TimedOut:
            got = self.events()[start:]
            self.cursor = len(self.events())
            raise TimedOut("%s: expected %r, got only %r within %.0f s"
                           % (what, expected, got, timeout))
        got = events[start:start + len(expected)]
        if got == list(expected):
            self.cursor = start + len(expected)
        else:
            self.cursor = len(events)  # start afresh after a mismatch
        return got

    def skip_events(self):
        """Marks everything logged so far as seen."""
        self.cursor = len(self.events())

    # ----- the menu dump

    def menu(self):
        try:
            text = self.menu_path.read_bytes().decode("utf-8")
        except FileNotFoundError:
            return None
        return parse_menu_dump(text)

    def menu_version(self):
        """Changes each time the program writes its menu dump (it replaces the file)."""
        try:
            info = self.menu_path.stat()
        except FileNotFoundError:
            return None
        return info.st_ino, info.st_mtime_ns, info.st_size

    def wait_menu(self, condition, what, timeout=WAIT):
        """Waits until condition(menu bar) is true; returns the menu bar."""
        def check():
            menu = self.menu()
            return menu if menu is not None and condition(menu) else None
        try:
            return wait_until(check, timeout, what)
        except TimedOut:
            raise TimedOut("timed out waiting for the menu dump to show %s; it has:\n%s"
                           % (what, self.menu_path.read_text("utf-8")
                              if self.menu_path.exists() else "(no menu dump)"))

    def wait_item(self, id, checked=None, grayed=None, timeout=WAIT):
        def ok(menu):
            item = menu.find(id)
            return (item is not None and (checked is None or item.checked == checked)
                    and (grayed is None or item.grayed == grayed))
        return self.wait_menu(ok, "item %d checked=%s grayed=%s" % (id, checked, grayed), timeout)

    # ----- input to the main window

    def key(self, *keys):
        self.session.key(self.main, *keys)

    def key_down(self, key):
        self.session.key_down(self.main, key)

    def key_up(self, key):
        self.session.key_up(self.main, key)

    def command(self, id):
        """What choosing the menu item (or toolbar button) with this id does: WM_COMMAND."""
        self.session.post(self.main.hwnd, WM_COMMAND, id, 0)

    def wait_keyboard(self, timeout=WAIT):
        """Waits until the main window is the foreground window with the keyboard focus."""
        def ok():
            foreground, active, focus = self.session.focus(self.main)
            return foreground == self.main.hwnd and active == self.main.hwnd and \
                focus == self.main.hwnd
        wait_until(ok, timeout, "the main window to have the keyboard focus", interval=0.2)

    def give_keyboard(self, timeout=WAIT):
        """Makes the main window active, by a click on an empty part of its toolbar if need be."""
        foreground, active, focus = self.session.focus(self.main)
        if foreground == active == focus == self.main.hwnd:
            return
        toolbar = self.session.control(self.main, cls="ToolbarWindow32")
        x, y, w, h = toolbar.rect
        self.session.click(x + w - 10, y + h // 2)
        self.wait_keyboard(timeout)

    def close(self, timeout=WAIT):
        """Closes the program as a user does (Alt+F4) and returns its exit code."""
        self.give_keyboard()
        self.key("alt+F4")
        return self.exit_code(timeout)


def note_on(note, velocity=127, channel=0):
    return "short %08X" % ((velocity << 16) | (note << 8) | 0x90 | channel)


def note_off(note, channel=0):
    return "short %08X" % ((note << 8) | 0x80 | channel)


def program_change(program, channel=0):
    return "short %08X" % ((program << 8) | 0xC0 | channel)


ALL_NOTES_OFF = ["short %08X" % ((0x7B << 8) | 0xB0 | channel) for channel in range(16)]


SKIP_EXIT_CODE = 77  # CTest's SKIP_RETURN_CODE for these tests


def main():
    """Entry point of a test module: skips (exit 77) without Wine or Xvfb, else runs unittest."""
    reason = skip_reason()
    if reason:
        print(reason, flush=True)
        sys.exit(SKIP_EXIT_CODE)
    unittest.main(module="__main__", verbosity=2)
