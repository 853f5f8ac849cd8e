#!/usr/bin/env python3
"""Strict reading of exported Standard MIDI Files, with the standard library only: the header
chunk, every chunk length exact, nothing after the last track, every event well formed, End of
Track last and only last; the decoded events must be the expected ones, for every key signature.
The reader is first shown to reject damaged copies of an export, so that it can fail."""
import struct
import sys

import smf_common


class SmfError(Exception):
    pass


def read_vlq(data, pos, end):
    value = 0
    for i in range(4):
        if pos >= end:
            raise SmfError(f"variable-length quantity runs past the track end at {pos}")
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos
    raise SmfError(f"variable-length quantity longer than 4 bytes before {pos}")


def parse_track(data, start, end):
    events, pos, status = [], start, None
    while pos < end:
        delta, pos = read_vlq(data, pos, end)
        if pos >= end:
            raise SmfError(f"event without status at {pos}")
        if data[pos] & 0x80:
            status = data[pos]
            pos += 1
        elif status is None or status >= 0xF0:
            raise SmfError(f"data byte {data[pos]:#x} without a status at {pos}")
        if status == 0xFF:
            if pos >= end:
                raise SmfError("meta event cut off")
            kind = data[pos]
            length, pos = read_vlq(data, pos + 1, end)
            if pos + length > end:
                raise SmfError(f"meta event {kind:#x} runs past the track end")
            body = data[pos:pos + length]
            pos += length
            status = None
            if kind == 0x2F:
                if length != 0:
                    raise SmfError("End of Track with data")
                if pos != end:
                    raise SmfError(f"{end - pos} bytes after End of Track")
                events.append((delta, ("end",)))
                return events
            if kind == 0x51:
                if length != 3:
                    raise SmfError("tempo of the wrong length")
                events.append((delta, ("tempo", int.from_bytes(body, "big"))))
            else:
                events.append((delta, ("meta", kind, bytes(body))))
        elif status in (0xF0, 0xF7):
            length, pos = read_vlq(data, pos, end)
            if pos + length > end:
                raise SmfError("system exclusive runs past the track end")
            events.append((delta, ("sysex", bytes(data[pos:pos + length]))))
            pos += length
            status = None
        elif status >= 0xF0:
            raise SmfError(f"status {status:#x} is not allowed in a file")
        else:
            size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
            body = data[pos:pos + size]
            if pos + size > end or any(b & 0x80 for b in body):
                raise SmfError(f"channel message {status:#x} with bad data at {pos}")
            pos += size
            kind, channel = status & 0xF0, status & 0x0F
            if kind == 0x90:
                events.append((delta, ("on", channel, body[0], body[1])))
            elif kind == 0x80:
                events.append((delta, ("off", channel, body[0], body[1])))
            elif kind == 0xC0:
                events.append((delta, ("program", channel, body[0])))
            elif kind == 0xB0 and body[0] == 64:
                events.append((delta, ("pedal", channel, body[1])))
            else:
                events.append((delta, ("channel", status, bytes(body))))
    raise SmfError("track without End of Track")


def parse_smf(data):
    if len(data) < 14 or data[:4] != b"MThd":
        raise SmfError("no MThd chunk at the start")
    length = struct.unpack_from(">I", data, 4)[0]
    if length != 6:
        raise SmfError(f"header chunk of {length} bytes, not 6")
    fmt, ntracks, division = struct.unpack_from(">HHH", data, 8)
    if fmt not in (0, 1) or ntracks < 1 or (fmt == 0 and ntracks != 1):
        raise SmfError(f"format {fmt} with {ntracks} tracks")
    if division & 0x8000:
        raise SmfError("SMPTE time division")
    pos, tracks = 14, []
    for index in range(ntracks):
        if pos + 8 > len(data) or data[pos:pos + 4] != b"MTrk":
            raise SmfError(f"track {index}: no MTrk chunk at {pos}")
        length = struct.unpack_from(">I", data, pos + 4)[0]
        start, end = pos + 8, pos + 8 + length
        if end > len(data):
            raise SmfError(f"track {index}: {length} bytes announced, {len(data) - start} there")
        tracks.append(parse_track(data, start, end))
        pos = end
    if pos != len(data):
        raise SmfError(f"{len(data) - pos} bytes after the last track")
    return fmt, division, tracks


def damaged_copies(data):
    first = struct.unpack_from(">I", data, 18)[0]
    yield "first track one byte longer", data[:18] + struct.pack(">I", first + 1) + data[22:]
    yield "first track one byte shorter", data[:18] + struct.pack(">I", first - 1) + data[22:]
    yield "last byte cut off", data[:-1]
    yield "a byte appended", data + b"\0"
    yield "header of 7 bytes", data[:4] + struct.pack(">I", 7) + data[8:]
    yield "End of Track with data", data[:-1] + b"\x01"
    yield "a status byte in place of a note", data[:22 + 12] + b"\xF4" + data[22 + 13:]


def main():
    args = smf_common.parse_args(__doc__)
    exports = smf_common.make_exports(args, every_key=True)
    problems = []

    # The check itself: damaged copies of a real export must be rejected.
    with open(exports[1].mid, "rb") as f:
        sample = f.read()
    parse_smf(sample)
    for what, copy in damaged_copies(sample):
        try:
            parse_smf(copy)
            problems.append(f"the strict reader accepted a damaged file ({what})")
        except SmfError:
            pass

    for export in exports:
        with open(export.mid, "rb") as f:
            data = f.read()
        try:
            fmt, division, tracks = parse_smf(data)
        except SmfError as e:
            problems.append(f"{export}: {e}")
            continue
        if fmt != export.bass or division != smf_common.TICKS_PER_QUARTER:
            problems.append(f"{export}: format {fmt}, division {division}")
        smf_common.compare_tracks(export, tracks, problems)
    smf_common.finish("smf_strict", len(exports), problems)


if __name__ == "__main__":
    sys.exit(main())
