// SPDX-License-Identifier: GPL-3.0-or-later
// The factory bank as shipped: every record of both files is read by the
// importers, every instrument sounds at a usable level, every drum ends on its
// own, and an ordinary mix leaves headroom.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "BankRig.h"
#include "ToneText.h"
#include "WaveTableText.h"

namespace kest::tolvane::factory {
namespace {

constexpr int kFactoryTableSize = 32;
constexpr int kSilenceCode = 8192;
constexpr int kDrumMapFirst = 35;
constexpr int kDrumMapLast = 81;
// One voice at velocity 100 and default volume: audible, yet far enough under
// full scale that a General MIDI song of many such voices does not clip.
constexpr float kQuietestInstrumentDb = -46.0f;
constexpr float kLoudestInstrumentDb = -20.0f;
constexpr float kQuietestDrumDb = -54.0f;
constexpr float kLoudestDrumDb = -10.0f;
constexpr int kVelocity = 100;

std::string printableName(const char* name) { return std::string(name, synth::kPresetNameLength); }

bool isBlank(const char* name)
{
    for (int i = 0; i < synth::kPresetNameLength; ++i)
        if (name[i] != ' ')
            return false;
    return true;
}

TEST(FactoryFiles, EveryToneRecordLineIsReadOnceForEachOfThe256Tones)
{
    const std::string text = readWholeFile(presetPath("factory-tones.txt"));
    ASSERT_FALSE(text.empty());
    const auto records = formats::parseToneText(text).tones;
    EXPECT_EQ(countRecordLines(text, "@I:"), synth::kToneCount);
    ASSERT_EQ(static_cast<int>(records.size()), synth::kToneCount);
    std::set<int> indices;
    for (const auto& r : records)
        indices.insert(r.index);
    EXPECT_EQ(static_cast<int>(indices.size()), synth::kToneCount);
    EXPECT_EQ(*indices.begin(), 0);
    EXPECT_EQ(*indices.rbegin(), synth::kToneCount - 1);
}

TEST(FactoryFiles, EveryWaveTableRecordIsReadWith32ValuesAtAValidDepth)
{
    const std::string text = readWholeFile(presetPath("factory-wavetables.txt"));
    ASSERT_FALSE(text.empty());
    const auto records = formats::parseWaveTableText(text);
    EXPECT_EQ(countRecordLines(text, "@:"), synth::kWaveTableCount);
    ASSERT_EQ(static_cast<int>(records.size()), synth::kWaveTableCount);
    std::set<int> indices;
    for (const auto& r : records) {
        SCOPED_TRACE("table " + std::to_string(r.index));
        indices.insert(r.index);
        // The bank is made for the power-on table size; fewer values would leave silent gaps.
        EXPECT_EQ(r.valueCount, kFactoryTableSize);
        EXPECT_GE(r.bitDepth, 1);
        EXPECT_LE(r.bitDepth, 8);
    }
    EXPECT_EQ(static_cast<int>(indices.size()), synth::kWaveTableCount);
}

TEST(FactoryFiles, LoadedBankHasNamedInstrumentsAndDrumsAndNoSilentTable)
{
    BankRig rig;
    ASSERT_TRUE(rig.loadFactoryBank());
    auto& synth = rig.synth();
    ASSERT_EQ(synth.tableSize, kFactoryTableSize);
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        const std::int32_t* table = synth.waveTable(t);
        int audible = 0;
        for (int i = 0; i < kFactoryTableSize; ++i)
            audible += table[i] != kSilenceCode;
        EXPECT_GT(audible, 0) << "table " << t << " is silent";
    }
    for (int p = 0; p < 128; ++p)
        EXPECT_FALSE(isBlank(synth.tone(p).presetName)) << "program " << p;
    for (int key = kDrumMapFirst; key <= kDrumMapLast; ++key)
        EXPECT_FALSE(isBlank(synth.tone(synth::kPercussionToneBase + key).presetName)) << "drum key " << key;
}

class FactorySound : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.loadFactoryBank()); }
    BankRig rig;
};

TEST_F(FactorySound, EveryInstrumentIsAudibleWithoutClippingAtMiddleCAndEndsAfterRelease)
{
    for (int program = 0; program < 128; ++program) {
        SCOPED_TRACE("program " + std::to_string(program) + " \"" +
                     printableName(rig.synth().tone(program).presetName) + "\"");
        rig.programChange(0, program);
        rig.noteOn(0, kMiddleC, kVelocity);
        // Two seconds covers the slowest attack in the bank.
        const float peakDb = toDbfs(rig.render(2.0));
        EXPECT_GT(peakDb, kQuietestInstrumentDb);
        EXPECT_LT(peakDb, kLoudestInstrumentDb);
        rig.noteOff(0, kMiddleC);
        EXPECT_GE(rig.renderUntilFree(3.0), 0.0) << "still sounding 3 s after note-off";
    }
}

TEST_F(FactorySound, EveryPercussionKeyDiesAwayOnItsOwnWhileHeld)
{
    rig.setPercussion(kDrumChannel);
    for (int key = 0; key < 128; ++key) {
        SCOPED_TRACE("key " + std::to_string(key) + " \"" +
                     printableName(rig.synth().tone(synth::kPercussionToneBase + key).presetName) + "\"");
        rig.noteOn(kDrumChannel, key, kVelocity);
        const float peak = rig.render(0.05);
        if (key >= kDrumMapFirst && key <= kDrumMapLast) {
            EXPECT_GT(toDbfs(peak), kQuietestDrumDb);
            EXPECT_LT(toDbfs(peak), kLoudestDrumDb);
        }
        // No note-off: a drum must end by itself.
        EXPECT_GE(rig.renderUntilFree(3.0), 0.0) << "still sounding after 3 s";
        rig.noteOff(kDrumChannel, key);
    }
}

TEST_F(FactorySound, AnOrdinaryTenVoiceMixLeavesHeadroom)
{
    // Every note starts in phase here, which is the worst case for the sum.
    EXPECT_LT(toDbfs(playTypicalMix(rig)), -9.0f);
}

} // namespace
} // namespace kest::tolvane::factory
