"""Audio: a private PulseAudio server with a null sink whose monitor parec records, and the
analysis of what was recorded (pitch, loudness, onsets)."""

import array
import math
import re
import signal
import subprocess
import time
import wave
from pathlib import Path

from harness import process
from harness.process import WAIT, HarnessError

TOOLS = ("pulseaudio", "pactl", "parec")
PACKAGES = "pulseaudio pulseaudio-utils"


class PulseAudio:
    """A PulseAudio server of its own (runtime folder folder/runtime, log folder/pulseaudio.txt)
    with one null sink (and the modules named). env is the environment given with
    XDG_RUNTIME_DIR set to runtime, for the programs that are to play on it; rate is the
    server's default sample rate."""

    def __init__(self, folder, env, sink="velmira", modules=()):
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        self.runtime = self.folder / "runtime"
        self.runtime.mkdir(mode=0o700)
        self.sink = sink
        self.modules = list(modules)
        self.env = dict(env, XDG_RUNTIME_DIR=str(self.runtime))
        self.starts = 0
        self.server = None
        try:
            self._start()
            self.rate = server_rate(self.pactl("info").stdout.decode())
        except BaseException:
            self.close()
            raise

    def _start(self):
        self.starts += 1
        log = self.folder / ("pulseaudio%s.txt" % ("" if self.starts == 1 else self.starts))
        self.server = process.start(
            ["pulseaudio", "-n", "--exit-idle-time=-1", "--daemonize=no", "--log-target=stderr",
             "--load=module-null-sink sink_name=%s" % self.sink,
             "--load=module-native-protocol-unix"]
            + ["--load=%s" % module for module in self.modules], self.env, log)

        def answers():
            if self.server.poll() is not None:
                raise HarnessError("the PulseAudio server ended: see %s" % log)
            return self.pactl("info").returncode == 0
        process.wait_until(answers, WAIT, "the PulseAudio server")

    def restart(self, away=2.0):
        """Kills the server (as a crash would), waits away seconds and starts it again."""
        process.stop(self.server, signal.SIGKILL)
        time.sleep(away)
        self._start()

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=WAIT, check=False)

    def record(self, output, channels=1, wav=False, latency_msec=None):
        """Starts parec on the sink's monitor at the server's rate: 16-bit samples, as a WAV
        file at the path output (end it with stop_recording, which finishes the file) or raw to
        output (a file object, or subprocess.PIPE). Returns the process."""
        command = ["parec", "-d", self.sink + ".monitor", "--format=s16le",
                   "--rate=%d" % self.rate, "--channels=%d" % channels]
        if latency_msec is not None:
            command.append("--latency-msec=%d" % latency_msec)
        if wav:
            return process.start(command + ["--file-format=wav", output], self.env)
        return process.start(command + ["--raw"], self.env, stdout=output)

    @staticmethod
    def stop_recording(parec):
        process.stop(parec, signal.SIGINT)

    def close(self):
        if self.server is not None:
            process.stop(self.server)


def server_rate(pactl_info):
    """The audio server's default sample rate, from what `pactl info` prints ("... 44100Hz")."""
    found = re.search(r"^Default Sample \w+: .* (\d+)Hz$", pactl_info, re.M)
    if not found:
        raise HarnessError("no default sample rate in pactl info:\n%s" % pactl_info)
    return int(found.group(1))


# --------------------------------------------------------------------------------------------
# What was recorded


def read_raw_mono(path):
    """Raw 16-bit mono samples (as parec --raw writes them) as floats in -1..1."""
    data = array.array("h")
    raw = Path(path).read_bytes()
    data.frombytes(raw[:len(raw) // 2 * 2])
    return [v / 32768.0 for v in data]


def read_wav_mono(path):
    """A 16-bit WAV as (samples of its first channel, rate)."""
    with wave.open(str(path)) as w:
        if w.getsampwidth() != 2:
            raise AssertionError("%s: %d-byte samples, not 16-bit" % (path, w.getsampwidth()))
        frames = w.readframes(w.getnframes())
        channels, rate = w.getnchannels(), w.getframerate()
    data = array.array("h")
    data.frombytes(frames)
    return list(data[::channels]), rate


def pitch(samples, rate):
    """The fundamental frequency by normalized autocorrelation, for 60..1200 Hz: of the lags
    whose correlation comes near the best one's, the smallest (a multiple of the period
    correlates as well as the period itself)."""
    mean = sum(samples) / len(samples)
    x = [s - mean for s in samples]
    n = len(x) // 2
    head = x[:n]
    head_energy = sum(v * v for v in head)
    scores = {}
    for lag in range(rate // 1200, rate // 60 + 2):
        tail = x[lag:lag + n]
        energy = math.sqrt(head_energy * sum(v * v for v in tail)) or 1.0
        scores[lag] = sum(a * b for a, b in zip(head, tail)) / energy
    best = max(scores.values())
    lags = sorted(scores)
    peaks = [lag for lag in lags[1:-1] if scores[lag] >= 0.9 * best
             and scores[lag] >= scores[lag - 1] and scores[lag] >= scores[lag + 1]]
    lag = peaks[0]
    a, b, c = scores[lag - 1], scores[lag], scores[lag + 1]
    shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c else 0.0
    return rate / (lag + shift)


def rms(samples):
    return math.sqrt(sum(v * v for v in samples) / len(samples)) if samples else 0.0


def first_onset(samples, rate, threshold):
    """The index where the sound first rises above threshold (5 ms windows), or None."""
    step = rate // 200
    for start in range(0, len(samples) - step, step):
        if max(abs(v) for v in samples[start:start + step]) > threshold:
            return start
    return None


def note_frequency(note):
    return 440.0 * 2 ** ((note - 69) / 12)
