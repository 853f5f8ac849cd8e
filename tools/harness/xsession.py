"""A virtual X display (Xvfb on a free display number, which it reports through -displayfd), X
input (xdotool; key events made in the server through XTEST for the latency tools) and
screenshots (ImageMagick)."""

import ctypes
import os
import re
import select
import subprocess
import time

from harness import process
from harness.picture import Picture
from harness.process import WAIT, HarnessError

TOOLS = ("Xvfb", "xdotool", "import")


class XSession:
    """Xvfb and what talks to it. env is os.environ with DISPLAY set (and without LC_ALL)."""

    def __init__(self, log, screen=(1280, 1024)):
        self.screen = screen
        read_end, write_end = os.pipe()
        self.xvfb = process.start(
            ["Xvfb", "-displayfd", write_end, "-screen", "0", "%dx%dx24" % screen,
             "-nolisten", "tcp", "-noreset"], os.environ, log, pass_fds=(write_end,))
        os.close(write_end)
        try:
            number = self._display_number(read_end, log)
        except BaseException:
            process.stop(self.xvfb)
            raise
        finally:
            os.close(read_end)
        self.display = ":%d" % number
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("LC_ALL", None)

    @staticmethod
    def _display_number(pipe, log):
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([pipe], [], [], remaining)[0]:
                raise HarnessError("Xvfb did not start: see %s" % log)
            chunk = os.read(pipe, 16)
            if not chunk:
                break
            number += chunk
        if not number.strip().isdigit():
            raise HarnessError("Xvfb gave no display number: see %s" % log)
        return int(number)

    def close(self):
        process.stop(self.xvfb)

    # ----- windows

    def xdotool(self, *args, check=True):
        """Runs xdotool; returns its output. A failure is an error unless check is False."""
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT,
                                check=False)
        if check and result.returncode != 0:
            raise HarnessError("xdotool %s failed: %s"
                               % (" ".join(map(str, args)), result.stderr.decode(errors="replace")))
        return result.stdout.decode("utf-8", "replace")

    def search(self, title):
        """The visible X windows whose name matches the regular expression, newest last."""
        return [int(v) for v in self.xdotool("search", "--onlyvisible", "--name", title,
                                             check=False).split()]

    def wait_window(self, title, timeout=WAIT):
        return process.wait_until(lambda: self.search(title), timeout,
                                  "a window named %r" % title)[-1]

    def wait_gone(self, window, timeout=WAIT):
        """Waits until the X window is no longer shown."""
        process.wait_until(lambda: window not in self.search("."), timeout,
                           "the window %d to close" % window)

    def window_name(self, window):
        return self.xdotool("getwindowname", window, check=False).rstrip("\n")

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        values = dict(re.findall(r"^(\w+)=(\d+)$", self.xdotool("getwindowgeometry", "--shell",
                                                               window), re.M))
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window)

    def focused(self):
        """The X window with the keyboard focus, or None."""
        found = self.xdotool("getwindowfocus", "-f", check=False).split()
        return int(found[0]) if found else None

    # ----- input

    def key(self, window, *keys):
        """Presses and releases each key (xdotool names: 'a', 'shift+a', 'alt+o') in the
        window, or in the one with the keyboard focus when window is None."""
        self.xdotool("key", *(["--window", window] if window is not None else []), *keys)

    def key_down(self, window, key):
        self.xdotool("keydown", "--window", window, key)

    def key_up(self, window, key):
        self.xdotool("keyup", "--window", window, key)

    def type_text(self, window, text):
        self.xdotool("type", "--window", window, "--delay", "20", text)

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

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", str(path)], env=self.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=WAIT, check=True)
        return path


def picture(path):
    """A screenshot (or any picture ImageMagick reads) as a Picture."""
    result = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"],
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=WAIT,
                            check=False)
    if result.returncode != 0:
        raise HarnessError("convert could not read %s: %s"
                           % (path, result.stderr.decode(errors="replace")))
    return Picture.from_ppm(result.stdout)


def unique_colours(path, geometry=None):
    """Number of distinct colours in the picture (or in the part WxH+X+Y of it)."""
    command = ["convert", str(path)]
    if geometry:
        command += ["-crop", geometry, "+repage"]
    command += ["-format", "%k", "info:"]
    result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=WAIT, check=True)
    return int(result.stdout.strip() or b"0")


class XTestKeyboard:
    """Key events made inside the X server through XTEST (libXtst through ctypes) for the
    window with the focus, as a real keyboard's: no process starts between a time stamp taken
    here and the event, as with xdotool. Raises OSError when libX11 or libXtst is missing."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise HarnessError("cannot open X display %s" % display)

    def keycode(self, name):
        return self.x11.XKeysymToKeycode(self.dpy, self.x11.XStringToKeysym(name.encode()))

    def send(self, keycode, down):
        """Sends one key event; returns time.monotonic() before and after the request left."""
        before = time.monotonic()
        self.xtst.XTestFakeKeyEvent(self.dpy, keycode, 1 if down else 0, 0)
        self.x11.XFlush(self.dpy)
        return before, time.monotonic()

    def sync(self):
        self.x11.XSync(self.dpy, 0)

    def close(self):
        if self.dpy:
            self.x11.XCloseDisplay(self.dpy)
            self.dpy = None
