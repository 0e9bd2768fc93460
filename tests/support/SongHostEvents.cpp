// SPDX-License-Identifier: GPL-3.0-or-later
#include "SongHostEvents.h"

#include <gtest/gtest.h>

#include "ByteStream.h"
#include "EngineContext.h"
#include "MidiEvent.h"
#include "MidiFileWriter.h"
#include "SoundDataLoader.h"
#include "SysExMessages.h"

namespace tolvane_test {

namespace tools = kest::tolvane::tools;
namespace plugin = kest::tolvane::plugin;
namespace tv = kest::tolvane;

std::vector<std::uint8_t> rawMidiBytes(const tools::MidiSong& song, const tools::SongEvent& e)
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

SongBlocks::SongBlocks(const tools::MidiSong& song, int sampleRate)
    : song_(song), timed_(tools::scheduleEvents(song, sampleRate))
{
}

const std::vector<SongBlocks::Event>& SongBlocks::next(int length)
{
    block_.clear();
    for (; nextEvent_ < timed_.size() && timed_[nextEvent_].frame < start_ + length; ++nextEvent_)
        block_.push_back(
            {static_cast<int>(timed_[nextEvent_].frame - start_), &song_.events[timed_[nextEvent_].songIndex]});
    start_ += length;
    return block_;
}

const std::vector<std::uint8_t>& bankStateReceivingSysEx()
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

} // namespace tolvane_test
