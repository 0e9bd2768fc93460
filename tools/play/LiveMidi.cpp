// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveMidi.h"

#include <algorithm>

namespace kest::tolvane::tools {

LiveEventStage::LiveEventStage() : events_(new TimedMessage[kCapacity]) {}

int LiveEventStage::take(const MidiInput& input, int periodFrames)
{
    const int lastFrame = std::max(periodFrames - 1, 0);
    int floor = count_ > 0 ? events_[count_ - 1].frame : 0;
    int dropped = 0;
    const int n = input.count();
    for (int i = 0; i < n; ++i) {
        RawMidi raw;
        if (!input.get(i, raw))
            continue;
        if (count_ >= kCapacity) {
            ++dropped;
            continue;
        }
        TimedMessage& slot = events_[count_];
        if (!toEngineMessage(raw, slot.message))
            continue;
        slot.frame = std::clamp(raw.frame, floor, lastFrame);
        floor = slot.frame;
        ++count_;
    }
    return dropped;
}

void LiveEventStage::carryOver()
{
    for (int i = 0; i < count_; ++i)
        events_[i].frame = 0;
}

} // namespace kest::tolvane::tools
