// SPDX-License-Identifier: GPL-3.0-or-later
// The few System Exclusive messages every General MIDI song may open with:
// the GM, GS and XG resets and Universal Master Volume. They are recognised
// here, apart from the engine's own address-map messages.
#pragma once

#include <cstdint>

namespace kest::tolvane {

enum class UniversalMessage {
    None,         // not one of the messages below: left to the engine's own SysEx handling
    GmSystemOn,   // F0 7E dev 09 01 F7
    GmSystemOff,  // F0 7E dev 09 02 F7
    GsReset,      // F0 41 dev 42 12 40 00 7F 00 41 F7
    XgSystemOn,   // F0 43 1n 4C 00 00 7E 00 F7
    MasterVolume, // F0 7F dev 04 01 ll mm F7
};

// bytes are those after F0, up to and including F7. Any device number is accepted.
UniversalMessage identifyUniversalMessage(const std::uint8_t* bytes, int length);

// The linear gain a General MIDI module gives a Universal Master Volume
// message: its coarse byte mm on the curve of CC 7, (mm / 127)^2, so 7F is
// full level (1.0) and 32 about -24 dB; the fine byte ll is below what that
// curve resolves and is ignored. 0 for any other message.
float universalMasterVolumeGain(const std::uint8_t* bytes, int length);

} // namespace kest::tolvane
