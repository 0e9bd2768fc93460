// SPDX-License-Identifier: GPL-3.0-or-later
// What the LV2 tests play: the factory bank as a saved state (System
// Exclusive reception on), scores and songs, and the renderer's reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LilvHost.h"
#include "MidiFile.h"
#include "SongHostEvents.h"
#include "SongRenders.h"

namespace tolvane_lv2_test {

namespace tools = kest::tolvane::tools;

using tolvane_test::Channels;
using tolvane_test::compare;
using tolvane_test::Difference;
using tolvane_test::oneTickScore;
using tolvane_test::renderWithRenderer;
using tolvane_test::rms;
constexpr int kRate = tolvane_test::kSongRate;

inline const std::vector<std::uint8_t>& bankState() { return tolvane_test::bankStateReceivingSysEx(); }

tools::MidiSong songFromFile(const std::string& name);

// The same through the LV2 plug-in, the song's events as raw MIDI at their frames.
Channels renderWithPlugin(PluginInstance& plugin, const tools::MidiSong& song, int blockSize, std::int64_t frames);

} // namespace tolvane_lv2_test
