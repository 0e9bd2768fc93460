// SPDX-License-Identifier: GPL-3.0-or-later
// The audio thread's own holding area for a block's MIDI events. The processor
// collects each block's parameter changes and host events here without touching
// the engine, and hands them to the engine's queue only while it holds the
// engine lock. A block that cannot get the lock (the message thread is editing)
// keeps its events for the next one instead of losing note-offs.
#pragma once

#include <cstdint>
#include <memory>

#include "MidiEvent.h"

namespace kest::tolvane::util {
class MidiController;
}

namespace kest::tolvane::plugin {

class PendingMidiEvents {
public:
    static constexpr int kCapacity = 512;  // the engine queue's capacity

    PendingMidiEvents();
    ~PendingMidiEvents();
    PendingMidiEvents(const PendingMidiEvents&) = delete;
    PendingMidiEvents& operator=(const PendingMidiEvents&) = delete;

    // Each returns false, dropping the event, once kCapacity events wait.
    bool addChannelEvent(int type, int channel, int data1, int data2, int time);
    // Keeps at most kMaxSysExLength bytes; a null or empty payload is kept as an empty message.
    bool addSysEx(const std::uint8_t* bytes, int length, int time);

    int count() const { return count_; }
    const MidiMessage& message(int index) const { return events_[index].message; }
    int time(int index) const { return events_[index].time; }
    void clear() { count_ = carried_ = 0; }

    // Moves every waiting event into `queue` and empties this stage. Events
    // kept from an earlier block are late already and go to offset 0, ahead
    // of this block's events. Returns how many the queue accepted.
    int moveInto(util::MidiController& queue);
    // Called when a block could not deliver: what waits now is from the past.
    void markCarried() { carried_ = count_; }

private:
    struct Entry {
        MidiMessage message;
        int time = 0;
    };

    Entry* takeEntry(int time);

    std::unique_ptr<Entry[]> events_;
    int count_ = 0;
    int carried_ = 0;
};

} // namespace kest::tolvane::plugin
