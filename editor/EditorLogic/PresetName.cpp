// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/PresetName.h"

namespace kest::tolvane::editor {

std::string storePresetName(std::string_view text, char* presetName)
{
    int stored = 0;
    for (const char c : text) {
        if (stored == kStoredNameLength)
            break;
        const auto code = static_cast<unsigned char>(c);
        if (code >= 32 && code <= 126)
            presetName[stored++] = c;
    }
    for (; stored < kStoredNameLength; ++stored)
        presetName[stored] = ' ';
    presetName[kStoredNameLength] = '\0';
    return std::string(presetName, kStoredNameLength);
}

std::string presetNameText(const char* presetName)
{
    std::string name;
    for (int i = 0; i < kStoredNameLength && presetName[i] != '\0'; ++i)
        name.push_back(presetName[i]);
    return name;
}

} // namespace kest::tolvane::editor
