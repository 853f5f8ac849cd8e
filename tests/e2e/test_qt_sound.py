"""The Linux program (velmira, with its built-in synthesizer) makes sound: on a PulseAudio null
sink started here, key A sounds middle C while held and stops after the key-up, Shift+A an octave
higher, as heard in what parec records from the sink's monitor. Without a SoundFont a box titled
"QJ" comes before the main window, and the program goes on once it is answered.
"""

import time
import unittest

from harness import audio, cases, process
from harness.adapter import MAIN_TITLE
from harness.audio import note_frequency, pitch, read_raw_mono, rms


class Sound(cases.NativeCase):
    """Two runs of the program, in the order of the steps' names."""

    @classmethod
    def setUpClass(cls):
        missing = process.missing_tools(audio.TOOLS)
        if missing:
            reason = "%s not installed (Debian packages: %s)" % (", ".join(missing),
                                                                 audio.PACKAGES)
            if process.in_ci():
                raise AssertionError("%s; CI must have it (scripts/setup installs it)" % reason)
            raise unittest.SkipTest(reason)
        super().setUpClass()
        cls.pulse = audio.PulseAudio(cls.session.out / "pulse", cls.session.env,
                                     sink="velmira_test")
        cls.addClassCleanup(cls.pulse.close)

    def start(self, name, env=None):
        """A run of the real program (not the simulation), playing on the null sink."""
        env = dict(env or {}, XDG_RUNTIME_DIR=str(self.pulse.runtime))
        return self.session.start(name, env=env, simulated=False)

    def test_1_keys_sound_at_their_pitch_and_stop_after_the_key_up(self):
        rate = self.pulse.rate
        program = self.start("velmira")
        program.wait_main_window()
        time.sleep(1.0)
        capture = self.session.out / "capture.raw"
        with open(capture, "wb") as out:
            parec = self.pulse.record(out)
        try:
            time.sleep(1.0)
            presses = []
            for key in ("a", "shift+a"):
                program.give_keyboard()
                down = time.monotonic()
                program.key_down(key)
                time.sleep(1.0)
                program.key_up(key)
                presses.append((down, time.monotonic()))
                time.sleep(1.5)
        finally:
            process.stop(parec)
        self.assertEqual(program.close(), 0)

        samples = read_raw_mono(capture)
        silence = rms(samples[:rate // 2])
        onset = next((i for i, v in enumerate(samples) if abs(v) > 0.01), None)
        self.assertIsNotNone(onset, "no sound in the capture (%d samples)" % len(samples))
        # The capture's clock: the first sound is key A's, a few ms after its key-down.
        start = presses[0][0] - onset / rate

        def window(t0, t1):
            return samples[int((t0 - start) * rate):int((t1 - start) * rate)]

        for (down, up), note in zip(presses, (60, 72)):
            held = window(down + 0.3, down + 0.8)
            expected = note_frequency(note)
            found = pitch(held[:4096], rate)
            self.assertLess(abs(found / expected - 1), 0.03,
                            "note %d: %.1f Hz heard, %.1f Hz expected" % (note, found, expected))
            after = rms(window(up + 1.0, up + 1.4))
            self.assertLess(after, 0.05 * rms(held),
                            "note %d still sounds a second after the key-up (RMS %.4f, held "
                            "%.4f, silence %.4f)" % (note, after, rms(held), silence))

    def test_2_a_box_before_the_main_window_then_the_program_goes_on(self):
        session = self.session
        empty = session.out / "no_fonts"
        empty.mkdir()
        program = self.start("no_font", {"VELMIRA_SOUNDFONT_DIRS": str(empty)})
        for which in ("no SoundFont", "cannot open the device"):
            box = session.wait_window("^QJ$")
            self.assertEqual(session.search(MAIN_TITLE), [],
                             "the main window came before the box (%s)" % which)
            session.dismiss(box)
        program.wait_main_window()
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    cases.main()
