// SPDX-License-Identifier: GPL-3.0-or-later
// AVX2 runs of the wavetable structures (plain, LFO on pitch, LFO on level).
// While the envelope stays on one curve entry every sample is one look-up in
// the voice's wave at that attenuation, kept in registers; while it moves by
// at most four curve entries a sample the wave's and the curve's codes come
// from registers and only the log2lin reads stay scalar. See Avx2Lanes.h.
#pragma once

#include <cstdint>

#include "Avx2Lanes.h"
#include "SegmentDriver.h"

namespace kest::tolvane::synth::avx2 {

// The oscillator during a run: sample i reads table[((phase + i * inc) & mask) >> 18].
struct WaveOscillator {
    const std::int32_t* table;
    std::uint32_t phase, inc, mask;

    [[gnu::target("avx2")]] __m256i firstPhases() const
    {
        return _mm256_and_si256(ramp(phase, inc), _mm256_set1_epi32(static_cast<int>(mask)));
    }
    [[gnu::target("avx2")]] __m256i nextPhases(__m256i phases) const
    {
        return _mm256_and_si256(_mm256_add_epi32(phases, _mm256_set1_epi32(static_cast<int>(inc * kLanes))),
                                _mm256_set1_epi32(static_cast<int>(mask)));
    }
    void advance(int count) { phase = (phase + inc * static_cast<std::uint32_t>(count)) & mask; }
};

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
template <int Blocks>
[[gnu::target("avx2")]] inline void waveAtLevel(WaveOscillator& osc, WaveLevelCache& cache, std::int32_t attenuation,
                                                const float* log2lin, const PannedOutput& out, int count)
{
    if (cache.attenuation != attenuation)
        fillLevelCache<Blocks>(cache, osc.table, attenuation, log2lin);
    __m256 blocks[Blocks];
    loadBlocks(blocks, cache.samples);
    __m256i phases = osc.firstPhases();
    for (int i = 0; i < count; i += kLanes) {
        out.add(i, lookUp(blocks, _mm256_srli_epi32(phases, kQ18Bits)), count - i);
        phases = osc.nextPhases(phases);
    }
    osc.advance(count);
}

// The curve blocks eight samples of a run at this rate span (1, 2 or 4), or 0
// when they may span more.
inline int curveBlocksFor(std::int32_t rate)
{
    for (int blocks = 1; blocks <= 4; blocks *= 2)
        if (rate >= 0 && 7 * std::int64_t{rate} < std::int64_t{kLanes * blocks - 1} << kQ18Bits)
            return blocks;
    return 0;
}

// Whether count samples of a moving envelope from pos stay clear of the
// curve's last 8 * curveBlocks entries, which waveMoving must not read past.
inline bool clearOfCurveEnd(std::int32_t pos, std::int32_t rate, int count, int curveBlocks)
{
    return ((std::int64_t{pos} + std::int64_t{rate} * count) >> kQ18Bits) + kLanes * curveBlocks <=
           kEnvelopeCurveLength;
}

// Up to count samples of a moving envelope whose eight samples lie within
// 8 * CurveBlocks neighbouring curve entries: the wave's codes sit in
// registers, the curve's come from as many loads, and only the log2lin reads
// stay scalar. Stops short of the curve's last entries; returns the samples done.
template <int Blocks, int CurveBlocks>
[[gnu::target("avx2")]] inline int waveMoving(WaveOscillator& osc, RunEnvelope& env, const float* log2lin,
                                              const PannedOutput& out, int count)
{
    __m256 codes[Blocks]; // the wave's integer codes, carried as float bits
    loadBlocks(codes, osc.table);
    const __m256i level = _mm256_set1_epi32(env.level);
    const __m256i envSteps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(env.rate));
    __m256i phases = osc.firstPhases();
    std::int32_t pos = env.pos;
    int i = 0;
    for (; i < count; i += kLanes) {
        const std::int32_t entry = pos >> kQ18Bits;
        if (entry + kLanes * CurveBlocks > kEnvelopeCurveLength)
            break; // the last entries: sample by sample, never past the curve
        const __m256i lanePos = _mm256_add_epi32(_mm256_set1_epi32(pos), envSteps);
        const __m256i offset = _mm256_sub_epi32(_mm256_srai_epi32(lanePos, kQ18Bits), _mm256_set1_epi32(entry));
        __m256 nearby[CurveBlocks]; // curve codes, carried as float bits
        loadBlocks(nearby, env.curve + entry);
        const __m256i envCode = _mm256_castps_si256(lookUp(nearby, offset));
        const __m256i waveCode = _mm256_castps_si256(lookUp(codes, _mm256_srli_epi32(phases, kQ18Bits)));
        out.add(i, readLog2Lin(log2lin, _mm256_add_epi32(_mm256_add_epi32(waveCode, envCode), level)), count - i);
        phases = osc.nextPhases(phases);
        pos += env.rate * kLanes;
    }
    const int done = i < count ? i : count;
    osc.advance(done);
    env.pos += env.rate * done;
    return done;
}

template <int Blocks>
[[gnu::target("avx2")]] inline int waveMoving(WaveOscillator& osc, RunEnvelope& env, const float* log2lin,
                                              const PannedOutput& out, int count, int curveBlocks)
{
    switch (curveBlocks) {
    case 1: return waveMoving<Blocks, 1>(osc, env, log2lin, out, count);
    case 2: return waveMoving<Blocks, 2>(osc, env, log2lin, out, count);
    case 4: return waveMoving<Blocks, 4>(osc, env, log2lin, out, count);
    default: return 0;
    }
}

// Moving stretches are taken this many samples at a time, so that a slow
// envelope's next long stretch on one curve entry is found.
constexpr int kMovingChunk = 64;

// A wave run of runEnd - n samples into out (the run's first sample):
// stretches on one curve entry as long as the table (or any stretch of a held
// envelope) from the wave at their attenuation, moving stretches eight samples
// at a time. Returns the samples done; the per-sample step takes over from
// there (a sharp attack, the curve's last entries).
template <int Blocks>
[[gnu::target("avx2")]] inline int waveRun(WaveOscillator& osc, WaveLevelCache& cache, RunEnvelope& env,
                                           const float* log2lin, float* left, float* right, float gainLeft,
                                           float gainRight, int count)
{
    if (env.rate == 0) {
        waveAtLevel<Blocks>(osc, cache, env.curve[env.pos >> kQ18Bits] + env.level, log2lin,
                            PannedOutput(left, right, gainLeft, gainRight), count);
        return count;
    }
    const int curveBlocks = curveBlocksFor(env.rate);
    int done = 0;
    while (done < count) {
        const int remaining = count - done;
        const PannedOutput out(left + done, right + done, gainLeft, gainRight);
        const int steady = samplesOnCurveEntry(env.pos, env.rate, remaining);
        if (steady >= kLanes * Blocks && steady >= 2 * kLanes) {
            waveAtLevel<Blocks>(osc, cache, env.curve[env.pos >> kQ18Bits] + env.level, log2lin, out, steady);
            env.pos += env.rate * steady;
            done += steady;
            continue;
        }
        const int chunk = remaining < kMovingChunk ? remaining : kMovingChunk;
        const int moved = waveMoving<Blocks>(osc, env, log2lin, out, chunk, curveBlocks);
        done += moved;
        if (moved < chunk)
            break;
    }
    return done;
}

} // namespace kest::tolvane::synth::avx2
