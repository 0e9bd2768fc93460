// SPDX-License-Identifier: GPL-3.0-or-later
#include "JackSession.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kest::tolvane::tools {

namespace {

// The period's MIDI straight from the input port's buffer.
class JackMidiInput final : public MidiInput {
public:
    explicit JackMidiInput(void* buffer) : buffer_(buffer), count_(static_cast<int>(jack_midi_get_event_count(buffer)))
    {
    }
    int count() const override { return count_; }
    bool get(int index, RawMidi& event) const override
    {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, buffer_, static_cast<std::uint32_t>(index)) != 0)
            return false;
        event = {static_cast<int>(e.time), e.buffer, e.size};
        return true;
    }

private:
    void* buffer_;
    int count_;
};

// libjack reports every failure in several lines of its own (socket errors when
// the server goes, and so on); the player says what happened in one line instead.
void silent(const char*) {}

std::vector<std::string> outputPortNames(OutputLayout layout)
{
    if (layout == OutputLayout::Summed)
        return {"out_L", "out_R"};
    std::vector<std::string> names;
    for (int pair = 1; pair <= kOutputPairCount; ++pair) {
        names.push_back("out_" + std::to_string(pair) + "_L");
        names.push_back("out_" + std::to_string(pair) + "_R");
    }
    return names;
}

// jack_get_ports hands over a list the caller frees with jack_free.
std::vector<std::string> findPorts(jack_client_t* client, const char* type, unsigned long flags)
{
    std::vector<std::string> names;
    if (const char** ports = jack_get_ports(client, nullptr, type, flags)) {
        for (const char** p = ports; *p; ++p)
            names.emplace_back(*p);
        jack_free(ports);
    }
    return names;
}

} // namespace

std::unique_ptr<JackSession> JackSession::open(const std::string& clientName, LivePlayer& player, std::string& error)
{
    jack_set_info_function(silent);
    jack_set_error_function(silent);
    jack_status_t status{};
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        error = (status & JackServerFailed) || (status & JackServerError)
                    ? "no JACK server is running (or it does not answer)"
                : (status & JackNameNotUnique) ? "the client name '" + clientName + "' is taken"
                                               : "the JACK server refused the client";
        return nullptr;
    }
    std::unique_ptr<JackSession> session(new JackSession(client, player));
    if (!session->registerPorts(error))
        return nullptr;
    return session;
}

JackSession::JackSession(jack_client_t* client, LivePlayer& player) : client_(client), player_(player) {}

JackSession::~JackSession() { close(); }

bool JackSession::registerPorts(std::string& error)
{
    midiIn_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (midiIn_ == nullptr) {
        error = "cannot make the MIDI input port";
        return false;
    }
    for (const std::string& name : outputPortNames(player_.layout())) {
        jack_port_t* port = jack_port_register(client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (port == nullptr) {
            error = "cannot make the output port " + name;
            return false;
        }
        outputs_.push_back(port);
    }
    outputBuffers_.resize(outputs_.size());
    jack_set_process_callback(client_, onProcess, this);
    jack_set_sample_rate_callback(client_, onSampleRate, this);
    jack_set_buffer_size_callback(client_, onBufferSize, this);
    jack_set_xrun_callback(client_, onXrun, this);
    jack_on_info_shutdown(client_, onShutdown, this);
    return true;
}

bool JackSession::activate(std::string& error)
{
    player_.setSampleRate(static_cast<int>(jack_get_sample_rate(client_)));
    player_.reserveFrames(static_cast<int>(jack_get_buffer_size(client_)));
    if (jack_activate(client_) != 0) {
        error = "the JACK server did not start the client";
        return false;
    }
    active_ = true;
    return true;
}

std::vector<std::string> JackSession::connectToHardware()
{
    std::vector<std::string> failures;
    auto connect = [&](const std::string& from, const std::string& to) {
        const int result = jack_connect(client_, from.c_str(), to.c_str());
        if (result != 0 && result != EEXIST)
            failures.push_back("cannot connect " + from + " to " + to);
    };
    const auto playback = findPorts(client_, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (playback.empty())
        failures.push_back("no physical playback ports to connect to");
    // Every left channel to the first playback port and every right one to the
    // second: the server sums them, so --multi with --connect still sounds whole.
    for (std::size_t i = 0; i < outputs_.size() && !playback.empty(); ++i)
        connect(jack_port_name(outputs_[i]), playback[std::min(i % 2, playback.size() - 1)]);
    for (const std::string& source : findPorts(client_, JACK_DEFAULT_MIDI_TYPE, JackPortIsPhysical | JackPortIsOutput))
        connect(source, jack_port_name(midiIn_));
    return failures;
}

void JackSession::close()
{
    if (client_ == nullptr)
        return;
    if (active_ && !serverGone())
        jack_deactivate(client_);
    jack_client_close(client_);
    client_ = nullptr;
    active_ = false;
}

std::string JackSession::clientName() const { return client_ ? jack_get_client_name(client_) : ""; }
int JackSession::sampleRate() const { return client_ ? static_cast<int>(jack_get_sample_rate(client_)) : 0; }
int JackSession::periodFrames() const { return client_ ? static_cast<int>(jack_get_buffer_size(client_)) : 0; }
float JackSession::dspLoad() const { return client_ && !serverGone() ? jack_cpu_load(client_) : 0.0f; }

std::string JackSession::shutdownReason() const
{
    return serverGone() && shutdownReason_[0] != '\0' ? shutdownReason_ : "the JACK server went away";
}

JackSession::PeriodWork JackSession::periodWork() const
{
    PeriodWork work;
    work.periods = periods_.load(std::memory_order_relaxed);
    if (work.periods > 0)
        work.mean = std::chrono::nanoseconds(workNs_.load(std::memory_order_relaxed) / work.periods);
    work.longest = std::chrono::nanoseconds(longestWorkNs_.load(std::memory_order_relaxed));
    return work;
}

// The audio thread: port buffers in, the player's work timed, nothing else.
// Only this thread writes the work figures, so plain loads and stores do.
int JackSession::onProcess(jack_nframes_t frames, void* self)
{
    auto& session = *static_cast<JackSession*>(self);
    const auto start = std::chrono::steady_clock::now();
    const JackMidiInput midi(jack_port_get_buffer(session.midiIn_, frames));
    for (std::size_t c = 0; c < session.outputs_.size(); ++c)
        session.outputBuffers_[c] = static_cast<float*>(jack_port_get_buffer(session.outputs_[c], frames));
    session.player_.process(midi, session.outputBuffers_.data(), static_cast<int>(frames));

    const long long took = std::chrono::nanoseconds(std::chrono::steady_clock::now() - start).count();
    constexpr auto relaxed = std::memory_order_relaxed;
    session.periods_.store(session.periods_.load(relaxed) + 1, relaxed);
    session.workNs_.store(session.workNs_.load(relaxed) + took, relaxed);
    if (took > session.longestWorkNs_.load(relaxed))
        session.longestWorkNs_.store(took, relaxed);
    return 0;
}

int JackSession::onSampleRate(jack_nframes_t rate, void* self)
{
    static_cast<JackSession*>(self)->player_.setSampleRate(static_cast<int>(rate));
    return 0;
}

int JackSession::onBufferSize(jack_nframes_t frames, void* self)
{
    static_cast<JackSession*>(self)->player_.reserveFrames(static_cast<int>(frames));
    return 0;
}

int JackSession::onXrun(void* self)
{
    static_cast<JackSession*>(self)->xruns_.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

// Called on a JACK thread with the server gone; only notes it for the main thread.
void JackSession::onShutdown(jack_status_t, const char* reason, void* self)
{
    auto& session = *static_cast<JackSession*>(self);
    if (reason != nullptr)
        std::strncpy(session.shutdownReason_, reason, sizeof session.shutdownReason_ - 1);
    session.serverGone_.store(true, std::memory_order_release);
}

} // namespace kest::tolvane::tools
