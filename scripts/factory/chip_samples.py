# SPDX-License-Identifier: GPL-3.0-or-later
"""The sample kit's sounds, synthesised here: drums and game effects as
22050 Hz 16-bit mono WAV files, which the presets import reduced to 8 bits
(the import kind labelled DPCM) or through the 4-bit ADPCM coder, as a sound
chip's sample channel would play them.

Every sound is a sum of a few plain parts (sine or square sweeps, noise
through a one-pole filter, exponential decays), from a fixed random seed, so
the files are the same on every run.
"""

import math
import random
import struct

RATE = 22050
PEAK = 0.89  # -1 dBFS: the reduction to 8 or 4 bits keeps some headroom


class Sound:
    def __init__(self, slot, file, kind, make):
        self.slot, self.file, self.kind, self.make = slot, file, kind, make


def _frames(seconds):
    return int(seconds * RATE)


def _sweep(start_hz, end_hz, seconds, shape=math.sin, curve=8.0):
    """A tone whose pitch falls (or rises) exponentially from start to end."""
    out, phase = [], 0.0
    n = _frames(seconds)
    for i in range(n):
        t = i / n
        f = end_hz + (start_hz - end_hz) * math.exp(-curve * t) if start_hz > end_hz else \
            start_hz * (end_hz / start_hz) ** t
        phase += f / RATE
        out.append(shape(2 * math.pi * phase))
    return out


def _square(x):
    return 1.0 if math.sin(x) >= 0 else -1.0


def _decay(signal, seconds_to_60db, attack=0.0):
    k = math.log(1000.0) / (seconds_to_60db * RATE)
    a = max(1, int(attack * RATE))
    return [s * math.exp(-k * i) * min(1.0, i / a) for i, s in enumerate(signal)]


def _noise(seconds, seed, brightness=1.0):
    """White noise through a one-pole low-pass (brightness 1 = none) or, when
    negative, the difference of successive values (a high-pass)."""
    rng = random.Random(seed)
    out, last, prev = [], 0.0, 0.0
    for _ in range(_frames(seconds)):
        x = rng.uniform(-1, 1)
        if brightness < 0:
            out.append((x - prev) / 2)
            prev = x
        else:
            last += brightness * (x - last)
            out.append(last)
    return out


def _mix(*parts):
    length = max(len(p) for _, p in parts)
    out = [0.0] * length
    for gain, p in parts:
        for i, s in enumerate(p):
            out[i] += gain * s
    return out


def _normalised(signal):
    peak = max(abs(s) for s in signal) or 1.0
    return [s * PEAK / peak for s in signal]


def kick():
    return _mix((1.0, _decay(_sweep(160, 42, 0.45), 0.45)), (0.3, _decay(_noise(0.01, 1), 0.01)))


def kick_punch():
    return _mix((1.0, _decay(_sweep(220, 55, 0.25, curve=14), 0.25)), (0.5, _decay(_noise(0.015, 2, -1), 0.015)))


def snare():
    return _mix((0.5, _decay(_sweep(240, 180, 0.12), 0.12)), (1.0, _decay(_noise(0.3, 3, 0.6), 0.28)))


def snare_tight():
    return _mix((0.6, _decay(_sweep(330, 250, 0.08), 0.08)), (1.0, _decay(_noise(0.18, 4, -1), 0.16)))


def clap():
    bursts = [0.0] * _frames(0.35)
    noise = _noise(0.35, 5, 0.5)
    for start, length in ((0.0, 0.01), (0.012, 0.01), (0.025, 0.01), (0.037, 0.3)):
        s = _frames(start)
        env = _decay(noise[s:s + _frames(length)], max(length, 0.02) * (4 if length > 0.1 else 1))
        for i, x in enumerate(env):
            bursts[s + i] += x
    return bursts


def hat_closed():
    return _decay(_noise(0.08, 6, -1), 0.06)


def hat_open():
    return _decay(_noise(0.5, 7, -1), 0.45)


def crash():
    return _decay(_mix((1.0, _noise(1.6, 8, -1)), (0.4, _noise(1.6, 9, 0.7))), 1.3)


def ride():
    metal = [sum(_square(2 * math.pi * f * i / RATE) for f in (587, 845, 1190, 1605)) / 4 for i in range(_frames(1.2))]
    return _decay(_mix((0.5, metal), (0.6, _noise(1.2, 10, -1))), 0.95)


def tom():
    return _decay(_sweep(200, 120, 0.5, curve=5), 0.45)


def cowbell():
    tone = [0.5 * _square(2 * math.pi * 540 * i / RATE) + 0.5 * _square(2 * math.pi * 800 * i / RATE)
            for i in range(_frames(0.35))]
    return _decay(tone, 0.3)


def rim():
    return _mix((1.0, _decay(_sweep(1700, 1500, 0.04), 0.035)), (0.5, _decay(_noise(0.02, 11, -1), 0.015)))


def tambourine():
    out = _noise(0.3, 12, -1)
    return [s * math.exp(-30 * i / RATE) * (1.0 if (i // 700) % 2 == 0 else 0.4) for i, s in enumerate(out)]


def shaker():
    return _decay(_noise(0.12, 13, -1), 0.1, attack=0.02)


def conga():
    return _decay(_sweep(360, 300, 0.3, curve=10), 0.28)


def triangle(seconds):
    ring = [sum(a * math.sin(2 * math.pi * f * i / RATE) for f, a in ((1250, 1.0), (3480, 0.5), (6800, 0.3)))
            for i in range(_frames(seconds))]
    return _decay(ring, seconds)


def laser():
    return _decay(_sweep(2400, 180, 0.35, shape=_square, curve=6), 0.4)


def coin():
    first = [_square(2 * math.pi * 988 * i / RATE) for i in range(_frames(0.07))]
    second = [_square(2 * math.pi * 1319 * i / RATE) for i in range(_frames(0.45))]
    return _decay(first, 2.0) + _decay(second, 0.45)


def jump():
    return _decay(_sweep(260, 900, 0.28, shape=_square), 0.6)


def power_up():
    out = []
    for step, hz in enumerate((392, 523, 659, 784, 1047, 1319)):
        out += [_square(2 * math.pi * hz * i / RATE) * (1 - step * 0.08) for i in range(_frames(0.07))]
    return _decay(out, 1.2)


def explosion():
    return _decay(_mix((1.0, _noise(1.8, 14, 0.08)), (0.3, _noise(1.8, 15, 0.5))), 1.7)


SOUNDS = (
    Sound(0, "kick.wav", "dpcm", kick),
    Sound(1, "kick-punch.wav", "dpcm", kick_punch),
    Sound(2, "snare.wav", "dpcm", snare),
    Sound(3, "snare-tight.wav", "adpcm", snare_tight),
    Sound(4, "clap.wav", "adpcm", clap),
    Sound(5, "hat-closed.wav", "dpcm", hat_closed),
    Sound(6, "hat-open.wav", "adpcm", hat_open),
    Sound(7, "crash.wav", "adpcm", crash),
    Sound(8, "ride.wav", "adpcm", ride),
    Sound(9, "tom.wav", "dpcm", tom),
    Sound(10, "cowbell.wav", "adpcm", cowbell),
    Sound(11, "rim.wav", "dpcm", rim),
    Sound(12, "tambourine.wav", "adpcm", tambourine),
    Sound(13, "shaker.wav", "adpcm", shaker),
    Sound(14, "conga.wav", "dpcm", conga),
    Sound(15, "laser.wav", "adpcm", laser),
    Sound(16, "coin.wav", "adpcm", coin),
    Sound(17, "jump.wav", "adpcm", jump),
    Sound(18, "power-up.wav", "adpcm", power_up),
    Sound(19, "explosion.wav", "adpcm", explosion),
    Sound(20, "triangle-mute.wav", "dpcm", lambda: triangle(0.12)),
    Sound(21, "triangle-open.wav", "adpcm", lambda: triangle(1.2)),
)


def wav_bytes(signal):
    """A 16-bit mono PCM WAV file."""
    data = b"".join(struct.pack("<h", max(-32768, min(32767, round(s * 32767)))) for s in signal)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16, 1, 1, RATE, RATE * 2,
                         2, 16, b"data", len(data))
    return header + data


def files():
    """{file name: bytes} of every sound, and the slot list the presets import them by."""
    out = {s.file: wav_bytes(_normalised(s.make())) for s in SOUNDS}
    lines = ["# Sample kit: slot, import kind (dpcm = cut to 8 bits, adpcm = 4-bit ADPCM), WAV file.",
             "# Generated by scripts/factory/make_chip_bank.py; edit the script, not this file."]
    lines += ["%d %s %s" % (s.slot, s.kind, s.file) for s in SOUNDS]
    out["slots.txt"] = ("\n".join(lines) + "\n").encode("ascii")
    return out
