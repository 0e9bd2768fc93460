// SPDX-License-Identifier: GPL-3.0-or-later
#include "JackRig.h"

#include <cerrno>
#include <fcntl.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace tolvane_play_test {

using namespace std::chrono_literals;

namespace {
// libjack's own chatter (no server yet, and the like) would bury the test's messages.
void quiet(const char*) {}
} // namespace

// JACK keeps a machine-wide table of eight servers, and a server that dies
// without stopping keeps its entry until one of the same name starts. Names
// stable for one build tree, rather than new ones every run, let each run
// reclaim what an earlier one (killed on purpose, or crashed) left behind.
std::string serverName(const std::string& tag)
{
    char tree[17];
    std::snprintf(tree, sizeof tree, "%08zx", std::hash<std::string>{}(TOLVANE_PLAY_PATH)&0xFFFFFFFFu);
    return "tolvane-test-" + tag + "-" + tree;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& serverName,
                           const std::filesystem::path& log)
    : log_(log)
{
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setenv("JACK_DEFAULT_SERVER", serverName.c_str(), 1);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0 && running()) {
        ::kill(pid_, SIGKILL);
        wait(2s);
    }
}

bool ChildProcess::running()
{
    if (reaped_ || pid_ <= 0)
        return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_)
        reaped_ = true;
    return !reaped_;
}

void ChildProcess::signal(int number)
{
    if (running())
        ::kill(pid_, number);
}

int ChildProcess::wait(std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    if (running()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        reaped_ = true;
        return -1;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

std::string ChildProcess::output() const
{
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

DummyServer::DummyServer(const std::string& name, int sampleRate, int period)
    : name_(name), log_(std::filesystem::temp_directory_path() / (name + "-jackd.log"))
{
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"jackd", "-S", "-t", "5000", "-n", name, "-d",
                                                                       "dummy", "-r", std::to_string(sampleRate), "-p",
                                                                       std::to_string(period)},
                                              name, log_);
    // Synchronous, so a recording never misses a period the player was late
    // for; a client time-out generous enough for a loaded machine to activate
    // clients (a late period is still reported as an xrun).
    // Up when a client gets in.
    for (int attempt = 0; attempt < 300 && process_->running() && !ready_; ++attempt) {
        jack_status_t status{};
        if (jack_client_t* probe =
                jack_client_open("tolvane-test-probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                 &status, name.c_str())) {
            jack_client_close(probe);
            ready_ = true;
        } else {
            std::this_thread::sleep_for(50ms);
        }
    }
}

DummyServer::~DummyServer()
{
    process_->signal(SIGTERM); // a stopping server gives back its entry in JACK's table
    process_->wait(5s);
    process_.reset();
    std::filesystem::remove(log_);
}

std::vector<std::string> DummyServer::xrunReports() const
{
    std::vector<std::string> lines;
    std::istringstream in(process_->output());
    for (std::string line; std::getline(in, line);)
        if (line.find("XRun") != std::string::npos)
            lines.push_back(line);
    return lines;
}

TestClient::TestClient(const std::string& serverName, int inputs)
{
    const auto options = static_cast<jack_options_t>(JackNoStartServer | JackServerName);
    jack_status_t status{};
    sender_ = jack_client_open("tolvane-test-send", options, &status, serverName.c_str());
    recorder_ = jack_client_open("tolvane-test-rec", options, &status, serverName.c_str());
    if (!ok())
        return;
    midiOut_ = jack_port_register(sender_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    for (int i = 0; i < inputs; ++i)
        inputs_.push_back(jack_port_register(recorder_, ("in_" + std::to_string(i + 1)).c_str(),
                                             JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    jack_set_process_callback(sender_, onSend, this);
    jack_set_process_callback(recorder_, onRecord, this);
    jack_set_xrun_callback(recorder_, onXrun, this);
    jack_activate(sender_);
    jack_activate(recorder_);
}

TestClient::~TestClient()
{
    for (jack_client_t* c : {sender_, recorder_}) {
        if (c == nullptr)
            continue;
        jack_deactivate(c);
        jack_client_close(c);
    }
}

int TestClient::sampleRate() const { return static_cast<int>(jack_get_sample_rate(recorder_)); }
int TestClient::periodFrames() const { return static_cast<int>(jack_get_buffer_size(recorder_)); }

bool TestClient::waitForPort(const std::string& port, std::chrono::milliseconds limit) const
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (jack_port_by_name(recorder_, port.c_str()) != nullptr)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

bool TestClient::connectTo(const std::string& player, const std::vector<std::string>& outputs)
{
    // A connection made by an earlier call counts (JACK answers EEXIST).
    auto connected = [](int result) { return result == 0 || result == EEXIST; };
    bool ok = connected(jack_connect(sender_, jack_port_name(midiOut_), (player + ":midi_in").c_str()));
    for (std::size_t i = 0; i < outputs.size() && i < inputs_.size(); ++i)
        ok = connected(jack_connect(recorder_, (player + ":" + outputs[i]).c_str(), jack_port_name(inputs_[i]))) && ok;
    return ok;
}

std::vector<std::vector<float>> TestClient::take(const std::vector<TimedMidi>& events, std::uint32_t frames, int offset,
                                                 int lead)
{
    events_ = events;
    std::stable_sort(events_.begin(), events_.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.frame < b.frame; });
    recording_.assign(inputs_.size(), std::vector<float>(frames, 0.0f));
    length_ = frames;
    offset_ = offset;
    lead_ = std::max(lead, 1);
    nextEvent_ = 0;
    recorded_ = 0;
    late_ = 0;
    phase_.store(1, std::memory_order_release);
    const auto limit =
        std::chrono::steady_clock::now() + std::chrono::seconds(10 + frames / static_cast<std::uint32_t>(sampleRate()));
    double loadSum = 0;
    int readings = 0;
    peakLoad_ = 0.0f;
    for (auto next = std::chrono::steady_clock::now();
         recorded_.load(std::memory_order_acquire) < frames && next < limit;) {
        std::this_thread::sleep_for(5ms);
        if (std::chrono::steady_clock::now() < next || recorded_.load() == 0)
            continue;
        const float load = jack_cpu_load(recorder_);
        loadSum += load;
        ++readings;
        peakLoad_ = std::max(peakLoad_, load);
        next += 100ms;
    }
    meanLoad_ = readings > 0 ? static_cast<float>(loadSum / readings) : 0.0f;
    phase_.store(0, std::memory_order_release);
    std::this_thread::sleep_for(20ms); // let a callback that read the old phase finish
    return recording_;
}

int TestClient::onSend(jack_nframes_t frames, void* self)
{
    auto& rig = *static_cast<TestClient*>(self);
    void* buffer = jack_port_get_buffer(rig.midiOut_, frames);
    jack_midi_clear_buffer(buffer);
    const jack_nframes_t now = jack_last_frame_time(rig.sender_);
    int phase = rig.phase_.load(std::memory_order_acquire);
    if (phase == 1) {
        rig.start_.store(now + static_cast<std::uint32_t>(rig.lead_) * frames + static_cast<std::uint32_t>(rig.offset_),
                         std::memory_order_release);
        rig.phase_.store(phase = 2, std::memory_order_release);
    }
    if (phase != 2)
        return 0;
    const std::uint32_t start = rig.start_.load(std::memory_order_acquire);
    std::size_t next = rig.nextEvent_.load(std::memory_order_relaxed);
    for (; next < rig.events_.size(); ++next) {
        const TimedMidi& e = rig.events_[next];
        const auto at = static_cast<std::int32_t>(start + e.frame - now);
        if (at >= static_cast<std::int32_t>(frames))
            break;
        if (at < 0)
            rig.late_.fetch_add(1);
        jack_midi_event_write(buffer, static_cast<jack_nframes_t>(std::max(at, 0)), e.bytes.data(), e.bytes.size());
    }
    rig.nextEvent_.store(next, std::memory_order_relaxed);
    return 0;
}

int TestClient::onRecord(jack_nframes_t frames, void* self)
{
    auto& rig = *static_cast<TestClient*>(self);
    if (rig.phase_.load(std::memory_order_acquire) != 2)
        return 0;
    const jack_nframes_t now = jack_last_frame_time(rig.recorder_);
    const auto from =
        static_cast<std::int64_t>(static_cast<std::int32_t>(now - rig.start_.load(std::memory_order_acquire)));
    for (std::size_t c = 0; c < rig.inputs_.size(); ++c) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(rig.inputs_[c], frames));
        for (jack_nframes_t i = 0; i < frames; ++i) {
            const std::int64_t at = from + i;
            if (at >= 0 && at < static_cast<std::int64_t>(rig.length_))
                rig.recording_[c][static_cast<std::size_t>(at)] = in[i];
        }
    }
    const std::int64_t done = std::clamp<std::int64_t>(from + frames, 0, rig.length_);
    if (done > rig.recorded_.load(std::memory_order_relaxed))
        rig.recorded_.store(static_cast<std::uint32_t>(done), std::memory_order_release);
    return 0;
}

int TestClient::onXrun(void* self)
{
    static_cast<TestClient*>(self)->xruns_.fetch_add(1);
    return 0;
}

} // namespace tolvane_play_test
