# SPDX-License-Identifier: GPL-3.0-or-later
"""What make_chip_bank.py --check holds the chip bank to, from the records.

Families: every program rings (or holds) and releases as its family says. A
VOL sequence that ends on 0 ends the note (the engine frees the voice), so a
program rings or releases for the shorter of its envelope and that sequence.

Distinct programs: two programs are "nearly the same" when a musician could
not tell them apart by ear, which from the records means all of these at once:
- the same structure (plain, vibrato, tremolo or noise) and, with an LFO, a
  depth within one lms step and a rate within 25 %, its own depth (0: none,
  the wheel's alone) within a factor 1.41 and the vibrato's onset (delay plus
  half the fade) within 0.1 s or a factor 1.41;
- over the first second of a held note, tick by tick as its sequences play
  it, fewer than 3 ticks (50 ms) where they differ by any of: pitch by 50 cents
  or more (tune, arpeggio and pitch sequence together), VOL by 3 dB or more,
  or the tables played by 3 dB RMS or more over harmonics 1-15 of their
  spectra as played (after bit reduction; each harmonic floored 40 dB below
  the table's strongest; noise tones compare by their noise register);
- every envelope time within half an octave (4 rate steps: a factor 1.41, about
  the smallest change of a note's length one hears) and sustain levels within
  3 dB (4 steps).
Level (tl) is left out: the same sound louder is still the same sound.
"""

import cmath
import math

import calibration
import envelope
import sequences
from tones import STRC_PLAIN, STRC_NOISE

HARMONICS = 15
SPECTRUM_FLOOR_DB = -40.0
SPECTRUM_JND_DB = 3.0
PITCH_JND_CENTS = 50
LEVEL_JND_DB = 3.0
LEVEL_FLOOR_DB = -40.0
RATE_JND_STEPS = 4
LFO_RATE_JND = 1.25
TIME_JND = 2 ** 0.5
ONSET_JND_TICKS = 6                # 0.1 s
HEARD_TICKS = sequences.TICK_RATE  # the first second of a note
TICKS_APART = 3                    # 50 ms of difference is heard
HELD_BEFORE_RELEASE = 1.0          # seconds a note is held before its release is timed


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


def _within(a, b, ratio):
    return (a == 0) == (b == 0) and (a == 0 or 1 / ratio <= a / b <= ratio)


def _lfo_close(t, u):
    if t.strc != u.strc:
        return False
    if t.strc in (STRC_PLAIN, STRC_NOISE):
        return True
    ratio = max(t.lfoFreq, 1) / max(u.lfoFreq, 1)
    if abs(t.lms - u.lms) > 1 or not 1 / LFO_RATE_JND <= ratio <= LFO_RATE_JND:
        return False
    a, b = t.lfo or sequences.Lfo(), u.lfo or sequences.Lfo()
    onset_a, onset_b = a.delay + a.fade / 2, b.delay + b.fade / 2
    onsets_close = abs(onset_a - onset_b) < ONSET_JND_TICKS or _within(onset_a, onset_b, TIME_JND)
    return onsets_close and _within(a.depth, b.depth, TIME_JND)


def heard_timeline(tone):
    """(cents, VOL dB, what is played) for each tick of the first second of a
    held middle C: the table number, or for a noise tone its register."""
    tune_cents = (tone.tune - 8192) * 1200 / 8192
    timeline = []
    for frame in sequences.held_frames(tone.sequences, HEARD_TICKS):
        wave = tone.wave if frame.wave is None else frame.wave
        played = ("noise", frame.wave not in (None, 0)) if tone.strc == STRC_NOISE else wave
        timeline.append((tune_cents + frame.cents, max(frame.db, LEVEL_FLOOR_DB), played))
    return timeline


def ticks_apart(a, b, spectra):
    """Ticks at which two timelines are heard to differ."""
    def differ(x, y):
        if abs(x[0] - y[0]) >= PITCH_JND_CENTS or abs(x[1] - y[1]) >= LEVEL_JND_DB:
            return True
        if isinstance(x[2], tuple) or isinstance(y[2], tuple):
            return x[2] != y[2]
        return _spectral_distance(spectra[x[2]], spectra[y[2]]) >= SPECTRUM_JND_DB
    return sum(1 for x, y in zip(a, b) if differ(x, y))


def nearly_same_pairs(programs, tables):
    """Pairs (i, j) of programs that sound nearly the same, as defined above."""
    timelines = [heard_timeline(t) for t in programs]
    spectra = {}
    for timeline in timelines:
        for _, _, played in timeline:
            if not isinstance(played, tuple) and played not in spectra:
                spectra[played] = spectrum_db(tables[played])
    pairs = []
    for i, t in enumerate(programs):
        for j in range(i + 1, len(programs)):
            u = programs[j]
            if not _lfo_close(t, u) or not _envelope_close(t, u):
                continue
            if ticks_apart(timelines[i], timelines[j], spectra) < TICKS_APART:
                pairs.append((i, j))
    return pairs


def ring_seconds(tone, octaves):
    """Seconds a held note falls 60 dB, or its VOL sequence ends it, if sooner;
    None when it holds."""
    ended = sequences.silent_after_seconds(tone.sequences)
    if calibration.holds(tone):
        return ended
    seconds = calibration.fall_seconds(tone.dr, tone.tl, octaves)
    return seconds if ended is None else min(seconds, ended)


def release_seconds(tone, octaves):
    seconds = calibration.fall_seconds(tone.rr, tone.tl, octaves)
    ended = sequences.silent_after_seconds(tone.sequences, release_at=HELD_BEFORE_RELEASE)
    return seconds if ended is None else min(seconds, ended - HELD_BEFORE_RELEASE)


def family_faults(families, programs):
    faults = []
    for f, family in enumerate(families):
        for program in range(8 * f, 8 * f + 8):
            t = programs[program]
            octaves = envelope.key_follow_octaves(t.kf, t.kfStart)
            name = "program %d (%s, %s)" % (program, t.name.strip(), family.name)
            ring = ring_seconds(t, octaves)
            if family.ring == "holds":
                if ring is not None:
                    faults.append("%s dies away while held; its family holds" % name)
            elif not (ring is None and family.may_hold):
                if ring is None or not family.ring[0] <= ring <= family.ring[1]:
                    faults.append("%s rings %.2f s while held; its family rings %.2f-%.2f s" %
                                  (name, -1 if ring is None else ring, *family.ring))
            seconds = release_seconds(t, octaves)
            if not family.release[0] <= seconds <= family.release[1]:
                faults.append("%s releases in %.2f s; its family takes %.2f-%.2f s" % (name, seconds, *family.release))
    return faults


def drum_faults(kit, keys):
    """The kit's rings as calibration.py holds a GM kit's, a VOL sequence that ends on 0 included."""
    return calibration.drum_faults(kit, keys, ring=lambda tone: ring_seconds(tone, 0.0))


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
