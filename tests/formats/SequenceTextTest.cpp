// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SequenceText.h"

namespace kest::tolvane::formats {
namespace {

using synth::SequenceKind;
constexpr int kNone = synth::ToneSequence::kNone;

struct Readable {
    const char* text;
    SequenceKind kind;
    int mode;
    std::vector<int> values;
    int loop, release;
    const char* canonical;
};

class SequenceTextReads : public ::testing::TestWithParam<Readable> {};

TEST_P(SequenceTextReads, StepsMarksAndTheCanonicalFormThatReadsBackTheSame)
{
    const Readable& c = GetParam();
    const SequenceParse parsed = parseSequenceText(c.text, c.kind, c.mode);
    ASSERT_TRUE(parsed.steps) << parsed.reason;
    const SequenceSteps& steps = *parsed.steps;
    EXPECT_EQ(std::vector<int>(steps.values.begin(), steps.values.begin() + steps.length), c.values);
    EXPECT_EQ(steps.loop, c.loop);
    EXPECT_EQ(steps.release, c.release);
    synth::ToneSequence sequence;
    steps.applyTo(sequence);
    EXPECT_EQ(sequenceText(sequence), c.canonical);
    EXPECT_EQ(parseSequenceText(c.canonical, c.kind, c.mode).steps, parsed.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, SequenceTextReads,
    ::testing::Values(
        Readable{"0 4 7 | 12 / 0", SequenceKind::Arpeggio, 0, {0, 4, 7, 12, 0}, 3, 4, "0 4 7 | 12 / 0"},
        Readable{"15 | 10 8 / 6 4 0", SequenceKind::Volume, 0, {15, 10, 8, 6, 4, 0}, 1, 3, "15 | 10 8 / 6 4 0"},
        Readable{"0 4 7|12/0", SequenceKind::Arpeggio, 0, {0, 4, 7, 12, 0}, 3, 4, "0 4 7 | 12 / 0"},
        Readable{" 0,4,\t7  /\r\n", SequenceKind::Arpeggio, 0, {0, 4, 7}, kNone, 3, "0 4 7 /"},
        Readable{"", SequenceKind::Wave, 0, {}, kNone, kNone, ""},
        Readable{"/", SequenceKind::Wave, 0, {}, kNone, 0, "/"},
        Readable{"|0 4 7", SequenceKind::Arpeggio, 0, {0, 4, 7}, 0, kNone, "| 0 4 7"},
        Readable{"1 2 /|3", SequenceKind::Wave, 0, {1, 2, 3}, 2, 2, "1 2 / | 3"},
        Readable{"+5 -3 007", SequenceKind::Pitch, 0, {5, -3, 7}, kNone, kNone, "5 -3 7"},
        // Held to the kind's range in the mode, however many digits.
        Readable{"-200 200 99999999999999", SequenceKind::Arpeggio, 0, {-96, 96, 96}, kNone, kNone, "-96 96 96"},
        Readable{"-1 128", SequenceKind::Arpeggio, 1, {0, 127}, kNone, kNone, "0 127"},
        Readable{"16 -1", SequenceKind::Volume, 0, {15, 0}, kNone, kNone, "15 0"},
        Readable{"-1000 1000", SequenceKind::Pitch, 1, {-768, 768}, kNone, kNone, "-768 768"}));

TEST(SequenceText, StepsAndMarksPastTheSixtyFourthAreDropped)
{
    auto seventySteps = [](int loopAt, int releaseAt) { // 0..69 with the marks before the steps given
        std::string text;
        for (int i = 0; i < 70; ++i)
            text += (i == releaseAt ? "/ " : "") + std::string(i == loopAt ? "| " : "") + std::to_string(i) + " ";
        return *parseSequenceText(text, SequenceKind::Wave, 0).steps;
    };
    const SequenceSteps a = seventySteps(66, 64), b = seventySteps(10, 67);
    EXPECT_EQ(std::tie(a.length, a.values[63], a.loop, a.release), std::make_tuple(64, 63, kNone, 64));
    EXPECT_EQ(std::tie(b.loop, b.release), std::make_tuple(10, kNone));
}

struct Malformed {
    const char* text;
    const char* reason;
};

class SequenceTextRefuses : public ::testing::TestWithParam<Malformed> {};

TEST_P(SequenceTextRefuses, WithTheReason)
{
    const SequenceParse parsed = parseSequenceText(GetParam().text, SequenceKind::Arpeggio, 0);
    EXPECT_FALSE(parsed.steps);
    EXPECT_EQ(parsed.reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, SequenceTextRefuses,
    ::testing::Values(Malformed{"0 4 x", "'x' is not a number"}, Malformed{"0 4.5", "'4.5' is not a number"},
                      Malformed{"1 3-4", "'3-4' is not a number"}, Malformed{"- 4", "'-' is not a number"},
                      Malformed{"0 4 abcdefghijklmnop", "'abcdefghijkl...' is not a number"},
                      Malformed{"0 | 4 | 7", "more than one '|'"}, Malformed{"0 / 4 / 7", "more than one '/'"},
                      Malformed{"0 4 7 |", "'|' must stand before a step"},
                      Malformed{"0 4 | / 7", "'|' must stand before a step"}));

} // namespace
} // namespace kest::tolvane::formats
