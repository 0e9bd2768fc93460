// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a .vstpreset file whose component state is what the processor's
// getState writes for the given context (state stream and bypass trailer),
// with the meta information hosts' preset browsers read.
#pragma once

#include <string>
#include <string_view>

#include "EngineContext.h"

namespace kest::tolvane::tools {

struct PresetMetaInfo {
    std::string_view name;
    std::string_view musicalCategory; // e.g. "Synth Lead|Digital"
};

// The XML of the file's "Info" chunk.
std::string presetMetaInfoXml(const PresetMetaInfo& info);

// False when the file cannot be written.
bool writeVstPresetFile(const std::string& path, plugin::EngineContext& context, const PresetMetaInfo& info);

} // namespace kest::tolvane::tools
