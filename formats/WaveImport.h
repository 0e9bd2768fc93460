// SPDX-License-Identifier: GPL-3.0-or-later
// WAV import into a sample slot in two steps: prepare (read, convert and code
// the samples; touches no engine state) and install (move the result into the
// slot; fast and allocation-free, run while the synthesizer is suspended).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FormatKinds.h"
#include "SynthesizerWT.h"
#include "WaveFile.h"

namespace kest::tolvane::formats {

struct PreparedSample {
    // False when the file's sample width has no conversion: the slot is then
    // emptied and only its rate is taken from the file.
    bool hasData = false;
    std::vector<std::int32_t> codes; // frames * channels log codes, interleaved
    int frames = 0;
    int channels = 0;
    float sampleRate = 0.0f;
};

// Nothing when the file is invalid, not integer PCM, or has not 1 or 2 channels
// (then the slot and its recorded source must stay as they are).
std::optional<PreparedSample> prepareWaveImport(const WaveFile& wave, SampleSourceKind kind);

// Reads the file whole and prepares it; nothing when it cannot be opened or is rejected.
std::optional<PreparedSample> prepareWaveFile(const std::string& path, SampleSourceKind kind);

// Moves the samples into the slot: pitch 0, points reset to the whole sample,
// rate from the file. The caller suspends the synthesizer around it.
void installPreparedSample(synth::SynthesizerWT& engine, int slot, PreparedSample&& sample);

} // namespace kest::tolvane::formats
