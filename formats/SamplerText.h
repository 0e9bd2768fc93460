// SPDX-License-Identifier: GPL-3.0-or-later
// The sampler preset text format: one "@S:" record per SamplerPreset, its
// columns the rows of kSamplerFields.
#pragma once

#include <ostream>
#include <string_view>
#include <vector>

#include "NamedRecordText.h"
#include "RecordScanner.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

inline constexpr int kSamplerFieldCount = static_cast<int>(synth::kSamplerFields.size());

// Fields already masked, in file order: smplNum, pan, octv, tune, tl, ar, dr, sl, rr.
using SamplerRecord = NamedRecord<synth::SamplerPreset>;

// The record and token patterns, built once.
const RecordSyntax& samplerSyntax();

std::vector<SamplerRecord> parseSamplerText(std::string_view text);
// Copies the records into the engine's sampler presets; allocates nothing.
// The caller stops the voices first.
void applySamplerRecords(synth::SynthesizerWT& engine, const std::vector<SamplerRecord>& records);
// Header line and all 128 sampler presets.
void writeSamplerText(std::ostream& out, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
