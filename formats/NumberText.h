// SPDX-License-Identifier: GPL-3.0-or-later
// Number tokens of the text formats, converted without locale and without
// undefined behaviour on values that do not fit.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kest::tolvane::formats {

// Unsigned digits in the given base; nothing when empty, not all digits, or
// too large for a signed 32-bit integer (however many leading zeros).
std::optional<std::int32_t> parseInt32(std::string_view digits, int base = 10);

// "digits.digits" as a pitch in Hz; nothing unless it is a finite float.
std::optional<float> parsePitch(std::string_view text);

} // namespace kest::tolvane::formats
