#!/usr/bin/env python3
"""Turns the simulated synth's log (velmira-sim.exe, VELMIRA_SIM_LOG) into a Standard MIDI File
with the same timing, so that what the program played can be rendered to audio.

    simlog_to_midi.py LOG OUT.mid
"""
import struct
import sys

from harness.formats import FormatError, read_call_log, short_message


def variable_length(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(groups))


def convert(log_path, out_path):
    try:
        calls = read_call_log(log_path)
    except FormatError as error:
        raise SystemExit("simlog_to_midi: %s" % error)
    messages = [(stamp, short_message(text)) for stamp, text in calls
                if short_message(text) is not None]
    if not messages:
        raise SystemExit("simlog_to_midi: no MIDI messages in %s" % log_path)
    # 1 tick = 1 ms: 500 ticks per quarter at 500000 microseconds per quarter.
    track = bytearray(b"\x00\xFF\x51\x03\x07\xA1\x20")
    start = messages[0][0]
    previous = start
    for stamp, message in messages:
        status = message & 0xFF
        data = [(message >> 8) & 0x7F, (message >> 16) & 0x7F]
        size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
        track += variable_length(max(0, stamp - previous))
        track += bytes([status] + data[:size])
        previous = stamp
    track += b"\x00\xFF\x2F\x00"
    with open(out_path, "wb") as out:
        out.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 500))
        out.write(b"MTrk" + struct.pack(">I", len(track)) + track)
    return len(messages)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: simlog_to_midi.py LOG OUT.mid")
    count = convert(sys.argv[1], sys.argv[2])
    print(f"{sys.argv[2]}: {count} messages")
