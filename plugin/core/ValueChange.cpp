// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "ProtocolIds.h"
#include "ValueChangePages.h"

namespace kest::tolvane::plugin {

namespace {

// Rebuilding the voice pool allocates: it never runs on the audio thread.
bool allocatesInTheEngine(int id) { return id == ids::system::kPolyphonyMenu; }
// Clearing a sample slot frees its audio: the buffer is taken out first and
// freed on the message thread.
bool freesSampleAudio(int id) { return id == ids::sampleData::kClear; }

} // namespace

bool EngineContext::needsMessageThread(int id) { return allocatesInTheEngine(id) || freesSampleAudio(id); }

std::optional<float> EngineContext::applyValueNow(int id, float value)
{
    const int item = ids::itemOf(id);
    switch (ids::pageOf(id)) {
    case ids::page::kSystem: return applySystemValue(*this, item, value);
    case ids::page::kPart: return applyPartValue(*this, item, value);
    case ids::page::kTone: return applyToneValue(*this, item, value);
    case ids::page::kSampler: return applySamplerValue(*this, item, value);
    case ids::page::kSampleData: return applySampleDataValue(*this, item, value);
    case ids::page::kWaveTable: return applyWaveTableValue(*this, item, value);
    case ids::page::kWavePoint: return applyWavePointValue(*this, item, value);
    case ids::page::kSequence: return applySequenceValue(*this, item, value);
    case ids::page::kSequenceStep: return applySequenceStepValue(*this, item, value);
    default: return std::nullopt;
    }
}

void EngineContext::applyValueChange(int id, float value)
{
    std::lock_guard edit(editMutex_);
    std::optional<float> echo;
    if (freesSampleAudio(id)) {
        std::vector<std::int32_t> released;
        runOnEngine([&] {
            released.swap(currentSampleDataRecord->data);
            echo = applyValueNow(id, value);
        });
    } else if (allocatesInTheEngine(id)) {
        // The rebuild takes the engine lock itself, around the swap alone.
        settleValueChanges();
        echo = applyValueNow(id, value);
    } else {
        postValueChange(id, value);
        // Mostly the next block applies it within the wait; if the host's
        // blocks are long, the echo follows with the next message-side call.
        waitForValueChanges(std::chrono::steady_clock::now() + kEchoWait);
        return;
    }
    // Sent after the lock is released: the receiver may read the context at once.
    if (echo)
        sendValueUpdate(id, *echo);
}

} // namespace kest::tolvane::plugin
