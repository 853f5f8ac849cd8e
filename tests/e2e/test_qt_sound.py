"""The Linux program (velmira, with its built-in synthesizer) makes sound: on a PulseAudio null
sink started here, key A sounds middle C while held and stops after the key-up, Shift+A an octave
higher, as heard in what parec records from the sink's monitor. Without a SoundFont a box titled
"QJ" comes before the main window, and the program goes on once it is answered.
"""

import array
import os
import shutil
import subprocess
import sys
import time
import unittest

import qtharness as qh
from audio import pitch, rms, server_rate
import winharness as wh

SINK = "velmira_test"
session = None
pulse = None


def tools_missing():
    return [tool for tool in ("pulseaudio", "pactl", "parec") if shutil.which(tool) is None]


def setUpModule():
    global session, pulse
    session = qh.Session("qt_sound")
    log = open(session.out / "pulseaudio.txt", "wb")
    pulse = subprocess.Popen(
        ["pulseaudio", "-n", "--exit-idle-time=-1", "--daemonize=no",
         "--load=module-null-sink sink_name=%s" % SINK, "--load=module-native-protocol-unix"],
        env=session.env, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
        preexec_fn=wh._die_with_parent)
    log.close()
    wh.wait_until(lambda: pactl("info").returncode == 0, wh.WAIT, "the PulseAudio server")


def tearDownModule():
    if session is not None:
        session.close()
    if pulse is not None:
        wh._stop(pulse)


def pactl(*args):
    return subprocess.run(["pactl", *args], env=session.env, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=wh.WAIT, check=False)


class Velmira(qh.Program):
    """One run of the real program (velmira, not the simulation)."""

    def __init__(self, name, env):
        self.session = session
        self.name = name
        config = session.out / (name + ".config")
        config.mkdir()
        self.popen = session.launch_native(qh.NATIVE_DIR / "velmira",
                                           dict(env, XDG_CONFIG_HOME=str(config)), name)
        self.cursor = 0
        self.main = None


class Sound(unittest.TestCase):
    """Two runs of the program, in the order of the steps' names."""

    def test_1_keys_sound_at_their_pitch_and_stop_after_the_key_up(self):
        rate = server_rate(pactl("info").stdout.decode())
        program = Velmira("velmira", {})
        program.wait_main_window()
        time.sleep(1.0)
        capture = session.out / "capture.raw"
        with open(capture, "wb") as out:
            parec = subprocess.Popen(["parec", "-d", SINK + ".monitor", "--format=s16le",
                                      "--rate=%d" % rate, "--channels=1", "--raw"],
                                     env=session.env, stdin=subprocess.DEVNULL, stdout=out,
                                     stderr=subprocess.DEVNULL, preexec_fn=wh._die_with_parent)
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
            wh._stop(parec)
        self.assertEqual(program.close(), 0)

        audio = array.array("h")
        audio.frombytes(capture.read_bytes()[:capture.stat().st_size // 2 * 2])
        audio = [v / 32768.0 for v in audio]
        silence = rms(audio[:rate // 2])
        onset = next((i for i, v in enumerate(audio) if abs(v) > 0.01), None)
        self.assertIsNotNone(onset, "no sound in the capture (%d samples)" % len(audio))
        # The capture's clock: the first sound is key A's, a few ms after its key-down.
        start = presses[0][0] - onset / rate

        def window(t0, t1):
            return audio[int((t0 - start) * rate):int((t1 - start) * rate)]

        for (down, up), note in zip(presses, (60, 72)):
            held = window(down + 0.3, down + 0.8)
            expected = 440.0 * 2 ** ((note - 69) / 12)
            found = pitch(held[:4096], rate)
            self.assertLess(abs(found / expected - 1), 0.03,
                            "note %d: %.1f Hz heard, %.1f Hz expected" % (note, found, expected))
            after = rms(window(up + 1.0, up + 1.4))
            self.assertLess(after, 0.05 * rms(held),
                            "note %d still sounds a second after the key-up (RMS %.4f, held "
                            "%.4f, silence %.4f)" % (note, after, rms(held), silence))

    def test_2_a_box_before_the_main_window_then_the_program_goes_on(self):
        empty = session.out / "no_fonts"
        empty.mkdir()
        program = Velmira("no_font", {"VELMIRA_SOUNDFONT_DIRS": str(empty)})
        for which in ("no SoundFont", "cannot open the device"):
            box = session.wait_window("^QJ$")
            self.assertEqual(session.search("^Velmira - "), [],
                             "the main window came before the box (%s)" % which)
            session.focus(box)
            session.xdotool("key", "Return")  # to the focused box, which goes on the key-down
            wh.wait_until(lambda: box.xwindow not in session.search("^QJ$"), wh.WAIT,
                          "the box (%s) to close" % which)
        program.wait_main_window()
        self.assertEqual(program.close(), 0)


if __name__ == "__main__":
    missing = tools_missing()
    if missing:
        reason = "%s not installed (Debian packages: pulseaudio pulseaudio-utils)" % \
            ", ".join(missing)
        if os.environ.get("CI", "").lower() in ("1", "true", "yes"):
            print("FAIL: %s; CI must have it (scripts/setup installs it)" % reason)
            sys.exit(1)
        print("SKIP: " + reason, flush=True)
        sys.exit(wh.SKIP_EXIT_CODE)
    qh.main()
