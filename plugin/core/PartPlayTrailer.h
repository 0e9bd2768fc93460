// SPDX-License-Identifier: GPL-3.0-or-later
// The parts' stored play settings in the saved state: a tagged trailer "TVPL",
// written only when some part's differ from a new engine's. Body: u8 version
// 1, then for each of the 16 parts: play mode, portamento time, arpeggio
// pattern, octaves, rate in ticks, note value, retrigger (one byte each).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "SynthesizerWT.h"
#include "TaggedTrailers.h"

namespace kest::tolvane::plugin::state {

inline constexpr TrailerTag kPartPlayTrailerTag{'T', 'V', 'P', 'L'};
inline constexpr std::size_t kPartPlayFieldCount = 7;
inline constexpr std::size_t kPartPlayTrailerSize = 1 + synth::kPartCount * kPartPlayFieldCount;

using PartPlayBody = std::array<std::uint8_t, kPartPlayTrailerSize>;
using LoadedPartPlay = std::array<synth::PartPlaySettings, synth::kPartCount>;

// The body, allocation-free; false when every part has the default settings.
bool encodePartPlayTrailer(const synth::SynthesizerWT& engine, PartPlayBody& body);
// Nothing when the body is damaged; values out of range are held to their ranges.
std::optional<LoadedPartPlay> decodePartPlayTrailer(const std::vector<std::uint8_t>& body);

} // namespace kest::tolvane::plugin::state
