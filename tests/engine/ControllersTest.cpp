// SPDX-License-Identifier: GPL-3.0-or-later
// Control changes through the event path: stored values, voice updates,
// RPN/NRPN selection, data entry and the channel mode messages.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineHarness.h"

namespace kest::tolvane {
namespace {

using synth::SynthesizerWT;
using test::EngineHarness;
using Voice = SynthesizerWT::VoiceUnitWT;

Voice* voiceOf(SynthesizerWT& engine, int key)
{
    for (int i = 0; i < engine.voiceCount(); ++i) {
        Voice& v = engine.toneVoice(i);
        if (v.status != 0 && v.key == key)
            return &v;
    }
    return nullptr;
}

class ControllerTest : public ::testing::Test {
protected:
    void cc(int controller, int value, int channel = 0)
    {
        h.controlChange(channel, controller, value);
        h.block(1);
    }
    void rpn(int msb, int lsb, int channel = 0)
    {
        cc(101, msb, channel);
        cc(100, lsb, channel);
    }
    void nrpn(int msb, int lsb, int channel = 0)
    {
        cc(99, msb, channel);
        cc(98, lsb, channel);
    }
    Voice& play(int key, int channel = 0)
    {
        h.noteOn(channel, key, 127);
        h.block(1);
        Voice* v = voiceOf(h.engine, key);
        EXPECT_NE(v, nullptr);
        return *v;
    }
    synth::PartState& part(int channel = 0) { return h.engine.part(channel); }

    EngineHarness h;
};

// --- plain controllers ---

TEST_F(ControllerTest, PlainControllersAreStoredAndTouchNoVoice)
{
    Voice& v = play(60);
    const float left = v.gainLeft;
    const int inc = v.phaseInc;
    cc(64, 127); // pressing the pedal alone touches no voice
    cc(0, 5);
    cc(119, 77);
    EXPECT_EQ(part().cc[64], 127);
    EXPECT_EQ(part().cc[0], 5);
    EXPECT_EQ(part().cc[119], 77);
    EXPECT_EQ(v.status, Voice::kHeld);
    EXPECT_EQ(v.gainLeft, left);
    EXPECT_EQ(v.phaseInc, inc);
}

TEST_F(ControllerTest, ValuesOutsideSevenBitsAreHeldToTheRange)
{
    Voice& v = play(60);
    cc(7, 1000);
    EXPECT_EQ(part().cc[7], 127);
    EXPECT_FLOAT_EQ(v.volumeGain, 1.0f);
    cc(11, -50);
    EXPECT_EQ(part().cc[11], 0);
    cc(10, 1 << 20);
    EXPECT_EQ(part().cc[10], 127);
    // Controller numbers beyond 127 wrap to their 7 bits on the event path.
    cc(200, 9); // 200 & 127 = 72
    EXPECT_EQ(part().cc[72], 9);
}

TEST_F(ControllerTest, VolumePanExpressionReachTheChannelsVoicesOnly)
{
    Voice& mine = play(60, 0);
    Voice& other = play(61, 1);
    const float otherLeft = other.gainLeft;
    cc(7, 127);
    cc(11, 127);
    cc(10, 64);
    // cc7 127, cc11 127, velocity 127, pan centre: 0.8 x sin(pi/4) on both sides.
    EXPECT_NEAR(mine.gainLeft, 0.8f * 0.70710678f, 1e-5f);
    EXPECT_NEAR(mine.gainRight, 0.8f * 0.70710678f, 1e-5f);
    cc(10, 0);
    EXPECT_NEAR(mine.gainLeft, 0.8f, 1e-5f);
    EXPECT_EQ(mine.gainRight, 0.0f);
    cc(11, 63);
    EXPECT_NEAR(mine.gainLeft, 0.8f * 0.25f, 1e-5f);
    EXPECT_EQ(other.gainLeft, otherLeft);
}

TEST_F(ControllerTest, MutedPartStoresButLeavesVoicesAlone)
{
    Voice& v = play(60);
    const float left = v.gainLeft;
    // Mute without stopping: the release runs on while the part is muted.
    h.noteOff(0, 60);
    h.block(1);
    h.engine.part(0).mode = synth::kModeMute;
    cc(7, 10);
    EXPECT_EQ(part().cc[7], 10);
    EXPECT_EQ(v.gainLeft, left);
}

TEST_F(ControllerTest, ModulationSetsTheDepthOfSoundingVoices)
{
    h.engine.tone(0).strc = 1;
    h.engine.tone(0).lms = 9;
    Voice& v = play(60);
    EXPECT_EQ(v.lfoDepth, 0);
    cc(1, 100);
    EXPECT_EQ(part().cc[1], 100);
    EXPECT_EQ(v.lfoDepth, 900);
}

// --- RPN / NRPN selection and data entry ---

TEST_F(ControllerTest, BendSensitivityByDataEntryIncrementAndDecrement)
{
    Voice& v = play(69);
    rpn(0, 0);
    EXPECT_EQ(part().dataEntryTarget, 0);
    cc(6, 12);
    EXPECT_EQ(part().bendRange, 12);
    EXPECT_EQ(v.bendRangePitch, 8192);
    cc(96, 0);
    EXPECT_EQ(part().bendRange, 13);
    cc(97, 0);
    cc(97, 0);
    EXPECT_EQ(part().bendRange, 11);
    cc(38, 127); // no fine part
    EXPECT_EQ(part().bendRange, 11);
    EXPECT_EQ(part().cc[38], 127);
    EXPECT_EQ(part().cc[6], 12);
    // Increment and decrement are not stored.
    EXPECT_EQ(part().cc[96], 0);
    EXPECT_EQ(part().cc[97], 0);

    cc(6, 127);
    cc(96, 0);
    EXPECT_EQ(part().bendRange, 127);
    cc(6, 0);
    cc(97, 0);
    EXPECT_EQ(part().bendRange, 0);
}

TEST_F(ControllerTest, BendRangeChangeRepitchesABentVoice)
{
    Voice& v = play(69);
    h.queue.queueChannelEvent(kPitchBend, 0, 0, 0, 0); // full bend down
    h.block(1);
    const int twoSemitonesDown = v.phaseInc;
    rpn(0, 0);
    cc(6, 12);
    EXPECT_LT(v.phaseInc, twoSemitonesDown);
    EXPECT_NEAR(static_cast<double>(v.phaseInc) / 83697.0, 0.5, 0.001);
}

TEST_F(ControllerTest, SelectionNeedsBothHalvesOnce)
{
    cc(100, 0);
    EXPECT_EQ(part().dataEntryTarget, 256);
    EXPECT_EQ(part().rpnNumber, 0x4000);
    cc(101, 0);
    EXPECT_EQ(part().dataEntryTarget, 0);
    EXPECT_EQ(part().rpnNumber, 0xC000);
    // Once complete, a single half changes the target at once.
    cc(100, 5);
    EXPECT_EQ(part().dataEntryTarget, 5);
    cc(101, 1); // RPN 1/5: beyond the table
    EXPECT_EQ(part().dataEntryTarget, 256);
    rpn(127, 127);
    EXPECT_EQ(part().dataEntryTarget, 256);
}

TEST_F(ControllerTest, NrpnIsIgnoredUntilEnabled)
{
    nrpn(0, 33);
    EXPECT_EQ(part().cc[98], 0);
    EXPECT_EQ(part().cc[99], 0);
    EXPECT_EQ(part().nrpnNumber, 0);
    EXPECT_EQ(part().dataEntryTarget, 256);

    h.engine.setRpnEnabled(false);
    rpn(0, 0);
    EXPECT_EQ(part().cc[101], 0);
    EXPECT_EQ(part().dataEntryTarget, 256);
}

TEST_F(ControllerTest, NrpnModeSwitchesThePartAndStopsItsVoices)
{
    h.engine.setNrpnEnabled(true);
    Voice& v = play(60);
    nrpn(0, 33);
    EXPECT_EQ(part().dataEntryTarget, 128 + 33);
    cc(38, 3); // the fine part is ignored
    EXPECT_EQ(part().mode, 1);
    EXPECT_EQ(v.status, Voice::kHeld);
    cc(6, 3);
    EXPECT_EQ(part().mode, 3);
    EXPECT_EQ(v.status, 0);
    cc(6, 9);
    EXPECT_EQ(part().mode, 3); // held to maxMode

    nrpn(0, 32);
    cc(6, 2);
    EXPECT_EQ(part().defaultMode, 2);
    cc(6, 100);
    EXPECT_EQ(part().defaultMode, 3);
}

TEST_F(ControllerTest, NrpnMasterVolumeReachesEveryVoice)
{
    h.engine.setNrpnEnabled(true);
    Voice& v = play(60, 3);
    nrpn(0, 0);
    cc(6, 127);
    EXPECT_FLOAT_EQ(h.engine.masterVolume, 1.0f);
    EXPECT_FLOAT_EQ(v.masterVolume, 1.0f);
    cc(6, 119); // 8 steps of 0.75 dB below full: 6 dB
    EXPECT_NEAR(h.engine.masterVolume, 0.5f, 1e-6f);
    EXPECT_NEAR(v.velMaster, 0.5f, 1e-6f);
    cc(38, 0);
    cc(96, 0);
    EXPECT_NEAR(h.engine.masterVolume, 0.5f, 1e-6f);
}

TEST_F(ControllerTest, RpnAndNrpnShareTheTargetLastSelectionWins)
{
    h.engine.setNrpnEnabled(true);
    rpn(0, 0);
    nrpn(0, 33);
    EXPECT_EQ(part().dataEntryTarget, 161);
    cc(100, 0); // RPN complete since before: one half reselects bend range
    EXPECT_EQ(part().dataEntryTarget, 0);
    cc(6, 24);
    EXPECT_EQ(part().bendRange, 24);
    EXPECT_EQ(part().mode, 1);
}

TEST_F(ControllerTest, StrayDataEntryTargetDoesNothing)
{
    part().dataEntryTarget = 100000;
    cc(6, 64);
    part().dataEntryTarget = -7;
    cc(96, 0);
    EXPECT_EQ(part().bendRange, 2);
    EXPECT_EQ(part().mode, 1);
}

// --- channel mode messages ---

TEST_F(ControllerTest, ResetAllControllersKeepsVolumePanAndBendRange)
{
    h.engine.tone(0).strc = 1;
    h.engine.tone(0).lms = 4;
    Voice& v = play(69);
    const int centreInc = v.phaseInc;
    rpn(0, 0);
    cc(6, 7);
    cc(7, 90);
    cc(10, 20);
    cc(1, 50);
    cc(11, 30);
    cc(64, 127);
    h.queue.queueChannelEvent(kPitchBend, 0, 0, 127, 0);
    h.queue.queueChannelEvent(kChannelPressure, 0, 44, 0, 0);
    h.block(1);
    ASSERT_NE(v.phaseInc, centreInc);

    cc(121, 0);
    EXPECT_EQ(part().pitchBend, 8192);
    EXPECT_EQ(part().cc[1], 0);
    EXPECT_EQ(part().cc[11], 127);
    EXPECT_EQ(part().channelPressure, 0);
    EXPECT_EQ(part().rpnNumber, 0);
    EXPECT_EQ(part().nrpnNumber, 0);
    EXPECT_EQ(part().dataEntryTarget, 256);
    EXPECT_EQ(part().cc[7], 90);
    EXPECT_EQ(part().cc[10], 20);
    EXPECT_EQ(part().cc[64], 0); // the pedal lifts
    EXPECT_EQ(part().bendRange, 7);
    EXPECT_EQ(v.phaseInc, centreInc);
    EXPECT_EQ(v.lfoDepth, 0);
    EXPECT_FLOAT_EQ(v.expressionGain, 1.0f);
}

TEST_F(ControllerTest, AllSoundOffFadesHeldAndReleasingVoicesOfTheChannel)
{
    Voice& held = play(60);
    Voice& released = play(62);
    Voice& elsewhere = play(64, 2);
    h.noteOff(0, 62);
    h.block(1);
    ASSERT_EQ(released.status, Voice::kReleased);
    cc(120, 0);
    EXPECT_EQ(held.status, Voice::kFading);
    EXPECT_EQ(released.status, Voice::kFading);
    EXPECT_EQ(held.channel, -1);
    EXPECT_EQ(elsewhere.status, Voice::kHeld);
    // The fade crosses the whole range in 1/512 s.
    h.render(100, 0, 100);
    EXPECT_EQ(held.status, 0);
    EXPECT_EQ(released.status, 0);
}

TEST_F(ControllerTest, AllNotesOffReleasesHeldVoicesOfTheChannel)
{
    Voice& a = play(60);
    Voice& b = play(61);
    Voice& other = play(62, 1);
    cc(123, 0);
    EXPECT_EQ(a.status, Voice::kReleased);
    EXPECT_EQ(b.status, Voice::kReleased);
    EXPECT_EQ(a.channel, 0);
    EXPECT_EQ(other.status, Voice::kHeld);
}

// --- sustain pedal ---

TEST_F(ControllerTest, SustainHoldsNotesReleasedWhileDownUntilItLifts)
{
    Voice& early = play(60);
    Voice& other = play(61, 1); // another part's pedal stays up
    cc(64, 64);
    Voice& late = play(62);
    h.noteOff(0, 60);
    h.noteOff(0, 62);
    h.noteOff(1, 61);
    h.block(1);
    EXPECT_EQ(early.status, Voice::kHeld);
    EXPECT_EQ(late.status, Voice::kHeld);
    EXPECT_EQ(other.status, Voice::kReleased);
    const auto sustained = h.render(2000);
    double sum = 0.0;
    for (float x : sustained)
        sum += double(x) * x;
    EXPECT_GT(std::sqrt(sum / 2000.0), 0.05); // still sounding at full level

    cc(64, 63); // below 64 is up
    EXPECT_EQ(early.status, Voice::kReleased);
    EXPECT_EQ(late.status, Voice::kReleased);
    EXPECT_FALSE(early.sustained);
}

TEST_F(ControllerTest, AKeyStruckAgainUnderThePedalRestartsAsANewNote)
{
    cc(64, 127);
    Voice& first = play(60);
    h.noteOff(0, 60);
    h.block(1);
    ASSERT_EQ(first.status, Voice::kHeld);
    h.noteOn(0, 60, 100);
    h.block(1);
    EXPECT_EQ(first.status, Voice::kReleased);
    int held = 0;
    for (int i = 0; i < h.engine.voiceCount(); ++i)
        held += h.engine.toneVoice(i).status == Voice::kHeld && h.engine.toneVoice(i).key == 60;
    EXPECT_EQ(held, 1);
}

TEST_F(ControllerTest, ChannelMessagesEndNotesThePedalHolds)
{
    cc(64, 127);
    Voice& a = play(60);
    h.noteOff(0, 60);
    h.block(1);
    cc(123, 0); // All Notes Off
    EXPECT_EQ(a.status, Voice::kReleased);

    Voice& b = play(61);
    h.noteOff(0, 61);
    h.block(1);
    cc(120, 0); // All Sound Off
    EXPECT_EQ(b.status, Voice::kFading);

    h.render(200);
    Voice& c = play(62);
    h.noteOff(0, 62);
    h.block(1);
    ASSERT_EQ(c.status, Voice::kHeld);
    cc(121, 0); // Reset All Controllers lifts the pedal
    EXPECT_EQ(c.status, Voice::kReleased);
    EXPECT_EQ(part().cc[64], 0);
}

// --- RPN 1 and 2: tuning ---

TEST_F(ControllerTest, FineAndCoarseTuningRetuneTheParts)
{
    Voice& v = play(69);
    Voice& other = play(70, 1);
    const int otherInc = other.phaseInc;
    const double a4 = v.phaseInc;
    rpn(0, 2);
    cc(6, 76); // +12 semitones
    EXPECT_EQ(part().coarseTune, 76);
    EXPECT_NEAR(v.phaseInc / a4, 2.0, 0.002);
    EXPECT_EQ(other.phaseInc, otherInc);
    cc(38, 100); // coarse tuning has no fine part
    EXPECT_EQ(part().coarseTune, 76);
    cc(97, 0);
    EXPECT_EQ(part().coarseTune, 75);
    cc(6, 64);

    rpn(0, 1);
    cc(6, 96); // 96 × 128 = 12288: half a semitone up
    EXPECT_EQ(part().fineTune, 12288);
    EXPECT_NEAR(v.phaseInc / a4, std::exp2(0.5 / 12.0), 0.001);
    cc(38, 127);
    EXPECT_EQ(part().fineTune, 12288 + 127);
    cc(6, 0); // the MSB keeps the LSB: the bottom of the range, one semitone down
    EXPECT_EQ(part().fineTune, 127);
    EXPECT_NEAR(v.phaseInc / a4, std::exp2(-1.0 / 12.0), 0.002);

    // A new note starts at the part's tuning; Reset All Controllers keeps it.
    cc(121, 0);
    EXPECT_EQ(part().fineTune, 127);
    Voice& fresh = play(69);
    EXPECT_EQ(fresh.phaseInc, v.phaseInc);
}

// Mode messages (124-127) release held notes; what they play next is the play-mode tests' concern.
TEST_F(ControllerTest, LocalControlDoesNothingAndModeMessagesKeepThePartsMode)
{
    Voice& v = play(60);
    cc(122, 127);
    EXPECT_EQ(v.status, Voice::kHeld);
    for (int controller : {124, 125, 126, 127})
        cc(controller, 127);
    EXPECT_NE(v.status, Voice::kHeld);
    EXPECT_EQ(part().mode, 1);
}

TEST_F(ControllerTest, DirectControllerCallsUseTheSameTable)
{
    Voice& v = play(60);
    h.engine.runControllerHandler(0, 7, 127);
    EXPECT_EQ(part().cc[7], 127);
    EXPECT_FLOAT_EQ(v.volumeGain, 1.0f);
    h.engine.controlChange(0, 121, 0);
    EXPECT_EQ(part().cc[11], 127);
}

} // namespace
} // namespace kest::tolvane
