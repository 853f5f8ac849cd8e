#!/usr/bin/env python3
"""Measures key-to-sound latency of the Linux program (build/native/velmira) with its built-in
synthesizer (FluidSynth), on a PulseAudio null sink that this script starts, twice in one run:
with the program's defaults (two periods of 64 frames, adjust-latency) and with --fluid-defaults
(FluidSynth's own buffering: sixteen periods, no adjust-latency) as the baseline. Prints both
side by side.

    tools/measure_sound_latency.py [--strokes N] [--program PATH]

Needs Xvfb, xdotool, pulseaudio, pactl, parec, libX11 and libXtst, and a GM SoundFont where the
program looks for one (Debian's fluid-soundfont-gm); exits 77 when a tool is missing.

What is measured. The program runs with VELMIRA_LATENCY_LOG, its latency probe: for each stroke
it stamps (CLOCK_MONOTONIC) the key event's arrival in the program (KEY), the note-on handed to
FluidSynth (SENT) and the end of the audio callback that first rendered the note's sound
(SOUND): that callback's samples are then written to the program's PulseAudio stream, which
the server asked for them. SOUND - KEY is the program's own part of the latency, from
the key to the note's first sample leaving for the audio server. After that the samples wait in
the stream's buffer on the server and in the sink: the server reports both, as "Buffer Latency"
and "Sink Latency" of the program's sink input (pactl list sink-inputs), read every ten strokes
while the program plays (in the pause between strokes, so that pactl does not disturb one).
The total is SOUND - KEY plus the median of these two.

Strokes: key A (note 60) pressed through XTEST (harness.xsession.XTestKeyboard),
held 50 ms, one every second, so that the piano's release and the reverb have died away
before the next note (at 600 ms apart they have not): the probe takes the first callback with sound after the note-on, so a
note must start out of silence. The first strokes after start-up are not counted (the audio
stream's start stalls): five warm-up strokes come first. Jitter is p99 - p50. CPU is the audio
thread's CPU time over the wall time since its first callback (the probe's cpu line), in ms
per second: with strokes a second apart the stream never rests (tools/measure_sound_rest.py
measures what resting saves).

The check against the audio. parec records the sink's monitor during each run, read here from
a pipe, and every note onset is found in the recording (the first sample of at least 4/32768
after 100 ms below that, about the probe's own threshold; the strokes are far enough apart for
the tail of the last note to die away, and a stroke whose onset is not found is counted).
The recording's sample clock is the sink's clock, so the onsets' times in it, against the
probe's stamps, show:
  - onset - SOUND: where each note landed in the sink's stream against the moment the probe
    says its first samples left the program; a constant but for the server's scheduling, and
    its spread shows how far SOUND tells when the sound really went into the sink (an underrun
    or lost samples on the way would show as a jump);
  - onset - KEY: the jitter of the whole path from the key to the sink's stream, as the audio
    shows it, to be held against the probe's jitter.
Both are printed as the drift from the first to the last stroke (a difference between the
sink's clock and CLOCK_MONOTONIC, or samples inserted on the way) and as the change from one
stroke to the next, which a drift of that size hardly touches.
Its limits: only differences between strokes are checked, not the absolute latency. The
recording's start on CLOCK_MONOTONIC would have to be known for that, and the monitor's data
comes in bursts (the gaps between them are printed): a sample may be read long before or after
its place in the sink's clock, so the start is known only to within a burst, tens of ms. The
null sink has no hardware behind it either, so what a sound card's own buffer adds is not seen.
"""
import argparse
import array
import bisect
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from harness import audio, process
from harness.process import REPO, WAIT, HarnessError
from harness.xsession import XSession, XTestKeyboard
from measure_key_latency import SCREEN, find_main_window, percentile

SKIP = process.SKIP_EXIT_CODE
SINK = "velmira_measure"
PERIOD = 1.000
HOLD = 0.050
WARM_UP = 5
ONSET_LEVEL = 4          # of 32767: about the probe's 1e-4
ONSET_QUIET = 0.1        # s below ONSET_LEVEL before an onset
SETTINGS = [("defaults", []), ("--fluid-defaults", ["--fluid-defaults"])]


def server_latency(pulse):
    """(Buffer Latency, Sink Latency) in ms of the one sink input, or None."""
    figures = {}
    for line in pulse.pactl("list", "sink-inputs").stdout.decode().splitlines():
        name, _, value = line.strip().partition(":")
        if name in ("Buffer Latency", "Sink Latency") and value.strip().endswith("usec"):
            figures[name] = int(value.split()[0]) / 1000
    if len(figures) != 2:
        return None
    return figures["Buffer Latency"], figures["Sink Latency"]


class Capture:
    """parec on the sink's monitor, read here from a pipe; keeps the samples and, for each
    chunk, (samples so far, time.monotonic() when it was read)."""

    def __init__(self, pulse):
        self.rate = pulse.rate
        self.data = bytearray()
        self.arrivals = []
        self.started = time.monotonic()
        self.popen = pulse.record(subprocess.PIPE, latency_msec=5)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.popen.stdout.fileno()
        while True:
            chunk = os.read(fd, 65536)
            now = time.monotonic()
            if not chunk:
                return
            self.data += chunk
            self.arrivals.append((len(self.data) // 2, now))

    def stop(self):
        process.stop(self.popen)
        self.thread.join(timeout=10)

    def gaps(self):
        """The times between deliveries of the monitor's data that are more than 2 ms apart (ms):
        how bursty the sink's clock is as seen from here."""
        times = [now for _, now in self.arrivals]
        return [(b - a) * 1000 for a, b in zip(times, times[1:]) if b - a > 0.002]

    def onsets(self):
        samples = array.array("h")
        samples.frombytes(bytes(self.data[:len(self.data) // 2 * 2]))
        quiet = int(ONSET_QUIET * self.rate)
        found, last_loud = [], -quiet
        for i, v in enumerate(samples):
            if v >= ONSET_LEVEL or v <= -ONSET_LEVEL:
                if i - last_loud >= quiet:
                    found.append(i)
                last_loud = i
        return found


def sleep_until(moment):
    remaining = moment - time.monotonic()
    if remaining > 0:
        time.sleep(remaining)


def measure(x, pulse, name, command, strokes, work):
    probe = os.path.join(work, name.strip("-") + ".probe")
    config = os.path.join(work, name.strip("-") + ".config")
    os.mkdir(config)
    popen = process.start(command, dict(pulse.env, VELMIRA_LATENCY_LOG=probe,
                                        XDG_CONFIG_HOME=config),
                          os.path.join(work, name.strip("-") + ".out.txt"))
    keyboard = XTestKeyboard(x.display)
    capture = None
    try:
        window = find_main_window(x, popen)
        x.focus(window)
        keyboard.sync()
        time.sleep(0.5)
        capture = Capture(pulse)
        time.sleep(0.5)
        key = keyboard.keycode("a")
        presses, server = [], []
        start = time.monotonic() + 0.1
        for i in range(WARM_UP + strokes):
            sleep_until(start + i * PERIOD)
            presses.append(keyboard.send(key, True)[0])
            sleep_until(start + i * PERIOD + HOLD)
            keyboard.send(key, False)
            if i >= WARM_UP and (i - WARM_UP) % 10 == 5:
                sleep_until(start + i * PERIOD + 0.3)
                figures = server_latency(pulse)
                if figures:
                    server.append(figures)
        time.sleep(PERIOD)
        capture.stop()
        x.key(None, "alt+F4")
        popen.wait(timeout=WAIT)
    finally:
        keyboard.close()
        if capture is not None and capture.popen.poll() is None:
            capture.stop()
        process.stop(popen)
    records, cpu = [], None
    with open(probe) as lines:
        for line in lines:
            fields = line.split()
            if fields[0] == "cpu":
                cpu = int(fields[1]) / int(fields[2]) * 1000
            else:
                records.append([int(v) / 1e9 for v in fields])
    return analyse(presses[WARM_UP:], records, server, cpu, capture)


def analyse(presses, records, server, cpu, capture):
    """Pairs each measured press with the probe's record whose key arrived after it (and
    before the next stroke), and each record with the capture's onset nearest its SOUND."""
    paired = []
    for press in presses:
        match = next((r for r in records if press <= r[0] < press + PERIOD), None)
        if match:
            paired.append((press, match))
    result = {"presses": len(presses), "paired": len(paired), "cpu": cpu, "server": server,
              "key_sound": [(r[2] - r[0]) * 1000 for _, r in paired],
              "key_sent": [(r[1] - r[0]) * 1000 for _, r in paired],
              "xtest_key": [(r[0] - p) * 1000 for p, r in paired]}
    onsets = [i / capture.rate for i in capture.onsets()]
    # The capture's clock against CLOCK_MONOTONIC, first roughly: of the offsets that put an
    # onset on one of the first strokes' SOUND, the one that puts onsets on most of the next
    # ten; then followed from stroke to stroke, so that a slow drift or a jump of the capture's
    # clock does not lose the pairs.
    def nearest(moment):
        i = bisect.bisect_left(onsets, moment)
        return min(onsets[max(0, i - 1):i + 1], key=lambda t: abs(t - moment), default=None)

    def fits(offset):
        return sum(1 for _, r in paired[:10]
                   if abs(nearest(r[2] + offset) - r[2] - offset) < 0.03)
    candidates = [t - r[2] for _, r in paired[:3] for t in onsets]
    offset = max(candidates, key=fits, default=0.0)
    spacing, path = [], []
    for _, r in paired:
        near = nearest(r[2] + offset)
        if near is not None and abs(near - offset - r[2]) < PERIOD / 3:
            spacing.append((near - r[2]) * 1000)
            path.append((near - r[0]) * 1000)
            offset = near - r[2]
    steps = [abs(b - a) for a, b in zip(spacing, spacing[1:])]
    result.update(spacing=spacing, path=path, steps=steps, gaps=capture.gaps())
    return result


def p(values, q):
    return percentile(values, q) if values else float("nan")


def report(results, strokes, rate):
    print("Key to sound, velmira with FluidSynth on a PulseAudio null sink at %d Hz: key A "
          "through XTEST,\n%d strokes %d ms apart (held %d ms) after %d warm-up strokes"
          % (rate, strokes, PERIOD * 1000, HOLD * 1000, WARM_UP))
    print()
    names = list(results)
    row = "%-44s" + " %18s" * len(names)
    print(row % ("", *names))

    def line(label, values):
        print(row % (label, *values))
    get = [results[n] for n in names]
    line("strokes with a probe record", ["%d/%d" % (r["paired"], r["presses"]) for r in get])
    line("key -> first sample out, p50 ms", ["%.2f" % p(r["key_sound"], 50) for r in get])
    line("key -> first sample out, p99 ms", ["%.2f" % p(r["key_sound"], 99) for r in get])
    line("jitter (p99 - p50) ms", ["%.2f" % (p(r["key_sound"], 99) - p(r["key_sound"], 50))
                                   for r in get])
    line("  of which key -> note-on, p50 ms", ["%.3f" % p(r["key_sent"], 50) for r in get])
    for label, index in (("server: Buffer Latency, median ms", 0),
                         ("server: Sink Latency, median ms", 1)):
        line(label, ["%.2f (%d reads)" % (p([s[index] for s in r["server"]], 50), len(r["server"]))
                     if r["server"] else "-" for r in get])
    totals = []
    for r in get:
        if r["server"]:
            buffered = p([s[0] + s[1] for s in r["server"]], 50)
            totals.append("%.1f / %.1f" % (p(r["key_sound"], 50) + buffered,
                                           p(r["key_sound"], 99) + buffered))
        else:
            totals.append("-")
    line("total with the server's buffering p50/p99 ms", totals)
    line("audio thread CPU, ms per s", ["%.1f" % r["cpu"] if r["cpu"] is not None else "-"
                                        for r in get])
    line("(XTEST send -> key in the program, p50 ms)", ["%.2f" % p(r["xtest_key"], 50)
                                                      for r in get])
    print()
    print("Check against the audio recorded from the sink's monitor (parec):")
    line("onsets found / strokes paired", ["%d / %d" % (len(r["spacing"]), r["paired"])
                                           for r in get])
    line("onset - SOUND, drift first..last stroke ms",
         ["%+.1f" % (r["spacing"][-1] - r["spacing"][0]) if r["spacing"] else "-" for r in get])
    line("onset - SOUND, change stroke to stroke p50/p99",
         ["%.2f / %.2f" % (p(r["steps"], 50), p(r["steps"], 99)) for r in get])
    line("onset - KEY, change stroke to stroke p50/p99",
         ["%.2f / %.2f" % (p([abs(b - a) for a, b in zip(r["path"], r["path"][1:])], 50),
                           p([abs(b - a) for a, b in zip(r["path"], r["path"][1:])], 99))
          for r in get])
    line("monitor data: gaps between bursts p50/p90 ms",
         ["%.1f / %.1f" % (p(r["gaps"], 50), p(r["gaps"], 90)) for r in get])


def main():
    parser = argparse.ArgumentParser(description="Key-to-sound latency of velmira on a null sink.")
    parser.add_argument("--strokes", type=int, default=200)
    parser.add_argument("--program", default=str(REPO / "build" / "native" / "velmira"))
    args = parser.parse_args()
    missing = process.missing_tools(("Xvfb", "xdotool") + audio.TOOLS)
    if missing:
        print("measure_sound_latency: %s not installed (Debian packages: xvfb xdotool %s)"
              % (", ".join(missing), audio.PACKAGES))
        return SKIP
    if not os.path.exists(args.program):
        raise SystemExit("measure_sound_latency: %s does not exist: build it first (see "
                         "README.md)" % args.program)
    process.exit_on_signals()

    work = tempfile.mkdtemp(prefix="velmira-sound-latency-")
    x = pulse = None
    results = {}
    try:
        x = XSession(os.path.join(work, "xvfb.log"), SCREEN)
        env = {name: value for name, value in x.env.items() if not name.startswith("VELMIRA_")}
        pulse = audio.PulseAudio(work, env, sink=SINK)
        rate = pulse.rate
        for name, options in SETTINGS:
            results[name] = measure(x, pulse, name, [os.path.abspath(args.program), *options],
                                    args.strokes, work)
    except OSError as error:  # libX11 or libXtst, loaded when a keyboard is made
        if "lib" in str(error):
            print("measure_sound_latency: %s (Debian packages: libx11-6 libxtst6)" % error)
            return SKIP
        raise
    except HarnessError as error:
        raise SystemExit("measure_sound_latency: %s (files in %s)" % (error, work))
    finally:
        for part in (pulse, x):
            if part is not None:
                part.close()
    report(results, args.strokes, rate)
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
