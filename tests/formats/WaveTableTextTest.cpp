// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TestEngine.h"
#include "WaveTableText.h"

namespace kest::tolvane::formats {
namespace {

class WaveTableText : public ::testing::Test {
protected:
    void apply(const std::string& text) { applyWaveTableRecords(*engine, parseWaveTableText(text), depths); }
    int entry(int table, int i) const { return engine->waveTable(table)[i]; }
    int wave(int value) const { return engine->waveValueLog(value); }

    std::unique_ptr<synth::SynthesizerWT> engine = test::makeEngine();
    WaveTableBitDepths depths = [] {
        WaveTableBitDepths d;
        d.fill(8);
        return d;
    }();
};

TEST_F(WaveTableText, ValuesAtTheirBitDepth)
{
    apply("@:2 4 0f 1F 08 00\n");
    EXPECT_EQ(depths[2], 4);
    EXPECT_EQ(entry(2, 0), wave(0xF0));
    EXPECT_EQ(entry(2, 1), wave(0xF0)); // bits above the depth are lost
    EXPECT_EQ(entry(2, 2), wave(0x80));
    EXPECT_EQ(entry(2, 3), wave(0x00));
    apply("@:3 8 aB Ab\n");
    EXPECT_EQ(entry(3, 0), wave(0xAB));
    EXPECT_EQ(entry(3, 1), wave(0xAB));
}

TEST_F(WaveTableText, EntriesWithoutAValueBecomeSilenceUpToTheTableSize)
{
    engine->waveTable(4)[40] = 12345;
    apply("@:4 8 ff\n");
    EXPECT_EQ(entry(4, 0), wave(0xFF));
    EXPECT_EQ(entry(4, 1), 8192);
    EXPECT_EQ(entry(4, 31), 8192);
    EXPECT_EQ(entry(4, 40), 12345); // beyond tableSize 32: untouched
}

TEST_F(WaveTableText, RecordEndsAtAThreeDigitValueOrAfter128Values)
{
    apply("@:5 8 10 123 40\n");
    EXPECT_EQ(entry(5, 0), wave(0x10));
    EXPECT_EQ(entry(5, 1), wave(0x12));
    EXPECT_EQ(entry(5, 2), 8192);

    std::string line = "@:6 8";
    for (int i = 0; i < 129; ++i)
        line += " 01";
    const auto records = parseWaveTableText(line + "\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].valueCount, 128);
}

TEST_F(WaveTableText, BadDepthsAndTableNumbersAreSkipped)
{
    for (const char* line :
         {"@:1 0 80\n", "@:1 9 80\n", "@:1 18 80\n", "@:128 8 80\n", "@:1 8\n", "@:99999999999 8 80\n"})
        EXPECT_TRUE(parseWaveTableText(line).empty()) << line;
    apply("@:127 3 07\n");
    EXPECT_EQ(depths[127], 3);
}

TEST_F(WaveTableText, DefaultSineExportAndDepthRoundTrip)
{
    std::ostringstream out;
    writeWaveTableText(out, *engine, depths);
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, text.find('\n') + 1),
              "# @:WaveTableNum(0-127), BitDepth(WaveValue)[1-8], Value[HexCode 00h(-128) ~ 80h(0) ~ FFh(127)](By 8 "
              "Bit) * 1~128\n");
    EXPECT_NE(text.find("\n@:0 8 80 98 b0 c6 d9 e9 f5 fc ff fc f5 "), std::string::npos);

    apply("@:7 4 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\n");
    std::ostringstream again;
    writeWaveTableText(again, *engine, depths);
    EXPECT_NE(again.str().find("\n@:7 4 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 08 08"), std::string::npos);
}

TEST_F(WaveTableText, WrittenFileReadsBackQuantisedToTheDepth)
{
    engine->setTableSize(128);
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        depths[static_cast<std::size_t>(t)] = 1 + t % 8;
        for (int i = 0; i < 128; ++i)
            engine->waveTable(t)[i] = wave((t * 37 + i * 11) & 0xFF);
    }
    std::ostringstream out;
    writeWaveTableText(out, *engine, depths);
    auto target = test::makeEngine();
    target->setTableSize(128);
    WaveTableBitDepths readDepths{};
    applyWaveTableRecords(*target, parseWaveTableText(out.str()), readDepths);
    EXPECT_EQ(readDepths, depths);
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        std::array<std::uint8_t, 128> a{}, b{};
        engine->exportWaveBytes(t, a.data(), 128, depths[static_cast<std::size_t>(t)]);
        target->exportWaveBytes(t, b.data(), 128, depths[static_cast<std::size_t>(t)]);
        ASSERT_EQ(a, b) << t;
    }
}

} // namespace
} // namespace kest::tolvane::formats
