// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the PLAY panel, where the current part's stored play is set:
// its mode buttons, the entries of its two menus and the glide time.
#pragma once

#include <array>
#include <string>

namespace kest::tolvane::editor {

// In the order of the play modes: the button of mode m is the m-th.
inline constexpr std::array<const char*, 3> kPlayModeNames = {"POLY", "MONO", "LEGATO"};

// The PATTERN and NOTE VALUE menus: entry n is the stored value n.
inline constexpr std::array<const char*, 6> kArpPatternEntries = {
    "0 [Off]", "1 [Up]", "2 [Down]", "3 [Up-Down]", "4 [As Played]", "5 [Random]",
};
inline constexpr std::array<const char*, 8> kArpNoteValueEntries = {
    "0 [Ticks: RATE]",  "1 [1/8]",  "2 [1/8 Triplet]",  "3 [1/16]",
    "4 [1/16 Triplet]", "5 [1/32]", "6 [1/32 Triplet]", "7 [1/64]",
};

// A portamento time (0..127) as its seconds, 4 s × (time / 127)², and the
// whole ticks a glide of it lasts: "0.254 s, 15 ticks"; "no glide" for 0.
std::string glideTimeText(int time, int ticks);

} // namespace kest::tolvane::editor
