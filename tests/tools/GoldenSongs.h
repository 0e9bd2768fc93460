// SPDX-License-Identifier: GPL-3.0-or-later
// The golden renders' songs and sample files (tests/golden/README.md), shared
// by the test that runs tolvane-render and the one that renders in process
// (which the WebAssembly build runs under Node).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MidiFileWriter.h"

namespace tolvane_test {

inline constexpr std::uint16_t kGoldenTicksPerQuarter = 480; // 120 bpm: 960 ticks per second

kest::tolvane::tools::MidiTrackWriter goldenToneSong();
kest::tolvane::tools::MidiTrackWriter goldenSamplerSong();
// The song as a format 0 file.
std::vector<std::uint8_t> goldenSongFile(const kest::tolvane::tools::MidiTrackWriter& track);

// A 16-bit PCM sample file of the sampler song, imported into its slot.
struct GoldenWave {
    int slot;
    std::string name;
    int rate;
    int channels;
    int frames;
    int seed;
    // Interleaved samples, easy to tell apart per channel and slot.
    std::vector<short> pcm() const;
};
const std::vector<GoldenWave>& goldenWaves();

// FNV-1a 64 over the bytes of the interleaved float samples, as 16 hex digits.
std::string goldenHash(const std::vector<float>& interleaved);
// name -> hash from render-hashes.txt in the folder.
std::string recordedGoldenHash(const std::string& goldenDir, const std::string& name);

} // namespace tolvane_test
