// SPDX-License-Identifier: GPL-3.0-or-later
// What each controller does to its part and the part's voices: the controller
// table (indexed by controller number) and the data-entry table (indexed by the
// part's dataEntryTarget) behind Data Entry, Increment and Decrement.
#include <algorithm>

#include "MultiTimberSynthBase.h"

namespace kest::tolvane::synth {

namespace {

// Controller values arrive from the host, the processor and MIDI; anything outside
// 7 bits is clamped so that no table lookup behind a handler can leave its table.
int controllerValue(const MidiEvent& event) { return std::clamp(event.data2, 0, 127); }
int controllerChannel(const MidiEvent& event) { return event.channel & 0x0F; }

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
    controllerHandlers_[kLegatoController] = &MultiTimberSynthBase::ccLegatoSwitch;
    controllerHandlers_[kPortamentoControlController] = &MultiTimberSynthBase::ccPortamentoFrom;
    controllerHandlers_[96] = &MultiTimberSynthBase::ccDataIncrement;
    controllerHandlers_[97] = &MultiTimberSynthBase::ccDataDecrement;
    controllerHandlers_[PartControllers::kNrpnLsb] = &MultiTimberSynthBase::ccParameterNumber;
    controllerHandlers_[PartControllers::kNrpnMsb] = &MultiTimberSynthBase::ccParameterNumber;
    controllerHandlers_[PartControllers::kRpnLsb] = &MultiTimberSynthBase::ccParameterNumber;
    controllerHandlers_[PartControllers::kRpnMsb] = &MultiTimberSynthBase::ccParameterNumber;
    controllerHandlers_[120] = &MultiTimberSynthBase::ccAllSoundOff;
    controllerHandlers_[121] = &MultiTimberSynthBase::ccResetAllControllers;
    controllerHandlers_[122] = &MultiTimberSynthBase::ccIgnore; // Local Control
    controllerHandlers_[123] = &MultiTimberSynthBase::ccAllNotesOff;
    for (int mode = 124; mode < 128; ++mode)
        controllerHandlers_[static_cast<std::size_t>(mode)] = &MultiTimberSynthBase::ccModeMessage;

    dataEntryHandlers_.fill(&MultiTimberSynthBase::deIgnore);
    dataEntryHandlers_[0] = &MultiTimberSynthBase::deBendSensitivity;
    dataEntryHandlers_[1] = &MultiTimberSynthBase::deFineTuning;
    dataEntryHandlers_[2] = &MultiTimberSynthBase::deCoarseTuning;
    dataEntryHandlers_[128] = &MultiTimberSynthBase::deMasterVolume;
    dataEntryHandlers_[160] = &MultiTimberSynthBase::deDefaultMode;
    dataEntryHandlers_[161] = &MultiTimberSynthBase::deMode;
    for (int setting = 162; setting <= 167; ++setting)
        dataEntryHandlers_[static_cast<std::size_t>(setting)] = &MultiTimberSynthBase::dePlaySetting;
}

// --- plain and voice controllers ---

void MultiTimberSynthBase::ccStore(const MidiEvent& event)
{
    // The table is indexed by the low 7 bits; 120..127 have no stored value.
    const int controller = event.data1 & 0x7F;
    if (controller >= kStoredControllerCount)
        return;
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
    if (value < 64) {
        releaseSustained(channel);
        playerPedalLifted(channel);
    }
}

// The legato footswitch: while the part plays one voice (MONO or LEGATO),
// down (64 and above) makes it LEGATO and up MONO.
void MultiTimberSynthBase::ccLegatoSwitch(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    PartState& p = part(channel);
    p.cc[kLegatoController] = value;
    if (p.play.mode != kPlayPoly)
        p.play.mode = value >= 64 ? kPlayLegato : kPlayMono;
}

// Portamento control: the next note-on glides from this note, once, even
// with portamento off.
void MultiTimberSynthBase::ccPortamentoFrom(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[kPortamentoControlController] = value;
    part(channel).portamentoFrom = value;
}

// Omni off and on, mono and poly on: each ends the part's held notes as All
// Notes Off does; mono on (126) and poly on (127) also switch the play mode,
// mono on to LEGATO when the legato footswitch is down.
void MultiTimberSynthBase::ccModeMessage(const MidiEvent& event)
{
    ccAllNotesOff(event);
    const int channel = controllerChannel(event);
    PartState& p = part(channel);
    const int controller = event.data1 & 0x7F;
    if (controller == 126)
        p.play.mode = p.cc[kLegatoController] >= 64 ? kPlayLegato : kPlayMono;
    else if (controller == 127)
        p.play.mode = kPlayPoly;
}

// --- parameter selection and data entry ---

void MultiTimberSynthBase::ccParameterNumber(const MidiEvent& event)
{
    const int controller = event.data1 & 0x7F;
    const bool nrpn = controller == PartControllers::kNrpnLsb || controller == PartControllers::kNrpnMsb;
    if (!(nrpn ? nrpnEnabled : rpnEnabled))
        return;
    parts_.selectParameter(controllerChannel(event), controller, controllerValue(event));
}

void MultiTimberSynthBase::dispatchDataEntry(int channel, const DataEntry& entry)
{
    const int target = parts_.dataEntryTarget(channel);
    (this->*dataEntryHandlers_[static_cast<std::size_t>(target)])(channel, entry);
}

void MultiTimberSynthBase::ccDataEntryMsb(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[6] = value;
    dispatchDataEntry(channel, {value << 7, DataEntry::kMsbMask, 0});
}

void MultiTimberSynthBase::ccDataEntryLsb(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    const int value = controllerValue(event);
    part(channel).cc[38] = value;
    dispatchDataEntry(channel, {value, DataEntry::kLsbMask, 0});
}

void MultiTimberSynthBase::ccDataIncrement(const MidiEvent& event)
{
    dispatchDataEntry(controllerChannel(event), {0, DataEntry::kStepMask, +1});
}

void MultiTimberSynthBase::ccDataDecrement(const MidiEvent& event)
{
    dispatchDataEntry(controllerChannel(event), {0, DataEntry::kStepMask, -1});
}

// --- channel mode messages ---

void MultiTimberSynthBase::ccAllSoundOff(const MidiEvent& event)
{
    forChannelVoices(controllerChannel(event), [](VoiceUnitBase& voice) {
        if (voice.status & (VoiceUnitBase::kHeldBit | VoiceUnitBase::kReleasedBit))
            voice.soundOff();
    });
}

void MultiTimberSynthBase::ccResetAllControllers(const MidiEvent& event)
{
    const int channel = controllerChannel(event);
    // The legato footswitch goes up: LEGATO it had made returns to MONO.
    PartState& p = part(channel);
    if (p.cc[kLegatoController] >= 64 && p.play.mode != kPlayPoly)
        p.play.mode = kPlayMono;
    p.cc[kLegatoController] = 0;
    // cc[7], cc[10], bendRange, tuning and the portamento time (CC 5) are kept.
    part(channel).resetRunningControllers();
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
    const int channel = controllerChannel(event);
    releasePlayer(channel);
    forChannelVoices(channel, [](VoiceUnitBase& voice) {
        if (voice.status & VoiceUnitBase::kHeldBit)
            voice.noteOff();
    });
}

// --- data-entry parameters ---

void MultiTimberSynthBase::deBendSensitivity(int channel, const DataEntry& entry)
{
    if (!parts_.enterBendRange(channel, entry))
        return;
    const int range = part(channel).bendRange;
    forChannelVoices(channel, [range](VoiceUnitBase& voice) { voice.setBendRange(range); });
}

// Both tunings take effect on sounding voices at once, as a bend does.
void MultiTimberSynthBase::deFineTuning(int channel, const DataEntry& entry)
{
    if (parts_.enterFineTuning(channel, entry))
        applyPartTuning(channel);
}

void MultiTimberSynthBase::deCoarseTuning(int channel, const DataEntry& entry)
{
    if (parts_.enterCoarseTuning(channel, entry))
        applyPartTuning(channel);
}

void MultiTimberSynthBase::applyPartTuning(int channel)
{
    const int pitch = partTuningPitch(part(channel));
    forChannelVoices(channel, [pitch](VoiceUnitBase& voice) { voice.setPartTuning(pitch); });
}

void MultiTimberSynthBase::deMasterVolume(int, const DataEntry& entry)
{
    if (entry.isMsb())
        setMasterVolume(volumeTableEntry(entry.value >> 7));
}

void MultiTimberSynthBase::deDefaultMode(int channel, const DataEntry& entry)
{
    if (entry.isMsb())
        setDefaultMode(channel, entry.value >> 7);
}

void MultiTimberSynthBase::deMode(int channel, const DataEntry& entry)
{
    if (entry.isMsb())
        setMode(channel, entry.value >> 7);
}

// NRPN 0/34 play mode, 0/35 arpeggiator pattern, 0/36 octaves, 0/37 rate in
// ticks, 0/38 note value, 0/39 retrigger: the running values, clamped. A new
// mode or pattern first lets go of what the part's player holds.
void MultiTimberSynthBase::dePlaySetting(int channel, const DataEntry& entry)
{
    if (!entry.isMsb())
        return;
    PartState& p = part(channel);
    const int value = entry.value >> 7;
    PartPlaySettings next = p.play;
    switch (parts_.dataEntryTarget(channel)) {
    case 162: next.mode = value; break;
    case 163: next.arpPattern = value; break;
    case 164: next.arpOctaves = value; break;
    case 165: next.arpRate = value; break;
    case 166: next.arpNoteValue = value; break;
    case 167: next.arpRetrigger = value != 0; break;
    default: return;
    }
    next.clamp();
    if (next.mode != p.play.mode || next.arpPattern != p.play.arpPattern)
        releasePlayer(channel);
    p.play = next;
}

} // namespace kest::tolvane::synth
