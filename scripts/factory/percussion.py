# SPDX-License-Identifier: GPL-3.0-or-later
"""Tones 128-255: one percussion tone per MIDI key, laid out as the General MIDI
drum map (keys 35-81) with the common extra sounds on 27-34 and 82-87.

Every tone dies away by itself (`ring`), and note-off keeps it falling at the
same rate, so drum notes of any length sound the same. Pan is from the
audience's side. Noise tones clock their noise at 32 x the note frequency:
high keys give white noise, low keys a darker, grainier one.
"""

from tones import Tone, STRC_NOISE

NOISE = "noise"

# key: (name, table or NOISE, pitch key, ring seconds, gain dB, pan, attack seconds)
DRUM_MAP = {
    27: ("High Q", "sine", 84, 0.06, 0, 64, 0),
    28: ("Slap", NOISE, 100, 0.05, -2, 64, 0),
    29: ("Scratch Push", NOISE, 76, 0.1, -3, 64, 0.02),
    30: ("Scratch Pull", NOISE, 70, 0.12, -3, 64, 0.02),
    31: ("Sticks", "hollow square", 91, 0.04, -2, 64, 0),
    32: ("Square Click", "pulse 50% 4-bit", 84, 0.02, -2, 64, 0),
    33: ("Metronome Click", "pulse 12.5% 4-bit", 96, 0.03, 0, 64, 0),
    34: ("Metronome Bell", "glockenspiel", 96, 0.4, -7, 64, 0),
    35: ("Acoustic BD", "sine 4-bit", 31, 0.3, 10.5, 64, 0),
    36: ("Bass Drum 1", "triangle NES 4-bit", 33, 0.22, 9.5, 64, 0),
    37: ("Side Stick", "hollow square", 84, 0.05, -1, 64, 0),
    38: ("Acoustic Snare", NOISE, 84, 0.25, 3, 64, 0),
    39: ("Hand Clap", NOISE, 96, 0.18, 1, 64, 0.005),
    40: ("Electric Snare", NOISE, 100, 0.18, 3, 64, 0),
    41: ("Low Floor Tom", "triangle", 41, 0.45, 3, 84, 0),
    42: ("Closed Hi-Hat", NOISE, 127, 0.06, -2.5, 80, 0),
    43: ("High Floor Tom", "triangle", 45, 0.42, 3, 76, 0),
    44: ("Pedal Hi-Hat", NOISE, 127, 0.09, -7, 80, 0),
    45: ("Low Tom", "triangle", 48, 0.4, 3, 68, 0),
    46: ("Open Hi-Hat", NOISE, 127, 0.5, -11.5, 80, 0),
    47: ("Low-Mid Tom", "triangle", 52, 0.38, 3, 60, 0),
    48: ("Hi-Mid Tom", "triangle", 55, 0.36, 3, 52, 0),
    49: ("Crash Cymbal 1", NOISE, 122, 1.6, -10.5, 48, 0),
    50: ("High Tom", "triangle", 59, 0.34, 3, 44, 0),
    51: ("Ride Cymbal 1", NOISE, 112, 1.0, -18, 84, 0),
    52: ("Chinese Cymbal", NOISE, 108, 1.2, -11.5, 40, 0),
    53: ("Ride Bell", "metal", 84, 0.9, -11, 84, 0),
    54: ("Tambourine", NOISE, 127, 0.22, -7, 40, 0),
    55: ("Splash Cymbal", NOISE, 124, 0.7, -11, 52, 0),
    56: ("Cowbell", "cowbell", 61, 0.3, -2, 72, 0),
    57: ("Crash Cymbal 2", NOISE, 118, 1.55, -10.5, 84, 0),
    58: ("Vibraslap", NOISE, 72, 0.9, -10, 36, 0),
    59: ("Ride Cymbal 2", NOISE, 110, 1.0, -18, 40, 0),
    60: ("Hi Bongo", "triangle", 76, 0.15, 0, 88, 0),
    61: ("Low Bongo", "triangle", 71, 0.2, 0, 88, 0),
    62: ("Mute Hi Conga", "sine + 2nd", 69, 0.1, 0, 40, 0),
    63: ("Open Hi Conga", "sine + 2nd", 67, 0.35, 0, 40, 0),
    64: ("Low Conga", "sine + 2nd", 62, 0.4, 0, 48, 0),
    65: ("High Timbale", "sine + 4th", 77, 0.3, -1, 80, 0),
    66: ("Low Timbale", "sine + 4th", 70, 0.35, -1, 80, 0),
    67: ("High Agogo", "cowbell", 81, 0.4, -3, 24, 0),
    68: ("Low Agogo", "cowbell", 76, 0.45, -3, 24, 0),
    69: ("Cabasa", NOISE, 127, 0.12, -6, 96, 0),
    70: ("Maracas", NOISE, 127, 0.07, -6, 32, 0),
    71: ("Short Whistle", "sine", 96, 0.15, -2, 100, 0.01),
    72: ("Long Whistle", "sine", 96, 0.6, -7, 100, 0.01),
    73: ("Short Guiro", NOISE, 82, 0.1, -4, 100, 0.01),
    74: ("Long Guiro", NOISE, 82, 0.35, -7.5, 100, 0.05),
    75: ("Claves", "hollow square", 100, 0.06, -2, 88, 0),
    76: ("Hi Wood Block", "hollow square", 88, 0.07, -2, 96, 0),
    77: ("Low Wood Block", "hollow square", 83, 0.08, -2, 96, 0),
    78: ("Mute Cuica", "chirp", 79, 0.1, 0, 32, 0),
    79: ("Open Cuica", "chirp", 74, 0.3, 0, 32, 0),
    80: ("Mute Triangle", "glockenspiel", 108, 0.15, -11.5, 100, 0),
    81: ("Open Triangle", "glockenspiel", 108, 1.2, -17, 100, 0),
    82: ("Shaker", NOISE, 127, 0.1, -6, 96, 0),
    83: ("Jingle Bell", "music box", 100, 0.5, -9, 32, 0),
    84: ("Bell Tree", "glockenspiel", 103, 1.5, -13, 40, 0),
    85: ("Castanets", "hollow square", 93, 0.05, -2, 72, 0),
    86: ("Mute Surdo", "triangle NES 4-bit", 38, 0.2, 3, 64, 0),
    87: ("Open Surdo", "triangle NES 4-bit", 38, 0.6, 3, 64, 0),
}

SILENT_LEVEL = 127
# The kit sits this much above the instruments' loudness rule, so kick and
# snare carry a song as a General MIDI kit does; the gains in DRUM_MAP then
# place every other sound against the snare by how loud it is heard
# (K-weighted), not by its RMS: white-noise cymbals at a kick's RMS sound
# far louder than the kick.
KIT_GAIN_DB = 3.0


def drum(name, table, pitch, ring, gain, pan, attack):
    gain += KIT_GAIN_DB
    if table == NOISE:
        return Tone(name, 0, strc=STRC_NOISE, key=pitch, pan=pan, ring=ring, attack=attack, gain=gain,
                    release=None, percussion=True)
    return Tone(name, table, key=pitch, pan=pan, ring=ring, attack=attack, gain=gain, release=None,
                percussion=True)


def silent(key):
    # Keys with no drum: fully attenuated and gone within a few milliseconds.
    return Tone("Silent key %03d" % key, 0, tl=SILENT_LEVEL, ring=0.005, release=None, key=key, percussion=True)


def build_percussion():
    return [drum(*DRUM_MAP[k]) if k in DRUM_MAP else silent(k) for k in range(128)]
