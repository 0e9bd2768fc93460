// SPDX-License-Identifier: GPL-3.0-or-later
// One period of tolvane-play's audio callback with 128 sounding voices of the
// factory bank. The counter "dsp_percent" is the share of the period's own
// duration at 48 kHz that the work takes: the player's part of JACK's DSP load.
#include <benchmark/benchmark.h>

#include <vector>

#include "EngineContext.h"
#include "FactoryBank.h"
#include "LivePlayer.h"

namespace {

using namespace kest::tolvane;
using namespace kest::tolvane::tools;

// The same messages every period they are asked for (none by default).
class Messages final : public MidiInput {
public:
    std::vector<std::vector<std::uint8_t>> all;
    int count() const override { return static_cast<int>(all.size()); }
    bool get(int index, RawMidi& event) const override
    {
        const auto& m = all[static_cast<std::size_t>(index)];
        event = {0, m.data(), m.size()};
        return true;
    }
};

void playPeriods(benchmark::State& state, OutputLayout layout)
{
    const int period = static_cast<int>(state.range(0));
    plugin::EngineContext context;
    loadFactoryBank(context);
    LivePlayer player(context, layout);
    player.setSampleRate(48000);
    player.reserveFrames(period);
    // Organs hold their notes: 128 voices over the 16 parts, none in Percussion mode.
    context.synth->part(kFactoryDrumPart).mode = synth::kModeInstrument;
    Messages start;
    for (int channel = 0; channel < 16; ++channel)
        start.all.push_back({static_cast<std::uint8_t>(0xC0 | channel), 19});
    for (int voice = 0; voice < 128; ++voice)
        start.all.push_back({static_cast<std::uint8_t>(0x90 | (voice % 16)),
                             static_cast<std::uint8_t>(36 + (voice / 16) * 7 + voice % 5), 90});
    std::vector<std::vector<float>> buffers(static_cast<std::size_t>(channelCount(layout)),
                                            std::vector<float>(static_cast<std::size_t>(period)));
    std::vector<float*> outputs;
    for (auto& b : buffers)
        outputs.push_back(b.data());
    const Messages none;
    player.process(start, outputs.data(), period);
    for (auto _ : state) {
        player.process(none, outputs.data(), period);
        benchmark::DoNotOptimize(buffers[0][0]);
    }
    state.counters["voices"] = player.activeVoices();
    state.counters["dsp_percent"] = benchmark::Counter(
        period / 48000.0 / 100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Summed128Voices(benchmark::State& state) { playPeriods(state, OutputLayout::Summed); }
void Multi128Voices(benchmark::State& state) { playPeriods(state, OutputLayout::Multi); }

} // namespace

BENCHMARK(Summed128Voices)->Arg(64)->Arg(256);
BENCHMARK(Multi128Voices)->Arg(64)->Arg(256);
