// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line faults met with ordinary songs and ordinary mistakes: each is
// refused with a plain sentence and the right exit status, and leaves no file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "MidiFileWriter.h"
#include "RenderRun.h"
#include "TestAudio.h"

using namespace kest::tolvane::tools;
using tolvane_test::runRender;
using tolvane_test::RunResult;
using tolvane_test::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

extern char** environ;

namespace {

Bytes shortSong()
{
    MidiTrackWriter t;
    t.note(0, 240, 0, 60, 100);
    t.setEndTick(480);
    return encodeMidiFile(0, 480, std::span(&t, 1));
}

bool noAudioLeftIn(const ScratchDir& dir)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.ends_with(".mid") && !name.ends_with(".rmi") && !name.ends_with(".log"))
            return false;
    }
    return true;
}

} // namespace

TEST(RenderFaults, FoldersAndOutputsNamingTheSongAreRefused)
{
    ScratchDir dir("names");
    std::filesystem::create_directories(dir.path / "songs");
    tolvane_test::writeBytes(dir / "song.mid", shortSong());
    RunResult r = runRender(dir, "songs");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "tolvane-render: songs: this is a folder, not a MIDI file\n");

    const Bytes before = shortSong();
    for (const char* output : {"song.mid", "./song.mid", "songs/../song.mid"}) {
        r = runRender(dir, std::string("-o ") + output + " song.mid");
        EXPECT_EQ(r.status, 2) << output;
        EXPECT_NE(r.output.find("is the song itself"), std::string::npos) << r.output;
    }
    std::ifstream song(dir / "song.mid", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(song), {}), before);
    EXPECT_TRUE(noAudioLeftIn(dir));
}

TEST(RenderFaults, TheExtensionChoosesTheFormatOrIsRefused)
{
    ScratchDir dir("formats");
    tolvane_test::writeBytes(dir / "song.mid", shortSong());
    RunResult r = runRender(dir, "-o song.xyz song.mid");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("'.xyz'; this build writes wav, flac, ogg"), std::string::npos) << r.output;
    EXPECT_TRUE(noAudioLeftIn(dir));

    const std::pair<const char*, int> formats[] = {
        {"a.ogg", SF_FORMAT_OGG}, {"a.aiff", SF_FORMAT_AIFF}, {"a.caf", SF_FORMAT_CAF},
        {"a.w64", SF_FORMAT_W64}, {"a.rf64", SF_FORMAT_RF64}, {"a.mp3", SF_FORMAT_MPEG},
    };
    for (const auto& [name, major] : formats) {
        r = runRender(dir, std::string("-q -o ") + name + " song.mid");
        if (r.status == 2 && std::string(name) == "a.mp3")
            continue; // a libsndfile built without MP3 says so
        ASSERT_EQ(r.status, 0) << name << ": " << r.output;
        const tolvane_test::Audio audio = tolvane_test::readAudio(dir / name);
        ASSERT_TRUE(audio.ok) << name;
        EXPECT_EQ(audio.format & SF_FORMAT_TYPEMASK, major) << name;
        EXPECT_GT(audio.peak(), 0.01f) << name;
    }
}

TEST(RenderFaults, RiffMidiPlaysAndAZeroTempoIsRefusedByTrackAndTick)
{
    ScratchDir dir("songs");
    const Bytes smf = shortSong();
    Bytes rmi{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    const auto n = static_cast<std::uint32_t>(smf.size());
    for (int shift = 0; shift < 32; shift += 8)
        rmi.push_back(static_cast<std::uint8_t>(n >> shift));
    rmi.insert(rmi.end(), smf.begin(), smf.end());
    const auto riffSize = static_cast<std::uint32_t>(rmi.size() - 8);
    for (int i = 0; i < 4; ++i)
        rmi[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    tolvane_test::writeBytes(dir / "song.rmi", rmi);
    tolvane_test::writeBytes(dir / "song.mid", smf);
    ASSERT_EQ(runRender(dir, "-q --float -o rmi.wav song.rmi").status, 0);
    ASSERT_EQ(runRender(dir, "-q --float -o mid.wav song.mid").status, 0);
    EXPECT_EQ(tolvane_test::readAudio(dir / "rmi.wav").samples, tolvane_test::readAudio(dir / "mid.wav").samples);

    MidiTrackWriter t;
    t.note(0, 240, 0, 60, 100);
    const std::uint8_t zero[] = {0, 0, 0};
    t.meta(240, 0x51, zero);
    tolvane_test::writeBytes(dir / "frozen.mid", encodeMidiFile(0, 480, std::span(&t, 1)));
    const RunResult r = runRender(dir, "-o frozen.wav frozen.mid");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "tolvane-render: frozen.mid: track 1: tempo of 0 at tick 240: time would stand still\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "frozen.wav"));
}

TEST(RenderFaults, ErrorTextsArePlainSentences)
{
    ScratchDir dir("texts");
    tolvane_test::writeBytes(dir / "song.mid", shortSong());
    const RunResult r = runRender(dir, "-o missing/out.wav song.mid");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "tolvane-render: missing/out.wav: cannot create the file: No such file or directory\n");
}

// A signal stops the render at the next block: no file, and the shell's exit status.
TEST(RenderFaults, SigtermAndSigintLeaveNoFile)
{
    ScratchDir dir("signals");
    MidiTrackWriter t;
    t.tempo(0, 0xFFFFFF); // slowest tempo: about three hours of one held chord
    for (int key : {48, 52, 55, 60})
        t.note(0, 640, 0, key, 100);
    tolvane_test::writeBytes(dir / "long.mid", encodeMidiFile(0, 1, std::span(&t, 1)));
    for (const auto& [signal, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
        const std::string program = TOLVANE_RENDER_PATH, output = dir / "long.wav", song = dir / "long.mid";
        const char* argv[] = {program.c_str(), "-q", "-o", output.c_str(), song.c_str(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        // Long enough to be rendering: the handlers are set once the options are read.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        ::kill(pid, signal);
        int raw = 0;
        ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(WIFEXITED(raw)) << "killed by the signal instead of stopping";
        EXPECT_EQ(WEXITSTATUS(raw), status);
        EXPECT_TRUE(noAudioLeftIn(dir));
    }
}
