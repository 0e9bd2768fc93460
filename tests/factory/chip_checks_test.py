#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What make_chip_bank.py's checks make of sequences: they step as the
engine's voices do, two programs apart only by their sequences are told
apart (and a blip too short to hear is not), a VOL sequence that ends on 0
ends the note for the ring and release checks, and a failed check writes
nothing and exits 1."""

import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "factory"))

import chip_checks  # noqa: E402
import chip_levels  # noqa: E402
import chip_wavetables  # noqa: E402
import make_chip_bank  # noqa: E402
from sequences import Sequence, held_frames, silent_after_seconds, Cursor  # noqa: E402
from tones import Tone  # noqa: E402


def steps(seq, ticks, release_at=None):
    cursor, out = Cursor(seq), []
    for t in range(ticks):
        if t == release_at:
            cursor.released = True
        if t:
            cursor.tick()
        out.append(cursor.step)
    return out


def pulse(name, *seqs, **shape):
    return Tone(name, chip_wavetables.wave("pulse 25% 4-bit"), tl=20, sequences=seqs, **shape)


class SequencesStepAsTheEngine(unittest.TestCase):
    # The cases of tests/engine/SequencesTest.cpp's cursor, and the release that
    # waits for a step boundary after the held part ran out.
    def test_cursor_cases(self):
        cases = [(Sequence("vol", "15 | 10 8 / 6 4 0"), 7, [0, 1, 2, 1, 2, 1, 2, 3, 4, 5, 5, 5]),
                 (Sequence("arp", "| 1 2 / 3 4", step=3), 4, [0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3]),
                 (Sequence("vol", "15 / 6 0", step=3), 4, [0, 0, 0, 0, 0, 0, 1, 1, 1, 2, 2, 2]),
                 (Sequence("arp", "5 6 / 7", delay=3), 1, [-1, -1, -1, 2, 2])]
        for seq, release, expected in cases:
            self.assertEqual(steps(seq, len(expected), release), expected, seq.text())

    def test_a_looped_pitch_step_is_a_sweep_and_an_arpeggio_cycles(self):
        frames = held_frames([Sequence("pitch", "| -4"), Sequence("arp", "| 0 4 7")], 4)
        self.assertEqual([f.cents for f in frames], [-25.0, 350.0, 625.0, -100.0])

    def test_a_vol_sequence_ending_on_zero_ends_the_note(self):
        # Released on a step boundary (tick 60): 0, 8, 0 a step each, then it holds 0 for good.
        echo = [Sequence("vol", "| 15 / 0 8 0", step=4)]
        self.assertIsNone(silent_after_seconds(echo))
        self.assertAlmostEqual(silent_after_seconds(echo, release_at=1.0) - 1.0, 12 / 60)


class ChecksHearSequences(unittest.TestCase):
    def pairs(self, *programs):
        return chip_checks.nearly_same_pairs(list(programs), chip_wavetables.TABLES)

    def test_programs_apart_only_by_their_chord_are_distinct(self):
        major, minor = Sequence("arp", "| 0 4 7"), Sequence("arp", "| 0 3 7")
        self.assertEqual(self.pairs(pulse("Major", major), pulse("Minor", minor)), [])
        self.assertEqual(self.pairs(pulse("Major", major), pulse("Major again", Sequence("arp", "| 0 4 7"))), [(0, 1)])

    def test_a_two_tick_blip_is_not_heard_as_another_sound(self):
        self.assertEqual(self.pairs(pulse("Plain"), pulse("Blip", Sequence("arp", "12 12 0"))), [(0, 1)])
        self.assertEqual(self.pairs(pulse("Plain"), pulse("Chirp", Sequence("arp", "12 12 12 0"))), [])

    def test_a_vol_sequence_that_ends_on_zero_shortens_ring_and_release(self):
        held = pulse("Held", release=2.0)
        cut = pulse("Cut", Sequence("vol", "15 15 15 0", step=4), release=2.0)
        self.assertIsNone(chip_checks.ring_seconds(held, 0.0))
        self.assertAlmostEqual(chip_checks.ring_seconds(cut, 0.0), 16 / 60)
        echo = pulse("Echo", Sequence("vol", "| 15 / 0 8 0", step=4), release=2.0)
        self.assertAlmostEqual(chip_checks.release_seconds(echo, 0.0), 12 / 60)
        self.assertGreater(chip_checks.release_seconds(held, 0.0), 1.0)


class AFailedCheckWritesNothing(unittest.TestCase):
    def test_exit_status_and_files(self):
        real = make_chip_bank.faults
        try:
            with tempfile.TemporaryDirectory() as out:
                sys.argv = ["make_chip_bank.py", "--out", out]
                make_chip_bank.faults = lambda: ["programs 1 and 2 sound nearly the same"]
                self.assertEqual(make_chip_bank.main(), 1)
                self.assertEqual(os.listdir(out), [])
                make_chip_bank.faults = lambda: []
                self.assertEqual(make_chip_bank.main(), 0)
                self.assertIn("chip-tones.txt", os.listdir(out))
        finally:
            make_chip_bank.faults = real

    def test_trims_round_trip_through_their_data_file(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "trims.txt")
            with open(path, "w", encoding="utf-8") as f:
                f.write("# trims\n")
            chip_levels.write_trims({"Arp Major 12.5%": -3, "Tri Bass": 4, "Zero": 0}, path)
            self.assertEqual(chip_levels.read_trims(path), {"Arp Major 12.5%": -3, "Tri Bass": 4})
            self.assertTrue(open(path, encoding="utf-8").read().startswith("# trims\n"))


if __name__ == "__main__":
    unittest.main()
