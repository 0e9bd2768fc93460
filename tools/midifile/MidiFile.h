// SPDX-License-Identifier: GPL-3.0-or-later
// Standard MIDI File reading: the tracks of a format 0 or 1 file merged into
// one time-ordered list of channel messages and System Exclusive messages,
// each stamped with its time in seconds through the file's tempo map.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kest::tolvane::tools {

// A file can hold megabytes of SysEx, but the engine keeps only this much of one message.
inline constexpr std::size_t kMaxSongSysExLength = 256;
// Larger files are refused before they are read: no real song needs this much.
inline constexpr std::size_t kMaxMidiFileSize = 16u << 20;

struct Division {
    bool smpte = false;
    int ticksPerQuarter = 480; // metrical time
    int framesPerSecond = 0;   // SMPTE: 24, 25, 29 (meaning 29.97) or 30
    int ticksPerFrame = 0;

    double ticksPerSecond() const;
};

struct SongEvent {
    double seconds = 0.0;
    std::uint64_t tick = 0;
    int type = 0; // 128 note off ... 224 pitch bend, 240 System Exclusive
    int channel = 0;
    int data1 = 0;
    int data2 = 0;
    // SysEx payload (the bytes after F0 up to and including F7) in MidiSong::sysExBytes.
    std::uint32_t sysExOffset = 0;
    std::uint32_t sysExLength = 0;
};

// From `tick` on (at `seconds`) the song plays at this many beats a minute.
struct SongTempo {
    std::uint64_t tick = 0;
    double seconds = 0.0;
    double beatsPerMinute = 120.0;
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;
    Division division;
    std::vector<SongEvent> events; // ordered by time; equal times keep file and track order
    std::vector<std::uint8_t> sysExBytes;
    std::uint64_t lengthTicks = 0; // the latest end of track or event
    double lengthSeconds = 0.0;
    int tempoChangeCount = 0;
    // The tempo map of a metrical file, from tick 0 (120 BPM until a first
    // change); empty for SMPTE time, which has no beats.
    std::vector<SongTempo> tempos;

    std::span<const std::uint8_t> sysEx(const SongEvent& event) const
    {
        return std::span<const std::uint8_t>(sysExBytes).subspan(event.sysExOffset, event.sysExLength);
    }
};

struct MidiReadResult {
    std::optional<MidiSong> song;
    std::string error; // what is wrong with the file when song is empty
};

MidiReadResult readMidiFile(std::span<const std::uint8_t> bytes);
// Reads the whole file first; a missing, unreadable or oversized file is an error.
MidiReadResult loadMidiFile(const std::string& path);

} // namespace kest::tolvane::tools
