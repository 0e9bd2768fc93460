// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane_plugin_render_time [BLOCK]: how long the three plug-in formats take
// to render the same General MIDI songs from the same state, counting only
// the plug-ins' own calls, each the best of five passes: the LV2 plug-in
// (loaded by lilv from the bundle) and the CLAP plug-in (the built file, in
// the project's CLAP host) given raw MIDI, and the VST 3 processor given
// events and parameter points as a VST 3 host maps MIDI. Not a test: a
// measurement.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ClapHost.h"
#include "ClapIdentity.h"
#include "Lv2Songs.h"
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstSongEvents.h"
#include "public.sdk/source/common/memorystream.h"

namespace {

using namespace tolvane_lv2_test;
using Clock = std::chrono::steady_clock;
namespace vst = Steinberg::Vst;

constexpr double kSeconds = 60.0;
constexpr auto kFrames = static_cast<std::int64_t>(kSeconds * kRate);

// The loudest sample each render produced, so a silent plug-in cannot pass for a fast one.
struct Peaks {
    float lv2 = 0.0f, clap = 0.0f, vst3 = 0.0f;
} peaks;

float peakOf(const float* samples, int count, float peak)
{
    for (int i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

double lv2Seconds(const tools::MidiSong& song, int blockSize)
{
    PluginInstance plugin(kRate, blockSize);
    plugin.restoreState(bankState());
    tolvane_test::SongBlocks blocks(song, kRate);
    Clock::duration spent{};
    std::vector<MidiAt> events;
    for (std::int64_t start = 0; start < kFrames; start += blockSize) {
        events.clear();
        for (const auto& [offset, event] : blocks.next(blockSize))
            events.push_back({offset, tolvane_test::rawMidiBytes(song, *event)});
        plugin.setEvents(events);
        const auto before = Clock::now();
        plugin.run(blockSize);
        spent += Clock::now() - before;
        peaks.lv2 = peakOf(plugin.output(0), blockSize, peaks.lv2);
    }
    return std::chrono::duration<double>(spent).count();
}

double clapSeconds(const tools::MidiSong& song, int blockSize)
{
    static const tolvane_clap_test::ClapModule module(TOLVANE_CLAP_FILE);
    tolvane_clap_test::ClapInstance plugin(module, kest::tolvane::clap::kPluginId, kRate, blockSize);
    plugin.loadState(bankState());
    tolvane_test::SongBlocks blocks(song, kRate);
    Clock::duration spent{};
    tolvane_clap_test::EventList events;
    for (std::int64_t start = 0; start < kFrames; start += blockSize) {
        events.clear();
        for (const auto& [offset, event] : blocks.next(blockSize))
            events.midi(static_cast<std::uint32_t>(offset), tolvane_test::rawMidiBytes(song, *event));
        const auto before = Clock::now();
        plugin.process(events, blockSize, std::nullopt); // the plug-in's own call, no host buffer fill
        spent += Clock::now() - before;
        peaks.clap = peakOf(plugin.output(0), blockSize, peaks.clap);
    }
    return std::chrono::duration<double>(spent).count();
}

double vst3Seconds(const tools::MidiSong& song, int blockSize)
{
    using namespace tolvane_vst_test;
    HostApplication host;
    auto* processor = new vst::TolvaneVSTProcessor;
    processor->initialize(&host);
    Steinberg::MemoryStream state;
    state.write(const_cast<std::uint8_t*>(bankState().data()), static_cast<Steinberg::int32>(bankState().size()),
                nullptr);
    state.seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
    processor->setState(&state);
    ProcessSetup setup{kRealtime, kSample32, blockSize, double(kRate)};
    processor->setupProcessing(setup);
    processor->setActive(true);
    tolvane_test::SongBlocks blocks(song, kRate);
    Clock::duration spent{};
    std::vector<std::vector<std::uint8_t>> sysEx;
    const auto parameterFor = [](int channel, CtrlNumber controller) {
        return vst::Tolvane::midiParamId(channel, controller);
    };
    for (std::int64_t start = 0; start < kFrames; start += blockSize) {
        Block block(blockSize);
        MidiParameterChanges changes;
        block.data.inputParameterChanges = &changes;
        for (const auto& [offset, event] : blocks.next(blockSize))
            addSongEvent(song, *event, offset, block, changes, parameterFor, sysEx);
        const auto before = Clock::now();
        processor->process(block.data);
        spent += Clock::now() - before;
        for (int i = 0; i < blockSize; ++i)
            peaks.vst3 = std::max(peaks.vst3, std::abs(block.sample(0, 0, i)));
    }
    processor->setActive(false);
    processor->terminate();
    processor->release();
    return std::chrono::duration<double>(spent).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int blockSize = argc > 1 ? std::max(1, std::atoi(argv[1])) : 512;
    for (const char* name : {"blupi-music004.mid", "blupi-music006.mid"}) {
        const tools::MidiSong song = songFromFile(name);
        double lv2 = 1e9, clap = 1e9, vst3 = 1e9;
        for (int pass = 0; pass < 5; ++pass) {
            lv2 = std::min(lv2, lv2Seconds(song, blockSize));
            clap = std::min(clap, clapSeconds(song, blockSize));
            vst3 = std::min(vst3, vst3Seconds(song, blockSize));
        }
        std::printf("%s, first %.0f s, block %d: LV2 %.1f ms, CLAP %.1f ms, VST 3 %.1f ms "
                    "(LV2/VST 3 = %.3f, CLAP/VST 3 = %.3f); peaks %.3f, %.3f, %.3f\n",
                    name, kSeconds, blockSize, lv2 * 1e3, clap * 1e3, vst3 * 1e3, lv2 / vst3, clap / vst3, peaks.lv2,
                    peaks.clap, peaks.vst3);
    }
    return 0;
}
