// SPDX-License-Identifier: GPL-3.0-or-later
// The wavetable text format: one "@:" record per table, with the table's bit
// depth and its values in hexadecimal at that depth.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

#include "RecordScanner.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

using WaveTableBitDepths = std::array<int, synth::kWaveTableCount>;

struct WaveTableRecord {
    int index = 0;
    int bitDepth = 8;   // 1..8
    int valueCount = 0; // 1..128
    std::array<std::uint8_t, synth::kWaveTableMaxSize> values{};
};

// The record and token patterns, built once.
const RecordSyntax& waveTableSyntax();

std::vector<WaveTableRecord> parseWaveTableText(std::string_view text);
// Sets each record's bit depth and the first tableSize entries of its table;
// entries the record gives no value for become silence. Allocates nothing.
void applyWaveTableRecords(synth::SynthesizerWT& engine, const std::vector<WaveTableRecord>& records,
                           WaveTableBitDepths& bitDepths);
// Header line and all 128 tables at their bit depths.
void writeWaveTableText(std::ostream& out, const synth::SynthesizerWT& engine, const WaveTableBitDepths& bitDepths);

} // namespace kest::tolvane::formats
