// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's saved state as a file of its own.
#pragma once

#include <string>

#include "EngineContext.h"

namespace kest::tolvane::tools {

// Writes the whole state: as a preset file the plug-in's hosts open when the
// name ends in ".vstpreset", otherwise as the bare state stream (which --state
// reads). Goes through a temporary file renamed into place, so an earlier file
// of that name survives a failed write. False with error set.
bool saveStateFile(plugin::EngineContext& context, const std::string& path, std::string& error);

} // namespace kest::tolvane::tools
