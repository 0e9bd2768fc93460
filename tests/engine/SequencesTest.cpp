// SPDX-License-Identifier: GPL-3.0-or-later
// Tone sequences and the LFO's delay on the tick clock: where ticks fall in the
// samples, how a sequence steps while held and after release, what each kind
// does to the sound, and that the samples are the same at every block size
// and in every render set.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <span>
#include <tuple>
#include <vector>

#include "EngineHarness.h"
#include "ExpressionSysEx.h"
#include "SequenceCursor.h"

namespace kest::tolvane {
namespace {

using synth::SequenceCursor;
using synth::SequenceKind;
using synth::SynthesizerWT;
using synth::ToneSequence;
using test::EngineHarness;
using test::useSquareWave;
using Voice = SynthesizerWT::VoiceUnitWT;

constexpr std::uint8_t kNone = ToneSequence::kNone;

ToneSequence sequenceOf(std::initializer_list<int> values, std::uint8_t loop = kNone, std::uint8_t release = kNone,
                        int mode = synth::kSequenceRelative, int stepTicks = 1, int delay = 0)
{
    ToneSequence s;
    for (int v : values)
        s.values[s.length++] = static_cast<std::int16_t>(v);
    s.loop = loop;
    s.release = release;
    s.mode = static_cast<std::uint8_t>(mode);
    s.stepTicks = static_cast<std::uint8_t>(stepTicks);
    s.delay = static_cast<std::uint8_t>(delay);
    return s;
}

const Voice* soundingVoice(SynthesizerWT& engine)
{
    for (int i = 0; i < engine.voiceCount(); ++i)
        if (engine.toneVoice(i).isSounding())
            return &engine.toneVoice(i);
    return nullptr;
}

// --- the cursor: where a sequence stands, tick by tick ---

struct CursorCase {
    const char* name;
    ToneSequence sequence;
    int releaseAtTick;      // -1: held throughout
    std::vector<int> steps; // the step at ticks 0, 1, 2, ... (-1: none yet)
    bool endsHeld;          // holding for good after the last listed tick
};

void PrintTo(const CursorCase& c, std::ostream* out) { *out << c.name; }

class CursorSteps : public ::testing::TestWithParam<CursorCase> {};

TEST_P(CursorSteps, StepsTickByTick)
{
    const CursorCase& c = GetParam();
    SequenceCursor cursor;
    cursor.start(c.sequence);
    std::vector<int> steps{cursor.step()};
    for (int tick = 1; tick < static_cast<int>(c.steps.size()); ++tick) {
        if (tick == c.releaseAtTick)
            cursor.release();
        cursor.tick(c.sequence);
        steps.push_back(cursor.step());
    }
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(cursor.ended(c.sequence), c.endsHeld);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CursorSteps,
    ::testing::Values(
        // "15 | 10 8 / 6 4 0": held it plays 15 10 8 10 8 ...; released, 6 4 0 and holds.
        CursorCase{"HeldLoopThenRelease",
                   sequenceOf({15, 10, 8, 6, 4, 0}, 1, 3),
                   7,
                   {0, 1, 2, 1, 2, 1, 2, 3, 4, 5, 5, 5},
                   true},
        // The release waits for the next step boundary (steps of 3 ticks).
        CursorCase{"ReleaseAtTheNextStepBoundary",
                   sequenceOf({1, 2, 3, 4}, 0, 2, 0, 3),
                   4,
                   {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3},
                   true},
        // Without a loop the last held step holds until the release.
        CursorCase{"LastHeldStepHolds", sequenceOf({1, 2, 3, 4}, kNone, 2), 5, {0, 1, 1, 1, 1, 2, 3, 3}, true},
        // A loop after the release point loops the released part only.
        CursorCase{"LoopInTheReleasedPart", sequenceOf({1, 2, 3, 4}, 2, 2), 2, {0, 1, 2, 3, 2, 3, 2}, false},
        // Without a release point a key release changes nothing.
        CursorCase{"NoReleasePointIgnoresTheKey", sequenceOf({1, 2, 3}, 1), 2, {0, 1, 2, 1, 2, 1}, false},
        CursorCase{"PlaysOnceAndHolds", sequenceOf({12, 6, 0, -6, -12}), -1, {0, 1, 2, 3, 4, 4, 4}, true},
        // The delay holds the neutral value; a release during it jumps at its end.
        CursorCase{"DelayThenSteps", sequenceOf({5, 6}, kNone, kNone, 0, 1, 3), -1, {-1, -1, -1, 0, 1, 1}, true},
        CursorCase{"ReleaseDuringTheDelay", sequenceOf({5, 6, 7}, kNone, 2, 0, 1, 3), 1, {-1, -1, -1, 2, 2}, true},
        // An empty released part: the release holds what plays.
        CursorCase{"EmptyReleasedPart", sequenceOf({1, 2}, 0, 2), 3, {0, 1, 0, 0, 0}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the tick clock in the samples ---

struct TickCase {
    float sampleRate;
    int tickRate;
    int firstTick, secondTick; // samples after note-on
};

class TickPositions : public ::testing::TestWithParam<TickCase> {};

// A looped volume sequence "| 15 0" makes each tick audible: sound, silence,
// sound. The note starts at an odd sample inside a block.
TEST_P(TickPositions, TicksStartAtWholeSamplesCountedFromNoteOn)
{
    const TickCase& c = GetParam();
    EngineHarness h(c.sampleRate);
    h.engine.setTickRate(c.tickRate);
    useSquareWave(h.engine);
    h.engine.toneExpression(0).sequence(SequenceKind::Volume) = sequenceOf({15, 0}, 0);
    constexpr int kNoteOn = 37;
    h.noteOn(0, 69, 100, kNoteOn);
    const std::vector<float> out = h.render(c.secondTick + kNoteOn + 100, 0, 333);

    EXPECT_EQ(test::firstAbove(out, 1e-6f), kNoteOn);
    int silentFrom = kNoteOn;
    while (std::abs(out[static_cast<std::size_t>(silentFrom)]) > 1e-6f)
        ++silentFrom;
    EXPECT_EQ(silentFrom - kNoteOn, c.firstTick);
    EXPECT_EQ(test::firstAbove(out, 1e-6f, silentFrom) - kNoteOn, c.secondTick);
}

INSTANTIATE_TEST_SUITE_P(Rates, TickPositions,
                         ::testing::Values(TickCase{48000.0f, 60, 800, 1600}, TickCase{44100.0f, 60, 735, 1470},
                                           TickCase{44100.0f, 50, 882, 1764}, TickCase{48000.0f, 7, 6857, 13714}),
                         [](const auto& info) {
                             return std::to_string(static_cast<int>(info.param.sampleRate)) + "Hz_" +
                                    std::to_string(info.param.tickRate) + "Ticks";
                         });

// --- what each kind does ---

// The phase increment of a plain note of key `note` (and tune): what a tone
// plays when its sequences put it at that pitch.
std::int32_t plainPitch(int note, int tune = 8192)
{
    EngineHarness h(48000.0f);
    h.engine.tone(0).tune = tune;
    h.noteOn(0, note, 100);
    h.block(1);
    return soundingVoice(h.engine)->phaseInc;
}

// The voice's phase increment at ticks 0, 1, 2, ... at 48 kHz and 60 ticks a second.
std::vector<std::int32_t> pitchPerTick(SynthesizerWT& engine, int key, int ticks)
{
    EngineHarness h(48000.0f);
    h.engine.toneExpression(0) = engine.toneExpression(0);
    h.noteOn(0, key, 100);
    std::vector<std::int32_t> pitches;
    for (int tick = 0; tick < ticks; ++tick) {
        h.block(800);
        pitches.push_back(soundingVoice(h.engine)->phaseInc);
    }
    return pitches;
}

TEST(SequencePitch, FixedArpeggioPlaysItsNotesThenReturnsToThePlayedNote)
{
    SynthesizerWT setup;
    setup.toneExpression(0).sequence(SequenceKind::Arpeggio) =
        sequenceOf({72, 36}, kNone, kNone, synth::kSequenceFixed);
    EXPECT_EQ(pitchPerTick(setup, 60, 4),
              (std::vector<std::int32_t>{plainPitch(72), plainPitch(36), plainPitch(60), plainPitch(60)}));
}

TEST(SequencePitch, RelativeArpeggioLoopsAChordOnOneKeyAndStaysInRange)
{
    SynthesizerWT setup;
    setup.toneExpression(0).sequence(SequenceKind::Arpeggio) = sequenceOf({0, 4, 7}, 0);
    EXPECT_EQ(pitchPerTick(setup, 60, 5), (std::vector<std::int32_t>{plainPitch(60), plainPitch(64), plainPitch(67),
                                                                     plainPitch(60), plainPitch(64)}));
    setup.toneExpression(0).sequence(SequenceKind::Arpeggio) = sequenceOf({-96, 96});
    EXPECT_EQ(pitchPerTick(setup, 120, 2), (std::vector<std::int32_t>{plainPitch(24), plainPitch(127)}));
}

// A pitch step of p sixteenths of a semitone is the nearest of 128 p / 3 pitch
// units, the same as a tune offset of that many units.
TEST(SequencePitch, RelativePitchSweepsEachTickAndAbsolutePitchIsAnOffset)
{
    SynthesizerWT setup;
    setup.toneExpression(0).sequence(SequenceKind::Pitch) = sequenceOf({-4}, 0);
    EXPECT_EQ(pitchPerTick(setup, 69, 3),
              (std::vector<std::int32_t>{plainPitch(69, 8192 - 171), plainPitch(69, 8192 - 341),
                                         plainPitch(69, 8192 - 512)}));
    setup.toneExpression(0).sequence(SequenceKind::Pitch) =
        sequenceOf({16, -1, 0}, kNone, kNone, synth::kSequenceFixed);
    EXPECT_EQ(pitchPerTick(setup, 69, 3),
              (std::vector<std::int32_t>{plainPitch(70), plainPitch(69, 8192 - 43), plainPitch(69)}));
}

TEST(SequencePitch, ARelativeSweepStopsFourOctavesAway)
{
    SynthesizerWT setup;
    setup.toneExpression(0).sequence(SequenceKind::Pitch) = sequenceOf({300}, 0);
    EXPECT_EQ(pitchPerTick(setup, 30, 5).back(), plainPitch(78));
}

// Tone 0 as a square playing the volume sequence on key 69 from the start,
// released at `noteOffAt` (-1: held), and the level of each tick as the peak
// magnitude of its samples.
std::vector<float> peakPerTick(EngineHarness& h, const ToneSequence& volume, int noteOffAt, int ticks)
{
    useSquareWave(h.engine);
    h.engine.tone(0).rr = 0; // a release too slow to show in these ticks
    h.engine.toneExpression(0).sequence(SequenceKind::Volume) = volume;
    h.noteOn(0, 69, 100);
    if (noteOffAt >= 0)
        h.noteOff(0, 69, noteOffAt);
    std::vector<float> peaks;
    for (int tick = 0; tick < ticks; ++tick) {
        const std::vector<float> out = h.render(800, 0, 800);
        float peak = 0.0f;
        for (float s : out)
            peak = std::max(peak, std::abs(s));
        peaks.push_back(peak);
    }
    return peaks;
}

// Each tick's level in fifteenths of the first tick's.
void expectLevels(const std::vector<float>& peaks, const std::vector<int>& fifteenths)
{
    for (std::size_t tick = 0; tick < fifteenths.size(); ++tick)
        EXPECT_NEAR(peaks[tick], peaks[0] * fifteenths[tick] / 15.0f, 0.003f * peaks[0]) << "tick " << tick;
}

TEST(SequenceVolume, StepsAttenuateBy20Log15OverVAndZeroEndsTheNote)
{
    EngineHarness h(48000.0f);
    const std::vector<float> peaks = peakPerTick(h, sequenceOf({15, 10, 8, 6, 4, 0}, 1, 3), 6 * 800 + 10, 12);
    expectLevels(peaks, {15, 10, 8, 10, 8, 10, 8, 6, 4, 0, 0, 0});
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0) << "a volume sequence that ends on 0 frees the voice";
}

// The held part has run out and holds when the key is released between two
// step boundaries (here after the one at tick 3): the voice stays on the tick
// clock until the boundary, then plays the released part and ends on its 0.
TEST(SequenceVolume, AReleaseAfterTheHeldPartRanOutPlaysTheReleasedPart)
{
    EngineHarness h(48000.0f);
    const std::vector<float> peaks = peakPerTick(h, sequenceOf({15, 6, 0}, kNone, 1, 0, 3), 3 * 800 + 10, 13);
    expectLevels(peaks, {15, 15, 15, 15, 15, 15, 6, 6, 6, 0, 0, 0});
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST(SequenceVolume, ALoopThroughZeroKeepsTheVoiceAndSilenceIsSilent)
{
    EngineHarness h(48000.0f);
    const std::vector<float> peaks = peakPerTick(h, sequenceOf({0, 15}, 0), -1, 4);
    EXPECT_EQ(peaks[0], 0.0f);
    EXPECT_GT(peaks[1], 0.1f);
    EXPECT_EQ(peaks[2], 0.0f);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 1);
}

TEST(SequenceWave, StepsChangeTheTableAndTheEndReturnsNothing)
{
    EngineHarness h(48000.0f);
    useSquareWave(h.engine);
    h.engine.tone(0).wave = 0; // the tone's own table: the power-on sine
    h.engine.toneExpression(0).sequence(SequenceKind::Wave) = sequenceOf({1, 0, 1});
    h.noteOn(0, 69, 100);
    h.block(1);
    const Voice& v = *soundingVoice(h.engine);
    EXPECT_EQ(v.wave, std::as_const(h.engine).waveTable(1));
    h.block(800);
    EXPECT_EQ(v.wave, std::as_const(h.engine).waveTable(0));
    h.block(800);
    h.block(800);
    EXPECT_EQ(v.wave, std::as_const(h.engine).waveTable(1)) << "the last step holds";
}

// The short register repeats every 127 clocks (one a sample at key 127); the
// 15-bit one does not. A later step back to 0 returns to the long register.
TEST(SequenceWave, NoiseToneSelectsTheShortRegister)
{
    EngineHarness h(48000.0f);
    h.engine.tone(0).strc = 3;
    h.engine.toneExpression(0).sequence(SequenceKind::Wave) = sequenceOf({1, 1, 0});
    h.noteOn(0, 127, 100);
    auto repeatsEvery127 = [](const std::vector<float>& s) {
        for (std::size_t i = 100; i + 127 < s.size(); ++i)
            if ((s[i] > 0.0f) != (s[i + 127] > 0.0f))
                return false;
        return true;
    };
    const std::vector<float> shortTicks = h.render(1600, 0, 1600);
    EXPECT_TRUE(repeatsEvery127(shortTicks));
    const std::vector<float> longTick = h.render(800, 0, 800);
    EXPECT_FALSE(repeatsEvery127(longTick));
    EXPECT_EQ(soundingVoice(h.engine)->structure, synth::VoiceStructure::Noise);
}

// --- the LFO's delay, fade and own depth ---

TEST(LfoTiming, DepthWaitsTheDelayThenRisesOverTheFade)
{
    EngineHarness h(48000.0f);
    auto& tone = h.engine.tone(0);
    tone.strc = 1;
    tone.lms = 8;
    h.engine.toneExpression(0).lfo = {3, 4, 100};
    h.noteOn(0, 69, 100); // the wheel stays at 0: the tone's own depth drives it
    std::vector<int> depths;
    std::vector<int> offsets;
    for (int tick = 0; tick < 9; ++tick) {
        h.block(800);
        depths.push_back(soundingVoice(h.engine)->lfoDepth);
        offsets.push_back(soundingVoice(h.engine)->lfoPitchOffset);
    }
    EXPECT_EQ(depths, (std::vector<int>{0, 0, 0, 0, 200, 400, 600, 800, 800}));
    EXPECT_EQ(offsets[0] | offsets[1] | offsets[2], 0) << "no vibrato during the delay";

    h.controlChange(0, 1, 127); // a wheel above the tone's depth takes over
    h.block(1);
    EXPECT_EQ(soundingVoice(h.engine)->lfoDepth, 8 * 127);
}

// --- the same samples at every block size, in every render set, play modes too ---

// Four parts, each with sequences of every kind, LFO timing, a noise tone on
// the short register and a percussion tone, notes released and struck again;
// two more parts in play modes (see renderSequenceSong).
void prepareSequenceSong(SynthesizerWT& engine)
{
    engine.setTickRate(50);
    useSquareWave(engine, 1);
    for (int t : {0, 1, 2})
        engine.tone(t).ar = 110;
    engine.tone(0).strc = 1;
    engine.tone(0).lms = 6;
    engine.tone(2).strc = 3;
    auto& lead = engine.toneExpression(0);
    lead.lfo = {5, 3, 90};
    lead.sequence(SequenceKind::Pitch) = sequenceOf({-3, 2}, 0, kNone, synth::kSequenceRelative, 2);
    auto& chord = engine.toneExpression(1);
    chord.sequence(SequenceKind::Arpeggio) = sequenceOf({0, 4, 7, 12}, 0, 3);
    chord.sequence(SequenceKind::Volume) = sequenceOf({15, 12, 9, 7, 3, 0}, 1, 3);
    chord.sequence(SequenceKind::Wave) = sequenceOf({1, 0}, 0, kNone, 0, 3, 2);
    engine.toneExpression(2).sequence(SequenceKind::Wave) = sequenceOf({1, 0}, 0, kNone, 0, 4);
    engine.setMode(3, synth::kModePercussion);
    auto& kick = engine.toneExpression(128 + 36);
    kick.sequence(SequenceKind::Arpeggio) = sequenceOf({60, 48, 40, 36}, kNone, kNone, synth::kSequenceFixed);
    kick.sequence(SequenceKind::Volume) = sequenceOf({15, 15, 12, 8, 4, 0});
    for (int part = 0; part < 3; ++part)
        engine.part(part).program = part;
}

std::vector<float> renderSequenceSong(const synth::VoiceRunKernels* kernels, int blockSize)
{
    EngineHarness h;
    h.engine.useVoiceRunKernels(kernels);
    prepareSequenceSong(h.engine);
    // Parts 4 and 5 in play modes set by NRPN: part 4 LEGATO with slides
    // (0/34), part 5 arpeggiating up and down over two octaves in 1/32 notes at
    // the host's 150 BPM (0/35, 0/36, 0/38).
    h.engine.nrpnEnabled = true;
    int time = 0;
    auto nrpn = [&](int channel, int number, int value) {
        h.controlChange(channel, 99, 0, time++);
        h.controlChange(channel, 98, number, time++);
        h.controlChange(channel, 6, value, time++);
    };
    nrpn(4, 34, 2);
    h.controlChange(4, 65, 127, time++);
    h.controlChange(4, 5, 20, time++);
    nrpn(5, 35, 3);
    nrpn(5, 36, 2);
    nrpn(5, 38, 5);
    h.transport(150.0, true, 0.0, 0);
    for (int i = 0; i < 8; ++i) {
        h.noteOn(4, 55 + 3 * i, 90, 1000 + 3001 * i);
        h.noteOff(4, 55 + 3 * i, 1000 + 3001 * i + 4500);
        h.noteOn(5, 60 + i, 90, 2000 + 2503 * i);
        h.noteOff(5, 60 + i, 24000 + 7 * i);
    }
    for (int i = 0; i < 6; ++i) {
        const int at = 13 + 4409 * i;
        h.noteOn(i % 3, 48 + 7 * i, 90, at);
        h.noteOff(i % 3, 48 + 7 * i, at + 6000 + 311 * i);
        h.noteOn(3, 36, 120, at + 2000);
    }
    std::vector<float> left, right;
    constexpr int kTotal = 40000;
    for (int done = 0; done < kTotal; done += blockSize) {
        const int n = std::min(blockSize, kTotal - done);
        h.block(n);
        left.insert(left.end(), h.channel(0).begin(), h.channel(0).begin() + n);
        right.insert(right.end(), h.channel(1).begin(), h.channel(1).begin() + n);
    }
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

TEST(SequenceRenders, IdenticalAtEveryBlockSizeInEveryRenderSet)
{
    const std::vector<float> reference = renderSequenceSong(synth::perSampleVoiceRunKernels(), 4096);
    int sounding = 0;
    for (float s : reference)
        sounding += s != 0.0f ? 1 : 0;
    ASSERT_GT(sounding, 40000);
    for (const synth::VoiceRunKernels* kernels :
         {synth::perSampleVoiceRunKernels(), synth::scalarVoiceRunKernels(), synth::avx2VoiceRunKernels()}) {
        if (!kernels)
            continue;
        for (int blockSize : {1, 61, 512, 4096}) {
            const std::vector<float> out = renderSequenceSong(kernels, blockSize);
            ASSERT_EQ(out.size(), reference.size());
            EXPECT_EQ(std::memcmp(out.data(), reference.data(), out.size() * sizeof(float)), 0)
                << kernels->name << " at blocks of " << blockSize;
        }
    }
}

// --- System Exclusive ---

// The manual's example: tone 0's arpeggio "| 0 4 7" and 50 ticks a second.
TEST(SequenceSysEx, TheManualsExampleBytes)
{
    EngineHarness h;
    h.engine.receiveSysEx = true;
    for (const std::vector<std::uint8_t>& message : std::vector<std::vector<std::uint8_t>>{
             {0x7D, 0x10, 0x20, 0x0A, 0x00, 0x0C, 0x03, 0x00, 0x7F, 0x00, 0x01, 0x00, 0x00, 0xF7},
             {0x7D, 0x10, 0x20, 0x11, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x07, 0x00, 0xF7},
             {0x7D, 0x10, 0x20, 0x00, 0x00, 0x02, 0x32, 0x00, 0xF7}})
        h.engine.systemExclusive(message.data(), static_cast<int>(message.size()));
    EXPECT_EQ(h.engine.toneExpression(0).sequence(SequenceKind::Arpeggio), sequenceOf({0, 4, 7}, 0));
    EXPECT_EQ(h.engine.getTickRate(), 50);
}

// A record image written to tone 9's record in the block.
void sendRecord(EngineHarness& h, int block, std::span<const std::uint8_t> image)
{
    std::vector<std::uint8_t> message{0x7D, 0x10, 0x20, static_cast<std::uint8_t>(block), 9, 0};
    message.insert(message.end(), image.begin(), image.end());
    message.push_back(0xF7);
    h.engine.systemExclusive(message.data(), static_cast<int>(message.size()));
}

TEST(SequenceSysEx, RecordsRoundTripThroughTheirImagesInBothBanks)
{
    EngineHarness h;
    h.engine.receiveSysEx = true;
    synth::ToneExpression sent;
    sent.lfo = {200, 17, 99};
    sent.sequence(SequenceKind::Pitch) = sequenceOf({-768, 768, -1, 5}, 2, 1, synth::kSequenceFixed, 16, 255);
    sent.sequence(SequenceKind::Wave) = sequenceOf({127, 0}, kNone, 2, 0, 3);
    for (bool percussion : {false, true}) {
        sendRecord(h, synth::expressionSettingsBlock(percussion), synth::encodeExpressionSettings(sent));
        for (SequenceKind kind : {SequenceKind::Pitch, SequenceKind::Wave})
            sendRecord(h, synth::sequenceValuesBlock(percussion, kind),
                       synth::encodeSequenceValues(sent.sequence(kind)));
        EXPECT_EQ(h.engine.toneExpression(percussion ? 128 + 9 : 9), sent);
    }
}

} // namespace
} // namespace kest::tolvane
