// SPDX-License-Identifier: GPL-3.0-or-later
#include "LivePlayer.h"

#include <algorithm>
#include <mutex>

#include "OutputPairs.h"

namespace kest::tolvane::tools {

namespace {
// Room made at construction, so the usual period sizes never wait for reserveFrames.
constexpr int kInitialBlockCapacity = 1024;
} // namespace

int channelCount(OutputLayout layout) { return layout == OutputLayout::Multi ? kOutputChannelCount : 2; }

LivePlayer::LivePlayer(plugin::EngineContext& context, OutputLayout layout) : context_(context), layout_(layout)
{
    reserveFrames(kInitialBlockCapacity);
}

void LivePlayer::setSampleRate(int rate) { context_.setSampleRate(static_cast<float>(rate)); }

void LivePlayer::setTempo(double beatsPerMinute)
{
    tempo_ = beatsPerMinute;
    tempoToSend_ = true;
}

void LivePlayer::reserveFrames(int frames)
{
    context_.setBlockSize(frames);
    std::lock_guard lock(context_.engineMutex());
    if (frames <= blockCapacity_)
        return;
    blockCapacity_ = frames;
    if (layout_ == OutputLayout::Summed)
        scratch_.assign(static_cast<std::size_t>(kOutputChannelCount) * static_cast<std::size_t>(frames), 0.0f);
}

void LivePlayer::process(const MidiInput& midi, float* const* outputs, int frames)
{
    if (frames <= 0)
        return;
    droppedEvents_.fetch_add(stage_.take(midi, frames), std::memory_order_relaxed);
    std::unique_lock lock(context_.engineMutex(), std::try_to_lock);
    if (!lock.owns_lock() || context_.busyFlags.load(std::memory_order_acquire) != 0) {
        for (int c = 0; c < channelCount(layout_); ++c)
            std::fill_n(outputs[c], frames, 0.0f);
        stage_.carryOver();
        return;
    }
    render(outputs, frames);
    stage_.clear();
    const int voices = context_.synth->getActiveVoiceCount();
    activeVoices_.store(voices, std::memory_order_relaxed);
    if (voices > mostVoices_.load(std::memory_order_relaxed))
        mostVoices_.store(voices, std::memory_order_relaxed);
    framesPlayed_.fetch_add(frames, std::memory_order_relaxed);
}

// Cuts the period into blocks that fit the scratch and carry at most what the
// engine's queue holds; a block ends where the first event that did not fit
// lies, so no event is dropped or moved.
void LivePlayer::render(float* const* outputs, int frames)
{
    const auto events = stage_.events();
    const std::size_t queueCapacity =
        static_cast<std::size_t>(std::min(context_.eventQueue->capacity(), plugin::PendingMidiEvents::kCapacity));
    std::size_t next = 0;
    int position = 0;
    while (position < frames || next < events.size()) {
        int end = std::min(frames, position + blockCapacity_);
        std::size_t last = next;
        while (last < events.size() && events[last].frame < end && last - next < queueCapacity)
            ++last;
        if (last < events.size() && events[last].frame < end)
            end = std::max(events[last].frame, position);
        deliver(events.subspan(next, last - next), position);
        renderBlock(outputs, position, end - position);
        next = last;
        position = end;
    }
}

// Through the holding area every front end shares, so the engine applies
// events on one frame in the order the server delivered them.
void LivePlayer::deliver(std::span<const TimedMessage> events, int blockStart)
{
    if (tempoToSend_)
        tempoToSend_ = !pending_.addTransport(tempo_, false, 0.0, 0);
    for (const TimedMessage& event : events) {
        const MidiMessage& m = event.message;
        const int time = event.frame - blockStart;
        if (m.type == kSystemExclusive)
            pending_.addSysEx(m.sysExData, m.sysExLength, time);
        else
            pending_.addChannelEvent(m.type, m.channel, m.data1, m.data2, time);
    }
    pending_.moveInto(*context_.eventQueue);
}

void LivePlayer::renderBlock(float* const* outputs, int start, int length)
{
    const auto size = static_cast<std::size_t>(length);
    if (layout_ == OutputLayout::Multi) {
        for (int c = 0; c < kOutputChannelCount; ++c)
            blockOutputs_[static_cast<std::size_t>(c)] = outputs[c] + start;
    } else {
        for (int c = 0; c < kOutputChannelCount; ++c)
            blockOutputs_[static_cast<std::size_t>(c)] =
                scratch_.data() + static_cast<std::size_t>(c) * static_cast<std::size_t>(blockCapacity_);
    }
    for (float* channel : blockOutputs_)
        std::fill_n(channel, size, 0.0f);
    // Straight to the rack, even for an empty block: it must still hand over its events.
    context_.moduleHost->process(blockOutputs_.data(), length);
    context_.moduleHost->outputs = nullptr;
    context_.moduleHost->eventList = nullptr;
    if (layout_ == OutputLayout::Summed)
        sumOutputPairs(blockOutputs_.data(), length, outputs[0] + start, outputs[1] + start);
}

} // namespace kest::tolvane::tools
