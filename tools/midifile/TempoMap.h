// SPDX-License-Identifier: GPL-3.0-or-later
// Converts absolute ticks to seconds through a file's tempo changes.
#pragma once

#include <cstdint>
#include <vector>

#include "MidiFile.h"

namespace kest::tolvane::tools {

struct TempoChange {
    std::uint64_t tick = 0;
    std::uint32_t microsecondsPerQuarter = 500000;
};

class TempoMap {
public:
    // Changes may come in any order; for equal ticks the last one given wins.
    // SMPTE divisions ignore tempo: a tick is a fixed fraction of a frame.
    TempoMap(const Division& division, std::vector<TempoChange> changes);

    double secondsAt(std::uint64_t tick) const;
    // Each tempo from where it starts, tick 0 first; none for SMPTE time.
    std::vector<SongTempo> tempos() const;

private:
    struct Segment {
        std::uint64_t startTick = 0;
        double startSeconds = 0.0;
        double secondsPerTick = 0.0;
        std::uint32_t microsecondsPerQuarter = 0; // 0 for SMPTE time
    };
    std::vector<Segment> segments_;
};

} // namespace kest::tolvane::tools
