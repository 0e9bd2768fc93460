# SPDX-License-Identifier: GPL-3.0-or-later
"""What every factory tone must do over time, family by family, checked from
the tone records themselves (make_bank.py --check runs it).

A General MIDI song is written for a module whose plucked notes ring out,
whose held notes hold and whose cymbals die away in about a second; a tone
that rings far shorter or longer than its family turns a song into something
else (a muted guitar that stops dead, a ride cymbal that washes over the whole
mix). Times are at middle C (drums at their own key), from full level to
60 dB down; the bank's levels are checked by rendering, in tests/factory.
"""

import envelope

# Bounds for the time a tone falls 60 dB while its key is held ("ring"), or
# "holds" when it stays up while held, and for its release after note-off.
# (first program, last program, ring seconds or "holds", release seconds)
INSTRUMENT_TARGETS = (
    (0, 5, (2.0, 8.0), (0.05, 0.5)),        # pianos and electric pianos ring out
    (6, 7, (0.8, 4.0), (0.03, 0.4)),        # harpsichord, clavinet
    (8, 15, (0.25, 6.0), (0.1, 2.0)),       # chromatic percussion
    (16, 23, "holds", (0.02, 0.8)),         # organs
    (24, 27, (1.5, 5.0), (0.05, 0.4)),      # acoustic and clean electric guitars
    (28, 28, (0.6, 1.6), (0.03, 0.2)),      # muted guitar: about a second
    (29, 30, "holds", (0.05, 0.3)),         # overdrive, distortion
    (31, 31, (0.5, 3.0), (0.1, 0.6)),       # harmonics
    (32, 34, (1.0, 4.0), (0.03, 0.25)),     # acoustic, finger and pick bass
    (35, 35, "holds", (0.05, 0.3)),         # fretless
    (36, 37, (0.5, 2.0), (0.03, 0.2)),      # slap bass
    (38, 39, "holds", (0.02, 0.2)),         # synth bass
    (40, 44, "holds", (0.1, 0.6)),          # bowed strings
    (45, 45, (0.2, 1.0), (0.05, 0.4)),      # pizzicato
    (46, 46, (1.5, 5.0), (0.3, 1.5)),       # harp
    (47, 47, (1.2, 4.0), (0.3, 1.5)),       # timpani
    (48, 54, "holds", (0.15, 1.0)),         # ensembles and choirs
    (55, 55, (0.3, 1.5), (0.1, 0.6)),       # orchestra hit
    (56, 79, "holds", (0.03, 0.4)),         # brass, reeds, pipes
    (80, 87, "holds", (0.02, 0.3)),         # synth leads
    (88, 95, "holds", (0.4, 2.0)),          # pads
    (104, 108, (0.5, 4.0), (0.1, 0.6)),     # sitar, banjo, shamisen, koto, kalimba
    (109, 111, "holds", (0.05, 0.3)),       # bagpipe, fiddle, shanai
    (112, 118, (0.05, 2.0), (0.05, 1.0)),   # tuned and melodic percussion
)

# Drum keys that sound like a cymbal, hi-hat or triangle must die away within
# these times (seconds to 60 dB down); the rest of the kit ends within 2.5 s.
DRUM_RING_TARGETS = {
    42: (0.02, 0.08), 44: (0.03, 0.12),   # closed and pedal hi-hat
    46: (0.25, 0.5),                      # open hi-hat
    49: (0.8, 1.5), 57: (0.8, 1.5),       # crashes
    51: (0.5, 1.0), 59: (0.5, 1.0),       # rides: no wash under 8th notes
    52: (0.6, 1.2), 55: (0.3, 0.7),       # chinese, splash
    53: (0.4, 0.9),                       # ride bell
    80: (0.05, 0.2), 81: (0.6, 1.5),      # mute and open triangle
}
DRUM_LONGEST_RING = 2.5
FALL_DB = 60.0
FULL_SWEEP_DB = 96.0  # a whole envelope sweep falls 16 octaves (96 dB)


def fall_seconds(rate, tl, octaves):
    """Seconds a tone at tl takes to fall 60 dB at `rate`, or until it is silent, if sooner."""
    silent_db = envelope.silence_steps(tl) * envelope.DB_PER_STEP
    return envelope.sweep_seconds(rate, octaves) * min(FALL_DB, silent_db) / FULL_SWEEP_DB


def holds(tone):
    """True when a held note stays above 60 dB down (sustain level or no decay)."""
    return tone.sl == 0 or min(tone.sl, envelope.LEVEL_CAP_STEPS) * envelope.DB_PER_STEP < FALL_DB and \
        tone.sl < envelope.silence_steps(tone.tl)


def instrument_faults(tones):
    faults = []
    for first, last, ring, release in INSTRUMENT_TARGETS:
        for program in range(first, last + 1):
            tone = tones[program]
            octaves = envelope.key_follow_octaves(tone.kf, tone.kfStart)
            name = "program %d (%s)" % (program, tone.name.strip())
            if ring == "holds":
                if not holds(tone):
                    faults.append("%s dies away while held; its family holds" % name)
            else:
                seconds = fall_seconds(tone.dr, tone.tl, octaves)
                if holds(tone) or not ring[0] <= seconds <= ring[1]:
                    faults.append("%s rings %.2f s while held; its family rings %.2f-%.2f s" %
                                  (name, -1 if holds(tone) else seconds, *ring))
            seconds = fall_seconds(tone.rr, tone.tl, octaves)
            if not release[0] <= seconds <= release[1]:
                faults.append("%s releases in %.2f s; its family takes %.2f-%.2f s" % (name, seconds, *release))
    return faults


def drum_faults(drums, drum_keys, ring=None):
    """`ring(tone)`: seconds the drum sounds, when more than its envelope ends it."""
    faults = []
    for key in drum_keys:
        tone = drums[key]
        seconds = ring(tone) if ring else fall_seconds(tone.dr, tone.tl, 0.0)
        low, high = DRUM_RING_TARGETS.get(key, (0.0, DRUM_LONGEST_RING))
        if tone.sl != 127 or tone.rr != tone.dr:
            faults.append("drum key %d (%s) does not die away on its own" % (key, tone.name.strip()))
        elif not low <= seconds <= high:
            faults.append("drum key %d (%s) rings %.2f s; it should take %.2f-%.2f s" %
                          (key, tone.name.strip(), seconds, low, high))
    return faults
