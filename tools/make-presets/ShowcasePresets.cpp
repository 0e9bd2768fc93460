// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShowcasePresets.h"

#include <mutex>

#include "FactoryBank.h"

namespace kest::tolvane::tools {

namespace {

// Factory wavetable numbers (see presets/README.md).
constexpr int kNesTriangle = 4;
constexpr int kPulse50 = 16;
constexpr int kPulse25 = 17;
constexpr int kPulse12 = 18;
constexpr int kNoise4Bit = 121;
constexpr int kNoise1Bit = 122;

constexpr int kFirstDrumTone = 128;
constexpr int kGmSquareLead = 80;
constexpr int kGmFirstBass = 32, kGmLastBass = 39;
constexpr int kModulationWheel = 1;

void factoryGm(plugin::EngineContext&) {}

// Part 1 plays the square lead with the modulation wheel half up, so its
// vibrato moves from the first note without any controller in the song.
void chipLeadVibrato(plugin::EngineContext& context)
{
    synth::SynthesizerWT& s = *context.synth;
    synth::PartState& lead = s.part(0);
    lead.program = kGmSquareLead;
    lead.cc[kModulationWheel] = 64;
    synth::TonePreset& tone = s.tone(kGmSquareLead);
    tone.strc = 1; // vibrato
    tone.lms = 2;
}

// Every drum from the noise tables: long keys (toms, cymbals) get the 4-bit
// noise, short ones the harsher 1-bit noise, as a sound chip's noise channel.
void noiseDrumKit(plugin::EngineContext& context)
{
    for (int key = 0; key < 128; ++key) {
        synth::TonePreset& drum = context.synth->tone(kFirstDrumTone + key);
        drum.wave = drum.dr < 60 ? kNoise4Bit : kNoise1Bit;
    }
}

// The instruments reduced to a 4-bit console's voices: basses on the
// triangle, everything else on pulses of three widths, drums on noise.
void fourBitNes(plugin::EngineContext& context)
{
    static constexpr int kPulses[] = {kPulse50, kPulse25, kPulse12};
    for (int program = 0; program < 128; ++program) {
        synth::TonePreset& tone = context.synth->tone(program);
        const bool bass = program >= kGmFirstBass && program <= kGmLastBass;
        tone.wave = bass ? kNesTriangle : kPulses[(program / 8) % 3];
    }
    noiseDrumKit(context);
}

constexpr PresetRecipe kRecipes[] = {
    {"Factory GM", factoryGm},
    {"Chip Lead Vibrato", chipLeadVibrato},
    {"Noise Drum Kit", noiseDrumKit},
    {"4-bit NES", fourBitNes},
};

} // namespace

std::span<const PresetRecipe> showcasePresets() { return kRecipes; }

void buildPreset(const PresetRecipe& recipe, plugin::EngineContext& context)
{
    loadFactoryBank(context);
    std::lock_guard lock(context.engineMutex());
    recipe.program(context);
    context.selectByPart();
}

} // namespace kest::tolvane::tools
