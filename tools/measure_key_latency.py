#!/usr/bin/env python3
"""Measures key-down to note-on in the running program: presses key A (note 60) again and again
on a virtual X display and compares the moment of each press with the time stamp of the note-on
in the simulated synth's call log. Runs the native velmira-sim and velmira-sim.exe under Wine,
one after the other, and prints both side by side.

    tools/measure_key_latency.py [--strokes N] [--native PATH] [--wine-exe PATH]
                                 [--only native|wine]

Reports p50, p99 and max in ms and how many strokes were matched with a note-on. Needs Xvfb,
xdotool, libX11 and libXtst, and for the Windows program wine; exits 77 when one is missing.

How the key press is made and timed. The press is a real X key event, generated inside the X
server through the XTEST extension (XTestFakeKeyEvent from libXtst, called through ctypes), and
the server delivers it to the window that has the keyboard focus, as it would a key of a real
keyboard. xdotool is used only to find the window and give it the focus, not for the strokes:
each xdotool run is a new process whose start-up (some milliseconds, more on a busy machine)
falls between any time stamp taken here and the key event, and would blur the figures. The
time of a press is time.monotonic() (CLOCK_MONOTONIC) read right BEFORE the XTEST request is
made and flushed to the server: the key event cannot exist before that moment, so a figure
never leaves out part of the delay; what it may add is the cost of the call itself, which is
measured (read again right after the flush) and printed.

How the two clocks meet. The log stamps each call with the program's millisecond clock, read
just before the line is written, truncated to whole ms. The native program's clock is
std::chrono::steady_clock, which is CLOCK_MONOTONIC, so its stamps and time.monotonic() share a
base. Under Wine the clock is timeGetTime(), whose base is Wine's; its offset to CLOCK_MONOTONIC
is measured in the same run from two kinds of samples, with no assumption about Wine:
  - the log is followed with inotify, and every line gets the monotonic time right after it
    was read from the file; the program's clock was read before that line was written, so
    offset >= stamp - (time read): the largest such value over all lines is the lower bound;
  - a note-on is caused by its key press, so its clock reading came after the press:
    offset < stamp + 1 - (time of the press): the smallest such value is the upper bound.
The lower bound is used: it lies below the true offset by the shortest time from a clock
reading to the line being read here (the stamps' fractions of a ms vary, so over hundreds of
lines that is a fraction of a millisecond), and the interval between the bounds is printed as
the uncertainty. The same bounds are computed for the native program, whose offset is 0: they
must hold 0, and its lower bound shows how far below the true offset that bound lies in
practice. The bound over each half of the strokes alone shows that the clocks do not drift
apart during the run.
"""
import argparse
import ctypes
import os
import select
import shutil
import sys
import tempfile
import time

from harness import formats, process, wine
from harness.adapter import MAIN_TITLE
from harness.process import REPO, WAIT, HarnessError
from harness.xsession import XSession, XTestKeyboard

SKIP = process.SKIP_EXIT_CODE
SCREEN = (1280, 800)

NOTE_ON = "short 007F3C90"   # key A: note 60, velocity 127
PERIOD = 0.060               # one stroke every 60 ms ...
HOLD = 0.030                 # ... the key held down for 30 ms of them
WARM_UP = 5                  # strokes before the measured ones, not counted
IN_MODIFY = 0x2


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * p / 100))]


def wrap(ms):
    """A difference of two 32-bit millisecond counts as a signed value."""
    return (ms + 2 ** 31) % 2 ** 32 - 2 ** 31


class CallLog:
    """Follows the call log as the program writes it (inotify); each line is kept as
    (stamp in ms, text, time.monotonic() right after the line was read)."""

    def __init__(self, path):
        self.path = path
        open(path, "wb").close()
        libc = ctypes.CDLL(None, use_errno=True)
        self.fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(self.fd, path.encode(), IN_MODIFY) < 0:
            raise HarnessError("inotify on %s failed (errno %d)" % (path, ctypes.get_errno()))
        self.file = open(path, "rb")
        self.rest = b""
        self.lines = []

    def follow(self, until):
        """Reads what the program writes until time.monotonic() reaches until."""
        while True:
            remaining = until - time.monotonic()
            if remaining <= 0:
                return
            if select.select([self.fd], [], [], remaining)[0]:
                try:
                    os.read(self.fd, 4096)
                except BlockingIOError:
                    pass
                self.read()

    def read(self):
        data = self.rest + self.file.read()
        seen = time.monotonic()
        *complete, self.rest = data.split(b"\n")
        for line in complete:
            call = formats.parse_log_line(line.decode("ascii", "replace"))
            if call is not None:
                self.lines.append(call + (seen,))

    def wait_for(self, text, count, timeout):
        deadline = time.monotonic() + timeout
        while sum(1 for line in self.lines if line[1] == text) < count:
            if time.monotonic() >= deadline:
                return False
            self.follow(min(deadline, time.monotonic() + 0.2))
        return True

    def close(self):
        self.file.close()
        os.close(self.fd)


def find_main_window(x, popen):
    """Waits (through the 5-second splash) for the main window, titled "Velmira - ..."."""
    def found():
        if popen.poll() is not None:
            raise HarnessError("the program ended (exit code %d) before its main window came"
                               % popen.returncode)
        return x.search(MAIN_TITLE)
    return process.wait_until(found, WAIT, "a window titled 'Velmira - ...'", interval=0.25)[-1]


def focus(x, window, click):
    """Gives the window the keyboard: X focus (xdotool windowfocus, which needs no window
    manager), or a click on an empty part of it, the green area left of the key caps."""
    if click:
        left, top, width, height = x.geometry(window)
        x.click(left + width * 15 // 100, top + height * 30 // 100)
    else:
        x.focus(window)


def stroke_run(keyboard, log, strokes):
    """Presses A strokes times, PERIOD apart; returns the press times (before, after)."""
    key = keyboard.keycode("a")
    before = sum(1 for line in log.lines if line[1] == NOTE_ON)
    presses = []
    start = time.monotonic() + 0.2
    for i in range(strokes):
        log.follow(start + i * PERIOD)
        presses.append(keyboard.send(key, True))
        log.follow(start + i * PERIOD + HOLD)
        keyboard.send(key, False)
    # The last note-ons; if some went missing, give up after a while.
    log.wait_for(NOTE_ON, before + strokes, 2)
    log.follow(time.monotonic() + 0.2)
    return presses


def warm_up(x, keyboard, log, window, click):
    """A few strokes that are not counted; they also show that the window has the keyboard.
    Tries the other way of giving the focus once if the first does not work."""
    for attempt in (click, not click):
        focus(x, window, attempt)
        keyboard.sync()
        time.sleep(0.3)
        before = sum(1 for line in log.lines if line[1] == NOTE_ON)
        stroke_run(keyboard, log, WARM_UP)
        if log.wait_for(NOTE_ON, before + WARM_UP, 5):
            return
    raise HarnessError("key presses do not reach the main window: no note-on in the log")


def ms_after(stamp, moment):
    """A log stamp minus a time.monotonic() reading, in ms (32-bit wrap-around allowed for)."""
    moment_ms = moment * 1000
    return wrap(stamp - int(moment_ms)) - moment_ms % 1


def analyse(lines, first, presses, clock_is_monotonic):
    """Matches the note-ons of the measured strokes (lines[first:]) with the presses and puts
    the two clocks on one base (every line of the run counts for that).

    Each note-on belongs to the last press made before the line was read from the file; a press
    that gets none is missed, and a second note-on for one press is extra (so a note-on later
    than PERIOD would show up as one of each)."""
    # Bounds of (program clock - CLOCK_MONOTONIC) in ms; see the description at the top.
    lower = max(ms_after(stamp, seen) for stamp, _, seen in lines)
    # The same over each half of the measured strokes: the clocks must not drift apart.
    middle = first + (len(lines) - first) // 2
    halves = [max((ms_after(stamp, seen) for stamp, _, seen in part), default=float("nan"))
              for part in (lines[first:middle], lines[middle:])]
    matched = {}
    extra = 0
    p = 0
    for stamp, text, seen in lines[first:]:
        if text != NOTE_ON:
            continue
        while p + 1 < len(presses) and presses[p + 1][0] <= seen:
            p += 1
        if presses[p][0] > seen or p in matched:
            extra += 1
            continue
        matched[p] = (stamp, seen)
    upper = min((ms_after(stamp, presses[p][0]) + 1 for p, (stamp, _) in matched.items()),
                default=float("nan"))
    offset = 0.0 if clock_is_monotonic else lower
    # The stamp is the clock truncated to whole ms: take the middle of that millisecond.
    latencies = [ms_after(stamp, presses[p][0]) + 0.5 - offset
                 for p, (stamp, _) in matched.items()]
    read = [(seen - presses[p][0]) * 1000 for p, (_, seen) in matched.items()]
    raw = (time.clock_gettime(time.CLOCK_MONOTONIC_RAW) - time.monotonic()) * 1000
    return {"latencies": latencies, "matched": len(matched), "missed": len(presses) - len(matched),
            "extra": extra, "lower": lower, "upper": upper, "halves": halves, "raw": raw,
            "offset": offset, "read": read,
            "call": max((after - before) * 1000 for before, after in presses)}


def measure(x, name, command, env, log_path, log_env_path, strokes, click, clock_is_monotonic):
    log = CallLog(log_path)
    popen = process.start(command, dict(env, VELMIRA_SIM_LOG=log_env_path),
                          os.path.join(os.path.dirname(log_path), name + ".out.txt"))
    keyboard = XTestKeyboard(x.display)
    try:
        window = find_main_window(x, popen)
        log.follow(time.monotonic() + 0.5)
        warm_up(x, keyboard, log, window, click)
        log.follow(time.monotonic() + 0.3)
        first = len(log.lines)
        presses = stroke_run(keyboard, log, strokes)
        return analyse(log.lines, first, presses, clock_is_monotonic)
    finally:
        keyboard.close()
        log.close()
        process.stop(popen)


def main():
    parser = argparse.ArgumentParser(description="Key-down to note-on, native and under Wine.")
    parser.add_argument("--strokes", type=int, default=200)
    parser.add_argument("--native", default=str(REPO / "build" / "native" / "velmira-sim"))
    parser.add_argument("--wine-exe", default=str(REPO / "build" / "win32" / "velmira-sim.exe"))
    parser.add_argument("--only", choices=("native", "wine"))
    args = parser.parse_args()
    runs = [run for run in ("native", "wine") if args.only in (None, run)]

    tools = ["Xvfb", "xdotool"] + (list(wine.TOOLS) if "wine" in runs else [])
    missing = process.missing_tools(tools)
    if missing:
        print("measure_key_latency: %s not installed (Debian packages: xvfb xdotool wine)"
              % ", ".join(missing))
        return SKIP
    for library in ("libX11.so.6", "libXtst.so.6"):
        try:
            ctypes.CDLL(library)
        except OSError:
            print("measure_key_latency: %s not installed (Debian packages: libx11-6 libxtst6)"
                  % library)
            return SKIP
    for run, path in (("native", args.native), ("wine", args.wine_exe)):
        if run in runs and not os.path.exists(path):
            raise SystemExit("measure_key_latency: %s does not exist: build it first "
                             "(see README.md)" % path)
    process.exit_on_signals()

    work = tempfile.mkdtemp(prefix="velmira-key-latency-")
    x = server = None
    results = {}
    try:
        x = XSession(os.path.join(work, "xvfb.log"), SCREEN)
        if "native" in runs:
            env = {name: value for name, value in x.env.items()
                   if not name.startswith("VELMIRA_SIM_")}
            log = os.path.join(work, "native.log")
            results["native"] = measure(x, "native", [os.path.abspath(args.native)], env, log,
                                        log, args.strokes, click=False, clock_is_monotonic=True)
        if "wine" in runs:
            env = wine.environment(x.display, REPO / "build" / "wineprefix-measure")
            server = wine.WineServer(env, work)
            log = os.path.join(work, "wine.log")
            results["wine"] = measure(x, "wine", ["wine", os.path.abspath(args.wine_exe)], env,
                                      log, wine.windows_path(log), args.strokes, click=True,
                                      clock_is_monotonic=False)
    except HarnessError as error:
        raise SystemExit("measure_key_latency: %s" % error)
    finally:
        if server is not None:
            server.stop()
        if x is not None:
            x.close()
        shutil.rmtree(work, ignore_errors=True)

    report(results, args.strokes)
    return 0


def report(results, strokes):
    names = {"native": "velmira-sim (native)", "wine": "velmira-sim.exe (Wine)"}
    print("Key-down to note-on sent: key A pressed through XTEST, %d strokes %d ms apart (held "
          "%d ms),\nagainst '%s' in the call log" % (strokes, PERIOD * 1000, HOLD * 1000, NOTE_ON))
    print()
    print("%-24s %9s %8s %8s %8s" % ("program", "matched", "p50 ms", "p99 ms", "max ms"))
    for run, result in results.items():
        values = result["latencies"]
        figures = ("%8.1f %8.1f %8.1f" % (percentile(values, 50), percentile(values, 99),
                                         max(values))) if values else "%8s %8s %8s" % ("-",) * 3
        print("%-24s %4d/%-4d %s" % (names[run], result["matched"], strokes, figures))
    print()
    print("The call log's time stamps have 1 ms resolution (the clock truncated to whole ms);")
    print("each figure takes the middle of the stamp's millisecond, so one value is +-0.5 ms.")
    for run, result in results.items():
        print("%s:" % names[run])
        if run == "wine":
            print("  timeGetTime - CLOCK_MONOTONIC = %+.2f ms, the lower bound; the upper bound is "
                  "%+.2f,\n  so the figures may be high by up to %.2f ms (halves of the run alone: "
                  "%+.2f, %+.2f;\n  for comparison, CLOCK_MONOTONIC_RAW - CLOCK_MONOTONIC = %+.2f)"
                  % (result["offset"], result["upper"], result["upper"] - result["lower"],
                     result["halves"][0], result["halves"][1], result["raw"]))
        else:
            holds = result["lower"] <= 0 < result["upper"]
            print("  clock is CLOCK_MONOTONIC; check of the method: its offset bounds\n"
                  "  %+.2f .. %+.2f ms %s" % (result["lower"], result["upper"],
                                   "hold 0, as they must" if holds else
                                   "do NOT hold 0: something is wrong with the measurement"))
        line = "  XTEST call at most %.2f ms" % result["call"]
        if result["read"]:
            line += ("; note-on read from the log file %.1f ms (p50) after the press"
                     % percentile(result["read"], 50))
        print(line)
        if result["missed"] or result["extra"]:
            print("  %d presses without a note-on, %d note-ons extra"
                  % (result["missed"], result["extra"]))


if __name__ == "__main__":
    sys.exit(main())
