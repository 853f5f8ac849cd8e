"""Switching the MIDI output off and on (Alt+C, Alt+O), a device that fails to open at start,
and a machine without a MIDI mapper; each with its own run of velmira-sim.exe.
"""

from harness import cases
from harness.formats import ALL_NOTES_OFF, note_off, note_on, program_change

STROKE_A = [note_on(60), note_off(60)]


def switch_state(menu):
    """(on checked, off checked) of the switch menu."""
    return menu.find(256).checked, menu.find(257).checked


class SwitchOffAndOn(cases.WineCase):
    def test_alt_c_then_alt_o(self):
        program = self.session.start("switch")
        program.wait_main_window()
        start = ["open -1 ok", program_change(0)]
        self.expect(start, "start", program)
        program.wait_keyboard()

        program.key("alt+c")
        expected = ALL_NOTES_OFF + ["close"]
        self.expect(expected, "Alt+C", program)
        menu = program.wait_item(257, checked=True)
        self.assertEqual(switch_state(menu), (False, True))

        # Switched off: A plays nothing, so the next calls are those of Alt+O.
        program.key("a")
        program.key("alt+o")
        expected = ["open -1 ok", program_change(0, 0), program_change(0, 15)]
        self.expect(expected, "A while off, then Alt+O", program)
        menu = program.wait_item(256, checked=True)
        self.assertEqual(switch_state(menu), (True, False))

        program.key("a")
        self.expect(STROKE_A, "A after Alt+O", program)

        self.assertEqual(program.close(), 0)


class DeviceFailsToOpen(cases.WineCase):
    def test_box_then_switched_off_until_a_good_device_is_switched_on(self):
        session = self.session
        program = session.start("fail_open",
                                env={"VELMIRA_SIM_DEVICES": "2", "VELMIRA_SIM_FAIL_OPEN": "-1"})
        box = session.wait_window(cls="#32770", title="QJ")
        texts = [control.text for control in session.children(box.hwnd)]
        self.assertIn("Cannot open MIDI device", texts)
        self.assertEqual(session.find_windows(cls="QJ", visible=True), [],
                         "the main window is shown before the box is dismissed")
        self.expect(["open -1 fail"], "start", program)
        session.dismiss(box)

        program.wait_main_window()
        menu = program.wait_menu(lambda m: m.find(257) is not None, "the switch menu")
        self.assertEqual(switch_state(menu), (False, True), "not switched off")
        devices = menu.popup_named("设备(&D)")
        self.assertEqual([(i.id, i.checked) for i in devices.items],
                         [(511, True), (512, False), (513, False)])
        self.assertIn("Simulated Synth 1", devices.items[2].label)
        program.give_keyboard()

        # Nothing plays while switched off, not even after choosing a working device.
        program.key("a")
        program.command(512)  # 设备 -> Simulated Synth 0
        menu = program.wait_item(512, checked=True)
        self.assertFalse(menu.find(511).checked)
        self.assertEqual(switch_state(menu), (False, True), "choosing a device switched on")
        program.key("a")
        program.key("alt+o")
        expected = ["open 0 ok", program_change(0, 0), program_change(0, 15)]
        self.expect(expected, "A twice while off, then Alt+O", program)
        menu = program.wait_item(256, checked=True)
        self.assertEqual(switch_state(menu), (True, False))

        program.key("a")
        self.expect(STROKE_A, "A after Alt+O", program)
        self.assertEqual(program.close(), 0)


class WithoutMapper(cases.WineCase):
    def test_device_0_is_the_default(self):
        program = self.session.start("no_mapper", env={"VELMIRA_SIM_MAPPER": "0"})
        program.wait_main_window()
        start = ["open 0 ok", program_change(0)]
        self.expect(start, "start", program)
        menu = program.wait_menu(lambda m: m.find(512) is not None, "the device menu")
        devices = menu.popup_named("设备(&D)")
        self.assertEqual([(i.id, i.checked) for i in devices.items], [(512, True)])
        self.assertEqual(switch_state(menu), (True, False))
        program.give_keyboard()
        program.key("a")
        self.expect(STROKE_A, "A", program)
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    cases.main()
