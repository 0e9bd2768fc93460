// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstddef>
#include <cstdint>

#include "DemoSong.h"

extern const std::uint8_t tolvaneDemoSong[];
extern const std::size_t tolvaneDemoSongSize;

namespace kest::tolvane::tools {

std::span<const std::uint8_t> builtInDemoSong() { return {tolvaneDemoSong, tolvaneDemoSongSize}; }

} // namespace kest::tolvane::tools
