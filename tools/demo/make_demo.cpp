// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the project's generated songs:
//   tolvane-make-demo [FILE]                 the demo song (default demo.mid)
//   tolvane-make-demo --dense SECONDS FILE   the dense 16-part load test
#include <charconv>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "Compositions.h"

namespace {
bool writeFile(const char* path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
    using namespace kest::tolvane::tools;
    if (argc == 4 && std::string_view(argv[1]) == "--dense") {
        double seconds = 0;
        const std::string_view text(argv[2]);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (ec != std::errc() || end != text.data() + text.size() || seconds <= 0 || seconds > 3600) {
            std::fprintf(stderr, "tolvane-make-demo: --dense wants seconds from 0 to 3600\n");
            return 2;
        }
        return writeFile(argv[3], composeDenseSong(seconds)) ? 0 : 1;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: tolvane-make-demo [FILE] | --dense SECONDS FILE\n");
        return 2;
    }
    const char* path = argc == 2 ? argv[1] : "demo.mid";
    if (!writeFile(path, composeDemoSong())) {
        std::fprintf(stderr, "tolvane-make-demo: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
