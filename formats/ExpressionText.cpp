// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExpressionText.h"

#include <algorithm>
#include <span>
#include <string>

#include "NumberText.h"
#include "SequenceText.h"

namespace kest::tolvane::formats {

namespace {

using synth::SequenceKind;

// The value list's characters (a malformed arrangement of them is left to the
// notation's parser). It holds separator and digit runs whole, as the scanner
// requires, and stops at the next record's "@".
constexpr const char* kSequencePattern =
    R"(^[ \t]*@Q:[0-9]+[, \t\n\r]+(vol|arp-fixed|arp|pitch-abs|pitch|wave)[, \t\n\r]+[0-9]+[, \t\n\r]+[0-9]+)"
    R"([, \t\n\r]+"[-+0-9|/, \t\n\r]*")";
constexpr const char* kSequenceTokenPattern = R"([0-9]+|[a-z]+(-[a-z]+)?|"[^"]*")";
constexpr const char* kLfoTimingPattern = R"(^[ \t]*@V:[0-9]+([, \t\n\r]+[0-9]+){3})";
constexpr const char* kTickRatePattern = R"(^[ \t]*@T:[0-9]+)";
constexpr const char* kNumberTokenPattern = "[0-9]+";

struct KindName {
    std::string_view name;
    SequenceKind kind;
    int mode;
};
constexpr KindName kKindNames[] = {
    {"vol", SequenceKind::Volume, synth::kSequenceRelative},
    {"arp", SequenceKind::Arpeggio, synth::kSequenceRelative},
    {"arp-fixed", SequenceKind::Arpeggio, synth::kSequenceFixed},
    {"pitch", SequenceKind::Pitch, synth::kSequenceRelative},
    {"pitch-abs", SequenceKind::Pitch, synth::kSequenceFixed},
    {"wave", SequenceKind::Wave, synth::kSequenceRelative},
};

std::string_view kindName(SequenceKind kind, int mode)
{
    for (const KindName& entry : kKindNames)
        if (entry.kind == kind && entry.mode == mode)
            return entry.name;
    return kKindNames[0].name;
}

// Digits held to [min, max]; digits beyond 32 bits are above every range.
int heldTo(std::string_view digits, int min, int max)
{
    const auto value = parseInt32(digits);
    return value ? std::clamp(*value, min, max) : max;
}

std::optional<int> toneIndexOf(std::string_view digits)
{
    const auto index = parseInt32(digits);
    if (!index || *index >= synth::kToneCount)
        return std::nullopt;
    return *index;
}

std::optional<SequenceRecord> sequenceRecordOf(std::span<const std::string_view> tokens)
{
    if (tokens.size() != 5 || tokens[4].size() < 2)
        return std::nullopt;
    const auto tone = toneIndexOf(tokens[0]);
    const auto* kind = std::find_if(std::begin(kKindNames), std::end(kKindNames),
                                    [&](const KindName& entry) { return entry.name == tokens[1]; });
    if (!tone || kind == std::end(kKindNames))
        return std::nullopt;
    const std::string_view values = tokens[4].substr(1, tokens[4].size() - 2);
    const SequenceParse parsed = parseSequenceText(values, kind->kind, kind->mode);
    if (!parsed.steps)
        return std::nullopt;
    SequenceRecord record{*tone, kind->kind, {}};
    record.sequence.mode = static_cast<std::uint8_t>(kind->mode);
    record.sequence.stepTicks = static_cast<std::uint8_t>(heldTo(tokens[2], 1, synth::kMaxStepTicks));
    record.sequence.delay = static_cast<std::uint8_t>(heldTo(tokens[3], 0, synth::kMaxSequenceDelay));
    parsed.steps->applyTo(record.sequence);
    return record;
}

std::optional<LfoTimingRecord> lfoTimingRecordOf(std::span<const std::string_view> tokens)
{
    if (tokens.size() != 4)
        return std::nullopt;
    const auto tone = toneIndexOf(tokens[0]);
    if (!tone)
        return std::nullopt;
    LfoTimingRecord record{*tone, {}};
    record.timing.delay = static_cast<std::uint8_t>(heldTo(tokens[1], 0, 255));
    record.timing.fade = static_cast<std::uint8_t>(heldTo(tokens[2], 0, 255));
    record.timing.depth = static_cast<std::uint8_t>(heldTo(tokens[3], 0, 127));
    return record;
}

// The expression as the writers write it: every field in its range.
synth::ToneExpression normalisedExpression(const synth::SynthesizerWT& engine, int tone)
{
    synth::ToneExpression expression = engine.toneExpression(tone);
    synth::normaliseExpression(expression);
    return expression;
}

} // namespace

const RecordSyntax& sequenceSyntax()
{
    static const RecordSyntax syntax(kSequencePattern, kSequenceTokenPattern);
    return syntax;
}

const RecordSyntax& lfoTimingSyntax()
{
    static const RecordSyntax syntax(kLfoTimingPattern, kNumberTokenPattern);
    return syntax;
}

const RecordSyntax& tickRateSyntax()
{
    static const RecordSyntax syntax(kTickRatePattern, kNumberTokenPattern);
    return syntax;
}

ExpressionRecords parseExpressionRecords(std::string_view text)
{
    ExpressionRecords records;
    scanRecords(text, sequenceSyntax(), [&](std::span<const std::string_view> tokens) {
        if (auto record = sequenceRecordOf(tokens))
            records.sequences.push_back(*record);
    });
    scanRecords(text, lfoTimingSyntax(), [&](std::span<const std::string_view> tokens) {
        if (auto record = lfoTimingRecordOf(tokens))
            records.lfoTimings.push_back(*record);
    });
    scanRecords(text, tickRateSyntax(), [&](std::span<const std::string_view> tokens) {
        if (tokens.size() == 1)
            records.tickRate = heldTo(tokens[0], synth::kMinTickRate, synth::kMaxTickRate);
    });
    return records;
}

void applyExpressionRecords(synth::SynthesizerWT& engine, const ExpressionRecords& records)
{
    for (const SequenceRecord& record : records.sequences)
        engine.toneExpression(record.tone).sequence(record.kind) = record.sequence;
    for (const LfoTimingRecord& record : records.lfoTimings)
        engine.toneExpression(record.tone).lfo = record.timing;
    if (records.tickRate)
        engine.setTickRate(*records.tickRate);
}

bool hasExpressionRecords(const synth::SynthesizerWT& engine)
{
    for (int t = 0; t < synth::kToneCount; ++t)
        if (!normalisedExpression(engine, t).isNeutral())
            return true;
    return false;
}

void writeExpressionRecords(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << "# @T(TickRate) 1 ~ 240, @V(LfoTiming) tone, delay, fade, depth, @Q(Sequence) tone, "
           "kind[vol arp arp-fixed pitch pitch-abs wave], step, delay, \"values | loop / release\"\n";
    out << "@T:" << engine.getTickRate() << '\n';
    for (int t = 0; t < synth::kToneCount; ++t) {
        const synth::ToneExpression expression = normalisedExpression(engine, t);
        if (expression.isNeutral())
            continue;
        const synth::ToneLfoTiming& lfo = expression.lfo;
        if (lfo != synth::ToneLfoTiming{})
            out << "@V:" << t << ' ' << int{lfo.delay} << ' ' << int{lfo.fade} << ' ' << int{lfo.depth} << '\n';
        for (int k = 0; k < synth::kSequenceKindCount; ++k) {
            const auto kind = static_cast<SequenceKind>(k);
            const synth::ToneSequence& sequence = expression.sequence(kind);
            if (sequence.isDefault())
                continue;
            out << "@Q:" << t << ' ' << kindName(kind, sequence.mode) << ' ' << int{sequence.stepTicks} << ' '
                << int{sequence.delay} << " \"" << sequenceText(sequence) << "\"\n";
        }
    }
}

} // namespace kest::tolvane::formats
