// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the six render operations with every voice sounding, per voice and
// output sample. 1024 voices at 44.1 kHz are 45.2 million voice-samples a second.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "MidiController.h"
#include "ModuleHost.h"
#include "SynthesizerWT.h"

namespace kest::tolvane {
namespace {

enum class RenderMode { NoLfo, LfoPm, LfoAm, Noise, SampleMono, SampleStereo };

constexpr int kMaxBlock = 512;
constexpr int kSampleFrames = 44100;

// An engine in a module host with the requested number of held voices, all
// playing through the same render operation and mixed into output 1.
class RenderRig {
public:
    RenderRig(RenderMode mode, int voices, int block) : block(block)
    {
        host.setModule(0, &queue);
        host.setModule(1, &engine);
        host.setSampleRate(44100.0f);
        host.setBlockSize(kMaxBlock);
        engine.setPolyphony(voices);
        for (auto& channel : buffers)
            channel.assign(kMaxBlock, 0.0f);
        for (std::size_t c = 0; c < buffers.size(); ++c)
            pointers[c] = buffers[c].data();

        const bool sampler = mode == RenderMode::SampleMono || mode == RenderMode::SampleStereo;
        if (sampler)
            loadLoopedSample(mode == RenderMode::SampleStereo ? 2 : 1);
        synth::TonePreset& tone = engine.tone(0);
        tone.strc = static_cast<int>(mode) & 3;
        tone.lms = 8;
        for (int part = 0; part < synth::kPartCount; ++part) {
            engine.setMode(part, sampler ? synth::kModeSampler : synth::kModeInstrument);
            engine.controlChange(part, 1, 64);
        }
        // 128 keys on each of as many parts as the voice count needs.
        for (int i = 0; i < voices; ++i)
            engine.noteOn(i / 128, i % 128, 100);
    }

    void renderBlock()
    {
        for (auto& channel : buffers)
            std::fill_n(channel.begin(), block, 0.0f);
        host.process(pointers.data(), block);
    }

    const int block;
    synth::SynthesizerWT engine;
    util::MidiController queue;
    ModuleHost host;

private:
    // Slot 0 (every preset's default) holds a second of noise-like codes that
    // loops over its whole length, so no voice ends while it is measured.
    void loadLoopedSample(int channels)
    {
        std::vector<std::int32_t> codes(static_cast<std::size_t>(kSampleFrames * channels));
        std::uint32_t seed = 12345;
        for (auto& code : codes) {
            seed = seed * 1664525u + 1013904223u;
            code = static_cast<std::int32_t>((seed >> 16) % 4096);
        }
        engine.installSampleData(0, std::move(codes), kSampleFrames, channels);
        synth::SampleData& slot = engine.sampleData(0);
        slot.loopLength = kSampleFrames;
        slot.releaseLoopLength = kSampleFrames;
        for (int key = 0; key < 128; ++key)
            engine.samplerPreset(key).sl = 0; // hold full level
    }

    std::array<std::vector<float>, kOutputChannelCount> buffers;
    std::array<float*, kOutputChannelCount> pointers{};
};

void renderVoices(benchmark::State& state, RenderMode mode)
{
    const int voices = static_cast<int>(state.range(0));
    const int block = static_cast<int>(state.range(2));
    RenderRig rig(mode, voices, block);
    if (state.range(1) == 0)
        rig.engine.useVoiceRunKernels(nullptr);
    else if (state.range(1) == 2)
        rig.engine.useVoiceRunKernels(synth::scalarVoiceRunKernels());
    if (rig.engine.getActiveVoiceCount() != voices) {
        state.SkipWithError("not every voice sounds");
        return;
    }
    for (auto _ : state)
        rig.renderBlock();
    if (rig.engine.getActiveVoiceCount() != voices)
        state.SkipWithError("voices ended while measured");
    const double voiceSamples = static_cast<double>(voices) * block;
    state.counters["ns/voice-sample"] = benchmark::Counter(
        voiceSamples * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    // Share of one core that this voice count takes in real time at 44.1 kHz.
    state.counters["rt-share-%"] = benchmark::Counter(
        block / 44100.0 / 100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Voices, path (0: the per-sample steps, 1: the fastest this processor runs,
// 2: the path without AVX2), block size; the small blocks show what a voice's
// block costs besides its samples.
void blockSizes(benchmark::internal::Benchmark* b)
{
    b->ArgsProduct({{128, 1024}, {0, 1, 2}, {kMaxBlock}})->ArgsProduct({{128}, {0, 1, 2}, {8, 32}});
}

BENCHMARK_CAPTURE(renderVoices, NoLfo, RenderMode::NoLfo)->Apply(blockSizes);
BENCHMARK_CAPTURE(renderVoices, LfoPm, RenderMode::LfoPm)->Apply(blockSizes);
BENCHMARK_CAPTURE(renderVoices, LfoAm, RenderMode::LfoAm)->Apply(blockSizes);
BENCHMARK_CAPTURE(renderVoices, Noise, RenderMode::Noise)->Apply(blockSizes);
BENCHMARK_CAPTURE(renderVoices, SampleMono, RenderMode::SampleMono)->Apply(blockSizes);
BENCHMARK_CAPTURE(renderVoices, SampleStereo, RenderMode::SampleStereo)->Apply(blockSizes);

} // namespace
} // namespace kest::tolvane
