"""The files the programs write for the harness and the performance files they read.

The call log (VELMIRA_SIM_LOG, VELMIRA_MIDI_LOG): one line a call, "STAMP TEXT", STAMP the
program's clock in ms, TEXT "open -1 ok", "close" or "short 007F3C90" (a short MIDI message as
midiOutShortMsg takes it: status in the low byte). The menu dump (VELMIRA_SIM_MENU): the menu
bar as an indented tree, "popup LABEL" or "ID CHECKED GRAYED LABEL". A .qji file: RIFF "QJ  "
with an INFO list, a 24-byte "fmt " chunk (count, key signature, bass doubling) and "data", 16
bytes a key event, then a 12-byte "beat" chunk when the performance has a tempo.
"""

import re
import struct
from collections import namedtuple
from pathlib import Path


class FormatError(AssertionError):
    """A file not in its format: a failed check in the tests, an error message in the tools."""


# --------------------------------------------------------------------------------------------
# The call log


def short(message):
    return "short %08X" % message


def note_on(note, velocity=127, channel=0):
    return short((velocity << 16) | (note << 8) | 0x90 | channel)


def note_off(note, channel=0):
    return short((note << 8) | 0x80 | channel)


def program_change(program, channel=0):
    return short((program << 8) | 0xC0 | channel)


def control_change(controller, value, channel=0):
    return short((value << 16) | (controller << 8) | 0xB0 | channel)


PERCUSSION = 9  # the channel (10 to a player) of the metronome's clicks
ACCENT_CLICK, BEAT_CLICK = 76, 77  # a bar's first beat, the others

PEDAL_DOWN = control_change(64, 127)
PEDAL_UP = control_change(64, 0)
ALL_NOTES_OFF = [control_change(0x7B, 0, channel) for channel in range(16)]
STOP_ENDS = ALL_NOTES_OFF[-1]  # the last call of a stop: All Notes Off on channel 15


def parse_log_line(line):
    """(stamp, text) of a call log line, or None when it is not one."""
    stamp, _, text = line.strip().partition(" ")
    return (int(stamp), text.strip()) if stamp.isdigit() and text else None


def read_call_log(path):
    """Every complete line of the call log as (stamp in ms, text); [] before it exists."""
    try:
        data = Path(path).read_bytes().decode("ascii", "replace")
    except FileNotFoundError:
        return []
    calls = []
    for line in data.split("\n")[:-1]:  # the last piece is empty or not finished yet
        call = parse_log_line(line)
        if call is None:
            raise FormatError("%s: call log line not understood: %r" % (path, line))
        calls.append(call)
    return calls


def short_message(text):
    """The message of a "short XXXXXXXX" call as an int, or None for other calls."""
    found = re.fullmatch(r"short ([0-9A-F]{8})", text)
    return int(found.group(1), 16) if found else None


def is_note_on(text):
    message = short_message(text)
    return message is not None and message & 0xF0 == 0x90 and (message >> 16) & 0x7F > 0


def is_click(text):
    """A note on or off on the percussion channel: the metronome's."""
    message = short_message(text)
    return message is not None and (message & 0xEF) == (0x80 | PERCUSSION)


# --------------------------------------------------------------------------------------------
# The menu dump


class MenuItem:
    def __init__(self, label, id=None, checked=False, grayed=False, popup=False):
        self.label = label
        self.id = id
        self.checked = checked
        self.grayed = grayed
        self.popup = popup
        self.items = []

    def __repr__(self):
        if self.popup:
            return "<popup %r %d items>" % (self.label, len(self.items))
        return "<%d %d %d %r>" % (self.id, self.checked, self.grayed, self.label)

    def find(self, id):
        """The command item with this id anywhere below, or None."""
        path = self.path(id)
        return path[-1] if path else None

    def path(self, id):
        """The items from below this one down to the command item with this id, or []."""
        for item in self.items:
            if not item.popup and item.id == id:
                return [item]
            if item.popup:
                below = item.path(id)
                if below:
                    return [item] + below
        return []

    def commands(self):
        """Every command item below, in order."""
        out = []
        for item in self.items:
            out.extend(item.commands() if item.popup else [item])
        return out

    def popup_named(self, label):
        for item in self.items:
            if item.popup and item.label == label:
                return item
        raise AssertionError("no submenu %r; there are %r"
                             % (label, [i.label for i in self.items if i.popup]))

    @property
    def access_key(self):
        """The letter after '&' in the label (upper case), or None."""
        found = re.search(r"&([^&])", self.label)
        return found.group(1).upper() if found else None


def parse_menu_dump(text):
    """The menu dump as a tree; returns the root (the menu bar)."""
    root = MenuItem("", popup=True)
    stack = [(-1, root)]
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip():
            continue
        indent = len(line) - len(line.lstrip(" "))
        if indent % 2:
            raise FormatError("menu dump line %d: odd indentation: %r" % (number, line))
        depth = indent // 2
        body = line[indent:]
        while stack[-1][0] >= depth:
            stack.pop()
        if stack[-1][0] != depth - 1:
            raise FormatError("menu dump line %d: indentation jumps: %r" % (number, line))
        parent = stack[-1][1]
        if body.startswith("popup "):
            item = MenuItem(body[len("popup "):], popup=True)
            parent.items.append(item)
            stack.append((depth, item))
            continue
        match = re.match(r"^(\d+) ([01]) ([01]) (.*)$", body)
        if not match:
            raise FormatError("menu dump line %d: not an item: %r" % (number, line))
        parent.items.append(MenuItem(match.group(4), id=int(match.group(1)),
                                     checked=match.group(2) == "1",
                                     grayed=match.group(3) == "1"))
    return root


# --------------------------------------------------------------------------------------------
# Performance files (.qji)

KEY_DOWN, KEY_UP = 256, 257  # the key event's window message
C_MAJOR = 1297               # the key signature's command id


def write_performance(path, events, key_signature=C_MAJOR, bass=0):
    """Writes a .qji file: events are (delay ms, KEY_DOWN or KEY_UP, scan code, octave shift)."""
    records = b"".join(struct.pack("<IIIi", delay, message, scan << 16, shift)
                       for delay, message, scan, shift in events)
    head = (b"RIFF" + struct.pack("<I", 96 + len(records)) + b"QJ  " +
            b"LIST" + struct.pack("<I", 44) + b"INFO" +
            b"ISFT" + struct.pack("<I", 11) + b"QJ by Orla\0\0" +
            b"ISCD" + struct.pack("<I", 11) + b"2026-01-01\0\0" +
            b"fmt " + struct.pack("<I", 24) + struct.pack("<III", len(events), key_signature, bass)
            + bytes(12) + b"data" + struct.pack("<I", len(records)))
    Path(path).write_bytes(head + records)


# tempo: (microseconds per quarter, numerator, denominator, bar line in ms) or None
Performance = namedtuple("Performance", "count key_signature bass events tempo")


def read_performance(path):
    """The Performance of a .qji file the program wrote: its layout exactly, with the INFO list
    of 44 bytes and the "beat" chunk after the data if the performance has a tempo."""
    data = Path(path).read_bytes()

    def need(condition, what):
        if not condition:
            raise FormatError("%s: %s" % (path, what))
    need(len(data) >= 104 and data[0:4] == b"RIFF" and data[8:12] == b"QJ  ",
         "not a QJ RIFF file: %r" % data[:12])
    need(struct.unpack_from("<I", data, 4)[0] == len(data) - 8, "the RIFF size is wrong")
    need(data[64:68] == b"fmt " and data[96:100] == b"data",
         "no fmt and data chunks where expected: %r" % data[64:100])
    count, key_signature, bass = struct.unpack_from("<III", data, 72)
    size = struct.unpack_from("<I", data, 100)[0]
    end = 104 + size
    need(size == 16 * count and len(data) in (end, end + 20),
         "data size %d for %d events in %d bytes" % (size, count, len(data)))
    events = [struct.unpack_from("<IIIi", data, 104 + 16 * i) for i in range(count)]
    tempo = None
    if len(data) > end:
        need(data[end:end + 8] == b"beat" + struct.pack("<I", 12),
             "not a beat chunk after the data: %r" % data[end:end + 8])
        micros, numerator, denominator, _, downbeat = struct.unpack_from("<IBBHI", data, end + 8)
        tempo = (micros, numerator, denominator, downbeat)
    return Performance(count, key_signature, bass, events, tempo)
