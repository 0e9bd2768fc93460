// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI as it arrives live: raw messages with their frame in the period, turned
// into the engine's events and held until they are handed to the engine's queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "MidiEvent.h"
#include "RawMidiMessage.h"

namespace kest::tolvane::tools {

using plugin::RawMidi;
using plugin::toEngineMessage;

// A period's incoming MIDI in the order it was delivered.
class MidiInput {
public:
    virtual ~MidiInput() = default;
    virtual int count() const = 0;
    // False when the event cannot be read (it is then skipped).
    virtual bool get(int index, RawMidi& event) const = 0;
};

struct TimedMessage {
    MidiMessage message;
    int frame = 0;
};

// The events of the current period, in delivery order, with non-decreasing frames.
class LiveEventStage {
public:
    static constexpr int kCapacity = 2048;

    LiveEventStage();
    LiveEventStage(const LiveEventStage&) = delete;
    LiveEventStage& operator=(const LiveEventStage&) = delete;

    // Converts and keeps every event of the input the engine takes; frames are
    // clamped into the period and never run backwards. Returns how many were
    // dropped for want of room.
    int take(const MidiInput& input, int periodFrames);
    // What waits now missed its period: it is played at the start of the next one.
    void carryOver();
    void clear() { count_ = 0; }

    std::span<const TimedMessage> events() const { return {events_.get(), static_cast<std::size_t>(count_)}; }

private:
    std::unique_ptr<TimedMessage[]> events_;
    int count_ = 0;
};

} // namespace kest::tolvane::tools
