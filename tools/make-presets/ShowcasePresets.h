// SPDX-License-Identifier: GPL-3.0-or-later
// The presets installed with the plug-in: the whole factory bank, and a few
// variations on it that show what the engine does.
#pragma once

#include <span>
#include <string_view>

#include "EngineContext.h"

namespace kest::tolvane::tools {

struct PresetRecipe {
    std::string_view name; // also the file name, without ".vstpreset"
    // Programs a context that already holds the factory bank.
    void (*program)(plugin::EngineContext& context);
};

std::span<const PresetRecipe> showcasePresets();

// A fresh context with the factory bank and the recipe applied.
void buildPreset(const PresetRecipe& recipe, plugin::EngineContext& context);

} // namespace kest::tolvane::tools
