// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's state as hosts store it, the same bytes in every format: the
// engine's state stream followed by the bypass record. A state saved by the
// VST 3, LV2 or CLAP plug-in loads in the others byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kest::tolvane::plugin {

class EngineContext;

std::vector<std::uint8_t> pluginStateBytes(EngineContext& context, bool bypassed);

struct LoadedPluginState {
    bool loaded = false;        // the engine's stream was read whole
    std::optional<bool> bypass; // the switch, when the bytes end in a bypass record
};
LoadedPluginState loadPluginStateBytes(EngineContext& context, std::span<const std::uint8_t> bytes);

} // namespace kest::tolvane::plugin
