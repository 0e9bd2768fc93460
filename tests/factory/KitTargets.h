// SPDX-License-Identifier: GPL-3.0-or-later
// Where every sound of a General MIDI kit sits against the snare, as heard,
// and how fast it dies away: the factory kits are all held to it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BankRig.h"

namespace kest::tolvane::factory {

inline constexpr int kSnareKey = 38;

struct DrumTarget {
    int key;
    double lowDb, highDb;       // heard loudness against the snare at the same velocity
    double lowDecay, highDecay; // seconds from the loudest moment to 40 dB down
};

// A GM kit as heard: kick, snare and toms carry the beat; hats, rides and
// triangles sit well under them; crashes a little under; cymbals gone within
// a second or so. The wide bounds leave room to retune a sound by ear.
inline const std::vector<DrumTarget> kKit = {
    {35, -4, 2, 0.05, 0.4},   {36, -4, 2, 0.05, 0.4},     {40, -3, 1, 0.03, 0.3},    {41, -4, 0, 0.1, 0.5},
    {45, -4, 0, 0.1, 0.5},    {48, -4, 0, 0.1, 0.5},      {42, -15, -9, 0.01, 0.08}, {44, -17, -11, 0.01, 0.1},
    {46, -13, -7, 0.15, 0.4}, {49, -9, -4, 0.5, 1.1},     {57, -9, -4, 0.5, 1.1},    {52, -11, -5, 0.4, 0.9},
    {55, -11, -5, 0.2, 0.5},  {51, -17, -12, 0.3, 0.75},  {59, -17, -12, 0.3, 0.75}, {53, -14, -8, 0.25, 0.7},
    {54, -13, -7, 0.05, 0.2}, {80, -19, -13, 0.03, 0.15}, {81, -18, -11, 0.4, 1.0},
};

// Strikes every key of kKit on the drum part at velocity 100 and holds it to its target.
inline void expectEverySoundSitsAgainstTheSnare(BankRig& rig)
{
    const double snare = strikeKey(rig, kDrumChannel, kSnareKey).loudnessDb;
    for (const DrumTarget& t : kKit) {
        SCOPED_TRACE("key " + std::to_string(t.key));
        const StrikeFigures f = strikeKey(rig, kDrumChannel, t.key);
        EXPECT_GE(f.loudnessDb - snare, t.lowDb);
        EXPECT_LE(f.loudnessDb - snare, t.highDb);
        EXPECT_GE(f.decay40Seconds, t.lowDecay);
        EXPECT_LE(f.decay40Seconds, t.highDecay);
    }
}

} // namespace kest::tolvane::factory
