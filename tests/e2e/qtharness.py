"""Runs the Linux program (build/native/velmira-sim) natively on a virtual X display, for the
end-to-end tests of the Qt shell. The shape is that of winharness: a Session owns Xvfb and
every process it starts; a Program reads the simulated synthesizer's call log and the dump of
the live menu bar, in the same formats as the Windows program's (winharness reads them).
Windows are found and driven with xdotool; pictures are taken with ImageMagick's import.
"""

import os
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

import winharness as wh
from winharness import WAIT, HarnessError, TimedOut, wait_until  # noqa: F401 (for the tests)

NATIVE_DIR = Path(os.environ.get("VELMIRA_NATIVE_DIR") or wh.REPO / "build" / "native")
OUT_ROOT = wh.OUT_ROOT.parent / "e2e_qt"


def skip_reason():
    missing = [tool for tool in ("Xvfb", "xdotool", "import") if shutil.which(tool) is None]
    if missing:
        return "Linux end-to-end tests skipped: %s not installed" % ", ".join(missing)
    if not (NATIVE_DIR / "velmira-sim").exists():
        return "Linux end-to-end tests skipped: %s/velmira-sim not built (Qt 6)" % NATIVE_DIR
    return None


class XWindow:
    """A top-level X window found by xdotool (what winharness's key() and click() need)."""

    def __init__(self, xwindow):
        self.xwindow = xwindow
        self.hwnd = xwindow


class Session(wh.Session):
    """Xvfb for one test module; the X input and pictures of winharness, no Wine."""

    OUT = OUT_ROOT

    def _check(self):
        reason = skip_reason()
        if reason:
            raise unittest.SkipTest(reason)

    def _start(self):
        self._start_xvfb()
        runtime = self.out / "runtime"
        runtime.mkdir(mode=0o700)
        self.env = dict(self.xenv, XDG_RUNTIME_DIR=str(runtime), QT_QPA_PLATFORM="xcb")
        for variable in list(self.env):
            if variable.startswith("VELMIRA_SIM_"):
                del self.env[variable]

    def launch_native(self, path, env, name, args=()):
        output = open(self.out / ("%s.out.txt" % name), "wb")
        popen = subprocess.Popen([str(path), *map(str, args)], env=dict(self.env, **env),
                                 stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                 preexec_fn=wh._die_with_parent)
        output.close()
        self.helpers.append(popen)
        return popen

    def search(self, title):
        """The X windows whose name matches the regular expression, newest last."""
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                                env=self.xenv, stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=WAIT, check=False)
        return [int(line) for line in result.stdout.split()]

    def wait_window(self, title, timeout=WAIT):
        found = wait_until(lambda: self.search(title), timeout, "a window named %r" % title)
        return XWindow(found[-1])

    def title(self, window):
        result = subprocess.run(["xdotool", "getwindowname", str(window.xwindow)],
                                env=self.xenv, capture_output=True, timeout=WAIT, check=False)
        return result.stdout.decode("utf-8", "replace").rstrip("\n")

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        result = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window.xwindow)],
                                env=self.xenv, capture_output=True, text=True, timeout=WAIT)
        values = dict(line.split("=", 1) for line in result.stdout.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window.xwindow)

    def type_text(self, window, text):
        self.xdotool("type", "--window", window.xwindow, "--delay", "20", text)


def find_key_block(picture, caps):
    """The top-left corner of the on-screen key block: where the first cap's top two rows of
    the grey cap picture (released) first appear in the picture, or None."""
    first, second = caps.rows[0][:3 * 38], caps.rows[1][:3 * 38]
    for y in range(picture.height - 1):
        x = picture.rows[y].find(first)
        while x >= 0:
            if x % 3 == 0 and picture.rows[y + 1][x:x + len(second)] == second:
                return x // 3, y
            x = picture.rows[y].find(first, x + 1)
    return None


class Program(wh.Program):
    """One run of velmira-sim with its call log and menu dump in the session's folder."""

    def __init__(self, session, env=None, name="run", args=()):
        self.session = session
        self.name = name
        self.log_path = session.out / ("%s.midi.log" % name)
        self.menu_path = session.out / ("%s.menu.txt" % name)
        full_env = {"VELMIRA_SIM_LOG": str(self.log_path), "VELMIRA_SIM_MENU": str(self.menu_path)}
        full_env.update(env or {})
        self.popen = session.launch_native(NATIVE_DIR / "velmira-sim", full_env, name, args)
        self.cursor = 0
        self.main = None

    def wait_main_window(self, timeout=WAIT):
        self.main = self.session.wait_window("^Velmira - ", timeout)
        self.give_keyboard()
        return self.main

    def give_keyboard(self, timeout=WAIT):
        self.session.focus(self.main)

    def close(self, timeout=WAIT):
        """Closes the program as a user does (Alt+F4 to the focused window: the window is gone
        before the keys are up) and returns its exit code."""
        self.give_keyboard()
        self.session.xdotool("key", "alt+F4")
        return self.exit_code(timeout)


def main():
    reason = skip_reason()
    if reason:
        print(reason, flush=True)
        sys.exit(wh.SKIP_EXIT_CODE)
    unittest.main(module="__main__", verbosity=2)
