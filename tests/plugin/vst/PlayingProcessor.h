// SPDX-License-Identifier: GPL-3.0-or-later
// A processor set up for 128-frame real-time blocks at 44.1 kHz and active,
// with an audio thread of its own: what the concurrency and real-time tests
// play against while their message thread edits, saves and loads.
#pragma once

#include <atomic>
#include <thread>
#include <utility>

#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

namespace tolvane_vst_test {

class PlayingProcessor {
public:
    explicit PlayingProcessor(HostApplication& host) : processor(new Steinberg::Vst::TolvaneVSTProcessor)
    {
        ProcessSetup setup{kRealtime, kSample32, 128, 44100.0};
        ready = processor->initialize(&host) == kResultOk && processor->setupProcessing(setup) == kResultOk &&
                processor->setActive(true) == kResultOk;
    }
    ~PlayingProcessor()
    {
        stopAudio();
        processor->setActive(false);
        processor->terminate();
        processor->release();
    }
    PlayingProcessor(const PlayingProcessor&) = delete;
    PlayingProcessor& operator=(const PlayingProcessor&) = delete;

    // Calls step(block, number) on the audio thread, block after block, until
    // stopAudio(); the step fills the block and calls process itself.
    template <typename Step> void startAudio(Step step)
    {
        audio_ = std::thread([this, step = std::move(step)]() mutable {
            Block block(128);
            for (long number = 0; !stop_.load(std::memory_order_relaxed); ++number) {
                step(block, number);
                blocks.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    void waitForBlocks(long count) const
    {
        while (blocks.load() < count)
            std::this_thread::yield();
    }
    void stopAudio()
    {
        stop_ = true;
        if (audio_.joinable())
            audio_.join();
    }

    Steinberg::Vst::TolvaneVSTProcessor* processor;
    bool ready = false;
    std::atomic<long> blocks{0};

private:
    std::atomic<bool> stop_{false};
    std::thread audio_;
};

} // namespace tolvane_vst_test
