// SPDX-License-Identifier: GPL-3.0-or-later
// The eight-lane operations the AVX2 runs are made of. Gathers were no faster
// than scalar loads on the processors measured, so small tables (a wave, a
// stretch of an envelope curve, a wave at one attenuation) are looked up in
// registers, and the large log2lin table is read with scalar loads.
//
// Only the AVX2 run headers and VoiceRendersAvx2.cpp include this file. Every
// function here carries the AVX2 target and is reached only from render
// functions compiled for AVX2; the including file is built for the baseline,
// so whatever it instantiates without the attribute stays baseline code.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "FixedPoint.h"

namespace kest::tolvane::synth::avx2 {

inline constexpr int kLanes = 8;

// start, start + step, ..., start + 7 * step, wrapping as unsigned 32-bit sums do.
[[gnu::target("avx2")]] inline __m256i ramp(std::uint32_t start, std::uint32_t step)
{
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(start)),
                            _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(step))));
}

// The lanes below count (up to eight) as a mask.
[[gnu::target("avx2")]] inline __m256i firstLanes(int count)
{
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// table[index] for eight indices below 8 * Blocks, from registers: each block
// of eight is permuted by the index's low three bits, then the blocks are
// narrowed down pairwise by the index's higher bits.
template <int Blocks> [[gnu::target("avx2")]] inline __m256 lookUp(const __m256 (&blocks)[Blocks], __m256i index)
{
    __m256 t[Blocks];
    for (int b = 0; b < Blocks; ++b)
        t[b] = _mm256_permutevar8x32_ps(blocks[b], index);
    int bit = 3;
    for (int n = Blocks; n > 1; n /= 2, ++bit) {
        const __m256 upper = _mm256_castsi256_ps(_mm256_sll_epi32(index, _mm_cvtsi32_si128(31 - bit)));
        for (int j = 0; j < n / 2; ++j)
            t[j] = _mm256_blendv_ps(t[2 * j], t[2 * j + 1], upper);
    }
    return t[0];
}

// Blocks of eight table entries (floats, or integers carried as float bits).
template <int Blocks> [[gnu::target("avx2")]] inline void loadBlocks(__m256 (&blocks)[Blocks], const void* table)
{
    for (int b = 0; b < Blocks; ++b)
        blocks[b] = _mm256_loadu_ps(static_cast<const float*>(table) + kLanes * b);
}

// log2lin at eight codes, read one by one.
[[gnu::target("avx2")]] inline __m256 readLog2Lin(const float* log2lin, __m256i codes)
{
    std::int32_t code[kLanes];
    float sample[kLanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(code), codes);
    for (int j = 0; j < kLanes; ++j)
        sample[j] = log2lin[code[j]];
    return _mm256_loadu_ps(sample);
}

// A voice's output pair from its first sample in the run. add() gives the
// first `count` (1..8) lanes the scalar step's output of one sample,
// left[i] += s[i] * gainLeft and right[i] += s[i] * gainRight, and neither
// reads nor writes lanes past count.
struct PannedOutput {
    float* left;
    float* right;
    __m256 gainLeft, gainRight;

    [[gnu::target("avx2")]] PannedOutput(float* l, float* r, float gl, float gr)
        : left(l), right(r), gainLeft(_mm256_set1_ps(gl)), gainRight(_mm256_set1_ps(gr))
    {
    }

    [[gnu::target("avx2")]] void add(int i, __m256 s, int count) const { add(i, s, s, count); }

    // A stereo sample: each channel from its own side.
    [[gnu::target("avx2")]] void add(int i, __m256 sLeft, __m256 sRight, int count) const
    {
        if (count >= kLanes) {
            _mm256_storeu_ps(left + i, _mm256_add_ps(_mm256_loadu_ps(left + i), _mm256_mul_ps(sLeft, gainLeft)));
            _mm256_storeu_ps(right + i, _mm256_add_ps(_mm256_loadu_ps(right + i), _mm256_mul_ps(sRight, gainRight)));
            return;
        }
        const __m256i lanes = firstLanes(count);
        _mm256_maskstore_ps(left + i, lanes,
                            _mm256_add_ps(_mm256_maskload_ps(left + i, lanes), _mm256_mul_ps(sLeft, gainLeft)));
        _mm256_maskstore_ps(right + i, lanes,
                            _mm256_add_ps(_mm256_maskload_ps(right + i, lanes), _mm256_mul_ps(sRight, gainRight)));
    }
};

} // namespace kest::tolvane::synth::avx2
