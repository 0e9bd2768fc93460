// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "SamplerText.h"
#include "TestEngine.h"

namespace kest::tolvane::formats {
namespace {

TEST(SamplerText, ReadsAndMasksTheNineFields)
{
    auto engine = test::makeEngine();
    applySamplerRecords(*engine, parseSamplerText("@S:127 \"Kick 909        \" 130 1 20 16384 5 6 7 8 9\n"));
    const synth::SamplerPreset& s = engine->samplerPreset(127);
    EXPECT_EQ(std::string(s.presetName, 16), "Kick 909        ");
    EXPECT_EQ(std::tie(s.smplNum, s.pan, s.octv, s.tune, s.tl, s.ar, s.dr, s.sl, s.rr),
              std::make_tuple(2, 1, 4, 0, 5, 6, 7, 8, 9));
}

TEST(SamplerText, SkipsOutOfRangeShortAndForeignRecords)
{
    EXPECT_TRUE(parseSamplerText("@S:128 \"out of range    \" 1 2 3 4 5 6 7 8 9\n").empty());
    EXPECT_TRUE(parseSamplerText("@S:1 \"eight fields    \" 1 2 3 4 5 6 7 8\n").empty());
    EXPECT_TRUE(parseSamplerText("@I:1 \"a tone record   \" 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n").empty());
    // The next line's number completes a record with only eight.
    const auto records = parseSamplerText("@S:1 \"eight fields    \" 1 2 3 4 5 6 7 8\n9\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fields[8], 9);
}

TEST(SamplerText, WriterFormatAndReadBack)
{
    auto source = test::makeEngine();
    std::ostringstream defaults;
    writeSamplerText(defaults, *source);
    EXPECT_EQ(defaults.str().substr(0, defaults.str().find('\n', defaults.str().find('\n') + 1) + 1),
              "# @S(Sampler) 0 ~ 127, presetName(16 ASCII Chars), smplNum, pan, octv, tune, tl, ar, dr, sl, rr\n"
              "@S:0 \"                \" 0 64 8 8192 0 127 0 127 120\n");

    for (int i = 0; i < synth::kSamplerPresetCount; ++i) {
        synth::SamplerPreset& s = source->samplerPreset(i);
        const std::string n = ("smp" + std::to_string(i * 7919) + "    \"\"  ,,        ").substr(0, 16);
        std::copy_n(n.begin(), 16, s.presetName);
        s.smplNum = 127 - i;
        s.octv = i & 0xF;
        s.tune = (i * 129) & 0x3FFF;
        s.rr = i;
    }
    std::ostringstream out;
    writeSamplerText(out, *source);
    auto target = test::makeEngine();
    applySamplerRecords(*target, parseSamplerText(out.str()));
    for (int i = 0; i < synth::kSamplerPresetCount; ++i) {
        const synth::SamplerPreset& a = source->samplerPreset(i);
        const synth::SamplerPreset& b = target->samplerPreset(i);
        ASSERT_EQ(std::string(a.presetName, 16), std::string(b.presetName, 16));
        ASSERT_EQ(std::tie(a.smplNum, a.pan, a.octv, a.tune, a.tl, a.ar, a.dr, a.sl, a.rr),
                  std::tie(b.smplNum, b.pan, b.octv, b.tune, b.tl, b.ar, b.dr, b.sl, b.rr));
    }
}

} // namespace
} // namespace kest::tolvane::formats
