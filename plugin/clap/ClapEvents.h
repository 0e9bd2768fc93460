// SPDX-License-Identifier: GPL-3.0-or-later
// A CLAP input event as the engine takes it. Raw MIDI and SysEx go through
// the raw-MIDI reader the LV2 shell uses; CLAP's note events become the same
// engine events their MIDI twins would: note on and off at their frame, a
// choke of every key (key -1) All Sound Off and of one key its note off
// (MIDI has no sound-off of one key); a channel of -1 means all 16.
#pragma once

#include <cstdint>
#include <optional>

#include "clap/events.h"

namespace kest::tolvane::plugin {
class PendingMidiEvents;
}

namespace kest::tolvane::clap {

struct ParamChange {
    std::uint32_t id = 0;
    double value = 0.0;
};

// Adds what `event` means to `events` at its frame (pulled inside
// 0..lastFrame); a transport event becomes the engine's transport there. A
// parameter change is returned to the caller instead; expressions,
// modulation and other spaces' events are ignored.
std::optional<ParamChange> translateEvent(const clap_event_header_t& event, int lastFrame,
                                          plugin::PendingMidiEvents& events);

// The block's transport (clap_process.transport), at frame 0: its tempo,
// and its song position while it plays. Without a tempo it says nothing.
void addTransport(const clap_event_transport_t& transport, int time, plugin::PendingMidiEvents& events);

// A CLAP velocity (0..1) as a MIDI one: a note-on keeps at least 1, since
// CLAP's zero-velocity note-on is no note-off.
int noteOnVelocity(double velocity);

} // namespace kest::tolvane::clap
