// SPDX-License-Identifier: GPL-3.0-or-later
// Places a song's events on sample frames and cuts the render into blocks
// that each carry no more events than the engine's queue holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "MidiFile.h"

namespace kest::tolvane::tools {

struct TimedEvent {
    std::int64_t frame = 0;
    std::size_t songIndex = 0; // into MidiSong::events
};

// Events on frames of the given sample rate, in song order (which is time order).
std::vector<TimedEvent> scheduleEvents(const MidiSong& song, double sampleRate);

struct BlockPlan {
    std::int64_t start = 0;
    int length = 0;
    std::size_t firstEvent = 0;
    std::size_t eventCount = 0;
};

// The next block from start, at most maxLength frames long. Events due at or
// before start, and those inside the block, go into it; when there are more
// than capacity, the block ends where the first left-over event lies (possibly
// at start, giving an empty block), so no event is ever dropped or delayed.
BlockPlan planBlock(std::span<const TimedEvent> events, std::size_t nextEvent, std::int64_t start, int maxLength,
                    int capacity);

} // namespace kest::tolvane::tools
