#!/usr/bin/env python3
"""Measures playback timing in the running program: plays a performance of 1,000 events, 20 ms
apart, through velmira-sim.exe under Wine and compares the simulated synth's time stamps with
the recorded timeline. Runs the program's scheduling and, as the baseline, chained relative
delays (VELMIRA_SIM_SCHEDULING=chained).

    tools/measure_playback.py [--events N] [--delta MS]

Reports, for each, the drift of the last event against the timeline and the p50/p99 of the
per-event timing error. Needs build/win32/velmira-sim.exe, wine and Xvfb; exits 77 without them.
"""
import argparse
import os
import shutil
import sys
import tempfile
import time

from harness import formats, process, wine
from harness.process import REPO, HarnessError
from harness.xsession import XSession
from measure_key_latency import SCREEN, percentile

SCAN_A = 0x1E


def note_stamps(calls):
    """The time stamps of the note-ons and note-offs among the calls."""
    stamps = []
    for stamp, text in calls:
        message = formats.short_message(text)
        if message is not None and message & 0xF0 in (0x90, 0x80):
            stamps.append(stamp)
    return stamps


def measure(env, exe, performance, log, events, delta):
    if os.path.exists(log):
        os.remove(log)
    program = process.start([*wine.WINE, exe, wine.windows_path(performance)],
                            dict(env, VELMIRA_SIM_LOG=wine.windows_path(log)))
    deadline = time.monotonic() + 60 + events * delta / 1000 * 2
    stamps = []
    try:
        while time.monotonic() < deadline:
            calls = formats.read_call_log(log)
            stamps = note_stamps(calls)
            if len(stamps) >= events and any(text == formats.STOP_ENDS for _, text in calls):
                break
            time.sleep(0.2)
    finally:
        process.stop(program)
    if len(stamps) < events:
        raise HarnessError("only %d of %d events were played" % (len(stamps), events))
    first = stamps[0]
    errors = [(stamps[i] - first) - i * delta for i in range(events)]
    return (errors[-1], percentile([abs(e) for e in errors], 50),
            percentile([abs(e) for e in errors], 99))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--events", type=int, default=1000)
    parser.add_argument("--delta", type=int, default=20)
    args = parser.parse_args()
    missing = process.missing_tools(("Xvfb",) + wine.TOOLS)
    if missing:
        print("measure_playback: %s not installed (Debian packages: xvfb wine)"
              % ", ".join(missing))
        return process.SKIP_EXIT_CODE
    exe = REPO / "build" / "win32" / "velmira-sim.exe"
    if not exe.exists():
        raise SystemExit("measure_playback: build velmira-sim.exe first (scripts/build)")
    process.exit_on_signals()
    work = tempfile.mkdtemp(prefix="velmira-measure-")
    x = server = None
    try:
        x = XSession(os.path.join(work, "xvfb.log"), SCREEN)
        env = wine.environment(x.display, REPO / "build" / "wineprefix-measure")
        server = wine.WineServer(env, work)
        performance = os.path.join(work, "timing.qji")
        formats.write_performance(performance, [
            (args.delta, formats.KEY_DOWN + i % 2, SCAN_A, 0) for i in range(args.events)])
        for name, scheduling in (("timeline (the program)", ""),
                                 ("chained delays (baseline)", "chained")):
            drift, p50, p99 = measure(dict(env, VELMIRA_SIM_SCHEDULING=scheduling), exe,
                                      performance, os.path.join(work, "log.txt"), args.events,
                                      args.delta)
            print(f"{name}: {args.events} events {args.delta} ms apart: drift of the last event "
                  f"{drift:+d} ms, per-event error p50 {p50} ms, p99 {p99} ms")
    except HarnessError as error:
        raise SystemExit("measure_playback: %s" % error)
    finally:
        if server is not None:
            server.stop()
        if x is not None:
            x.close()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
