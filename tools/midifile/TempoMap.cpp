// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempoMap.h"

#include <algorithm>

namespace kest::tolvane::tools {

namespace {
constexpr std::uint32_t kDefaultTempo = 500000; // 120 beats per minute until the first change
}

double Division::ticksPerSecond() const
{
    if (!smpte)
        return 0.0;
    const double fps = framesPerSecond == 29 ? 30000.0 / 1001.0 : static_cast<double>(framesPerSecond);
    return fps * ticksPerFrame;
}

TempoMap::TempoMap(const Division& division, std::vector<TempoChange> changes)
{
    if (division.smpte) {
        segments_.push_back({0, 0.0, 1.0 / division.ticksPerSecond()});
        return;
    }
    const double quarterTicks = division.ticksPerQuarter;
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    segments_.push_back({0, 0.0, kDefaultTempo * 1e-6 / quarterTicks, kDefaultTempo});
    for (const TempoChange& change : changes) {
        Segment& last = segments_.back();
        const double secondsPerTick = change.microsecondsPerQuarter * 1e-6 / quarterTicks;
        if (change.tick == last.startTick) {
            last.secondsPerTick = secondsPerTick;
            last.microsecondsPerQuarter = change.microsecondsPerQuarter;
            continue;
        }
        const double start =
            last.startSeconds + static_cast<double>(change.tick - last.startTick) * last.secondsPerTick;
        segments_.push_back({change.tick, start, secondsPerTick, change.microsecondsPerQuarter});
    }
}

std::vector<SongTempo> TempoMap::tempos() const
{
    std::vector<SongTempo> out;
    for (const Segment& s : segments_)
        if (s.microsecondsPerQuarter > 0)
            out.push_back({s.startTick, s.startSeconds, 60e6 / s.microsecondsPerQuarter});
    return out;
}

double TempoMap::secondsAt(std::uint64_t tick) const
{
    auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                               [](std::uint64_t t, const Segment& s) { return t < s.startTick; });
    const Segment& s = *(it - 1); // the first segment starts at tick 0, so there always is one
    return s.startSeconds + static_cast<double>(tick - s.startTick) * s.secondsPerTick;
}

} // namespace kest::tolvane::tools
