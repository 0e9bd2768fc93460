// SPDX-License-Identifier: GPL-3.0-or-later
// Typed preset names stored into a tone or sampler preset record.
#pragma once

#include <string>
#include <string_view>

namespace kest::tolvane::editor {

inline constexpr int kStoredNameLength = 16;

// Copies the printable ASCII characters (32..126) of `text` into `presetName`,
// at most 16, pads the rest of the 16 bytes with spaces and terminates the
// record's name after them. `presetName` holds 17 bytes. Returns the stored name.
std::string storePresetName(std::string_view text, char* presetName);

// The record's name as the name field shows it (at most 16 characters, stops at
// the first zero byte even if a record was never terminated).
std::string presetNameText(const char* presetName);

} // namespace kest::tolvane::editor
