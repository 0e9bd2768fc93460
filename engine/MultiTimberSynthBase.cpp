// SPDX-License-Identifier: GPL-3.0-or-later
#include "MultiTimberSynthBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "UniversalSysEx.h"

namespace kest::tolvane::synth {

// ---- construction and module interface ------------------------------------

MultiTimberSynthBase::MultiTimberSynthBase()
{
    buildHandlerTables();
    for (PartState& p : parts_) {
        p = PartState{};
        p.mode = p.defaultMode = kModeInstrument;
    }
}

MultiTimberSynthBase::~MultiTimberSynthBase() = default;

void MultiTimberSynthBase::setSampleRate(float rate)
{
    if (!std::isfinite(rate) || rate == sampleRate)
        return;
    applySampleRate(rate);
}

void MultiTimberSynthBase::reset()
{
    stopVoices(-1);
    resetParts(false);
}

void MultiTimberSynthBase::systemReset()
{
    stopVoices(-1);
    resetParts(true);
    initPresets();
    rpnEnabled = true;
    nrpnEnabled = false;
    receiveSysEx = false;
}

void MultiTimberSynthBase::attach(ModuleHost& host)
{
    // Always recomputed, even at an unchanged rate: attaching starts afresh.
    if (std::isfinite(host.sampleRate))
        applySampleRate(host.sampleRate);
    else
        updateRateConstants();
}

// ---- block processing -----------------------------------------------------

void MultiTimberSynthBase::process(ProcessBlock& block)
{
    const int start = std::max(block.start, 0);
    const int end = start + std::max(block.count, 0);
    float* const* outputs = block.outputs;
    int pos = start;
    for (VoiceUnitBase& v : voices_)
        v.renderPos = start;

    for (MidiEvent* event = block.eventList ? block.eventList->next : nullptr; event; event = event->next) {
        if ((event->portMask & portMask) == 0)
            continue;
        const int type = event->type;
        const bool handled = type == kNoteOff || type == kNoteOn || type == kPolyPressure ||
                             type == kControlChange || type == kProgramChange || type == kChannelPressure ||
                             type == kPitchBend || type == kSystemExclusive;
        if (!handled)
            continue;
        if (type == kNoteOn && part(event->channel).mode == kModeMute)
            continue;
        if (type == kSystemExclusive && !acceptsSysEx(*event))
            continue;
        // Events past the block end are applied at its end rather than
        // letting voices write beyond the buffers.
        const int time = std::min(event->time, end);
        if (time > pos) {
            renderVoices(outputs, time);
            pos = time;
        }
        eventPos_ = pos;
        switch (type) {
        case kNoteOff:
            handleNoteOff(*event);
            break;
        case kNoteOn:
            if (event->data2 <= 0)
                handleNoteOff(*event);
            else
                handleNoteOn(*event);
            break;
        case kControlChange:
            (this->*controllerHandlers_[static_cast<std::size_t>(event->data1 & 0x7F)])(*event);
            break;
        case kProgramChange:
            part(event->channel).program = event->data1 & 0x7F;
            break;
        case kChannelPressure:
            handleChannelPressure(*event);
            break;
        case kPitchBend:
            handlePitchBend(*event);
            break;
        case kSystemExclusive:
            applySysEx(*event);
            break;
        default:
            break;
        }
    }
    renderVoices(outputs, end);
    eventPos_ = 0;
}

void MultiTimberSynthBase::renderVoices(float* const* outputs, int target)
{
    if (!outputs)
        return;
    for (VoiceUnitBase& v : voices_)
        if (v.status != VoiceUnitBase::kFree && v.renderPos < target)
            v.render(outputs, target);
}

// ---- voice search --------------------------------------------------------

MultiTimberSynthBase::VoiceUnitBase* MultiTimberSynthBase::claimVoice(const MidiEvent& event)
{
    // A key struck again while the pedal holds its earlier note restarts: the
    // held note is released and a new one begins.
    const int channel = event.channel & 0x0F;
    for (VoiceUnitBase& held : voices_) {
        if (held.sustained && (held.status & VoiceUnitBase::kHeldBit) && held.channel == channel &&
            held.key == (event.data1 & 0x7F)) {
            held.sustained = false;
            held.noteOff();
        }
    }
    const int index = voices_.findVoice();
    if (index < 0)
        return nullptr;
    VoiceUnitBase& v = voices_[index];
    v.sustained = false;
    v.renderPos = eventPos_;
    v.outputPair = 2 * std::clamp(part(event.channel).output, 0, kOutputPairCount - 1);
    return &v;
}

// ---- event handlers -------------------------------------------------------

void MultiTimberSynthBase::handleNoteOff(const MidiEvent& event)
{
    const int channel = event.channel & 0x0F;
    // With the sustain pedal down the note keeps sounding until the pedal lifts.
    const bool pedalDown = part(channel).cc[kSustainController] >= 64;
    for (VoiceUnitBase& v : voices_) {
        if ((v.status & VoiceUnitBase::kHeldBit) && v.channel == channel && v.key == event.data1) {
            if (pedalDown)
                v.sustained = true;
            else
                v.noteOff();
        }
    }
}

void MultiTimberSynthBase::handleNoteOn(const MidiEvent& event)
{
    if (VoiceUnitBase* v = claimVoice(event))
        v->noteOn(event.channel & 0x0F, event.data1 & 0x7F, event.data2);
}

void MultiTimberSynthBase::handleProgramChange(const MidiEvent& event)
{
    const int channel = event.channel & 0x0F;
    part(channel).program = event.data1 & 0x7F;
    forChannelVoices(channel, [](VoiceUnitBase& v) {
        if (v.status & (VoiceUnitBase::kHeldBit | VoiceUnitBase::kReleasedBit))
            v.soundOff();
    });
}

void MultiTimberSynthBase::handleChannelPressure(const MidiEvent& event)
{
    part(event.channel).channelPressure = event.data1 & 0x7F;
}

void MultiTimberSynthBase::handlePitchBend(const MidiEvent& event)
{
    const int channel = event.channel & 0x0F;
    PartState& p = part(channel);
    p.pitchBend = (event.data2 & 0x7F) * 128 + (event.data1 & 0x7F);
    const int bend = p.pitchBend;
    forChannelVoices(channel, [bend](VoiceUnitBase& v) { v.setPitchBend(bend); });
}

// ---- direct calls -----------------------------------------------------------

namespace {
void fillEvent(MidiEvent& event, int type, int channel, int data1, int data2)
{
    event.type = type;
    event.channel = channel & 0x0F;
    event.data1 = data1;
    event.data2 = data2;
    event.time = 0;
    event.next = nullptr;
}
} // namespace

void MultiTimberSynthBase::noteOff(int channel, int key)
{
    fillEvent(ownEvent_, kNoteOff, channel, key, 0);
    handleNoteOff(ownEvent_);
}

void MultiTimberSynthBase::noteOn(int channel, int key, int velocity)
{
    if (part(channel).mode == kModeMute)
        return;
    fillEvent(ownEvent_, kNoteOn, channel, key, velocity);
    if (velocity < 1)
        handleNoteOff(ownEvent_);
    else
        handleNoteOn(ownEvent_);
}

void MultiTimberSynthBase::polyPressure(int channel, int key, int value)
{
    fillEvent(ownEvent_, kPolyPressure, channel, key, value);
    handlePolyPressure(ownEvent_);
}

void MultiTimberSynthBase::controlChange(int channel, int controller, int value)
{
    runControllerHandler(channel, controller, value);
}

void MultiTimberSynthBase::programChange(int channel, int program)
{
    fillEvent(ownEvent_, kProgramChange, channel, program, 0);
    handleProgramChange(ownEvent_);
}

void MultiTimberSynthBase::channelPressure(int channel, int value)
{
    fillEvent(ownEvent_, kChannelPressure, channel, value, 0);
    handleChannelPressure(ownEvent_);
}

void MultiTimberSynthBase::pitchBend(int channel, int lsb, int msb)
{
    fillEvent(ownEvent_, kPitchBend, channel, lsb, msb);
    handlePitchBend(ownEvent_);
}

void MultiTimberSynthBase::pitchBend14(int channel, int value)
{
    pitchBend(channel, value & 127, (value >> 7) & 127);
}

void MultiTimberSynthBase::systemExclusive(const std::uint8_t* bytes, int length)
{
    if (!bytes)
        return;
    fillEvent(ownEvent_, kSystemExclusive, 0, 0, 0);
    const int stored = std::clamp(length, 0, kMaxSysExLength);
    if (stored > 0)
        std::memcpy(ownEvent_.sysExData, bytes, static_cast<std::size_t>(stored));
    ownEvent_.sysExLength = stored;
    if (acceptsSysEx(ownEvent_))
        applySysEx(ownEvent_);
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
    case UniversalMessage::None:
        handleSysEx(event);
        break;
    case UniversalMessage::GmSystemOn:
    case UniversalMessage::GmSystemOff:
    case UniversalMessage::GsReset:
    case UniversalMessage::XgSystemOn:
        resetParts(true);
        break;
    case UniversalMessage::MasterVolume:
        setMasterVolume(volumeTableEntry(universalMasterVolumeMsb(event.sysExData, length)));
        break;
    }
}

void MultiTimberSynthBase::runControllerHandler(int channel, int controller, int value)
{
    fillEvent(ownEvent_, kControlChange, channel, controller & 0x7F, value);
    (this->*controllerHandlers_[static_cast<std::size_t>(controller & 0x7F)])(ownEvent_);
}

// ---- settings -------------------------------------------------------------

void MultiTimberSynthBase::updateRateConstants()
{
    stopVoices(-1);
}

float MultiTimberSynthBase::volumeTableEntry(int index)
{
    // Depends on nothing but the index: built once per process, on first use.
    static const std::array<float, 128> table = [] {
        std::array<float, 128> t{};
        for (int i = 0; i < 128; ++i)
            t[static_cast<std::size_t>(i)] = static_cast<float>(std::exp2((i + 1) / 8.0 - 16.0));
        return t;
    }();
    return table[static_cast<std::size_t>(index & 0x7F)];
}

void MultiTimberSynthBase::setMasterVolume(float volume)
{
    if (!std::isfinite(volume))
        return;
    masterVolume = std::max(volume, 0.0f);
    for (VoiceUnitBase& v : voices_)
        v.setMasterVolume(masterVolume);
}

void MultiTimberSynthBase::applySampleRate(float rate)
{
    if (!std::isfinite(rate))
        return;
    sampleRate = std::clamp(rate, kMinSampleRate, kMaxSampleRate);
    updateRateConstants();
}

void MultiTimberSynthBase::setMasterTune(float hz)
{
    if (!std::isfinite(hz))
        return;
    masterTune = std::clamp(hz, kMinMasterTune, kMaxMasterTune);
    updateRateConstants();
}

int MultiTimberSynthBase::getActiveVoiceCount() const
{
    int active = 0;
    for (const VoiceUnitBase& v : voices_)
        if (v.status != VoiceUnitBase::kFree)
            ++active;
    return active;
}

int MultiTimberSynthBase::setPolyphony(int count)
{
    // A count that rounds to the present size still rebuilds the pool.
    if (count < 1 || count == voices_.size())
        return voices_.size();
    allocateVoices(VoicePool::roundedSize(count));
    updateRateConstants();
    return voices_.size();
}

void MultiTimberSynthBase::setPartOutput(int partIndex, int output)
{
    const int channel = partIndex & 0x0F;
    const int clamped = std::clamp(output, 0, kOutputPairCount - 1);
    part(channel).output = clamped;
    for (VoiceUnitBase& v : voices_)
        if (v.channel == channel)
            v.outputPair = 2 * clamped;
}

int MultiTimberSynthBase::getDefaultMode(int partIndex) const
{
    return part(partIndex).defaultMode;
}

void MultiTimberSynthBase::setDefaultMode(int partIndex, int mode)
{
    part(partIndex).defaultMode = std::clamp(mode, 0, maxMode);
}

int MultiTimberSynthBase::getMode(int partIndex) const
{
    return part(partIndex).mode;
}

void MultiTimberSynthBase::setMode(int partIndex, int mode)
{
    const int m = std::clamp(mode, 0, maxMode);
    PartState& p = part(partIndex);
    if (m == p.mode)
        return;
    p.mode = m;
    stopVoices(partIndex & 0x0F);
}

void MultiTimberSynthBase::resetParts(bool restoreModes)
{
    for (PartState& p : parts_) {
        p.resetControllers();
        if (restoreModes)
            p.mode = p.defaultMode;
    }
    // The reset lifted every pedal.
    for (int channel = 0; channel < kPartCount; ++channel)
        releaseSustained(channel);
}

void MultiTimberSynthBase::releaseSustained(int channel)
{
    for (VoiceUnitBase& v : voices_) {
        if (!v.sustained || v.channel != channel)
            continue;
        v.sustained = false;
        if (v.status & VoiceUnitBase::kHeldBit)
            v.noteOff();
    }
}

void MultiTimberSynthBase::resetRunningControllers()
{
    for (PartState& p : parts_)
        p.resetRunningControllers();
}

void MultiTimberSynthBase::setRpnEnabled(bool enabled)
{
    rpnEnabled = enabled;
    resetRunningControllers();
}

void MultiTimberSynthBase::setNrpnEnabled(bool enabled)
{
    nrpnEnabled = enabled;
    resetRunningControllers();
}

void MultiTimberSynthBase::stopVoices(int channel)
{
    for (VoiceUnitBase& v : voices_)
        if (channel < 0 || v.channel == channel)
            v.stop();
}

void MultiTimberSynthBase::soundOffVoices(int channel)
{
    for (VoiceUnitBase& v : voices_)
        if (channel < 0 || v.channel == channel)
            v.soundOff();
}

} // namespace kest::tolvane::synth
