# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns times in seconds into the engine's envelope rates and levels.

The engine's envelope crosses its whole range (silence to full scale for the
attack, 96 dB for decay and release) in 256 * 2^(-rate/8) seconds, and
instrument tones run faster by 2^(d * 2^kf / 48) for a key d semitones above
kfStart. Sustain and total level share one scale of 0.75 dB per step, and a
note counts as silent 104 steps (78 dB) down, or sooner when tl is high.
Times given here are what the tone does at middle C (key 60).
"""

import math

MIDDLE_C = 60
DB_PER_STEP = 0.75
LEVEL_CAP_STEPS = 104
FULL_RANGE_STEPS = 128
NO_ATTACK = 127
FASTEST_ATTACK_SECONDS = 0.004  # below this the attack phase is left out altogether


def clamp(value, low, high):
    return max(low, min(high, value))


def key_follow_octaves(kf, kf_start, key=MIDDLE_C):
    """How many octaves faster the rates run at `key` (the engine's integer table)."""
    d = key - kf_start
    if d < 1:
        return 0.0
    return math.trunc(d / 48 * 8192) * (1 << kf) / 8192


def sweep_seconds(rate, octaves=0.0):
    return 256.0 * 2.0 ** (-(rate / 8.0 + octaves))


def rate_for_sweep(seconds, octaves=0.0):
    """The rate whose full sweep takes `seconds` (0..127, nearest step)."""
    seconds = max(seconds, 1e-6)
    return clamp(round(8.0 * (math.log2(256.0 / seconds) - octaves)), 0, 127)


def steps_for_db(db):
    return clamp(round(db / DB_PER_STEP), 0, 127)


def silence_steps(tl):
    return min(FULL_RANGE_STEPS - tl, LEVEL_CAP_STEPS)


class Envelope:
    """ar, dr, sl, rr for a tone at a given tl and key follow.

    attack: seconds from silence to full level (0 = none).
    ring:   seconds to die away while held (the note ends by itself), or
    decay + sustain_db: seconds to fall to a held level sustain_db below full.
    Neither: the note holds at full level.
    release: seconds from full level to silence after note-off; None = keep
             falling at the decay rate (drums: note-off changes nothing).
    """

    def __init__(self, tl, octaves, attack=0.0, ring=None, decay=None, sustain_db=None, release=0.1):
        silent = silence_steps(tl)
        if attack < FASTEST_ATTACK_SECONDS:
            self.ar = NO_ATTACK
        else:
            self.ar = min(126, rate_for_sweep(attack, octaves))
        if ring is not None:
            self.sl = 127
            self.dr = rate_for_sweep(ring * FULL_RANGE_STEPS / silent, octaves)
        elif sustain_db:
            self.sl = max(1, steps_for_db(sustain_db))
            reach = min(self.sl, silent)
            self.dr = rate_for_sweep((decay or 0.1) * FULL_RANGE_STEPS / reach, octaves)
        else:
            self.sl = 0
            self.dr = 100  # unused while sl is 0
        if release is None:
            self.rr = self.dr
        else:
            self.rr = rate_for_sweep(release * FULL_RANGE_STEPS / silent, octaves)
