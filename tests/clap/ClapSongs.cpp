// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClapSongs.h"

#include <cmath>

#include "ClapIdentity.h"
#include "MidiEvent.h"
#include "SongHostEvents.h"

namespace tolvane_clap_test {

namespace tools = kest::tolvane::tools;
namespace tv = kest::tolvane;

namespace {
// What the host puts in the buffers before each block: no render holds it.
constexpr float kUnwritten = 7.0f;
} // namespace

const char* pluginId() { return kest::tolvane::clap::kPluginId; }

void addSongEvent(EventList& list, const tools::MidiSong& song, const tools::SongEvent& e, int offset, Dialect dialect)
{
    const auto time = static_cast<std::uint32_t>(offset);
    if (dialect == Dialect::ClapNotes && (e.type == tv::kNoteOn || e.type == tv::kNoteOff)) {
        // A MIDI note-on of velocity 0 is a note-off; CLAP's is not.
        const bool on = e.type == tv::kNoteOn && e.data2 > 0;
        list.note(on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, time, e.channel, e.data1, e.data2 / 127.0);
        return;
    }
    list.midi(time, tolvane_test::rawMidiBytes(song, e));
}

ClapRender renderWithClap(ClapInstance& plugin, const tools::MidiSong& song, int blockSize, std::int64_t frames,
                          Dialect dialect)
{
    tolvane_test::SongBlocks blocks(song, tolvane_test::kSongRate);
    ClapRender render;
    render.channels.resize(ClapInstance::kChannels);
    EventList events;
    for (std::int64_t start = 0; start < frames; start += blockSize) {
        const int length = static_cast<int>(std::min<std::int64_t>(blockSize, frames - start));
        events.clear();
        for (const auto& [offset, event] : blocks.next(length))
            addSongEvent(events, song, *event, offset, dialect);
        // A playing transport, as hosts give it: tempo and position at the block's start.
        const tolvane_test::SongTransport now = tolvane_test::transportAt(song, start);
        clap_event_transport_t transport{};
        transport.header = {sizeof(transport), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
        transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
        transport.tempo = now.tempo;
        transport.song_pos_beats = static_cast<clap_beattime>(std::llround(now.beat * CLAP_BEATTIME_FACTOR));
        plugin.process(events, length, kUnwritten, &transport);
        for (int c = 0; c < ClapInstance::kChannels; ++c) {
            const float* out = plugin.output(c);
            for (int i = 0; i < length; ++i)
                render.everyChannelWritten = render.everyChannelWritten && out[i] != kUnwritten;
            render.channels[static_cast<std::size_t>(c)].insert(render.channels[static_cast<std::size_t>(c)].end(), out,
                                                                out + length);
        }
    }
    return render;
}

} // namespace tolvane_clap_test
