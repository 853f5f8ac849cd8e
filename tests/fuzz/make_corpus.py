#!/usr/bin/env python3
"""Writes the seed corpus of the performance reader's fuzzer: tests/fuzz/corpus/.

Each file's name starts with the outcome that reading it must have (checked by the
fuzz_corpus_check test): ok-, not-standard-, not-supported- or cannot-read-.
Run again after changing a case; the files are committed.

    python3 tests/fuzz/make_corpus.py [OUTPUT_DIR]
"""
import os
import struct
import sys

KEY_C = 1297


def chunk(ident, payload, size=None, pad=True):
    """A RIFF chunk; size overrides the length field, pad adds the byte after odd contents."""
    body = ident + struct.pack("<I", len(payload) if size is None else size) + payload
    if pad and len(payload) % 2:
        body += b"\0"
    return body


def fmt(count, key=KEY_C, bass=0, size=None, extra=b""):
    return chunk(b"fmt ", struct.pack("<6I", count, key, bass, 0, 0, 0) + extra, size)


def event(delta, message, scan, shift=0, repeat=1):
    return struct.pack("<IIIi", delta, message, (scan << 16) | repeat, shift)


def info():
    return chunk(b"LIST", b"INFO" + chunk(b"ISFT", b"QJ by Orla\0") + chunk(b"ISCD", b"2026-12-08\0"))


def riff(*chunks, form=b"QJ  ", ident=b"RIFF", size=None):
    payload = form + b"".join(chunks)
    return ident + struct.pack("<I", len(payload) if size is None else size) + payload


def melody():
    """A short tune: A S D F (do re mi fa) and a shifted G, with an Esc press in between."""
    out = []
    for i, scan in enumerate([0x1E, 0x1F, 0x20, 0x21]):
        out.append(event(120 if i else 0, 256, scan))
        out.append(event(300, 257, scan))
    out.append(event(50, 256, 0x01))          # Esc: does not play
    out.append(event(10, 257, 0x01))
    out.append(event(80, 256, 0x22, shift=1))
    out.append(event(400, 257, 0x22, shift=-1))
    return out


def cases():
    one = [event(0, 256, 0x1E)]
    tune = melody()
    two = [event(0, 256, 0x1E), event(250, 257, 0x1E)]
    data = lambda events: chunk(b"data", b"".join(events))
    c = {}
    # Accepted files.
    c["ok-one-event"] = riff(info(), fmt(1), data(one))
    c["ok-tune-bass"] = riff(info(), fmt(len(tune), key=1319, bass=1), data(tune))
    c["ok-bass-value-2"] = riff(info(), fmt(2, key=1332, bass=2), data(two))
    c["ok-no-info"] = riff(fmt(2, key=1312), data(two))
    c["ok-junk-odd-padded"] = riff(info(), chunk(b"JUNK", b"abc"), fmt(2),
                                   chunk(b"junk", b"x"), data(two))
    c["ok-trailing-bytes"] = riff(info(), fmt(2), data(two)) + b"tail"
    # Refused: not a performance file at all, or a part missing.
    c["not-standard-empty"] = b""
    c["not-standard-riff-only"] = b"RIFF"
    c["not-standard-wrong-form"] = riff(info(), fmt(2), data(two), form=b"WAVE")
    c["not-standard-rifx"] = riff(info(), fmt(2), data(two), ident=b"RIFX")
    c["not-standard-missing-fmt"] = riff(info(), data(two))
    c["not-standard-missing-data"] = riff(info(), fmt(2))
    c["not-standard-data-before-fmt"] = riff(info(), data(two), fmt(2))
    c["not-standard-junk-odd-unpadded"] = riff(info(), chunk(b"JUNK", b"abc", pad=False), fmt(2),
                                               data(two))
    # Refused: a performance file of a kind the program does not read.
    c["not-supported-fmt-size-20"] = riff(info(), chunk(b"fmt ", struct.pack("<5I", 2, KEY_C, 0, 0, 0)),
                                          data(two))
    c["not-supported-fmt-size-28"] = riff(info(), fmt(2, extra=b"\0\0\0\0"), data(two))
    c["not-supported-count-0"] = riff(info(), fmt(0), chunk(b"data", b""))
    c["not-supported-data-size-mismatch"] = riff(info(), fmt(3), data(two))
    c["not-supported-count-wraps"] = riff(info(), fmt(0x10000001), data(one))
    c["not-supported-bad-key-1306"] = riff(info(), fmt(2, key=1306), data(two))
    c["not-supported-bad-key-1296"] = riff(info(), fmt(2, key=1296), data(two))
    c["not-supported-bad-key-0"] = riff(info(), fmt(2, key=0), data(two))
    c["not-supported-bad-message"] = riff(info(), fmt(2), data([event(0, 256, 0x1E), event(9, 258, 0x1E)]))
    c["not-supported-bad-shift-2"] = riff(info(), fmt(2), data([event(0, 256, 0x1E, 2), two[1]]))
    c["not-supported-bad-shift-minus-2"] = riff(info(), fmt(2), data([two[0], event(9, 257, 0x1E, -2)]))
    # Refused: the file ends before what its chunks promise.
    c["cannot-read-truncated-data"] = riff(info(), fmt(2), data(two))[:-20]
    c["cannot-read-huge-count"] = riff(info(), fmt(0x0FFFFFFF), chunk(b"data", b"".join(two), size=0xFFFFFFF0))
    c["cannot-read-fmt-cut"] = riff(info(), fmt(2))[:-10]
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    for name, content in sorted(cases().items()):
        with open(os.path.join(out, name + ".qji"), "wb") as f:
            f.write(content)
    print(f"make_corpus: {len(cases())} files in {out}")


if __name__ == "__main__":
    main()
