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

ParsedTones parseToneText(std::string_view text)
{
    return {parseNamedRecords<synth::TonePreset>(text, toneSyntax(), synth::kToneCount), parseExpressionRecords(text)};
}

void applyToneRecords(synth::SynthesizerWT& engine, const ParsedTones& parsed)
{
    // A tone read from a file has no expression but what the file gives it.
    for (const ToneRecord& record : parsed.tones) {
        applyNamedRecord(engine.tone(record.index), record);
        engine.toneExpression(record.index) = {};
    }
    applyExpressionRecords(engine, parsed.expressions);
}

void writeToneText(std::ostream& out, const synth::SynthesizerWT& engine)
{
    writeNamedRecords<synth::TonePreset>(out, "# @I(Insturument) 0 ~ 255, ", kTag, synth::kToneCount,
                                         [&](int n) -> const synth::TonePreset& { return toneOf(engine, n); });
    if (hasExpressionRecords(engine))
        writeExpressionRecords(out, engine);
}

} // namespace kest::tolvane::formats
