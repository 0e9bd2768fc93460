// SPDX-License-Identifier: GPL-3.0-or-later
// The per-sample render functions, the reference, and the scalar set, the path
// of a processor without AVX2.
#include "VoiceRenders.h"

#include "ScalarRuns.h"

#include <bit>

namespace kest::tolvane::synth {

int tableLengthIndex(int waveEntries) { return std::countr_zero(static_cast<unsigned>(waveEntries)) - 3; }

std::uint32_t renderVoicesOneByOne(VoicePool& pool, float* const* outputs, int target, bool endOfBlock)
{
    std::uint32_t pairs = 0;
    pool.forEachSounding([&](VoiceUnitBase& v) {
        if (v.renderPos < target) {
            pairs |= 1u << (v.outputPair / 2);
            v.render(outputs, target);
        }
        if (endOfBlock)
            v.renderPos = 0;
    });
    return pairs;
}

VoiceUnitBase::RenderFn VoiceRunKernels::forStructure(VoiceStructure structure, int waveEntries) const
{
    const auto length = static_cast<std::size_t>(tableLengthIndex(waveEntries));
    switch (structure) {
    case VoiceStructure::NoLfo: return noLfo[length];
    case VoiceStructure::LfoPitch: return lfoPitch[length];
    case VoiceStructure::LfoLevel: return lfoLevel[length];
    case VoiceStructure::Noise: return noise;
    case VoiceStructure::SampleMono: return sampleMono;
    case VoiceStructure::SampleStereo: return sampleStereo;
    case VoiceStructure::Silent: break;
    }
    return &VoiceUnitBase::renderStopOnly;
}

const VoiceRunKernels* perSampleVoiceRunKernels()
{
    using Renders = VoiceRenders<PerSampleRuns>;
    static constexpr VoiceRunKernels kPerSample{
        "per-sample",
        {renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne},
        {Renders::noLfo, Renders::noLfo, Renders::noLfo, Renders::noLfo, Renders::noLfo},
        {Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch},
        {Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel},
        Renders::noise,
        Renders::sample<1>,
        Renders::sample<2>};
    return &kPerSample;
}

const VoiceRunKernels* scalarVoiceRunKernels()
{
    // Noise and sampler voices have no scalar runs: theirs are the per-sample functions.
    using Renders = VoiceRenders<ScalarRuns>;
    using PerSample = VoiceRenders<PerSampleRuns>;
    static constexpr VoiceRunKernels kScalar{
        "scalar",
        {renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne},
        {Renders::noLfo, Renders::noLfo, Renders::noLfo, Renders::noLfo, Renders::noLfo},
        {Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch},
        {Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel},
        PerSample::noise,
        PerSample::sample<1>,
        PerSample::sample<2>};
    return &kScalar;
}

} // namespace kest::tolvane::synth
