"""The Windows programs (velmira.exe, velmira-sim.exe) under Wine. The session starts Xvfb and a
persistent wineserver for the shared prefix; windows and controls are found through the driver
(harness.driver), messages posted through it, and X input goes to the windows' X windows."""

import re
import shutil

from harness import process, wine
from harness.adapter import BUTTONS, Program, Session
from harness.driver import (WIN32_DIR, WM_COMMAND, Control, Driver, ToolbarButton, Window,
                            driver_path)
from harness.process import WAIT, HarnessError, wait_until
from harness.xsession import TOOLS as X_TOOLS

MAIN_CLASS = "QJ"
BOX_CLASS = "#32770"
BUTTON_IDS = dict(zip(BUTTONS, (6, 7, 2)))  # IDYES, IDNO, IDCANCEL
IDOK = 1
FILE_NAME_EDIT = 1148
ASK_TEXT_EDIT = 101  # the edit box of the dialog "AskText" (resources/velmira.rc)


def unavailable():
    """Why the Windows programs cannot run here (no Wine, no Xvfb), or None."""
    missing = process.missing_tools(wine.TOOLS + ("Xvfb",))
    if missing:
        return ("%s not installed (Debian packages: wine wine64 xvfb xdotool x11-utils "
                "imagemagick fonts-wqy-microhei)" % ", ".join(missing))
    return None


class WineSession(Session):
    adapter = "wine"
    server = None

    def _start(self):
        helpers = process.missing_tools(X_TOOLS)
        if helpers:
            raise HarnessError("missing tools: %s (install xdotool imagemagick)"
                               % ", ".join(helpers))
        driver_path()  # an error before anything else starts
        self.env = wine.environment(self.x.display)
        self.server = wine.WineServer(self.env, self.out)
        # No recovery copy of an earlier session's program is offered to this one's.
        for folder in wine.data_folders(self.env["WINEPREFIX"]):
            shutil.rmtree(folder, ignore_errors=True)
        self.driver = Driver(self.env, self.out)

    def _stop(self):
        if self.server is not None:
            self.server.stop()

    def start(self, name="sim", env=None, args=(), simulated=True):
        return WineProgram(self, "velmira-sim.exe" if simulated else "velmira.exe", env, name,
                           args)

    def file_argument(self, path):
        return wine.windows_path(path)

    def recovery_copies(self):
        return sorted(path for folder in wine.data_folders(self.env["WINEPREFIX"])
                      for path in folder.glob("take-*.qji"))

    def launch(self, exe, env, name, args=()):
        """Starts a Windows program with the arguments, its output in NAME.wine.txt; returns the
        Popen of its wine launcher. Wine makes the command line, quoting one with a space."""
        exe = WIN32_DIR / exe
        if not exe.exists():
            raise HarnessError("%s does not exist: build it with cmake --build build/win32" % exe)
        popen = process.start([*wine.WINE, exe, *args], dict(self.env, **env),
                              self.out / ("%s.wine.txt" % name))
        self.processes.append(popen)
        return popen

    def driver_background(self, *args, name):
        """Starts the driver in the background (ended with the session); returns its Popen."""
        popen = self.driver.background(*args, name=name)[0]
        self.processes.append(popen)
        return popen

    # ----- windows

    def windows(self):
        return [Window(f) for f in self.driver.run("windows") if len(f) >= 10]

    def find_windows(self, cls=None, title=None, visible=None):
        return [w for w in self.windows()
                if (cls is None or w.cls == cls) and (title is None or w.title == title)
                and (visible is None or w.visible == visible)]

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

    def wait_gone(self, window, timeout=WAIT):
        wait_until(lambda: not [w for w in self.windows() if w.hwnd == window.hwnd and w.visible],
                   timeout, "%r to go" % window, interval=0.2)

    def children(self, hwnd):
        return [Control(f) for f in self.driver.run("children", hwnd) if len(f) >= 10]

    def control(self, parent, id=None, cls=None):
        for child in self.children(parent.hwnd if isinstance(parent, Window) else parent):
            if (id is None or child.id == id) and (cls is None or child.cls == cls):
                return child
        raise AssertionError("no control with id %r and class %r in %r" % (id, cls, parent))

    def toolbar_buttons(self, toolbar):
        return [ToolbarButton(f) for f in self.driver.run("toolbar", toolbar.hwnd) if len(f) >= 8]

    def scroll_info(self, bar):
        fields = self.driver.run("scroll", bar.hwnd)[0]
        return dict(zip(("min", "max", "page", "pos"), (int(v) for v in fields)))

    def focus(self, window):
        """(foreground, active, focus) window handles for the window's thread."""
        return tuple(self.driver.run("focus", window.hwnd)[0])

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.driver.run("post", hwnd, message, wparam, lparam)

    def client_rect(self, window):
        """The window's client area on the screen: (x, y, width, height)."""
        return tuple(int(v) for v in self.driver.run("client", window.hwnd)[0][:4])

    def cell_size(self, window):
        """(cw, ch): the size of "M" in the system font on a drawing context of the window."""
        return tuple(int(v) for v in self.driver.run("cell", window.hwnd)[0][:2])

    def set_text(self, hwnd, text):
        """Sets a control's text (WM_SETTEXT), e.g. a file name in a file dialog's edit box."""
        self.driver.run("settext", hwnd, text)

    def dismiss(self, box):
        """Enter to a message box, once it has the keyboard (a click on its text if need be)."""
        if self.focus(box)[0] != box.hwnd:
            x, y, w, h = box.rect
            self.click(x + w // 2, y + h // 4)  # on the text, away from the button
        self.key(box, "Return")

    def key(self, window, *keys):
        self.x.key(window.xwindow, *keys)

    def key_up(self, window, key):
        self.x.key_up(window.xwindow, key)


class WineProgram(Program):
    """One run of velmira.exe or velmira-sim.exe; the simulation build's call log and menu dump
    paths are given to it as Windows paths."""

    def __init__(self, session, exe, env, name, args):
        super().__init__(session, name)
        full_env = {"VELMIRA_SIM_LOG": wine.windows_path(self.log_path),
                    "VELMIRA_SIM_MENU": wine.windows_path(self.menu_path)}
        full_env.update(env or {})
        self.popen = session.launch(exe, full_env, name, args)

    def wait_main_window(self, timeout=WAIT):
        self.main = self.session.wait_window(cls=MAIN_CLASS, timeout=timeout)
        return self.main

    def refresh_main(self):
        windows = self.session.find_windows(cls=MAIN_CLASS, visible=True)
        if windows:
            self.main = windows[0]
        return self.main

    def title(self):
        return self.refresh_main().title

    def geometry(self):
        return self.refresh_main().rect

    def has_keyboard(self):
        return self.session.focus(self.main) == (self.main.hwnd,) * 3

    def wait_keyboard(self, timeout=WAIT):
        """Waits until the main window is the foreground window with the keyboard focus."""
        wait_until(self.has_keyboard, timeout, "the main window to have the keyboard focus",
                   interval=0.2)

    def give_keyboard(self, timeout=WAIT):
        """Makes the main window active, by a click on an empty part of its toolbar if need be:
        right of its buttons, and not under another window (the 简谱 window lies over the
        toolbar's right end)."""
        if self.has_keyboard():
            return
        toolbar = self.session.control(self.main, cls="ToolbarWindow32")
        x, y, w, h = toolbar.rect
        buttons_end = max(b.rect[0] + b.rect[2] for b in self.session.toolbar_buttons(toolbar))
        covers = [window.rect for window in self.session.find_windows(visible=True)
                  if window.hwnd != self.main.hwnd]
        free = [spot for spot in range(x + w - 10, buttons_end, -8)
                if not any(left <= spot < left + width and top <= y + h // 2 < top + height
                           for left, top, width, height in covers)]
        if not free:
            raise HarnessError("no part of the toolbar is free to click")
        self.session.click(free[0], y + h // 2)
        self.wait_keyboard(timeout)

    def command(self, id):
        """What choosing the menu item (or toolbar button) with this id does: WM_COMMAND."""
        self.session.post(self.main.hwnd, WM_COMMAND, id, 0)

    def push(self, id):
        """A click on the transport button. The command disables the button, which hands the
        keyboard back to the main window."""
        button = self.session.control(self.main, id=id, cls="Button")
        if not button.enabled:
            raise AssertionError("button %d is disabled" % id)
        self.session.click(*button.centre)

    def wait_box(self, title, timeout=WAIT):
        return self.session.wait_window(cls=BOX_CLASS, title=title, timeout=timeout)

    def box_texts(self, box):
        return [c.text for c in self.session.children(box.hwnd) if c.cls == "Static" and c.text]

    def answer(self, box, button):
        self.session.click(*self.session.control(box, id=BUTTON_IDS[button], cls="Button").centre)
        self.session.wait_gone(box)

    def choose_file(self, dialog, path):
        """Sets the file name in the dialog's edit box (WM_SETTEXT, as typing would leave it) and
        clicks its OK button (保存 or 打开)."""
        name = wine.windows_path(path)
        edit = self.session.control(dialog, id=FILE_NAME_EDIT, cls="Edit")
        self.session.set_text(edit.hwnd, name)
        wait_until(lambda: self.session.control(dialog, id=FILE_NAME_EDIT, cls="Edit").text
                   == name, WAIT, "the file name in the dialog")
        self.session.click(*self.session.control(dialog, id=IDOK, cls="Button").centre)
        self.session.wait_no_window(BOX_CLASS)

    def enter_text(self, title, text):
        """Sets the text of the dialog's edit box (WM_SETTEXT) and clicks its OK button."""
        dialog = self.wait_box(title)
        self.session.set_text(self.session.control(dialog, id=ASK_TEXT_EDIT, cls="Edit").hwnd,
                              text)
        wait_until(lambda: self.session.control(dialog, id=ASK_TEXT_EDIT, cls="Edit").text
                   == text, WAIT, "the text in the dialog")
        self.session.click(*self.session.control(dialog, id=IDOK, cls="Button").centre)
        self.session.wait_gone(dialog)

    def other_window(self, pattern, timeout=WAIT):
        def found():
            return [w for w in self.session.find_windows(visible=True)
                    if re.fullmatch(pattern, w.title)]
        window = wait_until(found, timeout, "a window titled %r" % pattern, interval=0.2)[0]
        return window.title, self.session.client_rect(window)

    def kill(self):
        """TerminateProcess, through the driver."""
        self.session.driver.run("kill", self.main.hwnd)
        self.exit_code()
