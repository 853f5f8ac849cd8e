"""Performance files (.qji), in both programs: saved through the save dialog (the file's size and
records, the title), loaded back through the open dialog after recording something else (a new
untitled take; the title, the same notes played), and no question on closing after that. Under
Wine also: loaded in a fresh run, the question on closing with unsaved changes (Cancel, No, Yes then a cancelled
save dialog), a file named on the command line that plays once by itself about 500 ms after the
start, one in quotes with its key signature and bass doubling, and a missing one. On Linux also
a file whose name is not UTF-8, named on the command line.

Under Wine the dialogs are Wine's own: the file name is set in the dialog's edit box
(WM_SETTEXT, as typing would leave it) and the dialog's buttons are clicked; natively the path
is typed into Qt's dialog. Files go to the session's folder.
"""

import os

from harness import cases
from harness.adapter import START as START_CALLS
from harness.driver import WM_CLOSE
from harness.formats import (ALL_NOTES_OFF, KEY_DOWN, KEY_UP, note_off, note_on,
                             program_change, read_performance, write_performance)
from harness.process import WAIT, wait_until

TOLERANCE_MS = 40    # between replayed notes, as in test_record_playback
START_DELAY_MS = 500
LATE_MS = 1500       # how much later than planned the first note may come on a busy machine

SAVE, SAVE_AS, LOAD, EXPORT = 1288, 1289, 1296, 1282
START, PLAY = 1283, 1285

SCAN = {"a": 0x1E, "s": 0x1F, "d": 0x20, "j": 0x24}
NOTE = {"a": 60, "s": 62, "d": 64, "j": 71}

# The phrase recorded in the first run, saved and loaded back.
PHRASE_KEYS = ["a", "s", "d"]
PHRASE = [n for key in PHRASE_KEYS for n in (note_on(NOTE[key]), note_off(NOTE[key]))]


def record_menu(program):
    menu = program.menu()
    return {item.id: not item.grayed for item in menu.popup_named("录音(&R)").items}


class Files:
    """The steps run in the order of their names; some start a program of their own."""

    phrase_file = None
    first = None  # the program of steps 1..3

    # ----- helpers

    def start(self, name, args=()):
        program = self.session.start(name, args=args)
        program.wait_main_window()
        self.expect(START_CALLS, "start", program)
        return program

    def record(self, program, keys):
        """Records strokes of the keys (started and stopped with the transport commands)."""
        program.start_take()
        for key in keys:
            program.key(key)
            self.expect([note_on(NOTE[key]), note_off(NOTE[key])], "%s while recording" % key,
                        program)
        program.stop_take()

    def question(self, program, name):
        """The box that asks whether to save the changes (its text checked where readable)."""
        box = program.wait_box("QJ")
        self.assert_box_texts(program, box, ["保存当前的变化在 %s?" % name])
        return box

    def play_once(self, program, expected_notes, what):
        start = program.cursor
        program.command(PLAY)
        self.expect(expected_notes + ALL_NOTES_OFF, what, program)
        return [stamp for stamp, _ in program.stamped_events()[start:start + len(expected_notes)]]

    # ----- saving and loading through the dialogs

    def test_1_save_as_through_the_dialog(self):
        program = type(self).first = self.start("save_load")
        self.wait_title(program, "Velmira - [未命名]")
        self.record(program, PHRASE_KEYS)
        self.assertTrue(record_menu(program)[SAVE_AS])

        path = self.session.out / "phrase.qji"
        program.command(SAVE_AS)
        dialog = program.wait_box("另存为")
        self.session.screenshot("save_dialog")
        program.choose_file(dialog, path)
        wait_until(path.exists, WAIT, "%s to be written" % path)
        self.wait_title(program, "Velmira - [phrase.qji]")
        type(self).phrase_file = path

        count, key_signature, bass, events, _ = read_performance(path)
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
        # A new take is a new document: the saved phrase is not what it would be saved over.
        self.record(program, ["j"])
        self.wait_title(program, "Velmira - [未命名]")

        program.command(LOAD)
        program.answer(self.question(program, "未命名"), "No")
        dialog = program.wait_box("打开")
        self.session.screenshot("open_dialog")
        program.choose_file(dialog, self.phrase_file)
        self.wait_title(program, "Velmira - [phrase.qji]")
        program.wait_item(PLAY, grayed=False)
        self.play_once(program, PHRASE, "the loaded phrase")
        # The J recorded before was not saved into the file.
        self.assertEqual(read_performance(self.phrase_file)[0], 2 * len(PHRASE_KEYS))

    def test_3_no_question_on_closing_after_loading(self):
        program = self.first
        self.assertEqual(program.close(), 0)
        self.expect_end(program)

    def expect_end(self, program):
        self.expect(ALL_NOTES_OFF + ["close"], "end", program)


class Wine(Files, cases.WineCase):
    def test_4_load_in_a_fresh_run(self):
        self.assertIsNotNone(self.phrase_file, "nothing was saved")
        program = self.start("fresh_load")
        program.command(LOAD)  # nothing to save: straight to the dialog
        program.choose_file(program.wait_box("打开"), self.phrase_file)
        self.wait_title(program, "Velmira - [phrase.qji]")
        program.wait_item(PLAY, grayed=False)
        self.play_once(program, PHRASE, "the phrase loaded in a fresh run")
        self.assertEqual(program.close(), 0)

    # ----- closing with unsaved changes

    def test_5_closing_with_unsaved_changes_asks(self):
        session = self.session
        program = self.start("close_question")
        self.record(program, ["a"])

        program.request_close()
        box = self.question(program, "未命名")
        session.screenshot("close_question")
        program.answer(box, "Cancel")
        session.wait_no_window("#32770")
        self.assertTrue(program.running(), "Cancel ended the program")
        self.assertEqual(len(session.find_windows(cls="QJ", visible=True)), 1)

        # Yes, then the save dialog is cancelled: the window stays, nothing is saved.
        session.post(program.main.hwnd, WM_CLOSE)
        program.answer(self.question(program, "未命名"), "Yes")
        dialog = program.wait_box("另存为")
        session.click(*session.control(dialog, id=2, cls="Button").centre)  # Cancel
        session.wait_no_window("#32770")
        self.assertTrue(program.running(), "cancelling the save dialog ended the program")
        self.assertEqual(len(session.find_windows(cls="QJ", visible=True)), 1)
        self.wait_title(program, "Velmira - [未命名]")

        # The program still plays after all that.
        program.wait_keyboard()
        self.play(["a"], [note_on(60), note_off(60)], "A", program)

        # No: the program ends without saving.
        session.post(program.main.hwnd, WM_CLOSE)
        program.answer(self.question(program, "未命名"), "No")
        self.assertEqual(program.exit_code(), 0)
        self.expect_end(program)

    # ----- a file on the command line

    def test_6_a_file_on_the_command_line_plays_once_by_itself(self):
        # A (100 ms after the start), released; Shift+D (an octave up); Ctrl+J (an octave
        # down), with a short and a long pause.
        events = [(100, KEY_DOWN, SCAN["a"], 0), (180, KEY_UP, SCAN["a"], 0),
                  (120, KEY_DOWN, SCAN["d"], 1), (60, KEY_UP, SCAN["d"], 1),
                  (300, KEY_DOWN, SCAN["j"], -1), (2, KEY_UP, SCAN["j"], -1)]
        notes = [note_on(60), note_off(60), note_on(76), note_off(76), note_on(59), note_off(59)]
        path = self.session.out / "tune.qji"
        write_performance(path, events)
        command_line = self.session.file_argument(path)

        program = self.session.start("command_line", args=[command_line])
        program.wait_main_window()
        self.wait_title(program, "Velmira - [%s]" % command_line)
        self.expect(START_CALLS + notes + ALL_NOTES_OFF, "the file played by itself", program)
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
        self.play(["a"], [note_on(60), note_off(60)], "A after the play", program)
        self.play_once(program, notes, "the command-line file again")
        self.assertEqual(program.close(), 0)

    def test_7_a_file_in_quotes_with_its_key_and_bass(self):
        # Wine quotes an argument with a space in it, as a launcher quotes a file's path.
        folder = self.session.out / "with space"
        folder.mkdir(exist_ok=True)
        path = folder / "g major.qji"
        write_performance(path, [(50, KEY_DOWN, SCAN["a"], 0), (100, KEY_UP, SCAN["a"], 0)],
                          key_signature=1301, bass=1)
        program = self.session.start("quoted", args=[self.session.file_argument(path)])
        program.wait_main_window()
        # G major: A plays 67; bass doubling: 55 on channel 15 with it.
        expected = ["open -1 ok", program_change(0),
                    note_on(67), note_on(55, channel=15), note_off(67),
                    note_off(55, channel=15)] + ALL_NOTES_OFF
        self.expect(expected, "the quoted file played by itself", program)
        self.wait_title(program, "Velmira - [%s]" % self.session.file_argument(path))
        menu = program.wait_item(1333, checked=True)
        keys = menu.popup_named("调式(&M)")
        self.assertEqual([i.id for i in keys.items if i.checked], [1301])
        self.assertEqual(program.close(), 0)

    def test_8_a_missing_file_on_the_command_line(self):
        session = self.session
        command_line = session.file_argument(session.out / "missing.qji")
        program = session.start("missing", args=[command_line])
        box = program.wait_box("QJ")
        self.assertEqual(program.box_texts(box), ["不能找到或打开文件%s." % command_line])
        self.assertEqual(session.find_windows(cls="QJ", visible=True), [],
                         "the main window is shown beside the box")
        session.screenshot("missing_file")
        session.dismiss(box)
        program.wait_main_window()
        self.wait_title(program, "Velmira - [未命名]")
        # Nothing loaded, so nothing to play; the keys play.
        menu = program.wait_menu(lambda m: m.find(PLAY) is not None, "the record menu")
        self.assertTrue(menu.find(PLAY).grayed)
        self.assertFalse(menu.find(START).grayed)
        program.give_keyboard()
        self.play(["a"], START_CALLS + [note_on(60), note_off(60)], "start, then A", program)
        self.assertEqual(program.close(), 0)


class Native(Files, cases.NativeCase):
    """The Linux program: the steps both programs share, and a file whose name is not UTF-8."""

    def test_9_a_file_named_in_gbk_on_the_command_line(self):
        # As the Windows program's files arrive unzipped on Linux: "演奏.qji" in GBK.
        path = self.session.out / os.fsdecode(b"\xd1\xdd\xd7\xe0.qji")
        write_performance(path, [(50, KEY_DOWN, SCAN["a"], 0), (100, KEY_UP, SCAN["a"], 0)])
        program = self.session.start("gbk_name", args=[str(path)])
        program.wait_main_window()
        self.expect(START_CALLS + [note_on(60), note_off(60)] + ALL_NOTES_OFF,
                    "the file played by itself", program)
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    cases.main()
