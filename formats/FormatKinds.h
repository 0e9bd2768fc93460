// SPDX-License-Identifier: GPL-3.0-or-later
// Which text format an import or export handles, and how a WAV import reduces
// its samples (the plug-in keeps the latter per sample slot).
#pragma once

#include <cstdint>

namespace kest::tolvane::formats {

enum class TextKind : int { Tone = 0, Sampler = 1, SampleData = 2, WaveTable = 3 };

enum class SampleSourceKind : std::uint8_t { Pcm = 0, Dpcm = 1, Adpcm = 2 };

} // namespace kest::tolvane::formats
