#!/usr/bin/env python3
"""Runs every end-to-end test (tests/e2e/test_*.py) one after the other and sums them up.

    python3 tests/e2e/run_all.py            # all of them
    python3 tests/e2e/run_all.py keys       # only test_keys.py (names without test_ and .py)

The Windows programs are taken from build/win32 (or VELMIRA_WIN32_DIR), the Linux programs from
build/native; screenshots, call logs, menu dumps and the programs' output go to
build/e2e/ADAPTER/NAME/. The harness is imported from tools/ (PYTHONPATH). Exit code 0 when
nothing failed.
"""

import os
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
TOOLS = HERE.parents[1] / "tools"
SKIPPED = 77


def main(argv):
    scripts = sorted(HERE.glob("test_*.py"))
    if argv:
        wanted = set(argv)
        scripts = [s for s in scripts if s.stem[len("test_"):] in wanted]
        if not scripts:
            print("no such end-to-end test: %s" % " ".join(argv))
            return 2
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1", PYTHONPATH=str(TOOLS))
    passed, failed, skipped = [], [], []
    started = time.monotonic()
    for script in scripts:
        name = "e2e_" + script.stem[len("test_"):]
        print("=== %s" % name, flush=True)
        began = time.monotonic()
        code = subprocess.call([sys.executable, str(script)], cwd=str(HERE), env=env,
                               stdin=subprocess.DEVNULL)
        took = time.monotonic() - began
        if code == 0:
            passed.append(name)
            verdict = "passed"
        elif code == SKIPPED:
            skipped.append(name)
            verdict = "skipped"
        else:
            failed.append(name)
            verdict = "FAILED (exit code %d)" % code
        print("=== %s %s in %.0f s" % (name, verdict, took), flush=True)
    print("\nend-to-end tests took %.0f s" % (time.monotonic() - started))
    if failed:
        print("failed: %s" % " ".join(failed))
    print("%d passed, %d failed, %d skipped" % (len(passed), len(failed), len(skipped)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
