// SPDX-License-Identifier: GPL-3.0-or-later
// Control tags and value ids shared by the editor, its tests and the artwork.
#pragma once

namespace kest::tolvane::editor {

// A control's tag is one of these flags ORed with its 16-bit value id 0xPPII.
inline constexpr int kTagControl = 0x10000000;
inline constexpr int kTagValueText = 0x20000000;
inline constexpr int kValueIdMask = 0xFFFF;

constexpr int sectionOf(int id) { return (id >> 8) & 0xFF; }
constexpr int itemOf(int id) { return id & 0xFF; }
constexpr int makeId(int section, int item) { return (section << 8) | item; }

enum Section : int {
    kSectionSystem = 0x00,
    kSectionPart = 0x01,
    kSectionTone = 0x10,
    kSectionSampler = 0x20,
    kSectionSampleData = 0x30,
    kSectionWaveTable = 0x50,
    kSectionWaveBars = 0x51,
    kSectionLogo = 0x80,
};

// Items that every section shares.
inline constexpr int kItemMenuButton = 0x00;
inline constexpr int kItemPopupMenu = 0x80;
inline constexpr int kItemSubMenuA = 0x90;
inline constexpr int kItemSubMenuB = 0xA0;

inline constexpr int kIdLogo = 0x8000;
inline constexpr int kIdLibraryLogo = 0x8001;
inline constexpr int kIdWaveToolFirst = 0x5020;
inline constexpr int kWaveToolCount = 10;
inline constexpr int kIdWaveBarFirst = 0x5100;
// The system menu's Zoom sub-menu: the editor's own setting, never a value change.
inline constexpr int kIdZoomMenu = 0x00A0;

// Read-only labels: their ids only name them in the control table (no message
// ever carries them).
inline constexpr int kIdSampleFramesLabel = 0x3002;
inline constexpr int kIdChannelCountLabel = 0x3003;
inline constexpr int kIdLoopableLabel = 0x3006;
inline constexpr int kIdBarIndexLabel = 0x5002;
inline constexpr int kIdBarValueLabel = 0x5003;

// Window geometry.
inline constexpr int kWindowWidth = 528;
inline constexpr int kWindowHeight = 704;
inline constexpr int kTopSectionHeight = 240;
inline constexpr int kPageHeight = 464;
inline constexpr int kRowHeight = 24;
inline constexpr int kControlHeight = 22;

} // namespace kest::tolvane::editor
