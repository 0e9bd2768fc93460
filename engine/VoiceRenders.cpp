// SPDX-License-Identifier: GPL-3.0-or-later
// The per-sample render functions, the reference, and the scalar set, the path
// of a processor without AVX2.
#include "VoiceRenders.h"

#include "ScalarRuns.h"
#include "VoiceBlockLoop.h"

#include <bit>

namespace kest::tolvane::synth {

int tableLengthIndex(int waveEntries) { return std::countr_zero(static_cast<unsigned>(waveEntries)) - 3; }

std::uint32_t renderVoicesOneByOne(VoicePool& pool, float* const* outputs, std::int64_t origin, int target,
                                   bool endOfBlock)
{
    // Without outputs nothing renders and the voices keep their place.
    return renderSoundingVoices(pool, origin, target, endOfBlock, [outputs](VoiceUnitBase& v, int to) {
        if (outputs)
            v.render(outputs, to);
    });
}

VoiceUnitBase::RenderFn VoiceRunKernels::forStructure(VoiceStructure structure, int waveEntries) const
{
    const auto length = static_cast<std::size_t>(tableLengthIndex(waveEntries));
    switch (structure) {
    case VoiceStructure::NoLfo: return noLfo[length];
    case VoiceStructure::LfoPitch: return lfoPitch[length];
    case VoiceStructure::LfoLevel: return lfoLevel[length];
    case VoiceStructure::Noise: return noise;
    case VoiceStructure::ShortNoise: return shortNoise;
    case VoiceStructure::SampleMono: return sampleMono;
    case VoiceStructure::SampleStereo: return sampleStereo;
    case VoiceStructure::Silent: break;
    }
    return &VoiceUnitBase::renderStopOnly;
}

namespace {
// A set that renders voice by voice, one function for every table length: the
// wave structures with WaveRuns, noise and sampler voices with the per-sample
// functions (no set but AVX2 has faster runs for them).
template <typename WaveRuns> constexpr VoiceRunKernels voiceByVoice(const char* name)
{
    using Wave = VoiceRenders<WaveRuns>;
    using PerSample = VoiceRenders<PerSampleRuns>;
    auto each = [](VoiceUnitBase::RenderFn fn) { return VoiceRunKernels::ByTableLength{fn, fn, fn, fn, fn}; };
    return {
        name,
        {renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne, renderVoicesOneByOne},
        each(Wave::noLfo),
        each(Wave::lfoPitch),
        each(Wave::lfoLevel),
        PerSample::noise,
        PerSample::shortNoise,
        PerSample::sample<1>,
        PerSample::sample<2>};
}
} // namespace

const VoiceRunKernels* perSampleVoiceRunKernels()
{
    static constexpr VoiceRunKernels kPerSample = voiceByVoice<PerSampleRuns>("per-sample");
    return &kPerSample;
}

const VoiceRunKernels* scalarVoiceRunKernels()
{
    static constexpr VoiceRunKernels kScalar = voiceByVoice<ScalarRuns>("scalar");
    return &kScalar;
}

} // namespace kest::tolvane::synth
