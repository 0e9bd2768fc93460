// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/PresetName.h"
#include "EditorLogic/ValueText.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kest::tolvane::editor;

TEST(PresetName, StoresPrintableAsciiPaddedToSixteen)
{
    char name[17];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(storePresetName("Bass", name), "Bass            ");
    EXPECT_EQ(std::string(name), "Bass            ");

    EXPECT_EQ(storePresetName("ABCDEFGHIJKLMNOPQRST", name), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(name[16], '\0');

    // UTF-8 accented letters and control characters are dropped, not counted.
    EXPECT_EQ(storePresetName("Caf\xC3\xA9\tNo\x7F"
                              "ir",
                              name),
              "CafNoir         ");
    EXPECT_EQ(storePresetName("", name), std::string(16, ' '));
    EXPECT_EQ(storePresetName("~ !", name), "~ !             ");
}

TEST(PresetName, DisplayStopsAtZeroOrSixteen)
{
    char unterminated[17];
    std::memset(unterminated, 'A', sizeof unterminated);
    EXPECT_EQ(presetNameText(unterminated), std::string(16, 'A'));
    const char shortName[17] = "Lead";
    EXPECT_EQ(presetNameText(shortName), "Lead");
}

TEST(ValueText, SystemFields)
{
    EXPECT_EQ(decibelText(0.0f), "inf");
    // Each at the precision it has: dB two decimals, Hz one.
    EXPECT_EQ(decibelText(1.0f), "0.00");
    EXPECT_EQ(decibelText(0.1f), "-20.00");
    EXPECT_EQ(decibelText(0.8f), "-1.94");
    EXPECT_EQ(hertzText(440.0f), "440.0");
    EXPECT_EQ(hertzText(44100.0f), "44100.0");
    EXPECT_EQ(hertzText(261.6256f), "261.6");
}

TEST(ValueText, ToneNumberShowsThePercussionKey)
{
    EXPECT_EQ(toneNumberText(0), "0");
    EXPECT_EQ(toneNumberText(127), "127");
    EXPECT_EQ(toneNumberText(128), "128 [0]");
    EXPECT_EQ(toneNumberText(130), "130 [2]");
}

TEST(ValueText, GeneratorLevelAsUnsignedAndSigned)
{
    EXPECT_EQ(generatorLevelText(255, 8, 1.0f), "255 [127]");
    EXPECT_EQ(generatorLevelText(255, 8, 0.0f), "0 [-128]");
    EXPECT_EQ(generatorLevelText(1, 1, 1.0f), "1 [0]");
    // Echoed levels are k / M in single precision; each must read back as k.
    for (int k = 0; k <= 15; ++k)
        EXPECT_EQ(generatorLevelText(15, 4, static_cast<float>(k) / 15.0f),
                  std::to_string(k) + " [" + std::to_string(k - 8) + "]");
}

TEST(ValueText, LoopableAndBarValue)
{
    EXPECT_EQ(loopableText(0), "false");
    EXPECT_EQ(loopableText(12), "true");
    for (int h = 0; h <= 255; ++h)
        EXPECT_EQ(barValue(255, static_cast<float>(h) / 255.0f), h);
}

TEST(ValueText, PartUpdatesUseTheirOffsets)
{
    EXPECT_EQ(updatedFieldNumber(ids::part::kProgram, 1.0f), 127);
    EXPECT_EQ(updatedFieldNumber(ids::part::kProgram, 64.0f / 127.0f), 64);
    EXPECT_EQ(updatedFieldNumber(ids::part::kBendRange, 2.0f / 127.0f), 2);
    EXPECT_EQ(updatedFieldNumber(ids::part::kPitchBend, 0.0f), -8192);
    EXPECT_EQ(updatedFieldNumber(ids::part::kPitchBend, 8192.0f / 16383.0f), 0);
    EXPECT_EQ(updatedFieldNumber(ids::part::kPitchBend, 1.0f), 8191);
    EXPECT_EQ(updatedFieldNumber(ids::part::kPan, 64.0f / 127.0f), 0);
    EXPECT_EQ(updatedFieldNumber(ids::part::kPan, 0.0f), -64);
    EXPECT_EQ(updatedFieldNumber(ids::part::kPan, 1.0f), 63);
}

TEST(ValueText, ToneAndSamplerUpdatesShowEveryStepExactly)
{
    for (int id : {ids::tone::kKey, ids::tone::kLfoFreq, ids::tone::kLms, ids::tone::kKf, ids::sampler::kSampleNumber,
                   ids::sampler::kOctave, ids::sampler::kTune, ids::sampler::kRr}) {
        const int max = (id == ids::tone::kLfoFreq || id == ids::sampler::kTune) ? 16383
                        : (id == ids::tone::kLms || id == ids::sampler::kOctave) ? 15
                        : id == ids::tone::kKf                                   ? 3
                                                                                 : 127;
        for (int k = 0; k <= max; k += (max > 200 ? 97 : 1))
            EXPECT_EQ(updatedFieldNumber(id, static_cast<float>(k) / static_cast<float>(max)), k)
                << std::hex << id << std::dec << " step " << k;
    }
    EXPECT_FALSE(updatedFieldNumber(ids::tone::kSelect, 0.5f).has_value());
    EXPECT_FALSE(updatedFieldNumber(ids::tone::kStrc, 0.5f).has_value());
    EXPECT_FALSE(updatedFieldNumber(ids::sampler::kSelect, 0.5f).has_value());
}
