#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Two short original songs written for the chip bank, as Standard MIDI Files.

    python3 scripts/factory/chip_songs.py          # rewrites presets/chip-songs/*.mid
    python3 scripts/factory/chip_songs.py --check  # exit 1 if the files differ from the script

- pixel-harbor.mid (for the "Chip Bank" preset, tone kit on part 10; what
  scripts/run-demo.sh renders): 120 bpm in C. A vibrato pulse lead whose
  modulation wheel rises on every long note (a tracker's delayed vibrato),
  a 12.5 % arpeggio, the triangle bass, an echo lead an eighth behind the
  lead in the middle section, a pad, and the noise kit.
- coin-run.mid (for "Chip Bank Sample Kit", the sample kit on part 10): 150 bpm
  in E minor. A square lead, a 50 % arpeggio, a pulse bass, a bell counter
  line, coin blips, and the DPCM/ADPCM drums with their game effects.

Each song sets its parts' programs itself; play it with its preset:
    tolvane-render --preset "build/presets/Banks/Chip Bank.vstpreset" presets/chip-songs/pixel-harbor.mid
"""

import argparse
import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from audition import Track  # noqa: E402
from songs import write_or_check  # noqa: E402

PPQ = 480
BAR = 4 * PPQ
EIGHTH = PPQ // 2
SIXTEENTH = PPQ // 4
DRUMS = 9
HERE = os.path.dirname(os.path.abspath(__file__))
SONG_DIR = os.path.normpath(os.path.join(HERE, "..", "..", "presets", "chip-songs"))

# Chip bank programs.
VIB_LEAD_25, ECHO_LEAD_50, PULSE_LEAD_50 = 9, 17, 2
TRI_BASS, PULSE_BASS_25 = 24, 27
ARP_12, ARP_50 = 56, 58
WARM_PAD, CHIP_BELL, COIN_BLIP = 89, 72, 120

MAJOR, MINOR = (0, 4, 7), (0, 3, 7)


def setup(track, channel, program, volume=100, pan=64):
    track.add(0, [0xC0 | channel, program], order=0)
    track.add(0, [0xB0 | channel, 7, volume], order=0)
    track.add(0, [0xB0 | channel, 10, pan], order=0)
    track.add(0, [0xB0 | channel, 1, 0], order=0)


def melody(track, channel, start, notes, velocity=100, vibrato=False, shift=0, gap=30):
    """(key, eighths) in a row from `start`; with vibrato the wheel comes up
    after the attack of every note of a half note or longer."""
    t = start
    for key, eighths in notes:
        length = eighths * EIGHTH
        if key:
            track.note(t + shift, channel, key, length - gap, velocity)
        if vibrato:
            track.add(t, [0xB0 | channel, 1, 0], order=0)
            if eighths >= 4:
                steps = 2 * eighths
                for step in range(steps // 4, steps):
                    track.add(t + step * SIXTEENTH, [0xB0 | channel, 1, 20 + 90 * step // steps])
        t += length
    return t


def arpeggio(track, channel, start, chords, octave=72, velocity=85):
    for bar, (root, shape) in enumerate(chords):
        keys = [octave - 12 + (root + i) % 12 + 12 * ((root + i) // 12) for i in shape] + [octave + root % 12]
        for step in range(16):
            track.note(start + bar * BAR + step * SIXTEENTH, channel, keys[step % 4], SIXTEENTH - 10, velocity)


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


def song_bytes(track, bpm):
    tempo = round(60_000_000 / bpm)
    track.add(0, [0xFF, 0x51, 0x03, tempo >> 16, (tempo >> 8) & 0xFF, tempo & 0xFF], order=0)
    body = track.encode()
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ) + b"MTrk" + struct.pack(">I", len(body)) + body


def pixel_harbor():
    t = Track()
    C, Am, F, G, Em = (0, MAJOR), (9, MINOR), (5, MAJOR), (7, MAJOR), (4, MINOR)
    setup(t, 0, VIB_LEAD_25, 100, 56)
    setup(t, 1, ARP_12, 80, 84)
    setup(t, 2, TRI_BASS, 110)
    setup(t, 3, ECHO_LEAD_50, 70, 100)
    setup(t, 4, WARM_PAD, 70, 40)
    intro, verse = [C, Am, F, G], [C, Am, F, G, C, Am, F, G]
    bridge, ending = [F, G, Em, Am], [F, G, C, C]
    # Intro: arpeggio and bass, drums from bar 2.
    arpeggio(t, 1, 0, intro)
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
    melody(t, 0, start, lead_verse, vibrato=True)
    arpeggio(t, 1, start, verse)
    bassline(t, 2, start, verse)
    drums(t, start, 8, fill=True)
    start += 8 * BAR
    lead_bridge = [(77, 3), (76, 1), (77, 2), (81, 2),
                   (79, 6), (74, 2),
                   (76, 3), (74, 1), (76, 2), (79, 2),
                   (81, 8)]
    melody(t, 0, start, lead_bridge, vibrato=True)
    melody(t, 3, start, [(k - 12, e) for k, e in lead_bridge], velocity=90, shift=EIGHTH)  # the echo
    pad(t, 4, start, bridge)
    arpeggio(t, 1, start, bridge, velocity=70)
    bassline(t, 2, start, bridge, pattern=(0, 0, 0, 0, 0, 0, 12, 12))
    drums(t, start, 4, kick=(0, 8), snare=(4, 12), fill=True)
    start += 4 * BAR
    melody(t, 0, start, [(77, 2), (79, 2), (81, 2), (83, 2), (84, 2), (79, 2), (76, 2), (79, 2), (84, 16)],
           vibrato=True)
    pad(t, 4, start, ending)
    arpeggio(t, 1, start, ending[:3])
    bassline(t, 2, start, ending[:3])
    t.note(start + 3 * BAR, 2, 36, BAR, 110)
    drums(t, start, 3, fill=True)
    t.note(start + 3 * BAR, DRUMS, 49, BAR, 110)
    t.note(start + 3 * BAR, DRUMS, 36, EIGHTH, 110)
    return song_bytes(t, 120)


def coin_run():
    t = Track()
    Em, C, G, D = (4, MINOR), (0, MAJOR), (7, MAJOR), (2, MAJOR)
    setup(t, 0, PULSE_LEAD_50, 95, 60)
    setup(t, 1, ARP_50, 75, 90)
    setup(t, 2, PULSE_BASS_25, 105)
    setup(t, 3, CHIP_BELL, 80, 36)
    setup(t, 4, COIN_BLIP, 85, 70)
    loop = [Em, C, G, D]
    arpeggio(t, 1, 0, loop[:2], octave=76)
    drums(t, 0, 2, kick=(0, 4, 8, 12), snare=(), hat_every=4, crash=False)
    start = 2 * BAR
    phrase = [(71, 1), (74, 1), (76, 2), (79, 1), (76, 1), (74, 1), (71, 1),
              (72, 2), (76, 2), (79, 3), (78, 1),
              (79, 1), (78, 1), (76, 1), (74, 1), (71, 2), (74, 2),
              (74, 1), (76, 1), (78, 2), (81, 4)]
    answer = phrase[:-4] + [(78, 1), (76, 1), (78, 2), (76, 4)]
    melody(t, 0, start, phrase + answer)
    arpeggio(t, 1, start, loop * 2, octave=76)
    bassline(t, 2, start, loop * 2, base=28, pattern=(0, 12, 0, 12, 0, 12, 7, 12))
    drums(t, start, 8, kick=(0, 7, 8, 10), snare=(4, 12), fill=True)
    # Coins: two quick notes, a fourth apart, after every second phrase end.
    for bar in (3, 7):
        melody(t, 4, start + bar * BAR + 6 * EIGHTH, [(83, 1), (88, 1)], gap=20)
    start += 8 * BAR
    counter = [(83, 4), (81, 4), (79, 4), (78, 4), (79, 4), (76, 4), (78, 8)]
    melody(t, 3, start, counter, velocity=95)
    melody(t, 0, start, phrase, velocity=90)
    arpeggio(t, 1, start, loop, octave=76)
    bassline(t, 2, start, loop, base=28, pattern=(0, 12, 0, 12, 0, 12, 7, 12))
    drums(t, start, 4, kick=(0, 7, 8, 10), snare=(4, 12), fill=True)
    start += 4 * BAR
    melody(t, 0, start, [(76, 2), (79, 2), (83, 4), (88, 8)])
    melody(t, 4, start + BAR + 4 * EIGHTH, [(83, 1), (88, 1)], gap=20)
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
