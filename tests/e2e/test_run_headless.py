"""scripts/run without a display: the Linux program plays the demo through its real audio path
and leaves a screenshot, the MIDI log and a WAV recorded from the audio server; the WAV is not
silent and its first note sounds at the pitch of the demo's first note in the log."""
import os
import re
import subprocess
import sys
import unittest

from harness import audio, process, xsession
from harness.audio import first_onset, note_frequency, pitch, read_wav_mono, rms
from harness.process import REPO, SKIP_EXIT_CODE

OUT = REPO / "build" / "run"


class HeadlessRun(unittest.TestCase):
    def test_the_demo_is_played_and_recorded(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        result = subprocess.run([str(REPO / "scripts" / "run")], env=env, capture_output=True,
                                text=True, timeout=600, stdin=subprocess.DEVNULL)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        printed = re.findall(r"^run: \w[\w ]*?\s+(/\S+)", result.stdout, re.M)
        self.assertEqual(printed, [str(OUT / "screenshot.png"), str(OUT / "midi.log"),
                                   str(OUT / "played.wav")], result.stdout)
        self.assertGreater((OUT / "screenshot.png").stat().st_size, 10000)

        log = (OUT / "midi.log").read_text()
        first = re.search(r" short 007F([0-9A-F]{2})90$", log, re.M)
        self.assertIsNotNone(first, "no note-on in the MIDI log")
        expected = note_frequency(int(first.group(1), 16))

        samples, rate = read_wav_mono(OUT / "played.wav")
        loud = max(abs(v) for v in samples)
        self.assertGreater(loud, 1000, "the recorded audio is silent")
        onset = first_onset(samples, rate, loud / 20)
        window = samples[onset + rate // 20:onset + rate // 20 + rate // 10]
        self.assertGreater(rms(window), loud / 50)
        heard = pitch(window, rate)
        self.assertLess(abs(heard / expected - 1), 0.03,
                        "first note heard at %.1f Hz, the demo's first note is %.1f Hz"
                        % (heard, expected))


def main():
    missing = process.missing_tools(xsession.TOOLS + audio.TOOLS)
    if missing or not (REPO / "build" / "native" / "velmira").exists():
        print("SKIP: %s" % (", ".join(missing) or "build/native/velmira not built"))
        sys.exit(1 if process.in_ci() else SKIP_EXIT_CODE)
    unittest.main(module="__main__", verbosity=2)


if __name__ == "__main__":
    main()
