// SPDX-License-Identifier: GPL-3.0-or-later
#include "SongRenders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "ByteStream.h"
#include "EngineContext.h"
#include "MidiEvent.h"
#include "MidiFileWriter.h"
#include "SongRenderer.h"
#include "SoundDataLoader.h"
#include "SysExMessages.h"

namespace tolvane_test {

namespace tools = kest::tolvane::tools;
namespace plugin = kest::tolvane::plugin;

tools::MidiSong songFromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto read = tools::readMidiFile(bytes);
    EXPECT_TRUE(read.song) << path << ": " << read.error;
    return read.song ? *read.song : tools::MidiSong{};
}

namespace {

struct Capture : tools::BlockSink {
    explicit Capture(std::int64_t limit) : limit(limit), out(32) {}
    bool consume(const float* const* outputs, int frames) override
    {
        for (std::size_t c = 0; c < out.size(); ++c)
            out[c].insert(out[c].end(), outputs[c], outputs[c] + frames);
        return static_cast<std::int64_t>(out[0].size()) < limit;
    }
    std::int64_t limit;
    Channels out;
};

} // namespace

Channels renderWithRenderer(const tools::MidiSong& song, int blockSize, std::int64_t frames,
                            const std::vector<std::uint8_t>& state)
{
    tools::SongRenderer renderer({.sampleRate = kSongRate, .blockSize = blockSize, .receiveUniversalSysEx = false});
    kest::tolvane::plugin::MemoryByteReader reader(state);
    renderer.context().readState(reader);
    renderer.applySwitches();
    Capture capture(frames);
    renderer.render(song, double(frames) / kSongRate, capture);
    for (auto& channel : capture.out)
        channel.resize(static_cast<std::size_t>(frames), 0.0f);
    return capture.out;
}

std::vector<std::uint8_t> withToneSequences(const std::vector<std::uint8_t>& state)
{
    namespace synth = kest::tolvane::synth;
    kest::tolvane::plugin::EngineContext context;
    kest::tolvane::plugin::MemoryByteReader reader(state);
    EXPECT_TRUE(context.readState(reader));
    synth::SynthesizerWT& engine = *context.synth;
    engine.setTickRate(50);
    for (int t = 0; t < synth::kToneCount; ++t) {
        synth::ToneExpression& e = engine.toneExpression(t);
        e.lfo = {static_cast<std::uint8_t>(t % 7), static_cast<std::uint8_t>(t % 5), 60};
        synth::ToneSequence& s = e.sequences[static_cast<std::size_t>(t % synth::kSequenceKindCount)];
        const std::int16_t steps[4][4] = {{15, 11, 7, 0}, {0, 4, 7, 12}, {-6, 3, -2, 0}, {3, 1, 2, 0}};
        std::copy(std::begin(steps[t % 4]), std::end(steps[t % 4]), s.values.begin());
        s.length = 4;
        s.loop = static_cast<std::uint8_t>(t % 3);
        s.release = 3;
        s.stepTicks = static_cast<std::uint8_t>(1 + t % 3);
    }
    kest::tolvane::plugin::MemoryByteWriter writer;
    EXPECT_TRUE(context.writeState(writer));
    return writer.bytes;
}

std::vector<std::uint8_t> withPlayModes(const std::vector<std::uint8_t>& state)
{
    namespace synth = kest::tolvane::synth;
    plugin::EngineContext context;
    plugin::MemoryByteReader reader(state);
    EXPECT_TRUE(context.readState(reader));
    synth::SynthesizerWT& engine = *context.synth;
    engine.setStoredPlay(0, {.mode = synth::kPlayLegato, .portamentoTime = 40});
    engine.setStoredPlay(1, {.arpPattern = synth::kArpUp, .arpOctaves = 2, .arpRate = 2});
    engine.setStoredPlay(2, {.arpPattern = synth::kArpUpDown, .arpNoteValue = 5, .arpRetrigger = true});
    engine.setStoredPlay(3, {.mode = synth::kPlayMono, .arpPattern = synth::kArpAsPlayed, .arpNoteValue = 4});
    plugin::MemoryByteWriter writer;
    EXPECT_TRUE(context.writeState(writer));
    return writer.bytes;
}

tools::MidiSong playModesScore()
{
    tools::MidiTrackWriter t;
    t.tempoBpm(0, 150.0);
    t.controlChange(0, 0, 65, 127); // portamento on for the lead
    const int lead[] = {60, 64, 67, 72, 71, 67, 64, 62};
    for (int i = 0; i < 8; ++i) // overlapping: legato slides
        t.note(240u * static_cast<std::uint64_t>(i), 300, 0, lead[i], 100);
    for (int channel = 1; channel < 4; ++channel) {
        const std::uint64_t start = 120u * static_cast<std::uint64_t>(channel);
        t.note(start, 1800, channel, 48 + channel, 100); // a chord struck a tick apart, released unevenly
        t.note(start + 1, 1802, channel, 52 + channel, 100);
        t.note(start + 2, 1700, channel, 55 + channel, 100);
        t.note(start + 960, 400, channel, 62 + channel, 90); // a key joins while it runs
    }
    t.controlChange(2200, 3, 64, 127); // pedal: released keys stay in the arpeggio
    t.note(2200, 100, 3, 60, 100);
    t.note(2210, 100, 3, 63, 100);
    t.controlChange(2800, 3, 64, 0);
    t.setEndTick(3400);
    const std::vector<std::uint8_t> bytes = tools::encodeMidiFile(0, 480, std::span(&t, 1));
    auto read = tools::readMidiFile(bytes);
    EXPECT_TRUE(read.song) << read.error;
    return read.song ? *read.song : tools::MidiSong{};
}

Difference compare(const Channels& a, const Channels& b)
{
    Difference d;
    for (std::size_t c = 0; c < a.size(); ++c)
        for (std::size_t i = 0; i < a[c].size(); ++i) {
            if (c < b.size() && i < b[c].size() && std::memcmp(&a[c][i], &b[c][i], sizeof(float)) == 0)
                continue;
            if (d.firstFrame < 0 || static_cast<std::int64_t>(i) < d.firstFrame) {
                d.firstFrame = static_cast<std::int64_t>(i);
                d.firstChannel = static_cast<int>(c);
            }
            ++d.count;
        }
    return d;
}

double rms(const Channels& channels)
{
    double sum = 0.0;
    std::size_t n = 0;
    for (const auto& channel : channels) {
        for (float s : channel)
            sum += double(s) * s;
        n += channel.size();
    }
    return n ? std::sqrt(sum / double(n)) : 0.0;
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
