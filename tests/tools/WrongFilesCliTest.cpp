// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-render and tolvane-play given the wrong file for each reader (a
// sparse disk image, a 50 MB random file) exit 1 at once, naming the file and
// the reason: measured on the child itself (CPU time and peak resident memory
// from wait4). Valid files are taken as before, and a stop signal while
// loading ends either program at once.
#include <gtest/gtest.h>

#ifdef _WIN32
TEST(WrongFilesCli, IsLeftOutOnWindows) { GTEST_SKIP() << "measures its child processes with posix_spawn and wait4"; }
#else

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <optional>
#include <thread>

#include "EngineContext.h"
#include "MidiFileWriter.h"
#include "TestAudio.h"
#include "VstPresetReader.h"
#include "WrongFiles.h"

extern char** environ;

using namespace kest::tolvane;
using namespace std::chrono_literals;

namespace {

struct ChildRun {
    bool exited = false;
    int status = -1; // the exit status, or the signal that ended it
    double cpuMs = 0.0;
    long peakKb = 0;
    std::chrono::milliseconds wall{0};
    std::string output;
};

// Runs argv, output to `log`; sends `signal` after `stopAfter` when given, kills it after 20 s.
ChildRun runMeasured(std::vector<std::string> argv, const std::string& log,
                     std::optional<std::chrono::milliseconds> stopAfter = {}, int signal = SIGTERM)
{
    // No JACK server by this name: the player fails at JACK once its sound data is loaded.
    std::vector<std::string> env{"JACK_DEFAULT_SERVER=tolvane-wrong-files-none", "JACK_NO_START_SERVER=1"};
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("JACK_", 0) != 0)
            env.emplace_back(*e);
    std::vector<char*> args, envp;
    for (std::string& a : argv)
        args.push_back(a.data());
    for (std::string& e : env)
        envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    const bool spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ChildRun run;
    int raw = 0;
    rusage usage{};
    while (spawned && ::wait4(pid, &raw, WNOHANG, &usage) != pid) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (stopAfter && elapsed >= *stopAfter) {
            ::kill(pid, signal);
            stopAfter.reset();
        }
        if (elapsed > 20s)
            ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(1ms);
    }
    run.wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    run.exited = WIFEXITED(raw);
    run.status = run.exited ? WEXITSTATUS(raw) : WTERMSIG(raw);
    run.cpuMs = 1e3 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                1e-3 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    run.peakKb = usage.ru_maxrss;
    std::ifstream in(log);
    run.output.assign(std::istreambuf_iterator<char>(in), {});
    return run;
}

class WrongFilesCli : public ::testing::Test {
protected:
    struct Program {
        std::string name; // as it begins its messages
        std::vector<std::string> argv;
    };

    static void SetUpTestSuite()
    {
        dir = new tolvane_test::ScratchDir("wrong-files");
        tolvane_test::makeSparseFile(*dir / "disk.img", tolvane_test::kDiskImageSize);
        tolvane_test::makeRandomFile(*dir / "movie.mp4", tolvane_test::kRandomFileSize);
        tools::MidiTrackWriter t;
        t.note(0, 240, 0, 60, 100);
        t.setEndTick(480);
        tolvane_test::writeBytes(*dir / "song.mid", tools::encodeMidiFile(0, 480, std::span(&t, 1)));
    }
    static void TearDownTestSuite() { delete dir; }

    // The renderer (with the song) and, where it is built, the player, each loading `args`.
    static std::vector<Program> programs(const std::vector<std::string>& args)
    {
        std::vector<Program> all{{"tolvane-render", {TOLVANE_RENDER_PATH, "-q", "-o", *dir / "out.wav"}}};
#ifdef TOLVANE_PLAY_PATH
        all.push_back({"tolvane-play", {TOLVANE_PLAY_PATH, "-q"}});
#endif
        for (Program& p : all)
            p.argv.insert(p.argv.end(), args.begin(), args.end());
        all.front().argv.push_back(*dir / "song.mid");
        return all;
    }
    static ChildRun run(const Program& p, std::optional<std::chrono::milliseconds> stopAfter = {}, int signal = 0)
    {
        return runMeasured(p.argv, *dir / "run.log", stopAfter, signal);
    }
    // The bounds, on the child; a sanitized program costs several times more just to start.
    static void expectCheap(const ChildRun& r, const std::string& what)
    {
#ifndef TOLVANE_SANITIZED
        EXPECT_LT(r.cpuMs, 100.0) << what;
        EXPECT_LT(r.peakKb, 64 * 1024) << what;
#endif
        EXPECT_LT(r.wall, 2s) << what;
    }

    static inline tolvane_test::ScratchDir* dir = nullptr;
};

TEST_F(WrongFilesCli, EveryReaderOfBothProgramsRefusesThemUnreadNamingFileAndReason)
{
    for (const std::string& path : {*dir / "disk.img", *dir / "movie.mp4"}) {
        for (const std::vector<std::string>& reader : {std::vector<std::string>{"--tones", path},
                                                       {"--wavetables", path},
                                                       {"--samplers", path},
                                                       {"--sample-params", path},
                                                       {"--wav", "0=" + path},
                                                       {"--state", path},
                                                       {"--preset", path}})
            for (const Program& program : programs(reader)) {
                const ChildRun r = run(program);
                EXPECT_TRUE(r.exited && r.status == 1) << r.output;
                EXPECT_EQ(r.output.rfind(program.name + ": " + path + ": ", 0), 0u) << r.output;
                expectCheap(r, program.name + " " + reader[0] + " " + path);
            }
        Program song = programs({}).front();
        song.argv.back() = path;
        const ChildRun r = run(song);
        EXPECT_EQ(r.output.rfind("tolvane-render: " + path + ": ", 0), 0u) << r.output;
        expectCheap(r, "the song " + path);
    }
}

TEST_F(WrongFilesCli, ValidFilesAreTakenAndAProjectWhoseSampleBecameADiskImageRestoresItsCopyAtOnce)
{
    const std::string wav = *dir / "tone.wav"; // a WAV the renderer wrote
    ASSERT_EQ(run({"", {TOLVANE_RENDER_PATH, "-q", "-o", wav, *dir / "song.mid"}}).status, 0);
    plugin::EngineContext context;
    ASSERT_TRUE(context.importWave(0, wav.c_str(), plugin::SampleSourceKind::Pcm));
    std::vector<std::string> texts{"--wav", "1=" + wav};
    for (const auto& [option, kind] : {std::pair{"--tones", plugin::TextKind::Tone},
                                       {"--samplers", plugin::TextKind::Sampler},
                                       {"--sample-params", plugin::TextKind::SampleData},
                                       {"--wavetables", plugin::TextKind::WaveTable}}) {
        texts.insert(texts.end(), {option, *dir / (option + 2)});
        ASSERT_TRUE(context.exportText(texts.back().c_str(), kind));
    }
    plugin::MemoryByteWriter state;
    context.writeState(state);
    tolvane_test::writeBytes(*dir / "project.state", state.bytes);
    tolvane_test::writeBytes(*dir / "project.vstpreset",
                             tools::encodeVstPreset(tools::kTolvaneProcessorClassId, state.bytes));
    // Everything loaded, the player looks for its server.
    const auto expected = [](const Program& p, const std::string& notice) {
        return notice + (p.name == "tolvane-play"
                             ? "tolvane-play: JACK: no JACK server is running (or it does not answer)\n"
                             : "");
    };
    for (const auto& args : {texts, {"--state", *dir / "project.state"}, {"--preset", *dir / "project.vstpreset"}})
        for (const Program& program : programs(args))
            EXPECT_EQ(run(program).output, expected(program, "")) << args[0];

    tolvane_test::makeSparseFile(wav, tolvane_test::kDiskImageSize);
    for (const Program& program : programs({"--state", *dir / "project.state"})) {
        const ChildRun r = run(program);
        EXPECT_EQ(r.output, expected(program, program.name + ": sample slot 0: " + wav +
                                                  ": file changed: restored from the project\n"));
        expectCheap(r, program.name);
    }
}

TEST_F(WrongFilesCli, AStopSignalWhileLoadingEndsEitherProgramAtOnce)
{
    // 16.8 million frames of silence, a third of a second to convert into each slot.
    tolvane_test::makeSparseWave(*dir / "long.wav", 1u << 24, 1, 8);
    std::vector<std::string> slowLoad;
    for (int slot = 0; slot < 12; ++slot)
        slowLoad.insert(slowLoad.end(), {"--wav", std::to_string(slot) + "=" + *dir / "long.wav"});
    std::filesystem::remove(*dir / "out.wav");
    for (const Program& program : programs(slowLoad))
        for (const int signal : {SIGINT, SIGTERM}) {
            const ChildRun r = run(program, 300ms, signal);
            EXPECT_TRUE(!r.exited && r.status == signal) << program.name << "\n" << r.output;
            EXPECT_LT(r.wall, 1500ms) << program.name << " went on loading";
        }
    EXPECT_FALSE(std::filesystem::exists(*dir / "out.wav"));
}

} // namespace

#endif
