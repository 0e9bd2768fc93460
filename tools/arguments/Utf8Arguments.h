// SPDX-License-Identifier: GPL-3.0-or-later
// The command line as UTF-8, on every platform. On Windows, argv is in the
// system's code page, which cannot hold every file name (C:\Users\José is fine
// in one code page and not in the next): the arguments are read from the wide
// command line instead, and the console is told to show UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kest::tolvane::tools {

class Utf8Arguments {
public:
    Utf8Arguments(int argc, char** argv);

    // Every argument after the program name.
    std::vector<std::string_view> options() const;
    int count() const { return static_cast<int>(arguments_.size()); }
    // Argument i, 0 being the program name.
    const std::string& operator[](int i) const { return arguments_[static_cast<std::size_t>(i)]; }

private:
    std::vector<std::string> arguments_;
};

} // namespace kest::tolvane::tools
