// SPDX-License-Identifier: GPL-3.0-or-later
// The host's transport as LV2 hosts send it: a time:Position object in the
// MIDI input's event sequence, at the frame where it holds. Read into the
// tempo and song position the engine's arpeggiator follows.
#pragma once

#include "lv2/atom/atom.h"
#include "lv2/urid/urid.h"

namespace kest::tolvane::lv2 {

struct TransportUris {
    LV2_URID atomObject = 0, atomBlank = 0, atomLong = 0, atomInt = 0, atomFloat = 0, atomDouble = 0;
    LV2_URID position = 0, bar = 0, barBeat = 0, beatsPerBar = 0, beatUnit = 0, beatsPerMinute = 0, speed = 0;
    void map(LV2_URID_Map& map);
};

struct Transport {
    double tempo = 120.0; // quarter notes a minute
    bool hasBeat = false; // the transport rolls and the position is known
    double beat = 0.0;    // quarter notes from the song's start
};

// Reads a time:Position object; false for any other atom or one without a tempo.
bool readTransport(const TransportUris& uris, const LV2_Atom& atom, Transport& transport);

} // namespace kest::tolvane::lv2
