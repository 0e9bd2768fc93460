// SPDX-License-Identifier: GPL-3.0-or-later
#include "MidiFileDriver.h"

#include <cmath>
#include <cstdlib>

#include "MidiFile.h"

namespace kest::tolvane::fuzzing {

namespace {

// A broken promise is a fault even when nothing crashed.
void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

void runMidiFileReader(const std::uint8_t* data, std::size_t size)
{
    const auto result = tools::readMidiFile(std::span<const std::uint8_t>(data, size));
    if (!result.song) {
        require(!result.error.empty());
        return;
    }
    const tools::MidiSong& song = *result.song;
    require(std::isfinite(song.lengthSeconds) && song.lengthSeconds >= 0.0);
    double previous = 0.0;
    for (const tools::SongEvent& event : song.events) {
        require(std::isfinite(event.seconds) && event.seconds >= previous);
        previous = event.seconds;
        require(event.tick <= song.lengthTicks);
        require(event.channel >= 0 && event.channel < 16);
        if (event.type == 240) {
            require(std::size_t{event.sysExOffset} + event.sysExLength <= song.sysExBytes.size());
            require(event.sysExLength <= tools::kMaxSongSysExLength);
            volatile std::uint8_t sum = 0;
            for (std::uint8_t byte : song.sysEx(event))
                sum = static_cast<std::uint8_t>(sum + byte);
        } else {
            require(event.type >= 128 && event.type < 240);
            require(event.data1 >= 0 && event.data1 < 128 && event.data2 >= 0 && event.data2 < 128);
        }
    }
}

} // namespace kest::tolvane::fuzzing
