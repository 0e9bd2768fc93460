// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleConversion.h"

#include <cstddef>

#include "LogCode.h"

namespace kest::tolvane {

namespace {

// One sample of the given width as a value in -1..+1.
double sampleValue(const std::uint8_t* p, int bytesPerSample, bool isSigned)
{
    switch (bytesPerSample) {
    case 1: return isSigned ? static_cast<std::int8_t>(p[0]) / 128.0 : (p[0] - 128) / 128.0;
    case 2: {
        const auto u = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
        return isSigned ? static_cast<std::int16_t>(u) / 32768.0 : (u - 32768) / 32768.0;
    }
    case 3: {
        const std::uint32_t u = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
        if (!isSigned)
            return (static_cast<double>(u) - 8388608.0) / 8388608.0;
        const std::int32_t s =
            (u & 0x800000u) ? static_cast<std::int32_t>(u) - 0x1000000 : static_cast<std::int32_t>(u);
        return s / 8388608.0;
    }
    default: {
        const std::uint32_t u =
            p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        if (!isSigned)
            return (static_cast<double>(u) - 2147483648.0) / 2147483648.0;
        return static_cast<std::int32_t>(u) / 2147483648.0;
    }
    }
}

bool validCounts(const void* data, int frames, int channels)
{
    return frames >= 0 && channels >= 1 && (data != nullptr || frames == 0);
}

} // namespace

std::optional<std::vector<std::int32_t>> pcmToLogCodes(const std::uint8_t* bytes, int frames, int channels,
                                                       int bitsPerSample, bool isSigned)
{
    if (bitsPerSample != 8 && bitsPerSample != 16 && bitsPerSample != 24 && bitsPerSample != 32)
        return std::nullopt;
    if (!validCounts(bytes, frames, channels))
        return std::nullopt;
    const int width = bitsPerSample / 8;
    const std::size_t samples = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
    std::vector<std::int32_t> codes(samples);
    for (std::size_t i = 0; i < samples; ++i)
        codes[i] = logCodeFromLinear(sampleValue(bytes + i * static_cast<std::size_t>(width), width, isSigned));
    return codes;
}

std::optional<std::vector<std::int32_t>> pcm8ToLogCodes(const std::int8_t* samples, int frames, int channels)
{
    if (!validCounts(samples, frames, channels))
        return std::nullopt;
    const std::size_t count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
    std::vector<std::int32_t> codes(count);
    for (std::size_t i = 0; i < count; ++i)
        codes[i] = logCodeFromLinear(samples[i] / 128.0);
    return codes;
}

} // namespace kest::tolvane
