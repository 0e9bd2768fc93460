// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextFile.h"

#include <algorithm>
#include <fstream>
#include <locale>
#include <vector>

#include "ByteSource.h"
#include "FilePath.h"
#include "TextLimits.h"

namespace kest::tolvane::formats {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

} // namespace

std::optional<std::string> readTextFile(const std::string& path, std::uint64_t maxBytes, std::string& error,
                                        const char* kindName)
{
    std::ifstream in;
    std::uint64_t size = 0;
    // Binary: the same bytes on every platform (line ends are the parser's business).
    if (!openRegularFile(path, std::ios::in | std::ios::binary, in, size, error))
        return std::nullopt;
    if (size > maxBytes) {
        error =
            "too large for " + std::string(kindName) + " (" + sizeText(size) + "; at most " + sizeText(maxBytes) + ")";
        return std::nullopt;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(size) + 1);
    std::vector<char> block(kBlockSize);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const auto count = static_cast<std::size_t>(in.gcount());
        if (std::find(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count), '\0') !=
            block.begin() + static_cast<std::ptrdiff_t>(count)) {
            error = "not a text file (it holds NUL bytes)";
            return std::nullopt;
        }
        // A file that grows while it is read is held to the limit too.
        if (text.size() + count > maxBytes) {
            error = "too large for " + std::string(kindName) + " (more than " + sizeText(maxBytes) + ")";
            return std::nullopt;
        }
        text.append(block.data(), count);
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return text;
}

std::optional<std::string> readTextFile(const std::string& path)
{
    std::string ignored;
    return readTextFile(path, kLargestTextFileLimit, ignored);
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
