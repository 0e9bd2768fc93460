// SPDX-License-Identifier: GPL-3.0-or-later
// The sampler preset text format: one "@S:" record per SamplerPreset.
#pragma once

#include <array>
#include <ostream>
#include <string_view>
#include <vector>

#include "RecordScanner.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

inline constexpr int kSamplerFieldCount = 9;

// Fields already masked, in file order: smplNum, pan, octv, tune, tl, ar, dr, sl, rr.
struct SamplerRecord {
    int index = 0;
    std::array<char, synth::kPresetNameLength> name{};
    std::array<int, kSamplerFieldCount> fields{};
};

// The record and token patterns, built once.
const RecordSyntax& samplerSyntax();

std::vector<SamplerRecord> parseSamplerText(std::string_view text);
// Copies the records into the engine's sampler presets; allocates nothing.
// The caller stops the voices first.
void applySamplerRecords(synth::SynthesizerWT& engine, const std::vector<SamplerRecord>& records);
// Header line and all 128 sampler presets.
void writeSamplerText(std::ostream& out, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
