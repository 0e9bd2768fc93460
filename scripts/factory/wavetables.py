# SPDX-License-Identifier: GPL-3.0-or-later
"""The 128 factory wavetables, designed for a table size of 32 entries.

Each table is a name, a bit depth (1-8) and 32 unsigned values at that depth
(2^(depth-1) is the zero line). The engine plays only the first tableSize
entries and holds each entry without interpolation, so at size 32 a table can
carry harmonics up to the 15th; the stepping itself is part of the sound.
"""

import cmath
import math
import random

TABLE_SIZE = 32


# ---- shapes as floats in -1..+1, one period over TABLE_SIZE points ----

def _phase(i):
    return i / TABLE_SIZE


def sine(harmonic=1):
    return [math.sin(2 * math.pi * harmonic * _phase(i)) for i in range(TABLE_SIZE)]


def triangle(skew=0.5):
    """Rises from -1 to +1 over `skew` of the period, falls back over the rest."""
    out = []
    for i in range(TABLE_SIZE):
        p = (_phase(i) + skew / 2) % 1.0  # start at the zero crossing
        out.append(-1 + 2 * p / skew if p < skew else 1 - 2 * (p - skew) / (1 - skew))
    return out


def saw():
    return [1 - 2 * ((i + 0.5) / TABLE_SIZE) for i in range(TABLE_SIZE)]


def pulse(duty):
    """High for `duty` of the period; the steps fall on whole entries."""
    high = round(duty * TABLE_SIZE)
    return [1.0 if i < high else -1.0 for i in range(TABLE_SIZE)]


def additive(partials, phases=None):
    """Sum of sine partials {harmonic: amplitude}; optional {harmonic: phase in turns}."""
    phases = phases or {}
    out = [0.0] * TABLE_SIZE
    for h, a in partials.items():
        ph = phases.get(h, 0.0)
        for i in range(TABLE_SIZE):
            out[i] += a * math.sin(2 * math.pi * (h * _phase(i) + ph))
    return out


def series(count, slope, pick=None, odd_only=False):
    """Harmonics 1..count with amplitude 1/n^slope, shaped by pick(n) if given."""
    partials = {}
    for n in range(1, count + 1):
        if odd_only and n % 2 == 0:
            continue
        a = 1.0 / n ** slope
        if pick:
            a *= pick(n)
        partials[n] = a
    return partials


def formant(centres, f0=220.0, count=15, width=0.55):
    """Harmonics weighted by resonances {centre Hz: gain}, as a voice at f0 would
    place them; a fixed table keeps the formants fixed to the note, which is enough
    to read as a vowel over an octave or two around f0."""
    partials = {}
    for n in range(1, count + 1):
        f = n * f0
        level = 0.0
        for centre, gain in centres.items():
            d = math.log2(f / centre) / width
            level += gain * math.exp(-d * d)
        partials[n] = level + 0.04 / n
    return partials


def plucked(position, slope, count=15):
    """String plucked at `position` of its length: comb nulls at multiples of 1/position."""
    return series(count, slope, pick=lambda n: abs(math.sin(math.pi * n * position)) + 0.05)


def clipped(shape, drive):
    return [math.tanh(drive * x) for x in shape]


def stairs(shape, steps):
    return [round((x + 1) / 2 * (steps - 1)) / (steps - 1) * 2 - 1 for x in shape]


def seeded_noise(seed):
    rng = random.Random(seed)
    return [rng.uniform(-1, 1) for _ in range(TABLE_SIZE)]


def lfsr_pattern(seed, taps=0x6000):
    """32 successive bits of the engine's own 15-bit noise register: a looped
    'short noise' table as sound chips offer it."""
    reg = seed
    out = []
    for _ in range(TABLE_SIZE):
        bit = reg & 1
        reg = (reg >> 1) ^ (taps if bit else 0)
        out.append(1.0 if reg & 1 else -1.0)
    return out


def chirp():
    return [math.sin(2 * math.pi * (_phase(i) + 1.5 * _phase(i) ** 2)) for i in range(TABLE_SIZE)]


def sync_saw(ratio):
    return [1 - 2 * ((ratio * _phase(i)) % 1.0) for i in range(TABLE_SIZE)]


def ring_mod(a, b):
    return [math.sin(2 * math.pi * a * _phase(i)) * math.sin(2 * math.pi * b * _phase(i)) for i in range(TABLE_SIZE)]


def fold(shape, gain):
    return [math.sin(math.pi / 2 * gain * x) for x in shape]


def normalise(shape):
    """Removes the mean and scales the peak to 1, so every table uses full scale."""
    mean = sum(shape) / len(shape)
    centred = [x - mean for x in shape]
    peak = max(abs(x) for x in centred) or 1.0
    return [x / peak for x in centred]


def quantise(shape, depth):
    """Floats to unsigned values at `depth` bits, symmetric about the zero line.
    At one bit the only levels are -1 (value 0) and silence (value 1)."""
    if depth == 1:
        return [0 if x < 0 else 1 for x in shape]
    half = 1 << (depth - 1)
    return [max(0, min(2 * half - 1, half + round(x * (half - 1)))) for x in shape]


# ---- the bank ----

class Table:
    def __init__(self, name, depth, values):
        assert 1 <= depth <= 8 and len(values) == TABLE_SIZE
        assert all(0 <= v < (1 << depth) for v in values)
        self.name, self.depth, self.values = name, depth, values

    def amplitudes(self):
        """The samples the engine plays, in -1..+1 (8-bit wave value (v << (8-depth)) & 0xFF)."""
        return [(((v << (8 - self.depth)) & 0xFF) - 128) / 128 for v in self.values]

    def rms_db(self):
        """Level of the audible part (mean removed): what loudness balancing uses."""
        amps = self.amplitudes()
        mean = sum(amps) / len(amps)
        rms = math.sqrt(sum((a - mean) ** 2 for a in amps) / len(amps))
        return 20 * math.log10(max(rms, 1e-6))

    def loudness_db(self, f0=261.63, weight=0.5):
        """Level as heard at middle C: each harmonic of the held steps (the table's
        own harmonics and their images around multiples of 32 x f0, falling off as
        the hold's sinc) weighted by half the A-curve, since a bright table sounds
        louder than a dull one of the same RMS."""
        harmonics = _harmonic_amplitudes(self.amplitudes())
        power = 0.0
        for n in range(1, int(20000 / f0)):
            k = n % TABLE_SIZE
            if k == 0:
                continue
            x = math.pi * n / TABLE_SIZE
            amp = harmonics[k] * abs(math.sin(x) / x)
            power += amp * amp / 2 * 10 ** (weight * _a_weight_db(n * f0) / 10)
        return 10 * math.log10(max(power, 1e-12))


def _a_weight_db(f):
    f2 = f * f
    ra = (12194.0 ** 2 * f2 * f2) / ((f2 + 20.6 ** 2) * math.sqrt((f2 + 107.7 ** 2) * (f2 + 737.9 ** 2))
                                     * (f2 + 12194.0 ** 2))
    return 20 * math.log10(ra) + 2.0


def _harmonic_amplitudes(amps):
    n = len(amps)
    return [2 * abs(sum(a * cmath.exp(-2j * math.pi * k * i / n) for i, a in enumerate(amps))) / n
            for k in range(n)]


def _shape(name, depth, shape):
    return Table(name, depth, quantise(normalise(shape), depth))


def _raw(name, depth, values):
    return Table(name, depth, list(values))


def _nes_triangle():
    # The classic 32-step 4-bit triangle: 15 down to 0, then 0 up to 15.
    return list(range(15, -1, -1)) + list(range(0, 16))


def build_tables():
    t = []
    add = t.append
    # 0-15: the basic shapes at several depths.
    add(_shape("sine", 8, sine()))
    add(_shape("sine 6-bit", 6, sine()))
    add(_shape("sine 5-bit", 5, sine()))
    add(_shape("sine 4-bit", 4, sine()))
    add(_raw("triangle NES 4-bit", 4, _nes_triangle()))
    add(_shape("triangle", 8, triangle()))
    add(_shape("triangle 6-bit", 6, triangle()))
    add(_shape("triangle 3-bit", 3, triangle()))
    add(_shape("saw", 8, saw()))
    add(_shape("saw 6-bit", 6, saw()))
    add(_shape("saw 5-bit", 5, saw()))
    add(_shape("saw 4-bit", 4, saw()))
    add(_shape("saw 3-bit", 3, saw()))
    add(_shape("ramp up", 8, [-x for x in saw()]))
    add(_shape("square", 8, pulse(0.5)))
    add(_shape("sine octave", 8, sine(2)))
    # 16-35: pulses of several duty cycles and depths.
    for duty, label in ((0.5, "50%"), (0.25, "25%"), (0.125, "12.5%"), (0.375, "37.5%"), (0.0625, "6.25%")):
        add(_shape("pulse " + label + " 4-bit", 4, pulse(duty)))
    for duty, label in ((0.5, "50%"), (0.25, "25%"), (0.125, "12.5%")):
        add(_shape("pulse " + label + " 1-bit", 1, pulse(1 - duty)))  # the short part at -1
    for duty, label in ((0.5, "50%"), (0.25, "25%")):
        add(_shape("pulse " + label + " 2-bit", 2, pulse(duty)))
    for duty, label in ((0.5, "50%"), (0.25, "25%"), (0.125, "12.5%")):
        add(_shape("pulse " + label + " 3-bit", 3, pulse(duty)))
    for duty, label in ((0.5, "50%"), (0.25, "25%"), (0.125, "12.5%")):
        add(_shape("pulse " + label, 8, pulse(duty)))
    add(_shape("soft square", 8, additive(series(7, 1.0, odd_only=True))))
    add(_shape("soft pulse 25%", 8, additive(series(9, 1.0, pick=lambda n: abs(math.sin(math.pi * n / 4))))))
    add(_shape("pulse 18.75% 4-bit", 4, pulse(0.1875)))
    add(_shape("pulse 43.75% 5-bit", 5, pulse(0.4375)))
    # 36-47: saw and triangle variants.
    add(_shape("soft saw", 8, additive(series(8, 1.0))))
    add(_shape("bright saw 6-bit", 6, additive(series(15, 0.8))))
    add(_shape("skewed triangle", 8, triangle(0.8)))
    add(_shape("skewed triangle 5-bit", 5, triangle(0.25)))
    add(_shape("saw + octave", 8, [a + 0.6 * b for a, b in zip(saw(), sync_saw(2))]))
    add(_shape("saw + sub", 8, [0.8 * s + 0.6 * b for s, b in zip(sine(), sync_saw(2))]))
    add(_shape("fifths", 8, additive({2: 1.0, 3: 0.8, 4: 0.35, 6: 0.3, 8: 0.12, 9: 0.15})))
    add(_shape("double saw 6-bit", 6, sync_saw(2)))
    add(_shape("saw-pulse 6-bit", 6, [a + b for a, b in zip(saw(), pulse(0.25))]))
    add(_shape("clipped triangle 6-bit", 6, clipped(triangle(), 2.5)))
    add(_shape("folded triangle 6-bit", 6, fold(triangle(), 2.2)))
    add(_shape("triangle + 2nd", 8, [a + 0.5 * b for a, b in zip(triangle(), sine(2))]))
    # 48-63: stepped and hollow shapes.
    add(_shape("saw 4 steps", 8, stairs(saw(), 4)))
    add(_shape("saw 8 steps", 8, stairs(saw(), 8)))
    add(_shape("pyramid steps", 8, stairs(triangle(), 5)))
    add(_shape("half sine", 8, [max(0.0, x) for x in sine()]))
    add(_shape("camel", 8, [abs(x) ** 0.5 * (1 if x >= 0 else -1) * abs(math.sin(math.pi * 2 * i / TABLE_SIZE))
                             for i, x in enumerate(sine())]))
    add(_shape("hollow square", 8, [p * (0.0 if i % 16 in (6, 7, 8, 9) else 1.0)
                                    for i, p in enumerate(pulse(0.5))]))
    add(_shape("notched sine", 8, [x if abs(x) < 0.85 else 0.3 * x for x in sine()]))
    add(_shape("clipped sine 6-bit", 6, clipped(sine(), 3.0)))
    add(_shape("folded sine", 8, fold(sine(), 2.5)))
    add(_shape("sine + 3rd", 8, additive({1: 1.0, 3: 0.45})))
    add(_shape("sine + 2nd", 8, additive({1: 1.0, 2: 0.4})))
    add(_shape("sine + 4th", 8, additive({1: 1.0, 4: 0.35})))
    add(_shape("sine + 5th", 8, additive({1: 1.0, 5: 0.3})))
    add(_shape("sine 2-bit", 2, sine()))
    add(_shape("triangle 2-bit", 2, triangle()))
    add(_shape("three-level square", 8, stairs(additive({1: 1.0, 3: 0.3}), 3)))
    # 64-71: organs, reeds and free reeds.
    add(_shape("organ jazz", 8, additive({1: 1.0, 2: 0.8, 3: 0.9, 4: 0.25})))
    add(_shape("organ full", 8, additive({1: 1.0, 2: 0.9, 3: 0.8, 4: 0.7, 5: 0.4, 6: 0.5, 8: 0.5},
                                         {2: 0.1, 3: 0.3, 4: 0.55, 5: 0.7, 6: 0.2, 8: 0.9})))
    add(_shape("organ rock 6-bit", 6, additive({1: 1.0, 2: 1.0, 4: 0.7, 8: 0.6}, {2: 0.25, 4: 0.6, 8: 0.1})))
    add(_shape("organ church", 8, additive({1: 1.0, 2: 0.6, 3: 0.25, 4: 0.4, 6: 0.1, 8: 0.15},
                                           {2: 0.3, 4: 0.15})))
    add(_shape("reed organ", 8, additive({1: 1.0, 2: 0.3, 3: 0.6, 4: 0.2, 5: 0.45, 7: 0.3, 9: 0.15})))
    add(_shape("accordion", 8, additive(series(12, 0.7, pick=lambda n: 1.4 if n in (3, 4, 5) else 1.0))))
    add(_shape("harmonica", 8, additive({1: 0.8, 2: 1.0, 3: 0.8, 4: 0.5, 5: 0.35, 6: 0.2, 7: 0.15})))
    add(_shape("organ percussive", 8, additive({1: 1.0, 3: 0.7, 4: 0.5, 2: 0.4})))
    # 72-81: voices (fixed formants).
    add(_shape("vowel aah", 8, additive(formant({730: 1.0, 1090: 0.6, 2440: 0.25}))))
    add(_shape("vowel ooh", 8, additive(formant({300: 1.0, 870: 0.35, 2240: 0.08}))))
    add(_shape("vowel eeh", 8, additive(formant({270: 0.8, 2290: 0.6, 3010: 0.3}))))
    add(_shape("vowel oh", 8, additive(formant({570: 1.0, 840: 0.55, 2410: 0.12}))))
    add(_shape("vowel eh", 8, additive(formant({530: 1.0, 1840: 0.5, 2480: 0.25}))))
    add(_shape("vowel aah 6-bit", 6, additive(formant({730: 1.0, 1090: 0.6, 2440: 0.25}))))
    add(_shape("vowel ooh 5-bit", 5, additive(formant({300: 1.0, 870: 0.35, 2240: 0.08}))))
    add(_shape("choir", 8, additive(formant({650: 1.0, 1000: 0.5, 2500: 0.15}, f0=180.0))))
    add(_shape("synth voice 6-bit", 6, additive(formant({400: 1.0, 2000: 0.55, 2800: 0.3}))))
    add(_shape("nasal", 8, additive({1: 0.6, 2: 0.3, 6: 0.7, 7: 1.0, 8: 0.7, 9: 0.3})))
    # 82-95: bells, metal and mallets (sparse high partials read as inharmonic).
    add(_shape("tubular bell", 8, additive({1: 1.0, 3: 0.6, 5: 0.45, 7: 0.2, 11: 0.3, 13: 0.15},
                                           {3: 0.2, 5: 0.6, 7: 0.1, 11: 0.4, 13: 0.8})))
    add(_shape("glockenspiel", 8, additive({1: 1.0, 4: 0.5, 7: 0.35, 11: 0.25}, {4: 0.3, 7: 0.7, 11: 0.1})))
    add(_shape("music box", 8, additive({1: 1.0, 5: 0.3, 9: 0.25, 14: 0.2}, {5: 0.5, 9: 0.2, 14: 0.7})))
    add(_shape("celesta", 8, additive({1: 1.0, 2: 0.3, 8: 0.2}, {8: 0.25})))
    add(_shape("tine", 8, additive({1: 1.0, 2: 0.15, 7: 0.1, 10: 0.08}, {7: 0.3, 10: 0.6})))
    add(_shape("fm piano", 8, additive({1: 1.0, 2: 0.4, 5: 0.3, 9: 0.2}, {2: 0.2, 5: 0.5, 9: 0.8})))
    add(_shape("metal", 8, additive({1: 0.3, 2: 0.6, 3: 0.8, 5: 0.7, 7: 0.6, 11: 0.5, 13: 0.5},
                                    {2: 0.1, 3: 0.4, 5: 0.7, 7: 0.2, 11: 0.9, 13: 0.5})))
    add(_shape("metal 4-bit", 4, additive({1: 0.3, 2: 0.6, 3: 0.8, 5: 0.7, 7: 0.6, 11: 0.5, 13: 0.5},
                                          {2: 0.1, 3: 0.4, 5: 0.7, 7: 0.2, 11: 0.9, 13: 0.5})))
    add(_shape("ring 1x7", 8, ring_mod(1, 7)))
    add(_shape("cowbell", 8, additive({2: 1.0, 3: 0.9, 5: 0.3, 7: 0.15}, {3: 0.25})))
    add(_shape("steel drum", 8, additive({1: 1.0, 2: 0.6, 3: 0.2, 4: 0.4, 6: 0.2}, {2: 0.3, 4: 0.6})))
    add(_shape("xylophone", 8, additive({1: 1.0, 3: 0.15, 6: 0.3, 10: 0.1}, {6: 0.4})))
    add(_shape("kalimba", 8, additive({1: 1.0, 6: 0.3, 13: 0.15}, {6: 0.2, 13: 0.5})))
    add(_shape("marimba", 8, additive({1: 1.0, 4: 0.3, 10: 0.1})))
    # 96-119: instrument spectra.
    add(_shape("piano", 8, additive(series(12, 1.6, pick=lambda n: 1.0 + 0.3 * (n == 2)))))
    add(_shape("bright piano", 8, additive(series(14, 1.1))))
    add(_shape("electric grand", 8, additive(series(10, 1.3, pick=lambda n: 1.3 if n in (2, 4) else 1.0))))
    add(_shape("harpsichord", 8, additive(plucked(0.12, 0.6))))
    add(_shape("clavinet", 8, additive(plucked(0.2, 0.8))))
    add(_shape("nylon guitar", 8, additive(plucked(0.2, 1.8))))
    add(_shape("steel guitar", 8, additive(plucked(1 / 7, 1.2))))
    add(_shape("jazz guitar", 8, additive(plucked(0.3, 2.0))))
    add(_shape("clean guitar", 8, additive(plucked(0.15, 1.4))))
    add(_shape("overdrive 6-bit", 6, clipped(additive(series(8, 1.0)), 3.0)))
    add(_shape("distortion 5-bit", 5, clipped(additive(series(6, 0.8)), 6.0)))
    add(_shape("finger bass", 8, additive({1: 1.0, 2: 0.5, 3: 0.25, 4: 0.1})))
    add(_shape("pick bass", 8, additive(series(10, 1.3))))
    add(_shape("slap bass", 8, additive({1: 1.0, 2: 0.6, 3: 0.2, 5: 0.3, 8: 0.25, 12: 0.15})))
    add(_shape("strings", 8, additive(series(12, 1.0, pick=lambda n: 1.0 / (1 + (n / 10) ** 2)))))
    add(_shape("solo string", 8, additive(series(14, 0.9, pick=lambda n: 1.3 if n in (3, 4, 8, 9) else 1.0))))
    add(_shape("brass", 8, additive({1: 0.7, 2: 0.9, 3: 1.0, 4: 0.9, 5: 0.7, 6: 0.5, 7: 0.35, 8: 0.25, 9: 0.15})))
    add(_shape("dark brass", 8, additive({1: 1.0, 2: 0.8, 3: 0.55, 4: 0.35, 5: 0.2, 6: 0.1})))
    add(_shape("horn", 8, additive({1: 1.0, 2: 0.7, 3: 0.3, 4: 0.12})))
    add(_shape("sax", 8, additive({1: 1.0, 2: 0.5, 3: 0.4, 4: 0.55, 5: 0.6, 6: 0.45, 7: 0.3, 8: 0.2})))
    add(_shape("oboe", 8, additive({1: 0.5, 2: 0.7, 3: 1.0, 4: 0.9, 5: 0.6, 6: 0.4, 7: 0.2})))
    add(_shape("clarinet", 8, additive(series(9, 1.0, odd_only=True))))
    add(_shape("flute", 8, additive({1: 1.0, 2: 0.2, 3: 0.1})))
    add(_shape("sitar", 8, additive(series(15, 0.5, pick=lambda n: 1.5 if n % 3 == 0 else 1.0))))
    # 120-127: noise-like and effect tables.
    add(_shape("noise table", 8, seeded_noise(7)))
    add(_shape("noise table 4-bit", 4, seeded_noise(11)))
    add(_shape("noise table 1-bit", 1, [x for x in seeded_noise(23)]))
    add(_shape("short noise loop", 1, lfsr_pattern(0x2C5)))
    add(_shape("chirp", 8, chirp()))
    add(_shape("sync saw", 8, sync_saw(2.5)))
    add(_shape("sine-pulse 6-bit", 6, [s * (1.0 if p > 0 else 0.3) for s, p in zip(sine(3), pulse(0.5))]))
    add(_shape("spike", 8, [1.0 if i == 0 else (-1.0 if i == 1 else 0.0) for i in range(TABLE_SIZE)]))
    assert len(t) == 128, len(t)
    return t


TABLES = build_tables()
INDEX = {table.name: i for i, table in enumerate(TABLES)}
assert len(INDEX) == len(TABLES), "table names must be unique"


def wave(name):
    return INDEX[name]
