// SPDX-License-Identifier: GPL-3.0-or-later
// The factory bank (wavetables and 256 GM tones) as compiled into the program,
// and loading it into an engine the way the editor's text import does.
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

} // namespace kest::tolvane::tools
