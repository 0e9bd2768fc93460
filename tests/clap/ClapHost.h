// SPDX-License-Identifier: GPL-3.0-or-later
// A small CLAP host of the project's own. It loads a built .clap file as
// hosts do (the module opened, clap_entry found by name and initialised, the
// plug-in created through its factory; nothing of the plug-in is linked in),
// lends the host extensions a real host lends (thread-check, timer-support,
// gui, params, state, latency, audio- and note-ports), runs blocks of events
// into 16 stereo outputs and saves and loads state through the streams.
// Built for Linux and for Windows (run under Wine).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "clap/entry.h"
#include "clap/ext/gui.h"
#include "clap/plugin-factory.h"

namespace tolvane_clap_test {

// The module and its entry, initialised once and deinitialised on close.
class ClapModule {
public:
    explicit ClapModule(const std::string& path);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    bool valid() const { return factory_ != nullptr; }
    const std::string& error() const { return error_; }
    const clap_plugin_entry_t* entry() const { return entry_; }
    const clap_plugin_factory_t* factory() const { return factory_; }

private:
    void* library_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_factory_t* factory_ = nullptr;
    std::string error_;
};

// One block's input events, kept sorted by time as CLAP requires.
class EventList {
public:
    EventList();
    ~EventList();
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    void clear();
    void midi(std::uint32_t time, const std::vector<std::uint8_t>& bytes); // a channel message or SysEx
    void note(std::uint16_t type, std::uint32_t time, int channel, int key, double velocity);
    void param(std::uint32_t time, std::uint32_t id, double value);
    const clap_input_events_t* list() const { return &list_; }
    std::size_t size() const { return order_.size(); }

private:
    struct Stored;
    void add(Stored&& event);
    std::vector<std::unique_ptr<Stored>> events_;
    std::vector<const clap_event_header_t*> order_;
    clap_input_events_t list_{this, &sizeOf, &get};
    static uint32_t sizeOf(const clap_input_events_t* list);
    static const clap_event_header_t* get(const clap_input_events_t* list, uint32_t index);
};

struct HostOptions {
    bool timerSupport = true; // offer clap.timer-support
};

class ClapInstance {
public:
    static constexpr int kChannels = 32;

    // Creates and initialises the plug-in with the id given; activates it
    // for `maxFrames` when `activate`.
    ClapInstance(const ClapModule& module, const char* pluginId, double sampleRate, int maxFrames, bool activate = true,
                 HostOptions options = {});
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool valid() const { return plugin_ != nullptr; }
    const clap_plugin_t* plugin() const { return plugin_; }
    template <typename Extension> const Extension* extension(const char* id) const
    {
        return static_cast<const Extension*>(plugin_->get_extension(plugin_, id));
    }

    bool activate();
    void deactivate();
    bool isActive() const { return active_; }
    // One block; the outputs are set to `fill` first when given (to see what the plug-in writes).
    clap_process_status process(const EventList& events, int frames, std::optional<float> fill = 0.0f,
                                const clap_event_transport_t* transport = nullptr);
    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)].data(); }
    std::uint64_t constantMask(int port) const { return buffers_[static_cast<std::size_t>(port)].constant_mask; }

    std::vector<std::uint8_t> saveState();
    bool loadState(const std::vector<std::uint8_t>& bytes);

    // ---- what the plug-in asked of the host ----
    struct Requests {
        int paramRescans = 0;
        std::uint32_t lastRescanFlags = 0;
        int resizes = 0;
        std::uint32_t lastWidth = 0, lastHeight = 0;
        int callbacks = 0;
    };
    const Requests& requests() const { return requests_; }
    // The timers the plug-in registered.
    struct Timer {
        clap_id id;
        std::uint32_t periodMs;
    };
    const std::vector<Timer>& timers() const { return timers_; }
    // Calls on_timer for every registered timer.
    void fireTimers();

private:
    static const void* hostExtension(const clap_host_t* host, const char* id);
    static ClapInstance& of(const clap_host_t* host) { return *static_cast<ClapInstance*>(host->host_data); }

    clap_host_t host_{};
    HostOptions options_;
    const clap_plugin_t* plugin_ = nullptr;
    double sampleRate_;
    int maxFrames_;
    bool active_ = false;
    std::thread::id mainThread_;
    bool inProcess_ = false;
    std::vector<std::vector<float>> outputs_;
    std::vector<float*> pointers_;
    std::vector<clap_audio_buffer_t> buffers_;
    Requests requests_;
    std::vector<Timer> timers_;
    clap_id nextTimer_ = 1;
};

} // namespace tolvane_clap_test
