// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "BlockPlanner.h"
#include "MidiFileWriter.h"
#include "SongRenderer.h"
#include "SysExMessages.h"

using namespace kest::tolvane::tools;

namespace {

// Keeps output pair 1 (where every part plays by default) and the block lengths.
struct Capture : BlockSink {
    std::vector<float> left;
    std::vector<int> blockLengths;
    bool consume(const float* const* outputs, int frames) override
    {
        left.insert(left.end(), outputs[0], outputs[0] + frames);
        blockLengths.push_back(frames);
        return true;
    }
    double rms(double from, double to, int rate = 44100) const
    {
        const auto a = static_cast<std::size_t>(from * rate),
                   b = std::min(left.size(), static_cast<std::size_t>(to * rate));
        double sum = 0;
        for (std::size_t i = a; i < b; ++i)
            sum += double(left[i]) * left[i];
        return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
    }
};

MidiSong songOf(const MidiTrackWriter& track)
{
    const auto bytes = encodeMidiFile(0, 480, std::span(&track, 1));
    auto read = readMidiFile(bytes);
    EXPECT_TRUE(read.song) << read.error;
    return *read.song;
}

RenderStats renderSong(const MidiSong& song, Capture& capture, EngineSettings settings = {}, double tail = 0.0)
{
    SongRenderer renderer(settings);
    return renderer.render(song, tail, capture);
}

} // namespace

TEST(BlockPlanner, BlocksStopShortRatherThanDropEventsBeyondTheQueue)
{
    std::vector<TimedEvent> events;
    for (int i = 0; i < 700; ++i)
        events.push_back({100, static_cast<std::size_t>(i)});
    events.push_back({300, 700});
    // 700 events due at frame 100: the first block ends there, the next two are empty at 100.
    BlockPlan p = planBlock(events, 0, 0, 512, 512);
    EXPECT_EQ(p.length, 100);
    EXPECT_EQ(p.eventCount, 512u);
    p = planBlock(events, 512, 100, 512, 512);
    EXPECT_EQ(p.eventCount, 189u); // the rest at 100 and the one at 300
    EXPECT_EQ(p.length, 512);
    // A block may be empty when more than a queue's worth is due right at its start.
    std::vector<TimedEvent> crowd(1100, TimedEvent{0, 0});
    p = planBlock(crowd, 0, 0, 64, 512);
    EXPECT_EQ(p.length, 0);
    EXPECT_EQ(p.eventCount, 512u);
    // Events already due are taken even by an empty block at the song's end.
    p = planBlock(crowd, 1024, 0, 0, 512);
    EXPECT_EQ(p.eventCount, 76u);
}

TEST(SongRenderer, LengthIsTheSongPlusTheTailUntilVoicesEnd)
{
    MidiTrackWriter t;
    t.note(0, 480, 0, 69, 100); // half a second
    t.setEndTick(4 * 480);      // two seconds
    Capture exact;
    const RenderStats stats = renderSong(songOf(t), exact, {.blockSize = 300});
    EXPECT_EQ(stats.frames, 2 * 44100);
    EXPECT_EQ(exact.left.size(), 2u * 44100u);
    EXPECT_GT(exact.rms(0.1, 0.4), 0.01);
    EXPECT_LT(exact.rms(1.0, 2.0), 1e-6);

    // A note still held at the end: the tail runs out; a released one ends early.
    MidiTrackWriter held;
    held.noteOn(0, 0, 69, 100);
    held.setEndTick(480);
    Capture tail;
    EXPECT_EQ(renderSong(songOf(held), tail, {}, 1.0).frames, 44100 + 22050);
    Capture released;
    const RenderStats early = renderSong(songOf(t), released, {}, 30.0);
    EXPECT_LT(early.frames, 3 * 44100);
}

// The report's "voices at most": a chord of three, and four seconds later,
// when the first has ended, a chord of four on another part.
TEST(SongRenderer, ReportsTheMostVoicesThatSoundedTogether)
{
    MidiTrackWriter t;
    for (int k = 0; k < 3; ++k)
        t.note(0, 240, 0, 60 + k, 100);
    for (int k = 0; k < 4; ++k)
        t.note(8 * 480, 240, 1, 60 + k, 100);
    t.setEndTick(12 * 480);
    for (const int block : {64, 512}) {
        Capture capture;
        EXPECT_EQ(renderSong(songOf(t), capture, {.blockSize = block}).maxVoices, 4) << block << " frames";
    }
}

TEST(SongRenderer, EqualTimeEventsReachTheEngineInFileOrder)
{
    // Note off then note on of the same key on one tick re-strikes the note;
    // it must keep sounding, not be released by its own note-off.
    MidiTrackWriter t;
    t.noteOn(0, 0, 69, 100);
    t.noteOff(960, 0, 69);
    t.noteOn(960, 0, 69, 100);
    t.noteOff(1920, 0, 69);
    Capture c;
    renderSong(songOf(t), c);
    ASSERT_GT(c.rms(0.2, 0.8), 0.01);
    EXPECT_NEAR(c.rms(1.2, 1.8), c.rms(0.2, 0.8), 0.1 * c.rms(0.2, 0.8));
}

TEST(SongRenderer, CrowdedBlocksKeepEveryEvent)
{
    MidiTrackWriter t;
    for (int i = 0; i < 600; ++i)
        t.controlChange(0, 0, 7, i % 2 ? 127 : 0); // ends on 0: silent
    t.controlChange(0, 0, 7, 127);                 // the 601st event on the same tick turns the volume back up
    t.noteOn(0, 0, 69, 100);
    t.setEndTick(480);
    Capture c;
    const RenderStats stats = renderSong(songOf(t), c, {.blockSize = 512});
    EXPECT_EQ(stats.eventsQueued, 602u);
    EXPECT_GT(c.rms(0.1, 0.5), 0.05);
    EXPECT_EQ(c.left.size(), 22050u);
    int empty = 0;
    for (int n : c.blockLengths)
        empty += n == 0;
    EXPECT_EQ(empty, 1); // the two queue loads at one offset needed one empty block
}

// Every output pair of every block, with the pairs the engine reported.
struct AllPairs : BlockSink {
    std::vector<std::vector<float>> channels = std::vector<std::vector<float>>(kest::tolvane::kOutputChannelCount);
    int soundInSilentPairs = 0;
    int soundingBlocks = 0;
    bool consume(const float* const*, int) override
    {
        ADD_FAILURE() << "the renderer tells which pairs sound";
        return false;
    }
    bool consumeBlock(const float* const* outputs, int frames, std::uint32_t soundingPairs) override
    {
        soundingBlocks += soundingPairs != 0 ? 1 : 0;
        for (std::size_t c = 0; c < channels.size(); ++c) {
            const bool sounding = (soundingPairs >> (c / 2)) & 1;
            for (int i = 0; i < frames; ++i)
                soundInSilentPairs += !sounding && outputs[c][i] != 0.0f ? 1 : 0;
            channels[c].insert(channels[c].end(), outputs[c], outputs[c] + frames);
        }
        return true;
    }
};

// Only the pairs written since their last clearing are cleared: a pair that
// sounded, fell silent and blocks of other lengths later must still read as
// zeros, and the whole render, its length included (the voices end in the
// tail), must not depend on the block size.
TEST(SongRenderer, PairsReportedSilentHoldOnlyZerosAtAnyBlockSize)
{
    MidiTrackWriter t;
    t.note(0, 60, 0, 69, 100);    // part 0 on pair 0, short
    for (int i = 0; i < 600; ++i) // a crowded tick: short and empty blocks
        t.controlChange(240, 2, 7, 100);
    t.note(480, 60, 1, 72, 100); // part 1 on pair 3
    t.setEndTick(960);
    const MidiSong song = songOf(t);
    auto render = [&song](int blockSize) {
        SongRenderer renderer({.blockSize = blockSize});
        renderer.engine().setPartOutput(1, 3);
        renderer.engine().tone(0).rr = 127; // notes end soon after their note-off
        AllPairs pairs;
        renderer.render(song, 0.5, pairs);
        EXPECT_EQ(pairs.soundInSilentPairs, 0) << "block size " << blockSize;
        EXPECT_GT(pairs.soundingBlocks, 0);
        return pairs.channels;
    };
    const auto large = render(512);
    ASSERT_GE(large[0].size(), 44100u); // the song is one second long
    for (const int blockSize : {61, 7, 1000})
        EXPECT_EQ(render(blockSize), large) << "block size " << blockSize;
}

TEST(SongRenderer, SysExReachesTheEngineOnlyWhenReceptionIsOn)
{
    MidiTrackWriter t;
    const std::vector<std::uint8_t> quietMaster{0x7D, 0x10, 0x20, 0x00,
                                                0x00, 0x00, 0x20, 0xF7}; // master volume step 32
    t.sysEx(0, quietMaster);
    t.note(0, 960, 0, 69, 100);
    const MidiSong song = songOf(t);
    Capture ignored, received;
    renderSong(song, ignored);
    renderSong(song, received, {.receiveSysEx = true});
    ASSERT_GT(ignored.rms(0.2, 0.8), 0.01);
    EXPECT_LT(received.rms(0.2, 0.8), 0.1 * ignored.rms(0.2, 0.8));
}

TEST(SongRenderer, PercussionModeBySysExPlaysTheKeysTone)
{
    MidiTrackWriter t;
    t.sysEx(0, partModeMessage(9, 2));
    // Key 40 plays a noise tone: no pitch to find, but plenty of zero crossings.
    t.sysEx(0, percussionToneMessage(40, {.name = "Noise", .key = 120, .strc = 3, .ar = 127, .dr = 100, .sl = 0}));
    t.note(0, 480, 9, 40, 120);
    t.note(0, 480, 9, 41, 120); // key 41 keeps its default tone: a sine
    Capture c;
    renderSong(songOf(t), c, {.receiveSysEx = true});
    int crossings = 0;
    for (std::size_t i = 1; i < 22050; ++i)
        crossings += (c.left[i - 1] < 0) != (c.left[i] < 0);
    EXPECT_GT(crossings, 2000); // noise, far above the sine's few hundred
}

// An arpeggio on 1/16 notes (NRPN 0/35 up, 0/38 = 3) follows the file's tempo
// map: at 48 kHz a 1/16 note is 6000 samples at 120 BPM and 4800 at 150, from
// beat 2 (sample 48000) on. Each step restarts a tone whose volume sequence
// is one tick long, so every step shows as a burst after silence.
TEST(SongRenderer, ArpeggioStepsFollowTheTempoMap)
{
    MidiTrackWriter t;
    t.tempoBpm(960, 150);
    const int nrpn[][3] = {{99, 0, 0}, {98, 35, 1}, {6, 1, 2}, {98, 38, 3}, {6, 3, 4}};
    for (const auto& [controller, value, tick] : nrpn)
        t.controlChange(static_cast<std::uint64_t>(tick), 0, controller, value);
    t.note(5, 1395, 0, 69, 100);
    t.note(6, 1394, 0, 76, 100);
    const MidiSong song = songOf(t);
    for (int blockSize : {61, 4096}) {
        SongRenderer renderer({.sampleRate = 48000, .blockSize = blockSize, .nrpn = true});
        renderer.applySwitches();
        std::int32_t* square = renderer.engine().waveTable(0);
        for (int i = 0; i < renderer.engine().tableSize; ++i)
            square[i] = i % 2; // full scale, alternating sign: never a zero sample
        auto& volume = renderer.engine().toneExpression(0).sequence(kest::tolvane::synth::SequenceKind::Volume);
        volume.length = 2;
        volume.values = {15, 0};
        Capture capture;
        renderer.render(song, 0.5, capture);
        std::vector<int> starts;
        for (std::size_t i = 1; i < capture.left.size(); ++i)
            if (capture.left[i - 1] == 0.0f && capture.left[i] != 0.0f)
                starts.push_back(static_cast<int>(i));
        const std::vector<int> expected = {250,   6000,  12000, 18000, 24000, 30000,
                                           36000, 42000, 48000, 52800, 57600, 62400};
        EXPECT_EQ(starts, expected) << "blocks of " << blockSize;
    }
}

TEST(SongRenderer, NrpnModeChangeNeedsTheNrpnSwitch)
{
    MidiTrackWriter t;
    // NRPN 0/33 = 0 mutes part 1 before its note.
    t.controlChange(0, 0, 99, 0);
    t.controlChange(0, 0, 98, 33);
    t.controlChange(0, 0, 6, 0);
    t.note(10, 480, 0, 69, 100);
    const MidiSong song = songOf(t);
    Capture plain, nrpn;
    renderSong(song, plain);
    renderSong(song, nrpn, {.nrpn = true});
    EXPECT_GT(plain.rms(0.1, 0.4), 0.01);
    EXPECT_EQ(nrpn.rms(0.0, 0.5), 0.0);
}
