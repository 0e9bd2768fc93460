// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's process() as a host calls it: the built bundle loaded through
// the SDK's hosting classes, the dense 16-part song played block by block at
// 8, 32 and 512 frames, and one block carrying thousands of controller points.
// Only the process() calls are timed. TOLVANE_BENCH_VST3 names another bundle
// to load (an older build, for before-and-after figures in one run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "BlockPlanner.h"
#include "ByteStream.h"
#include "Compositions.h"
#include "EngineContext.h"
#include "MidiFile.h"
#include "SoundDataLoader.h"
#include "VstTestSupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/module.h"

using namespace tolvane_vst_test;
namespace tools = kest::tolvane::tools;
namespace tv = kest::tolvane;

namespace {

constexpr int kRate = 44100;
constexpr double kSongSeconds = 10.0;

// The factory bank with SysEx reception on, as a user who plays the dense song
// sets the plug-in up.
std::vector<std::uint8_t> benchState()
{
    kest::tolvane::plugin::EngineContext context;
    tools::LoadFailure failure;
    tools::loadSoundData(context, tools::SoundDataOptions{}, failure);
    context.synth->receiveSysEx = true;
    kest::tolvane::plugin::MemoryByteWriter writer;
    context.writeState(writer);
    return writer.bytes;
}

VST3::Hosting::Module::Ptr& module()
{
    static VST3::Hosting::Module::Ptr loaded = [] {
        const char* chosen = std::getenv("TOLVANE_BENCH_VST3");
        std::string error;
        return VST3::Hosting::Module::create(chosen ? chosen : TOLVANE_VST_BUNDLE_PATH, error);
    }();
    return loaded;
}

// One plug-in instance, set up, active and processing at the given block size.
class Session {
public:
    explicit Session(int blockSize)
    {
        const auto& factory = module()->getFactory();
        for (const auto& info : factory.classInfos()) {
            if (info.category() == kVstAudioEffectClass)
                component_ = factory.createInstance<IComponent>(info.ID());
            else if (info.category() == kVstComponentControllerClass)
                controller_ = factory.createInstance<IEditController>(info.ID());
        }
        component_->initialize(&host_);
        controller_->initialize(&host_);
        processor_ = FUnknownPtr<IAudioProcessor>(component_);
        mapping_ = FUnknownPtr<IMidiMapping>(controller_);
        static const std::vector<std::uint8_t> state = benchState();
        MemoryStream stream;
        stream.write(const_cast<std::uint8_t*>(state.data()), static_cast<int32>(state.size()), nullptr);
        stream.seek(0, IBStream::kIBSeekSet, nullptr);
        component_->setState(&stream);
        ProcessSetup setup{kRealtime, kSample32, blockSize, double(kRate)};
        processor_->setupProcessing(setup);
        component_->setActive(true);
        processor_->setProcessing(true);
    }
    ~Session()
    {
        processor_->setProcessing(false);
        component_->setActive(false);
        controller_->terminate();
        component_->terminate();
    }

    ParamID parameterFor(int channel, CtrlNumber controller)
    {
        ParamID id = 0;
        mapping_->getMidiControllerAssignment(0, static_cast<int16>(channel), controller, id);
        return id;
    }

    // Nanoseconds the call took.
    double process(ProcessData& data)
    {
        const auto start = std::chrono::steady_clock::now();
        processor_->process(data);
        return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    }

private:
    HostApplication host_;
    IPtr<IComponent> component_;
    IPtr<IEditController> controller_;
    FUnknownPtr<IAudioProcessor> processor_;
    FUnknownPtr<IMidiMapping> mapping_;
};

struct DenseSong {
    tools::MidiSong song;
    std::vector<tools::TimedEvent> timed;
    std::vector<std::vector<std::uint8_t>> sysEx; // F0 and the payload, per event index
};

const DenseSong& denseSong()
{
    static const DenseSong dense = [] {
        DenseSong d;
        d.song = *tools::readMidiFile(tools::composeDenseSong(kSongSeconds)).song;
        d.timed = tools::scheduleEvents(d.song, kRate);
        d.sysEx.resize(d.song.events.size());
        for (std::size_t i = 0; i < d.song.events.size(); ++i) {
            if (d.song.events[i].type != tv::kSystemExclusive)
                continue;
            const auto payload = d.song.sysEx(d.song.events[i]);
            d.sysEx[i].push_back(0xF0);
            d.sysEx[i].insert(d.sysEx[i].end(), payload.begin(), payload.end());
        }
        return d;
    }();
    return dense;
}

// Hands one song event to the block as a host would: notes and SysEx as
// events, controllers, bend and program as points of the mapped parameters.
void deliver(Session& session, const DenseSong& dense, std::size_t index, int32 offset, Block& block,
             MidiParameterChanges& changes)
{
    const tools::SongEvent& e = dense.song.events[index];
    const auto channel = static_cast<int16>(e.channel);
    switch (e.type) {
    case tv::kNoteOn:
        block.addNoteOn(channel, static_cast<int16>(e.data1), static_cast<float>(e.data2 / 127.0), offset);
        break;
    case tv::kNoteOff: block.addNoteOff(channel, static_cast<int16>(e.data1), offset); break;
    case tv::kControlChange:
        changes.add(session.parameterFor(e.channel, static_cast<CtrlNumber>(e.data1)), offset, e.data2 / 127.0);
        break;
    case tv::kProgramChange:
        changes.add(session.parameterFor(e.channel, kCtrlProgramChange), offset, e.data1 / 127.0);
        break;
    case tv::kPitchBend:
        changes.add(session.parameterFor(e.channel, kPitchBend), offset, (e.data2 * 128 + e.data1) / 16383.0);
        break;
    case tv::kSystemExclusive: block.addSysEx(dense.sysEx[index], offset); break;
    default: break;
    }
}

// The whole dense song per iteration at one block size. Counters: the CPU
// share of real time, the mean cost per block and per frame, and the longest
// single block. Every pass plays the same blocks, so the longest block is
// taken from the pass where it was shortest: a block the scheduler cut into
// is not the plug-in's cost.
void BM_ProcessDenseSong(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    if (!module()) {
        state.SkipWithError("the plug-in bundle did not load");
        return;
    }
    const DenseSong& dense = denseSong();
    const auto frames = static_cast<std::int64_t>(kSongSeconds * kRate);
    double longest = 1e300, total = 0.0;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        Session session(blockSize);
        Block block(blockSize);
        MidiParameterChanges changes;
        block.data.inputParameterChanges = &changes;
        double iteration = 0.0, passLongest = 0.0;
        std::size_t next = 0;
        for (std::int64_t start = 0; start < frames; start += blockSize) {
            block.events.clear();
            changes.clear();
            for (; next < dense.timed.size() && dense.timed[next].frame < start + blockSize; ++next)
                deliver(session, dense, dense.timed[next].songIndex,
                        static_cast<int32>(dense.timed[next].frame - start), block, changes);
            const double took = session.process(block.data);
            iteration += took;
            passLongest = std::max(passLongest, took);
            ++blocks;
        }
        longest = std::min(longest, passLongest);
        state.SetIterationTime(iteration * 1e-9);
        total += iteration;
    }
    state.counters["cpu_share_%"] = total / (double(state.iterations()) * kSongSeconds * 1e9) * 100.0;
    state.counters["us_per_block"] = total / double(blocks) * 1e-3;
    state.counters["ns_per_frame"] = total / (double(state.iterations()) * double(frames));
    state.counters["longest_block_us"] = longest * 1e-3;
}
BENCHMARK(BM_ProcessDenseSong)->Arg(8)->Arg(32)->Arg(512)->UseManualTime()->Unit(benchmark::kMillisecond);

// One 512-frame block whose parameter changes carry `points` controller
// points: 16 channels x 4 controllers, each queue with its share spread over
// the block, as a host's dense automation arrives. Linear queueing shows as
// a constant cost per point.
void BM_ProcessControllerPoints(benchmark::State& state)
{
    const int points = static_cast<int>(state.range(0));
    if (!module()) {
        state.SkipWithError("the plug-in bundle did not load");
        return;
    }
    constexpr int kBlock = 512;
    Session session(kBlock);
    Block block(kBlock);
    MidiParameterChanges changes;
    block.data.inputParameterChanges = &changes;
    const CtrlNumber controllers[] = {1, 7, 10, 11};
    constexpr int kQueues = 16 * 4;
    for (int q = 0; q < kQueues; ++q) {
        const ParamID id = session.parameterFor(q / 4, controllers[q % 4]);
        const int share = points / kQueues + (q < points % kQueues ? 1 : 0);
        for (int p = 0; p < share; ++p)
            changes.add(id, p * kBlock / std::max(share, 1), ((p * 37 + q) % 128) / 127.0);
    }
    double total = 0.0;
    for (auto _ : state) {
        const double took = session.process(block.data);
        state.SetIterationTime(took * 1e-9);
        total += took;
    }
    state.counters["ns_per_point"] = total / double(state.iterations()) / points;
}
BENCHMARK(BM_ProcessControllerPoints)->Arg(1000)->Arg(2000)->Arg(4000)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
