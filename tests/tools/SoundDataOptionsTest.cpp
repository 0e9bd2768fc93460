// SPDX-License-Identifier: GPL-3.0-or-later
// The sound-data options load files through the plug-in's own import paths;
// each file here is written by the plug-in core itself, then rendered.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>

#include "EngineContext.h"
#include "MidiFileWriter.h"
#include "SysExMessages.h"
#include "TestAudio.h"

using namespace kest::tolvane;
using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::ScratchDir;

namespace {

int runRender(const ScratchDir& dir, const std::string& args, std::string* output = nullptr)
{
    const std::string log = dir / "render.log";
    const std::string command =
        "cd '" + dir.path.string() + "' && '" TOLVANE_RENDER_PATH "' -q " + args + " > '" + log + "' 2>&1";
    const int raw = std::system(command.c_str());
    if (output) {
        std::ifstream in(log);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

void writeSong(const ScratchDir& dir, const std::string& name, int channel, int key, bool samplerMode = false)
{
    MidiTrackWriter t;
    if (samplerMode)
        t.sysEx(0, partModeMessage(channel, 3));
    t.note(0, 960, channel, key, 127);
    t.setEndTick(1200);
    tolvane_test::writeBytes(dir / name, encodeMidiFile(0, 480, std::span(&t, 1)));
}

int zeroCrossings(const Audio& a, double from, double to)
{
    int n = 0;
    for (auto i = static_cast<std::int64_t>(from * a.sampleRate) + 1; i < static_cast<std::int64_t>(to * a.sampleRate);
         ++i)
        n += (a.samples[(i - 1) * 2] < 0) != (a.samples[i * 2] < 0);
    return n;
}

} // namespace

TEST(RenderSoundData, TonesWavetablesAndStateChangeTheSound)
{
    ScratchDir dir("sounddata");
    writeSong(dir, "song.mid", 0, 69);
    {
        plugin::EngineContext context;
        context.synth->tone(0).strc = 3; // program 0 becomes noise
        ASSERT_TRUE(context.exportText((dir / "noise.txt").c_str(), plugin::TextKind::Tone));
    }
    {
        plugin::EngineContext context;
        int square[128];
        for (int i = 0; i < 128; ++i)
            square[i] = i % 32 < 16 ? 255 : 1;
        context.synth->importWaveValues(0, square, 8);
        ASSERT_TRUE(context.exportText((dir / "square.txt").c_str(), plugin::TextKind::WaveTable));
    }
    {
        plugin::EngineContext context;
        context.synth->setMode(0, synth::kModeMute);
        plugin::MemoryByteWriter writer;
        ASSERT_TRUE(context.writeState(writer));
        tolvane_test::writeBytes(dir / "muted.state", writer.bytes);
    }
    ASSERT_EQ(runRender(dir, "--init -o sine.wav song.mid"), 0);
    ASSERT_EQ(runRender(dir, "--init --tones noise.txt -o noise.wav song.mid"), 0);
    ASSERT_EQ(runRender(dir, "--init --wavetables square.txt -o square.wav song.mid"), 0);
    ASSERT_EQ(runRender(dir, "--init --state muted.state -o muted.wav song.mid"), 0);
    const Audio sine = tolvane_test::readAudio(dir / "sine.wav");
    const Audio noise = tolvane_test::readAudio(dir / "noise.wav");
    const Audio square = tolvane_test::readAudio(dir / "square.wav");
    const Audio muted = tolvane_test::readAudio(dir / "muted.wav");
    ASSERT_TRUE(sine.ok && noise.ok && square.ok && muted.ok);

    EXPECT_NEAR(zeroCrossings(sine, 0.1, 0.9), 2 * 440 * 0.8, 4);
    EXPECT_GT(zeroCrossings(noise, 0.1, 0.9), 3 * 2 * 440 * 0.8);
    // Crest factor: a sine's peak is 1.41 times its RMS, a square's about 1.
    const double sineCrest = sine.peak() / sine.rms(0, 0.1, 0.9);
    const double squareCrest = square.peak() / square.rms(0, 0.1, 0.9);
    EXPECT_NEAR(sineCrest, std::numbers::sqrt2, 0.05);
    EXPECT_LT(squareCrest, 1.15);
    EXPECT_EQ(muted.peak(), 0.0f);
}

TEST(RenderSoundData, WavImportPlaysInSamplerMode)
{
    ScratchDir dir("wav");
    // One second of 1 kHz at 32 kHz; sampler preset 60 plays slot 0 at its own rate.
    {
        SF_INFO info{};
        info.samplerate = 32000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open((dir / "tone.wav").c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        std::vector<float> samples(32000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 1000.0 * i / 32000.0));
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
    }
    writeSong(dir, "sampler.mid", 4, 60, true);
    ASSERT_EQ(runRender(dir, "--receive-sysex --wav 0=tone.wav -o pcm.wav sampler.mid"), 0);
    ASSERT_EQ(runRender(dir, "--receive-sysex --wav=0=tone.wav:adpcm -o adpcm.wav sampler.mid"), 0);
    const Audio pcm = tolvane_test::readAudio(dir / "pcm.wav");
    const Audio adpcm = tolvane_test::readAudio(dir / "adpcm.wav");
    ASSERT_TRUE(pcm.ok && adpcm.ok);
    EXPECT_NEAR(pcm.frequency(0, 0.1, 0.8), 1000.0, 2.0);
    EXPECT_NEAR(adpcm.frequency(0, 0.1, 0.8), 1000.0, 5.0);
    EXPECT_NE(pcm.samples, adpcm.samples);
}

TEST(RenderSoundData, AStateBringsBackSamplesWhoseFilesAreGoneAndSaysSo)
{
    ScratchDir dir("stored");
    {
        SF_INFO info{};
        info.samplerate = 32000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open((dir / "tone.wav").c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        std::vector<float> samples(32000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 1000.0 * i / 32000.0));
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
    }
    writeSong(dir, "sampler.mid", 4, 60, true);
    ASSERT_EQ(runRender(dir, "--receive-sysex --wav 0=tone.wav -o fromfile.wav sampler.mid"), 0);
    {
        plugin::EngineContext context;
        ASSERT_TRUE(context.importWave(0, (dir / "tone.wav").c_str(), plugin::SampleSourceKind::Pcm));
        plugin::MemoryByteWriter writer;
        ASSERT_TRUE(context.writeState(writer));
        tolvane_test::writeBytes(dir / "song.state", writer.bytes);
    }
    std::string output;
    ASSERT_EQ(runRender(dir, "--receive-sysex --state song.state -o kept.wav sampler.mid", &output), 0) << output;
    EXPECT_EQ(output.find("restored"), std::string::npos) << "the file is still there: " << output;

    std::filesystem::remove(dir / "tone.wav");
    ASSERT_EQ(runRender(dir, "--receive-sysex --state song.state -o restored.wav sampler.mid", &output), 0) << output;
    EXPECT_NE(output.find("sample slot 0: " + (dir / "tone.wav") + ": file missing: restored from the project"),
              std::string::npos)
        << output;
    const Audio kept = tolvane_test::readAudio(dir / "kept.wav");
    const Audio restored = tolvane_test::readAudio(dir / "restored.wav");
    ASSERT_TRUE(kept.ok && restored.ok);
    EXPECT_NEAR(restored.frequency(0, 0.1, 0.8), 1000.0, 2.0);
    EXPECT_EQ(restored.samples, kept.samples) << "the stored copy sounds as the file did";
}

TEST(RenderSoundData, UnreadableFilesAreInputErrorsAndBadSlotsUsageErrors)
{
    ScratchDir dir("baddata");
    writeSong(dir, "song.mid", 0, 69);
    tolvane_test::writeBytes(dir / "junk.state", {1, 2, 3});
    tolvane_test::writeBytes(dir / "junk.wav", std::vector<std::uint8_t>(100, 7));
    std::string output;
    EXPECT_EQ(runRender(dir, "--tones missing.txt song.mid", &output), 1);
    EXPECT_NE(output.find("missing.txt"), std::string::npos) << output;
    EXPECT_EQ(runRender(dir, "--state junk.state song.mid", &output), 1);
    EXPECT_NE(output.find("junk.state"), std::string::npos) << output;
    EXPECT_EQ(runRender(dir, "--wav 3=junk.wav song.mid", &output), 1);
    EXPECT_NE(output.find("junk.wav"), std::string::npos) << output;
    EXPECT_EQ(runRender(dir, "--wav 128=junk.wav song.mid"), 2);
    EXPECT_EQ(runRender(dir, "--wav junk.wav song.mid"), 2);
    EXPECT_EQ(runRender(dir, "--table-size 256 song.mid"), 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
}
