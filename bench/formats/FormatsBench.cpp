// SPDX-License-Identifier: GPL-3.0-or-later
// WAV import of a minute of CD-quality stereo, and full text imports of each kind.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "SynthesizerWT.h"
#include "TextImport.h"
#include "WaveImport.h"

using namespace kest::tolvane;

namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> minuteOfStereo()
{
    constexpr std::uint32_t rate = 44100, frames = 60 * rate;
    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
    put(file, 4 + 24 + 8 + frames * 4, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(file, 16, 4);
    put(file, 1, 2);
    put(file, 2, 2);
    put(file, rate, 4);
    put(file, rate * 4, 4);
    put(file, 4, 2);
    put(file, 16, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put(file, frames * 4, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        put(file, static_cast<std::uint16_t>(static_cast<std::int16_t>(20000 * std::sin(i * 0.031))), 2);
        put(file, static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(i * 0.007))), 2);
    }
    return file;
}

void WaveImportMinuteStereoAdpcm(benchmark::State& state)
{
    const std::vector<std::uint8_t> file = minuteOfStereo();
    synth::SynthesizerWT engine(440.0f, 0.8f);
    for (auto _ : state) {
        auto prepared = formats::prepareWaveImport(formats::parseWave(file), formats::SampleSourceKind::Adpcm);
        formats::installPreparedSample(engine, 0, std::move(*prepared));
        benchmark::DoNotOptimize(engine.sampleData(0).data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(WaveImportMinuteStereoAdpcm)->Unit(benchmark::kMillisecond);

void WaveImportMinuteStereoPcm(benchmark::State& state)
{
    const std::vector<std::uint8_t> file = minuteOfStereo();
    synth::SynthesizerWT engine(440.0f, 0.8f);
    for (auto _ : state) {
        auto prepared = formats::prepareWaveImport(formats::parseWave(file), formats::SampleSourceKind::Pcm);
        formats::installPreparedSample(engine, 0, std::move(*prepared));
    }
}
BENCHMARK(WaveImportMinuteStereoPcm)->Unit(benchmark::kMillisecond);

// A full file of the kind, as the writer produces it, parsed and applied.
void TextImport(benchmark::State& state)
{
    const auto kind = static_cast<formats::TextKind>(state.range(0));
    synth::SynthesizerWT engine(440.0f, 0.8f);
    engine.setTableSize(128);
    formats::WaveTableBitDepths depths;
    depths.fill(8);
    std::ostringstream out;
    formats::writeText(out, kind, engine, depths);
    const std::string text = out.str();
    for (auto _ : state)
        formats::applyText(engine, formats::parseText(kind, text), depths);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(TextImport)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace
