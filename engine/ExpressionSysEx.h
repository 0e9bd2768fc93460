// SPDX-License-Identifier: GPL-3.0-or-later
// A tone's expression as System Exclusive records, one per tone for the LFO
// timing and the four sequences' settings, and one per tone and sequence kind
// for its values, each within the 128 seven-bit offsets a message can address:
//
//   F0 7D 10 20 0A|0B <tone> <offset> data... F7   settings (instrument | percussion bank)
//   F0 7D 10 20 10+k|14+k <tone> <offset> data... F7   values of kind k (0 VOL, 1 ARP, 2 PITCH, 3 WAVE)
//
// Settings record: 0-1 LFO delay, 2-3 LFO fade (7 low bits, then the rest),
// 4 LFO depth; then for each kind k at 5 + 7k: length, loop step (127: none),
// release step (127: none), mode (0 relative, 1 fixed or absolute), ticks a
// step, delay (two bytes). Values record: step s at offset 2s as a 14-bit
// two's complement number, 7 low bits first.
#pragma once

#include <array>
#include <cstdint>

#include "ToneExpression.h"

namespace kest::tolvane::synth {

inline constexpr int kExpressionSettingsBytes = 5 + 7 * kSequenceKindCount;
inline constexpr int kSequenceValueBytes = 2 * kSequenceSteps;

using ExpressionSettingsImage = std::array<std::uint8_t, kExpressionSettingsBytes>;
using SequenceValuesImage = std::array<std::uint8_t, kSequenceValueBytes>;

// Block numbers of the two records for a bank (percussion tones or not).
constexpr int expressionSettingsBlock(bool percussion) { return percussion ? 0x0B : 0x0A; }
constexpr int sequenceValuesBlock(bool percussion, SequenceKind kind)
{
    return (percussion ? 0x14 : 0x10) + static_cast<int>(kind);
}

ExpressionSettingsImage encodeExpressionSettings(const ToneExpression& expression);
// Every field from the image, each held to its own range; values are left alone.
void decodeExpressionSettings(const ExpressionSettingsImage& image, ToneExpression& expression);
SequenceValuesImage encodeSequenceValues(const ToneSequence& sequence);
// All 64 values, each held to the widest range its kind has in any mode.
void decodeSequenceValues(const SequenceValuesImage& image, ToneSequence& sequence, SequenceKind kind);

} // namespace kest::tolvane::synth
