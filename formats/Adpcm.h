// SPDX-License-Identifier: GPL-3.0-or-later
// The 4-bit ADPCM coder that the "ADPCM encode" WAV import passes samples
// through, so that a slot holds them as they sound after coding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kest::tolvane::formats {

// Coder state of one channel.
struct AdpcmChannel {
    static constexpr int kMinStep = 127;
    static constexpr int kMaxStep = 24576;

    std::int32_t predictor = 0;
    std::int32_t step = kMinStep;

    // Codes one sample (bit 3 the sign); the encoder does not limit its predictor.
    int encode(std::int32_t sample);
    // Decodes one code to a sample, the predictor limited to 16 bits.
    std::int16_t decode(int code);
};

// Codes channels * frames interleaved samples, two codes a byte (first in the
// low four bits). Stops when all are coded or outLength bytes are written;
// returns the number of bytes written. channels must be 1 or 2.
std::size_t adpcmEncode(const std::int16_t* samples, int channels, int frames, std::uint8_t* out,
                        std::size_t outLength);

// Decodes the low then the high four bits of each byte, up to sampleCount
// samples; returns the number written. channels must be 1 or 2.
std::size_t adpcmDecode(const std::uint8_t* codes, std::size_t codeLength, int channels, std::int16_t* samples,
                        std::size_t sampleCount);

} // namespace kest::tolvane::formats
