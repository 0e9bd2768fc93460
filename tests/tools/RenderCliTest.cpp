// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the tolvane-render binary as a user would and checks its exit status,
// messages and the files it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "MidiFileWriter.h"
#include "RenderRun.h"
#include "TestAudio.h"

using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::runRender;
using tolvane_test::RunResult;
using tolvane_test::ScratchDir;

namespace {

// One second of A 440, then one quiet second (with --init: on the power-on sine).
std::vector<std::uint8_t> singleNoteSong(int key = 69)
{
    MidiTrackWriter t;
    t.note(0, 960, 0, key, 127);
    t.setEndTick(1920);
    return encodeMidiFile(0, 480, std::span(&t, 1));
}

} // namespace

TEST(RenderCli, UsageErrorsExitWithTwoAndWriteNothing)
{
    ScratchDir dir("usage");
    tolvane_test::writeBytes(dir / "song.mid", singleNoteSong());
    const std::pair<const char*, const char*> cases[] = {
        {"--frobnicate song.mid", "unknown option"},
        {"--bus 17 song.mid", "--bus"},
        {"--bus 0 song.mid", "--bus"},
        {"--block 0 song.mid", "--block"},
        {"--sample-rate 44k song.mid", "--sample-rate"},
        {"--polyphony 2000 song.mid", "--polyphony"},
        {"--tail -1 song.mid", "--tail"},
        {"song.mid -o", "needs a value"},
        {"song.mid other.mid", "only one song"},
        {"--float -o x.flac song.mid", "FLAC"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = runRender(dir, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.output.find(message), std::string::npos) << args << ": " << r.output;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.mid"});
    const RunResult help = runRender(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--stems DIR"), std::string::npos);
}

TEST(RenderCli, BadSongsExitWithOneNameTheFileAndLeaveNoOutput)
{
    ScratchDir dir("input");
    const auto good = singleNoteSong();
    tolvane_test::writeBytes(dir / "truncated.mid", std::vector<std::uint8_t>(good.begin(), good.end() - 5));
    tolvane_test::writeBytes(dir / "garbage.mid", std::vector<std::uint8_t>(300, 0xA5));
    auto format2 = good;
    format2[9] = 2;
    tolvane_test::writeBytes(dir / "format2.mid", format2);
    // Legal bytes, absurd length: a slow tempo and a huge delta time make days of silence.
    MidiTrackWriter forever;
    forever.tempo(0, 0xFFFFFF);
    forever.noteOn(0x0FFFFFFF, 0, 60, 100);
    tolvane_test::writeBytes(dir / "forever.mid", encodeMidiFile(0, 1, std::span(&forever, 1)));
    const std::pair<const char*, const char*> cases[] = {
        {"forever.mid", "forever.mid: the song would last"},
        {"missing.mid", "missing.mid: cannot open"},
        {"truncated.mid", "truncated.mid:"},
        {"garbage.mid", "garbage.mid: not a Standard MIDI File"},
        {"format2.mid", "format2.mid: format 2"},
    };
    for (const auto& [song, message] : cases) {
        const RunResult r = runRender(dir, std::string("-o out.wav --stems stems ") + song);
        EXPECT_EQ(r.status, 1) << song;
        EXPECT_NE(r.output.find(message), std::string::npos) << song << ": " << r.output;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.wav")) << song;
    }
    // An output that cannot be created is an input error too, and names the file.
    tolvane_test::writeBytes(dir / "good.mid", good);
    const RunResult r = runRender(dir, "-o no/such/dir/out.wav good.mid");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no/such/dir/out.wav"), std::string::npos) << r.output;
    for (const auto& name : dir.entries())
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

TEST(RenderCli, RendersTheSongAtItsLengthAndPitch)
{
    ScratchDir dir("pitch");
    tolvane_test::writeBytes(dir / "a440.mid", singleNoteSong(69));
    tolvane_test::writeBytes(dir / "a880.mid", singleNoteSong(81));
    RunResult r = runRender(dir, "--init --tail 0 a440.mid");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("out.wav: 2.00 s rendered"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("dBFS"), std::string::npos);
    Audio a = tolvane_test::readAudio(dir / "out.wav");
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.channels, 2);
    EXPECT_EQ(a.sampleRate, 44100);
    EXPECT_EQ(a.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(a.frames(), 2 * 44100);
    EXPECT_GT(a.peak(), 0.05f);
    EXPECT_NEAR(a.frequency(0, 0.1, 0.9), 440.0, 440.0 * 0.002);

    r = runRender(dir, "--init --quiet --sample-rate 48000 --block 100 -o high.wav a880.mid");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    a = tolvane_test::readAudio(dir / "high.wav");
    EXPECT_EQ(a.sampleRate, 48000);
    EXPECT_NEAR(a.frequency(1, 0.1, 0.9), 880.0, 880.0 * 0.002);
    EXPECT_GE(a.frames(), 2 * 48000); // the default tail adds the release
}

TEST(RenderCli, BusStemsAndSampleFormatsProduceTheRightFiles)
{
    ScratchDir dir("outputs");
    tolvane_test::writeBytes(dir / "song.mid", singleNoteSong());
    // Every part plays into pair 1 unless told otherwise.
    ASSERT_EQ(runRender(dir, "-q --float -o mix.wav --stems stems song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q --float --bus 1 -o bus1.wav song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q --float --bus 2 -o bus2.wav song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q -o mix.flac song.mid").status, 0);

    const std::vector<std::string> stems = tolvane_test::ScratchDir::namesIn(dir.path / "stems");
    ASSERT_EQ(stems.size(), 1u); // silent parts get no stem
    EXPECT_TRUE(stems[0].starts_with("part01-") && stems[0].ends_with(".wav")) << stems[0];
    const Audio mix = tolvane_test::readAudio(dir / "mix.wav");
    const Audio bus1 = tolvane_test::readAudio(dir / "bus1.wav");
    const Audio bus2 = tolvane_test::readAudio(dir / "bus2.wav");
    const Audio stem = tolvane_test::readAudio(dir / ("stems/" + stems[0]));
    const Audio flac = tolvane_test::readAudio(dir / "mix.flac");
    ASSERT_TRUE(mix.ok && bus1.ok && bus2.ok && stem.ok && flac.ok);
    EXPECT_EQ(mix.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(flac.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_EQ(mix.samples, bus1.samples);
    EXPECT_EQ(mix.samples, stem.samples);
    EXPECT_EQ(bus2.frames(), mix.frames());
    EXPECT_EQ(bus2.peak(), 0.0f);
    EXPECT_EQ(flac.frames(), mix.frames());
    EXPECT_NEAR(flac.peak(), mix.peak(), 1e-5);
}

TEST(RenderCli, WithoutASongItRendersTheBuiltInDemo)
{
    ScratchDir dir("demo");
    const RunResult r = runRender(dir, "--block 1024");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("demo.wav:"), std::string::npos);
    const Audio demo = tolvane_test::readAudio(dir / "demo.wav");
    ASSERT_TRUE(demo.ok);
    EXPECT_GT(demo.frames(), 30 * 44100);
    EXPECT_LT(demo.frames(), 60 * 44100);
    EXPECT_GT(demo.peak(), 0.1f);
    EXPECT_LE(demo.peak(), 1.0f);
    // The song is music from start to end: no silent stretch in its middle.
    for (double t = 0.5; t < 44.0; t += 2.0)
        EXPECT_GT(demo.rms(0, t, t + 2.0), 0.005) << "at " << t << " s";
}
