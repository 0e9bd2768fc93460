// SPDX-License-Identifier: GPL-3.0-or-later
// Sampler voices: pitch from the slot's rate, held and release loops, stereo
// channels, empty slots and slots whose numbers disagree with their data.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"

namespace kest::tolvane {
namespace {

using synth::SampleData;
using synth::SynthesizerWT;
using test::EngineHarness;
using Voice = SynthesizerWT::VoiceUnitWT;

constexpr int kKey = 60;

const Voice* soundingVoice(SynthesizerWT& engine)
{
    for (int i = 0; i < engine.voiceCount(); ++i)
        if (engine.toneVoice(i).status != 0)
            return &engine.toneVoice(i);
    return nullptr;
}

// Frame f holds log code f (below 8192): the level and sign of the sample played
// tell which frame it was.
std::vector<std::int32_t> framesNumberedByLevel(int frames, int channels = 1)
{
    std::vector<std::int32_t> codes;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            codes.push_back(f);
    return codes;
}

// Inverse of the numbering, given the gain and the envelope attenuation in force.
int frameOfSample(float s, float gain, int attenuation)
{
    const long octaveSteps = std::lround(-256.0 * std::log2(std::abs(s) / gain)) - attenuation / 2;
    return static_cast<int>(2 * octaveSteps + (s < 0.0f ? 1 : 0));
}

// Part 0 in Sampler mode; key 60 plays preset 60 from slot 5 with a flat envelope
// (full level while held) and a slow release, so only the sample ends a note.
class SamplerTest : public ::testing::Test {
protected:
    SamplerTest()
    {
        h.engine.setMode(0, synth::kModeSampler);
        auto& preset = h.engine.samplerPreset(kKey);
        preset.smplNum = 5;
        preset.sl = 0;
        preset.rr = 0;
    }

    SampleData& slot() { return h.engine.sampleData(5); }

    void install(int frames, int channels = 1)
    {
        ASSERT_TRUE(h.engine.installSampleData(5, framesNumberedByLevel(frames, channels), frames, channels));
    }

    void setLoop(int loopStart, int loopEnd, int playBackEnd)
    {
        slot().loopEndPoint = loopEnd;
        slot().loopLength = loopEnd - loopStart;
        slot().playBackEndPoint = playBackEnd;
        slot().releaseLoopLength = loopEnd == playBackEnd ? slot().loopLength : 0;
    }

    // Renders one sample at a time and returns the frame each sample played
    // (-1 once the voice has stopped).
    std::vector<int> playedFrames(int samples)
    {
        std::vector<int> frames;
        for (int n = 0; n < samples; ++n) {
            const Voice* before = soundingVoice(h.engine);
            const int attenuation = before ? before->envCurve[before->envPos >> 18] + before->levelAttenuation : 0;
            h.block(1);
            if (const Voice* after = soundingVoice(h.engine))
                gain_ = after->gainLeft;
            const float s = h.channel(0)[0];
            frames.push_back(s != 0.0f ? frameOfSample(s, gain_, attenuation) : -1);
        }
        return frames;
    }

    EngineHarness h;
    float gain_ = 1.0f;
};

// --- pitch ---

TEST_F(SamplerTest, OwnRateAtOctaveEightStepsOneFramePerSample)
{
    install(1000);
    h.noteOn(0, kKey, 127);
    const auto frames = playedFrames(300);
    for (int n = 0; n < 300; ++n)
        ASSERT_EQ(frames[static_cast<std::size_t>(n)], n);
    ASSERT_NE(soundingVoice(h.engine), nullptr);
    EXPECT_EQ(soundingVoice(h.engine)->phaseInc, 1 << 18);
}

TEST_F(SamplerTest, OctaveTuneAndSourceRateScaleTheStep)
{
    install(1000);
    auto stepFor = [&](int octv, int tune, float sourceRate) {
        h.engine.stopVoices(-1);
        h.engine.samplerPreset(kKey).octv = octv;
        h.engine.samplerPreset(kKey).tune = tune;
        slot().setSourceRate(sourceRate);
        h.noteOn(0, kKey, 127);
        h.block(1);
        return soundingVoice(h.engine)->phaseInc;
    };
    EXPECT_EQ(stepFor(9, 8192, 44100.0f), 1 << 19);
    EXPECT_EQ(stepFor(7, 8192, 44100.0f), 1 << 17);
    EXPECT_EQ(stepFor(0, 8192, 44100.0f), 1 << 10); // 256 times slower
    EXPECT_EQ(stepFor(8, 0, 44100.0f), 1 << 17);
    EXPECT_NEAR(stepFor(8, 8192, 22050.0f), 1 << 17, 32);
}

TEST_F(SamplerTest, PitchBendMovesASoundingSample)
{
    install(100000);
    h.engine.part(0).bendRange = 12;
    h.noteOn(0, kKey, 127);
    h.block(16);
    h.queue.queueChannelEvent(kPitchBend, 0, 0, 96, 0); // bend 12288: half an octave up
    h.block(16);
    EXPECT_NEAR(soundingVoice(h.engine)->phaseInc, std::ldexp(std::exp2(0.5), 18), 64);
}

TEST_F(SamplerTest, ModulationWheelDoesNotMoveASample)
{
    install(100000);
    h.controlChange(0, 1, 127);
    h.noteOn(0, kKey, 127);
    h.block(16);
    h.controlChange(0, 1, 100);
    h.block(16);
    const Voice* v = soundingVoice(h.engine);
    EXPECT_EQ(v->lfoDepth, 0);
    EXPECT_EQ(v->phaseInc, 1 << 18);
}

// --- loops and ends ---

TEST_F(SamplerTest, WithoutLoopPlaysOnceAndStopsWhileHeld)
{
    install(1000);
    h.noteOn(0, kKey, 127);
    const auto frames = playedFrames(1200);
    EXPECT_EQ(frames[999], 999);
    EXPECT_EQ(frames[1000], -1);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST_F(SamplerTest, HeldLoopCyclesAndReleaseRunsOnToThePlaybackEnd)
{
    install(6000);
    setLoop(1000, 2000, 5000);
    h.noteOn(0, kKey, 127);
    const auto held = playedFrames(4500);
    for (int n = 0; n < 4500; ++n) {
        const int expected = n < 2000 ? n : 1000 + (n - 2000) % 1000;
        ASSERT_EQ(held[static_cast<std::size_t>(n)], expected) << n;
    }
    // Released at frame 1500: it continues to frame 4999 and stops there.
    h.noteOff(0, kKey);
    const auto released = playedFrames(3600);
    EXPECT_EQ(released[0], 1500);
    EXPECT_EQ(released[3499], 4999);
    EXPECT_EQ(released[3500], -1);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST_F(SamplerTest, LoopEndingAtThePlaybackEndKeepsLoopingAfterRelease)
{
    install(5000);
    setLoop(1000, 5000, 5000);
    h.noteOn(0, kKey, 127);
    h.render(6000, 0, 1000);
    h.noteOff(0, kKey);
    const auto released = playedFrames(9000);
    for (int frame : released) {
        ASSERT_GE(frame, 1000);
        ASSERT_LT(frame, 5000);
    }
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 1);
}

TEST_F(SamplerTest, StepLongerThanTheLoopStaysInsideTheLoop)
{
    install(3000);
    setLoop(1000, 1010, 3000);
    h.engine.samplerPreset(kKey).octv = 15; // 128 frames per sample
    h.noteOn(0, kKey, 127);
    const auto frames = playedFrames(200);
    for (int n = 10; n < 200; ++n) {
        ASSERT_GE(frames[static_cast<std::size_t>(n)], 1000) << n;
        ASSERT_LT(frames[static_cast<std::size_t>(n)], 1010) << n;
    }
}

TEST_F(SamplerTest, HighestPossibleStepStillWrapsInsideTheLoop)
{
    install(3000);
    setLoop(1000, 1010, 3000);
    slot().setSourceRate(1e30f); // the step stops growing at about 8192 frames per sample
    h.engine.samplerPreset(kKey).octv = 15;
    h.engine.samplerPreset(kKey).tune = 16383;
    h.noteOn(0, kKey, 127);
    const auto frames = playedFrames(100);
    for (int n = 1; n < 100; ++n) {
        ASSERT_GE(frames[static_cast<std::size_t>(n)], 1000) << n;
        ASSERT_LT(frames[static_cast<std::size_t>(n)], 1010) << n;
    }
}

TEST_F(SamplerTest, SoundOffSwitchesToTheReleaseEnd)
{
    install(6000);
    setLoop(1000, 2000, 2500);
    h.noteOn(0, kKey, 127);
    h.render(3000, 0, 1000);
    h.controlChange(0, 120, 0);
    h.block(1);
    const Voice* v = soundingVoice(h.engine);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->status, Voice::kFading);
    EXPECT_EQ(v->currentEnd, 2500);
    EXPECT_EQ(v->currentLoopLength, 0);
}

// --- stereo ---

TEST_F(SamplerTest, StereoSampleKeepsItsChannelsApart)
{
    std::vector<std::int32_t> codes;
    for (int f = 0; f < 2000; ++f) {
        codes.push_back(f % 2); // left: full scale, alternating sign
        codes.push_back(8192);  // right: silence
    }
    ASSERT_TRUE(h.engine.installSampleData(5, std::move(codes), 2000, 2));
    h.noteOn(0, kKey, 127);
    h.block(1000);
    const Voice* v = soundingVoice(h.engine);
    ASSERT_NE(v, nullptr);
    for (int n = 0; n < 1000; ++n) {
        ASSERT_FLOAT_EQ(h.channel(0)[static_cast<std::size_t>(n)], (n % 2 ? -1.0f : 1.0f) * v->gainLeft);
        ASSERT_EQ(h.channel(1)[static_cast<std::size_t>(n)], 0.0f);
    }
}

TEST_F(SamplerTest, StereoPanGainsStillApplyToEachSide)
{
    install(2000, 2);
    h.controlChange(0, 10, 0); // hard left: the right side's gain is 0
    h.noteOn(0, kKey, 127);
    h.block(500);
    for (int n = 0; n < 500; ++n) {
        ASSERT_NE(h.channel(0)[static_cast<std::size_t>(n)], 0.0f);
        ASSERT_EQ(h.channel(1)[static_cast<std::size_t>(n)], 0.0f);
    }
}

// --- empty and malformed slots ---

TEST_F(SamplerTest, EmptySlotIsSilentAndFreesTheVoice)
{
    h.noteOn(0, kKey, 127);
    h.block(256);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
    for (int c = 0; c < 2; ++c)
        for (float s : h.channel(c))
            ASSERT_EQ(s, 0.0f);
}

TEST_F(SamplerTest, ZeroFramesStopOnTheFirstSample)
{
    ASSERT_TRUE(h.engine.installSampleData(5, {}, 0, 1));
    h.noteOn(0, kKey, 127);
    h.block(64);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
    for (float s : h.channel(0))
        ASSERT_EQ(s, 0.0f);
}

// Points a careless writer could leave behind: every frame played must still
// be one the array holds.
TEST_F(SamplerTest, InconsistentPointsNeverLeaveTheArray)
{
    struct Points {
        int frames, start, loopEnd, loopLength, playBackEnd, releaseLoopLength;
    };
    const Points cases[] = {
        {100000, 0, 99999, 200000, 1 << 30, 5}, // frames far beyond the array
        {500, 70000, 400, 100, 500, 100},       // start beyond the end
        {500, -40, -3, 7, -9, -5},              // negative points
        {500, 0, 450, 900, 300, 900},           // loop longer than its end, end before loop end
        {500, 0, 500, 500, 500, 500},           // loop of the whole sample
    };
    for (const Points& p : cases) {
        install(500);
        slot().frames = p.frames;
        slot().playBackStartPoint = p.start;
        slot().loopEndPoint = p.loopEnd;
        slot().loopLength = p.loopLength;
        slot().playBackEndPoint = p.playBackEnd;
        slot().releaseLoopLength = p.releaseLoopLength;
        h.engine.samplerPreset(kKey).octv = 12; // 16 frames per sample
        h.noteOn(0, kKey, 127);
        for (int frame : playedFrames(300))
            ASSERT_LT(frame, 500);
        h.noteOff(0, kKey);
        for (int frame : playedFrames(300))
            ASSERT_LT(frame, 500);
        h.engine.stopVoices(-1);
    }
}

TEST_F(SamplerTest, ChannelCountBeyondTheDataIsHeldToIt)
{
    install(301, 1);     // 301 codes
    slot().channels = 2; // claims stereo: only 150 whole frames exist
    slot().frames = 301;
    h.noteOn(0, kKey, 127);
    h.block(400);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
    EXPECT_EQ(h.engine.toneVoice(1).samplePos, 150);

    install(64, 1);
    slot().channels = 7; // neither mono nor stereo: played as mono
    h.noteOn(0, kKey, 127);
    const auto frames = playedFrames(70);
    EXPECT_EQ(frames[63], 63);
    EXPECT_EQ(frames[64], -1);
}

} // namespace
} // namespace kest::tolvane
