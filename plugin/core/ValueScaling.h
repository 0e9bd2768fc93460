// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between the editor's values and the engine's integers.
#pragma once

#include <climits>
#include <cmath>

namespace kest::tolvane::plugin {

// A normalised value forced into 0..1 (NaN counts as 0), so that no scaled
// index can leave its record.
inline float unitValue(float v)
{
    if (!(v >= 0.0f))
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// Truncation toward zero; values outside the 32-bit range (and NaN) give the
// most negative integer, as the hardware conversion does, but without UB.
inline int truncToInt(double x)
{
    if (!(x >= -2147483648.0 && x < 2147483648.0))
        return INT_MIN;
    return static_cast<int>(x);
}

// int(v * range + 0.5) of the clamped value: 0..range.
inline int scaleUnit(float v, int range) { return static_cast<int>(unitValue(v) * static_cast<float>(range) + 0.5f); }

inline float unscale(int stored, int range) { return static_cast<float>(stored) / static_cast<float>(range); }

} // namespace kest::tolvane::plugin
