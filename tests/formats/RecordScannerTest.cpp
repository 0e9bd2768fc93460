// SPDX-License-Identifier: GPL-3.0-or-later
// The record scanner must find exactly what a plain whole-text regex search
// finds, and survive inputs on which a plain search would exhaust the stack.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "SampleDataText.h"
#include "SamplerText.h"
#include "ToneText.h"
#include "WaveTableText.h"

namespace kest::tolvane::formats {
namespace {

using Records = std::vector<std::vector<std::string>>;

Records scanned(std::string_view text, const RecordSyntax& syntax)
{
    Records out;
    scanRecords(text, syntax,
                [&](std::span<const std::string_view> tokens) { out.emplace_back(tokens.begin(), tokens.end()); });
    return out;
}

// The straightforward reading: successive matches over the whole text, then
// the tokens inside each. Only safe on short inputs.
Records reference(const std::string& text, const RecordSyntax& syntax)
{
    Records out;
    for (std::sregex_iterator it(text.begin(), text.end(), syntax.record), end; it != end; ++it) {
        const std::string record = it->str();
        std::vector<std::string> tokens;
        for (std::sregex_iterator t(record.begin(), record.end(), syntax.token), stop; t != stop; ++t)
            tokens.push_back(t->str());
        out.push_back(tokens);
    }
    return out;
}

// Text built from pieces of the formats, with runs long enough to be shortened.
std::string randomText(std::mt19937& rng)
{
    static const std::vector<std::string> pieces = {"@I:",
                                                    "@S:",
                                                    "@:",
                                                    "\"",
                                                    "\n",
                                                    " ",
                                                    "\t",
                                                    ",",
                                                    "\r",
                                                    "#",
                                                    "x",
                                                    "a",
                                                    "F",
                                                    ".",
                                                    "7",
                                                    "12",
                                                    "255",
                                                    "300",
                                                    "\"0123456789abcdef\"",
                                                    "\"                \"",
                                                    "\"  , 1 2 3 ,    \"",
                                                    "\"short\"",
                                                    "8 ",
                                                    " 0f",
                                                    " 80",
                                                    "440.5",
                                                    "1.",
                                                    ".5",
                                                    "\n  @I:",
                                                    "\n\t@:",
                                                    "@I:1 \"name with 16 ch\"",
                                                    "@S:2 \"                \"",
                                                    "@Q:",
                                                    "@V:",
                                                    "@T:",
                                                    " vol ",
                                                    " arp-fixed ",
                                                    "|",
                                                    "/",
                                                    "-12",
                                                    "\"0 4 7 | 12 / 0\""};
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() + 3);
    std::uniform_int_distribution<int> runLength(1, 70);
    std::string text;
    const int count = std::uniform_int_distribution<int>(1, 400)(rng);
    for (int i = 0; i < count; ++i) {
        const std::size_t p = pick(rng);
        if (p < pieces.size())
            text += pieces[p];
        else if (p == pieces.size())
            text.append(static_cast<std::size_t>(runLength(rng)), ' ');
        else if (p == pieces.size() + 1)
            text.append(static_cast<std::size_t>(runLength(rng)), '\n');
        else if (p == pieces.size() + 2)
            text.append(static_cast<std::size_t>(runLength(rng)), '0');
        else
            for (int n = runLength(rng); n > 0; --n)
                text += " ,\t\n\r"[static_cast<std::size_t>(rng() % 5)];
    }
    // Records start after a line feed only; the reference's "^" would also
    // start one after a lone carriage return, so none is left before a record.
    return std::regex_replace(text, std::regex("\r([ \t]*@)"), "\r\n$1");
}

std::string validRecordsText(std::mt19937& rng)
{
    // Mostly well-formed records of every kind, with long separator and digit runs.
    std::string text;
    auto sep = [&] {
        std::string s;
        for (int n = 1 + static_cast<int>(rng() % 40); n > 0; --n)
            s += " ,\t\n\r"[rng() % 5];
        return s;
    };
    auto num = [&] { return std::string(rng() % 30, '0') + std::to_string(rng() % 20000); };
    for (int r = 0; r < 30; ++r) {
        switch (rng() % 6) {
        case 0:
            text += "@I:" + num() + sep() + "\"abc 123 \"\" ,wxyz\"";
            for (int i = 0; i < 13 + static_cast<int>(rng() % 3); ++i)
                text += sep() + num();
            break;
        case 1:
            text += "  @S:" + num() + sep() + "\"0123456789012345\"";
            for (int i = 0; i < 8 + static_cast<int>(rng() % 3); ++i)
                text += sep() + num();
            break;
        case 2:
            text += "\t@:" + num();
            for (int i = 0; i < 4; ++i)
                text += sep() + num();
            text += sep() + num() + "." + num();
            break;
        case 3:
            text += "@Q:" + num() + sep() + (rng() % 2 ? "pitch-abs" : "vol") + sep() + num() + sep() + num() + sep() +
                    "\"";
            for (int i = 0; i < static_cast<int>(rng() % 80); ++i)
                text += std::string(rng() % 5 ? "" : "|/"[rng() % 2] + std::string()) + sep() + "-" + num();
            text += "\"";
            break;
        case 4: text += " @V:" + num() + sep() + num() + sep() + num() + sep() + num() + "\n@T:" + num(); break;
        default:
            text += "@:" + num() + sep() + std::to_string(rng() % 10);
            for (int i = 0; i < static_cast<int>(rng() % 140); ++i)
                text += sep() + "0123456789abcdefABCDEF"[rng() % 22] + "0123456789abcdef"[rng() % 16];
            break;
        }
        text += "\n";
    }
    return text;
}

TEST(RecordScanner, FindsWhatAWholeTextSearchFinds)
{
    std::mt19937 rng(20240601);
    const RecordSyntax* syntaxes[] = {&toneSyntax(),     &samplerSyntax(),   &sampleDataSyntax(), &waveTableSyntax(),
                                      &sequenceSyntax(), &lfoTimingSyntax(), &tickRateSyntax()};
    int recordsSeen = 0;
    for (int round = 0; round < 300; ++round) {
        const std::string text = round % 2 ? randomText(rng) : validRecordsText(rng);
        for (const RecordSyntax* syntax : syntaxes) {
            const Records expected = reference(text, *syntax);
            ASSERT_EQ(scanned(text, *syntax), expected) << "round " << round << " text:\n" << text;
            recordsSeen += static_cast<int>(expected.size());
        }
    }
    EXPECT_GT(recordsSeen, 1000); // the comparison covered real records, not only misses
}

TEST(RecordScanner, SurvivesARecordSpreadOverMegabytesOfSeparators)
{
    std::string text = "@I:7 \"long separators \"";
    for (int i = 0; i < 14; ++i) {
        text.append(400000, i % 2 ? '\n' : ' ');
        text += ",\t\r" + std::to_string(i + 1);
    }
    text += "\n";
    const auto records = parseToneText(text).tones;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].index, 7);
    EXPECT_EQ(records[0].fields[0], 1);
    EXPECT_EQ(records[0].fields[13], 14);
}

TEST(RecordScanner, SurvivesASingleLineOfManyMegabytes)
{
    std::string text = "@:3 8";
    for (int i = 0; i < 1000000; ++i)
        text += " 7f";
    text += "\n@:4 8 01\n";
    const auto records = parseWaveTableText(text);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].valueCount, 128); // the 129th value is not part of the record
    EXPECT_EQ(records[1].index, 4);

    // A line of megabytes with no record start at all.
    EXPECT_TRUE(parseToneText(std::string(5000000, 'x') + std::string(3000000, ' ')).tones.empty());
}

TEST(RecordScanner, NumbersKeepAllTheirDigits)
{
    // Megabytes of leading zeros still read as the small number they denote;
    // a number beyond 32 bits drops its record, not the file.
    std::string text = "@:" + std::string(3000000, '0') + "5 0 0 0 0 440.0\n";
    text += "@:6 0 0 0 0 " + std::string(2000000, '0') + "1.5\n";
    text += "@:7 99999999999 0 0 0 1.0\n";
    text += "@:8 0 0 0 0 1" + std::string(400, '0') + ".0\n"; // beyond a float
    text += "@:9 0 0 0 0 2.0\n";
    const auto records = parseSampleDataText(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].index, 5);
    EXPECT_EQ(records[1].index, 6);
    EXPECT_FLOAT_EQ(records[1].pitch, 1.5f);
    EXPECT_EQ(records[2].index, 9);
}

TEST(RecordScanner, LongestUnshortenedRecordIsRead)
{
    // Runs of exactly the longest length kept whole give the regex its deepest window.
    const std::string sep20 = " ,\t\r\n ,\t\r\n ,\t\r\n ,\t\r\n";
    std::string text = "@:" + std::string(19, '0') + "1" + sep20 + "8";
    for (int i = 0; i < 128; ++i)
        text += sep20 + "7f";
    const auto records = parseWaveTableText(text + "\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].index, 1);
    EXPECT_EQ(records[0].valueCount, 128);
    EXPECT_EQ(scanned(text, waveTableSyntax()), reference(text, waveTableSyntax()));
}

TEST(RecordScanner, AValueListLongerThanTheWindowSkipsOnlyItsRecord)
{
    std::string steps;
    for (int i = 0; i < 2100; ++i)
        steps += "1 ";
    const auto sequences = parseToneText("@Q:1 vol 1 0 \"" + steps.substr(0, 1000) + "\"\n@Q:2 vol 1 0 \"" + steps +
                                         "\"\n@Q:3 vol 1 0 \"5\"\n")
                               .expressions.sequences;
    ASSERT_EQ(sequences.size(), 2u);
    EXPECT_EQ(sequences[0].sequence.length, 64); // 500 steps read, the first 64 kept
    EXPECT_EQ(sequences[1].tone, 3);
}

TEST(RecordScanner, SurvivesBinaryGarbage)
{
    std::mt19937 rng(7);
    std::string text(3000000, '\0');
    for (char& c : text)
        c = static_cast<char>(rng());
    // Only that nothing crashes or hangs matters here; the count is whatever the bytes hold.
    std::size_t found = parseToneText(text).tones.size() + parseSamplerText(text).size() +
                        parseSampleDataText(text).size() + parseWaveTableText(text).size();
    EXPECT_LT(found, 10u);
}

} // namespace
} // namespace kest::tolvane::formats
