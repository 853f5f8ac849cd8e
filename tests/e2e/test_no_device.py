"""velmira.exe (WinMM) under Wine, where there is no MIDI output device at all.

The splash shows, then a box titled "QJ" says "No MIDI output devices!"; Enter dismisses it and
the program ends with exit code 0. The main window is never shown.
"""

from harness import cases
from harness.driver import Watcher


class WithoutMidiDevice(cases.WineCase):
    def test_box_then_exit_code_0_and_never_a_main_window(self):
        session = self.session
        watcher = Watcher(session, "no_device")
        program = session.start("velmira", simulated=False)

        watcher.wait_shown("Cover", "Velmira")

        box = session.wait_window(cls="#32770", title="QJ")
        texts = [control.text for control in session.children(box.hwnd)]
        self.assertIn("No MIDI output devices!", texts)
        self.assertEqual(session.find_windows(cls="Cover", visible=True), [],
                         "the splash is still shown beside the box")
        self.assertEqual(session.find_windows(cls="QJ", visible=True), [],
                         "a main window is shown beside the box")
        session.screenshot("no_device_box")

        session.dismiss(box)
        self.assertEqual(program.exit_code(), 0)

        events = watcher.stop()
        shown = [e for e in events if e[0] == "show"]
        self.assertEqual([e for e in shown if e[2] == "QJ"], [],
                         "a main window (class QJ) was shown: %r" % events)
        classes = [e[2] for e in shown]
        self.assertIn("Cover", classes, "the splash was never seen: %r" % events)
        self.assertIn("#32770", classes, "the box was never seen: %r" % events)
        # The box comes after the splash has gone.
        splash_hwnd = next(e[1] for e in shown if e[2] == "Cover")
        splash_gone = next(i for i, e in enumerate(events)
                           if e[1] == splash_hwnd and e[0] in ("hide", "gone"))
        box_shown = next(i for i, e in enumerate(events) if e[0] == "show" and e[2] == "#32770")
        self.assertLess(splash_gone, box_shown, "the box showed before the splash went: %r"
                        % events)


if __name__ == "__main__":
    cases.main()
