// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFile.h"

#include <cstring>
#include <limits>
#include <utility>

namespace kest::tolvane::formats {

namespace {

constexpr std::size_t kRiffHeaderSize = 12;
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

WaveFile invalid(std::string problem)
{
    WaveFile w;
    w.problem = std::move(problem);
    return w;
}

// What the importer says of a format it does not take: the common ones by name.
std::string notIntegerPcm(std::uint16_t formatTag)
{
    switch (formatTag) {
    case 3: return "not integer PCM but floating point";
    case 0xFFFE: return "not plain integer PCM (WAVE_FORMAT_EXTENSIBLE)";
    default: return "not integer PCM (format " + std::to_string(formatTag) + ")";
    }
}

} // namespace

WaveFile readWaveHeader(ByteSource& source)
{
    WaveFile w;
    const std::uint64_t size = source.size();
    std::uint8_t riff[kRiffHeaderSize];
    if (size < 16 || !source.readAt(0, riff, sizeof riff) || !hasId(riff, "RIFF") || !hasId(riff + 8, "WAVE"))
        return invalid("not a WAV file (no RIFF/WAVE header)");
    if (std::uint64_t{u32(riff + 4)} + 8 != size)
        return invalid("not a whole WAV file (its RIFF size does not match the file's size)");

    bool formatRead = false;
    int chunks = 0;
    std::uint64_t pos = kRiffHeaderSize;
    while (pos < size) {
        std::uint8_t header[kChunkHeaderSize];
        if (size - pos < kChunkHeaderSize || !source.readAt(pos, header, sizeof header))
            return invalid("a damaged WAV file (a chunk runs past its end)");
        if (++chunks > kMaxWaveChunks)
            return invalid("a damaged WAV file (too many chunks)");
        const std::uint64_t chunkSize = u32(header + 4);
        const std::uint64_t bodyEnd = pos + kChunkHeaderSize + chunkSize;
        if (hasId(header, "fmt ")) {
            // A chunk too short for the six fields would make them come from the next chunk.
            std::uint8_t fields[kFormatFieldsSize];
            if (chunkSize < kFormatFieldsSize || !source.readAt(pos + kChunkHeaderSize, fields, sizeof fields))
                return invalid("a damaged WAV file (its format chunk is too short)");
            w.formatTag = u16(fields);
            w.channels = u16(fields + 2);
            w.sampleRate = u32(fields + 4);
            w.byteRate = u32(fields + 8);
            w.blockAlign = u16(fields + 12);
            w.bitsPerSample = u16(fields + 14);
            formatRead = true;
        } else if (hasId(header, "data")) {
            if (!formatRead)
                return invalid("a damaged WAV file (its samples come before its format)");
            if (w.formatTag != 1)
                return invalid(notIntegerPcm(w.formatTag));
            if (bodyEnd > size)
                return invalid("a damaged WAV file (a chunk runs past its end)");
            if (!framesComputable(w))
                return invalid("a damaged WAV file (no channels, or samples narrower than a byte)");
            w.hasData = true;
            w.dataSize = static_cast<std::uint32_t>(chunkSize);
            w.dataOffset = pos + kChunkHeaderSize;
        }
        pos += kChunkHeaderSize + chunkSize + (chunkSize & 1);
    }

    if (w.hasData) {
        // From the format in force at the end, so that a later "fmt " chunk can
        // never make the frames reach past the data.
        if (!framesComputable(w))
            return invalid("a damaged WAV file (no channels, or samples narrower than a byte)");
        const std::uint64_t frames = w.dataSize / (w.bitsPerSample / 8u) / w.channels;
        if (frames * w.channels > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return invalid("a damaged WAV file (more samples than it can hold)");
        w.frames = static_cast<std::int32_t>(frames);
    }
    w.valid = true;
    return w;
}

WaveFile parseWave(std::span<const std::uint8_t> bytes)
{
    MemorySource source(bytes);
    WaveFile w = readWaveHeader(source);
    if (w.valid && w.hasData)
        w.data = bytes.subspan(static_cast<std::size_t>(w.dataOffset), w.dataSize);
    return w;
}

std::optional<std::vector<std::uint8_t>> readBinaryFile(const std::string& path)
{
    FileSource file;
    std::string ignored;
    if (!file.open(path, ignored))
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    if (!file.readAt(0, bytes.data(), bytes.size()))
        return std::nullopt;
    return bytes;
}

} // namespace kest::tolvane::formats
