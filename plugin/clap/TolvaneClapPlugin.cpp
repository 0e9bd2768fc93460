// SPDX-License-Identifier: GPL-3.0-or-later
#include "TolvaneClapPlugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ClapEvents.h"
#include "ClapIdentity.h"
#include "MidiEvent.h"
#include "PluginStateBytes.h"

namespace kest::tolvane::clap {

namespace {

constexpr int kAllSoundOff = 120;

template <std::size_t Size> void copyName(char (&target)[Size], const std::string& name)
{
    std::snprintf(target, Size, "%s", name.c_str());
}

} // namespace

void TolvaneClapPlugin::activate(double sampleRate, std::uint32_t maxFrames)
{
    context_.setSampleRate(static_cast<float>(sampleRate));
    context_.setBlockSize(static_cast<int>(std::min<std::uint32_t>(maxFrames, 1u << 20)));
    context_.setModulesActive(true);
    dropPending_.store(true, std::memory_order_release);
    active_ = true;
}

void TolvaneClapPlugin::deactivate()
{
    context_.setModulesActive(false);
    // No more blocks: edits and tasks are carried out on the main thread until they resume.
    context_.noteAudioStopped();
    dropPending_.store(true, std::memory_order_release);
    active_ = false;
}

void TolvaneClapPlugin::reset()
{
    pending_.clear();
    for (int channel = 0; channel < 16; ++channel)
        pending_.addChannelEvent(kControlChange, channel, kAllSoundOff, 0, 0);
}

bool TolvaneClapPlugin::collectOutputs(const clap_process_t& process, float** channels)
{
    if (process.audio_outputs == nullptr || process.audio_outputs_count != kOutputPorts)
        return false;
    for (std::uint32_t port = 0; port < kOutputPorts; ++port) {
        const clap_audio_buffer_t& buffer = process.audio_outputs[port];
        if (buffer.data32 == nullptr || buffer.channel_count < 2)
            return false;
        for (std::uint32_t side = 0; side < 2; ++side) {
            if (buffer.data32[side] == nullptr)
                return false;
            channels[2 * port + side] = buffer.data32[side];
        }
    }
    return true;
}

void TolvaneClapPlugin::zeroOutputs(const clap_process_t& process)
{
    for (std::uint32_t port = 0; process.audio_outputs && port < process.audio_outputs_count; ++port) {
        const clap_audio_buffer_t& buffer = process.audio_outputs[port];
        for (std::uint32_t side = 0; buffer.data32 && side < buffer.channel_count; ++side)
            if (buffer.data32[side])
                std::memset(buffer.data32[side], 0, process.frames_count * sizeof(float));
    }
}

clap_process_status TolvaneClapPlugin::process(const clap_process_t& process)
{
    if (dropPending_.exchange(false, std::memory_order_acq_rel))
        pending_.clear();
    bypass_.takeRestored(context_, pending_);
    const int frames = static_cast<int>(std::min<std::uint32_t>(process.frames_count, 1u << 30));
    // The transport as of the block's start, ahead of its events (as the renderer queues a tempo change).
    if (process.transport != nullptr)
        addTransport(*process.transport, 0, pending_);
    if (const clap_input_events_t* in = process.in_events) {
        const std::uint32_t count = in->size(in);
        for (std::uint32_t i = 0; i < count; ++i)
            if (const clap_event_header_t* event = in->get(in, i))
                if (const auto change = translateEvent(*event, frames - 1, pending_))
                    applyParam(change->id, change->value);
    }

    float* channels[kOutputChannelCount] = {};
    const bool complete = collectOutputs(process, channels);
    if (!complete)
        zeroOutputs(process);
    // The shared block entry zeroes the channels, serves the main thread and renders.
    const plugin::EngineContext::BlockResult result = context_.renderAudioBlock(
        {.events = &pending_, .outputs = complete ? channels : nullptr, .frames = frames, .bypassed = bypass_.on()});
    // Ports no voice wrote are constant zero: a hint the host may use.
    for (std::uint32_t port = 0; complete && port < kOutputPorts; ++port)
        process.audio_outputs[port].constant_mask = (result.soundingPairs & (1u << port)) ? 0 : 0b11;
    return CLAP_PROCESS_CONTINUE;
}

// ---- parameters -----------------------------------------------------------------------

bool TolvaneClapPlugin::paramInfo(std::uint32_t index, clap_param_info_t& info)
{
    if (index != 0)
        return false;
    info = clap_param_info_t{};
    info.id = kBypassParamId;
    info.flags = CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_BYPASS;
    info.cookie = nullptr;
    copyName(info.name, "Bypass");
    info.module[0] = '\0';
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = 0.0;
    return true;
}

bool TolvaneClapPlugin::paramValue(std::uint32_t id, double& value) const
{
    if (id != kBypassParamId)
        return false;
    value = bypass_.saved() ? 1.0 : 0.0;
    return true;
}

bool TolvaneClapPlugin::paramText(std::uint32_t id, double value, char* text, std::uint32_t size)
{
    if (id != kBypassParamId || text == nullptr || size == 0)
        return false;
    std::snprintf(text, size, "%s", value >= 0.5 ? "On" : "Off");
    return true;
}

bool TolvaneClapPlugin::paramFromText(std::uint32_t id, const char* text, double& value)
{
    if (id != kBypassParamId || text == nullptr)
        return false;
    const std::string word(text);
    if (word == "On" || word == "on" || word == "1") {
        value = 1.0;
        return true;
    }
    if (word == "Off" || word == "off" || word == "0") {
        value = 0.0;
        return true;
    }
    return false;
}

void TolvaneClapPlugin::applyParam(std::uint32_t id, double value)
{
    // Stepped: the host's value is truncated, as CLAP defines it.
    if (id == kBypassParamId)
        bypass_.set(value >= 1.0, context_, pending_);
}

void TolvaneClapPlugin::flushParams(const clap_input_events_t* events)
{
    if (events == nullptr)
        return;
    const std::uint32_t count = events->size(events);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = events->get(events, i);
        if (event == nullptr || event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE ||
            event->size < sizeof(clap_event_param_value_t))
            continue;
        const auto& param = reinterpret_cast<const clap_event_param_value_t&>(*event);
        applyParam(param.param_id, param.value);
    }
}

// ---- ports ----------------------------------------------------------------------------

bool TolvaneClapPlugin::audioPortInfo(std::uint32_t index, bool input, clap_audio_port_info_t& info)
{
    if (input || index >= kOutputPorts)
        return false;
    info = clap_audio_port_info_t{};
    info.id = index;
    copyName(info.name, plugin::ids::kOutputNamePrefix + std::to_string(index + 1));
    info.flags = index == 0 ? CLAP_AUDIO_PORT_IS_MAIN : 0;
    info.channel_count = 2;
    info.port_type = CLAP_PORT_STEREO;
    info.in_place_pair = CLAP_INVALID_ID;
    return true;
}

bool TolvaneClapPlugin::notePortInfo(std::uint32_t index, bool input, clap_note_port_info_t& info)
{
    if (!input || index != 0)
        return false;
    info = clap_note_port_info_t{};
    info.id = kNotePortId;
    // Raw MIDI keeps controllers several to a frame in the order sent.
    info.supported_dialects = CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP;
    info.preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    copyName(info.name, kNotePortName);
    return true;
}

// ---- state ----------------------------------------------------------------------------

bool TolvaneClapPlugin::saveState(const clap_ostream_t& stream)
{
    const std::vector<std::uint8_t> bytes = plugin::pluginStateBytes(context_, bypass_.saved());
    std::size_t written = 0;
    while (written < bytes.size()) {
        const std::int64_t count = stream.write(&stream, bytes.data() + written, bytes.size() - written);
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

bool TolvaneClapPlugin::loadState(const clap_istream_t& stream, bool& bypassChanged)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[64 * 1024];
    for (;;) {
        const std::int64_t count = stream.read(&stream, chunk, sizeof(chunk));
        if (count < 0)
            return false;
        if (count == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
    const bool before = bypass_.saved();
    const plugin::LoadedPluginState loaded = plugin::loadPluginStateBytes(context_, bytes);
    if (loaded.bypass)
        bypass_.restore(*loaded.bypass);
    bypassChanged = bypass_.saved() != before;
    stateLoaded_.store(true, std::memory_order_release);
    return loaded.loaded;
}

} // namespace kest::tolvane::clap
