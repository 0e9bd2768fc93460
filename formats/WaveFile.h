// SPDX-License-Identifier: GPL-3.0-or-later
// The parsed view of a RIFF/WAVE file: its format and where its samples lie.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ByteSource.h"

namespace kest::tolvane::formats {

struct WaveFile {
    bool valid = false;  // a RIFF/WAVE file whose chunks all lie inside it
    std::string problem; // why not, when not valid
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::int32_t frames = 0;
    std::uint32_t dataSize = 0;
    bool hasData = false;
    std::uint64_t dataOffset = 0; // of the "data" chunk's body in the file
    // The "data" chunk's body, a view into the bytes that were parsed (empty
    // after readWaveHeader, which reads no samples).
    std::span<const std::uint8_t> data;
};

// Real files hold a handful of chunks; a walk through more is a damaged or a wrong file.
inline constexpr int kMaxWaveChunks = 1024;

// Walks the chunk headers (odd sizes padded, later "fmt " and "data" chunks
// replacing earlier ones), reading only the 12-byte RIFF header, the chunk
// headers and the "fmt " fields. The RIFF size must match the source's size;
// anything that would read outside it or divide by zero makes the file invalid.
WaveFile readWaveHeader(ByteSource& source);

// The same over bytes in memory, with `data` pointing into them.
WaveFile parseWave(std::span<const std::uint8_t> bytes);

// The whole file as raw bytes; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readBinaryFile(const std::string& path);

} // namespace kest::tolvane::formats
