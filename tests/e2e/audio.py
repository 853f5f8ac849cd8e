"""Audio measured in captured sound, for the tests of the Linux program's synthesizer."""
import array
import math
import re
import wave


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


def first_onset(samples, rate, threshold):
    """The index where the sound first rises above threshold (5 ms windows), or None."""
    step = rate // 200
    for start in range(0, len(samples) - step, step):
        if max(abs(v) for v in samples[start:start + step]) > threshold:
            return start
    return None


def note_frequency(note):
    return 440.0 * 2 ** ((note - 69) / 12)


def server_rate(pactl_info):
    """The audio server's default sample rate, from what `pactl info` prints ("... 44100Hz")."""
    return int(re.search(r"^Default Sample \w+: .* (\d+)Hz$", pactl_info, re.M).group(1))
