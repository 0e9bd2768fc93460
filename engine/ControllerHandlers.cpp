// SPDX-License-Identifier: GPL-3.0-or-later
// Control change handling: the controller table (indexed by controller number),
// RPN/NRPN selection and the data-entry table (indexed by dataEntryTarget).
#include <algorithm>

#include "MultiTimberSynthBase.h"

namespace kest::tolvane::synth {

namespace {

constexpr int kLsbReceived = 0x4000;
constexpr int kMsbReceived = 0x8000;
constexpr int kBothReceived = kLsbReceived | kMsbReceived;

constexpr int kDataEntryMsbMask = 0x7F;
constexpr int kDataEntryLsbMask = 0x3F80;
constexpr int kDataStepMask = 0x3FFF;

// Controller values arrive from the host, the processor and MIDI; anything outside
// 7 bits is clamped so that no table lookup behind a handler can leave its table.
int controllerValue(const MidiEvent& event) { return std::clamp(event.data2, 0, 127); }
int controllerChannel(const MidiEvent& event) { return event.channel & 0x0F; }

// LSB write: keeps the MSB and both received flags, sets the LSB and its flag.
int withParameterLsb(int number, int lsb) { return (number & 0xBF80) | lsb | kLsbReceived; }
// MSB write: keeps the LSB and its flag, sets the MSB and its flag.
int withParameterMsb(int number, int msb) { return (msb << 7) | kMsbReceived | (number & 0x407F); }

} // namespace

void MultiTimberSynthBase::buildHandlerTables()
{
    controllerHandlers_.fill(&MultiTimberSynthBase::ccStore);
    controllerHandlers_[1] = &MultiTimberSynthBase::ccModulation;
    controllerHandlers_[6] = &MultiTimberSynthBase::ccDataEntryMsb;
    controllerHandlers_[7] = &MultiTimberSynthBase::ccVolume;
    controllerHandlers_[10] = &MultiTimberSynthBase::ccPan;
    controllerHandlers_[11] = &MultiTimberSynthBase::ccExpression;
    controllerHandlers_[38] = &MultiTimberSynthBase::ccDataEntryLsb;
    controllerHandlers_[kSustainController] = &MultiTimberSynthBase::ccSustain;
    controllerHandlers_[96] = &MultiTimberSynthBase::ccDataIncrement;
    controllerHandlers_[97] = &MultiTimberSynthBase::ccDataDecrement;
    controllerHandlers_[98] = &MultiTimberSynthBase::ccNrpnLsb;
    controllerHandlers_[99] = &MultiTimberSynthBase::ccNrpnMsb;
    controllerHandlers_[100] = &MultiTimberSynthBase::ccRpnLsb;
    controllerHandlers_[101] = &MultiTimberSynthBase::ccRpnMsb;
    controllerHandlers_[120] = &MultiTimberSynthBase::ccAllSoundOff;
    controllerHandlers_[121] = &MultiTimberSynthBase::ccResetAllControllers;
    controllerHandlers_[122] = &MultiTimberSynthBase::ccIgnore;  // Local Control
    controllerHandlers_[123] = &MultiTimberSynthBase::ccAllNotesOff;
    for (int mode = 124; mode < 128; ++mode) controllerHandlers_[static_cast<std::size_t>(mode)] = &MultiTimberSynthBase::ccIgnore;

    dataEntryHandlers_.fill(&MultiTimberSynthBase::deIgnore);
    dataEntryHandlers_[0] = &MultiTimberSynthBase::deBendSensitivity;
    dataEntryHandlers_[1] = &MultiTimberSynthBase::deFineTuning;
    dataEntryHandlers_[2] = &MultiTimberSynthBase::deCoarseTuning;
    dataEntryHandlers_[128] = &MultiTimberSynthBase::deMasterVolume;
    dataEntryHandlers_[160] = &MultiTimberSynthBase::deDefaultMode;
    dataEntryHandlers_[161] = &MultiTimberSynthBase::deMode;
}

// --- plain and voice controllers ---

void MultiTimberSynthBase::ccStore(const MidiEvent& event)
{
    // The table is indexed by the low 7 bits; 120..127 have no stored value.
    const int controller = event.data1 & 0x7F;
    if (controller >= kStoredControllerCount) return;
    part(controllerChannel(event)).cc[controller] = controllerValue(event);
}

void MultiTimberSynthBase::ccModulation(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[1] = value;
    forChannelVoices(channel, [value](VoiceUnitBase& voice) { voice.setModulation(value); });
}

void MultiTimberSynthBase::ccVolume(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[7] = value;
    forChannelVoices(channel, [value](VoiceUnitBase& voice) { voice.setVolume(value); });
}

void MultiTimberSynthBase::ccPan(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[10] = value;
    forChannelVoices(channel, [value](VoiceUnitBase& voice) { voice.setPan(value); });
}

void MultiTimberSynthBase::ccExpression(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[11] = value;
    forChannelVoices(channel, [value](VoiceUnitBase& voice) { voice.setExpression(value); });
}

// Pedal down (64 and above) holds the notes released while it is down; lifting
// it releases them.
void MultiTimberSynthBase::ccSustain(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[kSustainController] = value;
    if (value < 64)
        releaseSustained(channel);
}

// --- data entry ---

void MultiTimberSynthBase::dispatchDataEntry(int channel, int value, int mask, int delta)
{
    int target = part(channel).dataEntryTarget;
    // The record is public; a stray target must not index past the table.
    if (target < 0 || target > kDataEntryNone) target = kDataEntryNone;
    (this->*dataEntryHandlers_[static_cast<std::size_t>(target)])(channel, value, mask, delta);
}

void MultiTimberSynthBase::ccDataEntryMsb(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[6] = value;
    dispatchDataEntry(channel, value << 7, kDataEntryMsbMask, 0);
}

void MultiTimberSynthBase::ccDataEntryLsb(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[38] = value;
    dispatchDataEntry(channel, value, kDataEntryLsbMask, 0);
}

void MultiTimberSynthBase::ccDataIncrement(const MidiEvent& event)
{
    dispatchDataEntry(controllerChannel(event), 0, kDataStepMask, +1);
}

void MultiTimberSynthBase::ccDataDecrement(const MidiEvent& event)
{
    dispatchDataEntry(controllerChannel(event), 0, kDataStepMask, -1);
}

// --- RPN / NRPN selection ---

void MultiTimberSynthBase::ccNrpnLsb(const MidiEvent& event)
{
    if (!nrpnEnabled) return;
    const int channel = controllerChannel(event);
    PartState& p = part(channel);
    p.cc[98] = controllerValue(event);
    p.nrpnNumber = withParameterLsb(p.nrpnNumber, p.cc[98]);
    selectDataEntryTarget(channel, true);
}

void MultiTimberSynthBase::ccNrpnMsb(const MidiEvent& event)
{
    if (!nrpnEnabled) return;
    const int channel = controllerChannel(event);
    PartState& p = part(channel);
    p.cc[99] = controllerValue(event);
    p.nrpnNumber = withParameterMsb(p.nrpnNumber, p.cc[99]);
    selectDataEntryTarget(channel, true);
}

void MultiTimberSynthBase::ccRpnLsb(const MidiEvent& event)
{
    if (!rpnEnabled) return;
    const int channel = controllerChannel(event);
    PartState& p = part(channel);
    p.cc[100] = controllerValue(event);
    p.rpnNumber = withParameterLsb(p.rpnNumber, p.cc[100]);
    selectDataEntryTarget(channel, false);
}

void MultiTimberSynthBase::ccRpnMsb(const MidiEvent& event)
{
    if (!rpnEnabled) return;
    const int channel = controllerChannel(event);
    PartState& p = part(channel);
    p.cc[101] = controllerValue(event);
    p.rpnNumber = withParameterMsb(p.rpnNumber, p.cc[101]);
    selectDataEntryTarget(channel, false);
}

void MultiTimberSynthBase::selectDataEntryTarget(int channel, bool nrpn)
{
    PartState& p = part(channel);
    const int number = nrpn ? p.nrpnNumber : p.rpnNumber;
    // Until both halves have arrived once, the selection is incomplete.
    if ((number & kBothReceived) != kBothReceived) return;
    const int parameter = number & 0x3FFF;
    if (parameter >= 128) {
        p.dataEntryTarget = kDataEntryNone;
        return;
    }
    p.dataEntryTarget = nrpn ? 128 + parameter : parameter;
}

// --- channel mode messages ---

void MultiTimberSynthBase::ccAllSoundOff(const MidiEvent& event)
{
    forChannelVoices(controllerChannel(event), [](VoiceUnitBase& voice) {
        if (voice.status & (VoiceUnitBase::kHeldBit | VoiceUnitBase::kReleasedBit)) voice.soundOff();
    });
}

void MultiTimberSynthBase::ccResetAllControllers(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    part(channel).resetRunningControllers();  // cc[7], cc[10], bendRange and tuning are kept
    part(channel).cc[kSustainController] = 0;
    releaseSustained(channel);
    forChannelVoices(channel, [](VoiceUnitBase& voice) {
        voice.setPitchBend(8192);
        voice.setModulation(0);
        voice.setExpression(127);
    });
}

void MultiTimberSynthBase::ccAllNotesOff(const MidiEvent& event)
{
    forChannelVoices(controllerChannel(event), [](VoiceUnitBase& voice) {
        if (voice.status & VoiceUnitBase::kHeldBit) voice.noteOff();
    });
}

// --- data-entry parameters ---

void MultiTimberSynthBase::deBendSensitivity(int channel, int value, int mask, int delta)
{
    if (mask == kDataEntryLsbMask) return;  // the range has no fine part
    PartState& p = part(channel);
    const int range = std::clamp(((((p.bendRange << 7) & mask) | value) >> 7) + delta, 0, 127);
    p.bendRange = range;
    forChannelVoices(channel, [range](VoiceUnitBase& voice) { voice.setBendRange(range); });
}

// Both tunings take effect on sounding voices at once, as a bend does.
void MultiTimberSynthBase::deFineTuning(int channel, int value, int mask, int delta)
{
    PartState& p = part(channel);
    p.fineTune = std::clamp(((p.fineTune & mask) | value) + delta, 0, 16383);
    applyPartTuning(channel);
}

void MultiTimberSynthBase::deCoarseTuning(int channel, int value, int mask, int delta)
{
    if (mask == kDataEntryLsbMask) return;  // semitones only; the LSB is unused
    PartState& p = part(channel);
    p.coarseTune = std::clamp(((((p.coarseTune << 7) & mask) | value) >> 7) + delta, 0, 127);
    applyPartTuning(channel);
}

void MultiTimberSynthBase::applyPartTuning(int channel)
{
    const int pitch = partTuningPitch(part(channel));
    forChannelVoices(channel, [pitch](VoiceUnitBase& voice) { voice.setPartTuning(pitch); });
}

void MultiTimberSynthBase::deMasterVolume(int, int value, int mask, int)
{
    if (mask != kDataEntryMsbMask) return;
    setMasterVolume(volumeTableEntry(value >> 7));
}

void MultiTimberSynthBase::deDefaultMode(int channel, int value, int mask, int)
{
    if (mask != kDataEntryMsbMask) return;
    setDefaultMode(channel, value >> 7);
}

void MultiTimberSynthBase::deMode(int channel, int value, int mask, int)
{
    if (mask != kDataEntryMsbMask) return;
    setMode(channel, value >> 7);
}

} // namespace kest::tolvane::synth
