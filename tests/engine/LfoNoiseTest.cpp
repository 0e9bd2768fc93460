// SPDX-License-Identifier: GPL-3.0-or-later
// The LFO structures (pitch and level modulation) and the noise structure,
// played through the queue and the module host as the plug-in plays them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "EngineHarness.h"

namespace kest::tolvane {
namespace {

using synth::SynthesizerWT;
using test::EngineHarness;
using Voice = SynthesizerWT::VoiceUnitWT;

Voice& soundingVoice(SynthesizerWT& engine)
{
    for (int i = 0; i < engine.voiceCount(); ++i)
        if (engine.toneVoice(i).status != 0)
            return engine.toneVoice(i);
    ADD_FAILURE() << "no voice sounds";
    return engine.toneVoice(0);
}

// Tone 0 with the given structure, modulation sensitivity and LFO rate; the default
// envelope (ar 127, sl 0) holds full level for as long as the key is down.
void setupTone(EngineHarness& h, int strc, int lms, int lfoFreq, int wave = 0)
{
    auto& tone = h.engine.tone(0);
    tone.strc = strc;
    tone.lms = lms;
    tone.lfoFreq = lfoFreq;
    tone.wave = wave;
}

// Wavetable 1 as a square wave of full-scale codes, so every output sample's
// magnitude shows the attenuation applied to it.
void fillSquareWave(SynthesizerWT& engine)
{
    std::int32_t* table = engine.waveTable(1);
    for (int i = 0; i < engine.tableSize; ++i)
        table[i] = i < engine.tableSize / 2 ? 0 : 1;
}

std::vector<float> slice(const std::vector<float>& s, int from, int to)
{
    return std::vector<float>(s.begin() + from, s.begin() + to);
}

// --- LFO set-up and timing ---

TEST(LfoSetup, StepDepthAndTableHalfFollowToneAndWheel)
{
    EngineHarness h;
    setupTone(h, 1, 15, 2048);
    h.controlChange(0, 1, 127);
    h.noteOn(0, 69, 100);
    h.block(1);
    Voice& pm = soundingVoice(h.engine);
    EXPECT_EQ(h.engine.rateConstants().lfoUnit, 6087);
    EXPECT_EQ(pm.lfoStep, 12'466'176);
    EXPECT_EQ(pm.lfoDepth, 15 * 127);
    EXPECT_EQ(pm.lfoIndex, 0); // pitch reads the bipolar (even) entries

    EngineHarness am;
    setupTone(am, 2, 3, 16383);
    am.controlChange(0, 1, 40);
    am.noteOn(0, 60, 100);
    am.block(1);
    Voice& v = soundingVoice(am.engine);
    EXPECT_EQ(v.lfoIndex, 1); // level reads the unipolar (odd) entries
    EXPECT_EQ(v.lfoDepth, 3 * 40);
    // lfoFreq 16383 is about 32 Hz whatever the sample rate.
    EXPECT_NEAR(44100.0 * v.lfoStep / std::ldexp(1.0, 37), 32.0, 0.01);
}

TEST(LfoSetup, OutOfRangeToneFieldsAreHeldToTheirRanges)
{
    EngineHarness h;
    setupTone(h, 1, 99, 1'000'000);
    h.controlChange(0, 1, 127);
    h.noteOn(0, 69, 100);
    h.block(64);
    Voice& v = soundingVoice(h.engine);
    EXPECT_EQ(v.lfoDepth, 15 * 127);
    EXPECT_EQ(v.lfoStep, 6087 * 16383);

    // Only the structure's two low bits count (found by the event fuzzer).
    EngineHarness low;
    setupTone(low, std::numeric_limits<int>::min() + 2, 15, 2048);
    low.noteOn(0, 69, 100);
    low.block(64);
    EXPECT_EQ(soundingVoice(low.engine).lfoIndex, 1);
}

TEST(LfoTiming, OneStepEvery86Point13SamplesStartingAtTheZeroPoint)
{
    EngineHarness h;
    setupTone(h, 1, 15, 2048);
    h.controlChange(0, 1, 127);
    h.noteOn(0, 69, 100);
    std::vector<int> stepSamples;
    int lastIndex = 0;
    for (int n = 0; n < 11200; ++n) {
        h.block(1);
        Voice& v = soundingVoice(h.engine);
        if (v.lfoIndex != lastIndex) {
            stepSamples.push_back(n);
            if (stepSamples.size() == 1) {
                EXPECT_EQ(v.lfoPitchOffset, 0) << "the first step reads the zero point";
            }
            lastIndex = v.lfoIndex;
        }
    }
    ASSERT_GE(stepSamples.size(), 129u);
    EXPECT_EQ(stepSamples[0], 87); // 2^30 / 12,466,176 = 86.13
    // One cycle of 128 steps takes about a quarter of a second.
    const double cycle = stepSamples[128] - stepSamples[0];
    EXPECT_NEAR(cycle / 128.0, 86.13, 0.01);
    EXPECT_NEAR(cycle / 44100.0, 0.25, 0.001);
}

// --- pitch modulation ---

class VibratoDepth : public ::testing::Test {
protected:
    // lfoFreq 64: 2756 samples per LFO step, long enough to measure a frequency
    // while the triangle sits at its top (entry 32, the 33rd step).
    static constexpr int kPeakFrom = 33 * 2757 + 100;
    static constexpr int kPeakTo = 34 * 2756 - 100;

    double frequencyAtLfoTop(int lms, int wheel)
    {
        EngineHarness h;
        setupTone(h, 1, lms, 64);
        h.controlChange(0, 1, wheel);
        h.noteOn(0, 69, 127);
        const auto out = h.render(kPeakTo, 0, 4096);
        return test::measuredFrequency(slice(out, kPeakFrom, kPeakTo), 44100.0);
    }
};

TEST_F(VibratoDepth, FullSensitivityAndWheelSwingAlmostAnOctave)
{
    // +7620 log-pitch units at the top of the triangle: 2^(7620/8192) = 1.906.
    EXPECT_NEAR(frequencyAtLfoTop(15, 127) / 440.0, std::exp2(7620.0 / 8192.0), 0.01);
}

TEST_F(VibratoDepth, SensitivityOneSwingsThreeQuartersOfASemitone)
{
    EXPECT_NEAR(frequencyAtLfoTop(1, 127) / 440.0, std::exp2(508.0 / 8192.0), 0.002);
}

TEST_F(VibratoDepth, WheelAtZeroLeavesThePitchAlone) { EXPECT_NEAR(frequencyAtLfoTop(15, 0), 440.0, 0.5); }

TEST(Vibrato, OffsetSwingsSymmetricallyOverOneCycle)
{
    EngineHarness h;
    setupTone(h, 1, 15, 2048);
    h.controlChange(0, 1, 127);
    h.noteOn(0, 69, 127);
    int low = 0, high = 0;
    for (int n = 0; n < 11200; n += 8) {
        h.block(8);
        const Voice& v = soundingVoice(h.engine);
        low = std::min(low, v.lfoPitchOffset);
        high = std::max(high, v.lfoPitchOffset);
    }
    EXPECT_EQ(high, 7620);
    EXPECT_EQ(low, -7620);
}

TEST(Vibrato, PitchBendBetweenStepsKeepsTheCurrentLfoOffset)
{
    EngineHarness h;
    setupTone(h, 1, 15, 2048);
    h.controlChange(0, 1, 127);
    h.noteOn(0, 69, 127);
    h.block(1000); // well into the first rising quarter
    Voice& v = soundingVoice(h.engine);
    const int offset = v.lfoPitchOffset;
    ASSERT_GT(offset, 0);
    h.queue.queueChannelEvent(kPitchBend, 0, 0, 127, 0); // 16256: +1343 with range 2
    h.block(1);
    EXPECT_EQ(v.lfoPitchOffset, offset);
    EXPECT_EQ(v.phaseInc, h.engine.tables().pow2(v.basePitch + offset + v.bendOffset));
    EXPECT_GT(v.bendOffset, 1300);
}

// --- amplitude modulation ---

class TremoloDepth : public ::testing::Test {
protected:
    // Smallest over largest magnitude across one LFO cycle of a full-scale square.
    double depthRatio(int lms, int wheel)
    {
        EngineHarness h;
        fillSquareWave(h.engine);
        setupTone(h, 2, lms, 2048, 1);
        h.controlChange(0, 1, wheel);
        h.noteOn(0, 69, 127);
        const auto out = h.render(11200, 0, 4096);
        float low = 1.0f, high = 0.0f;
        for (float s : out) {
            low = std::min(low, std::abs(s));
            high = std::max(high, std::abs(s));
        }
        return low / high;
    }
};

TEST_F(TremoloDepth, FullDepthDipsAbout90Decibels)
{
    // The top of the unipolar triangle attenuates by 7620 log-code units.
    EXPECT_NEAR(depthRatio(15, 127), std::exp2(-7620.0 / 512.0), 1e-6);
    EXPECT_LT(20.0 * std::log10(depthRatio(15, 127)), -89.0);
}

TEST_F(TremoloDepth, SensitivityOneDipsAboutSixDecibels)
{
    EXPECT_NEAR(depthRatio(1, 127), std::exp2(-508.0 / 512.0), 1e-4);
}

TEST_F(TremoloDepth, WheelAtZeroLeavesTheLevelAlone) { EXPECT_FLOAT_EQ(depthRatio(15, 0), 1.0f); }

TEST(Tremolo, OffsetNeverTouchesTheSignBit)
{
    EngineHarness h;
    setupTone(h, 2, 7, 16383);
    h.controlChange(0, 1, 93); // odd products would set bit 0 without the mask
    h.noteOn(0, 69, 127);
    for (int n = 0; n < 2000; n += 16) {
        h.block(16);
        EXPECT_EQ(soundingVoice(h.engine).amOffset & 1, 0);
        EXPECT_GE(soundingVoice(h.engine).amOffset, 0);
    }
}

// --- noise ---

// Number of register clocks while rendering the given number of samples one at a time.
int countNoiseClocks(EngineHarness& h, int samples)
{
    int clocks = 0;
    int last = soundingVoice(h.engine).lfsr;
    for (int n = 0; n < samples; ++n) {
        h.block(1);
        const int now = soundingVoice(h.engine).lfsr;
        clocks += now != last;
        last = now;
    }
    return clocks;
}

TEST(NoiseClock, RunsAt32TimesTheNoteFrequency)
{
    EngineHarness h;
    setupTone(h, 3, 0, 2048);
    h.noteOn(0, 69, 127);
    h.block(1);
    const int clocks = countNoiseClocks(h, 44100);
    EXPECT_NEAR(clocks, 14080, 2); // 32 x 440 Hz
}

TEST(NoiseClock, AtMostOncePerSampleAtTheTopKey)
{
    EngineHarness h;
    setupTone(h, 3, 0, 2048);
    h.noteOn(0, 127, 127);
    // The phase starts at 0, so the first sample plays before the first clock.
    h.block(1);
    EXPECT_EQ(soundingVoice(h.engine).lfsr, 1);
    EXPECT_EQ(countNoiseClocks(h, 5000), 5000);
}

std::vector<int> noiseSigns(const std::vector<float>& out)
{
    std::vector<int> bits;
    bits.reserve(out.size());
    for (float s : out)
        bits.push_back(s < 0.0f ? 1 : 0);
    return bits;
}

TEST(NoiseRegister, RepeatsAfterExactly32767Clocks)
{
    EngineHarness h;
    setupTone(h, 3, 0, 2048);
    h.noteOn(0, 127, 127);
    const auto bits = noiseSigns(h.render(2 * 32767 + 10, 0, 4096));
    for (int i = 1; i + 32767 < static_cast<int>(bits.size()); ++i)
        ASSERT_EQ(bits[static_cast<std::size_t>(i)], bits[static_cast<std::size_t>(i + 32767)]) << i;
    // No shorter period: 32767 = 7 x 31 x 151.
    for (int divisor : {7, 31, 151}) {
        const int period = 32767 / divisor;
        bool differs = false;
        for (int i = 1; i + period < 32767 && !differs; ++i)
            differs = bits[static_cast<std::size_t>(i)] != bits[static_cast<std::size_t>(i + period)];
        EXPECT_TRUE(differs) << "period " << period;
    }
}

TEST(NoiseRegister, RunsOnFromNoteToNoteOnTheSameVoice)
{
    EngineHarness continuous;
    setupTone(continuous, 3, 0, 2048);
    continuous.noteOn(0, 127, 127);
    const auto reference = noiseSigns(continuous.render(600, 0, 600));

    // With two voices, the first and third note land on the same voice.
    EngineHarness h;
    setupTone(h, 3, 0, 2048);
    h.engine.setPolyphony(2);
    h.engine.setPartOutput(1, 1); // the second note is heard elsewhere
    h.noteOn(0, 127, 127);
    const auto first = noiseSigns(h.render(300, 0, 300));
    h.engine.stopVoices(-1);
    h.noteOn(1, 127, 127);
    h.block(1);
    h.noteOn(0, 127, 127);
    const auto third = noiseSigns(h.render(300, 0, 300));

    EXPECT_TRUE(std::equal(first.begin(), first.end(), reference.begin()));
    // The third note's sample k follows 299 + k clocks of the same register.
    EXPECT_TRUE(std::equal(third.begin(), third.end(), reference.begin() + 299));
}

TEST(NoiseLevel, FullScaleScaledByEnvelopeAndLevel)
{
    EngineHarness h;
    setupTone(h, 3, 0, 2048);
    h.engine.tone(0).tl = 8; // 6 dB down
    h.noteOn(0, 100, 127);
    const auto out = h.render(512, 0, 512);
    const Voice& v = soundingVoice(h.engine);
    for (float s : out)
        ASSERT_NEAR(std::abs(s), 0.5f * v.gainLeft, 1e-6f);
}

} // namespace
} // namespace kest::tolvane
