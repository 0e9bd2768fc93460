// SPDX-License-Identifier: GPL-3.0-or-later
// Value ids of the system page (0x00) and the current part's page (0x01).
#include "ProtocolIds.h"
#include "ValueChangePages.h"
#include "ValueScaling.h"

namespace kest::tolvane::plugin {

namespace {

float toggleEcho(bool on) { return on ? 1.0f : 0.0f; }

// A stored play setting of the current part: value scaled onto first..last,
// the part's running play following; the echo is the setting as it now stands.
float applyPlaySetting(EngineContext& context, int synth::PartPlaySettings::*field, int first, int last, float value)
{
    synth::SynthesizerWT& engine = *context.synth;
    synth::PartPlaySettings play = engine.part(context.currentPart).storedPlay;
    play.*field = first + scaleUnit(value, last - first);
    engine.setStoredPlay(context.currentPart, play);
    return unscale(engine.part(context.currentPart).storedPlay.*field - first, last - first);
}

float applyController(EngineContext& context, int controller, float value)
{
    const int stored = scaleUnit(value, 127);
    context.synth->runControllerHandler(context.currentPart, controller, stored);
    return unscale(stored, 127);
}

} // namespace

std::optional<float> applySystemValue(EngineContext& context, int item, float value)
{
    auto& engine = *context.synth;
    const float v = unitValue(value);
    switch (ids::system::id(item)) {
    case ids::system::kMasterVolume: engine.setMasterVolume(v); return v;
    case ids::system::kMasterTune: engine.setMasterTune(400.0f + 80.0f * v); return v;
    case ids::system::kReset:
        context.stopAllVoices();
        engine.resetParts(true);
        return 0.0f;
    case ids::system::kReceiveSysEx: engine.receiveSysEx = !engine.receiveSysEx; return toggleEcho(engine.receiveSysEx);
    case ids::system::kNrpn: engine.setNrpnEnabled(!engine.nrpnEnabled); return toggleEcho(engine.nrpnEnabled);
    case ids::system::kStoreSamples:
        // "Store samples in the project"; the engine does not see it.
        context.storeSamplesInState = !context.storeSamplesInState;
        return toggleEcho(context.storeSamplesInState);
    case ids::system::kPolyphonyMenu:
        // Truncated, no rounding: 4, 8, ... 1024 voices.
        context.applyPolyphony(4 << static_cast<int>(v * 8.0f));
        return v;
    default: return std::nullopt;
    }
}

std::optional<float> applyPartValue(EngineContext& context, int item, float value)
{
    auto& engine = *context.synth;
    const int p = context.currentPart;
    const float v = unitValue(value);
    switch (ids::part::id(item)) {
    case ids::part::kSelect:
        context.currentPart = scaleUnit(v, 15);
        context.followPart();
        return unscale(context.currentPart, 15);
    case ids::part::kMode: context.setCurrentPartMode(scaleUnit(v, 3)); return unscale(engine.part(p).mode, 3);
    case ids::part::kProgram: {
        MidiEvent& event = engine.ownEvent();
        event.type = kProgramChange;
        event.channel = p;
        event.data1 = scaleUnit(v, 127);
        event.data2 = 0;
        engine.handleProgramChange(event);
        context.followPart();
        return unscale(engine.part(p).program, 127);
    }
    case ids::part::kBendRange:
        engine.part(p).bendRange = scaleUnit(v, 127);
        return unscale(engine.part(p).bendRange, 127);
    case ids::part::kPitchBend: {
        const int bend = scaleUnit(v, 16383);
        MidiEvent& event = engine.ownEvent();
        event.type = kPitchBend;
        event.channel = p;
        event.data1 = bend & 0x7F;
        event.data2 = (bend >> 7) & 0x7F;
        engine.handlePitchBend(event);
        return unscale(bend, 16383);
    }
    case ids::part::kModulation: return applyController(context, 1, v);
    case ids::part::kVolume: return applyController(context, 7, v);
    case ids::part::kPan: return applyController(context, 10, v);
    case ids::part::kExpression: return applyController(context, 11, v);
    case ids::part::kReset:
        context.stopAllVoices();
        engine.part(p).resetControllers();
        context.setCurrentPartMode(synth::kModeInstrument);
        return 0.0f;
    case ids::part::kResetControllers: engine.runControllerHandler(p, 121, 0); return 0.0f;
    case ids::part::kAllSoundOff: engine.soundOffVoices(-1); return 0.0f;
    case ids::part::kOutputMenu: engine.setPartOutput(p, scaleUnit(v, 15)); return v;
    case ids::part::kPlayMode: return applyPlaySetting(context, &synth::PartPlaySettings::mode, 0, 2, v);
    case ids::part::kPortamentoTime:
        return applyPlaySetting(context, &synth::PartPlaySettings::portamentoTime, 0, 127, v);
    case ids::part::kArpPattern: return applyPlaySetting(context, &synth::PartPlaySettings::arpPattern, 0, 5, v);
    case ids::part::kArpOctaves:
        return applyPlaySetting(context, &synth::PartPlaySettings::arpOctaves, 1, synth::kMaxArpOctaves, v);
    case ids::part::kArpRate:
        return applyPlaySetting(context, &synth::PartPlaySettings::arpRate, 1, synth::kMaxArpRate, v);
    case ids::part::kArpNoteValue:
        return applyPlaySetting(context, &synth::PartPlaySettings::arpNoteValue, 0, synth::kMaxArpNoteValue, v);
    case ids::part::kArpRetrigger: {
        synth::PartPlaySettings play = engine.part(p).storedPlay;
        play.arpRetrigger = !play.arpRetrigger;
        engine.setStoredPlay(p, play);
        return toggleEcho(play.arpRetrigger);
    }
    default: return std::nullopt;
    }
}

} // namespace kest::tolvane::plugin
