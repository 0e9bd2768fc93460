// SPDX-License-Identifier: GPL-3.0-or-later
#include "MidiEvent.h"

namespace kest::tolvane {

void MidiEvent::reset()
{
    type = kNoteOff;
    channel = 0;
    data1 = 0;
    data2 = 0;
    sysExLength = 0;
    portMask = 0xFFFF;
    next = nullptr;
    time = 0;
}

} // namespace kest::tolvane
