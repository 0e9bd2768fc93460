// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 bundle's description files, written from the same ids and names the
// plug-in's code uses: the manifest, the plug-in and its editor, and the
// factory presets (each one's saved state bytes, as in its .vstpreset twin).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kest::tolvane::tools {

struct Lv2Preset {
    std::string name;     // shown by hosts
    std::string category; // empty for none
    std::vector<std::uint8_t> state;
};

std::string manifestTtl(bool withEditor, const std::vector<Lv2Preset>& presets);
std::string pluginTtl(bool withEditor);
std::string presetsTtl(const std::vector<Lv2Preset>& presets);

// The URI of a preset (and of a category's bank), unique within the bundle.
std::string presetUri(const Lv2Preset& preset);

std::string base64(const std::vector<std::uint8_t>& bytes);

} // namespace kest::tolvane::tools
