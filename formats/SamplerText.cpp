// SPDX-License-Identifier: GPL-3.0-or-later
#include "SamplerText.h"

namespace kest::tolvane::formats {

namespace {
constexpr std::string_view kTag = "@S:";
} // namespace

const RecordSyntax& samplerSyntax()
{
    static const RecordSyntax syntax(namedRecordPattern<synth::SamplerPreset>(kTag).c_str(), kNamedRecordTokenPattern);
    return syntax;
}

std::vector<SamplerRecord> parseSamplerText(std::string_view text)
{
    return parseNamedRecords<synth::SamplerPreset>(text, samplerSyntax(), synth::kSamplerPresetCount);
}

void applySamplerRecords(synth::SynthesizerWT& engine, const std::vector<SamplerRecord>& records)
{
    for (const SamplerRecord& record : records)
        applyNamedRecord(engine.samplerPreset(record.index), record);
}

void writeSamplerText(std::ostream& out, const synth::SynthesizerWT& engine)
{
    writeNamedRecords<synth::SamplerPreset>(
        out, "# @S(Sampler) 0 ~ 127, ", kTag, synth::kSamplerPresetCount,
        [&](int n) -> const synth::SamplerPreset& { return samplerPresetOf(engine, n); });
}

} // namespace kest::tolvane::formats
