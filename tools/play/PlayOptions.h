// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of tolvane-play and their parsing.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "SoundDataOptions.h"

namespace kest::tolvane::tools {

struct PlayOptions : SoundDataOptions {
    std::string clientName = "tolvane-play";
    bool multi = false;        // 32 outputs, one pair per engine output, instead of the sum
    bool connect = false;      // to the physical playback and MIDI capture ports
    bool quiet = false;        // no status line and no summary
    std::string saveStatePath; // written on exit; empty: none
    double tempo = 120.0;      // beats a minute, for arpeggios stepping on note values
    bool help = false;
};

struct PlayOptionsResult {
    PlayOptions options;
    std::string error; // a usage error when not empty
    bool ok() const { return error.empty(); }
};

// args excludes the program name.
PlayOptionsResult parsePlayOptions(std::span<const std::string_view> args);
std::string playUsageText();

} // namespace kest::tolvane::tools
