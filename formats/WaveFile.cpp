// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFile.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "FilePath.h"

namespace kest::tolvane::formats {

namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFormatFieldsSize = 16;

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t u32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool hasId(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Without channels or with samples narrower than a byte the frame count would divide by zero.
bool framesComputable(const WaveFile& w) { return w.channels > 0 && w.bitsPerSample >= 8; }

} // namespace

std::optional<std::vector<std::uint8_t>> readBinaryFile(const std::string& path)
{
    // A directory opens too and reports an end near 2^63, which would then be allocated.
    const std::filesystem::path file = pathFromUtf8(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open())
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return std::nullopt;
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return std::nullopt;
    return bytes;
}

WaveFile parseWave(std::span<const std::uint8_t> bytes)
{
    WaveFile w;
    const std::uint64_t size = bytes.size();
    const std::uint8_t* file = bytes.data();
    if (size < 16 || !hasId(file, "RIFF") || std::uint64_t{u32(file + 4)} + 8 != size || !hasId(file + 8, "WAVE"))
        return w;

    bool formatRead = false;
    std::uint64_t pos = 12;
    while (pos < size) {
        if (size - pos < kChunkHeaderSize)
            return WaveFile{};
        const std::uint8_t* chunk = file + pos;
        const std::uint64_t chunkSize = u32(chunk + 4);
        const std::uint64_t bodyEnd = pos + kChunkHeaderSize + chunkSize;
        std::uint64_t advance = kChunkHeaderSize + chunkSize;
        if (hasId(chunk, "fmt ")) {
            // A chunk too short for the six fields would make them come from the next chunk.
            if (chunkSize < kFormatFieldsSize || size - pos - kChunkHeaderSize < kFormatFieldsSize)
                return WaveFile{};
            w.formatTag = u16(chunk + 8);
            w.channels = u16(chunk + 10);
            w.sampleRate = u32(chunk + 12);
            w.byteRate = u32(chunk + 16);
            w.blockAlign = u16(chunk + 20);
            w.bitsPerSample = u16(chunk + 22);
            formatRead = true;
        } else if (hasId(chunk, "data")) {
            if (!formatRead || w.formatTag != 1 || bodyEnd > size || !framesComputable(w))
                return WaveFile{};
            w.hasData = true;
            w.dataSize = static_cast<std::uint32_t>(chunkSize);
            w.data =
                bytes.subspan(static_cast<std::size_t>(pos + kChunkHeaderSize), static_cast<std::size_t>(chunkSize));
        }
        if (chunkSize & 1)
            ++advance;
        pos += advance;
    }

    if (w.hasData) {
        // From the format in force at the end, so that a later "fmt " chunk can
        // never make the frames reach past the data.
        if (!framesComputable(w))
            return WaveFile{};
        const std::uint64_t frames = w.dataSize / (w.bitsPerSample / 8u) / w.channels;
        if (frames * w.channels > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return WaveFile{};
        w.frames = static_cast<std::int32_t>(frames);
    }
    w.valid = true;
    return w;
}

} // namespace kest::tolvane::formats
