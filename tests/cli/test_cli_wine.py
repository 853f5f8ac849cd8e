#!/usr/bin/env python3
"""velmira-cli.exe (the MinGW build) under Wine keeps the same contract as the native tool:
the same info output (with Windows line ends), byte-identical exports, the program's refusal
message converted from GBK to UTF-8 with the name inserted, and the exit codes 1 and 2.

    test_cli_wine.py --exe build/win32/velmira-cli.exe --cli build/native/velmira-cli
                     --demo resources/demo/demo.qji --work DIR

Skips (exit 77) when Wine or the .exe is missing; in CI (CI=true) that is a failure instead.
Uses its own Wine prefix in DIR, with the Chinese locale when glibc has it, as on a Chinese
Windows (ANSI code page 936).
"""
import argparse
import os
import shutil
import subprocess
import sys
import unittest

ARGS = None
ENV = None
NOT_STANDARD = "文件{}不是标准的Velmira文件."
CANNOT_OPEN = "不能找到或打开文件{}."


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def chinese_locale():
    try:
        names = subprocess.run(["locale", "-a"], capture_output=True, text=True, timeout=60).stdout
    except OSError:
        return None
    for name in names.split():
        if name.lower().replace("-", "") in ("zh_cn.utf8",):
            return name
    return None


def skip(reason):
    if os.environ.get("CI", "").lower() in ("1", "true", "yes"):
        print(f"FAIL: {reason}; CI must have it")
        sys.exit(1)
    print(f"SKIP: {reason}")
    sys.exit(77)


class WineCliTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Creating the prefix prints to stderr: do it before the program's stderr is checked.
        subprocess.run(["wine", "wineboot", "--init"], capture_output=True, env=ENV,
                       stdin=subprocess.DEVNULL, timeout=600)
        subprocess.run(["wineserver", "-w"], capture_output=True, env=ENV, timeout=600)

    def exe(self, *args):
        # Without address-space randomisation, as the end-to-end harness starts Windows programs
        # (tools/harness/wine.py says why).
        result = subprocess.run(["setarch", "-R", "wine", ARGS.exe, *args], capture_output=True,
                                env=ENV, stdin=subprocess.DEVNULL, timeout=300)
        return result.returncode, result.stdout, result.stderr

    def native(self, *args):
        return subprocess.run([ARGS.cli, *args], capture_output=True, timeout=120)

    def work(self, name):
        return os.path.join(ARGS.work, name)

    def test_info_matches_the_native_tool(self):
        status, out, err = self.exe("info", windows_path(ARGS.demo))
        self.assertEqual(status, 0, err)
        expected = self.native("info", ARGS.demo).stdout
        self.assertEqual(out.replace(b"\r\n", b"\n"), expected)
        self.assertGreater(expected.count(b"\n"), 20)

    def test_export_is_byte_identical(self):
        for options in ([], ["--bass", "1", "--program", "19"], ["--key", "1330"]):
            with self.subTest(options=options):
                mine, theirs = self.work("wine.mid"), self.work("native.mid")
                for path in (mine, theirs):
                    if os.path.exists(path):
                        os.remove(path)
                status, _, err = self.exe("export", windows_path(ARGS.demo), windows_path(mine), *options)
                self.assertEqual(status, 0, err)
                self.assertEqual(self.native("export", ARGS.demo, theirs, *options).returncode, 0)
                with open(mine, "rb") as a, open(theirs, "rb") as b:
                    self.assertEqual(a.read(), b.read())

    def test_refusal_is_the_programs_message_in_utf8(self):
        bad = self.work("bad.qji")
        with open(bad, "wb") as f:
            f.write(b"RIFF\x04\x00\x00\x00WAVE")
        status, out, err = self.exe("info", windows_path(bad))
        self.assertEqual((status, out), (1, b""))
        self.assertEqual(err.decode("utf-8"), NOT_STANDARD.format(windows_path(bad)) + "\r\n")

    @unittest.skipUnless(chinese_locale(), "no zh_CN.UTF-8 locale: the ANSI code page is not 936")
    def test_a_chinese_file_name_reaches_the_message_intact(self):
        missing = self.work("乐曲.qji")
        status, _, err = self.exe("info", windows_path(missing))
        self.assertEqual(status, 1)
        self.assertEqual(err.decode("utf-8"), CANNOT_OPEN.format(windows_path(missing)) + "\r\n")

    def test_export_failure_and_usage(self):
        status, _, err = self.exe("export", windows_path(ARGS.demo), windows_path(self.work("k.mid")),
                                  "--key", "1306")
        self.assertEqual(status, 1, err)
        self.assertIn(b"is not one of the 24 key signature ids", err)
        status, _, err = self.exe("export", windows_path(ARGS.demo), "out.mid", "--program", "128")
        self.assertEqual(status, 2)
        self.assertIn(b"usage:", err)


def main():
    global ARGS, ENV
    parser = argparse.ArgumentParser()
    for name in ("--exe", "--cli", "--demo", "--work"):
        parser.add_argument(name, required=True)
    ARGS, rest = parser.parse_known_args()
    if shutil.which("wine") is None:
        skip("wine is not installed")
    if not os.path.exists(ARGS.exe):
        skip(f"{ARGS.exe} is not built (scripts/build makes it)")
    os.makedirs(ARGS.work, exist_ok=True)
    ENV = dict(os.environ, WINEPREFIX=os.path.abspath(os.path.join(ARGS.work, "wineprefix")),
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    ENV.pop("DISPLAY", None)  # a console program: no window, no display needed
    locale = chinese_locale()
    if locale:
        ENV["LC_ALL"] = locale
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
