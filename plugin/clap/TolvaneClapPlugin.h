// SPDX-License-Identifier: GPL-3.0-or-later
// One instance of the CLAP plug-in without its window: owns the
// EngineContext, translates the host's events into the shared block entry,
// describes its ports and its one parameter, and saves and loads the
// plug-in's state bytes.
//
// Threads, as in the other shells: process(), reset() and the processing
// calls are the audio thread and touch the engine only through the block
// entry; activate, deactivate, the state and the window run on the host's
// main thread. process() allocates nothing, takes no blocking lock and makes
// no system call.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "clap/ext/audio-ports.h"
#include "clap/ext/note-ports.h"
#include "clap/ext/params.h"
#include "clap/process.h"
#include "clap/stream.h"

#include "BypassSwitch.h"
#include "EngineContext.h"
#include "PendingMidiEvents.h"

namespace kest::tolvane::clap {

class TolvaneClapPlugin {
public:
    TolvaneClapPlugin() = default;
    TolvaneClapPlugin(const TolvaneClapPlugin&) = delete;
    TolvaneClapPlugin& operator=(const TolvaneClapPlugin&) = delete;

    // ---- main thread ----
    void activate(double sampleRate, std::uint32_t maxFrames);
    void deactivate();
    bool isActive() const { return active_; }

    // ---- audio thread ----
    clap_process_status process(const clap_process_t& process);
    // Kills every voice: All Sound Off on every channel at the next block.
    void reset();
    // The host stops calling process for a while (asleep): state loads meanwhile need not wait for it.
    void stopProcessing() { context_.noteAudioPausing(); }

    // ---- parameters ([active ? audio thread : main thread] for flush) ----
    static std::uint32_t paramCount() { return 1; }
    static bool paramInfo(std::uint32_t index, clap_param_info_t& info);
    bool paramValue(std::uint32_t id, double& value) const;
    static bool paramText(std::uint32_t id, double value, char* text, std::uint32_t size);
    static bool paramFromText(std::uint32_t id, const char* text, double& value);
    void flushParams(const clap_input_events_t* events);

    // ---- ports ----
    static std::uint32_t audioPortCount(bool input) { return input ? 0 : kOutputPorts; }
    static bool audioPortInfo(std::uint32_t index, bool input, clap_audio_port_info_t& info);
    static std::uint32_t notePortCount(bool input) { return input ? 1 : 0; }
    static bool notePortInfo(std::uint32_t index, bool input, clap_note_port_info_t& info);

    // ---- state (main thread): exactly the plug-in's state bytes ----
    bool saveState(const clap_ostream_t& stream);
    // False when the stream ends early or the bytes are no state; `bypassChanged`
    // tells whether the loaded switch differs from the one before.
    bool loadState(const clap_istream_t& stream, bool& bypassChanged);

    // For the editor.
    plugin::EngineContext& engineContext() { return context_; }
    // True once after each state load (the editor then redraws everything).
    bool takeStateLoaded() { return stateLoaded_.exchange(false, std::memory_order_acq_rel); }

private:
    static constexpr std::uint32_t kOutputPorts = 16;

    void applyParam(std::uint32_t id, double value);
    // The 32 channel pointers of the host's buffers; false when one is missing.
    static bool collectOutputs(const clap_process_t& process, float** channels);
    static void zeroOutputs(const clap_process_t& process);

    plugin::EngineContext context_;
    plugin::PendingMidiEvents pending_;
    plugin::BypassSwitch bypass_;
    // Set on (de)activation; the audio thread drops its events at its next block.
    std::atomic<bool> dropPending_{false};
    std::atomic<bool> stateLoaded_{false};
    bool active_ = false;
};

} // namespace kest::tolvane::clap
