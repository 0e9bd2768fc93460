// SPDX-License-Identifier: GPL-3.0-or-later
// The per-sample render functions: the reference, and the path of a processor
// without a faster one.
#include "VoiceRenders.h"

#include <bit>

namespace kest::tolvane::synth {

VoiceUnitBase::RenderFn VoiceRunKernels::forStructure(VoiceStructure structure, int waveEntries) const
{
    const auto length = static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(waveEntries)) - 3);
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
        {Renders::noLfo, Renders::noLfo, Renders::noLfo, Renders::noLfo, Renders::noLfo},
        {Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch, Renders::lfoPitch},
        {Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel, Renders::lfoLevel},
        Renders::noise,
        Renders::sample<1>,
        Renders::sample<2>};
    return &kPerSample;
}

} // namespace kest::tolvane::synth
