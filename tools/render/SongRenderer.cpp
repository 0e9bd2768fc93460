// SPDX-License-Identifier: GPL-3.0-or-later
#include "SongRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "BlockPlanner.h"

namespace kest::tolvane::tools {

SongRenderer::SongRenderer(const EngineSettings& settings)
    : settings_(settings),
      buffer_(static_cast<std::size_t>(settings.partOutputs ? 2 * kOutputChannelCount + 2 : kOutputChannelCount) *
              static_cast<std::size_t>(settings.blockSize))
{
    context_.setSampleRate(static_cast<float>(settings.sampleRate));
    context_.setBlockSize(settings.blockSize);
    if (settings.polyphony > 0)
        context_.applyPolyphony(settings.polyphony);
    auto channel = [this](int c) {
        return buffer_.data() + static_cast<std::size_t>(c) * static_cast<std::size_t>(settings_.blockSize);
    };
    for (int c = 0; c < kOutputChannelCount; ++c)
        outputs_[static_cast<std::size_t>(c)] = channel(c);
    if (settings.partOutputs) {
        for (int c = 0; c < kOutputChannelCount; ++c)
            partOutputs_[static_cast<std::size_t>(c)] = channel(kOutputChannelCount + c);
        ModuleHost& host = *context_.moduleHost;
        host.partOutputs = partOutputs_.data();
        host.partScratch[0] = channel(2 * kOutputChannelCount);
        host.partScratch[1] = channel(2 * kOutputChannelCount + 1);
    }
    applySwitches();
}

// A loaded state may carry its own switches; the options only ever turn them on.
void SongRenderer::applySwitches()
{
    if (settings_.receiveSysEx)
        context_.synth->receiveSysEx = true;
    context_.synth->setReceiveUniversalSysEx(settings_.receiveUniversalSysEx);
    if (settings_.nrpn && !context_.synth->getNrpnEnabled())
        context_.synth->setNrpnEnabled(true);
}

namespace {

// Clears the pairs (bit n: channels 2n, 2n + 1) written since their last
// clearing: the others are still zero.
void clearPairs(const std::array<float*, kOutputChannelCount>& channels, std::uint32_t& dirty, int frames)
{
    const auto bytes = sizeof(float) * static_cast<std::size_t>(frames);
    for (int pair = 0; pair < kOutputPairCount; ++pair) {
        if (dirty & (1u << pair)) {
            std::memset(channels[static_cast<std::size_t>(2 * pair)], 0, bytes);
            std::memset(channels[static_cast<std::size_t>(2 * pair + 1)], 0, bytes);
        }
    }
    dirty = 0;
}

} // namespace

void SongRenderer::clearOutputs()
{
    clearPairs(outputs_, dirtyPairs_, settings_.blockSize);
    if (settings_.partOutputs)
        clearPairs(partOutputs_, dirtyParts_, settings_.blockSize);
}

// Collected in file order; the shared holding area queues them so that the
// engine applies events on one offset in that order (a note-off followed by a
// note-on of the same key on one tick re-strikes the note).
// The song's tempo changes in the block (those its plan would take as events)
// reach the engine as the host's transport does, ahead of the block's events.
void SongRenderer::queueTempos(const MidiSong& song, std::size_t& next, std::int64_t blockStart, int length)
{
    const double ticksPerBeat = song.division.ticksPerQuarter;
    for (; next < song.tempos.size(); ++next) {
        const SongTempo& tempo = song.tempos[next];
        const std::int64_t frame = std::llround(tempo.seconds * settings_.sampleRate);
        if (frame >= blockStart + length && frame > blockStart)
            break;
        pending_.addTransport(tempo.beatsPerMinute, true, static_cast<double>(tempo.tick) / ticksPerBeat,
                              static_cast<int>(std::max<std::int64_t>(frame - blockStart, 0)));
    }
}

void SongRenderer::queueEvents(const MidiSong& song, std::span<const TimedEvent> events, std::int64_t blockStart)
{
    for (const TimedEvent& timed : events) {
        const SongEvent& e = song.events[timed.songIndex];
        const int time = static_cast<int>(std::max<std::int64_t>(timed.frame - blockStart, 0));
        if (e.type == kSystemExclusive) {
            const auto bytes = song.sysEx(e);
            pending_.addSysEx(bytes.data(), static_cast<int>(bytes.size()), time);
        } else {
            pending_.addChannelEvent(e.type, e.channel, e.data1, e.data2, time);
        }
    }
    pending_.moveInto(*context_.eventQueue);
}

// Past the song's end no block crosses a multiple of kTailGrain frames, so
// that the render may end on each of them, whatever the block size.
std::int64_t SongRenderer::longestBlock(std::int64_t position, std::int64_t songFrames) const
{
    const std::int64_t blockSize = settings_.blockSize;
    if (position + blockSize <= songFrames)
        return blockSize;
    return std::min(blockSize, (position / kTailGrain + 1) * kTailGrain - position);
}

RenderStats SongRenderer::render(const MidiSong& song, double tailSeconds, BlockSink& sink)
{
    const double rate = settings_.sampleRate;
    const std::vector<TimedEvent> events = scheduleEvents(song, rate);
    RenderStats stats;
    stats.songFrames = std::llround(song.lengthSeconds * rate);
    if (!events.empty())
        stats.songFrames = std::max(stats.songFrames, events.back().frame);
    const std::int64_t limit = stats.songFrames + std::llround(tailSeconds * rate);

    std::int64_t position = 0;
    std::size_t next = 0;
    std::size_t nextTempo = 0;
    while (position < limit || next < events.size()) {
        const int maxLength =
            static_cast<int>(std::clamp<std::int64_t>(limit - position, 0, longestBlock(position, stats.songFrames)));
        const BlockPlan plan = planBlock(events, next, position, maxLength, context_.eventQueue->capacity());
        queueTempos(song, nextTempo, position, plan.length);
        queueEvents(song, std::span(events).subspan(plan.firstEvent, plan.eventCount), position);
        clearOutputs();
        // Straight to the rack rather than through the context's try-lock: nothing
        // else runs here, and an empty block must still hand over its events.
        context_.moduleHost->process(outputs_.data(), plan.length);
        const std::uint32_t sounding = context_.moduleHost->soundingPairs;
        const std::uint32_t soundingParts = context_.moduleHost->soundingParts;
        dirtyPairs_ |= sounding;
        dirtyParts_ |= soundingParts;

        next += plan.eventCount;
        stats.eventsQueued += plan.eventCount;
        position += plan.length;
        ++stats.blocks;
        if (context_.synth->activeVoiceUpperBound() > stats.maxVoices)
            stats.maxVoices = std::max(stats.maxVoices, context_.synth->getActiveVoiceCount());
        if ((settings_.partOutputs && !sink.consumeParts(partOutputs_.data(), plan.length, soundingParts)) ||
            !sink.consumeBlock(outputs_.data(), plan.length, sounding)) {
            stats.stopped = true;
            break;
        }
        const bool inTail = position >= stats.songFrames && next == events.size();
        if (inTail && position % kTailGrain == 0 && context_.synth->getActiveVoiceCount() == 0)
            break;
    }
    stats.frames = position;
    if (!stats.stopped && !sink.finish())
        stats.stopped = true;
    return stats;
}

} // namespace kest::tolvane::tools
