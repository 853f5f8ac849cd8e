#!/usr/bin/env python3
"""Exported Standard MIDI Files read with mido (Debian's python3-mido): type, ticks per beat,
the tracks' exact messages (tempo 759494, program, notes and channels, the sustain pedal's
control changes, End of Track) and the length in seconds. A damaged copy must make mido fail
or read differently."""
import struct
import sys

import smf_common

try:
    import mido
except ImportError:
    smf_common.skip("the Python module mido is missing (Debian: apt-get install python3-mido)")


def decode(message):
    if message.type == "set_tempo":
        return ("tempo", message.tempo)
    if message.type == "program_change":
        return ("program", message.channel, message.program)
    if message.type == "note_on":
        return ("on", message.channel, message.note, message.velocity)
    if message.type == "note_off":
        return ("off", message.channel, message.note, message.velocity)
    if message.type == "control_change" and message.control == 64:
        return ("pedal", message.channel, message.value)
    if message.type == "end_of_track":
        return ("end",)
    return ("other", str(message))


def read(path):
    midi = mido.MidiFile(path)
    return midi, [[(m.time, decode(m)) for m in track] for track in midi.tracks]


def main():
    args = smf_common.parse_args(__doc__)
    exports = smf_common.make_exports(args)
    problems = []

    for export in exports:
        try:
            midi, tracks = read(export.mid)
        except Exception as e:  # mido raises several kinds on a bad file
            problems.append(f"{export}: mido cannot read it: {e!r}")
            continue
        if midi.type != export.bass or midi.ticks_per_beat != smf_common.TICKS_PER_QUARTER:
            problems.append(f"{export}: type {midi.type}, {midi.ticks_per_beat} ticks per beat")
        smf_common.compare_tracks(export, tracks, problems)
        # The length in seconds follows from the melody's ticks and the tempo.
        ticks = sum(delta for delta, _ in export.tracks[0])
        seconds = ticks * smf_common.TEMPO / smf_common.TICKS_PER_QUARTER / 1e6
        if abs(midi.length - seconds) > 1e-6:
            problems.append(f"{export}: {midi.length} s long, expected {seconds}")

    # The check itself: a copy whose first track is one byte short must not read the same.
    with open(exports[1].mid, "rb") as f:
        data = f.read()
    length = struct.unpack_from(">I", data, 18)[0]
    damaged = f"{args.work}/damaged.mid"
    with open(damaged, "wb") as f:
        f.write(data[:18] + struct.pack(">I", length - 1) + data[22:])
    try:
        _, tracks = read(damaged)
        if tracks == read(exports[1].mid)[1]:
            problems.append("mido reads a damaged copy the same as the export")
    except Exception:
        pass

    smf_common.finish("smf_mido", len(exports), problems)


if __name__ == "__main__":
    sys.exit(main())
