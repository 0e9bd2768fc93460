// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "ValueChangePages.h"

namespace kest::tolvane::plugin {

namespace {

// Rebuilding the voice pool allocates: it never runs on the audio thread.
bool allocatesInTheEngine(int id) { return id == 0x0090; }
// Clearing a sample slot frees its audio: the buffer is taken out first and
// freed on the message thread.
bool freesSampleAudio(int id) { return id == 0x3081; }

} // namespace

std::optional<float> EngineContext::applyValueNow(int id, float value) {
    const int item = id & 0xFF;
    switch (id & 0xFF00) {
    case 0x0000: return applySystemValue(*this, item, value);
    case 0x0100: return applyPartValue(*this, item, value);
    case 0x1000: return applyToneValue(*this, item, value);
    case 0x2000: return applySamplerValue(*this, item, value);
    case 0x3000: return applySampleDataValue(*this, item, value);
    case 0x5000: return applyWaveTableValue(*this, item, value);
    case 0x5100: return applyWavePointValue(*this, item, value);
    default: return std::nullopt;
    }
}

void EngineContext::applyValueChange(int id, float value) {
    std::lock_guard edit(editMutex_);
    std::optional<float> echo;
    if (freesSampleAudio(id)) {
        std::vector<std::int32_t> released;
        runOnEngine([&] {
            released.swap(currentSampleDataRecord->data);
            echo = applyValueNow(id, value);
        });
    } else if (allocatesInTheEngine(id)) {
        settleValueChanges();
        std::lock_guard lock(mutex_);
        echo = applyValueNow(id, value);
    } else {
        postValueChange(id, value);
        // Mostly the next block applies it within the wait; if the host's
        // blocks are long, the echo follows with the next message-side call.
        waitForValueChanges(std::chrono::steady_clock::now() + kEchoWait);
        return;
    }
    // Sent after the lock is released: the receiver may read the context at once.
    if (echo) sendValueUpdate(id, *echo);
}

} // namespace kest::tolvane::plugin
