#!/usr/bin/env python3
"""scripts/run without a display: the program at its main job on a virtual display.

    tools/run_headless.py [--windows] [FILE.qji]

The Linux program (build/native/velmira) plays the file (the demo by default) through its real
audio path, on a PulseAudio null sink; with --windows the simulation build velmira-sim.exe
plays it under Wine and FluidSynth renders the WAV from its call log. Either way build/run/
gets screenshot.png (taken mid-performance, a dozen notes in), midi.log (every MIDI message
sent, with its time) and played.wav.
"""

import argparse
import shutil
import subprocess
import sys
import time
from pathlib import Path

from harness import audio, formats, process, wine
from harness.process import REPO, HarnessError
from harness.xsession import XSession
from simlog_to_midi import convert

OUT = REPO / "build" / "run"
DEMO = REPO / "resources" / "demo" / "demo.qji"
SCREEN = (1280, 800)
SOUNDFONT = Path("/usr/share/sounds/sf2/FluidR3_GM.sf2")
NOTES_BEFORE_SCREENSHOT = 12


def notes_in(log):
    return sum(1 for _, text in formats.read_call_log(log) if formats.is_note_on(text))


def ended(log):
    return any(text == formats.STOP_ENDS for _, text in formats.read_call_log(log))


def wait_for(condition, seconds):
    """Polls condition() for up to seconds; a file that plays fewer notes, or for longer, only
    shortens or ends the wait."""
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.1)


def screenshot_mid_performance(x, log):
    wait_for(lambda: notes_in(log) >= NOTES_BEFORE_SCREENSHOT or ended(log), 60)
    return x.screenshot(OUT / "screenshot.png")


def run_native(x, demo, log):
    print("run: no display; the demo played by the Linux program on a virtual display and a "
          "null sink", flush=True)
    pulse = audio.PulseAudio(OUT / "pulse", x.env, sink="velmira_run")
    try:
        parec = pulse.record(OUT / "played.wav", channels=2, wav=True)
        # Settings and recovery copies of their own: a run of this shows the demo, never a
        # question about a take that another run left.
        env = dict(pulse.env, XDG_CONFIG_HOME=str(OUT / "config"),
                   XDG_DATA_HOME=str(OUT / "data"), VELMIRA_MIDI_LOG=str(log))
        program = process.start([REPO / "build" / "native" / "velmira", demo], env,
                                OUT / "program.txt")
        screenshot_mid_performance(x, log)
        # The end: then the release rings out.
        wait_for(lambda: ended(log), 120)
        time.sleep(1.5)
        pulse.stop_recording(parec)
        for window in x.search("^Velmira - ")[:1]:
            x.xdotool("key", "--window", window, "alt+F4", check=False)
        try:
            program.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.stop(program)
    finally:
        pulse.close()
    return [("audio", OUT / "played.wav", "recorded from the audio server")]


def run_windows(x, demo, log):
    print("run: no display; playing the demo on a virtual display with the simulated synth",
          flush=True)
    env = wine.environment(x.display, REPO / "build" / "wineprefix-run")
    server = wine.WineServer(env, OUT)
    for folder in wine.data_folders(env["WINEPREFIX"]):
        shutil.rmtree(folder, ignore_errors=True)
    try:
        env["VELMIRA_SIM_LOG"] = wine.windows_path(log)
        process.start([*wine.WINE, REPO / "build" / "win32" / "velmira-sim.exe",
                       wine.windows_path(demo)], env)
        screenshot_mid_performance(x, log)
        wait_for(lambda: ended(log), 90)
    finally:
        server.stop()
    if not shutil.which("fluidsynth") or not SOUNDFONT.exists():
        return []
    midi = OUT / "played.mid"
    convert(log, midi)
    subprocess.run(["fluidsynth", "-ni", "-F", OUT / "played.wav", "-r", "44100", SOUNDFONT,
                    midi], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    return [("audio", OUT / "played.wav", "")]


def main():
    parser = argparse.ArgumentParser(description="The program at work on a virtual display.")
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("file", nargs="?", default=str(DEMO))
    args = parser.parse_args()
    demo = Path(args.file).resolve()
    if not demo.is_file():
        raise SystemExit("run: %s is not a file" % args.file)

    OUT.mkdir(parents=True, exist_ok=True)
    for name in ("pulse", "config", "data"):
        shutil.rmtree(OUT / name, ignore_errors=True)
    for name in ("midi.log", "screenshot.png", "played.mid", "played.wav"):
        (OUT / name).unlink(missing_ok=True)
    log = OUT / "midi.log"
    process.exit_on_signals()  # so that the clean-up below runs
    try:
        x = XSession(OUT / "xvfb.log", SCREEN)
    except HarnessError as error:
        raise SystemExit("run: %s" % error)
    try:
        extra = (run_windows if args.windows else run_native)(x, demo, log)
    except HarnessError as error:
        raise SystemExit("run: %s" % error)
    finally:
        x.close()
    print("run: screenshot  %s" % (OUT / "screenshot.png"))
    print("run: MIDI log    %s (%d notes)" % (log, notes_in(log)))
    for label, path, note in extra:
        print("run: %-10s  %s%s" % (label, path, " (%s)" % note if note else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
