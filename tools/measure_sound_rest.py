#!/usr/bin/env python3
"""What the Linux program's synthesizer costs while nothing sounds, and what its first note
after a silence costs in latency, on a PulseAudio null sink that this script starts: the
program's defaults (the stream rests once silent) against the same program with --no-rest
(FluidSynth rendering a period at a time all along, as the program did before it rested), side
by side, in one run.

    tools/measure_sound_rest.py [--tries N] [--silence S] [--strokes N] [--program PATH]
                                [--today PATH] [--suspend-on-idle]

--today PATH measures another build (an older velmira, with its own defaults) in the second
column instead of --no-rest. --suspend-on-idle loads module-suspend-on-idle (one second) into the
server, as desktop servers have it (five seconds there): the null sink is then suspended while
the stream rests, and waking resumes it. Needs what tools/measure_sound_latency.py needs; exits
77 when a tool is missing. About 12 minutes a column with the defaults (50 tries of 10 s).

What is measured, for each column, in one run of the program:
  - the server alone: its CPU over 10 s before any client came (the floor);
  - sustained playing: key A through XTEST, --strokes strokes one second apart (held 50 ms,
    after five warm-up strokes), so that the output never rests: the latency probe's key
    arrival -> first sounding samples out of the program (p50, p99) and the server's buffering
    (pactl's Buffer and Sink Latency of the stream, median of reads between strokes);
  - the first note after a silence: --tries times a stroke and --silence seconds of silence.
    The probe's key -> first samples for those strokes (p50, p99) and, for both kinds of stroke,
    the time from the first sounding period to the server's next request for sound (the probe's
    NEXT: it shows the server taking the woken stream up; a suspended or slow output shows
    here, where the probe's own figure cannot see it);
  - idle CPU, as clock ticks of the program and of the server (/proc/PID/stat, user + system)
    over wall time, which other load on the machine hardly changes: over the whole silence
    after each note (the note's tail included) and over its last half (rested by then), summed
    over the tries.
"""
import argparse
import os
import shutil
import sys
import tempfile
import time

from harness import audio, process
from harness.process import REPO, WAIT, HarnessError
from harness.xsession import XSession, XTestKeyboard
from measure_key_latency import SCREEN, find_main_window
from measure_sound_latency import p, server_latency, sleep_until

HOLD = 0.050
PERIOD = 1.0
WARM_UP = 5
TICK = os.sysconf("SC_CLK_TCK")


def ticks(pid):
    """User and system CPU time of a process so far, in clock ticks."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


class Cpu:
    """CPU time of the program and of the server over chosen spans of wall time."""

    def __init__(self, pids):
        self.pids = pids
        self.used = [0] * len(pids)
        self.wall = 0.0

    def mark(self):
        return time.monotonic(), [ticks(pid) for pid in self.pids]

    def add(self, start, end):
        self.wall += end[0] - start[0]
        self.used = [u + b - a for u, a, b in zip(self.used, start[1], end[1])]

    def percent(self):
        return [100.0 * u / TICK / self.wall if self.wall else float("nan") for u in self.used]


def server_alone(pulse):
    cpu = Cpu([pulse.pid])
    start = cpu.mark()
    time.sleep(10)
    cpu.add(start, cpu.mark())
    return cpu.percent()[0]


def measure(x, pulse, name, command, args, work):
    probe = os.path.join(work, name + ".probe")
    config = os.path.join(work, name + ".config")
    os.mkdir(config)
    popen = process.start(command, dict(pulse.env, VELMIRA_LATENCY_LOG=probe,
                                        XDG_CONFIG_HOME=config),
                          os.path.join(work, name + ".out.txt"))
    keyboard = XTestKeyboard(x.display)
    sustained, waking, server = [], [], []
    pids = [popen.pid, pulse.server.pid]
    whole, rested = Cpu(pids), Cpu(pids)
    try:
        window = find_main_window(x, popen)
        x.focus(window)
        keyboard.sync()
        time.sleep(1.0)
        key = keyboard.keycode("a")

        def stroke(at):
            sleep_until(at)
            down = keyboard.send(key, True)[0]
            sleep_until(at + HOLD)
            keyboard.send(key, False)
            return down

        start = time.monotonic() + 0.1
        for i in range(WARM_UP + args.strokes):
            down = stroke(start + i * PERIOD)
            if i >= WARM_UP:
                sustained.append(down)
                if (i - WARM_UP) % 10 == 5:
                    sleep_until(down + 0.3)
                    figures = server_latency(pulse)
                    if figures:
                        server.append(figures)
        sleep_until(start + (WARM_UP + args.strokes) * PERIOD + args.silence)
        for _ in range(args.tries):
            before = whole.mark()
            down = stroke(time.monotonic())
            waking.append(down)
            sleep_until(down + args.silence / 2)
            middle = rested.mark()
            sleep_until(down + args.silence)
            end = whole.mark()
            whole.add(before, end)
            rested.add(middle, end)
        x.key(None, "alt+F4")
        popen.wait(timeout=WAIT)
    finally:
        keyboard.close()
        process.stop(popen)
    records = []
    with open(probe) as lines:
        for line in lines:
            fields = line.split()
            if fields[0] != "cpu":
                records.append([int(v) / 1e9 for v in fields] + [0.0] * (5 - len(fields)))

    def matched(presses):
        """The probe's record of each press: the one whose key arrived after it, within a
        second."""
        found = []
        for press in presses:
            record = next((r for r in records if press <= r[0] < press + PERIOD), None)
            if record:
                found.append(record)
        return found
    return {"sustained": matched(sustained), "waking": matched(waking),
            "strokes": (len(sustained), len(waking)), "server": server,
            "whole": whole.percent(), "rested": rested.percent()}


def report(results, alone, args, rate):
    print("velmira's synthesizer on a PulseAudio null sink at %d Hz%s: key A through XTEST"
          % (rate, " with module-suspend-on-idle" if args.suspend_on_idle else ""))
    print("%d sustained strokes %d ms apart, then %d tries of a stroke and %.0f s of silence"
          % (args.strokes, PERIOD * 1000, args.tries, args.silence))
    print()
    names = list(results)
    row = "%-50s" + " %20s" * len(names)
    print(row % ("", *names))

    def line(label, values):
        print(row % (label, *values))

    def ms(records, column, base, q):
        return p([(r[column] - r[base]) * 1000 for r in records if r[column] > 0], q)
    get = [results[n] for n in names]
    line("server alone, no client: % of a core", ["%.2f" % alone] * len(names))
    line("idle after a note (the whole %.0f s): program %%" % args.silence,
         ["%.2f" % r["whole"][0] for r in get])
    line("                                      server %", ["%.2f" % r["whole"][1] for r in get])
    line("                              together %", ["%.2f" % sum(r["whole"]) for r in get])
    line("idle, the last %.0f s of each silence: program %%" % (args.silence / 2),
         ["%.2f" % r["rested"][0] for r in get])
    line("                                      server %", ["%.2f" % r["rested"][1] for r in get])
    line("                              together %", ["%.2f" % sum(r["rested"]) for r in get])
    print()
    line("first note after the silence: probe records",
         ["%d/%d" % (len(r["waking"]), r["strokes"][1]) for r in get])
    line("  key -> first sample out p50 / p99 ms",
         ["%.2f / %.2f" % (ms(r["waking"], 2, 0, 50), ms(r["waking"], 2, 0, 99)) for r in get])
    line("  first sample -> next request p50 / p99 ms",
         ["%.2f / %.2f" % (ms(r["waking"], 4, 2, 50), ms(r["waking"], 4, 2, 99)) for r in get])
    line("sustained playing: probe records",
         ["%d/%d" % (len(r["sustained"]), r["strokes"][0]) for r in get])
    line("  key -> first sample out p50 / p99 ms",
         ["%.2f / %.2f" % (ms(r["sustained"], 2, 0, 50), ms(r["sustained"], 2, 0, 99))
          for r in get])
    line("  first sample -> next request p50 / p99 ms",
         ["%.2f / %.2f" % (ms(r["sustained"], 4, 2, 50), ms(r["sustained"], 4, 2, 99))
          for r in get])
    line("  server: Buffer + Sink Latency, median ms",
         ["%.2f + %.2f" % (p([s[0] for s in r["server"]], 50), p([s[1] for s in r["server"]], 50))
          if r["server"] else "-" for r in get])


def main():
    parser = argparse.ArgumentParser(description="Idle cost and first-note latency of velmira.")
    parser.add_argument("--tries", type=int, default=50)
    parser.add_argument("--silence", type=float, default=10.0)
    parser.add_argument("--strokes", type=int, default=100)
    parser.add_argument("--program", default=str(REPO / "build" / "native" / "velmira"))
    parser.add_argument("--today", help="another build of velmira for the second column")
    parser.add_argument("--suspend-on-idle", action="store_true")
    args = parser.parse_args()
    missing = process.missing_tools(("Xvfb", "xdotool") + audio.TOOLS)
    if missing:
        print("measure_sound_rest: %s not installed (Debian packages: xvfb xdotool %s)"
              % (", ".join(missing), audio.PACKAGES))
        return process.SKIP_EXIT_CODE
    for program in filter(None, (args.program, args.today)):
        if not os.path.exists(program):
            raise SystemExit("measure_sound_rest: %s does not exist: build it first" % program)
    program = os.path.abspath(args.program)
    settings = [("resting", [program]),
                ("today", [os.path.abspath(args.today)]) if args.today else
                ("--no-rest", [program, "--no-rest"])]

    process.exit_on_signals()

    work = tempfile.mkdtemp(prefix="velmira-sound-rest-")
    x = pulse = None
    results = {}
    try:
        x = XSession(os.path.join(work, "xvfb.log"), SCREEN)
        env = {name: value for name, value in x.env.items() if not name.startswith("VELMIRA_")}
        modules = ["module-suspend-on-idle timeout=1"] if args.suspend_on_idle else []
        pulse = audio.PulseAudio(work, env, sink="velmira", modules=modules)
        rate = pulse.rate
        alone = server_alone(pulse.server)
        for name, command in settings:
            results[name] = measure(x, pulse, name.strip("-"), command, args, work)
    except OSError as error:  # libX11 or libXtst, loaded when a keyboard is made
        if "lib" in str(error):
            print("measure_sound_rest: %s (Debian packages: libx11-6 libxtst6)" % error)
            return process.SKIP_EXIT_CODE
        raise
    except HarnessError as error:
        raise SystemExit("measure_sound_rest: %s (files in %s)" % (error, work))
    finally:
        for part in (pulse, x):
            if part is not None:
                part.close()
    report(results, alone, args, rate)
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
