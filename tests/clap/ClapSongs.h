// SPDX-License-Identifier: GPL-3.0-or-later
// Songs through the CLAP plug-in in the project's host, as a host plays a
// MIDI track: every event at its frame, in the MIDI dialect (raw MIDI and
// SysEx) or with the notes in CLAP's own note events.
#pragma once

#include <cstdint>

#include "ClapHost.h"
#include "MidiFile.h"
#include "SongRenders.h"

namespace tolvane_clap_test {

enum class Dialect { Midi, ClapNotes };

#if defined(TOLVANE_TEST_CLAP_FILE)
// The built plug-in file, loaded once per test program.
inline const ClapModule& builtModule()
{
    static const ClapModule module(TOLVANE_TEST_CLAP_FILE);
    return module;
}
#endif
const char* pluginId();

// Adds `event` at `offset` as a host of that dialect sends it.
void addSongEvent(EventList& list, const kest::tolvane::tools::MidiSong& song,
                  const kest::tolvane::tools::SongEvent& event, int offset, Dialect dialect);

struct ClapRender {
    tolvane_test::Channels channels;
    bool everyChannelWritten = true; // no sample left as the host filled it before each block
};
ClapRender renderWithClap(ClapInstance& plugin, const kest::tolvane::tools::MidiSong& song, int blockSize,
                          std::int64_t frames, Dialect dialect);

} // namespace tolvane_clap_test
