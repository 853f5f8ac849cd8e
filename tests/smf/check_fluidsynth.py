#!/usr/bin/env python3
"""Exported Standard MIDI Files rendered by FluidSynth with the General MIDI SoundFont
(Debian's fluidsynth and fluid-soundfont-gm). FluidSynth exits 0 even when it cannot parse a
file, so its standard error must stay clean; the audio must not be silent and must last at
least as long as the performance. Controls show that the checks can fail: a cut-off copy makes
FluidSynth report an error, and an export of keys that do not play renders silence."""
import array
import math
import os
import shutil
import subprocess
import sys
import wave

import smf_common

SOUNDFONTS = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2"]
RATE = 22050
SOUNDING_RMS = 0.001   # of full scale; the exports here measure 0.004 and more
SILENT_RMS = 0.0001


def render(fluidsynth, soundfont, mid):
    wav = mid[:-4] + ".wav"
    if os.path.exists(wav):
        os.remove(wav)
    result = subprocess.run([fluidsynth, "-ni", "-r", str(RATE), "-F", wav, soundfont, mid],
                            capture_output=True, timeout=300, stdin=subprocess.DEVNULL)
    errors = [line for line in result.stderr.decode("utf-8", "replace").splitlines()
              if "error" in line.lower() or "warning" in line.lower()]
    return result.returncode, errors, wav


def measure(wav):
    """RMS (of full scale) and length in seconds of a 16-bit WAV file."""
    with wave.open(wav, "rb") as w:
        if w.getsampwidth() != 2:
            raise ValueError(f"{wav}: {8 * w.getsampwidth()}-bit samples")
        frames = w.getnframes()
        samples = array.array("h", w.readframes(frames))
        seconds = frames / w.getframerate()
    if sys.byteorder == "big":
        samples.byteswap()
    if not samples:
        return 0.0, seconds
    total = sum(s * s for s in samples)
    return math.sqrt(total / len(samples)) / 32768.0, seconds


def main():
    args = smf_common.parse_args(__doc__)
    fluidsynth = shutil.which("fluidsynth")
    if fluidsynth is None:
        smf_common.skip("fluidsynth is missing (Debian: apt-get install fluidsynth)")
    soundfont = next((s for s in SOUNDFONTS if os.path.exists(s)), None)
    if soundfont is None:
        smf_common.skip("no General MIDI SoundFont (Debian: apt-get install fluid-soundfont-gm)")

    exports = [e for e in smf_common.make_exports(args)
               if e.name in ("demo", "mixed") or (e.name == "scale" and e.bass)]
    problems = []
    for export in exports:
        status, errors, wav = render(fluidsynth, soundfont, export.mid)
        if status != 0 or errors:
            problems.append(f"{export}: FluidSynth exit {status}, stderr: {errors}")
            continue
        rms, seconds = measure(wav)
        ticks = sum(delta for delta, _ in export.tracks[0])
        expected = ticks * smf_common.TEMPO / smf_common.TICKS_PER_QUARTER / 1e6
        print(f"{export}: RMS {rms:.4f}, {seconds:.2f} s rendered, performance {expected:.2f} s")
        if rms < SOUNDING_RMS:
            problems.append(f"{export}: silent (RMS {rms:.6f})")
        if seconds < expected:
            problems.append(f"{export}: rendered {seconds:.2f} s, the performance lasts {expected:.2f} s")

    # Control: a damaged copy (the last track cut short) is reported.
    with open(exports[0].mid, "rb") as f:
        data = f.read()
    damaged = os.path.join(args.work, "damaged.mid")
    with open(damaged, "wb") as f:
        f.write(data[:-10])
    status, errors, _ = render(fluidsynth, soundfont, damaged)
    if not errors:
        problems.append("FluidSynth reported nothing for a damaged file: its stderr check is blind")

    # Control: keys that do not play render silence.
    qji = os.path.join(args.work, "silent.qji")
    with open(qji, "wb") as f:
        f.write(smf_common.performance_bytes(smf_common.silent(), 1297, 1))
    mid = os.path.join(args.work, "silent.mid")
    smf_common.run_cli(args.cli, "export", qji, mid)
    status, errors, wav = render(fluidsynth, soundfont, mid)
    rms, _ = measure(wav) if status == 0 and not errors else (1.0, 0)
    if rms > SILENT_RMS:
        problems.append(f"the export of unplayable keys is not silent (RMS {rms:.6f}, {errors})")

    smf_common.finish("smf_fluidsynth", len(exports), problems)


if __name__ == "__main__":
    sys.exit(main())
