// SPDX-License-Identifier: GPL-3.0-or-later
// Value changes reach the engine through a lock-free ring that the audio
// thread empties before each block: in order, each exactly once, with its
// echo, also when the ring is full or no audio thread is running; other
// engine work runs as a task between two blocks.
#include <atomic>
#include <thread>

#include "CoreTestSupport.h"
#include "SpscQueue.h"

namespace kest::tolvane::plugin::testing {
namespace {

TEST(SpscQueue, KeepsOrderRefusesWhenFullAndCarriesItemsAcrossThreads)
{
    SpscQueue<int, 8> queue;
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(queue.push(i));
    EXPECT_TRUE(queue.full());
    EXPECT_FALSE(queue.push(99)) << "a full ring refuses";
    int item = -1;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(queue.pop(item));
        EXPECT_EQ(item, i);
    }
    EXPECT_FALSE(queue.pop(item));
    EXPECT_TRUE(queue.empty());

    constexpr int kCount = 200000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i)
            while (!queue.push(i))
                std::this_thread::yield();
    });
    int expected = 0;
    while (expected < kCount) {
        if (queue.pop(item)) {
            ASSERT_EQ(item, expected);
            ++expected;
        }
    }
    producer.join();
}

class EditQueue : public ContextTest {
protected:
    // A render loop on its own thread, as the host's audio thread runs it.
    void startAudio(std::chrono::microseconds pause = std::chrono::microseconds(0))
    {
        stop_ = false;
        blocks = 0;
        audio_ = std::thread([this, pause] {
            audioThread = std::this_thread::get_id();
            std::array<std::vector<float>, 32> local;
            std::array<float*, 32> pointers{};
            for (std::size_t i = 0; i < 32; ++i) {
                local[i].assign(64, 0.0f);
                pointers[i] = local[i].data();
            }
            while (!stop_) {
                if (context.tryRenderBlock(pointers.data(), 64))
                    ++blocks;
                std::this_thread::sleep_for(pause);
            }
        });
        while (blocks.load() < 2)
            std::this_thread::yield();
    }
    void stopAudio()
    {
        stop_ = true;
        if (audio_.joinable())
            audio_.join();
    }
    ~EditQueue() override { stopAudio(); }

    // Wavetable 0 as its 32 levels.
    std::vector<int> table()
    {
        std::vector<int> values(32);
        context.synth->exportWaveInts(0, values.data(), 32, 8);
        return values;
    }
    // A ramp in table 0, so that each left rotation is visible.
    std::vector<int> drawRamp()
    {
        for (int i = 0; i < 32; ++i)
            context.applyValueChange(0x5100 | i, static_cast<float>(i * 8) / 255.0f);
        return table();
    }
    static std::vector<int> rotatedLeft(std::vector<int> values, int steps)
    {
        std::rotate(values.begin(), values.begin() + steps % static_cast<int>(values.size()), values.end());
        return values;
    }

    std::atomic<long> blocks{0};
    std::thread::id audioThread;

private:
    std::thread audio_;
    std::atomic<bool> stop_{false};
};

TEST_F(EditQueue, EditsPostedDuringPlaybackApplyOnceEachInOrderWithTheirEchoes)
{
    const std::vector<int> ramp = drawRamp();
    startAudio();
    sink.updates.clear();
    // Rotations do not commute with drawing a point: order and count both show.
    constexpr int kRotations = 1500;
    for (int i = 0; i < kRotations; ++i)
        context.postValueChange(0x5022, 1.0f);
    context.postValueChange(0x5100, 0.0f);
    context.settleValueChanges();
    stopAudio();

    std::vector<int> expected = rotatedLeft(ramp, kRotations);
    expected[0] = 0;
    EXPECT_EQ(table(), expected);
    ASSERT_EQ(sink.updates.size(), static_cast<std::size_t>(kRotations + 1));
    for (int i = 0; i < kRotations; ++i)
        EXPECT_EQ(sink.updates[static_cast<std::size_t>(i)].first, 0x5022);
    EXPECT_EQ(sink.updates.back().first, 0x5100);
}

TEST_F(EditQueue, AFullQueueWithoutAnAudioThreadIsAppliedHereAndLosesNothing)
{
    const std::vector<int> ramp = drawRamp();
    sink.updates.clear();
    const int count = static_cast<int>(EngineContext::kEditQueueCapacity) * 2 + 7;
    for (int i = 0; i < count; ++i)
        context.postValueChange(0x5022, 1.0f);
    EXPECT_GE(sink.updates.size(), EngineContext::kEditQueueCapacity) << "the full ring was emptied on this thread";
    context.settleValueChanges();
    EXPECT_EQ(sink.updates.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(table(), rotatedLeft(ramp, count));
}

TEST_F(EditQueue, AFullQueueWaitsForASlowAudioThread)
{
    const std::vector<int> ramp = drawRamp();
    startAudio(std::chrono::microseconds(300));
    sink.updates.clear();
    const int count = static_cast<int>(EngineContext::kEditQueueCapacity) * 3;
    for (int i = 0; i < count; ++i)
        context.postValueChange(0x5022, 1.0f);
    context.settleValueChanges();
    stopAudio();
    EXPECT_EQ(sink.updates.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(table(), rotatedLeft(ramp, count));
}

TEST_F(EditQueue, ValueChangesAndTasksRunOnTheAudioThreadWhileItRenders)
{
    startAudio();
    std::thread::id ranOn;
    context.runOnEngine([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, audioThread);
    // Applied and echoed once; on a busy machine the echo may come with the settle.
    sink.updates.clear();
    context.applyValueChange(0x0001, 0.5f);
    context.settleValueChanges();
    ASSERT_EQ(sink.updates.size(), 1u);
    EXPECT_EQ(sink.updates[0], std::make_pair(0x0001, 0.5f));
    EXPECT_FLOAT_EQ(context.synth->masterVolume, 0.5f);
    stopAudio();

    context.runOnEngine([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id()) << "no blocks: the task runs on the caller's thread";
}

TEST_F(EditQueue, AnAudioThreadThatStopsIsNotWaitedForForever)
{
    startAudio();
    stopAudio();
    // The host stopped calling process without saying so: the change waits
    // for the audio thread a short while, then is applied on this thread.
    sink.updates.clear();
    const auto start = std::chrono::steady_clock::now();
    context.applyValueChange(0x0001, 0.25f);
    context.settleValueChanges();
    EXPECT_LT(std::chrono::steady_clock::now() - start, EngineContext::kAudioStall * 4);
    ASSERT_EQ(sink.updates.size(), 1u);
    EXPECT_EQ(sink.updates[0], std::make_pair(0x0001, 0.25f));
    EXPECT_FLOAT_EQ(context.synth->masterVolume, 0.25f);

    // Told that processing stopped, it applies the next change at once.
    startAudio();
    context.applyValueChange(0x0001, 0.5f);
    context.settleValueChanges();
    stopAudio();
    context.noteAudioStopped();
    EXPECT_FLOAT_EQ(apply(0x0001, 0.75f), 0.75f);
}

} // namespace
} // namespace kest::tolvane::plugin::testing
