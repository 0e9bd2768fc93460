// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the text files of the four sound-data formats.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace kest::tolvane::formats {

// The whole file, read in text mode line by line, each line (without its line
// end) followed by one line feed. Nothing when the file cannot be opened.
std::optional<std::string> readTextFile(const std::string& path);

// Creates or truncates the file, hands the stream to `write` and flushes it.
// False when the file cannot be opened for writing (then nothing is written).
bool writeTextFile(const std::string& path, const std::function<void(std::ostream&)>& write);

} // namespace kest::tolvane::formats
