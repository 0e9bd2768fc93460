// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the project's generated songs:
//   tolvane-make-demo [FILE]                 the demo song (default demo.mid)
//   tolvane-make-demo --dense SECONDS FILE   the dense 16-part load test
#include <charconv>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "Compositions.h"
#include "FilePath.h"
#include "Utf8Arguments.h"

namespace {
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(kest::tolvane::formats::pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
    using namespace kest::tolvane::tools;
    const Utf8Arguments arguments(argc, argv);
    const int argCount = arguments.count();
    if (argCount == 4 && arguments[1] == "--dense") {
        double seconds = 0;
        const std::string_view text(arguments[2]);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (ec != std::errc() || end != text.data() + text.size() || seconds <= 0 || seconds > 3600) {
            std::fprintf(stderr, "tolvane-make-demo: --dense wants seconds from 0 to 3600\n");
            return 2;
        }
        return writeFile(arguments[3], composeDenseSong(seconds)) ? 0 : 1;
    }
    if (argCount > 2 || (argCount == 2 && arguments[1].starts_with('-'))) {
        std::fprintf(stderr, "usage: tolvane-make-demo [FILE] | --dense SECONDS FILE\n");
        return 2;
    }
    const std::string path = argCount == 2 ? arguments[1] : "demo.mid";
    if (!writeFile(path, composeDemoSong())) {
        std::fprintf(stderr, "tolvane-make-demo: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
