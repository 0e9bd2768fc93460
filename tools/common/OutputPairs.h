// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's 16 stereo output pairs summed into one, as every program that
// plays the whole engine through one pair does (in pair order, so the sum is
// the same sample for sample wherever it is taken).
#pragma once

namespace kest::tolvane::tools {

// outputs holds 32 channel pointers (pair 1 left, pair 1 right, ...); left and
// right receive the sums and may not alias them.
void sumOutputPairs(const float* const* outputs, int frames, float* left, float* right);

} // namespace kest::tolvane::tools
