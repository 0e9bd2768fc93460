// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "PresetFileBytes.h"
#include "VstPresetReader.h"

using namespace kest::tolvane::tools;

namespace {

const std::vector<std::uint8_t> kState{1, 2, 3, 4, 5, 6, 7, 8, 9};

std::optional<VstPresetContents> parse(const std::vector<std::uint8_t>& bytes)
{
    std::string error;
    auto contents = parseVstPreset(bytes, error);
    EXPECT_EQ(contents.has_value(), error.empty()) << error;
    return contents;
}

} // namespace

TEST(VstPresetReader, FindsTheComponentStateAndClassId)
{
    const auto contents = parse(tolvane_test::presetFileBytes(kTolvaneProcessorClassId, kState));
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->classId, kTolvaneProcessorClassId);
    EXPECT_EQ(contents->component, kState);
    // An empty state is still a state.
    const auto empty = parse(tolvane_test::presetFileBytes(kTolvaneProcessorClassId, {}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->component.empty());
}

TEST(VstPresetReader, EveryCutShortFileIsRefused)
{
    const auto whole = tolvane_test::presetFileBytes(kTolvaneProcessorClassId, kState);
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_FALSE(parse({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)})) << size;
}

TEST(VstPresetReader, OffsetsAndCountsOutsideTheFileAreRefused)
{
    const auto good = tolvane_test::presetFileBytes(kTolvaneProcessorClassId, kState);
    const std::size_t listAt = good.size() - 28;
    auto patch = [&](std::size_t at, std::uint64_t value, int size) {
        auto bytes = good;
        for (int i = 0; i < size; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return bytes;
    };
    EXPECT_FALSE(parse(patch(40, ~0ull, 8)));                // chunk list offset
    EXPECT_FALSE(parse(patch(40, 8, 8)));                    // list offset at no 'List'
    EXPECT_FALSE(parse(patch(listAt + 4, 0x7fffffff, 4)));   // entry count
    EXPECT_FALSE(parse(patch(listAt + 12, ~0ull - 2, 8)));   // chunk offset wraps around
    EXPECT_FALSE(parse(patch(listAt + 20, good.size(), 8))); // chunk size
    EXPECT_FALSE(parse(patch(listAt + 20, ~0ull, 8)));
    EXPECT_FALSE(parse(patch(listAt + 8, 0x74736f4e, 4))); // no 'Comp' entry
    EXPECT_FALSE(parse(patch(4, 0, 4)));                   // version 0
    auto wrongMagic = good;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(parse(wrongMagic));
}

TEST(VstPresetReader, TheWriterMakesTheFilesHostsMake)
{
    const auto written = encodeVstPreset(kTolvaneProcessorClassId, kState);
    EXPECT_EQ(written, tolvane_test::presetFileBytes(kTolvaneProcessorClassId, kState));
    std::string error;
    const auto read = parseVstPreset(written, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->component, kState);
}
