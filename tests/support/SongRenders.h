// SPDX-License-Identifier: GPL-3.0-or-later
// What the plug-in formats' render tests share: songs read from files, the
// songs and state every format is compared on, the renderer's own render of
// a song from a saved state (the reference every plug-in must equal), and a
// sample-for-sample comparison of 32 channels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MidiFile.h"
#include "SongHostEvents.h"

namespace tolvane_test {

inline constexpr int kSongRate = 44100;
using Channels = std::vector<std::vector<float>>; // the 32 output channels

kest::tolvane::tools::MidiSong songFromFile(const std::string& path);

// The song as tolvane-render's engine driver plays it from `state`, with a
// tail as long as the comparison. Like the plug-ins it leaves GM/GS/XG resets
// to the host.
Channels renderWithRenderer(const kest::tolvane::tools::MidiSong& song, int blockSize, std::int64_t frames,
                            const std::vector<std::uint8_t>& state);

// The state with sequences and LFO timing on every tone (arpeggios, volume
// echoes, pitch sweeps, wave steps and delayed vibrato by turns) and 50 ticks
// a second: what the plug-ins and the renderer must play alike too.
std::vector<std::uint8_t> withToneSequences(const std::vector<std::uint8_t>& state);

// Play modes and the arpeggiator on the first parts' stored play (LEGATO
// with portamento, arpeggios on ticks and on note values, MONO), and the
// score that plays them: a tempo of 150 BPM, a lead line with slides, held
// chords whose keys come and go a few samples apart, the sustain pedal.
std::vector<std::uint8_t> withPlayModes(const std::vector<std::uint8_t>& state);
kest::tolvane::tools::MidiSong playModesScore();

// Samples that differ bit for bit, and where the first one is.
struct Difference {
    std::int64_t count = 0;
    std::int64_t firstFrame = -1;
    int firstChannel = -1;
};
Difference compare(const Channels& a, const Channels& b);
double rms(const Channels& channels);

// The factory bank as a saved state with System Exclusive reception on: the
// state every format's render is compared from.
const std::vector<std::uint8_t>& bankStateReceivingSysEx();

// What VST 3 hosts lose: set-ups of several controllers on one tick (a GM
// one-tick RPN set-up, data increments, a pedal pressed, lifted and pressed
// again), then A4 bent fully up; notes, pressure, a program change and the
// engine's own System Exclusive around them.
kest::tolvane::tools::MidiSong oneTickScore();

} // namespace tolvane_test
