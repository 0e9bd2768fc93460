// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI as hosts deliver it, judged by what the processor renders: events on one
// offset keep their delivery order, and every point of a parameter queue counts.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "EngineContext.h"
#include "SynthesizerWT.h"
#include "TolvaneIds.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

using namespace tolvane_vst_test;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;

namespace {

constexpr int32 kBlock = 512;
constexpr double kRate = 48000.0;

class RenderedMidiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        processor = new TolvaneVSTProcessor;
        ASSERT_EQ(processor->initialize(&host), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, kBlock, kRate};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(processor->setActive(true), kResultOk);
    }
    void TearDown() override
    {
        processor->setActive(false);
        processor->terminate();
        processor->release();
    }

    kest::tolvane::synth::SynthesizerWT& engine() { return *processor->engineContext()->synth; }

    // Processes one block filled by `fill` and returns the left channel of output 1.
    std::vector<float> run(const std::function<void(Block&)>& fill = {})
    {
        Block block(kBlock);
        if (fill)
            fill(block);
        EXPECT_EQ(processor->process(block.data), kResultOk);
        std::vector<float> left(static_cast<std::size_t>(kBlock));
        for (int32 i = 0; i < kBlock; ++i)
            left[static_cast<std::size_t>(i)] = block.sample(0, 0, i);
        return left;
    }
    // RMS of output 1 left over the next `blocks` empty blocks.
    double rmsOver(int blocks)
    {
        double sum = 0.0;
        for (int b = 0; b < blocks; ++b)
            for (float s : run())
                sum += double(s) * s;
        return std::sqrt(sum / (double(blocks) * kBlock));
    }

    HostApplication host;
    TolvaneVSTProcessor* processor = nullptr;
};

TEST_F(RenderedMidiTest, EqualOffsetsReachTheEngineInDeliveryOrder)
{
    // A re-struck note: off and on of one key on the same offset, as quantised
    // MIDI repeats a note. The second note must keep sounding.
    run([](Block& b) { b.addNoteOn(0, 69, 1.0f, 0); });
    const double before = rmsOver(20);
    ASSERT_GT(before, 0.05);
    run([](Block& b) {
        b.addNoteOff(0, 69, 100);
        b.addNoteOn(0, 69, 1.0f, 100);
    });
    EXPECT_NEAR(rmsOver(20), before, 0.1 * before);

    // Delivered the other way round, the note-off ends the note it follows.
    run([](Block& b) {
        b.addNoteOn(0, 69, 1.0f, 100);
        b.addNoteOff(0, 69, 100);
    });
    rmsOver(40);  // the release runs out
    EXPECT_LT(rmsOver(5), 1e-4);
}

TEST_F(RenderedMidiTest, AProgramChangeOnANotesOffsetPlaysTheNewProgram)
{
    engine().tone(5).tl = 96;  // program 5: the default tone, much quieter
    run([](Block& b) { b.addNoteOn(1, 69, 1.0f, 0); });
    const double program0 = rmsOver(10);
    run([](Block& b) { b.addNoteOff(1, 69, 0); });
    rmsOver(40);
    ASSERT_GT(program0, 0.05);

    run([](Block& b) {
        b.addParameter(ids::midiParamId(1, ids::kProgramItem), 5.0 / 127.0, 200);
        b.addNoteOn(1, 69, 1.0f, 200);
    });
    EXPECT_EQ(engine().part(1).program, 5);
    EXPECT_LT(rmsOver(10), 0.2 * program0);
}

} // namespace
