// SPDX-License-Identifier: GPL-3.0-or-later
// MONO and LEGATO parts, portamento and the arpeggiator, judged from the
// rendered pitch and level: which note sounds in each stretch, whether the
// envelope started again, where arpeggio steps fall. That they render the
// same at every block size is checked with the sequence song (SequencesTest).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"

namespace kest::tolvane {
namespace {

using synth::PartPlaySettings;
using test::EngineHarness;

constexpr float kRate = 48000.0f;
constexpr int kTick = 800; // samples a tick at 48 kHz and 60 ticks a second

// The MIDI note (fractional) whose frequency the stretch [from, to) plays.
double noteIn(const std::vector<float>& s, int from, int to)
{
    const std::vector<float> part(s.begin() + from, s.begin() + to);
    const double f = test::measuredFrequency(part, kRate);
    return f > 0.0 ? 69.0 + 12.0 * std::log2(f / 440.0) : -1.0;
}

float peakIn(const std::vector<float>& s, int from, int to)
{
    float peak = 0.0f;
    for (int i = from; i < to; ++i)
        peak = std::max(peak, std::abs(s[static_cast<std::size_t>(i)]));
    return peak;
}

// Part 0 on tone 0 (the power-on sine) with an attack slow enough to show a
// restart unless another is given, and the part's play settings.
void prepare(EngineHarness& h, const PartPlaySettings& play, int attack = 96)
{
    h.engine.tone(0).ar = attack;
    h.engine.tone(0).rr = 100;
    h.engine.setStoredPlay(0, play);
}

// --- MONO and LEGATO ---

struct OverlapCase {
    int mode;
    bool restartsOnSecondKey;
};

class OneVoicePlay : public ::testing::TestWithParam<OverlapCase> {};

// C4 held, G4 struck over it, G4 released (back to C4), C4 released.
TEST_P(OneVoicePlay, ANewKeyTakesTheVoiceAndTheReleaseReturnsToTheHeldKey)
{
    EngineHarness h(kRate);
    prepare(h, {.mode = GetParam().mode});
    h.noteOn(0, 60, 100, 0);
    h.noteOn(0, 67, 100, 12000);
    h.noteOff(0, 67, 24000);
    h.noteOff(0, 60, 36000);
    const std::vector<float> out = h.render(48000, 0, 512);

    EXPECT_NEAR(noteIn(out, 4000, 12000), 60.0, 0.05);
    EXPECT_NEAR(noteIn(out, 14000, 24000), 67.0, 0.05) << "one voice: the new key alone";
    EXPECT_NEAR(noteIn(out, 26000, 36000), 60.0, 0.05) << "back to the key still held";
    const float before = peakIn(out, 11000, 12000);
    const float after = peakIn(out, 12000, 12400);
    if (GetParam().restartsOnSecondKey)
        EXPECT_LT(after, 0.5f * before) << "MONO starts the envelope again";
    else
        EXPECT_GT(after, 0.9f * before) << "LEGATO keeps the envelope";
    EXPECT_GT(peakIn(out, 36200, 37000), 0.0f) << "the last release sounds";
    EXPECT_LT(peakIn(out, 40000, 48000), 0.5f * peakIn(out, 30000, 36000));
}

INSTANTIATE_TEST_SUITE_P(Modes, OneVoicePlay,
                         ::testing::Values(OverlapCase{synth::kPlayMono, true}, OverlapCase{synth::kPlayLegato, false}),
                         [](const auto& info) { return info.param.restartsOnSecondKey ? "Mono" : "Legato"; });

// CC 126 (mono on), with the legato footswitch (CC 68), and CC 127 (poly on).
TEST(PlayModeControllers, ModeMessagesAndTheLegatoFootswitch)
{
    EngineHarness h(kRate);
    prepare(h, {});
    h.controlChange(0, 126, 1, 0);
    h.controlChange(0, 68, 127, 10);
    h.noteOn(0, 60, 100, 100);
    h.noteOn(0, 64, 100, 8000); // legato: no restart
    h.controlChange(0, 127, 0, 16000);
    h.noteOn(0, 60, 100, 20000);
    h.noteOn(0, 67, 100, 20100); // poly: both sound
    const std::vector<float> out = h.render(30000, 0, 512);
    EXPECT_NEAR(noteIn(out, 9000, 15000), 64.0, 0.05);
    EXPECT_GT(peakIn(out, 8000, 8300), 0.9f * peakIn(out, 7500, 8000));
    EXPECT_LT(peakIn(out, 16300, 19000), 0.5f * peakIn(out, 15000, 16000)) << "CC 127 releases the held note";
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 2);
}

// Omni off and on release the held notes as All Notes Off does.
TEST(PlayModeControllers, OmniMessagesReleaseHeldNotes)
{
    for (int controller : {124, 125}) {
        EngineHarness h(kRate);
        prepare(h, {.mode = synth::kPlayMono});
        h.noteOn(0, 60, 100, 0);
        h.controlChange(0, controller, 0, 12000);
        const std::vector<float> out = h.render(40000, 0, 512);
        EXPECT_LT(peakIn(out, 30000, 40000), 0.2f * peakIn(out, 10000, 12000)) << "CC " << controller;
    }
}

// --- portamento ---

struct GlideCase {
    int tickRate;
    int ticks; // round(4 s × (64 / 127)² × rate)
};

class Glide : public ::testing::TestWithParam<GlideCase> {};

// POLY with CC 65 on: C5 glides up from the part's last note, C4, one straight
// step a tick, each to the nearest 1/16 semitone.
TEST_P(Glide, LastsItsTicksAndMovesOnAStraightLine)
{
    const GlideCase& c = GetParam();
    const int tick = static_cast<int>(kRate) / c.tickRate;
    EngineHarness h(kRate);
    prepare(h, {}, 127);
    h.engine.setTickRate(c.tickRate);
    h.controlChange(0, 65, 127, 0);
    h.controlChange(0, 5, 64, 0);
    h.noteOn(0, 60, 100, 10);
    h.noteOff(0, 60, 1000);
    h.noteOn(0, 72, 100, 2000);
    const std::vector<float> out = h.render(2000 + (c.ticks + 4) * tick, 0, 512);
    for (int k : {1, c.ticks / 2, c.ticks - 1, c.ticks, c.ticks + 2}) {
        const int from = 2000 + k * tick;
        const double expected = 72.0 - std::round(192.0 * std::max(c.ticks - k, 0) / c.ticks) / 16.0;
        EXPECT_NEAR(noteIn(out, from + 20, from + tick - 20), expected, 0.05) << "tick " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(TickRates, Glide, ::testing::Values(GlideCase{60, 61}, GlideCase{50, 51}),
                         [](const auto& info) { return std::to_string(info.param.tickRate) + "Ticks"; });

// CC 84 glides the next note from its note even with portamento off, once.
TEST(GlideFrom, PortamentoControlGlidesOneNoteOnly)
{
    EngineHarness h(kRate);
    prepare(h, {}, 127);
    h.controlChange(0, 5, 30, 0); // about 0.22 s: 13 ticks
    h.controlChange(0, 84, 48, 0);
    h.noteOn(0, 60, 100, 100);
    h.noteOff(0, 60, 20000);
    h.noteOn(0, 67, 100, 30000); // no glide: CC 84 held for one note only
    const std::vector<float> out = h.render(34000, 0, 512);
    EXPECT_LT(noteIn(out, 100 + 2 * kTick, 100 + 3 * kTick), 56.0);
    EXPECT_NEAR(noteIn(out, 100 + 14 * kTick, 100 + 18 * kTick), 60.0, 0.03);
    EXPECT_NEAR(noteIn(out, 30200, 31000), 67.0, 0.03);
}

// --- the arpeggiator ---

PartPlaySettings arpeggio(int pattern, int octaves = 1, int rate = 2, bool retrigger = false)
{
    PartPlaySettings play;
    play.arpPattern = pattern;
    play.arpOctaves = octaves;
    play.arpRate = rate;
    play.arpRetrigger = retrigger;
    return play;
}

// The note of each step: E4, then C4 and G4 a few samples later (a chord as
// hands strike it), stepping every two ticks.
std::vector<int> stepNotes(const PartPlaySettings& play, int steps)
{
    EngineHarness h(kRate);
    prepare(h, play, 127);
    h.noteOn(0, 64, 100, 0);
    h.noteOn(0, 60, 100, 3);
    h.noteOn(0, 67, 100, 9);
    const std::vector<float> out = h.render(steps * 2 * kTick, 0, 512);
    std::vector<int> notes;
    for (int step = 0; step < steps; ++step)
        notes.push_back(static_cast<int>(std::lround(noteIn(out, step * 2 * kTick + 40, (step + 1) * 2 * kTick - 40))));
    return notes;
}

struct PatternCase {
    const char* name;
    PartPlaySettings play;
    std::vector<int> notes;
};

class ArpeggioPatterns : public ::testing::TestWithParam<PatternCase> {};

TEST_P(ArpeggioPatterns, StepOrder)
{
    EXPECT_EQ(stepNotes(GetParam().play, static_cast<int>(GetParam().notes.size())), GetParam().notes);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ArpeggioPatterns,
    ::testing::Values(PatternCase{"Up", arpeggio(synth::kArpUp), {64, 67, 60, 64, 67, 60}},
                      PatternCase{"Down", arpeggio(synth::kArpDown), {64, 60, 67, 64, 60, 67}},
                      PatternCase{"UpDown", arpeggio(synth::kArpUpDown), {64, 67, 64, 60, 64, 67, 64}},
                      PatternCase{"AsPlayed", arpeggio(synth::kArpAsPlayed), {64, 60, 67, 64, 60, 67}},
                      PatternCase{"UpTwoOctaves", arpeggio(synth::kArpUp, 2), {64, 67, 72, 76, 79, 60, 64}},
                      PatternCase{"AsPlayedRetriggered", arpeggio(synth::kArpAsPlayed, 1, 2, true), {64, 60, 67, 64}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Arpeggio, RandomRepeatsAndPlaysOnlyHeldNotes)
{
    const std::vector<int> first = stepNotes(arpeggio(synth::kArpRandom), 12);
    EXPECT_EQ(stepNotes(arpeggio(synth::kArpRandom), 12), first);
    for (int note : first)
        EXPECT_TRUE(note == 60 || note == 64 || note == 67) << note;
}

// Keys released a few samples apart never cut a step short; the last one
// ends the arpeggio and its note goes on through the release. With the pedal
// down, released keys go on playing until it lifts.
TEST(Arpeggio, ReleasesAndThePedal)
{
    EngineHarness h(kRate);
    prepare(h, arpeggio(synth::kArpUp), 127);
    h.noteOn(0, 60, 100, 0);
    h.noteOn(0, 64, 100, 2);
    h.noteOff(0, 64, 3000);
    h.noteOff(0, 60, 3004);
    h.controlChange(0, 64, 127, 10000);
    h.noteOn(0, 67, 100, 10100);
    h.noteOn(0, 72, 100, 10105);
    h.noteOff(0, 67, 11000);
    h.noteOff(0, 72, 11002);
    h.controlChange(0, 64, 0, 20000);
    const std::vector<float> out = h.render(30000, 0, 512);
    EXPECT_GT(peakIn(out, 2990, 3010), 0.9f * peakIn(out, 2000, 2900)) << "no gap at the releases";
    EXPECT_GT(peakIn(out, 3300, 3400), 0.0f) << "the release sounds";
    EXPECT_LT(peakIn(out, 8000, 10000), 1e-4f);
    // Held by the pedal: the steps go on between the two keys.
    EXPECT_NEAR(noteIn(out, 10100 + 2 * kTick + 40, 10100 + 4 * kTick - 40), 72.0, 0.05);
    EXPECT_NEAR(noteIn(out, 10100 + 4 * kTick + 40, 10100 + 6 * kTick - 40), 67.0, 0.05);
    EXPECT_LT(peakIn(out, 26000, 30000), 0.2f * peakIn(out, 18000, 20000)) << "lifting the pedal ends it";
}

// Steps on a note value fall on its multiples counted from the song's start:
// 1/16 notes at 120 BPM are 6000 samples at 48 kHz, at 150 BPM 4800. The tempo
// changes between two steps (beat 4.125, sample 99000), so the step already
// timed for beat 4.25 moves: 99000 + 0.125 beat at 150 BPM = 101400. Each step
// restarts a tone whose volume sequence is one tick long, so every step shows
// as a burst after silence.
TEST(Arpeggio, NoteValueStepsFollowTheTempoMap)
{
    EngineHarness h(kRate);
    PartPlaySettings play = arpeggio(synth::kArpUp);
    play.arpNoteValue = 3; // 1/16
    prepare(h, play, 127);
    test::useSquareWave(h.engine);
    auto& volume = h.engine.toneExpression(0).sequence(synth::SequenceKind::Volume);
    volume.length = 2;
    volume.values = {15, 0};
    h.noteOn(0, 60, 100, 1000);
    h.transport(150.0, true, 4.125, 99000);
    const std::vector<float> out = h.render(112000, 0, 512);
    std::vector<int> starts;
    for (int i = 1; i < static_cast<int>(out.size()); ++i)
        if (out[static_cast<std::size_t>(i - 1)] == 0.0f && out[static_cast<std::size_t>(i)] != 0.0f)
            starts.push_back(i);
    const std::vector<int> expected = {1000,  6000,  12000, 18000, 24000, 30000, 36000, 42000,  48000,  54000,
                                       60000, 66000, 72000, 78000, 84000, 90000, 96000, 101400, 106200, 111000};
    EXPECT_EQ(starts, expected);
}

} // namespace
} // namespace kest::tolvane
