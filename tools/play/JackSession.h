// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-play's life on the JACK server: the client, its ports, the
// callbacks that feed the LivePlayer, and what the server reports back.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "LivePlayer.h"

namespace kest::tolvane::tools {

class JackSession {
public:
    // Opens a client named clientName (JACK may add a suffix when the name is
    // taken) with its MIDI input and the player's outputs. Null with error set
    // when no server answers or a port cannot be made.
    static std::unique_ptr<JackSession> open(const std::string& clientName, LivePlayer& player, std::string& error);
    ~JackSession();
    JackSession(const JackSession&) = delete;
    JackSession& operator=(const JackSession&) = delete;

    bool activate(std::string& error);
    // Outputs to the first physical playback ports, every physical MIDI
    // capture port to midi_in. Returns one line per connection that failed.
    std::vector<std::string> connectToHardware();
    // Deactivates and closes the client; safe to call twice.
    void close();

    std::string clientName() const;
    int sampleRate() const;
    int periodFrames() const;
    float dspLoad() const; // percent, as the server reports it
    long xruns() const { return xruns_.load(std::memory_order_relaxed); }
    bool serverGone() const { return serverGone_.load(std::memory_order_acquire); }
    // How long the player's work took per period, measured on the audio
    // thread: whether it keeps up, apart from the server's own lateness.
    struct PeriodWork {
        long periods = 0;
        std::chrono::nanoseconds mean{0};
        std::chrono::nanoseconds longest{0};
    };
    PeriodWork periodWork() const;
    std::string shutdownReason() const;

private:
    JackSession(jack_client_t* client, LivePlayer& player);
    bool registerPorts(std::string& error);

    static int onProcess(jack_nframes_t frames, void* self);
    static int onSampleRate(jack_nframes_t rate, void* self);
    static int onBufferSize(jack_nframes_t frames, void* self);
    static int onXrun(void* self);
    static void onShutdown(jack_status_t code, const char* reason, void* self);

    jack_client_t* client_;
    LivePlayer& player_;
    jack_port_t* midiIn_ = nullptr;
    std::vector<jack_port_t*> outputs_;
    std::vector<float*> outputBuffers_; // sized once, refilled every period
    bool active_ = false;
    std::atomic<long> xruns_{0};
    std::atomic<long> periods_{0};
    std::atomic<long long> workNs_{0};
    std::atomic<long long> longestWorkNs_{0};
    std::atomic<bool> serverGone_{false};
    char shutdownReason_[256] = {};
};

} // namespace kest::tolvane::tools
