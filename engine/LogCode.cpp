// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "PortableMath.h"

namespace kest::tolvane {

namespace {

constexpr int kStepsPerOctave = 256;

// The attenuation step k of a magnitude f in [0.5, 1) is trunc(0.5 - 256 log2 f):
// k for f in (2^-(k + 0.5)/256, 2^-(k - 0.5)/256]. The upper bounds of one
// octave, built once with the platform-independent exp2; other octaves are
// the same bounds scaled by a power of two, which frexp takes off exactly.
const std::array<double, kStepsPerOctave + 2>& stepBounds()
{
    static const auto bounds = [] {
        std::array<double, kStepsPerOctave + 2> b{};
        for (int k = 0; k < kStepsPerOctave + 2; ++k)
            b[static_cast<std::size_t>(k)] = portableExp2(-(k - 0.5) / kStepsPerOctave);
        return b;
    }();
    return bounds;
}

// trunc(0.5 - 256 log2 m) for 2^-16 < m <= 1, without calling log2 per sample.
int attenuationSteps(double m)
{
    int exponent = 0;
    const double f = std::frexp(m, &exponent); // m = f * 2^exponent, 0.5 <= f < 1
    const auto& bounds = stepBounds();
    // The first step whose upper bound lies below f is one past f's step;
    // the bounds fall as the steps rise.
    const auto past = std::upper_bound(bounds.begin(), bounds.end(), f, std::greater<>());
    const int step = static_cast<int>(past - bounds.begin()) - 1;
    return step - kStepsPerOctave * exponent;
}

} // namespace

int logCodeFromLinear(double x)
{
    // Anything outside -1..+1 would give a negative attenuation and index
    // below the log-to-linear table, so it is held at full scale.
    constexpr double kFloor = 1.0 / 65536.0;
    if (!(x > kFloor || x < -kFloor)) // also catches NaN
        return kLogCodeSilence;
    const bool negative = x < 0.0;
    const double magnitude = std::fmin(std::fabs(x), 1.0);
    const int code = 2 * attenuationSteps(magnitude);
    return negative ? code + 1 : code;
}

} // namespace kest::tolvane
