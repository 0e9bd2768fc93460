// SPDX-License-Identifier: GPL-3.0-or-later
// The tone (0x10), sampler preset (0x20) and sample-data (0x30) value ids.
#include <cmath>
#include <cstring>
#include <limits>

#include "CoreTestSupport.h"

namespace kest::tolvane::plugin::testing {
namespace {

class PresetValues : public ContextTest {};

struct FieldCase {
    int id;
    int range;
};

TEST_F(PresetValues, ToneFieldsAreScaledStoredAndEchoed)
{
    const FieldCase cases[] = {{ids::tone::kStrc, 3},        {ids::tone::kKey, 127}, {ids::tone::kPan, 127},
                               {ids::tone::kLfoFreq, 16383}, {ids::tone::kLms, 15},  {ids::tone::kTune, 16383},
                               {ids::tone::kTl, 127},        {ids::tone::kAr, 127},  {ids::tone::kDr, 127},
                               {ids::tone::kSl, 127},        {ids::tone::kRr, 127},  {ids::tone::kKf, 3},
                               {ids::tone::kKfStart, 127}};
    context.selectTone(5);
    const auto& tone = context.synth->tone(5);
    const int* fields[] = {&tone.strc, &tone.key, &tone.pan, &tone.lfoFreq, &tone.lms, &tone.tune,   &tone.tl,
                           &tone.ar,   &tone.dr,  &tone.sl,  &tone.rr,      &tone.kf,  &tone.kfStart};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const float echo = apply(cases[i].id, 0.7f);
        const int expected = static_cast<int>(0.7f * static_cast<float>(cases[i].range) + 0.5f);
        EXPECT_EQ(*fields[i], expected) << "id 0x" << std::hex << cases[i].id;
        EXPECT_FLOAT_EQ(echo, static_cast<float>(expected) / static_cast<float>(cases[i].range));
    }
    EXPECT_EQ(context.synth->tone(0).tl, 0) << "only the current tone changes";
}

TEST_F(PresetValues, ToneSelectionAndWaveRederiveTheWavetable)
{
    context.synth->tone(255).wave = 17;
    EXPECT_FLOAT_EQ(apply(ids::tone::kSelect, 1.0f), 1.0f);
    EXPECT_EQ(context.currentTone, 255);
    EXPECT_EQ(context.currentTonePreset, &context.synth->tone(255));
    EXPECT_EQ(context.currentWaveTable, 17);

    EXPECT_FLOAT_EQ(apply(ids::tone::kWave, 1.0f), 1.0f);
    EXPECT_EQ(context.synth->tone(255).wave, 127);
    EXPECT_EQ(context.currentWaveTable, 127);

    // Resetting the preset puts wave back to 0 but keeps the wavetable
    // selection; the tone's sequences and LFO timing go too.
    std::memcpy(context.currentTonePreset->presetName, "Bright Lead     ", 16);
    context.synth->toneExpression(255).lfo.delay = 9;
    context.synth->toneExpression(255).sequence(synth::SequenceKind::Volume).length = 3;
    EXPECT_FLOAT_EQ(apply(ids::tone::kReset, 1.0f), 1.0f);
    EXPECT_TRUE(context.synth->toneExpression(255).isNeutral());
    EXPECT_EQ(context.synth->tone(255).wave, 0);
    EXPECT_EQ(context.synth->tone(255).dr, 100);
    EXPECT_STREQ(context.synth->tone(255).presetName, "                ");
    EXPECT_EQ(context.currentWaveTable, 127);
}

TEST_F(PresetValues, SamplerFieldsAreScaledStoredAndEchoed)
{
    const FieldCase cases[] = {{ids::sampler::kPan, 127}, {ids::sampler::kOctave, 15}, {ids::sampler::kTune, 16383},
                               {ids::sampler::kTl, 127},  {ids::sampler::kAr, 127},    {ids::sampler::kDr, 127},
                               {ids::sampler::kSl, 127},  {ids::sampler::kRr, 127}};
    const auto& preset = context.synth->samplerPreset(0);
    const int* fields[] = {&preset.pan, &preset.octv, &preset.tune, &preset.tl,
                           &preset.ar,  &preset.dr,   &preset.sl,   &preset.rr};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const float echo = apply(cases[i].id, 0.3f);
        const int expected = static_cast<int>(0.3f * static_cast<float>(cases[i].range) + 0.5f);
        EXPECT_EQ(*fields[i], expected) << "id 0x" << std::hex << cases[i].id;
        EXPECT_FLOAT_EQ(echo, static_cast<float>(expected) / static_cast<float>(cases[i].range));
    }
}

TEST_F(PresetValues, SamplerSelectionCarriesTheSampleSlot)
{
    context.synth->samplerPreset(127).smplNum = 45;
    EXPECT_FLOAT_EQ(apply(ids::sampler::kSelect, 1.0f), 1.0f);
    EXPECT_EQ(context.currentSampler, 127);
    EXPECT_EQ(context.currentSamplerPreset, &context.synth->samplerPreset(127));
    EXPECT_EQ(context.currentSampleData, 45);

    EXPECT_FLOAT_EQ(apply(ids::sampler::kSampleNumber, 10.0f / 127.0f), 10.0f / 127.0f);
    EXPECT_EQ(context.synth->samplerPreset(127).smplNum, 10);
    EXPECT_EQ(context.currentSampleData, 10);
    EXPECT_EQ(context.currentSampleDataRecord, &context.synth->sampleData(10));

    // Reset keeps the sample-slot selection even though smplNum becomes 0.
    apply(ids::sampler::kReset, 1.0f);
    EXPECT_EQ(context.synth->samplerPreset(127).smplNum, 0);
    EXPECT_EQ(context.synth->samplerPreset(127).octv, 8);
    EXPECT_EQ(context.currentSampleData, 10);
}

TEST_F(PresetValues, SampleRateAndPitchArePlainHertz)
{
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kSelect, 1.0f), 1.0f);
    EXPECT_EQ(context.currentSampleData, 127);
    auto& slot = context.synth->sampleData(127);

    EXPECT_FLOAT_EQ(apply(ids::sampleData::kSourceRate, 22050.0f), 22050.0f);
    EXPECT_EQ(slot.rateLog, 118198);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPitch, 440.0f), 440.0f);
    EXPECT_EQ(slot.pitchLog, synth::logPitchOf(440.0f));
    EXPECT_EQ(slot.rateToPitchLog, 118198 - slot.pitchLog);

    // Non-finite numbers are refused and the unchanged value is echoed.
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kSourceRate, std::numeric_limits<float>::quiet_NaN()), 22050.0f);
    EXPECT_FLOAT_EQ(apply(ids::sampleData::kPitch, std::numeric_limits<float>::infinity()), 440.0f);
    EXPECT_EQ(slot.rateLog, 118198);

    apply(ids::sampleData::kSourceRate, 0.5f);
    EXPECT_EQ(slot.rateLog, 0);
}

TEST_F(PresetValues, ClearingASlotKeepsItsSourcePath)
{
    auto& slot = context.synth->sampleData(0);
    slot.hasData = true;
    slot.data.assign(100, 0);
    slot.frames = 100;
    slot.channels = 1;
    slot.playBackEndPoint = slot.loopEndPoint = 100;
    slot.setSourceRate(44100.0f);
    context.sampleSourcePath[0] = "/somewhere/kick.wav";

    EXPECT_FLOAT_EQ(apply(ids::sampleData::kClear, 1.0f), 1.0f);
    EXPECT_FALSE(slot.hasData);
    EXPECT_TRUE(slot.data.empty());
    EXPECT_EQ(slot.frames, 0);
    EXPECT_EQ(slot.playBackEndPoint, 0);
    EXPECT_EQ(slot.rateLog, 0);
    EXPECT_EQ(context.sampleSourcePath[0], "/somewhere/kick.wav");
}

} // namespace
} // namespace kest::tolvane::plugin::testing
