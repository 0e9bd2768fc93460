// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShowcasePresets.h"

#include <mutex>

#include "FactoryBank.h"

namespace kest::tolvane::tools {

namespace {

// GM bank wavetable numbers (see presets/README.md).
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

using synth::kModeInstrument, synth::kModePercussion, synth::kModeSampler;
constexpr int kDrums = 9, kSecondDrums = 10;

// Chip bank programs (presets/chip-tones.txt).
enum ChipProgram : int {
    kPulse12Lead = 0,
    kPulse25Lead = 1,
    kPulse50Lead = 2,
    kVibLead25 = 9,
    kWideVibLead = 11,
    kEchoLead25 = 16,
    kEchoLead50 = 17,
    kTriBass = 24,
    kPulseBass25 = 27,
    kWaveBass = 32,
    kSubBass8 = 35,
    kFiveBitBass = 39,
    kFiveBitBrass = 48,
    kFiveBitFlute = 49,
    kFiveBitStrings = 50,
    kSawLead8 = 51,
    kSyncSawLead = 52,
    kFiveBitSquare = 55,
    kArpMajor12 = 56, // a major chord arpeggio; the minor one is the next program
    kArpMajor25 = 58,
    kDutyPluck50 = 62,
    kChipStab25 = 64,
    kChipPiano = 67,
    kChipEPiano = 68,
    kChipBell = 72,
    kMusicBox = 75,
    kChipVibes = 79,
    kChipBrass = 83,
    kWarmPad = 89,
    kStringPad = 92,
    kGlassPad = 93,
    kChoirPad = 94,
    kPowerFifth = 96,
    kExplosion = 107,
    kSiren = 116,
    kCoinBlip = 120,
};

constexpr PartSetup lead(int program, int modWheel = -1) { return {0, kModeInstrument, program, modWheel}; }
constexpr PartSetup voice(int part, int program, int volume = 100, int pan = 64)
{
    return {part, kModeInstrument, program, -1, volume, pan};
}
constexpr PartSetup kit(int part, int mode) { return {part, mode}; }

constexpr PartSetup kSampleKitOnTen[] = {kit(kDrums, kModeSampler)};
constexpr PartSetup kToneKitOnOneAndTen[] = {kit(0, kModePercussion), kit(kDrums, kModePercussion)};
constexpr PartSetup kSampleKitOnOneAndTen[] = {kit(0, kModeSampler), kit(kDrums, kModeSampler)};
constexpr PartSetup kBothKits[] = {kit(kDrums, kModePercussion), kit(kSecondDrums, kModeSampler)};

constexpr PartSetup kFourChannels[] = {voice(0, kVibLead25), voice(1, kArpMajor12, 90, 40), voice(2, kTriBass),
                                       voice(3, kEchoLead50, 80, 88)};
constexpr PartSetup kNesChannels[] = {voice(0, kPulse50Lead), voice(1, kPulse25Lead, 90, 48), voice(2, kTriBass),
                                      kit(3, kModePercussion), kit(4, kModeSampler)};
constexpr PartSetup kHandheldChannels[] = {voice(0, kPulse12Lead, 100, 56), voice(1, kArpMajor25, 90, 72),
                                           voice(2, kWaveBass), kit(3, kModePercussion)};
constexpr PartSetup kSixWaves[] = {voice(0, kFiveBitBrass),          voice(1, kFiveBitStrings, 80, 44),
                                   voice(2, kFiveBitFlute, 90, 84),  voice(3, kFiveBitBass),
                                   voice(4, kFiveBitSquare, 80, 52), voice(5, kChipEPiano, 80, 76),
                                   kit(kDrums, kModeSampler)};
constexpr PartSetup kArpeggioTrio[] = {voice(0, kDutyPluck50, 100, 52), voice(1, kArpMajor25, 85, 80),
                                       voice(2, kPulseBass25), voice(3, kWarmPad, 70)};
// Part 2 repeats part 1's line a little later in a song: softer, to one side, a hair sharp.
constexpr PartSetup kEchoPair[] = {voice(0, kEchoLead25, 100, 48),
                                   {1, kModeInstrument, kEchoLead25, -1, 64, 100, 8},
                                   voice(2, kTriBass),
                                   voice(3, kWarmPad, 70)};
constexpr PartSetup kChipBand[] = {
    voice(0, kPulse25Lead),        voice(1, kArpMajor12, 85, 44), voice(2, kTriBass),
    voice(3, kWarmPad, 70),        voice(4, kChipBell, 80, 84),   voice(5, kChipBrass, 85, 56),
    voice(6, kEchoLead50, 75, 96), voice(7, kPowerFifth, 80, 32)};
constexpr PartSetup kSampleDrumBand[] = {voice(0, kSawLead8), voice(1, kChipStab25, 85, 44), voice(2, kSubBass8),
                                         voice(3, kStringPad, 70), kit(kDrums, kModeSampler)};

constexpr PartSetup kSquareLead[] = {lead(kPulse50Lead)};
constexpr PartSetup kVibratoLead[] = {lead(kVibLead25, 90)};
constexpr PartSetup kWideVibratoLead[] = {lead(kWideVibLead, 100)};
constexpr PartSetup kSyncLead[] = {lead(kSyncSawLead)};
constexpr PartSetup kTriangleBass[] = {lead(kTriBass)};
constexpr PartSetup kPulseBass[] = {lead(kPulseBass25)};
constexpr PartSetup kWaveBassPart[] = {lead(kWaveBass)};
constexpr PartSetup kSubBass[] = {lead(kSubBass8)};
constexpr PartSetup kWarmPadPart[] = {lead(kWarmPad)};
constexpr PartSetup kGlassPadPart[] = {lead(kGlassPad)};
constexpr PartSetup kChoirPadPart[] = {lead(kChoirPad)};
constexpr PartSetup kChipPianoPart[] = {lead(kChipPiano)};
constexpr PartSetup kMusicBoxPart[] = {lead(kMusicBox)};
constexpr PartSetup kVibesPart[] = {lead(kChipVibes, 80)};
constexpr PartSetup kGameBlips[] = {lead(kCoinBlip), kit(kDrums, kModeSampler)};
constexpr PartSetup kExplosionPart[] = {lead(kExplosion)};
constexpr PartSetup kSirenPart[] = {lead(kSiren, 100)};

using enum StartingBank;
constexpr PresetRecipe kRecipes[] = {
    {"Factory GM", "Banks", "Synth Comp", GeneralMidi, {}, factoryGm},
    {"Chip Bank", "Banks", "Synth Comp|Digital", Chip, {}},
    {"Chip Bank Sample Kit", "Banks", "Synth Comp|Digital", Chip, kSampleKitOnTen},
    {"Chip Lead Vibrato", "GM Variations", "Synth Lead|Digital", GeneralMidi, {}, chipLeadVibrato},
    {"Noise Drum Kit", "GM Variations", "Drum&Perc|Drumset GM", GeneralMidi, {}, noiseDrumKit},
    {"4-bit NES", "GM Variations", "Synth Comp|Digital", GeneralMidi, {}, fourBitNes},
    {"Chip Tone Kit", "Kits", "Drum&Perc|Drumset GM", Chip, kToneKitOnOneAndTen},
    {"Chip Sample Kit", "Kits", "Drum&Perc|Drumset GM", Chip, kSampleKitOnOneAndTen},
    {"Tone and Sample Kits", "Kits", "Drum&Perc|Drumset GM", Chip, kBothKits},
    {"4 Chip Channels + Kit", "Templates", "Synth Comp|Digital", Chip, kFourChannels},
    {"NES-Style Channels", "Templates", "Synth Comp|Digital", Chip, kNesChannels},
    {"Handheld-Style Channels", "Templates", "Synth Comp|Digital", Chip, kHandheldChannels},
    {"PC Engine-Style 6 Waves", "Templates", "Synth Comp|Digital", Chip, kSixWaves},
    {"Arpeggio Trio + Kit", "Templates", "Synth Comp|Digital", Chip, kArpeggioTrio},
    {"Echo Lead Pair", "Templates", "Synth Comp|Digital", Chip, kEchoPair},
    {"Chip Band 8 Parts", "Templates", "Synth Comp|Digital", Chip, kChipBand},
    {"Sample Drums Band", "Templates", "Synth Comp|Digital", Chip, kSampleDrumBand},
    {"Square Lead 50%", "Leads", "Synth Lead|Digital", Chip, kSquareLead},
    {"Vibrato Lead", "Leads", "Synth Lead|Digital", Chip, kVibratoLead},
    {"Wide Vibrato Lead", "Leads", "Synth Lead|Digital", Chip, kWideVibratoLead},
    {"Sync Saw Lead", "Leads", "Synth Lead|Digital", Chip, kSyncLead},
    {"Triangle Bass", "Basses", "Bass|Synth Bass", Chip, kTriangleBass},
    {"Pulse Bass", "Basses", "Bass|Synth Bass", Chip, kPulseBass},
    {"Wave Bass", "Basses", "Bass|Synth Bass", Chip, kWaveBassPart},
    {"Sub Bass", "Basses", "Bass|Synth Bass", Chip, kSubBass},
    {"Warm Pad", "Pads", "Synth Pad|Digital", Chip, kWarmPadPart},
    {"Glass Pad", "Pads", "Synth Pad|Digital", Chip, kGlassPadPart},
    {"Choir Pad", "Pads", "Synth Pad|Synth Choir", Chip, kChoirPadPart},
    {"Chip Piano", "Keys and Bells", "Keyboard", Chip, kChipPianoPart},
    {"Music Box", "Keys and Bells", "Chromatic Perc|Bell", Chip, kMusicBoxPart},
    {"Chip Vibraphone", "Keys and Bells", "Chromatic Perc", Chip, kVibesPart},
    {"Game Blips", "Effects", "Musical FX|Beeps&Blips", Chip, kGameBlips},
    {"Explosion", "Effects", "Sound FX|Synthetic", Chip, kExplosionPart},
    {"Siren", "Effects", "Sound FX|Synthetic", Chip, kSirenPart},
};

void applyPart(synth::SynthesizerWT& s, const PartSetup& setup)
{
    constexpr int kBendRangeCents = 200;
    s.setMode(setup.part, setup.mode);
    s.setDefaultMode(setup.part, setup.mode);
    synth::PartState& part = s.part(setup.part);
    part.program = setup.program;
    if (setup.modWheel >= 0)
        part.cc[1] = setup.modWheel;
    part.cc[7] = setup.volume;
    part.cc[10] = setup.pan;
    part.pitchBend = 8192 + setup.detuneCents * 8192 / kBendRangeCents;
}

} // namespace

std::span<const PresetRecipe> showcasePresets() { return kRecipes; }

void buildPreset(const PresetRecipe& recipe, plugin::EngineContext& context)
{
    if (recipe.bank == StartingBank::Chip)
        loadChipBank(context);
    else
        loadFactoryBank(context);
    std::lock_guard lock(context.engineMutex());
    for (const PartSetup& part : recipe.parts)
        applyPart(*context.synth, part);
    if (recipe.program)
        recipe.program(context);
    context.selectByPart();
}

} // namespace kest::tolvane::tools
