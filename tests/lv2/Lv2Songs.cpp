// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Songs.h"

namespace tolvane_lv2_test {

tools::MidiSong songFromFile(const std::string& name)
{
    return tolvane_test::songFromFile(std::string(TOLVANE_TEST_SONGS_DIR) + "/" + name);
}

Channels renderWithPlugin(PluginInstance& plugin, const tools::MidiSong& song, int blockSize, std::int64_t frames)
{
    tolvane_test::SongBlocks blocks(song, kRate);
    Channels out(static_cast<std::size_t>(plugin.channels()));
    std::vector<MidiAt> events;
    for (std::int64_t start = 0; start < frames; start += blockSize) {
        const int length = static_cast<int>(std::min<std::int64_t>(blockSize, frames - start));
        events.clear();
        for (const auto& [offset, event] : blocks.next(length))
            events.push_back({offset, tolvane_test::rawMidiBytes(song, *event)});
        const tolvane_test::SongTransport transport = tolvane_test::transportAt(song, start, kRate);
        const HostTransport position{.bpm = transport.tempo, .beat = transport.beat};
        plugin.setEvents(events, &position);
        plugin.run(length);
        for (int c = 0; c < plugin.channels(); ++c)
            out[static_cast<std::size_t>(c)].insert(out[static_cast<std::size_t>(c)].end(), plugin.output(c),
                                                    plugin.output(c) + length);
    }
    return out;
}

} // namespace tolvane_lv2_test
