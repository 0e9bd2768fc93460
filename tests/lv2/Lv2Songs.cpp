// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Songs.h"

#include <gtest/gtest.h>

#include "BlockPlanner.h"
#include "ByteStream.h"
#include "EngineContext.h"
#include "MidiEvent.h"
#include "MidiFileWriter.h"
#include "SoundDataLoader.h"
#include "SysExMessages.h"

namespace tolvane_lv2_test {

namespace plugin = kest::tolvane::plugin;
namespace tv = kest::tolvane;

const std::vector<std::uint8_t>& bankState()
{
    static const std::vector<std::uint8_t> bytes = [] {
        plugin::EngineContext context;
        tools::LoadFailure failure;
        EXPECT_TRUE(tools::loadSoundData(context, tools::SoundDataOptions{}, failure)) << failure.message;
        context.synth->receiveSysEx = true;
        plugin::MemoryByteWriter writer;
        EXPECT_TRUE(context.writeState(writer));
        return writer.bytes;
    }();
    return bytes;
}

tools::MidiSong oneTickScore()
{
    tools::MidiTrackWriter t;
    for (int channel = 0; channel < 2; ++channel) // bend range 12, all on tick 0
        t.bendRange(0, channel, 12);
    t.controlChange(10, 1, 101, 0); // and three more semitones on part 2, one tick
    t.controlChange(10, 1, 100, 0);
    t.controlChange(10, 1, 96, 0);
    t.controlChange(10, 1, 96, 0);
    t.controlChange(10, 1, 96, 0);
    t.controlChange(10, 1, 101, 127);
    t.controlChange(10, 1, 100, 127);
    t.pitchBend(20, 0, 16383);
    t.pitchBend(20, 1, 0);
    t.note(40, 1800, 0, 69, 100); // A4 bent up an octave
    t.note(40, 1800, 1, 64, 90);
    t.controlChange(480, 2, 64, 127); // pedal down, up, down on one tick: held
    t.controlChange(480, 2, 64, 0);
    t.controlChange(480, 2, 64, 127);
    t.note(480, 120, 2, 60, 100);
    t.controlChange(900, 2, 64, 0);
    t.controlChange(600, 0, 7, 40); // volume steps on one tick: the last counts
    t.controlChange(600, 0, 7, 127);
    t.controlChange(600, 0, 7, 90);
    t.channelPressure(700, 1, 80);
    tools::ToneSettings tone;
    tone.name = "LV2 SysEx";
    tone.wave = 5;
    tone.ar = 100;
    t.sysEx(1000, tools::instrumentToneMessage(7, tone)); // program 7 changed by the engine's own SysEx
    t.programChange(1000, 3, 7);
    t.note(1000, 600, 3, 72, 110);
    t.noteOff(1500, 3, 72); // a note-off and the same key again on one tick
    t.noteOn(1500, 3, 72, 90);
    t.noteOff(1900, 3, 72);
    t.setEndTick(2400);
    const std::vector<std::uint8_t> bytes = tools::encodeMidiFile(0, 480, std::span(&t, 1));
    auto read = tools::readMidiFile(bytes);
    EXPECT_TRUE(read.song) << read.error;
    return read.song ? *read.song : tools::MidiSong{};
}

tools::MidiSong songFromFile(const std::string& name)
{
    return tolvane_test::songFromFile(std::string(TOLVANE_TEST_SONGS_DIR) + "/" + name);
}

namespace {

std::vector<std::uint8_t> rawMessage(const tools::MidiSong& song, const tools::SongEvent& e)
{
    if (e.type == tv::kSystemExclusive) {
        std::vector<std::uint8_t> bytes{0xF0};
        const auto payload = song.sysEx(e);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return bytes;
    }
    const auto status = static_cast<std::uint8_t>(e.type | e.channel);
    if (e.type == tv::kProgramChange || e.type == tv::kChannelPressure)
        return {status, static_cast<std::uint8_t>(e.data1)};
    return {status, static_cast<std::uint8_t>(e.data1), static_cast<std::uint8_t>(e.data2)};
}

} // namespace

Channels renderWithPlugin(PluginInstance& plugin, const tools::MidiSong& song, int blockSize, std::int64_t frames)
{
    const std::vector<tools::TimedEvent> timed = tools::scheduleEvents(song, kRate);
    Channels out(static_cast<std::size_t>(plugin.channels()));
    std::size_t next = 0;
    std::vector<MidiAt> events;
    for (std::int64_t start = 0; start < frames; start += blockSize) {
        const int length = static_cast<int>(std::min<std::int64_t>(blockSize, frames - start));
        events.clear();
        for (; next < timed.size() && timed[next].frame < start + length; ++next)
            events.push_back(
                {static_cast<int>(timed[next].frame - start), rawMessage(song, song.events[timed[next].songIndex])});
        plugin.setEvents(events);
        plugin.run(length);
        for (int c = 0; c < plugin.channels(); ++c)
            out[static_cast<std::size_t>(c)].insert(out[static_cast<std::size_t>(c)].end(), plugin.output(c),
                                                    plugin.output(c) + length);
    }
    return out;
}

} // namespace tolvane_lv2_test
