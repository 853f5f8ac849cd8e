#!/usr/bin/env python3
"""Measures playback timing in the running program: plays a performance of 1,000 events, 20 ms
apart, through velmira-sim.exe under Wine and compares the simulated synth's time stamps with
the recorded timeline. Runs the program's scheduling and, as the baseline, chained relative
delays (VELMIRA_SIM_SCHEDULING=chained).

    tools/measure_playback.py [--events N] [--delta MS]

Reports, for each, the drift of the last event against the timeline and the p50/p99 of the
per-event timing error. Needs build/win32/velmira-sim.exe, wine and Xvfb.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def write_performance(path, events, delta):
    records = b"".join(struct.pack("<IIIi", delta, 256 + (i % 2), 0x1E0000, 0) for i in range(events))
    head = (b"RIFF" + struct.pack("<I", 96 + len(records)) + b"QJ  " +
            b"LIST" + struct.pack("<I", 44) + b"INFO" +
            b"ISFT" + struct.pack("<I", 11) + b"QJ by Orla\0\0" +
            b"ISCD" + struct.pack("<I", 11) + b"2026-01-01\0\0" +
            b"fmt " + struct.pack("<I", 24) + struct.pack("<III", events, 1297, 0) + bytes(12) +
            b"data" + struct.pack("<I", len(records)))
    with open(path, "wb") as f:
        f.write(head + records)


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * p / 100))]


def measure(env, exe, performance, log, events, delta):
    if os.path.exists(log):
        os.remove(log)
    run_env = dict(env, VELMIRA_SIM_LOG=log)
    subprocess.Popen(["wine", exe, subprocess.check_output(["winepath", "-w", performance], env=env).decode().strip()],
                     env=run_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 60 + events * delta / 1000 * 2
    stamps = []
    while time.time() < deadline:
        if os.path.exists(log):
            with open(log) as f:
                lines = f.read().splitlines()
            stamps = [int(l.split()[0]) for l in lines if l.split()[1:2] == ["short"] and
                      (int(l.split()[2], 16) & 0xF0) in (0x90, 0x80)]
            if len(stamps) >= events and any(l.endswith("00007BBF") for l in lines):
                break
        time.sleep(0.2)
    subprocess.run(["wineserver", "-k"], env=env)
    if len(stamps) < events:
        raise SystemExit(f"measure: only {len(stamps)} of {events} events were played")
    first = stamps[0]
    errors = [(stamps[i] - first) - i * delta for i in range(events)]
    return errors[-1], percentile([abs(e) for e in errors], 50), percentile([abs(e) for e in errors], 99)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--events", type=int, default=1000)
    parser.add_argument("--delta", type=int, default=20)
    args = parser.parse_args()
    exe = os.path.join(ROOT, "build", "win32", "velmira-sim.exe")
    if not os.path.exists(exe):
        raise SystemExit("measure: build velmira-sim.exe first (scripts/build)")
    work = tempfile.mkdtemp(prefix="velmira-measure-")
    env = dict(os.environ, WINEPREFIX=os.path.join(ROOT, "build", "wineprefix-measure"),
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="zh_CN.UTF-8")
    display_pipe = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display_pipe[1]), "-screen", "0", "1280x800x24"],
                            pass_fds=[display_pipe[1]], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        env["DISPLAY"] = ":" + os.read(display_pipe[0], 16).decode().strip()
        subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        performance = os.path.join(work, "timing.qji")
        write_performance(performance, args.events, args.delta)
        for name, scheduling in (("timeline (the program)", ""), ("chained delays (baseline)", "chained")):
            run_env = dict(env, VELMIRA_SIM_SCHEDULING=scheduling)
            drift, p50, p99 = measure(run_env, exe, performance, os.path.join(work, "log.txt"),
                                      args.events, args.delta)
            print(f"{name}: {args.events} events {args.delta} ms apart: drift of the last event "
                  f"{drift:+d} ms, per-event error p50 {p50} ms, p99 {p99} ms")
    finally:
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
