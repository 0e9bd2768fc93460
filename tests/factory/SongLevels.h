// SPDX-License-Identifier: GPL-3.0-or-later
// Plays a MIDI song through the renderer's engine set-up with the compiled-in
// factory bank, every part routed to its own output pair, and measures the mix
// (the sum of all pairs, as the renderer writes it) and each part alone.
#pragma once

#include <array>
#include <cstdint>

#include "MidiFile.h"

namespace kest::tolvane::factory {

inline constexpr int kPartCount = 16;

// Loudness of a signal while it sounds: the power mean of its 100 ms windows
// that are louder than -70 dBFS, so rests do not pull the figure down.
struct Level {
    float peak = 0.0f;
    double powerSum = 0.0;
    std::int64_t windows = 0;

    double peakDb() const;
    double rmsDb() const; // -inf-like -200 when it never sounded
    bool sounded() const { return windows > 0; }
};

struct SongLevels {
    double seconds = 0.0;
    Level mix;
    std::int64_t clippedSamples = 0; // mix samples past full scale, either channel
    Level instruments;               // every part but the drum part, summed
    Level drums;                     // part 10
    std::array<Level, kPartCount> parts;
};

// Renders like `tolvane-render song.mid` with its defaults (44.1 kHz, 2 s tail,
// General MIDI system messages obeyed);
// receiveSysEx as its --receive-sysex (songs that program their own tones).
SongLevels measureSong(const tools::MidiSong& song, bool receiveSysEx = false);

} // namespace kest::tolvane::factory
