# SPDX-License-Identifier: GPL-3.0-or-later
"""The 128 wavetables of the chip bank, 32 entries each (Table Size 32).

Laid out as a chip musician looks for them: pulses at the duty cycles and bit
depths of console pulse channels, stepped triangles, saws and sines from 2 to
8 bits, 4-bit shapes as a handheld's wave channel holds them, 5-bit shapes as
a PC console's wave channels hold them, 8-bit spectra for pads, bells and
leads, and looped noise patterns.
"""

import math

import wavetables as w

_TABLES = []


def _add(name, depth, shape):
    _TABLES.append(w.Table(name, depth, w.quantise(w.normalise(shape), depth)))


def _notched_square(width):
    """A square with a gap of silence after each edge: hollow, like a wave-channel trick."""
    n = w.TABLE_SIZE
    return [0.0 if (i % (n // 2)) < width else (1.0 if i < n // 2 else -1.0) for i in range(n)]


def _double_pulse(duty):
    """Two pulses per period: an octave up with a buzz of the period underneath."""
    n = w.TABLE_SIZE
    return [1.0 if (i < duty * n) or (n // 2 <= i < n // 2 + duty * n / 2) else -1.0 for i in range(n)]


def _pulses():
    for sixteenths in (1, 2, 3, 4, 6, 8, 12, 14):  # 6.25 % ... 87.5 %
        _add("pulse %.4g%% 4-bit" % (sixteenths * 6.25), 4, w.pulse(sixteenths / 16))
    for sixteenths in (2, 4, 8):
        _add("pulse %.4g%% 1-bit" % (sixteenths * 6.25), 1, w.pulse(sixteenths / 16))
    for sixteenths in (4, 8):
        _add("pulse %.4g%% 2-bit" % (sixteenths * 6.25), 2, w.pulse(sixteenths / 16))
    for sixteenths in (2, 4, 8):
        _add("pulse %.4g%% 8-bit" % (sixteenths * 6.25), 8, w.pulse(sixteenths / 16))


def _basic_shapes():
    # The console triangle: 16 levels up, 16 down.
    _add("triangle 4-bit stepped", 4, [abs(15.5 - ((i + 8) % 32)) / 7.75 - 1 for i in range(32)])
    for depth in (2, 3, 5, 8):
        _add("triangle %d-bit" % depth, depth, w.triangle())
    _add("triangle skew 25% 4-bit", 4, w.triangle(0.25))
    _add("triangle skew 10% 5-bit", 5, w.triangle(0.1))
    _add("triangle + octave 4-bit", 4, [a + 0.5 * b for a, b in zip(w.triangle(), w.sine(2))])
    for depth in (2, 3, 4, 5, 8):
        _add("saw %d-bit" % depth, depth, w.saw())
    _add("saw + octave 4-bit", 4, [a + 0.6 * b for a, b in zip(w.saw(), w.sync_saw(2))])
    _add("sync saw x1.5 4-bit", 4, w.sync_saw(1.5))
    _add("sync saw x2.5 5-bit", 5, w.sync_saw(2.5))
    for depth in (2, 3, 4, 5, 8):
        _add("sine %d-bit" % depth, depth, w.sine())
    _add("sine octave 4-bit", 4, w.additive({1: 1.0, 2: 0.8}))
    _add("sine + 3rd harm 4-bit", 4, w.additive({1: 1.0, 3: 0.45}))
    _add("half sine 4-bit", 4, [max(0.0, x) for x in w.sine()])


def _wave_channel_shapes():
    """4-bit, 32 samples: what a handheld's wave channel plays."""
    shapes = [
        ("hollow square", _notched_square(4)),
        ("camel", [abs(x) * (1 if i < 16 else -1) for i, x in enumerate(w.sine(2))]),
        ("pulse + sine", [0.6 * a + 0.6 * b for a, b in zip(w.pulse(0.25), w.sine())]),
        ("staircase 4", w.stairs(w.saw(), 4)),
        ("bass wave", w.additive({1: 1.0, 2: 0.5, 3: 0.2})),
        ("fat bass", w.additive(w.series(12, 1.5))),
        ("organ 1-2-3", w.additive({1: 1.0, 2: 0.7, 3: 0.5})),
        ("organ 1-3-4-8", w.additive({1: 1.0, 3: 0.6, 4: 0.5, 8: 0.35})),
        ("vowel ah", w.additive(w.formant({700: 1.0, 1200: 0.6}, f0=260))),
        ("vowel oo", w.additive(w.formant({320: 1.0, 800: 0.25}, f0=260))),
        ("reed odd", w.additive(w.series(15, 1.0, odd_only=True))),
        ("nasal", w.additive(w.formant({1400: 1.0, 2500: 0.5}, f0=260))),
        ("clarinet", w.additive({1: 1.0, 3: 0.75, 5: 0.5, 7: 0.3, 9: 0.15})),
        ("trumpet", w.additive(w.series(14, 0.8))),
        ("string", w.additive(w.series(15, 1.1), {n: 0.25 * n for n in range(1, 16)})),
        ("bell 1-4-7", w.additive({1: 1.0, 4: 0.7, 7: 0.5, 11: 0.3})),
        ("sync buzz", w.sync_saw(3.3)),
        ("folded sine", w.fold(w.sine(), 2.2)),
        ("clipped sine", w.clipped(w.sine(), 4.0)),
        ("ring 1x5", w.ring_mod(1, 5)),
        ("spike", [1.0 if i == 0 else (-0.6 if i < 4 else 0.0) for i in range(32)]),
        ("double pulse", _double_pulse(0.25)),
        ("ramp up steps 8", w.stairs([-x for x in w.saw()], 8)),
        ("buzz 1-2-5-9", w.additive({1: 1.0, 2: 0.6, 5: 0.6, 9: 0.5})),
    ]
    for name, shape in shapes:
        _add(name + " 4-bit", 4, shape)


def _five_bit_shapes():
    """5-bit, 32 samples: what a PC console's wave channels play."""
    shapes = [
        ("organ", {1: 1.0, 2: 0.8, 4: 0.5, 6: 0.3}),
        ("e.piano", {1: 1.0, 2: 0.3, 7: 0.25, 14: 0.1}),
        ("brass", w.series(14, 0.7)),
        ("strings", w.series(15, 1.0, pick=lambda n: 1.2 if n in (3, 4, 5) else 1.0)),
        ("flute", {1: 1.0, 2: 0.35, 3: 0.12}),
        ("bell", {1: 1.0, 3: 0.2, 5: 0.6, 9: 0.45, 13: 0.3}),
        ("marimba", {1: 1.0, 4: 0.45, 10: 0.1}),
        ("harmonica", {1: 0.7, 2: 1.0, 3: 0.8, 4: 0.4, 5: 0.3}),
        ("guitar", w.plucked(0.2, 0.9)),
        ("bass", {1: 1.0, 2: 0.6, 3: 0.25, 4: 0.1}),
        ("koto", w.plucked(0.12, 0.8)),
        ("choir", w.formant({550: 1.0, 900: 0.7, 2600: 0.2}, f0=260)),
        ("synth square", w.series(15, 1.0, odd_only=True, pick=lambda n: 1.0 / (1 + (n / 7) ** 2))),
        ("soft saw", w.series(15, 1.3)),
        ("metal", {1: 0.6, 5: 1.0, 6: 0.8, 11: 0.7, 13: 0.5}),
        ("hollow", {1: 1.0, 3: 0.0, 4: 0.5, 6: 0.5, 9: 0.3}),
    ]
    for name, partials in shapes:
        _add(name + " 5-bit", 5, w.additive(partials))


def _eight_bit_shapes():
    """8-bit spectra: pads, leads, bells, keys."""
    shapes = [
        ("pad warm", w.series(10, 1.6)),
        ("pad glass", {1: 1.0, 2: 0.5, 4: 0.4, 8: 0.3, 12: 0.2}),
        ("pad vox", w.formant({600: 1.0, 1000: 0.6, 2400: 0.25}, f0=220)),
        ("pad strings", w.series(15, 1.0, pick=lambda n: 1.0 + 0.4 * math.sin(n))),
        ("lead bright", w.series(15, 0.6)),
        ("lead square soft", w.series(15, 1.0, odd_only=True, pick=lambda n: math.exp(-n / 9))),
        ("lead nasal", w.formant({1500: 1.0, 3000: 0.6}, f0=260)),
        ("lead hollow", {1: 1.0, 3: 0.7, 5: 0.5, 7: 0.35, 9: 0.25}),
        ("bell tubular", {1: 0.5, 2: 1.0, 5: 0.6, 8: 0.45, 11: 0.3}),
        ("bell glock", {1: 1.0, 5: 0.35, 14: 0.25}),
        ("bell music box", {1: 1.0, 3: 0.3, 9: 0.25, 13: 0.15}),
        ("celesta", {1: 1.0, 2: 0.15, 4: 0.4}),
        ("vibes", {1: 1.0, 4: 0.5}),
        ("xylo", {1: 1.0, 3: 0.4, 6: 0.3, 10: 0.2}),
        ("piano", w.series(15, 1.2, pick=lambda n: abs(math.sin(math.pi * n / 7)) + 0.1)),
        ("e.piano tine", {1: 1.0, 2: 0.25, 3: 0.1, 8: 0.2}),
        ("harpsichord", w.plucked(0.08, 0.5)),
        ("clav", w.plucked(0.06, 0.4)),
        ("guitar", w.plucked(0.18, 1.0)),
        ("brass bright", w.series(15, 0.55)),
        ("brass soft", w.series(12, 1.0)),
        ("oboe", w.formant({1100: 1.0, 2800: 0.4}, f0=300)),
        ("flute", {1: 1.0, 2: 0.2, 3: 0.1, 5: 0.03}),
        ("organ full", {1: 1.0, 2: 1.0, 3: 0.8, 4: 0.7, 6: 0.5, 8: 0.5}),
        ("fifth (2+3)", {2: 1.0, 3: 0.9}),
        ("octaves (1+2+4)", {1: 1.0, 2: 0.8, 4: 0.6}),
        ("major chord (4+5+6)", {4: 1.0, 5: 1.0, 6: 1.0}),
        ("sus chord (2+3+4)", {2: 1.0, 3: 0.9, 4: 0.8}),
        ("sub + saw", {1: 1.0, 2: 0.5, 3: 0.33, 4: 0.25, 5: 0.2}),
        ("reso sweep", w.series(15, 1.0, pick=lambda n: 5.0 if n in (6, 7) else 1.0)),
        ("choir", w.formant({500: 1.0, 850: 0.8, 2700: 0.2}, f0=220)),
        ("sitar", w.series(15, 0.9, pick=lambda n: 1.5 if n % 4 == 0 else 0.7)),
    ]
    for name, partials in shapes:
        shape = w.additive(partials) if isinstance(partials, dict) else partials
        _add(name + " 8-bit", 8, shape)


def _noise_patterns():
    """Looped patterns: the short, metallic noise of a console's noise channel."""
    for seed in (1, 0x2A5B, 0x5F01, 0x0FF0):
        _add("short noise %04x 1-bit" % seed, 1, w.lfsr_pattern(seed))
    for seed in (7, 11, 23, 42):
        _add("random steps %d 4-bit" % seed, 4, w.seeded_noise(seed))
    _add("chirp 4-bit", 4, w.chirp())
    _add("metal pattern 4-bit", 4, [(1 if (i * 7) % 11 < 5 else -1) * (1 - i / 64) for i in range(32)])
    _add("click 8-bit", 8, [1.0, -1.0] + [0.0] * 30)
    _add("grit 2-bit", 2, w.seeded_noise(99))
    _add("short noise 93 4-bit", 4, w.lfsr_pattern(0x1234, taps=0x0060))
    _add("buzz comb 3-bit", 3, [1.0 if i % 5 < 2 else -1.0 for i in range(32)])
    _add("tom body 8-bit", 8, w.additive({1: 1.0, 2: 0.3, 3: 0.12}))
    _add("kick body 4-bit", 4, w.additive({1: 1.0, 2: 0.2}))


_pulses()          # 0-15
_basic_shapes()    # 16-39
_wave_channel_shapes()  # 40-63
_five_bit_shapes()      # 64-79
_eight_bit_shapes()     # 80-111
_noise_patterns()       # 112-127
TABLES = tuple(_TABLES)
assert len(TABLES) == 128, len(TABLES)
_BY_NAME = {t.name: n for n, t in enumerate(TABLES)}
assert len(_BY_NAME) == 128, "table names must be unique"

# Where each group starts, for the bank's notes.
GROUPS = (
    (0, 15, "pulses: 6.25-87.5 % at 4 bits, 12.5/25/50 % at 1 bit, 25/50 % at 2 bits, 12.5/25/50 % at 8 bits"),
    (16, 39, "stepped triangles, saws and sines at 2 to 8 bits, skewed, synced, with octaves"),
    (40, 63, "4-bit wave-channel shapes: hollow, camel, basses, organs, vowels, reeds, bells, buzzes"),
    (64, 79, "5-bit wave-channel shapes: organ, keys, brass, strings, flute, bells, plucks, choir"),
    (80, 111, "8-bit spectra: pads, leads, bells and mallets, keys, brass, reeds, intervals and chords"),
    (112, 127, "looped noise patterns and percussion bodies"),
)


def wave(name):
    return _BY_NAME[name]
