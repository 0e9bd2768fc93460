// SPDX-License-Identifier: GPL-3.0-or-later
// Which text format a text import or export handles, and how a WAV import
// reduces its samples (stored per sample slot).
#pragma once

#include <cstdint>

namespace kest::tolvane::plugin {

enum class TextKind : int { Tone = 0, Sampler = 1, SampleData = 2, WaveTable = 3 };

enum class SampleSourceKind : std::uint8_t { Pcm = 0, Dpcm = 1, Adpcm = 2 };

} // namespace kest::tolvane::plugin
