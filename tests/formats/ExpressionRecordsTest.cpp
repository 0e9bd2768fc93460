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

synth::ToneSequence sequenceOf(const char* values, SequenceKind kind, int mode = 0, int step = 1, int delay = 0)
{
    synth::ToneSequence sequence;
    sequence.mode = static_cast<std::uint8_t>(mode);
    sequence.stepTicks = static_cast<std::uint8_t>(step);
    sequence.delay = static_cast<std::uint8_t>(delay);
    parseSequenceText(values, kind, mode).steps->applyTo(sequence);
    return sequence;
}

// Instrument and percussion tones with every kind, mode and mark, an empty
// sequence with settings, LFO timings, and a tick rate of 50.
std::unique_ptr<synth::SynthesizerWT> expressiveEngine()
{
    auto engine = test::makeEngine();
    engine->setTickRate(50);
    engine->toneExpression(0).sequence(SequenceKind::Arpeggio) = sequenceOf("| 0 4 7", SequenceKind::Arpeggio);
    engine->toneExpression(1).sequence(SequenceKind::Wave) = sequenceOf("5 4 3 1", SequenceKind::Wave, 0, 2);
    engine->toneExpression(2).lfo = {30, 20, 40};
    engine->toneExpression(2).sequence(SequenceKind::Volume) =
        sequenceOf("15 | 14 13 / 8 4 0", SequenceKind::Volume, 0, 1, 3);
    synth::ToneExpression& drum = engine->toneExpression(200);
    drum.sequence(SequenceKind::Volume).stepTicks = 5;
    drum.sequence(SequenceKind::Arpeggio) = sequenceOf("36 | 38 40 / 36", SequenceKind::Arpeggio, 1, 3);
    drum.sequence(SequenceKind::Pitch) = sequenceOf("16 -768 /", SequenceKind::Pitch, 1);
    engine->toneExpression(255).lfo = {0, 0, 127};
    engine->toneExpression(255).sequence(SequenceKind::Pitch) = sequenceOf("| -4", SequenceKind::Pitch, 0, 16, 255);
    return engine;
}

std::string toneText(const synth::SynthesizerWT& engine)
{
    std::ostringstream out;
    writeToneText(out, engine);
    return out.str();
}

std::string toneSysEx(const synth::SynthesizerWT& engine)
{
    std::ostringstream out;
    writeToneSysEx(out, engine);
    return out.str();
}

// The text after the 257 lines a file without expressions has.
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

TEST(ExpressionRecords, ToneTextWritesThemAfterTheToneRecordsAndReadsThemBack)
{
    const auto source = expressiveEngine();
    const std::string text = toneText(*source);
    EXPECT_EQ(afterToneRecords(text),
              "# @T(TickRate) 1 ~ 240, @V(LfoTiming) tone, delay, fade, depth, @Q(Sequence) tone, kind[vol arp "
              "arp-fixed pitch pitch-abs wave], step, delay, \"values | loop / release\"\n"
              "@T:50\n"
              "@Q:0 arp 1 0 \"| 0 4 7\"\n"
              "@Q:1 wave 2 0 \"5 4 3 1\"\n"
              "@V:2 30 20 40\n"
              "@Q:2 vol 1 3 \"15 | 14 13 / 8 4 0\"\n"
              "@Q:200 vol 5 0 \"\"\n"
              "@Q:200 arp-fixed 3 0 \"36 | 38 40 / 36\"\n"
              "@Q:200 pitch-abs 1 0 \"16 -768 /\"\n"
              "@V:255 0 0 127\n"
              "@Q:255 pitch 16 255 \"| -4\"\n");

    auto target = test::makeEngine();
    applyToneRecords(*target, parseToneText(text));
    expectSameExpressions(*source, *target);
    EXPECT_EQ(toneText(*target), text);
}

// The manual's example, pasted below tone records as a tracker user would:
// indented, with TABs, commas and marks touching the numbers.
TEST(ExpressionRecords, APastedBlockGivesTheManualsFourSounds)
{
    auto engine = test::makeEngine();
    applyToneRecords(*engine, parseToneText("@I:0 \"Pulse 12.5% Lead\" 64 64 2048 0 8192 0 1 22 127 100 0 94 0 127\n"
                                            "@T:60\n  @Q:0 arp 1 0 \"|0,4,7\"\n"
                                            "@Q:2\twave\t2\t0\t\"5\t4\t3\t1\"\r\n"
                                            "\t@V:10 30 20 64\n@Q:164 arp 1 0 \"12 6 0 -6 -12\"\n"));
    synth::ToneExpression chord, pluck, vibrato, kick;
    chord.sequence(SequenceKind::Arpeggio) = sequenceOf("| 0 4 7", SequenceKind::Arpeggio);
    pluck.sequence(SequenceKind::Wave) = sequenceOf("5 4 3 1", SequenceKind::Wave, 0, 2);
    vibrato.lfo = {30, 20, 64};
    kick.sequence(SequenceKind::Arpeggio) = sequenceOf("12 6 0 -6 -12", SequenceKind::Arpeggio);
    EXPECT_EQ(engine->toneExpression(0), chord);
    EXPECT_EQ(engine->toneExpression(2), pluck);
    EXPECT_EQ(engine->toneExpression(10), vibrato);
    EXPECT_EQ(engine->toneExpression(164), kick);
    EXPECT_EQ(engine->getTickRate(), 60);
    EXPECT_EQ(engine->toneExpression(0).sequence(SequenceKind::Arpeggio).loop, 0);
}

TEST(ExpressionRecords, WithoutExpressionsBothExportsAreWrittenAsBefore)
{
    const auto plain = test::makeEngine();
    auto cleared = expressiveEngine(); // tick rate 50 stays: it is no tone's
    for (int t = 0; t < synth::kToneCount; ++t)
        cleared->toneExpression(t) = {};
    EXPECT_EQ(toneText(*cleared), toneText(*plain));
    EXPECT_EQ(toneSysEx(*cleared), toneSysEx(*plain));
    EXPECT_EQ(afterToneRecords(toneText(*plain)), "");
}

// The records of one tone in every order, with and without its "@I:" record,
// over a tone that had a wave and a pitch sequence.
TEST(ExpressionRecords, ApplyInAnyOrderAndAToneRecordClearsWhatTheFileDoesNotGive)
{
    const std::string toneRecord = "@I:5 \"Five            \" 64 64 2048 0 8192 0 3 0 127 100 0 120 0 48";
    for (bool withToneRecord : {false, true}) {
        std::vector<std::string> lines = {"@Q:5 arp 1 0 \"0 4 7\"", "@V:5 1 2 3", "@Q:5 vol 2 0 \"15 0\""};
        if (withToneRecord)
            lines.push_back(toneRecord);
        std::sort(lines.begin(), lines.end());
        do {
            std::string text;
            for (const std::string& line : lines)
                text += line + "\n";
            auto engine = test::makeEngine();
            const synth::ToneSequence wave = sequenceOf("1 2", SequenceKind::Wave);
            engine->toneExpression(5).sequence(SequenceKind::Wave) = wave;
            engine->toneExpression(5).sequence(SequenceKind::Pitch) = sequenceOf("3", SequenceKind::Pitch);
            applyToneRecords(*engine, parseToneText(text));

            synth::ToneExpression expected;
            expected.sequence(SequenceKind::Arpeggio) = sequenceOf("0 4 7", SequenceKind::Arpeggio);
            expected.sequence(SequenceKind::Volume) = sequenceOf("15 0", SequenceKind::Volume, 0, 2);
            expected.lfo = {1, 2, 3};
            if (!withToneRecord) {
                expected.sequence(SequenceKind::Wave) = wave;
                expected.sequence(SequenceKind::Pitch) = sequenceOf("3", SequenceKind::Pitch);
            }
            ASSERT_EQ(engine->toneExpression(5), expected) << text;
        } while (std::next_permutation(lines.begin(), lines.end()));
    }

    // A tone record alone leaves its tone without any expression.
    auto engine = expressiveEngine();
    applyToneRecords(*engine, parseToneText("@I:2" + toneRecord.substr(4)));
    EXPECT_TRUE(engine->toneExpression(2).isNeutral());
    EXPECT_FALSE(engine->toneExpression(1).isNeutral());
}

TEST(ExpressionRecords, NumbersAreHeldToTheirRangesAndMalformedRecordsSkipped)
{
    std::string seventySteps;
    for (int i = 0; i < 70; ++i)
        seventySteps += std::to_string(i) + " ";
    const ParsedTones parsed = parseToneText("@Q:3 vol 40 999 \"20\"\n"
                                             "@Q:4 pitch 0 0 \"\"\n"
                                             "@Q:7 wave 1 0 \"" +
                                             seventySteps +
                                             "\"\n"
                                             "@V:3 300 99999999999 200\n"
                                             "@T:0\n"
                                             // Skipped: unknown kind, malformed values, tone 256,
                                             // missing numbers or quotes, a quote left open.
                                             "@Q:5 duty 1 0 \"1\"\n@Q:5 VOL 1 0 \"1\"\n@Q:5 vol 1 0 \"1 |\"\n"
                                             "@Q:5 vol 1 0 \"1 x\"\n@Q:256 vol 1 0 \"1\"\n@Q:5 vol 1 \"1\"\n"
                                             "@Q:5 vol 1 0 1\n@V:5 1 2\n@T:\n@Q:5 vol 1 0 \"1 2\n"
                                             "@Q:6 vol 1 0 \"15\"\n");
    const auto& sequences = parsed.expressions.sequences;
    ASSERT_EQ(sequences.size(), 4u);
    EXPECT_EQ(std::vector<int>({sequences[0].tone, sequences[0].sequence.stepTicks, sequences[0].sequence.delay,
                                sequences[0].sequence.values[0]}),
              std::vector<int>({3, 16, 255, 15}));
    EXPECT_EQ(sequences[1].sequence.stepTicks, 1);
    EXPECT_EQ(sequences[2].sequence.length, 64);
    EXPECT_EQ(sequences[2].sequence.values[63], 63);
    EXPECT_EQ(sequences[3].tone, 6);
    ASSERT_EQ(parsed.expressions.lfoTimings.size(), 1u);
    EXPECT_EQ(parsed.expressions.lfoTimings[0].timing, (synth::ToneLfoTiming{255, 255, 127}));
    EXPECT_EQ(parsed.expressions.tickRate, 1);
    EXPECT_EQ(parseToneText("@T:60\n@T:99999999999\n").expressions.tickRate, 240);
}

// An older reader takes only the "@I:" records, and finds them all.
TEST(ExpressionRecords, ToneRecordsReadTheSameWithExpressionRecordsAround)
{
    const std::string text = toneText(*expressiveEngine());
    const std::string toneRecordsOnly = text.substr(0, text.size() - afterToneRecords(text).size());
    const auto withExpressions = parseToneText(text).tones;
    const auto without = parseToneText(toneRecordsOnly).tones;
    ASSERT_EQ(withExpressions.size(), without.size());
    for (std::size_t i = 0; i < without.size(); ++i)
        EXPECT_EQ(std::tie(withExpressions[i].index, withExpressions[i].name, withExpressions[i].fields),
                  std::tie(without[i].index, without[i].name, without[i].fields));
}

TEST(ExpressionRecords, SysExTextAddsTheTickRateAndEachExpressiveTonesRecords)
{
    auto engine = test::makeEngine();
    engine->setTickRate(50);
    engine->toneExpression(130).sequence(SequenceKind::Volume) = sequenceOf("15 0", SequenceKind::Volume);
    engine->toneExpression(130).sequence(SequenceKind::Pitch) = sequenceOf("-1", SequenceKind::Pitch, 1, 2);
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
    const auto source = expressiveEngine();
    auto target = test::makeEngine();
    target->receiveSysEx = true;
    std::istringstream lines(toneSysEx(*source));
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == '#')
            continue;
        std::vector<std::uint8_t> bytes;
        std::istringstream hex(line);
        for (std::string byte; hex >> byte;)
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16)));
        // The engine takes the bytes after F0, up to and including F7.
        target->systemExclusive(bytes.data() + 1, static_cast<int>(bytes.size()) - 1);
    }
    expectSameExpressions(*source, *target);
}

} // namespace
} // namespace kest::tolvane::formats
