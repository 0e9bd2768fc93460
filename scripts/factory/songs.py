#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The calibration songs for the factory bank's levels: worst cases a General
MIDI sound module must play without clipping, written here so they can be
committed and played by the bank's tests.

    python3 scripts/factory/songs.py            # rewrites tests/factory/songs/*.mid
    python3 scripts/factory/songs.py --check    # exit 1 if the files differ from the script

- dense-16-parts: 15 instrument parts (one per family, plus a second piano)
  striking three-note chords together at velocity 127 with a busy drum part:
  45 instrument voices, nearly twice the 24 a General MIDI module must have.
- full-volume-piano: a three-note piano chord at velocity 127 and volume 127,
  then a held octave-spread chord with the sustain pedal down.
- busy-drums: kick, snare, hats, toms, crashes and rides at velocity 127.
- cymbal-wash: ride 8ths with crashes on every bar over a band at velocity 100,
  the pattern that turns into a wash when cymbals ring too long.
- band-typical: an ordinary GM arrangement (piano, bass, strings, guitar,
  sax, drums) at the velocities and volumes GM files commonly use (90-110).
"""

import argparse
import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from audition import Track  # noqa: E402

PPQ = 480
BAR = 4 * PPQ
DRUMS = 9
HERE = os.path.dirname(os.path.abspath(__file__))
SONG_DIR = os.path.normpath(os.path.join(HERE, "..", "..", "tests", "factory", "songs"))

CHORDS = ((60, 64, 67, 72), (57, 60, 64, 69), (53, 57, 60, 65), (55, 59, 62, 67))
BASS_ROOTS = (36, 33, 29, 31)
# One program from every instrument family, and a second piano, for the dense song.
DENSE_PROGRAMS = (0, 8, 16, 24, 32, 40, 48, 56, 64, 73, 80, 88, 4, 104, 112)


def controllers(track, channel, program, volume=100, pan=64, expression=127):
    track.add(0, [0xB0 | channel, 7, volume])
    track.add(0, [0xB0 | channel, 10, pan])
    track.add(0, [0xB0 | channel, 11, expression])
    track.add(0, [0xC0 | channel, program])


def busy_drums(track, bars, velocity, start=0):
    for b in range(bars):
        bar = start + b * BAR
        track.note(bar, DRUMS, 49 if b % 2 == 0 else 57, PPQ, velocity)
        for step in range(16):
            t = bar + step * PPQ // 4
            track.note(t, DRUMS, 46 if step % 8 == 6 else 42, PPQ // 8, velocity)
            if step % 4 == 0:
                track.note(t, DRUMS, 36 if step % 8 == 0 else 38, PPQ // 4, velocity)
            if step in (3, 11):
                track.note(t, DRUMS, 51, PPQ // 4, velocity)
        if b % 4 == 3:
            for i, tom in enumerate((50, 48, 47, 45, 43, 41)):
                track.note(bar + 2 * PPQ + i * PPQ // 3, DRUMS, tom, PPQ // 4, velocity)


def dense_16_parts():
    track = Track()
    channels = [c for c in range(16) if c != DRUMS]
    for i, (channel, program) in enumerate(zip(channels, DENSE_PROGRAMS)):
        controllers(track, channel, program, pan=(i * 127) // 14)
    bars = 8
    for b in range(bars):
        chord = CHORDS[b % 4]
        for i, channel in enumerate(channels):
            octave = 12 * (i % 3 - 1)
            for key in chord[:3]:
                track.note(b * BAR, channel, key + octave, BAR - 30, 127)
    busy_drums(track, bars, 127)
    return track


def full_volume_piano():
    track = Track()
    controllers(track, 0, 0, volume=127)
    for b in range(4):
        for key in CHORDS[b][:3]:
            track.note(b * BAR, 0, key, BAR // 2, 127)
    start = 4 * BAR
    track.add(start, [0xB0, 64, 127])
    for key in (36, 48, 55, 60, 64, 67, 72, 76, 79, 84):
        track.note(start, 0, key, BAR, 127)
    track.add(start + 3 * BAR, [0xB0, 64, 0])
    return track


def busy_drums_song():
    track = Track()
    busy_drums(track, 8, 127)
    return track


def cymbal_wash():
    track = Track()
    controllers(track, 0, 0)
    controllers(track, 1, 33)
    controllers(track, 2, 48)
    for b in range(8):
        bar = b * BAR
        track.note(bar, DRUMS, 49, PPQ, 100)
        for step in range(8):
            t = bar + step * PPQ // 2
            track.note(t, DRUMS, 51 if b < 4 else 59, PPQ // 4, 100)
            if step % 2 == 0:
                track.note(t, DRUMS, 36 if step % 4 == 0 else 38, PPQ // 4, 100)
        for key in CHORDS[b % 4][:3]:
            track.note(bar, 0, key, BAR - 30, 90)
            track.note(bar, 2, key + 12, BAR - 30, 80)
        for beat in range(4):
            track.note(bar + beat * PPQ, 1, BASS_ROOTS[b % 4], PPQ - 30, 100)
    return track


def band_typical():
    track = Track()
    for channel, program, volume, pan in ((0, 0, 110, 54), (1, 33, 110, 64), (2, 48, 90, 80), (3, 25, 100, 40),
                                          (4, 65, 100, 74)):
        controllers(track, channel, program, volume=volume, pan=pan)
    for b in range(8):
        bar = b * BAR
        chord = CHORDS[b % 4]
        for key in chord[:3]:
            track.note(bar, 2, key, BAR - 30, 90)
        for beat in range(4):
            t = bar + beat * PPQ
            track.note(t, 1, BASS_ROOTS[b % 4], PPQ - 30, 110)
            for key in chord[:3]:
                track.note(t, 3, key - 12, PPQ // 2, 100 + 10 * (beat % 2))
            track.note(t, 0, chord[beat % 4] + 12, PPQ - 30, 105)
            track.note(t, DRUMS, 36 if beat % 2 == 0 else 38, PPQ // 4, 110)
            track.note(t, DRUMS, 42, PPQ // 8, 90)
            track.note(t + PPQ // 2, DRUMS, 42, PPQ // 8, 70)
        if b % 2 == 1:
            for i, key in enumerate((72, 74, 76, 79)):
                track.note(bar + i * PPQ, 4, key, PPQ - 30, 100)
        if b % 4 == 0:
            track.note(bar, DRUMS, 49, PPQ, 110)
    return track


SONGS = {
    "dense-16-parts": dense_16_parts,
    "full-volume-piano": full_volume_piano,
    "busy-drums": busy_drums_song,
    "cymbal-wash": cymbal_wash,
    "band-typical": band_typical,
}


def song_bytes(track):
    track.add(0, [0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20])  # 120 beats per minute
    body = track.encode()
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ) + b"MTrk" + struct.pack(">I", len(body)) + body


def write_or_check(songs, out, check, script):
    """Writes each song's bytes to out/NAME.mid, or with check counts the files that differ."""
    stale = 0
    for name, data in songs.items():
        path = os.path.join(out, name + ".mid")
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                print("%s is not what %s writes; run it and commit the result" % (path, script), file=sys.stderr)
                stale += 1
        else:
            os.makedirs(out, exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    return 1 if stale else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", default=SONG_DIR)
    parser.add_argument("--check", action="store_true", help="compare instead of writing; exit 1 on a difference")
    args = parser.parse_args()
    songs = {name: song_bytes(make()) for name, make in SONGS.items()}
    return write_or_check(songs, args.out, args.check, "songs.py")


if __name__ == "__main__":
    sys.exit(main())
