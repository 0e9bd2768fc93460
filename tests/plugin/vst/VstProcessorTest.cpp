// SPDX-License-Identifier: GPL-3.0-or-later
// The processor: bus layout, how host parameters and events become engine
// MIDI, bypass, the block guards, saved state, and its messages.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "../CoreTestSupport.h"
#include "EngineContext.h"
#include "MidiEvent.h"
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"
#include "public.sdk/source/common/memorystream.h"

using namespace tolvane_vst_test;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;
namespace protocol = kest::tolvane::plugin::ids;
namespace tv = kest::tolvane;

namespace {

class ProcessorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        processor = new TolvaneVSTProcessor;
        ASSERT_EQ(processor->initialize(&host), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(processor->setActive(true), kResultOk);
        processor->connect(&peer);
    }
    void TearDown() override
    {
        processor->disconnect(&peer);
        processor->setActive(false);
        processor->terminate();
        processor->release();
    }

    // A block of zero samples reads its input but renders nothing, so the
    // events wait where the test can look at them.
    void readOnly(Block& block)
    {
        block.data.numSamples = 0;
        EXPECT_EQ(processor->process(block.data), kResultOk);
    }
    // A full-length block while another thread holds the engine, as the message
    // thread does while it edits: it renders nothing and keeps its events, at
    // their offsets.
    void readWhileEngineBusy(Block& block)
    {
        std::promise<void> locked;
        std::promise<void> finished;
        std::thread editor([&] {
            std::lock_guard guard(processor->engineContext()->engineMutex());
            locked.set_value();
            finished.get_future().wait();
        });
        locked.get_future().wait();
        EXPECT_EQ(processor->process(block.data), kResultOk);
        finished.set_value();
        editor.join();
    }
    int pendingCount() const { return processor->pendingEvents().count(); }
    const tv::MidiMessage& pending(int index) const { return processor->pendingEvents().message(index); }
    int pendingTime(int index) const { return processor->pendingEvents().time(index); }

    HostApplication host;
    RecordingConnection peer;
    TolvaneVSTProcessor* processor = nullptr;
};

TEST(ProcessorSetup, BusesAndControllerClass)
{
    auto* processor = new TolvaneVSTProcessor;
    EXPECT_EQ(processor->engineContext(), nullptr);
    EXPECT_FALSE(processor->isBypassed());
    TUID cid;
    ASSERT_EQ(processor->getControllerClassId(cid), kResultOk);
    EXPECT_EQ(FUID::fromTUID(cid), ids::kControllerUID);

    HostApplication host;
    ASSERT_EQ(processor->initialize(&host), kResultOk);
    ASSERT_NE(processor->engineContext(), nullptr);
    EXPECT_EQ(processor->getBusCount(kAudio, kOutput), 16);
    EXPECT_EQ(processor->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(processor->getBusCount(kEvent, kInput), 1);
    for (int32 bus = 0; bus < 16; ++bus) {
        BusInfo info{};
        ASSERT_EQ(processor->getBusInfo(kAudio, kOutput, bus, info), kResultOk);
        EXPECT_EQ(info.channelCount, 2);
        EXPECT_EQ(info.busType, kMain);
        EXPECT_EQ(info.flags & BusInfo::kDefaultActive, static_cast<uint32>(BusInfo::kDefaultActive));
        const std::string expected = "out " + std::to_string(bus + 1);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.name)),
                  std::u16string(expected.begin(), expected.end()));
    }
    BusInfo events{};
    ASSERT_EQ(processor->getBusInfo(kEvent, kInput, 0, events), kResultOk);
    EXPECT_EQ(events.channelCount, 16);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(events.name)), u"EventInput");

    // Only 16 outputs with a stereo first bus are accepted.
    std::vector<SpeakerArrangement> stereo(16, SpeakerArr::kStereo);
    EXPECT_EQ(processor->setBusArrangements(nullptr, 0, stereo.data(), 16), kResultOk);
    EXPECT_NE(processor->setBusArrangements(nullptr, 0, stereo.data(), 15), kResultOk);
    stereo[0] = SpeakerArr::kMono;
    EXPECT_NE(processor->setBusArrangements(nullptr, 0, stereo.data(), 16), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 0u);
    EXPECT_EQ(processor->getTailSamples(), 0u);

    // The engine outlives terminate.
    auto* context = processor->engineContext();
    processor->terminate();
    EXPECT_EQ(processor->engineContext(), context);
    processor->release();
}

TEST_F(ProcessorTest, ParametersBecomeMidi)
{
    Block block(64);
    block.addParameter(ids::midiParamId(2, 7), 0.5, 10);    // volume on channel 2
    block.addParameter(ids::midiParamId(3, 0x81), 0.5, 11); // bend centre
    block.addParameter(ids::midiParamId(4, 0x82), 1.0, 12); // program 127
    block.addParameter(ids::midiParamId(5, 0x80), 0.5);     // names no message
    block.addParameter(0x20000, 0.5);                       // not ours
    readOnly(block);

    ASSERT_EQ(pendingCount(), 3);
    EXPECT_EQ(pending(0).type, tv::kControlChange);
    EXPECT_EQ(pending(0).channel, 2);
    EXPECT_EQ(pending(0).data1, 7);
    EXPECT_EQ(pending(0).data2, 64);
    EXPECT_EQ(pending(1).type, tv::kPitchBend);
    EXPECT_EQ(pending(1).channel, 3);
    EXPECT_EQ(pending(1).data1, 0);
    EXPECT_EQ(pending(1).data2, 64);
    EXPECT_EQ(pending(2).type, tv::kProgramChange);
    EXPECT_EQ(pending(2).channel, 4);
    EXPECT_EQ(pending(2).data1, 127);
}

TEST_F(ProcessorTest, EveryPointOfAQueueCountsAndValuesAreClamped)
{
    Block block(64);
    int32 index = 0;
    IParamValueQueue* queue = block.params.addParameterData(ids::midiParamId(0, 1), index);
    int32 point = 0;
    queue->addPoint(0, 0.0, point);
    queue->addPoint(30, 1.0, point);
    block.addParameter(ids::midiParamId(1, 1), 1.7);     // clamped to 127, not wrapped
    block.addParameter(ids::midiParamId(2, 0x81), -3.0); // clamped to 0
    readWhileEngineBusy(block);

    // In offset order: both points of the first queue, each at its own offset.
    ASSERT_EQ(pendingCount(), 4);
    EXPECT_EQ(pending(0).data2, 0);
    EXPECT_EQ(pendingTime(0), 0);
    EXPECT_EQ(pending(1).data2, 127);
    EXPECT_EQ(pending(2).data1, 0);
    EXPECT_EQ(pending(2).data2, 0);
    EXPECT_EQ(pending(3).channel, 0);
    EXPECT_EQ(pending(3).data2, 127);
    EXPECT_EQ(pendingTime(3), 30);
}

// Hosts deliver one queue per controller, so a GM set-up sent on one tick
// (101 0, 100 0, 6 12, 38 0, 101 127, 100 127) arrives without its order.
// Rounds and ranks rebuild it: numbers, then data entry, then the rest, and
// the second point of a queue on that offset only after every first point.
TEST_F(ProcessorTest, PointsOnOneOffsetComeInRoundsNumbersBeforeDataEntry)
{
    MidiParameterChanges changes;
    changes.add(ids::midiParamId(0, 7), 5, 0.0); // an earlier offset goes first
    changes.add(ids::midiParamId(0, 7), 10, 100.0 / 127);
    changes.add(ids::midiParamId(0, 6), 10, 12.0 / 127);
    changes.add(ids::midiParamId(0, 38), 10, 0.0);
    changes.add(ids::midiParamId(0, 101), 10, 0.0);
    changes.add(ids::midiParamId(0, 101), 10, 1.0);
    changes.add(ids::midiParamId(0, 100), 10, 0.0);
    changes.add(ids::midiParamId(0, 100), 10, 1.0);
    changes.add(ids::midiParamId(0, ids::kProgramItem), 10, 5.0 / 127);
    changes.add(ids::midiParamId(0, 0), 10, 1.0 / 127); // bank select
    changes.add(ids::kBypassId, 0, 1.0);                // bypass: only its last point counts
    changes.add(ids::kBypassId, 3, 0.0);
    Block block(64);
    block.data.inputParameterChanges = &changes;
    readWhileEngineBusy(block);
    EXPECT_FALSE(processor->isBypassed());

    struct Expected {
        int type, data1, data2, time;
    };
    const Expected order[] = {
        {tv::kControlChange, 7, 0, 5},      {tv::kControlChange, 101, 0, 10}, {tv::kControlChange, 100, 0, 10},
        {tv::kControlChange, 0, 1, 10},     {tv::kControlChange, 6, 12, 10},  {tv::kControlChange, 38, 0, 10},
        {tv::kControlChange, 7, 100, 10},   {tv::kProgramChange, 5, 0, 10},   {tv::kControlChange, 101, 127, 10},
        {tv::kControlChange, 100, 127, 10},
    };
    ASSERT_EQ(pendingCount(), static_cast<int>(std::size(order)));
    for (int i = 0; i < pendingCount(); ++i) {
        const Expected& e = order[i];
        EXPECT_EQ(pending(i).type, e.type) << "event " << i;
        EXPECT_EQ(pending(i).data1, e.data1) << "event " << i;
        EXPECT_EQ(pending(i).data2, e.data2) << "event " << i;
        EXPECT_EQ(pendingTime(i), e.time) << "event " << i;
    }
}

TEST_F(ProcessorTest, NotesAndSysEx)
{
    Block block(64);
    block.addNoteOn(1, 60, 0.0f, 5); // velocity 0 stays a note-on for the engine
    block.addNoteOn(15, 61, 1.0f, 6);
    block.addNoteOff(1, 60, 7);
    std::vector<uint8> longSysEx(300);
    for (std::size_t i = 0; i < longSysEx.size(); ++i)
        longSysEx[i] = static_cast<uint8>(i);
    block.addSysEx(longSysEx, 8);
    std::vector<uint8> onlyStatus{0xF0};
    block.addSysEx(onlyStatus, 9);
    readOnly(block);

    ASSERT_EQ(pendingCount(), 5);
    EXPECT_EQ(pending(0).type, tv::kNoteOn);
    EXPECT_EQ(pending(0).data2, 0);
    EXPECT_EQ(pending(1).channel, 15);
    EXPECT_EQ(pending(1).data2, 127);
    EXPECT_EQ(pending(2).type, tv::kNoteOff);
    EXPECT_EQ(pending(2).data1, 60);
    EXPECT_EQ(pending(3).type, tv::kSystemExclusive);
    ASSERT_EQ(pending(3).sysExLength, 256);
    EXPECT_EQ(pending(3).sysExData[0], 1); // the second byte of the event
    EXPECT_EQ(pending(3).sysExData[255], 256 % 256);
    EXPECT_EQ(pending(4).sysExLength, 0);
}

TEST_F(ProcessorTest, OffsetsStayInsideTheBlock)
{
    Block block(64);
    block.addNoteOn(0, 60, 1.0f, 40);
    block.addNoteOn(0, 61, 1.0f, 5000); // a faulty host's offset
    block.addNoteOn(0, 62, 1.0f, -3);
    // The block renders nothing, waits for nobody and keeps its events.
    readWhileEngineBusy(block);
    ASSERT_EQ(pendingCount(), 3);
    EXPECT_EQ(pendingTime(0), 40);
    EXPECT_EQ(pendingTime(1), 63);
    EXPECT_EQ(pendingTime(2), 0);
    EXPECT_TRUE(block.allEqual(0.0f));

    Block next(64);
    EXPECT_EQ(processor->process(next.data), kResultOk);
    EXPECT_EQ(pendingCount(), 0);
}

TEST_F(ProcessorTest, TheQueueHolds512EventsPerBlock)
{
    Block block(64);
    for (int i = 0; i < 513; ++i)
        block.addNoteOn(0, static_cast<int16>(i % 128), 1.0f);
    ASSERT_EQ(block.events.getEventCount(), 513);
    readOnly(block);
    EXPECT_EQ(pendingCount(), 512);
}

TEST_F(ProcessorTest, BypassNeedsExactlyOne)
{
    Block almost(64);
    almost.addParameter(ids::kBypassId, 0.999);
    readOnly(almost);
    EXPECT_FALSE(processor->isBypassed());

    // Switching on drops what came before it and ignores the queues after it.
    Block block(64);
    block.addParameter(ids::midiParamId(0, 1), 0.5);
    block.addParameter(ids::kBypassId, 1.0);
    block.addParameter(ids::midiParamId(0, 2), 0.5);
    block.addNoteOn(0, 60, 1.0f);
    block.data.numSamples = 64;
    EXPECT_EQ(processor->process(block.data), kResultOk);
    EXPECT_TRUE(processor->isBypassed());
    EXPECT_TRUE(block.allEqual(0.0f));
    ASSERT_EQ(pendingCount(), 1); // the note waits while bypassed
    EXPECT_EQ(pending(0).type, tv::kNoteOn);

    Block off(64);
    off.addParameter(ids::kBypassId, 0.0);
    off.addParameter(ids::midiParamId(0, 3), 0.5);
    readOnly(off);
    EXPECT_FALSE(processor->isBypassed());
    ASSERT_EQ(pendingCount(), 1); // switching off dropped the waiting note
    EXPECT_EQ(pending(0).data1, 3);
}

TEST_F(ProcessorTest, WrongOutputCountTouchesNothing)
{
    Block block(64, 15);
    block.addNoteOn(0, 60, 1.0f);
    block.addParameter(ids::kBypassId, 1.0);
    EXPECT_EQ(processor->process(block.data), kResultOk);
    EXPECT_TRUE(block.allEqual(7.0f));
    EXPECT_EQ(pendingCount(), 0);
    EXPECT_FALSE(processor->isBypassed());
}

TEST_F(ProcessorTest, ANoteSoundsOnItsPartsBus)
{
    Block block(512);
    block.addNoteOn(0, 69, 1.0f, 0);
    EXPECT_EQ(processor->process(block.data), kResultOk);
    EXPECT_EQ(pendingCount(), 0);
    Block more(512);
    EXPECT_EQ(processor->process(more.data), kResultOk);
    EXPECT_TRUE(block.anyNonZero(0) || more.anyNonZero(0));
    for (int bus = 1; bus < 16; ++bus)
        EXPECT_FALSE(more.anyNonZero(bus)) << "bus " << bus;
}

// Each bus is flagged silent exactly when the engine left it silent: a host
// may skip a flagged bus, and must hear every other one.
TEST_F(ProcessorTest, SilenceFlagsMarkEveryBusThatCarriedNoSound)
{
    processor->engineContext()->synth->setPartOutput(3, 5);
    auto flagsOf = [](Block& block) {
        std::vector<uint64> flags;
        for (int bus = 0; bus < 16; ++bus) {
            flags.push_back(block.data.outputs[bus].silenceFlags);
            if (flags.back() == 3) {
                EXPECT_FALSE(block.anyNonZero(bus)) << "bus " << bus << " is flagged silent but sounds";
            }
        }
        return flags;
    };
    std::vector<uint64> allSilent(16, 3);
    Block quiet(256);
    ASSERT_EQ(processor->process(quiet.data), kResultOk);
    EXPECT_EQ(flagsOf(quiet), allSilent);

    Block playing(256);
    playing.addNoteOn(3, 69, 1.0f, 100);
    ASSERT_EQ(processor->process(playing.data), kResultOk);
    std::vector<uint64> onlyBus5 = allSilent;
    onlyBus5[5] = 0;
    EXPECT_EQ(flagsOf(playing), onlyBus5);
    EXPECT_TRUE(playing.anyNonZero(5));

    Block bypassed(256);
    bypassed.addParameter(ids::kBypassId, 1.0);
    ASSERT_EQ(processor->process(bypassed.data), kResultOk);
    EXPECT_EQ(flagsOf(bypassed), allSilent);
}

// The host's buffers hold whatever was there before: every channel it gave is
// cleared at any block length, also when it leaves a bus's channels out.
TEST_F(ProcessorTest, EveryChannelTheHostGaveIsClearedAtAnyBlockLength)
{
    for (const int32 samples : {1, 7, 13, 64}) {
        Block block(samples);
        block.data.outputs[9].channelBuffers32 = nullptr;
        block.addNoteOn(0, 69, 1.0f, 0);
        ASSERT_EQ(processor->process(block.data), kResultOk);
        for (int bus = 1; bus < 16; ++bus) {
            if (bus != 9) {
                EXPECT_FALSE(block.anyNonZero(bus)) << samples << " frames, bus " << bus;
            }
        }
        EXPECT_NE(block.sample(0, 1, samples - 1), 7.0f) << samples << " frames";
        EXPECT_EQ(block.sample(9, 1, samples - 1), 7.0f) << "a bus the host left out is not written";
    }
}

TEST_F(ProcessorTest, EditorMessages)
{
    IPtr<IMessage> open = owned(makeMessage(host, ids::kMsgEditorOpened));
    EXPECT_EQ(processor->notify(open), kResultOk);
    auto answers = peer.withId(ids::kMsgOpenGui);
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0].hasContext);
    EXPECT_EQ(answers[0].context, reinterpret_cast<std::uintptr_t>(processor->engineContext()));

    // Master volume (protocol::system::kMasterVolume): applied and echoed once.
    IPtr<IMessage> change = owned(makeMessage(host, ids::kMsgValueChange));
    change->getAttributes()->setInt(ids::kAttrTag, protocol::system::kMasterVolume);
    change->getAttributes()->setFloat(ids::kAttrValue, 0.25);
    EXPECT_EQ(processor->notify(change), kResultOk);
    auto updates = peer.withId(ids::kMsgValueUpdate);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].tag, protocol::system::kMasterVolume);
    EXPECT_FLOAT_EQ(static_cast<float>(updates[0].value), 0.25f);

    // Id 0 is known to nobody: no echo. A message without attributes reads as zeros.
    IPtr<IMessage> empty = owned(makeMessage(host, ids::kMsgValueChange));
    EXPECT_EQ(processor->notify(empty), kResultOk);
    EXPECT_EQ(peer.withId(ids::kMsgValueUpdate).size(), 1u);

    // A path block without its terminating NUL is not read past its end.
    IPtr<IMessage> file = owned(makeMessage(host, ids::kMsgFileSelect));
    file->getAttributes()->setInt(ids::kAttrTag, 0);
    const char raw[3] = {'a', 'b', 'c'};
    file->getAttributes()->setBinary(ids::kAttrPath, raw, sizeof raw);
    EXPECT_EQ(processor->notify(file), kResultOk);

    EXPECT_EQ(processor->notify(nullptr), kInvalidArgument);
}

TEST_F(ProcessorTest, StateRoundTripCarriesBypassAndAnnouncesItself)
{
    Block on(0);
    on.addParameter(ids::kBypassId, 1.0);
    EXPECT_EQ(processor->process(on.data), kResultOk);
    ASSERT_TRUE(processor->isBypassed());

    MemoryStream stream;
    ASSERT_EQ(processor->getState(&stream), kResultOk);
    ASSERT_EQ(peer.withId(ids::kMsgGetState).size(), 1u);
    EXPECT_EQ(peer.withId(ids::kMsgGetState)[0].context, reinterpret_cast<std::uintptr_t>(processor->engineContext()));

    Block off(0);
    off.addParameter(ids::kBypassId, 0.0);
    EXPECT_EQ(processor->process(off.data), kResultOk);
    ASSERT_FALSE(processor->isBypassed());

    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(processor->setState(&stream), kResultOk);
    ASSERT_EQ(peer.withId(ids::kMsgSetState).size(), 1u);
    Block next(0);
    EXPECT_EQ(processor->process(next.data), kResultOk);
    EXPECT_TRUE(processor->isBypassed());

    // A truncated state fails but is still announced.
    MemoryStream truncated;
    truncated.write(const_cast<char*>("\x01"), 1, nullptr);
    truncated.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_NE(processor->setState(&truncated), kResultOk);
    EXPECT_EQ(peer.withId(ids::kMsgSetState).size(), 2u);
}

TEST_F(ProcessorTest, SavedSamplesSitBeforeTheBypassTrailerAndComeBackWithoutTheirFile)
{
    kest::tolvane::plugin::testing::TempFolder folder;
    const std::string wav = folder.file("kick.wav");
    kest::tolvane::plugin::testing::writeWav16(wav, kest::tolvane::plugin::testing::rampSamples(700));
    ASSERT_TRUE(processor->engineContext()->importWave(2, wav.c_str(), kest::tolvane::plugin::SampleSourceKind::Dpcm));
    Block on(0);
    on.addParameter(ids::kBypassId, 1.0);
    processor->process(on.data);

    MemoryStream stream;
    ASSERT_EQ(processor->getState(&stream), kResultOk);
    const std::string bytes(stream.getData(), static_cast<std::size_t>(stream.getSize()));
    EXPECT_EQ(bytes.substr(bytes.size() - 8, 4), "TVBY") << "the bypass trailer stays last, where older readers look";
    EXPECT_NE(bytes.find("TVSD"), std::string::npos);
    std::filesystem::remove(wav);

    auto* fresh = new TolvaneVSTProcessor;
    ASSERT_EQ(fresh->initialize(&host), kResultOk);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(fresh->setState(&stream), kResultOk);
    EXPECT_EQ(fresh->engineContext()->synth->sampleData(2).data, processor->engineContext()->synth->sampleData(2).data);
    EXPECT_EQ(fresh->engineContext()->sampleSourceStatus[2],
              kest::tolvane::plugin::SampleSourceStatus::MissingRestored);
    Block next(0);
    fresh->process(next.data);
    EXPECT_TRUE(fresh->isBypassed());
    fresh->terminate();
    fresh->release();
}

} // namespace
