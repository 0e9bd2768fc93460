// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockPlanner.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::tools {

std::vector<TimedEvent> scheduleEvents(const MidiSong& song, double sampleRate)
{
    std::vector<TimedEvent> out;
    out.reserve(song.events.size());
    for (std::size_t i = 0; i < song.events.size(); ++i)
        out.push_back({static_cast<std::int64_t>(std::llround(song.events[i].seconds * sampleRate)), i});
    return out;
}

BlockPlan planBlock(std::span<const TimedEvent> events, std::size_t nextEvent, std::int64_t start, int maxLength,
                    int capacity)
{
    BlockPlan plan{start, std::max(maxLength, 0), nextEvent, 0};
    const std::int64_t end = start + plan.length;
    std::size_t i = nextEvent;
    while (i < events.size() && (events[i].frame < end || events[i].frame <= start))
        ++i;
    plan.eventCount = i - nextEvent;
    if (plan.eventCount > static_cast<std::size_t>(capacity)) {
        plan.eventCount = static_cast<std::size_t>(capacity);
        const std::int64_t leftOver = events[nextEvent + plan.eventCount].frame;
        plan.length = static_cast<int>(std::max<std::int64_t>(leftOver - start, 0));
    }
    return plan;
}

} // namespace kest::tolvane::tools
