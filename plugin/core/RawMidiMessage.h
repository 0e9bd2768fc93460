// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI as live hosts deliver it: one complete message of raw bytes (status
// byte first; SysEx from F0 to F7), turned into the engine's message record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "MidiEvent.h"

namespace kest::tolvane::plugin {

struct RawMidi {
    int frame = 0; // within the block
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
};

// Fills message from a raw message; false for what the engine does not take
// (system common and real-time messages, stray data bytes, cut-short messages).
bool toEngineMessage(const RawMidi& raw, MidiMessage& message);

} // namespace kest::tolvane::plugin
