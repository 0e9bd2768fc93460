// SPDX-License-Identifier: GPL-3.0-or-later
// process() runs without pause on an audio thread while the message thread
// applies value changes of every page (polyphony, table size, sample points
// and resets included), then saves and loads states with sample audio.
// Built with -fsanitize=thread, any data race between the two fails the run;
// without the sanitizer it still checks that neither thread stalls or crashes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "public.sdk/source/common/memorystream.h"

#include "../CoreTestSupport.h"
#include "PlayingProcessor.h"
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

using namespace tolvane_vst_test;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;
namespace protocol = kest::tolvane::plugin::ids;

namespace {

void fillBlock(Block& block, int number)
{
    block.clearInput();
    const int16 channel = static_cast<int16>(number % 16);
    block.addParameter(ids::midiParamId(channel, 1), (number % 128) / 127.0);
    block.addParameter(ids::midiParamId(channel, 0x81), (number % 64) / 63.0);
    if (number % 50 == 49)
        block.addParameter(ids::kBypassId, (number / 50) % 2 == 0 ? 1.0 : 0.0);
    block.addNoteOn(channel, static_cast<int16>(36 + number % 60), 0.9f, 0);
    block.addNoteOff(static_cast<int16>((channel + 15) % 16), static_cast<int16>(36 + (number + 59) % 60), 32);
}

TEST(Concurrency, ProcessRunsWhileEveryPageIsEdited)
{
    HostApplication host;
    RecordingConnection peer;
    PlayingProcessor playing(host);
    ASSERT_TRUE(playing.ready);
    TolvaneVSTProcessor* processor = playing.processor;
    processor->connect(&peer);
    playing.startAudio([processor](Block& block, long number) {
        fillBlock(block, static_cast<int>(number));
        processor->process(block.data);
    });

    // Every page, every item, a few values each; unknown items are simply ignored.
    const int pages[] = {0x00, 0x01, 0x10, 0x11, 0x12, 0x20, 0x30, 0x50, 0x51};
    const float values[] = {0.0f, 0.37f, 1.0f};
    long sent = 0;
    for (float value : values) {
        for (int page : pages) {
            for (int item = 0; item < 256; ++item) {
                IPtr<IMessage> change = owned(makeMessage(host, ids::kMsgValueChange));
                change->getAttributes()->setInt(ids::kAttrTag, page << 8 | item);
                change->getAttributes()->setFloat(ids::kAttrValue, value);
                processor->notify(change);
                ++sent;
            }
        }
    }
    // Saves and loads with sample audio while the audio thread plays.
    kest::tolvane::plugin::testing::TempFolder folder;
    const std::string wav = folder.file("saved.wav");
    kest::tolvane::plugin::testing::writeWav16(wav, kest::tolvane::plugin::testing::rampSamples(4000));
    processor->engineContext()->runFileAction((protocol::file::kImportWavPcm | 3), wav.c_str());
    for (int round = 0; round < 20; ++round) {
        MemoryStream stream;
        ASSERT_EQ(processor->getState(&stream), kResultOk);
        if (round == 10)
            std::filesystem::remove(wav); // the later loads restore the stored copy
        stream.seek(0, IBStream::kIBSeekSet, nullptr);
        ASSERT_EQ(processor->setState(&stream), kResultOk);
    }
    EXPECT_EQ(processor->engineContext()->synth->sampleData(3).frames, 4000);

    // Let the audio thread run a while after the last edit as well.
    const long before = playing.blocks.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (playing.blocks.load() < before + 50 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    playing.stopAudio();

    EXPECT_EQ(sent, 3 * 9 * 256);
    EXPECT_GE(playing.blocks.load(), before + 50) << "the audio thread stalled";
    EXPECT_FALSE(peer.messages.empty());
    processor->disconnect(&peer);
}

// While blocks come, edits are applied by the audio thread; their echoes still
// reach the controller, one per edit, in the order they were made.
TEST(Concurrency, EchoesOfEditsTheAudioThreadAppliedReachTheControllerInOrder)
{
    HostApplication host;
    RecordingConnection peer;
    PlayingProcessor playing(host);
    ASSERT_TRUE(playing.ready);
    TolvaneVSTProcessor* processor = playing.processor;
    processor->connect(&peer);
    playing.startAudio([processor](Block& block, long) {
        processor->process(block.data);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    });
    playing.waitForBlocks(2);

    constexpr int kEdits = 300;
    for (int i = 0; i < kEdits; ++i) {
        IPtr<IMessage> change = owned(makeMessage(host, ids::kMsgValueChange));
        change->getAttributes()->setInt(ids::kAttrTag,
                                        protocol::part::kBendRange); // bend range: the echo is the stored step
        change->getAttributes()->setFloat(ids::kAttrValue, static_cast<double>(i % 128) / 127.0);
        processor->notify(change);
    }
    processor->engineContext()->settleValueChanges();
    playing.stopAudio();

    const auto updates = peer.withId(ids::kMsgValueUpdate);
    ASSERT_EQ(updates.size(), static_cast<std::size_t>(kEdits));
    for (int i = 0; i < kEdits; ++i) {
        EXPECT_EQ(updates[static_cast<std::size_t>(i)].tag, protocol::part::kBendRange);
        EXPECT_NEAR(updates[static_cast<std::size_t>(i)].value, (i % 128) / 127.0, 1e-6);
    }
    EXPECT_EQ(processor->engineContext()->synth->part(0).bendRange, (kEdits - 1) % 128);
    EXPECT_EQ(processor->missedBlocks(), 0);
    processor->disconnect(&peer);
}

} // namespace
