// SPDX-License-Identifier: GPL-3.0-or-later
// The tick rate and the tones' sequences and LFO timing in the saved state: a
// tagged trailer "TVSQ", written only when something in it differs from a new
// engine. Body (little-endian): u8 version 1, u8 tick rate, u16 tone count,
// then per tone in ascending order: u8 tone, u8 LFO delay, u8 LFO fade, u8 LFO
// depth, u8 kinds (bit k: sequence k follows; 0 VOL, 1 ARP, 2 PITCH, 3 WAVE),
// and per kind present: u8 length, u8 loop, u8 release (0xFF: none), u8 mode,
// u8 ticks a step, u8 delay, then `length` values as i16.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "SynthesizerWT.h"
#include "TaggedTrailers.h"

namespace kest::tolvane::plugin::state {

inline constexpr TrailerTag kExpressionTrailerTag{'T', 'V', 'S', 'Q'};
inline constexpr std::size_t kMaxExpressionTrailerSize =
    4 + synth::kToneCount * (5 + synth::kSequenceKindCount * (6 + 2 * synth::kSequenceSteps));

// Writes the body into `out` (room for kMaxExpressionTrailerSize bytes)
// without allocating; 0 when nothing differs from a new engine.
std::size_t encodeExpressionTrailer(const synth::SynthesizerWT& engine, std::uint8_t* out);

struct LoadedExpressions {
    int tickRate = synth::kDefaultTickRate;
    std::array<synth::ToneExpression, synth::kToneCount> tones{};
};

// Null when the body is damaged anywhere: then none of it applies. (On the
// heap: 256 expressions are too large for a host thread's stack.)
std::unique_ptr<LoadedExpressions> decodeExpressionTrailer(const std::vector<std::uint8_t>& body);

// The loaded expressions into the engine; without any, every tone neutral and
// the default tick rate. Allocates nothing.
void applyExpressions(synth::SynthesizerWT& engine, const LoadedExpressions* loaded);

} // namespace kest::tolvane::plugin::state
