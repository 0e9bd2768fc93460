// SPDX-License-Identifier: GPL-3.0-or-later
// The one loop by which a block's voices render, whatever renders them: every
// voice of the sounding set in pool order (the order in which voices add into
// a shared output), from its position up to the target.
#pragma once

#include <cstdint>

#include "VoicePool.h"

namespace kest::tolvane::synth {

// A voice with a tick before the target renders up to each tick and takes it
// there, so that what the tick clock changes falls on the same sample at every
// block size and whichever set renders. `origin` is the sample time of the
// block's index 0.
template <typename RenderRun>
void renderAcrossTicks(VoiceUnitBase& v, std::int64_t origin, int target, RenderRun& renderRun)
{
    // A voice that ends has no tick any more (stop clears tickTime).
    while (v.tickTime < origin + target) {
        const int at = static_cast<int>(v.tickTime - origin);
        if (v.renderPos < at)
            renderRun(v, at);
        if (v.isSounding())
            v.tick();
    }
    if (v.isSounding())
        renderRun(v, target);
}

// renderRun(voice, to) renders the voice from its renderPos up to `to`.
// Returns the output pairs (bit n: pair n) that a voice rendered into. With
// endOfBlock every sounding voice is left at position 0, where the next block
// starts. (No always_inline here or in a caller's renderRun: a render set's
// loop compiled for AVX2 flattens the whole call tree into itself, and an
// early inline into this baseline code would stop it.)
template <typename RenderRun>
inline std::uint32_t renderSoundingVoices(VoicePool& pool, std::int64_t origin, int target, bool endOfBlock,
                                          RenderRun renderRun)
{
    std::uint32_t pairs = 0;
    const std::int64_t targetTime = origin + target;
    pool.forEachSounding([&](VoiceUnitBase& v) {
        if (v.renderPos < target) {
            pairs |= 1u << (v.outputPair / 2);
            if (v.tickTime < targetTime)
                renderAcrossTicks(v, origin, target, renderRun);
            else
                renderRun(v, target);
        }
        if (endOfBlock)
            v.renderPos = 0;
    });
    return pairs;
}

} // namespace kest::tolvane::synth
