// SPDX-License-Identifier: GPL-3.0-or-later
// The audio thread allocates nothing: every heap call made while process()
// runs is counted, over blocks with notes, controllers, pitch bend, program
// changes, SysEx and bypass switching.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "public.sdk/source/common/memorystream.h"

#include "../CoreTestSupport.h"

#include "HeapCallCounter.h"
#include "PlayingProcessor.h"
#include "SynthesizerWT.h"
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

using namespace tolvane_vst_test;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;
namespace protocol = kest::tolvane::plugin::ids;

namespace {

// Fills one block's input from its number: a changing mix of everything the host sends.
void fillBlock(Block& block, int number, const std::vector<uint8>& sysEx)
{
    block.clearInput();
    const int16 channel = static_cast<int16>(number % 16);
    block.addParameter(ids::midiParamId(channel, 7), (number % 128) / 127.0, 3);
    block.addParameter(ids::midiParamId(channel, 0x81), (number % 100) / 99.0, 5);
    if (number % 7 == 0)
        block.addParameter(ids::midiParamId(channel, 0x82), (number % 5) / 127.0);
    if (number % 10 == 9)
        block.addParameter(ids::kBypassId, (number / 10) % 2 == 0 ? 1.0 : 0.0);
    for (int k = 0; k < 4; ++k)
        block.addNoteOn(static_cast<int16>((channel + k) % 16), static_cast<int16>(40 + (number * 3 + k) % 40), 0.8f,
                        10 * k);
    if (number > 0)
        block.addNoteOff(static_cast<int16>((channel + 15) % 16), static_cast<int16>(40 + (number * 3 - 3) % 40), 100);
    if (number % 5 == 0)
        block.addSysEx(sysEx, 50);
}

TEST(RealTime, ProcessNeverTouchesTheHeap)
{
    HostApplication host;
    auto* processor = new TolvaneVSTProcessor;
    ASSERT_EQ(processor->initialize(&host), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, 256, 44100.0};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(processor->setActive(true), kResultOk);
    processor->setProcessing(true); // the SDK's default: not implemented

    // An engine SysEx (manufacturer 7D) and a foreign one.
    const std::vector<uint8> sysEx{0xF0, 0x7D, 0x10, 0x20, 0x00, 0x00, 0x00, 0x00, 0x01, 0xF7};
    Block block(256);
    for (int warmUp = 0; warmUp < 20; ++warmUp) {
        fillBlock(block, warmUp, sysEx);
        processor->process(block.data);
    }

    // The counter itself must see the heap, or a zero below would prove nothing.
    void* (*volatile allocate)(std::size_t) = std::malloc;
    void (*volatile release)(void*) = std::free;
    tolvane_test::heapCalls = 0;
    tolvane_test::countingHeapCalls = true;
    release(allocate(64));
    tolvane_test::countingHeapCalls = false;
    ASSERT_EQ(tolvane_test::heapCalls.load(), 2);

    long total = 0;
    int rendered = 0;
    for (int number = 20; number < 420; ++number) {
        fillBlock(block, number, sysEx);
        tolvane_test::heapCalls = 0;
        tolvane_test::countingHeapCalls = true;
        processor->process(block.data);
        tolvane_test::countingHeapCalls = false;
        total += tolvane_test::heapCalls.load();
        rendered += processor->isBypassed() ? 0 : 1;
    }
    EXPECT_EQ(total, 0) << "heap calls during process";
    EXPECT_GT(rendered, 100); // both bypassed and rendering blocks were measured
    EXPECT_LT(rendered, 400);

    processor->setProcessing(false);
    processor->setActive(false);
    processor->terminate();
    processor->release();
}

// Value changes, state saves and loads and imports made during playback run
// their engine step on the audio thread: none of it may allocate there.
// A polyphony change builds its voices before it takes the engine lock and
// frees the old ones after it: what happens under the lock touches no heap.
TEST(RealTime, SwappingInNewVoicesTouchesNoHeap)
{
    using kest::tolvane::synth::SynthesizerWT;
    SynthesizerWT engine(440, 0.8);
    SynthesizerWT::VoiceStorage voices = SynthesizerWT::makeVoices(1024);
    tolvane_test::heapCalls = 0;
    tolvane_test::countingHeapCalls = true;
    voices = engine.adoptVoices(std::move(voices), 1024);
    tolvane_test::countingHeapCalls = false;
    EXPECT_EQ(tolvane_test::heapCalls.load(), 0);
    EXPECT_EQ(engine.voiceCount(), 1024);
}

TEST(RealTime, EditsSavesLoadsAndImportsApplyOnTheAudioThreadWithoutTheHeap)
{
    HostApplication host;
    PlayingProcessor playing(host);
    ASSERT_TRUE(playing.ready);
    TolvaneVSTProcessor* processor = playing.processor;
    kest::tolvane::plugin::testing::TempFolder folder;
    const std::string wav = folder.file("ramp.wav");
    kest::tolvane::plugin::testing::writeWav16(wav, kest::tolvane::plugin::testing::rampSamples(30000));
    auto& context = *processor->engineContext();
    context.runFileAction(protocol::file::kExportToneText, folder.file("tones.txt").c_str());

    playing.startAudio([processor](Block& block, long number) {
        block.clearInput();
        block.addNoteOn(static_cast<int16>(number % 16), 60, 0.8f);
        tolvane_test::countHeapCallsOnThisThread(true);
        processor->process(block.data);
        tolvane_test::countHeapCallsOnThisThread(false);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
    playing.waitForBlocks(2);
    // The per-thread counter must see this thread's heap calls and only while on.
    void* (*volatile allocate)(std::size_t) = std::malloc;
    void (*volatile release)(void*) = std::free;
    tolvane_test::heapCalls = 0;
    tolvane_test::countHeapCallsOnThisThread(true);
    release(allocate(64));
    tolvane_test::countHeapCallsOnThisThread(false);
    release(allocate(64));
    ASSERT_EQ(tolvane_test::heapCalls.load(), 2);
    tolvane_test::heapCalls = 0;

    const int edits[] = {0x0001, 0x0002, 0x0081, 0x0101, 0x0102, 0x0103, 0x0104, 0x0181, 0x1001,
                         0x1003, 0x1009, 0x1081, 0x2001, 0x2003, 0x2081, 0x3001, 0x3004, 0x3007,
                         0x300A, 0x5001, 0x5011, 0x5020, 0x5024, 0x5029, 0x5090, 0x50A0, 0x5105};
    for (int round = 0; round < 4; ++round) {
        for (int id : edits)
            context.applyValueChange(id, static_cast<float>(round) / 3.0f);
        context.runFileAction(protocol::file::kImportWavPcm | round, wav.c_str());
        context.runFileAction(protocol::file::kImportToneText, folder.file("tones.txt").c_str());
        MemoryStream stream;
        ASSERT_EQ(processor->getState(&stream), kResultOk);
        stream.seek(0, IBStream::kIBSeekSet, nullptr);
        ASSERT_EQ(processor->setState(&stream), kResultOk);
    }
    context.settleValueChanges();
    playing.stopAudio();

    EXPECT_EQ(tolvane_test::heapCalls.load(), 0) << "heap calls on the audio thread";
    EXPECT_EQ(processor->missedBlocks(), 0);
    EXPECT_EQ(context.synth->sampleData(3).frames, 30000) << "the imports reached the engine";
}

} // namespace
