// SPDX-License-Identifier: GPL-3.0-or-later
// One instance of the LV2 plug-in: owns the EngineContext, hands the host's
// MIDI events to the engine at their frames, renders the 32 output ports (or,
// as the stereo plug-in, their sum into 2) and saves and restores the
// plug-in's state bytes.
//
// Threads, as in the VST 3 processor: run() is the audio thread and touches
// the engine only through EngineContext's try-lock; activate, deactivate,
// save, restore and the editor run on the host's main thread. run() allocates
// nothing, takes no blocking lock and makes no system call.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include "EngineContext.h"
#include "Lv2Identity.h"
#include "Lv2Transport.h"
#include "PendingMidiEvents.h"

namespace kest::tolvane::lv2 {

struct HostFeatures {
    LV2_URID_Map* map = nullptr;
    int maxBlockLength = 0; // 0: the host did not say
};

// Reads the features the plug-in uses; the map is required, the rest optional.
HostFeatures readHostFeatures(const LV2_Feature* const* features);

class TolvaneLv2Plugin {
public:
    // The host's output ports: the 16 pairs, or one pair that carries their sum
    // (the other pairs then render into buffers of the instance's own, as long
    // as the host's maxBlockLength, which must be known).
    enum class Outputs { Pairs, Stereo };

    TolvaneLv2Plugin(double sampleRate, const HostFeatures& features, Outputs outputs = Outputs::Pairs);
    ~TolvaneLv2Plugin();
    TolvaneLv2Plugin(const TolvaneLv2Plugin&) = delete;
    TolvaneLv2Plugin& operator=(const TolvaneLv2Plugin&) = delete;

    void connectPort(std::uint32_t port, void* data);
    void activate();
    void deactivate();
    void run(std::uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    // The state bytes the VST 3 plug-in's getState writes: the engine's stream
    // and the bypass record. LV2 hosts bypass a plug-in outside it, so the
    // switch is only carried from a loaded state to the next save.
    std::vector<std::uint8_t> stateBytes();
    bool loadStateBytes(const std::uint8_t* data, std::size_t size);

    // For the editor, which reaches the instance through instance-access.
    plugin::EngineContext& engineContext() { return context_; }
    void setMessageSink(plugin::ProcessorMessageSink* sink) { context_.setMessageSink(sink); }
    plugin::ProcessorMessageSink* messageSink() const { return context_.messageSink(); }
    // True once after each state load (the editor then redraws everything).
    bool takeStateLoaded() { return stateLoaded_.exchange(false, std::memory_order_acq_rel); }
    // Blocks that rendered silence because an edit held the engine.
    long missedBlocks() const { return context_.missedBlocks(); }

private:
    void readEvents(std::uint32_t frames);
    // The stereo plug-in: the other pairs added to the first, in pair order.
    void sumPairsIntoFirst(std::uint32_t frames);

    struct Uris {
        LV2_URID midiEvent = 0;
        LV2_URID atomChunk = 0;
        LV2_URID stateKey = 0;
    };
    TransportUris transportUris_;

    plugin::EngineContext context_;
    plugin::PendingMidiEvents pending_;
    Uris uris_;
    const LV2_Atom_Sequence* events_ = nullptr;
    std::array<float*, kOutputChannelCount> outputs_{};
    std::uint32_t outputPortEnd_ = kPortCount;
    // The stereo plug-in's pairs 2 to 16, and the longest block they hold.
    std::vector<float> otherPairs_;
    std::uint32_t otherPairsFrames_ = 0;
    std::atomic<bool> dropPending_{false};
    std::atomic<bool> bypassed_{false};
    std::atomic<bool> stateLoaded_{false};
};

} // namespace kest::tolvane::lv2
