// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneText.h"

namespace kest::tolvane::formats {

namespace {
constexpr std::string_view kTag = "@I:";
} // namespace

const RecordSyntax& toneSyntax()
{
    static const RecordSyntax syntax(namedRecordPattern<synth::TonePreset>(kTag).c_str(), kNamedRecordTokenPattern);
    return syntax;
}

std::vector<ToneRecord> parseToneText(std::string_view text)
{
    return parseNamedRecords<synth::TonePreset>(text, toneSyntax(), synth::kToneCount);
}

void applyToneRecords(synth::SynthesizerWT& engine, const std::vector<ToneRecord>& records)
{
    for (const ToneRecord& record : records)
        applyNamedRecord(engine.tone(record.index), record);
}

void writeToneText(std::ostream& out, const synth::SynthesizerWT& engine)
{
    writeNamedRecords<synth::TonePreset>(out, "# @I(Insturument) 0 ~ 255, ", kTag, synth::kToneCount,
                                         [&](int n) -> const synth::TonePreset& { return toneOf(engine, n); });
}

} // namespace kest::tolvane::formats
