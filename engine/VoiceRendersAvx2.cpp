// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 render functions and block loop (VoiceRunChoice.cpp decides at run
// time whether the processor runs them). A voice's block that is one run
// (no envelope segment ends and no LFO steps inside it, the common case of a
// small block) is rendered in place by the block loop; any other goes to the
// voice's function, the segment driver compiled for AVX2 as a whole: flatten
// draws the driver, the step and the fast runs into one function, so the
// step's state stays in registers and nothing is passed through memory to
// reach the vector code.
//
// This file is built for the baseline; only these functions and those of the
// Avx2*.h headers carry the AVX2 target, so no AVX2 instruction reaches code
// that a processor without AVX2 runs.
#include "VoiceRuns.h"

#if defined(__x86_64__) || defined(__i386__)
#include "Avx2Runs.h"
#include "VoiceBlockLoop.h"
#include "VoiceRenders.h"

namespace kest::tolvane::synth {

namespace {

using Voice = SynthesizerWT::VoiceUnitWT;
template <int WaveBlocks> using Driven = VoiceRenders<Avx2Runs<WaveBlocks>>;

// ---- each voice's own render function: through the segment driver

template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] void noLfo(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Driven<WaveBlocks>::noLfo(voice, left, right, target);
}

template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] void lfoPitch(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Driven<WaveBlocks>::lfoPitch(voice, left, right, target);
}

template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] void lfoLevel(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Driven<WaveBlocks>::lfoLevel(voice, left, right, target);
}

[[gnu::target("avx2"), gnu::flatten]] void noise(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Driven<1>::noise(voice, left, right, target);
}

[[gnu::target("avx2"), gnu::flatten]] void sampleMono(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Driven<1>::sample<1>(voice, left, right, target);
}

[[gnu::target("avx2"), gnu::flatten]] void sampleStereo(VoiceUnitBase& voice, float* left, float* right, int target)
{
    Driven<1>::sample<2>(voice, left, right, target);
}

// ---- the block loop

// A block that is one run of a wave or noise voice, rendered in place; false
// when the voice's own function must take it.
template <int WaveBlocks>
[[gnu::target("avx2")]] inline bool renderWholeBlock(Voice& voice, float* left, float* right, int target)
{
    switch (voice.structure) {
    case VoiceStructure::NoLfo: return avx2::renderWaveBlock<WaveBlocks, avx2::PlainBlock>(voice, left, right, target);
    case VoiceStructure::LfoPitch:
        return avx2::renderWaveBlock<WaveBlocks, avx2::LfoPitchBlock>(voice, left, right, target);
    case VoiceStructure::LfoLevel:
        return avx2::renderWaveBlock<WaveBlocks, avx2::LfoLevelBlock>(voice, left, right, target);
    case VoiceStructure::Noise: return avx2::renderNoiseBlock(voice, left, right, target);
    default: return false;
    }
}

// Every sounding voice as renderVoicesOneByOne renders it, with the blocks
// that are one run rendered in place: at small blocks most are, and they then
// cost no call and no driver.
template <int WaveBlocks>
[[gnu::target("avx2"), gnu::flatten]] std::uint32_t renderVoices(VoicePool& pool, float* const* outputs,
                                                                 std::int64_t origin, int target, bool endOfBlock)
{
    return renderSoundingVoices(pool, origin, target, endOfBlock, [outputs](VoiceUnitBase& base, int to) {
        float* left = outputs[base.outputPair];
        float* right = outputs[base.outputPair + 1];
        if (!renderWholeBlock<WaveBlocks>(static_cast<Voice&>(base), left, right, to))
            base.renderFn(base, left, right, to);
    });
}

// Wavetables of 8 to 128 entries are 1 to 16 blocks of eight.
constexpr VoiceRunKernels kAvx2{"avx2",
                                {renderVoices<1>, renderVoices<2>, renderVoices<4>, renderVoices<8>, renderVoices<16>},
                                {noLfo<1>, noLfo<2>, noLfo<4>, noLfo<8>, noLfo<16>},
                                {lfoPitch<1>, lfoPitch<2>, lfoPitch<4>, lfoPitch<8>, lfoPitch<16>},
                                {lfoLevel<1>, lfoLevel<2>, lfoLevel<4>, lfoLevel<8>, lfoLevel<16>},
                                noise,
                                VoiceRenders<PerSampleRuns>::shortNoise,
                                sampleMono,
                                sampleStereo};

} // namespace

const VoiceRunKernels* builtAvx2VoiceRunKernels() { return &kAvx2; }

} // namespace kest::tolvane::synth

#else

namespace kest::tolvane::synth {
const VoiceRunKernels* builtAvx2VoiceRunKernels() { return nullptr; }
} // namespace kest::tolvane::synth

#endif
