// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's saved state as a file of its own.
#pragma once

#include <string>

#include "EngineContext.h"

namespace kest::tolvane::tools {

// Writes the whole state through a temporary file renamed into place, so an
// earlier file of that name survives a failed write. False with error set.
bool saveStateFile(plugin::EngineContext& context, const std::string& path, std::string& error);

} // namespace kest::tolvane::tools
