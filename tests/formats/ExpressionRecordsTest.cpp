// SPDX-License-Identifier: GPL-3.0-or-later
// The tones' expressions and the tick rate in the tone text file and in the
// SysEx text export.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "SequenceText.h"
#include "SysExText.h"
#include "TestEngine.h"
#include "ToneText.h"

namespace kest::tolvane::formats {
namespace {

using synth::SequenceKind;

// The manual's example as a tracker user pastes it (indents, TABs, commas, CR
// LF, marks touching numbers) between tone records, then every kind and mode,
// an empty sequence with settings, a percussion tone and the widest values.
const std::string kPasted = "@I:0 \"Pulse 12.5% Lead\" 64 64 2048 0 8192 0 1 22 127 100 0 94 0 127\n"
                            "  @Q:0 arp 1 0 \"|0,4,7\"\n@T:50\n@Q:2\twave\t2\t0\t\"5\t4\t3\t1\"\r\n"
                            "@I:10 \"Vib Lead 50%    \" 64 64 2560 1 8192 2 5 32 117 100 0 85 0 127\n"
                            "\t@V:10 30 20 64\n@Q:164 arp 1 0 \"12 6 0 -6 -12\"\n@Q:164 vol 5 3 \"15|14 13/8 4 0\"\n"
                            "@Q:5 wave 1 0 \"1 2\"\n@Q:5 pitch 1 0 \"3\"\n@Q:200 vol 5 0 \"\"\n"
                            "@Q:200 arp-fixed 3 0 \"36 | 38 40 / 36\"\n@Q:200 pitch-abs 1 0 \"16 -768/\"\n"
                            "@V:255 0 0 127\n@Q:255 pitch 16 255 \"| -4\"\n";

std::unique_ptr<synth::SynthesizerWT> engineFrom(const std::string& text)
{
    auto engine = test::makeEngine();
    applyToneRecords(*engine, parseToneText(text));
    return engine;
}

template <typename Write> std::string written(const synth::SynthesizerWT& engine, Write write)
{
    std::ostringstream out;
    write(out, engine);
    return out.str();
}
std::string toneText(const synth::SynthesizerWT& e) { return written(e, writeToneText); }
std::string toneSysEx(const synth::SynthesizerWT& e) { return written(e, writeToneSysEx); }

// The text after the header and the 256 tone records.
std::string afterToneRecords(const std::string& text)
{
    std::size_t at = 0;
    for (int line = 0; line < 1 + synth::kToneCount; ++line)
        at = text.find('\n', at) + 1;
    return text.substr(at);
}

void expectSameExpressions(const synth::SynthesizerWT& a, const synth::SynthesizerWT& b)
{
    EXPECT_EQ(a.getTickRate(), b.getTickRate());
    for (int t = 0; t < synth::kToneCount; ++t)
        ASSERT_EQ(a.toneExpression(t), b.toneExpression(t)) << "tone " << t;
}

synth::ToneSequence sequenceOf(const char* values, SequenceKind kind, int step = 1)
{
    synth::ToneSequence sequence;
    sequence.stepTicks = static_cast<std::uint8_t>(step);
    parseSequenceText(values, kind, 0).steps->applyTo(sequence);
    return sequence;
}

TEST(ExpressionRecords, APastedBlockIsWrittenCanonicallyAfterTheToneRecordsAndReadsBackTheSame)
{
    const auto source = engineFrom(kPasted);
    const std::string text = toneText(*source);
    EXPECT_EQ(afterToneRecords(text),
              "# @T(TickRate) 1 ~ 240, @V(LfoTiming) tone, delay, fade, depth, @Q(Sequence) tone, kind[vol arp "
              "arp-fixed pitch pitch-abs wave], step, delay, \"values | loop / release\"\n"
              "@T:50\n@Q:0 arp 1 0 \"| 0 4 7\"\n@Q:2 wave 2 0 \"5 4 3 1\"\n"
              "@Q:5 pitch 1 0 \"3\"\n@Q:5 wave 1 0 \"1 2\"\n@V:10 30 20 64\n"
              "@Q:164 vol 5 3 \"15 | 14 13 / 8 4 0\"\n@Q:164 arp 1 0 \"12 6 0 -6 -12\"\n"
              "@Q:200 vol 5 0 \"\"\n@Q:200 arp-fixed 3 0 \"36 | 38 40 / 36\"\n@Q:200 pitch-abs 1 0 \"16 -768 /\"\n"
              "@V:255 0 0 127\n@Q:255 pitch 16 255 \"| -4\"\n");

    // Read back, the tone records among them give the same tones as well.
    const auto target = engineFrom(text);
    expectSameExpressions(*source, *target);
    EXPECT_EQ(toneText(*target), text);
}

TEST(ExpressionRecords, WithoutExpressionsBothExportsAreWrittenAsBefore)
{
    const auto plain = test::makeEngine();
    auto cleared = engineFrom(kPasted); // its tick rate of 50 is no tone's
    for (int t = 0; t < synth::kToneCount; ++t)
        cleared->toneExpression(t) = {};
    cleared->tone(0) = plain->tone(0);
    cleared->tone(10) = plain->tone(10);
    EXPECT_EQ(toneText(*cleared), toneText(*plain));
    EXPECT_EQ(afterToneRecords(toneText(*plain)), "");
    EXPECT_EQ(toneSysEx(*cleared), toneSysEx(*plain));
}

// Tone 5's records in every order, with and without its tone record, over the
// wave and pitch sequences it had.
TEST(ExpressionRecords, ApplyInAnyOrderAndAToneRecordClearsWhatTheFileDoesNotGive)
{
    for (bool withToneRecord : {false, true}) {
        std::vector<std::string> lines = {"@Q:5 arp 1 0 \"0 4 7\"", "@V:5 1 2 3", "@Q:5 vol 2 0 \"15 0\""};
        if (withToneRecord)
            lines.push_back("@I:5 \"Five            \" 64 64 2048 0 8192 0 3 0 127 100 0 120 0 48");
        std::sort(lines.begin(), lines.end());
        do {
            auto engine = engineFrom(kPasted);
            synth::ToneExpression expected = withToneRecord ? synth::ToneExpression{} : engine->toneExpression(5);
            expected.sequence(SequenceKind::Arpeggio) = sequenceOf("0 4 7", SequenceKind::Arpeggio);
            expected.sequence(SequenceKind::Volume) = sequenceOf("15 0", SequenceKind::Volume, 2);
            expected.lfo = {1, 2, 3};
            std::string text;
            for (const std::string& line : lines)
                text += line + "\n";
            applyToneRecords(*engine, parseToneText(text));
            ASSERT_EQ(engine->toneExpression(5), expected) << text;
        } while (std::next_permutation(lines.begin(), lines.end()));
    }
}

TEST(ExpressionRecords, NumbersAreHeldToTheirRangesAndMalformedRecordsSkipped)
{
    // Steps past the 64th: SequenceText.StepsAndMarksPastTheSixtyFourthAreDropped.
    const ParsedTones parsed = parseToneText(
        "@Q:3 vol 40 999 \"20\"\n@Q:4 pitch 0 0 \"\"\n@V:3 300 99999999999 200\n@T:0\n"
        // Skipped: unknown kind, malformed values, tone 256, missing numbers or quotes, a quote left open.
        "@Q:5 duty 1 0 \"1\"\n@Q:5 VOL 1 0 \"1\"\n@Q:5 vol 1 0 \"1 |\"\n@Q:5 vol 1 0 \"1 x\"\n@Q:256 vol 1 0 \"1\"\n"
        "@Q:5 vol 1 \"1\"\n@Q:5 vol 1 0 1\n@V:5 1 2\n@T:\n@Q:5 vol 1 0 \"1 2\n@Q:6 vol 1 0 \"15\"\n");
    const auto& q = parsed.expressions.sequences;
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(std::vector<int>({q[0].tone, q[0].sequence.stepTicks, q[0].sequence.delay, q[0].sequence.values[0]}),
              std::vector<int>({3, 16, 255, 15}));
    EXPECT_EQ(q[1].sequence.stepTicks, 1);
    EXPECT_EQ(q[2].tone, 6);
    ASSERT_EQ(parsed.expressions.lfoTimings.size(), 1u);
    EXPECT_EQ(parsed.expressions.lfoTimings[0].timing, (synth::ToneLfoTiming{255, 255, 127}));
    EXPECT_EQ(parsed.expressions.tickRate, 1);
    EXPECT_EQ(parseToneText("@T:60\n@T:99999999999\n").expressions.tickRate, 240);
}

TEST(ExpressionRecords, SysExTextAddsTheTickRateAndEachExpressiveTonesRecords)
{
    auto engine = engineFrom("@T:50\n@Q:130 vol 1 0 \"15 0\"\n@Q:130 pitch-abs 2 0 \"-1\"\n");
    const std::string text = toneSysEx(*engine);
    const std::string plain = toneSysEx(*test::makeEngine());
    ASSERT_EQ(text.substr(0, plain.size()), plain);
    EXPECT_EQ(text.substr(plain.size()),
              "# aa[00(System)] bb[00] cc[02(tickRate low 7 bits, high 7 bits)], aa[0a(Instrument)] "
              "[0b(Percussion)](expression settings), aa[10-13(Instrument)] [14-17(Percussion)](sequence values: "
              "vol, arp, pitch, wave)\n"
              "F0 7D 10 20 00 00 02 32 00 F7\n"
              "F0 7D 10 20 0b 02 00 00 00 00 00 00 02 7f 7f 00 01 00 00 00 7f 7f 00 01 00 00 "
              "01 7f 7f 01 02 00 00 00 7f 7f 00 01 00 00 F7\n"
              "F0 7D 10 20 14 02 00 0f 00 00 00 F7\n"
              "F0 7D 10 20 16 02 00 7f 7f F7\n");
}

TEST(ExpressionRecords, SysExTextSentToTheEngineGivesTheSameExpressions)
{
    const auto source = engineFrom(kPasted);
    auto target = test::makeEngine();
    target->receiveSysEx = true;
    std::istringstream lines(toneSysEx(*source));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::uint8_t> bytes;
        std::istringstream hex(line[0] == '#' ? "" : line);
        for (std::string byte; hex >> byte;)
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16)));
        if (!bytes.empty()) // the engine takes the bytes after F0, up to and including F7
            target->systemExclusive(bytes.data() + 1, static_cast<int>(bytes.size()) - 1);
    }
    expectSameExpressions(*source, *target);
}

} // namespace
} // namespace kest::tolvane::formats
