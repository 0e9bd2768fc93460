// SPDX-License-Identifier: GPL-3.0-or-later
// The event queue, its merge into the block list and the module host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "MidiController.h"
#include "ModuleHost.h"

using namespace kest::tolvane;
using kest::tolvane::util::MidiController;

namespace {

// Records what the host does to it; in process it keeps the event list.
class RecordingModule : public ITolvaneModule {
public:
    std::vector<std::string> calls;
    std::vector<const MidiEvent*> seen;
    float rate = 0.0f;

    void setSampleRate(float r) override
    {
        rate = r;
        calls.push_back("rate");
    }
    void setBlockSize(int) override { calls.push_back("block"); }
    void reset() override {}
    void systemReset() override {}
    void attach(ModuleHost&) override { calls.push_back("attach"); }
    void detach() override { calls.push_back("detach"); }
    void suspend(bool) override {}
    void pauseHook() override {}
    void resumeHook() override {}
    void deactivate() override {}
    void activate() override {}
    void process(ProcessBlock& block) override
    {
        calls.push_back("process");
        seen.clear();
        for (const MidiEvent* e = block.eventList->next; e; e = e->next)
            seen.push_back(e);
    }
};

std::vector<int> listedData1(const RecordingModule& m)
{
    std::vector<int> out;
    for (const MidiEvent* e : m.seen)
        out.push_back(e->data1);
    return out;
}

} // namespace

TEST(MidiEvent, ResetRestoresDefaults)
{
    MidiEvent e;
    e.type = 176;
    e.channel = 3;
    e.data1 = 4;
    e.data2 = 5;
    e.sysExLength = 9;
    e.portMask = 1;
    e.time = 77;
    e.next = &e;
    e.reset();
    EXPECT_EQ(e.type, 128);
    EXPECT_EQ(e.channel, 0);
    EXPECT_EQ(e.data1, 0);
    EXPECT_EQ(e.sysExLength, 0);
    EXPECT_EQ(e.portMask, 0xFFFF);
    EXPECT_EQ(e.next, nullptr);
    EXPECT_EQ(e.time, 0);
}

TEST(EventQueue, MergesByTimeAndReversesEqualTimes)
{
    MidiController queue;
    RecordingModule sink;
    ModuleHost host;
    host.setModule(0, &queue);
    host.setModule(1, &sink);
    queue.queueChannelEvent(kNoteOn, 0, 1, 100, 50);
    queue.queueChannelEvent(kNoteOn, 0, 2, 100, 10);
    queue.queueChannelEvent(kNoteOn, 0, 3, 100, 50);
    queue.queueChannelEvent(kNoteOn, 0, 4, 100, 0);
    queue.queueChannelEvent(kNoteOn, 0, 5, 100, 10);
    host.process(nullptr, 64);
    EXPECT_EQ(listedData1(sink), (std::vector<int>{4, 5, 2, 3, 1}));
    EXPECT_EQ(queue.pendingCount(), 0);

    host.process(nullptr, 64); // the list is emptied at every block
    EXPECT_TRUE(sink.seen.empty());
}

// A full queue in runs of rising times broken by drops, as a block's
// parameter points and then its notes arrive: the list is the stable time
// order with equal times reversed, the same as for any order.
TEST(EventQueue, AFullQueueInMixedOrderMergesLikeAFewEvents)
{
    MidiController queue;
    RecordingModule sink;
    ModuleHost host;
    host.setModule(0, &queue);
    host.setModule(1, &sink);
    std::vector<std::pair<int, int>> expected; // (time, queue index), in listed order
    for (int i = 0; i < queue.capacity(); ++i) {
        const int time = (i * 7) % 300 + (i % 5 == 0 ? 3 : 0);
        queue.queueChannelEvent(kControlChange, 0, i % 128, i / 128, time);
        expected.emplace_back(time, -i);
    }
    std::sort(expected.begin(), expected.end());
    host.process(nullptr, 512);
    ASSERT_EQ(sink.seen.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        const int index = -expected[n].second;
        ASSERT_EQ(sink.seen[n]->time, expected[n].first) << "at " << n;
        ASSERT_EQ(sink.seen[n]->data1 + 128 * sink.seen[n]->data2, index) << "at " << n;
    }
}

TEST(EventQueue, DropsBeyondCapacityAndCopiesThePortMask)
{
    MidiController queue;
    for (int i = 0; i < MidiController::kCapacity; ++i)
        ASSERT_TRUE(queue.queueChannelEvent(kControlChange, 1, 7, i & 127, i));
    EXPECT_FALSE(queue.queueChannelEvent(kControlChange, 1, 7, 0, 0));
    EXPECT_FALSE(queue.queueSysEx(nullptr, 0, 0));
    EXPECT_EQ(queue.pendingCount(), 512);
    queue.deactivate();
    EXPECT_EQ(queue.pendingCount(), 0);
    EXPECT_TRUE(queue.queueChannelEvent(kNoteOn, 0, 60, 1, 0));
}

TEST(EventQueue, SysExIsTruncatedTo256Bytes)
{
    MidiController queue;
    RecordingModule sink;
    ModuleHost host;
    host.setModule(0, &queue);
    host.setModule(1, &sink);
    std::vector<std::uint8_t> bytes(300, 0x11);
    bytes[255] = 0x22;
    ASSERT_TRUE(queue.queueSysEx(bytes.data(), 300, 3));
    host.process(nullptr, 16);
    ASSERT_EQ(sink.seen.size(), 1u);
    EXPECT_EQ(sink.seen[0]->type, kSystemExclusive);
    EXPECT_EQ(sink.seen[0]->sysExLength, 256);
    EXPECT_EQ(sink.seen[0]->sysExData[255], 0x22);
    EXPECT_EQ(sink.seen[0]->time, 3);
}

TEST(EventQueue, HooksDropPendingEvents)
{
    MidiController queue;
    ModuleHost host;
    queue.queueChannelEvent(kNoteOn, 0, 60, 1, 0);
    host.setModule(0, &queue); // attach drops
    EXPECT_EQ(queue.pendingCount(), 0);
    queue.queueChannelEvent(kNoteOn, 0, 60, 1, 0);
    queue.suspend(true);
    EXPECT_EQ(queue.pendingCount(), 0);
}

TEST(ModuleHost, SlotsAttachDetachAndRefuse)
{
    ModuleHost host;
    RecordingModule a;
    EXPECT_FALSE(host.setModule(4, &a));
    EXPECT_FALSE(host.setModule(-1, &a));
    EXPECT_TRUE(a.calls.empty());
    ASSERT_TRUE(host.setModule(0, &a));
    ASSERT_TRUE(host.setModule(2, &a)); // moves: detached from slot 0 first
    EXPECT_EQ(a.calls, (std::vector<std::string>{"attach", "detach", "attach"}));
    EXPECT_EQ(host.module(0), nullptr);
    EXPECT_EQ(host.module(2), &a);
}

TEST(ModuleHost, RateBlockSizeAndDisabledSlots)
{
    ModuleHost host;
    RecordingModule a;
    host.setModule(1, &a);
    a.calls.clear();
    EXPECT_EQ(host.setSampleRate(0.5f), 44100.0f);
    EXPECT_EQ(host.setSampleRate(NAN), 44100.0f);
    EXPECT_TRUE(a.calls.empty());
    EXPECT_EQ(host.setSampleRate(48000.0f), 48000.0f);
    EXPECT_EQ(a.rate, 48000.0f);
    host.setBlockSize(0);
    EXPECT_EQ(host.blockSize, 2048);
    host.setBlockSize(512);
    EXPECT_EQ(host.blockSize, 512);

    a.calls.clear();
    host.setDisabled(1, true);
    host.process(nullptr, 32);
    EXPECT_TRUE(a.calls.empty());
    host.setDisabled(1, false);
    host.process(nullptr, 32);
    EXPECT_EQ(a.calls, (std::vector<std::string>{"process"}));
    EXPECT_EQ(host.count, 32);
    EXPECT_EQ(host.start, 0);
}
