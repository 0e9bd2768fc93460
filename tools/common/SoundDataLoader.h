// SPDX-License-Identifier: GPL-3.0-or-later
// Loads the sound data named on the command line into the engine through the
// plug-in's own import paths, so a song sounds as it would in the plug-in.
#pragma once

#include <string>
#include <vector>

#include "ByteSource.h"
#include "EngineContext.h"
#include "SoundDataOptions.h"

namespace kest::tolvane::tools {

struct LoadFailure {
    std::string subject; // the file (or option) at fault
    std::string message;
};

// False with failure filled in when a file cannot be read or is not what it should be.
bool loadSoundData(plugin::EngineContext& context, const SoundDataOptions& options, LoadFailure& failure);

// Loads a .vstpreset's state from any source of its bytes (a file, or a download
// in the web page) exactly as --preset loads the file; false with error set.
bool loadPresetFrom(plugin::EngineContext& context, formats::ByteSource& file, std::string& error);

// One line per sample slot that a loaded state or preset could not take from
// its WAV file as saved: restored from the state's copy, or missing or changed.
std::vector<std::string> sampleSourceNotices(const plugin::EngineContext& context);

} // namespace kest::tolvane::tools
