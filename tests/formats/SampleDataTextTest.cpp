// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "SampleDataText.h"
#include "TestEngine.h"

namespace kest::tolvane::formats {
namespace {

class SampleDataText : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine->installSampleData(1, std::vector<std::int32_t>(2000, 8192), 2000, 1);
        engine->sampleData(1).setSourceRate(44100.0f);
    }
    synth::SampleData& apply(const std::string& text)
    {
        applySampleDataRecords(*engine, parseSampleDataText(text));
        return engine->sampleData(1);
    }
    std::unique_ptr<synth::SynthesizerWT> engine = test::makeEngine();
};

TEST_F(SampleDataText, RangeLoopAndPitch)
{
    const synth::SampleData& q = apply("@:1 0 1000 200 800 440.0\n");
    EXPECT_EQ(q.playBackStartPoint, 0);
    EXPECT_EQ(q.playBackEndPoint, 1000);
    EXPECT_EQ(q.loopEndPoint, 800);
    EXPECT_EQ(q.loopLength, 600);
    EXPECT_EQ(q.releaseLoopLength, 0);
    EXPECT_FLOAT_EQ(q.pitch, 440.0f);
    EXPECT_EQ(q.pitchLog, 71937);
    EXPECT_EQ(q.rateToPitchLog, q.rateLog - 71937);

    std::ostringstream out;
    writeSampleDataText(out, *engine);
    EXPECT_NE(out.str().find("\n@:1 0 1000 200 800 440.000000\n"), std::string::npos);
    EXPECT_NE(out.str().find("\n@:5 0 0 0 0 0.000000\n"), std::string::npos);
    EXPECT_EQ(out.str().substr(0, out.str().find("@:0")),
              "# SampleData Parameters\n# @:SampleDataNum(0-127), PlayBackStartPoint, PlayBackEndPoint, "
              "LoopStartPoint, LoopEndPoint, Pitch(0.0-x Hz)\n");
}

TEST_F(SampleDataText, LoopEndingAtThePlaybackEndStaysAfterRelease)
{
    const synth::SampleData& q = apply("@:1 0 1000 200 1000 440.0\n");
    EXPECT_EQ(q.loopLength, 800);
    EXPECT_EQ(q.releaseLoopLength, 800);
}

TEST_F(SampleDataText, RangeBeyondTheDataKeepsTheRangeInForce)
{
    apply("@:1 100 1500 0 0 1.0\n");
    const synth::SampleData& q = apply("@:1 0 2001 200 1400 1.0\n");
    EXPECT_EQ(q.playBackStartPoint, 100);
    EXPECT_EQ(q.playBackEndPoint, 1500);
    EXPECT_EQ(q.loopEndPoint, 1400); // tested against 100..1500
    EXPECT_EQ(q.loopLength, 1200);
    // The loop may not start before the range in force, nor end after it.
    apply("@:1 0 2001 50 1400 1.0\n");
    EXPECT_EQ(q.loopLength, 0);
    EXPECT_EQ(q.loopEndPoint, 1500);
    apply("@:1 0 2001 200 1501 1.0\n");
    EXPECT_EQ(q.loopLength, 0);
}

TEST_F(SampleDataText, EqualOrReversedLoopPointsMeanNoLoop)
{
    apply("@:1 0 1000 200 800 1.0\n");
    const synth::SampleData& q = apply("@:1 0 1000 0 0 1.0\n");
    EXPECT_EQ(q.loopLength, 0);
    EXPECT_EQ(q.releaseLoopLength, 0);
    EXPECT_EQ(q.loopEndPoint, 1000);
    apply("@:1 0 1000 900 300 1.0\n");
    EXPECT_EQ(q.loopLength, 0);
}

TEST_F(SampleDataText, PitchAtOrBelowOneHasNoLog)
{
    EXPECT_EQ(apply("@:1 0 1000 0 0 1.0\n").pitchLog, 0);
    const synth::SampleData& q = apply("@:1 0 1000 0 0 0.5\n");
    EXPECT_FLOAT_EQ(q.pitch, 0.5f);
    EXPECT_EQ(q.pitchLog, 0);
}

TEST_F(SampleDataText, RecordsWithoutADecimalPitchOrOutOfRangeAreSkipped)
{
    EXPECT_TRUE(parseSampleDataText("@:1 0 1000 0 0 440\n").empty());
    EXPECT_TRUE(parseSampleDataText("@:1 0 1000 0 0 440.\n").empty());
    EXPECT_TRUE(parseSampleDataText("@:1 0 1000 0 0 .5\n").empty());
    EXPECT_TRUE(parseSampleDataText("@:128 0 1000 0 0 1.0\n").empty());
    // A pitch of 440.5 is one token, not 440 and 5.
    const auto records = parseSampleDataText("@:1 0 1000 0 0 440.5 trailing\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FLOAT_EQ(records[0].pitch, 440.5f);
}

TEST_F(SampleDataText, EmptySlotTakesOnlyThePitch)
{
    const auto records = parseSampleDataText("@:9 0 100 10 20 220.0\n");
    applySampleDataRecords(*engine, records);
    const synth::SampleData& q = engine->sampleData(9);
    EXPECT_EQ(q.playBackEndPoint, 0);
    EXPECT_EQ(q.loopLength, 0);
    EXPECT_FLOAT_EQ(q.pitch, 220.0f);
}

TEST_F(SampleDataText, WrittenFileReadsBackUnchanged)
{
    apply("@:1 10 1990 300 1990 261.625565\n");
    const synth::SampleData before = engine->sampleData(1);
    std::ostringstream out;
    writeSampleDataText(out, *engine);
    apply("@:1 0 2000 0 0 1.0\n");
    const synth::SampleData& q = apply(out.str());
    EXPECT_EQ(q.playBackStartPoint, before.playBackStartPoint);
    EXPECT_EQ(q.playBackEndPoint, before.playBackEndPoint);
    EXPECT_EQ(q.loopEndPoint, before.loopEndPoint);
    EXPECT_EQ(q.loopLength, before.loopLength);
    EXPECT_EQ(q.releaseLoopLength, before.releaseLoopLength);
    EXPECT_FLOAT_EQ(q.pitch, before.pitch);
    EXPECT_EQ(q.pitchLog, before.pitchLog);
}

} // namespace
} // namespace kest::tolvane::formats
