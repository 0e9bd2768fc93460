// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a .vstpreset file whose component state is what the processor's
// getState writes for the given context (state stream and bypass trailer).
#pragma once

#include <string>

#include "EngineContext.h"

namespace kest::tolvane::tools {

// False when the file cannot be written.
bool writeVstPresetFile(const std::string& path, plugin::EngineContext& context);

} // namespace kest::tolvane::tools
