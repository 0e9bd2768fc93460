# SPDX-License-Identifier: GPL-3.0-or-later
"""A tone's sequences and LFO timing as the tone file writes them, and what
they do over time, tick by tick, for the bank's checks.

    Sequence("arp", "| 0 4 7")            # a major chord, one tick a step
    Sequence("wave", "5 4 3 1", step=2)   # a duty sweep, two ticks a step
    Lfo(delay=30, fade=20, depth=64)      # vibrato half a second late, no wheel needed

The notation is the trackers' (docs/manual.md, section 3): numbers, "|"
before the step the loop returns to, "/" between the held and the released
part. `Cursor` steps through a sequence exactly as the engine's voice does
(engine/SequenceCursor.cpp), so the checks see the steps the engine plays.
"""

import math

TICK_RATE = 60  # the bank's tick clock: NTSC frames
KINDS = ("vol", "arp", "arp-fixed", "pitch", "pitch-abs", "wave")
RANGES = {"vol": (0, 15), "arp": (-96, 96), "arp-fixed": (0, 127), "pitch": (-768, 768),
          "pitch-abs": (-768, 768), "wave": (0, 127)}
ORDER = ("vol", "arp", "pitch", "wave")  # the engine's kind order, as the tone export writes them
MAX_STEPS = 64
SILENT_DB = -100.0


class Sequence:
    def __init__(self, kind, text, step=1, delay=0):
        assert kind in KINDS, kind
        assert 1 <= step <= 16 and 0 <= delay <= 255, (step, delay)
        self.kind, self.step, self.delay = kind, step, delay
        self.values, self.loop, self.release = [], None, None
        for token in text.split():
            if token == "|":
                assert self.loop is None, text
                self.loop = len(self.values)
            elif token == "/":
                assert self.release is None, text
                self.release = len(self.values)
            else:
                low, high = RANGES[kind]
                value = int(token)
                assert low <= value <= high, (kind, value)
                self.values.append(value)
        assert 0 < len(self.values) <= MAX_STEPS and (self.loop is None or self.loop < len(self.values)), text

    @property
    def family(self):
        """vol, arp, pitch or wave: one sequence of each per tone."""
        return self.kind.split("-")[0]

    def text(self):
        """The canonical notation (as the plug-in's export writes it)."""
        tokens = []
        for i in range(len(self.values) + 1):
            if self.release == i:
                tokens.append("/")
            if i == len(self.values):
                break
            if self.loop == i:
                tokens.append("|")
            tokens.append(str(self.values[i]))
        return " ".join(tokens)

    def record(self, tone):
        return '@Q:%d %s %d %d "%s"' % (tone, self.kind, self.step, self.delay, self.text())


class Lfo:
    def __init__(self, delay=0, fade=0, depth=0):
        assert 0 <= delay <= 255 and 0 <= fade <= 255 and 0 <= depth <= 127
        self.delay, self.fade, self.depth = delay, fade, depth

    def record(self, tone):
        return "@V:%d %d %d %d" % (tone, self.delay, self.fade, self.depth)


class Cursor:
    """Where a voice stands in a sequence; tick() moves it one tick on."""

    def __init__(self, seq):
        self.seq, self.step, self.holding, self.released = seq, -1, False, False
        if seq.delay > 0:
            self.to_boundary = seq.delay
        else:
            self.to_boundary = 1
            self.tick()

    def _part(self):
        n, r = len(self.seq.values), self.seq.release
        if r is None:
            return 0, n
        return (0, r) if self.step < r else (r, n)

    def tick(self):
        """One tick on: "new" when a step begins (the same one again on a loop
        of one), "held" when the part playing has just run out, else None."""
        self.to_boundary -= 1
        if self.to_boundary > 0:
            return None
        self.to_boundary = self.seq.step
        seq, n = self.seq, len(self.seq.values)
        if self.released and seq.release is not None and self.step < seq.release:
            self.step = seq.release if seq.release < n else self.step
            self.holding = seq.release >= n
            return "held" if self.holding else "new"
        if self.holding:
            return None
        begin, end = self._part()
        if self.step + 1 < end:
            self.step += 1
        elif seq.loop is not None and begin <= seq.loop < end:
            self.step = seq.loop
        else:
            self.holding = True
            return "held"
        return "new"

    def ended(self):
        seq = self.seq
        return self.holding and (seq.release is None or self.released or self.step >= seq.release)

    def value(self, neutral):
        return neutral if self.step < 0 else self.seq.values[self.step]


def by_family(sequences):
    found = {}
    for seq in sequences:
        assert seq.family not in found, "two %s sequences" % seq.family
        found[seq.family] = seq
    return found


def volume_db(step):
    return SILENT_DB if step == 0 else 20 * math.log10(step / 15)


class Frame:
    """What a held note does during one tick: pitch offset in cents (ARP and
    PITCH together), VOL in dB, the table played (None: the tone's own)."""

    def __init__(self, cents, db, wave):
        self.cents, self.db, self.wave = cents, db, wave


def held_frames(sequences, ticks, key=60):
    """The first `ticks` ticks of a note held at `key` (Percussion: the tone's key)."""
    seqs = by_family(sequences)
    cursors = {f: Cursor(s) for f, s in seqs.items()}
    pitch_sum = 0
    pitch = seqs.get("pitch")
    if pitch is not None and pitch.kind == "pitch" and cursors["pitch"].step >= 0:
        pitch_sum = cursors["pitch"].value(0)
    frames = []
    for t in range(ticks):
        if t > 0:
            for family, cursor in cursors.items():
                # A relative PITCH sequence adds each step it plays, so a looped step is a sweep.
                if cursor.tick() == "new" and family == "pitch" and pitch.kind == "pitch":
                    pitch_sum = max(-768, min(768, pitch_sum + cursor.value(0)))
        note = key
        if "arp" in cursors and cursors["arp"].step >= 0:
            arp, value = seqs["arp"], cursors["arp"].value(0)
            if arp.kind == "arp":
                note = max(0, min(127, key + value))
            elif not cursors["arp"].holding:
                note = value
        offset = pitch_sum if pitch is None or pitch.kind == "pitch" else cursors["pitch"].value(0)
        cents = (note - key) * 100 + offset * 100 / 16
        db = volume_db(cursors["vol"].value(15)) if "vol" in cursors else 0.0
        wave = cursors["wave"].value(None) if "wave" in cursors else None
        frames.append(Frame(cents, db, wave))
    return frames


def silent_after_seconds(sequences, release_at=None, limit_ticks=16 * 255):
    """Seconds from note-on until a VOL sequence has ended on 0 for good (the
    engine frees the voice then), with the key released after `release_at`
    seconds (None: held); None when it never does within the limit."""
    seqs = by_family(sequences)
    if "vol" not in seqs:
        return None
    cursor = Cursor(seqs["vol"])
    release_tick = None if release_at is None else math.ceil(release_at * TICK_RATE)
    for t in range(limit_ticks):
        if release_tick is not None and t == release_tick:
            cursor.released = True
        if t > 0:
            cursor.tick()
        if cursor.ended() and cursor.value(15) == 0:
            return t / TICK_RATE
    return None
