// Logarithmic amplitude codes: bit 0 is the sign, the other bits count
// attenuation in 1/256-octave steps. 0 is full scale, 8192 is silence.
#pragma once

#include <cstdint>

namespace kest::tolvane {

inline constexpr int kLogCodeSilence = 8192;

// Converts a linear amplitude in -1..+1 to its log code.
int logCodeFromLinear(double x);

// The bit depth in force: depths outside 1..8 count as 8.
inline constexpr int effectiveBitDepth(int bitDepth) { return (bitDepth < 1 || bitDepth > 8) ? 8 : bitDepth; }

} // namespace kest::tolvane
