// SPDX-License-Identifier: GPL-3.0-or-later
// The sequences page (0x11) and step (0x12) values as the engine's record
// takes them, the playhead the audio thread publishes, and the tone on show
// following what the current part plays.
#include <limits>

#include "CoreTestSupport.h"

namespace kest::tolvane::plugin::testing {
namespace {

using synth::SequenceKind;
using synth::ToneSequence;

class SequenceValues : public ContextTest {
protected:
    const ToneSequence& sequence(SequenceKind kind)
    {
        return context.synth->toneExpression(context.currentTone).sequence(kind);
    }
    void programChange(int channel, int program)
    {
        context.eventQueue->queueChannelEvent(kProgramChange, channel, program, 0, 0);
        render();
    }
};

TEST_F(SequenceValues, StepsAndSettingsReachTheCurrentTonesRecordAsPlainValues)
{
    apply(ids::tone::kSelect, 7.0f / 255.0f);
    EXPECT_EQ(apply(ids::sequence::kKind, 1.0f), 1.0f); // ARP
    // A step past the end lengthens the sequence, the steps between holding the last value.
    EXPECT_EQ(apply(ids::sequenceStep::id(0), 4.0f), 4.0f);
    EXPECT_EQ(apply(ids::sequenceStep::id(3), 200.0f), 96.0f); // held to the relative range
    const ToneSequence& arp = sequence(SequenceKind::Arpeggio);
    EXPECT_EQ(arp.length, 4);
    EXPECT_EQ((std::vector<int>{arp.values[0], arp.values[1], arp.values[2], arp.values[3]}),
              (std::vector<int>{4, 4, 4, 96}));
    EXPECT_EQ(apply(ids::sequence::kLoop, 1.0f), 1.0f);
    EXPECT_EQ(apply(ids::sequence::kRelease, 9.0f), 4.0f); // at most the length: a release after the last step
    EXPECT_EQ(apply(ids::sequence::kStepTicks, 0.0f), 1.0f);
    EXPECT_EQ(apply(ids::sequence::kDelay, 300.0f), 255.0f);
    // Fixed notes are 0..127: the negative ones go.
    apply(ids::sequenceStep::id(1), -12.0f);
    EXPECT_EQ(apply(ids::sequence::kMode, 1.0f), 1.0f);
    EXPECT_EQ(arp.values[1], 0);
    // Shortening drops the points past the new end; NaN changes nothing.
    EXPECT_EQ(apply(ids::sequence::kLength, 1.0f), 1.0f);
    EXPECT_EQ(arp.loop, ToneSequence::kNone);
    EXPECT_EQ(arp.release, ToneSequence::kNone);
    EXPECT_EQ(apply(ids::sequence::kLength, std::numeric_limits<float>::quiet_NaN()), 1.0f);
    EXPECT_EQ(apply(ids::sequence::kRelease, 1.0f), 1.0f);
    EXPECT_EQ(apply(ids::sequence::kRelease, -1.0f), -1.0f);
    EXPECT_EQ(arp.release, ToneSequence::kNone);

    // A first VOL step starts from full level; VOL has no fixed mode.
    apply(ids::sequence::kKind, 0.0f);
    EXPECT_EQ(apply(ids::sequenceStep::id(2), 3.0f), 3.0f);
    EXPECT_EQ(apply(ids::sequence::kMode, 1.0f), 0.0f);
    const ToneSequence& vol = sequence(SequenceKind::Volume);
    EXPECT_EQ((std::vector<int>{vol.values[0], vol.values[1], vol.values[2]}), (std::vector<int>{15, 15, 3}));

    EXPECT_EQ(apply(ids::sequence::kLfoDelay, 30.0f), 30.0f);
    EXPECT_EQ(apply(ids::sequence::kLfoDepth, 500.0f), 127.0f);
    EXPECT_EQ(context.synth->toneExpression(7).lfo, (synth::ToneLfoTiming{30, 0, 127}));
    EXPECT_EQ(apply(ids::sequence::kTickRate, 0.0f), 1.0f);
    EXPECT_EQ(apply(ids::sequence::kTickRate, 50.0f), 50.0f);
    EXPECT_EQ(context.synth->getTickRate(), 50);

    apply(ids::sequence::kClear, 0.0f);
    EXPECT_TRUE(vol.isDefault());
    EXPECT_FALSE(arp.isEmpty());
    apply(ids::sequence::kClearAll, 0.0f);
    EXPECT_FALSE(context.synth->toneExpression(7).hasSequences());
    EXPECT_EQ(context.synth->toneExpression(7).lfo.delay, 30) << "the LFO timing stays";
    EXPECT_TRUE(context.synth->toneExpression(0).isNeutral()) << "only the current tone was edited";
}

TEST_F(SequenceValues, ThePlayheadFollowsTheCurrentPartsLastNoteStepByStep)
{
    EXPECT_EQ(context.playhead().tone, -1);
    apply(ids::sequence::kTickRate, 60.0f);
    apply(ids::sequence::kKind, 1.0f);
    apply(ids::sequenceStep::id(0), 0.0f);
    apply(ids::sequenceStep::id(1), 4.0f);
    apply(ids::sequenceStep::id(2), 7.0f);
    apply(ids::sequence::kLoop, 0.0f);
    apply(ids::sequence::kStepTicks, 2.0f);
    noteOn(0, 60);
    render(64);
    EngineContext::Playhead playhead = context.playhead();
    EXPECT_EQ(playhead.tone, 0);
    EXPECT_TRUE(playhead.sounding);
    EXPECT_EQ(playhead.steps, (std::array<int, 4>{-1, 0, -1, -1}));
    // 44.1 kHz, 60 ticks: 735 samples a tick, two ticks a step.
    std::vector<int> seen;
    for (int block = 0; block < 100; ++block) {
        render(64);
        if (seen.empty() || seen.back() != context.playhead().steps[1])
            seen.push_back(context.playhead().steps[1]);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0, 1}));
    // Another part's notes are not the current part's.
    noteOn(3, 40);
    render(64);
    EXPECT_EQ(context.playhead().tone, 0);
    context.stopAllVoices();
    render(64);
    EXPECT_FALSE(context.playhead().sounding);
    EXPECT_EQ(context.playhead().steps, (std::array<int, 4>{-1, -1, -1, -1}));
}

TEST_F(SequenceValues, TheToneOnShowFollowsTheSoundUntilPickedByHand)
{
    programChange(0, 89);
    EXPECT_EQ(context.currentTone, 89);
    EXPECT_EQ(context.currentWaveTable, context.synth->tone(89).wave);
    // Picked by hand: it stays, whatever the part plays.
    apply(ids::tone::kSelect, 12.0f / 255.0f);
    render();
    EXPECT_EQ(context.currentTone, 12);
    EXPECT_FALSE(context.toneFollowsPart());
    // The next program change on the current part follows again; one on another part does not.
    programChange(5, 30);
    EXPECT_EQ(context.currentTone, 12);
    programChange(0, 40);
    EXPECT_EQ(context.currentTone, 40);

    // Percussion mode: the tone of the last key played, until one is picked by hand.
    apply(ids::part::kMode, 2.0f / 3.0f);
    EXPECT_EQ(context.currentTone, synth::kPercussionToneBase);
    noteOn(0, 38);
    render();
    EXPECT_EQ(context.currentTone, synth::kPercussionToneBase + 38);
    apply(ids::tone::kSelect, 130.0f / 255.0f);
    noteOn(0, 42);
    render();
    EXPECT_EQ(context.currentTone, 130);
    // A part selection follows again (the same part chosen anew too).
    apply(ids::part::kSelect, 0.0f);
    EXPECT_EQ(context.currentTone, synth::kPercussionToneBase + 42);

    // A loaded state shows what its current part plays, a hand-picked tone or not.
    apply(ids::part::kMode, 1.0f / 3.0f);
    context.synth->part(0).program = 77;
    MemoryByteWriter saved;
    ASSERT_TRUE(context.writeState(saved));
    apply(ids::tone::kSelect, 3.0f / 255.0f);
    MemoryByteReader reader(saved.bytes);
    ASSERT_TRUE(context.readState(reader, false));
    EXPECT_EQ(context.currentTone, 77);
    EXPECT_TRUE(context.toneFollowsPart());
}

} // namespace
} // namespace kest::tolvane::plugin::testing
