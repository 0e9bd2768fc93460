// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's bitmaps, each with its twice-the-pixels twin when there is one.
#pragma once

#include "vstgui/lib/cbitmap.h"

#include <cstdint>
#include <span>
#include <string>

namespace kest::tolvane::editor {

// "name.png" and, when the resources have it, "name@2x.png": VSTGUI draws
// from the twin at zoom factors above 1, so that a zoomed window stays sharp.
// The X server keeps the pixels after the first draw (ServerBitmap).
VSTGUI::SharedPointer<VSTGUI::CBitmap> loadBitmap(const std::string& name);

// A module that is a single file (the CLAP plug-in) carries its bitmaps
// inside: `find` gives a PNG file's bytes by name (empty when it has none),
// and loadBitmap reads them from there instead of the resource folder.
using BuiltInBitmaps = std::span<const std::uint8_t> (*)(const std::string& name);
void useBuiltInBitmaps(BuiltInBitmaps find);

} // namespace kest::tolvane::editor
