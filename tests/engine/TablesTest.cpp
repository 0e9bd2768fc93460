// SPDX-License-Identifier: GPL-3.0-or-later
// Log codes, lookup tables, rate constants and the pitch arithmetic as figures.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "LogCode.h"
#include "SynthTables.h"
#include "SynthesizerWT.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;

TEST(LogCode, FiguresBothWays)
{
    EXPECT_EQ(logCodeFromLinear(0.0), 8192);
    EXPECT_EQ(logCodeFromLinear(1.0), 0);
    EXPECT_EQ(logCodeFromLinear(-1.0), 1);
    EXPECT_EQ(logCodeFromLinear(0.5), 512);
    EXPECT_EQ(logCodeFromLinear(-0.5), 513);
    EXPECT_EQ(logCodeFromLinear(1.0 / 65536.0), 8192); // at the floor: silence

    const SynthTables t;
    for (double x : {1.0, 0.5, 0.25, -0.75, 0.001, -0.3})
        EXPECT_NEAR(t.log2lin[static_cast<std::size_t>(logCodeFromLinear(x))], x, std::abs(x) * 0.003) << x;
}

TEST(LogCode, OutOfRangeAndNonFiniteStayInsideTheTable)
{
    // Values above full scale would give a negative index into log2lin.
    EXPECT_EQ(logCodeFromLinear(4.0), 0);
    EXPECT_EQ(logCodeFromLinear(-4.0), 1);
    EXPECT_EQ(logCodeFromLinear(std::nan("")), 8192);
    EXPECT_EQ(logCodeFromLinear(INFINITY), 0);
}

TEST(SynthTables, Pow2AndRate2Figures)
{
    const SynthTables t;
    EXPECT_EQ(t.pow2(0), 1);
    EXPECT_EQ(t.pow2(8192), 2);
    EXPECT_EQ(t.pow2(13 * 8192), 8192);
    EXPECT_EQ(t.pow2(30 * 8192), 1 << 30);
    EXPECT_EQ(t.rate2(20 * 8192), 1 << 20);
    // Above 30 octaves the rate flattens out at 2^29 .. 2^30.
    EXPECT_EQ(t.rate2(30 * 8192), 1 << 29);
    EXPECT_GT(t.rate2(31 * 8192 - 1), (1 << 30) - 100000);
}

TEST(SynthTables, Pow2AndRate2ClampTheExponentAtBothEnds)
{
    const SynthTables t;
    EXPECT_EQ(t.pow2(-1), 1);
    EXPECT_EQ(t.pow2(-5000000), 1);
    EXPECT_EQ(t.rate2(-123456), 1);
    const std::int32_t top = t.pow2(128 * 8192 - 1);
    EXPECT_EQ(t.pow2(128 * 8192), top);
    EXPECT_EQ(t.pow2(INT32_MAX), top);
    EXPECT_GT(top, 0);
    EXPECT_EQ(t.rate2(INT32_MAX), t.rate2(128 * 8192 - 1));
    EXPECT_GT(t.rate2(INT32_MAX), 1 << 29);
}

TEST(SynthTables, ContentsAtTheirEdges)
{
    const SynthTables t;
    EXPECT_EQ(t.exp[0], 1 << 30);
    EXPECT_LT(t.exp[8191], INT32_MAX);
    EXPECT_EQ(t.keyPitch[12], 8192);
    EXPECT_EQ(t.keyPitch[2], 1365);
    EXPECT_EQ(t.levelAtt[127], 64 * 127);
    EXPECT_EQ(t.levelAtt[128], 8192);
    EXPECT_EQ(t.attackCurve[0], 8192);
    EXPECT_EQ(t.attackCurve[2048], 512); // half amplitude is 6 dB down
    EXPECT_EQ(t.decayCurve[4095], 8190);
    EXPECT_EQ(t.keyFollow[127], 0);
    EXPECT_EQ(t.keyFollow[127 + 48], 8192);
    EXPECT_EQ(t.envLevel[8], 8 << 23);
    EXPECT_EQ(t.envLevel[128], 104 << 23);
    EXPECT_FLOAT_EQ(t.log2lin[0], 1.0f);
    EXPECT_FLOAT_EQ(t.log2lin[1], -1.0f);
    EXPECT_FLOAT_EQ(t.log2lin[512], 0.5f);
    EXPECT_EQ(t.log2lin[8192], 0.0f);
    EXPECT_EQ(t.log2lin[SynthTables::kLog2LinSize - 1], 0.0f);
    EXPECT_EQ(t.lfoWave[2 * 32], 8192);
    EXPECT_EQ(t.lfoWave[2 * 96], -8192);
    EXPECT_EQ(t.lfoWave[2 * 64 + 1], 8192);
}

TEST(SynthTables, GainCurveAndEqualPowerPan)
{
    const SynthTables t;
    EXPECT_FLOAT_EQ(t.gainCurve[127], 1.0f);
    EXPECT_NEAR(t.gainCurve[100], 0.6226, 1e-4);
    EXPECT_NEAR(t.gainCurve[0], 0.000061, 1e-6);
    EXPECT_NEAR(t.pan[128], 0.70711, 1e-5);
    EXPECT_FLOAT_EQ(t.pan[64], 1.0f);
    EXPECT_FLOAT_EQ(t.pan[192], 0.0f);
    EXPECT_NEAR(t.pan[191], 0.0123, 1e-4);
    EXPECT_NEAR(t.pan[65], 0.99992, 1e-5);
    for (int i = 64; i <= 192; ++i) // equal power across the pan range
        EXPECT_NEAR(t.pan[i] * t.pan[i] + t.pan[256 - i] * t.pan[256 - i], 1.0f, 1e-5) << i;
}

TEST(SynthTables, OneSetSharedByEngineInstancesBuiltOnManyThreads)
{
    // Engines made at once on several threads must all see one finished set.
    std::vector<std::unique_ptr<SynthesizerWT>> engines(4);
    std::vector<std::thread> threads;
    for (auto& engine : engines)
        threads.emplace_back([&engine] { engine = std::make_unique<SynthesizerWT>(); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& engine : engines) {
        EXPECT_EQ(&engine->tables(), &SynthTables::shared());
        EXPECT_EQ(engine->tables().exp[0], 1 << 30);
    }
    // The master volume table depends on nothing else and survives a system reset.
    const float before = engines[0]->volumeTableEntry(100);
    engines[0]->systemReset();
    EXPECT_EQ(engines[0]->volumeTableEntry(100), before);
    EXPECT_NEAR(before, std::exp2(101 / 8.0 - 16.0), 1e-9);
}

TEST(RateConstants, FiguresAt44100)
{
    const SynthesizerWT engine;
    const auto& r = engine.rateConstants();
    EXPECT_EQ(r.pitchBase, 86859);
    EXPECT_EQ(r.sampleBase, 21066);
    EXPECT_EQ(r.envRateBase, 53834);
    EXPECT_EQ(r.soundOffRate, 12466118);
    EXPECT_EQ(r.lfoUnit, 6087);
}

TEST(RateConstants, TableSizeOctaveKeepsPitch)
{
    SynthesizerWT engine;
    const int before = engine.rateConstants().pitchBase;
    engine.setTableSize(64);
    EXPECT_EQ(engine.rateConstants().pitchBase, before + 8192);
    EXPECT_EQ(engine.toneVoice(0).phaseMask, 64 * 262144 - 1);
    EXPECT_EQ(engine.toneVoice(0).noiseMask, (64 * 262144 - 1) >> 5);
}

TEST(RateConstants, NonFiniteAndExtremeSettingsAreHarmless)
{
    SynthesizerWT engine;
    engine.setSampleRate(NAN);
    engine.setMasterTune(INFINITY);
    engine.setMasterVolume(NAN);
    EXPECT_EQ(engine.getSampleRate(), 44100.0f);
    EXPECT_EQ(engine.getMasterTune(), 440.0f);
    EXPECT_FLOAT_EQ(engine.getMasterVolume(), 0.8f);
    EXPECT_EQ(engine.rateConstants().pitchBase, 86859);

    // A tiny rate would overflow the sound-off rate; it is held at the lower bound.
    engine.setSampleRate(2.0f);
    EXPECT_GE(engine.getSampleRate(), SynthesizerWT::kMinSampleRate);
    EXPECT_GT(engine.rateConstants().soundOffRate, 0);
    EXPECT_LE(engine.rateConstants().soundOffRate, 1 << 30);
    engine.setSampleRate(1e30f);
    EXPECT_LE(engine.getSampleRate(), SynthesizerWT::kMaxSampleRate);
    engine.setMasterTune(-5.0f);
    EXPECT_GE(engine.getMasterTune(), SynthesizerWT::kMinMasterTune);
}

namespace {
// phaseInc of a freshly started Instrument note.
int phaseIncOf(SynthesizerWT& engine, int key)
{
    engine.stopVoices(-1);
    engine.noteOn(0, key, 100);
    for (int i = 0; i < engine.voiceCount(); ++i)
        if (engine.toneVoice(i).status != 0)
            return engine.toneVoice(i).phaseInc;
    return -1;
}
} // namespace

TEST(Pitch, PhaseIncrementFigures)
{
    SynthesizerWT engine;
    EXPECT_EQ(phaseIncOf(engine, 69), 83697);
    EXPECT_EQ(phaseIncOf(engine, 60), 49767);
    EXPECT_EQ(phaseIncOf(engine, 0), 1555);
    EXPECT_EQ(phaseIncOf(engine, 127), 2386192);
}

TEST(Pitch, TuneSpansOneOctaveEachWay)
{
    SynthesizerWT engine;
    const int centre = phaseIncOf(engine, 69);
    engine.tone(0).tune = 0;
    EXPECT_NEAR(phaseIncOf(engine, 69), centre / 2, 1);
    engine.tone(0).tune = 16383;
    const int up = phaseIncOf(engine, 69);
    EXPECT_LT(up, 2 * centre);
    EXPECT_GT(up, 2 * centre - 20);
}

TEST(Pitch, BendOffsetsAndArithmeticShift)
{
    SynthesizerWT engine;
    engine.noteOn(0, 69, 100);
    auto& v = engine.toneVoice(1);
    ASSERT_EQ(v.status, 0x11);
    EXPECT_EQ(v.bendRangePitch, 1365);
    v.setPitchBend(16383);
    EXPECT_EQ(v.bendOffset, 1364);
    v.setPitchBend(0);
    EXPECT_EQ(v.bendOffset, -1365);
    v.setPitchBend(8191);
    EXPECT_EQ(v.bendOffset, -1);
    v.setPitchBend(8192);
    EXPECT_EQ(v.phaseInc, 83697);
    v.setBendRange(12);
    v.setPitchBend(0);
    EXPECT_NEAR(v.phaseInc, 83697 / 2, 1);
}

TEST(Pitch, ExtremeDownwardBendStaysPositive)
{
    SynthesizerWT engine;
    engine.setTableSize(8);
    engine.tone(0).tune = 0;
    engine.part(0).bendRange = 127;
    engine.part(0).pitchBend = 0;
    EXPECT_EQ(phaseIncOf(engine, 0), 1);
}

TEST(Pitch, PercussionToneKeyIsFixed)
{
    SynthesizerWT engine;
    engine.setMode(0, kModePercussion);
    engine.tone(128 + 40).key = 60;
    engine.tone(128 + 41).key = 60;
    const int a = phaseIncOf(engine, 40);
    const int b = phaseIncOf(engine, 41);
    EXPECT_EQ(a, 49767);
    EXPECT_EQ(b, 49767);
}
