#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""docs/sounds.md: a short audition of every factory preset, as rendered.

    python3 scripts/factory/sounds.py [--build build]          # renders, updates docs/sounds/
    python3 scripts/factory/sounds.py [--build build] --check  # renders, compares with the manifest

For every .vstpreset that tolvane-make-presets wrote into BUILD/presets, a
phrase written for its category (a lead line, a bass line, pad chords, a kit
groove, a band on the template's parts...) is rendered by
BUILD/tools/tolvane-render with that preset. On the chip bank the lead's
vibrato comes late by itself and a chord arpeggio program plays each chord's
root (its minor twin for a minor chord); on the GM bank the modulation wheel
rises on the long notes and the arpeggio is played note by note. The
manifest (docs/sounds/manifest.txt) keeps the SHA-256 of each render's PCM
samples and its peak: compressed audio and PNG pictures differ from run to
run (Ogg stream serials, PNG time stamps), the samples do not. A preset's Ogg
Vorbis file and spectrogram (made with sox, with time, frequency and level
axes) are written only when its PCM hash changes, or the spectrogram when it
lacks the axes; --check fails when any hash differs from the manifest,
a preset is missing from it or left in it, or an audition peaks above -1 dBFS.
"""

import argparse
import hashlib
import itertools
import math
import os
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import chip_instruments  # noqa: E402
from audition import Track  # noqa: E402
from songs import song_bytes, PPQ  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
PAGE = os.path.join(ROOT, "docs", "sounds.md")
MEDIA = os.path.join(ROOT, "docs", "sounds")
MANIFEST = os.path.join(MEDIA, "manifest.txt")
PEAK_LIMIT_DB = -1.0
SPECTROGRAM_PIXELS = (360, 129)  # the plot itself; sox adds the axes and the level scale around it
BAR = 4 * PPQ
EIGHTH = PPQ // 2
SIXTEENTH = PPQ // 4
DRUMS = 9
INSTRUMENT, PERCUSSION, SAMPLER = 1, 2, 3
CHIP_BAND = (9, 56, 24, 89)   # chip bank: vibrato lead, major arpeggio, triangle bass, warm pad
GM_BAND = (80, 0, 33, 48)     # GM bank: square lead, piano, finger bass, strings

MELODY = ((72, 1), (76, 1), (79, 2), (77, 1), (76, 1), (74, 2), (72, 1), (74, 1), (76, 1), (79, 1), (84, 4))
CHORDS = ((60, 64, 67), (57, 60, 64), (53, 57, 60), (55, 59, 62))
BASS = (36, 33, 29, 31)
CHORD_ARPEGGIOS = chip_instruments.chord_arpeggio_pairs()  # {major program: minor twin}


# ---- phrases: each writes into a track on one channel, two bars at 120 bpm ----

def lead(track, ch, start=0, wheel=False):
    """The melody in eighths. With `wheel`, on every long note the wheel comes
    up after the attack and falls back for the next (the GM bank's delayed
    vibrato); the chip leads' vibrato comes late by itself."""
    t = start
    for key, eighths in MELODY:
        track.note(t, ch, key, eighths * EIGHTH - 20, 100)
        if wheel:
            track.add(t, [0xB0 | ch, 1, 0], order=0)
            if eighths >= 2:
                for step in range(1, 2 * eighths):
                    track.add(t + step * SIXTEENTH, [0xB0 | ch, 1, min(127, step * 110 // (2 * eighths - 1))])
        t += eighths * EIGHTH


def bass(track, ch, start=0):
    for bar in range(2):
        for step, octave in enumerate((0, 0, 12, 0, 0, 12, 0, 7)):
            root = BASS[bar * 2 + step // 4]
            track.note(start + bar * BAR + step * EIGHTH, ch, root + octave, EIGHTH - 30, 100)


def arpeggio(track, ch, start=0, octave=12):
    """Broken chords in sixteenths, for a program that plays one note a key."""
    for bar in range(2):
        for step in range(16):
            chord = CHORDS[bar * 2 + step // 8]
            track.note(start + bar * BAR + step * SIXTEENTH, ch, chord[step % 3] + octave, SIXTEENTH - 10, 90)


def chord_arpeggio(track, ch, major, start=0, octave=12):
    """Each chord's root held on a chord arpeggio program, struck on the beat
    and the eighth before the next chord; a minor chord takes the minor twin."""
    for n, chord in enumerate(CHORDS):
        minor = chord[1] - chord[0] == 3
        t = start + n * 2 * PPQ
        track.add(t, [0xC0 | ch, CHORD_ARPEGGIOS[major] if minor else major], order=0)
        track.note(t, ch, chord[0] + octave, 3 * EIGHTH - 20, 90)
        track.note(t + 3 * EIGHTH, ch, chord[0] + octave, EIGHTH - 20, 80)


def pads(track, ch, start=0, velocity=90):
    for n, chord in enumerate(CHORDS):
        for key in chord:
            track.note(start + n * 2 * PPQ, ch, key, 2 * PPQ - 40, velocity)


def bells(track, ch, start=0):
    for n, chord in enumerate(CHORDS):
        for i, key in enumerate(chord + (chord[0] + 12,)):
            track.note(start + n * 2 * PPQ + i * EIGHTH, ch, key + 12, 3 * EIGHTH, 95)


def hits(track, ch, start=0):
    for n, key in enumerate((48, 60, 72, 84)):
        track.note(start + n * PPQ, ch, key, PPQ - 60, 100)


def groove(track, ch, start=0, effects=False):
    for bar in range(2):
        for step in range(16):
            t = start + bar * BAR + step * SIXTEENTH
            track.note(t, ch, 46 if step == 14 else 42, SIXTEENTH, 80)
            if step in (0, 6, 8):
                track.note(t, ch, 36, EIGHTH, 110)
            if step in (4, 12):
                track.note(t, ch, 38, EIGHTH, 105)
        if bar == 1:
            for n, tom in enumerate((50, 48, 45, 41)):
                track.note(start + bar * BAR + (12 + n) * SIXTEENTH, ch, tom, SIXTEENTH, 100)
    track.note(start + 2 * BAR, ch, 49, BAR, 100)
    if effects:
        for n, key in enumerate((27, 28, 29, 30, 31)):
            track.note(start + 2 * BAR + n * PPQ, ch, key, PPQ, 100)


CATEGORY_ORDER = ("Banks", "Kits", "Templates", "Leads", "Basses", "Pads", "Keys and Bells", "Effects", "GM Variations")
BAND_ROLES = (lead, arpeggio, bass, pads, bells, pads, lead, bass)
SOLO_ROLE = {"Leads": lead, "Basses": bass, "Pads": pads, "Keys and Bells": bells, "Effects": hits}


def part_modes_and_programs(preset_path):
    """(mode, program) of the 16 parts, from the preset's component state."""
    with open(preset_path, "rb") as f:
        data = f.read()
    list_at = struct.unpack("<q", data[40:48])[0]
    count = struct.unpack("<i", data[list_at + 4:list_at + 8])[0]
    for n in range(count):
        entry = list_at + 8 + 20 * n
        if data[entry:entry + 4] == b"Comp":
            offset = struct.unpack("<q", data[entry + 4:entry + 12])[0]
            return [(data[offset + 13 + 11 * p + 2], data[offset + 13 + 11 * p + 3]) for p in range(16)]
    raise ValueError("%s holds no component state" % preset_path)


def phrase(name, category, parts):
    """The audition of one preset as a MIDI file's bytes."""
    track = Track()
    kits = [p for p, (mode, _) in enumerate(parts) if mode in (PERCUSSION, SAMPLER)]
    gm = "GM" in name or category == "GM Variations"
    if category in SOLO_ROLE:
        if SOLO_ROLE[category] is lead:
            lead(track, 0, wheel=gm)
        else:
            SOLO_ROLE[category](track, 0)
        if category == "Effects" and DRUMS in kits:
            groove(track, DRUMS, effects=parts[DRUMS][0] == SAMPLER)
    elif category == "Kits":
        for n, part in enumerate(kits):
            groove(track, part, start=n * 3 * BAR, effects=parts[part][0] == SAMPLER)
    else:
        programs = [program for _, program in parts]
        if category == "Banks":  # the bare bank: a band from its own programs
            programs[:4] = GM_BAND if gm else CHIP_BAND
            for ch, program in enumerate(programs[:4]):
                track.add(0, [0xC0 | ch, program], order=0)
        used = [p for p in range(8) if parts[p][0] == INSTRUMENT and (p < 4 or parts[p][1] != 0)]
        for role, part in zip(BAND_ROLES, used):
            if not gm and part != used[0] and programs[part] == programs[used[0]]:
                lead(track, part, start=EIGHTH)  # a second part on the lead's program: its echo, an eighth later
            elif role is lead:
                lead(track, part, wheel=gm)
            elif role is arpeggio and not gm and programs[part] in CHORD_ARPEGGIOS:
                chord_arpeggio(track, part, programs[part])
            else:
                role(track, part)
        for part in kits:
            groove(track, part, effects=parts[part][0] == SAMPLER and part != DRUMS)
    return song_bytes(track)


# ---- rendering and the manifest ----

def presets(build):
    folder = os.path.join(build, "presets")
    found = []
    for category in sorted(os.listdir(folder), key=lambda c: (CATEGORY_ORDER.index(c) if c in CATEGORY_ORDER else 99, c)):
        sub = os.path.join(folder, category)
        if os.path.isdir(sub):
            found += [(category, f[:-len(".vstpreset")], os.path.join(sub, f)) for f in sorted(os.listdir(sub))
                      if f.endswith(".vstpreset")]
    return found


def slug(name):
    return "".join(c.lower() if c.isalnum() else "-" for c in name).strip("-").replace("--", "-")


def read_pcm(path):
    """The data chunk of a PCM WAV file and its peak in dBFS (24-bit samples)."""
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        chunk, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if chunk == b"data":
            pcm = data[at + 8:at + 8 + size]
            peak = max((abs(int.from_bytes(pcm[i:i + 3], "little", signed=True)) for i in range(0, len(pcm), 3)),
                       default=0)
            return pcm, 20 * math.log10(max(peak, 1) / 8388608.0)
        at += 8 + size + (size & 1)
    raise ValueError("%s has no data chunk" % path)


def render(build, preset_path, midi, wav):
    renderer = os.path.join(build, "tools", "tolvane-render")
    # From presets/, where the sample kit's files are found under the names the presets keep.
    subprocess.run([renderer, "-q", "--preset", preset_path, "--tail", "1.5", "-o", wav, midi], check=True,
                   cwd=os.path.join(ROOT, "presets"))


def read_manifest():
    entries = {}
    if os.path.exists(MANIFEST):
        with open(MANIFEST, encoding="utf-8") as f:
            for line in f:
                if line.strip() and not line.startswith("#"):
                    digest, peak, file = line.rstrip("\n").split(" ", 2)
                    entries[file] = (digest, float(peak))
    return entries


def write_audio(wav, base):
    """The Ogg Vorbis audition, brought to -3 dBFS for listening."""
    subprocess.run(["sox", wav, "-C", "0", base + ".ogg", "gain", "-n", "-3"], check=True)


def write_spectrogram(wav, base):
    """Its spectrogram (sox): time in seconds across, frequency in kHz up, level by shade."""
    x, y = SPECTROGRAM_PIXELS
    subprocess.run(["sox", wav, "-n", "remix", "-", "rate", "22050", "spectrogram", "-x", str(x), "-y", str(y),
                    "-z", "80", "-m", "-c", "", "-o", base + ".png"], check=True)


def has_axes(png):
    """Whether a spectrogram has room for its axes around the plot (one written before they were has not)."""
    try:
        with open(png, "rb") as f:
            width, height = struct.unpack(">II", f.read(24)[16:24])
    except (OSError, struct.error):
        return False
    return width > SPECTROGRAM_PIXELS[0] and height > SPECTROGRAM_PIXELS[1]


def write_page(rows):
    lines = ["# Factory presets: hear them before loading",
             "",
             "A few seconds of every factory preset playing a phrase written for its category, rendered by",
             "`tolvane-render` from the preset file, with its spectrogram (time in seconds across, frequency",
             "in kHz up, level in dBFS by shade). The audio is brought to -3 dBFS for listening; the table",
             "gives the preset's own peak, which keeps a sound module's headroom (a single voice peaks far",
             "below a band).",
             "Leads play a melody: the chip leads' vibrato comes in late by itself (the tone's own LFO",
             "delay), the GM bank's as the modulation wheel rises. Chip templates and banks play each chord",
             "by its root on a chord arpeggio program, and a part on the lead's sound echoes the lead an",
             "eighth later; kits play a groove (sample kits end on their game effects, keys 27-31),",
             "banks and templates a band on their parts. Generated by `scripts/factory/sounds.py`; the",
             "test command renders every audition again and compares its samples with",
             "`sounds/manifest.txt`, so this page follows the presets.",
             "",
             "To play them yourself without installing anything, open [the web page](manual.md#10-the-web-page)",
             "(`build/web`, served as the README says): it lists the same presets, plays them from the",
             "keyboard and renders a MIDI file with any of them, in the browser.",
             ""]
    for category, group in itertools.groupby(rows, key=lambda row: row[0]):
        lines += ["## " + category, "", "| preset | listen | spectrogram | peak |", "|---|---|---|---|"]
        lines += ["| %s | [%s.ogg](sounds/%s.ogg) | ![%s](sounds/%s.png) | %.1f dBFS |" % (name, file, file, name, file, peak)
                  for _, name, file, peak in group]
        lines.append("")
    with open(PAGE, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--check", action="store_true", help="compare with the manifest; exit 1 on a difference")
    args = parser.parse_args()
    manifest = read_manifest()
    faults, rows, fresh = [], [], {}
    with tempfile.TemporaryDirectory() as scratch:
        for category, name, path in presets(args.build):
            file = slug(name)
            midi, wav = os.path.join(scratch, file + ".mid"), os.path.join(scratch, file + ".wav")
            with open(midi, "wb") as f:
                f.write(phrase(name, category, part_modes_and_programs(path)))
            render(args.build, path, midi, wav)
            pcm, peak = read_pcm(wav)
            digest = hashlib.sha256(pcm).hexdigest()
            fresh[file] = (digest, round(peak, 2))
            rows.append((category, name, file, peak))
            if peak > PEAK_LIMIT_DB:
                faults.append("%s peaks at %.2f dBFS on its audition (limit %.1f)" % (name, peak, PEAK_LIMIT_DB))
            if peak < -60.0:
                faults.append("%s is silent on its audition (%.1f dBFS)" % (name, peak))
            base = os.path.join(MEDIA, file)
            changed = manifest.get(file, (None,))[0] != digest
            if changed and args.check:
                faults.append("%s: the audition's samples differ from docs/sounds/manifest.txt; "
                              "run scripts/factory/sounds.py" % name)
            elif not args.check:
                os.makedirs(MEDIA, exist_ok=True)
                if changed:
                    write_audio(wav, base)
                if changed or not has_axes(base + ".png"):
                    write_spectrogram(wav, base)
    for file in sorted(set(manifest) - set(fresh)):
        faults.append("%s is in the manifest but no preset makes it" % file)
    if not args.check:
        for file in set(manifest) - set(fresh):
            for ext in (".ogg", ".png"):
                if os.path.exists(os.path.join(MEDIA, file + ext)):
                    os.remove(os.path.join(MEDIA, file + ext))
        with open(MANIFEST, "w", encoding="utf-8", newline="\n") as f:
            f.write("# SHA-256 of each audition's 24-bit PCM samples, its peak (dBFS) and its file name.\n")
            f.write("# Written by scripts/factory/sounds.py; checked by the test command.\n")
            for file, (digest, peak) in sorted(fresh.items()):
                f.write("%s %.2f %s\n" % (digest, peak, file))
        write_page(rows)
        faults = [f for f in faults if "manifest" not in f]
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
