// SPDX-License-Identifier: GPL-3.0-or-later
// The parsed view of a RIFF/WAVE file held in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kest::tolvane::formats {

struct WaveFile {
    bool valid = false; // a RIFF/WAVE file whose chunks all lie inside it
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::int32_t frames = 0;
    std::uint32_t dataSize = 0;
    bool hasData = false;
    // The "data" chunk's body, a view into the bytes that were parsed.
    std::span<const std::uint8_t> data;
};

// The whole file as raw bytes; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readBinaryFile(const std::string& path);

// Walks the chunks (odd sizes padded, later "fmt " and "data" chunks replacing
// earlier ones). Anything that would read outside the bytes or divide by zero
// makes the file invalid.
WaveFile parseWave(std::span<const std::uint8_t> bytes);

} // namespace kest::tolvane::formats
