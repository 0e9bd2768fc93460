// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCode.h"

#include <cmath>

namespace kest::tolvane {

int logCodeFromLinear(double x)
{
    // Anything outside -1..+1 would give a negative attenuation and index
    // below the log-to-linear table, so it is held at full scale.
    constexpr double kFloor = 1.0 / 65536.0;
    if (!(x > kFloor || x < -kFloor)) // also catches NaN
        return kLogCodeSilence;
    const bool negative = x < 0.0;
    const double magnitude = std::fmin(std::fabs(x), 1.0);
    const int code = 2 * static_cast<int>(0.5 - 256.0 * std::log2(magnitude));
    return negative ? code + 1 : code;
}

} // namespace kest::tolvane
