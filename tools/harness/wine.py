"""Wine for the harness: the environment the Windows programs run in (code page 936 for their
GBK text), a prefix made once and reused, and a persistent wineserver that ends every Wine
process of the prefix when it is stopped."""

import fcntl
import os
import shutil
import subprocess
from pathlib import Path

from harness.process import REPO, HarnessError

TOOLS = ("wine", "wineserver", "setarch")
# How a Windows program is started: with the address space laid out without randomisation.
# Debian's wine64 is an executable at the fixed address 0x7d000000 and runs without Wine's
# preloader, so the kernel places the C heap at a random point up to 1 GB above it; about one
# start in a thousand the heap lands where Wine must map the page every Windows process shares at
# 0x7ffe0000, and Wine ends with "failed to map the shared user data: c0000018" before the
# program runs. Without randomisation the heap starts right after wine64, far below that page.
WINE = ("setarch", "-R", "wine")
PREFIX = Path(os.environ.get("VELMIRA_E2E_WINEPREFIX") or REPO / "build" / "wineprefix")


def environment(display, prefix=PREFIX):
    """os.environ for Wine on the display, without the simulation's settings."""
    env = {name: value for name, value in os.environ.items()
           if not name.startswith("VELMIRA_SIM_")}
    env.update({
        "DISPLAY": display,
        "WINEPREFIX": str(prefix),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        # Makes Wine use code page 936, so that the GBK interface text renders.
        "LC_ALL": "zh_CN.UTF-8",
    })
    env.pop("WINESERVER", None)
    return env


def data_folders(prefix=PREFIX):
    """The programs' data folders (%LOCALAPPDATA%\\Velmira: the recovery copies) in the prefix."""
    return list(Path(prefix).glob("drive_c/users/*/AppData/Local/Velmira"))


def windows_path(path):
    """A Unix path as the Windows program sees it (drive Z: is the Unix root)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class WineServer:
    """The prefix made if need be (its output in folder/wineboot.txt), then a persistent
    wineserver for it; stop() ends every Wine process of the prefix."""

    def __init__(self, env, folder):
        self.env = env
        self.started = False
        prefix = Path(env["WINEPREFIX"])
        with _PrefixLock(prefix):
            _ensure_prefix(prefix, env, Path(folder) / "wineboot.txt")
            # A wineserver left over from an earlier run would hold an X connection to a display
            # that is gone: end it before starting ours.
            self.run("-k", check=False)
            self.run("-w", check=False)
            self.run("-p")
            self.started = True
            subprocess.run([*WINE, "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180,
                           check=False)

    def run(self, flag, check=True):
        result = subprocess.run(["wineserver", flag], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                timeout=120, check=False)
        if check and result.returncode != 0:
            raise HarnessError("wineserver %s failed (%d)" % (flag, result.returncode))

    def stop(self):
        if not self.started:
            return
        self.started = False
        try:
            self.run("-k", check=False)
            self.run("-w", check=False)
        except subprocess.TimeoutExpired:
            pass


class _PrefixLock:
    """Serialises the creation and the wineserver start-up of a shared prefix."""

    def __init__(self, prefix):
        self.prefix = prefix

    def __enter__(self):
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        self.file = open(str(self.prefix) + ".lock", "w")
        fcntl.flock(self.file, fcntl.LOCK_EX)
        return self

    def __exit__(self, *exc):
        fcntl.flock(self.file, fcntl.LOCK_UN)
        self.file.close()
        return False


def _ensure_prefix(prefix, env, log_path):
    marker = prefix / ".velmira-e2e-ready"
    if marker.exists():
        return
    if prefix.exists():
        shutil.rmtree(prefix)  # half made by an interrupted run
    log_path.parent.mkdir(parents=True, exist_ok=True)
    with open(log_path, "wb") as log:
        result = subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                                stdout=log, stderr=subprocess.STDOUT, timeout=600, check=False)
        subprocess.run(["wineserver", "-w"], env=env, stdin=subprocess.DEVNULL, stdout=log,
                       stderr=subprocess.STDOUT, timeout=600, check=False)
    if result.returncode != 0 or not (prefix / "system.reg").exists():
        raise HarnessError("could not create the Wine prefix %s: see %s" % (prefix, log_path))
    marker.write_text("created by tools/harness/wine.py\n")
