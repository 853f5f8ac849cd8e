"""Shared by the independent checks of exported Standard MIDI Files (tests/smf/check_*.py).

Performance files are written here byte by byte, exported with velmira-cli, and the checks
read the exports with other programs. What each export must hold is worked out here from the
export's rules, not from the exporter's code:
  - format 0 (one track) without bass doubling, format 1 (two tracks) with it;
  - 192 ticks per quarter note, tempo 759494 microseconds per quarter note;
  - each track: the tempo, the program change, then one note message (velocity 127) per event
    of a playable key, at the tick floor(total ms * 192000 / 759494); the space bar (the
    sustain pedal) gives control change 64, 127 down and 0 up, at its tick on the track's
    channel; other unplayable keys are skipped and their pause carried on;
  - the melody on channel 0 ends with 399 ticks of silence and a silent note 1 (on and off,
    velocity 0); the bass voice on channel 15 is the melody an octave lower;
  - every track ends with End of Track.
"""
import argparse
import os
import struct
import subprocess
import sys

SKIP = 77
TICKS_PER_QUARTER = 192
TEMPO = 759494

# Notes of the keys the performances here use, in the key of C (the key with offset 0):
# the A row plays the scale from middle C, and a few keys of the other rows.
SLOT_NOTES = {
    0x1E: 60, 0x1F: 62, 0x20: 64, 0x21: 65, 0x22: 67, 0x23: 69, 0x24: 71, 0x25: 72,  # A..K
    0x26: 74, 0x27: 76, 0x28: 77,                                                     # L ; '
    0x10: 43, 0x11: 45, 0x19: 59,                                                     # Q W P
    0x02: 42, 0x0B: 58, 0x0C: 78, 0x0D: 80,                                           # 1 0 - =
    0x2C: 61, 0x35: 76,                                                               # Z /
}
# Keys that do not play: none, Esc, Enter, Left Ctrl, Left Shift, and slots past the map
# (0x7F, 0xFF). The space bar is the sustain pedal.
SILENT_SLOTS = [0x00, 0x01, 0x1C, 0x1D, 0x2A, 0x7F, 0xFF]
PEDAL_SLOT = 0x39

# Semitones of each key signature; a minor key sounds with the offset of its relative major.
KEY_OFFSETS = {
    1297: 0, 1298: 2, 1299: 4, 1300: 5, 1301: 7, 1302: 9, 1303: -1, 1304: 6, 1305: 1,  # C D E F G A B #F #C
    1312: -2, 1313: 3, 1314: -4,                                                       # bB bE bA
    1315: 3, 1316: 5, 1317: 7, 1318: -4, 1319: -2, 1320: 0, 1321: 2,                   # c d e f g a b
    1328: 9, 1329: 4, 1330: -1, 1331: 6, 1332: 1,                                      # #f #c #g #d #a
}


def parse_args(description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--cli", required=True, help="velmira-cli")
    parser.add_argument("--demo", required=True, help="resources/demo/demo.qji")
    parser.add_argument("--work", required=True, help="a folder for the files made")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    return args


def skip(reason):
    """A tool is missing: skip with a message (exit 77). CI has every tool, so there the
    missing tool is a broken set-up and fails the test."""
    if os.environ.get("CI", "").lower() in ("1", "true", "yes"):
        print(f"FAIL: {reason}; CI must have it (scripts/setup installs it)")
        sys.exit(1)
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


# --- Performances ------------------------------------------------------------------------------

def key_data(slot):
    return (slot << 16) | 1


def press(delta, slot, shift=0):
    return (delta, 256, key_data(slot), shift)


def release(delta, slot, shift=0):
    return (delta, 257, key_data(slot), shift)


def scale():
    events = []
    for i, slot in enumerate([0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25]):
        events += [press(150 if i else 200, slot), release(200, slot)]
    return events


def mixed():
    """Chords, a key held while others play, auto-repeat, unplayable keys with pauses that
    carry over, a minute-long pause (a multi-byte delta), octave shifts (a key-down of each
    shift on one key, whose key-up ends them all)."""
    return [
        press(0, 0x1E), press(0, 0x20), press(0, 0x22),          # a chord at tick 0
        release(480, 0x20), release(3, 0x22),
        press(17, 0x01), release(40, 0x01),                      # Esc: skipped
        press(1, 0x25, 1), press(33, 0x25, 1), press(33, 0x25),  # auto-repeat
        release(5, 0x25, -1), release(9, 0x1E),
        press(60000, 0x39), release(120, 0x39),                  # the pedal after a long pause
        press(250, 0x10), press(10, 0x0C), release(700, 0x10), release(1, 0x0C),
        press(3, 0xFF), release(4, 0x7F),                        # past the map: skipped
        press(2000, 0x2C, -1), release(999, 0x2C, -1),
    ]


def extremes():
    """The lowest and highest keys of the map."""
    return [press(100, 0x02), press(5, 0x0D), release(300, 0x02), release(1, 0x0D),
            press(20, 0x0B), release(20, 0x0B)]


def silent():
    """Only keys that do not play: nothing sounds."""
    return [press(100, slot) for slot in SILENT_SLOTS] + [release(300, 0x01)]


def performance_bytes(events, key, bass):
    """A performance file, as the program lays it out."""
    def chunk(ident, payload):
        return ident + struct.pack("<I", len(payload)) + payload + (b"\0" if len(payload) % 2 else b"")
    info = chunk(b"LIST", b"INFO" + chunk(b"ISFT", b"QJ by Orla\0") + chunk(b"ISCD", b"2026-12-08\0"))
    fmt = chunk(b"fmt ", struct.pack("<6I", len(events), key, bass, 0, 0, 0))
    data = chunk(b"data", b"".join(struct.pack("<IIIi", *e) for e in events))
    payload = b"QJ  " + info + fmt + data
    return b"RIFF" + struct.pack("<I", len(payload)) + payload


def read_performance(path):
    """Events, key and raw bass value of a file as the program writes it (the demo)."""
    with open(path, "rb") as f:
        content = f.read()
    if content[:4] != b"RIFF" or content[8:12] != b"QJ  " or content[64:68] != b"fmt " \
            or content[96:100] != b"data":
        raise ValueError(f"{path}: not laid out as the program writes performance files")
    count, key, bass = struct.unpack_from("<3I", content, 72)
    return [struct.unpack_from("<IIIi", content, 104 + 16 * i) for i in range(count)], key, bass


# --- Expected contents -------------------------------------------------------------------------

def ticks_at(total_ms):
    return total_ms * TICKS_PER_QUARTER * 1000 // TEMPO


def expected_tracks(events, key, bass, program, notes=SLOT_NOTES):
    """The tracks as lists of (delta ticks, message) with messages
    ("tempo", us), ("program", channel, program), ("on"|"off", channel, note, velocity),
    ("pedal", channel, value), ("end",).
    notes maps a slot to its note in C; None for the demo, whose notes are not checked here
    (the note field is then the slot number). A note sounds at its key's note, transposed by
    the key, an octave up or down by its own shift; a key-up ends each note its key started."""
    offset = KEY_OFFSETS[key]
    tracks = []
    for channel, transpose in [(0, 0)] + ([(15, -12)] if bass else []):
        track = [(0, ("tempo", TEMPO)), (0, ("program", channel, program))]
        total = written = 0
        started = {}
        for delta, message, data, shift in events:
            total += delta
            slot = (data >> 16) & 0xFF
            if slot == PEDAL_SLOT:
                ticks = ticks_at(total)
                track.append((ticks - written, ("pedal", channel, 127 if message == 256 else 0)))
                written = ticks
                continue
            if notes is None:
                if slot >= 54:
                    continue
                note = ("slot", slot)
            else:
                if slot not in notes:
                    assert slot in SILENT_SLOTS, f"slot {slot:#x} is in neither table"
                    continue
                note = notes[slot] + offset + transpose + 12 * shift
            ticks = ticks_at(total)
            if message == 256:
                track.append((ticks - written, ("on", channel, note, 127)))
                if note not in started.setdefault(slot, []):
                    started[slot].append(note)
            else:
                for ended in started.pop(slot, None) or [note]:
                    track.append((ticks - written, ("off", channel, ended, 127)))
                    written = ticks
            written = ticks
        if channel == 0:
            track += [(399, ("on", 0, 1, 0)), (0, ("off", 0, 1, 0))]
        track.append((0, ("end",)))
        tracks.append(track)
    return tracks


class Export:
    def __init__(self, name, mid, events, key, bass, program, demo=False):
        self.name, self.mid, self.events = name, mid, events
        self.key, self.bass, self.program, self.demo = key, bass, program, demo
        self.tracks = expected_tracks(events, key, bass, program, None if demo else SLOT_NOTES)

    def __repr__(self):
        return f"{self.name} (key {self.key}, bass {self.bass}, program {self.program})"


def run_cli(cli, *args):
    result = subprocess.run([cli, *args], capture_output=True, timeout=120)
    if result.returncode != 0:
        raise RuntimeError(f"velmira-cli {' '.join(args)} failed ({result.returncode}): "
                           f"{result.stderr.decode('utf-8', 'replace')}")


def make_exports(args, every_key=False):
    """Writes the performances, exports them with velmira-cli and returns the exports."""
    plans = [
        ("scale", scale(), 1297, 0, None, []),
        ("scale", scale(), 1297, 1, 0, ["--bass", "1"]),
        ("mixed", mixed(), 1314, 1, 40, []),
        ("mixed", mixed(), 1298, 0, 0, ["--bass", "0", "--key", "1298"]),
        ("mixed", mixed(), 1332, 1, 127, ["--key", "1332"]),
        ("extremes", extremes(), 1314, 1, 0, []),
        ("extremes", extremes(), 1328, 1, 73, ["--key", "1328"]),
        ("bass-value-2", scale(), 1303, 2, 0, []),  # raw value 2: bass doubling is off
    ]
    if every_key:
        plans += [("scale", scale(), key, 1, 0, ["--key", str(key)]) for key in KEY_OFFSETS]
    exports = []
    for name, events, file_key, file_bass, program, options in plans:
        qji = os.path.join(args.work, f"{name}-{file_key}-{file_bass}.qji")
        with open(qji, "wb") as f:
            f.write(performance_bytes(events, file_key, file_bass))
        key = int(options[options.index("--key") + 1]) if "--key" in options else file_key
        bass = int(options[options.index("--bass") + 1]) if "--bass" in options else int(file_bass == 1)
        prog = program or 0
        mid = os.path.join(args.work, f"{name}-k{key}-b{bass}-p{prog}.mid")
        run_cli(args.cli, "export", qji, mid, *options, *(["--program", str(program)] if program is not None else []))
        exports.append(Export(name, mid, events, key, bass, prog))
    demo_events, demo_key, demo_bass = read_performance(args.demo)
    for bass in (0, 1):
        mid = os.path.join(args.work, f"demo-b{bass}.mid")
        run_cli(args.cli, "export", args.demo, mid, "--bass", str(bass), "--program", "0")
        exports.append(Export("demo", mid, demo_events, demo_key, bass, 0, demo=True))
    return exports


def resolve_demo_notes(expected, actual, problems, export):
    """The demo's notes are not tabled here: each key's note is taken from the export's melody
    track, where the same key must always give the same note (0..127); the bass track must then
    be that note an octave lower. Returns the expected tracks with the notes filled in."""
    notes = {}
    if actual:
        for (_, want), (_, got) in zip(expected[0], actual[0]):
            if want[0] in ("on", "off") and isinstance(want[2], tuple) and got[:2] == want[:2]:
                slot = want[2][1]
                if notes.setdefault(slot, got[2]) != got[2] or not 0 <= got[2] <= 127:
                    problems.append(f"{export}: key slot {slot:#x} gives note {got[2]} and {notes[slot]}")
                    return expected
    resolved = []
    for track in expected:
        out = []
        for delta, message in track:
            if message[0] in ("on", "off") and isinstance(message[2], tuple):
                note = notes.get(message[2][1], -1000)
                message = (message[0], message[1], note - (12 if message[1] == 15 else 0), message[3])
            out.append((delta, message))
        resolved.append(out)
    return resolved


def compare_tracks(export, actual, problems):
    """Compares decoded tracks, lists of (delta, message), with the expected ones."""
    expected = export.tracks
    if export.demo:
        expected = resolve_demo_notes(expected, actual, problems, export)
    if len(actual) != len(expected):
        problems.append(f"{export}: {len(actual)} tracks, expected {len(expected)}")
        return
    for index, (got, want) in enumerate(zip(actual, expected)):
        if len(got) != len(want):
            problems.append(f"{export}: track {index} has {len(got)} events, expected {len(want)}")
        for n, (g, w) in enumerate(zip(got, want)):
            if g != w:
                problems.append(f"{export}: track {index} event {n}: {g}, expected {w}")
                break


def finish(name, checked, problems):
    for problem in problems:
        print(f"FAIL: {problem}")
    print(f"{name}: {checked} exports checked, {len(problems)} problem(s)")
    sys.exit(1 if problems else 0)
