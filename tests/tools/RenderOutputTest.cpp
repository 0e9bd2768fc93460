// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's output stage: gain, normalising, the clipping report, the
// integers of 24-bit files and per-part stems that sum to the mix.
#include <gtest/gtest.h>

#include <cmath>

#include "MidiFileWriter.h"
#include "RenderRun.h"
#include "TestAudio.h"

using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::readAudio;
using tolvane_test::runRender;
using tolvane_test::RunResult;
using tolvane_test::ScratchDir;

namespace {

// Chords on parts 1 and 2 and a drum pattern on part 10: three parts, one output pair.
std::vector<std::uint8_t> bandSong()
{
    MidiTrackWriter t;
    t.programChange(0, 1, 40);
    for (int beat = 0; beat < 4; ++beat) {
        const std::uint64_t at = static_cast<std::uint64_t>(beat) * 240;
        for (int key : {60, 64, 67})
            t.note(at, 200, 0, key, 110);
        t.note(at, 200, 1, 48, 100);
        t.note(at, 60, 9, beat % 2 ? 38 : 36, 120);
        t.note(at + 120, 60, 9, 42, 90);
    }
    t.setEndTick(4 * 240);
    return encodeMidiFile(0, 480, std::span(&t, 1));
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

} // namespace

TEST(RenderOutput, GainScalesTheMixAndNormalizeHitsItsPeak)
{
    ScratchDir dir("gain");
    tolvane_test::writeBytes(dir / "song.mid", bandSong());
    ASSERT_EQ(runRender(dir, "-q --float -o ref.wav song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q --float --gain -6 -o soft.wav song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q --float --normalize -o norm1.wav song.mid").status, 0);
    const RunResult verbose = runRender(dir, "--float --normalize -6.5 -o norm6.wav song.mid");
    ASSERT_EQ(verbose.status, 0) << verbose.output;
    EXPECT_NE(verbose.output.find("normalized by"), std::string::npos) << verbose.output;

    const Audio ref = readAudio(dir / "ref.wav"), soft = readAudio(dir / "soft.wav");
    ASSERT_TRUE(ref.ok && soft.ok);
    ASSERT_EQ(ref.samples.size(), soft.samples.size());
    const float factor = static_cast<float>(std::pow(10.0, -6.0 / 20.0));
    for (std::size_t i = 0; i < ref.samples.size(); ++i)
        ASSERT_EQ(soft.samples[i], ref.samples[i] * factor) << i;
    EXPECT_NEAR(readAudio(dir / "norm1.wav").peak(), std::pow(10.0, -1.0 / 20.0), 1e-5);
    EXPECT_NEAR(readAudio(dir / "norm6.wav").peak(), std::pow(10.0, -6.5 / 20.0), 1e-5);
}

TEST(RenderOutput, ClippingIsCountedAndWarnedAboutEvenWhenQuiet)
{
    ScratchDir dir("clip");
    tolvane_test::writeBytes(dir / "song.mid", bandSong());
    const RunResult clean = runRender(dir, "--normalize -3 -o clean.wav song.mid");
    ASSERT_EQ(clean.status, 0);
    EXPECT_NE(clean.output.find("no clipping"), std::string::npos) << clean.output;
    EXPECT_EQ(clean.output.find("warning"), std::string::npos) << clean.output;

    const RunResult loud = runRender(dir, "--gain 30 -o loud.wav song.mid");
    ASSERT_EQ(loud.status, 0);
    EXPECT_NE(loud.output.find("samples clipped"), std::string::npos) << loud.output;
    const RunResult quiet = runRender(dir, "-q --gain 30 -o loud.wav song.mid", true);
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(lineCount(quiet.output), 1) << quiet.output;
    EXPECT_TRUE(quiet.output.starts_with("tolvane-render: warning: loud.wav: ")) << quiet.output;
    EXPECT_NE(quiet.output.find("--gain"), std::string::npos);
    // The count is that of the samples beyond full scale, which a float file keeps.
    ASSERT_EQ(runRender(dir, "-q --float --gain 30 -o loud-float.wav song.mid", true).status, 0);
    const Audio file = readAudio(dir / "loud-float.wav");
    const auto beyond =
        std::count_if(file.samples.begin(), file.samples.end(), [](float s) { return std::fabs(s) > 1.0f; });
    EXPECT_GT(beyond, 0);
    EXPECT_NE(quiet.output.find(": " + std::to_string(beyond) + " samples"), std::string::npos)
        << quiet.output << beyond;
}

TEST(RenderOutput, TwentyFourBitFilesHoldTheRoundedIntegersOfTheFloatRender)
{
    ScratchDir dir("pcm24");
    tolvane_test::writeBytes(dir / "song.mid", bandSong());
    ASSERT_EQ(runRender(dir, "-q --float -o f.wav song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q -o i.wav song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q -o i.flac song.mid").status, 0);
    ASSERT_EQ(runRender(dir, "-q -o i.aiff song.mid").status, 0);
    const Audio floats = readAudio(dir / "f.wav");
    const std::vector<int> wav = tolvane_test::readPcm24(dir / "i.wav");
    ASSERT_EQ(wav.size(), floats.samples.size());
    EXPECT_EQ(tolvane_test::readPcm24(dir / "i.flac"), wav);
    EXPECT_EQ(tolvane_test::readPcm24(dir / "i.aiff"), wav);
    int roundedUp = 0;
    for (std::size_t i = 0; i < wav.size(); ++i) {
        const double exact = static_cast<double>(floats.samples[i]) * 8388608.0;
        ASSERT_EQ(wav[i], static_cast<int>(std::clamp(std::nearbyint(exact), -8388608.0, 8388607.0))) << i;
        if (wav[i] > std::floor(exact))
            ++roundedUp;
    }
    EXPECT_GT(roundedUp, 0); // not truncated
}

TEST(RenderOutput, PerPartStemsSumToTheMixWhateverTheRouting)
{
    ScratchDir dir("stems");
    tolvane_test::writeBytes(dir / "song.mid", bandSong());
    // All parts play into output pair 1 by default; the stems still split them.
    const RunResult r = runRender(dir, "--float --gain -3 -o mix.wav --stems stems song.mid");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("3 stems in stems"), std::string::npos) << r.output;
    const std::vector<std::string> names = ScratchDir::namesIn(dir.path / "stems");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_TRUE(names[0].starts_with("part01-")) << names[0];
    EXPECT_TRUE(names[1].starts_with("part02-")) << names[1];
    EXPECT_NE(names[0].substr(7), names[1].substr(7)) << "part 2 is named by its program, 40";
    EXPECT_EQ(names[2], "part10-drums.wav");

    const Audio mix = readAudio(dir / "mix.wav");
    std::vector<float> sum(mix.samples.size(), 0.0f);
    for (const auto& name : names) {
        const Audio stem = readAudio(dir / ("stems/" + name));
        ASSERT_EQ(stem.samples.size(), mix.samples.size()) << name;
        EXPECT_GT(stem.peak(), 0.01f) << name;
        for (std::size_t i = 0; i < sum.size(); ++i)
            sum[i] += stem.samples[i];
    }
    for (std::size_t i = 0; i < sum.size(); ++i)
        ASSERT_NEAR(sum[i], mix.samples[i], 1e-6f) << i;

    // The mix is the same with or without stems, to the last bit.
    ASSERT_EQ(runRender(dir, "-q --float --gain -3 -o plain.wav song.mid").status, 0);
    EXPECT_EQ(readAudio(dir / "plain.wav").samples, mix.samples);

    // --bus still writes one output pair: every part is on pair 1, none on pair 2.
    ASSERT_EQ(runRender(dir, "-q --float --gain -3 --bus 2 -o bus2.wav --stems stems2 song.mid").status, 0);
    EXPECT_EQ(readAudio(dir / "bus2.wav").peak(), 0.0f);
    EXPECT_EQ(ScratchDir::namesIn(dir.path / "stems2"), names);
}
