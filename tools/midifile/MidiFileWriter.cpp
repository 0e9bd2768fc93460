// SPDX-License-Identifier: GPL-3.0-or-later
#include "MidiFileWriter.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::tools {

namespace {
std::uint8_t data7(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 127)); }
std::uint8_t status(int kind, int channel) { return static_cast<std::uint8_t>(kind | (channel & 0x0F)); }

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}
} // namespace

void appendVarLength(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    value &= 0x0FFFFFFFu;
    std::uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 4);
    while (n > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

void MidiTrackWriter::add(std::uint64_t tick, std::vector<std::uint8_t> bytes)
{
    events_.push_back({tick, std::move(bytes)});
}

void MidiTrackWriter::noteOn(std::uint64_t tick, int channel, int key, int velocity)
{
    add(tick, {status(0x90, channel), data7(key), data7(velocity)});
}
void MidiTrackWriter::noteOff(std::uint64_t tick, int channel, int key, int velocity)
{
    add(tick, {status(0x80, channel), data7(key), data7(velocity)});
}
void MidiTrackWriter::note(std::uint64_t tick, std::uint64_t length, int channel, int key, int velocity)
{
    noteOn(tick, channel, key, velocity);
    noteOff(tick + length, channel, key);
}
void MidiTrackWriter::controlChange(std::uint64_t tick, int channel, int controller, int value)
{
    add(tick, {status(0xB0, channel), data7(controller), data7(value)});
}
void MidiTrackWriter::bendRange(std::uint64_t tick, int channel, int semitones)
{
    const int controllers[][2] = {{101, 0}, {100, 0}, {6, semitones}, {38, 0}, {101, 127}, {100, 127}};
    for (const auto& [controller, value] : controllers)
        controlChange(tick, channel, controller, value);
}
void MidiTrackWriter::programChange(std::uint64_t tick, int channel, int program)
{
    add(tick, {status(0xC0, channel), data7(program)});
}
void MidiTrackWriter::channelPressure(std::uint64_t tick, int channel, int value)
{
    add(tick, {status(0xD0, channel), data7(value)});
}
void MidiTrackWriter::polyPressure(std::uint64_t tick, int channel, int key, int value)
{
    add(tick, {status(0xA0, channel), data7(key), data7(value)});
}
void MidiTrackWriter::pitchBend(std::uint64_t tick, int channel, int value14)
{
    const int v = std::clamp(value14, 0, 16383);
    add(tick, {status(0xE0, channel), data7(v & 127), data7(v >> 7)});
}
void MidiTrackWriter::tempo(std::uint64_t tick, std::uint32_t us)
{
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
                                  static_cast<std::uint8_t>(us)};
    meta(tick, 0x51, bytes);
}
void MidiTrackWriter::tempoBpm(std::uint64_t tick, double bpm)
{
    tempo(tick, static_cast<std::uint32_t>(std::lround(60e6 / bpm)));
}

void MidiTrackWriter::sysEx(std::uint64_t tick, std::span<const std::uint8_t> payload)
{
    std::vector<std::uint8_t> bytes{0xF0};
    appendVarLength(bytes, static_cast<std::uint32_t>(payload.size()));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    add(tick, std::move(bytes));
}
void MidiTrackWriter::sysExEscape(std::uint64_t tick, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> bytes{0xF7};
    appendVarLength(bytes, static_cast<std::uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    add(tick, std::move(bytes));
}
void MidiTrackWriter::meta(std::uint64_t tick, int type, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> bytes{0xFF, static_cast<std::uint8_t>(type & 0x7F)};
    appendVarLength(bytes, static_cast<std::uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    add(tick, std::move(bytes));
}

std::uint64_t MidiTrackWriter::lastTick() const
{
    std::uint64_t last = 0;
    for (const Event& e : events_)
        last = std::max(last, e.tick);
    return last;
}

std::vector<std::uint8_t> MidiTrackWriter::encode(bool runningStatus) const
{
    std::vector<const Event*> order;
    order.reserve(events_.size());
    for (const Event& e : events_)
        order.push_back(&e);
    std::stable_sort(order.begin(), order.end(), [](const Event* a, const Event* b) { return a->tick < b->tick; });

    std::vector<std::uint8_t> body;
    std::uint64_t now = 0;
    std::uint8_t running = 0;
    for (const Event* e : order) {
        appendVarLength(body, static_cast<std::uint32_t>(e->tick - now));
        now = e->tick;
        const std::uint8_t first = e->bytes.front();
        const bool channelMessage = first < 0xF0;
        const bool omitStatus = runningStatus && channelMessage && first == running;
        body.insert(body.end(), e->bytes.begin() + (omitStatus ? 1 : 0), e->bytes.end());
        running = channelMessage ? first : 0;
    }
    appendVarLength(body, static_cast<std::uint32_t>(std::max(endTick_, now) - now));
    body.insert(body.end(), {0xFF, 0x2F, 0x00});

    std::vector<std::uint8_t> chunk{'M', 'T', 'r', 'k'};
    appendU32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<std::uint8_t> encodeMidiFile(int format, std::uint16_t division, std::span<const MidiTrackWriter> tracks,
                                         bool runningStatus)
{
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    out.push_back(static_cast<std::uint8_t>(format >> 8));
    out.push_back(static_cast<std::uint8_t>(format));
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(tracks.size()));
    out.push_back(static_cast<std::uint8_t>(division >> 8));
    out.push_back(static_cast<std::uint8_t>(division));
    for (const MidiTrackWriter& track : tracks) {
        const auto chunk = track.encode(runningStatus);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

} // namespace kest::tolvane::tools
