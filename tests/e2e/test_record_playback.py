"""Recording a phrase played with real key events and playing it back, in both programs: once
(the same notes in order, with the recorded timing, then 16 All Notes Off) and in a loop
(repeated with the lead-in as the pause between repetitions until stopped), with the record
menu's grey states in each situation (recording, idle with a performance, playing, stopped);
closing with the phrase unsaved asks, Cancel keeps the program and No ends it. Under Wine the
transport buttons are clicked and their states checked too; play while the output is switched
off shows a box "请打开开关" and changes nothing, and a new recording over the unsaved phrase
asks first, and Cancel keeps the phrase.

Timing: the call log's time stamps of the replayed notes are compared with those of the live
notes; each interval between consecutive notes must match within TOLERANCE_MS.
"""

import time

from harness import cases
from harness.adapter import START as START_CALLS
from harness.formats import ALL_NOTES_OFF, note_off, note_on, program_change
from harness.process import WAIT, TimedOut, wait_until

TOLERANCE_MS = 40     # both logs come from the same clock; generous for a busy machine
MIN_INTERVAL_MS = 5   # events recorded closer than this are played this far apart
LEAD_IN_S = 0.4       # from the start of recording to the first key

RECORD_IDS = [1283, 1284, 1285, 1286, 1287, 1288, 1289, 1282, 1296]
BUTTON_IDS = [1283, 1284, 1285, 1286, 1287]
START, STOP, PLAY, LOOP, STOP_PLAY = BUTTON_IDS

# The record menu's enabled items, and the enabled transport buttons, in each situation.
RECORDING = ({1284}, {1284})
IDLE_WITH_PERFORMANCE = ({1283, 1285, 1286, 1288, 1289, 1282, 1296}, {1283, 1285, 1286})
PLAYING = ({1287}, {1287})
STOPPED = ({1283, 1285, 1286, 1288, 1289, 1282, 1296}, {1283, 1285, 1286})

# A, S, the chord D+G, then Shift+J: as played and as replayed.
PHRASE = [note_on(60), note_off(60), note_on(62), note_off(62),
          note_on(64), note_on(67), note_off(64), note_off(67),
          note_on(83), note_off(83)]


def enabled_record_items(menu):
    record = menu.popup_named("录音(&R)")
    items = {item.id: item for item in record.items}
    if sorted(items) != sorted(RECORD_IDS):
        raise AssertionError("the record menu has items %r" % sorted(items))
    return {id for id, item in items.items() if not item.grayed}


def intervals(stamps):
    return [b - a for a, b in zip(stamps, stamps[1:])]


class RecordAndPlay:
    """One run of the program; the steps run in the order of their names."""

    live_stamps = None
    lead_in_bounds = None  # (lowest, highest) ms the recorded lead-in can be

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = cls.session.start("sim")
        cls.main = cls.program.wait_main_window()
        cls.program.expect(START_CALLS, "start")
        cls.program.give_keyboard()

    # ----- helpers

    def wait_situation(self, situation, what):
        menu_ids = situation[0]
        self.program.wait_menu(lambda menu: enabled_record_items(menu) == menu_ids,
                               "%s: enabled record items %r" % (what, sorted(menu_ids)))

    def stamps_of(self, start, count):
        return [stamp for stamp, _ in self.program.stamped_events()[start:start + count]]

    def assert_timing_like_the_recording(self, replay, what):
        expected = [max(i, MIN_INTERVAL_MS) for i in intervals(self.live_stamps)]
        got = intervals(replay)
        off = [(n, e, g) for n, (e, g) in enumerate(zip(expected, got))
               if abs(e - g) > TOLERANCE_MS]
        self.assertEqual(off, [], "%s: intervals (ms) of the replay %r, of the recording %r"
                         % (what, got, expected))

    def ready_to_play(self):
        """After the command that starts recording: the keys go to the main window."""
        self.program.wait_keyboard()

    def assert_question(self, box, text):
        self.assert_box_texts(self.program, box, [text])

    # ----- the steps

    def test_1_record_a_phrase(self):
        program = self.program
        sent = time.monotonic()
        program.push(START)
        self.wait_situation(RECORDING, "recording")
        recording_seen = time.monotonic()
        self.ready_to_play()

        start = program.cursor
        time.sleep(LEAD_IN_S)
        first_key = time.monotonic()
        program.key_down("a")
        self.expect([note_on(60)], "A down")
        first_note_seen = time.monotonic()
        # The lead-in lies between these, by the test's own clock (ms).
        type(self).lead_in_bounds = (1000 * (first_key - recording_seen),
                                     1000 * (first_note_seen - sent))
        time.sleep(0.15)
        program.key_up("a")
        time.sleep(0.25)
        program.key_down("s")
        time.sleep(0.15)
        program.key_up("s")
        time.sleep(0.2)
        program.key_down("d")
        program.key_down("g")
        time.sleep(0.3)
        program.key_up("d")
        program.key_up("g")
        time.sleep(0.2)
        program.key_down("shift")
        program.key_down("j")
        time.sleep(0.15)
        program.key_up("j")
        program.key_up("shift")
        self.expect(PHRASE[1:], "the rest of the phrase")
        type(self).live_stamps = self.stamps_of(start, len(PHRASE))

        program.push(STOP)
        self.wait_situation(IDLE_WITH_PERFORMANCE, "stopped recording with a performance")
        self.assertEqual(program.events()[program.cursor:], [], "calls on stopping the recording")

    def test_2_play_once_repeats_the_phrase_then_all_notes_off(self):
        self.assertIsNotNone(self.live_stamps, "nothing was recorded")
        start = self.program.cursor
        self.program.push(PLAY)
        self.expect(PHRASE + ALL_NOTES_OFF, "play once")
        self.assert_timing_like_the_recording(self.stamps_of(start, len(PHRASE)), "play once")
        self.wait_situation(STOPPED, "after playing to the end")

    def test_3_loop_play_repeats_until_stopped(self):
        self.assertIsNotNone(self.live_stamps, "nothing was recorded")
        program = self.program
        n = len(PHRASE)
        start = program.cursor
        program.push(LOOP)
        self.wait_situation(PLAYING, "loop playing")
        # Two whole repetitions and the first note of a third, then stop.
        wait_until(lambda: len(program.events()) - start >= 2 * n + 1, WAIT,
                   "two repetitions of the phrase")
        self.wait_situation(PLAYING, "still loop playing after two repetitions")
        program.push(STOP_PLAY)

        def stopped():
            events = program.events()[start:]
            return events if events[-16:] == ALL_NOTES_OFF else None
        events = wait_until(stopped, WAIT, "16 All Notes Off after stopping the loop")
        played = events[:-16]
        self.assertGreaterEqual(len(played), 2 * n + 1)
        self.assertEqual(played, (PHRASE * (len(played) // n + 1))[:len(played)],
                         "the loop did not repeat the phrase")
        program.skip_events()

        stamps = self.stamps_of(start, len(played))
        repetitions = len(played) // n
        for k in range(repetitions):
            self.assert_timing_like_the_recording(stamps[k * n:(k + 1) * n],
                                                  "repetition %d" % (k + 1))
        # The pause between repetitions is the lead-in.
        gaps = [stamps[k * n] - stamps[k * n - 1] for k in range(1, len(played) // n + 1)
                if k * n < len(played)]
        low, high = self.lead_in_bounds
        for gap in gaps:
            self.assertTrue(low - TOLERANCE_MS <= gap <= high + TOLERANCE_MS,
                            "a pause of %d ms between repetitions; the lead-in was between "
                            "%.0f and %.0f ms" % (gap, low, high))
        self.assertLessEqual(max(gaps) - min(gaps), TOLERANCE_MS, "pauses %r" % gaps)
        self.wait_situation(STOPPED, "after stopping the loop")

        # Nothing left over from the loop: a key plays at once.
        program.wait_keyboard()
        self.play(["a"], [note_on(60), note_off(60)], "A after the loop")

    def test_z_closing_with_the_phrase_unsaved_asks(self):
        program = self.program
        program.request_close()
        box = program.wait_box("QJ")
        self.assert_question(box, "保存当前的变化在 未命名?")
        program.answer(box, "Cancel")  # the program stays
        self.assertTrue(program.running(), "Cancel ended the program")
        program.request_close()
        program.answer(program.wait_box("QJ"), "No")  # it ends without saving
        self.assertEqual(program.exit_code(), 0)
        self.expect(ALL_NOTES_OFF + ["close"], "end")


class Wine(RecordAndPlay, cases.WineCase):
    def wait_situation(self, situation, what):
        super().wait_situation(situation, what)
        button_ids = situation[1]

        def states():
            return {c.id: c.enabled for c in self.session.children(self.main.hwnd)
                    if c.cls == "Button" and c.id in BUTTON_IDS}
        try:
            wait_until(lambda: {id for id, on in states().items() if on} == button_ids, WAIT,
                       "%s: enabled buttons %r" % (what, sorted(button_ids)), interval=0.2)
        except TimedOut:
            self.fail("%s: buttons enabled %r, expected %r" % (what, states(), sorted(button_ids)))

    def test_4_play_while_switched_off_asks_to_switch_on_and_changes_nothing(self):
        program, session = self.program, self.session
        program.give_keyboard()
        self.play(["alt+c"], ALL_NOTES_OFF + ["close"], "Alt+C")
        program.wait_item(257, checked=True)
        before = program.menu_text()

        for how in ("button", "loop command"):
            version = program.menu_version()
            if how == "button":
                program.push(PLAY)
            else:
                program.command(LOOP)
            box = program.wait_box("提示")
            self.assertIn("请打开开关", [c.text for c in session.children(box.hwnd)])
            session.screenshot("switched_off_box_%s" % how.split()[0])
            session.dismiss(box)
            session.wait_no_window("#32770")
            # The menu dump is written once the command is over.
            wait_until(lambda: program.menu_version() != version, WAIT,
                       "the menu dump after the box (%s)" % how)
            self.assertEqual(program.menu_text(), before, "the menus changed (%s)" % how)
            self.assertEqual(program.events()[program.cursor:], [],
                             "calls while switched off (%s)" % how)
        self.wait_situation(STOPPED, "after the boxes")

        # Switched on again (the keyboard is still with the 开始播放 button, which passes the
        # keys on), the performance is still there and plays.
        self.play(["alt+o"], ["open -1 ok", program_change(0, 0), program_change(0, 15)],
                  "Alt+O")
        start = program.cursor
        program.command(PLAY)
        self.expect(PHRASE + ALL_NOTES_OFF, "play after switching on")
        self.assert_timing_like_the_recording(self.stamps_of(start, len(PHRASE)),
                                              "play after switching on")
        self.wait_situation(STOPPED, "after playing to the end again")
        program.wait_keyboard()

    def test_5_a_new_recording_asks_first_and_cancel_keeps_the_phrase(self):
        program = self.program
        program.give_keyboard()
        program.push(START)
        box = program.wait_box("QJ")
        self.assertEqual(program.box_texts(box), ["保存当前的变化在 未命名?"])
        self.session.screenshot("new_recording_question")
        program.answer(box, "Cancel")
        self.wait_situation(STOPPED, "after Cancel")
        program.command(PLAY)
        self.expect(PHRASE + ALL_NOTES_OFF, "play after Cancel")
        self.wait_situation(STOPPED, "after playing the kept phrase")


class Native(RecordAndPlay, cases.NativeCase):
    """The Linux program: the steps both programs share, the transport commands chosen in the
    record menu with the keyboard."""

    def ready_to_play(self):
        # The key-up of the menu's access key reached the octave latch without its key-down,
        # and Shift would be ignored until Esc (under Wine too, after Alt+R, R).
        super().ready_to_play()
        self.play(["Escape"], ALL_NOTES_OFF, "Esc after the menu")


if __name__ == "__main__":
    cases.main()
