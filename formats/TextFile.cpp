// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextFile.h"

#include <fstream>

#include "FilePath.h"
#include <locale>

namespace kest::tolvane::formats {

std::optional<std::string> readTextFile(const std::string& path)
{
    std::ifstream in(pathFromUtf8(path), std::ios::binary); // the same bytes on every platform
    if (!in.is_open())
        return std::nullopt;
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
        text += line;
        text += '\n';
    }
    return text;
}

bool writeTextFile(const std::string& path, const std::function<void(std::ostream&)>& write)
{
    std::ofstream out(pathFromUtf8(path), std::ios::binary | std::ios::trunc); // "\n", not "\r\n" on Windows
    // Numbers are written as the C locale writes them, whatever the host set.
    out.imbue(std::locale::classic());
    if (!out.is_open())
        return false;
    write(out);
    out.flush();
    // A full disk shows only in the stream's state; an export must not claim success then.
    return out.good();
}

} // namespace kest::tolvane::formats
