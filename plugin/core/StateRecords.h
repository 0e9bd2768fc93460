// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding of the fixed-size records of the saved state. Decoding masks every
// field to its record's range, so a damaged state cannot put an index out of
// bounds (an output bus above 15, a wavetable above 127).
#pragma once

#include <cstdint>

#include "Records.h"
#include "StateLayout.h"

namespace kest::tolvane::plugin::state {

void encodePart(const synth::PartState& part, std::uint8_t* out);
// maxMode bounds the two mode fields.
void decodePart(const std::uint8_t* in, int maxMode, synth::PartState& part);

void encodeTone(const synth::TonePreset& tone, std::uint8_t* out);
void decodeTone(const std::uint8_t* in, synth::TonePreset& tone);

void encodeSampler(const synth::SamplerPreset& preset, std::uint8_t* out);
void decodeSampler(const std::uint8_t* in, synth::SamplerPreset& preset);

} // namespace kest::tolvane::plugin::state
