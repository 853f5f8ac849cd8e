#!/usr/bin/env python3
"""The command-line contract of velmira-cli: what info prints, that export writes the bytes of
the core's EncodeMidiFile, the program's refusal messages in UTF-8 with the file name, and the
exit codes 0, 1 and 2.

    test_cli.py --cli PATH/velmira-cli --helper PATH/velmira_cli_test_helper --demo demo.qji

Files are made two ways: through the core (the helper calls SavePerformanceFile) and byte by
byte here, so that the reader is not only checked against its own writer.
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
import unittest
from xml.etree import ElementTree

ARGS = None

# The program's messages, as the user sees them (the core keeps them as GBK text).
CANNOT_OPEN = "不能找到或打开文件{}."
NOT_STANDARD = "文件{}不是标准的Velmira文件."
NOT_SUPPORTED = "文件{}不是被支持的Velmira文件."
CANNOT_READ = "不能读取文件{}."

KEY_IDS = list(range(1297, 1306)) + list(range(1312, 1322)) + list(range(1328, 1333))


def chunk(ident, payload, size=None):
    body = ident + struct.pack("<I", len(payload) if size is None else size) + payload
    return body + (b"\0" if len(payload) % 2 else b"")


def performance_bytes(events, key=1297, bass=0, count=None, data_size=None, form=b"QJ  "):
    """A performance file written here, as the program lays it out."""
    records = b"".join(struct.pack("<IIIi", *e) for e in events)
    info = chunk(b"LIST", b"INFO" + chunk(b"ISFT", b"QJ by Orla\0") + chunk(b"ISCD", b"2026-12-08\0"))
    fmt = chunk(b"fmt ", struct.pack("<6I", len(events) if count is None else count, key, bass, 0, 0, 0))
    data = chunk(b"data", records, data_size)
    payload = form + info + fmt + data
    return b"RIFF" + struct.pack("<I", len(payload)) + payload


def parse_canonical(content):
    """Events, key and raw bass value of a file laid out as the program writes it."""
    assert content[:4] == b"RIFF" and content[8:12] == b"QJ  " and content[64:68] == b"fmt "
    count, key, bass = struct.unpack_from("<3I", content, 72)
    assert content[96:100] == b"data"
    events = [struct.unpack_from("<IIIi", content, 104 + 16 * i) for i in range(count)]
    return events, key, bass


def expected_info(events, key, bass_line):
    lines = [f"events: {len(events)}", f"key: {key}", f"bass: {bass_line}"]
    lines += [f"{d} {m} {k:08X} {s}" for d, m, k, s in events]
    return "\n".join(lines) + "\n"


class CliTest(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory(prefix="velmira-cli-")
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, content):
        with open(self.path(name), "wb") as f:
            f.write(content)
        return self.path(name)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def cli(self, *args):
        result = subprocess.run([ARGS.cli, *args], capture_output=True, timeout=120)
        return result.returncode, result.stdout, result.stderr

    def helper(self, *args, stdin=b""):
        result = subprocess.run([ARGS.helper, *args], input=stdin, capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, f"helper {args} failed: {result.stderr!r}")

    def save_with_core(self, name, events, key, bass):
        text = "".join(f"{d} {m} {k:x} {s}\n" for d, m, k, s in events).encode()
        self.helper("save", self.path(name), str(key), str(bass), stdin=text)
        return self.path(name)

    def encode_with_core(self, file, program, key, bass):
        out = self.path("reference.mid")
        self.helper("encode", file, str(program), str(key), str(bass), out)
        return self.read(out)

    def assert_refused(self, args, message, code=1):
        status, out, err = self.cli(*args)
        self.assertEqual(status, code, err)
        self.assertEqual(out, b"")
        self.assertEqual(err.decode("utf-8"), message + "\n")

    def assert_usage(self, *args):
        status, out, err = self.cli(*args)
        self.assertEqual(status, 2, f"{args}: {err!r}")
        self.assertEqual(out, b"")
        self.assertIn(b"usage:", err)
        self.assertIn(b"velmira-cli info FILE", err)

    # --- info ------------------------------------------------------------------------------

    TUNE = [
        (0, 256, 0x001E0001, 0),
        (250, 257, 0xC01E0001, 0),
        (12, 256, 0x00200001, -1),
        (4294967295, 257, 0x00200001, 1),
        (7, 256, 0x01390001, 0),  # the space bar: does not play, still an event
        (8, 257, 0x01390001, 0),
    ]

    def test_info_of_a_file_saved_by_the_core(self):
        file = self.save_with_core("saved.qji", self.TUNE, 1319, 1)
        status, out, err = self.cli("info", file)
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode("ascii"), expected_info(self.TUNE, 1319, 1))

    def test_info_of_a_file_written_byte_by_byte(self):
        file = self.write("bytes.qji", performance_bytes(self.TUNE, key=1332, bass=0))
        status, out, err = self.cli("info", file)
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode("ascii"), expected_info(self.TUNE, 1332, 0))

    def test_bass_is_on_only_for_exactly_one(self):
        for raw, shown in [(0, 0), (1, 1), (2, 0), (0xFFFFFFFF, 0), (0x101, 0)]:
            with self.subTest(raw=raw):
                file = self.write("bass.qji", performance_bytes(self.TUNE[:2], bass=raw))
                status, out, err = self.cli("info", file)
                self.assertEqual((status, err), (0, b""))
                self.assertEqual(out.decode("ascii").splitlines()[2], f"bass: {shown}")

    def test_info_of_the_demo(self):
        events, key, bass = parse_canonical(self.read(ARGS.demo))
        self.assertGreater(len(events), 20)
        status, out, err = self.cli("info", ARGS.demo)
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode("ascii"), expected_info(events, key, 1 if bass == 1 else 0))

    def test_tempo_sets_a_tempo_that_info_prints_and_only_then(self):
        file = self.write("tempo.qji", performance_bytes(self.TUNE[:2], key=1297, bass=0))
        plain = self.read(file)
        self.assertNotIn("tempo:", self.cli("info", file)[1].decode("ascii"))
        self.assertEqual(self.cli("tempo", file, "120")[0], 0)  # 4/4, the first key-down
        self.assertEqual(self.cli("info", file)[1].decode("ascii").splitlines()[3],
                         "tempo: 120 4/4 500000 0")
        self.assertEqual(self.cli("tempo", file, "60", "6/8", "--downbeat", "250")[0], 0)
        lines = self.cli("info", file)[1].decode("ascii").splitlines()
        self.assertEqual(lines[3], "tempo: 60 6/8 1000000 250")
        self.assertEqual(lines[4:], expected_info(self.TUNE[:2], 1297, 0).splitlines()[3:])
        self.assertEqual(len(self.read(file)), len(plain) + 20)
        for wrong in (["301"], ["90", "5/3"], ["90", "--downbeat", "x"]):
            with self.subTest(wrong=wrong):
                self.assert_usage("tempo", file, *wrong)

    # --- songs and scores ------------------------------------------------------------------

    def test_a_song_becomes_a_performance_whose_score_is_the_song(self):
        song = os.path.join(os.path.dirname(ARGS.demo), "..", "songs", "liangzhilaohu.txt")
        with open(song, encoding="utf-8") as f:
            text = f.read()
        performance, midi = self.path("tigers.qji"), self.path("tigers.mid")
        self.assertEqual(self.cli("song", song, performance)[0], 0)
        self.assertEqual(self.cli("song", song, midi)[0], 0)
        self.assertEqual(self.read(midi)[:4], b"MThd")
        svg = self.path("tigers.svg")
        status, out, err = self.cli("jianpu", performance, "--svg", svg)
        self.assertEqual((status, err), (0, b""))
        lines = out.decode("utf-8").splitlines()
        self.assertEqual(lines[0], "title: tigers")
        self.assertEqual(lines[1:], text[text.index("1=C"):].splitlines())
        # The page as a picture: the head, then the song's digits.
        page = ElementTree.fromstring(self.read(svg))
        texts = [t.text for t in page.iter("{http://www.w3.org/2000/svg}text")]
        self.assertEqual(texts[:9], ["tigers", "1=C", "4", "4", "=108", "1", "2", "3", "1"])
        bad = self.write("bad.txt", "1=C 4/4 q=90\n| 1 2 3 8 ||\n".encode())
        status, _, err = self.cli("song", bad, self.path("bad.qji"))
        self.assertEqual(status, 1)
        self.assertIn("第 2 行第 9 列", err.decode("utf-8"))

    # --- export ----------------------------------------------------------------------------

    # Playable keys (A, D, Q, the minus key), an unplayable one whose pause carries over, long
    # and short pauses, and octave shifts.
    EXPORTED = [
        (0, 256, 0x001E0001, 0),
        (250, 257, 0xC01E0001, 0),
        (12, 256, 0x00200001, -1),
        (100000, 257, 0x00200001, 1),
        (7, 256, 0x00390001, 0),
        (8, 257, 0x00390001, 0),
        (300, 256, 0x00100001, 0),
        (1, 256, 0x000C0001, 0),
        (90, 257, 0x00100001, 0),
        (3, 257, 0x000C0001, 0),
    ]

    def test_export_writes_the_bytes_of_the_core_encoder(self):
        file = self.save_with_core("tune.qji", self.EXPORTED, 1300, 1)
        cases = [
            ([], 0, 1300, 1),
            (["--program", "40"], 40, 1300, 1),
            (["--key", "1314"], 0, 1314, 1),
            (["--bass", "0"], 0, 1300, 0),
            (["--bass", "1", "--key", "1297", "--program", "127"], 127, 1297, 1),
        ]
        for options, program, key, bass in cases:
            with self.subTest(options=options):
                out = self.path("out.mid")
                status, stdout, err = self.cli("export", file, out, *options)
                self.assertEqual((status, stdout, err), (0, b"", b""))
                exported = self.read(out)
                self.assertEqual(exported, self.encode_with_core(file, program, key, bass))
                # The file's settings really are used: one track without bass, two with it.
                self.assertEqual(exported[4:14], bytes([0, 0, 0, 6, 0, bass, 0, 1 + bass, 0, 192]))
                os.remove(out)

    def test_export_takes_the_bass_of_the_file_by_the_programs_rule(self):
        file = self.write("bass2.qji", performance_bytes(self.TUNE[:2], key=1297, bass=2))
        out = self.path("out.mid")
        self.assertEqual(self.cli("export", file, out)[0], 0)
        self.assertEqual(self.read(out), self.encode_with_core(file, 0, 1297, 0))

    def test_export_options_may_come_first(self):
        file = self.save_with_core("tune.qji", self.TUNE[:2], 1297, 0)
        out = self.path("out.mid")
        self.assertEqual(self.cli("export", "--program", "3", file, out)[0], 0)
        self.assertEqual(self.read(out), self.encode_with_core(file, 3, 1297, 0))

    def test_export_of_the_demo(self):
        _, key, bass = parse_canonical(self.read(ARGS.demo))
        out = self.path("demo.mid")
        self.assertEqual(self.cli("export", ARGS.demo, out)[0], 0)
        self.assertEqual(self.read(out), self.encode_with_core(ARGS.demo, 0, key, 1 if bass == 1 else 0))

    def test_export_with_a_key_that_is_not_one_of_the_24_fails(self):
        file = self.save_with_core("tune.qji", self.TUNE[:2], 1297, 0)
        out = self.write("existing.mid", b"keep me")
        for key in ["1306", "1296", "1333", "0", "-1297", "2147483647"]:
            with self.subTest(key=key):
                status, stdout, err = self.cli("export", file, out, "--key", key)
                self.assertEqual(status, 1, err)
                self.assertEqual(stdout, b"")
                self.assertIn(f"{int(key)} is not one of the 24 key signature ids".encode(), err)
                self.assertNotIn(b"usage:", err)
                self.assertEqual(self.read(out), b"keep me")

    def test_every_key_exports(self):
        file = self.save_with_core("tune.qji", self.TUNE[:2], 1297, 0)
        for key in KEY_IDS:
            out = self.path(f"k{key}.mid")
            self.assertEqual(self.cli("export", file, out, "--key", str(key))[0], 0, key)
            self.assertEqual(self.read(out), self.encode_with_core(file, 0, key, 0))

    def test_export_of_a_pause_too_long_for_the_format_fails(self):
        # 0xFFFFFFFF ms before a playable key is more than 0x0FFFFFFF ticks.
        file = self.write("pause.qji", performance_bytes([(0xFFFFFFFF, 256, 0x001E0001, 0)]))
        out = self.path("out.mid")
        status, stdout, err = self.cli("export", file, out)
        self.assertEqual(status, 1, err)
        self.assertIn(b"a pause is longer than a Standard MIDI File can hold", err)
        self.assertFalse(os.path.exists(out))

    def test_export_to_a_folder_that_does_not_exist_fails(self):
        file = self.save_with_core("tune.qji", self.TUNE[:2], 1297, 0)
        out = self.path("missing/out.mid")
        status, stdout, err = self.cli("export", file, out)
        self.assertEqual(status, 1, err)
        self.assertEqual(err.decode("utf-8"), f"velmira-cli: cannot write {out}\n")

    # --- refused files ---------------------------------------------------------------------

    def test_refusals_carry_the_programs_message_in_utf8(self):
        good = self.TUNE[:2]
        content = performance_bytes(good)
        cases = {
            "wrong form": (performance_bytes(good, form=b"WAVE"), NOT_STANDARD),
            "empty": (b"", NOT_STANDARD),
            "count 0": (performance_bytes([], count=0), NOT_SUPPORTED),
            "size mismatch": (performance_bytes(good, count=3), NOT_SUPPORTED),
            "bad key": (performance_bytes(good, key=1306), NOT_SUPPORTED),
            "bad message": (performance_bytes([(0, 258, 0x001E0001, 0)]), NOT_SUPPORTED),
            "bad shift": (performance_bytes([(0, 256, 0x001E0001, 2)]), NOT_SUPPORTED),
            "truncated": (content[:-5], CANNOT_READ),
        }
        for case, (content, message) in cases.items():
            with self.subTest(case=case):
                file = self.write("乐曲 refused.qji", content)
                self.assert_refused(["info", file], message.format(file))
                out = self.path("out.mid")
                self.assert_refused(["export", file, out], message.format(file))
                self.assertFalse(os.path.exists(out))

    def test_a_missing_file_cannot_be_opened(self):
        file = self.path("没有.qji")
        self.assert_refused(["info", file], CANNOT_OPEN.format(file))
        self.assert_refused(["export", file, self.path("out.mid"), "--program", "1"],
                            CANNOT_OPEN.format(file))

    def test_the_name_is_inserted_as_given(self):
        self.write("plain.qji", b"not a performance")
        result = subprocess.run([ARGS.cli, "info", "plain.qji"], cwd=self.dir, capture_output=True,
                                timeout=120)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.decode("utf-8"), NOT_STANDARD.format("plain.qji") + "\n")

    # --- usage -----------------------------------------------------------------------------

    def test_wrong_usage_exits_with_2(self):
        file = self.save_with_core("tune.qji", self.TUNE[:2], 1297, 0)
        out = self.path("out.mid")
        cases = [
            [],
            ["play", file],
            ["INFO", file],
            ["info"],
            ["info", file, file],
            ["export"],
            ["export", file],
            ["export", file, out, out],
            ["export", file, out, "--program"],
            ["export", file, out, "--program", "128"],
            ["export", file, out, "--program", "-1"],
            ["export", file, out, "--program", "abc"],
            ["export", file, out, "--program", ""],
            ["export", file, out, "--program", "1.5"],
            ["export", file, out, "--program", " 5"],
            ["export", file, out, "--program", "+5"],
            ["export", file, out, "--key"],
            ["export", file, out, "--key", "C"],
            ["export", file, out, "--key", "99999999999"],
            ["export", file, out, "--key", "-"],
            ["export", file, out, "--bass", "2"],
            ["export", file, out, "--bass", "yes"],
            ["export", file, out, "--bass", ""],
            ["export", file, out, "--tempo", "3"],
        ]
        for args in cases:
            with self.subTest(args=args):
                self.assert_usage(*args)
                self.assertFalse(os.path.exists(out))

    def test_usage_comes_before_reading_the_file(self):
        # Wrong usage is reported as such even when the file would be refused too.
        self.assert_usage("export", self.path("missing.qji"), self.path("out.mid"), "--bass", "3")

    def test_help(self):
        status, out, err = self.cli("--help")
        self.assertEqual((status, err), (0, b""))
        self.assertIn(b"velmira-cli export FILE OUT.mid", out)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--helper", required=True)
    parser.add_argument("--demo", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
