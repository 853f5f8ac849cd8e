"""Recording a phrase played with real key events in velmira-sim.exe and playing it back: once
(the same notes in order, with the recorded timing, then 16 All Notes Off), in a loop (repeated
with the lead-in as the pause between repetitions until stopped), and not at all while the
output is switched off (a box "请打开开关"). The record menu's grey states and the transport
buttons in each situation: recording, idle with a performance, playing, stopped. A new
recording over the unsaved phrase asks first, and Cancel keeps the phrase.

Timing: the call log's time stamps of the replayed notes are compared with those of the live
notes; each interval between consecutive notes must match within TOLERANCE_MS.
"""

import time
import unittest

import winharness as wh
from winharness import note_off, note_on, program_change

session = None
program = None

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


def setUpModule():
    global session, program
    session = wh.Session("record_playback")
    program = wh.Program(session, name="sim")


def tearDownModule():
    if session is not None:
        session.close()


def enabled_record_items(menu):
    record = menu.popup_named("录音(&R)")
    items = {item.id: item for item in record.items}
    if sorted(items) != sorted(RECORD_IDS):
        raise AssertionError("the record menu has items %r" % sorted(items))
    return {id for id, item in items.items() if not item.grayed}


def intervals(stamps):
    return [b - a for a, b in zip(stamps, stamps[1:])]


class RecordAndPlay(unittest.TestCase):
    """One run of the program; the steps run in the order of their names."""

    live_stamps = None
    lead_in_bounds = None  # (lowest, highest) ms the recorded lead-in can be

    @classmethod
    def setUpClass(cls):
        cls.main = program.wait_main_window()
        program.expect(["open -1 ok", program_change(0)], "start")
        program.give_keyboard()

    # ----- helpers

    def wait_situation(self, situation, what):
        menu_ids, button_ids = situation
        program.wait_menu(lambda menu: enabled_record_items(menu) == menu_ids,
                          "%s: enabled record items %r" % (what, sorted(menu_ids)))

        def buttons():
            states = {c.id: c.enabled for c in session.children(self.main.hwnd)
                      if c.cls == "Button" and c.id in BUTTON_IDS}
            return states if {id for id, on in states.items() if on} == button_ids else None
        try:
            wh.wait_until(buttons, wh.WAIT, "%s: enabled buttons %r" % (what, sorted(button_ids)),
                          interval=0.2)
        except wh.TimedOut:
            states = {c.id: c.enabled for c in session.children(self.main.hwnd)
                      if c.cls == "Button"}
            self.fail("%s: buttons enabled %r, expected %r" % (what, states, sorted(button_ids)))

    def click_button(self, id):
        """A click on a transport button. The command disables the button, which hands the
        keyboard back to the main window."""
        button = session.control(self.main, id=id, cls="Button")
        self.assertTrue(button.enabled, "button %d is disabled" % id)
        session.click(*button.centre)

    def stamps_of(self, start, count):
        return [stamp for stamp, _ in program.stamped_events()[start:start + count]]

    def assert_timing_like_the_recording(self, replay, what):
        expected = [max(i, MIN_INTERVAL_MS) for i in intervals(self.live_stamps)]
        got = intervals(replay)
        off = [(n, e, g) for n, (e, g) in enumerate(zip(expected, got))
               if abs(e - g) > TOLERANCE_MS]
        self.assertEqual(off, [], "%s: intervals (ms) of the replay %r, of the recording %r"
                         % (what, got, expected))

    def dismiss(self, box):
        if session.focus(box)[0] != box.hwnd:
            x, y, w, h = box.rect
            session.click(x + w // 2, y + h // 4)
        session.key(box, "Return")

    # ----- the steps

    def test_1_record_a_phrase(self):
        sent = time.monotonic()
        self.click_button(START)
        self.wait_situation(RECORDING, "recording")
        recording_seen = time.monotonic()
        program.wait_keyboard()

        start = program.cursor
        time.sleep(LEAD_IN_S)
        first_key = time.monotonic()
        program.key_down("a")
        self.assertEqual(program.expect([note_on(60)], "A down"), [note_on(60)])
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
        self.assertEqual(program.expect(PHRASE[1:], "the rest of the phrase"), PHRASE[1:])
        type(self).live_stamps = self.stamps_of(start, len(PHRASE))

        self.click_button(STOP)
        self.wait_situation(IDLE_WITH_PERFORMANCE, "stopped recording with a performance")
        self.assertEqual(program.events()[program.cursor:], [], "calls on stopping the recording")

    def test_2_play_once_repeats_the_phrase_then_all_notes_off(self):
        self.assertIsNotNone(self.live_stamps, "nothing was recorded")
        start = program.cursor
        self.click_button(PLAY)
        expected = PHRASE + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, "play once"), expected)
        self.assert_timing_like_the_recording(self.stamps_of(start, len(PHRASE)), "play once")
        self.wait_situation(STOPPED, "after playing to the end")

    def test_3_loop_play_repeats_until_stopped(self):
        self.assertIsNotNone(self.live_stamps, "nothing was recorded")
        n = len(PHRASE)
        start = program.cursor
        self.click_button(LOOP)
        self.wait_situation(PLAYING, "loop playing")
        # Two whole repetitions and the first note of a third, then stop.
        wh.wait_until(lambda: len(program.events()) - start >= 2 * n + 1, wh.WAIT,
                      "two repetitions of the phrase")
        self.wait_situation(PLAYING, "still loop playing after two repetitions")
        self.click_button(STOP_PLAY)

        def stopped():
            events = program.events()[start:]
            return events if events[-16:] == wh.ALL_NOTES_OFF else None
        events = wh.wait_until(stopped, wh.WAIT, "16 All Notes Off after stopping the loop")
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
        program.key("a")
        self.assertEqual(program.expect([note_on(60), note_off(60)], "A after the loop"),
                         [note_on(60), note_off(60)])

    def test_4_play_while_switched_off_asks_to_switch_on_and_changes_nothing(self):
        program.give_keyboard()
        program.key("alt+c")
        expected = wh.ALL_NOTES_OFF + ["close"]
        self.assertEqual(program.expect(expected, "Alt+C"), expected)
        program.wait_item(257, checked=True)
        before = program.menu_path.read_text("utf-8")

        for how in ("button", "loop command"):
            version = program.menu_version()
            if how == "button":
                self.click_button(PLAY)
            else:
                program.command(LOOP)
            box = session.wait_window(cls="#32770", title="提示")
            texts = [c.text for c in session.children(box.hwnd)]
            self.assertIn("请打开开关", texts)
            session.screenshot("switched_off_box_%s" % how.split()[0])
            self.dismiss(box)
            session.wait_no_window("#32770")
            # The menu dump is written once the command is over.
            wh.wait_until(lambda: program.menu_version() != version, wh.WAIT,
                          "the menu dump after the box (%s)" % how)
            self.assertEqual(program.menu_path.read_text("utf-8"), before,
                             "the menus changed (%s)" % how)
            self.assertEqual(program.events()[program.cursor:], [],
                             "calls while switched off (%s)" % how)
        self.wait_situation(STOPPED, "after the boxes")

        # Switched on again (the keyboard is still with the 开始播放 button, which passes the
        # keys on), the performance is still there and plays.
        program.key("alt+o")
        expected = ["open -1 ok", program_change(0, 0), program_change(0, 15)]
        self.assertEqual(program.expect(expected, "Alt+O"), expected)
        start = program.cursor
        program.command(PLAY)
        expected = PHRASE + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, "play after switching on"), expected)
        self.assert_timing_like_the_recording(self.stamps_of(start, len(PHRASE)),
                                              "play after switching on")
        self.wait_situation(STOPPED, "after playing to the end again")
        program.wait_keyboard()

    def test_5_a_new_recording_asks_first_and_cancel_keeps_the_phrase(self):
        program.give_keyboard()
        self.click_button(START)
        box = session.wait_window(cls="#32770", title="QJ")
        texts = [c.text for c in session.children(box.hwnd) if c.cls == "Static" and c.text]
        self.assertEqual(texts, ["保存当前的变化在 未命名?"])
        session.screenshot("new_recording_question")
        session.click(*session.control(box, id=2, cls="Button").centre)  # Cancel
        session.wait_no_window("#32770")
        self.wait_situation(STOPPED, "after Cancel")
        program.command(PLAY)
        expected = PHRASE + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, "play after Cancel"), expected)
        self.wait_situation(STOPPED, "after playing the kept phrase")

    def test_z_end_without_saving(self):
        # The recording is not saved: closing asks, and No ends the program.
        program.give_keyboard()
        program.key("alt+F4")
        box = session.wait_window(cls="#32770", title="QJ")
        no = session.control(box, id=7, cls="Button")
        session.click(*no.centre)
        self.assertEqual(program.exit_code(), 0)
        expected = wh.ALL_NOTES_OFF + ["close"]
        self.assertEqual(program.expect(expected, "end"), expected)


if __name__ == "__main__":
    wh.main()
