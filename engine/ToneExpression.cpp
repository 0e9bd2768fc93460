// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneExpression.h"

#include <algorithm>

namespace kest::tolvane::synth {

bool ToneSequence::isDefault() const
{
    return length == 0 && loop == kNone && release == kNone && mode == kSequenceRelative && stepTicks == 1 &&
           delay == 0;
}

bool ToneExpression::isNeutral() const
{
    return lfo == ToneLfoTiming{} &&
           std::all_of(sequences.begin(), sequences.end(), [](const ToneSequence& s) { return s.isDefault(); });
}

bool ToneExpression::hasSequences() const
{
    return std::any_of(sequences.begin(), sequences.end(), [](const ToneSequence& s) { return !s.isEmpty(); });
}

ValueRange sequenceValueRange(SequenceKind kind, int mode)
{
    switch (kind) {
    case SequenceKind::Volume: return {0, kMaxVolumeStep};
    case SequenceKind::Arpeggio:
        return mode == kSequenceFixed ? ValueRange{0, 127} : ValueRange{-kMaxArpeggioShift, kMaxArpeggioShift};
    case SequenceKind::Pitch: return {-kMaxPitchOffset, kMaxPitchOffset};
    case SequenceKind::Wave: return {0, 127};
    }
    return {0, 0};
}

void normaliseSequence(ToneSequence& sequence, SequenceKind kind)
{
    const bool moded = kind == SequenceKind::Arpeggio || kind == SequenceKind::Pitch;
    sequence.mode = moded && sequence.mode == kSequenceFixed ? kSequenceFixed : kSequenceRelative;
    sequence.length = std::min<std::uint8_t>(sequence.length, kSequenceSteps);
    const ValueRange range = sequenceValueRange(kind, sequence.mode);
    for (std::int16_t& value : sequence.values)
        value = static_cast<std::int16_t>(std::clamp<int>(value, range.min, range.max));
    if (sequence.loop >= sequence.length)
        sequence.loop = ToneSequence::kNone;
    if (sequence.release > sequence.length)
        sequence.release = ToneSequence::kNone;
    sequence.stepTicks = static_cast<std::uint8_t>(std::clamp<int>(sequence.stepTicks, 1, kMaxStepTicks));
}

void normaliseExpression(ToneExpression& expression)
{
    for (int k = 0; k < kSequenceKindCount; ++k)
        normaliseSequence(expression.sequences[static_cast<std::size_t>(k)], static_cast<SequenceKind>(k));
    expression.lfo.depth = std::min<std::uint8_t>(expression.lfo.depth, 127);
}

} // namespace kest::tolvane::synth
