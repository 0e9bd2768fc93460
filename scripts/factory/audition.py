#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""An audition song for the factory bank, and the levels of its rendering.

    python3 scripts/factory/audition.py song audition.mid
    tolvane-render --receive-sysex audition.mid -o audition.wav
    python3 scripts/factory/audition.py levels audition.wav

The song first loads the whole bank into the engine by System Exclusive (128
wavetables, 256 tones) and puts part 10 into Percussion mode, so the renderer
needs nothing else. Then every program plays one bar on channel 1 (an
arpeggio and a chord, basses two octaves down), every drum sound plays once on
channel 10, and a four-bar General MIDI groove closes it. `levels` prints the
peak and RMS of every bar of the rendered file.
"""

import math
import os
import struct
import sys
import wave

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import instruments  # noqa: E402
import percussion  # noqa: E402
import wavetables  # noqa: E402

PPQ = 480
TICKS_PER_SECOND = 960  # 120 beats per minute
BAR = 4 * PPQ
SYSEX_HEADER = [0x7D, 0x10, 0x20]
BLOCK_PART, BLOCK_INSTRUMENT, BLOCK_PERCUSSION, BLOCK_WAVETABLE = 0x02, 0x04, 0x05, 0x08
DRUM_CHANNEL = 9
PERCUSSION_MODE = 2
VELOCITY = 100
SONG_START = 2 * BAR  # after the bank has been sent
BASS_PROGRAMS = range(32, 40)


# ---- the bank as System Exclusive ----

def sysex(block, record, offset, data):
    assert all(0 <= b < 128 for b in data)
    return [0xF0] + SYSEX_HEADER + [block, record, offset] + list(data) + [0xF7]


def low_high(value):
    return [value & 0x7F, (value >> 7) & 0x7F]


def tone_sysex(block, record, tone):
    data = [ord(c) for c in tone.name]
    data += [tone.key, tone.pan] + low_high(tone.lfoFreq) + [tone.strc] + low_high(tone.tune)
    data += [tone.lms, tone.wave, tone.tl, tone.ar, tone.dr, tone.sl, tone.rr, tone.kf, tone.kfStart]
    return sysex(block, record, 0, data)


def wavetable_sysex(index, table):
    # This block carries 7-bit wave values: the 8-bit value halved.
    eight_bit = [(v << (8 - table.depth)) & 0xFF for v in table.values]
    return sysex(BLOCK_WAVETABLE, index, 0, [w >> 1 for w in eight_bit])


def bank_messages():
    messages = [wavetable_sysex(i, t) for i, t in enumerate(wavetables.TABLES)]
    messages += [tone_sysex(BLOCK_INSTRUMENT, i, t) for i, t in enumerate(instruments.build_instruments())]
    messages += [tone_sysex(BLOCK_PERCUSSION, k, t) for k, t in enumerate(percussion.build_percussion())]
    messages.append(sysex(BLOCK_PART, DRUM_CHANNEL, 1, [PERCUSSION_MODE]))
    return messages


# ---- the song ----

class Track:
    def __init__(self):
        self.events = []  # (tick, order, bytes)

    def add(self, tick, data, order=1):
        self.events.append((tick, order, bytes(data)))

    def note(self, tick, channel, key, length, velocity=VELOCITY):
        self.add(tick, [0x90 | channel, key, velocity])
        self.add(tick + length, [0x80 | channel, key, 0], order=0)  # note-offs before note-ons at a tick

    def encode(self):
        out = bytearray()
        last = 0
        for tick, _, data in sorted(self.events, key=lambda e: (e[0], e[1])):
            out += varlen(tick - last)
            last = tick
            if data[0] == 0xF0:
                out += b"\xF0" + varlen(len(data) - 1) + data[1:]
            else:
                out += data
        out += varlen(0) + b"\xFF\x2F\x00"
        return bytes(out)


def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def schedule():
    """(label, first tick, last tick) of every bar the levels are reported for."""
    bars = []
    tick = SONG_START
    for program, tone in enumerate(instruments.build_instruments()):
        bars.append(("%3d %s" % (program, tone.name), tick, tick + BAR))
        tick += BAR
    for key, tone in enumerate(percussion.build_percussion()):
        if tone.tl < percussion.SILENT_LEVEL:
            bars.append(("%3d %s" % (128 + key, tone.name), tick, tick + BAR // 2))
            tick += BAR // 2
    bars.append(("groove (piano, bass, strings, drums)", tick, tick + 4 * BAR))
    return bars


def write_song(path):
    track = Track()
    track.add(0, [0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20])  # 120 beats per minute
    for i, message in enumerate(bank_messages()):
        track.add(1 + i, message)  # one per tick, well inside the engine's per-block queue
    bars = schedule()
    eighth = PPQ // 2
    for program, (_, start, _) in enumerate(bars[:128]):
        root = 36 if program in BASS_PROGRAMS else 60
        track.add(start, [0xC0, program])
        for i, step in enumerate((0, 4, 7, 12)):
            track.note(start + i * eighth, 0, root + step, eighth - 20)
        for step in (0, 4, 7):
            track.note(start + 2 * PPQ, 0, root + step, 2 * PPQ - 40)
    drum_bars = bars[128:-1]
    for (label, start, _) in drum_bars:
        key = int(label.split()[0]) - 128
        track.note(start, DRUM_CHANNEL, key, PPQ // 4)
    groove_start = bars[-1][1]
    track.add(groove_start, [0xC0, 0])
    track.add(groove_start, [0xC1, 33])
    track.add(groove_start, [0xC2, 48])
    chords = ((60, 64, 67), (57, 60, 64), (53, 57, 60), (55, 59, 62))
    roots = (36, 33, 29, 31)
    for b in range(4):
        bar = groove_start + b * BAR
        for key in chords[b]:
            track.note(bar, 0, key, BAR - 40)
            track.note(bar, 2, key + 12, BAR - 40)
        for beat in range(4):
            t = bar + beat * PPQ
            track.note(t, 1, roots[b], PPQ - 40)
            track.note(t, DRUM_CHANNEL, 36 if beat % 2 == 0 else 38, PPQ // 4)
            track.note(t, DRUM_CHANNEL, 42, PPQ // 8)
            track.note(t + PPQ // 2, DRUM_CHANNEL, 42, PPQ // 8)
        if b == 0:
            track.note(bar, DRUM_CHANNEL, 49, PPQ)
    body = track.encode()
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ))
        f.write(b"MTrk" + struct.pack(">I", len(body)) + body)


# ---- levels of the rendering ----

def read_wav(path):
    """Mono samples (mean of the channels) of a 16- or 24-bit PCM WAV file."""
    with wave.open(path, "rb") as w:
        channels, width, rate = w.getnchannels(), w.getsampwidth(), w.getframerate()
        raw = w.readframes(w.getnframes())
    scale = float(1 << (8 * width - 1))
    values = []
    for i in range(0, len(raw), width):
        chunk = raw[i:i + width]
        values.append(int.from_bytes(chunk, "little", signed=True) / scale)
    mono = [sum(values[i:i + channels]) / channels for i in range(0, len(values), channels)]
    return mono, rate


def db(x):
    return 20 * math.log10(max(x, 1e-9))


def print_levels(path):
    samples, rate = read_wav(path)
    for label, first, last in schedule():
        a, b = int(first / TICKS_PER_SECOND * rate), int(last / TICKS_PER_SECOND * rate)
        part = samples[a:b]
        if not part:
            print("%-40s (not in the file)" % label)
            continue
        peak = max(abs(s) for s in part)
        rms = math.sqrt(sum(s * s for s in part) / len(part))
        print("%-40s peak %6.1f dBFS  rms %6.1f dBFS" % (label, db(peak), db(rms)))


def main(argv):
    if len(argv) == 3 and argv[1] == "song":
        write_song(argv[2])
    elif len(argv) == 3 and argv[1] == "levels":
        print_levels(argv[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
