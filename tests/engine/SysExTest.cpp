// SPDX-License-Identifier: GPL-3.0-or-later
// System Exclusive reception: every block of the address map, the header and
// length checks, and messages that run past the end of their record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "EngineHarness.h"

namespace kest::tolvane {
namespace {

using synth::SamplerPreset;
using synth::SynthesizerWT;
using synth::TonePreset;
using test::EngineHarness;
using Bytes = std::vector<std::uint8_t>;

class SysExTest : public ::testing::Test {
protected:
    SysExTest() { h.engine.receiveSysEx = true; }

    // Bytes after F0, F7 included, through the queue and the block loop.
    void send(const Bytes& bytes)
    {
        h.queue.queueSysEx(bytes.data(), static_cast<int>(bytes.size()), 0);
        h.block(1);
    }
    // F0 7D 10 20 block record offset data... F7
    void write(int block, int record, int offset, const Bytes& data)
    {
        Bytes message{0x7D,
                      0x10,
                      0x20,
                      static_cast<std::uint8_t>(block),
                      static_cast<std::uint8_t>(record),
                      static_cast<std::uint8_t>(offset)};
        message.insert(message.end(), data.begin(), data.end());
        message.push_back(0xF7);
        send(message);
    }

    EngineHarness h;
};

bool sameTone(const TonePreset& a, const TonePreset& b)
{
    return std::strcmp(a.presetName, b.presetName) == 0 && a.key == b.key && a.pan == b.pan && a.lfoFreq == b.lfoFreq &&
           a.strc == b.strc && a.tune == b.tune && a.lms == b.lms && a.wave == b.wave && a.tl == b.tl && a.ar == b.ar &&
           a.dr == b.dr && a.sl == b.sl && a.rr == b.rr && a.kf == b.kf && a.kfStart == b.kfStart;
}

bool sameSamplerPreset(const SamplerPreset& a, const SamplerPreset& b)
{
    return std::strcmp(a.presetName, b.presetName) == 0 && a.smplNum == b.smplNum && a.pan == b.pan &&
           a.octv == b.octv && a.tune == b.tune && a.tl == b.tl && a.ar == b.ar && a.dr == b.dr && a.sl == b.sl &&
           a.rr == b.rr;
}

// --- system and part blocks ---

TEST_F(SysExTest, MasterTuneFromOneByteAroundFourForty)
{
    h.engine.setMasterTune(300.0f);
    send({0x7D, 0x10, 0x20, 0x00, 0x00, 0x01, 0x40, 0xF7});
    EXPECT_FLOAT_EQ(h.engine.masterTune, 440.0f);
    send({0x7D, 0x10, 0x20, 0x00, 0x00, 0x01, 0x00, 0xF7});
    EXPECT_FLOAT_EQ(h.engine.masterTune, 408.0f);
}

TEST_F(SysExTest, MasterVolumeAndTuneFromOffsetZeroReachVoices)
{
    h.noteOn(0, 60, 127);
    h.block(1);
    write(0x00, 0x00, 0, {119});
    EXPECT_NEAR(h.engine.masterVolume, 0.5f, 1e-6f);
    EXPECT_NEAR(h.engine.toneVoice(1).velMaster, 0.5f, 1e-6f);
    // Both settings in one message; the tune change stops every voice.
    write(0x00, 0x00, 0, {127, 0x42});
    EXPECT_FLOAT_EQ(h.engine.masterVolume, 1.0f);
    EXPECT_FLOAT_EQ(h.engine.masterTune, 441.0f);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST_F(SysExTest, SystemBlockNeedsRecordZeroAndStopsAfterFourFields)
{
    write(0x00, 0x01, 1, {0x00});
    EXPECT_FLOAT_EQ(h.engine.masterTune, 440.0f);
    write(0x00, 0x00, 1, {0x40, 0x70, 0x01, 0x00, 0x00});
    EXPECT_FLOAT_EQ(h.engine.masterTune, 440.0f);
    EXPECT_FLOAT_EQ(h.engine.masterVolume, 0.8f);
    EXPECT_EQ(h.engine.getTickRate(), 240);
}

// The tick rate's two halves are joined before the rate is held to 1..240,
// so a rate written in one message never passes through a clamped value.
TEST_F(SysExTest, TickRateFromTwoHalvesHeldToItsRange)
{
    write(0x00, 0x00, 2, {0x7F, 0x00}); // 240 -> 127
    EXPECT_EQ(h.engine.getTickRate(), 127);
    write(0x00, 0x00, 3, {0x7F}); // 127 | 0x3F80: above the range
    EXPECT_EQ(h.engine.getTickRate(), 240);
    write(0x00, 0x00, 2, {0x00, 0x00});
    EXPECT_EQ(h.engine.getTickRate(), 1);
}

TEST_F(SysExTest, PartModesHeldToMaxModeAndModeChangeStopsVoices)
{
    h.noteOn(4, 60, 127);
    h.block(1);
    write(0x02, 0x14, 0, {2, 9}); // record 0x14 names part 4
    EXPECT_EQ(h.engine.part(4).defaultMode, 2);
    EXPECT_EQ(h.engine.part(4).mode, 3);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
    write(0x02, 0x04, 1, {0, 0, 0});
    EXPECT_EQ(h.engine.part(4).mode, 0);
    EXPECT_EQ(h.engine.part(5).defaultMode, 1);
}

// --- tones ---

// Offsets 2..8 of the part block: the stored play (mode, portamento time,
// arpeggio pattern, octaves, rate, note value, retrigger), held to their
// ranges; the running play follows.
TEST_F(SysExTest, PartPlaySettingsAreStoredAndPlayed)
{
    write(0x02, 0x03, 2, {2, 90, 3, 9, 0, 5, 1});
    const synth::PartState& p = h.engine.part(3);
    const synth::PartPlaySettings expected{synth::kPlayLegato, 90, synth::kArpUpDown, 4, 1, 5, true};
    EXPECT_EQ(p.storedPlay, expected);
    EXPECT_EQ(p.play, expected);
    EXPECT_EQ(p.cc[5], 90);
    write(0x02, 0x03, 8, {0, 0x7F}); // retrigger off; past the record nothing
    EXPECT_FALSE(p.storedPlay.arpRetrigger);
}

TEST_F(SysExTest, LfoFreqOfAnInstrumentToneFromTwoSevenBitHalves)
{
    h.engine.tone(5).lfoFreq = 1;
    send({0x7D, 0x10, 0x20, 0x04, 0x05, 0x12, 0x00, 0x10, 0xF7});
    EXPECT_EQ(h.engine.tone(5).lfoFreq, 2048);
}

TEST_F(SysExTest, EachHalfOfAFourteenBitFieldReplacesOnlyItsOwnBits)
{
    TonePreset& tone = h.engine.tone(7);
    tone.tune = 0x1234;
    write(0x04, 7, 22, {0x05}); // high half only
    EXPECT_EQ(tone.tune, (0x05 << 7) | (0x1234 & 0x7F));
    write(0x04, 7, 21, {0x7F}); // low half only
    EXPECT_EQ(tone.tune, (0x05 << 7) | 0x7F);
}

TEST_F(SysExTest, WholePercussionToneWithMaskedFields)
{
    const Bytes data{'K', 'i', 'c',  'k',  ' ',  ' ',  ' ',  ' ',  ' ', ' ', ' ', ' ', ' ', ' ', ' ',  '!',
                     36,  10,  0x7F, 0x7F, 0x7F, 0x00, 0x40, 0x7F, 3,   20,  100, 60,  30,  90,  0x7F, 50};
    write(0x05, 36, 0, data);
    const TonePreset& tone = h.engine.tone(128 + 36);
    EXPECT_STREQ(tone.presetName, "Kick           !");
    EXPECT_EQ(tone.key, 36);
    EXPECT_EQ(tone.pan, 10);
    EXPECT_EQ(tone.lfoFreq, 16383);
    EXPECT_EQ(tone.strc, 3); // 0x7F & 3
    EXPECT_EQ(tone.tune, 0x40 << 7);
    EXPECT_EQ(tone.lms, 15); // 0x7F & 15
    EXPECT_EQ(tone.wave, 3);
    EXPECT_EQ(tone.tl, 20);
    EXPECT_EQ(tone.ar, 100);
    EXPECT_EQ(tone.dr, 60);
    EXPECT_EQ(tone.sl, 30);
    EXPECT_EQ(tone.rr, 90);
    EXPECT_EQ(tone.kf, 3); // 0x7F & 3
    EXPECT_EQ(tone.kfStart, 50);
    EXPECT_TRUE(sameTone(h.engine.tone(36), TonePreset{})) << "the instrument tone is another record";
}

TEST_F(SysExTest, ToneWritesStopAtTheEndOfTheRecord)
{
    Bytes data(200, 0x11);
    write(0x04, 127, 30, data);
    EXPECT_EQ(h.engine.tone(127).kf, 1);
    EXPECT_EQ(h.engine.tone(127).kfStart, 0x11);
    EXPECT_TRUE(sameTone(h.engine.tone(128), TonePreset{}));
    write(0x04, 3, 32, {1, 2, 3});
    EXPECT_TRUE(sameTone(h.engine.tone(3), TonePreset{}));
}

TEST_F(SysExTest, DataBytesKeepSevenBitsAndNamesStayPrintable)
{
    write(0x04, 9, 14, {0x01, 0xC1, 0xFF, 0xFF}); // name[14], name[15], key, pan
    const TonePreset& tone = h.engine.tone(9);
    EXPECT_EQ(tone.presetName[14], ' ');
    EXPECT_EQ(tone.presetName[15], 'A'); // 0xC1 & 0x7F
    EXPECT_EQ(tone.presetName[16], '\0');
    EXPECT_EQ(tone.key, 127);
    EXPECT_EQ(tone.pan, 127);
    write(0x04, 9, 25, {0xFF});
    EXPECT_EQ(tone.tl, 127);
}

// --- sampler presets ---

TEST_F(SysExTest, WholeSamplerPresetWithMaskedOctave)
{
    const Bytes data{'S', 'S', 'S', 'S', 'S', 'S',  'S',  'S',  'S', 'S', 'S', 'S', 'S',
                     'S', 'S', 'S', 12,  100, 0x1F, 0x00, 0x20, 4,   120, 5,   6,   7};
    write(0x06, 60, 0, data);
    const SamplerPreset& preset = h.engine.samplerPreset(60);
    EXPECT_STREQ(preset.presetName, "SSSSSSSSSSSSSSSS");
    EXPECT_EQ(preset.smplNum, 12);
    EXPECT_EQ(preset.pan, 100);
    EXPECT_EQ(preset.octv, 15); // 0x1F & 15
    EXPECT_EQ(preset.tune, 0x20 << 7);
    EXPECT_EQ(preset.tl, 4);
    EXPECT_EQ(preset.ar, 120);
    EXPECT_EQ(preset.dr, 5);
    EXPECT_EQ(preset.sl, 6);
    EXPECT_EQ(preset.rr, 7);
}

TEST_F(SysExTest, SamplerWritesStopAtTheEndOfTheRecord)
{
    write(0x06, 127, 25, Bytes(100, 0x22));
    EXPECT_EQ(h.engine.samplerPreset(127).rr, 0x22);
    EXPECT_TRUE(sameSamplerPreset(h.engine.samplerPreset(0), SamplerPreset{}));
    write(0x06, 5, 26, {1, 2});
    EXPECT_TRUE(sameSamplerPreset(h.engine.samplerPreset(5), SamplerPreset{}));
}

// --- wavetables ---

TEST_F(SysExTest, WaveEntriesUpToTheLastAndNoFurther)
{
    const std::int32_t next0 = h.engine.waveTable(4)[0];
    send({0x7D, 0x10, 0x20, 0x08, 0x03, 0x7E, 0x7F, 0x7F, 0x7F, 0xF7});
    EXPECT_EQ(h.engine.waveTable(3)[126], h.engine.waveValueLog(254));
    EXPECT_EQ(h.engine.waveTable(3)[127], h.engine.waveValueLog(254));
    EXPECT_EQ(h.engine.waveTable(4)[0], next0);
    write(0x08, 3, 0, {0x40, 0x00});
    EXPECT_EQ(h.engine.waveTable(3)[0], 8192); // 2 x 0x40 = 128: silence
    EXPECT_EQ(h.engine.waveTable(3)[1], h.engine.waveValueLog(0));
}

// --- rejected messages ---

TEST_F(SysExTest, WrongHeaderShortMessageOrUnknownBlockChangeNothing)
{
    send({0x7D, 0x11, 0x20, 0x00, 0x00, 0x01, 0x00, 0xF7}); // device id
    send({0x7E, 0x10, 0x20, 0x00, 0x00, 0x01, 0x00, 0xF7}); // manufacturer id
    send({0x7D, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0xF7}); // the base class's model id
    send({0x7D, 0x10, 0x20, 0x00, 0x00, 0x01, 0xF7});       // 7 bytes: no data
    EXPECT_FLOAT_EQ(h.engine.masterTune, 440.0f);
    for (int block : {0x01, 0x03, 0x07, 0x09, 0x7F}) {
        write(block, 0, 0, Bytes(40, 0x00));
        write(block, 0, 16, Bytes(40, 0x00));
    }
    EXPECT_FLOAT_EQ(h.engine.masterTune, 440.0f);
    EXPECT_TRUE(sameTone(h.engine.tone(0), TonePreset{}));
    EXPECT_TRUE(sameSamplerPreset(h.engine.samplerPreset(0), SamplerPreset{}));
}

TEST_F(SysExTest, IgnoredWhileReceptionIsOff)
{
    h.engine.receiveSysEx = false;
    send({0x7D, 0x10, 0x20, 0x04, 0x05, 0x12, 0x00, 0x01, 0xF7});
    EXPECT_EQ(h.engine.tone(5).lfoFreq, 2048);
}

TEST_F(SysExTest, IdsFollowTheEngineSettings)
{
    h.engine.setSysExDeviceId(0x05);
    send({0x7D, 0x10, 0x20, 0x04, 0x05, 0x12, 0x00, 0x01, 0xF7});
    EXPECT_EQ(h.engine.tone(5).lfoFreq, 2048);
    send({0x7D, 0x05, 0x20, 0x04, 0x05, 0x12, 0x00, 0x01, 0xF7});
    EXPECT_EQ(h.engine.tone(5).lfoFreq, 128);
}

// Random messages of every length with a valid header: whatever they write,
// every field stays inside its range (which keeps every table lookup in bounds).
TEST_F(SysExTest, RandomMessagesKeepEveryFieldInRange)
{
    std::mt19937 random(1234);
    for (int length = 0; length <= 256; ++length) {
        for (int round = 0; round < 8; ++round) {
            Bytes message(static_cast<std::size_t>(length));
            for (auto& b : message)
                b = static_cast<std::uint8_t>(random());
            if (length >= 6) {
                message[0] = 0x7D;
                message[1] = 0x10;
                message[2] = 0x20;
                message[3] = static_cast<std::uint8_t>(random() % 24); // mostly known blocks
                message[5] = static_cast<std::uint8_t>(random() % 40);
            }
            send(message);
        }
    }
    for (int t = 0; t < synth::kToneCount; ++t) {
        const TonePreset& tone = h.engine.tone(t);
        ASSERT_EQ(tone.presetName[16], '\0');
        ASSERT_GE(tone.lfoFreq, 0);
        ASSERT_LE(tone.lfoFreq, 16383);
        ASSERT_LE(tone.tune, 16383);
        ASSERT_LE(tone.strc, 3);
        ASSERT_LE(tone.lms, 15);
        ASSERT_LE(tone.kf, 3);
        for (int field : {tone.key, tone.pan, tone.wave, tone.tl, tone.ar, tone.dr, tone.sl, tone.rr, tone.kfStart}) {
            ASSERT_GE(field, 0);
            ASSERT_LE(field, 127);
        }
    }
    for (int p = 0; p < synth::kSamplerPresetCount; ++p) {
        const SamplerPreset& preset = h.engine.samplerPreset(p);
        ASSERT_EQ(preset.presetName[16], '\0');
        ASSERT_LE(preset.octv, 15);
        ASSERT_LE(preset.tune, 16383);
        for (int field : {preset.smplNum, preset.pan, preset.tl, preset.ar, preset.dr, preset.sl, preset.rr}) {
            ASSERT_GE(field, 0);
            ASSERT_LE(field, 127);
        }
    }
    for (int part = 0; part < synth::kPartCount; ++part)
        ASSERT_LE(h.engine.part(part).mode, 3);
    ASSERT_GE(h.engine.getTickRate(), synth::kMinTickRate);
    ASSERT_LE(h.engine.getTickRate(), synth::kMaxTickRate);
    for (int t = 0; t < synth::kToneCount; ++t) {
        const synth::ToneExpression& e = h.engine.toneExpression(t);
        ASSERT_LE(e.lfo.depth, 127);
        for (int k = 0; k < synth::kSequenceKindCount; ++k) {
            const synth::ToneSequence& s = e.sequences[static_cast<std::size_t>(k)];
            ASSERT_LE(s.length, synth::kSequenceSteps);
            ASSERT_TRUE(s.stepTicks >= 1 && s.stepTicks <= synth::kMaxStepTicks);
            const auto kind = static_cast<synth::SequenceKind>(k);
            for (std::int16_t v : s.values) {
                ASSERT_GE(v, std::min(synth::sequenceValueRange(kind, 0).min, synth::sequenceValueRange(kind, 1).min));
                ASSERT_LE(v, std::max(synth::sequenceValueRange(kind, 0).max, synth::sequenceValueRange(kind, 1).max));
            }
        }
    }
    // Notes still play afterwards, whatever expressions the messages left.
    h.engine.setMasterTune(440.0f);
    for (int part = 0; part < synth::kPartCount; ++part)
        h.engine.setMode(part, 1);
    h.engine.setMode(9, synth::kModePercussion);
    h.engine.setTickRate(240);
    for (int part = 0; part < synth::kPartCount; ++part) {
        h.engine.part(part).program = 8 * part + 3;
        for (int key = part; key < 128; key += 16)
            h.noteOn(part, key, 127, key);
    }
    for (int n = 0; n < 40; ++n)
        h.block(512);
    for (int c = 0; c < 2; ++c)
        for (float s : h.channel(c))
            ASSERT_TRUE(std::isfinite(s));
}

} // namespace
} // namespace kest::tolvane
