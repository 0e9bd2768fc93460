# SPDX-License-Identifier: GPL-3.0-or-later
"""The chip bank's two kits on the General MIDI key map (35-81, with extra
sounds on 27-34 and 82-87).

The tone kit (tones 128-255, Percussion mode) is a console's noise channel
and a triangle: long noise from the noise generator (its clock 32 x the
note's frequency, so the pitch key sets how bright), short looped noise
patterns for metal, and short tone blips. The sample kit (sampler presets
0-127, Sampler mode) plays the synthesised drums and effects of
chip_samples.py, reduced to 8 bits or 4-bit ADPCM; game effects sit on the
extra keys 27-33.
"""

import chip_wavetables as cw
import percussion
import tones
from sequences import Sequence
from tones import Tone, STRC_NOISE, padded_name

NOISE = "noise"
KIT_GAIN_DB = percussion.KIT_GAIN_DB

# key: (name, table or NOISE, pitch key, ring seconds, gain dB, pan)
TONE_KIT = {
    27: ("Blip High", "pulse 50% 4-bit", 96, 0.05, -2, 64),
    28: ("Blip Low", "pulse 25% 4-bit", 72, 0.07, -1, 64),
    29: ("Noise Zip", NOISE, 104, 0.08, -3, 64),
    30: ("Noise Scratch", NOISE, 78, 0.12, -3, 64),
    31: ("Sticks Blip", "hollow square 4-bit", 91, 0.04, -2, 64),
    32: ("Square Click", "pulse 50% 1-bit", 84, 0.02, -2, 64),
    33: ("Metronome Tick", "pulse 12.5% 4-bit", 96, 0.03, 0, 64),
    34: ("Metronome Bell", "bell glock 8-bit", 96, 0.4, -7, 64),
    35: ("Tri Kick Long", "kick body 4-bit", 30, 0.32, 3.25, 64),
    36: ("Tri Kick", "triangle 4-bit stepped", 45, 0.2, 6.5, 64),
    37: ("Side Stick Blip", "pulse 12.5% 4-bit", 86, 0.05, -1, 64),
    38: ("Noise Snare", NOISE, 86, 0.24, 3.75, 64),
    39: ("Noise Clap", NOISE, 96, 0.16, 1, 64),
    40: ("Metal Snare", "short noise 2a5b 1-bit", 58, 0.18, 4, 64),
    41: ("Tri Tom Floor L", "triangle 4-bit stepped", 41, 0.42, 3, 84),
    42: ("Closed Hat", NOISE, 127, 0.06, -2.5, 80),
    43: ("Tri Tom Floor H", "triangle 4-bit stepped", 45, 0.4, 3, 76),
    44: ("Pedal Hat", NOISE, 122, 0.09, -7, 80),
    45: ("Tri Tom Low", "triangle 4-bit stepped", 48, 0.38, 3, 68),
    46: ("Open Hat", NOISE, 125, 0.45, -11.5, 80),
    47: ("Tri Tom Low-Mid", "triangle 4-bit stepped", 52, 0.36, 3, 60),
    48: ("Tri Tom Hi-Mid", "triangle 4-bit stepped", 55, 0.34, 3, 52),
    49: ("Noise Crash", NOISE, 120, 1.5, -10.5, 48),
    50: ("Tri Tom High", "triangle 4-bit stepped", 59, 0.32, 3, 44),
    51: ("Metal Ride", "short noise 5f01 1-bit", 100, 1.0, -16, 84),
    52: ("Metal China", "metal pattern 4-bit", 98, 1.1, -11, 40),
    53: ("Ride Bell Blip", "bell 1-4-7 4-bit", 84, 0.8, -11, 84),
    54: ("Noise Tambourine", NOISE, 126, 0.2, -7, 40),
    55: ("Noise Splash", NOISE, 123, 0.6, -11, 52),
    56: ("Cowbell Blip", "pulse 37.5% 4-bit", 68, 0.3, -2, 72),
    57: ("Noise Crash 2", NOISE, 116, 1.45, -10.5, 84),
    58: ("Rattle Noise", "random steps 7 4-bit", 50, 0.8, -8, 36),
    59: ("Metal Ride 2", "short noise 0ff0 1-bit", 98, 1.0, -16, 40),
    60: ("Hi Bongo Blip", "sine 4-bit", 76, 0.14, 0, 88),
    61: ("Low Bongo Blip", "sine 4-bit", 71, 0.18, 0, 88),
    62: ("Mute Conga Blip", "triangle 5-bit", 69, 0.1, 0, 40),
    63: ("Open Conga Blip", "triangle 5-bit", 67, 0.32, 0, 40),
    64: ("Low Conga Blip", "triangle 5-bit", 62, 0.38, 0, 48),
    65: ("Hi Timbale Blip", "pulse 25% 4-bit", 77, 0.28, -1, 80),
    66: ("Low Timbale Blip", "pulse 25% 4-bit", 70, 0.32, -1, 80),
    67: ("Hi Agogo Blip", "bell 5-bit", 81, 0.38, -3, 24),
    68: ("Low Agogo Blip", "bell 5-bit", 76, 0.42, -3, 24),
    69: ("Noise Cabasa", NOISE, 124, 0.11, -6, 96),
    70: ("Noise Maracas", NOISE, 127, 0.07, -6, 32),
    71: ("Short Whistle", "sine 8-bit", 96, 0.15, -2, 100),
    72: ("Long Whistle", "sine 8-bit", 96, 0.6, -7, 100),
    73: ("Short Guiro", "short noise 93 4-bit", 64, 0.1, -4, 100),
    74: ("Long Guiro", "short noise 93 4-bit", 64, 0.35, -7.5, 100),
    75: ("Claves Blip", "sine 4-bit", 100, 0.06, -2, 88),
    76: ("Hi Wood Blip", "pulse 37.5% 4-bit", 88, 0.07, -2, 96),
    77: ("Low Wood Blip", "pulse 37.5% 4-bit", 83, 0.08, -2, 96),
    78: ("Mute Cuica Blip", "chirp 4-bit", 79, 0.1, 0, 32),
    79: ("Open Cuica Blip", "chirp 4-bit", 74, 0.3, 0, 32),
    80: ("Mute Triangle", "sine 8-bit", 105, 0.12, -11.5, 100),
    81: ("Open Triangle", "sine 8-bit", 105, 1.1, -17, 100),
    82: ("Noise Shaker", NOISE, 125, 0.1, -6, 96),
    83: ("Jingle Noise", "short noise 0ff0 1-bit", 106, 0.45, -9, 32),
    84: ("Bell Tree Blip", "bell glock 8-bit", 103, 1.4, -13, 40),
    85: ("Castanet Blip", "hollow square 4-bit", 93, 0.05, -2, 72),
    86: ("Mute Surdo Tri", "triangle 4-bit stepped", 38, 0.2, 3, 64),
    87: ("Open Surdo Tri", "triangle 4-bit stepped", 38, 0.6, 3, 64),
}


# What a tracker does on the noise and triangle channels, by key: kicks and
# toms drop in pitch (a fixed run of notes or a falling PITCH sweep, each
# drum ending on its key), the snare strikes low before its crack, the clap
# is three bursts, the closed hats play the short, metallic noise register.
TOM_DROP = (Sequence("pitch", "24 | -3"),)  # 1.5 semitones up, then down 3/16 a tick
KIT_SEQUENCES = {
    35: (Sequence("arp-fixed", "54 45 38 33", step=2),),
    36: (Sequence("arp", "12 6 0 -6 -12"),),
    38: (Sequence("arp-fixed", "72 98 92"),),
    39: (Sequence("vol", "15 0 15 0 15"),),
    40: (Sequence("arp-fixed", "70 64"),),
    41: TOM_DROP, 43: TOM_DROP, 45: TOM_DROP, 47: TOM_DROP, 48: TOM_DROP, 50: TOM_DROP,
    42: (Sequence("wave", "1"),),
    44: (Sequence("wave", "1"),),
    78: (Sequence("pitch", "| 8"),),
    79: (Sequence("pitch", "| 6"),),
    86: (Sequence("pitch", "| -2"),),
    87: (Sequence("pitch", "| -2"),),
}


def _drum(key, name, table, pitch, ring, gain, pan):
    gain += KIT_GAIN_DB
    common = dict(key=pitch, pan=pan, ring=ring, release=None, percussion=True, sequences=KIT_SEQUENCES.get(key, ()))
    if table == NOISE:
        return Tone(name, 0, strc=STRC_NOISE, tl=_level(tones.NOISE_LOUDNESS_DB, gain), **common)
    wave = cw.wave(table)
    return Tone(name, wave, tl=_level(cw.TABLES[wave].loudness_db(), gain), **common)


def _level(loudness, gain):
    return max(0, min(127, round((loudness - tones.TARGET_LOUDNESS_DB - gain) / 0.75)))


def build_tone_kit():
    return [_drum(k, *TONE_KIT[k]) if k in TONE_KIT else percussion.silent(k) for k in range(128)]


# Sampler presets, key: (name, slot, semitones, level dB, pan). Every sample
# plays once to its end; note-off lets it ring on (a slow release).
SAMPLE_KIT = {
    27: ("Laser Zap", 15, 0, -3, 64),
    28: ("Coin Get", 16, 0, -5, 64),
    29: ("Jump", 17, 0, -4, 64),
    30: ("Power Up", 18, 0, -6, 64),
    31: ("Explosion", 19, 0, 1.5, 64),
    32: ("Laser Zap Low", 15, -7, -3, 64),
    33: ("Coin Get High", 16, 5, -6, 64),
    35: ("Kick Long", 0, 0, -4, 64),
    36: ("Kick Punch", 1, 0, -1, 64),
    37: ("Rim Shot", 11, 0, -3, 64),
    38: ("Snare", 2, 0, 0, 64),
    39: ("Hand Clap", 4, 0, -1, 64),
    40: ("Snare Tight", 3, 0, 0, 64),
    41: ("Tom Floor Low", 9, -7, -6.5, 84),
    42: ("Hat Closed", 5, 0, -8, 80),
    43: ("Tom Floor High", 9, -5, -6.5, 76),
    44: ("Hat Pedal", 5, -3, -11, 80),
    45: ("Tom Low", 9, -2, -6, 68),
    46: ("Hat Open", 6, 0, -11, 80),
    47: ("Tom Low-Mid", 9, 0, -5.5, 60),
    48: ("Tom Hi-Mid", 9, 3, -5, 52),
    49: ("Crash", 7, 0, -12, 48),
    50: ("Tom High", 9, 5, -5, 44),
    51: ("Ride", 8, 0, -18, 84),
    52: ("China", 7, 3, -13.5, 40),
    53: ("Ride Bell", 8, 7, -14, 84),
    54: ("Tambourine", 12, 0, -13, 40),
    55: ("Splash", 6, -5, -11, 52),
    56: ("Cowbell", 10, 0, -5, 72),
    57: ("Crash 2", 7, -2, -12, 84),
    59: ("Ride 2", 8, -2, -18, 40),
    60: ("Hi Bongo", 14, 7, -2, 88),
    61: ("Low Bongo", 14, 3, -2, 88),
    62: ("Mute Hi Conga", 14, 2, -3, 40),
    63: ("Open Hi Conga", 14, 0, -2, 40),
    64: ("Low Conga", 14, -4, -2, 48),
    69: ("Cabasa", 13, 0, -9, 96),
    70: ("Maracas", 13, 5, -9, 32),
    75: ("Claves", 11, 9, -4, 88),
    76: ("Hi Wood Block", 11, 4, -4, 96),
    77: ("Low Wood Block", 11, 0, -4, 96),
    80: ("Mute Triangle", 20, 0, -16, 100),
    81: ("Open Triangle", 21, 0, -19.5, 100),
    82: ("Shaker", 13, -2, -8, 96),
}

SAMPLE_LEVEL_TL = 20      # tl of a sample at 0 dB in SAMPLE_KIT (full-scale samples, kit loudness)
SAMPLE_RELEASE_RATE = 40  # note-off: about 5 s to fade 60 dB, so a drum plays out
TUNE_CENTRE = 8192


def sampler_presets():
    """The 128 sampler preset lines' fields: name, smplNum, pan, octv, tune, tl, ar, dr, sl, rr.
    Keys without a sound keep the power-on preset (slot 0 unplayed: tl 127)."""
    records = []
    for key in range(128):
        if key in SAMPLE_KIT:
            name, slot, semitones, gain, pan = SAMPLE_KIT[key]
            tune = TUNE_CENTRE + round(semitones * 8192 / 12)
            octv = 8
            while tune > 16383:
                tune -= 8192
                octv += 1
            while tune < 0:
                tune += 8192
                octv -= 1
            tl = max(0, min(127, SAMPLE_LEVEL_TL - round(gain / 0.75)))
            records.append((padded_name(name), slot, pan, octv, tune, tl, 127, 0, 127, SAMPLE_RELEASE_RATE))
        else:
            records.append((padded_name("Silent key %03d" % key), 0, 64, 8, TUNE_CENTRE, 127, 127, 0, 127, 120))
    return records
