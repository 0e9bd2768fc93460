// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "Adpcm.h"

namespace kest::tolvane::formats {
namespace {

TEST(Adpcm, SilenceAlternatesAroundZeroWithTheSmallestStep)
{
    AdpcmChannel encoder;
    std::vector<int> codes;
    for (int i = 0; i < 6; ++i) {
        codes.push_back(encoder.encode(0));
        EXPECT_EQ(encoder.step, 127); // 127 * 57 >> 6 = 113 is raised to 127
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 8, 0, 8, 0, 8}));

    AdpcmChannel decoder;
    std::vector<int> samples;
    for (int code : codes)
        samples.push_back(decoder.decode(code));
    EXPECT_EQ(samples, (std::vector<int>{15, -1, 14, -2, 13, -3}));
}

TEST(Adpcm, FullScaleInputClimbsAndLimits)
{
    AdpcmChannel encoder;
    AdpcmChannel decoder;
    const std::vector<int> steps = {303, 724, 1730, 4135, 9885, 23631};
    const std::vector<int> decoded = {238, 806, 2163, 5406, 13159, 31693};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const int code = encoder.encode(32767);
        ASSERT_EQ(code, 7);
        EXPECT_EQ(encoder.step, steps[i]);
        EXPECT_EQ(decoder.decode(code), decoded[i]);
    }
    const int seventh = encoder.encode(32767);
    EXPECT_EQ(seventh, 0);
    EXPECT_EQ(encoder.predictor, 34646); // the encoder's own predictor is not limited
    EXPECT_EQ(decoder.decode(seventh), 32767);
    for (int i = 0; i < 50; ++i) {
        encoder.encode(i % 2 ? 32767 : -32768);
        ASSERT_LE(encoder.step, 24576);
    }
}

TEST(Adpcm, PacksLowNibbleFirstAndStopsAtTheOutputLength)
{
    const std::vector<std::int16_t> silence(10, 0);
    std::vector<std::uint8_t> out(3, 0xEE);
    EXPECT_EQ(adpcmEncode(silence.data(), 1, 10, out.data(), 3), 3u);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x80, 0x80, 0x80}));

    std::vector<std::int16_t> samples(6, 99);
    EXPECT_EQ(adpcmDecode(out.data(), out.size(), 1, samples.data(), 5), 5u);
    EXPECT_EQ(samples, (std::vector<std::int16_t>{15, -1, 14, -2, 13, 99}));
    EXPECT_EQ(adpcmDecode(out.data(), out.size(), 3, samples.data(), 5), 0u);
    EXPECT_EQ(adpcmEncode(silence.data(), 0, 10, out.data(), 3), 0u);
}

TEST(Adpcm, StereoChannelsAreCodedIndependently)
{
    // Loud left, silent right: the right half of each byte must code silence.
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 400; ++i) {
        frames.push_back(static_cast<std::int16_t>(20000 * std::sin(i * 0.1)));
        frames.push_back(0);
    }
    std::vector<std::uint8_t> codes(400);
    ASSERT_EQ(adpcmEncode(frames.data(), 2, 400, codes.data(), codes.size()), 400u);
    std::vector<std::int16_t> decoded(800);
    ASSERT_EQ(adpcmDecode(codes.data(), codes.size(), 2, decoded.data(), decoded.size()), 800u);
    for (std::size_t i = 0; i < 400; ++i)
        ASSERT_LE(std::abs(decoded[2 * i + 1]), 16) << i;
    // And the left channel follows its signal once the step has adapted.
    for (std::size_t i = 50; i < 400; ++i)
        ASSERT_NEAR(decoded[2 * i], frames[2 * i], 4000) << i;
}

} // namespace
} // namespace kest::tolvane::formats
