// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of tolvane-render and their parsing.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "SoundDataOptions.h"

namespace kest::tolvane::tools {

struct RenderOptions : SoundDataOptions {
    std::string songPath;   // empty: the built-in demo song
    std::string outputPath; // empty: out.wav, or demo.wav for the demo
    int sampleRate = 44100;
    int blockSize = 512;
    bool floatSamples = false; // otherwise 24-bit PCM
    double gainDb = 0.0;       // on the final mix (and the stems)
    bool normalize = false;    // scale the whole render to peak at normalizeDbfs
    double normalizeDbfs = -1.0;
    int bus = 0;          // 1..16 writes that output pair only; 0 sums all 16
    std::string stemsDir; // empty: no stems
    double tailSeconds = 2.0;
    bool quiet = false;
    bool help = false;

    bool isDemo() const { return songPath.empty(); }
    std::string resolvedOutputPath() const;
};

struct OptionsResult {
    RenderOptions options;
    std::string error; // a usage error when not empty
    bool ok() const { return error.empty(); }
};

// args excludes the program name.
OptionsResult parseRenderOptions(std::span<const std::string_view> args);
std::string usageText();

// True when both paths name the same file (existing or not).
bool sameFile(const std::string& a, const std::string& b);

} // namespace kest::tolvane::tools
