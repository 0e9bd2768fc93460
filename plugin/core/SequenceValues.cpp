// SPDX-License-Identifier: GPL-3.0-or-later
// Value ids of the sequences page (0x11) and single sequence steps (0x12):
// the current tone's sequences and LFO timing and the system's tick rate, all
// as plain numbers. A voice takes its tone's expression at note-on, so an edit
// reaches the next note.
#include <algorithm>
#include <cmath>

#include "ProtocolIds.h"
#include "ValueChangePages.h"

namespace kest::tolvane::plugin {

namespace {

using synth::SequenceKind;
using synth::ToneSequence;

// A plain value held to [min, max]; nothing for NaN or infinity.
std::optional<int> plainInteger(float value, int min, int max)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return static_cast<int>(std::clamp<double>(std::nearbyint(static_cast<double>(value)), min, max));
}

SequenceKind currentKind(const EngineContext& context)
{
    return static_cast<SequenceKind>(std::clamp(context.currentSequenceKind, 0, synth::kSequenceKindCount - 1));
}

ToneSequence& currentSequence(EngineContext& context)
{
    return context.synth->toneExpression(context.currentTone).sequence(currentKind(context));
}

// A point's plain value: -1 for none.
float pointValue(std::uint8_t point) { return point == ToneSequence::kNone ? -1.0f : static_cast<float>(point); }

// New steps repeat the last one (a sequence lengthened holds where it ended);
// a sequence that had none starts from the kind's neutral value.
void lengthen(ToneSequence& sequence, SequenceKind kind, int length)
{
    const int neutral = kind == SequenceKind::Volume ? synth::kMaxVolumeStep : 0;
    const int fill = sequence.length > 0 ? sequence.values[sequence.length - 1u] : neutral;
    for (int i = sequence.length; i < length; ++i)
        sequence.values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(fill);
    sequence.length = static_cast<std::uint8_t>(length);
}

void setLength(ToneSequence& sequence, SequenceKind kind, int length)
{
    if (length > sequence.length)
        lengthen(sequence, kind, length);
    sequence.length = static_cast<std::uint8_t>(length);
    synth::normaliseSequence(sequence, kind); // drops a point the new end leaves outside
}

// Stores a plain value into a byte field held to [min, max]; answers what it holds.
float storeByte(std::uint8_t& field, float value, int min, int max)
{
    if (const auto plain = plainInteger(value, min, max))
        field = static_cast<std::uint8_t>(*plain);
    return static_cast<float>(field);
}

float storePoint(std::uint8_t& point, float value, int last)
{
    if (const auto plain = plainInteger(value, -1, last))
        point = *plain < 0 ? ToneSequence::kNone : static_cast<std::uint8_t>(*plain);
    return pointValue(point);
}

} // namespace

std::optional<float> applySequenceValue(EngineContext& context, int item, float value)
{
    auto& engine = *context.synth;
    synth::ToneExpression& expression = engine.toneExpression(context.currentTone);
    ToneSequence& sequence = currentSequence(context);
    const SequenceKind kind = currentKind(context);
    switch (ids::sequence::id(item)) {
    case ids::sequence::kKind:
        if (const auto plain = plainInteger(value, 0, synth::kSequenceKindCount - 1))
            context.currentSequenceKind = *plain;
        return static_cast<float>(context.currentSequenceKind);
    case ids::sequence::kMode:
        // VOL and WAVE have one meaning only; normalising keeps them relative.
        if (const auto plain = plainInteger(value, synth::kSequenceRelative, synth::kSequenceFixed)) {
            sequence.mode = static_cast<std::uint8_t>(*plain);
            synth::normaliseSequence(sequence, kind);
        }
        return static_cast<float>(sequence.mode);
    case ids::sequence::kLength:
        if (const auto plain = plainInteger(value, 0, synth::kSequenceSteps))
            setLength(sequence, kind, *plain);
        return static_cast<float>(sequence.length);
    case ids::sequence::kLoop: return storePoint(sequence.loop, value, sequence.length - 1);
    case ids::sequence::kRelease: return storePoint(sequence.release, value, sequence.length);
    case ids::sequence::kStepTicks: return storeByte(sequence.stepTicks, value, 1, synth::kMaxStepTicks);
    case ids::sequence::kDelay: return storeByte(sequence.delay, value, 0, synth::kMaxSequenceDelay);
    case ids::sequence::kLfoDelay: return storeByte(expression.lfo.delay, value, 0, 255);
    case ids::sequence::kLfoFade: return storeByte(expression.lfo.fade, value, 0, 255);
    case ids::sequence::kLfoDepth: return storeByte(expression.lfo.depth, value, 0, 127);
    case ids::sequence::kTickRate:
        if (const auto plain = plainInteger(value, synth::kMinTickRate, synth::kMaxTickRate))
            engine.setTickRate(*plain);
        return static_cast<float>(engine.getTickRate());
    case ids::sequence::kClear: sequence = ToneSequence{}; return 0.0f;
    case ids::sequence::kClearAll: expression.sequences = {}; return 0.0f;
    default: return std::nullopt;
    }
}

std::optional<float> applySequenceStepValue(EngineContext& context, int item, float value)
{
    const int index = ids::sequenceStep::indexOf(item);
    if (item != index)
        return std::nullopt;
    ToneSequence& sequence = currentSequence(context);
    const SequenceKind kind = currentKind(context);
    const synth::ValueRange range = synth::sequenceValueRange(kind, sequence.mode);
    const auto plain = plainInteger(value, range.min, range.max);
    if (plain) {
        if (index >= sequence.length)
            lengthen(sequence, kind, index + 1);
        sequence.values[static_cast<std::size_t>(index)] = static_cast<std::int16_t>(*plain);
    }
    return static_cast<float>(sequence.values[static_cast<std::size_t>(index)]);
}

} // namespace kest::tolvane::plugin
