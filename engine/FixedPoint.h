// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's one fixed-point format. Oscillator phases, envelope positions
// and sample positions are Q18: value >> 18 indexes a wavetable, an envelope
// curve or a sample's frames, and the low 18 bits are the fraction.
#pragma once

#include <cstdint>

namespace kest::tolvane::synth {

inline constexpr int kQ18Bits = 18;
inline constexpr std::int32_t kQ18One = std::int32_t{1} << kQ18Bits;
inline constexpr std::uint32_t kQ18FractionMask = kQ18One - 1;

} // namespace kest::tolvane::synth
