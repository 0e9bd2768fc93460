// SPDX-License-Identifier: GPL-3.0-or-later
// One block's MIDI events, collected in the order they were delivered and handed
// to the engine's queue so that the engine applies them in that same order.
//
// The queue merges its events newest first, so events on one sample offset
// would reach the engine reversed: a note-off and a note-on of one key on the
// same offset would start the note and then release it. Every front end (the
// plug-in's processor, the renderer, the live player) collects here instead of
// queueing directly, and moveInto queues the block backwards to undo that.
//
// The processor also uses it as the audio thread's own holding area: it hands
// events over only while it holds the engine lock, and a block that cannot get
// the lock keeps its events for the next one instead of losing note-offs.
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
    static constexpr int kCapacity = 512; // the engine queue's capacity

    PendingMidiEvents();
    ~PendingMidiEvents();
    PendingMidiEvents(const PendingMidiEvents&) = delete;
    PendingMidiEvents& operator=(const PendingMidiEvents&) = delete;

    // Each returns false, dropping the event, once kCapacity events wait.
    bool addChannelEvent(int type, int channel, int data1, int data2, int time);
    // Keeps at most kMaxSysExLength bytes; a null or empty payload is kept as an empty message.
    bool addSysEx(const std::uint8_t* bytes, int length, int time);
    // The host's tempo, and its song position in beats while it plays.
    bool addTransport(double tempo, bool hasBeat, double beat, int time);
    // Any of the three, by the message's type.
    bool add(const MidiMessage& message, int time);

    int count() const { return count_; }
    const MidiMessage& message(int index) const { return events_[index].message; }
    int time(int index) const { return events_[index].time; }
    void clear() { count_ = carried_ = 0; }

    // Moves every waiting event into `queue` and empties this stage; the engine
    // then applies events on one offset in the order they were added. Events
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
