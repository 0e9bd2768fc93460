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
    // Output 1 left over the next `blocks` empty blocks.
    std::vector<float> runEmpty(int blocks)
    {
        std::vector<float> out;
        for (int b = 0; b < blocks; ++b) {
            const std::vector<float> left = run();
            out.insert(out.end(), left.begin(), left.end());
        }
        return out;
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

// The frequency of a steady tone from its rising zero crossings, interpolated
// between samples.
double frequencyOf(const std::vector<float>& s)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            const double at = double(i - 1) + double(-s[i - 1]) / (double(s[i]) - double(s[i - 1]));
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * kRate / (last - first) : 0.0;
}

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
    rmsOver(40); // the release runs out
    EXPECT_LT(rmsOver(5), 1e-4);
}

TEST_F(RenderedMidiTest, AProgramChangeOnANotesOffsetPlaysTheNewProgram)
{
    engine().tone(5).tl = 96; // program 5: the default tone, much quieter
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

// A General MIDI file's set-up on one tick: RPN 0/0, bend range 12, RPN null.
// The host hands it over as parameter queues; the range must arrive.
TEST_F(RenderedMidiTest, AnRpnSetUpOnOneOffsetSetsTheBendRange)
{
    MidiParameterChanges changes;
    const int controllers[][2] = {{101, 0}, {100, 0}, {6, 12}, {38, 0}, {101, 127}, {100, 127}};
    for (const auto& [controller, value] : controllers)
        changes.add(ids::midiParamId(0, controller), 0, value / 127.0);
    changes.add(ids::midiParamId(0, ids::kPitchBendItem), 0, 1.0); // full bend up
    run([&](Block& b) {
        b.data.inputParameterChanges = &changes;
        b.addNoteOn(0, 69, 1.0f, 0);
    });
    EXPECT_EQ(engine().part(0).bendRange, 12);
    EXPECT_EQ(engine().part(0).dataEntryTarget, 256); // the null RPN came last
    // 12 semitones times 8191/8192 above A4.
    EXPECT_NEAR(frequencyOf(runEmpty(20)), 440.0 * std::exp2(8191.0 / 8192.0), 1.0);
}

// Controller runs inside one block: every point takes effect at its offset.
TEST_F(RenderedMidiTest, AControllerRunInsideOneBlockKeepsEveryStep)
{
    run([](Block& b) { b.addNoteOn(0, 69, 1.0f, 0); });
    runEmpty(4);
    MidiParameterChanges changes;
    changes.add(ids::midiParamId(0, 7), 0, 0.0); // silent for the first half
    changes.add(ids::midiParamId(0, 7), 256, 100.0 / 127);
    const std::vector<float> block = run([&](Block& b) { b.data.inputParameterChanges = &changes; });
    auto rms = [&](int from, int to) {
        double sum = 0.0;
        for (int i = from; i < to; ++i)
            sum += double(block[static_cast<std::size_t>(i)]) * block[static_cast<std::size_t>(i)];
        return std::sqrt(sum / (to - from));
    };
    EXPECT_LT(rms(0, 256), 1e-3);
    EXPECT_GT(rms(256, 512), 0.05);
}

// The pedal holds notes released while it is down, through the plug-in as a
// host drives it (controller 64 as a parameter, notes as events).
TEST_F(RenderedMidiTest, TheSustainPedalHoldsReleasedNotesUntilItLifts)
{
    run([](Block& b) {
        b.addParameter(ids::midiParamId(0, 64), 1.0, 0);
        b.addNoteOn(0, 69, 1.0f, 0);
    });
    const double held = rmsOver(4);
    run([](Block& b) { b.addNoteOff(0, 69, 0); });
    EXPECT_NEAR(rmsOver(20), held, 0.1 * held);
    run([](Block& b) { b.addParameter(ids::midiParamId(0, 64), 0.0, 0); });
    rmsOver(40);
    EXPECT_LT(rmsOver(5), 1e-4);
}

} // namespace
