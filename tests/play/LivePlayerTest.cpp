// SPDX-License-Identifier: GPL-3.0-or-later
// The live player's periods: MIDI at its frames whatever the period size,
// crowded periods, periods longer than its room, a busy engine, and the
// two output layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <thread>

#include "EngineContext.h"
#include "FactoryBank.h"
#include "LivePlayer.h"
#include "LiveTestSupport.h"

using namespace kest::tolvane;
using namespace kest::tolvane::tools;
using namespace tolvane_live_test;

namespace {

struct Run {
    std::vector<std::vector<float>> channels;
    long dropped = 0;
    int mostVoices = 0;
};

// Plays messages through a fresh factory-bank engine in periods of the given size.
Run play(const std::vector<Message>& messages, int totalFrames, int period, OutputLayout layout = OutputLayout::Summed)
{
    plugin::EngineContext context;
    loadFactoryBank(context);
    LivePlayer player(context, layout);
    player.setSampleRate(48000);
    player.reserveFrames(std::min(period, 256)); // longer periods are rendered in pieces
    const int channels = channelCount(layout);
    Run run;
    run.channels.assign(static_cast<std::size_t>(channels),
                        std::vector<float>(static_cast<std::size_t>(totalFrames), 7.0f));
    std::vector<float*> outputs(static_cast<std::size_t>(channels));
    for (int start = 0; start < totalFrames; start += period) {
        const int frames = std::min(period, totalFrames - start);
        for (int c = 0; c < channels; ++c)
            outputs[static_cast<std::size_t>(c)] = run.channels[static_cast<std::size_t>(c)].data() + start;
        player.process(PeriodMidi(messages, start, frames), outputs.data(), frames);
    }
    run.dropped = player.droppedEvents();
    run.mostVoices = player.mostVoices();
    return run;
}

std::size_t firstSound(const std::vector<float>& x)
{
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i] != 0.0f)
            return i;
    return x.size();
}

std::vector<Message> phrase()
{
    std::vector<Message> m = {noteOn(100, 0, 60),         control(100, 1, 7, 100), {100, {0xC1, 80}},
                              noteOn(333, 1, 64),         noteOff(900, 0, 60),     noteOn(900, 0, 60),
                              {1500, {0xE1, 0x00, 0x60}}, noteOn(2047, 9, 38),     noteOff(3000, 1, 64),
                              noteOff(4000, 0, 60)};
    return m;
}

} // namespace

TEST(LivePlayer, ThePeriodSizeNeverChangesASample)
{
    const auto reference = play(phrase(), 6000, 6000); // one period, rendered in pieces of 256
    ASSERT_LT(firstSound(reference.channels[0]), 6000u);
    for (int period : {64, 37, 1, 1000}) {
        const auto run = play(phrase(), 6000, period);
        EXPECT_EQ(run.channels, reference.channels) << "period " << period;
    }
}

TEST(LivePlayer, EventsOnOneFrameActInTheOrderTheyCame)
{
    // Off then on re-strikes the key; on then off leaves it released.
    const auto restruck = play({noteOn(10, 0, 69), noteOff(300, 0, 69), noteOn(300, 0, 69)}, 4800, 64);
    const auto released = play({noteOn(10, 0, 69), noteOn(300, 0, 69), noteOff(300, 0, 69)}, 4800, 64);
    auto level = [](const std::vector<float>& x) {
        double sum = 0;
        for (std::size_t i = 3800; i < 4800; ++i)
            sum += double(x[i]) * x[i];
        return std::sqrt(sum / 1000);
    };
    EXPECT_GT(level(restruck.channels[0]), 0.01);
    EXPECT_LT(level(released.channels[0]), 0.1 * level(restruck.channels[0]));
}

TEST(LivePlayer, ACrowdedPeriodLosesNothing)
{
    // More events on one frame than the engine's queue holds, then a note after them.
    std::vector<Message> crowded;
    for (int i = 0; i < 700; ++i)
        crowded.push_back(control(10, i % 16, 7, i % 128));
    crowded.push_back(control(10, 0, 7, 127));
    crowded.push_back(noteOn(10, 0, 69));
    const auto run = play(crowded, 256, 256);
    EXPECT_EQ(run.dropped, 0);
    EXPECT_EQ(run.mostVoices, 1);
    // The same note alone, with the volume the crowd left behind, sounds the same.
    const auto alone = play({control(10, 0, 7, 127), noteOn(10, 0, 69)}, 256, 256);
    EXPECT_EQ(run.channels, alone.channels);
}

TEST(LivePlayer, APeriodTheEngineIsBusyForIsSilentAndItsMidiComesNext)
{
    plugin::EngineContext context;
    LivePlayer player(context, OutputLayout::Summed);
    player.setSampleRate(48000);
    std::vector<float> left(64, 7.0f), right(64, 7.0f);
    float* outputs[2] = {left.data(), right.data()};
    const std::vector<Message> note = {noteOn(40, 0, 69)};
    {
        std::unique_lock edit(context.engineMutex());
        std::thread audio([&] { player.process(PeriodMidi(note, 0, 64), outputs, 64); });
        audio.join();
    }
    EXPECT_EQ(left, std::vector<float>(64, 0.0f));
    EXPECT_EQ(player.activeVoices(), 0);
    player.process(PeriodMidi({}, 0, 64), outputs, 64); // the held note-on, late, at the period's start
    EXPECT_EQ(player.activeVoices(), 1);
    plugin::EngineContext fresh;
    LivePlayer onTime(fresh, OutputLayout::Summed);
    onTime.setSampleRate(48000);
    std::vector<float> expected(64), ignored(64);
    float* expectedOutputs[2] = {expected.data(), ignored.data()};
    onTime.process(PeriodMidi({noteOn(0, 0, 69)}, 0, 64), expectedOutputs, 64);
    EXPECT_EQ(left, expected);
}

TEST(LivePlayer, ANoteSoundsFromTheFrameItCameAt)
{
    for (const int frame : {1, 63, 64, 100, 200}) {
        const auto early = play({noteOn(0, 0, 69)}, 512, 64);
        const auto late = play({noteOn(frame, 0, 69)}, 512 + frame, 64);
        for (std::size_t c = 0; c < 2; ++c) {
            const auto& shifted = late.channels[c];
            EXPECT_EQ(std::vector<float>(shifted.begin(), shifted.begin() + frame),
                      std::vector<float>(static_cast<std::size_t>(frame), 0.0f));
            EXPECT_EQ(std::vector<float>(shifted.begin() + frame, shifted.end()), early.channels[c])
                << "frame " << frame;
        }
    }
}

// Without a transport the player's --tempo sets the beat arpeggios on note
// values step on: C4 and C5 held, 1/16 notes, second step at 4800 frames at
// 150 BPM (48 kHz), at 6000 at the default 120.
TEST(LivePlayer, TheTempoTimesArpeggiosOnNoteValues)
{
    auto secondStepNote = [](double tempo) {
        plugin::EngineContext context;
        synth::PartPlaySettings play;
        play.arpPattern = synth::kArpUp;
        play.arpNoteValue = 3;
        context.synth->setStoredPlay(0, play);
        LivePlayer player(context, OutputLayout::Summed);
        player.setSampleRate(48000);
        player.reserveFrames(256);
        player.setTempo(tempo);
        const std::vector<Message> chord = {noteOn(0, 0, 60), noteOn(3, 0, 72)};
        std::vector<float> left(12000), right(12000);
        for (int start = 0; start < 12000; start += 256) {
            float* outputs[2] = {left.data() + start, right.data() + start};
            player.process(PeriodMidi(chord, start, std::min(256, 12000 - start)), outputs,
                           std::min(256, 12000 - start));
        }
        int crossings = 0; // rising zero crossings in 900 frames: about 4.4 at C4, 8.7 at C5
        for (int i = 5001; i < 5900; ++i)
            crossings += left[static_cast<std::size_t>(i - 1)] <= 0.0f && left[static_cast<std::size_t>(i)] > 0.0f;
        return crossings > 6 ? 72 : 60;
    };
    EXPECT_EQ(secondStepNote(150.0), 72);
    EXPECT_EQ(secondStepNote(120.0), 60);
}

TEST(LivePlayer, MultiLayoutCarriesEachOutputPairAndSumsToTheSummedLayout)
{
    // Parts 1 and 10 on pairs 3 and 8, by controller-free routing in the engine.
    std::vector<Message> m = {noteOn(20, 0, 60), noteOn(20, 9, 36)};
    plugin::EngineContext context;
    loadFactoryBank(context);
    context.synth->part(0).output = 2;
    context.synth->part(9).output = 7;
    LivePlayer multi(context, OutputLayout::Multi);
    multi.setSampleRate(48000);
    std::vector<std::vector<float>> pairs(32, std::vector<float>(512, 7.0f));
    std::vector<float*> outputs;
    for (auto& c : pairs)
        outputs.push_back(c.data());
    multi.process(PeriodMidi(m, 0, 512), outputs.data(), 512);
    for (int c = 0; c < 32; ++c) {
        const bool sounding = c / 2 == 2 || c / 2 == 7;
        EXPECT_EQ(firstSound(pairs[static_cast<std::size_t>(c)]) < 512, sounding) << "channel " << c;
    }

    plugin::EngineContext same;
    loadFactoryBank(same);
    same.synth->part(0).output = 2;
    same.synth->part(9).output = 7;
    LivePlayer summed(same, OutputLayout::Summed);
    summed.setSampleRate(48000);
    std::vector<float> left(512), right(512);
    float* lr[2] = {left.data(), right.data()};
    summed.process(PeriodMidi(m, 0, 512), lr, 512);
    for (std::size_t i = 0; i < 512; ++i) {
        EXPECT_EQ(left[i], pairs[4][i] + pairs[14][i]) << i;
        EXPECT_EQ(right[i], pairs[5][i] + pairs[15][i]) << i;
    }
}
