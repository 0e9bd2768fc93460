// SPDX-License-Identifier: GPL-3.0-or-later
// The audio thread never waits for an edit: a block that meets the engine
// lock taken renders nothing and keeps its events; voice-pool rebuilds run
// with the synthesizer slot disabled; edits racing a render loop are safe.
#include <atomic>
#include <thread>

#include "CoreTestSupport.h"

namespace kest::tolvane::plugin::testing {
namespace {

class EngineLocking : public ContextTest {
protected:
    // Holds the engine lock on another thread until released.
    struct ForeignLock {
        explicit ForeignLock(EngineContext& context)
        {
            holder = std::thread([&] {
                std::lock_guard lock(context.engineMutex());
                held = true;
                while (!release)
                    std::this_thread::yield();
            });
            while (!held)
                std::this_thread::yield();
        }
        ~ForeignLock()
        {
            release = true;
            holder.join();
        }
        std::atomic<bool> held{false}, release{false};
        std::thread holder;
    };
};

TEST_F(EngineLocking, ABlockThatMeetsALockedEngineKeepsItsEvents)
{
    noteOn(0, 60);
    {
        ForeignLock lock(context);
        EXPECT_FALSE(render());
        EXPECT_EQ(context.eventQueue->pendingCount(), 1);
        EXPECT_EQ(soundingVoices(), 0);
    }
    EXPECT_TRUE(render());
    EXPECT_EQ(soundingVoices(), 1);
    float energy = 0.0f;
    for (float s : buffers[0])
        energy += s * s;
    EXPECT_GT(energy, 0.0f);
}

TEST_F(EngineLocking, DeactivationFromTheAudioThreadWaitsForTheNextBlock)
{
    noteOn(0, 60);
    render();
    ASSERT_EQ(soundingVoices(), 1);
    noteOn(0, 62);
    {
        ForeignLock lock(context);
        context.requestModulesActive(false);
        EXPECT_EQ(soundingVoices(), 1);
    }
    EXPECT_TRUE(render());
    EXPECT_EQ(soundingVoices(), 0);
    EXPECT_EQ(context.eventQueue->pendingCount(), 0) << "deactivation drops the queue";
}

TEST_F(EngineLocking, PolyphonyRebuildKeepsAnotherBusyBit)
{
    context.busyFlags = EngineContext::kBusyWaveImport;
    context.applyPolyphony(16);
    EXPECT_EQ(context.synth->voiceCount(), 16);
    EXPECT_EQ(context.busyFlags.load(), EngineContext::kBusyWaveImport);
    EXPECT_TRUE(context.moduleHost->isDisabled(EngineContext::kSynthSlot));

    noteOn(0, 60);
    render();
    EXPECT_EQ(soundingVoices(), 0) << "a disabled synthesizer renders nothing";

    context.busyFlags = 0;
    context.applyPolyphony(32);
    EXPECT_FALSE(context.moduleHost->isDisabled(EngineContext::kSynthSlot));
    context.applyPolyphony(0);
    EXPECT_EQ(context.synth->voiceCount(), 32) << "zero voices is refused";
}

TEST_F(EngineLocking, PolyphonyRebuildStopsVoicesAndUnchangedCountDoesNothing)
{
    noteOn(0, 60);
    render();
    context.applyPolyphony(128);
    EXPECT_EQ(soundingVoices(), 1);
    context.applyPolyphony(5000);
    EXPECT_EQ(context.synth->voiceCount(), 1024);
    EXPECT_EQ(soundingVoices(), 0);
}

TEST_F(EngineLocking, EditsRacingARenderLoopAreSafe)
{
    std::atomic<bool> done{false};
    std::atomic<int> rendered{0};
    std::thread audio([&] {
        std::array<std::vector<float>, 32> local;
        std::array<float*, 32> pointers{};
        for (std::size_t i = 0; i < 32; ++i) {
            local[i].assign(128, 0.0f);
            pointers[i] = local[i].data();
        }
        int key = 0;
        while (!done) {
            context.eventQueue->queueChannelEvent(kNoteOn, key % 16, 40 + key % 40, 100, 0);
            ++key;
            if (context.tryRenderBlock(pointers.data(), 128))
                ++rendered;
        }
    });
    for (int i = 0; i < 200; ++i) {
        context.applyValueChange(ids::system::kPolyphonyMenu, static_cast<float>(i % 9) / 8.0f);
        context.applyValueChange(ids::waveTable::kSizeMenu, static_cast<float>(i % 5) / 4.0f);
        context.applyValueChange(ids::system::kMasterTune, static_cast<float>(i % 7) / 7.0f);
        context.applyValueChange(ids::system::kReset, 1.0f);
        context.applyValueChange(ids::waveTable::kSine, 1.0f);
        context.runOnEngine([&] { context.stopAllVoices(); });
    }
    done = true;
    audio.join();
    EXPECT_EQ(context.busyFlags.load(), 0);
    EXPECT_GT(rendered.load(), 0);
}

} // namespace
} // namespace kest::tolvane::plugin::testing
