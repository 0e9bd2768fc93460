// SPDX-License-Identifier: GPL-3.0-or-later
// The envelope heard through the output: a constant full-scale wave makes every
// output sample the envelope's gain.
#include <gtest/gtest.h>

#include "EngineHarness.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;
using kest::tolvane::test::EngineHarness;
using kest::tolvane::test::firstAbove;
using kest::tolvane::test::lastAbove;

namespace {

constexpr int kFlatWave = 1;

// Harness whose tone 0 plays a constant +1.0 wave at unit gain on the left.
struct FlatHarness : EngineHarness {
    FlatHarness()
    {
        std::int32_t* wave = engine.waveTable(kFlatWave);
        for (int i = 0; i < 128; ++i)
            wave[i] = 0;
        engine.setMasterVolume(1.0f);
        engine.part(0).cc[7] = 127;
        engine.part(0).cc[10] = 0; // hard left: left gain = amp
        TonePreset& t = tone();
        t.wave = kFlatWave;
        t.ar = 127;
        t.sl = 0;
        t.kfStart = 127; // no key follow unless a test asks for it
    }
    TonePreset& tone() { return engine.tone(0); }
};

} // namespace

TEST(Envelope, NoAttackNoDecayHoldsFullLevel)
{
    FlatHarness h;
    h.noteOn(0, 60, 127);
    const auto out = h.render(4096);
    for (float s : out)
        ASSERT_FLOAT_EQ(s, 1.0f);
}

TEST(Envelope, AttackAt64TakesOneSecond)
{
    FlatHarness h;
    h.tone().ar = 64;
    h.noteOn(0, 60, 127);
    const auto out = h.render(44200);
    EXPECT_NEAR(out[0], 0.0f, 1e-6);
    EXPECT_NEAR(out[22050], 0.5f, 0.005f); // linear in amplitude
    const int full = firstAbove(out, 0.9999f);
    EXPECT_GT(full, 44000);
    EXPECT_LT(full, 44110);
    const auto& v = h.engine.toneVoice(1);
    EXPECT_EQ(v.envState, 4); // sustain after the attack when sl = 0
}

TEST(Envelope, KeyFollowShortensRates)
{
    FlatHarness h;
    h.tone().ar = 64;
    h.tone().kf = 3;
    h.tone().kfStart = 48;
    h.noteOn(0, 48, 127);
    h.noteOn(1, 96, 127); // part 1 also plays program 0
    h.block(1);
    // Equal times reach the engine in reverse order: key 96 took voice 1.
    const auto& low = h.engine.toneVoice(2);
    const auto& high = h.engine.toneVoice(1);
    ASSERT_EQ(low.key, 48);
    ASSERT_EQ(high.key, 96);
    // 256 times faster, up to the truncation of the slower rate.
    EXPECT_NEAR(high.attackRate / (256.0 * low.attackRate), 1.0, 1e-4);
    EXPECT_NEAR(high.releaseRate / (256.0 * low.releaseRate), 1.0, 1e-4);

    // Heard: the attack at key 96 takes 1/256 of a second.
    FlatHarness k;
    k.tone().ar = 64;
    k.tone().kf = 3;
    k.tone().kfStart = 48;
    k.noteOn(0, 96, 127);
    const int full = firstAbove(k.render(400), 0.9999f);
    EXPECT_GT(full, 165);
    EXPECT_LT(full, 180);
}

TEST(Envelope, PercussionHasNoKeyFollow)
{
    FlatHarness h;
    h.engine.setMode(0, kModePercussion);
    TonePreset& drum = h.engine.tone(128 + 96);
    drum.kf = 3;
    drum.ar = 64;
    h.noteOn(0, 96, 127);
    h.block(1);
    EXPECT_EQ(h.engine.toneVoice(1).attackRate,
              h.engine.tables().rate2(h.engine.rateConstants().envRateBase + 64 * 1024));
}

TEST(Envelope, SustainLevelEightIsSixDecibelsDown)
{
    FlatHarness h;
    h.tone().sl = 8;
    h.tone().dr = 100;
    h.noteOn(0, 60, 127);
    const auto out = h.render(20000);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_FLOAT_EQ(out.back(), 0.5f);
    EXPECT_EQ(h.engine.toneVoice(1).envState, 4);
}

TEST(Envelope, ReleaseEndsAtSeventyEightDecibels)
{
    FlatHarness h;
    h.tone().rr = 64;
    h.noteOn(0, 60, 127);
    h.noteOff(0, 60, 100);
    const auto out = h.render(40000);
    // 104 steps of 2^23 at rate2(envRateBase + 64 * 1024) = 24,349 per sample.
    const int expectedEnd = 100 + (104 << 23) / 24349;
    const int last = lastAbove(out, 0.0f);
    EXPECT_NEAR(last, expectedEnd, 2);
    EXPECT_NEAR(out[static_cast<std::size_t>(last)], std::exp2(-13.0f), 2e-6); // 78 dB
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST(Envelope, TotalLevelMovesTheSilencePoint)
{
    FlatHarness h;
    h.tone().rr = 64;
    h.tone().tl = 40;
    h.noteOn(0, 60, 127);
    h.noteOff(0, 60, 100);
    const auto out = h.render(40000);
    EXPECT_FLOAT_EQ(out[50], std::exp2(-5.0f)); // 40 steps: 30 dB
    EXPECT_NEAR(lastAbove(out, 0.0f), 100 + (88 << 23) / 24349, 2);
}

TEST(Envelope, SustainBelowSilenceEndsWhileHeld)
{
    FlatHarness h;
    h.tone().sl = 110;
    h.tone().tl = 30;
    h.tone().dr = 100;
    h.noteOn(0, 60, 127);
    h.render(1024);
    ASSERT_EQ(h.engine.getActiveVoiceCount(), 1);
    const auto& v = h.engine.toneVoice(1);
    EXPECT_EQ(v.sustainPos, v.silencePos);
    h.render(100000);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST(Envelope, ReleaseDuringAttackContinuesFromTheSameLevel)
{
    FlatHarness h;
    h.tone().ar = 64;
    h.tone().rr = 0; // slow: the level stays near where it was released
    h.noteOn(0, 60, 127);
    h.noteOff(0, 60, 22050);
    const auto out = h.render(22100);
    EXPECT_NEAR(out[22049], 0.5f, 0.005f);
    EXPECT_NEAR(out[22050], 0.5f, 0.005f);
    EXPECT_NEAR(out[22099], 0.5f, 0.005f);
    EXPECT_EQ(h.engine.toneVoice(1).envState, 8);
}

TEST(Envelope, SoundOffCutsAReleaseShort)
{
    FlatHarness h;
    h.tone().rr = 0;
    h.noteOn(0, 60, 127);
    h.noteOff(0, 60, 10);
    h.controlChange(0, 120, 0, 1000);
    const auto out = h.render(2048);
    EXPECT_GT(out[999], 0.9f);
    const int last = lastAbove(out, 0.0f);
    EXPECT_GE(last, 1000);
    EXPECT_LE(last, 1000 + 44100 / 512);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST(Envelope, StolenVoiceRestartsWithoutFade)
{
    FlatHarness h;
    h.engine.setPolyphony(1);
    h.tone().ar = 64;
    h.noteOn(0, 60, 127);
    h.noteOn(0, 62, 127, 30000);
    const auto out = h.render(30010);
    EXPECT_GT(out[29999], 0.6f);
    EXPECT_LT(out[30000], 0.001f); // attack starts again from silence
}
