// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleHost.h"

#include <cmath>

namespace kest::tolvane {

ModuleHost::ModuleHost() { MidiEvent::reset(); }

float ModuleHost::setSampleRate(float rate)
{
    if (!(rate >= 1.0f) || !std::isfinite(rate))
        return sampleRate;
    sampleRate = rate;
    for (ITolvaneModule* slot : slots_)
        if (slot)
            slot->setSampleRate(rate);
    return sampleRate;
}

void ModuleHost::setBlockSize(int size)
{
    if (size < 1)
        return;
    blockSize = size;
    for (ITolvaneModule* slot : slots_)
        if (slot)
            slot->setBlockSize(size);
}

bool ModuleHost::setModule(int index, ITolvaneModule* module)
{
    if (index < 0 || index >= kSlotCount)
        return false;
    if (module) {
        for (int other = 0; other < kSlotCount; ++other) {
            if (other != index && slots_[other] == module) {
                slots_[other] = nullptr;
                module->detach();
            }
        }
    }
    slots_[index] = module;
    if (module)
        module->attach(*this);
    return true;
}

ITolvaneModule* ModuleHost::module(int index) const
{
    return (index >= 0 && index < kSlotCount) ? slots_[index] : nullptr;
}

void ModuleHost::setDisabled(int index, bool disabled)
{
    if (index >= 0 && index < kSlotCount)
        disabled_[index] = disabled;
}

bool ModuleHost::isDisabled(int index) const { return index >= 0 && index < kSlotCount && disabled_[index]; }

void ModuleHost::process(float** channelBuffers, int sampleCount)
{
    next = nullptr;
    outputs = channelBuffers;
    count = sampleCount < 0 ? 0 : sampleCount;
    start = 0;
    soundingPairs = 0;
    soundingParts = 0;
    eventList = this;
    for (int i = 0; i < kSlotCount; ++i)
        if (slots_[i] && !disabled_[i])
            slots_[i]->process(*this);
}

} // namespace kest::tolvane
