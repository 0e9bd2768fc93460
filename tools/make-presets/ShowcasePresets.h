// SPDX-License-Identifier: GPL-3.0-or-later
// The presets installed with the plug-in, the one list every writer of them
// uses: the two factory banks, their kits, multi-part templates and
// showcases of single sounds, each in a category (its folder in the preset
// browser and the musical category hosts read from the file).
#pragma once

#include <span>
#include <string_view>

#include "EngineContext.h"

namespace kest::tolvane::tools {

enum class StartingBank { GeneralMidi, Chip };

// What a preset sets on one part after its bank is loaded.
struct PartSetup {
    int part;            // 0-15 (MIDI channel - 1)
    int mode;            // synth::PartMode
    int program = 0;     // Instrument mode
    int modWheel = -1;   // CC 1; -1 keeps the bank's
    int volume = 100;    // CC 7
    int pan = 64;        // CC 10
    int detuneCents = 0; // held as the part's pitch bend (range 2 semitones)
};

struct PresetRecipe {
    std::string_view name;            // also the file name, without ".vstpreset"
    std::string_view category;        // the folder it is installed in
    std::string_view musicalCategory; // the "MusicalInstrument" attribute, as hosts' browsers sort by it
    StartingBank bank;
    std::span<const PartSetup> parts;
    // Further changes to the sound data; none for most presets.
    void (*program)(plugin::EngineContext& context) = nullptr;
};

std::span<const PresetRecipe> showcasePresets();

// A fresh context with the recipe's bank, parts and changes applied.
void buildPreset(const PresetRecipe& recipe, plugin::EngineContext& context);

} // namespace kest::tolvane::tools
