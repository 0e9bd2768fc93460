// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP plug-in's identity and layout. Hosts store the id and the
// parameter id in their projects, so they never change.
#pragma once

#include <cstdint>

#include "ProtocolIds.h"

namespace kest::tolvane::clap {

// Reverse domain of the vendor's address (kVendorUrl).
inline constexpr const char* kPluginId = "invalid.kestrawerk.tolvane-synth-wt";
inline constexpr const char* kFileName = "TolvaneSynthWT.clap";

// One note input; 16 stereo outputs, out 1 the main one.
inline constexpr std::uint32_t kNotePortId = 0;
inline constexpr const char* kNotePortName = "MIDI in";
inline constexpr int kOutputPortCount = plugin::ids::kOutputPairCount;
inline constexpr int kOutputChannelCount = 2 * kOutputPortCount;

// The only host parameter: the bypass switch (MIDI comes as MIDI).
inline constexpr std::uint32_t kBypassParamId = 1;

} // namespace kest::tolvane::clap
