"""Choosing instruments in velmira-sim.exe with the toolbar and the instrument menu (opened with
Alt+V, pictured), and keys that keep playing after clicks on the toolbar and a transport button.
"""

from harness import cases
from harness.adapter import START
from harness.formats import note_off, note_on, program_change
from harness.process import WAIT, wait_until

STROKE_A = [note_on(60), note_off(60)]


def chosen_program(expected_program):
    """Condition on the menu dump: exactly this instrument is checked."""
    def check(menu):
        instruments = menu.popup_named("乐器(&V)")
        return [i.id for i in instruments.commands() if i.checked] == [1024 + expected_program]
    return check


class Instruments(cases.WineCase):
    """One run of the program; the steps run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = cls.session.start("sim")
        cls.main = cls.program.wait_main_window()
        cls.program.expect(START, "start")
        toolbar = cls.session.control(cls.main, cls="ToolbarWindow32")
        cls.buttons = cls.session.toolbar_buttons(toolbar)

    def click_button(self, index, expected_program):
        self.assertEqual(len(self.buttons), 14)
        self.session.click(*self.buttons[index].centre)
        expected = [program_change(expected_program, 0), program_change(expected_program, 15)]
        self.expect(expected, "toolbar button %d" % index)
        self.program.wait_menu(chosen_program(expected_program),
                          "instrument %d checked" % expected_program)

    def test_1_toolbar_buttons_send_their_program_on_both_channels(self):
        self.click_button(6, 55)
        self.click_button(0, 0)
        self.click_button(1, 15)

    def test_2_keys_still_play_after_toolbar_clicks(self):
        self.play(["a"], STROKE_A, "A after toolbar clicks")

    def test_3_instrument_menu_item_sends_the_same_program_as_its_button(self):
        session, program = self.session, self.program
        program.give_keyboard()
        program.key("alt+v")
        session.wait_window(cls="#32768")  # the open menu
        session.screenshot("instrument_menu")
        program.key("g")
        wait_until(lambda: len(session.find_windows(cls="#32768", visible=True)) >= 2,
                   WAIT, "the submenu G to open")
        session.screenshot("instrument_menu_g")
        program.key("8")
        expected = [program_change(55, 0), program_change(55, 15)]
        self.expect(expected, "乐器 -> G -> 8")
        program.wait_menu(chosen_program(55), "instrument 55 checked")
        session.wait_no_window("#32768")
        # The same as toolbar button 6.
        self.assertEqual(self.buttons[6].command, 1024 + 55)

    def test_4_keys_still_play_after_a_transport_button_click(self):
        session, program = self.session, self.program
        program.give_keyboard()
        record = session.control(self.main, id=1283, cls="Button")
        self.assertTrue(record.enabled)
        # A key held across the click goes on sounding: the button hands the keyboard back.
        program.key_down("s")
        self.expect([note_on(62)], "S held")
        session.click(*record.centre)
        # The click did press the button: recording runs, so it can be stopped.
        menu = program.wait_item(1284, grayed=False)
        self.assertTrue(menu.find(1283).grayed)
        self.assertEqual(program.events()[program.cursor:], [], "nothing ends at the click")
        program.key_up("s")
        self.expect([note_off(62)], "S released after the click")
        self.play(["a"], STROKE_A, "A after a click on 开始录制")
        self.play(["d"], [note_on(64), note_off(64)], "D after a click on 开始录制")


if __name__ == "__main__":
    cases.main()
