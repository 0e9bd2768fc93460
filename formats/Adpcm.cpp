// SPDX-License-Identifier: GPL-3.0-or-later
#include "Adpcm.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace kest::tolvane::formats {

namespace {

constexpr std::array<std::int32_t, 16> kMultiplier = {1, 3, 5, 7, 9, 11, 13, 15, -1, -3, -5, -7, -9, -11, -13, -15};
constexpr std::array<std::int32_t, 8> kStepFactor = {57, 57, 57, 57, 77, 102, 128, 153};

std::int32_t nextStep(std::int32_t step, int code)
{
    return std::clamp((step * kStepFactor[static_cast<std::size_t>(code & 7)]) >> 6, AdpcmChannel::kMinStep,
                      AdpcmChannel::kMaxStep);
}

bool supportedChannels(int channels) { return channels == 1 || channels == 2; }

} // namespace

int AdpcmChannel::encode(std::int32_t sample)
{
    const std::int32_t d = sample - predictor;
    int code = std::min((4 * std::abs(d)) / step, 7);
    if (d < 0)
        code += 8;
    // >> of a negative value is an arithmetic shift (toward minus infinity).
    predictor += (step * kMultiplier[static_cast<std::size_t>(code)]) >> 3;
    step = nextStep(step, code);
    return code;
}

std::int16_t AdpcmChannel::decode(int code)
{
    code &= 0xF;
    predictor = std::clamp(predictor + ((step * kMultiplier[static_cast<std::size_t>(code)]) >> 3), -32768, 32767);
    step = nextStep(step, code);
    return static_cast<std::int16_t>(predictor);
}

std::size_t adpcmEncode(const std::int16_t* samples, int channels, int frames, std::uint8_t* out, std::size_t outLength)
{
    if (!supportedChannels(channels) || frames <= 0 || samples == nullptr || out == nullptr)
        return 0;
    AdpcmChannel state[2];
    const std::size_t total = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
    std::size_t written = 0;
    for (std::size_t i = 0; i < total; i += 2) {
        if (written == outLength)
            break;
        // Stereo pairs are one frame: left in the low bits, right in the high bits.
        const int low = state[0].encode(samples[i]);
        const int high = i + 1 < total ? state[channels - 1].encode(samples[i + 1]) : 0;
        out[written++] = static_cast<std::uint8_t>(low | (high << 4));
    }
    return written;
}

std::size_t adpcmDecode(const std::uint8_t* codes, std::size_t codeLength, int channels, std::int16_t* samples,
                        std::size_t sampleCount)
{
    if (!supportedChannels(channels) || codes == nullptr || samples == nullptr)
        return 0;
    AdpcmChannel state[2];
    std::size_t written = 0;
    for (std::size_t i = 0; i < codeLength && written < sampleCount; ++i) {
        samples[written++] = state[0].decode(codes[i] & 0xF);
        if (written < sampleCount)
            samples[written++] = state[channels - 1].decode(codes[i] >> 4);
    }
    return written;
}

} // namespace kest::tolvane::formats
