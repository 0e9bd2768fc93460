// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the text files of the four sound-data formats.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace kest::tolvane::formats {

// The whole file, read in text mode, each line (without its line end) followed
// by one line feed. Nothing, with `error` set, when the file cannot be opened,
// is larger than `maxBytes` (decided from its size, before anything is read)
// or holds a NUL byte (decided block by block, the first block first): such a
// file is binary data or UTF-16 text, and no record could be found in it.
// `kindName` names the kind of file in the reason ("too large for a ...").
std::optional<std::string> readTextFile(const std::string& path, std::uint64_t maxBytes, std::string& error,
                                        const char* kindName = "a text file");

// The same with the limit of the largest text format, for callers that need no reason.
std::optional<std::string> readTextFile(const std::string& path);

// Creates or truncates the file, hands the stream to `write` and flushes it.
// False when the file cannot be opened for writing (then nothing is written).
bool writeTextFile(const std::string& path, const std::function<void(std::ostream&)>& write);

} // namespace kest::tolvane::formats
