// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 plug-in's identity and port layout. Hosts store the URIs in their
// projects, so they never change; the bundle's description files are written
// from these names at build time, so code and description cannot drift.
#pragma once

#include <cstdint>

#include "ProtocolIds.h"

namespace kest::tolvane::lv2 {

inline constexpr const char* kPluginUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt";
// The same instrument with one stereo output, the sum of the 16 pairs as the
// renderer's mix: a host that opens a new track with all of a plug-in's
// outputs (Ardour offers an LV2 plug-in no smaller set) gets a stereo track.
inline constexpr const char* kStereoPluginUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt-stereo";
inline constexpr const char* kUiUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt#editor";
// The one state property: the plug-in's saved state bytes, as VST 3 hosts store them.
inline constexpr const char* kStateKeyUri = "https://kestrawerk.invalid/plugins/tolvane-synth-wt#state";
inline constexpr const char* kBundleName = "TolvaneSynthWT.lv2";
inline constexpr const char* kBinaryName = "TolvaneSynthWT.so";

// Port 0 takes MIDI; ports 1..32 are output pair n's left (1 + 2n) and right (2 + 2n).
// The stereo plug-in has ports 0 to 2 only.
inline constexpr std::uint32_t kEventPort = 0;
inline constexpr std::uint32_t kFirstOutputPort = 1;
inline constexpr int kOutputChannelCount = 2 * plugin::ids::kOutputPairCount;
inline constexpr std::uint32_t kPortCount = kFirstOutputPort + kOutputChannelCount;
inline constexpr int kStereoChannelCount = 2;
inline constexpr std::uint32_t kStereoPortCount = kFirstOutputPort + kStereoChannelCount;

} // namespace kest::tolvane::lv2
