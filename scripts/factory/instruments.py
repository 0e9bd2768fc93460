# SPDX-License-Identifier: GPL-3.0-or-later
"""Tones 0-127: one instrument per General MIDI program, family by family.

Times are seconds at middle C. `ring` makes a note die away by itself
(struck and plucked sounds); `decay` + `sustain` (dB) fall to a held level;
neither holds at full level. Vibrato (strc 1) and tremolo (strc 2) only move
when the song uses the modulation wheel, since depth = lms x cc1; lms 1 swings
the pitch about +-0.37 semitone at cc1 64.
"""

from tones import Tone, STRC_VIBRATO as VIB, STRC_TREMOLO as TREM, STRC_NOISE as NOISE

# Struck and plucked tones shorten toward the treble: twice as fast every 24 keys.
PLUCK = dict(kf=1, kf_start=48)
# Held tones keep the same envelope over the keyboard.
FLAT = dict(kf=0, kf_start=127)


def pianos():
    return [
        Tone("Acoustic Grand", "piano", ring=7.0, release=0.35, **PLUCK),
        Tone("Bright Piano", "bright piano", ring=6.0, release=0.3, **PLUCK),
        Tone("Electric Grand", "electric grand", ring=5.0, release=0.3, **PLUCK),
        Tone("Honky-tonk", "bright piano", ring=5.0, release=0.3, cents=14, **PLUCK),
        Tone("E.Piano 1", "tine", ring=5.0, release=0.3, strc=TREM, lms=2, lfo_hz=4.5, **PLUCK),
        Tone("E.Piano 2", "fm piano", ring=4.0, release=0.3, strc=TREM, lms=1, lfo_hz=5.0, **PLUCK),
        Tone("Harpsichord", "harpsichord", ring=3.0, release=0.2, gain=-2, **PLUCK),
        Tone("Clavinet", "clavinet", ring=1.6, release=0.08, gain=-1, **PLUCK),
    ]


def chromatic_percussion():
    return [
        Tone("Celesta", "celesta", ring=1.5, release=0.5, **PLUCK),
        Tone("Glockenspiel", "glockenspiel", ring=2.0, release=0.8, cents=1199, gain=-2, **PLUCK),
        Tone("Music Box", "music box", ring=2.0, release=0.8, **PLUCK),
        Tone("Vibraphone", "sine + 4th", ring=4.0, release=0.6, strc=TREM, lms=3, lfo_hz=5.0, **PLUCK),
        Tone("Marimba", "marimba", ring=0.7, release=0.5, gain=1, **PLUCK),
        Tone("Xylophone", "xylophone", ring=0.45, release=0.4, **PLUCK),
        Tone("Tubular Bells", "tubular bell", ring=5.0, release=1.5, **PLUCK),
        Tone("Dulcimer", "steel guitar", ring=2.5, release=0.4, **PLUCK),
    ]


def organs():
    return [
        Tone("Drawbar Organ", "organ jazz", attack=0.005, release=0.06, strc=VIB, lms=1, lfo_hz=6.5, **FLAT),
        Tone("Percussive Orgn", "organ percussive", decay=0.3, sustain=5, release=0.06, **FLAT),
        Tone("Rock Organ", "organ rock 6-bit", attack=0.005, release=0.08, strc=VIB, lms=1, lfo_hz=6.5, **FLAT),
        Tone("Church Organ", "organ church", attack=0.06, release=0.5, gain=1, **FLAT),
        Tone("Reed Organ", "reed organ", attack=0.05, release=0.12, **FLAT),
        Tone("Accordion", "accordion", attack=0.04, release=0.1, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("Harmonica", "harmonica", attack=0.03, release=0.08, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("Tango Accordion", "reed organ", attack=0.04, release=0.1, cents=8, strc=VIB, lms=1, lfo_hz=6.0,
             **FLAT),
    ]


def guitars():
    return [
        Tone("Nylon Guitar", "nylon guitar", ring=3.0, release=0.25, **PLUCK),
        Tone("Steel Guitar", "steel guitar", ring=3.5, release=0.25, **PLUCK),
        Tone("Jazz Guitar", "jazz guitar", ring=3.0, release=0.2, **PLUCK),
        Tone("Clean Guitar", "clean guitar", ring=3.5, release=0.2, **PLUCK),
        Tone("Muted Guitar", "clean guitar", ring=1.4, release=0.1, **PLUCK),
        Tone("Overdrive Gtr", "overdrive 6-bit", decay=2.0, sustain=12, release=0.12, strc=VIB, lms=1,
             lfo_hz=5.5, gain=-1, **PLUCK),
        Tone("Distortion Gtr", "distortion 5-bit", decay=2.5, sustain=10, release=0.12, strc=VIB, lms=1,
             lfo_hz=5.5, gain=-1, **PLUCK),
        Tone("Gtr Harmonics", "sine octave", ring=1.5, release=0.4, **PLUCK),
    ]


def basses():
    return [
        Tone("Acoustic Bass", "finger bass", ring=1.8, release=0.12, gain=2, **PLUCK),
        Tone("Finger Bass", "finger bass", ring=2.5, release=0.1, gain=2, **PLUCK),
        Tone("Pick Bass", "pick bass", ring=2.0, release=0.08, gain=2, **PLUCK),
        Tone("Fretless Bass", "triangle + 2nd", decay=1.5, sustain=9, release=0.15, strc=VIB, lms=1,
             lfo_hz=5.0, gain=2, **PLUCK),
        Tone("Slap Bass 1", "slap bass", ring=1.0, release=0.08, gain=2, **PLUCK),
        Tone("Slap Bass 2", "saw-pulse 6-bit", ring=1.0, release=0.08, gain=1,
             **PLUCK),
        Tone("Synth Bass 1", "saw 5-bit", decay=0.4, sustain=9, release=0.06, gain=2, **PLUCK),
        Tone("Synth Bass 2", "pulse 25% 4-bit", decay=0.5, sustain=6, release=0.06, gain=2, **PLUCK),
    ]


def strings():
    return [
        Tone("Violin", "solo string", attack=0.08, release=0.15, strc=VIB, lms=1, lfo_hz=5.8, **FLAT),
        Tone("Viola", "solo string", attack=0.1, release=0.18, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("Cello", "strings", attack=0.1, release=0.2, strc=VIB, lms=1, lfo_hz=5.2, **FLAT),
        Tone("Contrabass", "strings", attack=0.12, release=0.2, strc=VIB, lms=1, lfo_hz=5.0, gain=1, **FLAT),
        Tone("Tremolo Strings", "strings", attack=0.1, release=0.25, strc=TREM, lms=3, lfo_hz=8.0, **FLAT),
        Tone("Pizzicato", "strings", ring=0.5, release=0.15, **PLUCK),
        Tone("Harp", "nylon guitar", ring=3.0, release=0.8, **PLUCK),
        Tone("Timpani", "sine + 2nd", ring=2.5, release=0.6, gain=2, **PLUCK),
    ]


def ensembles():
    return [
        Tone("Strings", "strings", attack=0.25, release=0.4, strc=VIB, lms=1, lfo_hz=5.5, gain=-1, **FLAT),
        Tone("Slow Strings", "strings", attack=0.6, release=0.6, strc=VIB, lms=1, lfo_hz=5.5, gain=-1, **FLAT),
        Tone("Synth Strings 1", "saw 6-bit", attack=0.15, release=0.4, strc=VIB, lms=1, lfo_hz=5.0, gain=-1,
             **FLAT),
        Tone("Synth Strings 2", "saw + octave", attack=0.4, release=0.6, strc=VIB, lms=1, lfo_hz=4.5, gain=-1,
             **FLAT),
        Tone("Choir Aahs", "choir", attack=0.2, release=0.4, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Voice Oohs", "vowel ooh", attack=0.15, release=0.35, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Synth Voice", "synth voice 6-bit", attack=0.1, release=0.3, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Orchestra Hit", "bright saw 6-bit", ring=0.9, release=0.3, **PLUCK),
    ]


def brass():
    return [
        Tone("Trumpet", "brass", attack=0.03, decay=0.2, sustain=3, release=0.1, strc=VIB, lms=1, lfo_hz=5.5,
             **FLAT),
        Tone("Trombone", "dark brass", attack=0.04, decay=0.25, sustain=3, release=0.12, strc=VIB, lms=1,
             lfo_hz=5.0, **FLAT),
        Tone("Tuba", "horn", attack=0.05, decay=0.3, sustain=3, release=0.12, gain=1, **FLAT),
        Tone("Muted Trumpet", "nasal", attack=0.03, release=0.1, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("French Horn", "horn", attack=0.07, release=0.25, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Brass Section", "brass", attack=0.05, decay=0.3, sustain=4, release=0.15, **FLAT),
        Tone("Synth Brass 1", "saw", attack=0.02, decay=0.4, sustain=5, release=0.12, **FLAT),
        Tone("Synth Brass 2", "saw 5-bit", attack=0.08, decay=0.5, sustain=4, release=0.2, **FLAT),
    ]


def reeds():
    return [
        Tone("Soprano Sax", "sax", attack=0.03, release=0.08, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("Alto Sax", "sax", attack=0.03, release=0.08, strc=VIB, lms=1, lfo_hz=5.2, **FLAT),
        Tone("Tenor Sax", "reed organ", attack=0.035, release=0.1, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Baritone Sax", "dark brass", attack=0.04, release=0.1, strc=VIB, lms=1, lfo_hz=4.8, **FLAT),
        Tone("Oboe", "oboe", attack=0.03, release=0.08, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("English Horn", "nasal", attack=0.04, release=0.1, strc=VIB, lms=1, lfo_hz=5.2, **FLAT),
        Tone("Bassoon", "oboe", attack=0.04, release=0.1, strc=VIB, lms=1, lfo_hz=5.0, gain=1, **FLAT),
        Tone("Clarinet", "clarinet", attack=0.03, release=0.08, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
    ]


def pipes():
    return [
        Tone("Piccolo", "flute", attack=0.04, release=0.08, strc=VIB, lms=1, lfo_hz=5.8, **FLAT),
        Tone("Flute", "flute", attack=0.05, release=0.1, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("Recorder", "sine + 3rd", attack=0.03, release=0.06, **FLAT),
        Tone("Pan Flute", "flute", attack=0.07, release=0.15, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Blown Bottle", "sine + 2nd", attack=0.1, release=0.15, **FLAT),
        Tone("Shakuhachi", "camel", attack=0.08, release=0.15, strc=VIB, lms=1, lfo_hz=4.5, **FLAT),
        Tone("Whistle", "sine", attack=0.03, release=0.06, strc=VIB, lms=1, lfo_hz=6.0, **FLAT),
        Tone("Ocarina", "sine 6-bit", attack=0.03, release=0.06, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
    ]


def leads():
    return [
        Tone("Square Lead", "pulse 50% 4-bit", release=0.05, strc=VIB, lms=1, lfo_hz=5.5, gain=-1, **FLAT),
        Tone("Saw Lead", "saw", release=0.05, strc=VIB, lms=1, lfo_hz=5.5, gain=-1, **FLAT),
        Tone("Calliope Lead", "triangle NES 4-bit", attack=0.02, release=0.1, strc=VIB, lms=1, lfo_hz=6.0,
             **FLAT),
        Tone("Chiff Lead", "pulse 25% 4-bit", decay=0.15, sustain=4, release=0.1, strc=VIB, lms=1,
             lfo_hz=5.5, **FLAT),
        Tone("Charang Lead", "overdrive 6-bit", decay=1.0, sustain=6, release=0.1, strc=VIB, lms=1,
             lfo_hz=5.5, gain=-1, **FLAT),
        Tone("Voice Lead", "vowel aah 6-bit", attack=0.04, release=0.15, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        Tone("Fifths Lead", "fifths", release=0.08, cents=-1200, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
        Tone("Bass + Lead", "saw + sub", release=0.08, strc=VIB, lms=1, lfo_hz=5.5, **FLAT),
    ]


def pads():
    return [
        Tone("New Age Pad", "celesta", attack=0.3, decay=3.0, sustain=9, release=1.2, gain=-1, **FLAT),
        Tone("Warm Pad", "soft saw", attack=0.5, release=0.9, strc=VIB, lms=1, lfo_hz=4.0, gain=-2, **FLAT),
        Tone("Polysynth Pad", "saw 6-bit", attack=0.08, decay=1.0, sustain=6, release=0.5, gain=-2, **FLAT),
        Tone("Choir Pad", "vowel aah", attack=0.5, release=0.9, strc=VIB, lms=1, lfo_hz=4.5, gain=-1, **FLAT),
        Tone("Bowed Pad", "solo string", attack=0.6, release=0.8, gain=-2, **FLAT),
        Tone("Metallic Pad", "metal", attack=0.2, decay=2.0, sustain=6, release=1.0, gain=-2, **FLAT),
        Tone("Halo Pad", "vowel ooh", attack=0.6, release=1.2, strc=VIB, lms=1, lfo_hz=4.0, gain=-1, **FLAT),
        Tone("Sweep Pad", "sync saw", attack=0.8, release=1.2, strc=TREM, lms=2, lfo_hz=0.5, gain=-2, **FLAT),
    ]


def synth_effects():
    return [
        Tone("Rain", "music box", ring=2.0, release=1.0, **PLUCK),
        Tone("Soundtrack", "soft saw", attack=0.6, release=1.2, gain=-2, **FLAT),
        Tone("Crystal", "glockenspiel", ring=3.0, release=1.2, **PLUCK),
        Tone("Atmosphere", "clean guitar", ring=4.0, release=1.0, **PLUCK),
        Tone("Brightness", "bright saw 6-bit", attack=0.3, release=0.9, gain=-2, **FLAT),
        Tone("Goblins", "vowel eh", attack=0.8, release=1.0, strc=TREM, lms=2, lfo_hz=3.0, **FLAT),
        Tone("Echoes", "tubular bell", attack=0.08, ring=3.0, release=1.2, **PLUCK),
        Tone("Sci-Fi", "ring 1x7", attack=0.1, release=0.8, cents=-1200, strc=VIB, lms=3, lfo_hz=3.0, gain=-2, **FLAT),
    ]


def ethnic():
    return [
        Tone("Sitar", "sitar", ring=3.0, release=0.3, **PLUCK),
        Tone("Banjo", "harpsichord", ring=1.2, release=0.15, **PLUCK),
        Tone("Shamisen", "clavinet", ring=1.0, release=0.15, **PLUCK),
        Tone("Koto", "steel guitar", ring=2.0, release=0.3, **PLUCK),
        Tone("Kalimba", "kalimba", ring=1.0, release=0.3, **PLUCK),
        Tone("Bagpipe", "nasal", attack=0.02, release=0.1, **FLAT),
        Tone("Fiddle", "solo string", attack=0.05, release=0.12, strc=VIB, lms=1, lfo_hz=6.0, **FLAT),
        Tone("Shanai", "oboe", attack=0.03, release=0.1, strc=VIB, lms=1, lfo_hz=6.0, **FLAT),
    ]


def percussive():
    return [
        Tone("Tinkle Bell", "music box", ring=1.2, release=0.6, **PLUCK),
        Tone("Agogo", "cowbell", ring=0.6, release=0.4, **PLUCK),
        Tone("Steel Drums", "steel drum", ring=1.2, release=0.5, **PLUCK),
        Tone("Woodblock", "hollow square", ring=0.09, release=0.09, gain=-2, **PLUCK),
        Tone("Taiko Drum", "triangle NES 4-bit", ring=1.0, release=0.5, cents=-1200, gain=3, **PLUCK),
        Tone("Melodic Tom", "triangle", ring=0.5, release=0.4, gain=2, **PLUCK),
        Tone("Synth Drum", "sine", ring=0.4, release=0.3, gain=2, **PLUCK),
        Tone("Reverse Cymbal", 0, attack=1.5, ring=0.08, release=0.08, strc=NOISE, cents=1199, gain=-2, **FLAT),
    ]


def sound_effects():
    # Noise tones take their clock from the note: 32 x the note's frequency.
    return [
        Tone("Gtr Fret Noise", 0, ring=0.12, release=0.1, strc=NOISE, cents=-600, gain=-3, **FLAT),
        Tone("Breath Noise", 0, attack=0.08, release=0.15, strc=NOISE, cents=600, gain=-6, **FLAT),
        Tone("Seashore", 0, attack=1.2, release=1.5, strc=NOISE, gain=-5, **FLAT),
        Tone("Bird Tweet", "sine", attack=0.01, ring=0.25, release=0.1, cents=1199, **FLAT),
        Tone("Telephone Ring", "pulse 50% 4-bit", release=0.05, cents=1199, gain=-4, **FLAT),
        Tone("Helicopter", 0, attack=0.5, release=0.8, strc=NOISE, cents=-1200, gain=-4, **FLAT),
        Tone("Applause", 0, attack=0.4, release=0.8, strc=NOISE, cents=1199, gain=-6, **FLAT),
        Tone("Gunshot", 0, ring=0.6, release=0.6, strc=NOISE, cents=1199, gain=-3, **FLAT),
    ]


def build_instruments():
    families = (pianos, chromatic_percussion, organs, guitars, basses, strings, ensembles, brass, reeds, pipes,
                leads, pads, synth_effects, ethnic, percussive, sound_effects)
    tones = [t for family in families for t in family()]
    assert len(tones) == 128, len(tones)
    return tones
