// SPDX-License-Identifier: GPL-3.0-or-later
// The demo song compiled into the renderer, so it plays from any directory.
#pragma once

#include <cstdint>
#include <span>

namespace kest::tolvane::tools {

std::span<const std::uint8_t> builtInDemoSong();

} // namespace kest::tolvane::tools
