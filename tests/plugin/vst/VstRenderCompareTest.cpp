// SPDX-License-Identifier: GPL-3.0-or-later
// Renderer against plug-in: a song played by tolvane-render's SongRenderer and
// the same song fed to the built plug-in, loaded through the SDK's hosting
// classes and driven as a host drives it (controllers, bend and program as
// parameter points, notes as events), must give the same 32 output channels
// sample for sample, at small, usual and large block sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockPlanner.h"
#include "BundleSession.h"
#include "ByteStream.h"
#include "EngineContext.h"
#include "MidiFile.h"
#include "MidiFileWriter.h"
#include "SongRenderer.h"
#include "SongRenders.h"
#include "SoundDataLoader.h"
#include "VstSongEvents.h"
#include "VstTestSupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "public.sdk/source/common/memorystream.h"

using namespace tolvane_vst_test;
namespace tools = kest::tolvane::tools;
namespace plugin = kest::tolvane::plugin;
namespace tv = kest::tolvane;

namespace {

using tolvane_test::Channels;
using tolvane_test::compare;
using tolvane_test::Difference;
using tolvane_test::renderWithRenderer;
using tolvane_test::rms;
constexpr int kRate = tolvane_test::kSongRate;
constexpr int kChannels = 32;

// The factory bank as a saved state: both sides start from these bytes, so the
// comparison holds whatever the bank's data.
const std::vector<std::uint8_t>& bankState()
{
    static const std::vector<std::uint8_t> bytes = [] {
        plugin::EngineContext context;
        tools::LoadFailure failure;
        EXPECT_TRUE(tools::loadSoundData(context, tools::SoundDataOptions{}, failure)) << failure.message;
        plugin::MemoryByteWriter writer;
        EXPECT_TRUE(context.writeState(writer));
        return writer.bytes;
    }();
    return bytes;
}

// A host session: processor and controller from the bundle's factory, the
// controller asked for the parameter of each MIDI controller as a host asks.
class PluginHost {
public:
    PluginHost(int blockSize, const std::vector<std::uint8_t>& state)
        : blockSize_(blockSize), session_(blockSize, double(kRate), state), processor_(session_.processor),
          mapping_(session_.controller)
    {
        EXPECT_TRUE(session_.ready() && mapping_);
    }

    Channels play(const tools::MidiSong& song, std::int64_t frames)
    {
        const std::vector<tools::TimedEvent> timed = tools::scheduleEvents(song, kRate);
        Channels out(kChannels);
        std::size_t next = 0;
        for (std::int64_t start = 0; start < frames; start += blockSize_) {
            const int length = static_cast<int>(std::min<std::int64_t>(blockSize_, frames - start));
            Block block(length);
            MidiParameterChanges changes;
            block.data.inputParameterChanges = &changes;
            // A playing transport, as hosts give it: tempo and position at the block's start.
            const tolvane_test::SongTransport transport = tolvane_test::transportAt(song, start);
            ProcessContext context{};
            context.state =
                ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
            context.sampleRate = kRate;
            context.projectTimeSamples = start;
            context.tempo = transport.tempo;
            context.projectTimeMusic = transport.beat;
            block.data.processContext = &context;
            for (; next < timed.size() && timed[next].frame < start + length; ++next)
                deliver(song, song.events[timed[next].songIndex], static_cast<int32>(timed[next].frame - start), block,
                        changes);
            EXPECT_EQ(processor_->process(block.data), kResultOk);
            for (int c = 0; c < kChannels; ++c)
                for (int i = 0; i < length; ++i)
                    out[static_cast<std::size_t>(c)].push_back(block.sample(c / 2, c % 2, i));
        }
        return out;
    }

private:
    ParamID parameterFor(int channel, CtrlNumber controller)
    {
        ParamID id = 0;
        EXPECT_EQ(mapping_->getMidiControllerAssignment(0, static_cast<int16>(channel), controller, id), kResultTrue);
        return id;
    }

    void deliver(const tools::MidiSong& song, const tools::SongEvent& e, int32 offset, Block& block,
                 MidiParameterChanges& changes)
    {
        addSongEvent(
            song, e, offset, block, changes,
            [this](int channel, CtrlNumber controller) { return parameterFor(channel, controller); }, sysEx_);
    }

    int blockSize_;
    BundleSession session_;
    FUnknownPtr<IAudioProcessor>& processor_;
    FUnknownPtr<IMidiMapping> mapping_;
    std::vector<std::vector<std::uint8_t>> sysEx_;
};

void expectSameRender(const tools::MidiSong& song, int blockSize, double seconds,
                      const std::vector<std::uint8_t>& state = bankState())
{
    const auto frames = static_cast<std::int64_t>(seconds * kRate);
    const Channels rendered = renderWithRenderer(song, blockSize, frames, state);
    PluginHost host(blockSize, state);
    const Channels played = host.play(song, frames);
    ASSERT_GT(rms(rendered), 1e-3) << "a silent render proves nothing";
    const Difference d = compare(rendered, played);
    EXPECT_EQ(d.count, 0) << "block size " << blockSize << ": first difference at frame " << d.firstFrame
                          << " on channel " << d.firstChannel;
}

tools::MidiSong songFromFile(const std::string& name)
{
    return tolvane_test::songFromFile(std::string(TOLVANE_TEST_SONGS_DIR) + "/" + name);
}

// What hosts and files send every day, in one short score at 120 bpm (480
// ticks a beat, so a tick is about 46 samples): notes on several channels,
// re-strikes on one tick, a GM RPN set-up with its null RPN, fine and coarse
// tuning, a modulation and volume run inside a block, bend, a program change
// on a note's tick, and the sustain pedal. On one tick controllers come
// before notes, as in files written by sequencers.
tools::MidiSong everydayScore()
{
    tools::MidiTrackWriter t;
    for (int channel = 0; channel < 3; ++channel)
        t.bendRange(0, channel, 12);
    t.controlChange(0, 1, 101, 0); // part 2 a quarter tone sharp and an octave down
    t.controlChange(0, 1, 100, 1);
    t.controlChange(0, 1, 6, 80);
    t.controlChange(0, 1, 100, 2);
    t.controlChange(0, 1, 6, 52);
    t.programChange(0, 0, 5);
    for (int beat = 0; beat < 8; ++beat) {
        const std::uint64_t tick = 480u * static_cast<std::uint64_t>(beat);
        if (beat > 0)
            t.noteOff(tick, 0, 60); // the same key struck again on the same tick
        t.noteOn(tick, 0, 60, 100);
        t.note(tick, 240, 1, 67 + beat % 3, 90);
    }
    t.noteOff(3840, 0, 60);
    for (int step = 0; step < 16; ++step) { // runs: one step every tick
        t.controlChange(600u + static_cast<std::uint64_t>(step), 0, 1, step * 8);
        t.controlChange(600u + static_cast<std::uint64_t>(step), 1, 7, 127 - step * 4);
    }
    for (int step = 0; step <= 32; ++step)
        t.pitchBend(1000u + static_cast<std::uint64_t>(step) * 3, 2, 8192 + step * 255);
    t.note(960, 1500, 2, 64, 110);
    t.controlChange(1920, 2, 64, 127); // pedal down, then notes released under it
    t.note(1920, 100, 2, 72, 100);
    t.note(2000, 100, 2, 76, 100);
    t.controlChange(2400, 2, 64, 127);
    t.noteOn(2400, 2, 72, 100); // struck again while the pedal holds it
    t.noteOff(2500, 2, 72);
    t.controlChange(3000, 2, 64, 0);
    t.programChange(3600, 1, 9); // a program change on a note's tick
    t.note(3600, 200, 1, 60, 100);
    t.setEndTick(4200);
    const std::vector<std::uint8_t> bytes = tools::encodeMidiFile(0, 480, std::span(&t, 1));
    auto read = tools::readMidiFile(bytes);
    EXPECT_TRUE(read.song) << read.error;
    return read.song ? *read.song : tools::MidiSong{};
}

class RendererEqualsPlugin : public ::testing::TestWithParam<int> {};

TEST_P(RendererEqualsPlugin, OnAnEverydayScore) { expectSameRender(everydayScore(), GetParam(), 5.0); }

TEST_P(RendererEqualsPlugin, WithToneSequences)
{
    expectSameRender(everydayScore(), GetParam(), 5.0, tolvane_test::withToneSequences(bankState()));
}

TEST_P(RendererEqualsPlugin, WithPlayModesOnTheHostsTransport)
{
    expectSameRender(tolvane_test::playModesScore(), GetParam(), 4.0, tolvane_test::withPlayModes(bankState()));
}

TEST_P(RendererEqualsPlugin, OnGeneralMidiSongs)
{
    for (const char* name : {"blupi-music004.mid", "blupi-music006.mid"}) {
        SCOPED_TRACE(name);
        expectSameRender(songFromFile(name), GetParam(), 12.0);
    }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, RendererEqualsPlugin, ::testing::Values(32, 512, 4096));

} // namespace
