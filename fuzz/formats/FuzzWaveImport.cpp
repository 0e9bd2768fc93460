// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a WAV file, imported in all three ways into one slot.
#include <cstddef>
#include <cstdint>

#include "SynthesizerWT.h"
#include "WaveImport.h"

using namespace kest::tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static synth::SynthesizerWT engine(440.0f, 0.8f);
    const formats::WaveFile wave = formats::parseWave({data, size});
    for (auto kind :
         {formats::SampleSourceKind::Pcm, formats::SampleSourceKind::Dpcm, formats::SampleSourceKind::Adpcm})
        if (auto prepared = formats::prepareWaveImport(wave, kind)) {
            formats::installPreparedSample(engine, 0, std::move(*prepared));
            const synth::SampleData& slot = engine.sampleData(0);
            // The slot must hold what its numbers say.
            if (slot.hasData && slot.data.size() != static_cast<std::size_t>(slot.frames) * slot.channels)
                __builtin_trap();
        }
    return 0;
}
