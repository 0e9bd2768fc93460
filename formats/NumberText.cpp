// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kest::tolvane::formats {

std::optional<std::int32_t> parseInt32(std::string_view digits, int base)
{
    std::int32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || ec != std::errc() || ptr != end || value < 0)
        return std::nullopt;
    return value;
}

std::optional<float> parsePitch(std::string_view text)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    // The slot keeps a float: a value beyond its range would become infinity.
    if (value > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}

} // namespace kest::tolvane::formats
