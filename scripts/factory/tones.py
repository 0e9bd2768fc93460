# SPDX-License-Identifier: GPL-3.0-or-later
"""The tone record and the loudness rule shared by instrument and percussion tones."""

import envelope
import wavetables

# Table loudness (wavetables.Table.loudness_db) that plays at tl 0. Louder
# tables get attenuated down to it, so a square, a sine and a vowel end up
# about equally loud. This sets the headroom of the whole bank, as on a General
# MIDI sound module: a piano note at velocity 100 with default volume peaks
# near -34 dBFS, a three-note piano chord at velocity 127 and volume 127 near
# -16 dBFS, and 15 parts of full-velocity chords with drums stay under -1 dBFS
# (docs/levels.md has the songs it was set by).
TARGET_LOUDNESS_DB = -27.0
# The noise generator plays full-scale +-1; its tones are set by ear from here.
NOISE_LOUDNESS_DB = -3.0
LFO_HZ_PER_STEP = 32.0 / 16383.0
TUNE_CENTRE = 8192
DEFAULT_LFO_FREQ = 2048
TUNE_PER_OCTAVE = 8192

STRC_PLAIN, STRC_VIBRATO, STRC_TREMOLO, STRC_NOISE = 0, 1, 2, 3

LOUDNESS = [table.loudness_db() for table in wavetables.TABLES]

FIELDS = ("key", "pan", "lfoFreq", "strc", "tune", "lms", "wave", "tl", "ar", "dr", "sl", "rr", "kf", "kfStart")


def padded_name(name):
    assert len(name) <= 16 and all(" " <= c <= "~" and c != '"' for c in name), name
    return name.ljust(16)


def level_for(wave_index, strc, gain_db):
    loudness = NOISE_LOUDNESS_DB if strc == STRC_NOISE else LOUDNESS[wave_index]
    return envelope.clamp(round((loudness - TARGET_LOUDNESS_DB - gain_db) / envelope.DB_PER_STEP), 0, 127)


class Tone:
    def __init__(self, name, wave, *, gain=0.0, attack=0.0, ring=None, decay=None, sustain=None, release=0.15,
                 kf=0, kf_start=48, strc=STRC_PLAIN, lms=0, lfo_hz=None, cents=0, key=64, pan=64,
                 percussion=False, tl=None, sequences=(), lfo=None):
        self.name = padded_name(name)
        self.wave = wavetables.wave(wave) if isinstance(wave, str) else wave
        self.strc = strc
        self.tl = level_for(self.wave, strc, gain) if tl is None else tl
        # Percussion tones never get key follow; their kf fields stay at the defaults.
        octaves = 0.0 if percussion else envelope.key_follow_octaves(kf, kf_start)
        env = envelope.Envelope(self.tl, octaves, attack=attack, ring=ring, decay=decay,
                                sustain_db=sustain, release=release)
        self.ar, self.dr, self.sl, self.rr = env.ar, env.dr, env.sl, env.rr
        self.kf, self.kfStart = (0, 48) if percussion else (kf, kf_start)
        self.lms = lms
        # Tones without an LFO keep the power-on rate, so switching strc later gives a usual 4 Hz.
        self.lfoFreq = DEFAULT_LFO_FREQ if lfo_hz is None else envelope.clamp(round(lfo_hz / LFO_HZ_PER_STEP), 0, 16383)
        self.tune = envelope.clamp(TUNE_CENTRE + round(cents / 1200 * TUNE_PER_OCTAVE), 0, 16383)
        self.key, self.pan = key, pan
        # Tick-clock expression (sequences.py): Sequence objects and an Lfo timing, or none.
        self.sequences, self.lfo = tuple(sequences), lfo

    def values(self):
        return [getattr(self, f) for f in FIELDS]
