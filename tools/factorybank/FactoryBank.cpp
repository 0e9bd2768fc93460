// SPDX-License-Identifier: GPL-3.0-or-later
#include "FactoryBank.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "TextImport.h"

extern const std::uint8_t tolvaneFactoryWaveTables[];
extern const std::size_t tolvaneFactoryWaveTablesSize;
extern const std::uint8_t tolvaneFactoryTones[];
extern const std::size_t tolvaneFactoryTonesSize;

namespace kest::tolvane::tools {

std::string_view factoryWaveTableText()
{
    return {reinterpret_cast<const char*>(tolvaneFactoryWaveTables), tolvaneFactoryWaveTablesSize};
}

std::string_view factoryToneText()
{
    return {reinterpret_cast<const char*>(tolvaneFactoryTones), tolvaneFactoryTonesSize};
}

void loadFactoryBank(plugin::EngineContext& context)
{
    // Parsed outside the lock, as a file import is.
    const formats::ParsedText tables = formats::parseText(formats::TextKind::WaveTable, factoryWaveTableText());
    const formats::ParsedText tones = formats::parseText(formats::TextKind::Tone, factoryToneText());
    std::lock_guard lock(context.engineMutex());
    formats::applyText(*context.synth, tables, context.waveTableBitDepth);
    formats::applyText(*context.synth, tones, context.waveTableBitDepth);
    context.synth->setMode(kFactoryDrumPart, synth::kModePercussion);
    // A GM reset in a song restores the default modes; the drums must survive it.
    context.synth->setDefaultMode(kFactoryDrumPart, synth::kModePercussion);
    context.selectByPart();
}

} // namespace kest::tolvane::tools
