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

// The longest sample a slot takes, in frames (6 min 20 s at 44.1 kHz). The
// editor's points travel as 32-bit floats, which hold every frame number only
// up to here.
inline constexpr std::int64_t kMaxSampleFrames = std::int64_t{1} << 24;

// Whether a slot can take the file's samples: a valid file of integer PCM with
// 1 or 2 channels and at most kMaxSampleFrames frames. False with `error` set
// to the reason when not (then the slot and its recorded source must stay as
// they are).
bool acceptsWave(const WaveFile& wave, std::string& error);

// Nothing when acceptsWave() refuses the file, the kind is none of the
// three or the converted samples do not fit in memory; then `error`, when
// given, says which.
std::optional<PreparedSample> prepareWaveImport(const WaveFile& wave, SampleSourceKind kind,
                                                std::string* error = nullptr);

// Reads the header first and only then the samples; nothing, with `error`
// set, when the file cannot be opened or read or acceptsWave() refuses it.
// A wrong file is refused from its first bytes and its size.
std::optional<PreparedSample> prepareWaveFile(const std::string& path, SampleSourceKind kind, std::string& error);

// What a file's header says, without reading its samples: for a saved
// project to compare with the sample it stored.
struct WaveProbe {
    bool opened = false;   // the path names a file that could be opened
    bool accepted = false; // and acceptsWave() takes it
    int frames = 0;
    int channels = 0;
    std::string reason; // why not, when not accepted
};
WaveProbe probeWaveFile(const std::string& path);

// Moves the samples into the slot: pitch 0, points reset to the whole sample,
// rate from the file. The caller suspends the synthesizer around it.
void installPreparedSample(synth::SynthesizerWT& engine, int slot, PreparedSample&& sample);

} // namespace kest::tolvane::formats
