// SPDX-License-Identifier: GPL-3.0-or-later
// AVX2 runs of the noise structure. The register's clocks follow from
// arithmetic on the phase, the register is stepped ahead of the samples, many
// clocks at once, and each sample picks the sign its clock count gives it.
// See Avx2Lanes.h.
#pragma once

#include <cstdint>

#include "Avx2Lanes.h"
#include "NoiseStep.h"

namespace kest::tolvane::synth::avx2 {

// The noise generator during a run (see NoiseStep).
struct NoiseGenerator {
    std::uint32_t phase, inc, clockMask;
    int reg, bit;
};

// The register's low bit after each of `clocks` more clocks: bit j of the
// result is the sign after j clocks (bit 0 the present one). The register
// shifts right and feeds back into bits 13 and 14, so for up to 13 clocks the
// signs are the register's own bits 1..13 as they stand, and the register
// after them is its shifted value with the feedback of the bits shifted out.
inline std::uint64_t clockRegister(NoiseGenerator& noise, std::uint32_t clocks)
{
    constexpr std::uint32_t kMaxStride = 13;
    std::uint64_t signs = static_cast<std::uint64_t>(noise.bit & 1);
    auto reg = static_cast<std::uint32_t>(noise.reg);
    for (std::uint32_t done = 0; done < clocks;) {
        const std::uint32_t stride = clocks - done < kMaxStride ? clocks - done : kMaxStride;
        const std::uint32_t out = reg & ((1u << stride) - 1);
        signs |= static_cast<std::uint64_t>((reg >> 1) & ((1u << stride) - 1)) << (done + 1);
        reg = (reg >> stride) ^ (((out << 13) ^ (out << 14)) >> (stride - 1));
        done += stride;
    }
    static_assert(kNoiseFeedback == 0x6000, "the arithmetic above feeds back into bits 13 and 14");
    if (clocks > 0) {
        noise.reg = static_cast<int>(reg);
        noise.bit = static_cast<int>(reg & 1);
    }
    return signs;
}

// Noise samples per arithmetic chunk: at most one clock a sample, so the
// signs after 0..32 clocks fit in one 64-bit word.
inline constexpr int kNoiseChunk = 32;

// Where the register's clocks follow from arithmetic: clockMask is 2^k - 1
// and the step clocks and reduces the phase whenever it passes clockMask.
//
// With inc <= clockMask and phase < 2^(k+1) that is counting carries out of
// bit k: by sample i the register has been clocked (phase + i * inc) >> k times.
struct CarryClocks {
    // Clocks taken by sample i, its own included.
    std::uint32_t at(int i) const { return (phase + inc * static_cast<std::uint32_t>(i)) >> shift; }
    [[gnu::target("avx2")]] __m256i atGroup(int i) const
    {
        return _mm256_srl_epi32(ramp(phase + inc * static_cast<std::uint32_t>(i), inc), _mm_cvtsi32_si128(shift));
    }
    std::uint32_t phaseAfter(int count) const
    {
        return phase + inc * static_cast<std::uint32_t>(count) - (at(count - 1) << shift);
    }
    std::uint32_t phase, inc;
    int shift;
};

// With inc > clockMask every sample clocks, the first one when the phase
// already passed clockMask; the phase keeps only its low k bits, plus inc.
struct EverySampleClocks {
    EverySampleClocks(std::uint32_t phase, std::uint32_t inc, std::uint32_t clockMask)
        : phase(phase), inc(inc), clockMask(clockMask), first(phase > clockMask ? 1 : 0)
    {
    }
    std::uint32_t at(int i) const { return static_cast<std::uint32_t>(i) + first; }
    [[gnu::target("avx2")]] __m256i atGroup(int i) const
    {
        return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(at(i))), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
    std::uint32_t phaseAfter(int count) const
    {
        const std::uint32_t reduced = first ? phase & clockMask : phase;
        return ((reduced + inc * static_cast<std::uint32_t>(count - 1)) & clockMask) + inc;
    }
    std::uint32_t phase, inc, clockMask, first;
};

// A noise chunk (1..32 samples) whose clocks follow from arithmetic. Steady:
// the envelope stays on one curve entry, so each sample is one of two values.
template <bool Steady, typename Clocks>
[[gnu::target("avx2")]] inline void noiseChunk(NoiseGenerator& noise, RunEnvelope& env, const Clocks& clocks,
                                               const float* log2lin, const PannedOutput& out, int count)
{
    const std::uint64_t signs = clockRegister(noise, clocks.at(count - 1));
    // The attenuation of each sample (Steady: of all); lanes past the chunk
    // repeat its last one.
    std::int32_t att[kNoiseChunk];
    std::int32_t pos = env.pos;
    const int attenuations = Steady ? 1 : count;
    for (int i = 0; i < attenuations; ++i, pos += env.rate)
        att[i] = env.curve[pos >> kQ18Bits] + env.level;
    if constexpr (!Steady)
        for (int i = count; i % kLanes != 0; ++i)
            att[i] = att[count - 1];
    env.pos += env.rate * count;

    const __m256 sPositive = _mm256_set1_ps(log2lin[att[0]]), sNegative = _mm256_set1_ps(log2lin[att[0] + 1]);
    for (int i = 0; i < count; i += kLanes) {
        const std::uint32_t first = clocks.at(i);
        const __m256i window = _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(signs >> first)));
        const __m256i bit = _mm256_and_si256(
            _mm256_srlv_epi32(window, _mm256_sub_epi32(clocks.atGroup(i), _mm256_set1_epi32(static_cast<int>(first)))),
            _mm256_set1_epi32(1));
        if constexpr (Steady) {
            out.add(i, _mm256_blendv_ps(sPositive, sNegative, _mm256_castsi256_ps(_mm256_slli_epi32(bit, 31))),
                    count - i);
        } else {
            const __m256i laneAtt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(att + i));
            out.add(i, readLog2Lin(log2lin, _mm256_add_epi32(laneAtt, bit)), count - i);
        }
    }
    noise.phase = clocks.phaseAfter(count);
}

template <typename Clocks>
[[gnu::target("avx2")]] inline void noiseChunk(NoiseGenerator& noise, RunEnvelope& env, const Clocks& clocks,
                                               const float* log2lin, const PannedOutput& out, int count)
{
    const std::int64_t last = std::int64_t{env.pos} + std::int64_t{env.rate} * (count - 1);
    if ((last >> kQ18Bits) == (env.pos >> kQ18Bits))
        noiseChunk<true>(noise, env, clocks, log2lin, out, count);
    else
        noiseChunk<false>(noise, env, clocks, log2lin, out, count);
}

// A clock mask of k low bits, small enough that no sum below wraps.
inline bool clocksByArithmetic(const NoiseGenerator& noise)
{
    const std::uint32_t mask = noise.clockMask;
    return mask != 0 && mask < (1u << 26) && (mask & (mask + 1)) == 0 && noise.inc <= (1u << 31);
}

// A noise run of count samples into out (its first sample) in arithmetic
// chunks; returns the samples done: the per-sample step takes over when the
// clocks do not follow from arithmetic.
[[gnu::target("avx2")]] inline int noiseRun(NoiseGenerator& noise, RunEnvelope& env, const float* log2lin, float* left,
                                            float* right, float gainLeft, float gainRight, int count)
{
    if (!clocksByArithmetic(noise))
        return 0;
    const std::uint32_t clockMask = noise.clockMask;
    const int shift = __builtin_popcount(clockMask);
    int done = 0;
    while (done < count) {
        const int chunk = count - done < kNoiseChunk ? count - done : kNoiseChunk;
        const PannedOutput out(left + done, right + done, gainLeft, gainRight);
        if (noise.inc <= clockMask && noise.phase <= 2 * clockMask + 1)
            noiseChunk(noise, env, CarryClocks{noise.phase, noise.inc, shift}, log2lin, out, chunk);
        else if (noise.inc > clockMask && noise.phase <= clockMask + noise.inc)
            noiseChunk(noise, env, EverySampleClocks(noise.phase, noise.inc, clockMask), log2lin, out, chunk);
        else
            break;
        done += chunk;
    }
    return done;
}

} // namespace kest::tolvane::synth::avx2
