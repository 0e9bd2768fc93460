// SPDX-License-Identifier: GPL-3.0-or-later
// How the plug-in tests, measurements and the CLAP host program hand a song
// to a plug-in: block by block, each event at its frame, as the raw MIDI
// bytes LV2 and CLAP hosts deliver.
#pragma once

#include <cstdint>
#include <vector>

#include "BlockPlanner.h"
#include "MidiFile.h"

namespace tolvane_test {

// The song's transport at `frame` as a host gives it: the tempo there and the
// beat (quarter notes from the song's start) through its tempo map.
struct SongTransport {
    double tempo = 120.0;
    double beat = 0.0;
};
SongTransport transportAt(const kest::tolvane::tools::MidiSong& song, std::int64_t frame, int sampleRate = 44100);

// One complete message: status byte first; SysEx from F0 to F7.
std::vector<std::uint8_t> rawMidiBytes(const kest::tolvane::tools::MidiSong& song,
                                       const kest::tolvane::tools::SongEvent& event);

// The song's events cut into consecutive blocks.
class SongBlocks {
public:
    struct Event {
        int offset = 0; // within the block
        const kest::tolvane::tools::SongEvent* event = nullptr;
    };

    SongBlocks(const kest::tolvane::tools::MidiSong& song, int sampleRate);
    // The events of the next `length` frames (the first block starts at frame 0).
    const std::vector<Event>& next(int length);

private:
    const kest::tolvane::tools::MidiSong& song_;
    std::vector<kest::tolvane::tools::TimedEvent> timed_;
    std::size_t nextEvent_ = 0;
    std::int64_t start_ = 0;
    std::vector<Event> block_;
};

} // namespace tolvane_test
