// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 run kernels, eight samples of one voice per step. Gathers were no
// faster than scalar loads on the processors measured, so small tables (a
// wave, a stretch of an envelope curve, a wave at one attenuation) are looked
// up in registers, and the large log2lin table is read with scalar loads.
// Only the functions here carry the AVX2 target: what they instantiate from
// elsewhere is compiled for the baseline, so no AVX2 instruction can reach a
// processor without it.
#include "VoiceRuns.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cstddef>
#include <cstdint>
#include <immintrin.h>
#include <type_traits>

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
    float sLeft[kChunk];
    float sRight[kChunk];
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
template <int Blocks>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 lookUp(const __m256 (&blocks)[Blocks], __m256i index)
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

constexpr int kMaxWaveEntries = 128;
// A stretch on one curve entry reads the whole table once when it lasts at
// least this many times the table's length; shorter ones look up sample by sample.
constexpr int kSteadyTableShare = 3;

// A stretch of a wave run in which the envelope stays on one curve entry: the
// table's samples at that attenuation are read once, and then each sample is
// one look-up in registers.
template <int Blocks>
[[gnu::target("avx2")]] void waveSteady(WaveRun& run, const float* samples, float* left, float* right, int count)
{
    __m256 blocks[Blocks];
    for (int b = 0; b < Blocks; ++b)
        blocks[b] = _mm256_loadu_ps(samples + kLanes * b);
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(run.mask));
    const __m256i phaseStep = _mm256_set1_epi32(static_cast<int>(run.inc * kLanes));
    const __m256 gainLeft = _mm256_set1_ps(run.out.gainLeft);
    const __m256 gainRight = _mm256_set1_ps(run.out.gainRight);
    __m256i phase = _mm256_and_si256(ramp(run.phase, run.inc), mask);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const __m256 s = lookUp<Blocks>(blocks, _mm256_srli_epi32(phase, kFractionBits));
        _mm256_storeu_ps(left + i, _mm256_add_ps(_mm256_loadu_ps(left + i), _mm256_mul_ps(s, gainLeft)));
        _mm256_storeu_ps(right + i, _mm256_add_ps(_mm256_loadu_ps(right + i), _mm256_mul_ps(s, gainRight)));
        phase = _mm256_and_si256(_mm256_add_epi32(phase, phaseStep), mask);
    }
    std::uint32_t ph = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(phase));
    for (; i < count; ++i) {
        const float s = samples[ph >> kFractionBits];
        left[i] += s * run.out.gainLeft;
        right[i] += s * run.out.gainRight;
        ph = (ph + run.inc) & run.mask;
    }
    run.phase = ph;
}

// A stretch of a wave run in which eight samples' envelope positions lie
// within 8 * CurveBlocks neighbouring curve entries: the wave's codes sit in
// registers, the curve's come from as many loads, and only the log2lin reads
// stay scalar.
template <int Blocks, int CurveBlocks>
[[gnu::target("avx2")]] void waveMoving(WaveRun& run, float* left, float* right, int count)
{
    __m256 codes[Blocks]; // the wave's integer codes, carried as float bits
    for (int b = 0; b < Blocks; ++b)
        codes[b] = _mm256_loadu_ps(reinterpret_cast<const float*>(run.wave + kLanes * b));
    const std::int32_t* curve = run.env.curve;
    const std::int32_t rate = run.env.rate;
    const __m256i level = _mm256_set1_epi32(run.env.level);
    const __m256i envSteps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(rate));
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(run.mask));
    const __m256i phaseStep = _mm256_set1_epi32(static_cast<int>(run.inc * kLanes));
    const __m256 gainLeft = _mm256_set1_ps(run.out.gainLeft);
    const __m256 gainRight = _mm256_set1_ps(run.out.gainRight);
    __m256i phase = _mm256_and_si256(ramp(run.phase, run.inc), mask);
    std::int32_t pos = run.env.pos;
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const std::int32_t entry = pos >> kFractionBits;
        if (entry + kLanes * CurveBlocks > kEnvelopeCurveLength)
            break; // the last entries: sample by sample, never past the curve
        const __m256i lanePos = _mm256_add_epi32(_mm256_set1_epi32(pos), envSteps);
        const __m256i offset = _mm256_sub_epi32(_mm256_srai_epi32(lanePos, kFractionBits), _mm256_set1_epi32(entry));
        __m256 nearby[CurveBlocks]; // curve codes, carried as float bits
        for (int b = 0; b < CurveBlocks; ++b)
            nearby[b] = _mm256_loadu_ps(reinterpret_cast<const float*>(curve + entry + kLanes * b));
        const __m256i env = _mm256_castps_si256(lookUp<CurveBlocks>(nearby, offset));
        const __m256i entryCode = _mm256_castps_si256(lookUp<Blocks>(codes, _mm256_srli_epi32(phase, kFractionBits)));
        std::int32_t code[kLanes];
        float sample[kLanes];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(code),
                            _mm256_add_epi32(_mm256_add_epi32(entryCode, env), level));
        for (int j = 0; j < kLanes; ++j)
            sample[j] = run.out.log2lin[code[j]];
        const __m256 s = _mm256_loadu_ps(sample);
        _mm256_storeu_ps(left + i, _mm256_add_ps(_mm256_loadu_ps(left + i), _mm256_mul_ps(s, gainLeft)));
        _mm256_storeu_ps(right + i, _mm256_add_ps(_mm256_loadu_ps(right + i), _mm256_mul_ps(s, gainRight)));
        phase = _mm256_and_si256(_mm256_add_epi32(phase, phaseStep), mask);
        pos += rate * kLanes;
    }
    std::uint32_t ph = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(phase));
    for (; i < count; ++i) {
        const float s = run.out.log2lin[run.wave[ph >> kFractionBits] + curve[pos >> kFractionBits] + run.env.level];
        left[i] += s * run.out.gainLeft;
        right[i] += s * run.out.gainRight;
        ph = (ph + run.inc) & run.mask;
        pos += rate;
    }
    run.phase = ph;
    run.env.pos = pos;
}

// Calls fn with the wave's number of eight-entry blocks as a constant.
template <typename Fn> [[gnu::target("avx2"), gnu::always_inline]] inline void withBlocks(int entries, Fn fn)
{
    switch (entries / kLanes) {
    case 1: fn(std::integral_constant<int, 1>{}); break;
    case 2: fn(std::integral_constant<int, 2>{}); break;
    case 4: fn(std::integral_constant<int, 4>{}); break;
    case 8: fn(std::integral_constant<int, 8>{}); break;
    default: fn(std::integral_constant<int, 16>{}); break;
    }
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

[[gnu::target("avx2")]] void waveRun(WaveRun& run)
{
    const int entries = static_cast<int>((run.mask >> kFractionBits) + 1);
    const bool lookUpInRegisters = entries % kLanes == 0 && entries <= kMaxWaveEntries;
    const int curveBlocks = curveBlocksFor(run.env.rate);
    int done = 0;
    while (done < run.out.count) {
        const int remaining = run.out.count - done;
        const int steady = samplesOnCurveEntry(run.env.pos, run.env.rate, remaining);
        float* left = run.out.left + done;
        float* right = run.out.right + done;
        if (lookUpInRegisters && steady >= 2 * kLanes && steady >= entries) {
            // As long on one curve entry as the table is long: read the table once.
            const std::int32_t att = run.env.curve[run.env.pos >> kFractionBits] + run.env.level;
            float samples[kMaxWaveEntries];
            for (int k = 0; k < entries; ++k)
                samples[k] = run.out.log2lin[run.wave[k] + att];
            withBlocks(entries, [&](auto blocks) { waveSteady<blocks()>(run, samples, left, right, steady); });
            run.env.pos += run.env.rate * steady;
            done += steady;
            continue;
        }
        const int count = remaining < kChunk ? remaining : kChunk;
        if (lookUpInRegisters && curveBlocks == 1) {
            withBlocks(entries, [&](auto blocks) { waveMoving<blocks(), 1>(run, left, right, count); });
        } else if (lookUpInRegisters && curveBlocks == 2) {
            withBlocks(entries, [&](auto blocks) { waveMoving<blocks(), 2>(run, left, right, count); });
        } else if (lookUpInRegisters && curveBlocks == 4) {
            withBlocks(entries, [&](auto blocks) { waveMoving<blocks(), 4>(run, left, right, count); });
        } else {
            RunOutput chunk{run.out.log2lin, left, right, run.out.gainLeft, run.out.gainRight, count};
            const WaveSource end =
                render(run.env, chunk, WaveSource{run.wave, run.out.log2lin, run.phase, run.inc, run.mask});
            run.phase = end.phase;
        }
        done += count;
    }
}

// Noise samples per arithmetic chunk: at most one clock a sample, so the
// register bits after 0..32 clocks fit in one 64-bit word.
constexpr int kNoiseChunk = 32;

// Where the noise register's clocks follow from arithmetic: clockMask is 2^k - 1
// and the step clocks and reduces the phase whenever it passes clockMask.
//
// With inc <= clockMask and phase < 2^(k+1) that is counting carries out of
// bit k: by sample i the register has been clocked (phase + i * inc) >> k times.
struct CarryClocks {
    CarryClocks(std::uint32_t phase, std::uint32_t inc, int shift) : phase(phase), inc(inc), shift(shift) {}
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

// A noise chunk whose clocks follow from arithmetic: the register steps are
// taken ahead, without a branch per sample, and each sample picks its bit.
// Steady: the envelope stays on one curve entry, so each sample is one of two
// values.
template <bool Steady, typename Clocks>
[[gnu::target("avx2")]] void noiseChunk(NoiseRun& run, const Clocks& clocks, float* left, float* right, int count)
{
    const std::uint32_t lastClocks = clocks.at(count - 1);
    std::uint64_t bits = static_cast<std::uint64_t>(run.bit & 1); // bit j: the sign after j clocks
    int reg = run.reg;
    for (std::uint32_t j = 1; j <= lastClocks; ++j) {
        reg = (reg >> 1) ^ ((reg & 1) ? kNoiseFeedback : 0);
        bits |= static_cast<std::uint64_t>(reg & 1) << j;
    }
    // The attenuation of each sample (Steady: of all).
    std::int32_t att[kNoiseChunk];
    std::int32_t pos = run.env.pos;
    const int attenuations = Steady ? 1 : count;
    for (int i = 0; i < attenuations; ++i, pos += run.env.rate)
        att[i] = run.env.curve[pos >> kFractionBits] + run.env.level;
    run.env.pos += run.env.rate * count;

    const float* log2lin = run.out.log2lin;
    const __m256 sPositive = _mm256_set1_ps(log2lin[att[0]]), sNegative = _mm256_set1_ps(log2lin[att[0] + 1]);
    const __m256 gainLeft = _mm256_set1_ps(run.out.gainLeft), gainRight = _mm256_set1_ps(run.out.gainRight);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const __m256i taken = clocks.atGroup(i);
        const std::uint32_t first = clocks.at(i);
        const __m256i window = _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(bits >> first)));
        const __m256i bit = _mm256_and_si256(
            _mm256_srlv_epi32(window, _mm256_sub_epi32(taken, _mm256_set1_epi32(static_cast<int>(first)))),
            _mm256_set1_epi32(1));
        __m256 s;
        if constexpr (Steady) {
            s = _mm256_blendv_ps(sPositive, sNegative, _mm256_castsi256_ps(_mm256_slli_epi32(bit, 31)));
        } else {
            std::int32_t code[kLanes];
            float sample[kLanes];
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(code),
                                _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(att + i)), bit));
            for (int j = 0; j < kLanes; ++j)
                sample[j] = log2lin[code[j]];
            s = _mm256_loadu_ps(sample);
        }
        _mm256_storeu_ps(left + i, _mm256_add_ps(_mm256_loadu_ps(left + i), _mm256_mul_ps(s, gainLeft)));
        _mm256_storeu_ps(right + i, _mm256_add_ps(_mm256_loadu_ps(right + i), _mm256_mul_ps(s, gainRight)));
    }
    for (; i < count; ++i) {
        const float s = log2lin[att[Steady ? 0 : i] + static_cast<std::int32_t>((bits >> clocks.at(i)) & 1)];
        left[i] += s * run.out.gainLeft;
        right[i] += s * run.out.gainRight;
    }
    run.phase = clocks.phaseAfter(count);
    if (lastClocks > 0) {
        run.reg = reg;
        run.bit = reg & 1;
    }
}

template <typename Clocks>
[[gnu::target("avx2")]] void noiseChunk(NoiseRun& run, const Clocks& clocks, float* left, float* right, int count)
{
    const std::int64_t last = std::int64_t{run.env.pos} + std::int64_t{run.env.rate} * (count - 1);
    if ((last >> kFractionBits) == (run.env.pos >> kFractionBits))
        noiseChunk<true>(run, clocks, left, right, count);
    else
        noiseChunk<false>(run, clocks, left, right, count);
}

[[gnu::target("avx2")]] void noiseRun(NoiseRun& run)
{
    const std::uint32_t clockMask = run.clockMask;
    // A clock mask of k low bits, small enough that no sum below wraps.
    const bool arithmetic =
        clockMask != 0 && clockMask < (1u << 26) && (clockMask & (clockMask + 1)) == 0 && run.inc <= (1u << 31);
    const int shift = __builtin_popcount(clockMask);
    int done = 0;
    while (done < run.out.count) {
        const int remaining = run.out.count - done;
        const int count = remaining < kNoiseChunk ? remaining : kNoiseChunk;
        float* left = run.out.left + done;
        float* right = run.out.right + done;
        if (arithmetic && run.inc <= clockMask && run.phase <= 2 * clockMask + 1) {
            noiseChunk(run, CarryClocks(run.phase, run.inc, shift), left, right, count);
        } else if (arithmetic && run.inc > clockMask && run.phase <= clockMask + run.inc) {
            noiseChunk(run, EverySampleClocks(run.phase, run.inc, clockMask), left, right, count);
        } else {
            RunOutput chunk{run.out.log2lin, left, right, run.out.gainLeft, run.out.gainRight, count};
            const NoiseSource end =
                render(run.env, chunk, NoiseSource{run.out.log2lin, run.phase, run.inc, clockMask, run.reg, run.bit});
            run.phase = end.phase;
            run.reg = end.reg;
            run.bit = end.bit;
        }
        done += count;
    }
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
