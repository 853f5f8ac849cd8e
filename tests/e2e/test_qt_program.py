"""The Linux program (velmira-sim, Qt 6) from start to end, natively on a virtual display:
the menu bar as the Windows program's, keys with Shift and Ctrl, Esc, the sustain pedal, mouse
play, record / play once / loop / stop, save and load through the file dialogs, and the
question when closing with unsaved changes. The core is tested on its own; this proves the
shell that carries it.
"""

import time
import unittest

import qtharness as qh
import winharness as wh
from winharness import note_off, note_on

session = None
program = None
START_MENU = None


def setUpModule():
    global session, program
    session = qh.Session("program")
    program = qh.Program(session, name="sim")


def tearDownModule():
    if session is not None:
        session.close()


def stroke(note, channel=0):
    return [note_on(note, 127, channel), note_off(note, channel)]


class LinuxProgram(unittest.TestCase):
    """One run of the program; the steps run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        program.wait_main_window()

    def play(self, keys, expected, what):
        program.key(*keys)
        self.assertEqual(program.expect(expected, what), expected)

    def menu(self, *keys):
        """Chooses a menu item with the keyboard (Alt+letter, then the item's access keys)."""
        program.give_keyboard()
        program.key(*keys)

    def test_1_starts_untitled_with_the_device_open_and_the_windows_menus(self):
        global START_MENU
        self.assertEqual(program.expect(["open -1 ok", wh.program_change(0)], "start"),
                         ["open -1 ok", wh.program_change(0)])
        self.assertEqual(session.title(program.main), "Velmira - [未命名]")
        START_MENU = program.wait_menu(lambda m: len(m.items) == 8, "eight popups")
        START_MENU = program.menu_path.read_text("utf-8")

    def test_2_keys_with_shift_ctrl_esc_and_the_pedal(self):
        self.play(["a"], stroke(60), "A")
        self.play(["shift+a"], stroke(72), "Shift+A")
        self.play(["ctrl+a"], stroke(48), "Ctrl+A")
        program.key_down("a")
        self.assertEqual(program.expect([note_on(60)], "A held"), [note_on(60)])
        time.sleep(0.8)  # the X server repeats the key: the note must not restart
        self.play(["Escape"], wh.ALL_NOTES_OFF, "Esc with A held")
        program.key_up("a")
        self.play(["d"], stroke(64), "D after Esc")
        program.key_down("space")
        self.play(["a"], ["short 007F40B0"] + stroke(60), "A under the pedal")
        program.key_up("space")
        self.assertEqual(program.expect(["short 000040B0"], "pedal up"), ["short 000040B0"])

    def test_3_the_mouse_plays_a_cap(self):
        caps = wh.Picture.from_bmp(wh.REPO / "resources" / "keycaps.bmp")
        corner = qh.find_key_block(session.picture(session.screenshot("keyboard")), caps)
        self.assertIsNotNone(corner, "the key block is not on the screen")
        x0, y0 = corner
        # A: row 2, half-column 2.
        session.mouse_down(x0 + 2 * 19 + 19, y0 + 2 * 39 + 30)
        self.assertEqual(program.expect([note_on(60)], "A clicked"), [note_on(60)])
        session.mouse_up()
        self.assertEqual(program.expect([note_off(60)], "mouse up"), [note_off(60)])

    def test_4_record_play_once_loop_and_stop(self):
        self.menu("alt+r", "r")
        program.wait_item(1284, grayed=False)
        program.give_keyboard()
        self.play(["a"], stroke(60), "A recorded")
        time.sleep(0.3)
        self.play(["d"], stroke(64), "D recorded")
        self.menu("alt+r", "e")
        program.wait_item(1285, grayed=False)
        self.menu("alt+r", "p")
        phrase = stroke(60) + stroke(64)
        self.assertEqual(program.expect(phrase + wh.ALL_NOTES_OFF, "played once"),
                         phrase + wh.ALL_NOTES_OFF)
        program.wait_item(1286, grayed=False)
        self.menu("alt+r", "l", "Return")  # the first of two items with L
        self.assertEqual(program.expect(phrase + phrase, "looped twice"), phrase + phrase)
        self.menu("alt+r", "o")
        events = program.expect(wh.ALL_NOTES_OFF, "stopped")
        program.skip_events()
        self.assertIn(wh.ALL_NOTES_OFF[0], events + program.events()[-16:])

    def dialog(self, what, path):
        """Types a path into the file dialog that opens, and confirms it."""
        dialog = session.wait_window(what)
        session.focus(dialog)
        session.type_text(dialog, path)
        session.xdotool("key", "Return")  # to the focused dialog, which goes on the key-down
        wh.wait_until(lambda: not session.search(what), wh.WAIT, "the dialog to close")

    def test_5_save_and_load_through_the_dialogs(self):
        path = session.out / "take.qji"
        self.menu("alt+r", "a")
        self.dialog("^另存为$", str(path))
        wh.wait_until(lambda: session.title(program.main) == "Velmira - [take.qji]", wh.WAIT,
                      "the saved file's name in the title")
        self.assertEqual(path.stat().st_size, 104 + 16 * 4)
        self.menu("alt+r", "l", "l", "Return")  # the second of two items with L
        self.dialog("^打开$", str(path))
        program.wait_item(1285, grayed=False)
        program.skip_events()
        self.menu("alt+r", "p")
        phrase = stroke(60) + stroke(64)
        self.assertEqual(program.expect(phrase + wh.ALL_NOTES_OFF, "the loaded take"),
                         phrase + wh.ALL_NOTES_OFF)

    def answer(self, button):
        """Answers the question box "QJ" with a click on its button (Yes, No, Cancel from left
        to right along its bottom)."""
        box = session.wait_window("^QJ$")
        x, y, width, height = session.geometry(box)
        place = {"Yes": 0.18, "No": 0.5, "Cancel": 0.82}[button]
        session.click(x + int(width * place), y + height - 22)
        wh.wait_until(lambda: not session.search("^QJ$"), wh.WAIT, "the question to close")

    def test_6_closing_with_unsaved_changes_asks(self):
        self.menu("alt+r", "r")
        program.wait_item(1284, grayed=False)
        program.give_keyboard()
        self.play(["s"], stroke(62), "S recorded")
        self.menu("alt+r", "e")
        program.wait_item(1288, grayed=False)
        program.give_keyboard()
        session.xdotool("key", "alt+F4")  # real key events, to the window with the keyboard
        self.answer("Cancel")  # the program stays
        self.assertTrue(program.running())
        program.give_keyboard()
        session.xdotool("key", "alt+F4")
        self.answer("No")  # ends without saving
        self.assertEqual(program.exit_code(), 0)
        program.skip_events()
        self.assertEqual(program.events()[-17:], wh.ALL_NOTES_OFF + ["close"])

    def test_7_the_menu_bar_is_the_windows_programs(self):
        if wh.skip_reason() is not None or not wh.program_path("velmira-sim.exe").exists():
            self.skipTest("Wine or velmira-sim.exe missing: no Windows menu bar to compare")
        with wh.Session("qt_menu_compare") as windows:
            other = wh.Program(windows, name="sim")
            other.wait_main_window()
            other.wait_menu(lambda m: len(m.items) == 8, "eight popups")
            windows_menu = other.menu_path.read_bytes().decode("utf-8").replace("\r", "")
        self.assertEqual(START_MENU, windows_menu)


if __name__ == "__main__":
    qh.main()
