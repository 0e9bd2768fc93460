// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProtocolIds.h"
#include "ValueChangePages.h"

namespace kest::tolvane::plugin {

void EngineContext::applyValueChange(int id, float value) {
    std::lock_guard edit(editMutex_);
    std::optional<float> echo;
    {
        std::lock_guard lock(mutex_);
        const int item = ids::itemOf(id);
        switch (ids::pageOf(id)) {
        case ids::page::kSystem: echo = applySystemValue(*this, item, value); break;
        case ids::page::kPart: echo = applyPartValue(*this, item, value); break;
        case ids::page::kTone: echo = applyToneValue(*this, item, value); break;
        case ids::page::kSampler: echo = applySamplerValue(*this, item, value); break;
        case ids::page::kSampleData: echo = applySampleDataValue(*this, item, value); break;
        case ids::page::kWaveTable: echo = applyWaveTableValue(*this, item, value); break;
        case ids::page::kWavePoint: echo = applyWavePointValue(*this, item, value); break;
        default: break;
        }
    }
    // Sent after the lock is released: the receiver may read the context at once.
    if (echo) sendValueUpdate(id, *echo);
}

} // namespace kest::tolvane::plugin
