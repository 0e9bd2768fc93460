// SPDX-License-Identifier: GPL-3.0-or-later
// Time per voice-sample of the render operations, measured through the module
// host as the plug-in runs them. The counter "per_voice_sample" is the figure to
// compare with the budget (1024 voices in real time under 15% of a core is
// about 3.3 ns per voice-sample).
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "MidiController.h"
#include "ModuleHost.h"
#include "SynthesizerWT.h"

namespace {

using namespace kest::tolvane;
using namespace kest::tolvane::synth;

constexpr int kBlock = 512;

// An engine with `voices` sustaining notes spread over the 16 parts.
struct SoundingEngine {
    SynthesizerWT engine;
    util::MidiController queue;
    ModuleHost host;
    std::array<std::vector<float>, kOutputChannelCount> buffers;
    std::array<float*, kOutputChannelCount> pointers{};

    // prepareTone lets each benchmark shape program 0 (structure, LFO, ...).
    template <typename Prepare> SoundingEngine(int voices, Prepare prepareTone)
    {
        host.setModule(0, &queue);
        host.setModule(1, &engine);
        engine.setPolyphony(voices);
        TonePreset& tone = engine.tone(0);
        tone.ar = 127;
        tone.sl = 0; // sustain forever at full level
        prepareTone(engine);
        for (int c = 0; c < kOutputChannelCount; ++c) {
            buffers[static_cast<std::size_t>(c)].assign(kBlock, 0.0f);
            pointers[static_cast<std::size_t>(c)] = buffers[static_cast<std::size_t>(c)].data();
        }
        for (int i = 0; i < voices; ++i)
            engine.noteOn(i % 16, 24 + (i * 7) % 80, 100);
    }

    void renderBlock() { host.process(pointers.data(), kBlock); }
};

void report(benchmark::State& state, int voices, const SynthesizerWT& engine)
{
    const double voiceSamples = static_cast<double>(voices) * kBlock;
    state.counters["per_voice_sample"] =
        benchmark::Counter(voiceSamples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["sounding"] = engine.getActiveVoiceCount();
}

// Tone structures: 0 plain, 1 LFO PM, 2 LFO AM, 3 noise.
void BM_RenderTone(benchmark::State& state, int structure)
{
    const int voices = static_cast<int>(state.range(0));
    SoundingEngine s(voices, [structure](SynthesizerWT& engine) {
        TonePreset& tone = engine.tone(0);
        tone.strc = structure;
        tone.lms = 7;
        for (int p = 0; p < 16; ++p)
            engine.part(p).cc[1] = 64;
    });
    for (auto _ : state) {
        s.renderBlock();
        benchmark::DoNotOptimize(s.buffers[0].data());
        benchmark::ClobberMemory();
    }
    report(state, voices, s.engine);
}

} // namespace

BENCHMARK_CAPTURE(BM_RenderTone, renderNoLfo, 0)->Arg(128)->Arg(1024);
