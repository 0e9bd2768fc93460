// SPDX-License-Identifier: GPL-3.0-or-later
#include "TolvaneLv2Plugin.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "lv2/atom/util.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"

#include "PluginStateBytes.h"
#include "RawMidiMessage.h"

namespace kest::tolvane::lv2 {

namespace {

// Hosts state block lengths as atom:Int; anything else is not a length.
int readBlockLength(const LV2_Options_Option* options, LV2_URID_Map& map)
{
    const LV2_URID intType = map.map(map.handle, LV2_ATOM__Int);
    const LV2_URID maxLength = map.map(map.handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID nominalLength = map.map(map.handle, LV2_BUF_SIZE__nominalBlockLength);
    int found = 0;
    for (const LV2_Options_Option* o = options; o && o->key != 0; ++o) {
        if (o->type != intType || o->size != sizeof(std::int32_t) || !o->value)
            continue;
        const int length = *static_cast<const std::int32_t*>(o->value);
        if (o->key == maxLength)
            return length; // the one that bounds every block
        if (o->key == nominalLength)
            found = length;
    }
    return found;
}

} // namespace

HostFeatures readHostFeatures(const LV2_Feature* const* features)
{
    HostFeatures found;
    const LV2_Options_Option* options = nullptr;
    for (const LV2_Feature* const* f = features; f && *f; ++f) {
        if (std::strcmp((*f)->URI, LV2_URID__map) == 0)
            found.map = static_cast<LV2_URID_Map*>((*f)->data);
        else if (std::strcmp((*f)->URI, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>((*f)->data);
    }
    if (found.map && options)
        found.maxBlockLength = readBlockLength(options, *found.map);
    return found;
}

TolvaneLv2Plugin::TolvaneLv2Plugin(double sampleRate, const HostFeatures& features, Outputs outputs)
{
    LV2_URID_Map& map = *features.map;
    uris_.midiEvent = map.map(map.handle, LV2_MIDI__MidiEvent);
    uris_.atomChunk = map.map(map.handle, LV2_ATOM__Chunk);
    uris_.stateKey = map.map(map.handle, kStateKeyUri);
    transportUris_.map(map);
    context_.setSampleRate(static_cast<float>(sampleRate));
    if (features.maxBlockLength > 0)
        context_.setBlockSize(features.maxBlockLength);
    if (outputs == Outputs::Stereo) {
        outputPortEnd_ = kStereoPortCount;
        otherPairsFrames_ = static_cast<std::uint32_t>(std::max(features.maxBlockLength, 1));
        otherPairs_.resize(std::size_t{otherPairsFrames_} *
                           static_cast<std::size_t>(kOutputChannelCount - kStereoChannelCount));
        for (int c = kStereoChannelCount; c < kOutputChannelCount; ++c)
            outputs_[static_cast<std::size_t>(c)] =
                otherPairs_.data() + std::size_t{otherPairsFrames_} * static_cast<std::size_t>(c - kStereoChannelCount);
    }
}

TolvaneLv2Plugin::~TolvaneLv2Plugin() { context_.setMessageSink(nullptr); }

void TolvaneLv2Plugin::connectPort(std::uint32_t port, void* data)
{
    if (port == kEventPort)
        events_ = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port >= kFirstOutputPort && port < outputPortEnd_)
        outputs_[port - kFirstOutputPort] = static_cast<float*>(data);
}

void TolvaneLv2Plugin::activate()
{
    context_.setModulesActive(true);
    dropPending_.store(true, std::memory_order_release);
}

void TolvaneLv2Plugin::deactivate()
{
    context_.setModulesActive(false);
    // No more blocks: edits and tasks are carried out on the main thread until they resume.
    context_.noteAudioStopped();
    dropPending_.store(true, std::memory_order_release);
}

// Every MIDI event in the order the host sent it, at its frame; the shared
// holding area keeps that order for events on one frame.
void TolvaneLv2Plugin::readEvents(std::uint32_t frames)
{
    if (!events_)
        return;
    const int lastFrame = std::max(static_cast<int>(frames) - 1, 0);
    LV2_ATOM_SEQUENCE_FOREACH(events_, event)
    {
        // The transport (time:Position) arrives where it holds, between the notes.
        if (Transport transport; readTransport(transportUris_, event->body, transport)) {
            const auto frame = static_cast<int>(std::clamp<std::int64_t>(event->time.frames, 0, lastFrame));
            pending_.addTransport(transport.tempo, transport.hasBeat, transport.beat, frame);
            continue;
        }
        if (event->body.type != uris_.midiEvent)
            continue;
        plugin::RawMidi raw;
        raw.bytes = static_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&event->body));
        raw.size = event->body.size;
        // An offset outside the block from a faulty host is pulled inside it.
        raw.frame = static_cast<int>(std::clamp<std::int64_t>(event->time.frames, 0, lastFrame));
        MidiMessage message;
        if (plugin::toEngineMessage(raw, message))
            pending_.add(message, raw.frame);
    }
}

void TolvaneLv2Plugin::run(std::uint32_t frames)
{
    if (dropPending_.exchange(false, std::memory_order_acq_rel))
        pending_.clear();
    readEvents(frames);
    // A port left unconnected (a host's fault) gets no samples, and so does a
    // block longer than the stereo plug-in's own buffers for the other pairs
    // (longer than the host said it would send): the rest are silenced and the
    // events wait.
    const bool fits = otherPairs_.empty() || frames <= otherPairsFrames_;
    const bool connected =
        fits && std::none_of(outputs_.begin(), outputs_.end(), [](float* p) { return p == nullptr; });
    const int hostChannels = otherPairs_.empty() ? static_cast<int>(outputs_.size()) : kStereoChannelCount;
    if (!connected)
        for (int c = 0; c < hostChannels; ++c)
            if (float* channel = outputs_[static_cast<std::size_t>(c)])
                std::memset(channel, 0, frames * sizeof(float));
    context_.renderAudioBlock(
        {.events = &pending_, .outputs = connected ? outputs_.data() : nullptr, .frames = static_cast<int>(frames)});
    if (connected && !otherPairs_.empty())
        sumPairsIntoFirst(frames);
}

// The renderer's mix adds the pairs in the same order, starting from zero (so
// a -0 of the first pair becomes +0 as there): the stereo plug-in plays the
// renderer's samples to the bit.
void TolvaneLv2Plugin::sumPairsIntoFirst(std::uint32_t frames)
{
    float* left = outputs_[0];
    float* right = outputs_[1];
    if (!left || !right)
        return;
    for (std::uint32_t i = 0; i < frames; ++i) {
        left[i] = 0.0f + left[i];
        right[i] = 0.0f + right[i];
    }
    for (int pair = 1; pair < plugin::ids::kOutputPairCount; ++pair) {
        const float* l = outputs_[static_cast<std::size_t>(2 * pair)];
        const float* r = outputs_[static_cast<std::size_t>(2 * pair + 1)];
        for (std::uint32_t i = 0; i < frames; ++i) {
            left[i] += l[i];
            right[i] += r[i];
        }
    }
}

std::vector<std::uint8_t> TolvaneLv2Plugin::stateBytes()
{
    return plugin::pluginStateBytes(context_, bypassed_.load(std::memory_order_acquire));
}

bool TolvaneLv2Plugin::loadStateBytes(const std::uint8_t* data, std::size_t size)
{
    const plugin::LoadedPluginState loaded = plugin::loadPluginStateBytes(context_, std::span(data, size));
    if (loaded.bypass)
        bypassed_.store(*loaded.bypass, std::memory_order_release);
    stateLoaded_.store(true, std::memory_order_release);
    return loaded.loaded;
}

LV2_State_Status TolvaneLv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    const std::vector<std::uint8_t> bytes = stateBytes();
    // Little-endian by definition, with no pointers in it: portable plain data.
    return store(handle, uris_.stateKey, bytes.data(), bytes.size(), uris_.atomChunk,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status TolvaneLv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    const void* data = retrieve(handle, uris_.stateKey, &size, &type, &flags);
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != uris_.atomChunk)
        return LV2_STATE_ERR_BAD_TYPE;
    // LV2 runs restore between blocks, never beside one (no thread-safe
    // restore is declared): the load need not wait for blocks that do not come.
    context_.noteAudioStopped();
    return loadStateBytes(static_cast<const std::uint8_t*>(data), size) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

} // namespace kest::tolvane::lv2
