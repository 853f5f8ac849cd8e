"""Performance files (.qji) in velmira-sim.exe: saved through the save dialog (the file's size
and records, the title), loaded back through the open dialog after recording something else and
in a fresh run (the title, the same notes played), the question on closing with unsaved changes
(Cancel, No, Yes then a cancelled save dialog), a file named on the command line that plays once
by itself about 500 ms after the start, and a missing one.

The dialogs are Wine's own: the file name is set in the dialog's edit box (WM_SETTEXT, as
typing would leave it) and the dialog's buttons are clicked. Files go to build/e2e/files/.
"""

import struct
import unittest

import winharness as wh
from winharness import note_off, note_on, program_change

session = None

TOLERANCE_MS = 40    # between replayed notes, as in test_record_playback
START_DELAY_MS = 500
LATE_MS = 1500       # how much later than planned the first note may come on a busy machine

SAVE, SAVE_AS, LOAD, EXPORT = 1288, 1289, 1296, 1282
START, STOP, PLAY = 1283, 1284, 1285
IDYES, IDNO, IDCANCEL, IDOK = 6, 7, 2, 1
FILE_NAME_EDIT = 1148

KEY_DOWN, KEY_UP = 256, 257
SCAN = {"a": 0x1E, "s": 0x1F, "d": 0x20, "j": 0x24}
NOTE = {"a": 60, "s": 62, "d": 64, "j": 71}

# The phrase recorded in the first run, saved and loaded back.
PHRASE_KEYS = ["a", "s", "d"]
PHRASE = [n for key in PHRASE_KEYS for n in (note_on(NOTE[key]), note_off(NOTE[key]))]


def setUpModule():
    global session
    session = wh.Session("files")


def tearDownModule():
    if session is not None:
        session.close()


def write_performance(path, events, key_signature=1297, bass=0):
    """A .qji file: events are (delay ms, 256 or 257, scan code, octave shift)."""
    records = b"".join(struct.pack("<IIIi", delay, message, scan << 16, shift)
                       for delay, message, scan, shift in events)
    head = (b"RIFF" + struct.pack("<I", 96 + len(records)) + b"QJ  " +
            b"LIST" + struct.pack("<I", 44) + b"INFO" +
            b"ISFT" + struct.pack("<I", 11) + b"QJ by Orla\0\0" +
            b"ISCD" + struct.pack("<I", 11) + b"2026-01-01\0\0" +
            b"fmt " + struct.pack("<I", 24) + struct.pack("<III", len(events), key_signature, bass)
            + bytes(12) + b"data" + struct.pack("<I", len(records)))
    path.write_bytes(head + records)


def read_performance(path):
    """(count, key signature, bass, [(delay, message, key data, shift)]) of a saved file."""
    data = path.read_bytes()
    assert data[0:4] == b"RIFF" and data[8:12] == b"QJ  ", data[:12]
    assert struct.unpack_from("<I", data, 4)[0] == len(data) - 8, "RIFF size"
    assert data[64:68] == b"fmt " and data[96:100] == b"data", data[64:100]
    count, key_signature, bass = struct.unpack_from("<III", data, 72)
    size = struct.unpack_from("<I", data, 100)[0]
    assert size == 16 * count == len(data) - 104, (size, count, len(data))
    events = [struct.unpack_from("<IIIi", data, 104 + 16 * i) for i in range(count)]
    return count, key_signature, bass, events


def record_menu(program):
    menu = program.menu()
    return {item.id: not item.grayed for item in menu.popup_named("录音(&R)").items}


class Files(unittest.TestCase):
    """The steps run in the order of their names; some start a program of their own."""

    phrase_file = None
    first = None  # the program of steps 1..4

    # ----- helpers

    def start(self, name, args=()):
        program = wh.Program(session, name=name, args=args)
        program.wait_main_window()
        self.assertEqual(program.expect(["open -1 ok", program_change(0)], "start"),
                         ["open -1 ok", program_change(0)])
        return program

    def click_button(self, program, id):
        button = session.control(program.main, id=id, cls="Button")
        self.assertTrue(button.enabled, "button %d is disabled" % id)
        session.click(*button.centre)

    def record(self, program, keys):
        """Records strokes of the keys (started and stopped with the buttons)."""
        self.click_button(program, START)
        program.wait_item(STOP, grayed=False)
        program.wait_keyboard()
        for key in keys:
            program.key(key)
            stroke = [note_on(NOTE[key]), note_off(NOTE[key])]
            self.assertEqual(program.expect(stroke, "%s while recording" % key), stroke)
        self.click_button(program, STOP)
        program.wait_item(STOP, grayed=True)
        program.wait_keyboard()

    def title(self, program):
        program.refresh_main()
        return program.main.title

    def wait_title(self, program, title):
        try:
            wh.wait_until(lambda: self.title(program) == title, wh.WAIT,
                          "the title %r" % title, interval=0.2)
        except wh.TimedOut:
            self.fail("the title is %r, not %r" % (self.title(program), title))

    def file_dialog(self, title):
        dialog = session.wait_window(cls="#32770", title=title)
        return dialog

    def choose_file(self, dialog, path):
        """Sets the file name in the dialog and clicks its OK button (保存 or 打开)."""
        edit = session.control(dialog, id=FILE_NAME_EDIT, cls="Edit")
        session.set_text(edit.hwnd, wh.windows_path(path))
        wh.wait_until(lambda: session.control(dialog, id=FILE_NAME_EDIT, cls="Edit").text
                      == wh.windows_path(path), wh.WAIT, "the file name in the dialog")
        session.click(*session.control(dialog, id=IDOK, cls="Button").centre)
        session.wait_no_window("#32770")

    def question(self, name):
        """The box that asks whether to save the changes: its text."""
        box = session.wait_window(cls="#32770", title="QJ")
        texts = [c.text for c in session.children(box.hwnd) if c.cls == "Static" and c.text]
        self.assertEqual(texts, ["保存当前的变化在 %s?" % name])
        return box

    def answer(self, box, id):
        session.click(*session.control(box, id=id, cls="Button").centre)

    def play_once(self, program, expected_notes, what):
        start = program.cursor
        program.command(PLAY)
        expected = expected_notes + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, what), expected)
        return [stamp for stamp, _ in program.stamped_events()[start:start + len(expected_notes)]]

    # ----- saving and loading through the dialogs

    def test_1_save_as_through_the_dialog(self):
        program = type(self).first = self.start("save_load")
        self.wait_title(program, "Velmira - [未命名]")
        self.record(program, PHRASE_KEYS)
        self.assertTrue(record_menu(program)[SAVE_AS])

        path = session.out / "phrase.qji"
        program.command(SAVE_AS)
        dialog = self.file_dialog("另存为")
        session.screenshot("save_dialog")
        self.choose_file(dialog, path)
        wh.wait_until(path.exists, wh.WAIT, "%s to be written" % path)
        self.wait_title(program, "Velmira - [phrase.qji]")
        type(self).phrase_file = path

        count, key_signature, bass, events = read_performance(path)
        self.assertEqual(path.stat().st_size, 104 + 16 * 2 * len(PHRASE_KEYS))
        self.assertEqual((count, key_signature, bass), (2 * len(PHRASE_KEYS), 1297, 0))
        self.assertEqual([(message, (data >> 16) & 0xFF, shift)
                          for _, message, data, shift in events],
                         [(m, SCAN[key], 0) for key in PHRASE_KEYS for m in (KEY_DOWN, KEY_UP)])
        # Saved: nothing to save until something changes.
        program.wait_item(SAVE, grayed=True)

    def test_2_load_through_the_dialog_after_recording_something_else(self):
        program = self.first
        self.assertIsNotNone(self.phrase_file, "nothing was saved")
        self.record(program, ["j"])
        self.wait_title(program, "Velmira - [phrase.qji]")

        program.command(LOAD)
        box = self.question("phrase.qji")
        self.answer(box, IDNO)
        dialog = self.file_dialog("打开")
        session.screenshot("open_dialog")
        self.choose_file(dialog, self.phrase_file)
        self.wait_title(program, "Velmira - [phrase.qji]")
        program.wait_item(PLAY, grayed=False)
        self.play_once(program, PHRASE, "the loaded phrase")
        # The J recorded before was not saved into the file.
        self.assertEqual(read_performance(self.phrase_file)[0], 2 * len(PHRASE_KEYS))

    def test_3_no_question_on_closing_after_loading(self):
        program = self.first
        self.assertEqual(program.close(), 0)
        self.assertEqual(program.expect(wh.ALL_NOTES_OFF + ["close"], "end"),
                         wh.ALL_NOTES_OFF + ["close"])

    def test_4_load_in_a_fresh_run(self):
        self.assertIsNotNone(self.phrase_file, "nothing was saved")
        program = self.start("fresh_load")
        program.command(LOAD)  # nothing to save: straight to the dialog
        dialog = self.file_dialog("打开")
        self.choose_file(dialog, self.phrase_file)
        self.wait_title(program, "Velmira - [phrase.qji]")
        program.wait_item(PLAY, grayed=False)
        self.play_once(program, PHRASE, "the phrase loaded in a fresh run")
        self.assertEqual(program.close(), 0)

    # ----- closing with unsaved changes

    def test_5_closing_with_unsaved_changes_asks(self):
        program = self.start("close_question")
        self.record(program, ["a"])

        program.give_keyboard()
        program.key("alt+F4")
        box = self.question("未命名")
        session.screenshot("close_question")
        self.answer(box, IDCANCEL)
        session.wait_no_window("#32770")
        self.assertTrue(program.running(), "Cancel ended the program")
        self.assertEqual(len(session.find_windows(cls="QJ", visible=True)), 1)

        # Yes, then the save dialog is cancelled: the window stays, nothing is saved.
        session.post(program.main.hwnd, wh.WM_CLOSE)
        box = self.question("未命名")
        self.answer(box, IDYES)
        dialog = self.file_dialog("另存为")
        session.click(*session.control(dialog, id=IDCANCEL, cls="Button").centre)
        session.wait_no_window("#32770")
        self.assertTrue(program.running(), "cancelling the save dialog ended the program")
        self.assertEqual(len(session.find_windows(cls="QJ", visible=True)), 1)
        self.wait_title(program, "Velmira - [未命名]")

        # The program still plays after all that.
        program.wait_keyboard()
        program.key("a")
        self.assertEqual(program.expect([note_on(60), note_off(60)], "A"),
                         [note_on(60), note_off(60)])

        # No: the program ends without saving.
        session.post(program.main.hwnd, wh.WM_CLOSE)
        box = self.question("未命名")
        self.answer(box, IDNO)
        self.assertEqual(program.exit_code(), 0)
        self.assertEqual(program.expect(wh.ALL_NOTES_OFF + ["close"], "end"),
                         wh.ALL_NOTES_OFF + ["close"])

    # ----- a file on the command line

    def test_6_a_file_on_the_command_line_plays_once_by_itself(self):
        # A (100 ms after the start), released; Shift+D (an octave up); Ctrl+J (an octave
        # down), with a short and a long pause.
        events = [(100, KEY_DOWN, SCAN["a"], 0), (180, KEY_UP, SCAN["a"], 0),
                  (120, KEY_DOWN, SCAN["d"], 1), (60, KEY_UP, SCAN["d"], 1),
                  (300, KEY_DOWN, SCAN["j"], -1), (2, KEY_UP, SCAN["j"], -1)]
        notes = [note_on(60), note_off(60), note_on(76), note_off(76), note_on(59), note_off(59)]
        path = session.out / "tune.qji"
        write_performance(path, events)
        command_line = wh.windows_path(path)

        program = wh.Program(session, name="command_line", args=[command_line])
        program.wait_main_window()
        self.wait_title(program, "Velmira - [%s]" % command_line)
        expected = ["open -1 ok", program_change(0)] + notes + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, "the file played by itself"), expected)
        stamps = [stamp for stamp, _ in program.stamped_events()[:2 + len(notes)]]

        # About 500 ms after the start (the device opens just before the timer is set).
        first = stamps[2] - stamps[0]
        planned = START_DELAY_MS + events[0][0]
        self.assertTrue(planned - TOLERANCE_MS <= first <= planned + LATE_MS,
                        "the first note %d ms after the start, planned %d" % (first, planned))
        got = [b - a for a, b in zip(stamps[2:], stamps[3:])]
        planned = [max(delay, 5) for delay, _, _, _ in events[1:]]
        self.assertTrue(all(abs(g - p) <= TOLERANCE_MS for g, p in zip(got, planned)),
                        "intervals (ms) %r, planned %r" % (got, planned))

        # The play has ended (its stop enables export) and does not start again: a key plays
        # next. The performance can be played again.
        program.wait_item(EXPORT, grayed=False)
        program.give_keyboard()
        program.key("a")
        self.assertEqual(program.expect([note_on(60), note_off(60)], "A after the play"),
                         [note_on(60), note_off(60)])
        self.play_once(program, notes, "the command-line file again")
        self.assertEqual(program.close(), 0)

    def test_7_a_file_in_quotes_with_its_key_and_bass(self):
        # Wine quotes an argument with a space in it, as a launcher quotes a file's path.
        folder = session.out / "with space"
        folder.mkdir(exist_ok=True)
        path = folder / "g major.qji"
        write_performance(path, [(50, KEY_DOWN, SCAN["a"], 0), (100, KEY_UP, SCAN["a"], 0)],
                          key_signature=1301, bass=1)
        program = wh.Program(session, name="quoted", args=[wh.windows_path(path)])
        program.wait_main_window()
        # G major: A plays 67; bass doubling: 55 on channel 15 with it.
        expected = ["open -1 ok", program_change(0),
                    note_on(67), note_on(55, channel=15), note_off(67),
                    note_off(55, channel=15)] + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, "the quoted file played by itself"), expected)
        self.wait_title(program, "Velmira - [%s]" % wh.windows_path(path))
        menu = program.wait_item(1333, checked=True)
        keys = menu.popup_named("调式(&M)")
        self.assertEqual([i.id for i in keys.items if i.checked], [1301])
        self.assertEqual(program.close(), 0)

    def test_8_a_missing_file_on_the_command_line(self):
        command_line = wh.windows_path(session.out / "missing.qji")
        program = wh.Program(session, name="missing", args=[command_line])
        box = session.wait_window(cls="#32770", title="QJ")
        texts = [c.text for c in session.children(box.hwnd) if c.cls == "Static" and c.text]
        self.assertEqual(texts, ["不能找到或打开文件%s." % command_line])
        self.assertEqual(session.find_windows(cls="QJ", visible=True), [],
                         "the main window is shown beside the box")
        session.screenshot("missing_file")
        if session.focus(box)[0] != box.hwnd:
            x, y, w, h = box.rect
            session.click(x + w // 2, y + h // 4)
        session.key(box, "Return")
        program.wait_main_window()
        self.wait_title(program, "Velmira - [未命名]")
        # Nothing loaded, so nothing to play; the keys play.
        menu = program.wait_menu(lambda m: m.find(PLAY) is not None, "the record menu")
        self.assertTrue(menu.find(PLAY).grayed)
        self.assertFalse(menu.find(START).grayed)
        program.give_keyboard()
        program.key("a")
        expected = ["open -1 ok", program_change(0), note_on(60), note_off(60)]
        self.assertEqual(program.expect(expected, "start, then A"), expected)
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    wh.main()
