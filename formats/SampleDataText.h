// SPDX-License-Identifier: GPL-3.0-or-later
// The sample-data parameters text format: playback range, loop and pitch of
// each sample slot, one "@:" record per slot. The samples come from WAV files.
#pragma once

#include <ostream>
#include <string_view>
#include <vector>

#include "RecordScanner.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

struct SampleDataRecord {
    int index = 0;
    int playBackStart = 0;
    int playBackEnd = 0;
    int loopStart = 0;
    int loopEnd = 0;
    float pitch = 0.0f;
};

// The record and token patterns, built once.
const RecordSyntax& sampleDataSyntax();

std::vector<SampleDataRecord> parseSampleDataText(std::string_view text);
// Applies each record against the slot's frames and the range in force;
// allocates nothing.
void applySampleDataRecords(synth::SynthesizerWT& engine, const std::vector<SampleDataRecord>& records);
void applySampleDataRecord(synth::SampleData& slot, const SampleDataRecord& record);
// Two header lines and all 128 slots.
void writeSampleDataText(std::ostream& out, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
