// SPDX-License-Identifier: GPL-3.0-or-later
// The records of a tone file that carry the tones' expressions and the tick
// clock, after the "@I:" records:
//
//   @T:<ticks a second>                              1..240
//   @V:<tone> <delay> <fade> <depth>                 LFO timing: 0..255, 0..255, 0..127
//   @Q:<tone> <kind> <step> <delay> "<values>"       one sequence: ticks a step 1..16,
//                                                    delay 0..255, values as in SequenceText.h
//
// with kind vol, arp, arp-fixed, pitch, pitch-abs or wave. Numbers are held to
// their ranges; a record that does not read, or whose values are malformed,
// is skipped. Readers that know only "@I:" skip these lines.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "RecordScanner.h"
#include "SynthesizerWT.h"
#include "ToneExpression.h"

namespace kest::tolvane::formats {

// A whole sequence of one kind (its mode comes with the kind's name).
struct SequenceRecord {
    int tone = 0;
    synth::SequenceKind kind = synth::SequenceKind::Volume;
    synth::ToneSequence sequence;
};

struct LfoTimingRecord {
    int tone = 0;
    synth::ToneLfoTiming timing;
};

// Each kind of record in file order; records of different kinds never touch
// the same setting, so their order among each other does not matter.
struct ExpressionRecords {
    std::vector<SequenceRecord> sequences;
    std::vector<LfoTimingRecord> lfoTimings;
    std::optional<int> tickRate; // the last "@T:" record's
};

const RecordSyntax& sequenceSyntax();
const RecordSyntax& lfoTimingSyntax();
const RecordSyntax& tickRateSyntax();

ExpressionRecords parseExpressionRecords(std::string_view text);
// Sets what the records hold and nothing else; allocates nothing.
void applyExpressionRecords(synth::SynthesizerWT& engine, const ExpressionRecords& records);

// Whether any tone's expression differs from a new tone's: only then does a
// tone file carry these records.
bool hasExpressionRecords(const synth::SynthesizerWT& engine);
// A comment line, the "@T:" record, then for each tone with an expression its
// "@V:" record when the LFO timing is set and one "@Q:" record per sequence
// that is set, in kind order.
void writeExpressionRecords(std::ostream& out, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
