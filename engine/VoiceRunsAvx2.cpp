// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 run kernels. Gathers are no faster than scalar table reads on the
// processors measured, so the table reads stay scalar (with the envelope read
// hoisted out while it stays on one curve entry) and AVX2 does the mixing,
// eight samples per step. Only the functions here carry the AVX2 target: what
// they instantiate from elsewhere is compiled for the baseline, so no AVX2
// instruction can reach a processor without it.
#include "VoiceRuns.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cstddef>
#include <immintrin.h>

namespace kest::tolvane::synth {

namespace {

constexpr int kFractionBits = 18; // phases, envelope and sample positions are Q18
constexpr int kNoiseFeedback = 0x6000;
// Samples computed ahead of each mixing pass; small enough to stay in L1.
constexpr int kChunk = 64;
constexpr int kLanes = 8;

// out[i] += s[i] * gain over a chunk: the scalar step's multiply and add.
[[gnu::target("avx2")]] inline void mixInto(float* out, const float* s, int count, float gain)
{
    const __m256 g = _mm256_set1_ps(gain);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes)
        _mm256_storeu_ps(out + i, _mm256_add_ps(_mm256_loadu_ps(out + i), _mm256_mul_ps(_mm256_loadu_ps(s + i), g)));
    for (; i < count; ++i)
        out[i] += s[i] * gain;
}

// Computes the run chunk by chunk and mixes each chunk into the output pair.
// The source makes one sample (a stereo one two) at a given attenuation and
// moves its own position on; it is held by value, so that its state stays in
// registers, and returned as the run left it.
template <typename Source>
[[gnu::target("avx2"), gnu::always_inline]] inline Source render(RunEnvelope& env, RunOutput& out, Source source)
{
    alignas(16) float sLeft[kChunk];
    alignas(16) float sRight[kChunk];
    const std::int32_t* curve = env.curve;
    const std::int32_t rate = env.rate, level = env.level;
    std::int32_t pos = env.pos;
    for (int done = 0; done < out.count; done += kChunk) {
        const int count = out.count - done < kChunk ? out.count - done : kChunk;
        const std::int64_t last = std::int64_t{pos} + std::int64_t{rate} * (count - 1);
        if ((last >> kFractionBits) == (pos >> kFractionBits)) {
            const std::int32_t att = curve[pos >> kFractionBits] + level;
            for (int i = 0; i < count; ++i)
                source.next(att, sLeft[i], sRight[i]);
            pos += rate * count;
        } else {
            for (int i = 0; i < count; ++i) {
                source.next(curve[pos >> kFractionBits] + level, sLeft[i], sRight[i]);
                pos += rate;
            }
        }
        mixInto(out.left + done, sLeft, count, out.gainLeft);
        mixInto(out.right + done, Source::kStereo ? sRight : sLeft, count, out.gainRight);
    }
    env.pos = pos;
    return source;
}

struct WaveSource {
    static constexpr bool kStereo = false;
    const std::int32_t* wave;
    const float* log2lin;
    std::uint32_t phase, inc, mask;

    void next(std::int32_t att, float& s, float&)
    {
        s = log2lin[wave[phase >> kFractionBits] + att];
        phase = (phase + inc) & mask;
    }
};

struct NoiseSource {
    static constexpr bool kStereo = false;
    const float* log2lin;
    std::uint32_t phase, inc, clockMask;
    int reg, bit;

    void next(std::int32_t att, float& s, float&)
    {
        if (phase > clockMask) {
            phase &= clockMask;
            reg = (reg >> 1) ^ ((reg & 1) ? kNoiseFeedback : 0);
            bit = reg & 1;
        }
        s = log2lin[att + bit];
        phase += inc;
    }
};

template <int Channels> struct SampleSource {
    static constexpr bool kStereo = Channels == 2;
    const std::int32_t* frames;
    const float* log2lin;
    std::uint64_t position;
    std::uint32_t inc;

    void next(std::int32_t att, float& left, float& right)
    {
        const auto frame = static_cast<std::size_t>(position >> kFractionBits);
        if constexpr (Channels == 1) {
            left = log2lin[frames[frame] + att];
        } else {
            left = log2lin[frames[2 * frame] + att];
            right = log2lin[frames[2 * frame + 1] + att];
        }
        position += inc;
    }
};

[[gnu::target("avx2")]] void waveRun(WaveRun& run)
{
    const WaveSource end =
        render(run.env, run.out, WaveSource{run.wave, run.out.log2lin, run.phase, run.inc, run.mask});
    run.phase = end.phase;
}

[[gnu::target("avx2")]] void noiseRun(NoiseRun& run)
{
    const NoiseSource end = render(
        run.env, run.out, NoiseSource{run.out.log2lin, run.phase, run.inc, run.clockMask, run.reg, run.bit});
    run.phase = end.phase;
    run.reg = end.reg;
    run.bit = end.bit;
}

template <int Channels> [[gnu::target("avx2")]] void sampleRun(SampleRun& run)
{
    const SampleSource<Channels> end =
        render(run.env, run.out, SampleSource<Channels>{run.frames, run.out.log2lin, run.position, run.inc});
    run.position = end.position;
}

constexpr VoiceRunKernels kAvx2Kernels{"avx2", &waveRun, &noiseRun, &sampleRun<1>, &sampleRun<2>};

} // namespace

const VoiceRunKernels* avx2VoiceRunKernels()
{
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported ? &kAvx2Kernels : nullptr;
}

} // namespace kest::tolvane::synth

#else

namespace kest::tolvane::synth {
const VoiceRunKernels* avx2VoiceRunKernels() { return nullptr; }
} // namespace kest::tolvane::synth

#endif

namespace kest::tolvane::synth {
const VoiceRunKernels* fastestVoiceRunKernels() { return avx2VoiceRunKernels(); }
} // namespace kest::tolvane::synth
