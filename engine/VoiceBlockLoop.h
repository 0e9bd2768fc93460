// SPDX-License-Identifier: GPL-3.0-or-later
// The one loop by which a block's voices render, whatever renders them: every
// voice of the sounding set in pool order (the order in which voices add into
// a shared output), from its position up to the target.
#pragma once

#include <cstdint>

#include "VoicePool.h"

namespace kest::tolvane::synth {

// renderRun(voice, to) renders the voice from its renderPos up to `to`. A
// voice's render stops at each of its ticks, and the tick takes effect there,
// so that what the tick clock changes falls on the same sample at every block
// size and whichever set renders. Returns the output pairs (bit n: pair n)
// that a voice rendered into. With endOfBlock every sounding voice is left at
// position 0, where the next block starts.
template <typename RenderRun>
[[gnu::always_inline]] inline std::uint32_t renderSoundingVoices(VoicePool& pool, int target, bool endOfBlock,
                                                                 RenderRun renderRun)
{
    std::uint32_t pairs = 0;
    pool.forEachSounding([&](VoiceUnitBase& v) {
        if (v.renderPos < target) {
            pairs |= 1u << (v.outputPair / 2);
            // A voice that ends has no tick any more (stop clears tickAt).
            while (v.tickAt < target) {
                if (v.renderPos < v.tickAt)
                    renderRun(v, v.tickAt);
                if (v.isSounding())
                    v.tick();
            }
            if (v.isSounding())
                renderRun(v, target);
        }
        if (endOfBlock) {
            v.renderPos = 0;
            if (v.tickAt != VoiceUnitBase::kNoTick)
                v.tickAt -= target;
        }
    });
    return pairs;
}

} // namespace kest::tolvane::synth
