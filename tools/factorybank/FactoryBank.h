// SPDX-License-Identifier: GPL-3.0-or-later
// The factory banks as compiled into the program: the General MIDI bank
// (wavetables and 256 GM tones) and the chip bank (wavetables, 128 chip
// instruments, a tone kit, a sample kit), and loading them into an engine the
// way the editor's imports do.
#pragma once

#include <string_view>

#include "EngineContext.h"

namespace kest::tolvane::tools {

// General MIDI's drum channel 10.
inline constexpr int kFactoryDrumPart = 9;

std::string_view factoryWaveTableText();
std::string_view factoryToneText();

// Applies the factory wavetables, then the tones, and puts part 10 in
// Percussion mode (the other parts keep their modes).
void loadFactoryBank(plugin::EngineContext& context);

// Applies the chip wavetables, tones (with their sequences, LFO timing and
// the tick rate) and sampler presets, imports the sample kit into its slots
// (reduced to 8 bits or 4-bit ADPCM, as listed) and puts part 10 in
// Percussion mode (the tone kit). The wheel stays at rest: every vibrato and
// tremolo tone has its own LFO depth.
void loadChipBank(plugin::EngineContext& context);

} // namespace kest::tolvane::tools
