// SPDX-License-Identifier: GPL-3.0-or-later
#include "SongHostEvents.h"

#include <cmath>

#include "MidiEvent.h"

namespace tolvane_test {

namespace tools = kest::tolvane::tools;
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

SongTransport transportAt(const tools::MidiSong& song, std::int64_t frame, int sampleRate)
{
    SongTransport transport;
    double tempoTick = 0.0, tempoSeconds = 0.0;
    for (const tools::SongTempo& tempo : song.tempos) {
        if (std::llround(tempo.seconds * sampleRate) > frame)
            break;
        transport.tempo = tempo.beatsPerMinute;
        tempoTick = static_cast<double>(tempo.tick);
        tempoSeconds = tempo.seconds;
    }
    const double seconds = static_cast<double>(frame) / sampleRate;
    transport.beat = tempoTick / song.division.ticksPerQuarter + (seconds - tempoSeconds) * transport.tempo / 60.0;
    return transport;
}

} // namespace tolvane_test
