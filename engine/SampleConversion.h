// SPDX-License-Identifier: GPL-3.0-or-later
// Conversion of PCM sample frames to the log codes a sample slot stores. Pure
// functions, so a caller can convert a file before it holds the audio thread off.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace kest::tolvane {

// Interleaved little-endian PCM of 8, 16, 24 or 32 bits per sample, signed or
// unsigned, scaled to -1..+1 and converted sample by sample. Returns nothing for
// any other width, a negative count or missing bytes.
std::optional<std::vector<std::int32_t>> pcmToLogCodes(const std::uint8_t* bytes, int frames, int channels,
                                                       int bitsPerSample, bool isSigned);

// 8-bit signed samples (v / 128), interleaved.
std::optional<std::vector<std::int32_t>> pcm8ToLogCodes(const std::int8_t* samples, int frames, int channels);

} // namespace kest::tolvane
