"""What the two adapters share: a Session (a virtual display, an output folder and every process
started in it) and a Program (one run of one of the programs, read through its call log and
menu dump, played with real X input).

An adapter is a Session subclass and a Program subclass; wine_adapter and native_adapter are
the two. Each program writes the same call log and menu dump, so everything about those is
here; what differs is how windows are found, and how dialogs and commands are reached.
"""

import os
import shutil
import subprocess
from pathlib import Path

from harness import formats, process, xsession
from harness.process import REPO, WAIT, TimedOut, wait_until
from harness.xsession import XSession

OUT_ROOT = Path(os.environ.get("VELMIRA_E2E_OUT") or REPO / "build" / "e2e")
SCREEN = (1280, 1024)
START = ["open -1 ok", formats.program_change(0)]  # the calls of a start with defaults
MAIN_TITLE = "^Velmira - "
BUTTONS = ("Yes", "No", "Cancel")
RECORD, RECORD_STOP = 1283, 1284  # 开始录制, 停止录制


class Session:
    """A virtual display and an output folder (build/e2e/ADAPTER/NAME, emptied first) for the
    tests of one file on one adapter; close() ends every process started in it, also when the
    tests end with a failure or a signal."""

    adapter = None  # "wine" or "native"

    def __init__(self, name):
        self.name = name
        self.out = OUT_ROOT / self.adapter / name
        if self.out.exists():
            shutil.rmtree(self.out)
        self.out.mkdir(parents=True)
        self.processes = []
        self.x = None
        self._closed = False
        process.end_at_exit(self.close)
        try:
            self.x = XSession(self.out / "xvfb.log", SCREEN)
            self._start()
        except BaseException:
            self.close()
            raise

    def _start(self):
        """What the adapter starts after the display."""

    def _stop(self):
        """What the adapter ends before its processes and the display."""

    def close(self):
        if self._closed:
            return
        self._closed = True
        self._stop()
        for popen in self.processes:
            process.stop(popen)
        if self.x is not None:
            self.x.close()

    def start(self, name="sim", env=None, args=(), simulated=True):
        """A run of the program (the simulation build unless simulated is False)."""
        raise NotImplementedError

    def file_argument(self, path):
        """A path as the program takes it on its command line and in its file dialogs."""
        return str(path)

    # ----- X input and pictures

    def click(self, x, y):
        self.x.click(x, y)

    def mouse_down(self, x, y):
        self.x.mouse_down(x, y)

    def mouse_up(self):
        self.x.mouse_up()

    def screenshot(self, name):
        return self.x.screenshot(self.out / ("%s.png" % name))

    def picture(self, path):
        return xsession.picture(path)

    def unique_colours(self, path, geometry=None):
        return xsession.unique_colours(path, geometry)

    def recovery_copies(self):
        """The recovery copies (take-*.qji) in the programs' data folder, by name."""
        raise NotImplementedError


class Program:
    """One run of a program in a session, with its call log (NAME.midi.log) and menu dump
    (NAME.menu.txt) in the session's folder. main is the main window once wait_main_window()
    has found it: an adapter's own kind of handle."""

    def __init__(self, session, name):
        self.session = session
        self.name = name
        self.log_path = session.out / ("%s.midi.log" % name)
        self.menu_path = session.out / ("%s.menu.txt" % name)
        for path in (self.log_path, self.menu_path):
            if path.exists():
                path.unlink()
        self.cursor = 0  # calls before this index have been checked
        self.main = None
        self.popen = None  # set by the adapter

    # ----- life

    def exit_code(self, timeout=WAIT):
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TimedOut("%s did not end within %.0f s" % (self.name, timeout))

    def running(self):
        return self.popen.poll() is None

    def close(self, timeout=WAIT):
        """Closes the program as a user does (Alt+F4) and returns its exit code."""
        self.request_close()
        return self.exit_code(timeout)

    def request_close(self):
        """Alt+F4 to the main window, with the keyboard given to it first."""
        self.give_keyboard()
        self.session.x.key(None, "alt+F4")

    # ----- what each adapter does its own way

    def wait_main_window(self, timeout=WAIT):
        """Waits for the visible main window; remembers and returns it."""
        raise NotImplementedError

    def title(self):
        raise NotImplementedError

    def geometry(self):
        """(x, y, width, height) of the main window on the screen."""
        raise NotImplementedError

    def give_keyboard(self, timeout=WAIT):
        """Makes the main window the one with the keyboard focus."""
        raise NotImplementedError

    def wait_keyboard(self, timeout=WAIT):
        """Waits until the main window has the keyboard focus."""
        raise NotImplementedError

    def command(self, id):
        """Carries out the menu command with this id."""
        raise NotImplementedError

    def push(self, id):
        """Carries out a transport command (record, stop, play, loop) as a user does."""
        raise NotImplementedError

    def wait_box(self, title, timeout=WAIT):
        """Waits for a message box (or dialog) with this title; returns it."""
        raise NotImplementedError

    def box_texts(self, box):
        """The texts of a message box, or None when the adapter cannot read them."""
        raise NotImplementedError

    def answer(self, box, button):
        """Answers a question box (Yes, No or Cancel) and waits until it has gone."""
        raise NotImplementedError

    def choose_file(self, dialog, path):
        """Enters the path in a file dialog (from wait_box) and confirms it; waits until the
        dialog has gone."""
        raise NotImplementedError

    def enter_text(self, title, text):
        """Waits for the program's dialog that asks for a text (AskText), replaces its text and
        confirms it; waits until the dialog has gone."""
        raise NotImplementedError

    def other_window(self, pattern, timeout=WAIT):
        """Waits for a visible window (one beside the main window) whose whole title matches the
        regular expression (plain characters, ".*" and "|" mean the same to both adapters);
        returns its title and its client area on the screen, (x, y, width, height)."""
        raise NotImplementedError

    def kill(self):
        """Ends the program at once, as a crash would (no clean-up in it); waits until it has."""
        raise NotImplementedError

    # ----- takes

    def start_take(self):
        """Starts recording as a user does; waits until the keys are the main window's again."""
        self.push(RECORD)
        self.wait_item(RECORD_STOP, grayed=False)
        self.wait_keyboard()

    def stop_take(self):
        self.push(RECORD_STOP)
        self.wait_item(RECORD_STOP, grayed=True)
        self.wait_keyboard()

    # ----- input to the main window

    def key(self, *keys):
        self.session.x.key(self.main.xwindow, *keys)

    def key_down(self, key):
        self.session.x.key_down(self.main.xwindow, key)

    def key_up(self, key):
        self.session.x.key_up(self.main.xwindow, key)

    # ----- the call log

    def events(self):
        """Every complete line of the call log without its time stamp ('short 007F3C90')."""
        return [text for _, text in self.stamped_events()]

    def stamped_events(self):
        """Every complete line of the call log as (time stamp in ms, 'short 007F3C90')."""
        return formats.read_call_log(self.log_path)

    def expect(self, expected, what, timeout=WAIT, ignore=None):
        """The next len(expected) events since the last check; waits until they are there.

        Returns them, for the caller to compare with expected (assertEqual shows the difference).
        Events that come after them are left for the next check, which then sees them first.
        Events for which ignore(event) is true (e.g. formats.is_click) are passed over.
        """
        start = self.cursor

        def kept():
            return [(index, event) for index, event in enumerate(self.events()[start:], start)
                    if not (ignore and ignore(event))]

        def enough():
            found = kept()
            return (found,) if len(found) >= len(expected) else None
        try:
            found = wait_until(enough, timeout, what, interval=0.02)[0][:len(expected)]
        except TimedOut:
            got = [event for _, event in kept()]
            self.cursor = len(self.events())
            raise TimedOut("%s: expected %r, got only %r within %.0f s"
                           % (what, expected, got, timeout))
        got = [event for _, event in found]
        if got == list(expected):
            self.cursor = found[-1][0] + 1 if found else start
        else:
            self.cursor = len(self.events())  # start afresh after a mismatch
        return got

    def skip_events(self):
        """Marks everything logged so far as seen."""
        self.cursor = len(self.events())

    # ----- the menu dump

    def menu_text(self):
        """The menu dump as the program wrote it last, or None."""
        try:
            return self.menu_path.read_bytes().decode("utf-8").replace("\r", "")
        except FileNotFoundError:
            return None

    def menu(self):
        text = self.menu_text()
        return None if text is None else formats.parse_menu_dump(text)

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
            return wait_until(check, timeout, what, interval=0.02)
        except TimedOut:
            raise TimedOut("timed out waiting for the menu dump to show %s; it has:\n%s"
                           % (what, self.menu_text() or "(no menu dump)"))

    def wait_item(self, id, checked=None, grayed=None, timeout=WAIT):
        def ok(menu):
            item = menu.find(id)
            return (item is not None and (checked is None or item.checked == checked)
                    and (grayed is None or item.grayed == grayed))
        return self.wait_menu(ok, "item %d checked=%s grayed=%s" % (id, checked, grayed), timeout)
