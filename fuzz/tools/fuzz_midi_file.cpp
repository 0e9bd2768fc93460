// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the renderer's MIDI file reader.
#include "MidiFileDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kest::tolvane::fuzzing::runMidiFileReader(data, size);
    return 0;
}
