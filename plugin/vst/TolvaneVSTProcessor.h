// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's audio component: owns the EngineContext, turns the host's
// parameter changes and events into engine MIDI, renders the 16 stereo
// outputs, and answers the editor's messages.
#pragma once

#include <cstdint>

#include <atomic>
#include <memory>
#include <vector>

#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "public.sdk/source/vst/vstaudioeffect.h"

#include "BypassSwitch.h"
#include "ParameterPoints.h"
#include "PendingMidiEvents.h"
#include "ProcessorMessenger.h"

namespace kest::tolvane::plugin {
class EngineContext;
}

namespace Steinberg::Vst {

class TolvaneVSTProcessor : public AudioEffect {
public:
    using EngineContext = kest::tolvane::plugin::EngineContext;

    TolvaneVSTProcessor();
    ~TolvaneVSTProcessor() override;

    static FUnknown* createInstance(void*) { return static_cast<IAudioProcessor*>(new TolvaneVSTProcessor); }

    tresult PLUGIN_API initialize(FUnknown* context) override;
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
    tresult PLUGIN_API setActive(TBool state) override;
    tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                          int32 numOuts) override;
    tresult PLUGIN_API process(ProcessData& data) override;
    uint32 PLUGIN_API getLatencySamples() override { return 0; }
    uint32 PLUGIN_API getTailSamples() override { return 0; }
    tresult PLUGIN_API setState(IBStream* state) override;
    tresult PLUGIN_API getState(IBStream* state) override;
    tresult PLUGIN_API notify(IMessage* message) override;

    // Null before initialize; lives as long as the processor.
    EngineContext* engineContext() const { return context_.get(); }
    bool isBypassed() const { return bypass_.on(); }
    // Events read but not yet handed to the engine (audio thread only).
    const kest::tolvane::plugin::PendingMidiEvents& pendingEvents() const { return pending_; }
    // Blocks that could not reach the engine because an edit held it: they
    // rendered silence and their events waited for a later block.
    long missedBlocks() const;

private:
    void readParameterChanges(IParameterChanges* changes, int32 numSamples);
    void readMidiQueue(IParamValueQueue& queue, int channel, int item, int32 numSamples);
    void readEvents(IEventList* events, int32 numSamples);
    void readTransport(const ProcessContext* context);
    void switchBypass(bool on);
    bool collectOutputs(ProcessData& data, float** channels);
    void zeroOutputs(ProcessData& data);
    // Marks every bus the engine left silent, so that the host may skip it.
    static void setSilenceFlags(ProcessData& data, std::uint32_t soundingBuses);
    void ensureScratch(int32 samples);

    std::unique_ptr<EngineContext> context_;
    ProcessorMessenger messenger_;
    kest::tolvane::plugin::PendingMidiEvents pending_;
    kest::tolvane::plugin::ParameterPoints points_;
    kest::tolvane::plugin::BypassSwitch bypass_;
    // Set by setActive on the message thread; the audio thread empties its events.
    std::atomic<bool> dropPending_{false};
    // Stands in for output channels a host did not supply (message thread sizes it).
    std::vector<float> scratch_;
};

} // namespace Steinberg::Vst
