// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "WaveBuilder.h"
#include "WaveFile.h"

namespace kest::tolvane::formats {
namespace {

using test::WaveBuilder;

TEST(WaveFile, ReadingSomethingOtherThanAFileYieldsNothing)
{
    // A directory (say, a stored sample path that became one) must not be read as a huge file.
    EXPECT_FALSE(readBinaryFile(std::filesystem::temp_directory_path().string()).has_value());
    EXPECT_FALSE(readBinaryFile("/nonexistent-dir/sample.wav").has_value());
}

TEST(WaveFile, ReadsFormatAndFrames)
{
    const auto mono = WaveBuilder().format(1, 1, 22050, 16).samples({1, -2, 3, 4, 5}, 16).build();
    const WaveFile w = parseWave(mono);
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.formatTag, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.sampleRate, 22050u);
    EXPECT_EQ(w.byteRate, 44100u);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.bitsPerSample, 16);
    EXPECT_EQ(w.dataSize, 10u);
    EXPECT_EQ(w.frames, 5);
    ASSERT_TRUE(w.hasData);
    EXPECT_EQ(w.data.size(), 10u);
    EXPECT_EQ(w.data[2], 0xFE);

    const auto stereo = WaveBuilder().format(1, 2, 48000, 24).samples({1, 2, 3, 4, 5, 6}, 24).build();
    EXPECT_EQ(parseWave(stereo).frames, 3);
}

TEST(WaveFile, OddChunksArePadded)
{
    // An odd LIST chunk before the data, an odd 8-bit data chunk before another chunk.
    const auto bytes = WaveBuilder()
                           .format(1, 1, 8000, 8)
                           .chunk("LIST", {'I', 'N', 'F', 'O', 'x'})
                           .samples({10, 20, 30}, 8)
                           .chunk("junk", {1, 2, 3})
                           .build();
    const WaveFile w = parseWave(bytes);
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.frames, 3);
    EXPECT_EQ(w.data[0], 10);
    EXPECT_EQ(w.data[2], 30);
}

TEST(WaveFile, RejectsWhatIsNotAnExactRiffWave)
{
    const WaveBuilder good = WaveBuilder().format(1, 1, 44100, 16).samples({0, 0}, 16);
    EXPECT_TRUE(parseWave(good.build()).valid);
    EXPECT_FALSE(parseWave(good.build(1)).valid);
    EXPECT_FALSE(parseWave(good.build(-1)).valid);
    auto notWave = good.build();
    notWave[8] = 'A';
    EXPECT_FALSE(parseWave(notWave).valid);
    auto notRiff = good.build();
    notRiff[0] = 'X';
    EXPECT_FALSE(parseWave(notRiff).valid);
    EXPECT_FALSE(parseWave(std::vector<std::uint8_t>{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}).valid);
    EXPECT_FALSE(parseWave({}).valid);
}

TEST(WaveFile, RejectsDataWithoutAPcmFormatInForce)
{
    EXPECT_FALSE(parseWave(WaveBuilder().samples({0}, 16).format(1, 1, 44100, 16).build()).valid);
    EXPECT_FALSE(parseWave(WaveBuilder().format(0xFFFE, 2, 44100, 16).samples({0, 0}, 16).build()).valid);
    EXPECT_FALSE(parseWave(WaveBuilder().format(3, 1, 44100, 32).samples({0}, 32).build()).valid);
    EXPECT_FALSE(parseWave(WaveBuilder().format(1, 0, 44100, 16).samples({0}, 16).build()).valid);
    EXPECT_FALSE(parseWave(WaveBuilder().format(1, 1, 44100, 4).samples({0}, 8).build()).valid);
    EXPECT_FALSE(parseWave(WaveBuilder().format(1, 1, 44100, 0).samples({0}, 8).build()).valid);
    // A format chunk too short for its six fields.
    EXPECT_FALSE(
        parseWave(WaveBuilder().chunk("fmt ", {1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0, 0, 0, 0, 2, 0}).build()).valid);
}

TEST(WaveFile, RejectsChunksRunningPastTheEnd)
{
    // A truncated chunk header.
    EXPECT_FALSE(parseWave(WaveBuilder().format(1, 1, 44100, 16).raw({'d', 'a', 't', 'a', 2, 0}).build()).valid);
    // A data body longer than the file.
    EXPECT_FALSE(
        parseWave(WaveBuilder().format(1, 1, 44100, 16).raw({'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 1, 2}).build())
            .valid);
    // A format chunk cut short by the end of the file.
    EXPECT_FALSE(parseWave(WaveBuilder().raw({'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0}).build()).valid);
    // An unknown chunk claiming 4 GB simply ends the walk.
    const WaveFile w =
        parseWave(WaveBuilder().format(1, 1, 44100, 16).raw({'L', 'I', 'S', 'T', 0xFF, 0xFF, 0xFF, 0xFF}).build());
    EXPECT_TRUE(w.valid);
    EXPECT_FALSE(w.hasData);
}

TEST(WaveFile, LaterChunksReplaceEarlierOnes)
{
    // The parsed file points into the bytes, so they must outlive it.
    const auto bytes =
        WaveBuilder().format(1, 1, 44100, 8).samples({1, 2, 3, 4}, 8).samples({5, 6}, 8).format(1, 2, 8000, 8).build();
    const WaveFile w = parseWave(bytes);
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.sampleRate, 8000u);
    EXPECT_EQ(w.dataSize, 2u);
    EXPECT_EQ(w.data[0], 5);
    EXPECT_EQ(w.frames, 1); // counted with the final format, so the frames never exceed the data
}

TEST(WaveFile, FileWithoutDataIsValidAndEmpty)
{
    const WaveFile w = parseWave(WaveBuilder().format(1, 1, 44100, 16).build());
    EXPECT_TRUE(w.valid);
    EXPECT_FALSE(w.hasData);
    EXPECT_EQ(w.frames, 0);
}

} // namespace
} // namespace kest::tolvane::formats
