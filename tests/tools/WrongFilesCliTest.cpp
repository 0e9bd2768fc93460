// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-render and tolvane-play given the wrong file for each reader (a
// sparse disk image, a 50 MB random file) exit 1 at once, naming the file and
// the reason, without reading it: measured on the child process itself (CPU
// time and peak resident memory from wait4). Valid files are taken as before,
// and a stop signal while loading ends either program at once.
#include <fcntl.h>
#include <gtest/gtest.h>

#ifdef _WIN32
TEST(WrongFilesCli, IsLeftOutOnWindows) { GTEST_SKIP() << "measures its child processes with posix_spawn and wait4"; }
#else

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
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
using tolvane_test::ScratchDir;

namespace {

// The bounds for a refused file.
constexpr double kRefusalCpuMs = 100.0;
constexpr long kRefusalPeakKb = 64 * 1024;

struct ChildRun {
    bool exited = false;
    int status = -1; // exit status, or the signal that ended it
    double cpuMs = 0.0;
    long peakKb = 0;
    std::chrono::milliseconds wall{0};
    std::string output;
};

// Runs argv with its output in `log`; with `stopAfter` sends `signal` then.
// A child that outlives `limit` is killed.
ChildRun runMeasured(const std::vector<std::string>& argv, const std::string& log,
                     std::optional<std::chrono::milliseconds> stopAfter = {}, int signal = SIGTERM,
                     std::chrono::milliseconds limit = 20s)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // No JACK server by this name: the player fails at JACK once its sound data is loaded.
    std::vector<std::string> env{"JACK_DEFAULT_SERVER=tolvane-wrong-files-none", "JACK_NO_START_SERVER=1"};
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("JACK_", 0) != 0)
            env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    ChildRun run;
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    bool signalled = false;
    int raw = 0;
    rusage usage{};
    for (;;) {
        if (::wait4(pid, &raw, WNOHANG, &usage) == pid)
            break;
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (stopAfter && !signalled && elapsed >= *stopAfter) {
            ::kill(pid, signal);
            signalled = true;
        }
        if (elapsed > limit)
            ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(1ms);
    }
    run.wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    run.exited = WIFEXITED(raw);
    run.status = run.exited ? WEXITSTATUS(raw) : WTERMSIG(raw);
    run.cpuMs = 1e3 * (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                1e-3 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    run.peakKb = usage.ru_maxrss;
    std::ifstream in(log);
    run.output.assign(std::istreambuf_iterator<char>(in), {});
    return run;
}

struct FrontEnd {
    std::string name; // as it prefixes its messages
    std::vector<std::string> argv;
};

class WrongFilesCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new ScratchDir("wrong-files");
        tolvane_test::makeSparseFile(*dir / "disk.img", tolvane_test::kDiskImageSize);
        tolvane_test::makeRandomFile(*dir / "movie.mp4", tolvane_test::kRandomFileSize);
        tools::MidiTrackWriter t;
        t.note(0, 240, 0, 60, 100);
        t.setEndTick(480);
        tolvane_test::writeBytes(*dir / "song.mid", tools::encodeMidiFile(0, 480, std::span(&t, 1)));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    // The renderer, and the player where it is built, each with `args`.
    static std::vector<FrontEnd> frontEnds(const std::vector<std::string>& args, bool withSong = true)
    {
        std::vector<FrontEnd> programs;
        FrontEnd render{"tolvane-render", {TOLVANE_RENDER_PATH, "-q", "-o", *dir / "out.wav"}};
        render.argv.insert(render.argv.end(), args.begin(), args.end());
        if (withSong)
            render.argv.push_back(*dir / "song.mid");
        programs.push_back(render);
#ifdef TOLVANE_PLAY_PATH
        FrontEnd play{"tolvane-play", {TOLVANE_PLAY_PATH, "-q", "--name", "tp-wrong-files"}};
        play.argv.insert(play.argv.end(), args.begin(), args.end());
        programs.push_back(play);
#endif
        return programs;
    }

    static ChildRun run(const FrontEnd& program, std::optional<std::chrono::milliseconds> stopAfter = {},
                        int signal = SIGTERM)
    {
        return runMeasured(program.argv, *dir / "run.log", stopAfter, signal);
    }

    // The bounds; a sanitized program costs several times more just to start.
    static void expectCheap(const ChildRun& r, const std::string& what)
    {
#ifndef TOLVANE_SANITIZED
        EXPECT_LT(r.cpuMs, kRefusalCpuMs) << what;
        EXPECT_LT(r.peakKb, kRefusalPeakKb) << what;
#endif
        EXPECT_LT(r.wall, 2s) << what;
    }

    static inline ScratchDir* dir = nullptr;
};

TEST_F(WrongFilesCli, EveryReaderOfBothProgramsRefusesThemUnreadNamingFileAndReason)
{
    for (const std::string file : {"disk.img", "movie.mp4"}) {
        const std::string path = *dir / file;
        const std::vector<std::vector<std::string>> readers = {
            {"--tones", path},      {"--wavetables", path}, {"--samplers", path}, {"--sample-params", path},
            {"--wav", "0=" + path}, {"--state", path},      {"--preset", path},
        };
        for (const auto& reader : readers)
            for (const FrontEnd& program : frontEnds(reader)) {
                const std::string what = program.name + " " + reader[0] + " " + file;
                const ChildRun r = run(program);
                EXPECT_TRUE(r.exited && r.status == 1) << what << "\n" << r.output;
                EXPECT_EQ(r.output.rfind(program.name + ": " + path + ": ", 0), 0u) << what << "\n" << r.output;
                expectCheap(r, what);
            }
        // The song itself.
        FrontEnd render = frontEnds({}, false).front();
        render.argv.push_back(path);
        const ChildRun song = run(render);
        EXPECT_EQ(song.status, 1) << song.output;
        EXPECT_NE(song.output.find(path + ": "), std::string::npos) << song.output;
        expectCheap(song, "song " + file);
    }
}

TEST_F(WrongFilesCli, ValidFilesOfEveryKindAreTakenAsBefore)
{
    plugin::EngineContext context;
    const std::string wav = *dir / "tone.wav";
    {
        std::vector<std::uint8_t> bytes = {'R', 'I', 'F',  'F',  36 + 8, 0, 0, 0, 'W', 'A', 'V', 'E',  'f',
                                           'm', 't', ' ',  16,   0,      0, 0, 1, 0,   1,   0,   0x44, 0xAC,
                                           0,   0,   0x88, 0x58, 1,      0, 2, 0, 16,  0,   'd', 'a',  't',
                                           'a', 8,   0,    0,    0,      1, 2, 3, 4,   5,   6,   7,    8};
        tolvane_test::writeBytes(wav, bytes);
    }
    ASSERT_TRUE(context.importWave(0, wav.c_str(), plugin::SampleSourceKind::Pcm));
    std::vector<std::string> textArgs;
    for (const auto& [option, kind] :
         {std::pair{"--tones", plugin::TextKind::Tone}, std::pair{"--samplers", plugin::TextKind::Sampler},
          std::pair{"--sample-params", plugin::TextKind::SampleData},
          std::pair{"--wavetables", plugin::TextKind::WaveTable}}) {
        const std::string path = *dir / (std::string(option + 2) + ".txt");
        ASSERT_TRUE(context.exportText(path.c_str(), kind));
        textArgs.insert(textArgs.end(), {option, path});
    }
    textArgs.insert(textArgs.end(), {"--wav", "1=" + wav});
    plugin::MemoryByteWriter state;
    context.writeState(state);
    tolvane_test::writeBytes(*dir / "valid.state", state.bytes);
    tolvane_test::writeBytes(*dir / "valid.vstpreset",
                             tools::encodeVstPreset(tools::kTolvaneProcessorClassId, state.bytes));

    for (const auto& args : std::vector<std::vector<std::string>>{
             textArgs, {"--state", *dir / "valid.state"}, {"--preset", *dir / "valid.vstpreset"}})
        for (const FrontEnd& program : frontEnds(args)) {
            const ChildRun r = run(program);
            if (program.name == "tolvane-render") {
                EXPECT_EQ(r.status, 0) << args[0] << "\n" << r.output;
                EXPECT_EQ(r.output, "") << args[0];
            } else {
                // Everything loaded: only then does the player look for its server.
                EXPECT_EQ(r.output, "tolvane-play: JACK: no JACK server is running (or it does not answer)\n")
                    << args[0];
            }
        }
}

TEST_F(WrongFilesCli, AProjectWhoseSampleFileBecameADiskImageRestoresTheStoredCopyAtOnce)
{
    const std::string wav = *dir / "kick.wav";
    {
        std::vector<std::uint8_t> bytes = {'R',  'I',  'F', 'F', 36 + 4, 0,    0, 0, 'W', 'A',  'V', 'E',
                                           'f',  'm',  't', ' ', 16,     0,    0, 0, 1,   0,    1,   0,
                                           0x44, 0xAC, 0,   0,   0x88,   0x58, 1, 0, 2,   0,    16,  0,
                                           'd',  'a',  't', 'a', 4,      0,    0, 0, 0,   0x40, 0,   0xC0};
        tolvane_test::writeBytes(wav, bytes);
    }
    plugin::EngineContext context;
    ASSERT_TRUE(context.importWave(0, wav.c_str(), plugin::SampleSourceKind::Pcm));
    plugin::MemoryByteWriter state;
    context.writeState(state);
    tolvane_test::writeBytes(*dir / "project.state", state.bytes);
    tolvane_test::makeSparseFile(wav, tolvane_test::kDiskImageSize);

    for (const FrontEnd& program : frontEnds({"--state", *dir / "project.state"})) {
        const ChildRun r = run(program);
        EXPECT_NE(r.output.find(program.name + ": sample slot 0: " + wav + ": file changed: restored from the project"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(r.status, program.name == "tolvane-render" ? 0 : 1);
        expectCheap(r, program.name);
    }
}

TEST_F(WrongFilesCli, AStopSignalWhileLoadingEndsEitherProgramAtOnce)
{
    // 16.8 million frames of 8-bit silence (no disk cost), a third of a second to convert into each slot.
    const std::string wav = *dir / "long.wav";
    {
        const std::uint32_t frames = 1u << 24;
        std::vector<std::uint8_t> header = {'R', 'I', 'F', 'F', 0, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                                            ' ', 16,  0,   0,   0, 1, 0,   1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F,
                                            0,   0,   1,   0,   8, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
        for (int i = 0; i < 4; ++i) {
            header[4 + i] = static_cast<std::uint8_t>((36 + frames) >> (8 * i));
            header[40 + i] = static_cast<std::uint8_t>(frames >> (8 * i));
        }
        tolvane_test::writeBytes(wav, header);
        std::filesystem::resize_file(wav, header.size() + frames);
    }
    std::filesystem::remove(*dir / "out.wav");
    std::vector<std::string> slowLoad;
    for (int slot = 0; slot < 12; ++slot)
        slowLoad.insert(slowLoad.end(), {"--wav", std::to_string(slot) + "=" + wav});

    for (const FrontEnd& program : frontEnds(slowLoad))
        for (const int signal : {SIGINT, SIGTERM}) {
            const ChildRun r = run(program, 300ms, signal);
            EXPECT_FALSE(r.exited) << program.name << "\n" << r.output;
            EXPECT_EQ(r.status, signal) << program.name;
            EXPECT_LT(r.wall, 1500ms) << program.name << " went on loading";
        }
    EXPECT_FALSE(std::filesystem::exists(*dir / "out.wav"));
}

} // namespace

#endif
