// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: prints the calibration table of docs/levels.md for the songs
// given, as `tolvane-render song.mid` would play them with the factory bank.
//
//   tolvane_factory_levels [--receive-sysex] song.mid...
//
// One Markdown row per song: length, peak and clipped samples of the mix, the
// mix level while it sounds, drums against the other parts, and every part
// that sounded as part:level (RMS dBFS while it sounds).
#include <cstdio>
#include <filesystem>
#include <string>

#include "SongLevels.h"

using namespace kest::tolvane;

int main(int argc, char** argv)
{
    const bool receiveSysEx = argc > 1 && std::string(argv[1]) == "--receive-sysex";
    const int first = receiveSysEx ? 2 : 1;
    if (argc <= first) {
        std::fprintf(stderr, "usage: tolvane_factory_levels [--receive-sysex] song.mid...\n");
        return 2;
    }
    std::printf("| song | s | peak dBFS | clipped | mix RMS | drums - rest dB | part:RMS dBFS (peak) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---|\n");
    int failures = 0;
    for (int i = first; i < argc; ++i) {
        const std::string name = std::filesystem::path(argv[i]).stem().string();
        const auto read = tools::loadMidiFile(argv[i]);
        if (!read.song) {
            std::fprintf(stderr, "%s: %s\n", argv[i], read.error.c_str());
            ++failures;
            continue;
        }
        const factory::SongLevels levels = factory::measureSong(*read.song, receiveSysEx);
        std::string balance = "-";
        if (levels.drums.sounded() && levels.instruments.sounded()) {
            char text[16];
            std::snprintf(text, sizeof text, "%+.1f", levels.drums.rmsDb() - levels.instruments.rmsDb());
            balance = text;
        }
        std::string parts;
        for (int p = 0; p < factory::kPartCount; ++p) {
            const factory::Level& part = levels.parts[static_cast<std::size_t>(p)];
            if (!part.sounded())
                continue;
            char text[40];
            std::snprintf(text, sizeof text, "%s%d:%.0f (%.0f)", parts.empty() ? "" : " ", p + 1, part.rmsDb(),
                          part.peakDb());
            parts += text;
        }
        std::printf("| %s | %.0f | %.1f | %lld | %.1f | %s | %s |\n", name.c_str(), levels.seconds, levels.mix.peakDb(),
                    static_cast<long long>(levels.clippedSamples), levels.mix.rmsDb(), balance.c_str(), parts.c_str());
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
