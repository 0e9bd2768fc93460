#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Two short original songs written for the chip bank, as Standard MIDI Files.

    python3 scripts/factory/chip_songs.py          # rewrites presets/chip-songs/*.mid
    python3 scripts/factory/chip_songs.py --check  # exit 1 if the files differ from the script

- pixel-harbor.mid (for the "Chip Bank" preset, tone kit on part 10; what
  scripts/run-demo.sh renders): 120 bpm in C, a tour of the bank's sequences.
  A pulse lead whose vibrato comes in late by itself (the tone's LFO delay;
  the song sends no modulation wheel), a 12.5 % chord arpeggio that plays
  each chord from its root (the minor program for a minor chord), the
  triangle bass, the echo lead that repeats each note after its release in
  the middle section, a duty-sweep pluck on the offbeats, a pad, and the
  tone kit: kick and toms that drop in pitch, the snare's fixed arpeggio,
  the three-burst clap, the short-noise hi-hat. A coin and a laser end it.
- coin-run.mid (for "Chip Bank Sample Kit", the sample kit on part 10): 150 bpm
  in E minor. A square lead, a 25 % chord arpeggio, a pulse bass, a bell
  counter line, coin blips (one note each: the coin's arpeggio plays the
  second), and the DPCM/ADPCM drums with their game effects.

Each song sets its parts' programs itself; play it with its preset:
    tolvane-render --preset "build/presets/Banks/Chip Bank.vstpreset" presets/chip-songs/pixel-harbor.mid
"""

import argparse
import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import chip_instruments  # noqa: E402
from audition import Track  # noqa: E402
from songs import write_or_check  # noqa: E402

PPQ = 480
BAR = 4 * PPQ
EIGHTH = PPQ // 2
SIXTEENTH = PPQ // 4
DRUMS = 9
HERE = os.path.dirname(os.path.abspath(__file__))
SONG_DIR = os.path.normpath(os.path.join(HERE, "..", "..", "presets", "chip-songs"))

# Chip bank programs (the arpeggios' minor twins are found by chord_arpeggio_pairs).
VIB_LEAD_25, ECHO_LEAD_50, PULSE_LEAD_50 = 9, 17, 2
TRI_BASS, PULSE_BASS_25 = 24, 27
ARP_MAJOR_12, ARP_MAJOR_25, DUTY_PLUCK_50 = 56, 58, 62
WARM_PAD, CHIP_BELL, COIN_BLIP, LASER_CHIRP = 89, 72, 120, 123
MINOR_TWIN = chip_instruments.chord_arpeggio_pairs()

MAJOR, MINOR = (0, 4, 7), (0, 3, 7)


def setup(track, channel, program, volume=100, pan=64):
    track.add(0, [0xC0 | channel, program], order=0)
    track.add(0, [0xB0 | channel, 7, volume], order=0)
    track.add(0, [0xB0 | channel, 10, pan], order=0)


def melody(track, channel, start, notes, velocity=100, gap=30):
    """(key, eighths) in a row from `start`; a key of 0 rests."""
    t = start
    for key, eighths in notes:
        length = eighths * EIGHTH
        if key:
            track.note(t, channel, key, length - gap, velocity)
        t += length
    return t


def arpeggio(track, channel, start, chords, major, octave=72, velocity=85):
    """A bar of each chord on the chord arpeggio program `major` (its minor
    twin for a minor chord): the root struck on 1, the "and" of 2 and on 4,
    the program's arpeggio playing the chord."""
    for bar, (root, shape) in enumerate(chords):
        t = start + bar * BAR
        track.add(t, [0xC0 | channel, MINOR_TWIN[major] if shape == MINOR else major], order=0)
        for at, eighths in ((0, 3), (3, 3), (6, 2)):
            track.note(t + at * EIGHTH, channel, octave - 12 + root % 12, eighths * EIGHTH - 30, velocity)


def offbeats(track, channel, start, chords, octave=84, velocity=80):
    """A pluck on every offbeat eighth: the chord's root, then its fifth."""
    for bar, (root, shape) in enumerate(chords):
        for beat in range(4):
            key = octave + root % 12 + (shape[2] if beat % 2 else 0)
            track.note(start + bar * BAR + beat * PPQ + EIGHTH, channel, key, EIGHTH - 30, velocity)


def bassline(track, channel, start, chords, base=36, pattern=(0, 0, 12, 0, 7, 0, 12, 0), velocity=105):
    for bar, (root, _) in enumerate(chords):
        for step, offset in enumerate(pattern):
            track.note(start + bar * BAR + step * EIGHTH, channel, base + root % 12 + offset, EIGHTH - 40, velocity)


def pad(track, channel, start, chords, base=60, velocity=80):
    for bar, (root, shape) in enumerate(chords):
        for i in shape:
            track.note(start + bar * BAR, channel, base + (root + i) % 12, BAR - 60, velocity)


def drums(track, start, bars, kick=(0, 6, 8), snare=(4, 12), hat_every=2, fill=False, crash=True):
    for bar in range(bars):
        t0 = start + bar * BAR
        if crash and bar == 0:
            track.note(t0, DRUMS, 49, BAR, 100)
        for step in range(16):
            t = t0 + step * SIXTEENTH
            if step % hat_every == 0:
                track.note(t, DRUMS, 46 if step == 14 else 42, SIXTEENTH, 70 + 15 * (step % 4 == 0))
            if step in kick:
                track.note(t, DRUMS, 36, EIGHTH, 110)
            if step in snare:
                track.note(t, DRUMS, 38, EIGHTH, 100)
        if fill and bar == bars - 1:
            for n, tom in enumerate((50, 48, 47, 45, 43, 41)):
                track.note(t0 + (10 + n) * SIXTEENTH, DRUMS, tom, SIXTEENTH, 100)


def claps(track, start, bars):
    for bar in range(bars):
        for beat in (1, 3):
            track.note(start + bar * BAR + beat * PPQ, DRUMS, 39, EIGHTH, 90)


def song_bytes(track, bpm):
    tempo = round(60_000_000 / bpm)
    track.add(0, [0xFF, 0x51, 0x03, tempo >> 16, (tempo >> 8) & 0xFF, tempo & 0xFF], order=0)
    body = track.encode()
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ) + b"MTrk" + struct.pack(">I", len(body)) + body


def pixel_harbor():
    t = Track()
    C, Am, F, G, Em = (0, MAJOR), (9, MINOR), (5, MAJOR), (7, MAJOR), (4, MINOR)
    setup(t, 0, VIB_LEAD_25, 100, 56)
    setup(t, 1, ARP_MAJOR_12, 80, 84)
    setup(t, 2, TRI_BASS, 110)
    setup(t, 3, ECHO_LEAD_50, 80, 100)
    setup(t, 4, WARM_PAD, 70, 40)
    setup(t, 5, DUTY_PLUCK_50, 70, 28)
    setup(t, 6, COIN_BLIP, 80, 70)
    intro, verse = [C, Am, F, G], [C, Am, F, G, C, Am, F, G]
    bridge, ending = [F, G, Em, Am], [F, G, C, C]
    # Intro: the chord arpeggio and the bass, drums from bar 2.
    arpeggio(t, 1, 0, intro, ARP_MAJOR_12)
    bassline(t, 2, 0, intro)
    drums(t, BAR, 3, hat_every=4, crash=False, fill=True)
    start = 4 * BAR
    lead_verse = [(76, 1), (79, 1), (84, 2), (83, 1), (79, 1), (76, 2),
                  (72, 1), (76, 1), (81, 3), (79, 1), (76, 2),
                  (77, 2), (76, 1), (74, 1), (72, 2), (74, 2),
                  (74, 1), (76, 1), (79, 2), (74, 4),
                  (76, 1), (79, 1), (84, 2), (83, 1), (79, 1), (76, 2),
                  (72, 1), (76, 1), (81, 2), (84, 2), (83, 2),
                  (81, 2), (79, 1), (77, 1), (76, 2), (74, 2),
                  (72, 8)]
    melody(t, 0, start, lead_verse)
    arpeggio(t, 1, start, verse, ARP_MAJOR_12)
    bassline(t, 2, start, verse)
    offbeats(t, 5, start + 4 * BAR, verse[4:])
    drums(t, start, 8, fill=True)
    claps(t, start + 4 * BAR, 4)
    start += 8 * BAR
    # Bridge: the echo lead alone on the tune, each note coming back softer after it is let go.
    lead_bridge = [(77, 2), (0, 1), (76, 1), (77, 2), (81, 2),
                   (79, 4), (0, 2), (74, 2),
                   (76, 2), (0, 1), (74, 1), (76, 2), (79, 2),
                   (81, 6), (0, 2)]
    melody(t, 3, start, lead_bridge, gap=60)
    pad(t, 4, start, bridge)
    arpeggio(t, 1, start, bridge, ARP_MAJOR_12, velocity=70)
    bassline(t, 2, start, bridge, pattern=(0, 0, 0, 0, 0, 0, 12, 12))
    drums(t, start, 4, kick=(0, 8), snare=(4, 12), fill=True)
    start += 4 * BAR
    melody(t, 0, start, [(77, 2), (79, 2), (81, 2), (83, 2), (84, 2), (79, 2), (76, 2), (79, 2), (84, 16)])
    pad(t, 4, start, ending)
    arpeggio(t, 1, start, ending[:3], ARP_MAJOR_12)
    offbeats(t, 5, start, ending[:3])
    bassline(t, 2, start, ending[:3])
    t.note(start + 3 * BAR, 2, 36, BAR, 110)
    drums(t, start, 3, fill=True)
    t.note(start + 3 * BAR, DRUMS, 49, BAR, 110)
    t.note(start + 3 * BAR, DRUMS, 36, EIGHTH, 110)
    # A coin (its second note is its arpeggio) and a falling laser to close.
    t.note(start + 3 * BAR + 2 * PPQ, 6, 83, PPQ, 90)
    t.add(start + 3 * BAR + 3 * PPQ, [0xC6, LASER_CHIRP], order=0)
    t.note(start + 3 * BAR + 3 * PPQ, 6, 72, PPQ, 90)
    return song_bytes(t, 120)


def coin_run():
    t = Track()
    Em, C, G, D = (4, MINOR), (0, MAJOR), (7, MAJOR), (2, MAJOR)
    setup(t, 0, PULSE_LEAD_50, 95, 60)
    setup(t, 1, ARP_MAJOR_25, 75, 90)
    setup(t, 2, PULSE_BASS_25, 105)
    setup(t, 3, CHIP_BELL, 80, 36)
    setup(t, 4, COIN_BLIP, 85, 70)
    loop = [Em, C, G, D]
    arpeggio(t, 1, 0, loop[:2], ARP_MAJOR_25, octave=76)
    drums(t, 0, 2, kick=(0, 4, 8, 12), snare=(), hat_every=4, crash=False)
    start = 2 * BAR
    phrase = [(71, 1), (74, 1), (76, 2), (79, 1), (76, 1), (74, 1), (71, 1),
              (72, 2), (76, 2), (79, 3), (78, 1),
              (79, 1), (78, 1), (76, 1), (74, 1), (71, 2), (74, 2),
              (74, 1), (76, 1), (78, 2), (81, 4)]
    answer = phrase[:-4] + [(78, 1), (76, 1), (78, 2), (76, 4)]
    melody(t, 0, start, phrase + answer)
    arpeggio(t, 1, start, loop * 2, ARP_MAJOR_25, octave=76)
    bassline(t, 2, start, loop * 2, base=28, pattern=(0, 12, 0, 12, 0, 12, 7, 12))
    drums(t, start, 8, kick=(0, 7, 8, 10), snare=(4, 12), fill=True)
    # Coins after every second phrase end: one note each, the coin's arpeggio plays the fourth above.
    for bar in (3, 7):
        melody(t, 4, start + bar * BAR + 6 * EIGHTH, [(83, 2)], gap=20)
    start += 8 * BAR
    counter = [(83, 4), (81, 4), (79, 4), (78, 4), (79, 4), (76, 4), (78, 8)]
    melody(t, 3, start, counter, velocity=95)
    melody(t, 0, start, phrase, velocity=90)
    arpeggio(t, 1, start, loop, ARP_MAJOR_25, octave=76)
    bassline(t, 2, start, loop, base=28, pattern=(0, 12, 0, 12, 0, 12, 7, 12))
    drums(t, start, 4, kick=(0, 7, 8, 10), snare=(4, 12), fill=True)
    start += 4 * BAR
    melody(t, 0, start, [(76, 2), (79, 2), (83, 4), (88, 8)])
    melody(t, 4, start + BAR + 4 * EIGHTH, [(83, 2)], gap=20)
    bassline(t, 2, start, [Em], base=28)
    t.note(start + BAR, 2, 28, BAR, 110)
    drums(t, start, 1, kick=(0, 8), snare=(4, 12))
    for n, key in enumerate((30, 27, 31)):  # power-up, laser, explosion from the sample kit's effects
        t.note(start + BAR + n * PPQ, DRUMS, key, PPQ, 100)
    return song_bytes(t, 150)


SONGS = {"pixel-harbor": pixel_harbor, "coin-run": coin_run}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", default=SONG_DIR)
    parser.add_argument("--check", action="store_true", help="compare instead of writing; exit 1 on a difference")
    args = parser.parse_args()
    songs = {name: make() for name, make in SONGS.items()}
    return write_or_check(songs, args.out, args.check, "chip_songs.py")


if __name__ == "__main__":
    sys.exit(main())
