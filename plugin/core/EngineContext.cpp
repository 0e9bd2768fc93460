// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineContext.h"

#include <algorithm>
#include <thread>

namespace kest::tolvane::plugin {

namespace {
constexpr int kQueueCapacity = util::MidiController::kCapacity;

// Tells the core it is spinning, so a waiting hyper-thread sibling gets the pipeline.
inline void cpuPause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}
static_assert(kQueueCapacity == 512, "the processor relies on 512 pre-built queue entries");
} // namespace

// Members are declared in construction order: host, synthesizer, queue.
EngineContext::EngineContext()
    : moduleHost(std::make_unique<ModuleHost>()), synth(std::make_unique<synth::SynthesizerWT>(440.0f, 0.8f)),
      eventQueue(std::make_unique<util::MidiController>())
{
    waveTableBitDepth.fill(8);
    // The queue runs first so the synthesizer finds the block's events ordered.
    moduleHost->setModule(kQueueSlot, eventQueue.get());
    moduleHost->setModule(kSynthSlot, synth.get());
    refreshCurrentRecords();
}

EngineContext::~EngineContext()
{
    // The rack only points at its modules; empty it before they go.
    std::lock_guard lock(mutex_);
    moduleHost->setModule(kSynthSlot, nullptr);
    moduleHost->setModule(kQueueSlot, nullptr);
}

void EngineContext::sendValueUpdate(int id, float value)
{
    if (ProcessorMessageSink* sink = messageSink())
        sink->sendValueUpdate(id, value);
}

void EngineContext::sendUiUpdate()
{
    if (ProcessorMessageSink* sink = messageSink())
        sink->sendUiUpdate();
}

bool EngineContext::tryLockForAudio(std::unique_lock<EngineMutex>& lock)
{
    lock = std::unique_lock(mutex_, std::try_to_lock);
    if (lock.owns_lock())
        return true;
    for (int spin = 1; spin <= kAudioLockSpins; ++spin) {
        cpuPause();
        if (lock.try_lock()) {
            if (spin > longestAudioSpin_.load(std::memory_order_relaxed))
                longestAudioSpin_.store(spin, std::memory_order_relaxed);
            return true;
        }
    }
    longestAudioSpin_.store(kAudioLockSpins, std::memory_order_relaxed);
    return false;
}

EngineContext::BlockResult EngineContext::renderAudioBlock(const AudioBlock& block)
{
    const int frames = std::max(block.frames, 0);
    if (block.outputs != nullptr)
        for (int c = 0; c < kOutputChannelCount; ++c)
            std::fill_n(block.outputs[c], frames, 0.0f);
    // Edits reach the engine through its queue and never hold this lock; only
    // a host lifecycle call can. Never sleep on it:
    // after a bounded spin this block stays silent and its events wait.
    std::unique_lock<EngineMutex> lock;
    if (!tryLockForAudio(lock)) {
        if (frames > 0) {
            if (block.events != nullptr)
                block.events->markCarried();
            missedBlocks_.fetch_add(1, std::memory_order_relaxed);
        }
        return {};
    }
    // Queued value changes and a waiting task first, even while bypassed or
    // without outputs, so the message thread waiting for them is answered.
    serviceFromAudioThread();
    BlockResult result{.reachedEngine = true};
    if (block.bypassed || frames == 0)
        return result;
    if (block.outputs == nullptr) {
        if (block.events != nullptr)
            block.events->markCarried();
        return result;
    }
    if (block.events != nullptr)
        block.events->moveInto(*eventQueue);
    moduleHost->process(block.outputs, frames);
    moduleHost->outputs = nullptr;
    moduleHost->eventList = nullptr;
    result.soundingPairs = moduleHost->soundingPairs;
    // What the block played: a program change, a key in Percussion mode.
    followSound();
    publishPlayhead();
    return result;
}

bool EngineContext::tryRenderBlock(float** outputs, int numSamples)
{
    return renderAudioBlock({.outputs = outputs, .frames = numSamples}).reachedEngine;
}

void EngineContext::serviceFromAudioThread()
{
    audioPaused_.store(false, std::memory_order_release);
    audioThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    audioBeats_.fetch_add(1, std::memory_order_release);
    applyQueuedEdits();
    runWaitingTask();
    applyPendingActivation();
}

void EngineContext::applyQueuedEdits()
{
    ValueEdit edit;
    // An edit whose echo would not fit stays queued for the next block, so no
    // echo is ever dropped and the audio thread never waits for the message side.
    while (!echoQueue_.full() && editQueue_.pop(edit)) {
        if (const std::optional<float> echo = applyValueNow(edit.id, edit.value))
            echoQueue_.push({edit.id, *echo});
        appliedEdits_.fetch_add(1, std::memory_order_release);
    }
}

void EngineContext::runWaitingTask()
{
    EngineTask* task = waitingTask_.exchange(nullptr, std::memory_order_acq_rel);
    if (task == nullptr)
        return;
    task->run(task->argument);
    task->done.store(true, std::memory_order_release);
}

bool EngineContext::audioIsLive()
{
    // A caller that renders its blocks itself (a test, an offline render) waits for nobody.
    if (audioThread_.load(std::memory_order_relaxed) == std::this_thread::get_id() ||
        audioPaused_.load(std::memory_order_acquire))
        return false;
    const std::uint32_t beats = audioBeats_.load(std::memory_order_acquire);
    const auto now = std::chrono::steady_clock::now();
    if (beats != seenBeats_) {
        seenBeats_ = beats;
        beatSeenAt_ = now;
        return true;
    }
    return now - beatSeenAt_ < kAudioStall;
}

void EngineContext::noteAudioStopped()
{
    std::lock_guard edit(editMutex_);
    seenBeats_ = audioBeats_.load(std::memory_order_acquire);
    beatSeenAt_ = {};
}

void EngineContext::runTask(EngineTask& task)
{
    std::lock_guard edit(editMutex_);
    settleValueChanges();
    if (audioIsLive()) {
        waitingTask_.store(&task, std::memory_order_release);
        for (;;) {
            if (task.done.load(std::memory_order_acquire))
                return;
            if (!audioIsLive()) {
                // Take it back unless the audio thread has just begun it.
                EngineTask* expected = &task;
                if (waitingTask_.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel))
                    break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
    std::lock_guard lock(mutex_);
    task.run(task.argument);
}

void EngineContext::postValueChange(int id, float value)
{
    // A change that allocates or frees never goes to the audio thread.
    if (needsMessageThread(id)) {
        applyValueChange(id, value);
        return;
    }
    std::lock_guard edit(editMutex_);
    deliverValueEchoes();
    while (!editQueue_.push({id, value})) {
        // Full: the audio thread is behind, or gone. Wait for it on this thread.
        settleValueChanges();
    }
    ++postedEdits_;
}

void EngineContext::settleValueChanges() { waitForValueChanges(std::chrono::steady_clock::time_point::max()); }

bool EngineContext::waitForValueChanges(std::chrono::steady_clock::time_point deadline)
{
    std::lock_guard edit(editMutex_);
    while (appliedEdits_.load(std::memory_order_acquire) != postedEdits_) {
        if (!audioIsLive()) {
            std::lock_guard lock(mutex_);
            applyQueuedEdits();
        } else if (std::chrono::steady_clock::now() >= deadline) {
            deliverValueEchoes();
            return false;
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        deliverValueEchoes();
    }
    deliverValueEchoes();
    return true;
}

void EngineContext::deliverValueEchoes()
{
    std::lock_guard edit(editMutex_);
    ValueEdit echo;
    while (echoQueue_.pop(echo))
        sendValueUpdate(echo.id, echo.value);
}

void EngineContext::applyPendingActivation()
{
    const int pending = pendingActivation_.exchange(0, std::memory_order_acq_rel);
    if (pending == 0)
        return;
    for (int i = 0; i < ModuleHost::kSlotCount; ++i) {
        if (ITolvaneModule* module = moduleHost->module(i)) {
            if (pending == 1)
                module->activate();
            else
                module->deactivate();
        }
    }
}

void EngineContext::setModulesActive(bool active)
{
    std::lock_guard lock(mutex_);
    pendingActivation_.store(active ? 1 : 2, std::memory_order_release);
    applyPendingActivation();
}

void EngineContext::setSampleRate(float rate)
{
    std::lock_guard lock(mutex_);
    moduleHost->setSampleRate(rate);
}

void EngineContext::setBlockSize(int size)
{
    std::lock_guard lock(mutex_);
    moduleHost->setBlockSize(size);
}

void EngineContext::stopAllVoices()
{
    for (int i = 0; i < synth->voiceCount(); ++i)
        synth->voice(i).stop();
}

void EngineContext::refreshCurrentRecords()
{
    currentPart = std::clamp(currentPart, 0, synth::kPartCount - 1);
    currentTone = std::clamp(currentTone, 0, synth::kToneCount - 1);
    currentSampler = std::clamp(currentSampler, 0, synth::kSamplerPresetCount - 1);
    currentSampleData = std::clamp(currentSampleData, 0, synth::kSampleSlotCount - 1);
    currentPartState = &synth->part(currentPart);
    currentTonePreset = &synth->tone(currentTone);
    currentSamplerPreset = &synth->samplerPreset(currentSampler);
    currentSampleDataRecord = &synth->sampleData(currentSampleData);
}

void EngineContext::selectWaveTable(int table)
{
    currentWaveTable = std::clamp(table, 0, kWaveTableCount - 1);
    currentBitDepth = std::clamp(waveTableBitDepth[static_cast<std::size_t>(currentWaveTable)], 1, 8);
    currentBitMask = (1 << currentBitDepth) - 1;
}

void EngineContext::selectTone(int tone)
{
    currentTone = std::clamp(tone, 0, synth::kToneCount - 1);
    refreshCurrentRecords();
    selectWaveTable(currentTonePreset->wave);
}

void EngineContext::selectByPart()
{
    refreshCurrentRecords();
    switch (currentPartState->mode) {
    case synth::kModePercussion: selectTone(synth::kPercussionToneBase); break;
    case synth::kModeSampler:
        currentSampleData = currentSamplerPreset->smplNum;
        refreshCurrentRecords();
        break;
    default: selectTone(currentPartState->program); break;
    }
}

void EngineContext::setCurrentPartMode(int mode)
{
    // setMode clamps to maxMode and stops the part's voices when the mode changes.
    synth->setMode(currentPart, std::max(mode, 0));
    followPart();
}

void EngineContext::applyPolyphony(int count)
{
    // The new voices are allocated here and the old ones freed here (with
    // `voices`); only the swap is an engine task, so while blocks come the
    // audio thread does it between two of them and never waits for the lock
    // (a pool of 256 voices takes tens of microseconds to stop and rebind).
    synth::SynthesizerWT::VoiceStorage voices = count >= 1 ? synth::SynthesizerWT::makeVoices(count) : nullptr;
    runOnEngine([&] {
        if (count == synth->voiceCount())
            return;
        for (int i = 0; i < synth->voiceCount(); ++i)
            synth->voice(i).stop();
        busyFlags.fetch_or(kBusyVoicePool);
        moduleHost->setDisabled(kSynthSlot, true);
        synth->suspend(true);
        if (count >= 1)
            voices = synth->adoptVoices(std::move(voices), count);
        const bool stillBusy = (busyFlags.fetch_and(~kBusyVoicePool) & ~kBusyVoicePool) != 0;
        moduleHost->setDisabled(kSynthSlot, stillBusy);
        synth->suspend(stillBusy);
    });
}

} // namespace kest::tolvane::plugin
