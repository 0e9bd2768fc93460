// SPDX-License-Identifier: GPL-3.0-or-later
// Voice search and stealing, note ends, modes, outputs, polyphony and gains.
#include <gtest/gtest.h>

#include <array>

#include "EngineHarness.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;
using kest::tolvane::test::EngineHarness;
using Voice = SynthesizerWT::VoiceUnitWT;

namespace {

// Index of the voice playing channel/key, or -1.
int voiceOf(SynthesizerWT& engine, int channel, int key)
{
    for (int i = 0; i < engine.voiceCount(); ++i) {
        const Voice& v = engine.toneVoice(i);
        if (v.status != 0 && v.channel == channel && v.key == key)
            return i;
    }
    return -1;
}

// Sustaining tone so that held voices stay held.
void useSustainTone(SynthesizerWT& engine)
{
    engine.tone(0).ar = 127;
    engine.tone(0).sl = 0;
    engine.tone(0).rr = 0; // very slow release: released voices stay releasing
}

} // namespace

TEST(VoiceSearch, FreeThenReleasingThenHeld)
{
    SynthesizerWT engine;
    engine.setPolyphony(4);
    useSustainTone(engine);
    for (int key = 60; key < 64; ++key)
        engine.noteOn(0, key, 100);
    // Search starts after the cursor: voices 1, 2, 3, 0.
    EXPECT_EQ(voiceOf(engine, 0, 60), 1);
    EXPECT_EQ(voiceOf(engine, 0, 63), 0);
    EXPECT_EQ(engine.voicePool().cursor(), 0);

    // All held: the first held voice after the cursor is stolen, re-initialised at once.
    engine.noteOn(0, 70, 100);
    EXPECT_EQ(voiceOf(engine, 0, 70), 1);
    EXPECT_EQ(voiceOf(engine, 0, 60), -1);
    EXPECT_EQ(engine.toneVoice(1).status, 0x11);

    // A releasing voice is preferred to a held one.
    engine.noteOff(0, 62); // voice 3
    engine.noteOn(0, 71, 100);
    EXPECT_EQ(voiceOf(engine, 0, 71), 3);

    // A free voice is preferred to both; voice 2 is released meanwhile.
    engine.noteOff(0, 61);
    engine.toneVoice(0).stop();
    engine.noteOn(0, 72, 100);
    EXPECT_EQ(voiceOf(engine, 0, 72), 0);
    EXPECT_EQ(engine.getActiveVoiceCount(), 4);
}

TEST(VoiceSearch, PreviousVoiceIsSkippedEvenWhenFree)
{
    SynthesizerWT engine;
    engine.setPolyphony(4);
    useSustainTone(engine);
    engine.noteOn(0, 60, 100);
    ASSERT_EQ(voiceOf(engine, 0, 60), 1);
    engine.toneVoice(1).stop();
    engine.noteOn(0, 61, 100);
    EXPECT_EQ(voiceOf(engine, 0, 61), 2);
}

TEST(VoiceSearch, SingleVoicePoolPlaysOneNoteAtATime)
{
    SynthesizerWT engine;
    EXPECT_EQ(engine.setPolyphony(1), 1);
    engine.noteOn(0, 60, 100);
    EXPECT_EQ(voiceOf(engine, 0, 60), 0);
    engine.noteOn(0, 64, 100); // steals the only voice
    EXPECT_EQ(voiceOf(engine, 0, 64), 0);
    EXPECT_EQ(engine.getActiveVoiceCount(), 1);

    EngineHarness h;
    h.engine.setPolyphony(1);
    h.noteOn(0, 69, 127, 0);
    const auto out = h.render(512);
    EXPECT_GT(test::lastAbove(out, 0.01f), 500);
}

TEST(VoiceSearch, TwoVoicePoolAlternates)
{
    SynthesizerWT engine;
    engine.setPolyphony(2);
    useSustainTone(engine);
    engine.noteOn(0, 60, 100);
    engine.noteOn(0, 61, 100);
    engine.noteOn(0, 62, 100);
    EXPECT_EQ(voiceOf(engine, 0, 60), -1);
    EXPECT_EQ(engine.getActiveVoiceCount(), 2);
}

TEST(Polyphony, RoundsToPowersOfTwo)
{
    SynthesizerWT engine;
    EXPECT_EQ(engine.setPolyphony(100), 128);
    EXPECT_EQ(engine.setPolyphony(5000), 1024);
    EXPECT_EQ(engine.voiceCount(), 1024);
    EXPECT_EQ(engine.voicePool().mask(), 1023);
    EXPECT_EQ(engine.setPolyphony(0), 1024);
    EXPECT_EQ(engine.setPolyphony(-8), 1024);
    EXPECT_EQ(engine.setPolyphony(5), 8);
    EXPECT_EQ(engine.voiceCount(), 8);
    engine.noteOn(0, 60, 100);
    engine.setPolyphony(16);
    EXPECT_EQ(engine.getActiveVoiceCount(), 0);
    EXPECT_EQ(engine.voicePool().cursor(), 0);
    EXPECT_EQ(engine.toneVoice(15).rates.pitchBase, 86859);
}

// The pool's ring mask must cover exactly its voices: a size that is not a
// power of two would let the search wrap past the last voice or skip some.
TEST(Polyphony, PoolTakesOnlyPowerOfTwoSizesAndRestartsItsSearch)
{
    EXPECT_EQ(VoicePool::roundedSize(0), 1);
    EXPECT_EQ(VoicePool::roundedSize(3), 4);
    EXPECT_EQ(VoicePool::roundedSize(4), 4);
    EXPECT_EQ(VoicePool::roundedSize(5000), VoicePool::kMaxSize);

    std::array<Voice, 8> voices;
    VoicePool pool;
    pool.adopt(voices.data(), 6);
    EXPECT_EQ(pool.size(), 0);
    EXPECT_EQ(pool.findVoice(), -1);
    EXPECT_FALSE(pool.begin() != pool.end());

    pool.adopt(voices.data(), 8);
    EXPECT_EQ(pool.size(), 8);
    EXPECT_EQ(pool.mask(), 7);
    EXPECT_EQ(&pool[7], &voices[7]);
    EXPECT_EQ(pool.findVoice(), 1);
    EXPECT_EQ(pool.cursor(), 1);
    voices[2].status = VoiceUnitBase::kHeld;
    voices[3].status = VoiceUnitBase::kReleased;
    for (int i = 4; i < 8; ++i)
        voices[static_cast<std::size_t>(i)].status = VoiceUnitBase::kHeld;
    voices[0].status = VoiceUnitBase::kHeld;
    EXPECT_EQ(pool.findVoice(), 3) << "a releasing voice before the held ones";

    pool.adopt(voices.data(), 4);
    EXPECT_EQ(pool.cursor(), 0);
    EXPECT_EQ(pool.size(), 4);
    int visited = 0;
    for (VoiceUnitBase& v : pool) {
        EXPECT_EQ(&v, &voices[static_cast<std::size_t>(visited)]);
        ++visited;
    }
    EXPECT_EQ(visited, 4);
}

TEST(NoteEnds, NoteOffReleasesEveryMatchingHeldVoice)
{
    SynthesizerWT engine;
    useSustainTone(engine);
    engine.noteOn(0, 60, 100);
    engine.noteOn(0, 60, 90);
    engine.noteOn(1, 60, 100);
    engine.noteOff(0, 60);
    int released = 0;
    for (int i = 0; i < engine.voiceCount(); ++i)
        if (engine.toneVoice(i).status == 0x21)
            ++released;
    EXPECT_EQ(released, 2);
    EXPECT_EQ(engine.toneVoice(voiceOf(engine, 1, 60)).status, 0x11);
    engine.noteOn(1, 60, 0); // velocity 0 is a note off
    EXPECT_EQ(engine.toneVoice(voiceOf(engine, 1, 60)).status, 0x21);
}

TEST(NoteEnds, SoundOffStopAndProgramChangeFade)
{
    SynthesizerWT engine;
    useSustainTone(engine);
    engine.noteOn(3, 60, 100);
    engine.noteOn(3, 61, 100);
    engine.noteOn(4, 62, 100);
    engine.noteOff(3, 61);
    engine.soundOffVoices(3);
    int fading = 0;
    for (int i = 0; i < engine.voiceCount(); ++i) {
        const Voice& v = engine.toneVoice(i);
        if (v.status == 0x41) {
            ++fading;
            EXPECT_EQ(v.channel, -1);
            EXPECT_EQ(v.envRate, engine.rateConstants().soundOffRate);
        }
    }
    EXPECT_EQ(fading, 2);
    // Fading voices no longer belong to the channel.
    engine.stopVoices(3);
    EXPECT_EQ(engine.getActiveVoiceCount(), 3);
    engine.stopVoices(-1);
    EXPECT_EQ(engine.getActiveVoiceCount(), 0);

    engine.noteOn(5, 60, 100);
    engine.programChange(5, 9);
    EXPECT_EQ(engine.part(5).program, 9);
    EXPECT_EQ(engine.toneVoice(voiceOf(engine, -1, 60)).status, 0x41);
}

TEST(Modes, MuteIgnoresNotesAndClampsToMaxMode)
{
    SynthesizerWT engine;
    engine.noteOn(2, 60, 100);
    ASSERT_EQ(engine.getActiveVoiceCount(), 1);
    engine.setMode(2, 0); // stops the part's voices at once
    EXPECT_EQ(engine.getActiveVoiceCount(), 0);
    engine.noteOn(2, 60, 100);
    EXPECT_EQ(engine.getActiveVoiceCount(), 0);
    engine.setMode(2, 9);
    EXPECT_EQ(engine.getMode(2), 3);
    engine.setDefaultMode(2, 42);
    EXPECT_EQ(engine.getDefaultMode(2), 3);
    engine.setMode(2, -4);
    EXPECT_EQ(engine.getMode(2), 0);
}

TEST(Modes, NoteOffReachesVoicesOfAMutedPartThroughTheEventPath)
{
    EngineHarness h;
    h.engine.tone(0).sl = 0;
    h.noteOn(0, 60, 100);
    h.block(16);
    h.engine.part(0).mode = 0; // muted behind the voices' back, voices kept
    h.noteOff(0, 60);
    h.block(16);
    EXPECT_EQ(h.engine.toneVoice(1).status, 0x21);
}

TEST(Gains, CentreAndPanExtremes)
{
    SynthesizerWT engine;
    engine.setMasterVolume(1.0f);
    engine.part(0).cc[7] = 127;
    engine.noteOn(0, 60, 127);
    const Voice& v = engine.toneVoice(1);
    EXPECT_NEAR(v.gainLeft, 0.7071, 1e-4);
    EXPECT_NEAR(v.gainRight, 0.7071, 1e-4);

    engine.controlChange(0, 10, 0);
    EXPECT_FLOAT_EQ(v.gainLeft, v.amp);
    EXPECT_FLOAT_EQ(v.gainRight, 0.0f);
    engine.controlChange(0, 10, 127);
    EXPECT_NEAR(v.gainLeft, 0.0123 * v.amp, 1e-4);
    EXPECT_NEAR(v.gainRight, 0.99992 * v.amp, 1e-5);

    engine.controlChange(0, 7, 100);
    EXPECT_NEAR(v.amp, 0.6226, 1e-4);
    engine.setMasterVolume(0.5f);
    EXPECT_NEAR(v.amp, 0.6226 * 0.5, 1e-4);
    EXPECT_FLOAT_EQ(v.masterVolume, 0.5f);
}

TEST(Outputs, PartsMixIntoTheirPairAndMoveAtOnce)
{
    EngineHarness h;
    h.engine.tone(0).sl = 0;
    h.engine.setPartOutput(3, 5);
    h.block(64);
    EXPECT_EQ(h.host.soundingPairs, 0u); // nothing sounds, nothing was written
    h.noteOn(3, 69, 100);
    h.block(64);
    EXPECT_GT(test::lastAbove(h.channel(10), 0.01f), 0);
    EXPECT_GT(test::lastAbove(h.channel(11), 0.01f), 0);
    EXPECT_EQ(test::lastAbove(h.channel(0), 0.0f), -1);
    EXPECT_EQ(h.host.soundingPairs, 1u << 5); // the block reports the one pair written

    h.engine.setPartOutput(3, 15);
    h.noteOn(0, 60, 100);
    h.block(64);
    EXPECT_EQ(test::lastAbove(h.channel(10), 0.0f), -1);
    EXPECT_GT(test::firstAbove(h.channel(31), 0.01f), -1);
    EXPECT_EQ(h.host.soundingPairs, (1u << 15) | 1u);
    h.engine.setPartOutput(3, 99); // held inside the 16 pairs
    EXPECT_EQ(h.engine.part(3).output, 15);
}

// The engine renders only the voices a note claimed and that have not ended
// since: the count it keeps agrees with the voices' own status through
// claims, steals, releases that end and stops.
TEST(Voices, TheActiveCountFollowsClaimsStealsAndEnds)
{
    EngineHarness h;
    h.engine.setPolyphony(4);
    h.engine.tone(0).ar = 127;
    h.engine.tone(0).sl = 0;
    h.engine.tone(0).rr = 127; // released voices end within a few samples
    auto expectCount = [&h](int expected) {
        int byStatus = 0;
        for (int i = 0; i < h.engine.voiceCount(); ++i)
            byStatus += h.engine.toneVoice(i).status != 0 ? 1 : 0;
        EXPECT_EQ(byStatus, expected);
        EXPECT_EQ(h.engine.getActiveVoiceCount(), expected);
    };
    for (int key = 60; key < 66; ++key)
        h.noteOn(key % 2, key, 100, key - 60);
    h.block(16);
    expectCount(4); // two notes stole a voice
    h.noteOff(1, 63);
    h.noteOff(1, 65);
    h.block(2048);
    expectCount(2);
    h.engine.stopVoices(0);
    expectCount(0);
    h.block(16);
    EXPECT_EQ(h.host.soundingPairs, 0u);
    h.noteOn(2, 70, 100);
    h.block(16);
    expectCount(1);
}

TEST(Outputs, PartsAddIntoASharedPair)
{
    EngineHarness one, two;
    for (EngineHarness* h : {&one, &two})
        h->engine.tone(0).sl = 0;
    one.noteOn(0, 69, 100);
    two.noteOn(0, 69, 100);
    two.noteOn(1, 69, 100);
    one.block(128);
    two.block(128);
    for (int i = 0; i < 128; ++i)
        EXPECT_FLOAT_EQ(two.channel(0)[static_cast<std::size_t>(i)],
                        2.0f * one.channel(0)[static_cast<std::size_t>(i)]);
}
