"""Switching the MIDI output off and on (Alt+C, Alt+O), a device that fails to open at start,
and a machine without a MIDI mapper; each with its own run of velmira-sim.exe.
"""

import unittest

import winharness as wh
from winharness import note_off, note_on, program_change

session = None


def setUpModule():
    global session
    session = wh.Session("switch")


def tearDownModule():
    if session is not None:
        session.close()


STROKE_A = [note_on(60), note_off(60)]


def switch_state(menu):
    """(on checked, off checked) of the switch menu."""
    return menu.find(256).checked, menu.find(257).checked


class SwitchOffAndOn(unittest.TestCase):
    def test_alt_c_then_alt_o(self):
        program = wh.Program(session, name="switch")
        program.wait_main_window()
        start = ["open -1 ok", program_change(0)]
        self.assertEqual(program.expect(start, "start"), start)
        program.wait_keyboard()

        program.key("alt+c")
        expected = wh.ALL_NOTES_OFF + ["close"]
        self.assertEqual(program.expect(expected, "Alt+C"), expected)
        menu = program.wait_item(257, checked=True)
        self.assertEqual(switch_state(menu), (False, True))

        # Switched off: A plays nothing, so the next calls are those of Alt+O.
        program.key("a")
        program.key("alt+o")
        expected = ["open -1 ok", program_change(0, 0), program_change(0, 15)]
        self.assertEqual(program.expect(expected, "A while off, then Alt+O"), expected)
        menu = program.wait_item(256, checked=True)
        self.assertEqual(switch_state(menu), (True, False))

        program.key("a")
        self.assertEqual(program.expect(STROKE_A, "A after Alt+O"), STROKE_A)

        self.assertEqual(program.close(), 0)


class DeviceFailsToOpen(unittest.TestCase):
    def test_box_then_switched_off_until_a_good_device_is_switched_on(self):
        program = wh.Program(session, name="fail_open",
                             env={"VELMIRA_SIM_DEVICES": "2", "VELMIRA_SIM_FAIL_OPEN": "-1"})
        box = session.wait_window(cls="#32770", title="QJ")
        texts = [control.text for control in session.children(box.hwnd)]
        self.assertIn("Cannot open MIDI device", texts)
        self.assertEqual(session.find_windows(cls="QJ", visible=True), [],
                         "the main window is shown before the box is dismissed")
        self.assertEqual(program.expect(["open -1 fail"], "start"), ["open -1 fail"])
        if session.focus(box)[0] != box.hwnd:
            x, y, w, h = box.rect
            session.click(x + w // 2, y + h // 4)
        session.key(box, "Return")

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
        self.assertEqual(program.expect(expected, "A twice while off, then Alt+O"), expected)
        menu = program.wait_item(256, checked=True)
        self.assertEqual(switch_state(menu), (True, False))

        program.key("a")
        self.assertEqual(program.expect(STROKE_A, "A after Alt+O"), STROKE_A)
        self.assertEqual(program.close(), 0)


class WithoutMapper(unittest.TestCase):
    def test_device_0_is_the_default(self):
        program = wh.Program(session, name="no_mapper", env={"VELMIRA_SIM_MAPPER": "0"})
        program.wait_main_window()
        start = ["open 0 ok", program_change(0)]
        self.assertEqual(program.expect(start, "start"), start)
        menu = program.wait_menu(lambda m: m.find(512) is not None, "the device menu")
        devices = menu.popup_named("设备(&D)")
        self.assertEqual([(i.id, i.checked) for i in devices.items], [(512, True)])
        self.assertEqual(switch_state(menu), (True, False))
        program.give_keyboard()
        program.key("a")
        self.assertEqual(program.expect(STROKE_A, "A"), STROKE_A)
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    wh.main()
