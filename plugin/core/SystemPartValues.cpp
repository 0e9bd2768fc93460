// SPDX-License-Identifier: GPL-3.0-or-later
// Value ids of the system page (0x00) and the current part's page (0x01).
#include "ValueChangePages.h"
#include "ValueScaling.h"

namespace kest::tolvane::plugin {

namespace {

float toggleEcho(bool on) { return on ? 1.0f : 0.0f; }

float applyController(EngineContext& context, int controller, float value) {
    const int stored = scaleUnit(value, 127);
    context.synth->runControllerHandler(context.currentPart, controller, stored);
    return unscale(stored, 127);
}

} // namespace

std::optional<float> applySystemValue(EngineContext& context, int item, float value) {
    auto& engine = *context.synth;
    const float v = unitValue(value);
    switch (item) {
    case 0x01:
        engine.setMasterVolume(v);
        return v;
    case 0x02:
        engine.setMasterTune(400.0f + 80.0f * v);
        return v;
    case 0x81:
        context.stopAllVoices();
        engine.resetParts(true);
        return 0.0f;
    case 0x83:
        engine.receiveSysEx = !engine.receiveSysEx;
        return toggleEcho(engine.receiveSysEx);
    case 0x84:
        engine.setNrpnEnabled(!engine.nrpnEnabled);
        return toggleEcho(engine.nrpnEnabled);
    case 0x85:
        // "Store samples in the project"; the engine does not see it.
        context.storeSamplesInState = !context.storeSamplesInState;
        return toggleEcho(context.storeSamplesInState);
    case 0x90:
        // Truncated, no rounding: 4, 8, ... 1024 voices.
        context.applyPolyphony(4 << static_cast<int>(v * 8.0f));
        return v;
    default:
        return std::nullopt;
    }
}

std::optional<float> applyPartValue(EngineContext& context, int item, float value) {
    auto& engine = *context.synth;
    const int p = context.currentPart;
    const float v = unitValue(value);
    switch (item) {
    case 0x01:
        context.currentPart = scaleUnit(v, 15);
        context.selectByPart();
        return unscale(context.currentPart, 15);
    case 0x02:
        context.setCurrentPartMode(scaleUnit(v, 3));
        return unscale(engine.part(p).mode, 3);
    case 0x03: {
        MidiEvent& event = engine.ownEvent();
        event.type = kProgramChange;
        event.channel = p;
        event.data1 = scaleUnit(v, 127);
        event.data2 = 0;
        engine.handleProgramChange(event);
        const int mode = engine.part(p).mode;
        if (mode == synth::kModeMute || mode == synth::kModeInstrument) context.selectTone(engine.part(p).program);
        return unscale(engine.part(p).program, 127);
    }
    case 0x04:
        engine.part(p).bendRange = scaleUnit(v, 127);
        return unscale(engine.part(p).bendRange, 127);
    case 0x05: {
        const int bend = scaleUnit(v, 16383);
        MidiEvent& event = engine.ownEvent();
        event.type = kPitchBend;
        event.channel = p;
        event.data1 = bend & 0x7F;
        event.data2 = (bend >> 7) & 0x7F;
        engine.handlePitchBend(event);
        return unscale(bend, 16383);
    }
    case 0x06: return applyController(context, 1, v);
    case 0x07: return applyController(context, 7, v);
    case 0x08: return applyController(context, 10, v);
    case 0x09: return applyController(context, 11, v);
    case 0x81:
        context.stopAllVoices();
        engine.part(p).resetControllers();
        context.setCurrentPartMode(synth::kModeInstrument);
        return 0.0f;
    case 0x82:
        engine.runControllerHandler(p, 121, 0);
        return 0.0f;
    case 0x83:
        engine.soundOffVoices(-1);
        return 0.0f;
    case 0x90:
        engine.setPartOutput(p, scaleUnit(v, 15));
        return v;
    default:
        return std::nullopt;
    }
}

} // namespace kest::tolvane::plugin
