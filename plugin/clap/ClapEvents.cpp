// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClapEvents.h"

#include <algorithm>
#include <cmath>

#include "MidiEvent.h"
#include "PendingMidiEvents.h"
#include "RawMidiMessage.h"

namespace kest::tolvane::clap {

namespace {

constexpr int kAllSoundOff = 120;
constexpr int kAllNotesOff = 123;

// A note event's channels: one, or all 16 for -1; nothing for anything else.
template <typename Each> void forChannels(int channel, Each&& each)
{
    if (channel == -1) {
        for (int c = 0; c < 16; ++c)
            each(c);
    } else if (channel >= 0 && channel < 16) {
        each(channel);
    }
}

void addNoteEvent(const clap_event_note_t& note, int time, plugin::PendingMidiEvents& events)
{
    const int key = note.key;
    if (key < -1 || key > 127)
        return;
    switch (note.header.type) {
    case CLAP_EVENT_NOTE_ON:
        if (key >= 0 && note.channel >= 0 && note.channel < 16)
            events.addChannelEvent(kNoteOn, note.channel, key, noteOnVelocity(note.velocity), time);
        break;
    case CLAP_EVENT_NOTE_OFF:
        forChannels(note.channel, [&](int c) {
            if (key >= 0)
                events.addChannelEvent(kNoteOff, c, key, 0, time);
            else
                events.addChannelEvent(kControlChange, c, kAllNotesOff, 0, time);
        });
        break;
    case CLAP_EVENT_NOTE_CHOKE:
        forChannels(note.channel, [&](int c) {
            if (key >= 0)
                events.addChannelEvent(kNoteOff, c, key, 0, time);
            else
                events.addChannelEvent(kControlChange, c, kAllSoundOff, 0, time);
        });
        break;
    default: break;
    }
}

void addRawMidi(const std::uint8_t* bytes, std::size_t size, int time, plugin::PendingMidiEvents& events)
{
    plugin::RawMidi raw;
    raw.bytes = bytes;
    raw.size = size;
    raw.frame = time;
    MidiMessage message;
    if (plugin::toEngineMessage(raw, message))
        events.add(message, time);
}

} // namespace

void addTransport(const clap_event_transport_t& transport, int time, plugin::PendingMidiEvents& events)
{
    if ((transport.flags & CLAP_TRANSPORT_HAS_TEMPO) == 0 || !(transport.tempo > 0.0))
        return;
    const bool playing = (transport.flags & CLAP_TRANSPORT_IS_PLAYING) != 0 &&
                         (transport.flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0;
    const double beat = playing ? static_cast<double>(transport.song_pos_beats) / CLAP_BEATTIME_FACTOR : 0.0;
    events.addTransport(transport.tempo, playing, beat, time);
}

int noteOnVelocity(double velocity)
{
    const double clamped = std::isfinite(velocity) ? std::clamp(velocity, 0.0, 1.0) : 0.0;
    return std::max(static_cast<int>(clamped * 127.0 + 0.5), 1);
}

std::optional<ParamChange> translateEvent(const clap_event_header_t& event, int lastFrame,
                                          plugin::PendingMidiEvents& events)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID)
        return std::nullopt;
    // An offset outside the block from a faulty host is pulled inside it.
    const int time =
        static_cast<int>(std::min<std::uint32_t>(event.time, static_cast<std::uint32_t>(std::max(lastFrame, 0))));
    switch (event.type) {
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE:
        if (event.size >= sizeof(clap_event_note_t))
            addNoteEvent(reinterpret_cast<const clap_event_note_t&>(event), time, events);
        break;
    case CLAP_EVENT_MIDI:
        if (event.size >= sizeof(clap_event_midi_t)) {
            const auto& midi = reinterpret_cast<const clap_event_midi_t&>(event);
            addRawMidi(midi.data, sizeof(midi.data), time, events);
        }
        break;
    case CLAP_EVENT_MIDI_SYSEX:
        if (event.size >= sizeof(clap_event_midi_sysex_t)) {
            const auto& sysEx = reinterpret_cast<const clap_event_midi_sysex_t&>(event);
            addRawMidi(sysEx.buffer, sysEx.buffer ? sysEx.size : 0, time, events);
        }
        break;
    case CLAP_EVENT_TRANSPORT:
        if (event.size >= sizeof(clap_event_transport_t))
            addTransport(reinterpret_cast<const clap_event_transport_t&>(event), time, events);
        break;
    case CLAP_EVENT_PARAM_VALUE:
        if (event.size >= sizeof(clap_event_param_value_t)) {
            const auto& param = reinterpret_cast<const clap_event_param_value_t&>(event);
            return ParamChange{param.param_id, param.value};
        }
        break;
    default: break;
    }
    return std::nullopt;
}

} // namespace kest::tolvane::clap
