// SPDX-License-Identifier: GPL-3.0-or-later
// Fast paths for runs of one voice's samples in which no envelope segment ends
// and no LFO steps, so that only the phase (or sample position), the envelope
// position and the noise register move. A kernel computes a stretch of the
// voice's samples first (a constant attenuation is read once while the
// envelope stays on one curve entry) and then adds them into the output pair
// several at a time. Every output sample gets the same table reads, the same
// multiply and the same add as the per-sample step, so the result is identical
// to the last bit. The per-sample steps stay the reference and the fallback:
// an engine without kernels renders with them alone.
#pragma once

#include <cstdint>

namespace kest::tolvane::synth {

// Sample i is at attenuation curve[(pos + i * rate) >> 18] + level; on return
// pos has moved on by the run.
struct RunEnvelope {
    const std::int32_t* curve;
    std::int32_t pos, rate, level;
};

// Where the run's samples go: left[i] += s * gainLeft, right[i] += s * gainRight.
struct RunOutput {
    const float* log2lin;
    float* left; // the run's first output sample
    float* right;
    float gainLeft, gainRight;
    int count;
};

// Sample i reads wave[((phase + i * inc) & mask) >> 18].
struct WaveRun {
    RunEnvelope env;
    RunOutput out;
    const std::int32_t* wave;
    std::uint32_t phase, inc, mask;
};

// The noise register is clocked whenever the phase passes clockMask, as in the
// per-sample step; its low bit is the sign of the output.
struct NoiseRun {
    RunEnvelope env;
    RunOutput out;
    std::uint32_t phase, inc, clockMask;
    int reg, bit;
};

// A sampler run that stays inside the sample: sample i plays frame
// (position + i * inc) >> 18, always below the end, so neither a loop nor the
// end needs checking.
struct SampleRun {
    RunEnvelope env;
    RunOutput out;
    const std::int32_t* frames; // interleaved for stereo
    std::uint64_t position;
    std::uint32_t inc;
};

// Entries of the attack and decay curves that RunEnvelope::curve points into.
inline constexpr int kEnvelopeCurveLength = 4096;

// Runs shorter than this stay with the per-sample step.
inline constexpr int kMinFastRun = 16;

struct VoiceRunKernels {
    const char* name;
    void (*wave)(WaveRun& run);
    void (*noise)(NoiseRun& run);
    void (*sampleMono)(SampleRun& run);
    void (*sampleStereo)(SampleRun& run);
};

// The AVX2 kernels, or null when this processor (or this build's target) has
// no AVX2.
const VoiceRunKernels* avx2VoiceRunKernels();
// The fastest kernels this processor runs; null when only the per-sample steps do.
const VoiceRunKernels* fastestVoiceRunKernels();

} // namespace kest::tolvane::synth
