// SPDX-License-Identifier: GPL-3.0-or-later
// What the LV2 tests play: the factory bank as a saved state (System
// Exclusive reception on), scores and songs, and the renderer's reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LilvHost.h"
#include "MidiFile.h"
#include "SongRenders.h"

namespace tolvane_lv2_test {

namespace tools = kest::tolvane::tools;

using tolvane_test::Channels;
using tolvane_test::compare;
using tolvane_test::Difference;
using tolvane_test::renderWithRenderer;
using tolvane_test::rms;
constexpr int kRate = tolvane_test::kSongRate;

const std::vector<std::uint8_t>& bankState();

// What VST 3 hosts lose: set-ups of several controllers on one tick (a GM
// one-tick RPN set-up, data increments, a pedal pressed, lifted and pressed
// again), then A4 bent fully up; notes, pressure, a program change and the
// engine's own System Exclusive around them.
tools::MidiSong oneTickScore();
tools::MidiSong songFromFile(const std::string& name);

// The same through the LV2 plug-in, the song's events as raw MIDI at their frames.
Channels renderWithPlugin(PluginInstance& plugin, const tools::MidiSong& song, int blockSize, std::int64_t frames);

} // namespace tolvane_lv2_test
