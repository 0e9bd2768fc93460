// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing lost while playing: process() runs at a steady pace on an audio
// thread with a held note and a stream of notes, while another thread does
// what a user and a host do during playback: value changes at 1 kHz over
// every page, slider drags, wavetable drawing, text and WAV imports, state
// saves every 100 ms, state loads and polyphony changes, with sample data
// loaded. No block may miss the engine (render silence and hold back its
// events) because an edit held it.
//
// The CTest run is short and paced faster than real time. The long
// measurement is scripts/vst/stress-measure.sh, which sets:
//   TOLVANE_STRESS_BLOCKS     blocks to process (default 40000)
//   TOLVANE_STRESS_FRAMES     frames per block (default 128)
//   TOLVANE_STRESS_SPEED      pace as a multiple of real time (default 4)
//   TOLVANE_STRESS_SAMPLE_MB  megabytes of 16-bit WAV data loaded (default 8)
//   TOLVANE_STRESS_STORE      0: saves leave the sample audio out (default 1)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "public.sdk/source/common/memorystream.h"

#include "../CoreTestSupport.h"
#include "EngineContext.h"
using kest::tolvane::plugin::EngineContext;
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

using namespace tolvane_vst_test;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;
namespace protocol = kest::tolvane::plugin::ids;
using Clock = std::chrono::steady_clock;

namespace {

long setting(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    const long value = std::strtol(text, nullptr, 10);
    return value > 0 ? value : fallback;
}

// Counts what arrives and keeps nothing, so an hour of 1 kHz echoes stays small.
class CountingConnection : public IConnectionPoint {
public:
    tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(IMessage*) override
    {
        received.fetch_add(1, std::memory_order_relaxed);
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    std::atomic<long> received{0};
};

// The user's side: one action per millisecond, with saves, loads and imports
// interleaved at their own rates.
class EditingUser {
public:
    EditingUser(HostApplication& host, TolvaneVSTProcessor& processor, std::string toneText, std::string wave)
        : host_(host), processor_(processor), toneText_(std::move(toneText)), wave_(std::move(wave))
    {
    }

    void step(long tick)
    {
        if (tick % 100 == 0)
            save();
        if (tick % 1000 == 500)
            load();
        if (tick % 1500 == 750)
            fileAction(protocol::file::kImportToneText, toneText_);
        if (tick % 2000 == 1000)
            fileAction(protocol::file::kImportWavPcm | 127, wave_);
        if (tick % 3000 == 1500)
            // 64..256 voices
            valueChange(protocol::system::kPolyphonyMenu, static_cast<float>((tick / 3000) % 3 + 4) / 8.0f);
        valueChange(nextEdit(tick), static_cast<float>(tick % 101) / 100.0f);
    }

    long saves = 0, loads = 0;

private:
    // Every page in turn: a part slider, tone and sampler sliders being dragged,
    // sample points, wavetable points being drawn, and the selections.
    static int nextEdit(long tick)
    {
        static const int kEdits[] = {protocol::system::kMasterVolume,
                                     protocol::part::kBendRange,
                                     protocol::part::kPitchBend,
                                     protocol::part::kModulation,
                                     protocol::part::kVolume,
                                     protocol::part::kPan,
                                     protocol::part::kExpression,
                                     protocol::part::kOutputMenu,
                                     protocol::tone::kStrc,
                                     protocol::tone::kKey,
                                     protocol::tone::kPan,
                                     protocol::tone::kLfoFreq,
                                     protocol::tone::kLms,
                                     protocol::tone::kTune,
                                     protocol::tone::kTl,
                                     protocol::tone::kAr,
                                     protocol::tone::kDr,
                                     protocol::tone::kSl,
                                     protocol::tone::kRr,
                                     protocol::tone::kKf,
                                     protocol::tone::kKfStart,
                                     protocol::sampler::kPan,
                                     protocol::sampler::kOctave,
                                     protocol::sampler::kTune,
                                     protocol::sampler::kTl,
                                     protocol::sampler::kAr,
                                     protocol::sampler::kDr,
                                     protocol::sampler::kSl,
                                     protocol::sampler::kRr,
                                     protocol::sampleData::kSourceRate,
                                     protocol::sampleData::kPitch,
                                     protocol::wavePoint::id(1),
                                     protocol::wavePoint::id(2),
                                     protocol::wavePoint::id(3),
                                     protocol::wavePoint::id(16),
                                     protocol::wavePoint::id(32),
                                     protocol::waveTable::kSelect,
                                     protocol::tone::kSelect,
                                     protocol::sampler::kSelect,
                                     protocol::part::kSelect};
        constexpr long kCount = static_cast<long>(sizeof kEdits / sizeof kEdits[0]);
        return kEdits[tick % kCount];
    }

    void valueChange(int id, float value)
    {
        IPtr<IMessage> message = owned(makeMessage(host_, ids::kMsgValueChange));
        message->getAttributes()->setInt(ids::kAttrTag, id);
        message->getAttributes()->setFloat(ids::kAttrValue, value);
        processor_.notify(message);
    }

    void fileAction(int id, const std::string& path)
    {
        IPtr<IMessage> message = owned(makeMessage(host_, ids::kMsgFileSelect));
        message->getAttributes()->setInt(ids::kAttrTag, id);
        message->getAttributes()->setBinary(ids::kAttrPath, path.c_str(), static_cast<uint32>(path.size() + 1));
        processor_.notify(message);
    }

    void save()
    {
        MemoryStream stream;
        if (processor_.getState(&stream) == kResultOk) {
            lastState_.assign(stream.getData(), stream.getData() + stream.getSize());
            ++saves;
        }
    }

    void load()
    {
        if (lastState_.empty())
            return;
        MemoryStream stream;
        stream.write(lastState_.data(), static_cast<int32>(lastState_.size()), nullptr);
        stream.seek(0, IBStream::kIBSeekSet, nullptr);
        if (processor_.setState(&stream) == kResultOk)
            ++loads;
    }

    HostApplication& host_;
    TolvaneVSTProcessor& processor_;
    std::string toneText_, wave_;
    std::vector<char> lastState_;
};

void fillBlock(Block& block, long number)
{
    block.clearInput();
    if (number % 64 == 0)
        block.addNoteOn(0, 60, 0.9f); // struck again after resets and loads stop it
    const auto channel = static_cast<int16>(1 + number % 15);
    if (number % 8 == 0)
        block.addNoteOn(channel, static_cast<int16>(40 + number % 40), 0.7f, 3);
    if (number % 8 == 4)
        block.addNoteOff(channel, static_cast<int16>(40 + (number - 4) % 40), 5);
    block.addParameter(ids::midiParamId(0, 1), (number % 128) / 127.0);
}

TEST(Stress, NoBlockMissesTheEngineWhileEditingSavingAndLoading)
{
    const long blockCount = setting("TOLVANE_STRESS_BLOCKS", 40000);
    const auto frames = static_cast<int32>(setting("TOLVANE_STRESS_FRAMES", 128));
    const long speed = setting("TOLVANE_STRESS_SPEED", 4);
    const long sampleMegabytes = setting("TOLVANE_STRESS_SAMPLE_MB", 8);
    constexpr double kRate = 44100.0;

    kest::tolvane::plugin::testing::TempFolder folder;
    HostApplication host;
    auto* processor = new TolvaneVSTProcessor;
    ASSERT_EQ(processor->initialize(&host), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, frames, kRate};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(processor->setActive(true), kResultOk);
    CountingConnection peer;
    processor->connect(&peer);
    {
        auto& context = *processor->engineContext();
        // About sampleMegabytes of 16-bit mono files, 4 MB each, in slots 0 and up.
        constexpr int kFileSamples = 2 * 1024 * 1024;
        std::vector<std::int16_t> samples(kFileSamples);
        for (int i = 0; i < kFileSamples; ++i)
            samples[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(12000.0 * std::sin(i * 0.01) + (static_cast<long>(i) * 7919) % 2000 - 1000);
        const int files = static_cast<int>(std::max(1L, sampleMegabytes / 4));
        for (int f = 0; f < files; ++f) {
            const std::string path = folder.file("sample" + std::to_string(f) + ".wav");
            kest::tolvane::plugin::testing::writeWav16(path, samples);
            ASSERT_TRUE(context.importWave(f, path.c_str(), kest::tolvane::plugin::SampleSourceKind::Pcm));
        }
        context.runFileAction(protocol::file::kExportToneText, folder.file("tones.txt").c_str());
        if (const char* store = std::getenv("TOLVANE_STRESS_STORE"); store && std::string(store) == "0")
            context.storeSamplesInState = false;
        kest::tolvane::plugin::testing::writeWav16(folder.file("small.wav"),
                                                   kest::tolvane::plugin::testing::rampSamples(20000));
    }
    EditingUser user(host, *processor, folder.file("tones.txt"), folder.file("small.wav"));

    const auto blockTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(frames / kRate / static_cast<double>(speed)));
    std::atomic<bool> done{false};
    Clock::duration longestProcess{};
    // Calls that took longer than the block lasts at real-time pace.
    const auto realBlockTime =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(frames / kRate));
    long lateBlocks = 0;
    long audibleBlocks = 0;
    std::thread audio([&] {
        Block block(frames);
        auto next = Clock::now();
        for (long number = 0; number < blockCount; ++number) {
            fillBlock(block, number);
            const auto start = Clock::now();
            processor->process(block.data);
            const auto took = Clock::now() - start;
            longestProcess = std::max(longestProcess, took);
            lateBlocks += took > realBlockTime ? 1 : 0;
            audibleBlocks += block.anyNonZero(0) ? 1 : 0;
            next += blockTime;
            std::this_thread::sleep_until(next);
        }
        done = true;
    });

    const auto started = Clock::now();
    long tick = 0;
    while (!done.load()) {
        user.step(tick++);
        std::this_thread::sleep_until(started + std::chrono::milliseconds(tick));
    }
    audio.join();

    // What the longest spin cost: a spin that finds the lock held throughout, timed.
    auto& context = *processor->engineContext();
    const int longestSpin = context.longestAudioSpin();
    Clock::duration fullSpin{};
    {
        std::atomic<bool> held{false}, release{false};
        std::thread holder([&] {
            std::lock_guard lock(context.engineMutex());
            held = true;
            while (!release)
                std::this_thread::yield();
        });
        while (!held)
            std::this_thread::yield();
        std::unique_lock<EngineContext::EngineMutex> attempt;
        const auto start = Clock::now();
        EXPECT_FALSE(context.tryLockForAudio(attempt));
        fullSpin = Clock::now() - start;
        release = true;
        holder.join();
    }
    const double longestWaitUs =
        std::chrono::duration<double, std::micro>(fullSpin).count() * longestSpin / EngineContext::kAudioLockSpins;

    const long missed = processor->missedBlocks();
    const double longestMs = std::chrono::duration<double, std::milli>(longestProcess).count();
    std::printf("stress: %ld blocks of %d frames at %ldx real time, %ld MB of samples\n"
                "stress: %ld actions, %ld saves, %ld loads, %ld messages back\n"
                "stress: missed blocks %ld, longest process %.3f ms (block %.3f ms), longer than a block %ld, audible "
                "blocks %ld\n"
                "stress: longest audio-thread wait for the lock %d spins, about %.1f us (a full spin %.1f us)\n",
                blockCount, frames, speed, sampleMegabytes, tick, user.saves, user.loads, peer.received.load(), missed,
                longestMs, 1000.0 * frames / kRate, lateBlocks, audibleBlocks, longestSpin, longestWaitUs,
                std::chrono::duration<double, std::micro>(fullSpin).count());
    RecordProperty("missedBlocks", static_cast<int>(missed));

    EXPECT_EQ(missed, 0) << "blocks rendered silence or held back their events because of an edit";
    EXPECT_GT(user.saves, 0);
    EXPECT_GT(user.loads, 0);
    EXPECT_GT(audibleBlocks, 0) << "the engine rendered nothing at all";

    processor->disconnect(&peer);
    processor->setActive(false);
    processor->terminate();
    processor->release();
}

} // namespace
