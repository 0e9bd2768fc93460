// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers typed into value fields, turned into the normalised values the
// processor expects.
#pragma once

#include <optional>
#include <string_view>

namespace kest::tolvane::editor {

// Leading decimal number of the text; 0 when there is none.
double leadingFloat(std::string_view text);
// Leading base-10 integer of the text; 0 when there is none.
long leadingInteger(std::string_view text);

// The normalised value (0..1) that a typed number in the value field of `id`
// stands for, or nothing for an id without a value field. `bitMask` is the
// current wavetable's largest sample value (LEVEL is typed in sample units).
std::optional<float> typedNumberToValue(int id, std::string_view text, int bitMask);

} // namespace kest::tolvane::editor
