"""The Linux programs (build/native/velmira-sim and velmira, Qt 6) natively on the virtual
display. Windows are found by their names with xdotool; a menu command is chosen with the menu
bar's access keys, read from the menu dump; a Qt box's text cannot be read through X."""

import os
import re
from pathlib import Path

from harness import process
from harness.adapter import BUTTONS, MAIN_TITLE, Program, Session
from harness.process import REPO, WAIT, HarnessError, wait_until
from harness.xsession import TOOLS as X_TOOLS

NATIVE_DIR = Path(os.environ.get("VELMIRA_NATIVE_DIR") or REPO / "build" / "native")
# The keys of the buttons Yes, No and Cancel of a question box: their access keys, and Esc.
ANSWER_KEYS = dict(zip(BUTTONS, ("alt+y", "alt+n", "Escape")))


def unavailable():
    """Why the Linux programs cannot run here (no Xvfb, xdotool or ImageMagick, not built), or
    None."""
    missing = process.missing_tools(X_TOOLS)
    if missing:
        return "%s not installed (Debian packages: xvfb xdotool imagemagick)" % ", ".join(missing)
    if not (NATIVE_DIR / "velmira-sim").exists():
        return "%s/velmira-sim not built (Qt 6)" % NATIVE_DIR
    return None


class XWindow:
    """A top-level X window found by its name."""

    def __init__(self, xwindow):
        self.xwindow = xwindow

    def __repr__(self):
        return "<X window %d>" % self.xwindow


class NativeSession(Session):
    adapter = "native"

    def _start(self):
        runtime = self.out / "runtime"
        runtime.mkdir(mode=0o700)
        self.env = {name: value for name, value in self.x.env.items()
                    if not name.startswith("VELMIRA_SIM_")}
        # The session's own data folder: the recovery copies of its programs only.
        self.env.update(XDG_RUNTIME_DIR=str(runtime), QT_QPA_PLATFORM="xcb",
                        XDG_DATA_HOME=str(self.out / "data"))

    def start(self, name="sim", env=None, args=(), simulated=True):
        return NativeProgram(self, "velmira-sim" if simulated else "velmira", env, name, args)

    def launch(self, program, env, name, args=()):
        """Starts a program with its output in NAME.out.txt and its settings in NAME.config."""
        config = self.out / (name + ".config")
        config.mkdir()
        popen = process.start([NATIVE_DIR / program, *args],
                              dict(self.env, XDG_CONFIG_HOME=str(config), **env),
                              self.out / ("%s.out.txt" % name))
        self.processes.append(popen)
        return popen

    def wait_window(self, title, timeout=WAIT):
        """The newest visible window whose name matches the regular expression."""
        return XWindow(self.x.wait_window(title, timeout))

    def search(self, title):
        return self.x.search(title)

    def recovery_copies(self):
        return sorted((self.out / "data" / "velmira").glob("take-*.qji"))

    def dismiss(self, box):
        """Enter to a box (focused first: it goes on the key-down); waits until it has gone."""
        self.x.focus(box.xwindow)
        self.x.key(None, "Return")
        self.x.wait_gone(box.xwindow)


class NativeProgram(Program):
    def __init__(self, session, program, env, name, args):
        super().__init__(session, name)
        full_env = {"VELMIRA_SIM_LOG": str(self.log_path), "VELMIRA_SIM_MENU": str(self.menu_path)}
        full_env.update(env or {})
        self.popen = session.launch(program, full_env, name, args)

    def wait_main_window(self, timeout=WAIT):
        self.main = self.session.wait_window(MAIN_TITLE, timeout)
        self.give_keyboard()
        return self.main

    def title(self):
        return self.session.x.window_name(self.main.xwindow)

    def geometry(self):
        return self.session.x.geometry(self.main.xwindow)

    def give_keyboard(self, timeout=WAIT):
        self.session.x.focus(self.main.xwindow)

    def wait_keyboard(self, timeout=WAIT):
        wait_until(lambda: self.session.x.focused() == self.main.xwindow, timeout,
                   "the main window to have the keyboard focus", interval=0.1)

    def command(self, id):
        """Chooses the item with the keyboard: Alt and the menu's access key, then the item's
        (a letter that several items share moves along them, and Enter chooses)."""
        keys = access_keys(self.menu(), id)
        self.give_keyboard()
        self.key(*keys)

    def push(self, id):
        """The transport buttons cannot be found through X: the record menu's item instead."""
        self.command(id)

    def wait_box(self, title, timeout=WAIT):
        return self.session.wait_window("^%s$" % re.escape(title), timeout)

    def box_texts(self, box):
        return None

    def answer(self, box, button):
        """The button's key to the box (focused first: the key goes on the key-down); the
        buttons lie where the box's text leaves them, so a key finds them and a click may not."""
        self.session.x.focus(box.xwindow)
        self.session.x.key(None, ANSWER_KEYS[button])
        self.session.x.wait_gone(box.xwindow)

    def choose_file(self, dialog, path):
        """Types the path over the name the dialog suggests (focused: it goes on the key-down)
        and presses Enter."""
        self.session.x.focus(dialog.xwindow)
        self.session.x.key(None, "ctrl+a")
        self.session.x.type_text(dialog.xwindow, str(path))
        self.session.x.key(None, "Return")
        self.session.x.wait_gone(dialog.xwindow)

    def enter_text(self, title, text):
        """Qt's input dialog: its text typed over as a file dialog's name is."""
        self.choose_file(self.wait_box(title), text)

    def other_window(self, pattern, timeout=WAIT):
        window = self.session.wait_window("^(%s)$" % pattern, timeout).xwindow
        return self.session.x.window_name(window), self.session.x.geometry(window)

    def kill(self):
        self.popen.kill()
        self.exit_code()


def access_keys(menu, id):
    """The keys that choose the item with this id in the menu bar (a parsed menu dump)."""
    if menu is None:
        raise HarnessError("no menu dump to find the access keys of item %d in" % id)
    path = menu.path(id)
    if not path:
        raise HarnessError("no item %d in the menu dump" % id)
    keys = []
    siblings = menu.items
    for depth, item in enumerate(path):
        letter = item.access_key
        if letter is None:
            raise HarnessError("%r has no access key" % item)
        sharing = [s for s in siblings if s.access_key == letter]
        if depth == 0:
            if len(sharing) > 1:
                raise HarnessError("the menus %r share their access key" % sharing)
            keys.append("alt+" + letter.lower())
        else:
            keys += [letter.lower()] * (sharing.index(item) + 1)
            if len(sharing) > 1:
                keys.append("Return")
        siblings = item.items
    return keys
