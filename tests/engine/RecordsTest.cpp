// SPDX-License-Identifier: GPL-3.0-or-later
// Record defaults, wave conversions, table size and sample loading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "LogCode.h"
#include "PortableMath.h"
#include "SampleConversion.h"
#include "SynthesizerWT.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;

TEST(Records, PowerOnDefaults)
{
    SynthesizerWT engine;
    const TonePreset& tone = engine.tone(0);
    EXPECT_EQ(std::string(tone.presetName), std::string(16, ' '));
    EXPECT_EQ(tone.ar, 127);
    EXPECT_EQ(tone.dr, 100);
    EXPECT_EQ(tone.sl, 0);
    EXPECT_EQ(tone.rr, 120);
    EXPECT_EQ(tone.kfStart, 48);
    EXPECT_EQ(tone.tune, 8192);
    const SamplerPreset& preset = engine.samplerPreset(0);
    EXPECT_EQ(preset.octv, 8);
    EXPECT_EQ(preset.sl, 127);
    EXPECT_EQ(preset.dr, 0);
    EXPECT_EQ(std::string(preset.presetName), std::string(16, ' '));

    const PartState& part = engine.part(5);
    EXPECT_EQ(part.mode, kModeInstrument);
    EXPECT_EQ(part.defaultMode, kModeInstrument);
    EXPECT_EQ(part.pitchBend, 8192);
    EXPECT_EQ(part.cc[7], 100);
    EXPECT_EQ(part.cc[10], 64);
    EXPECT_EQ(part.cc[11], 127);
    EXPECT_EQ(part.cc[1], 0);
    EXPECT_EQ(part.bendRange, 2);
    EXPECT_EQ(part.dataEntryTarget, 256);

    EXPECT_EQ(engine.sysExModelId, 0x20);
    EXPECT_EQ(engine.sysExManufacturerId, 0x7D);
    EXPECT_EQ(engine.maxMode, 3);
    EXPECT_EQ(engine.getPolyphony(), 128);
    EXPECT_EQ(engine.voiceCount(), 128);
    EXPECT_EQ(engine.tableSize, 32);
    EXPECT_FALSE(engine.receiveSysEx);
    EXPECT_TRUE(engine.rpnEnabled);
    EXPECT_FALSE(engine.nrpnEnabled);
    EXPECT_FALSE(engine.sampleData(0).hasData);
    EXPECT_FLOAT_EQ(engine.volumeTableEntry(127), 1.0f);
    EXPECT_NEAR(engine.volumeTableEntry(119), std::pow(2.0, -1.0), 1e-6); // 8 steps = 6 dB
}

TEST(Waves, ValueLogFigures)
{
    SynthesizerWT engine;
    EXPECT_EQ(engine.waveValueLog(128), 8192);
    EXPECT_EQ(engine.waveValueLog(255), 6);
    EXPECT_EQ(engine.waveValueLog(0), 1);
}

TEST(Waves, DefaultSineExport)
{
    SynthesizerWT engine;
    std::uint8_t bytes[128] = {};
    engine.exportWaveBytes(0, bytes, 128, 8);
    EXPECT_EQ(bytes[0], 128);
    EXPECT_EQ(bytes[8], 255);
    EXPECT_EQ(bytes[24], 0);
    EXPECT_EQ(bytes[40], 255); // beyond tableSize: log code 0, full scale
    int ints[128] = {};
    engine.exportWaveInts(7, ints, 128, 8);
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(ints[i], bytes[i]) << i;
}

TEST(Waves, FullScaleExportsAsTopValueAtEveryDepth)
{
    SynthesizerWT engine;
    engine.waveTable(2)[0] = 0;
    for (int depth = 1; depth <= 8; ++depth) {
        int value = -1;
        engine.exportWaveInts(2, &value, 1, depth);
        EXPECT_EQ(value, (1 << depth) - 1) << depth;
    }
    int value = -1;
    engine.exportWaveInts(2, &value, 1, 0); // out of range counts as 8
    EXPECT_EQ(value, 255);
}

TEST(Waves, ImportRoundTripsAtEachDepthAndClampsWideValues)
{
    SynthesizerWT engine;
    for (int depth = 1; depth <= 8; ++depth) {
        std::vector<int> in(128), out(128);
        for (int i = 0; i < 128; ++i)
            in[static_cast<std::size_t>(i)] = (i * 37) % (1 << depth);
        engine.importWaveValues(3, in.data(), depth);
        engine.exportWaveInts(3, out.data(), 128, depth);
        EXPECT_EQ(in, out) << "depth " << depth;
    }
    std::vector<int> wide(128, 1000);
    wide[1] = -5;
    engine.importWaveValues(4, wide.data(), 4);
    EXPECT_EQ(engine.waveTable(4)[0], engine.waveValueLog(15 << 4));
    EXPECT_EQ(engine.waveTable(4)[1], engine.waveValueLog(0));
}

TEST(Waves, TableSizeSteps)
{
    SynthesizerWT engine;
    EXPECT_EQ(engine.setTableSize(5), 8);
    EXPECT_EQ(engine.tableSizeBits, 3);
    EXPECT_EQ(engine.setTableSize(100), 128);
    EXPECT_EQ(engine.tableSizeBits, 7);
    EXPECT_EQ(engine.setTableSize(33), 64);
    EXPECT_EQ(engine.setTableSize(-3), 8);
}

TEST(Waves, GrowingSilencesTheNewEntriesAndStopsVoices)
{
    SynthesizerWT engine;
    const std::int32_t kept = engine.waveTable(9)[5];
    engine.noteOn(0, 60, 100);
    ASSERT_EQ(engine.getActiveVoiceCount(), 1);
    engine.setTableSize(64);
    EXPECT_EQ(engine.getActiveVoiceCount(), 0);
    for (int i = 32; i < 64; ++i)
        EXPECT_EQ(engine.waveTable(9)[i], 8192) << i;
    EXPECT_EQ(engine.waveTable(9)[64], 0);
    EXPECT_EQ(engine.waveTable(9)[5], kept);
    engine.setTableSize(16); // shrinking clears nothing
    EXPECT_EQ(engine.waveTable(9)[40], 8192);
    EXPECT_EQ(engine.waveTable(9)[5], kept);
}

TEST(SampleLoading, ScalesEveryWidth)
{
    // +0.5 and -0.5 in each width, little-endian.
    const std::uint8_t u8[] = {192, 64};
    const std::uint8_t s8[] = {64, 192};
    const std::uint8_t s16[] = {0x00, 0x40, 0x00, 0xC0};
    const std::uint8_t u16[] = {0x00, 0xC0, 0x00, 0x40};
    const std::uint8_t s24[] = {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0};
    const std::uint8_t u24[] = {0x00, 0x00, 0xC0, 0x00, 0x00, 0x40};
    const std::uint8_t s32[] = {0, 0, 0, 0x40, 0, 0, 0, 0xC0};
    const std::uint8_t u32[] = {0, 0, 0, 0xC0, 0, 0, 0, 0x40};
    struct Case {
        const std::uint8_t* bytes;
        int bits;
        bool isSigned;
    };
    const Case cases[] = {{u8, 8, false},  {s8, 8, true},    {s16, 16, true}, {u16, 16, false},
                          {s24, 24, true}, {u24, 24, false}, {s32, 32, true}, {u32, 32, false}};
    for (const Case& c : cases) {
        auto codes = pcmToLogCodes(c.bytes, 2, 1, c.bits, c.isSigned);
        ASSERT_TRUE(codes.has_value()) << c.bits;
        EXPECT_EQ((*codes)[0], 512) << c.bits << (c.isSigned ? " signed" : " unsigned");
        EXPECT_EQ((*codes)[1], 513) << c.bits << (c.isSigned ? " signed" : " unsigned");
    }
    const std::uint8_t extremes[] = {0x00, 0x80, 0xFF, 0x7F};
    auto codes = pcmToLogCodes(extremes, 2, 1, 16, true);
    EXPECT_EQ((*codes)[0], 1); // -32768 is -1.0
    EXPECT_EQ((*codes)[1], 0); // 32767 is just below full scale
    EXPECT_FALSE(pcmToLogCodes(extremes, 1, 1, 12, true).has_value());
    EXPECT_FALSE(pcmToLogCodes(nullptr, 4, 1, 16, true).has_value());
    EXPECT_FALSE(pcmToLogCodes(extremes, -1, 1, 16, true).has_value());
}

TEST(SampleLoading, LoadSetsThePointsAndRates)
{
    SynthesizerWT engine;
    SampleData& slot = engine.sampleData(3);
    slot.setPitch(440.0f);
    const std::int8_t samples[] = {0, 64, -64, 127, 0, -128};
    ASSERT_TRUE(engine.loadSampleData8(3, samples, 3, 2));
    EXPECT_TRUE(slot.hasData);
    EXPECT_EQ(slot.frames, 3);
    EXPECT_EQ(slot.channels, 2);
    ASSERT_EQ(slot.data.size(), 6u);
    EXPECT_EQ(slot.data[0], 8192);
    EXPECT_EQ(slot.data[1], 512);
    EXPECT_EQ(slot.data[5], 1);
    EXPECT_EQ(slot.playBackStartPoint, 0);
    EXPECT_EQ(slot.playBackEndPoint, 3);
    EXPECT_EQ(slot.loopEndPoint, 3);
    EXPECT_EQ(slot.loopLength, 0);
    EXPECT_EQ(slot.releaseLoopLength, 0);
    EXPECT_EQ(slot.pitch, 0.0f);
    EXPECT_EQ(slot.pitchLog, 0);
    EXPECT_EQ(slot.sourceRate, 44100.0f);
    EXPECT_EQ(slot.rateLog, logPitchOf(44100.0f));
    EXPECT_EQ(slot.rateToPitchLog, slot.rateLog);

    slot.setSourceRate(22050.0f);
    EXPECT_EQ(slot.rateLog, logPitchOf(44100.0f) - 8192);
    slot.setPitch(440.0f);
    EXPECT_EQ(slot.rateToPitchLog, slot.rateLog - slot.pitchLog);
    slot.setSourceRate(1.0f);
    EXPECT_EQ(slot.rateLog, 0);
    slot.setSourceRate(NAN);
    EXPECT_EQ(slot.sourceRate, 1.0f);
}

TEST(SampleLoading, BadWidthOrShapeLeavesTheSlotEmpty)
{
    SynthesizerWT engine;
    const std::uint8_t bytes[8] = {};
    ASSERT_TRUE(engine.loadSampleData(1, bytes, 4, 1, 16, true));
    EXPECT_FALSE(engine.loadSampleData(1, bytes, 4, 1, 20, true));
    const SampleData& slot = engine.sampleData(1);
    EXPECT_FALSE(slot.hasData);
    EXPECT_TRUE(slot.data.empty());
    EXPECT_EQ(slot.frames, 0);
    EXPECT_EQ(slot.playBackEndPoint, 0);

    EXPECT_FALSE(engine.installSampleData(1, std::vector<std::int32_t>(5, 0), 3, 2)); // too few codes
    EXPECT_FALSE(engine.installSampleData(1, std::vector<std::int32_t>(6, 0), 2, 3)); // 3 channels
    EXPECT_FALSE(engine.sampleData(1).hasData);
    EXPECT_FALSE(engine.installSampleData(128, std::vector<std::int32_t>(2, 0), 2, 1));
    EXPECT_FALSE(engine.installSampleData(-1, std::vector<std::int32_t>(2, 0), 2, 1));
}

TEST(SampleLoading, InstallSwapsPrecomputedCodes)
{
    SynthesizerWT engine;
    std::vector<std::int32_t> codes = {0, 1, 512, 513};
    const std::int32_t* storage = codes.data();
    ASSERT_TRUE(engine.installSampleData(7, std::move(codes), 4, 1));
    const SampleData& slot = engine.sampleData(7);
    EXPECT_EQ(slot.data.data(), storage); // moved, not copied
    EXPECT_EQ(slot.frames, 4);
    EXPECT_EQ(slot.playBackEndPoint, 4);
    ASSERT_TRUE(engine.installSampleData(7, {}, 0, 1)); // a slot can hold zero frames
    EXPECT_TRUE(engine.sampleData(7).hasData);
    EXPECT_EQ(engine.sampleData(7).frames, 0);
}

TEST(Resets, SystemResetRestoresSoundDataAndKeepsSettings)
{
    SynthesizerWT engine;
    const std::int8_t samples[] = {1, 2, 3};
    engine.loadSampleData8(0, samples, 3, 1);
    engine.waveTable(5)[3] = 1;
    engine.tone(200).ar = 3;
    engine.samplerPreset(9).octv = 2;
    engine.receiveSysEx = true;
    engine.setNrpnEnabled(true);
    engine.setRpnEnabled(false);
    engine.setMasterVolume(0.5f);
    engine.setPartOutput(4, 9);
    engine.setDefaultMode(4, 3);
    engine.setMode(4, 0);
    engine.part(4).cc[7] = 12;
    engine.setTableSize(64);
    engine.systemReset();
    // The default sine is drawn at the current table size.
    const std::int32_t sine3 =
        engine.waveValueLog(static_cast<int>(portableSin(2 * std::numbers::pi * 3 / 64) * 127.5 - 0.5) + 128);
    EXPECT_FALSE(engine.sampleData(0).hasData);
    EXPECT_EQ(engine.waveTable(5)[3], sine3);
    EXPECT_EQ(engine.tone(200).ar, 127);
    EXPECT_EQ(engine.samplerPreset(9).octv, 8);
    EXPECT_FALSE(engine.receiveSysEx);
    EXPECT_FALSE(engine.nrpnEnabled);
    EXPECT_TRUE(engine.rpnEnabled);
    EXPECT_FLOAT_EQ(engine.getMasterVolume(), 0.5f);
    EXPECT_EQ(engine.part(4).output, 9);
    EXPECT_EQ(engine.part(4).mode, 3);
    EXPECT_EQ(engine.part(4).cc[7], 100);
    EXPECT_EQ(engine.tableSize, 64);
}

TEST(Resets, ResetKeepsModesAndRpnSwitchResetsRunningControllers)
{
    SynthesizerWT engine;
    engine.setDefaultMode(2, 2);
    engine.setMode(2, 0);
    PartState& part = engine.part(2);
    part.program = 9;
    part.cc[1] = 50;
    part.cc[7] = 20;
    part.cc[64] = 127;
    part.bendRange = 7;
    part.pitchBend = 0;
    part.dataEntryTarget = 0;
    engine.setNrpnEnabled(true);
    EXPECT_EQ(part.cc[1], 0);
    EXPECT_EQ(part.pitchBend, 8192);
    EXPECT_EQ(part.dataEntryTarget, 256);
    EXPECT_EQ(part.cc[7], 20);
    EXPECT_EQ(part.bendRange, 7);
    EXPECT_EQ(part.program, 9);

    engine.reset();
    EXPECT_EQ(part.mode, 0); // reset does not restore modes
    EXPECT_EQ(part.program, 0);
    EXPECT_EQ(part.cc[7], 100);
    EXPECT_EQ(part.cc[64], 0);
    EXPECT_EQ(part.bendRange, 2);
    engine.resetParts(true);
    EXPECT_EQ(part.mode, 2);
}
