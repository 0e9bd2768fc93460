// SPDX-License-Identifier: GPL-3.0-or-later
// The channel messages other than controllers: note off and on (with the voice
// claim and the sustain pedal's hold), program change, channel pressure and
// pitch bend.
#include <algorithm>

#include "MultiTimberSynthBase.h"

namespace kest::tolvane::synth {

MultiTimberSynthBase::VoiceUnitBase* MultiTimberSynthBase::claimVoice(const MidiEvent& event)
{
    // A key struck again while the pedal holds its earlier note restarts: the
    // held note is released and a new one begins.
    const int channel = event.channel & 0x0F;
    voices_.forEachSounding([&](VoiceUnitBase& held) {
        if (held.sustained && (held.status & VoiceUnitBase::kHeldBit) && held.channel == channel &&
            held.key == (event.data1 & 0x7F)) {
            held.sustained = false;
            held.noteOff();
        }
    });
    const int index = voices_.findVoice();
    if (index < 0)
        return nullptr;
    voices_.markSounding(index);
    VoiceUnitBase& v = voices_[index];
    v.sustained = false;
    v.renderPos = eventPos_;
    v.part = channel;
    v.outputPair = 2 * std::clamp(part(channel).output, 0, kOutputPairCount - 1);
    return &v;
}

void MultiTimberSynthBase::handleNoteOff(const MidiEvent& event)
{
    const int channel = event.channel & 0x0F;
    // With the sustain pedal down the note keeps sounding until the pedal lifts.
    const bool pedalDown = part(channel).cc[kSustainController] >= 64;
    voices_.forEachSounding([&](VoiceUnitBase& v) {
        if ((v.status & VoiceUnitBase::kHeldBit) && v.channel == channel && v.key == event.data1) {
            if (pedalDown)
                v.sustained = true;
            else
                v.noteOff();
        }
    });
}

void MultiTimberSynthBase::handleNoteOn(const MidiEvent& event)
{
    if (VoiceUnitBase* v = claimVoice(event))
        v->noteOn(event.channel & 0x0F, event.data1 & 0x7F, event.data2);
}

void MultiTimberSynthBase::selectProgram(const MidiEvent& event) { part(event.channel).program = event.data1 & 0x7F; }

void MultiTimberSynthBase::handleProgramChange(const MidiEvent& event)
{
    selectProgram(event);
    forChannelVoices(event.channel & 0x0F, [](VoiceUnitBase& v) {
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

void MultiTimberSynthBase::releaseSustained(int channel)
{
    voices_.forEachSounding([channel](VoiceUnitBase& v) {
        if (!v.sustained || v.channel != channel)
            return;
        v.sustained = false;
        if (v.status & VoiceUnitBase::kHeldBit)
            v.noteOff();
    });
}

} // namespace kest::tolvane::synth
