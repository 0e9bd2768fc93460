// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the engine the way the plug-in's processor does: events go into the
// MidiController with their sample offsets, the 32 outputs are cleared and the
// ModuleHost renders the block.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "BlockPlanner.h"
#include "MidiController.h"
#include "MidiFile.h"
#include "ModuleHost.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::tools {

// Receives every rendered block; returning false stops the render.
class BlockSink {
public:
    virtual ~BlockSink() = default;
    virtual bool consume(const float* const* outputs, int frames) = 0;
};

struct EngineSettings {
    int sampleRate = 44100;
    int blockSize = 512;
    int polyphony = 0;  // 0 keeps the engine's default
    bool receiveSysEx = false;
    bool nrpn = false;
};

struct RenderStats {
    std::int64_t frames = 0;
    std::int64_t songFrames = 0;
    int blocks = 0;
    int maxVoices = 0;
    std::size_t eventsQueued = 0;
    bool stopped = false;  // the sink asked to stop
};

class SongRenderer {
public:
    explicit SongRenderer(const EngineSettings& settings);
    SongRenderer(const SongRenderer&) = delete;
    SongRenderer& operator=(const SongRenderer&) = delete;

    // Renders the song, then up to tailSeconds more until every voice is free.
    RenderStats render(const MidiSong& song, double tailSeconds, BlockSink& sink);

    synth::SynthesizerWT& engine() { return synth_; }

private:
    void queueEvents(const MidiSong& song, std::span<const TimedEvent> events, std::int64_t blockStart);
    void clearOutputs(int frames);

    EngineSettings settings_;
    ModuleHost host_;
    synth::SynthesizerWT synth_{440.0f, 0.8f};
    util::MidiController queue_;
    std::vector<float> buffer_;
    std::array<float*, kOutputChannelCount> outputs_{};
};

} // namespace kest::tolvane::tools
