// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane_lv2_render_time [BLOCK]: how long the LV2 plug-in (loaded by lilv
// from the bundle) and the VST 3 processor take to render the same General
// MIDI songs from the same state, counting only the plug-ins' own run() and
// process() calls, each the best of five passes. Not a test: a measurement.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BlockPlanner.h"
#include "Lv2Songs.h"
#include "MidiEvent.h"
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"
#include "public.sdk/source/common/memorystream.h"

namespace {

using namespace tolvane_lv2_test;
using Clock = std::chrono::steady_clock;
namespace tv = kest::tolvane;
namespace vst = Steinberg::Vst;

constexpr double kSeconds = 60.0;

// The loudest sample each render produced, so a silent plug-in cannot pass for a fast one.
float lv2Peak = 0.0f, vst3Peak = 0.0f;

double lv2Seconds(const tools::MidiSong& song, int blockSize)
{
    PluginInstance plugin(kRate, blockSize);
    plugin.restoreState(bankState());
    const auto timed = tools::scheduleEvents(song, kRate);
    const auto frames = static_cast<std::int64_t>(kSeconds * kRate);
    Clock::duration spent{};
    std::size_t next = 0;
    std::vector<MidiAt> events;
    for (std::int64_t start = 0; start < frames; start += blockSize) {
        events.clear();
        for (; next < timed.size() && timed[next].frame < start + blockSize; ++next) {
            const tools::SongEvent& e = song.events[timed[next].songIndex];
            MidiAt event{static_cast<int>(timed[next].frame - start), {}};
            if (e.type == tv::kSystemExclusive) {
                event.bytes.push_back(0xF0);
                const auto payload = song.sysEx(e);
                event.bytes.insert(event.bytes.end(), payload.begin(), payload.end());
            } else {
                event.bytes = {static_cast<std::uint8_t>(e.type | e.channel), static_cast<std::uint8_t>(e.data1)};
                if (e.type != tv::kProgramChange && e.type != tv::kChannelPressure)
                    event.bytes.push_back(static_cast<std::uint8_t>(e.data2));
            }
            events.push_back(std::move(event));
        }
        plugin.setEvents(events);
        const auto before = Clock::now();
        plugin.run(blockSize);
        spent += Clock::now() - before;
        for (int i = 0; i < blockSize; ++i)
            lv2Peak = std::max(lv2Peak, std::abs(plugin.output(0)[i]));
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
    const auto timed = tools::scheduleEvents(song, kRate);
    const auto frames = static_cast<std::int64_t>(kSeconds * kRate);
    Clock::duration spent{};
    std::size_t next = 0;
    std::vector<std::vector<uint8>> sysEx;
    for (std::int64_t start = 0; start < frames; start += blockSize) {
        Block block(blockSize);
        MidiParameterChanges changes;
        block.data.inputParameterChanges = &changes;
        for (; next < timed.size() && timed[next].frame < start + blockSize; ++next) {
            const tools::SongEvent& e = song.events[timed[next].songIndex];
            const auto offset = static_cast<int32>(timed[next].frame - start);
            const auto channel = static_cast<int16>(e.channel);
            switch (e.type) { // as a host maps MIDI onto the controller's parameters
            case tv::kNoteOn: block.addNoteOn(channel, static_cast<int16>(e.data1), e.data2 / 127.0f, offset); break;
            case tv::kNoteOff: block.addNoteOff(channel, static_cast<int16>(e.data1), offset); break;
            case tv::kControlChange:
                changes.add(vst::Tolvane::midiParamId(e.channel, e.data1), offset, e.data2 / 127.0);
                break;
            case tv::kProgramChange:
                changes.add(vst::Tolvane::midiParamId(e.channel, vst::Tolvane::kProgramItem), offset, e.data1 / 127.0);
                break;
            case tv::kPitchBend:
                changes.add(vst::Tolvane::midiParamId(e.channel, vst::Tolvane::kPitchBendItem), offset,
                            (e.data2 * 128 + e.data1) / 16383.0);
                break;
            case tv::kSystemExclusive: {
                auto& bytes = sysEx.emplace_back(1, std::uint8_t{0xF0});
                const auto payload = song.sysEx(e);
                bytes.insert(bytes.end(), payload.begin(), payload.end());
                block.addSysEx(bytes, offset);
                break;
            }
            default: break;
            }
        }
        const auto before = Clock::now();
        processor->process(block.data);
        spent += Clock::now() - before;
        for (int i = 0; i < blockSize; ++i)
            vst3Peak = std::max(vst3Peak, std::abs(block.sample(0, 0, i)));
    }
    processor->setActive(false);
    processor->terminate();
    processor->release();
    return std::chrono::duration<double>(spent).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int blockSize = argc > 1 ? std::atoi(argv[1]) : 512;
    for (const char* name : {"blupi-music004.mid", "blupi-music006.mid"}) {
        const tools::MidiSong song = songFromFile(name);
        double lv2 = 1e9, vst3 = 1e9;
        for (int pass = 0; pass < 5; ++pass) {
            lv2 = std::min(lv2, lv2Seconds(song, blockSize));
            vst3 = std::min(vst3, vst3Seconds(song, blockSize));
        }
        std::printf("%s, first %.0f s, block %d: LV2 %.1f ms, VST 3 %.1f ms (LV2/VST 3 = %.3f); peaks %.3f, %.3f\n",
                    name, kSeconds, blockSize, lv2 * 1e3, vst3 * 1e3, lv2 / vst3, lv2Peak, vst3Peak);
    }
    return 0;
}
