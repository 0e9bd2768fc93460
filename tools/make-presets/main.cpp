// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-make-presets: writes the factory presets as .vstpreset files into a
// folder, each in the subfolder of its category.
#include <cstdio>
#include <filesystem>
#include <string>

#include "FilePath.h"
#include "PresetWriter.h"
#include "ShowcasePresets.h"
#include "Utf8Arguments.h"

int main(int argc, char** argv)
{
    using namespace kest::tolvane;
    const tools::Utf8Arguments arguments(argc, argv);
    if (arguments.count() != 2) {
        std::fprintf(stderr, "Usage: tolvane-make-presets OUTPUT-FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = formats::pathFromUtf8(arguments[1]);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (const tools::PresetRecipe& recipe : tools::showcasePresets()) {
        plugin::EngineContext context;
        tools::buildPreset(recipe, context);
        // One folder per category: hosts' preset browsers show them as groups.
        const std::filesystem::path categoryFolder = folder / std::string(recipe.category);
        std::filesystem::create_directories(categoryFolder, ec);
        const std::string path = formats::utf8FromPath(categoryFolder / (std::string(recipe.name) + ".vstpreset"));
        if (!tools::writeVstPresetFile(path, context, {recipe.name, recipe.musicalCategory})) {
            std::fprintf(stderr, "tolvane-make-presets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
