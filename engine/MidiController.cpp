// SPDX-License-Identifier: GPL-3.0-or-later
#include "MidiController.h"

#include <algorithm>
#include <cstring>

#include "ModuleHost.h"

namespace kest::tolvane::util {

MidiController::MidiController() : pool_(new MidiEvent[kCapacity]) {}

MidiController::~MidiController() = default;

MidiEvent* MidiController::takeEntry(int time)
{
    if (count_ >= kCapacity)
        return nullptr;
    MidiEvent* event = &pool_[static_cast<std::size_t>(count_++)];
    event->channel = 0;
    event->data1 = 0;
    event->data2 = 0;
    event->sysExLength = 0;
    event->portMask = portMask_;
    event->next = nullptr;
    event->time = time;
    return event;
}

bool MidiController::queueChannelEvent(int type, int channel, int data1, int data2, int time)
{
    MidiEvent* event = takeEntry(time);
    if (!event)
        return false;
    event->type = type;
    event->channel = channel;
    event->data1 = data1;
    event->data2 = data2;
    return true;
}

bool MidiController::queueSysEx(const std::uint8_t* bytes, int length, int time)
{
    MidiEvent* event = takeEntry(time);
    if (!event)
        return false;
    event->type = kSystemExclusive;
    const int stored = bytes ? std::clamp(length, 0, kMaxSysExLength) : 0;
    if (stored > 0)
        std::memcpy(event->sysExData, bytes, static_cast<std::size_t>(stored));
    event->sysExLength = stored;
    return true;
}

bool MidiController::queueTransport(double tempo, bool hasBeat, double beat, int time)
{
    MidiEvent* event = takeEntry(time);
    if (!event)
        return false;
    event->type = kTransport;
    event->data1 = hasBeat ? 1 : 0;
    event->beat = beat;
    event->tempo = tempo;
    return true;
}

void MidiController::dropPending()
{
    for (int i = 0; i < kCapacity; ++i)
        pool_[static_cast<std::size_t>(i)].reset();
    count_ = 0;
}

void MidiController::process(ProcessBlock& block)
{
    MidiEvent* head = block.eventList;
    if (!head)
        return;
    // Newest first, each after the last event not later than it: equal times
    // therefore end up in reverse queue order, which the engine relies on.
    // The search starts at the event placed before when that one is not later
    // (the list is sorted, so it finds the same place): events that come in
    // time order, as a block's usually do, are merged in linear time.
    MidiEvent* placed = head;
    while (count_ > 0) {
        MidiEvent* event = &pool_[static_cast<std::size_t>(--count_)];
        MidiEvent* before = (placed != head && placed->time <= event->time) ? placed : head;
        while (before->next && before->next->time <= event->time)
            before = before->next;
        event->next = before->next;
        before->next = event;
        placed = event;
    }
}

} // namespace kest::tolvane::util
