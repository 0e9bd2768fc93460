// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's bitmaps built into the CLAP file (a single file has no
// resource folder beside it); the source is written at build time by
// EmbedBitmaps.cmake from resource/*.png.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kest::tolvane::clap {

// The PNG file's bytes by name ("bg0.png"); empty when there is none.
std::span<const std::uint8_t> builtInBitmap(const std::string& name);

} // namespace kest::tolvane::clap
