// SPDX-License-Identifier: GPL-3.0-or-later
// The options every program that hosts the engine shares: which sound data to
// load before playing and which engine switches to turn on.
#pragma once

#include <string>
#include <vector>

#include "CommandLine.h"
#include "FormatKinds.h"

namespace kest::tolvane::plugin {
class EngineContext;
}

namespace kest::tolvane::tools {

struct WaveImportOption {
    int slot = 0; // 0..127
    std::string path;
    formats::SampleSourceKind kind = formats::SampleSourceKind::Pcm;
};

struct SoundDataOptions {
    int polyphony = 0; // 0: the engine's default (or the state's)
    bool receiveSysEx = false;
    bool nrpn = false;

    // Loaded in this order: the factory bank (unless init), state or preset,
    // table size, WAV files, wavetables, tones, sampler presets, sample parameters.
    bool init = false; // start from the power-on sound, not the factory bank
    std::string statePath;
    std::string presetPath; // a .vstpreset file
    int tableSize = 0;      // 0: as the engine (or the state) has it
    std::string waveTablesPath;
    std::string tonesPath;
    std::string samplersPath;
    std::vector<WaveImportOption> waves;
    std::string sampleParamsPath;
};

// Reads the current option into options when it is one of these; false when
// the option is not a sound-data option (errors are recorded in the command line).
bool readSoundDataOption(CommandLine& args, SoundDataOptions& options);
// The checks that span several options; an error message, or empty.
std::string checkSoundDataOptions(const SoundDataOptions& options);
// The help lines for the options above.
std::string soundDataUsage();

// A loaded state brings its own polyphony and switches; the options have the
// last word, and only ever turn the switches on.
void applyEngineSwitches(plugin::EngineContext& context, const SoundDataOptions& options);

} // namespace kest::tolvane::tools
