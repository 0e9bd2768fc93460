// SPDX-License-Identifier: GPL-3.0-or-later
// Builds Standard MIDI Files: tracks collect events at absolute ticks and are
// encoded with delta times and running status. Used by the demo song
// generator and by tests that need files of a known shape.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kest::tolvane::tools {

class MidiTrackWriter {
public:
    void noteOn(std::uint64_t tick, int channel, int key, int velocity);
    void noteOff(std::uint64_t tick, int channel, int key, int velocity = 64);
    // A note from tick for length ticks.
    void note(std::uint64_t tick, std::uint64_t length, int channel, int key, int velocity);
    void controlChange(std::uint64_t tick, int channel, int controller, int value);
    // The General MIDI bend-range set-up as sequencers write it: RPN 0/0,
    // data entry semitones and 0 cents, then the null RPN; all on one tick.
    void bendRange(std::uint64_t tick, int channel, int semitones);
    void programChange(std::uint64_t tick, int channel, int program);
    void channelPressure(std::uint64_t tick, int channel, int value);
    void polyPressure(std::uint64_t tick, int channel, int key, int value);
    void pitchBend(std::uint64_t tick, int channel, int value14);
    void tempo(std::uint64_t tick, std::uint32_t microsecondsPerQuarter);
    void tempoBpm(std::uint64_t tick, double beatsPerMinute);
    // F0 form: payload is everything after F0, normally ending with F7.
    void sysEx(std::uint64_t tick, std::span<const std::uint8_t> payload);
    // F7 form: the bytes are stored as they are.
    void sysExEscape(std::uint64_t tick, std::span<const std::uint8_t> bytes);
    void meta(std::uint64_t tick, int type, std::span<const std::uint8_t> data);
    // Where the end-of-track event goes; it never comes before the last event.
    void setEndTick(std::uint64_t tick) { endTick_ = tick; }

    // The MTrk chunk. Events at equal ticks keep the order they were added in.
    std::vector<std::uint8_t> encode(bool runningStatus = true) const;
    std::uint64_t lastTick() const;

private:
    struct Event {
        std::uint64_t tick;
        std::vector<std::uint8_t> bytes; // status (or F0/F7/FF) and the rest
    };
    void add(std::uint64_t tick, std::vector<std::uint8_t> bytes);

    std::vector<Event> events_;
    std::uint64_t endTick_ = 0;
};

void appendVarLength(std::vector<std::uint8_t>& out, std::uint32_t value);

// A whole file: MThd with the format and raw division word, then the tracks.
std::vector<std::uint8_t> encodeMidiFile(int format, std::uint16_t division, std::span<const MidiTrackWriter> tracks,
                                         bool runningStatus = true);

} // namespace kest::tolvane::tools
