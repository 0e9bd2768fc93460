// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueChangePages.h"

namespace kest::tolvane::plugin {

void EngineContext::applyValueChange(int id, float value) {
    std::lock_guard edit(editMutex_);
    std::optional<float> echo;
    {
        std::lock_guard lock(mutex_);
        const int item = id & 0xFF;
        switch (id & 0xFF00) {
        case 0x0000: echo = applySystemValue(*this, item, value); break;
        case 0x0100: echo = applyPartValue(*this, item, value); break;
        case 0x1000: echo = applyToneValue(*this, item, value); break;
        case 0x2000: echo = applySamplerValue(*this, item, value); break;
        case 0x3000: echo = applySampleDataValue(*this, item, value); break;
        case 0x5000: echo = applyWaveTableValue(*this, item, value); break;
        case 0x5100: echo = applyWavePointValue(*this, item, value); break;
        default: break;
        }
    }
    // Sent after the lock is released: the receiver may read the context at once.
    if (echo) sendValueUpdate(id, *echo);
}

} // namespace kest::tolvane::plugin
