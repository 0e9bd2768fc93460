// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "ByteReader.h"
#include "ByteSource.h"
#include "FilePath.h"
#include "MidiFile.h"
#include "TempoMap.h"

namespace kest::tolvane::tools {

namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEscape = 0xF7;
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;

std::string hexByte(unsigned value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 15] + digits[value & 15];
}

bool chunkIdIs(std::span<const std::uint8_t> id, std::string_view name)
{
    return std::equal(id.begin(), id.end(), name.begin(), name.end(),
                      [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
}

Division parseDivision(std::uint16_t raw)
{
    Division d;
    if ((raw & 0x8000u) == 0) {
        if (raw == 0)
            throw MidiFileError("division of 0 ticks per quarter note");
        d.ticksPerQuarter = raw;
        return d;
    }
    d.smpte = true;
    d.framesPerSecond = -static_cast<int>(static_cast<std::int8_t>(raw >> 8));
    d.ticksPerFrame = raw & 0xFF;
    if (d.framesPerSecond != 24 && d.framesPerSecond != 25 && d.framesPerSecond != 29 && d.framesPerSecond != 30)
        throw MidiFileError("SMPTE division with " + std::to_string(d.framesPerSecond) + " frames per second");
    if (d.ticksPerFrame == 0)
        throw MidiFileError("SMPTE division with 0 ticks per frame");
    return d;
}

// Parses one MTrk chunk into events with absolute ticks (seconds come later,
// once every track's tempo changes are known).
class TrackParser {
public:
    TrackParser(std::span<const std::uint8_t> chunk, MidiSong& song, std::vector<TempoChange>& tempos)
        : in_(chunk), song_(song), tempos_(tempos)
    {
    }

    void parse()
    {
        while (!in_.atEnd()) {
            tick_ += in_.varLength();
            const std::uint8_t first = in_.peek();
            if (first == kMeta) {
                in_.u8();
                if (!parseMeta())
                    break;
            } else if (first == kSysExStart || first == kSysExEscape) {
                in_.u8();
                parseSysEx(first);
            } else {
                parseChannelMessage();
            }
        }
        song_.lengthTicks = std::max(song_.lengthTicks, tick_);
    }

private:
    // False at end of track: whatever follows it in the chunk is ignored.
    bool parseMeta()
    {
        const std::uint8_t type = in_.u8();
        const auto data = in_.take(in_.varLength());
        if (type == kMetaEndOfTrack)
            return false;
        if (type == kMetaTempo && data.size() == 3) {
            const std::uint32_t tempo = (std::uint32_t{data[0]} << 16) | (std::uint32_t{data[1]} << 8) | data[2];
            // A zero tempo would stop time for the rest of the song.
            if (tempo == 0)
                throw MidiFileError("tempo of 0 at tick " + std::to_string(tick_) + ": time would stand still");
            tempos_.push_back({tick_, tempo});
        }
        return true;
    }

    void parseSysEx(std::uint8_t form)
    {
        const auto data = in_.take(in_.varLength());
        const bool ends = !data.empty() && data.back() == kSysExEscape;
        if (form == kSysExStart) {
            // A new message abandons any unfinished one.
            pending_.assign(data.begin(),
                            data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), kMaxSongSysExLength)));
            pendingOpen_ = true;
        } else if (pendingOpen_) {
            appendPending(data); // a continuation packet of a divided message
        } else if (!data.empty() && data.front() == kSysExStart) {
            // An escaped complete message: the payload starts after its own F0.
            pending_.clear();
            appendPending(data.subspan(1));
            pendingOpen_ = true;
        } else {
            return; // escaped bytes that are not System Exclusive (real-time messages and the like)
        }
        if (ends) {
            emitSysEx();
            pendingOpen_ = false;
        }
    }

    void appendPending(std::span<const std::uint8_t> data)
    {
        const std::size_t room = kMaxSongSysExLength - std::min(kMaxSongSysExLength, pending_.size());
        pending_.insert(pending_.end(), data.begin(),
                        data.begin() + static_cast<std::ptrdiff_t>(std::min(room, data.size())));
    }

    void emitSysEx()
    {
        SongEvent e;
        e.tick = tick_;
        e.type = 240;
        e.sysExOffset = static_cast<std::uint32_t>(song_.sysExBytes.size());
        e.sysExLength = static_cast<std::uint32_t>(pending_.size());
        song_.sysExBytes.insert(song_.sysExBytes.end(), pending_.begin(), pending_.end());
        song_.events.push_back(e);
    }

    void parseChannelMessage()
    {
        std::uint8_t status = in_.peek();
        if (status & 0x80) {
            in_.u8();
            if (status >= 0xF0)
                throw MidiFileError("unexpected status byte " + hexByte(status) + " at byte " +
                                    std::to_string(in_.position() - 1));
            runningStatus_ = status;
        } else if (runningStatus_ == 0) {
            throw MidiFileError("data byte " + hexByte(status) + " without a status byte at byte " +
                                std::to_string(in_.position()));
        } else {
            status = runningStatus_;
        }
        const int kind = status & 0xF0;
        SongEvent e;
        e.tick = tick_;
        e.type = kind;
        e.channel = status & 0x0F;
        e.data1 = dataByte();
        if (kind != 0xC0 && kind != 0xD0)
            e.data2 = dataByte();
        song_.events.push_back(e);
    }

    int dataByte()
    {
        const std::uint8_t b = in_.u8();
        if (b & 0x80)
            throw MidiFileError("data byte " + hexByte(b) + " above 127 at byte " + std::to_string(in_.position() - 1));
        return b;
    }

    ByteReader in_;
    MidiSong& song_;
    std::vector<TempoChange>& tempos_;
    std::uint64_t tick_ = 0;
    std::uint8_t runningStatus_ = 0; // kept across meta and SysEx events: lenient with files that rely on it
    std::vector<std::uint8_t> pending_;
    bool pendingOpen_ = false;
};

MidiSong parseSong(std::span<const std::uint8_t> bytes)
{
    ByteReader in(bytes);
    if (bytes.size() < 4 || !chunkIdIs(bytes.first(4), "MThd"))
        throw MidiFileError("not a Standard MIDI File (no MThd header)");
    in.skip(4);
    if (in.remaining() < 4)
        throw MidiFileError("file ends inside the header chunk (truncated file)");
    const std::uint32_t headerLength = in.u32();
    if (headerLength < 6)
        throw MidiFileError("header chunk of " + std::to_string(headerLength) + " bytes is too short");
    if (headerLength > in.remaining())
        throw MidiFileError("file ends inside the header chunk (truncated file)");
    MidiSong song;
    song.format = in.u16();
    const int declaredTracks = in.u16();
    song.division = parseDivision(in.u16());
    in.skip(headerLength - 6);
    if (song.format == 2)
        throw MidiFileError("format 2 (independent sequences) is not supported; use format 0 or 1");
    if (song.format > 2)
        throw MidiFileError("unknown file format " + std::to_string(song.format));
    if (declaredTracks == 0)
        throw MidiFileError("the header announces no tracks");

    std::vector<TempoChange> tempos;
    while (song.trackCount < declaredTracks && !in.atEnd()) {
        if (in.remaining() < 8)
            throw MidiFileError("file ends inside a chunk header at byte " + std::to_string(in.position()) +
                                " (truncated file)");
        const auto id = in.take(4);
        const std::uint32_t length = in.u32();
        if (length > in.remaining())
            throw MidiFileError("chunk at byte " + std::to_string(in.position() - 8) + " claims " +
                                std::to_string(length) + " bytes but only " + std::to_string(in.remaining()) +
                                " remain (truncated file)");
        const auto chunk = in.take(length);
        if (!chunkIdIs(id, "MTrk"))
            continue; // unknown chunks are allowed and skipped
        ++song.trackCount;
        try {
            TrackParser(chunk, song, tempos).parse();
        } catch (const MidiFileError& e) {
            throw MidiFileError("track " + std::to_string(song.trackCount) + ": " + e.what());
        }
    }
    if (song.trackCount < declaredTracks)
        throw MidiFileError("the header announces " + std::to_string(declaredTracks) + " tracks but the file holds " +
                            std::to_string(song.trackCount) + " (truncated file)");

    // Tracks were appended one after the other, so a stable sort keeps file
    // order within a track and track order between tracks at equal ticks.
    std::stable_sort(song.events.begin(), song.events.end(),
                     [](const SongEvent& a, const SongEvent& b) { return a.tick < b.tick; });
    song.tempoChangeCount = static_cast<int>(tempos.size());
    const TempoMap tempoMap(song.division, std::move(tempos));
    for (SongEvent& e : song.events)
        e.seconds = tempoMap.secondsAt(e.tick);
    song.lengthSeconds = tempoMap.secondsAt(song.lengthTicks);
    song.tempos = tempoMap.tempos();
    return song;
}

// A RIFF MIDI file (.rmi) carries a Standard MIDI File in its "data" chunk.
constexpr std::size_t kRiffMidiHeaderSize = 12;

bool isRiffMidi(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 12 && chunkIdIs(bytes.first(4), "RIFF") && chunkIdIs(bytes.subspan(8, 4), "RMID");
}

std::span<const std::uint8_t> riffMidiData(std::span<const std::uint8_t> bytes)
{
    ByteReader in(bytes);
    in.skip(12);
    while (in.remaining() >= 8) {
        const auto id = in.take(4);
        const auto b = in.take(4); // RIFF sizes are little-endian
        const std::uint32_t length = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
                                     (std::uint32_t{b[3]} << 24);
        if (length > in.remaining())
            throw MidiFileError("RIFF chunk at byte " + std::to_string(in.position() - 8) + " claims " +
                                std::to_string(length) + " bytes but only " + std::to_string(in.remaining()) +
                                " remain (truncated file)");
        const auto chunk = in.take(length);
        if (chunkIdIs(id, "data"))
            return chunk;
        if (length % 2 != 0 && !in.atEnd())
            in.skip(1); // chunks are padded to an even length
    }
    throw MidiFileError("RIFF MIDI file without a data chunk");
}

} // namespace

MidiReadResult readMidiFile(std::span<const std::uint8_t> bytes)
{
    MidiReadResult result;
    try {
        result.song = parseSong(isRiffMidi(bytes) ? riffMidiData(bytes) : bytes);
    } catch (const MidiFileError& e) {
        result.error = e.what();
    }
    return result;
}

MidiReadResult loadMidiFile(const std::string& path)
{
    MidiReadResult result;
    std::error_code ec;
    if (std::filesystem::is_directory(formats::pathFromUtf8(path), ec)) {
        result.error = "this is a folder, not a MIDI file";
        return result;
    }
    formats::FileSource file;
    if (!file.open(path, result.error))
        return result;
    if (file.size() > kMaxMidiFileSize) {
        result.error = "the file is " + std::to_string(file.size()) +
                       " bytes, more than a MIDI song can sensibly be (limit " + std::to_string(kMaxMidiFileSize) + ")";
        return result;
    }
    // The first bytes say whether it can be a song at all; only then is the rest read.
    std::vector<std::uint8_t> bytes(std::min<std::size_t>(kRiffMidiHeaderSize, file.size()));
    if (!file.readAt(0, bytes.data(), bytes.size())) {
        result.error = "cannot read the file";
        return result;
    }
    if (!isRiffMidi(bytes) && !(bytes.size() >= 4 && chunkIdIs(std::span(bytes).first(4), "MThd"))) {
        result.error = "not a Standard MIDI File (no MThd header)";
        return result;
    }
    bytes.resize(static_cast<std::size_t>(file.size()));
    if (!file.readAt(0, bytes.data(), bytes.size())) {
        result.error = "cannot read the file";
        return result;
    }
    return readMidiFile(bytes);
}

} // namespace kest::tolvane::tools
