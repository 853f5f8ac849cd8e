"""The Linux program (velmira, with its built-in synthesizer) makes sound: on a PulseAudio null
sink started here, key A sounds middle C while held and stops after the key-up, Shift+A an octave
higher, as heard in what parec records from the sink's monitor. Without a SoundFont a box titled
"QJ" comes before the main window, and the program goes on once it is answered. In a silence the
program's stream rests (corked) and the next note wakes it, with no click at either moment.
When the audio server restarts, the program finds it again and the first note sounds.
"""

import re
import time
import unittest

from harness import audio, cases, process
from harness.process import wait_until
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

    def stroke(self, program, key, hold):
        """Key down, held, up: (down, up) in time.monotonic()."""
        program.give_keyboard()
        down = time.monotonic()
        program.key_down(key)
        time.sleep(hold)
        program.key_up(key)
        return down, time.monotonic()

    def record(self, name, play, presses):
        """Runs play() while parec records the sink's monitor; returns the samples (-1..1) and
        window(t0, t1), the samples between two times of time.monotonic(). The capture's clock:
        its first sound is the first stroke's, a few ms after that key-down."""
        rate = self.pulse.rate
        capture = self.session.out / (name + ".raw")
        with open(capture, "wb") as out:
            parec = self.pulse.record(out)
        try:
            time.sleep(1.0)
            play()
        finally:
            process.stop(parec)
        samples = read_raw_mono(capture)
        onset = next((i for i, v in enumerate(samples) if abs(v) > 0.01), None)
        self.assertIsNotNone(onset, "no sound in the capture (%d samples)" % len(samples))
        start = presses[0][0] - onset / rate

        def index(t):
            return max(0, int((t - start) * rate))

        def window(t0, t1):
            return samples[index(t0):index(t1)]
        return samples, window, index

    def onset(self, samples, index, down):
        """The first sample of the note struck at down: within 0.3 s of where the capture's
        clock puts the key-down (a monitor's capture may lose a few ms on a busy machine)."""
        begin, end = max(0, index(down) - self.pulse.rate * 3 // 10), index(down + 0.3)
        found = next((i for i in range(begin, min(end, len(samples))) if abs(samples[i]) > 0.01),
                     None)
        self.assertIsNotNone(found, "no note within 0.3 s of its key-down")
        return found

    def corked(self):
        """Whether the program's stream is corked (resting), from pactl; None without one."""
        listing = self.pulse.pactl("list", "sink-inputs").stdout.decode()
        state = re.search(r"^\s*Corked: (yes|no)$", listing, re.M)
        return None if state is None else state.group(1) == "yes"

    def assert_pitch(self, samples, note):
        expected = note_frequency(note)
        found = pitch(samples[:4096], self.pulse.rate)
        self.assertLess(abs(found / expected - 1), 0.03,
                        "note %d: %.1f Hz heard, %.1f Hz expected" % (note, found, expected))

    def test_1_keys_sound_at_their_pitch_and_stop_after_the_key_up(self):
        rate = self.pulse.rate
        program = self.start("velmira")
        program.wait_main_window()
        time.sleep(1.0)
        presses = []

        def play():
            for key in ("a", "shift+a"):
                presses.append(self.stroke(program, key, 1.0))
                time.sleep(1.5)
        samples, window, _ = self.record("capture", play, presses)
        self.assertEqual(program.close(), 0)

        silence = rms(samples[:rate // 2])
        for (down, up), note in zip(presses, (60, 72)):
            held = window(down + 0.3, down + 0.8)
            self.assert_pitch(held, note)
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


    def test_3_rests_in_a_silence_and_wakes_at_the_next_note_without_a_click(self):
        rate = self.pulse.rate
        program = self.start("rest")
        program.wait_main_window()
        time.sleep(1.0)
        presses, states = [], {}

        def play():
            # A note from the resting stream, one from the running stream, five seconds of
            # silence (the stream rests), a note again.
            presses.append(self.stroke(program, "a", 0.5))
            time.sleep(1.0)
            presses.append(self.stroke(program, "a", 0.5))
            up = presses[-1][1]
            states["rested"] = wait_until(lambda: self.corked() and time.monotonic(), 5.0,
                                          "the stream to rest after the note")
            time.sleep(max(0.0, up + 5.0 - time.monotonic()))
            states["still resting"] = self.corked()
            presses.append(self.stroke(program, "a", 0.5))
            states["woken"] = self.corked() is False
            time.sleep(1.5)
        samples, _, index = self.record("rest", play, presses)
        self.assertEqual(program.close(), 0)

        self.assertTrue(states["still resting"], "the stream woke in the silence")
        self.assertTrue(states["woken"], "the stream still rests while the note is held")
        (_, _), (_, up), (_, _) = presses
        self.assertGreater(states["rested"], up + 1.5,
                           "the stream rested %.2f s after the key-up, while the release may "
                           "still sound" % (states["rested"] - up))
        onsets = [self.onset(samples, index, down) for down, _ in presses]
        for begin in onsets:
            self.assert_pitch(samples[begin + rate // 10:begin + rate * 45 // 100], 60)

        # From the running note's tail end (held 0.5 s, 1.5 s of release), through the rest, to
        # the woken note: no sample beyond two steps of 16 bits (-84 dBFS) before it begins.
        quiet = 2.0 / 32768
        running, waking = onsets[1], onsets[2]
        tail = samples[running + 2 * rate:waking + rate // 2]
        sound = next(i for i, v in enumerate(tail) if abs(v) > quiet)
        self.assertGreater(sound, waking - running - 2 * rate - rate // 20,
                           "sound %.3f s before the woken note, in the silence"
                           % ((waking - running - 2 * rate - sound) / rate))

        # The woken note starts as the one from the running stream does: no sharper step.
        def steepest(samples):
            return max(abs(b - a) for a, b in zip(samples, samples[1:]))

        def attack(samples):  # 20 ms from the sample before it passes -60 dBFS
            begin = next(i for i, v in enumerate(samples) if abs(v) > 0.001)
            return samples[max(0, begin - 1):begin + rate // 50]
        woken = steepest(attack(tail[sound - 1:]))
        usual = steepest(attack(samples[running - rate // 20:running + rate * 4 // 10]))
        self.assertLess(woken, 1.5 * usual + quiet,
                        "the woken note's attack has a step of %.4f, a running one %.4f"
                        % (woken, usual))


    def test_4_the_first_note_sounds_when_the_audio_server_is_back(self):
        program = self.start("server_back")
        program.wait_main_window()
        time.sleep(1.0)
        self.pulse.restart()
        wait_until(lambda: "velmira" in self.pulse.pactl("list", "short", "clients")
                   .stdout.decode().lower(), 30, "the program to find the server again")
        time.sleep(0.5)
        presses = []
        _, window, _ = self.record("server_back", lambda: presses.append(
            self.stroke(program, "a", 0.5)), presses)
        self.assertEqual(program.close(), 0)
        self.assert_pitch(window(presses[0][0] + 0.1, presses[0][0] + 0.45), 60)


if __name__ == "__main__":
    cases.main()
