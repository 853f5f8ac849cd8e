"""Processes and waits: every process the harness starts ends with it, and every wait is a poll
on a condition with a generous time-out, so that nothing depends on how fast the machine is."""

import atexit
import ctypes
import os
import shutil
import signal
import subprocess
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
SKIP_EXIT_CODE = 77  # CTest's SKIP_RETURN_CODE for the end-to-end tests

# Generous: a busy 2-core machine can be slow, and nothing here is a speed test.
WAIT = float(os.environ.get("VELMIRA_E2E_WAIT", "60"))


class HarnessError(Exception):
    """The harness itself could not do its part (as opposed to a failed check)."""


class TimedOut(AssertionError):
    """A condition did not come true in time: a failed check."""


def wait_until(condition, timeout, what, interval=0.1):
    """Polls condition() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimedOut("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def missing_tools(tools):
    return [tool for tool in tools if shutil.which(tool) is None]


def in_ci():
    return os.environ.get("CI", "").lower() in ("1", "true", "yes")


def die_with_parent():
    """Runs in a child before exec: the child gets SIGTERM when the harness's process dies."""
    try:
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


def start(command, env, log=None, **options):
    """Starts a process that ends with this one; its output goes to the file log (or nowhere)."""
    output = open(log, "wb") if log else subprocess.DEVNULL
    try:
        options.setdefault("stdout", output)
        options.setdefault("stderr", output)
        return subprocess.Popen([str(part) for part in command], env=env,
                                stdin=subprocess.DEVNULL, preexec_fn=die_with_parent, **options)
    finally:
        if log:
            output.close()


def stop(popen, sig=signal.SIGTERM):
    """Ends a process (sig first, SIGKILL after 10 s) and waits for it."""
    if popen.poll() is not None:
        return
    popen.send_signal(sig)
    try:
        popen.wait(timeout=10)
    except subprocess.TimeoutExpired:
        popen.kill()
        popen.wait(timeout=10)


_signals_handled = []


def exit_on_signals():
    """SIGTERM and SIGHUP end the process through SystemExit, so that clean-ups still run."""
    if _signals_handled:
        return
    _signals_handled.append(True)

    def handler(signum, frame):
        raise SystemExit(128 + signum)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, handler)


def end_at_exit(close):
    """close() runs when the process ends, also on SIGTERM and SIGHUP."""
    atexit.register(close)
    exit_on_signals()
