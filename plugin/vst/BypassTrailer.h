// SPDX-License-Identifier: GPL-3.0-or-later
// The bypass switch travels with the processor's saved state as an 8-byte
// trailer ("TVBY" and 0 or 1) after the engine's own stream, so that a host
// restoring a project (and the controller reading the component state) gets
// the switch back. The engine's reader stops before it; older states without
// it simply have no trailer.
#pragma once

#include "BypassRecord.h"
#include "pluginterfaces/base/ibstream.h"

namespace Steinberg::Vst::Tolvane {

inline constexpr int32 kBypassTrailerSize = static_cast<int32>(kest::tolvane::plugin::kBypassRecordSize);

void writeBypassTrailer(IBStream& stream, bool bypassed);
// Looks at the stream's last 8 bytes; false when they are no trailer.
bool readBypassTrailer(IBStream& stream, bool& bypassed);

} // namespace Steinberg::Vst::Tolvane
