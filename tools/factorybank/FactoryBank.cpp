// SPDX-License-Identifier: GPL-3.0-or-later
#include "FactoryBank.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <span>

#include "ChipSampleTable.h"
#include "SampleSourceStatus.h"
#include "TextImport.h"
#include "WaveImport.h"

extern const std::uint8_t tolvaneFactoryWaveTables[];
extern const std::size_t tolvaneFactoryWaveTablesSize;
extern const std::uint8_t tolvaneFactoryTones[];
extern const std::size_t tolvaneFactoryTonesSize;
extern const std::uint8_t tolvaneChipWaveTables[];
extern const std::size_t tolvaneChipWaveTablesSize;
extern const std::uint8_t tolvaneChipTones[];
extern const std::size_t tolvaneChipTonesSize;
extern const std::uint8_t tolvaneChipSamplers[];
extern const std::size_t tolvaneChipSamplersSize;

namespace kest::tolvane::tools {

namespace {

std::string_view textOf(const std::uint8_t* bytes, std::size_t size)
{
    return {reinterpret_cast<const char*>(bytes), size};
}

// The tones and tables of a bank, with part 10 as its drum part.
void loadBank(plugin::EngineContext& context, std::string_view waveTables, std::string_view tones,
              std::string_view samplers)
{
    // Parsed outside the lock, as a file import is.
    const formats::ParsedText tables = formats::parseText(formats::TextKind::WaveTable, waveTables);
    const formats::ParsedText toneRecords = formats::parseText(formats::TextKind::Tone, tones);
    const formats::ParsedText samplerRecords = formats::parseText(formats::TextKind::Sampler, samplers);
    std::lock_guard lock(context.engineMutex());
    formats::applyText(*context.synth, tables, context.waveTableBitDepth);
    formats::applyText(*context.synth, toneRecords, context.waveTableBitDepth);
    if (!samplers.empty())
        formats::applyText(*context.synth, samplerRecords, context.waveTableBitDepth);
    context.synth->setMode(kFactoryDrumPart, synth::kModePercussion);
    // A GM reset in a song restores the default modes; the drums must survive it.
    context.synth->setDefaultMode(kFactoryDrumPart, synth::kModePercussion);
}

// Each sample as the WAV import reduces it, named as a factory sample: the
// presets keep the audio, and no file of that name is looked for on loading.
void loadChipSamples(plugin::EngineContext& context)
{
    for (const EmbeddedSample& sample : chipSampleTable()) {
        const auto kind =
            std::strcmp(sample.kind, "adpcm") == 0 ? formats::SampleSourceKind::Adpcm : formats::SampleSourceKind::Dpcm;
        const formats::WaveFile wave = formats::parseWave(std::span(sample.bytes, *sample.size));
        std::optional<formats::PreparedSample> prepared = formats::prepareWaveImport(wave, kind);
        if (!prepared || !prepared->hasData)
            continue;
        const float rate = prepared->sampleRate;
        context.restoreSample(sample.slot, std::move(prepared->codes), prepared->frames, prepared->channels,
                              std::string(plugin::kFactorySamplePrefix) + sample.file, kind);
        std::lock_guard lock(context.engineMutex());
        context.synth->sampleData(sample.slot).setSourceRate(rate);
    }
}

} // namespace

std::string_view factoryWaveTableText() { return textOf(tolvaneFactoryWaveTables, tolvaneFactoryWaveTablesSize); }

std::string_view factoryToneText() { return textOf(tolvaneFactoryTones, tolvaneFactoryTonesSize); }

void loadFactoryBank(plugin::EngineContext& context)
{
    loadBank(context, factoryWaveTableText(), factoryToneText(), {});
    std::lock_guard lock(context.engineMutex());
    context.selectByPart();
}

void loadChipBank(plugin::EngineContext& context)
{
    loadBank(context, textOf(tolvaneChipWaveTables, tolvaneChipWaveTablesSize),
             textOf(tolvaneChipTones, tolvaneChipTonesSize), textOf(tolvaneChipSamplers, tolvaneChipSamplersSize));
    loadChipSamples(context);
    std::lock_guard lock(context.engineMutex());
    context.selectByPart();
}

} // namespace kest::tolvane::tools
