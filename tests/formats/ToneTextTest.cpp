// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TestEngine.h"
#include "ToneText.h"

namespace kest::tolvane::formats {
namespace {

const std::string kFields = " 1 2 3 3 5 6 7 8 9 10 11 12 3 14";

std::string name(const synth::TonePreset& t) { return std::string(t.presetName, 16); }

void importTones(synth::SynthesizerWT& engine, const std::string& text)
{
    applyToneRecords(engine, parseToneText(text));
}

TEST(ToneText, ReadsNameAndFourteenFieldsInFileOrder)
{
    auto engine = test::makeEngine();
    importTones(*engine, "@I:3 \"Bell 01,\"quoted\"\"" + kFields + "\n");
    const synth::TonePreset& t = engine->tone(3);
    EXPECT_EQ(name(t), "Bell 01,\"quoted\"");
    EXPECT_EQ(t.presetName[16], '\0');
    EXPECT_EQ((std::vector<int>{t.key, t.pan, t.lfoFreq, t.strc, t.tune, t.lms, t.wave, t.tl, t.ar, t.dr, t.sl, t.rr,
                                t.kf, t.kfStart}),
              (std::vector<int>{1, 2, 3, 3, 5, 6, 7, 8, 9, 10, 11, 12, 3, 14}));
}

TEST(ToneText, ReducesValuesByTheirMasks)
{
    auto engine = test::makeEngine();
    importTones(*engine, "@I:0 \"                \" 200 128 20000 7 16384 17 255 128 129 130 131 132 6 300\n");
    const synth::TonePreset& t = engine->tone(0);
    EXPECT_EQ(t.key, 72);
    EXPECT_EQ(t.pan, 0);
    EXPECT_EQ(t.lfoFreq, 3616);
    EXPECT_EQ(t.strc, 3);
    EXPECT_EQ(t.tune, 0);
    EXPECT_EQ(t.lms, 1);
    EXPECT_EQ(t.wave, 127);
    EXPECT_EQ(t.kf, 2);
    EXPECT_EQ(t.kfStart, 44);
}

TEST(ToneText, RecordNumbersSelectInstrumentAndPercussionTonesOnly)
{
    auto engine = test::makeEngine();
    importTones(*engine, "@I:255 \"last percussion \"" + kFields + "\n@I:300 \"too far          \"" + kFields +
                             "\n@I:256 \"too far          \"" + kFields + "\n");
    EXPECT_EQ(name(engine->tone(255)), "last percussion ");
    EXPECT_EQ(parseToneText("@I:300 \"too far         \"" + kFields).tones.size(), 0u);
    EXPECT_EQ(parseToneText("@I:256 \"too far         \"" + kFields).tones.size(), 0u);
}

TEST(ToneText, SeparatorsLinesAndExtraFields)
{
    // Commas, line breaks after any field, a 15th number, an indented start.
    const auto records = parseToneText("  \t@I:1,\"a               \",1,2,3,\n3\r\n5 6 7 8 9 10 11 12 3 14 15\n"
                                       "@I:2 \"b               \" 1 2 3 3 5 6 7 8 9 10 11 12 3\n14 and more\n")
                             .tones;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].fields[13], 14);
    EXPECT_EQ(records[1].index, 2);
    EXPECT_EQ(records[1].fields[13], 14); // a 13-number record takes the next line's number
}

TEST(ToneText, MalformedRecordsAreSkipped)
{
    const char* bad[] = {
        "@I:1 \"fifteen chars  \""
        " 1 2 3 3 5 6 7 8 9 10 11 12 3 14", // 15-character name
        "@I:1 \"seventeen chars  \""
        " 1 2 3 3 5 6 7 8 9 10 11 12 3 14", // 17-character name
        "@I:1 unquoted name    "
        " 1 2 3 3 5 6 7 8 9 10 11 12 3 14",
        "@I:1 \"negative number \" 1 2 -3 3 5 6 7 8 9 10 11 12 3 14",
        "@I:1 \"thirteen fields \" 1 2 3 3 5 6 7 8 9 10 11 12 3",
        "x @I:1 \"other character \" 1 2 3 3 5 6 7 8 9 10 11 12 3 14",
        "# @I:1 \"a comment line  \" 1 2 3 3 5 6 7 8 9 10 11 12 3 14",
        "\xEF\xBB\xBF@I:1 \"after a BOM     \" 1 2 3 3 5 6 7 8 9 10 11 12 3 14",
        "@I:1 \"too big number  \" 1 2 3 3 5 6 7 8 9 10 11 12 3 2147483648",
        "@I:4294967297 \"wraps to one    \" 1 2 3 3 5 6 7 8 9 10 11 12 3 14",
    };
    for (const char* line : bad)
        EXPECT_TRUE(parseToneText(std::string(line) + "\n").tones.empty()) << line;

    // A BOM costs only the first line's record.
    const auto records = parseToneText("\xEF\xBB\xBF@I:1 \"first           \"" + kFields +
                                       "\n@I:2 \"second          \"" + kFields + "\n")
                             .tones;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].index, 2);
}

TEST(ToneText, SkippedAndAbsentRecordsKeepTheirValues)
{
    auto engine = test::makeEngine();
    engine->tone(9).ar = 5;
    importTones(*engine, "# @I(Insturument) header only\n@I:9 \"bad\" 1 2 3\n");
    EXPECT_EQ(engine->tone(9).ar, 5);
    EXPECT_EQ(engine->tone(10).dr, 100);
}

TEST(ToneText, LaterRecordsOverwriteEarlierOnes)
{
    auto engine = test::makeEngine();
    importTones(*engine, "@I:5 \"first           \"" + kFields + "\n@I:5 \"second          \" 9" +
                             " 2 3 3 5 6 7 8 9 10 11 12 3 14\n");
    EXPECT_EQ(name(engine->tone(5)), "second          ");
    EXPECT_EQ(engine->tone(5).key, 9);
}

TEST(ToneText, WriterProducesTheHeaderAndDefaultLines)
{
    auto engine = test::makeEngine();
    std::ostringstream out;
    writeToneText(out, *engine);
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "# @I(Insturument) 0 ~ 255, presetName(16 ASCII Chars), key, pan, lfoFreq, strc, tune, lms, "
                    "wave, tl, ar, dr, sl, rr, kf, kfStart");
    std::getline(lines, line);
    EXPECT_EQ(line, "@I:0 \"                \" 64 64 2048 0 8192 0 0 0 127 100 0 120 0 48");
    int count = 1;
    while (std::getline(lines, line))
        ++count;
    EXPECT_EQ(count, 256);
}

TEST(ToneText, WrittenFileReadsBackUnchanged)
{
    auto source = test::makeEngine();
    for (int i = 0; i < synth::kToneCount; ++i) {
        synth::TonePreset& t = source->tone(i);
        const std::string n = ("tone " + std::to_string(i) + " \"x\",1234567890").substr(0, 16);
        std::copy_n(n.begin(), 16, t.presetName);
        t.key = i & 0x7F;
        t.lfoFreq = (i * 97) & 0x3FFF;
        t.tune = (i * 331) & 0x3FFF;
        t.kf = i & 3;
        t.kfStart = 127 - (i & 0x7F);
    }
    std::ostringstream out;
    writeToneText(out, *source);
    auto target = test::makeEngine();
    importTones(*target, out.str());
    for (int i = 0; i < synth::kToneCount; ++i) {
        const synth::TonePreset& a = source->tone(i);
        const synth::TonePreset& b = target->tone(i);
        ASSERT_EQ(name(a), name(b)) << i;
        ASSERT_EQ(std::tie(a.key, a.pan, a.lfoFreq, a.strc, a.tune, a.lms, a.wave, a.tl, a.ar, a.dr, a.sl, a.rr, a.kf,
                           a.kfStart),
                  std::tie(b.key, b.pan, b.lfoFreq, b.strc, b.tune, b.lms, b.wave, b.tl, b.ar, b.dr, b.sl, b.rr, b.kf,
                           b.kfStart))
            << i;
    }
}

} // namespace
} // namespace kest::tolvane::formats
