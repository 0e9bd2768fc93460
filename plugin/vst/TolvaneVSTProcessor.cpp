// SPDX-License-Identifier: GPL-3.0-or-later
#include "TolvaneVSTProcessor.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include "BypassTrailer.h"
#include "EditorMessageHandler.h"
#include "EngineContext.h"
#include "IBStreamAdapter.h"
#include "MidiEvent.h"
#include "TolvaneIds.h"

namespace Steinberg::Vst {

using kest::tolvane::kControlChange;
using kest::tolvane::kNoteOff;
using kest::tolvane::kNoteOn;
using kest::tolvane::kPitchBend;
using kest::tolvane::kProgramChange;
namespace hostParam = kest::tolvane::plugin::ids::hostParam;

namespace {

// Host values are normalised; a value outside 0..1 from a careless host is
// clamped so it cannot turn into a wrapped MIDI data byte.
double clampNormalised(double value) { return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value); }

int toSevenBit(double value) { return static_cast<int>(clampNormalised(value) * 127.0 + 0.5); }

int toFourteenBit(double value) { return static_cast<int>(clampNormalised(value) * 16383.0 + 0.5); }

// The engine renders up to each event's offset, so an offset past the block
// (or negative) from a faulty host is pulled inside it.
int clampOffset(int32 offset, int32 numSamples)
{
    return std::clamp<int32>(offset, 0, std::max<int32>(numSamples - 1, 0));
}

// A bus name as the SDK takes it; ours are short ASCII.
struct BusName {
    explicit BusName(const std::string& name)
    {
        for (std::size_t i = 0; i < name.size() && i + 1 < std::size(text); ++i)
            text[i] = static_cast<char16>(name[i]);
    }
    char16 text[16] = {};
};

} // namespace

TolvaneVSTProcessor::TolvaneVSTProcessor() : messenger_(*this) { setControllerClass(Tolvane::kControllerUID); }

TolvaneVSTProcessor::~TolvaneVSTProcessor()
{
    if (context_)
        context_->setMessageSink(nullptr);
}

tresult PLUGIN_API TolvaneVSTProcessor::initialize(FUnknown* context)
{
    const tresult result = AudioEffect::initialize(context);
    if (result != kResultOk)
        return result;

    if (audioOutputs.empty()) {
        namespace ids = kest::tolvane::plugin::ids;
        for (int bus = 1; bus <= Tolvane::kOutputBusCount; ++bus)
            addAudioOutput(BusName(ids::kOutputNamePrefix + std::to_string(bus)).text, SpeakerArr::kStereo);
        addEventInput(BusName(ids::kEventInputName).text, Tolvane::kChannelCount);
    }

    // A second initialize after terminate keeps the engine: it lives as long as the processor.
    if (!context_) {
        context_ = std::make_unique<EngineContext>();
        context_->setMessageSink(&messenger_);
    }
    context_->setSampleRate(static_cast<float>(processSetup.sampleRate));
    context_->setBlockSize(processSetup.maxSamplesPerBlock);
    ensureScratch(processSetup.maxSamplesPerBlock);
    return result;
}

tresult PLUGIN_API TolvaneVSTProcessor::setupProcessing(ProcessSetup& setup)
{
    if (context_) {
        context_->setSampleRate(static_cast<float>(setup.sampleRate));
        // The size in force before this call; no module depends on it.
        context_->setBlockSize(processSetup.maxSamplesPerBlock);
    }
    ensureScratch(setup.maxSamplesPerBlock);
    return AudioEffect::setupProcessing(setup);
}

long TolvaneVSTProcessor::missedBlocks() const { return context_ ? context_->missedBlocks() : 0; }

void TolvaneVSTProcessor::ensureScratch(int32 samples)
{
    if (samples > 0 && static_cast<std::size_t>(samples) > scratch_.size())
        scratch_.assign(static_cast<std::size_t>(samples), 0.0f);
}

tresult PLUGIN_API TolvaneVSTProcessor::setActive(TBool state)
{
    if (context_) {
        context_->setModulesActive(state != 0);
        // No more blocks: edits and tasks are carried out on this thread until they resume.
        if (!state)
            context_->noteAudioStopped();
    }
    dropPending_.store(true, std::memory_order_release);
    return AudioEffect::setActive(state);
}

tresult PLUGIN_API TolvaneVSTProcessor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                           SpeakerArrangement* outputs, int32 numOuts)
{
    if (numOuts != Tolvane::kOutputBusCount || !outputs || outputs[0] != SpeakerArr::kStereo)
        return kResultFalse;
    return AudioEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

void TolvaneVSTProcessor::switchBypass(bool on)
{
    // Both directions reset the modules, which drops whatever was queued.
    if (bypass_.set(on, *context_, pending_))
        points_.clear();
}

// Every point of a MIDI queue becomes an event; ParameterPoints puts the points
// of one offset back into an order that keeps MIDI's meaning. Bypass is a
// switch, not MIDI: only its last point counts.
void TolvaneVSTProcessor::readParameterChanges(IParameterChanges* changes, int32 numSamples)
{
    if (!changes)
        return;
    const int32 queueCount = changes->getParameterCount();
    for (int32 q = 0; q < queueCount; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue)
            continue;
        const ParamID id = queue->getParameterId();
        if (id == Tolvane::kBypassId) {
            const int32 points = queue->getPointCount();
            int32 offset = 0;
            ParamValue value = 0.0;
            if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk)
                continue;
            const bool on = clampNormalised(value) == 1.0;
            switchBypass(on);
            if (on)
                return; // the queues after a bypass switch-on are not read
            continue;
        }
        if (!hostParam::isMidi(id))
            continue;
        readMidiQueue(*queue, hostParam::channelOf(id), hostParam::itemOf(id), numSamples);
    }
    points_.moveInto(pending_);
}

void TolvaneVSTProcessor::readMidiQueue(IParamValueQueue& queue, int channel, int item, int32 numSamples)
{
    if (!hostParam::isMappedItem(item))
        return;
    points_.beginQueue();
    const int32 points = queue.getPointCount();
    for (int32 p = 0; p < points; ++p) {
        int32 offset = 0;
        ParamValue value = 0.0;
        if (queue.getPoint(p, offset, value) != kResultOk)
            continue;
        const int time = clampOffset(offset, numSamples);
        if (item < hostParam::kPitchBendItem) {
            points_.add(kControlChange, channel, item, toSevenBit(value), time);
        } else if (item == Tolvane::kPitchBendItem) {
            const int bend = toFourteenBit(value);
            points_.add(kPitchBend, channel, bend & 0x7F, (bend >> 7) & 0x7F, time);
        } else {
            points_.add(kProgramChange, channel, toSevenBit(value), 0, time);
        }
    }
}

void TolvaneVSTProcessor::readEvents(IEventList* events, int32 numSamples)
{
    if (!events)
        return;
    const int32 count = events->getEventCount();
    for (int32 i = 0; i < count; ++i) {
        Event event{};
        if (events->getEvent(i, event) != kResultOk)
            continue;
        const int time = clampOffset(event.sampleOffset, numSamples);
        switch (event.type) {
        case Event::kNoteOnEvent:
            pending_.addChannelEvent(kNoteOn, event.noteOn.channel, event.noteOn.pitch,
                                     toSevenBit(event.noteOn.velocity), time);
            break;
        case Event::kNoteOffEvent:
            pending_.addChannelEvent(kNoteOff, event.noteOff.channel, event.noteOff.pitch, 0, time);
            break;
        case Event::kDataEvent:
            if (event.data.type == DataEvent::kMidiSysEx) {
                // The engine's payload starts after the F0 status byte.
                const int payload = event.data.bytes ? static_cast<int>(event.data.size) - 1 : 0;
                pending_.addSysEx(payload > 0 ? event.data.bytes + 1 : nullptr, payload, time);
            }
            break;
        default: break;
        }
    }
}

// The host's tempo, and its song position while the transport plays, as of
// the block's first frame (a VST 3 host gives them once a block), ahead of
// the block's events as the renderer queues a tempo change.
void TolvaneVSTProcessor::readTransport(const ProcessContext* context)
{
    if (!context || (context->state & ProcessContext::kTempoValid) == 0 || !(context->tempo > 0.0))
        return;
    const bool playing = (context->state & ProcessContext::kPlaying) != 0 &&
                         (context->state & ProcessContext::kProjectTimeMusicValid) != 0;
    pending_.addTransport(context->tempo, playing, playing ? context->projectTimeMusic : 0.0, 0);
}

bool TolvaneVSTProcessor::collectOutputs(ProcessData& data, float** channels)
{
    const auto bytes = static_cast<std::size_t>(std::max<int32>(data.numSamples, 0)) * sizeof(float);
    for (int bus = 0; bus < Tolvane::kOutputBusCount; ++bus) {
        const AudioBusBuffers& buffers = data.outputs[bus];
        // Channels past a stereo pair (a host's other arrangement) get silence.
        for (int32 side = 2; buffers.channelBuffers32 && side < buffers.numChannels; ++side)
            if (buffers.channelBuffers32[side])
                std::memset(buffers.channelBuffers32[side], 0, bytes);
        for (int side = 0; side < 2; ++side) {
            float* channel =
                (buffers.channelBuffers32 && side < buffers.numChannels) ? buffers.channelBuffers32[side] : nullptr;
            if (!channel) {
                // The engine writes all 32 channels; a missing one gets the scratch buffer.
                if (data.numSamples > 0 && static_cast<std::size_t>(data.numSamples) > scratch_.size())
                    return false;
                channel = scratch_.data();
            }
            channels[2 * bus + side] = channel;
        }
    }
    return true;
}

void TolvaneVSTProcessor::zeroOutputs(ProcessData& data)
{
    if (data.numSamples <= 0)
        return;
    const auto bytes = static_cast<std::size_t>(data.numSamples) * sizeof(float);
    for (int bus = 0; bus < Tolvane::kOutputBusCount; ++bus) {
        const AudioBusBuffers& buffers = data.outputs[bus];
        if (!buffers.channelBuffers32)
            continue;
        for (int32 side = 0; side < buffers.numChannels; ++side)
            if (buffers.channelBuffers32[side])
                std::memset(buffers.channelBuffers32[side], 0, bytes);
    }
}

void TolvaneVSTProcessor::setSilenceFlags(ProcessData& data, std::uint32_t soundingBuses)
{
    for (int bus = 0; bus < Tolvane::kOutputBusCount; ++bus) {
        AudioBusBuffers& buffers = data.outputs[bus];
        const bool silent = !(soundingBuses & (1u << bus));
        const int channels = std::clamp<int32>(buffers.numChannels, 0, 63);
        buffers.silenceFlags = silent ? (uint64{1} << channels) - 1 : 0;
    }
}

tresult PLUGIN_API TolvaneVSTProcessor::process(ProcessData& data)
{
    if (data.numOutputs != Tolvane::kOutputBusCount || !data.outputs)
        return kResultOk;
    if (!context_) {
        zeroOutputs(data);
        setSilenceFlags(data, 0);
        return kResultOk;
    }
    if (dropPending_.exchange(false, std::memory_order_acq_rel))
        pending_.clear();
    if (bypass_.takeRestored(*context_, pending_))
        points_.clear();

    readTransport(data.processContext);
    readParameterChanges(data.inputParameterChanges, data.numSamples);
    readEvents(data.inputEvents, data.numSamples);

    float* channels[2 * Tolvane::kOutputBusCount] = {};
    const bool complete = collectOutputs(data, channels);
    if (!complete)
        zeroOutputs(data);
    // The shared block entry zeroes the channels, serves the message thread and renders.
    const EngineContext::BlockResult result = context_->renderAudioBlock({.events = &pending_,
                                                                          .outputs = complete ? channels : nullptr,
                                                                          .frames = data.numSamples,
                                                                          .bypassed = bypass_.on()});
    setSilenceFlags(data, result.soundingPairs);
    return kResultOk;
}

tresult PLUGIN_API TolvaneVSTProcessor::setState(IBStream* state)
{
    tresult result = kResultFalse;
    if (state && context_) {
        IBStreamByteReader reader(*state);
        result = context_->readState(reader) ? kResultOk : kResultFalse;
        bool bypassed = false;
        if (Tolvane::readBypassTrailer(*state, bypassed))
            bypass_.restore(bypassed);
    }
    messenger_.sendContextAddress(Tolvane::kMsgSetState, context_.get());
    return result;
}

tresult PLUGIN_API TolvaneVSTProcessor::getState(IBStream* state)
{
    tresult result = kResultFalse;
    if (state && context_) {
        IBStreamByteWriter writer(*state);
        context_->writeState(writer);
        if (!writer.failed())
            Tolvane::writeBypassTrailer(*state, bypass_.saved());
        result = writer.failed() ? kResultFalse : kResultOk;
    }
    messenger_.sendContextAddress(Tolvane::kMsgGetState, context_.get());
    return result;
}

tresult PLUGIN_API TolvaneVSTProcessor::notify(IMessage* message)
{
    if (!message || !message->getMessageID())
        return kInvalidArgument;
    if (handleEditorMessage(*message, context_.get(), messenger_))
        return kResultOk;
    return AudioEffect::notify(message);
}

} // namespace Steinberg::Vst
