// SPDX-License-Identifier: GPL-3.0-or-later
// The engine played live, one audio period at a time, the way the plug-in's
// processor plays it: the period's MIDI goes into the engine's queue at its
// frames, the 32 outputs are cleared and the module rack renders them. Knows
// nothing of the audio server; its process() is the audio callback's work.
#pragma once

#include <array>
#include <atomic>
#include <vector>

#include "EngineContext.h"
#include "LiveMidi.h"
#include "ModuleHost.h"
#include "PendingMidiEvents.h"

namespace kest::tolvane::tools {

enum class OutputLayout {
    Summed, // 2 channels: the 16 output pairs summed
    Multi,  // 32 channels: output pair n on channels 2n, 2n+1
};

int channelCount(OutputLayout layout);

class LivePlayer {
public:
    LivePlayer(plugin::EngineContext& context, OutputLayout layout);
    LivePlayer(const LivePlayer&) = delete;
    LivePlayer& operator=(const LivePlayer&) = delete;

    // ---- Not the audio thread: these wait for the engine lock. ----
    void setSampleRate(int rate);
    // Makes room for periods of up to this many frames (longer ones are rendered in pieces).
    void reserveFrames(int frames);
    // The tempo the engine's arpeggios follow (no song position: a live
    // player has no transport). Before the audio starts.
    void setTempo(double beatsPerMinute);

    // ---- Audio thread. Allocates nothing, never waits, makes no system call. ----
    // outputs holds channelCount(layout) buffers of frames samples each. When an
    // edit holds the engine the period is silent and its MIDI waits for the next.
    void process(const MidiInput& midi, float* const* outputs, int frames);

    // ---- Any thread. ----
    int activeVoices() const { return activeVoices_.load(std::memory_order_relaxed); }
    int mostVoices() const { return mostVoices_.load(std::memory_order_relaxed); }
    long droppedEvents() const { return droppedEvents_.load(std::memory_order_relaxed); }
    long long framesPlayed() const { return framesPlayed_.load(std::memory_order_relaxed); }
    OutputLayout layout() const { return layout_; }

private:
    void render(float* const* outputs, int frames);
    void deliver(std::span<const TimedMessage> events, int blockStart);
    void renderBlock(float* const* outputs, int start, int length);

    plugin::EngineContext& context_;
    const OutputLayout layout_;
    LiveEventStage stage_;
    plugin::PendingMidiEvents pending_; // hands each block's events over in delivery order
    int blockCapacity_ = 0;             // frames of scratch per channel
    double tempo_ = 120.0;
    bool tempoToSend_ = false;   // the tempo goes to the engine with the first block
    std::vector<float> scratch_; // 32 channels for the summed layout
    std::array<float*, kOutputChannelCount> blockOutputs_{};
    std::atomic<int> activeVoices_{0};
    std::atomic<int> mostVoices_{0};
    std::atomic<long> droppedEvents_{0};
    std::atomic<long long> framesPlayed_{0};
};

} // namespace kest::tolvane::tools
