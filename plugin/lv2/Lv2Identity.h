// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 plug-in's identity and port layout. Hosts store the URIs in their
// projects, so they never change; the bundle's description files are written
// from these names at build time, so code and description cannot drift.
#pragma once

#include <cstdint>

#include "ProtocolIds.h"

namespace kest::tolvane::lv2 {

inline constexpr const char* kPluginUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt";
inline constexpr const char* kUiUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt#editor";
// The one state property: the plug-in's saved state bytes, as VST 3 hosts store them.
inline constexpr const char* kStateKeyUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt#state";
inline constexpr const char* kBundleName = "TolvaneSynthWT.lv2";
inline constexpr const char* kBinaryName = "TolvaneSynthWT.so";

// Port 0 takes MIDI; ports 1..32 are output pair n's left (1 + 2n) and right (2 + 2n).
inline constexpr std::uint32_t kEventPort = 0;
inline constexpr std::uint32_t kFirstOutputPort = 1;
inline constexpr int kOutputChannelCount = 2 * plugin::ids::kOutputPairCount;
inline constexpr std::uint32_t kPortCount = kFirstOutputPort + kOutputChannelCount;

} // namespace kest::tolvane::lv2
