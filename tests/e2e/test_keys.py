"""Playing velmira-sim.exe with real key events: notes and their octave modifiers, held keys,
bass doubling, Esc, the velocity bar, a key held while another window takes the focus, a key
released while the instrument was switched off, and the space bar's sustain pedal.

Every step checks the exact calls that reach the (simulated) MIDI output, in order; the calls
of a step that come on top of the expected ones show up at the start of the next step.
"""

import unittest

import winharness as wh
from winharness import note_off, note_on

session = None
program = None


def setUpModule():
    global session, program
    session = wh.Session("keys")
    program = wh.Program(session, name="sim")


def tearDownModule():
    if session is not None:
        session.close()


def stroke(note, velocity=127, channel=0):
    return [note_on(note, velocity, channel), note_off(note, channel)]


class Keys(unittest.TestCase):
    """One run of the program; the steps run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        program.wait_main_window()
        program.expect(["open -1 ok", wh.program_change(0)], "start")

    def play(self, keys, expected, what):
        program.key(*keys)
        self.assertEqual(program.expect(expected, what), expected)

    def test_1_keyboard_is_the_main_windows_at_start(self):
        program.wait_keyboard()

    def held_with(self, modifier, key, note, what):
        """A stroke with the modifier held down from before the key until after it."""
        program.key_down(modifier)
        program.key_down(key)
        self.assertEqual(program.expect([note_on(note)], what), [note_on(note)])
        program.key_up(key)
        self.assertEqual(program.expect([note_off(note)], what), [note_off(note)])
        program.key_up(modifier)

    def test_2_notes_and_octave_modifiers(self):
        self.play(["a"], stroke(60), "A")
        self.held_with("shift", "a", 72, "Shift+A")
        self.held_with("ctrl", "a", 48, "Ctrl+A")
        self.play(["d"], stroke(64), "D")
        self.play(["c"], stroke(64), "C")
        self.play(["a"], stroke(60), "A after the modifiers are up")

    def test_2b_a_note_ends_as_it_began_when_shift_is_released_first(self):
        program.key_down("shift")
        program.key_down("a")
        self.assertEqual(program.expect([note_on(72)], "Shift+A held"), [note_on(72)])
        program.key_up("shift")
        program.key_up("a")
        self.assertEqual(program.expect([note_off(72)], "A released after Shift"),
                         [note_off(72)])
        self.play(["a"], stroke(60), "A alone")

    def test_3_a_held_key_sounds_until_released(self):
        program.key_down("a")
        self.assertEqual(program.expect([note_on(60)], "A held"), [note_on(60)])
        # Another stroke while A is held: A goes on sounding.
        self.play(["d"], stroke(64), "D while A is held")
        program.key_up("a")
        self.assertEqual(program.expect([note_off(60)], "A released"), [note_off(60)])

    def test_4_bass_doubling_adds_channel_15_an_octave_lower(self):
        program.key("alt+f", "c")
        program.wait_item(1333, checked=True)
        expected = [note_on(60), note_on(48, channel=15), note_off(60), note_off(48, channel=15)]
        self.play(["a"], expected, "A with bass doubling")
        expected = [note_on(64), note_on(52, channel=15), note_off(64), note_off(52, channel=15)]
        self.play(["d"], expected, "D with bass doubling")

        program.key("alt+f", "c")
        program.wait_item(1333, checked=False)
        self.play(["a"], stroke(60), "A after bass doubling is off again")

    def test_5_escape_sends_all_notes_off_on_16_channels(self):
        self.play(["Escape"], wh.ALL_NOTES_OFF, "Esc")
        self.play(["a"], stroke(60), "A after Esc")

    def test_6_velocity_bar_sets_the_next_note_on(self):
        main = program.main
        bar = session.control(main, id=1344, cls="ScrollBar")
        # The bar's thumb message: position p gives velocity 128 - p.
        session.post(main.hwnd, wh.WM_VSCROLL, (28 << 16) | wh.SB_THUMBPOSITION,
                     int(bar.hwnd, 16))
        self.play(["a"], stroke(60, velocity=100), "A at velocity 100")
        wh.wait_until(lambda: session.scroll_info(bar)["pos"] == 28, wh.WAIT,
                      "the velocity bar's thumb at 28")

        # A click in the trough below the thumb: a page down, 8 softer.
        x, y, width, height = bar.rect
        self.assertGreater(height, 6 * width, "the velocity bar is too short to aim at")
        session.click(x + width // 2, y + height - width - 6)
        self.play(["a"], stroke(60, velocity=92), "A after a page down on the velocity bar")
        self.assertEqual(session.scroll_info(bar)["pos"], 36)

        session.post(main.hwnd, wh.WM_VSCROLL, (1 << 16) | wh.SB_THUMBPOSITION,
                     int(bar.hwnd, 16))
        self.play(["a"], stroke(60), "A at velocity 127 again")

    def test_7_losing_the_focus_releases_a_held_key(self):
        program.give_keyboard()
        program.key_down("a")
        self.assertEqual(program.expect([note_on(60)], "A held"), [note_on(60)])

        thief, _ = session.driver_background("thief", "velmira-e2e-thief", 600, name="thief")
        other = session.wait_window(cls="VelmiraE2EDriver", title="velmira-e2e-thief")
        wh.wait_until(lambda: session.focus(program.main)[0] == other.hwnd, wh.WAIT,
                      "the other window to take the foreground")
        self.assertEqual(program.expect([note_off(60)], "focus lost with A held"),
                         [note_off(60)])
        # The key comes up while the other window has the keyboard: nothing more to play.
        session.key_up(other, "a")
        session.post(other.hwnd, wh.WM_CLOSE)
        thief.wait(timeout=wh.WAIT)

        program.give_keyboard()
        self.play(["a"], stroke(60), "A after the focus came back")

    def test_8_a_key_released_while_switched_off_is_not_released_again(self):
        program.give_keyboard()
        program.key_down("a")
        self.assertEqual(program.expect([note_on(60)], "A held"), [note_on(60)])
        program.key("alt+c")
        off = wh.ALL_NOTES_OFF + ["close"]
        self.assertEqual(program.expect(off, "Alt+C with A held"), off)
        program.key_up("a")
        program.key("alt+o")
        on = ["open -1 ok", wh.program_change(0), wh.program_change(0, 15)]
        self.assertEqual(program.expect(on, "Alt+O after A came up"), on)
        program.key("Escape")
        self.assertEqual(program.expect(wh.ALL_NOTES_OFF, "Esc"), wh.ALL_NOTES_OFF)
        # The focus goes to another window and comes back: nothing is held any more.
        thief, _ = session.driver_background("thief", "velmira-e2e-thief", 600, name="thief2")
        other = session.wait_window(cls="VelmiraE2EDriver", title="velmira-e2e-thief")
        wh.wait_until(lambda: session.focus(program.main)[0] == other.hwnd, wh.WAIT,
                      "the other window to take the foreground")
        session.post(other.hwnd, wh.WM_CLOSE)
        thief.wait(timeout=wh.WAIT)
        program.give_keyboard()
        # Shift still raises: the latch was not pushed below zero by a second key-up.
        self.held_with("shift", "d", 76, "Shift+D after the focus came back")

    def test_9_space_holds_the_sustain_pedal_over_a_phrase(self):
        program.give_keyboard()
        pedal_down, pedal_up = "short 007F40B0", "short 000040B0"
        program.key_down("space")
        self.assertEqual(program.expect([pedal_down], "space down"), [pedal_down])
        self.play(["a"], stroke(60), "A under the pedal")
        self.play(["d"], stroke(64), "D under the pedal")
        down = session.picture(session.screenshot("pedal-down"))
        program.key_up("space")
        self.assertEqual(program.expect([pedal_up], "space up"), [pedal_up])
        # The pedal beneath the key block: blue while down, grey again after.
        x, y, width, height = session.client_rect(program.main)
        _, ch = session.cell_size(program.main)
        left, top = x + (width - 475) // 2 + 161, y + ch + (height - 156) // 2 + 164
        spot = (left + 20, top + 30)
        blue = down.pixel(*spot)

        def drawn_up():
            grey = session.picture(session.screenshot("pedal-up")).pixel(*spot)
            return grey if grey != blue else None
        grey = wh.wait_until(drawn_up, wh.WAIT, "the pedal drawn up again")
        self.assertGreater(blue[2], blue[0] + 40, "the pedal is blue while down: %r" % (blue,))
        self.assertLess(abs(grey[0] - grey[2]), 40, "the pedal is grey when up: %r" % (grey,))
        # Esc with the pedal down lifts it before All Notes Off.
        program.key_down("space")
        self.assertEqual(program.expect([pedal_down], "space down again"), [pedal_down])
        program.key("Escape")
        expected = [pedal_up] + wh.ALL_NOTES_OFF
        self.assertEqual(program.expect(expected, "Esc with the pedal down"), expected)
        program.key_up("space")
        self.play(["a"], stroke(60), "A after the pedal came up")

    def test_z_end(self):
        self.assertEqual(program.close(), 0)
        self.assertEqual(program.expect(wh.ALL_NOTES_OFF + ["close"], "end"),
                         wh.ALL_NOTES_OFF + ["close"])


if __name__ == "__main__":
    wh.main()
