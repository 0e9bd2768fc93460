// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExpressionSysEx.h"

#include <algorithm>

namespace kest::tolvane::synth {

namespace {

constexpr int kNoStep = 127;
constexpr int kFirstSequenceOffset = 5;
constexpr int kSequenceSettingsBytes = 7;

void putPair(std::uint8_t* at, int value)
{
    at[0] = static_cast<std::uint8_t>(value & 0x7F);
    at[1] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
}
int pairAt(const std::uint8_t* at) { return (at[0] & 0x7F) | ((at[1] & 0x7F) << 7); }

std::uint8_t byteOf(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

} // namespace

ExpressionSettingsImage encodeExpressionSettings(const ToneExpression& expression)
{
    ExpressionSettingsImage image{};
    putPair(&image[0], expression.lfo.delay);
    putPair(&image[2], expression.lfo.fade);
    image[4] = static_cast<std::uint8_t>(expression.lfo.depth & 0x7F);
    for (int k = 0; k < kSequenceKindCount; ++k) {
        const ToneSequence& s = expression.sequences[static_cast<std::size_t>(k)];
        std::uint8_t* at = &image[static_cast<std::size_t>(kFirstSequenceOffset + kSequenceSettingsBytes * k)];
        at[0] = s.length & 0x7F;
        at[1] = s.hasLoop() ? s.loop & 0x7F : kNoStep;
        at[2] = s.hasRelease() ? s.release & 0x7F : kNoStep;
        at[3] = s.mode & 1;
        at[4] = s.stepTicks & 0x7F;
        putPair(at + 5, s.delay);
    }
    return image;
}

void decodeExpressionSettings(const ExpressionSettingsImage& image, ToneExpression& expression)
{
    expression.lfo.delay = byteOf(pairAt(&image[0]));
    expression.lfo.fade = byteOf(pairAt(&image[2]));
    expression.lfo.depth = image[4] & 0x7F;
    for (int k = 0; k < kSequenceKindCount; ++k) {
        ToneSequence& s = expression.sequences[static_cast<std::size_t>(k)];
        const std::uint8_t* at = &image[static_cast<std::size_t>(kFirstSequenceOffset + kSequenceSettingsBytes * k)];
        s.length = static_cast<std::uint8_t>(std::min<int>(at[0] & 0x7F, kSequenceSteps));
        s.loop = (at[1] & 0x7F) < kSequenceSteps ? at[1] & 0x7F : ToneSequence::kNone;
        s.release = (at[2] & 0x7F) <= kSequenceSteps ? at[2] & 0x7F : ToneSequence::kNone;
        s.mode = at[3] & 1;
        s.stepTicks = static_cast<std::uint8_t>(std::clamp(at[4] & 0x7F, 1, kMaxStepTicks));
        s.delay = byteOf(pairAt(at + 5));
    }
}

SequenceValuesImage encodeSequenceValues(const ToneSequence& sequence)
{
    SequenceValuesImage image{};
    for (int i = 0; i < kSequenceSteps; ++i)
        putPair(&image[static_cast<std::size_t>(2 * i)], sequence.values[static_cast<std::size_t>(i)] & 0x3FFF);
    return image;
}

void decodeSequenceValues(const SequenceValuesImage& image, ToneSequence& sequence, SequenceKind kind)
{
    const ValueRange relative = sequenceValueRange(kind, kSequenceRelative);
    const ValueRange fixed = sequenceValueRange(kind, kSequenceFixed);
    const int low = std::min(relative.min, fixed.min);
    const int high = std::max(relative.max, fixed.max);
    for (int i = 0; i < kSequenceSteps; ++i) {
        const int raw = pairAt(&image[static_cast<std::size_t>(2 * i)]);
        const int value = raw >= 0x2000 ? raw - 0x4000 : raw;
        sequence.values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(value, low, high));
    }
}

} // namespace kest::tolvane::synth
