// SPDX-License-Identifier: GPL-3.0-or-later
// The render functions of the voice structures, compiled once per instruction
// set. A voice renders in runs: stretches in which no envelope segment ends
// and no LFO steps, so that only the phase (or sample position), the envelope
// position and the noise register move. The per-sample steps render a run one
// sample at a time and stay the reference; a faster set computes eight
// samples of one voice at once and gives every output sample the same table
// reads, the same multiply and the same add, so the result is identical to
// the last bit.
#pragma once

#include <array>
#include <cstdint>

#include "VoicePool.h"
#include "VoiceUnitBase.h"

namespace kest::tolvane::synth {

// Entries of the attack and decay curves.
inline constexpr int kEnvelopeCurveLength = 4096;
// Entries of the largest wavetable.
inline constexpr int kMaxWaveEntries = 128;

// A voice's wavetable read at one attenuation: samples[k] is
// log2lin[wave[k] + attenuation]. While the envelope holds, every sample of
// the voice is one of these, across blocks; a new note, a new attenuation or
// a write to any wavetable makes it stale.
struct WaveLevelCache {
    static constexpr std::int32_t kStale = -1; // no attenuation is negative

    std::int32_t attenuation = kStale;
    float samples[kMaxWaveEntries] = {};
};

// ShortNoise is the noise structure with the short-period register, which a
// tone's wave sequence selects.
enum class VoiceStructure { Silent, NoLfo, LfoPitch, LfoLevel, Noise, ShortNoise, SampleMono, SampleStereo };

// Wavetable lengths: 8, 16, 32, 64 and 128 entries.
inline constexpr int kWaveTableLengths = 5;
// Index of a wavetable length (8..128) in the sets below.
int tableLengthIndex(int waveEntries);

// One render function per structure (the wave structures one per table
// length); the engine picks the set at start-up and a voice its function at
// note-on.
struct VoiceRunKernels {
    using ByTableLength = std::array<VoiceUnitBase::RenderFn, kWaveTableLengths>;
    // The block loop over the pool's sounding voices (see
    // MultiTimberSynthBase::renderVoices), one per table length: the set may
    // render the common blocks in place and hand the others to each voice's
    // own function.
    using RenderVoicesFn = std::uint32_t (*)(VoicePool& pool, float* const* outputs, std::int64_t origin, int target,
                                             bool endOfBlock);

    const char* name;
    std::array<RenderVoicesFn, kWaveTableLengths> renderVoices;
    ByTableLength noLfo, lfoPitch, lfoLevel;
    VoiceUnitBase::RenderFn noise, shortNoise, sampleMono, sampleStereo;

    // The function of a structure playing a wavetable of waveEntries (8..128).
    VoiceUnitBase::RenderFn forStructure(VoiceStructure structure, int waveEntries) const;
};

// Every sounding voice through its own render function, in pool order.
std::uint32_t renderVoicesOneByOne(VoicePool& pool, float* const* outputs, std::int64_t origin, int target,
                                   bool endOfBlock);

// The per-sample steps alone, the reference: every processor runs them.
const VoiceRunKernels* perSampleVoiceRunKernels();
// The per-sample steps with held stretches of the wave structures read from
// the voice's wave at one attenuation: the path without AVX2.
const VoiceRunKernels* scalarVoiceRunKernels();
// Eight samples at a time with AVX2, or null when this processor (or this
// build's target) has no AVX2.
const VoiceRunKernels* avx2VoiceRunKernels();
// The AVX2 set as this build compiled it, whether or not the processor runs
// it (null for a target without x86 vector code); avx2VoiceRunKernels asks
// the processor.
const VoiceRunKernels* builtAvx2VoiceRunKernels();
// The fastest set this processor runs.
const VoiceRunKernels* fastestVoiceRunKernels();

} // namespace kest::tolvane::synth
