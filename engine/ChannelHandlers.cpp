// SPDX-License-Identifier: GPL-3.0-or-later
// The channel messages other than controllers: note off and on (with the voice
// claim and the sustain pedal's hold), program change, channel pressure and
// pitch bend.
#include <algorithm>

#include "MultiTimberSynthBase.h"

namespace kest::tolvane::synth {

MultiTimberSynthBase::VoiceUnitBase* MultiTimberSynthBase::claimVoice(int channel, int key)
{
    // A key struck again while the pedal holds its earlier note restarts: the
    // held note is released and a new one begins.
    voices_.forEachSounding([&](VoiceUnitBase& held) {
        if (held.sustained && (held.status & VoiceUnitBase::kHeldBit) && held.channel == channel && held.key == key) {
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
    v.playerPart = -1;
    v.renderPos = eventPos_;
    v.part = channel;
    v.outputPair = 2 * std::clamp(part(channel).output, 0, kOutputPairCount - 1);
    return &v;
}

void MultiTimberSynthBase::handleNoteOff(const MidiEvent& event)
{
    const int channel = event.channel & 0x0F;
    playerNoteOff(channel, event.data1 & 0x7F);
    // With the sustain pedal down the note keeps sounding until the pedal lifts.
    const bool pedalDown = part(channel).cc[kSustainController] >= 64;
    voices_.forEachSounding([&](VoiceUnitBase& v) {
        if ((v.status & VoiceUnitBase::kHeldBit) && v.channel == channel && v.key == event.data1 &&
            v.playerPart != channel) {
            if (pedalDown)
                v.sustained = true;
            else
                v.noteOff();
        }
    });
}

void MultiTimberSynthBase::handleNoteOn(const MidiEvent& event)
{
    const int channel = event.channel & 0x0F;
    const int key = event.data1 & 0x7F;
    if (part(channel).play.usesPlayer()) {
        playerNoteOn(channel, key, event.data2);
        return;
    }
    const int glideFrom = glideSource(channel, nullptr);
    VoiceUnitBase* v = claimVoice(channel, key);
    if (!v)
        return;
    startVoice(*v, channel, key, event.data2);
    glideTo(*v, channel, key, glideFrom);
    players_[static_cast<std::size_t>(channel)].lastNote = key;
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
