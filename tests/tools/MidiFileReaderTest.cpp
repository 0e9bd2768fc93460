// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "MidiFile.h"
#include "MidiFileWriter.h"

using namespace kest::tolvane::tools;

namespace {

using Bytes = std::vector<std::uint8_t>;

MidiSong readOk(const Bytes& bytes)
{
    auto result = readMidiFile(bytes);
    EXPECT_TRUE(result.song.has_value()) << result.error;
    return result.song.value_or(MidiSong{});
}

std::string readError(const Bytes& bytes)
{
    auto result = readMidiFile(bytes);
    EXPECT_FALSE(result.song.has_value());
    return result.error;
}

Bytes oneTrackFile(const MidiTrackWriter& track, std::uint16_t division = 480, int format = 0)
{
    return encodeMidiFile(format, division, std::span(&track, 1));
}

// A hand-made file: header plus one MTrk chunk holding exactly these bytes.
Bytes rawTrackFile(const Bytes& body, std::uint16_t division = 96)
{
    Bytes out{'M',
              'T',
              'h',
              'd',
              0,
              0,
              0,
              6,
              0,
              0,
              0,
              1,
              static_cast<std::uint8_t>(division >> 8),
              static_cast<std::uint8_t>(division),
              'M',
              'T',
              'r',
              'k',
              0,
              0,
              0,
              static_cast<std::uint8_t>(body.size())};
    out.reserve(out.size() + body.size());
    for (std::uint8_t b : body)
        out.push_back(b);
    return out;
}

} // namespace

TEST(MidiFileDivision, TicksPerQuarterUseTheDefaultTempoUntilTheFirstChange)
{
    MidiTrackWriter t;
    t.note(96, 96, 0, 60, 100);
    const MidiSong song = readOk(oneTrackFile(t, 96));
    ASSERT_EQ(song.events.size(), 2u);
    EXPECT_DOUBLE_EQ(song.events[0].seconds, 0.5); // 120 bpm: a quarter note is half a second
    EXPECT_DOUBLE_EQ(song.events[1].seconds, 1.0);
    EXPECT_DOUBLE_EQ(song.lengthSeconds, 1.0);
}

TEST(MidiFileDivision, SmpteDivisionsCountFramesAndIgnoreTempo)
{
    MidiTrackWriter t;
    t.tempoBpm(0, 60);
    t.noteOn(500, 0, 60, 100);
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    const MidiSong song = readOk(oneTrackFile(t, static_cast<std::uint16_t>((0x100 - 25) << 8 | 40)));
    EXPECT_TRUE(song.division.smpte);
    ASSERT_EQ(song.events.size(), 1u);
    EXPECT_DOUBLE_EQ(song.events[0].seconds, 0.5);

    // 29 means drop-frame 29.97 frames per second.
    MidiTrackWriter d;
    d.noteOn(2997, 0, 60, 100);
    const MidiSong drop = readOk(oneTrackFile(d, static_cast<std::uint16_t>((0x100 - 29) << 8 | 100)));
    EXPECT_NEAR(drop.events[0].seconds, 2997.0 / (100 * 30000.0 / 1001.0), 1e-12);
}

TEST(MidiFileDivision, NonsenseDivisionsAreRejected)
{
    MidiTrackWriter t;
    t.noteOn(0, 0, 60, 100);
    EXPECT_NE(readError(oneTrackFile(t, 0)).find("division"), std::string::npos);
    EXPECT_NE(readError(oneTrackFile(t, static_cast<std::uint16_t>((0x100 - 23) << 8 | 4))).find("frames"),
              std::string::npos);
    EXPECT_NE(readError(oneTrackFile(t, static_cast<std::uint16_t>((0x100 - 25) << 8 | 0))).find("ticks per frame"),
              std::string::npos);
}

TEST(MidiFileTempo, ChangesInAnyTrackApplyToAllTracksFromTheirTick)
{
    MidiTrackWriter conductor, music;
    conductor.tempoBpm(480, 60);    // after one quarter at 120 bpm (0.5 s)
    conductor.tempoBpm(1440, 240);  // after two quarters at 60 bpm (2.5 s)
    conductor.tempoBpm(1440, 120);  // same tick: the later one wins
    music.noteOn(960, 0, 60, 100);  // 0.5 + 1.0
    music.noteOn(1920, 0, 62, 100); // 2.5 + 0.5
    const MidiTrackWriter tracks[] = {conductor, music};
    const MidiSong song = readOk(encodeMidiFile(1, 480, tracks));
    EXPECT_EQ(song.tempoChangeCount, 3);
    ASSERT_EQ(song.events.size(), 2u);
    EXPECT_DOUBLE_EQ(song.events[0].seconds, 1.5);
    EXPECT_DOUBLE_EQ(song.events[1].seconds, 3.0);
    // The map as the engine's transport gets it: tick, time and tempo of each stretch.
    ASSERT_EQ(song.tempos.size(), 3u);
    const double expected[3][3] = {{0, 0.0, 120.0}, {480, 0.5, 60.0}, {1440, 2.5, 120.0}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(song.tempos[i].tick, static_cast<std::uint64_t>(expected[i][0]));
        EXPECT_DOUBLE_EQ(song.tempos[i].seconds, expected[i][1]);
        EXPECT_DOUBLE_EQ(song.tempos[i].beatsPerMinute, expected[i][2]);
    }
}

TEST(MidiFileTempo, ShortTempoEventsAreSkippedAndEndOfTrackSetsTheLength)
{
    MidiTrackWriter t;
    const std::uint8_t shortTempo[] = {7, 0xA1};
    t.meta(0, 0x51, shortTempo);
    t.noteOn(480, 0, 60, 1);
    t.setEndTick(4 * 480);
    const MidiSong song = readOk(oneTrackFile(t));
    EXPECT_EQ(song.tempoChangeCount, 0);
    EXPECT_DOUBLE_EQ(song.events[0].seconds, 0.5);
    EXPECT_DOUBLE_EQ(song.lengthSeconds, 2.0);
}

// A zero tempo would freeze the song; playing it at 120 bpm instead would hide a broken file.
TEST(MidiFileTempo, AZeroTempoIsRefusedWithItsTrackAndTick)
{
    MidiTrackWriter conductor, notes;
    conductor.tempoBpm(0, 90);
    const std::uint8_t zero[] = {0, 0, 0};
    conductor.meta(960, 0x51, zero);
    notes.note(0, 480, 0, 60, 100);
    const MidiTrackWriter tracks[] = {notes, conductor};
    const std::string error = readError(encodeMidiFile(1, 480, tracks));
    EXPECT_NE(error.find("track 2"), std::string::npos) << error;
    EXPECT_NE(error.find("tempo of 0 at tick 960"), std::string::npos) << error;
}

TEST(MidiFileMessages, EveryChannelMessageKindIsRead)
{
    MidiTrackWriter t;
    t.noteOn(0, 3, 60, 100);
    t.noteOn(1, 3, 60, 0); // velocity 0 stays a note-on; the engine treats it as note off
    t.noteOff(2, 4, 61, 33);
    t.polyPressure(3, 5, 62, 44);
    t.controlChange(4, 6, 7, 90);
    t.programChange(5, 7, 12);
    t.channelPressure(6, 8, 55);
    t.pitchBend(7, 15, 0x2345);
    const MidiSong song = readOk(oneTrackFile(t));
    struct Expect {
        int type, channel, d1, d2;
    };
    const Expect expected[] = {{144, 3, 60, 100}, {144, 3, 60, 0}, {128, 4, 61, 33}, {160, 5, 62, 44},
                               {176, 6, 7, 90},   {192, 7, 12, 0}, {208, 8, 55, 0},  {224, 15, 0x45, 0x46}};
    ASSERT_EQ(song.events.size(), std::size(expected));
    for (std::size_t i = 0; i < song.events.size(); ++i) {
        EXPECT_EQ(song.events[i].type, expected[i].type) << i;
        EXPECT_EQ(song.events[i].channel, expected[i].channel) << i;
        EXPECT_EQ(song.events[i].data1, expected[i].d1) << i;
        EXPECT_EQ(song.events[i].data2, expected[i].d2) << i;
        EXPECT_EQ(song.events[i].tick, i);
    }
}

TEST(MidiFileMessages, RunningStatusGivesTheSameEventsAsExplicitStatus)
{
    MidiTrackWriter t;
    for (int i = 0; i < 8; ++i)
        t.note(i * 10, 5, 2, 60 + i, 90);
    t.programChange(100, 2, 5);
    t.programChange(100, 2, 6);
    const std::uint8_t text[] = {'x'};
    t.meta(110, 0x01, text);
    const MidiSong withRunning = readOk(encodeMidiFile(0, 96, std::span(&t, 1), true));
    const MidiSong without = readOk(encodeMidiFile(0, 96, std::span(&t, 1), false));
    EXPECT_LT(encodeMidiFile(0, 96, std::span(&t, 1), true).size(),
              encodeMidiFile(0, 96, std::span(&t, 1), false).size());
    ASSERT_EQ(withRunning.events.size(), 18u);
    ASSERT_EQ(without.events.size(), 18u);
    for (std::size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(withRunning.events[i].type, without.events[i].type);
        EXPECT_EQ(withRunning.events[i].data1, without.events[i].data1);
        EXPECT_EQ(withRunning.events[i].tick, without.events[i].tick);
    }

    // Some files keep using the running status after a meta event; accepted.
    const MidiSong afterMeta = readOk(rawTrackFile({0, 0x91, 60, 100, 0, 0xFF, 0x01, 0, 0, 61, 100, 0, 0xFF, 0x2F, 0}));
    ASSERT_EQ(afterMeta.events.size(), 2u);
    EXPECT_EQ(afterMeta.events[1].type, 144);
    EXPECT_EQ(afterMeta.events[1].channel, 1);
    EXPECT_EQ(afterMeta.events[1].data1, 61);
}

TEST(MidiFileMessages, TracksMergeByTimeAndKeepTrackOrderAtEqualTicks)
{
    MidiTrackWriter a, b;
    a.noteOn(100, 0, 1, 1);
    a.noteOn(200, 0, 2, 1);
    b.noteOn(50, 1, 3, 1);
    b.noteOn(100, 1, 4, 1);
    const MidiTrackWriter tracks[] = {a, b};
    const MidiSong song = readOk(encodeMidiFile(1, 96, tracks));
    ASSERT_EQ(song.events.size(), 4u);
    EXPECT_EQ(song.events[0].data1, 3);
    EXPECT_EQ(song.events[1].data1, 1);
    EXPECT_EQ(song.events[2].data1, 4);
    EXPECT_EQ(song.events[3].data1, 2);
    EXPECT_EQ(song.trackCount, 2);
}

TEST(MidiFileMessages, OtherMetaEventsAndUnknownChunksAreSkipped)
{
    MidiTrackWriter t;
    const std::uint8_t timeSig[] = {4, 2, 24, 8}, name[] = {'L', 'e', 'a', 'd'};
    t.meta(0, 0x58, timeSig);
    t.meta(0, 0x03, name);
    t.noteOn(10, 0, 60, 100);
    Bytes file = oneTrackFile(t);
    const Bytes alien{'X', 'y', 'z', 'w', 0, 0, 0, 3, 1, 2, 3};
    file.insert(file.begin() + 14, alien.begin(), alien.end());
    const MidiSong song = readOk(file);
    ASSERT_EQ(song.events.size(), 1u);
    EXPECT_EQ(song.events[0].type, 144);

    // Bytes after the end of track are ignored.
    const MidiSong trailing = readOk(rawTrackFile({0, 0x90, 60, 1, 0, 0xFF, 0x2F, 0, 0xF5, 0xF5}));
    EXPECT_EQ(trailing.events.size(), 1u);
}

TEST(MidiFileSysEx, CompleteDividedAndEscapedMessagesBecomeOnePayloadEach)
{
    MidiTrackWriter t;
    const Bytes complete{0x7D, 0x10, 0x20, 0x00, 0x00, 0x01, 0x40, 0xF7};
    t.sysEx(0, complete);
    const Bytes part1{0x7D, 0x10, 0x20}, part2{0x04, 0x05}, part3{0x12, 0x00, 0x10, 0xF7};
    t.sysEx(10, part1);
    t.sysExEscape(11, part2);
    t.sysExEscape(12, part3);
    const Bytes escaped{0xF0, 0x7D, 0x10, 0x20, 0x08, 0x03, 0x7E, 0x7F, 0xF7};
    t.sysExEscape(20, escaped);
    const Bytes realtime{0xFA};
    t.sysExEscape(30, realtime); // an escaped Start message is not SysEx
    const MidiSong song = readOk(oneTrackFile(t));
    ASSERT_EQ(song.events.size(), 3u);
    for (const auto& e : song.events)
        EXPECT_EQ(e.type, 240);
    auto payload = [&](int i) {
        auto s = song.sysEx(song.events[i]);
        return Bytes(s.begin(), s.end());
    };
    EXPECT_EQ(payload(0), complete);
    EXPECT_EQ(payload(1), (Bytes{0x7D, 0x10, 0x20, 0x04, 0x05, 0x12, 0x00, 0x10, 0xF7}));
    EXPECT_EQ(song.events[1].tick, 12u); // a divided message takes effect once it is complete
    EXPECT_EQ(payload(2), Bytes(escaped.begin() + 1, escaped.end()));
}

TEST(MidiFileSysEx, LongMessagesAreCutAndUnfinishedOnesDropped)
{
    MidiTrackWriter t;
    Bytes longPayload(1000, 0x11);
    longPayload.back() = 0xF7;
    t.sysEx(0, longPayload);
    const Bytes unfinished{0x7D, 0x10};
    t.sysEx(5, unfinished); // never continued before the track ends
    const MidiSong song = readOk(oneTrackFile(t));
    ASSERT_EQ(song.events.size(), 1u);
    EXPECT_EQ(song.events[0].sysExLength, kMaxSongSysExLength);
    EXPECT_EQ(song.sysExBytes.size(), kMaxSongSysExLength);
}

TEST(MidiFileErrors, FormatTwoAndUnknownFormatsAreRefusedByName)
{
    MidiTrackWriter t;
    t.noteOn(0, 0, 60, 100);
    EXPECT_NE(readError(oneTrackFile(t, 96, 2)).find("format 2"), std::string::npos);
    EXPECT_NE(readError(oneTrackFile(t, 96, 7)).find("format 7"), std::string::npos);
}

TEST(MidiFileErrors, BrokenStructureIsReportedWithThePlace)
{
    EXPECT_NE(readError({}).find("MThd"), std::string::npos);
    EXPECT_NE(readError({'R', 'I', 'F', 'F', 0, 0}).find("MThd"), std::string::npos);
    EXPECT_NE(readError(rawTrackFile({0, 0x40, 0x40})).find("without a status"), std::string::npos);
    EXPECT_NE(readError(rawTrackFile({0, 0xF3, 0x01})).find("status byte 0xF3"), std::string::npos);
    EXPECT_NE(readError(rawTrackFile({0, 0x90, 0x80, 0x40})).find("above 127"), std::string::npos);
    EXPECT_NE(readError(rawTrackFile({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})).find("variable-length"), std::string::npos);
    EXPECT_NE(readError(rawTrackFile({0, 0xF0, 0x7F, 0x01})).find("track 1"), std::string::npos);
    // Header announcing three tracks but holding one.
    Bytes missing = rawTrackFile({0, 0x90, 60, 1});
    missing[11] = 3;
    EXPECT_NE(readError(missing).find("announces 3 tracks"), std::string::npos);
}

TEST(MidiFileErrors, EveryTruncationOfAValidFileIsRejected)
{
    MidiTrackWriter a, b;
    a.tempoBpm(0, 100);
    const Bytes sx{0x7D, 0x10, 0x20, 0x02, 0x09, 0x01, 0x02, 0xF7};
    a.sysEx(0, sx);
    for (int i = 0; i < 20; ++i)
        b.note(i * 48, 40, 9, 36 + i, 100);
    const MidiTrackWriter tracks[] = {a, b};
    const Bytes file = encodeMidiFile(1, 96, tracks);
    ASSERT_TRUE(readMidiFile(file).song.has_value());
    for (std::size_t n = 0; n < file.size(); ++n) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        const auto result = readMidiFile(cut);
        EXPECT_FALSE(result.song.has_value()) << "cut at " << n;
        // Past the MThd tag every cut is named for what it is.
        if (n >= 4) {
            EXPECT_NE(result.error.find("truncated"), std::string::npos) << "cut at " << n << ": " << result.error;
        }
    }
}

TEST(MidiFileErrors, RandomDamageNeverEscapesAsACrash)
{
    MidiTrackWriter a;
    for (int i = 0; i < 40; ++i) {
        a.note(i * 30, 20, i % 16, 40 + i, 90);
        a.controlChange(i * 30 + 3, i % 16, 1, i);
    }
    const Bytes sx{0x7D, 0x10, 0x20, 0x04, 0x00, 0x10, 0x40, 0xF7};
    a.sysEx(5, sx);
    const Bytes file = oneTrackFile(a, 96, 0);
    std::mt19937 rng(1234);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = file;
        const int hits = 1 + static_cast<int>(rng() % 6);
        for (int h = 0; h < hits; ++h)
            damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        const auto result = readMidiFile(damaged);
        if (result.song) {
            ++accepted;
            for (const auto& e : result.song->events) {
                EXPECT_LE(e.sysExOffset + e.sysExLength, result.song->sysExBytes.size());
                EXPECT_GE(e.seconds, 0.0);
            }
        } else {
            EXPECT_FALSE(result.error.empty());
        }
    }
    EXPECT_GT(accepted, 0); // damage to data bytes alone leaves a readable file
}

TEST(MidiFileLoad, MissingFilesAndFoldersAreReportedNotThrown)
{
    const auto result = loadMidiFile("/nonexistent/dir/song.mid");
    EXPECT_FALSE(result.song);
    EXPECT_NE(result.error.find("cannot open"), std::string::npos);
    const auto folder = loadMidiFile(std::filesystem::temp_directory_path().string());
    EXPECT_FALSE(folder.song);
    EXPECT_EQ(folder.error, "this is a folder, not a MIDI file");
}

namespace {

// RIFF wrapping as .rmi files have it: RIFF <size> RMID, then chunks with
// little-endian sizes, padded to even lengths; the song is in "data".
Bytes riffChunk(const char* id, const Bytes& body)
{
    const auto n = static_cast<std::uint32_t>(body.size());
    Bytes out{static_cast<std::uint8_t>(id[0]),   static_cast<std::uint8_t>(id[1]),  static_cast<std::uint8_t>(id[2]),
              static_cast<std::uint8_t>(id[3]),   static_cast<std::uint8_t>(n),      static_cast<std::uint8_t>(n >> 8),
              static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    out.insert(out.end(), body.begin(), body.end());
    if (n % 2)
        out.push_back(0);
    return out;
}

Bytes riffMidi(const std::vector<Bytes>& chunks)
{
    Bytes body{'R', 'M', 'I', 'D'};
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes riff = riffChunk("RIFF", body);
    return riff;
}

} // namespace

TEST(MidiFileRiff, RmidFilesPlayTheSongInTheirDataChunk)
{
    MidiTrackWriter t;
    t.note(0, 480, 3, 64, 90);
    const Bytes smf = oneTrackFile(t);
    const Bytes info = riffChunk("LIST", {'I', 'N', 'F', 'O', 'x'}); // odd length: padded
    const MidiSong plain = readOk(smf);
    const MidiSong wrapped = readOk(riffMidi({info, riffChunk("data", smf)}));
    ASSERT_EQ(wrapped.events.size(), plain.events.size());
    EXPECT_EQ(wrapped.events[0].channel, 3);
    EXPECT_DOUBLE_EQ(wrapped.lengthSeconds, plain.lengthSeconds);

    EXPECT_NE(readError(riffMidi({info})).find("without a data chunk"), std::string::npos);
    Bytes cut = riffMidi({riffChunk("data", smf)});
    cut.resize(cut.size() - 3);
    EXPECT_NE(readError(cut).find("truncated"), std::string::npos);
}

TEST(MidiFileRiff, ChunksBetweenTracksAreSkippedButATruncatedTrackIsNamedSo)
{
    MidiTrackWriter a, b;
    a.note(0, 96, 0, 60, 100);
    b.note(0, 96, 1, 64, 100);
    const MidiTrackWriter tracks[] = {a, b};
    Bytes file = encodeMidiFile(1, 96, tracks);
    const std::size_t secondTrack =
        14 + 8 + (std::size_t{file[18]} << 24 | std::size_t{file[19]} << 16 | std::size_t{file[20]} << 8 | file[21]);
    const Bytes alien{'X', 'F', 'I', 'H', 0, 0, 0, 4, 1, 2, 3, 4};
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(secondTrack), alien.begin(), alien.end());
    const MidiSong song = readOk(file);
    EXPECT_EQ(song.trackCount, 2);
    EXPECT_EQ(song.events.size(), 4u);
    file.resize(file.size() - 4);
    EXPECT_NE(readError(file).find("truncated"), std::string::npos);
}
