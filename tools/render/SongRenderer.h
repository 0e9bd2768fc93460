// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the engine the way the plug-in's processor does, through the same
// EngineContext: events go into the MidiController with their sample offsets,
// the 32 outputs are cleared and the ModuleHost renders the block.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "BlockPlanner.h"
#include "EngineContext.h"
#include "MidiFile.h"
#include "PendingMidiEvents.h"

namespace kest::tolvane::tools {

// Receives every rendered block; returning false stops the render.
class BlockSink {
public:
    virtual ~BlockSink() = default;
    virtual bool consume(const float* const* outputs, int frames) = 0;
    // The same, told which output pairs (bit n: pair n) carried sound; the
    // others hold only zeros. A sink that can skip silent pairs overrides it.
    virtual bool consumeBlock(const float* const* outputs, int frames, std::uint32_t /*soundingPairs*/)
    {
        return consume(outputs, frames);
    }
    // With EngineSettings::partOutputs, called before consumeBlock with every
    // voice's output once more by the part that started it (part n: channels
    // 2n and 2n + 1); the parts not in soundingParts hold only zeros.
    virtual bool consumeParts(const float* const* /*partOutputs*/, int /*frames*/, std::uint32_t /*soundingParts*/)
    {
        return true;
    }
    // Called once after the last block of a render that was not stopped;
    // returning false fails the render.
    virtual bool finish() { return true; }
};

struct EngineSettings {
    int sampleRate = 44100;
    int blockSize = 512;
    int polyphony = 0; // 0 keeps the engine's default
    bool receiveSysEx = false;
    bool receiveUniversalSysEx = true; // GM/GS/XG resets and master volume, as a GM module obeys them
    bool nrpn = false;
    bool partOutputs = false; // also hand the sink every part's output (for stems)
};

struct RenderStats {
    std::int64_t frames = 0;
    std::int64_t songFrames = 0;
    int blocks = 0;
    int maxVoices = 0;
    std::size_t eventsQueued = 0;
    bool stopped = false; // the sink asked to stop
};

class SongRenderer {
public:
    // Sets the rate, block size and polyphony; receiveSysEx and NRPN are
    // switched on by applySwitches, after any sound data has been loaded.
    explicit SongRenderer(const EngineSettings& settings);
    void applySwitches();
    SongRenderer(const SongRenderer&) = delete;
    SongRenderer& operator=(const SongRenderer&) = delete;

    // A render that ends in its tail ends on a multiple of this many frames.
    static constexpr int kTailGrain = 512;

    // Renders the song, then up to tailSeconds more until every voice is
    // free: to the first multiple of kTailGrain frames at or after the song's
    // end where none sounds, or to the tail's end. The length does not depend
    // on the block size.
    RenderStats render(const MidiSong& song, double tailSeconds, BlockSink& sink);

    synth::SynthesizerWT& engine() { return *context_.synth; }
    plugin::EngineContext& context() { return context_; }

private:
    void queueTempos(const MidiSong& song, std::size_t& next, std::int64_t blockStart, int length);
    void queueEvents(const MidiSong& song, std::span<const TimedEvent> events, std::int64_t blockStart);
    void clearOutputs();
    // The most frames the block at position may last: the block size, or less
    // so that the render can end at every multiple of kTailGrain past the song.
    std::int64_t longestBlock(std::int64_t position, std::int64_t songFrames) const;

    EngineSettings settings_;
    plugin::EngineContext context_; // host, SynthesizerWT(440, 0.8) and queue, as the plug-in builds them
    plugin::PendingMidiEvents pending_;
    // The 32 output channels, then (with partOutputs) the 32 part channels
    // and the engine's two scratch channels, blockSize frames each.
    std::vector<float> buffer_;
    std::array<float*, kOutputChannelCount> outputs_{};
    std::array<float*, kOutputChannelCount> partOutputs_{};
    std::uint32_t dirtyPairs_ = 0; // pairs written since they were last cleared
    std::uint32_t dirtyParts_ = 0; // likewise of the part channels
};

} // namespace kest::tolvane::tools
