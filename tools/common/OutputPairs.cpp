// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputPairs.h"

#include <algorithm>

#include "ModuleHost.h"

namespace kest::tolvane::tools {

void sumOutputPairs(const float* const* outputs, int frames, float* left, float* right)
{
    std::fill_n(left, frames, 0.0f);
    std::fill_n(right, frames, 0.0f);
    for (int pair = 0; pair < kOutputPairCount; ++pair) {
        const float* l = outputs[2 * pair];
        const float* r = outputs[2 * pair + 1];
        for (int i = 0; i < frames; ++i) {
            left[i] += l[i];
            right[i] += r[i];
        }
    }
}

} // namespace kest::tolvane::tools
