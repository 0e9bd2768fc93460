// SPDX-License-Identifier: GPL-3.0-or-later
// Value ids of the tone page (0x10), the sampler preset page (0x20) and the
// sample-data page (0x30).
#include <cmath>

#include "ProtocolIds.h"
#include "RecordFields.h"
#include "SamplePoints.h"
#include "ValueChangePages.h"
#include "ValueScaling.h"

namespace kest::tolvane::plugin {

namespace {

// Stores int(v * range + 0.5) into the field and answers stored / range.
float storeScaled(int& field, float value, int range)
{
    field = scaleUnit(value, range);
    return unscale(field, range);
}

} // namespace

std::optional<float> applyToneValue(EngineContext& context, int item, float value)
{
    synth::TonePreset& tone = *context.currentTonePreset;
    // The wave's own case below also re-selects the tone.
    for (const synth::ToneField& field : synth::kToneFields)
        if (field.valueItem == item && field.member != &synth::TonePreset::wave)
            return storeScaled(tone.*field.member, value, field.mask);
    switch (ids::tone::id(item)) {
    case ids::tone::kSelect:
        context.selectTone(scaleUnit(value, 255));
        context.pinCurrentTone(); // picked by hand: it stays on show
        return unscale(context.currentTone, 255);
    case ids::tone::kWave:
        tone.wave = scaleUnit(value, 127);
        context.selectTone(context.currentTone);
        return unscale(tone.wave, 127);
    case ids::tone::kReset:
        // The wavetable selection deliberately stays where it was. A reset
        // tone is a new one: no sequences, no LFO timing.
        tone.setDefaults();
        context.synth->toneExpression(context.currentTone) = synth::ToneExpression{};
        return unitValue(value);
    default: return std::nullopt;
    }
}

std::optional<float> applySamplerValue(EngineContext& context, int item, float value)
{
    synth::SamplerPreset& preset = *context.currentSamplerPreset;
    // The sample number's own case below also selects the sample slot.
    for (const synth::SamplerField& field : synth::kSamplerFields)
        if (field.valueItem == item && field.member != &synth::SamplerPreset::smplNum)
            return storeScaled(preset.*field.member, value, field.mask);
    switch (ids::sampler::id(item)) {
    case ids::sampler::kSelect:
        context.currentSampler = scaleUnit(value, 127);
        context.refreshCurrentRecords();
        context.currentSampleData = context.currentSamplerPreset->smplNum;
        context.refreshCurrentRecords();
        return unscale(context.currentSampler, 127);
    case ids::sampler::kSampleNumber:
        preset.smplNum = scaleUnit(value, 127);
        context.currentSampleData = preset.smplNum;
        context.refreshCurrentRecords();
        return unscale(preset.smplNum, 127);
    case ids::sampler::kReset: preset.setDefaults(); return unitValue(value);
    default: return std::nullopt;
    }
}

std::optional<float> applySampleDataValue(EngineContext& context, int item, float value)
{
    synth::SampleData& slot = *context.currentSampleDataRecord;
    switch (ids::sampleData::id(item)) {
    case ids::sampleData::kSelect:
        context.currentSampleData = scaleUnit(value, 127);
        context.refreshCurrentRecords();
        return unscale(context.currentSampleData, 127);
    case ids::sampleData::kSourceRate:
        // Plain Hz; a non-finite rate would poison the pitch logs, so it is refused.
        if (std::isfinite(value))
            slot.setSourceRate(value);
        return slot.sourceRate;
    case ids::sampleData::kPitch:
        if (std::isfinite(value))
            slot.setPitch(value);
        return slot.pitch;
    case ids::sampleData::kPlaybackStart:
        context.stopAllVoices();
        setPlaybackStart(slot, truncToInt(value));
        return static_cast<float>(slot.playBackStartPoint);
    case ids::sampleData::kPlaybackEnd:
        context.stopAllVoices();
        setPlaybackEnd(slot, truncToInt(value));
        return static_cast<float>(slot.playBackEndPoint);
    case ids::sampleData::kLoopStart:
        context.stopAllVoices();
        setLoopStart(slot, truncToInt(value));
        return static_cast<float>(slot.loopStartForDisplay());
    case ids::sampleData::kLoopEnd:
        context.stopAllVoices();
        setLoopEnd(slot, truncToInt(value));
        return static_cast<float>(slot.loopEndForDisplay());
    case ids::sampleData::kClear:
        // The slot's source path stays: a later state save still names it.
        context.stopAllVoices();
        slot.clear();
        return unitValue(value);
    default: return std::nullopt;
    }
}

} // namespace kest::tolvane::plugin
