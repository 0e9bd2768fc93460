// SPDX-License-Identifier: GPL-3.0-or-later
#include "PendingMidiEvents.h"

#include <algorithm>
#include <cstring>

#include "MidiController.h"

namespace kest::tolvane::plugin {

PendingMidiEvents::PendingMidiEvents() : events_(new Entry[kCapacity]) {}

PendingMidiEvents::~PendingMidiEvents() = default;

PendingMidiEvents::Entry* PendingMidiEvents::takeEntry(int time)
{
    if (count_ >= kCapacity)
        return nullptr;
    Entry& entry = events_[count_++];
    entry.message.sysExLength = 0;
    entry.time = std::max(time, 0);
    return &entry;
}

bool PendingMidiEvents::addChannelEvent(int type, int channel, int data1, int data2, int time)
{
    Entry* entry = takeEntry(time);
    if (!entry)
        return false;
    entry->message.type = type;
    entry->message.channel = channel & 0xF;
    entry->message.data1 = data1 & 0x7F;
    entry->message.data2 = data2 & 0x7F;
    return true;
}

bool PendingMidiEvents::addSysEx(const std::uint8_t* bytes, int length, int time)
{
    Entry* entry = takeEntry(time);
    if (!entry)
        return false;
    entry->message.type = kSystemExclusive;
    entry->message.channel = 0;
    entry->message.data1 = 0;
    entry->message.data2 = 0;
    const int kept = bytes ? std::clamp(length, 0, kMaxSysExLength) : 0;
    if (kept > 0)
        std::memcpy(entry->message.sysExData, bytes, static_cast<std::size_t>(kept));
    entry->message.sysExLength = kept;
    return true;
}

bool PendingMidiEvents::addTransport(double tempo, bool hasBeat, double beat, int time)
{
    Entry* entry = takeEntry(time);
    if (!entry)
        return false;
    entry->message.type = kTransport;
    entry->message.channel = 0;
    entry->message.data1 = hasBeat ? 1 : 0;
    entry->message.data2 = 0;
    entry->message.tempo = tempo;
    entry->message.beat = beat;
    return true;
}

bool PendingMidiEvents::add(const MidiMessage& message, int time)
{
    if (message.type == kSystemExclusive)
        return addSysEx(message.sysExData, message.sysExLength, time);
    if (message.type == kTransport)
        return addTransport(message.tempo, (message.data1 & 1) != 0, message.beat, time);
    return addChannelEvent(message.type, message.channel, message.data1, message.data2, time);
}

int PendingMidiEvents::moveInto(util::MidiController& queue)
{
    // Backwards, because the queue reverses events of equal offset.
    int accepted = 0;
    for (int i = count_ - 1; i >= 0; --i) {
        const Entry& entry = events_[i];
        const int time = i < carried_ ? 0 : entry.time;
        const MidiMessage& m = entry.message;
        bool queued = false;
        if (m.type == kSystemExclusive)
            queued = queue.queueSysEx(m.sysExData, m.sysExLength, time);
        else if (m.type == kTransport)
            queued = queue.queueTransport(m.tempo, (m.data1 & 1) != 0, m.beat, time);
        else
            queued = queue.queueChannelEvent(m.type, m.channel, m.data1, m.data2, time);
        accepted += queued ? 1 : 0;
    }
    clear();
    return accepted;
}

} // namespace kest::tolvane::plugin
