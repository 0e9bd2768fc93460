// SPDX-License-Identifier: GPL-3.0-or-later
// Playback and loop points through value ids ids::sampleData::kPlaybackStart..ids::sampleData::kLoopEnd: accepted,
// refused with the old value echoed, or ending with the loop cleared.
#include <limits>

#include "CoreTestSupport.h"

namespace kest::tolvane::plugin::testing {
namespace {

class SamplePoints : public ContextTest {
protected:
    void SetUp() override
    {
        slot().hasData = true;
        slot().data.assign(1000, 0);
        slot().frames = 1000;
        slot().channels = 1;
        slot().playBackEndPoint = slot().loopEndPoint = 1000;
    }
    synth::SampleData& slot() { return context.synth->sampleData(0); }
};

TEST_F(SamplePoints, LoopIsCreatedThroughItsEndThenMovedByItsStart)
{
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopEnd, 800.0f), 800.0f);
    EXPECT_EQ(slot().loopEndPoint, 800);
    EXPECT_EQ(slot().loopLength, 800);
    EXPECT_EQ(slot().releaseLoopLength, 0);

    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopStart, 200.0f), 200.0f);
    EXPECT_EQ(slot().loopLength, 600);
    EXPECT_EQ(slot().loopEndPoint, 800);

    // A loop that ends at the playback end stays in force after release.
    apply(ids::sampleData::kLoopEnd, 1000.0f);
    EXPECT_EQ(slot().loopLength, 800);
    EXPECT_EQ(slot().releaseLoopLength, 800);
}

TEST_F(SamplePoints, LoopStartWithoutALoopClearsIt)
{
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopStart, 100.0f), 0.0f);
    EXPECT_EQ(slot().loopLength, 0);
    EXPECT_EQ(slot().loopEndPoint, 1000);

    apply(ids::sampleData::kLoopEnd, 500.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopStart, 600.0f), 0.0f) << "a start beyond the loop end clears the loop";
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopEnd, 0.0f), 0.0f);
    EXPECT_EQ(slot().loopLength, 0);
}

TEST_F(SamplePoints, PlaybackPointsKeepTheirOrder)
{
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackEnd, 1001.0f), 1000.0f) << "beyond frames: old end echoed";
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackEnd, 400.0f), 400.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackStart, 400.0f), 0.0f) << "start must stay below end";
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackStart, 399.9f), 399.0f) << "positions are truncated";
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackEnd, 399.0f), 400.0f);
    EXPECT_EQ(slot().loopEndPoint, 400);

    // While the start is above 0 no loop can be created from these ids.
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopEnd, 400.0f), 0.0f);
    EXPECT_EQ(slot().loopLength, 0);
}

TEST_F(SamplePoints, NegativeAndHugeStartsNeverReachTheEngine)
{
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackStart, -5.0f), 0.0f);
    EXPECT_EQ(slot().playBackStartPoint, 0);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackStart, -1e12f), 0.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackStart, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackEnd, 1e12f), 1000.0f);
    EXPECT_EQ(slot().playBackEndPoint, 1000);
}

TEST_F(SamplePoints, EveryPointEditStopsAllVoices)
{
    for (int id : {ids::sampleData::kPlaybackStart, ids::sampleData::kPlaybackEnd, ids::sampleData::kLoopStart,
                   ids::sampleData::kLoopEnd}) {
        noteOn(3, 60);
        render();
        ASSERT_GT(soundingVoices(), 0);
        apply(id, 10.0f);
        EXPECT_EQ(soundingVoices(), 0) << "id 0x" << std::hex << id;
    }
}

TEST_F(SamplePoints, AnEmptySlotRefusesEveryPoint)
{
    apply(ids::sampleData::kSelect, 1.0f / 127.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackStart, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPlaybackEnd, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kLoopEnd, 1.0f), 0.0f);
    EXPECT_EQ(context.synth->sampleData(1).playBackEndPoint, 0);
}

} // namespace
} // namespace kest::tolvane::plugin::testing
