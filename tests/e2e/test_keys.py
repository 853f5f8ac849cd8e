"""Playing the program with real key events, in both programs: notes and their octave modifiers,
held keys (which the X server repeats), bass doubling, Esc, the space bar's sustain pedal (drawn
blue while down) and a click on a key cap. Under Wine also the velocity bar, a key held while
another window takes the focus, and a key released while the instrument was switched off.

Every step checks the exact calls that reach the (simulated) MIDI output, in order; the calls
of a step that come on top of the expected ones show up at the start of the next step.
"""

import time

from harness import cases, process
from harness.adapter import START
from harness.driver import SB_THUMBPOSITION, WM_CLOSE, WM_VSCROLL
from harness.formats import ALL_NOTES_OFF, PEDAL_DOWN, PEDAL_UP, note_off, note_on, program_change
from harness.picture import CAP_H, CAP_W, Picture, find_key_block
from harness.process import REPO, WAIT, wait_until

CAPS = REPO / "resources" / "keycaps.bmp"
PEDAL_SPOT = (161 + 20, 164 + 30)  # in the pedal, from the key block's top-left corner


def stroke(note, velocity=127, channel=0):
    return [note_on(note, velocity, channel), note_off(note, channel)]


class Keys:
    """One run of the program; the steps run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = cls.session.start("sim")
        cls.program.wait_main_window()
        cls.program.expect(START, "start")

    def key_block(self, picture):
        """The top-left corner of the key block on the screen."""
        corner = find_key_block(picture, Picture.from_bmp(CAPS))
        self.assertIsNotNone(corner, "the key block is not on the screen")
        return corner

    def held_with(self, modifier, key, note, what):
        """A stroke with the modifier held down from before the key until after it."""
        self.program.key_down(modifier)
        self.program.key_down(key)
        self.expect([note_on(note)], what)
        self.program.key_up(key)
        self.expect([note_off(note)], what)
        self.program.key_up(modifier)

    def test_2_notes_and_octave_modifiers(self):
        self.play(["a"], stroke(60), "A")
        self.held_with("shift", "a", 72, "Shift+A")
        self.held_with("ctrl", "a", 48, "Ctrl+A")
        self.play(["d"], stroke(64), "D")
        self.play(["c"], stroke(64), "C")
        self.play(["a"], stroke(60), "A after the modifiers are up")

    def test_2b_a_note_ends_as_it_began_when_shift_is_released_first(self):
        self.program.key_down("shift")
        self.program.key_down("a")
        self.expect([note_on(72)], "Shift+A held")
        self.program.key_up("shift")
        self.program.key_up("a")
        self.expect([note_off(72)], "A released after Shift")
        self.play(["a"], stroke(60), "A alone")

    def test_3_a_held_key_sounds_until_released(self):
        self.program.key_down("a")
        self.expect([note_on(60)], "A held")
        time.sleep(0.8)  # the X server repeats the key: the note must not restart
        # Another stroke while A is held: A goes on sounding.
        self.play(["d"], stroke(64), "D while A is held")
        self.program.key_up("a")
        self.expect([note_off(60)], "A released")

    def test_4_bass_doubling_adds_channel_15_an_octave_lower(self):
        self.program.key("alt+f", "c")
        self.program.wait_item(1333, checked=True)
        expected = [note_on(60), note_on(48, channel=15), note_off(60), note_off(48, channel=15)]
        self.play(["a"], expected, "A with bass doubling")
        expected = [note_on(64), note_on(52, channel=15), note_off(64), note_off(52, channel=15)]
        self.play(["d"], expected, "D with bass doubling")

        self.program.key("alt+f", "c")
        self.program.wait_item(1333, checked=False)
        self.play(["a"], stroke(60), "A after bass doubling is off again")

    def test_4b_octave_modifiers_after_switching_and_a_menu_chosen_by_keys(self):
        # The access keys' key-ups come to the instrument without their key-downs, which the
        # menus took: they must not unbalance the octave latch.
        self.play(["alt+c"], ALL_NOTES_OFF + ["close"], "Alt+C")
        self.play(["alt+o"], ["open -1 ok", program_change(0), program_change(0, 15)], "Alt+O")
        for checked in (True, False):
            self.program.key("alt+f", "c")
            self.program.wait_item(1333, checked=checked)
        self.held_with("shift", "a", 72, "Shift+A after the menus")
        self.play(["a"], stroke(60), "A after Shift")
        self.held_with("ctrl", "a", 48, "Ctrl+A after the menus")
        self.play(["a"], stroke(60), "A after Ctrl")

    def test_5_escape_sends_all_notes_off_on_16_channels(self):
        self.play(["Escape"], ALL_NOTES_OFF, "Esc")
        self.play(["a"], stroke(60), "A after Esc")
        self.program.key_down("a")
        self.expect([note_on(60)], "A held")
        self.play(["Escape"], ALL_NOTES_OFF, "Esc with A held")
        self.program.key_up("a")  # nothing more to end
        self.play(["d"], stroke(64), "D after Esc")

    def test_9_space_holds_the_sustain_pedal_over_a_phrase(self):
        program = self.program
        program.give_keyboard()
        program.key_down("space")
        self.expect([PEDAL_DOWN], "space down")
        self.play(["a"], stroke(60), "A under the pedal")
        self.play(["d"], stroke(64), "D under the pedal")
        down = self.session.picture(self.session.screenshot("pedal-down"))
        program.key_up("space")
        self.expect([PEDAL_UP], "space up")
        # The pedal beneath the key block: blue while down, grey again after.
        x0, y0 = self.key_block(down)
        spot = (x0 + PEDAL_SPOT[0], y0 + PEDAL_SPOT[1])
        blue = down.pixel(*spot)

        def drawn_up():
            grey = self.session.picture(self.session.screenshot("pedal-up")).pixel(*spot)
            return grey if grey != blue else None
        grey = wait_until(drawn_up, WAIT, "the pedal drawn up again")
        self.assertGreater(blue[2], blue[0] + 40, "the pedal is blue while down: %r" % (blue,))
        self.assertLess(abs(grey[0] - grey[2]), 40, "the pedal is grey when up: %r" % (grey,))
        # Esc with the pedal down lifts it before All Notes Off.
        program.key_down("space")
        self.expect([PEDAL_DOWN], "space down again")
        self.play(["Escape"], [PEDAL_UP] + ALL_NOTES_OFF, "Esc with the pedal down")
        program.key_up("space")
        self.play(["a"], stroke(60), "A after the pedal came up")

    def test_a_a_click_on_a_cap_plays_its_note_until_the_button_is_released(self):
        x0, y0 = self.key_block(self.session.picture(self.session.screenshot("keyboard")))
        # A: row 2, half-column 2.
        self.session.mouse_down(x0 + 2 * CAP_W // 2 + CAP_W // 2, y0 + 2 * CAP_H + 30)
        self.expect([note_on(60)], "A clicked")
        self.session.mouse_up()
        self.expect([note_off(60)], "mouse up")

    def test_z_end(self):
        self.assertEqual(self.program.close(), 0)
        self.expect(ALL_NOTES_OFF + ["close"], "end")


class Wine(Keys, cases.WineCase):
    def test_1_keyboard_is_the_main_windows_at_start(self):
        self.program.wait_keyboard()

    def test_6_velocity_bar_sets_the_next_note_on(self):
        session, main = self.session, self.program.main
        bar = session.control(main, id=1344, cls="ScrollBar")
        # The bar's thumb message: position p gives velocity 128 - p.
        session.post(main.hwnd, WM_VSCROLL, (28 << 16) | SB_THUMBPOSITION, int(bar.hwnd, 16))
        self.play(["a"], stroke(60, velocity=100), "A at velocity 100")
        wait_until(lambda: session.scroll_info(bar)["pos"] == 28, WAIT,
                   "the velocity bar's thumb at 28")

        # A click in the trough below the thumb: a page down, 8 softer.
        x, y, width, height = bar.rect
        self.assertGreater(height, 6 * width, "the velocity bar is too short to aim at")
        session.click(x + width // 2, y + height - width - 6)
        self.play(["a"], stroke(60, velocity=92), "A after a page down on the velocity bar")
        self.assertEqual(session.scroll_info(bar)["pos"], 36)

        session.post(main.hwnd, WM_VSCROLL, (1 << 16) | SB_THUMBPOSITION, int(bar.hwnd, 16))
        self.play(["a"], stroke(60), "A at velocity 127 again")

    def take_the_focus(self, name):
        """Another window takes the foreground; returns (its driver's process, the window)."""
        thief = self.session.driver_background("thief", "velmira-e2e-thief", 600, name=name)
        other = self.session.wait_window(cls="VelmiraE2EDriver", title="velmira-e2e-thief")
        wait_until(lambda: self.session.focus(self.program.main)[0] == other.hwnd, WAIT,
                   "the other window to take the foreground")
        return thief, other

    def give_the_focus_back(self, thief, other):
        self.session.post(other.hwnd, WM_CLOSE)
        thief.wait(timeout=WAIT)
        self.program.give_keyboard()

    def test_7_losing_the_focus_releases_a_held_key(self):
        self.program.give_keyboard()
        self.program.key_down("a")
        self.expect([note_on(60)], "A held")
        thief, other = self.take_the_focus("thief")
        self.expect([note_off(60)], "focus lost with A held")
        # The key comes up while the other window has the keyboard: nothing more to play.
        self.session.key_up(other, "a")
        self.give_the_focus_back(thief, other)
        self.play(["a"], stroke(60), "A after the focus came back")

    def test_8_a_key_released_while_switched_off_is_not_released_again(self):
        program = self.program
        program.give_keyboard()
        program.key_down("a")
        self.expect([note_on(60)], "A held")
        self.play(["alt+c"], ALL_NOTES_OFF + ["close"], "Alt+C with A held")
        program.key_up("a")
        self.play(["alt+o"], ["open -1 ok", program_change(0), program_change(0, 15)],
                  "Alt+O after A came up")
        self.play(["Escape"], ALL_NOTES_OFF, "Esc")
        # The focus goes to another window and comes back: nothing is held any more.
        self.give_the_focus_back(*self.take_the_focus("thief2"))
        # Shift still raises: the latch was not pushed below zero by a second key-up.
        self.held_with("shift", "d", 76, "Shift+D after the focus came back")


class Native(Keys, cases.NativeCase):
    """The Linux program: the steps both programs share, and a display that repeats a held key
    as release/press pairs."""

    def test_zz_a_held_key_sounds_once_where_repeats_come_in_pairs(self):
        # Xvfb repeats a key held longer than 660 ms, here as release/press pairs of one time.
        session = self.session
        program = session.start("paired", env={"VELMIRA_PAIRED_REPEATS": "1"})
        program.wait_main_window()
        self.expect(START, "start", program)
        program.key_down("a")
        time.sleep(1.2)
        program.key_up("a")
        self.expect(stroke(60), "A held for a second", program)
        self.play(["d"], stroke(64), "D: A sounded once", program)

        # Held while another window has the keyboard and after it came back: the note ends when
        # the keyboard goes, and the repeats that follow strike nothing.
        other = process.start(["xmessage", "-title", "velmira-e2e-other", "other"], session.env)
        session.processes.append(other)
        window = session.wait_window("^velmira-e2e-other$")
        program.give_keyboard()
        program.key_down("a")
        self.expect([note_on(60)], "A held", program)
        time.sleep(1.0)
        session.x.focus(window.xwindow)
        self.expect([note_off(60)], "the keyboard went to another window", program)
        time.sleep(0.5)
        program.give_keyboard()
        time.sleep(1.0)
        program.key_up("a")
        self.play(["d"], stroke(64), "D: nothing more of A", program)
        process.stop(other)
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    cases.main()
