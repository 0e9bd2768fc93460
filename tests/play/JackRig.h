// SPDX-License-Identifier: GPL-3.0-or-later
// The project's own JACK test rig: a private `jackd -d dummy` server, the
// tolvane-play program started on it, and a small test client that plays MIDI
// into midi_in at chosen frames and records the player's outputs.
#pragma once

#include <jack/jack.h>
#include <memory>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tolvane_play_test {

// Runs a command with JACK_DEFAULT_SERVER set, its output going to a file.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& serverName, const std::filesystem::path& log);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running();
    void signal(int number);
    // The exit status, or -1 when it did not end within the time (it is then killed).
    int wait(std::chrono::milliseconds limit);
    std::string output() const;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    bool reaped_ = false;
    std::filesystem::path log_;
};

// jackd with the dummy driver on a private server name.
class DummyServer {
public:
    DummyServer(const std::string& name, int sampleRate, int period);
    ~DummyServer(); // stops the server if it still runs and removes its log
    const std::string& name() const { return name_; }
    // True once a client can connect.
    bool ready() const { return ready_; }
    ChildProcess& process() { return *process_; }
    // Lines of the server's own xrun reports so far.
    std::vector<std::string> xrunReports() const;

private:
    std::string name_;
    std::filesystem::path log_;
    std::unique_ptr<ChildProcess> process_;
    bool ready_ = false;
};

struct TimedMidi {
    std::uint32_t frame = 0; // from the start of the take
    std::vector<std::uint8_t> bytes;
};

// Two clients in the test process: "...-send" with one MIDI output and
// "...-rec" with audio inputs. Connected sender -> player -> recorder, the
// server runs them in that order within every period, so a recording lines up
// frame for frame with the MIDI sent.
class TestClient {
public:
    TestClient(const std::string& serverName, int inputs);
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool ok() const { return sender_ && recorder_; }
    int sampleRate() const;
    int periodFrames() const;
    jack_client_t* client() const { return recorder_; }

    // Waits until port exists (the player has registered it).
    bool waitForPort(const std::string& port, std::chrono::milliseconds limit) const;
    // midi_in of the player and its outputs in order to the recorder's inputs.
    bool connectTo(const std::string& player, const std::vector<std::string>& outputs);

    // Plays the events and records frames from a start `lead` periods ahead, at
    // `offset` frames into that period; blocks until the take is complete.
    // Returns one vector per input, frame 0 being the take's start.
    std::vector<std::vector<float>> take(const std::vector<TimedMidi>& events, std::uint32_t frames, int offset = 0,
                                         int lead = 2);
    // Events sent later than their frame (none, unless the sender fell behind).
    long lateEvents() const { return late_.load(); }
    long xruns() const { return xruns_.load(); }
    // The server's DSP load (percent) over the last take: its mean and highest reading.
    float meanDspLoad() const { return meanLoad_; }
    float peakDspLoad() const { return peakLoad_; }

private:
    static int onSend(jack_nframes_t frames, void* self);
    static int onRecord(jack_nframes_t frames, void* self);
    static int onXrun(void* self);

    jack_client_t* sender_ = nullptr;
    jack_client_t* recorder_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    std::vector<jack_port_t*> inputs_;

    // Set by take() before it arms the callbacks, read by them after.
    std::vector<TimedMidi> events_;
    std::vector<std::vector<float>> recording_;
    int offset_ = 0;
    int lead_ = 0;
    // 0 idle, 1 asked for (the sender fixes the start in its next period), 2 running.
    std::atomic<int> phase_{0};
    std::atomic<std::uint32_t> start_{0};
    std::atomic<long> late_{0};
    std::atomic<std::size_t> nextEvent_{0};
    std::atomic<std::uint32_t> recorded_{0};
    std::uint32_t length_ = 0;
    std::atomic<long> xruns_{0};
    float meanLoad_ = 0.0f, peakLoad_ = 0.0f;
};

// The private server name of one kind of test for this build tree.
std::string serverName(const std::string& tag);

} // namespace tolvane_play_test
