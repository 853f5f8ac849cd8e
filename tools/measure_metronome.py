#!/usr/bin/env python3
"""Measures the metronome's timing in the running programs: ticks 节拍器 at 速度 120 in the
simulation build (the Windows program under Wine, the Linux program natively), lets it click for
a while and compares the time stamps of the clicks in the call log with the ideal grid from the
clicks (click n due at t0 + n x 500 ms, t0 placed where the clicks' median puts it: the
program's own origin is not in the log).

    tools/measure_metronome.py [--minutes 5] [--bpm 120] [--program wine|native|both]

Reports, for each program, the clicks counted, the p50, p99 and largest deviation from the grid,
the first click's own deviation (it follows the menu command at once) and the drift (the
deviation of the last click and the slope fitted through all of them, in ms an hour). The call
log's stamps are whole milliseconds. Needs the builds, Xvfb (and Wine); exits 77 without them.
"""
import argparse
import sys
import time

from harness import process
from harness.formats import is_click, is_note_on
from harness.process import HarnessError
from measure_key_latency import percentile

METRONOME, TEMPO = 1360, 1361


def click_stamps(program):
    return [stamp for stamp, text in program.stamped_events()
            if is_click(text) and is_note_on(text)]


def measure(session_class, name, minutes, bpm):
    session = session_class("measure_metronome")
    try:
        program = session.start("metronome")
        program.wait_main_window()
        program.command(TEMPO)
        program.enter_text("速度", str(bpm))
        program.command(METRONOME)
        time.sleep(minutes * 60)
        program.command(METRONOME)
        stamps = click_stamps(program)
        program.close()
    finally:
        session.close()
    if len(stamps) < 10:
        raise HarnessError("%s: only %d clicks in the call log" % (name, len(stamps)))
    beat = 60000.0 / bpm
    offsets = sorted(stamp - n * beat for n, stamp in enumerate(stamps))
    origin = offsets[len(offsets) // 2]
    deviations = [stamp - origin - n * beat for n, stamp in enumerate(stamps)]
    # The least-squares slope of the deviations: a clock that runs away shows here.
    count = len(deviations)
    mean_n = (count - 1) / 2
    mean_d = sum(deviations) / count
    slope = (sum((n - mean_n) * (d - mean_d) for n, d in enumerate(deviations))
             / sum((n - mean_n) ** 2 for n in range(count)))
    absolute = [abs(d) for d in deviations]
    print("%s: %d clicks over %.1f min at %d: deviation from the grid p50 %.1f ms, p99 %.1f ms, "
          "largest %.1f ms; first click %+.1f ms, last click %+.1f ms; drift %+.2f ms an hour"
          % (name, count, (stamps[-1] - stamps[0]) / 60000, bpm, percentile(absolute, 50),
             percentile(absolute, 99), max(absolute), deviations[0], deviations[-1],
             slope / beat * 3600000), flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=5)
    parser.add_argument("--bpm", type=int, default=120)
    parser.add_argument("--program", choices=("wine", "native", "both"), default="both")
    args = parser.parse_args()
    process.exit_on_signals()
    ran = 0
    try:
        if args.program in ("native", "both"):
            from harness.native_adapter import NativeSession
            measure(NativeSession, "Linux program (velmira-sim)", args.minutes, args.bpm)
            ran += 1
        if args.program in ("wine", "both"):
            from harness.wine_adapter import WineSession
            measure(WineSession, "Windows program (velmira-sim.exe under Wine)", args.minutes,
                    args.bpm)
            ran += 1
    except HarnessError as error:
        raise SystemExit("measure_metronome: %s" % error)
    return 0 if ran else process.SKIP_EXIT_CODE


if __name__ == "__main__":
    sys.exit(main())
