# SPDX-License-Identifier: GPL-3.0-or-later
"""Programs 0-127 of the chip bank: 16 families of 8, as a chip musician
reaches for them. Times are seconds at middle C; `ring` makes a note die
away by itself, `decay` + `sustain` (dB) fall to a held level, neither holds.

Where a tracker musician would, a program steps through sequences on the
60 Hz tick clock (sequences.py): chord arpeggios, duty sweeps, echoes of the
note after its release, pitch sweeps for risers and blips. Vibrato (strc 1)
and tremolo (strc 2) have a depth of their own, as the wheel half up gave
them (the LFO swings lms x the larger of the wheel and that depth), and the
leads' vibrato comes in late by itself.
Every family states how long its notes ring while held and how long their
release lasts; make_chip_bank.py --check holds each program to it.
"""

import chip_levels
import chip_wavetables as cw
from sequences import Lfo, Sequence as Seq
from tones import Tone, STRC_VIBRATO as VIB, STRC_TREMOLO as TREM, STRC_NOISE as NOISE

PLUCK = dict(kf=1, kf_start=48)  # struck sounds shorten toward the treble
FLAT = dict(kf=0, kf_start=127)  # held sounds keep one envelope over the keyboard
TARGET_DB = -27.0                # table loudness that plays at tl 0 (as the GM bank)
NOISE_DB = -3.0                  # the noise generator's full-scale +-1
LFO_DEPTH = 64                   # an LFO tone's own depth: the wheel half up


def tone(name, table, *, gain=0.0, strc=0, seq=(), lfo=None, **shape):
    """A program on chip table `table`, levelled by the table's loudness, the
    family's `gain` and the trim measured by rendering (chip-trims.txt);
    `seq` its sequences, `lfo` its LFO timing (an LFO tone has its depth)."""
    wave = cw.wave(table)
    loudness = NOISE_DB if strc == NOISE else cw.TABLES[wave].loudness_db()
    tl = round((loudness - TARGET_DB - gain) / 0.75) + chip_levels.TRIMS.get(name, 0)
    if lfo is None and strc in (VIB, TREM):
        lfo = Lfo(depth=LFO_DEPTH)
    return Tone(name, wave, strc=strc, tl=max(0, min(127, tl)), sequences=seq, lfo=lfo, **shape)


def late_vibrato(delay, fade):
    """A tracker's delayed vibrato: still for `delay` ticks, then full over `fade`."""
    return Lfo(delay, fade, LFO_DEPTH)


def echoes(text, step):
    """The note holds while the key is down (a loop on 15); after its release
    VOL plays `text` (silences and softer repeats, ending on 0), a step every
    `step` ticks."""
    return (Seq("vol", "| 15 / " + text, step=step),)


class Family:
    """ring: seconds a held note takes to fall 60 dB, or HOLDS; may_hold lets
    some programs of a ringing family hold instead (effects of both kinds)."""

    def __init__(self, name, ring, release, build, may_hold=False):
        self.name, self.ring, self.release, self.build, self.may_hold = name, ring, release, build, may_hold


def pulse_leads():
    return [
        tone("Pulse 12.5% Lead", "pulse 12.5% 4-bit", release=0.06, **FLAT),
        tone("Pulse 25% Lead", "pulse 25% 4-bit", release=0.06, **FLAT),
        tone("Pulse 50% Lead", "pulse 50% 4-bit", release=0.06, **FLAT),
        tone("Pulse 75% Decay", "pulse 75% 4-bit", decay=1.2, sustain=10, release=0.06, **FLAT),
        tone("Pulse 6% Reedy", "pulse 6.25% 4-bit", release=0.05, **FLAT),
        tone("Pulse 37% Lead", "pulse 37.5% 4-bit", attack=0.01, release=0.08, **FLAT),
        tone("1-bit Beeper", "pulse 50% 1-bit", release=0.03, **FLAT),
        tone("8-bit Pulse Lead", "pulse 25% 8-bit", decay=1.0, sustain=4, release=0.1, **FLAT),
    ]


def vibrato_leads():
    return [
        # The vibrato waits a moment after the attack and swells in, wheel at rest.
        tone("Vib Lead 12.5%", "pulse 12.5% 4-bit", attack=0.01, release=0.12, strc=VIB, lms=2, lfo_hz=5.5,
             lfo=late_vibrato(20, 20), **FLAT),
        tone("Vib Lead 25%", "pulse 25% 4-bit", attack=0.01, release=0.12, strc=VIB, lms=2, lfo_hz=5.5,
             lfo=late_vibrato(24, 24), **FLAT),
        tone("Vib Lead 50%", "pulse 50% 4-bit", attack=0.01, release=0.12, strc=VIB, lms=2, lfo_hz=5.0,
             lfo=late_vibrato(30, 20), **FLAT),
        tone("Wide Vib Lead", "pulse 18.75% 4-bit", release=0.1, strc=VIB, lms=4, lfo_hz=6.5,
             lfo=late_vibrato(12, 36), **FLAT),
        tone("Slow Vib Saw", "saw 4-bit", attack=0.02, release=0.15, strc=VIB, lms=2, lfo_hz=3.0,
             lfo=late_vibrato(40, 40), **FLAT),
        tone("Trem Lead 25%", "pulse 25% 2-bit", release=0.1, strc=TREM, lms=3, lfo_hz=7.0, **FLAT),
        tone("Trem Square 50%", "pulse 50% 8-bit", release=0.1, strc=TREM, lms=2, lfo_hz=4.0, gain=-1, **FLAT),
        tone("Vib Flute Tri", "triangle 5-bit", attack=0.04, release=0.15, strc=VIB, lms=1, lfo_hz=5.0,
             lfo=late_vibrato(18, 30), **FLAT),
    ]


def echo_leads():
    # A tracker's echo is the note again, softer: after the key lets go, a VOL
    # sequence cuts the note and brings it back quieter, a few times, over the
    # slow release (which only shades the repeats); the held note settles only
    # a few dB, so the echoes are heard. Echo Lead 25% keeps its
    # feel from the envelope (a quick fall and a long tail), for a song that
    # plays the echo on a second part (the "Echo Lead Pair" preset).
    return [
        tone("Echo Lead 25%", "pulse 25% 4-bit", decay=0.15, sustain=9, release=0.9, **FLAT),
        tone("Echo Lead 50%", "pulse 50% 4-bit", decay=0.25, sustain=4, release=6.0,
             seq=echoes("0 0 12 12 0 0 8 8 0 0 5 5 0", step=4), **FLAT),
        tone("Echo Tail Saw", "saw 3-bit", decay=0.1, sustain=5, release=6.0,
             seq=echoes("0 0 0 11 11 11 0 0 0 7 7 7 0 0 0 4 4 4 0", step=3), **FLAT),
        tone("Echo Tri Lead", "triangle 4-bit stepped", decay=0.2, sustain=3, release=6.0,
             seq=echoes("0 12 0 8 0 5 0 3 0", step=5), **FLAT),
        tone("Swell Lead 25%", "pulse 25% 8-bit", attack=0.35, release=0.5, **FLAT),
        tone("Swell Saw 5-bit", "saw 5-bit", attack=0.6, release=0.6, **FLAT),
        tone("Fade Lead 12.5%", "pulse 12.5% 1-bit", decay=1.5, sustain=15, release=0.8, **FLAT),
        tone("Echo Wave Lead", "hollow square 4-bit", decay=0.2, sustain=4, release=6.0,
             seq=echoes("0 11 0 7 0 4 0", step=8), **FLAT),
    ]


def pulse_basses():
    return [
        tone("Tri Bass", "triangle 4-bit stepped", release=0.04, gain=1, **FLAT),
        tone("Tri Bass 3-bit", "triangle 3-bit", release=0.04, gain=1, **FLAT),
        tone("Pulse Bass 50%", "pulse 50% 4-bit", decay=0.3, sustain=5, release=0.05, **FLAT),
        tone("Pulse Bass 25%", "pulse 25% 4-bit", decay=0.3, sustain=5, release=0.05, **FLAT),
        tone("Pulse Bass 12.5%", "pulse 12.5% 8-bit", decay=0.2, sustain=6, release=0.05, **FLAT),
        tone("Saw Bass 4-bit", "saw 4-bit", decay=0.4, sustain=4, release=0.05, **FLAT),
        tone("Sine Bass 3-bit", "sine 3-bit", release=0.05, gain=1, **FLAT),
        tone("Tri Skew Bass", "triangle skew 25% 4-bit", decay=0.5, sustain=3, release=0.05, **FLAT),
    ]


def wave_basses():
    return [
        tone("Wave Bass", "bass wave 4-bit", release=0.05, gain=1, **FLAT),
        tone("Fat Wave Bass", "fat bass 4-bit", decay=0.3, sustain=4, release=0.05, **FLAT),
        tone("Hollow Bass", "hollow square 4-bit", decay=0.2, sustain=6, release=0.05, **FLAT),
        tone("Sub Bass 8-bit", "sub + saw 8-bit", release=0.06, gain=1, **FLAT),
        tone("Step Bass 4-bit", "staircase 4 4-bit", decay=0.15, sustain=8, release=0.04, **FLAT),
        tone("Octave Bass", "sine octave 4-bit", release=0.05, gain=1, **FLAT),
        tone("Slap Wave Bass", "buzz 1-2-5-9 4-bit", decay=0.08, sustain=10, release=0.04, **FLAT),
        tone("5-bit Bass", "bass 5-bit", decay=0.6, sustain=5, release=0.06, **FLAT),
    ]


def four_bit_waves():
    return [
        tone("4-bit Camel", "camel 4-bit", release=0.06, **FLAT),
        tone("4-bit Hollow", "hollow square 4-bit", attack=0.01, release=0.08, **FLAT),
        tone("4-bit Sine", "sine 4-bit", release=0.06, gain=1, **FLAT),
        tone("4-bit Saw", "saw 4-bit", attack=0.01, release=0.06, **FLAT),
        tone("4-bit Organ", "organ 1-3-4-8 4-bit", release=0.05, **FLAT),
        tone("4-bit Vox Ah", "vowel ah 4-bit", attack=0.05, release=0.15, **FLAT),
        tone("4-bit Reed", "reed odd 4-bit", attack=0.02, release=0.08, **FLAT),
        tone("4-bit Buzz", "sync buzz 4-bit", release=0.05, **FLAT),
    ]


def deeper_waves():
    return [
        tone("5-bit Brass", "brass 5-bit", attack=0.03, release=0.1, **FLAT),
        tone("5-bit Flute", "flute 5-bit", attack=0.05, release=0.12, strc=VIB, lms=1, lfo_hz=5.0,
             lfo=late_vibrato(15, 20), **FLAT),
        tone("5-bit Strings", "strings 5-bit", attack=0.12, release=0.3, **FLAT),
        tone("8-bit Saw Lead", "saw 8-bit", release=0.08, **FLAT),
        tone("Sync Saw Lead", "sync saw x2.5 5-bit", release=0.08, **FLAT),
        tone("Folded Sine Lead", "folded sine 4-bit", release=0.08, **FLAT),
        tone("5-bit Harmonica", "harmonica 5-bit", attack=0.03, release=0.1, strc=VIB, lms=1, lfo_hz=6.0, **FLAT),
        tone("5-bit Synth Sqr", "synth square 5-bit", release=0.08, **FLAT),
    ]


def duty_sweep(depth, widths, step):
    """A WAVE sequence through the pulse tables of these widths at one bit
    depth ("|" among them marks the loop)."""
    return Seq("wave", " ".join(w if w == "|" else str(cw.wave("pulse %s %s" % (w, depth))) for w in widths),
               step=step)


MAJOR, MINOR, SEVENTH, OCTAVE = "| 0 4 7", "| 0 3 7", "| 0 4 7 10", "| 0 12"


def arpeggios():
    # One key plays a whole chord, a note a tick (or two) round and round, as
    # a tracker's arpeggio does on one channel; a song plays the chord's root
    # and picks the major or minor program (the next one up). The duty plucks
    # narrow their pulse as they die away, two or three ticks a width (the
    # 8-bit one then wavers between 12.5 and 25 %).
    return [
        tone("Arp Major 12.5%", "pulse 12.5% 4-bit", decay=1.0, sustain=6, release=0.06, seq=(Seq("arp", MAJOR),),
             **FLAT),
        tone("Arp Minor 12.5%", "pulse 12.5% 4-bit", decay=1.0, sustain=6, release=0.06, seq=(Seq("arp", MINOR),),
             **FLAT),
        tone("Arp Major 25%", "pulse 25% 4-bit", ring=1.2, release=0.06, seq=(Seq("arp", MAJOR, step=2),), **PLUCK),
        tone("Arp Minor 25%", "pulse 25% 4-bit", ring=1.2, release=0.06, seq=(Seq("arp", MINOR, step=2),), **PLUCK),
        tone("Arp Seventh Saw", "saw 3-bit", decay=0.8, sustain=8, release=0.06, seq=(Seq("arp", SEVENTH),), **FLAT),
        tone("Arp Octave Tri", "triangle 4-bit stepped", release=0.05, gain=1, seq=(Seq("arp", OCTAVE, step=2),),
             **FLAT),
        tone("Duty Pluck 50%", "pulse 50% 4-bit", ring=0.35, release=0.05,
             seq=(duty_sweep("4-bit", ("50%", "37.5%", "25%", "12.5%"), step=2),), **PLUCK),
        tone("Duty Pluck 8-bit", "pulse 50% 8-bit", ring=0.5, release=0.05,
             seq=(duty_sweep("8-bit", ("50%", "25%", "|", "12.5%", "25%"), step=3),), **PLUCK),
    ]


def stabs_and_keys():
    return [
        tone("Chip Stab 25%", "pulse 25% 8-bit", ring=0.6, release=0.05, **PLUCK),
        tone("Chip Stab Saw", "saw + octave 4-bit", ring=0.7, release=0.05, **PLUCK),
        tone("Chip Organ Stab", "organ 5-bit", ring=0.9, release=0.05, **PLUCK),
        tone("Chip Piano", "piano 8-bit", ring=3.0, release=0.2, **PLUCK),
        tone("Chip E.Piano", "e.piano 5-bit", ring=2.5, release=0.2, strc=TREM, lms=1, lfo_hz=4.5, **PLUCK),
        tone("Chip Harpsi", "harpsichord 8-bit", ring=1.8, release=0.1, **PLUCK),
        tone("Chip Clav", "clav 8-bit", ring=1.0, release=0.05, **PLUCK),
        tone("Chip Guitar", "guitar 5-bit", ring=2.0, release=0.15, **PLUCK),
    ]


def bells():
    return [
        tone("Chip Bell", "bell 5-bit", ring=2.5, release=0.8, **PLUCK),
        tone("Chip Glockenspl", "bell glock 8-bit", ring=1.8, release=0.6, cents=1199, gain=-1, **PLUCK),
        tone("Chip Celesta", "celesta 8-bit", ring=1.5, release=0.5, **PLUCK),
        tone("Music Box 8-bit", "bell music box 8-bit", ring=2.0, release=0.6, **PLUCK),
        tone("Chip Marimba", "marimba 5-bit", ring=0.6, release=0.3, **PLUCK),
        tone("Chip Xylophone", "xylo 8-bit", ring=0.4, release=0.3, **PLUCK),
        tone("Tubular Bell", "bell tubular 8-bit", ring=4.0, release=1.2, **PLUCK),
        tone("Chip Vibraphone", "vibes 8-bit", ring=3.0, release=0.8, strc=TREM, lms=2, lfo_hz=5.0, **PLUCK),
    ]


def organs_and_winds():
    return [
        tone("Chip Organ", "organ 1-2-3 4-bit", release=0.05, **FLAT),
        tone("Full Organ 8-bit", "organ full 8-bit", release=0.08, **FLAT),
        tone("Vib Organ 5-bit", "organ 5-bit", release=0.06, strc=VIB, lms=1, lfo_hz=6.5, **FLAT),
        tone("Chip Brass", "brass bright 8-bit", attack=0.03, release=0.1, **FLAT),
        tone("Brass Swell", "trumpet 4-bit", attack=0.25, release=0.15, **FLAT),
        tone("Chip Clarinet", "clarinet 4-bit", attack=0.03, release=0.08, **FLAT),
        tone("Chip Oboe", "oboe 8-bit", attack=0.03, release=0.08, strc=VIB, lms=1, lfo_hz=5.5,
             lfo=late_vibrato(15, 20), **FLAT),
        tone("Chip Flute", "flute 8-bit", attack=0.06, release=0.12, **FLAT),
    ]


def pads():
    return [
        tone("Pulse Pad 25%", "pulse 25% 8-bit", attack=0.5, release=1.0, strc=VIB, lms=1, lfo_hz=4.0, **FLAT),
        tone("Warm Pad", "pad warm 8-bit", attack=0.6, release=1.2, **FLAT),
        tone("Tri Pad", "triangle 8-bit", attack=0.4, release=1.0, strc=TREM, lms=1, lfo_hz=3.0, **FLAT),
        tone("Vox Pad", "pad vox 8-bit", attack=0.5, release=1.2, **FLAT),
        tone("String Pad", "pad strings 8-bit", attack=0.4, release=0.9, **FLAT),
        tone("Glass Pad", "pad glass 8-bit", attack=0.8, release=1.5, **FLAT),
        tone("Choir Pad", "choir 8-bit", attack=0.7, release=1.3, strc=VIB, lms=1, lfo_hz=5.0, **FLAT),
        tone("4-bit Saw Pad", "saw 4-bit", attack=1.0, release=1.5, strc=TREM, lms=2, lfo_hz=2.0, **FLAT),
    ]


def intervals():
    # Single tables holding two or three harmonics sound as intervals and
    # chords in one voice; tune drops the table so the written note is the root.
    return [
        tone("Power Fifth", "fifth (2+3) 8-bit", cents=-1200, release=0.08, **FLAT),
        tone("Octave Lead", "octaves (1+2+4) 8-bit", release=0.08, **FLAT),
        tone("Major Chord 8va", "major chord (4+5+6) 8-bit", cents=-1200, decay=0.8, sustain=6, release=0.1, **FLAT),
        tone("Sus Chord", "sus chord (2+3+4) 8-bit", cents=-1200, attack=0.2, release=0.6, **FLAT),
        tone("Reso Lead", "reso sweep 8-bit", attack=0.02, release=0.08, **FLAT),
        tone("Sitar Drone", "sitar 8-bit", attack=0.02, release=0.3, **FLAT),
        tone("Ring Mod Lead", "ring 1x5 4-bit", release=0.08, **FLAT),
        tone("Metal Lead", "metal 5-bit", decay=0.5, sustain=6, release=0.1, **FLAT),
    ]


def noise_effects():
    return [
        tone("Wind Noise", "pulse 50% 4-bit", strc=NOISE, attack=0.5, release=1.0, gain=-6, **FLAT),
        tone("Surf Noise", "pulse 50% 4-bit", strc=NOISE, attack=0.8, release=1.5, gain=-8, cents=-600, **FLAT),
        tone("Hiss Burst", "pulse 50% 4-bit", strc=NOISE, ring=0.3, release=0.1, gain=-4, cents=600, **PLUCK),
        tone("Explosion", "pulse 50% 4-bit", strc=NOISE, ring=2.0, release=0.8, gain=-1, cents=-1200,
             seq=(Seq("pitch", "| -2", step=2),), **FLAT),
        tone("Metal Noise", "short noise 2a5b 1-bit", ring=0.8, release=0.2, **PLUCK),
        tone("Engine Rumble", "random steps 11 4-bit", release=0.2, gain=1, **FLAT),
        tone("Rain Noise", "pulse 50% 4-bit", strc=NOISE, release=0.6, gain=-10, cents=1100, **FLAT),
        tone("Static Crackle", "grit 2-bit", release=0.1, gain=-2, **FLAT),
    ]


def risers():
    # Risers swell and climb (a looped PITCH step is a sweep: 1/16 semitone a
    # tick is 3.75 semitones a second), sirens and alarms ride the LFO.
    return [
        tone("Noise Riser 2s", "pulse 50% 4-bit", strc=NOISE, attack=2.0, release=0.3, gain=-4,
             seq=(Seq("pitch", "| 2"),), **FLAT),
        tone("Noise Riser 4s", "pulse 50% 4-bit", strc=NOISE, attack=4.0, release=0.3, gain=-4, cents=300, **FLAT),
        tone("Pulse Riser", "pulse 12.5% 8-bit", attack=2.5, release=0.3, strc=VIB, lms=3, lfo_hz=9.0,
             seq=(Seq("pitch", "| 1"),), **FLAT),
        tone("Saw Swell 3s", "saw 5-bit", attack=3.0, release=0.4, **FLAT),
        tone("Siren", "triangle 5-bit", release=0.2, strc=VIB, lms=12, lfo_hz=0.8, **FLAT),
        tone("Alarm", "pulse 50% 2-bit", release=0.1, strc=VIB, lms=9, lfo_hz=8.0, **FLAT),
        tone("Helicopter", "random steps 23 4-bit", release=0.2, strc=TREM, lms=14, lfo_hz=12.0, **FLAT),
        tone("UFO Warble", "sine 8-bit", release=0.3, strc=VIB, lms=6, lfo_hz=11.0, **FLAT),
    ]


def blips():
    # Game sounds of one note: the coin's second note is its arpeggio, the
    # laser falls and the bubble rises by a looped PITCH step.
    return [
        tone("Coin Blip", "pulse 50% 4-bit", cents=1200, ring=0.35, release=0.1, seq=(Seq("arp", "0 5", step=4),),
             **PLUCK),
        tone("Select Beep", "pulse 25% 4-bit", cents=1200, ring=0.12, release=0.03, **PLUCK),
        tone("Menu Tick", "click 8-bit", ring=0.05, release=0.02, gain=2, **PLUCK),
        tone("Laser Chirp", "chirp 4-bit", cents=1200, ring=0.25, release=0.05, seq=(Seq("pitch", "| -20"),), **PLUCK),
        tone("Hit Crunch", "pulse 50% 4-bit", strc=NOISE, ring=0.15, release=0.05, gain=-2, **PLUCK),
        tone("Power Up Vib", "pulse 12.5% 4-bit", ring=1.0, release=0.1, strc=VIB, lms=5, lfo_hz=14.0, **PLUCK),
        tone("Bubble Blip", "sine 2-bit", cents=1200, ring=0.2, release=0.05, seq=(Seq("pitch", "| 12"),), **PLUCK),
        tone("Short Noise Zap", "short noise 0001 1-bit", ring=0.2, release=0.05, **PLUCK),
    ]


HOLDS = "holds"
# (name, build, ring seconds while held or HOLDS, release seconds), 8 programs each.
FAMILIES = (
    Family("Pulse Leads", HOLDS, (0.02, 0.2), pulse_leads),
    Family("Vibrato and Tremolo Leads", HOLDS, (0.05, 0.3), vibrato_leads),
    Family("Echo and Swell Leads", HOLDS, (0.3, 2.0), echo_leads),
    Family("Pulse and Triangle Basses", HOLDS, (0.02, 0.1), pulse_basses),
    Family("Wave Basses", HOLDS, (0.02, 0.1), wave_basses),
    Family("4-bit Wave Channel", HOLDS, (0.02, 0.25), four_bit_waves),
    Family("5- and 8-bit Waves", HOLDS, (0.03, 0.4), deeper_waves),
    Family("Arpeggios and Duty Plucks", (0.2, 3.0), (0.02, 0.1), arpeggios, may_hold=True),
    Family("Stabs and Keys", (0.4, 4.0), (0.03, 0.3), stabs_and_keys),
    Family("Bells and Mallets", (0.3, 5.0), (0.2, 1.5), bells),
    Family("Organs and Winds", HOLDS, (0.03, 0.2), organs_and_winds),
    Family("Pads", HOLDS, (0.6, 2.0), pads),
    Family("Intervals and Chords", HOLDS, (0.05, 0.8), intervals),
    Family("Noise Effects", (0.2, 3.0), (0.05, 2.0), noise_effects, may_hold=True),
    Family("Risers and Sirens", HOLDS, (0.05, 0.5), risers),
    Family("Game Blips", (0.03, 1.2), (0.01, 0.15), blips),
)


def build_instruments():
    programs = []
    for family in FAMILIES:
        tones = family.build()
        assert len(tones) == 8, family.name
        programs += tones
    return programs


def chord_arpeggio_pairs(programs=None):
    """{major program: its minor twin}: the arpeggio programs a song plays a
    chord's root on, switching to the twin for a minor chord."""
    programs = programs or build_instruments()
    arp = {n: next((s for s in t.sequences if s.family == "arp"), None) for n, t in enumerate(programs)}
    return {n: n + 1 for n in range(len(programs) - 1)
            if arp[n] and arp[n + 1] and arp[n].text() == MAJOR and arp[n + 1].text() == MINOR
            and programs[n].wave == programs[n + 1].wave}
