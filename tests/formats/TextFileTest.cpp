// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestEngine.h"
#include "TextFile.h"
#include "TextImport.h"

namespace kest::tolvane::formats {
namespace {

std::string tempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("tolvane_formats_" + name)).string();
}

TEST(TextFile, ReadsEveryLineEndedByOneLineFeed)
{
    const std::string path = tempPath("lines.txt");
    {
        std::ofstream out(path, std::ios::binary);
        out << "first\r\nsecond\n\nlast without end";
    }
    EXPECT_EQ(readTextFile(path), std::optional<std::string>("first\r\nsecond\n\nlast without end\n"));
    std::remove(path.c_str());
    EXPECT_FALSE(readTextFile(tempPath("does-not-exist.txt")).has_value());
}

TEST(TextFile, ExportThenImportThroughFilesForEveryKind)
{
    auto source = test::makeEngine();
    source->tone(200).tl = 33;
    source->samplerPreset(100).octv = 3;
    source->sampleData(0).setPitch(123.25f);
    WaveTableBitDepths depths;
    depths.fill(8);
    depths[9] = 2;

    auto target = test::makeEngine();
    WaveTableBitDepths readDepths;
    readDepths.fill(8);
    for (TextKind kind : {TextKind::Tone, TextKind::Sampler, TextKind::SampleData, TextKind::WaveTable}) {
        const std::string path = tempPath("kind" + std::to_string(static_cast<int>(kind)) + ".txt");
        ASSERT_TRUE(exportTextFile(path, kind, *source, depths));
        const auto text = readTextFile(path);
        ASSERT_TRUE(text.has_value());
        applyText(*target, parseText(kind, *text), readDepths);
        std::remove(path.c_str());
    }
    EXPECT_EQ(target->tone(200).tl, 33);
    EXPECT_EQ(target->samplerPreset(100).octv, 3);
    EXPECT_FLOAT_EQ(target->sampleData(0).pitch, 123.25f);
    EXPECT_EQ(readDepths[9], 2);
}

TEST(TextFile, ExportToAnUnwritablePathFails)
{
    auto engine = test::makeEngine();
    WaveTableBitDepths depths{};
    EXPECT_FALSE(exportTextFile("/nonexistent-dir/x/y.txt", TextKind::Tone, *engine, depths));
    // Opens fine, but every write fails as on a full disk.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(exportTextFile("/dev/full", TextKind::Tone, *engine, depths));
    }
}

} // namespace
} // namespace kest::tolvane::formats
