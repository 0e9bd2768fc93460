// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of tolvane-render and their parsing.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FormatKinds.h"

namespace kest::tolvane::tools {

struct WaveImportOption {
    int slot = 0;  // 0..127
    std::string path;
    formats::SampleSourceKind kind = formats::SampleSourceKind::Pcm;
};

struct RenderOptions {
    std::string songPath;         // empty: the built-in demo song
    std::string outputPath;       // empty: out.wav, or demo.wav for the demo
    int sampleRate = 44100;
    int blockSize = 512;
    bool floatSamples = false;    // otherwise 24-bit PCM
    double gainDb = 0.0;          // on the final mix (and the stems)
    bool normalize = false;       // scale the whole render to peak at normalizeDbfs
    double normalizeDbfs = -1.0;
    int bus = 0;                  // 1..16 writes that output pair only; 0 sums all 16
    std::string stemsDir;         // empty: no stems
    int polyphony = 0;            // 0: the engine's default
    double tailSeconds = 2.0;
    bool quiet = false;
    bool receiveSysEx = false;    // the product's own messages; GM/GS/XG ones are always obeyed
    bool nrpn = false;
    bool help = false;

    // Sound data loaded before rendering, in this order: the factory bank
    // (unless init), state or preset, table size, wavetables, tones, sampler
    // presets, WAV files, sample parameters.
    bool init = false;            // start from the power-on sound, not the factory bank
    std::string statePath;
    std::string presetPath;       // a .vstpreset file
    int tableSize = 0;  // 0: as the engine (or the state) has it
    std::string waveTablesPath;
    std::string tonesPath;
    std::string samplersPath;
    std::vector<WaveImportOption> waves;
    std::string sampleParamsPath;

    bool isDemo() const { return songPath.empty(); }
    std::string resolvedOutputPath() const;
};

struct OptionsResult {
    RenderOptions options;
    std::string error;  // a usage error when not empty
    bool ok() const { return error.empty(); }
};

// args excludes the program name.
OptionsResult parseRenderOptions(std::span<const std::string_view> args);
std::string usageText();

// True when both paths name the same file (existing or not).
bool sameFile(const std::string& a, const std::string& b);

} // namespace kest::tolvane::tools
