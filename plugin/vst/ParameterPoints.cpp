// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParameterPoints.h"

#include <algorithm>

#include "MidiEvent.h"
#include "PendingMidiEvents.h"

namespace kest::tolvane::plugin {

int ParameterPoints::rank(int type, int controller)
{
    if (type != kControlChange)
        return 2;
    switch (controller) {
    case 0:
    case 32:
    case 98:
    case 99:
    case 100:
    case 101: return 0;
    case 6:
    case 38:
    case 96:
    case 97: return 1;
    default: return 2;
    }
}

namespace {

// After every round: a null parameter number only matters to later data entry.
constexpr std::int32_t kLastRound = 0x7FFFFFFF;

bool isNullParameterNumber(int type, int controller, int value)
{
    return type == kControlChange && controller >= 98 && controller <= 101 && value == 127;
}

} // namespace

void ParameterPoints::beginQueue()
{
    queueTime_ = -1;
    nextRound_ = 0;
}

void ParameterPoints::add(int type, int channel, int data1, int data2, int time)
{
    if (count_ >= kCapacity)
        return;
    // The n-th point of a queue on one offset belongs to round n.
    if (time != queueTime_)
        nextRound_ = 0;
    queueTime_ = time;
    const std::int32_t round = isNullParameterNumber(type, data1, data2) ? kLastRound : nextRound_++;
    points_[static_cast<std::size_t>(count_)] = {time,
                                                 round,
                                                 rank(type, data1),
                                                 count_,
                                                 static_cast<std::uint8_t>(type),
                                                 static_cast<std::uint8_t>(channel & 0xF),
                                                 static_cast<std::uint8_t>(data1 & 0x7F),
                                                 static_cast<std::uint8_t>(data2 & 0x7F)};
    ++count_;
}

void ParameterPoints::moveInto(PendingMidiEvents& events)
{
    const auto end = points_.begin() + count_;
    std::sort(points_.begin(), end, [](const Point& a, const Point& b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.round != b.round)
            return a.round < b.round;
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return a.sequence < b.sequence;
    });
    for (auto it = points_.begin(); it != end; ++it)
        events.addChannelEvent(it->type, it->channel, it->data1, it->data2, it->time);
    count_ = 0;
}

} // namespace kest::tolvane::plugin
