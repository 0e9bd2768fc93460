// SPDX-License-Identifier: GPL-3.0-or-later
// The sound a page engine starts from, loaded the way tolvane-render and
// tolvane-play load theirs: the factory General MIDI bank, then the state of a
// .vstpreset when one is given (its samples from the state's own copies: the
// page has no files).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "EngineContext.h"

namespace kest::tolvane::web {

// An empty preset leaves the factory bank. False with error set when the bytes
// are no preset of this plug-in.
bool loadPageSound(plugin::EngineContext& context, std::span<const std::uint8_t> preset, std::string& error);

} // namespace kest::tolvane::web
