// SPDX-License-Identifier: GPL-3.0-or-later
// Control tags shared by the editor, its tests and the artwork.
#pragma once

#include "ProtocolIds.h"

namespace kest::tolvane::editor {

// A control's tag is one of these flags ORed with its 16-bit value id 0xPPII.
inline constexpr int kTagControl = 0x10000000;
inline constexpr int kTagValueText = 0x20000000;
// A kind button of the sequences page: the flag ORed with the kind (0..3).
inline constexpr int kTagSequenceKind = 0x40000000;
inline constexpr int kValueIdMask = 0xFFFF;

// The value ids themselves, shared with the processor.
namespace ids = plugin::ids;

// The slot's WAV file and, after a state load, whether it was missing or changed:
// a label outside the control table, on the plate.
inline constexpr int kSampleSourceLabelRect[4] = {48, 420, 480, 438}; // left, top, right, bottom

// Window geometry.
inline constexpr int kWindowWidth = 528;
inline constexpr int kWindowHeight = 704;
inline constexpr int kTopSectionHeight = 240;
inline constexpr int kPageHeight = 464;
inline constexpr int kRowHeight = 24;
inline constexpr int kControlHeight = 22;

} // namespace kest::tolvane::editor
