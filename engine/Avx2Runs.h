// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 fast runs: eight samples of one voice per step. Gathers were no
// faster than scalar loads on the processors measured, so small tables (a
// wave, a stretch of an envelope curve, a wave at one attenuation) are looked
// up in registers, and the large log2lin table is read with scalar loads.
//
// Only VoiceRendersAvx2.cpp includes this file. Every function here carries
// the AVX2 target and is reached only from the render functions there, which
// are compiled for AVX2 as a whole; the file is built for the baseline, so
// whatever it instantiates without the attribute stays baseline code.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "NoiseStep.h"
#include "OscillatorStep.h"
#include "SampleStep.h"

namespace kest::tolvane::synth {

namespace avx2 {

constexpr int kLanes = 8;
constexpr int kFractionBits = 18; // phases, envelope and sample positions are Q18

// start, start + step, ..., start + 7 * step, wrapping as unsigned 32-bit sums do.
[[gnu::target("avx2")]] inline __m256i ramp(std::uint32_t start, std::uint32_t step)
{
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(start)),
                            _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(step))));
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

template <int Blocks> [[gnu::target("avx2")]] inline void loadBlocks(__m256 (&blocks)[Blocks], const void* table)
{
    for (int b = 0; b < Blocks; ++b)
        blocks[b] = _mm256_loadu_ps(static_cast<const float*>(table) + kLanes * b);
}

// The scalar step's output of one sample, for the first `count` (1..8) lanes:
// left[i] += s[i] * gainLeft, right[i] += s[i] * gainRight. Lanes past count
// are neither read nor written.
struct PannedOutput {
    float* left;
    float* right;
    __m256 gainLeft, gainRight;

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

    // The lanes below count (up to eight) as a mask.
    [[gnu::target("avx2")]] static __m256i firstLanes(int count)
    {
        return _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
};

[[gnu::target("avx2")]] inline PannedOutput pannedOutput(const VoiceStep& step, int n)
{
    return {step.left + n, step.right + n, _mm256_set1_ps(step.gl), _mm256_set1_ps(step.gr)};
}

// log2lin at eight codes, read one by one (see the top of the file).
[[gnu::target("avx2")]] inline __m256 readLog2Lin(const float* log2lin, __m256i codes)
{
    std::int32_t code[kLanes];
    float sample[kLanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(code), codes);
    for (int j = 0; j < kLanes; ++j)
        sample[j] = log2lin[code[j]];
    return _mm256_loadu_ps(sample);
}

// ---- wave structures ----------------------------------------------------------

// The wave at one attenuation into the voice's cache.
template <int Blocks>
[[gnu::target("avx2"), gnu::noinline]] void fillLevelCache(WaveLevelCache& cache, const std::int32_t* wave,
                                                   std::int32_t attenuation, const float* log2lin)
{
    const __m256i att = _mm256_set1_epi32(attenuation);
    for (int b = 0; b < Blocks; ++b) {
        const __m256i codes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wave + kLanes * b));
        _mm256_storeu_ps(cache.samples + kLanes * b, readLog2Lin(log2lin, _mm256_add_epi32(codes, att)));
    }
    cache.attenuation = attenuation;
}

// count samples at one attenuation, each one look-up in registers of the
// voice's wave at that attenuation (read first when the cache holds another).
template <int Blocks, typename Step>
[[gnu::target("avx2")]] inline void waveAtLevel(Step& step, std::int32_t attenuation, int n, int count)
{
    WaveLevelCache& cache = step.levelCache;
    if (cache.attenuation != attenuation)
        fillLevelCache<Blocks>(cache, step.table, attenuation, step.log2lin);
    __m256 blocks[Blocks];
    loadBlocks(blocks, cache.samples);
    const PannedOutput out = pannedOutput(step, n);
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(step.mask));
    const __m256i phaseStep = _mm256_set1_epi32(static_cast<int>(step.inc * kLanes));
    __m256i phase = _mm256_and_si256(ramp(step.ph, step.inc), mask);
    for (int i = 0; i < count; i += kLanes) {
        out.add(i, lookUp(blocks, _mm256_srli_epi32(phase, kFractionBits)), count - i);
        phase = _mm256_and_si256(_mm256_add_epi32(phase, phaseStep), mask);
    }
    step.ph = (step.ph + step.inc * static_cast<std::uint32_t>(count)) & step.mask;
}

// Samples (at most limit) from pos before the envelope reaches its next curve entry.
inline int samplesOnCurveEntry(std::int32_t pos, std::int32_t rate, int limit)
{
    const std::int64_t toNext = (((std::int64_t{pos} >> kFractionBits) + 1) << kFractionBits) - pos;
    if (rate <= 0 || toNext > std::int64_t{rate} * (limit - 1))
        return limit;
    return static_cast<int>((toNext + rate - 1) / rate);
}

// The curve blocks eight samples of a run at this rate span (1, 2 or 4), or 0
// when they may span more.
inline int curveBlocksFor(std::int32_t rate)
{
    for (int blocks = 1; blocks <= 4; blocks *= 2)
        if (rate >= 0 && 7 * std::int64_t{rate} < std::int64_t{kLanes * blocks - 1} << kFractionBits)
            return blocks;
    return 0;
}

// Up to count samples of a moving envelope whose eight samples lie within
// 8 * CurveBlocks neighbouring curve entries: the wave's codes sit in
// registers, the curve's come from as many loads, and only the log2lin reads
// stay scalar. Stops short of the curve's last entries; returns the samples done.
template <int Blocks, int CurveBlocks, typename Step>
[[gnu::target("avx2"), gnu::noinline]] int waveMoving(Step& step, RunEnvelope& env, int n, int count)
{
    __m256 codes[Blocks]; // the wave's integer codes, carried as float bits
    loadBlocks(codes, step.table);
    const PannedOutput out = pannedOutput(step, n);
    const __m256i level = _mm256_set1_epi32(env.level);
    const __m256i envSteps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(env.rate));
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(step.mask));
    const __m256i phaseStep = _mm256_set1_epi32(static_cast<int>(step.inc * kLanes));
    __m256i phase = _mm256_and_si256(ramp(step.ph, step.inc), mask);
    std::int32_t pos = env.pos;
    int i = 0;
    for (; i < count; i += kLanes) {
        const std::int32_t entry = pos >> kFractionBits;
        if (entry + kLanes * CurveBlocks > kEnvelopeCurveLength)
            break; // the last entries: sample by sample, never past the curve
        const __m256i lanePos = _mm256_add_epi32(_mm256_set1_epi32(pos), envSteps);
        const __m256i offset = _mm256_sub_epi32(_mm256_srai_epi32(lanePos, kFractionBits), _mm256_set1_epi32(entry));
        __m256 nearby[CurveBlocks]; // curve codes, carried as float bits
        loadBlocks(nearby, env.curve + entry);
        const __m256i envCode = _mm256_castps_si256(lookUp(nearby, offset));
        const __m256i waveCode = _mm256_castps_si256(lookUp(codes, _mm256_srli_epi32(phase, kFractionBits)));
        out.add(i, readLog2Lin(step.log2lin, _mm256_add_epi32(_mm256_add_epi32(waveCode, envCode), level)), count - i);
        phase = _mm256_and_si256(_mm256_add_epi32(phase, phaseStep), mask);
        pos += env.rate * kLanes;
    }
    const int done = i < count ? i : count;
    step.ph = (step.ph + step.inc * static_cast<std::uint32_t>(done)) & step.mask;
    env.pos += env.rate * done;
    return done;
}

// Moving stretches are taken this many samples at a time, so that a slow
// envelope's next long stretch on one curve entry is found.
constexpr int kMovingChunk = 64;

// A wave run: stretches on one curve entry as long as the table (or any
// stretch of a held envelope) from the wave at their attenuation, moving
// stretches eight samples at a time. Returns where the per-sample step takes
// over: a sharp attack, the curve's last entries.
template <int Blocks, typename Step>
[[gnu::target("avx2")]] inline int waveRun(Step& step, int n, int runEnd, RunEnvelope& env)
{
    if (env.rate == 0) {
        waveAtLevel<Blocks>(step, env.curve[env.pos >> kFractionBits] + env.level, n, runEnd - n);
        return runEnd;
    }
    const int curveBlocks = curveBlocksFor(env.rate);
    while (n < runEnd) {
        const int remaining = runEnd - n;
        const int steady = samplesOnCurveEntry(env.pos, env.rate, remaining);
        if (steady >= kLanes * Blocks && steady >= 2 * kLanes) {
            waveAtLevel<Blocks>(step, env.curve[env.pos >> kFractionBits] + env.level, n, steady);
            env.pos += env.rate * steady;
            n += steady;
            continue;
        }
        const int count = remaining < kMovingChunk ? remaining : kMovingChunk;
        int done = 0;
        switch (curveBlocks) {
        case 1: done = waveMoving<Blocks, 1>(step, env, n, count); break;
        case 2: done = waveMoving<Blocks, 2>(step, env, n, count); break;
        case 4: done = waveMoving<Blocks, 4>(step, env, n, count); break;
        default: break;
        }
        n += done;
        if (done < count)
            break;
    }
    return n;
}

// ---- noise ----------------------------------------------------------------------

// Noise samples per arithmetic chunk: at most one clock a sample, so the
// register bits after 0..32 clocks fit in one 64-bit word.
constexpr int kNoiseChunk = 32;

// Where the noise register's clocks follow from arithmetic: clockMask is 2^k - 1
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

// A noise chunk (1..32 samples) whose clocks follow from arithmetic: the
// register steps are taken ahead, without a branch per sample, and each sample
// picks its bit. Steady: the envelope stays on one curve entry, so each sample
// is one of two values.
template <bool Steady, typename Step, typename Clocks>
[[gnu::target("avx2")]] inline void noiseChunk(Step& step, RunEnvelope& env, const Clocks& clocks, int n, int count)
{
    const std::uint32_t lastClocks = clocks.at(count - 1);
    std::uint64_t bits = static_cast<std::uint64_t>(step.bit & 1); // bit j: the sign after j clocks
    int reg = step.reg;
    for (std::uint32_t j = 1; j <= lastClocks; ++j) {
        reg = (reg >> 1) ^ ((reg & 1) ? kNoiseFeedback : 0);
        bits |= static_cast<std::uint64_t>(reg & 1) << j;
    }
    // The attenuation of each sample (Steady: of all); lanes past the chunk
    // repeat its last one.
    std::int32_t att[kNoiseChunk];
    std::int32_t pos = env.pos;
    const int attenuations = Steady ? 1 : count;
    for (int i = 0; i < attenuations; ++i, pos += env.rate)
        att[i] = env.curve[pos >> kFractionBits] + env.level;
    if constexpr (!Steady)
        for (int i = count; i % kLanes != 0; ++i)
            att[i] = att[count - 1];
    env.pos += env.rate * count;

    const float* log2lin = step.log2lin;
    const PannedOutput out = pannedOutput(step, n);
    const __m256 sPositive = _mm256_set1_ps(log2lin[att[0]]), sNegative = _mm256_set1_ps(log2lin[att[0] + 1]);
    for (int i = 0; i < count; i += kLanes) {
        const __m256i taken = clocks.atGroup(i);
        const std::uint32_t first = clocks.at(i);
        const __m256i window = _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(bits >> first)));
        const __m256i bit = _mm256_and_si256(
            _mm256_srlv_epi32(window, _mm256_sub_epi32(taken, _mm256_set1_epi32(static_cast<int>(first)))),
            _mm256_set1_epi32(1));
        if constexpr (Steady) {
            out.add(i, _mm256_blendv_ps(sPositive, sNegative, _mm256_castsi256_ps(_mm256_slli_epi32(bit, 31))),
                    count - i);
        } else {
            const __m256i laneAtt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(att + i));
            out.add(i, readLog2Lin(log2lin, _mm256_add_epi32(laneAtt, bit)), count - i);
        }
    }
    step.ph = clocks.phaseAfter(count);
    if (lastClocks > 0) {
        step.reg = reg;
        step.bit = reg & 1;
    }
}

template <typename Step, typename Clocks>
[[gnu::target("avx2")]] inline void noiseChunk(Step& step, RunEnvelope& env, const Clocks& clocks, int n, int count)
{
    const std::int64_t last = std::int64_t{env.pos} + std::int64_t{env.rate} * (count - 1);
    if ((last >> kFractionBits) == (env.pos >> kFractionBits))
        noiseChunk<true>(step, env, clocks, n, count);
    else
        noiseChunk<false>(step, env, clocks, n, count);
}

// A noise run in arithmetic chunks; returns where the per-sample step takes
// over when the clocks do not follow from arithmetic.
template <typename Step> [[gnu::target("avx2")]] inline int noiseRun(Step& step, int n, int runEnd, RunEnvelope& env)
{
    const std::uint32_t clockMask = step.clockMask;
    // A clock mask of k low bits, small enough that no sum below wraps.
    const bool arithmetic =
        clockMask != 0 && clockMask < (1u << 26) && (clockMask & (clockMask + 1)) == 0 && step.inc <= (1u << 31);
    if (!arithmetic)
        return n;
    const int shift = __builtin_popcount(clockMask);
    while (n < runEnd) {
        const int remaining = runEnd - n;
        const int count = remaining < kNoiseChunk ? remaining : kNoiseChunk;
        if (step.inc <= clockMask && step.ph <= 2 * clockMask + 1)
            noiseChunk(step, env, CarryClocks{step.ph, step.inc, shift}, n, count);
        else if (step.inc > clockMask && step.ph <= clockMask + step.inc)
            noiseChunk(step, env, EverySampleClocks(step.ph, step.inc, clockMask), n, count);
        else
            break;
        n += count;
    }
    return n;
}

// ---- sampler ----------------------------------------------------------------------

// Samples computed ahead of each mixing pass; small enough to stay in L1.
constexpr int kSampleChunk = 64;

// A sampler run that stays below the sample's end: frames read one by one
// into a chunk at the chunk's attenuations, then added eight at a time.
template <int Channels, typename Step>
[[gnu::target("avx2")]] inline void sampleRun(Step& step, int n, int runEnd, RunEnvelope& env)
{
    float sLeft[kSampleChunk];
    float sRight[kSampleChunk];
    const float* log2lin = step.log2lin;
    std::uint64_t position = step.position;
    std::int32_t pos = env.pos;
    for (; n < runEnd; n += kSampleChunk) {
        const int count = runEnd - n < kSampleChunk ? runEnd - n : kSampleChunk;
        for (int i = 0; i < count; ++i) {
            const std::int32_t att = env.curve[pos >> kFractionBits] + env.level;
            const auto frame = static_cast<std::size_t>(position >> kFractionBits);
            if constexpr (Channels == 1) {
                sLeft[i] = log2lin[step.frames[frame] + att];
            } else {
                sLeft[i] = log2lin[step.frames[2 * frame] + att];
                sRight[i] = log2lin[step.frames[2 * frame + 1] + att];
            }
            position += step.inc;
            pos += env.rate;
        }
        const float* sR = Channels == 2 ? sRight : sLeft;
        const PannedOutput out = pannedOutput(step, n);
        int i = 0;
        for (; i + kLanes <= count; i += kLanes)
            out.add(i, _mm256_loadu_ps(sLeft + i), _mm256_loadu_ps(sR + i), kLanes);
        if (i < count) {
            const __m256i lanes = PannedOutput::firstLanes(count - i);
            out.add(i, _mm256_maskload_ps(sLeft + i, lanes), _mm256_maskload_ps(sR + i, lanes), count - i);
        }
    }
    step.position = position;
    env.pos = pos;
}

} // namespace avx2

// The fast-run hooks of the AVX2 path; the wave structures' for wavetables
// of WaveBlocks blocks of eight entries.
template <int WaveBlocks = 1> struct Avx2Runs {
    static constexpr bool kFast = true;
    // Sampler runs shorter than this stay with the per-sample step.
    static constexpr int kMinSampleRun = 8;
    // Moving-envelope and noise runs shorter than this stay with the per-sample step.
    static constexpr int kMinRun = 4;

    [[gnu::target("avx2")]] static int renderRun(OscillatorStep<Avx2Runs>& step, int n, int runEnd, RunEnvelope& env)
    {
        if (env.rate != 0 && runEnd - n < kMinRun)
            return n;
        return avx2::waveRun<WaveBlocks>(step, n, runEnd, env);
    }

    [[gnu::target("avx2")]] static int renderRun(NoiseStep<Avx2Runs>& step, int n, int runEnd, RunEnvelope& env)
    {
        if (runEnd - n < kMinRun)
            return n;
        return avx2::noiseRun(step, n, runEnd, env);
    }

    template <int Channels>
    [[gnu::target("avx2")]] static int renderRun(SampleStep<Avx2Runs, Channels>& step, int n, int runEnd,
                                                 RunEnvelope& env)
    {
        avx2::sampleRun<Channels>(step, n, runEnd, env);
        return runEnd;
    }
};

} // namespace kest::tolvane::synth
