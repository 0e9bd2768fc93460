// SPDX-License-Identifier: GPL-3.0-or-later
// The system (0x00) and part (0x01) value ids: effect on the engine, echo,
// selection rules, and that unknown ids and wild values are harmless.
#include <cmath>
#include <limits>

#include "CoreTestSupport.h"

namespace kest::tolvane::plugin::testing {
namespace {

using Voice = synth::MultiTimberSynthBase::VoiceUnitBase;

class SystemPartValues : public ContextTest {};

TEST_F(SystemPartValues, MasterVolumeAndTuneAreSetAndEchoed)
{
    EXPECT_FLOAT_EQ(apply(ids::system::kMasterVolume, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(context.synth->masterVolume, 0.5f);
    EXPECT_FLOAT_EQ(context.synth->voice(0).masterVolume, 0.5f);

    EXPECT_FLOAT_EQ(apply(ids::system::kMasterTune, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(context.synth->masterTune, 440.0f);
    apply(ids::system::kMasterTune, 0.0f);
    EXPECT_FLOAT_EQ(context.synth->masterTune, 400.0f);
    apply(ids::system::kMasterTune, 1.0f);
    EXPECT_FLOAT_EQ(context.synth->masterTune, 480.0f);
}

TEST_F(SystemPartValues, TogglesEchoTheirNewState)
{
    EXPECT_EQ(apply(ids::system::kReceiveSysEx, 0.0f), 1.0f);
    EXPECT_TRUE(context.synth->receiveSysEx);
    EXPECT_EQ(apply(ids::system::kReceiveSysEx, 1.0f), 0.0f);
    EXPECT_FALSE(context.synth->receiveSysEx);

    context.synth->part(4).pitchBend = 100;
    EXPECT_EQ(apply(ids::system::kNrpn, 0.0f), 1.0f);
    EXPECT_TRUE(context.synth->nrpnEnabled);
    EXPECT_EQ(context.synth->part(4).pitchBend, 8192) << "NRPN switch resets running controllers";
    EXPECT_EQ(apply(ids::system::kNrpn, 0.0f), 0.0f);
    EXPECT_FALSE(context.synth->nrpnEnabled);
}

// The plug-in answers GM System On and Universal Master Volume only while
// "Recieve sysEx" is on, the same switch as for its own messages.
TEST_F(SystemPartValues, ReceiveSysExGovernsTheGeneralMidiMessagesToo)
{
    const std::uint8_t gmSystemOn[] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const std::uint8_t masterVolume[] = {0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7};
    auto send = [&](const std::uint8_t* bytes, int length) {
        context.eventQueue->queueSysEx(bytes, length, 0);
        render();
    };
    ASSERT_FALSE(context.synth->getReceiveUniversalSysEx());
    context.synth->part(2).program = 33;
    send(gmSystemOn, 5);
    send(masterVolume, 7);
    EXPECT_EQ(context.synth->part(2).program, 33);
    EXPECT_FLOAT_EQ(context.synth->masterVolume, 0.8f);

    apply(ids::system::kReceiveSysEx, 0.0f); // "Recieve sysEx" on
    send(gmSystemOn, 5);
    send(masterVolume, 7);
    EXPECT_EQ(context.synth->part(2).program, 0);
    EXPECT_FLOAT_EQ(context.synth->masterVolume, 1.0f);
}

TEST_F(SystemPartValues, PolyphonyTruncatesWithoutRounding)
{
    EXPECT_FLOAT_EQ(apply(ids::system::kPolyphonyMenu, 1.0f), 1.0f);
    EXPECT_EQ(context.synth->voiceCount(), 1024);
    apply(ids::system::kPolyphonyMenu, 0.99f);
    EXPECT_EQ(context.synth->voiceCount(), 512);
    apply(ids::system::kPolyphonyMenu, 0.0f);
    EXPECT_EQ(context.synth->voiceCount(), 4);
    apply(ids::system::kPolyphonyMenu, 50.0f); // clamped to 1.0, never a shift by 400
    EXPECT_EQ(context.synth->voiceCount(), 1024);
    EXPECT_EQ(context.busyFlags.load(), 0);
    EXPECT_FALSE(context.moduleHost->isDisabled(EngineContext::kSynthSlot));
}

TEST_F(SystemPartValues, SystemResetRestoresPartsAndDefaultModes)
{
    context.synth->part(3).program = 9;
    context.synth->part(3).output = 5;
    context.synth->part(3).defaultMode = synth::kModeSampler;
    context.synth->part(3).mode = synth::kModeMute;
    context.synth->part(3).cc[7] = 3;
    noteOn(0, 60);
    render();
    ASSERT_GT(soundingVoices(), 0);

    EXPECT_EQ(apply(ids::system::kReset, 1.0f), 0.0f);
    EXPECT_EQ(soundingVoices(), 0);
    const auto& part = context.synth->part(3);
    EXPECT_EQ(part.program, 0);
    EXPECT_EQ(part.cc[7], 100);
    EXPECT_EQ(part.output, 5);
    EXPECT_EQ(part.mode, synth::kModeSampler);
}

// The PLAY panel's values set the current part's stored play, scaled onto
// each setting's range; the running play follows at once.
TEST_F(SystemPartValues, PlaySettingsAreStoredScaledAndPlayed)
{
    apply(ids::part::kSelect, 5.0f / 15.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kPlayMode, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kArpOctaves, 1.0f / 3.0f), 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kArpRate, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kArpNoteValue, 3.0f / 7.0f), 3.0f / 7.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kPortamentoTime, 64.0f / 127.0f), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kArpPattern, 0.2f), 0.2f);
    EXPECT_EQ(apply(ids::part::kArpRetrigger, 0.0f), 1.0f);
    const synth::PartPlaySettings expected{synth::kPlayLegato, 64, synth::kArpUp, 2, 16, 3, true};
    EXPECT_EQ(context.synth->part(5).storedPlay, expected);
    EXPECT_EQ(context.synth->part(5).play, expected);
    EXPECT_EQ(context.synth->part(5).cc[5], 64);
    EXPECT_EQ(context.synth->part(0).storedPlay, synth::PartPlaySettings{}) << "only the current part";
}

TEST_F(SystemPartValues, UnknownIdsGetNoEcho)
{
    for (int id : {0x0000, 0x0003, 0x0170, 0x1002, 0x2002, 0x3002, 0x4001, 0x5030, 0x6001, 0xFF01}) {
        context.applyValueChange(id, 0.5f);
        EXPECT_TRUE(sink.updates.empty()) << "id 0x" << std::hex << id;
    }
}

TEST_F(SystemPartValues, PartSelectionFollowsTheModeOfThePart)
{
    context.synth->part(15).mode = synth::kModePercussion;
    EXPECT_FLOAT_EQ(apply(ids::part::kSelect, 1.0f), 1.0f);
    EXPECT_EQ(context.currentPart, 15);
    EXPECT_EQ(context.currentPartState, &context.synth->part(15));
    EXPECT_EQ(context.currentTone, 128);
    EXPECT_EQ(context.currentTonePreset, &context.synth->tone(128));

    context.synth->part(2).mode = synth::kModeInstrument;
    context.synth->part(2).program = 7;
    context.synth->tone(7).wave = 40;
    context.waveTableBitDepth[40] = 3;
    apply(ids::part::kSelect, 2.0f / 15.0f);
    EXPECT_EQ(context.currentTone, 7);
    EXPECT_EQ(context.currentWaveTable, 40);
    EXPECT_EQ(context.currentBitDepth, 3);
    EXPECT_EQ(context.currentBitMask, 7);

    context.synth->part(1).mode = synth::kModeSampler;
    context.currentSamplerPreset->smplNum = 33;
    apply(ids::part::kSelect, 1.0f / 15.0f);
    EXPECT_EQ(context.currentSampleData, 33);
    EXPECT_EQ(context.currentSampleDataRecord, &context.synth->sampleData(33));
    EXPECT_EQ(context.currentTone, 7) << "sampler mode leaves the tone selection alone";
}

TEST_F(SystemPartValues, ValuesOutsideTheUnitRangeAreClamped)
{
    EXPECT_FLOAT_EQ(apply(ids::part::kSelect, 7.0f), 1.0f);
    EXPECT_EQ(context.currentPart, 15);
    EXPECT_FLOAT_EQ(apply(ids::part::kSelect, -3.0f), 0.0f);
    EXPECT_EQ(context.currentPart, 0);
    EXPECT_FLOAT_EQ(apply(ids::part::kSelect, std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_FLOAT_EQ(apply(ids::part::kSelect, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ(context.currentPart, 0);
    EXPECT_FLOAT_EQ(apply(ids::part::kOutputMenu, 99.0f), 1.0f);
    EXPECT_EQ(context.synth->part(0).output, 15);
    EXPECT_FLOAT_EQ(apply(ids::part::kBendRange, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ(context.synth->part(0).bendRange, 0);
}

TEST_F(SystemPartValues, ModeChangeStopsOnlyWhenTheModeDiffers)
{
    noteOn(0, 60);
    render();
    ASSERT_EQ(soundingVoices(), 1);
    EXPECT_FLOAT_EQ(apply(ids::part::kMode, 1.0f / 3.0f), 1.0f / 3.0f); // already Instrument
    EXPECT_EQ(soundingVoices(), 1);

    context.currentSamplerPreset->smplNum = 12;
    EXPECT_FLOAT_EQ(apply(ids::part::kMode, 1.0f), 1.0f);
    EXPECT_EQ(context.synth->part(0).mode, synth::kModeSampler);
    EXPECT_EQ(soundingVoices(), 0);
    EXPECT_EQ(context.currentSampleData, 12);

    // Again Sampler: no reset of the part, but the sample slot is re-derived.
    context.currentSamplerPreset->smplNum = 20;
    apply(ids::part::kMode, 1.0f);
    EXPECT_EQ(context.currentSampleData, 20);

    apply(ids::part::kMode, 2.0f / 3.0f);
    EXPECT_EQ(context.currentTone, 128);
}

TEST_F(SystemPartValues, ProgramChangeSelectsTheToneInInstrumentModeOnly)
{
    context.synth->tone(127).wave = 99;
    EXPECT_FLOAT_EQ(apply(ids::part::kProgram, 1.0f), 1.0f);
    EXPECT_EQ(context.synth->part(0).program, 127);
    EXPECT_EQ(context.currentTone, 127);
    EXPECT_EQ(context.currentWaveTable, 99);

    context.synth->part(0).mode = synth::kModePercussion;
    context.currentTone = 128;
    context.refreshCurrentRecords();
    apply(ids::part::kProgram, 0.0f);
    EXPECT_EQ(context.synth->part(0).program, 0);
    EXPECT_EQ(context.currentTone, 128);
}

TEST_F(SystemPartValues, BendAndControllersReachThePart)
{
    EXPECT_FLOAT_EQ(apply(ids::part::kBendRange, 12.0f / 127.0f), 12.0f / 127.0f);
    EXPECT_EQ(context.synth->part(0).bendRange, 12);
    EXPECT_FLOAT_EQ(apply(ids::part::kPitchBend, 0.5f), 8192.0f / 16383.0f);
    EXPECT_EQ(context.synth->part(0).pitchBend, 8192);
    apply(ids::part::kPitchBend, 1.0f);
    EXPECT_EQ(context.synth->part(0).pitchBend, 16383);

    const std::pair<int, int> controllers[] = {
        {ids::part::kModulation, 1}, {ids::part::kVolume, 7}, {ids::part::kPan, 10}, {ids::part::kExpression, 11}};
    for (auto [id, cc] : controllers) {
        EXPECT_FLOAT_EQ(apply(id, 0.25f), 32.0f / 127.0f);
        EXPECT_EQ(context.synth->part(0).cc[cc], 32) << "cc " << cc;
    }
}

TEST_F(SystemPartValues, PartResetAndResetAllControllers)
{
    auto& part = context.synth->part(0);
    part.mode = synth::kModeMute;
    part.program = 4;
    part.output = 6;
    part.cc[7] = 1;
    EXPECT_EQ(apply(ids::part::kReset, 1.0f), 0.0f);
    EXPECT_EQ(part.mode, synth::kModeInstrument);
    EXPECT_EQ(part.program, 0);
    EXPECT_EQ(part.cc[7], 100);
    EXPECT_EQ(part.output, 6);

    part.cc[1] = 90;
    part.pitchBend = 0;
    EXPECT_EQ(apply(ids::part::kResetControllers, 1.0f), 0.0f);
    EXPECT_EQ(part.cc[1], 0);
    EXPECT_EQ(part.pitchBend, 8192);
}

TEST_F(SystemPartValues, SoundOffFadesEveryVoiceAndOutputMovesVoices)
{
    noteOn(0, 60);
    noteOn(1, 64);
    render();
    ASSERT_EQ(soundingVoices(), 2);

    EXPECT_FLOAT_EQ(apply(ids::part::kOutputMenu, 1.0f), 1.0f);
    EXPECT_EQ(context.synth->part(0).output, 15);
    for (int i = 0; i < context.synth->voiceCount(); ++i) {
        const Voice& voice = context.synth->voice(i);
        if (voice.channel == 0) {
            EXPECT_EQ(voice.outputPair, 30);
        } else if (voice.channel == 1) {
            EXPECT_EQ(voice.outputPair, 0);
        }
    }

    EXPECT_EQ(apply(ids::part::kAllSoundOff, 1.0f), 0.0f);
    for (int i = 0; i < context.synth->voiceCount(); ++i) {
        const Voice& voice = context.synth->voice(i);
        if (voice.status != Voice::kFree) {
            EXPECT_EQ(voice.status, Voice::kFading);
        }
    }
}

} // namespace
} // namespace kest::tolvane::plugin::testing
