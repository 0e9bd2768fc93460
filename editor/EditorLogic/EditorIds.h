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
// A play mode button of the PLAY panel: the flag ORed with the mode (0..2).
inline constexpr int kTagPlayMode = 0x08000000;
inline constexpr int kValueIdMask = 0xFFFF;

// The value ids themselves, shared with the processor.
namespace ids = plugin::ids;

// The PLAY panel's own views (editor only, never sent): on the part page,
// clear of the values 0x01..0x10 and the menu items from 0x80 on.
namespace playPanel {
inline constexpr int kClose = ids::part::id(0x40);     // the CLOSE button on its title bar
inline constexpr int kShade = ids::part::id(0x41);     // the shaded page below it: a click closes it
inline constexpr int kTitle = ids::part::id(0x42);     // its title bar
inline constexpr int kModeRow = ids::part::id(0x43);   // the row of the three play mode buttons
inline constexpr int kGlideTime = ids::part::id(0x44); // read-only: the portamento time in seconds
inline constexpr int kArpTitle = ids::part::id(0x45);  // the arpeggiator's title bar
} // namespace playPanel

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
