// SPDX-License-Identifier: GPL-3.0-or-later
// The block loop and the one path by which a MIDI message takes effect, the
// same for events of the block's list and for direct calls: accepts decides
// whether it is applied at all, apply runs its handler.
#include <algorithm>
#include <cstring>

#include "MultiTimberSynthBase.h"
#include "UniversalSysEx.h"
#include "VoiceBlockLoop.h"
#include "VoiceRuns.h"

namespace kest::tolvane::synth {

// ---- block processing -----------------------------------------------------

void MultiTimberSynthBase::process(ProcessBlock& block)
{
    const int start = std::max(block.start, 0);
    const int end = start + std::max(block.count, 0);
    float* const* outputs = block.outputs;
    int pos = start;
    std::uint32_t pairs = 0;
    const bool byPart = block.partOutputs && block.partScratch[0] && block.partScratch[1] && outputs;
    auto render = [&](int target, bool endOfBlock) {
        return byPart ? renderVoicesByPart(block, target, endOfBlock) : renderVoices(outputs, target, endOfBlock);
    };
    // Between blocks the voices stand at 0 (see renderVoices).
    if (start != 0)
        voices_.forEachSounding([start](VoiceUnitBase& v) { v.renderPos = start; });
    blockOrigin_ = nextBlockTime_ - start;

    for (MidiEvent* event = block.eventList ? block.eventList->next : nullptr; event; event = event->next) {
        if ((event->portMask & portMask) == 0 || !accepts(*event))
            continue;
        // Events past the block end are applied at its end rather than
        // letting voices write beyond the buffers.
        const int time = std::min(event->time, end);
        if (time > pos) {
            pairs |= render(time, false);
            pos = time;
        }
        eventPos_ = pos;
        apply(*event);
    }
    pairs |= render(end, true);
    block.soundingPairs |= pairs;
    eventPos_ = 0;
    nextBlockTime_ += end - start;
    blockOrigin_ = nextBlockTime_; // a direct call between blocks starts a note where the next block starts
}

std::uint32_t MultiTimberSynthBase::renderVoices(float* const* outputs, int target, bool endOfBlock)
{
    return renderVoicesOneByOne(voices_, outputs, blockOrigin_, target, endOfBlock);
}

// A voice's samples reach the scratch as 0 + s * gain, which is s * gain
// exactly (or +0 for -0, and adding either to an output changes nothing else:
// an output that starts at +0 never holds -0), so each output gets the same
// sums in the same order as when the voices render into it directly.
std::uint32_t MultiTimberSynthBase::renderVoicesByPart(ProcessBlock& block, int target, bool endOfBlock)
{
    float* const left = block.partScratch[0];
    float* const right = block.partScratch[1];
    return renderSoundingVoices(voices_, blockOrigin_, target, endOfBlock, [&](VoiceUnitBase& v, int to) {
        const int from = v.renderPos;
        const int part = v.part & 0x0F;
        block.soundingParts |= 1u << part;
        v.renderFn(v, left, right, to);
        float* const outputs[4] = {block.outputs[v.outputPair], block.outputs[v.outputPair + 1],
                                   block.partOutputs[2 * part], block.partOutputs[2 * part + 1]};
        for (int i = from; i < to; ++i) {
            outputs[0][i] += left[i];
            outputs[1][i] += right[i];
            outputs[2][i] += left[i];
            outputs[3][i] += right[i];
            left[i] = right[i] = 0.0f;
        }
    });
}

// ---- the apply path ---------------------------------------------------------

bool MultiTimberSynthBase::accepts(const MidiEvent& event) const
{
    switch (event.type) {
    case kNoteOn: return part(event.channel).mode != kModeMute;
    case kSystemExclusive: return acceptsSysEx(event);
    case kNoteOff:
    case kPolyPressure:
    case kControlChange:
    case kProgramChange:
    case kChannelPressure:
    case kPitchBend: return true;
    default: return false;
    }
}

void MultiTimberSynthBase::apply(const MidiEvent& event)
{
    switch (event.type) {
    case kNoteOff: handleNoteOff(event); break;
    case kNoteOn:
        if (event.data2 <= 0)
            handleNoteOff(event);
        else
            handleNoteOn(event);
        break;
    case kPolyPressure: handlePolyPressure(event); break;
    case kControlChange: (this->*controllerHandlers_[static_cast<std::size_t>(event.data1 & 0x7F)])(event); break;
    case kProgramChange: selectProgram(event); break;
    case kChannelPressure: handleChannelPressure(event); break;
    case kPitchBend: handlePitchBend(event); break;
    case kSystemExclusive: applySysEx(event); break;
    default: break;
    }
}

bool MultiTimberSynthBase::acceptsSysEx(const MidiMessage& message) const
{
    if (receiveSysEx)
        return true;
    const int length = std::clamp(message.sysExLength, 0, kMaxSysExLength);
    return receiveUniversalSysEx && identifyUniversalMessage(message.sysExData, length) != UniversalMessage::None;
}

void MultiTimberSynthBase::applySysEx(const MidiEvent& event)
{
    const int length = std::clamp(event.sysExLength, 0, kMaxSysExLength);
    switch (identifyUniversalMessage(event.sysExData, length)) {
    case UniversalMessage::None: handleSysEx(event); break;
    case UniversalMessage::GmSystemOn:
    case UniversalMessage::GmSystemOff:
    case UniversalMessage::GsReset:
    case UniversalMessage::XgSystemOn: resetParts(true); break;
    case UniversalMessage::MasterVolume:
        // A module's curve, not the 0.75 dB steps of the engine's own master-volume field.
        setMasterVolume(universalMasterVolumeGain(event.sysExData, length));
        break;
    }
}

// ---- direct calls -----------------------------------------------------------

MidiEvent& MultiTimberSynthBase::fillOwnEvent(int type, int channel, int data1, int data2)
{
    ownEvent_.type = type;
    ownEvent_.channel = channel & 0x0F;
    ownEvent_.data1 = data1;
    ownEvent_.data2 = data2;
    ownEvent_.time = 0;
    ownEvent_.next = nullptr;
    return ownEvent_;
}

void MultiTimberSynthBase::applyDirect(int type, int channel, int data1, int data2)
{
    const MidiEvent& event = fillOwnEvent(type, channel, data1, data2);
    if (accepts(event))
        apply(event);
}

void MultiTimberSynthBase::noteOff(int channel, int key) { applyDirect(kNoteOff, channel, key, 0); }

void MultiTimberSynthBase::noteOn(int channel, int key, int velocity) { applyDirect(kNoteOn, channel, key, velocity); }

void MultiTimberSynthBase::polyPressure(int channel, int key, int value)
{
    applyDirect(kPolyPressure, channel, key, value);
}

void MultiTimberSynthBase::controlChange(int channel, int controller, int value)
{
    runControllerHandler(channel, controller, value);
}

void MultiTimberSynthBase::runControllerHandler(int channel, int controller, int value)
{
    applyDirect(kControlChange, channel, controller & 0x7F, value);
}

void MultiTimberSynthBase::programChange(int channel, int program)
{
    // Unlike a listed program change, a direct one also fades out the part's voices.
    handleProgramChange(fillOwnEvent(kProgramChange, channel, program, 0));
}

void MultiTimberSynthBase::channelPressure(int channel, int value) { applyDirect(kChannelPressure, channel, value, 0); }

void MultiTimberSynthBase::pitchBend(int channel, int lsb, int msb) { applyDirect(kPitchBend, channel, lsb, msb); }

void MultiTimberSynthBase::pitchBend14(int channel, int value) { pitchBend(channel, value & 127, (value >> 7) & 127); }

void MultiTimberSynthBase::systemExclusive(const std::uint8_t* bytes, int length)
{
    if (!bytes)
        return;
    MidiEvent& event = fillOwnEvent(kSystemExclusive, 0, 0, 0);
    const int stored = std::clamp(length, 0, kMaxSysExLength);
    if (stored > 0)
        std::memcpy(event.sysExData, bytes, static_cast<std::size_t>(stored));
    event.sysExLength = stored;
    if (accepts(event))
        apply(event);
}

} // namespace kest::tolvane::synth
