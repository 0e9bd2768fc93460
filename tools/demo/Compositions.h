// SPDX-License-Identifier: GPL-3.0-or-later
// The songs the project generates: the demo that ships inside the renderer,
// and a dense 16-part load test for measuring render speed.
#pragma once

#include <cstdint>
#include <vector>

namespace kest::tolvane::tools {

// About 45 s: lead with vibrato, bass, pad with tremolo, arpeggio and noise
// drums in Percussion mode, every tone and wave programmed by SysEx in the file.
std::vector<std::uint8_t> composeDemoSong();

// All 16 parts playing four-note chords in eighths for the given time, with
// controller sweeps and bends; needs SysEx reception for its tones.
std::vector<std::uint8_t> composeDenseSong(double seconds);

} // namespace kest::tolvane::tools
