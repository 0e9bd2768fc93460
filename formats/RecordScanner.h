// SPDX-License-Identifier: GPL-3.0-or-later
// Finds the records of a text format with its record and token patterns
// (ECMAScript regular expressions, "^" at every line start) without letting
// the regex engine recurse over arbitrarily long runs of input.
#pragma once

#include <functional>
#include <regex>
#include <span>
#include <string_view>

namespace kest::tolvane::formats {

struct RecordSyntax {
    RecordSyntax(const char* recordPattern, const char* tokenPattern);
    std::regex record;
    std::regex token;
};

using RecordHandler = std::function<void(std::span<const std::string_view> tokens)>;

// Calls `onRecord` for every successive non-overlapping match of the record
// pattern, in order, with the token matches inside it as views into `text`.
void scanRecords(std::string_view text, const RecordSyntax& syntax, const RecordHandler& onRecord);

} // namespace kest::tolvane::formats
