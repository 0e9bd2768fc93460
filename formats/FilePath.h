// SPDX-License-Identifier: GPL-3.0-or-later
// Paths travel through the product as UTF-8 strings (the editor's file
// selector, the command line, the state's sample paths). The file system wants
// its own form, wide characters on Windows, so every file is opened through a
// path made here; a narrow std::string would be read in the system's code page.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kest::tolvane::formats {

std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string utf8FromPath(const std::filesystem::path& path);

} // namespace kest::tolvane::formats
