// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/TypedNumber.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/PlayPanel.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kest::tolvane::editor;

namespace {

float typed(int id, const char* text, int mask = 255)
{
    const auto value = typedNumberToValue(id, text, mask);
    EXPECT_TRUE(value.has_value()) << std::hex << id;
    return value.value_or(-1.0f);
}

} // namespace

TEST(TypedNumber, MainVolumeIsTypedInDecibels)
{
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterVolume, "-100"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterVolume, "3"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterVolume, "0"), 1.0f);
    EXPECT_NEAR(typed(ids::system::kMasterVolume, "-6"), 0.501f, 0.001f);
    EXPECT_NEAR(typed(ids::system::kMasterVolume, "-96"), std::pow(10.0f, -96.0f / 20.0f), 1e-7f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterVolume, "-96.5"), 0.0f);
}

TEST(TypedNumber, RefPitchIsTypedInHertz)
{
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterTune, "500"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterTune, "480"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterTune, "399.9"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterTune, "440"), 0.5f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterTune, "442.5 Hz"), 42.5f / 80.0f);
}

TEST(TypedNumber, SignedPitchBendAndPan)
{
    EXPECT_FLOAT_EQ(typed(ids::part::kPitchBend, "-8192"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPitchBend, "0"), 8192.0f / 16383.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPitchBend, "9000"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPitchBend, "-9000"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPan, "-64"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPan, "63"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPan, "0"), 64.0f / 127.0f);
}

TEST(TypedNumber, IntegerFieldsClampToTheirMaximum)
{
    EXPECT_FLOAT_EQ(typed(ids::part::kProgram, "127"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kProgram, "200"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kProgram, "-1"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kBendRange, "12"), 12.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(ids::tone::kSelect, "130"), 130.0f / 255.0f);
    EXPECT_FLOAT_EQ(typed(ids::tone::kLfoFreq, "8192"), 8192.0f / 16383.0f);
    EXPECT_FLOAT_EQ(typed(ids::sampler::kTune, "16383"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::tone::kLms, "5"), 5.0f / 15.0f);
    EXPECT_FLOAT_EQ(typed(ids::sampler::kOctave, "15"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::tone::kKf, "2"), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(typed(ids::tone::kKfStart, "48"), 48.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(ids::sampler::kRr, "120"), 120.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(ids::sampleData::kSelect, "64"), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(ids::waveTable::kSelect, "1"), 1.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(ids::waveTable::kGeneratorPeriod, "128"), 0.5f);
}

TEST(TypedNumber, LevelIsTypedInSampleUnitsOfTheCurrentDepth)
{
    EXPECT_FLOAT_EQ(typed(ids::waveTable::kGeneratorLevel, "255", 255), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::waveTable::kGeneratorLevel, "7", 15), 7.0f / 15.0f);
    EXPECT_FLOAT_EQ(typed(ids::waveTable::kGeneratorLevel, "1", 1), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::waveTable::kGeneratorLevel, "20", 15), 1.0f);
}

TEST(TypedNumber, TextWithoutANumberReadsAsZero)
{
    EXPECT_FLOAT_EQ(typed(ids::part::kBendRange, "abc"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kBendRange, ""), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kPitchBend, "x"), 8192.0f / 16383.0f);
    EXPECT_FLOAT_EQ(typed(ids::system::kMasterTune, "nan"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kBendRange, "12.9"), 12.0f / 127.0f); // leading integer only
    EXPECT_FLOAT_EQ(typed(ids::part::kBendRange, "99999999999999999999"), 1.0f);
}

// Plain values held to the row's ends, sent on the stored setting's own scale.
TEST(TypedNumber, PlayPanelFieldsAreTypedAsTheirPlainValues)
{
    EXPECT_FLOAT_EQ(typed(ids::part::kPortamentoTime, "200"), 1.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kArpOctaves, "3"), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kArpRate, "0"), 0.0f);
    EXPECT_FLOAT_EQ(typed(ids::part::kArpRate, "4"), 3.0f / 15.0f);
}

TEST(PlayPanel, GlideTimeShowsSecondsAndTheWholeTicksOfTheGlide)
{
    EXPECT_EQ(glideTimeText(0, 0), "no glide");
    EXPECT_EQ(glideTimeText(64, 61), "1.016 s, 61 ticks");
    EXPECT_EQ(glideTimeText(2, 1), "0.001 s, 1 tick");
}

TEST(TypedNumber, IdsWithoutAValueFieldAreIgnored)
{
    for (int id : {ids::system::kMenuButton, ids::part::kSelect, ids::part::kMode, ids::tone::kName, ids::tone::kStrc,
                   ids::sampler::kName, ids::sampleData::kSourceRate, ids::sampleData::kPlaybackStart,
                   ids::waveTable::kInvert, ids::wavePoint::kFirst, ids::logo::kLogo})
        EXPECT_FALSE(typedNumberToValue(id, "5", 255).has_value()) << std::hex << id;
}
