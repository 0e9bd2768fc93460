// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 path's fast runs, in two forms: the hooks the segment driver calls
// for each run (Avx2Runs), and whole blocks that need no driver at all, the
// common case of a small block: no envelope segment ends and no LFO steps
// inside it. See Avx2Lanes.h for what may include these headers.
#pragma once

#include <cstdint>

#include "Avx2NoiseRuns.h"
#include "Avx2SampleRuns.h"
#include "Avx2WaveRuns.h"
#include "LfoSteps.h"
#include "NoiseStep.h"
#include "OscillatorStep.h"
#include "SampleStep.h"

namespace kest::tolvane::synth {

// The hooks of the AVX2 path; the wave structures' for wavetables of
// WaveBlocks blocks of eight entries.
template <int WaveBlocks = 1> struct Avx2Runs {
    static constexpr bool kFastSampleRuns = true;
    // Sampler runs shorter than this stay with the per-sample step: below it
    // the chunk set-up cost more than it saved (a stereo voice at 8-frame
    // blocks 2.55 against 2.08 ns a sample).
    static constexpr int kMinSampleRun = 16;
    // Moving-envelope and noise runs shorter than this stay with the per-sample step.
    static constexpr int kMinRun = 4;

    [[gnu::target("avx2")]] static int renderRun(OscillatorStep<Avx2Runs>& step, int n, int runEnd, RunEnvelope& env)
    {
        if (env.rate != 0 && runEnd - n < kMinRun)
            return n;
        avx2::WaveOscillator osc{step.table, step.ph, step.inc, step.mask};
        const int done = avx2::waveRun<WaveBlocks>(osc, step.levelCache, env, step.log2lin, step.left + n,
                                                   step.right + n, step.gl, step.gr, runEnd - n);
        step.ph = osc.phase;
        return n + done;
    }

    [[gnu::target("avx2")]] static int renderRun(NoiseStep<Avx2Runs>& step, int n, int runEnd, RunEnvelope& env)
    {
        if (runEnd - n < kMinRun)
            return n;
        avx2::NoiseGenerator noise{step.ph, step.inc, step.clockMask, step.reg, step.bit};
        const int done =
            avx2::noiseRun(noise, env, step.log2lin, step.left + n, step.right + n, step.gl, step.gr, runEnd - n);
        step.ph = noise.phase;
        step.reg = noise.reg;
        step.bit = noise.bit;
        return n + done;
    }

    template <int Channels>
    [[gnu::target("avx2")]] static int renderRun(SampleStep<Avx2Runs, Channels>& step, int n, int runEnd,
                                                 RunEnvelope& env)
    {
        step.position = avx2::sampleRun<Channels>(step.frames, step.position, step.inc, env, step.log2lin,
                                                  step.left + n, step.right + n, step.gl, step.gr, runEnd - n);
        return runEnd;
    }
};

namespace avx2 {

using Voice = SynthesizerWT::VoiceUnitWT;

// What the LFO does to a whole block: PlainBlock has none; the LFO
// structures' blocks are whole only while no LFO step falls inside them.
struct PlainBlock {
    static bool takeLfo(Voice&, int) { return true; }
    static std::int32_t levelOffset(const Voice&) { return 0; }
};
struct LfoPitchBlock {
    static bool takeLfo(Voice& voice, int count) { return lfoHoldsFor(voice, count); }
    static std::int32_t levelOffset(const Voice&) { return 0; }
};
struct LfoLevelBlock {
    static bool takeLfo(Voice& voice, int count) { return lfoHoldsFor(voice, count); }
    static std::int32_t levelOffset(const Voice& voice) { return voice.amOffset; }
};

// Whether the envelope's segment outlasts the count samples from the voice's
// position, as the driver asks before it cuts a run.
inline bool segmentHolds(const Voice& voice, int count)
{
    return envelopeSegmentOutlasts(voice.envPos, voice.envEnd, voice.envRate, count);
}

// A block on one curve entry: every sample from the wave at one attenuation.
// The cache is filled before anything else is set up, so that nothing lives
// across that call.
template <int Blocks>
[[gnu::target("avx2")]] inline void renderHeldWave(Voice& voice, float* left, float* right, int count,
                                                   std::int32_t level)
{
    const std::int32_t attenuation = voice.envCurve[voice.envPos >> kQ18Bits] + level;
    const float* log2lin = voice.tables().log2lin.data();
    if (voice.levelCache.attenuation != attenuation)
        fillLevelCache<Blocks>(voice.levelCache, voice.wave, attenuation, log2lin);
    WaveOscillator osc{voice.wave, voice.phase, static_cast<std::uint32_t>(voice.phaseInc),
                       static_cast<std::uint32_t>(voice.phaseMask)};
    const PannedOutput out(left, right, voice.gainLeft, voice.gainRight);
    waveAtLevel<Blocks>(osc, voice.levelCache, attenuation, log2lin, out, count);
    voice.phase = osc.phase;
    voice.envPos += voice.envRate * count;
}

// A block of a moving envelope, within the curve blocks waveMoving reads.
template <int Blocks>
[[gnu::target("avx2"), gnu::noinline]] void renderMovingWave(Voice& voice, float* left, float* right, int count,
                                                             std::int32_t level, int curveBlocks)
{
    WaveOscillator osc{voice.wave, voice.phase, static_cast<std::uint32_t>(voice.phaseInc),
                       static_cast<std::uint32_t>(voice.phaseMask)};
    const PannedOutput out(left, right, voice.gainLeft, voice.gainRight);
    RunEnvelope env{voice.envCurve, voice.envPos, voice.envRate, level};
    waveMoving<Blocks>(osc, env, voice.tables().log2lin.data(), out, count, curveBlocks);
    voice.phase = osc.phase;
    voice.envPos = env.pos;
}

// A wave structure's block from renderPos to target as one run, or false
// (nothing done) when the driver must take it: the envelope's segment ends or
// the LFO steps inside it, it is longer than a moving stretch or starts a
// sharp attack.
template <int Blocks, typename Lfo>
[[gnu::target("avx2")]] inline bool renderWaveBlock(Voice& voice, float* left, float* right, int target)
{
    const int n = voice.renderPos;
    const int count = target - n;
    const std::int32_t rate = voice.envRate;
    if (count <= 0 || !segmentHolds(voice, count))
        return false;
    // Held on one curve entry, or moving by few entries a sample.
    const bool steady =
        ((std::int64_t{voice.envPos} + std::int64_t{rate} * (count - 1)) >> kQ18Bits) == (voice.envPos >> kQ18Bits);
    const int curveBlocks = steady ? 0 : curveBlocksFor(rate);
    if (!steady &&
        (count > kMovingChunk || curveBlocks == 0 || !clearOfCurveEnd(voice.envPos, rate, count, curveBlocks)))
        return false;
    if (!Lfo::takeLfo(voice, count))
        return false;
    voice.renderPos = target;
    const std::int32_t level = voice.levelAttenuation + Lfo::levelOffset(voice);
    if (steady)
        renderHeldWave<Blocks>(voice, left + n, right + n, count, level);
    else
        renderMovingWave<Blocks>(voice, left + n, right + n, count, level, curveBlocks);
    return true;
}

// The noise structure's block as one arithmetic chunk, or false (nothing
// done) when the driver must take it.
[[gnu::target("avx2")]] inline bool renderNoiseBlock(Voice& voice, float* left, float* right, int target)
{
    const int n = voice.renderPos;
    const int count = target - n;
    if (count <= 0 || count > kNoiseChunk || !segmentHolds(voice, count))
        return false;
    NoiseGenerator noise{voice.phase, static_cast<std::uint32_t>(voice.phaseInc),
                         static_cast<std::uint32_t>(voice.noiseMask), voice.lfsr, voice.noiseBit};
    if (!clocksByArithmetic(noise))
        return false;
    const std::uint32_t clockMask = noise.clockMask;
    const PannedOutput out(left + n, right + n, voice.gainLeft, voice.gainRight);
    const float* log2lin = voice.tables().log2lin.data();
    RunEnvelope env{voice.envCurve, voice.envPos, voice.envRate, voice.levelAttenuation};
    if (noise.inc <= clockMask && noise.phase <= 2 * clockMask + 1)
        noiseChunk(noise, env, CarryClocks{noise.phase, noise.inc, __builtin_popcount(clockMask)}, log2lin, out, count);
    else if (noise.inc > clockMask && noise.phase <= clockMask + noise.inc)
        noiseChunk(noise, env, EverySampleClocks(noise.phase, noise.inc, clockMask), log2lin, out, count);
    else
        return false;
    voice.renderPos = target;
    voice.envPos = env.pos;
    voice.phase = noise.phase;
    voice.lfsr = noise.reg;
    voice.noiseBit = noise.bit;
    return true;
}

} // namespace avx2

} // namespace kest::tolvane::synth
