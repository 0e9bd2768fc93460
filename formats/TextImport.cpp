// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextImport.h"

#include "TextFile.h"
#include "TextLimits.h"

namespace kest::tolvane::formats {

ParsedText parseText(TextKind kind, std::string_view text)
{
    switch (kind) {
    case TextKind::Tone: return parseToneText(text);
    case TextKind::Sampler: return parseSamplerText(text);
    case TextKind::SampleData: return parseSampleDataText(text);
    case TextKind::WaveTable: return parseWaveTableText(text);
    }
    return ParsedTones{};
}

std::optional<ParsedText> parseTextFile(const std::string& path, TextKind kind, std::string& error)
{
    const auto text = readTextFile(path, maxTextFileSize(kind), error, textKindName(kind));
    if (!text)
        return std::nullopt;
    return parseText(kind, *text);
}

void applyText(synth::SynthesizerWT& engine, const ParsedText& parsed, WaveTableBitDepths& bitDepths)
{
    if (const auto* tones = std::get_if<ParsedTones>(&parsed))
        applyToneRecords(engine, *tones);
    else if (const auto* samplers = std::get_if<std::vector<SamplerRecord>>(&parsed))
        applySamplerRecords(engine, *samplers);
    else if (const auto* slots = std::get_if<std::vector<SampleDataRecord>>(&parsed))
        applySampleDataRecords(engine, *slots);
    else if (const auto* tables = std::get_if<std::vector<WaveTableRecord>>(&parsed))
        applyWaveTableRecords(engine, *tables, bitDepths);
}

void writeText(std::ostream& out, TextKind kind, const synth::SynthesizerWT& engine,
               const WaveTableBitDepths& bitDepths)
{
    switch (kind) {
    case TextKind::Tone: writeToneText(out, engine); break;
    case TextKind::Sampler: writeSamplerText(out, engine); break;
    case TextKind::SampleData: writeSampleDataText(out, engine); break;
    case TextKind::WaveTable: writeWaveTableText(out, engine, bitDepths); break;
    }
}

bool exportTextFile(const std::string& path, TextKind kind, const synth::SynthesizerWT& engine,
                    const WaveTableBitDepths& bitDepths)
{
    return writeTextFile(path, [&](std::ostream& out) { writeText(out, kind, engine, bitDepths); });
}

} // namespace kest::tolvane::formats
