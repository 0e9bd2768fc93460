# SPDX-License-Identifier: GPL-3.0-or-later
"""What make_chip_bank.py --check holds the chip bank to, from the records.

Families: every program rings (or holds) and releases as its family says.

Distinct programs: two programs are "nearly the same" when a musician could
not tell them apart by ear, which from the records means all of these at once:
- the same structure (plain, vibrato, tremolo or noise) and, with an LFO, a
  depth within one lms step and a rate within 25 %;
- tables whose harmonic spectra, as played (after bit reduction), differ by
  less than 3 dB RMS over harmonics 1-15 (each harmonic floored 40 dB below
  the table's strongest; noise-generator tones have no table and compare equal);
- pitches within 50 cents;
- every envelope time within half an octave (4 rate steps: a factor 1.41, about
  the smallest change of a note's length one hears) and sustain levels within
  3 dB (4 steps).
Level (tl) is left out: the same sound louder is still the same sound.
"""

import cmath
import math

import calibration
import envelope
from tones import STRC_PLAIN, STRC_NOISE

HARMONICS = 15
SPECTRUM_FLOOR_DB = -40.0
SPECTRUM_JND_DB = 3.0
PITCH_JND_CENTS = 50
RATE_JND_STEPS = 4
LFO_RATE_JND = 1.25


def spectrum_db(table):
    amps = table.amplitudes()
    n = len(amps)
    mags = [abs(sum(a * cmath.exp(-2j * math.pi * k * i / n) for i, a in enumerate(amps))) for k in
            range(1, HARMONICS + 1)]
    top = max(mags) or 1.0
    return [max(SPECTRUM_FLOOR_DB, 20 * math.log10(max(m / top, 1e-9))) for m in mags]


def _spectral_distance(a, b):
    return math.sqrt(sum((x - y) ** 2 for x, y in zip(a, b)) / len(a))


def _envelope_close(t, u):
    if (t.ar == 127) != (u.ar == 127) or abs(t.ar - u.ar) > RATE_JND_STEPS:
        return False
    if (t.sl == 0) != (u.sl == 0):
        return False
    if t.sl and (abs(t.dr - u.dr) > RATE_JND_STEPS or abs(t.sl - u.sl) > RATE_JND_STEPS):
        return False
    return abs(t.rr - u.rr) <= RATE_JND_STEPS and t.kf == u.kf


def _lfo_close(t, u):
    if t.strc != u.strc:
        return False
    if t.strc in (STRC_PLAIN, STRC_NOISE):
        return True
    ratio = max(t.lfoFreq, 1) / max(u.lfoFreq, 1)
    return abs(t.lms - u.lms) <= 1 and 1 / LFO_RATE_JND <= ratio <= LFO_RATE_JND


def nearly_same_pairs(programs, tables):
    """Pairs (i, j) of programs that sound nearly the same, as defined above."""
    spectra = {}
    for t in programs:
        if t.strc != STRC_NOISE and t.wave not in spectra:
            spectra[t.wave] = spectrum_db(tables[t.wave])
    pairs = []
    for i, t in enumerate(programs):
        for j in range(i + 1, len(programs)):
            u = programs[j]
            if not _lfo_close(t, u) or abs(t.tune - u.tune) * 1200 / 8192 >= PITCH_JND_CENTS:
                continue
            if t.strc != STRC_NOISE and _spectral_distance(spectra[t.wave], spectra[u.wave]) >= SPECTRUM_JND_DB:
                continue
            if _envelope_close(t, u):
                pairs.append((i, j))
    return pairs


def family_faults(families, programs):
    faults = []
    for f, family in enumerate(families):
        for program in range(8 * f, 8 * f + 8):
            t = programs[program]
            octaves = envelope.key_follow_octaves(t.kf, t.kfStart)
            name = "program %d (%s, %s)" % (program, t.name.strip(), family.name)
            held = calibration.holds(t)
            if family.ring == "holds":
                if not held:
                    faults.append("%s dies away while held; its family holds" % name)
            elif not (held and family.may_hold):
                seconds = calibration.fall_seconds(t.dr, t.tl, octaves)
                if held or not family.ring[0] <= seconds <= family.ring[1]:
                    faults.append("%s rings %.2f s while held; its family rings %.2f-%.2f s" %
                                  (name, -1 if held else seconds, *family.ring))
            seconds = calibration.fall_seconds(t.rr, t.tl, octaves)
            if not family.release[0] <= seconds <= family.release[1]:
                faults.append("%s releases in %.2f s; its family takes %.2f-%.2f s" % (name, seconds, *family.release))
    return faults


def distinct_faults(programs, tables):
    return ["programs %d (%s) and %d (%s) sound nearly the same" %
            (i, programs[i].name.strip(), j, programs[j].name.strip()) for i, j in nearly_same_pairs(programs, tables)]


def name_faults(programs, what):
    seen = {}
    faults = []
    for n, t in enumerate(programs):
        if t.name in seen and not t.name.startswith("Silent key"):
            faults.append("%s %d and %d share the name %s" % (what, seen[t.name], n, t.name.strip()))
        seen.setdefault(t.name, n)
    return faults
