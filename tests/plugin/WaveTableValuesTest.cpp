// SPDX-License-Identifier: GPL-3.0-or-later
// Wavetable page (0x50) and point edits (0x51): selection, size, bit depth,
// generator figures and transforms, and that nothing is written past the table.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>
#include <set>

#include "CoreTestSupport.h"
#include "WaveShapes.h"

namespace kest::tolvane::plugin::testing {
namespace {

class WaveTableValues : public ContextTest {
protected:
    std::array<int, 128> table(int depth = 8)
    {
        std::array<int, 128> values{};
        context.synth->exportWaveInts(context.currentWaveTable, values.data(), 128, depth);
        return values;
    }
    // Fills the current table with a ramp 0, 2, 4, ... at depth 8.
    void writeRamp()
    {
        for (int i = 0; i < 128; ++i)
            apply(ids::wavePoint::kFirst | i, static_cast<float>(2 * i) / 255.0f);
    }
    void setPeriod(int period) { apply(ids::waveTable::kGeneratorPeriod, static_cast<float>(period) / 256.0f); }
};

TEST_F(WaveTableValues, PointEditsRoundTripThroughTheEngine)
{
    writeRamp();
    const auto values = table();
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], 2 * i) << i;
    // Sample 127 is outside a 32-entry table but is still stored.
    EXPECT_FLOAT_EQ(apply(ids::wavePoint::id(127), 1.0f), 1.0f);
    EXPECT_EQ(table()[127], 255);
}

TEST_F(WaveTableValues, SelectionSizeAndLevel)
{
    context.waveTableBitDepth[127] = 3;
    EXPECT_FLOAT_EQ(apply(ids::waveTable::kSelect, 1.0f), 1.0f);
    EXPECT_EQ(context.currentWaveTable, 127);
    EXPECT_EQ(context.currentBitDepth, 3);
    EXPECT_EQ(context.currentBitMask, 7);

    EXPECT_NEAR(apply(ids::waveTable::kGeneratorLevel, 0.5f), 4.0f / 7.0f, 1e-6);
    EXPECT_NEAR(context.generatorLevel, 0.5714f, 1e-4);

    EXPECT_FLOAT_EQ(apply(ids::waveTable::kGeneratorPeriod, 1.0f), 1.0f);
    EXPECT_EQ(context.generatorPeriod, 256);

    EXPECT_FLOAT_EQ(apply(ids::waveTable::kSizeMenu, 0.6f), 0.6f);
    EXPECT_EQ(context.waveTableSize, 32);
    apply(ids::waveTable::kSizeMenu, 1.0f);
    EXPECT_EQ(context.waveTableSize, 128);
    EXPECT_EQ(context.synth->tableSize, 128);
    apply(ids::waveTable::kSizeMenu, 0.0f);
    EXPECT_EQ(context.waveTableSize, 8);
    EXPECT_EQ(context.synth->tableSize, 8);
}

TEST_F(WaveTableValues, SineFiguresAtFullLevel)
{
    setPeriod(32);
    EXPECT_FLOAT_EQ(apply(ids::waveTable::kSine, 1.0f), 1.0f);
    const auto values = table();
    EXPECT_EQ(values[0], 128);
    EXPECT_EQ(values[8], 255);
    EXPECT_EQ(values[24], 1);
}

TEST_F(WaveTableValues, SquareOverATableShorterThanHalfItsPeriod)
{
    setPeriod(64);
    apply(ids::waveTable::kSquare, 1.0f);
    const auto values = table();
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], 255) << i;
}

TEST_F(WaveTableValues, GeneratorsLeaveSamplesBeyondTheirPeriod)
{
    apply(ids::waveTable::kSizeMenu, 1.0f); // 128 entries
    writeRamp();
    setPeriod(16);
    apply(ids::waveTable::kFlat, 1.0f); // flat
    const auto values = table();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], 255);
    for (int i = 16; i < 128; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], 2 * i) << i;

    setPeriod(0);
    const auto before = table();
    for (int id = ids::waveTable::kSine; id <= ids::waveTable::kNoise; ++id)
        apply(id, 1.0f);
    EXPECT_EQ(table(), before) << "period 0 generates nothing";
}

TEST_F(WaveTableValues, TransformsWorkOnTheTableSizeOnly)
{
    writeRamp();
    apply(ids::waveTable::kInvert, 1.0f); // invert
    auto values = table();
    EXPECT_EQ(values[0], 255);
    EXPECT_EQ(values[31], 255 - 62);
    EXPECT_EQ(values[32], 64) << "beyond the table size nothing changes";

    writeRamp();
    apply(ids::waveTable::kReverse, 1.0f); // reverse
    values = table();
    EXPECT_EQ(values[0], 62);
    EXPECT_EQ(values[31], 0);

    writeRamp();
    apply(ids::waveTable::kRotateLeft, 1.0f); // rotate left
    values = table();
    EXPECT_EQ(values[0], 2);
    EXPECT_EQ(values[31], 0);

    writeRamp();
    apply(ids::waveTable::kRotateRight, 1.0f); // rotate right
    values = table();
    EXPECT_EQ(values[0], 62);
    EXPECT_EQ(values[1], 0);
    EXPECT_EQ(values[32], 64);
}

TEST_F(WaveTableValues, BitDepthRequantisesAndLosesDetail)
{
    writeRamp();
    EXPECT_FLOAT_EQ(apply(ids::waveTable::kBitDepthMenu, 0.0f), 0.0f);
    EXPECT_EQ(context.waveTableBitDepth[0], 1);
    EXPECT_EQ(context.currentBitDepth, 1);
    EXPECT_EQ(context.currentBitMask, 1);
    auto values = table();
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(values[static_cast<std::size_t>(i)] == 0 || values[static_cast<std::size_t>(i)] == 128) << i;

    apply(ids::waveTable::kBitDepthMenu, 1.0f);
    EXPECT_EQ(context.currentBitDepth, 8);
    values = table();
    const auto levels = std::count_if(values.begin(), values.begin() + 32, [](int v) { return v != 0 && v != 128; });
    EXPECT_EQ(levels, 0) << "going back to 8 bits does not restore the detail";
}

TEST(WaveShapes, TriangleStartsAtThePeakAQuarterIn)
{
    std::array<int, 32> values{};
    generateTriangle(values.data(), {32, 32, 8, 255});
    EXPECT_EQ(values[8], 255);
    EXPECT_EQ(values[24], 1);
    EXPECT_EQ(values[0], 128);
    EXPECT_EQ(values[16], 128);
    EXPECT_TRUE(std::is_sorted(values.begin() + 24, values.end())) << "rises again after the trough";
}

TEST(WaveShapes, TriangleWithAHugePeriodStaysInsideTheTable)
{
    std::array<int, 40> values{};
    values.fill(-1);
    generateTriangle(values.data(), {8, 256, 8, 255});
    for (int i = 8; i < 40; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], -1) << i;
    for (int i = 0; i < 8; ++i)
        EXPECT_GE(values[static_cast<std::size_t>(i)], 0) << i;
}

TEST(WaveShapes, SawFallsThroughTheMiddleAndSquareUsesTheMirrorLevel)
{
    std::array<int, 32> values{};
    generateSaw(values.data(), {32, 32, 8, 255});
    EXPECT_EQ(values[0], 255);
    EXPECT_EQ(values[16], 128);
    EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));

    generateSquare(values.data(), {32, 32, 4, 12});
    EXPECT_EQ(values[15], 12);
    EXPECT_EQ(values[16], 16 - 12 - 1);
}

TEST(WaveShapes, NoiseContinuesTheLibrarySequenceAndStaysInRange)
{
    std::array<int, 64> first{}, second{};
    std::srand(7);
    generateNoise(first.data(), {64, 64, 8, 255});
    std::srand(7);
    generateNoise(second.data(), {64, 64, 8, 255});
    EXPECT_EQ(first, second);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [](int v) { return v >= 0 && v <= 255; }));
    EXPECT_GT(std::set<int>(first.begin(), first.end()).size(), 10u);
}

} // namespace
} // namespace kest::tolvane::plugin::testing
