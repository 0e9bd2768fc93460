// SPDX-License-Identifier: GPL-3.0-or-later
// AVX2 runs of the sampler structures, for stretches that stay below the
// sample's end: frames are read one by one into a chunk at the chunk's
// attenuations, then added to the output eight at a time. See Avx2Lanes.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Avx2Lanes.h"
#include "SegmentDriver.h"

namespace kest::tolvane::synth::avx2 {

// Samples computed ahead of each mixing pass; small enough to stay in L1.
inline constexpr int kSampleChunk = 64;

// count samples from frame position (Q18) on, which must all lie below the
// sample's end; returns the position after them.
template <int Channels>
[[gnu::target("avx2")]] inline std::uint64_t
sampleRun(const std::int32_t* frames, std::uint64_t position, std::uint32_t inc, RunEnvelope& env, const float* log2lin,
          float* left, float* right, float gainLeft, float gainRight, int count)
{
    float sLeft[kSampleChunk];
    float sRight[kSampleChunk];
    const std::int32_t* curve = env.curve;
    const std::int32_t rate = env.rate, level = env.level;
    std::int32_t pos = env.pos;
    for (int done = 0; done < count; done += kSampleChunk) {
        const int chunk = count - done < kSampleChunk ? count - done : kSampleChunk;
        const auto read = [&](int i, std::int32_t att) {
            const auto frame = static_cast<std::size_t>(position >> kQ18Bits);
            if constexpr (Channels == 1) {
                sLeft[i] = log2lin[frames[frame] + att];
            } else {
                sLeft[i] = log2lin[frames[2 * frame] + att];
                sRight[i] = log2lin[frames[2 * frame + 1] + att];
            }
            position += inc;
        };
        // Most chunks stay on one curve entry: one attenuation for all of them.
        const std::int64_t last = std::int64_t{pos} + std::int64_t{rate} * (chunk - 1);
        if ((last >> kQ18Bits) == (pos >> kQ18Bits)) {
            const std::int32_t att = curve[pos >> kQ18Bits] + level;
            for (int i = 0; i < chunk; ++i)
                read(i, att);
            pos += rate * chunk;
        } else {
            for (int i = 0; i < chunk; ++i) {
                read(i, curve[pos >> kQ18Bits] + level);
                pos += rate;
            }
        }
        const float* sR = Channels == 2 ? sRight : sLeft;
        const PannedOutput out(left + done, right + done, gainLeft, gainRight);
        int i = 0;
        for (; i + kLanes <= chunk; i += kLanes)
            out.add(i, _mm256_loadu_ps(sLeft + i), _mm256_loadu_ps(sR + i), kLanes);
        if (i < chunk) {
            const __m256i lanes = firstLanes(chunk - i);
            out.add(i, _mm256_maskload_ps(sLeft + i, lanes), _mm256_maskload_ps(sR + i, lanes), chunk - i);
        }
    }
    env.pos = pos;
    return position;
}

} // namespace kest::tolvane::synth::avx2
