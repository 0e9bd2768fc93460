// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 render functions. Each is compiled for AVX2 as a whole: flatten
// draws the driver, the step and the fast runs into the one function, so the
// step's state stays in registers across a run and nothing is passed through
// memory to reach the vector code. This file is built for the baseline; only
// these functions and those of Avx2Runs.h carry the AVX2 target, so no AVX2
// instruction reaches code that a processor without AVX2 runs.
#include "VoiceRuns.h"

#if defined(__x86_64__) || defined(__i386__)
#include "Avx2Runs.h"
#include "VoiceRenders.h"

namespace kest::tolvane::synth {

namespace {

template <int WaveBlocks> using Renders = VoiceRenders<Avx2Runs<WaveBlocks>>;

template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] void noLfo(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Renders<WaveBlocks>::noLfo(voice, left, right, target);
}

template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] void lfoPitch(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Renders<WaveBlocks>::lfoPitch(voice, left, right, target);
}

template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] void lfoLevel(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Renders<WaveBlocks>::lfoLevel(voice, left, right, target);
}

[[gnu::target("avx2"), gnu::flatten]] void noise(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Renders<1>::noise(voice, left, right, target);
}

[[gnu::target("avx2"), gnu::flatten]] void sampleMono(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Renders<1>::sample<1>(voice, left, right, target);
}

[[gnu::target("avx2"), gnu::flatten]] void sampleStereo(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Renders<1>::sample<2>(voice, left, right, target);
}

// Wavetables of 8 to 128 entries are 1 to 16 blocks of eight.
constexpr VoiceRunKernels kAvx2{"avx2",
                                {noLfo<1>, noLfo<2>, noLfo<4>, noLfo<8>, noLfo<16>},
                                {lfoPitch<1>, lfoPitch<2>, lfoPitch<4>, lfoPitch<8>, lfoPitch<16>},
                                {lfoLevel<1>, lfoLevel<2>, lfoLevel<4>, lfoLevel<8>, lfoLevel<16>},
                                noise,
                                sampleMono,
                                sampleStereo};

} // namespace

const VoiceRunKernels* avx2VoiceRunKernels()
{
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported ? &kAvx2 : nullptr;
}

} // namespace kest::tolvane::synth

#else

namespace kest::tolvane::synth {
const VoiceRunKernels* avx2VoiceRunKernels() { return nullptr; }
} // namespace kest::tolvane::synth

#endif

namespace kest::tolvane::synth {
const VoiceRunKernels* fastestVoiceRunKernels()
{
    const VoiceRunKernels* avx2 = avx2VoiceRunKernels();
    return avx2 ? avx2 : perSampleVoiceRunKernels();
}
} // namespace kest::tolvane::synth
